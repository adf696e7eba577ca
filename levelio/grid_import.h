// Grid maps to levels: reads a grid map in the text format of the common
// pathfinding benchmarks, traces the borders between blocked and free cells
// into horizontal and vertical walls and chooses the order in which the walls
// are written (the first wall becomes the root of the level's tree, so the
// order decides the tree's size and depth).
#ifndef GRID_IMPORT_H
#define GRID_IMPORT_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

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

// Writes the level: the area item [width, height] and the walls in order.
// A level without walls has no <WALLS> section (the loader wants an item
// after every tag line).
void Write_Level(std::ostream& out, int width, int height, const std::vector<cGrid_Wall>& walls);

#endif
