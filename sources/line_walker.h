// Integer line walker (Bresenham): visits the grid points of a segment one
// after the other, each step changing each coordinate by at most one.
#ifndef LINE_WALKER_H
#define LINE_WALKER_H

#include <cstdint>

#include "geo_utils.h"

namespace bsp_levels {

class cLine_Walker {
public:
    cPoint2D start;
    cPoint2D end;
    int dx = 0, dy = 0;          // end minus start
    int adx = 0, ady = 0;        // their absolute values
    int two_adx = 0, two_ady = 0;
    int err = 0;                 // error term of the minor axis
    int sx = 1, sy = 1;          // step directions, +1 or -1
    cPoint2D current;            // the last point reached

    // Begins a walk from A to B; current is A.
    void Start(const cPoint2D& A, const cPoint2D& B);
    // Advances one grid point, writes it to out and tells whether the end has
    // been reached (or passed) on both axes.
    bool Next(cPoint2D& out);

    // The walk in closed form, for jumping ahead: the walk from start takes
    // Steps() steps (the longer extent, y's when they are equal) and its k-th
    // point (k from 0, the start, to Steps(), the end) is Point(k).
    int Steps() const { return adx > ady ? adx : ady; }
    cPoint2D Point(std::int64_t k) const;
    // The first step k >= from at which the walk has moved |n| or more units
    // along its minor axis; a step beyond Steps() when it never does.
    std::int64_t First_Minor_Step(std::int64_t n, std::int64_t from) const;

private:
    std::int64_t Minor_Steps(std::int64_t k) const;
};

}  // namespace bsp_levels

#endif
