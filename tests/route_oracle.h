// Shortest routes of a square agent among horizontal and vertical walls,
// found by brute force, and a check of any route against the same rules. The
// tests hold the library's route queries against these, so they see nothing
// of the library but its value types: the world rectangle and the walls.
//
// The agent is an axis-aligned square of half-size h (h >= 0) centred on the
// route; the world's border counts as four walls.
//
// - h > 0: the centre never enters the open rectangle
//   (x1-h, x2+h) x (y1-h, y2+h) of a wall (x1 <= x2, y1 <= y2 its ends) and
//   stays within the closed world shrunk by h. A route may run along the
//   outline of a grown wall, through a channel of zero width where two grown
//   walls touch and through a point where they touch at corners.
// - h = 0: a route may touch walls and run along them but never passes from
//   one side of a wall to the other. Each wall becomes the open rectangle
//   (x1-e, x2+e) x (y1-e, y2+e) for a positive e smaller than anything the
//   level can tell apart, the centre stays within the closed world, and a
//   length is the limit of the lengths as e goes to 0. A point on a wall is
//   never blocked: a route starting there leaves it to whichever side it
//   likes.
//
// Coordinates of the form a + b*e are kept as the pair (a, b) and compared
// as e goes to 0, so both cases are one exact integer computation (the
// world border stays closed and unshrunk for h = 0, which gives the same
// routes as four thickened walls in any world of positive width and height;
// in a world of zero width or height the agent moves along the world's line,
// and a wall on that line stops it).
// Floating point only sums lengths and orders the search by them.
//
// The shortest route among open rectangles bends only at their corners, so
// the search runs A* over the corners, the start and the goal, with an
// edge wherever the segment between two of them meets no rectangle (exact
// clipping of the segment's parameter). The route check walks the route
// instead: it splits every step at the wall ends lying on it and carries,
// from point to point, which of the nine places within e of the point (the
// point, or the point moved by e along x, y or both) the agent can stand on,
// testing each move with separating axes. The two use different tests of a
// segment against a rectangle and different graphs, so they check each other.
// For h = 0 the route check comes to the same as the rule of sides: no step
// crosses the inside of a wall, and along every stretch where the route
// touches walls the walls leave it on one side only (a stretch may run across
// turning points; the route's two ends bind nothing). A route that turns
// straight back along a wall may keep the wall on the same side both ways.
//
// Coordinates are expected within COORD_LIMIT, so squared lengths fit in 64
// bits; products of the geometric tests are taken in 128 bits.
#ifndef ROUTE_ORACLE_H
#define ROUTE_ORACLE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "geo_utils.h"
#include "hv_wall.h"

using namespace bsp_levels;

enum cOracle_Status { ORACLE_FOUND, ORACLE_NO_ROUTE, ORACLE_START_BLOCKED, ORACLE_GOAL_BLOCKED, ORACLE_OUTSIDE };

struct cOracle_Answer {
    cOracle_Status Status = ORACLE_NO_ROUTE;
    double Length = 0.0;
    // Start first, goal last (at least these two points; equal points when
    // start and goal are one), without repeated points in between. Empty
    // unless the status is ORACLE_FOUND.
    std::vector<cPoint2D> Route;
};

// ------------------------------------------------------------ exact values

__extension__ typedef __int128 cOracle_Wide;

// The value Base + Eps*e for a positive e smaller than any quantity of the
// level.
struct cEps_Value {
    std::int64_t Base = 0;
    std::int64_t Eps = 0;
};

inline cEps_Value operator+(const cEps_Value& a, const cEps_Value& b) { return {a.Base + b.Base, a.Eps + b.Eps}; }
inline cEps_Value operator-(const cEps_Value& a, const cEps_Value& b) { return {a.Base - b.Base, a.Eps - b.Eps}; }
inline cEps_Value operator-(const cEps_Value& a) { return {-a.Base, -a.Eps}; }

inline int Sign(const cEps_Value& v) {
    if (v.Base != 0) return v.Base > 0 ? 1 : -1;
    return (v.Eps > 0) - (v.Eps < 0);
}

inline bool operator<(const cEps_Value& a, const cEps_Value& b) { return Sign(a - b) < 0; }
inline bool operator<=(const cEps_Value& a, const cEps_Value& b) { return Sign(a - b) <= 0; }
inline bool operator==(const cEps_Value& a, const cEps_Value& b) { return a.Base == b.Base && a.Eps == b.Eps; }
inline const cEps_Value& Min_Of(const cEps_Value& a, const cEps_Value& b) { return b < a ? b : a; }
inline const cEps_Value& Max_Of(const cEps_Value& a, const cEps_Value& b) { return a < b ? b : a; }

// C0 + C1*e + C2*e^2: a product of two values, or a difference of products.
struct cEps_Square {
    cOracle_Wide C0 = 0;
    cOracle_Wide C1 = 0;
    cOracle_Wide C2 = 0;
};

inline cEps_Square Product(const cEps_Value& a, const cEps_Value& b) {
    return {cOracle_Wide(a.Base) * b.Base, cOracle_Wide(a.Base) * b.Eps + cOracle_Wide(a.Eps) * b.Base,
            cOracle_Wide(a.Eps) * b.Eps};
}

inline cEps_Square operator-(const cEps_Square& a, const cEps_Square& b) {
    return {a.C0 - b.C0, a.C1 - b.C1, a.C2 - b.C2};
}

inline int Sign(const cEps_Square& v) {
    if (v.C0 != 0) return v.C0 > 0 ? 1 : -1;
    if (v.C1 != 0) return v.C1 > 0 ? 1 : -1;
    return (v.C2 > 0) - (v.C2 < 0);
}

struct cEps_Point {
    cEps_Value X;
    cEps_Value Y;
};

inline bool operator==(const cEps_Point& a, const cEps_Point& b) { return a.X == b.X && a.Y == b.Y; }

// p moved by (dx*e, dy*e).
inline cEps_Point Eps_Point(const cPoint2D& p, int dx = 0, int dy = 0) {
    return {{p.x, dx}, {p.y, dy}};
}

// The nine places within e of a point, the point itself first.
constexpr int ORACLE_OFFSETS[9][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

// An open rectangle the agent's centre may not enter: a wall grown by h, or
// by e when h = 0. It is never empty.
struct cOracle_Box {
    cEps_Value Min_X, Min_Y, Max_X, Max_Y;
};

inline bool Box_Contains(const cOracle_Box& b, const cEps_Point& p) {
    return b.Min_X < p.X && p.X < b.Max_X && b.Min_Y < p.Y && p.Y < b.Max_Y;
}

// Num / Den with Den > 0.
struct cEps_Fraction {
    cEps_Value Num;
    cEps_Value Den;
};

inline bool Less(const cEps_Fraction& a, const cEps_Fraction& b) {
    return Sign(Product(a.Num, b.Den) - Product(b.Num, a.Den)) < 0;
}

// Whether the closed segment pq meets the open box, by clipping: the
// parameters t in [0, 1] of p + t(q - p) inside the box form, per axis along
// which the segment moves, an open interval; per axis along which it does not
// move, everything or nothing.
inline bool Sight_Meets_Box(const cEps_Point& p, const cEps_Point& q, const cOracle_Box& box) {
    const cEps_Value from[2] = {p.X, p.Y};
    const cEps_Value delta[2] = {q.X - p.X, q.Y - p.Y};
    const cEps_Value lo[2] = {box.Min_X, box.Min_Y};
    const cEps_Value hi[2] = {box.Max_X, box.Max_Y};
    cEps_Fraction lower[2], upper[2];
    int n = 0;
    for (int axis = 0; axis < 2; ++axis) {
        const int s = Sign(delta[axis]);
        if (s == 0) {
            if (!(lo[axis] < from[axis] && from[axis] < hi[axis])) return false;
            continue;
        }
        if (s > 0) {
            lower[n] = {lo[axis] - from[axis], delta[axis]};
            upper[n] = {hi[axis] - from[axis], delta[axis]};
        } else {
            lower[n] = {from[axis] - hi[axis], -delta[axis]};
            upper[n] = {from[axis] - lo[axis], -delta[axis]};
        }
        ++n;
    }
    const cEps_Fraction zero{{0, 0}, {1, 0}}, one{{1, 0}, {1, 0}};
    for (int i = 0; i < n; ++i) {
        if (!Less(lower[i], one) || !Less(zero, upper[i])) return false;
        for (int j = 0; j < n; ++j)
            if (!Less(lower[i], upper[j])) return false;
    }
    return true;
}

// Whether the closed segment pq meets the open box, by separating axes: they
// are apart exactly when the segment's closed extent misses the box's open
// extent along x or along y, or the box lies on one closed side of the
// segment's line.
inline bool Step_Meets_Box(const cEps_Point& p, const cEps_Point& q, const cOracle_Box& box) {
    if (Max_Of(p.X, q.X) <= box.Min_X || box.Max_X <= Min_Of(p.X, q.X)) return false;
    if (Max_Of(p.Y, q.Y) <= box.Min_Y || box.Max_Y <= Min_Of(p.Y, q.Y)) return false;
    if (p == q) return true;
    const cEps_Value dx = q.X - p.X, dy = q.Y - p.Y;
    const cEps_Value xs[2] = {box.Min_X, box.Max_X}, ys[2] = {box.Min_Y, box.Max_Y};
    bool left = false, right = false;
    for (const cEps_Value& x : xs)
        for (const cEps_Value& y : ys) {
            const int s = Sign(Product(dx, y - p.Y) - Product(dy, x - p.X));
            left = left || s > 0;
            right = right || s < 0;
        }
    return left && right;
}

// ------------------------------------------------------------ the level

// The world and the walls as the agent's centre sees them.
class cOracle_Level {
public:
    cOracle_Level(const cRect2D& world, const std::vector<cHV_Wall>& walls, int half_size)
        : Half_Size(half_size) {
        if (half_size < 0) throw std::invalid_argument("the agent's half-size is negative");
        const std::int64_t h = half_size;
        const std::int64_t e = half_size == 0 ? 1 : 0;
        Min_X = {std::int64_t(std::min(world.Min.x, world.Max.x)) + h, 0};
        Max_X = {std::int64_t(std::max(world.Min.x, world.Max.x)) - h, 0};
        Min_Y = {std::int64_t(std::min(world.Min.y, world.Max.y)) + h, 0};
        Max_Y = {std::int64_t(std::max(world.Min.y, world.Max.y)) - h, 0};
        for (const cHV_Wall& w : walls) {
            const std::int64_t x1 = std::min(w.p0.x, w.p1.x), x2 = std::max(w.p0.x, w.p1.x);
            const std::int64_t y1 = std::min(w.p0.y, w.p1.y), y2 = std::max(w.p0.y, w.p1.y);
            Boxes.push_back({{x1 - h, -e}, {y1 - h, -e}, {x2 + h, e}, {y2 + h, e}});
        }
    }

    // Within the closed world (shrunk by h).
    bool In_World(const cEps_Point& p) const {
        return Min_X <= p.X && p.X <= Max_X && Min_Y <= p.Y && p.Y <= Max_Y;
    }
    // The index of the first box holding p, or -1.
    int Box_Holding(const cEps_Point& p) const {
        for (size_t i = 0; i < Boxes.size(); ++i)
            if (Box_Contains(Boxes[i], p)) return int(i);
        return -1;
    }
    bool Is_Free(const cEps_Point& p) const { return In_World(p) && Box_Holding(p) < 0; }

    // The search's test of a sight line between two free points.
    bool Sight_Is_Free(const cEps_Point& p, const cEps_Point& q) const {
        for (const cOracle_Box& b : Boxes)
            if (Sight_Meets_Box(p, q, b)) return false;
        return true;
    }

    // The route check's step rule: both ends within the world, no box met.
    // Answers the index of the first box met, -2 when an end lies outside
    // the world, -1 when the step is free.
    int Step_Blocker(const cEps_Point& p, const cEps_Point& q) const {
        if (!In_World(p) || !In_World(q)) return -2;
        for (size_t i = 0; i < Boxes.size(); ++i)
            if (Step_Meets_Box(p, q, Boxes[i])) return int(i);
        return -1;
    }
    bool Step_Is_Free(const cEps_Point& p, const cEps_Point& q) const { return Step_Blocker(p, q) == -1; }

    int Half_Size;
    cEps_Value Min_X, Min_Y, Max_X, Max_Y;  // where the centre may be, closed
    std::vector<cOracle_Box> Boxes;         // one per wall, in the walls' order
};

inline bool Oracle_In_Rect(const cRect2D& world, const cPoint2D& p) {
    return std::min(world.Min.x, world.Max.x) <= p.x && p.x <= std::max(world.Min.x, world.Max.x) &&
           std::min(world.Min.y, world.Max.y) <= p.y && p.y <= std::max(world.Min.y, world.Max.y);
}

inline double Oracle_Route_Length(const std::vector<cPoint2D>& route) {
    double length = 0.0;
    for (size_t i = 1; i < route.size(); ++i) length += std::sqrt(double(Square_Distance(route[i - 1], route[i])));
    return length;
}

inline std::string Oracle_Text(const cPoint2D& p) {
    std::ostringstream out;
    out << "(" << p.x << "," << p.y << ")";
    return out.str();
}

// ------------------------------------------------------------ the search

inline cOracle_Answer Oracle_Shortest_Route(const cRect2D& world, const std::vector<cHV_Wall>& walls,
                                            const cPoint2D& start, const cPoint2D& goal, int half_size) {
    cOracle_Answer answer;
    if (!Oracle_In_Rect(world, start) || !Oracle_In_Rect(world, goal)) {
        answer.Status = ORACLE_OUTSIDE;
        return answer;
    }
    const cOracle_Level level(world, walls, half_size);
    if (half_size > 0 && !level.Is_Free(Eps_Point(start))) {
        answer.Status = ORACLE_START_BLOCKED;
        return answer;
    }
    if (half_size > 0 && !level.Is_Free(Eps_Point(goal))) {
        answer.Status = ORACLE_GOAL_BLOCKED;
        return answer;
    }
    if (start == goal) {
        answer.Status = ORACLE_FOUND;
        answer.Route = {start, goal};
        return answer;
    }

    // Nodes: the places the route may leave from (the start, or when it lies
    // on a wall the free places within e of it), the free corners of the
    // boxes, and the places it may arrive at.
    std::vector<cEps_Point> nodes;
    std::vector<cPoint2D> base;
    std::vector<char> is_source, is_target;
    std::set<std::array<std::int64_t, 4>> corners_seen;
    auto add_node = [&](const cEps_Point& p, const cPoint2D& at, bool source, bool target) {
        nodes.push_back(p);
        base.push_back(at);
        is_source.push_back(source);
        is_target.push_back(target);
    };
    auto add_end = [&](const cPoint2D& p, bool source) {
        if (level.Is_Free(Eps_Point(p))) {
            add_node(Eps_Point(p), p, source, !source);
            return;
        }
        for (int k = 1; k < 9; ++k) {  // only for h = 0: p lies on a wall
            const cEps_Point q = Eps_Point(p, ORACLE_OFFSETS[k][0], ORACLE_OFFSETS[k][1]);
            if (level.Is_Free(q)) add_node(q, p, source, !source);
        }
    };
    add_end(start, true);
    add_end(goal, false);
    for (const cOracle_Box& b : level.Boxes) {
        const cEps_Value xs[2] = {b.Min_X, b.Max_X}, ys[2] = {b.Min_Y, b.Max_Y};
        for (const cEps_Value& x : xs)
            for (const cEps_Value& y : ys) {
                const cEps_Point c{x, y};
                if (!level.Is_Free(c) || !corners_seen.insert({x.Base, x.Eps, y.Base, y.Eps}).second) continue;
                add_node(c, cPoint2D(int(x.Base), int(y.Base)), false, false);
            }
    }

    // A* from every source at once, over the complete graph of sight lines,
    // each tested only when it would shorten a distance; the straight
    // distance to the goal never overestimates what is left.
    const size_t n = nodes.size();
    const double infinity = std::numeric_limits<double>::infinity();
    std::vector<double> dist(n, infinity), rest(n);
    std::vector<int> previous(n, -1);
    std::vector<char> settled(n, 0);
    for (size_t i = 0; i < n; ++i) {
        if (is_source[i]) dist[i] = 0.0;
        rest[i] = std::sqrt(double(Square_Distance(base[i], goal)));
    }
    int reached = -1;
    for (;;) {
        int u = -1;
        for (size_t i = 0; i < n; ++i)
            if (!settled[i] && dist[i] < infinity && (u < 0 || dist[i] + rest[i] < dist[u] + rest[u])) u = int(i);
        if (u < 0) break;
        settled[u] = 1;
        if (is_target[u]) {
            reached = u;
            break;
        }
        for (size_t v = 0; v < n; ++v) {
            if (settled[v]) continue;
            const double d = dist[u] + std::sqrt(double(Square_Distance(base[u], base[v])));
            if (d < dist[v] && level.Sight_Is_Free(nodes[u], nodes[v])) {
                dist[v] = d;
                previous[v] = u;
            }
        }
    }
    if (reached < 0) {
        answer.Status = ORACLE_NO_ROUTE;
        return answer;
    }
    std::vector<cPoint2D> backwards;
    for (int i = reached; i >= 0; i = previous[i])
        if (backwards.empty() || backwards.back() != base[i]) backwards.push_back(base[i]);
    answer.Status = ORACLE_FOUND;
    answer.Route.assign(backwards.rbegin(), backwards.rend());
    answer.Length = Oracle_Route_Length(answer.Route);
    return answer;
}

// ------------------------------------------------------------ the route check

// Whether the polyline route (start first, goal last) is valid for the agent;
// why says where it fails.
inline bool Oracle_Route_Is_Valid(const cRect2D& world, const std::vector<cHV_Wall>& walls,
                                  const std::vector<cPoint2D>& route, int half_size, std::string* why) {
    if (why != nullptr) why->clear();
    auto fail = [&](const std::string& text) {
        if (why != nullptr) *why = text;
        return false;
    };
    if (route.empty()) return fail("the route is empty");
    for (size_t i = 0; i < route.size(); ++i)
        if (!Oracle_In_Rect(world, route[i]))
            return fail("point " + std::to_string(i) + " " + Oracle_Text(route[i]) + " lies outside the world");
    const cOracle_Level level(world, walls, half_size);
    auto wall_text = [&](int i) {
        const cHV_Wall& w = walls[size_t(i)];
        return "wall " + std::to_string(i) + " " + Oracle_Text(w.p0) + "-" + Oracle_Text(w.p1);
    };

    if (half_size > 0) {
        for (size_t i = 0; i < route.size(); ++i) {
            const cEps_Point p = Eps_Point(route[i]);
            if (!level.In_World(p))
                return fail("point " + std::to_string(i) + " " + Oracle_Text(route[i]) +
                            " lies too near the world's border for the agent");
            const int box = level.Box_Holding(p);
            if (box >= 0)
                return fail("point " + std::to_string(i) + " " + Oracle_Text(route[i]) + " puts the agent on " +
                            wall_text(box));
        }
        for (size_t i = 1; i < route.size(); ++i) {
            const int box = level.Step_Blocker(Eps_Point(route[i - 1]), Eps_Point(route[i]));
            if (box >= 0)
                return fail("step " + std::to_string(i) + " from " + Oracle_Text(route[i - 1]) + " to " +
                            Oracle_Text(route[i]) + " runs the agent into " + wall_text(box));
        }
        return true;
    }

    // h = 0. The agent stands on one of the nine places within e of each
    // point; a place is reachable when some free move leads there from a
    // reachable place of the point before, and moves within one point go
    // round it. Every step is cut at the wall ends lying inside it, where the
    // agent may have to change place, so that between two stops it only
    // slides along.
    std::vector<cPoint2D> ends;
    for (const cHV_Wall& w : walls) {
        ends.push_back(w.p0);
        ends.push_back(w.p1);
    }
    typedef std::array<bool, 9> cPlaces;
    auto free_places = [&](const cPoint2D& p) {
        cPlaces places;
        for (int k = 0; k < 9; ++k)
            places[size_t(k)] = level.Is_Free(Eps_Point(p, ORACLE_OFFSETS[k][0], ORACLE_OFFSETS[k][1]));
        return places;
    };
    auto place = [](const cPoint2D& p, int k) { return Eps_Point(p, ORACLE_OFFSETS[k][0], ORACLE_OFFSETS[k][1]); };
    auto go_round = [&](const cPoint2D& p, cPlaces& reach, const cPlaces& free) {
        for (bool grew = true; grew;) {
            grew = false;
            for (int a = 0; a < 9; ++a) {
                if (!reach[size_t(a)]) continue;
                for (int b = 0; b < 9; ++b)
                    if (!reach[size_t(b)] && free[size_t(b)] && level.Step_Is_Free(place(p, a), place(p, b))) {
                        reach[size_t(b)] = true;
                        grew = true;
                    }
            }
        }
    };
    cPoint2D at = route[0];
    cPlaces reach = free_places(at);  // a start on a wall may leave to any side
    for (size_t i = 1; i < route.size(); ++i) {
        const cPoint2D from = route[i - 1], to = route[i];
        if (from == to) continue;
        const std::int64_t dx = std::int64_t(to.x) - from.x, dy = std::int64_t(to.y) - from.y;
        const std::int64_t length2 = dx * dx + dy * dy;
        std::vector<std::pair<std::int64_t, cPoint2D>> stops;  // (progress along the step, point)
        for (const cPoint2D& e : ends) {
            const std::int64_t ex = std::int64_t(e.x) - from.x, ey = std::int64_t(e.y) - from.y;
            const std::int64_t along = ex * dx + ey * dy;
            if (cOracle_Wide(dx) * ey - cOracle_Wide(dy) * ex == 0 && along > 0 && along < length2)
                stops.push_back({along, e});
        }
        std::sort(stops.begin(), stops.end(),
                  [](const std::pair<std::int64_t, cPoint2D>& a, const std::pair<std::int64_t, cPoint2D>& b) {
                      return a.first < b.first;
                  });
        stops.push_back({length2, to});
        for (const auto& stop : stops) {
            const cPoint2D next = stop.second;
            if (next == at) continue;
            const cPlaces free = free_places(next);
            cPlaces next_reach{};
            bool any = false;
            for (int b = 0; b < 9; ++b) {
                if (!free[size_t(b)]) continue;
                for (int a = 0; a < 9 && !next_reach[size_t(b)]; ++a)
                    next_reach[size_t(b)] = reach[size_t(a)] && level.Step_Is_Free(place(at, a), place(next, b));
                any = any || next_reach[size_t(b)];
            }
            if (!any) {
                std::string text = "step " + std::to_string(i) + " from " + Oracle_Text(from) + " to " +
                                   Oracle_Text(to) + " cannot go on from " + Oracle_Text(at);
                if (next != to) text += " past " + Oracle_Text(next);
                return fail(text + " without passing from one side of a wall to the other");
            }
            go_round(next, next_reach, free);
            reach = next_reach;
            at = next;
        }
    }
    return true;
}

// ------------------------------------------------------------ reach, rock and nearest places
//
// What partial routes, nearest places and route fields are held against.
// The agent reaches a point when the sight graph of Oracle_Shortest_Route
// (the start's places and the free corners of the boxes, an edge wherever
// the sight line between two of them meets no box) joins the start to a
// node that sees one of the point's free places: the shortest route to a
// point bends only at corners, so its last step is such a sight line.

// Whether the agent stands at p without meeting a wall: within the world
// and, for a positive half-size, out of every grown wall.
inline bool Oracle_Fits(const cRect2D& world, const cOracle_Level& level, const cPoint2D& p) {
    if (!Oracle_In_Rect(world, p)) return false;
    return level.Half_Size == 0 || level.Is_Free(Eps_Point(p));
}

class cOracle_Reach {
public:
    cOracle_Reach(const cRect2D& world, const std::vector<cHV_Wall>& walls, const cPoint2D& start, int half_size)
        : World(world), Level(world, walls, half_size) {
        if (!Oracle_In_Rect(world, start)) return;
        // The start's places, then the free corners; the first ones reached.
        for (const cEps_Point& q : Places(start)) Nodes.push_back(q);
        const size_t sources = Nodes.size();
        for (const cOracle_Box& b : Level.Boxes) {
            const cEps_Value xs[2] = {b.Min_X, b.Max_X}, ys[2] = {b.Min_Y, b.Max_Y};
            for (const cEps_Value& x : xs)
                for (const cEps_Value& y : ys) {
                    const cEps_Point c{x, y};
                    if (Level.Is_Free(c) && std::find(Nodes.begin(), Nodes.end(), c) == Nodes.end()) Nodes.push_back(c);
                }
        }
        std::vector<char> reached(Nodes.size(), 0);
        std::vector<size_t> pending;
        for (size_t i = 0; i < sources; ++i) {
            reached[i] = 1;
            pending.push_back(i);
        }
        while (!pending.empty()) {
            const size_t u = pending.back();
            pending.pop_back();
            for (size_t v = 0; v < Nodes.size(); ++v)
                if (!reached[v] && Level.Sight_Is_Free(Nodes[u], Nodes[v])) {
                    reached[v] = 1;
                    pending.push_back(v);
                }
        }
        for (size_t i = 0; i < Nodes.size(); ++i)
            if (reached[i]) Reached.push_back(Nodes[i]);
    }

    // The free places of p: p itself, or for half-size 0 on a wall, the
    // free places within e of it.
    std::vector<cEps_Point> Places(const cPoint2D& p) const {
        std::vector<cEps_Point> places;
        if (Level.Is_Free(Eps_Point(p))) {
            places.push_back(Eps_Point(p));
        } else if (Level.Half_Size == 0) {
            for (int k = 1; k < 9; ++k) {
                const cEps_Point q = Eps_Point(p, ORACLE_OFFSETS[k][0], ORACLE_OFFSETS[k][1]);
                if (Level.Is_Free(q)) places.push_back(q);
            }
        }
        return places;
    }
    bool Start_Fits() const { return !Reached.empty(); }
    bool Reaches(const cPoint2D& p) const {
        for (const cEps_Point& q : Places(p))
            for (const cEps_Point& u : Reached)
                if (u == q || Level.Sight_Is_Free(u, q)) return true;
        return false;
    }

private:
    cRect2D World;
    cOracle_Level Level;
    std::vector<cEps_Point> Nodes, Reached;
};

// Solid space: the unit cells of the world that the solid points reach
// without crossing a wall or a door (open or closed), none at all when they
// reach every cell. A point on a wall or a door is on the rock's face, not
// in it; any other point lies in the cells around it, all of one region.
class cOracle_Rock {
public:
    cOracle_Rock(const cRect2D& world, const std::vector<cHV_Wall>& barriers, const std::vector<cPoint2D>& solid)
        : Min_X(world.Min.x), Min_Y(world.Min.y), W(world.Max.x - world.Min.x), H(world.Max.y - world.Min.y),
          Barriers(barriers) {
        if (solid.empty() || W <= 0 || H <= 0) return;
        Cells.assign(size_t(W) * size_t(H), 0);
        std::vector<char> vertical(size_t(W + 1) * size_t(H), 0), horizontal(size_t(W) * size_t(H + 1), 0);
        for (const cHV_Wall& b : barriers) {
            const int x1 = std::min(b.p0.x, b.p1.x) - Min_X, x2 = std::max(b.p0.x, b.p1.x) - Min_X;
            const int y1 = std::min(b.p0.y, b.p1.y) - Min_Y, y2 = std::max(b.p0.y, b.p1.y) - Min_Y;
            if (y1 == y2)
                for (int x = x1; x < x2; ++x) horizontal[size_t(y1) * size_t(W) + size_t(x)] = 1;
            if (x1 == x2)
                for (int y = y1; y < y2; ++y) vertical[size_t(y) * size_t(W + 1) + size_t(x1)] = 1;
        }
        std::vector<std::pair<int, int>> pending;
        for (const cPoint2D& p : solid) pending.push_back(Cell_Of(p));
        size_t count = 0;
        while (!pending.empty()) {
            const std::pair<int, int> c = pending.back();
            pending.pop_back();
            const int x = c.first, y = c.second;
            if (x < 0 || y < 0 || x >= W || y >= H || Cells[size_t(y) * size_t(W) + size_t(x)]) continue;
            Cells[size_t(y) * size_t(W) + size_t(x)] = 1;
            ++count;
            if (!vertical[size_t(y) * size_t(W + 1) + size_t(x)]) pending.push_back({x - 1, y});
            if (!vertical[size_t(y) * size_t(W + 1) + size_t(x + 1)]) pending.push_back({x + 1, y});
            if (!horizontal[size_t(y) * size_t(W) + size_t(x)]) pending.push_back({x, y - 1});
            if (!horizontal[size_t(y + 1) * size_t(W) + size_t(x)]) pending.push_back({x, y + 1});
        }
        if (count == Cells.size()) Cells.clear();  // the points mark the whole world: no rock
    }
    bool Any() const { return !Cells.empty(); }
    // A point outside the world is in no rock.
    bool Is_Solid(const cPoint2D& p) const {
        if (Cells.empty() || p.x < Min_X || p.y < Min_Y || p.x > Min_X + W || p.y > Min_Y + H) return false;
        for (const cHV_Wall& b : Barriers)
            if (std::min(b.p0.x, b.p1.x) <= p.x && p.x <= std::max(b.p0.x, b.p1.x) &&
                std::min(b.p0.y, b.p1.y) <= p.y && p.y <= std::max(b.p0.y, b.p1.y))
                return false;
        const std::pair<int, int> c = Cell_Of(p);
        return Cells[size_t(c.second) * size_t(W) + size_t(c.first)] != 0;
    }

private:
    std::pair<int, int> Cell_Of(const cPoint2D& p) const {
        return {std::min(p.x - Min_X, W - 1), std::min(p.y - Min_Y, H - 1)};
    }
    int Min_X, Min_Y, W, H;
    std::vector<cHV_Wall> Barriers;
    std::vector<char> Cells;
};

// The candidates for the point nearest to p of a region bounded by lines of
// the level: the nearest point of a region whose sides lie on lines x = a
// and y = b is p itself, p's projection on a side or a corner, so its x is
// p.x or an a, its y p.y or a b. The lines are the world's sides and every
// wall's and door's own lines, each also moved by the half-size both ways.
// Sorted by squared distance to p, then y, then x.
inline std::vector<cPoint2D> Oracle_Candidates(const cRect2D& world, const std::vector<cHV_Wall>& lines,
                                               const cPoint2D& p, int half_size) {
    std::vector<std::int64_t> xs{p.x, world.Min.x, world.Max.x}, ys{p.y, world.Min.y, world.Max.y};
    for (const cHV_Wall& w : lines) {
        xs.push_back(w.p0.x);
        xs.push_back(w.p1.x);
        ys.push_back(w.p0.y);
        ys.push_back(w.p1.y);
    }
    const size_t nx = xs.size(), ny = ys.size();
    for (size_t i = 1; i < nx; ++i) {
        xs.push_back(xs[i] - half_size);
        xs.push_back(xs[i] + half_size);
    }
    for (size_t i = 1; i < ny; ++i) {
        ys.push_back(ys[i] - half_size);
        ys.push_back(ys[i] + half_size);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<cPoint2D> points;
    for (std::int64_t x : xs)
        for (std::int64_t y : ys)
            if (Oracle_In_Rect(world, cPoint2D(int(x), int(y)))) points.push_back(cPoint2D(int(x), int(y)));
    std::sort(points.begin(), points.end(), [&p](const cPoint2D& a, const cPoint2D& b) {
        const std::int64_t da = Square_Distance(a, p), db = Square_Distance(b, p);
        if (da != db) return da < db;
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    return points;
}

// The places nearest to p where the agent stands (it fits there among the
// level's walls and the point is out of the rock), and when reach is given,
// that it reaches: every
// one at the least distance, in order of y, then x. Empty when there is
// none.
inline std::vector<cPoint2D> Oracle_Nearest_Places(const cRect2D& world, const std::vector<cHV_Wall>& lines,
                                                   const cOracle_Level& level, const cOracle_Rock& rock,
                                                   const cPoint2D& p, const cOracle_Reach* reach) {
    std::vector<cPoint2D> nearest;
    for (const cPoint2D& q : Oracle_Candidates(world, lines, p, level.Half_Size)) {
        if (!nearest.empty() && Square_Distance(q, p) > Square_Distance(nearest[0], p)) break;
        if (!Oracle_Fits(world, level, q) || rock.Is_Solid(q)) continue;
        if (reach != nullptr && !reach->Reaches(q)) continue;
        nearest.push_back(q);
    }
    return nearest;
}

#endif
