// Whether walls added to a level would cut every route between two points,
// answered on the route structures the level already has, without making
// them again: the tower-defence question "may I place this here?".
#ifndef ROUTE_ROUTE_CUT_H
#define ROUTE_ROUTE_CUT_H

#include <vector>

#include "geo_utils.h"
#include "hv_wall.h"
#include "route/route_mesh.h"

namespace bsp_levels {

enum ROUTE_CUT : int {
    CUT_OPEN,     // the points stay joined with the walls
    CUT_CLOSED,   // the walls part them
    CUT_UNKNOWN,  // not told here: ask a mesh made with the walls
};

// Whether start and goal, both where the agent fits in the mesh's free space
// (door_open as for Search_Route), are still joined once the walls, grown by
// the mesh's half-size like every other wall, are taken out of it too. The
// cells the grown walls meet are cut into the pieces they leave; the others
// stay whole. A search from each end, nearest cells to the other end first,
// runs in turn with the other until they meet (open) or one of them has seen
// everything it can reach (closed), so a closed answer costs about twice the
// smaller side. CUT_CLOSED at once when start or goal lies strictly within
// a grown wall (once the perturbation vanishes): the agent has no room
// there. CUT_UNKNOWN when one lies on a grown wall's outline, where whether
// the agent still fits is the made mesh's to tell, or has no open cell.
// Meant for a few walls (a box's outline): each cell and portal looked at
// is held against every one.
ROUTE_CUT Route_Cut(const cRoute_Mesh& mesh, const cPoint2D& start, const cPoint2D& goal,
                    const std::vector<cHV_Wall>& walls, const unsigned char* door_open);

}  // namespace bsp_levels

#endif
