// The A* search of the fast engine on a cSearch_Graph, with the same
// expansions, tie-breaks and roundings as cA_Star, for a start and a goal
// point joined to the graph as a path query joins them: the start reaches
// its area's portals, last first; each portal of the goal's area reaches the
// goal after all its other neighbours. It writes nothing into the graph: its
// state lives in arrays of the calling thread, reused from one search to the
// next, so searches on one graph may run in several threads at once.
#ifndef FAST_FAST_SEARCH_H
#define FAST_FAST_SEARCH_H

#include <vector>

#include "fast/search_graph.h"

namespace bsp_levels {

// On success fills path with the positions of the route after the start,
// ending with goal, and returns true; otherwise returns false. On a graph
// with doors, closed gives the door layer's count of closed doors over each
// door portal, and start_doors and
// goal_doors the open door portals of the start's and the goal's areas,
// which the start reaches after its portals and which reach the goal.
bool Fast_Search(const cSearch_Graph& graph, const cPoint2D& start, const std::vector<cPortal*>& start_portals,
                 const cPoint2D& goal, const std::vector<cPortal*>& goal_portals, std::vector<cPoint2D>& path,
                 const int* closed = nullptr, const std::vector<cPortal*>* start_doors = nullptr,
                 const std::vector<cPortal*>* goal_doors = nullptr);

}  // namespace bsp_levels

#endif
