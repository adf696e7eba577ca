#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "search_graph.h"

#include <algorithm>
#include <cstdint>
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
    // Portals in Id order, then waypoints area by area; then numbered along
    // the curve.
    const int n_portals = int(portals.size());
    std::vector<int> first_waypoint(areas.size() + 1, n_portals);  // by area: its first waypoint's creation number
    for (std::size_t a = 0; a < areas.size(); ++a)
        first_waypoint[a + 1] = first_waypoint[a] + int(areas[a]->WayPoints.size());
    const int n_nodes = first_waypoint.back();
    auto made = [&](int i) -> const cPortal* {
        if (i < n_portals) return portals[std::size_t(i)];
        // The area holding creation number i: the last whose first is at or before it.
        const std::size_t a = std::size_t(std::upper_bound(first_waypoint.begin(), first_waypoint.end(), i) -
                                           first_waypoint.begin()) - 1;
        return areas[a]->WayPoints[std::size_t(i - first_waypoint[a])];
    };
    std::vector<std::pair<std::uint64_t, int>> keyed;
    keyed.reserve(std::size_t(n_nodes));
    for (const cPortal* p : portals) keyed.push_back({Curve_Key(p->Position), int(keyed.size())});
    for (const cSquarePortal* area : areas)
        for (const cAligned_WayPoint* w : area->WayPoints) keyed.push_back({Curve_Key(w->Position), int(keyed.size())});
    std::sort(keyed.begin(), keyed.end());  // ties keep creation order
    // The node of each creation number.
    std::vector<int> node_of(std::size_t(n_nodes), -1);
    for (std::size_t i = 0; i < keyed.size(); ++i) node_of[std::size_t(keyed[i].second)] = int(i);
    // A neighbour in a world's list is a portal (its Id tells it) or a
    // waypoint of the area it stands in (found among that area's, or, in an
    // area with many, by a table).
    const std::size_t FEW = 8;
    std::unordered_map<const cA_Star_Node*, int> many;
    for (std::size_t a = 0; a < areas.size(); ++a)
        if (areas[a]->WayPoints.size() > FEW)
            for (std::size_t k = 0; k < areas[a]->WayPoints.size(); ++k)
                many[areas[a]->WayPoints[k]] = node_of[std::size_t(first_waypoint[a]) + k];
    auto index_of = [&](const cA_Star_Node* n) {
        const cPortal* p = static_cast<const cPortal*>(n);
        if (p->Id >= 0) {
            assert(p->Id < n_portals && portals[std::size_t(p->Id)] == p);
            return node_of[std::size_t(p->Id)];
        }
        const std::size_t a = std::size_t(-p->Area1->Id - 1);
        const std::vector<cAligned_WayPoint*>& own = areas[a]->WayPoints;
        if (own.size() > FEW) return many.at(n);
        const std::size_t k = std::size_t(std::find(own.begin(), own.end(), p) - own.begin());
        assert(k < own.size());
        return node_of[std::size_t(first_waypoint[a]) + k];
    };

    Of_Portal.assign(portals.size(), -1);
    for (const cPortal* p : portals) Of_Portal[std::size_t(p->Id)] = node_of[std::size_t(p->Id)];
    std::size_t links = 0;
    for (int i = 0; i < n_nodes; ++i) links += made(i)->Voisinage.size();
    Position.clear();
    Position.reserve(std::size_t(n_nodes));
    Is_Portal.clear();
    Is_Portal.reserve(std::size_t(n_nodes));
    First.clear();
    First.reserve(std::size_t(n_nodes) + 1);
    First.push_back(0);
    Neighbour.clear();
    Neighbour.reserve(links);
    for (const std::pair<std::uint64_t, int>& k : keyed) {
        const cPortal* node = made(k.second);
        Position.push_back(node->Position);
        Is_Portal.push_back(node->Id >= 0);
        // Voisinage holds the newest neighbour first; the search takes the
        // earliest first.
        for (auto it = node->Voisinage.rbegin(); it != node->Voisinage.rend(); ++it) Neighbour.push_back(index_of(*it));
        First.push_back(int(Neighbour.size()));
    }
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
