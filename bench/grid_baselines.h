// The grid searches a tile-game developer would use instead of the library,
// run by the benchmarks on the same grid maps as the library's route query:
//
// - cOctile_Astar: a tuned 8-connected A* (binary heap, octile estimate,
//   ties broken toward the larger cost so far, the allowed steps of every
//   cell precomputed, search state kept from query to query and told apart
//   by a stamp);
// - cJump_Point_Search: jump point search (Harabor and Grastien 2011) with
//   the no-corner-cutting rules, its straight jumps scanning 64 cells at a
//   time in bit rows (and bit columns for the vertical ones).
//
// Both search the cells of a grid map (cGrid_Map's blocked cells): a step
// goes to one of the 8 neighbours, a diagonal step only where both cells it
// passes beside are free (no corner cutting, the rule of the published
// scenario lengths). A straight step costs 1, a diagonal one sqrt(2); the
// length of a route is between cell centres. Neither allocates during a
// query once its open list has grown to the query's size.
//
// Both take from the open list exactly in the order of (F, larger G), with
// one shortcut: of the successors of the cell just expanded, the one with
// the same F and the largest G comes first of everything on the list (F never
// drops along an edge, and the list holds nothing of that F with a larger
// G), so it is expanded next without passing through the heap.
#ifndef BENCH_GRID_BASELINES_H
#define BENCH_GRID_BASELINES_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "grid_import.h"

namespace grid_baselines {

struct cCell {
    int X = 0, Y = 0;

    bool operator==(const cCell& o) const { return X == o.X && Y == o.Y; }
    bool operator!=(const cCell& o) const { return !(*this == o); }
};

// A route's cost: its straight steps and its diagonal ones. Every length is
// straight + sqrt(2) * diagonal, computed from the two counts in one way, so
// equal costs give equal doubles and the two searches equal lengths; and as
// sqrt(2) is irrational, two different pairs of counts below a million never
// come within the rounding of each other.
struct cCost {
    std::int32_t Straight = 0, Diagonal = 0;

    double Value() const;
};

// The open list of both searches: a binary heap of cells keyed by (F, G),
// smaller F first and among equal F the larger G. A cell whose cost drops is
// pushed again; the searches skip the older entry when it comes up.
class cOpen_Heap {
public:
    struct cEntry {
        double F;
        float G;  // breaks ties only
        std::int32_t Cell;
    };

    void Clear() { Heap.clear(); }
    bool Empty() const { return Heap.empty(); }
    void Push(const cEntry& e);
    // Takes the first entry out.
    cEntry Pop();

    static bool Before(const cEntry& a, const cEntry& b) { return a.F < b.F || (a.F == b.F && a.G > b.G); }

private:
    std::vector<cEntry> Heap;
};

// What both searches keep per cell, together so that a look at a cell is one
// memory access.
struct cSearch_Node {
    std::uint32_t Mark = 0;  // Stamp when reached by this query, Stamp + 1 when closed
    std::int32_t Parent = -1;
    cCost G;
};

// The cells of a grid map with a border of blocked cells around them, one
// byte per cell, row after row (Stride bytes per row).
class cPadded_Grid {
public:
    explicit cPadded_Grid(const bsp_levels::cGrid_Map& map);

    int Width = 0, Height = 0, Stride = 0;
    std::vector<unsigned char> Free;  // 1 for a free cell

    int Index(int x, int y) const { return (y + 1) * Stride + (x + 1); }
    int X_Of(int index) const { return index % Stride - 1; }
    int Y_Of(int index) const { return index / Stride - 1; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
    bool Is_Free(int x, int y) const { return Free[std::size_t(Index(x, y))] != 0; }
};

// The octile distance between two cells: the cost of a shortest route on
// the empty grid.
cCost Octile(int dx, int dy);

class cOctile_Astar {
public:
    explicit cOctile_Astar(const bsp_levels::cGrid_Map& map);

    // The length of a shortest route from start to goal, or -1 when none
    // joins them or either is blocked or outside the map. When path is given
    // it receives the route's cells from start to goal (empty with -1).
    double Find(cCell start, cCell goal, std::vector<cCell>* path = nullptr);
    // Cells expanded by the last query.
    int Expanded() const { return N_Expanded; }

private:
    cPadded_Grid Grid;
    int Offset[8];                    // index steps: E, W, S, N, then SE, SW, NE, NW
    std::vector<unsigned char> Moves;  // by cell: bit d set when step d is allowed
    std::vector<cSearch_Node> Node;
    std::uint32_t Stamp = 0;
    cOpen_Heap Open;
    int N_Expanded = 0;
};

class cJump_Point_Search {
public:
    explicit cJump_Point_Search(const bsp_levels::cGrid_Map& map);

    // As cOctile_Astar::Find; path receives the jump points from start to
    // goal (consecutive points lie on one row, column or diagonal).
    double Find(cCell start, cCell goal, std::vector<cCell>* path = nullptr);
    // Jump points expanded by the last query.
    int Expanded() const { return N_Expanded; }

private:
    // Lines of bits (1 = free cell) with blocked lines and positions around
    // them, read 64 positions at a time from any position.
    class cBit_Lines {
    public:
        void Reset(int lines, int length);
        void Set(int line, int position);
        // The bits of positions p .. p + 63 of the line, p in bit 0.
        std::uint64_t Read(int line, int p) const;
        // The first position at or after p (before, when backward) that is
        // blocked or where a free cell of a neighbouring line follows a
        // blocked one in the direction of travel; a jump along the line stops
        // there. Returns that position; blocked says which of the two.
        int Scan_Forward(int line, int p, bool& blocked) const;
        int Scan_Backward(int line, int p, bool& blocked) const;

    private:
        const std::uint64_t* Line(int line) const { return &Bits[std::size_t(line + 1) * std::size_t(Words)]; }
        int Words = 0;  // per line
        std::vector<std::uint64_t> Bits;
    };

    // The jump from (x, y) along a row (dy == 0) or a column (dx == 0): the
    // distance to the jump point it reaches, or 0 when it reaches none.
    int Jump_Straight(int x, int y, int dx, int dy) const;
    // The jump from (x, y) along a diagonal: its number of diagonal steps, or
    // 0 when it reaches no jump point.
    int Jump_Diagonal(int x, int y, int dx, int dy) const;

    cPadded_Grid Grid;
    cBit_Lines Rows, Columns;  // Rows: line y, position x; Columns: line x, position y
    cCell Goal;
    std::vector<cSearch_Node> Node;
    std::vector<signed char> Direction;  // the step (dx, dy) that reached the cell, as (dx+1)*3+(dy+1)
    std::uint32_t Stamp = 0;
    cOpen_Heap Open;
    int N_Expanded = 0;
};

}  // namespace grid_baselines

#endif
