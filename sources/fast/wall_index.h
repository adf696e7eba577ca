// Every wall of a level by line, for testing grid points: on each
// horizontal line y (each vertical line x) the stretches of x (of y) that
// walls cover, merged and in order.
#ifndef FAST_WALL_INDEX_H
#define FAST_WALL_INDEX_H

#include <cstddef>
#include <utility>
#include <vector>

#include "geo_utils.h"
#include "hv_wall.h"

namespace bsp_levels {

class cWall_Index {
public:
    void Build(const std::vector<cHV_Wall>& walls, const cRect2D& world);
    // Whether a wall contains p.
    bool Contains(const cPoint2D& p) const { return Horizontal.Covers(p.y, p.x) || Vertical.Covers(p.x, p.y); }
    std::size_t Footprint() const { return Horizontal.Footprint() + Vertical.Footprint(); }

private:
    // The walls of one orientation, line by line.
    struct cLines {
        std::vector<int> Line;   // the coordinates of the lines that hold walls, in order
        std::vector<int> First;  // Line[i]'s stretches: Stretch[First[i]] .. Stretch[First[i + 1] - 1]
        std::vector<std::pair<int, int>> Stretch;
        // Where the world is narrow enough, Slot[c - Origin] is the index in
        // Line of the line at c, or -1; elsewhere Line is searched.
        int Origin = 0;
        std::vector<int> Slot;

        // walls: (line, (from, to)) pairs.
        void Build(std::vector<std::pair<int, std::pair<int, int>>>& walls, int lo, int hi);
        bool Covers(int c, int v) const;
        std::size_t Footprint() const;
    };
    cLines Horizontal, Vertical;
};

// The doors of a level by line, each stretch with its door, for asking
// whether a closed door contains a grid point.
class cDoor_Lines {
public:
    void Build(const std::vector<cHV_Wall>& doors);
    bool Empty() const { return Entry.empty(); }
    // Whether a door that open (1 = open, by door) marks closed contains p.
    bool Closed_At(const cPoint2D& p, const unsigned char* open) const;
    std::size_t Footprint() const { return Entry.capacity() * sizeof(cEntry); }

private:
    struct cEntry {
        bool Horizontal;
        int Line, Lo, Hi, Door;
    };
    // By orientation, line and Lo.
    std::vector<cEntry> Entry;
};

}  // namespace bsp_levels

#endif
