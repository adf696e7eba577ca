// Random levels with the awkward cases (walls on the border lines, walls one
// unit apart, collinear walls with doorways, walls touching and crossing,
// tiny and large worlds, negative coordinates), each built and queried and
// every answer checked against an oracle that knows nothing of the tree:
//
// - the build keeps its invariants (areas tile the world, every portal joins
//   two areas and no wall point lies inside it, waypoints lie in their area);
// - a route is found exactly when a flood fill of the free space reaches the
//   goal, and no step of a route crosses a wall (exact integer geometry);
// - every segment answer equals a walk testing each grid point against every
//   wall, and every ball answer equals a distance check against every wall.
//
// The number of levels is RANDOM_LEVELS (default 300) and the first seed
// RANDOM_LEVELS_SEED (default 1), so a long local run is
//   RANDOM_LEVELS=10000 ./unit_tests --gtest_filter='RandomLevels*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "line_walker.h"
#include "random_level.h"
#include "test_support.h"

namespace {

typedef std::int64_t i64;

// ------------------------------------------------------------ oracles

bool On_Wall(const std::vector<cHV_Wall>& walls, const cPoint2D& p) {
    for (const cHV_Wall& w : walls)
        if (Square_Distance_To_Box(w.p0, w.p1, p) == 0) return true;
    return false;
}

bool On_Wall_Line(const std::vector<cHV_Wall>& walls, const cPoint2D& p) {
    for (const cHV_Wall& w : walls) {
        if (w.p0 == w.p1) {
            if (p.x == w.p0.x || p.y == w.p0.y) return true;  // both lines through a point
        } else if (w.Horizontal ? p.y == w.p0.y : p.x == w.p0.x) {
            return true;
        }
    }
    return false;
}

bool Ball_Touches(const std::vector<cHV_Wall>& walls, const cPoint2D& c, int radius) {
    const i64 r2 = i64(radius) * radius;
    for (const cHV_Wall& w : walls)
        if (Square_Distance_To_Box(w.p0, w.p1, c) < r2) return true;
    return false;
}

// The walk of the segment query, testing every grid point against every wall
// (the start is not tested; the walk stops once a point at squared distance
// limit or more has been tested).
bool Walk_Hits(const std::vector<cHV_Wall>& walls, const cPoint2D& a, const cPoint2D& b, i64 limit, cPoint2D& hit) {
    if (a == b) return false;
    cLine_Walker walker;
    walker.Start(a, b);
    cPoint2D p = a;
    i64 d2 = 0;
    for (bool done = false; !done && d2 < limit;) {
        done = walker.Next(p);
        d2 = Square_Distance(p, a);
        if (On_Wall(walls, p)) {
            hit = p;
            return true;
        }
    }
    return false;
}

// Whether the step from p to q crosses wall w: they share a point inside both,
// or overlap along a stretch of positive length.
bool Step_Crosses(const cPoint2D& p, const cPoint2D& q, const cHV_Wall& w) {
    if (w.p0 == w.p1) return false;  // a point has no inside
    // Work in the wall's frame: u along the wall, v across it.
    const bool h = w.Horizontal;
    const i64 pu = h ? p.x : p.y, pv = h ? p.y : p.x, qu = h ? q.x : q.y, qv = h ? q.y : q.x;
    const i64 line = h ? w.p0.y : w.p0.x, lo = h ? w.p0.x : w.p0.y, hi = h ? w.p1.x : w.p1.y;
    if (pv == line && qv == line) {  // on the wall's line: overlap of positive length?
        return std::max(std::min(pu, qu), lo) < std::min(std::max(pu, qu), hi);
    }
    // The step must cross the line strictly inside itself...
    if (!((pv < line && line < qv) || (qv < line && line < pv))) return false;
    // ...at u = pu + (qu - pu)(line - pv)/(qv - pv), strictly inside the wall.
    i64 num = pu * (qv - pv) + (qu - pu) * (line - pv);
    i64 den = qv - pv;
    if (den < 0) num = -num, den = -den;
    return lo * den < num && num < hi * den;
}

// Flood fill of the free space, on the grid cut at every wall end and border.
class Free_Space {
public:
    explicit Free_Space(const Level& level) : walls_(level.walls) {
        xs_ = {level.bounds.Min.x, level.bounds.Max.x};
        ys_ = {level.bounds.Min.y, level.bounds.Max.y};
        for (const cHV_Wall& w : walls_) {
            xs_.push_back(w.p0.x), xs_.push_back(w.p1.x);
            ys_.push_back(w.p0.y), ys_.push_back(w.p1.y);
        }
        for (std::vector<int>* v : {&xs_, &ys_}) {
            std::sort(v->begin(), v->end());
            v->erase(std::unique(v->begin(), v->end()), v->end());
        }
    }

    bool Connected(const cPoint2D& a, const cPoint2D& b) const {
        const int nx = int(xs_.size()) - 1, ny = int(ys_.size()) - 1;
        std::vector<char> seen(size_t(nx) * ny, 0);
        std::vector<int> pending{Cell(a)};
        const int goal = Cell(b);
        seen[pending[0]] = 1;
        while (!pending.empty()) {
            const int c = pending.back();
            pending.pop_back();
            if (c == goal) return true;
            const int i = c % nx, j = c / nx;
            auto visit = [&](int ni, int nj, bool blocked) {
                if (ni < 0 || nj < 0 || ni >= nx || nj >= ny || blocked) return;
                const int n = nj * nx + ni;
                if (!seen[n]) seen[n] = 1, pending.push_back(n);
            };
            visit(i - 1, j, i > 0 && Blocked_Vertical(xs_[i], ys_[j], ys_[j + 1]));
            visit(i + 1, j, i + 1 < nx && Blocked_Vertical(xs_[i + 1], ys_[j], ys_[j + 1]));
            visit(i, j - 1, j > 0 && Blocked_Horizontal(ys_[j], xs_[i], xs_[i + 1]));
            visit(i, j + 1, j + 1 < ny && Blocked_Horizontal(ys_[j + 1], xs_[i], xs_[i + 1]));
        }
        return false;
    }

private:
    // The cell holding p (p lies on no wall's line, so either cell beside a
    // grid line it stands on will do).
    int Cell(const cPoint2D& p) const {
        const int nx = int(xs_.size()) - 1, ny = int(ys_.size()) - 1;
        const int i = std::min(int(std::upper_bound(xs_.begin(), xs_.end(), p.x) - xs_.begin()) - 1, nx - 1);
        const int j = std::min(int(std::upper_bound(ys_.begin(), ys_.end(), p.y) - ys_.begin()) - 1, ny - 1);
        return j * nx + i;
    }
    bool Blocked_Vertical(int x, int y0, int y1) const {
        for (const cHV_Wall& w : walls_)
            if (w.p0.x == x && w.p1.x == x && w.p0.y <= y0 && y1 <= w.p1.y && w.p0.y != w.p1.y) return true;
        return false;
    }
    bool Blocked_Horizontal(int y, int x0, int x1) const {
        for (const cHV_Wall& w : walls_)
            if (w.p0.y == y && w.p1.y == y && w.p0.x <= x0 && x1 <= w.p1.x && w.p0.x != w.p1.x) return true;
        return false;
    }

    const std::vector<cHV_Wall>& walls_;
    std::vector<int> xs_, ys_;
};

// ------------------------------------------------------------ checks

void Check_Build(const Level& level, const cGame_World& world) {
    ASSERT_TRUE(world.Is_Built());
    // The areas tile the world rectangle.
    i64 covered = 0;
    for (const cSquarePortal* a : world.Areas) {
        covered += i64(a->Bounds.Max.x - a->Bounds.Min.x) * (a->Bounds.Max.y - a->Bounds.Min.y);
        ASSERT_TRUE(level.bounds.In(a->Bounds.Min) && level.bounds.In(a->Bounds.Max)) << a->Bounds;
        for (const cAligned_WayPoint* w : a->WayPoints) EXPECT_TRUE(a->Bounds.In(w->Position)) << a->Bounds;
    }
    EXPECT_EQ(covered, i64(level.bounds.Max.x - level.bounds.Min.x) * (level.bounds.Max.y - level.bounds.Min.y));
    for (size_t i = 0; i < world.Areas.size(); ++i)
        for (size_t k = i + 1; k < world.Areas.size(); ++k) {
            const cRect2D &a = world.Areas[i]->Bounds, &b = world.Areas[k]->Bounds;
            const bool overlap = std::max(a.Min.x, b.Min.x) < std::min(a.Max.x, b.Max.x) &&
                                 std::max(a.Min.y, b.Min.y) < std::min(a.Max.y, b.Max.y);
            EXPECT_FALSE(overlap) << a << " " << b;
        }
    // Every portal joins two areas along a stretch without a wall point inside.
    ASSERT_EQ(world.Portals.size(), size_t(world.N_Portals));
    for (const cPortal* p : world.Portals) {
        ASSERT_NE(p->Area1, nullptr) << *p;
        ASSERT_NE(p->Area2, nullptr) << *p;
        EXPECT_NE(p->Area1, p->Area2) << *p;
        EXPECT_TRUE(p->Area1->Bounds.In(p->Segment.p0) && p->Area1->Bounds.In(p->Segment.p1)) << *p;
        EXPECT_TRUE(p->Area2->Bounds.In(p->Segment.p0) && p->Area2->Bounds.In(p->Segment.p1)) << *p;
        const bool h = p->Segment.Horizontal;
        const int from = h ? p->Segment.p0.x : p->Segment.p0.y, to = h ? p->Segment.p1.x : p->Segment.p1.y;
        EXPECT_LT(from, to) << *p;
        for (int v = from + 1; v < to; ++v) {
            const cPoint2D inside = h ? cPoint2D(v, p->Segment.p0.y) : cPoint2D(p->Segment.p0.x, v);
            if (On_Wall(level.walls, inside)) {
                ADD_FAILURE() << "wall point " << inside << " inside portal " << *p;
                break;
            }
        }
    }
}

struct Counts {
    int levels = 0, routes = 0, no_routes = 0, hits = 0, touches = 0;
};

void Check_Queries(const Level& level, cGame_World& world, std::mt19937& rng, Counts& counts) {
    const cRect2D& b = level.bounds;
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto point = [&](int margin) { return cPoint2D(pick(b.Min.x - margin, b.Max.x + margin), pick(b.Min.y - margin, b.Max.y + margin)); };
    // Points inside the world, off every wall's line.
    auto free_point = [&](cPoint2D& p) {
        for (int tries = 0; tries < 50; ++tries) {
            p = point(0);
            if (!On_Wall_Line(level.walls, p)) return true;
        }
        return false;
    };
    const Free_Space space(level);

    for (int q = 0; q < 12; ++q) {
        cPoint2D s, g;
        if (!free_point(s) || !free_point(g)) break;
        std::vector<cPoint2D> path;
        const bool found = world.Find_Path(s, g, path);
        const bool reachable = space.Connected(s, g);
        ASSERT_EQ(found, reachable) << "route " << s << " to " << g;
        if (!found) {
            EXPECT_TRUE(path.empty());
            ++counts.no_routes;
            continue;
        }
        ++counts.routes;
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.back(), g);
        cPoint2D from = s;
        for (const cPoint2D& to : path) {
            for (const cHV_Wall& w : level.walls)
                ASSERT_FALSE(Step_Crosses(from, to, w)) << "route " << s << " to " << g << ": step " << from << " to " << to << " crosses " << w;
            from = to;
        }
    }

    const int span = std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y);
    for (int q = 0; q < 16; ++q) {
        // Half the segments end off every wall's line, where the query must
        // equal the bare walk; the others end anywhere, where two ends in one
        // area answer no hit without a walk.
        cPoint2D a, c;
        const bool anywhere = q % 2 == 1;
        if (anywhere) {
            a = point(2);
            c = point(2);
        } else if (!free_point(a) || !free_point(c)) {
            continue;
        }
        const i64 limit = pick(0, 3) == 0 ? i64(pick(0, span)) * pick(0, span) : Square_Distance(a, c);
        cPoint2D expected_hit, hit;
        bool expected = Walk_Hits(level.walls, a, c, limit, expected_hit);
        if (anywhere && world.Area_At(a) == world.Area_At(c)) expected = false;
        const bool answer = world.Intersect_Segment(cSeg(a, c), hit, limit);
        ASSERT_EQ(answer, expected) << "segment " << a << " to " << c << " limit " << limit;
        if (answer) {
            EXPECT_EQ(hit, expected_hit) << "segment " << a << " to " << c;
            ++counts.hits;
        }
    }

    for (int q = 0; q < 16; ++q) {
        const cPoint2D c = point(3);
        const int radius = pick(0, 2) == 0 ? pick(0, 3) : pick(0, std::max(1, span / 4));
        const bool answer = world.Intersect_Ball(c.x, c.y, radius);
        ASSERT_EQ(answer, Ball_Touches(level.walls, c, radius)) << "ball " << c << " r " << radius;
        counts.touches += answer;
    }
}

TEST(RandomLevels, BuildAndQueriesAgreeWithOracles) {
    const int levels = Env_Setting("RANDOM_LEVELS", 300);
    const unsigned first_seed = unsigned(Env_Setting("RANDOM_LEVELS_SEED", 1));
    Counts counts;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        Level_Maker maker(seed);
        const Level level = maker.Make();
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + Describe(level));
        Bounds_Guard bounds(level.bounds);
        cGame_World world;
        const std::string messages = Build_Level(level, world);
        ASSERT_EQ(messages.find("ERROR"), std::string::npos) << messages;
        ASSERT_NO_FATAL_FAILURE(Check_Build(level, world));
        std::mt19937 rng(seed * 7919u);
        ASSERT_NO_FATAL_FAILURE(Check_Queries(level, world, rng, counts));
        ++counts.levels;
        if (HasFailure()) return;
    }
    // The levels must exercise every kind of answer.
    EXPECT_GT(counts.routes, 0);
    EXPECT_GT(counts.no_routes, 0);
    EXPECT_GT(counts.hits, 0);
    EXPECT_GT(counts.touches, 0);
    RecordProperty("levels", counts.levels);
    std::cerr << "random levels: " << counts.levels << ", routes " << counts.routes << ", no routes "
              << counts.no_routes << ", segment hits " << counts.hits << ", ball touches " << counts.touches << "\n";
}

}  // namespace
