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
    std::vector<int> Neighbour;
    std::vector<double> Cost;     // the step cost to each neighbour: Distance between positions
    std::vector<int> Of_Portal;   // the node of the portal with each Id
    std::vector<char> Is_Portal;  // whether a node is a portal (not a waypoint)

    // The door layer: its nodes are numbered from N_Base on; node n's links
    // to and from them are Door_Neighbour[Door_First[n]] .. [Door_First[n + 1] - 1],
    // which the search takes after n's own neighbours, each only when every
    // door under it is open: Need[Need_First[m - N_Base]] ..
    // [Need_First[m - N_Base + 1] - 1] for a layer node m.
    int N_Base = 0;
    std::vector<int> Door_First, Door_Neighbour;
    std::vector<double> Door_Cost;
    std::vector<int> Need_First, Need;

    bool Has_Doors() const { return !Door_First.empty(); }
    bool Enterable(int n, const unsigned char* open) const {
        if (n < N_Base) return true;
        for (int k = Need_First[std::size_t(n - N_Base)], e = Need_First[std::size_t(n - N_Base + 1)]; k < e; ++k)
            if (open[Need[std::size_t(k)]] == 0) return false;
        return true;
    }
};

}  // namespace bsp_levels

#endif
