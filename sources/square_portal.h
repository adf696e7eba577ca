// An area of a built world: a rectangle hung in the wall tree as a leaf,
// with the wall pieces and portals on its sides. The world makes and owns
// the areas; the fast engine and the door layer read them.
#ifndef SQUARE_PORTAL_H
#define SQUARE_PORTAL_H

#include <utility>
#include <vector>

#include "bsp.h"
#include "game_graph.h"
#include "geo_utils.h"
#include "hv_wall.h"

namespace bsp_levels {

// An area with more portals than this is crowded: rather than joining every
// two of its portals (neighbours across lines, a waypoint along one line),
// which would cost the square of their number, it joins each portal to one
// hub, a waypoint at the area's centre; an area less than 2 units across,
// which has no whole point inside, joins them along a rail instead (see
// cSquarePortal::Rail). Levels drawn by hand or imported from game maps stay
// far below it (den012d's busiest area has 26 portals); a line of thousands
// of short walls with gaps reaches it.
constexpr int CROWDED_AREA_PORTALS = 64;

// The waypoints and links that join the portals of a thin crowded area:
// Points are the waypoints to make; each link joins two of them, or a
// waypoint and a portal (-1 - k for portal k of the list given), both ways.
struct cRail {
    std::vector<cPoint2D> Points;
    std::vector<std::pair<int, int>> Links;
};

// A rectangular area, hung in the wall tree as a leaf.
class cSquarePortal : public cBSP_Node<cHV_Wall> {
public:
    cRect2D Bounds;                 // the area, borders included
    std::vector<cHV_Seg*> Walls;    // wall pieces on the sides (owned; a world's are in its pool)
    std::vector<cPortal*> Portals;  // portals on the sides (owned by the world)
    // Waypoints between aligned portals of this area (owned, as Walls); a crowded
    // area has its hub alone.
    std::vector<cAligned_WayPoint*> WayPoints;
    // The area lies in solid space: a solid point of the level reaches it
    // without crossing a wall or a door.
    bool Solid = false;
    // More than CROWDED_AREA_PORTALS portals: they meet at a hub.
    bool Crowded = false;

    explicit cSquarePortal(const cRect2D& bounds);
    ~cSquarePortal() override;

    // Writes the area's block: bounds, wall pieces and portals.
    void Print() override;

    // Two new areas, the halves of Bounds on either side of the wall's line.
    void Split_By_Wall(const cHV_Wall& wall, cSquarePortal*& front, cSquarePortal*& back) const;
    // The halves of a rectangle on either side of the wall's line, as
    // Split_By_Wall cuts an area's bounds.
    static void Split_Rect(const cRect2D& r, const cHV_Wall& wall, cRect2D& front, cRect2D& back);
    // The centre of Bounds, halves rounded toward zero.
    void Get_Center(cPoint2D& p) const;
    // Adds a wall piece lying on the area's border.
    void Add_Wall(const cSeg& w);
    // Adds a portal and makes it a neighbour of every portal of the area that
    // does not lie on its line. The portal that makes the area crowded
    // unlinks them all: a crowded area's portals meet at its hub instead.
    void Add_Portal(cPortal* portal);
    // Places a waypoint between every two portals of the area that lie on one
    // line, and between two portals that stand on one side of the area with a
    // wall piece between them (no longer neighbours then); in a crowded area,
    // the hub, joined both ways with every portal.
    // The waypoints are made in pool when one is given (the world's), else
    // on the heap, and their neighbour lists take their entries from it.
    void Link_Aligned_Portals(cWorld_Pool* pool = nullptr);
    // Whether a step between two portals of the area goes through a
    // waypoint: they lie on one line, or on one side with a wall piece
    // between them.
    bool Needs_WayPoint(const cPortal* A, const cPortal* B) const;
    // Where the waypoint between two such portals stands.
    cPoint2D WayPoint_Position(const cPortal* A, const cPortal* B) const;
    // Whether a hub at the centre would stand strictly inside the area.
    bool Has_Inside() const { return Bounds.Max.x - Bounds.Min.x >= 2 && Bounds.Max.y - Bounds.Min.y >= 2; }
    // A rail through an area less than 2 units across (one unit high, say):
    // a foot for each portal straight across the area from its middle, the
    // feet in order along the area, and between two feet on one border line
    // a point on the other, so that every step of the rail crosses the area
    // and none runs along a border, where walls lie.
    cRail Rail(const std::vector<cPortal*>& portals) const;
};

}  // namespace bsp_levels

#endif
