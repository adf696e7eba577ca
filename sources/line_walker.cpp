#include "line_walker.h"

#include <cstdlib>

void cLine_Walker::Start(const cPoint2D& A, const cPoint2D& B) {
    start = A;
    end = B;
    current = A;
    dx = B.x - A.x;
    dy = B.y - A.y;
    sx = dx < 0 ? -1 : 1;
    sy = dy < 0 ? -1 : 1;
    adx = std::abs(dx);
    ady = std::abs(dy);
    two_adx = 2 * adx;
    two_ady = 2 * ady;
    err = adx > ady ? two_ady - adx : two_adx - ady;
}

bool cLine_Walker::Next(cPoint2D& out) {
    if (adx > ady) {  // x is the major axis
        if (err >= 0) {
            err -= two_adx;
            current.y += sy;
        }
        err += two_ady;
        current.x += sx;
    } else {  // y is the major axis (also when both extents are equal)
        if (err >= 0) {
            err -= two_ady;
            current.x += sx;
        }
        err += two_adx;
        current.y += sy;
    }
    const bool done_x = dx >= 0 ? current.x >= end.x : current.x <= end.x;
    const bool done_y = dy >= 0 ? current.y >= end.y : current.y <= end.y;
    out = current;
    return done_x && done_y;
}
