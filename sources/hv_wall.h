// Walls: the items that the level's BSP tree stores and divides by.
//
// The front of a wall is the side of smaller coordinate across it (smaller y
// for a horizontal wall, smaller x for a vertical one); the back is the side
// of greater coordinate.
#ifndef HV_WALL_H
#define HV_WALL_H

#include <ostream>

#include "geo_utils.h"

namespace bsp_levels {

// Position of a point against a wall's infinite line. Both enumerations have
// a fixed underlying type, so that a classifier answering a value outside
// them is defined behaviour and meets the callers' "unknown value" branches.
enum BSP_POSITION_POINT : int {
    POINT_ON = 0,     // on the line
    POINT_FRONT = 1,  // smaller coordinate across the wall
    POINT_BACK = 2    // greater coordinate across the wall
};

// Position of a wall against a divider wall.
enum BSP_POSITION_DIVIDER : int {
    DIVIDER_FRONT = 0,     // wholly in front; an end may touch the line
    DIVIDER_BACK = 1,      // wholly behind; an end may touch the line
    DIVIDER_SPANNING = 2,  // crosses the line; split into a front and a back piece
    DIVIDER_ON = 3         // both ends on the line, or not classifiable
};

class cWall {
public:
    cPoint2D p0;
    cPoint2D p1;

    cWall() = default;
    cWall(const cPoint2D& A, const cPoint2D& B) : p0(A), p1(B) {}

    // The general wall does not classify: it says so and answers POINT_ON.
    virtual BSP_POSITION_POINT Get_Position_Point(const cPoint2D& p) const;

    virtual ~cWall() = default;
    cWall(const cWall&) = default;
    cWall& operator=(const cWall&) = default;

    cPoint2D& Get_p0() { return p0; }
    cPoint2D& Get_p1() { return p1; }
    const cPoint2D& Get_p0() const { return p0; }
    const cPoint2D& Get_p1() const { return p1; }

    double Get_Length() const;
};

std::ostream& operator<<(std::ostream& os, const cWall& w);

// A horizontal or vertical wall with ordered end points (p0 has the smaller
// coordinate along the wall). A wall of zero length is vertical.
class cHV_Wall : public cWall {
public:
    // True for a horizontal wall. A pair that is neither horizontal nor
    // vertical is reported and keeps false.
    bool Horizontal = false;
    // The door this wall is a piece of, or -1 for a plain wall. Pieces cut
    // from a door by a divider keep its number.
    int Door = -1;

    cHV_Wall();
    cHV_Wall(const cPoint2D& A, const cPoint2D& B);

    // Sets the orientation from the end points; reports a pair that is neither.
    void Set_HV();
    bool Is_Horizontal() const { return Horizontal; }
    // Both end points share a coordinate.
    bool Is_Valid_HV() const { return p0.x == p1.x || p0.y == p1.y; }

    BSP_POSITION_POINT Get_Position_Point(const cPoint2D& p) const override;
    // Crossing point of this wall's line and w's line (perpendicular walls only).
    void Get_Intersection(const cHV_Wall& w, cPoint2D& out) const;
    // Classifies w against this wall's line; when w crosses it, w_front and
    // w_back receive its two pieces.
    BSP_POSITION_DIVIDER Get_Position_Divider_And_Split(const cHV_Wall& w, cHV_Wall& w_front,
                                                        cHV_Wall& w_back) const;
    // Writes the end points into s through its Set (a cHV_Seg normalises them).
    void Get_Segment(cSeg& s) const { s.Set(p0, p1); }

private:
    void Order_End_Points();
};

}  // namespace bsp_levels

#endif
