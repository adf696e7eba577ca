// An area of a built world: a rectangle hung in the wall tree as a leaf,
// with the wall pieces and portals on its sides. The world makes and owns
// the areas; the fast engine and the door layer read them.
#ifndef SQUARE_PORTAL_H
#define SQUARE_PORTAL_H

#include <vector>

#include "bsp.h"
#include "game_graph.h"
#include "geo_utils.h"
#include "hv_wall.h"

namespace bsp_levels {

// An area with more portals than this is crowded: rather than joining every
// two of its portals (neighbours across lines, a waypoint along one line),
// which would cost the square of their number, it joins each portal to one
// hub, a waypoint at the area's centre. Levels drawn by hand or imported
// from game maps stay far below it (den012d's busiest area has 26 portals);
// a line of thousands of short walls with gaps reaches it.
constexpr int CROWDED_AREA_PORTALS = 64;

// A rectangular area, hung in the wall tree as a leaf.
class cSquarePortal : public cBSP_Node<cHV_Wall> {
public:
    cRect2D Bounds;                 // the area, borders included
    std::vector<cHV_Seg*> Walls;    // wall pieces on the sides (owned)
    std::vector<cPortal*> Portals;  // portals on the sides (owned by the world)
    // Waypoints between aligned portals of this area (owned); a crowded
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
    void Link_Aligned_Portals();
    // Whether a step between two portals of the area goes through a
    // waypoint: they lie on one line, or on one side with a wall piece
    // between them.
    bool Needs_WayPoint(const cPortal* A, const cPortal* B) const;
    // Where the waypoint between two such portals stands.
    cPoint2D WayPoint_Position(const cPortal* A, const cPortal* B) const;
};

}  // namespace bsp_levels

#endif
