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

using namespace bsp_levels;

namespace {

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
    const std::int64_t r2 = std::int64_t(radius) * radius;
    for (const cHV_Wall& w : walls)
        if (Square_Distance_To_Box(w.p0, w.p1, c) < r2) return true;
    return false;
}

// The walk of the segment query, testing every grid point against every wall
// (the start is not tested; the walk stops once a point at squared distance
// limit or more has been tested).
bool Walk_Hits(const std::vector<cHV_Wall>& walls, const cPoint2D& a, const cPoint2D& b, std::int64_t limit, cPoint2D& hit) {
    if (a == b) return false;
    cLine_Walker walker;
    walker.Start(a, b);
    cPoint2D p = a;
    std::int64_t d2 = 0;
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
    const std::int64_t pu = h ? p.x : p.y, pv = h ? p.y : p.x, qu = h ? q.x : q.y, qv = h ? q.y : q.x;
    const std::int64_t line = h ? w.p0.y : w.p0.x, lo = h ? w.p0.x : w.p0.y, hi = h ? w.p1.x : w.p1.y;
    if (pv == line && qv == line) {  // on the wall's line: overlap of positive length?
        return std::max(std::min(pu, qu), lo) < std::min(std::max(pu, qu), hi);
    }
    // The step must cross the line strictly inside itself...
    if (!((pv < line && line < qv) || (qv < line && line < pv))) return false;
    // ...at u = pu + (qu - pu)(line - pv)/(qv - pv), strictly inside the wall.
    std::int64_t num = pu * (qv - pv) + (qu - pu) * (line - pv);
    std::int64_t den = qv - pv;
    if (den < 0) num = -num, den = -den;
    return lo * den < num && num < hi * den;
}

// Flood fill of the free space, on the grid cut at every wall end and border.
class cFree_Space {
public:
    explicit cFree_Space(const cLevel& level) : Walls(level.Walls) {
        Xs = {level.Bounds.Min.x, level.Bounds.Max.x};
        Ys = {level.Bounds.Min.y, level.Bounds.Max.y};
        for (const cHV_Wall& w : Walls) {
            Xs.push_back(w.p0.x), Xs.push_back(w.p1.x);
            Ys.push_back(w.p0.y), Ys.push_back(w.p1.y);
        }
        for (std::vector<int>* v : {&Xs, &Ys}) {
            std::sort(v->begin(), v->end());
            v->erase(std::unique(v->begin(), v->end()), v->end());
        }
    }

    bool Connected(const cPoint2D& a, const cPoint2D& b) const {
        const int nx = int(Xs.size()) - 1, ny = int(Ys.size()) - 1;
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
            visit(i - 1, j, i > 0 && Blocked_Vertical(Xs[i], Ys[j], Ys[j + 1]));
            visit(i + 1, j, i + 1 < nx && Blocked_Vertical(Xs[i + 1], Ys[j], Ys[j + 1]));
            visit(i, j - 1, j > 0 && Blocked_Horizontal(Ys[j], Xs[i], Xs[i + 1]));
            visit(i, j + 1, j + 1 < ny && Blocked_Horizontal(Ys[j + 1], Xs[i], Xs[i + 1]));
        }
        return false;
    }

private:
    // The cell holding p (p lies on no wall's line, so either cell beside a
    // grid line it stands on will do).
    int Cell(const cPoint2D& p) const {
        const int nx = int(Xs.size()) - 1, ny = int(Ys.size()) - 1;
        const int i = std::min(int(std::upper_bound(Xs.begin(), Xs.end(), p.x) - Xs.begin()) - 1, nx - 1);
        const int j = std::min(int(std::upper_bound(Ys.begin(), Ys.end(), p.y) - Ys.begin()) - 1, ny - 1);
        return j * nx + i;
    }
    bool Blocked_Vertical(int x, int y0, int y1) const {
        for (const cHV_Wall& w : Walls)
            if (w.p0.x == x && w.p1.x == x && w.p0.y <= y0 && y1 <= w.p1.y && w.p0.y != w.p1.y) return true;
        return false;
    }
    bool Blocked_Horizontal(int y, int x0, int x1) const {
        for (const cHV_Wall& w : Walls)
            if (w.p0.y == y && w.p1.y == y && w.p0.x <= x0 && x1 <= w.p1.x && w.p0.x != w.p1.x) return true;
        return false;
    }

    const std::vector<cHV_Wall>& Walls;
    std::vector<int> Xs, Ys;
};

// ------------------------------------------------------------ checks

void Check_Build(const cLevel& level, const cGame_World& world) {
    ASSERT_TRUE(world.Is_Built());
    // The areas tile the world rectangle.
    std::int64_t covered = 0;
    for (const cSquarePortal* a : world.Areas) {
        covered += std::int64_t(a->Bounds.Max.x - a->Bounds.Min.x) * (a->Bounds.Max.y - a->Bounds.Min.y);
        ASSERT_TRUE(level.Bounds.In(a->Bounds.Min) && level.Bounds.In(a->Bounds.Max)) << a->Bounds;
        for (const cAligned_WayPoint* w : a->WayPoints) EXPECT_TRUE(a->Bounds.In(w->Position)) << a->Bounds;
    }
    EXPECT_EQ(covered, std::int64_t(level.Bounds.Max.x - level.Bounds.Min.x) * (level.Bounds.Max.y - level.Bounds.Min.y));
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
            if (On_Wall(level.Walls, inside)) {
                ADD_FAILURE() << "wall point " << inside << " inside portal " << *p;
                break;
            }
        }
    }
}

struct cCounts {
    int Levels = 0, Routes = 0, No_Routes = 0, Hits = 0, Touches = 0, Crowded = 0, Thin_Crowded = 0;
};

void Check_Queries(const cLevel& level, cGame_World& world, std::mt19937& rng, cCounts& counts) {
    const cRect2D& b = level.Bounds;
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto point = [&](int margin) { return cPoint2D(pick(b.Min.x - margin, b.Max.x + margin), pick(b.Min.y - margin, b.Max.y + margin)); };
    // Points inside the world, off every wall's line.
    auto free_point = [&](cPoint2D& p) {
        for (int tries = 0; tries < 50; ++tries) {
            p = point(0);
            if (!On_Wall_Line(level.Walls, p)) return true;
        }
        return false;
    };
    const cFree_Space space(level);

    for (int q = 0; q < 12; ++q) {
        cPoint2D s, g;
        if (!free_point(s) || !free_point(g)) break;
        std::vector<cPoint2D> path;
        const bool found = world.Find_Path(s, g, path);
        const bool reachable = space.Connected(s, g);
        ASSERT_EQ(found, reachable) << "route " << s << " to " << g;
        if (!found) {
            EXPECT_TRUE(path.empty());
            ++counts.No_Routes;
            continue;
        }
        ++counts.Routes;
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.back(), g);
        cPoint2D from = s;
        for (const cPoint2D& to : path) {
            for (const cHV_Wall& w : level.Walls)
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
        const std::int64_t limit = pick(0, 3) == 0 ? std::int64_t(pick(0, span)) * pick(0, span) : Square_Distance(a, c);
        cPoint2D expected_hit, hit;
        bool expected = Walk_Hits(level.Walls, a, c, limit, expected_hit);
        if (anywhere && world.Area_At(a) == world.Area_At(c)) expected = false;
        const bool answer = world.Intersect_Segment(cSeg(a, c), hit, limit);
        ASSERT_EQ(answer, expected) << "segment " << a << " to " << c << " limit " << limit;
        if (answer) {
            EXPECT_EQ(hit, expected_hit) << "segment " << a << " to " << c;
            ++counts.Hits;
        }
    }

    for (int q = 0; q < 16; ++q) {
        const cPoint2D c = point(3);
        const int radius = pick(0, 2) == 0 ? pick(0, 3) : pick(0, std::max(1, span / 4));
        const bool answer = world.Intersect_Ball(c.x, c.y, radius);
        ASSERT_EQ(answer, Ball_Touches(level.Walls, c, radius)) << "ball " << c << " r " << radius;
        counts.Touches += answer;
    }
}

TEST(RandomLevels, BuildAndQueriesAgreeWithOracles) {
    const int levels = Env_Setting("RANDOM_LEVELS", 300);
    const unsigned first_seed = unsigned(Env_Setting("RANDOM_LEVELS_SEED", 1));
    cCounts counts;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        cLevel_Maker maker(seed);
        const cLevel level = maker.Make();
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + Describe(level));
        cBounds_Guard bounds(level.Bounds);
        cGame_World world;
        const std::string messages = Build_Level(level, world);
        ASSERT_EQ(messages.find("ERROR"), std::string::npos) << messages;
        ASSERT_NO_FATAL_FAILURE(Check_Build(level, world));
        std::mt19937 rng(seed * 7919u);
        ASSERT_NO_FATAL_FAILURE(Check_Queries(level, world, rng, counts));
        ++counts.Levels;
        counts.Crowded += std::any_of(world.Areas.begin(), world.Areas.end(),
                                      [](const cSquarePortal* a) { return a->Crowded && a->Has_Inside(); });
        counts.Thin_Crowded += std::any_of(world.Areas.begin(), world.Areas.end(),
                                           [](const cSquarePortal* a) { return a->Crowded && !a->Has_Inside(); });
        if (HasFailure()) return;
    }
    // The levels must exercise every kind of answer.
    EXPECT_GT(counts.Routes, 0);
    EXPECT_GT(counts.No_Routes, 0);
    EXPECT_GT(counts.Hits, 0);
    EXPECT_GT(counts.Touches, 0);
    EXPECT_GT(counts.Crowded, 0);       // areas whose portals meet at a hub
    EXPECT_GT(counts.Thin_Crowded, 0);  // and along a rail
    RecordProperty("levels", counts.Levels);
    std::cerr << "random levels: " << counts.Levels << ", routes " << counts.Routes << ", no routes "
              << counts.No_Routes << ", segment hits " << counts.Hits << ", ball touches " << counts.Touches
              << ", with crowded areas " << counts.Crowded << " (thin " << counts.Thin_Crowded << ")\n";
}

}  // namespace
