#include "line_walker.h"

#include <cstdlib>

namespace bsp_levels {

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

namespace {

// Division rounding toward minus and plus infinity, for a positive divisor.
std::int64_t Floor_Div(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
std::int64_t Ceil_Div(std::int64_t a, std::int64_t b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); }

}  // namespace

// Along the major axis every step moves one unit. Along the minor axis the
// error term e_k = e_0 + k * 2 minor - 2 major * m_k (m_k the minor moves in
// the first k steps) gives a move at step k + 1 exactly when it is not
// negative, hence m_k = floor((e_0 + 2 minor (k - 1)) / (2 major)) + 1.
std::int64_t cLine_Walker::Minor_Steps(std::int64_t k) const {
    if (k <= 0) return 0;
    const bool x_major = adx > ady;
    const std::int64_t major = x_major ? adx : ady, minor = x_major ? ady : adx;
    const std::int64_t e0 = 2 * minor - major;
    return Floor_Div(e0 + 2 * minor * (k - 1), 2 * major) + 1;
}

cPoint2D cLine_Walker::Point(std::int64_t k) const {
    const std::int64_t m = Minor_Steps(k);
    if (adx > ady) return cPoint2D(int(start.x + sx * k), int(start.y + sy * m));
    return cPoint2D(int(start.x + sx * m), int(start.y + sy * k));
}

std::int64_t cLine_Walker::First_Minor_Step(std::int64_t n, std::int64_t from) const {
    if (n <= 0) return from;
    const bool x_major = adx > ady;
    const std::int64_t major = x_major ? adx : ady, minor = x_major ? ady : adx;
    if (minor == 0) return std::int64_t(Steps()) + 1;
    const std::int64_t e0 = 2 * minor - major;
    // m_k >= n  <=>  e_0 + 2 minor (k - 1) >= 2 major (n - 1)
    const std::int64_t k = 1 + Ceil_Div(2 * major * (n - 1) - e0, 2 * minor);
    return k > from ? k : from;
}

}  // namespace bsp_levels
