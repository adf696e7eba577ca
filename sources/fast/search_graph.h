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

class cSearch_Graph {
public:
    void Build(const std::vector<cPortal*>& portals, const std::vector<cSquarePortal*>& areas);
    int Size() const { return int(Position.size()); }

    std::vector<cPoint2D> Position;
    std::vector<int> First;       // node n's neighbours are Neighbour[First[n]] .. [First[n + 1] - 1]
    std::vector<int> Neighbour;
    std::vector<double> Cost;     // the step cost to each neighbour: Distance between positions
    std::vector<int> Of_Portal;   // the node of the portal with each Id
    std::vector<char> Is_Portal;  // whether a node is a portal (not a waypoint)
};

#endif
