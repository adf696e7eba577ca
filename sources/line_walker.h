// Integer line walker (Bresenham): visits the grid points of a segment one
// after the other, each step changing each coordinate by at most one.
#ifndef LINE_WALKER_H
#define LINE_WALKER_H

#include "geo_utils.h"

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
};

#endif
