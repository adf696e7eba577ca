// The search graph of a built world in flat arrays, for searches that keep
// their state outside the nodes. Its nodes are the portals and the
// waypoints, numbered along a space-filling curve through their positions
// so that nodes near each other in the level are near each other in memory.
// Each node's neighbours are listed in the order its Get_Neighbours hands
// them out.
#ifndef FAST_SEARCH_GRAPH_H
#define FAST_SEARCH_GRAPH_H

#include <vector>

#include "game_graph.h"

namespace bsp_levels {

class cDoor_Layer;

class cSearch_Graph {
public:
    // doors, when given, adds the door layer's nodes after the world's,
    // with their links kept apart.
    void Build(const std::vector<cPortal*>& portals, const std::vector<cSquarePortal*>& areas,
               const cDoor_Layer* doors = nullptr);
    int Size() const { return int(Position.size()); }

    std::vector<cPoint2D> Position;
    std::vector<int> First;       // node n's neighbours are Neighbour[First[n]] .. [First[n + 1] - 1]
    std::vector<int> Neighbour;   // a step to a neighbour costs Step_Cost
    std::vector<int> Of_Portal;   // the node of the portal with each Id
    std::vector<char> Is_Portal;  // whether a node is a portal (not a waypoint)

    // The cost of the step between two nodes: the distance between their
    // positions, as the nodes' own Get_Cost gives it (recomputed rather than
    // stored: a square root costs less than the memory of a cost a link).
    double Step_Cost(int a, int b) const { return Distance(Position[std::size_t(a)], Position[std::size_t(b)]); }

    // The door layer: its nodes are numbered from N_Base on; node n's links
    // to and from them are Door_Neighbour[Door_First[n]] .. [Door_First[n + 1] - 1],
    // which the search takes after n's own neighbours, each only when no
    // closed door lies over the door portals under it: Need[m - N_Base]
    // for a layer node m, the layer's own (closed gives each door portal's
    // count of closed doors).
    struct cNeed {
        int A = -1, B = -1;
    };
    int N_Base = 0;
    std::vector<int> Door_First, Door_Neighbour;
    std::vector<cNeed> Need;

    bool Has_Doors() const { return !Door_First.empty(); }
    bool Enterable(int n, const int* closed) const {
        if (n < N_Base) return true;
        const cNeed& need = Need[std::size_t(n - N_Base)];
        return (need.A < 0 || closed[need.A] == 0) && (need.B < 0 || closed[need.B] == 0);
    }
};

}  // namespace bsp_levels

#endif
