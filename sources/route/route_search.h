// Shortest routes for a square agent over the cells of a cRoute_Mesh: an A*
// search over intervals of the portals, each seen from a root (the start or
// an obstacle corner where the route bends), with the Euclidean estimate
// through the interval. A node's interval is pushed through the cell beyond
// it: the part of the cell's other sides inside the cone from the root keeps
// the root; the parts beyond the cone are reached by bending at the
// interval's ends, when they are obstacle corners. Decisions use the exact
// perturbed geometry of symbolic.h; lengths are those of the unperturbed
// route, whose corners are integer points.
//
// Besides the route between two points the same search answers:
// - the route to whichever of several goals is nearest by route length
//   (Search_Route_Any);
// - the ways from one point to everything the agent can reach from it
//   (Search_Ways): an exhaustive search that keeps, for every cell, the
//   cones through which roots see into it and, for every portal end, the
//   best root there, so that the shortest route from any point back to the
//   origin is read off without searching (Way_From);
// - a route search that, when it fails, can still answer the shortest route
//   to a point of the cells nearest to a given point (Search_Route_Near and
//   Near_Route), which partial routes use.
#ifndef ROUTE_ROUTE_SEARCH_H
#define ROUTE_ROUTE_SEARCH_H

#include <cstddef>
#include <cstdint>
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

// The cells open to the agent (door_open as above) that hold p, as the
// search finds its start and goal: those whose perturbed rectangle holds p
// strictly inside, or for half-size 0, when there are none (p on a wall or
// on the world's border), every open cell whose rectangle holds p once the
// perturbation vanishes. Empty when the agent does not fit at p.
void Route_Cells_At(const cRoute_Mesh& mesh, const cPoint2D& p, const unsigned char* door_open,
                    std::vector<int>& cells);

// One search from start for the route to whichever of the goals is nearest
// by route length. Goals where the agent does not fit are passed over;
// SEARCH_GOAL_BLOCKED when that is every goal (or there is none). On
// SEARCH_FOUND, goal is the number of the goal reached (among equally near
// goals, any one) and corners end with it. With up to a few distinct goals
// the search is led by the estimate to the nearest of them; with more, by
// the length so far alone.
ROUTE_SEARCH_RESULT Search_Route_Any(const cRoute_Mesh& mesh, const cPoint2D& start,
                                     const std::vector<cPoint2D>& goals, const unsigned char* door_open,
                                     std::vector<cPoint2D>& corners, double& length, int& goal);

// Search_Route_Any that also follows the cells the search enters, measuring
// each by the squared distance from near to its nearest point, and keeps
// what Near_Route needs for the cells as near as any entered so far. The
// goals may be empty: the search then visits everything the agent can reach
// from start (its answer is SEARCH_NO_ROUTE, or SEARCH_START_BLOCKED).
ROUTE_SEARCH_RESULT Search_Route_Near(const cRoute_Mesh& mesh, const cPoint2D& start,
                                      const std::vector<cPoint2D>& goals, const cPoint2D& near,
                                      const unsigned char* door_open, std::vector<cPoint2D>& corners,
                                      double& length, int& goal);

// After a Search_Route_Near of the calling thread (and no other search of
// that thread since), the shortest route from that search's start to p, a
// point of the cells it kept (the cells nearest to its near point): true
// with corners (ending with p) and length, false when the search did not
// keep every way into p's cells (the caller then searches afresh).
bool Near_Route(const cRoute_Mesh& mesh, const cPoint2D& p, const unsigned char* door_open,
                std::vector<cPoint2D>& corners, double& length);
// The cells holding the start of the calling thread's last search.
const std::vector<int>& Near_Start_Cells();

// A root of the ways from an origin: a point where routes bend (its values
// and ε parts), the root before it (-1 for the origin itself) and the length
// of the shortest route from the origin to it.
struct cRoute_Way_Root {
    std::int32_t X, Y;
    std::int16_t X_Eps, Y_Eps;
    std::int32_t Parent;
    double G;

    cSym_Point P() const { return cSym_Point{cSym(X, X_Eps), cSym(Y, Y_Eps)}; }
};

// A cone through which a root sees into a cell: the root, the interval's
// ends on its portal (as the search writes them), the portal and the
// direction it is crossed in (0 to 3), kept together.
struct cRoute_Cone {
    int Root;
    int L, R;
    int Portal_Dir;  // 4 * portal + direction

    int Portal() const { return Portal_Dir >> 2; }
    int Dir() const { return Portal_Dir & 3; }
};

// The ways from an origin to every point the agent can reach from it, for
// the door states the search ran with.
struct cRoute_Ways {
    cPoint2D Origin;
    // The cells holding the origin: root i is the origin in Origin_Cells[i].
    std::vector<int> Origin_Cells;
    // In depth-first order of the tree of roots, each route's roots one
    // after another back to the origin as far as it runs alone; only those
    // the cones, the portal ends and their routes need.
    std::vector<cRoute_Way_Root> Roots;
    // The cones into cell c, packed (a few bytes each, route_search.cpp
    // says how): Cone_Bytes[Cell_First[c]] up to Cone_Bytes[Cell_First[c + 1]].
    std::vector<std::uint32_t> Cell_First;
    std::vector<unsigned char> Cone_Bytes;
    // By portal end (2 * portal, + 1 for its Hi end): the best root there, or -1.
    std::vector<int> Vertex_Root;

    void Clear();
    std::size_t Footprint() const;
};

// Searches from origin everything the agent can reach (door_open as above)
// and keeps the ways in ways: SEARCH_NO_ROUTE when done (whatever it
// reached), SEARCH_START_BLOCKED when the agent does not fit at origin.
ROUTE_SEARCH_RESULT Search_Ways(const cRoute_Mesh& mesh, const cPoint2D& origin, const unsigned char* door_open,
                                cRoute_Ways& ways);

// The shortest route from p to the ways' origin, with the door states the
// ways were searched with: SEARCH_FOUND with corners after p (ending with
// the origin) and length; SEARCH_START_BLOCKED when the agent does not fit
// at p; SEARCH_NO_ROUTE when the search did not reach p. Several threads may
// ask at once.
ROUTE_SEARCH_RESULT Way_From(const cRoute_Mesh& mesh, const cRoute_Ways& ways, const cPoint2D& p,
                             const unsigned char* door_open, std::vector<cPoint2D>& corners, double& length);

}  // namespace bsp_levels

#endif
