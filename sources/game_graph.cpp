#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "game_graph.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "game_bsp.h"

// ---------------------------------------------------------------- cNode_List

bool cNode_List::Contain(const cA_Star_Node* node) const {
    for (const cA_Star_Node* element : *this)
        if (element == node) return true;
    return false;
}

void cNode_List::Insert_Sorted(cA_Star_Node* node) {
    if (empty()) {
        push_back(node);
        return;
    }
    const float f = float(node->Get_F());
    for (iterator it = begin(); it != end(); ++it) {
        if ((*it)->Get_F() > f) {
            insert(it, node);
            return;
        }
    }
    push_back(node);
}

// ---------------------------------------------------------------- cPortal

cPortal::cPortal(int id) : Id(id) {}

cPortal::cPortal(const cHV_Seg& segment, cSquarePortal* area, int id)
    : Area1(area), Segment(segment), Id(id) {
    assert(area != NULL);
    Segment.Get_Middle(Position);
}

void cPortal::Add_Area(cSquarePortal* new_area) {
    assert(Area1 != NULL || Area2!=NULL);
    assert(new_area != NULL);
    if (Area1 == NULL) {
        Area1 = new_area;
        return;
    }
    assert(Area2 != new_area);
    Area2 = new_area;
}

void cPortal::Add_Neighbour(cA_Star_Node* node) {
    assert(node != NULL);
    Voisinage.push_front(node);
}

void cPortal::Remove_Neighbour(cA_Star_Node* node) { Voisinage.remove(node); }

double cPortal::Get_Cost(cA_Star_Node* destination) {
    assert(destination != NULL);
    assert(Voisinage.Contain(destination ));
    return Distance(Position, destination->Position);
}

double cPortal::Get_Heuristic(cA_Star_Node* destination) {
    assert(destination != NULL);
    return Distance(Position, destination->Position);
}

void cPortal::Get_Neighbours(cNode_List& list) {
    assert(Area1 != NULL);
    assert(Area2 != NULL);
    list.clear();
    for (cA_Star_Node* node : Voisinage) list.push_front(node);
}

std::ostream& operator<<(std::ostream& os, const cPortal& portal) {
    os << '[' << portal.Id << "] between [";
    if (portal.Area1) os << portal.Area1->Id; else os << "NULL";
    os << "] and [";
    if (portal.Area2) os << portal.Area2->Id; else os << "NULL";
    return os << "] " << portal.Segment;
}

// ---------------------------------------------------------------- cAligned_WayPoint

cAligned_WayPoint::cAligned_WayPoint(const cPoint2D& P, cSquarePortal* area) : cPortal(-1) {
    Segment.Set(P, P);
    Position = P;
    Area1 = area;
    Area2 = area;
}

// ---------------------------------------------------------------- cPoint_Node

cPoint_Node::cPoint_Node(cSquarePortal* area, const cPoint2D& point) : Area(area) {
    Position = point;
}

double cPoint_Node::Get_Cost(cA_Star_Node* destination) {
    assert(destination != NULL);
    return Distance(Position, destination->Position);
}

double cPoint_Node::Get_Heuristic(cA_Star_Node* destination) {
    assert(destination != NULL);
    return Distance(Position, destination->Position);
}

void cPoint_Node::Get_Neighbours(cNode_List& list) {
    assert(Area != NULL);
    for (cPortal* portal : Area->Portals) list.push_front(portal);
}

// ---------------------------------------------------------------- cSearch_Graph

namespace {

// The position of p along a Z-order curve over the plane.
std::uint64_t Curve_Key(const cPoint2D& p) {
    std::uint64_t key = 0;
    const std::uint32_t x = std::uint32_t(p.x) ^ 0x80000000u, y = std::uint32_t(p.y) ^ 0x80000000u;
    for (int bit = 31; bit >= 0; --bit) key = key << 2 | (std::uint64_t(y >> bit & 1) << 1) | (x >> bit & 1);
    return key;
}

}  // namespace

void cSearch_Graph::Build(const std::vector<cPortal*>& portals, const std::vector<cSquarePortal*>& areas) {
    // Portals in Id order, then waypoints; then numbered along the curve.
    std::vector<const cPortal*> nodes(portals.begin(), portals.end());
    for (const cSquarePortal* area : areas)
        for (const cAligned_WayPoint* w : area->WayPoints) nodes.push_back(w);
    std::vector<std::pair<std::uint64_t, int>> keyed(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) keyed[i] = {Curve_Key(nodes[i]->Position), int(i)};
    std::sort(keyed.begin(), keyed.end());  // ties keep creation order
    std::vector<int> order(nodes.size());
    std::unordered_map<const cA_Star_Node*, int> index(nodes.size() * 2);
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        order[i] = keyed[i].second;
        index[nodes[order[i]]] = int(i);
    }

    Of_Portal.assign(portals.size(), -1);
    for (const cPortal* p : portals) Of_Portal[p->Id] = index.at(p);
    Position.clear();
    Is_Portal.clear();
    First.assign(1, 0);
    Neighbour.clear();
    Cost.clear();
    for (int i : order) {
        const cPortal* node = nodes[i];
        Position.push_back(node->Position);
        Is_Portal.push_back(node->Id >= 0);
        // Voisinage holds the newest neighbour first; the search takes the
        // earliest first.
        for (auto it = node->Voisinage.rbegin(); it != node->Voisinage.rend(); ++it) {
            Neighbour.push_back(index.at(*it));
            Cost.push_back(Distance(node->Position, (*it)->Position));
        }
        First.push_back(int(Neighbour.size()));
    }
}
