// Grid maps to levels: reads a grid map in the text format of the common
// pathfinding benchmarks, traces the borders between blocked and free cells
// into horizontal and vertical walls and chooses the order in which the walls
// are written (the first wall becomes the root of the level's tree, so the
// order decides the tree's size and depth).
#ifndef GRID_IMPORT_H
#define GRID_IMPORT_H

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "geo_utils.h"

namespace bsp_levels {

// A grid map: height rows of width characters; row 0 is the first row of
// the file. '.', 'G' and 'S' are free cells, any other character is blocked.
struct cGrid_Map {
    int Width = 0;
    int Height = 0;
    std::vector<std::string> Rows;

    bool Is_Blocked(int x, int y) const;
};

// Reads "type ...", "height H", "width W", "map" and H rows of W characters.
// Returns false with a one-line reason in error when the text is not a map,
// and then leaves map empty. The header's height and width are checked
// against the rows the text holds, never trusted for an allocation.
bool Read_Grid_Map(std::istream& in, cGrid_Map& map, std::string& error);

// A wall of the level, end points in increasing order along it.
struct cGrid_Wall {
    int X1, Y1, X2, Y2;

    bool Is_Horizontal() const { return Y1 == Y2; }
    bool operator==(const cGrid_Wall& o) const {
        return X1 == o.X1 && Y1 == o.Y1 && X2 == o.X2 && Y2 == o.Y2;
    }
};

// The borders between a blocked and a free cell, cell (x,y) covering
// [x*cell, (x+1)*cell] x [y*cell, (y+1)*cell]. Neighbouring border pieces on
// one line are merged into one wall. The map's outer edge gives no wall: the
// world rectangle's border already closes the level. Horizontal walls come
// first, line by line from the top, then vertical walls column by column.
std::vector<cGrid_Wall> Trace_Walls(const cGrid_Map& map, int cell);

// The solid points of a grid map: one point per group of blocked cells joined
// through their sides, the centre of the group's first cell in row order
// (cell (x,y) as in Trace_Walls), in the order the groups' first cells come.
// A centre strictly inside a cell needs cell >= 2; with a smaller cell, and
// when no cell is free, there are none.
std::vector<cPoint2D> Solid_Points(const cGrid_Map& map, int cell);

// A box of blocked space [X1,X2] x [Y1,Y2].
struct cBlocked_Box {
    int X1, Y1, X2, Y2;
};

// Blocked space inside the world rectangle (0,0)-(Width,Height): the union of
// boxes at any coordinates, which may overlap and may reach past the world
// (only their part inside counts), and walls given as they are.
struct cBlocked_Space {
    int Width = 0;
    int Height = 0;
    std::vector<cBlocked_Box> Boxes;
    std::vector<cGrid_Wall> Walls;  // inside the world, end points in increasing order
};

// The space is cut into cells by the lines through every distinct x and y of
// the world's corners, the boxes and the given walls: the number of cells.
std::int64_t Compressed_Cells(const cBlocked_Space& space);

// The borders between blocked and free cells merged into walls as for a grid
// map (the world's border gives none; horizontal walls line by line from the
// top, then vertical walls column by column), followed by the given walls.
std::vector<cGrid_Wall> Trace_Walls(const cBlocked_Space& space);

// One point per group of blocked cells joined through their sides, in a cell
// of the group at least 2 units wide and high (the first such cell in row
// order), as near its centre as whole numbers go: strictly inside blocked
// space and on no wall, the given walls included (their lines are cell
// borders). A group without such a cell gets no point; a space without free
// cells gets none at all.
std::vector<cPoint2D> Solid_Points(const cBlocked_Space& space);

// The orders in which import-grid can write the walls.
enum class cWall_Order {
    SCAN,      // as traced
    LONGEST,   // longest first, ties in traced order
    BALANCED,  // region by region, the line that best halves the region's walls
};

// Parses "scan", "longest" or "balanced".
bool Parse_Wall_Order(const std::string& name, cWall_Order& order);

// The walls in the given order (a permutation of walls).
std::vector<cGrid_Wall> Order_Walls(const std::vector<cGrid_Wall>& walls, cWall_Order order);

// Writes the level: the area item [width, height], the walls in order and,
// when solid is given, a <SOLID> section with its points. A level without
// walls has no <WALLS> section, and one without solid points no <SOLID>
// section (the loader wants an item after every tag line).
void Write_Level(std::ostream& out, int width, int height, const std::vector<cGrid_Wall>& walls,
                 const std::vector<cPoint2D>* solid = nullptr);

}  // namespace bsp_levels

#endif
