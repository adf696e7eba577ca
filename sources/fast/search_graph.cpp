#include "search_graph.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "game_bsp.h"

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
