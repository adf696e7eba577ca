// The route queries a built world answers beyond the route between two
// points, on the route mesh of one agent size and the doors' states (1 =
// open, null without doors): partial routes, the nearest place to stand, the
// nearest of several goals and batches of queries on threads. The world's
// members (game_bsp.h) check the half-size and the build and hand over; the
// rules of each answer are told there.
//
// Places and solid space. The agent stands at a point when the point lies
// in the closed rectangle of an open mesh cell (its centre may touch grown
// walls) and not in solid space (Solid_As_Built of the world handed over,
// which is the version of the world the query answers on). Every corner of a
// cell's rectangle is an integer point, so the nearest place to any integer
// point is an integer point: in a cell out of the rock, the cell's point
// nearest to it. A cell reaches into solid space only behind an open door
// (the rock is closed by walls and doors): for half-size 0 the places of
// such a cell are the points of the walls and doors on its outline (the
// rock's face); for a larger agent the cell lies within a door's grown
// outline, and the door's line cuts it into pieces, each wholly in or out of
// the rock, the line itself being the face.
#ifndef ROUTE_ROUTE_QUERIES_H
#define ROUTE_ROUTE_QUERIES_H

#include <vector>

#include "game_bsp.h"
#include "route/route_mesh.h"
#include "route/route_search.h"

namespace bsp_levels {

// The status a query answers for what its search found.
ROUTE_STATUS Route_Status_Of(ROUTE_SEARCH_RESULT result);

// Find_Shortest_Path with options.Partial.
ROUTE_STATUS Partial_Route(const cGame_World& world, const cRoute_Mesh& mesh, const unsigned char* door_open,
                           const cPoint2D& start, const cPoint2D& goal, std::vector<cPoint2D>& path, double* length);

// Find_Nearest_Goal.
ROUTE_STATUS Nearest_Goal_Route(const cGame_World& world, const cRoute_Mesh& mesh, const unsigned char* door_open,
                                const cPoint2D& start, const std::vector<cPoint2D>& goals, std::vector<cPoint2D>& path,
                                double* length, int* goal);

// Find_Standing_Point, p within the coordinate range.
ROUTE_STATUS Standing_Point(const cGame_World& world, const cRoute_Mesh& mesh, const unsigned char* door_open,
                            const cPoint2D& p, cPoint2D& place);

// Find_Shortest_Paths.
void Route_Batch(const cGame_World& world, const std::vector<cRoute_Request>& requests,
                 std::vector<cRoute_Result>& answers, int threads);

}  // namespace bsp_levels

#endif
