// Coordinates of a world perturbed by a vanishing amount ε > 0. Every wall
// is thickened (for an agent of half-size 0) or the agent's grown walls are
// thinned (half-size h > 0) by ε, which turns every passage the agent may
// just squeeze through into a passage of positive width, and every touch it
// may not pass into an overlap. A coordinate is V + K·ε; comparisons and
// orientations are exact, ordered first by the value and then by ε.
#ifndef ROUTE_SYMBOLIC_H
#define ROUTE_SYMBOLIC_H

#include <cmath>
#include <cstdint>

namespace bsp_levels {

// Values stay within the world's coordinates (COORD_LIMIT), so V fits 32
// bits and differences of two values do too.
struct cSym {
    std::int32_t V = 0;
    std::int32_t K = 0;

    cSym() = default;
    cSym(std::int64_t v, int k) : V(std::int32_t(v)), K(k) {}

    bool operator<(const cSym& o) const { return V != o.V ? V < o.V : K < o.K; }
    bool operator>(const cSym& o) const { return o < *this; }
    bool operator<=(const cSym& o) const { return !(o < *this); }
    bool operator>=(const cSym& o) const { return !(*this < o); }
    bool operator==(const cSym& o) const { return V == o.V && K == o.K; }
    bool operator!=(const cSym& o) const { return !(*this == o); }
};

struct cSym_Point {
    cSym X, Y;
};

// The sign of the cross product (b - a) x (c - a): positive when c lies to
// the left of the line from a to b (y growing upward), as ε goes to 0.
inline int Orientation(const cSym_Point& a, const cSym_Point& b, const cSym_Point& c) {
    const std::int64_t ux = std::int64_t(b.X.V) - a.X.V, uy = std::int64_t(b.Y.V) - a.Y.V;
    const std::int64_t vx = std::int64_t(c.X.V) - a.X.V, vy = std::int64_t(c.Y.V) - a.Y.V;
    const std::int64_t kux = b.X.K - a.X.K, kuy = b.Y.K - a.Y.K, kvx = c.X.K - a.X.K, kvy = c.Y.K - a.Y.K;
    const std::int64_t c0 = ux * vy - uy * vx;
    if (c0 != 0) return c0 > 0 ? 1 : -1;
    const std::int64_t c1 = ux * kvy + kux * vy - uy * kvx - kuy * vx;
    if (c1 != 0) return c1 > 0 ? 1 : -1;
    const std::int64_t c2 = kux * kvy - kuy * kvx;
    return c2 > 0 ? 1 : c2 < 0 ? -1 : 0;
}

// Distance between the points the two perturbed points tend to.
inline double Limit_Distance(const cSym_Point& a, const cSym_Point& b) {
    const std::int64_t dx = std::int64_t(a.X.V) - b.X.V, dy = std::int64_t(a.Y.V) - b.Y.V;
    return std::sqrt(double(dx * dx + dy * dy));
}

// The rate at which the distance between the two perturbed points grows
// with ε, at ε = 0: of two routes equally long once the perturbation
// vanishes, the one whose length grows slower is the shorter.
inline double Epsilon_Rate(const cSym_Point& a, const cSym_Point& b) {
    const double dx = double(std::int64_t(b.X.V) - a.X.V), dy = double(std::int64_t(b.Y.V) - a.Y.V);
    const double kx = double(b.X.K - a.X.K), ky = double(b.Y.K - a.Y.K);
    if (dx == 0 && dy == 0) return std::sqrt(kx * kx + ky * ky);
    return (dx * kx + dy * ky) / std::sqrt(dx * dx + dy * dy);
}

}  // namespace bsp_levels

#endif
