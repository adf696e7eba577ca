// Shortest routes for a square agent over the cells of a cRoute_Mesh: an A*
// search over intervals of the portals, each seen from a root (the start or
// an obstacle corner where the route bends), with the Euclidean estimate
// through the interval. A node's interval is pushed through the cell beyond
// it: the part of the cell's other sides inside the cone from the root keeps
// the root; the parts beyond the cone are reached by bending at the
// interval's ends, when they are obstacle corners. Decisions use the exact
// perturbed geometry of symbolic.h; lengths are those of the unperturbed
// route, whose corners are integer points.
#ifndef ROUTE_ROUTE_SEARCH_H
#define ROUTE_ROUTE_SEARCH_H

#include <vector>

#include "geo_utils.h"
#include "route/route_mesh.h"

namespace bsp_levels {

enum ROUTE_SEARCH_RESULT : int { SEARCH_FOUND, SEARCH_NO_ROUTE, SEARCH_START_BLOCKED, SEARCH_GOAL_BLOCKED };

// Searches the shortest route from start to goal in the mesh's free space,
// where the cells covered by a closed door are obstacles: door i is open when
// door_open[i] != 0; a null door_open closes every door. On success fills
// corners with the route's corner points after the start, ending with goal,
// and length with its length. The search's state lives in arrays of the
// calling thread: searches on one mesh may run in several threads at once.
ROUTE_SEARCH_RESULT Search_Route(const cRoute_Mesh& mesh, const cPoint2D& start, const cPoint2D& goal,
                                 const unsigned char* door_open, std::vector<cPoint2D>& corners, double& length);

// The same with every door closed.
inline ROUTE_SEARCH_RESULT Search_Route(const cRoute_Mesh& mesh, const cPoint2D& start, const cPoint2D& goal,
                                        std::vector<cPoint2D>& corners, double& length) {
    return Search_Route(mesh, start, goal, nullptr, corners, length);
}

}  // namespace bsp_levels

#endif
