#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "search_graph.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <unordered_map>

#include "doors/door_layer.h"
#include "square_portal.h"

namespace bsp_levels {

namespace {

// The position of p along a Z-order curve over the plane.
std::uint64_t Curve_Key(const cPoint2D& p) {
    std::uint64_t key = 0;
    const std::uint32_t x = std::uint32_t(p.x) ^ 0x80000000u, y = std::uint32_t(p.y) ^ 0x80000000u;
    for (int bit = 31; bit >= 0; --bit) key = key << 2 | (std::uint64_t(y >> bit & 1) << 1) | (x >> bit & 1);
    return key;
}

}  // namespace

void cSearch_Graph::Build(const std::vector<cPortal*>& portals, const std::vector<cSquarePortal*>& areas,
                          const cDoor_Layer* doors) {
    std::function<int(const cA_Star_Node*)> index_of;
    // Portals in Id order, then waypoints area by area (their creation
    // numbers); then numbered along the curve.
    const int n_portals = int(portals.size());
    std::vector<int> first_waypoint(areas.size() + 1, n_portals);  // by area: its first waypoint's creation number
    for (std::size_t a = 0; a < areas.size(); ++a)
        first_waypoint[a + 1] = first_waypoint[a] + int(areas[a]->WayPoints.size());
    const int n_nodes = first_waypoint.back();
    // Every node in creation order, the order they lie in memory in.
    auto each_node = [&](auto visit) {
        int c = 0;
        for (const cPortal* p : portals) visit(c++, p);
        for (const cSquarePortal* area : areas)
            for (const cAligned_WayPoint* w : area->WayPoints) visit(c++, w);
    };
    std::vector<std::pair<std::uint64_t, int>> keyed;
    keyed.reserve(std::size_t(n_nodes));
    each_node([&](int c, const cPortal* p) { keyed.push_back({Curve_Key(p->Position), c}); });
    std::sort(keyed.begin(), keyed.end());  // ties keep creation order
    // The node of each creation number.
    std::vector<int> node_of(std::size_t(n_nodes), -1);
    for (std::size_t i = 0; i < keyed.size(); ++i) node_of[std::size_t(keyed[i].second)] = int(i);
    // A neighbour in a world's list is a portal (its Id is its creation
    // number) or a waypoint of the area it stands in (found among that
    // area's, or, in an area with many, by a table).
    const std::size_t FEW = 8;
    std::unordered_map<const cA_Star_Node*, int> many;
    for (std::size_t a = 0; a < areas.size(); ++a)
        if (areas[a]->WayPoints.size() > FEW)
            for (std::size_t k = 0; k < areas[a]->WayPoints.size(); ++k)
                many[areas[a]->WayPoints[k]] = first_waypoint[a] + int(k);
    auto created = [&](const cA_Star_Node* n) {
        const cPortal* p = static_cast<const cPortal*>(n);
        if (p->Id >= 0) {
            assert(p->Id < n_portals && portals[std::size_t(p->Id)] == p);
            return p->Id;
        }
        const std::size_t a = std::size_t(-p->Area1->Id - 1);
        const std::vector<cAligned_WayPoint*>& own = areas[a]->WayPoints;
        if (own.size() > FEW) return many.at(n);
        const std::size_t k = std::size_t(std::find(own.begin(), own.end(), p) - own.begin());
        assert(k < own.size());
        return first_waypoint[a] + int(k);
    };
    index_of = [&](const cA_Star_Node* n) { return node_of[std::size_t(created(n))]; };

    Of_Portal.assign(portals.size(), -1);
    for (const cPortal* p : portals) Of_Portal[std::size_t(p->Id)] = node_of[std::size_t(p->Id)];
    // The lists read in creation order (by creation number, earliest
    // neighbour first: Voisinage holds the newest first), then laid out in
    // the nodes' order.
    std::vector<int> degree(std::size_t(n_nodes), 0), listed;
    std::size_t links = 0;
    each_node([&](int c, const cPortal* p) {
        degree[std::size_t(c)] = int(p->Voisinage.size());
        links += p->Voisinage.size();
    });
    listed.reserve(links);
    each_node([&](int, const cPortal* p) {
        for (auto it = p->Voisinage.rbegin(); it != p->Voisinage.rend(); ++it) listed.push_back(created(*it));
    });
    First.assign(std::size_t(n_nodes) + 1, 0);
    for (int c = 0; c < n_nodes; ++c) First[std::size_t(node_of[std::size_t(c)]) + 1] = degree[std::size_t(c)];
    for (int k = 0; k < n_nodes; ++k) First[std::size_t(k) + 1] += First[std::size_t(k)];
    Neighbour.assign(listed.size(), 0);
    for (int c = 0, at = 0; c < n_nodes; ++c) {
        int to = First[std::size_t(node_of[std::size_t(c)])];
        for (int j = 0; j < degree[std::size_t(c)]; ++j) Neighbour[std::size_t(to++)] = node_of[std::size_t(listed[std::size_t(at++)])];
    }
    std::vector<int>().swap(listed);
    Position.assign(std::size_t(n_nodes), cPoint2D());
    Is_Portal.assign(std::size_t(n_nodes), 0);
    each_node([&](int c, const cPortal* p) {
        Position[std::size_t(node_of[std::size_t(c)])] = p->Position;
        Is_Portal[std::size_t(node_of[std::size_t(c)])] = p->Id >= 0;
    });
    std::vector<std::pair<std::uint64_t, int>>().swap(keyed);

    N_Base = int(Position.size());
    Door_First.clear();
    Door_Neighbour.clear();
    Need.clear();
    if (doors == nullptr) return;
    // The layer's nodes follow the world's, in the layer's order; they have
    // no neighbours of their own, only links.
    std::unordered_map<const cA_Star_Node*, int> index(doors->Nodes.size() * 2);
    const int n_layer = int(doors->Nodes.size());
    for (int m = 0; m < n_layer; ++m) {
        const cPortal* node = doors->Nodes[std::size_t(m)];
        index[node] = N_Base + m;
        Position.push_back(node->Position);
        Is_Portal.push_back(node->Id >= 0);
        First.push_back(int(Neighbour.size()));
    }
    auto any_index = [&](const cA_Star_Node* n) {
        const auto it = index.find(n);
        return it != index.end() ? it->second : index_of(n);
    };
    Of_Portal.resize(portals.size() + std::size_t(doors->N_Door_Portals), -1);
    for (int m = 0; m < doors->N_Door_Portals; ++m) Of_Portal[std::size_t(doors->Nodes[std::size_t(m)]->Id)] = N_Base + m;
    for (const cDoor_Layer::cNeed& need : doors->Needs) Need.push_back({need.A, need.B});
    // Links grouped by the node they leave, in the order made.
    const int n = int(Position.size());
    Door_First.assign(std::size_t(n) + 1, 0);
    for (const cDoor_Layer::cLink& l : doors->Links) ++Door_First[std::size_t(any_index(l.From)) + 1];
    for (int k = 0; k < n; ++k) Door_First[std::size_t(k) + 1] += Door_First[std::size_t(k)];
    std::vector<int> fill(Door_First.begin(), Door_First.end() - 1);
    Door_Neighbour.assign(doors->Links.size(), 0);
    for (const cDoor_Layer::cLink& l : doors->Links) {
        const int at = fill[std::size_t(any_index(l.From))]++;
        Door_Neighbour[std::size_t(at)] = any_index(l.To);
    }
}

}  // namespace bsp_levels
