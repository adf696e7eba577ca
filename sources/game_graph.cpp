#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "game_graph.h"

#include "square_portal.h"

namespace bsp_levels {

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

cPortal::cPortal(int id, const cNode_Allocator& lists) : Voisinage(lists), Id(id) {}

cPortal::cPortal(const cHV_Seg& segment, cSquarePortal* area, int id, const cNode_Allocator& lists)
    : Area1(area), Segment(segment), Voisinage(lists), Id(id) {
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

cAligned_WayPoint::cAligned_WayPoint(const cPoint2D& P, cSquarePortal* area, const cNode_Allocator& lists)
    : cPortal(-1, lists) {
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
    for (auto it = Door_Portals.rbegin(); it != Door_Portals.rend(); ++it) list.push_front(*it);
    for (cPortal* portal : Area->Portals) list.push_front(portal);
}

}  // namespace bsp_levels
