// The free space of a level for a square agent of one half-size, cut into
// rectangles. The agent's centre must stay out of every wall grown by the
// half-size (the world's border counts as four walls); in the perturbed
// world of symbolic.h the grown walls are closed rectangles and the free
// space is what they leave of the world. A sweep upward along y cuts it into
// cells, each as wide as the free space at its height, and cut again along
// the outline of every door grown like a wall, so that a cell lies either
// wholly inside or wholly outside each grown door. Cells meet along
// horizontal lines (bottom and top portals); where a door's outline cuts the
// free space, cells also meet side by side along vertical lines (left and
// right portals). A cell covered by grown doors records them: it is passable
// while all of them are open.
#ifndef ROUTE_ROUTE_MESH_H
#define ROUTE_ROUTE_MESH_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fast/box_tree.h"
#include "geo_utils.h"
#include "hv_wall.h"
#include "route/symbolic.h"
#include "world_pool.h"

namespace bsp_levels {

// An open stretch of a line between two cells: a horizontal portal runs
// along x at height At, with the cell Below under it and the cell Above over
// it; a vertical one runs along y at x = At, with the cell Below on its left
// and the cell Above on its right. An end is a turning point when it is a
// corner of an obstacle or of a door's outline, where a shortest route may
// bend.
struct cRoute_Portal {
    cSym Lo, Hi;  // along the portal's line
    cSym At;      // the line
    int Below, Above;
    bool Lo_Turn, Hi_Turn;
    bool Vertical;
};

struct cRoute_Cell {
    cSym X_Lo, X_Hi, Y_Lo, Y_Hi;
    // The portals on the bottom and on the top side, in order along x, are
    // consecutive in the mesh's portal list.
    int First_Bottom = 0, N_Bottom = 0;
    int First_Top = 0, N_Top = 0;
    int Sides = -1;  // the portals on the left and right sides (Side_Links), -1: none
    // The doors covering the cell (Door_List), -1: none, MANY_DOORS: more
    // than MESH_DOOR_LIST of them, found again by their boxes when asked.
    int Doors = -1;
};

// A cell covered by more doors than this keeps no list of them (doors nested
// in each other would make the lists as long as the square of the doors):
// the doors over it are found again among all the doors' boxes.
constexpr int MESH_DOOR_LIST = 8;
constexpr int MANY_DOORS = -2;

// What a search needs to know of a cell before it looks at it, one byte a
// cell so that the search's first look stays within the caches.
enum : unsigned char {
    CELL_DOORS = 1,          // covered by doors
    CELL_END_FROM_BELOW = 2,  // entered from below, no way on (one bottom portal, no other)
    CELL_END_FROM_ABOVE = 4,  // entered from above, no way on
    CELL_CORRIDOR = 8,       // one bottom portal, one top portal, none beside
};

// The portals on a cell's left and right sides, in order along y.
struct cRoute_Sides {
    int First_Left = 0, N_Left = 0;
    int First_Right = 0, N_Right = 0;
};

// A wall grown by a half-size in the perturbed world, a closed rectangle:
// by h - ε for h > 0 (thinned: the agent may squeeze past at exactly h), by
// ε for h = 0 (a wall the agent may touch but not cross).
struct cGrown_Wall {
    cSym X_Lo, X_Hi, Y_Lo, Y_Hi;
};
inline cGrown_Wall Grow_Wall(const cHV_Wall& w, int half_size) {
    const std::int64_t h = half_size;
    const int k = h > 0 ? 1 : -1;  // the ε of the lower sides; the upper sides have -k
    const std::int64_t x0 = std::min(w.p0.x, w.p1.x), x1 = std::max(w.p0.x, w.p1.x);
    const std::int64_t y0 = std::min(w.p0.y, w.p1.y), y1 = std::max(w.p0.y, w.p1.y);
    return {cSym(x0 - h, k), cSym(x1 + h, -k), cSym(y0 - h, k), cSym(y1 + h, -k)};
}

// A point of the cell strictly inside it, as near p as the perturbation
// allows: p itself when it lies inside, else p moved onto the cell by ε.
inline cSym_Point Point_Inside(const cRoute_Cell& c, const cPoint2D& p) {
    cSym x(p.x, 0), y(p.y, 0);
    if (x <= c.X_Lo) x = cSym(c.X_Lo.V, c.X_Lo.K + 1);
    if (x >= c.X_Hi) x = cSym(c.X_Hi.V, c.X_Hi.K - 1);
    if (y <= c.Y_Lo) y = cSym(c.Y_Lo.V, c.Y_Lo.K + 1);
    if (y >= c.Y_Hi) y = cSym(c.Y_Hi.V, c.Y_Hi.K - 1);
    return cSym_Point{x, y};
}

class cRoute_Mesh {
public:
    // The free space for the half-size within the world rectangle, cut along
    // the doors' outlines. Walls and doors are taken as given (any order,
    // overlapping, of zero length); door i is doors[i].
    void Build(const std::vector<cHV_Wall>& walls, const std::vector<cHV_Wall>& doors, const cRect2D& world,
               int half_size);
    void Build(const std::vector<cHV_Wall>& walls, const cRect2D& world, int half_size) {
        Build(walls, std::vector<cHV_Wall>(), world, half_size);
    }

    const tBig_Vector<cRoute_Cell>& Cells() const { return Cell; }
    const tBig_Vector<cRoute_Portal>& Portals() const { return Portal; }
    unsigned char Cell_Flags(int cell) const { return Flags[std::size_t(cell)]; }
    const cRoute_Sides& Side_Links(const cRoute_Cell& c) const { return Sides[std::size_t(c.Sides)]; }
    // The portals on a side of a cell (0 bottom, 1 top, 2 left, 3 right),
    // consecutive in the portal list: the first and how many.
    void Side_Portals(const cRoute_Cell& c, int side, int& first, int& count) const {
        if (side <= 1) {
            first = side == 0 ? c.First_Bottom : c.First_Top;
            count = side == 0 ? c.N_Bottom : c.N_Top;
        } else if (c.Sides < 0) {
            first = count = 0;
        } else {
            const cRoute_Sides& s = Side_Links(c);
            first = side == 2 ? s.First_Left : s.First_Right;
            count = side == 2 ? s.N_Left : s.N_Right;
        }
    }
    int Half_Size() const { return Half; }
    bool Has_Doors() const { return !Door_Ids.empty(); }

    // The doors covering a cell: the count, then as many door numbers.
    const int* Door_List(const cRoute_Cell& c) const { return &Door_Ids[std::size_t(c.Doors)]; }
    // Whether a cell is open to the agent: every door covering it is open
    // (door_open[i] != 0); a null door_open closes every door.
    bool Passable(int cell, const unsigned char* door_open) const {
        if ((Flags[std::size_t(cell)] & CELL_DOORS) == 0) return true;
        if (door_open == nullptr) return false;
        const cRoute_Cell& c = Cell[std::size_t(cell)];
        if (c.Doors == MANY_DOORS) return Passable_Among_Many(c, door_open);
        const int* list = Door_List(c);
        for (int i = 1; i <= list[0]; ++i)
            if (door_open[list[i]] == 0) return false;
        return true;
    }

    // The cells whose perturbed rectangle holds p strictly inside (at most
    // one), or, with touching, every cell whose rectangle holds p once the
    // perturbation vanishes.
    void Cells_At(const cPoint2D& p, bool touching, std::vector<int>& out) const;
    // Calls visit(cell, d2) for the cells in order of d2, the squared
    // distance from p to the cell's rectangle once the perturbation vanishes
    // (0 when it holds p), nearest first, until visit answers false.
    template <class cVisit>
    void Visit_Nearest_Cells(const cPoint2D& p, cVisit visit) const {
        Locator.Visit_Nearest(p.x, p.y, visit, [this](int cell) { return Cell_Box(cell); });
    }

    std::size_t Footprint() const;
    // The walls and doors lying on the world's sides, as given.
    const std::vector<cHV_Wall>& Border_Walls() const { return Border; }

private:
    // Passable for a cell under many doors: every grown door whose box holds
    // the cell is open.
    bool Passable_Among_Many(const cRoute_Cell& c, const unsigned char* door_open) const;
    void Build_Locator();
    // A cell's extent once the perturbation vanishes, as the locator sees it
    // (it keeps no copy of the cells' boxes).
    cBasic_Item_Box<std::int32_t> Cell_Box(int cell) const {
        const cRoute_Cell& c = Cell[std::size_t(cell)];
        return {c.X_Lo.V, c.Y_Lo.V, c.X_Hi.V, c.Y_Hi.V};
    }
    void Link_Sides(const std::vector<unsigned char>& beside);
    void Set_Flags();

    int Half = 0;
    cRect2D World;
    tBig_Vector<cRoute_Cell> Cell;
    tBig_Vector<cRoute_Portal> Portal;
    tBig_Vector<cRoute_Sides> Sides;
    std::vector<int> Door_Ids;
    tBig_Vector<unsigned char> Flags;  // by cell
    std::vector<cHV_Wall> Border;
    cBasic_Box_Tree<std::int32_t> Locator;  // the cells by their unperturbed extent
    // The grown doors' boxes (X_Lo, X_Hi, Y_Lo, Y_Hi, then the door's
    // number) and, by their unperturbed extent doubled, a hierarchy of them,
    // kept when a cell lies under many doors.
    struct cDoor_Box {
        cSym X_Lo, X_Hi, Y_Lo, Y_Hi;
        int Door;
    };
    std::vector<cDoor_Box> Door_Boxes;
    cBox_Tree Door_Locator;
};

}  // namespace bsp_levels

#endif
