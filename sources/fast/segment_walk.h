// The fast segment walk: from the start's area it jumps (the line walker in
// closed form) straight to the first grid point on that area's border, where
// no wall can be inside an area, tests only border points against the wall
// index, and looks up the next area only when the walk leaves the current one.
#ifndef FAST_SEGMENT_WALK_H
#define FAST_SEGMENT_WALK_H

#include <cstdint>

#include "geo_utils.h"

namespace bsp_levels {

class cSquarePortal;
class cWall_Index;
class cDoor_Lines;

// Finds the area of a point during the walk.
class cArea_Finder {
public:
    virtual cSquarePortal* Area_Of(const cPoint2D& p) const = 0;

protected:
    ~cArea_Finder() = default;
};

// The walk from a, whose area is area, to b, in a world of the given
// bounds: the first grid point on a wall, as the plain walk would report
// it, with the same limit rule. Closed doors (open gives the states) count
// as walls.
bool Walk_Segment(const cPoint2D& a, const cPoint2D& b, const cSquarePortal* area, std::int64_t limit,
                  const cRect2D& world, const cWall_Index& walls, const cDoor_Lines& doors,
                  const unsigned char* open, const cArea_Finder& areas, cPoint2D& hit);

}  // namespace bsp_levels

#endif
