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

    N_Base = int(Position.size());
    Door_First.clear();
    Door_Neighbour.clear();
    Door_Cost.clear();
    Need.clear();
    if (doors == nullptr) return;
    // The layer's nodes follow the world's, in the layer's order; they have
    // no neighbours of their own, only links.
    const int n_layer = int(doors->Nodes.size());
    for (int m = 0; m < n_layer; ++m) {
        const cPortal* node = doors->Nodes[std::size_t(m)];
        index[node] = N_Base + m;
        Position.push_back(node->Position);
        Is_Portal.push_back(node->Id >= 0);
        First.push_back(int(Neighbour.size()));
    }
    Of_Portal.resize(portals.size() + std::size_t(doors->N_Door_Portals), -1);
    for (int m = 0; m < doors->N_Door_Portals; ++m) Of_Portal[std::size_t(doors->Nodes[std::size_t(m)]->Id)] = N_Base + m;
    for (const cDoor_Layer::cNeed& need : doors->Needs) Need.push_back({need.A, need.B});
    // Links grouped by the node they leave, in the order made.
    const int n = int(Position.size());
    Door_First.assign(std::size_t(n) + 1, 0);
    for (const cDoor_Layer::cLink& l : doors->Links) ++Door_First[std::size_t(index.at(l.From)) + 1];
    for (int k = 0; k < n; ++k) Door_First[std::size_t(k) + 1] += Door_First[std::size_t(k)];
    std::vector<int> fill(Door_First.begin(), Door_First.end() - 1);
    Door_Neighbour.assign(doors->Links.size(), 0);
    Door_Cost.assign(doors->Links.size(), 0);
    for (const cDoor_Layer::cLink& l : doors->Links) {
        const int at = fill[std::size_t(index.at(l.From))]++;
        Door_Neighbour[std::size_t(at)] = index.at(l.To);
        Door_Cost[std::size_t(at)] = Distance(l.From->Position, l.To->Position);
    }
}

}  // namespace bsp_levels
