// Route_Cut: whether two points stay joined once walls are added, answered
// on the route structures as they are. Held against a search on the route
// structures made afresh with the walls, and against the brute-force route
// oracle on small levels: random levels (doors, some open), boxes placed at
// random and on the walls' own lines and ends, of every shape down to a
// point.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "edits/world_edits.h"
#include "route/route_cut.h"
#include "route/route_mesh.h"
#include "route/route_search.h"
#include "route_levels.h"

using namespace bsp_levels;

namespace {

// Whether p lies on the outline of one of the walls grown by h (within it,
// closed, but not strictly within any, once the perturbation vanishes):
// where Route_Cut may leave the answer to a mesh made with the walls.
bool On_Grown_Outline(const std::vector<cHV_Wall>& walls, const cPoint2D& p, int h) {
    bool on = false;
    for (const cHV_Wall& w : walls) {
        const cRect2D r(w.p0, w.p1);
        if (r.Min.x - h < p.x && p.x < r.Max.x + h && r.Min.y - h < p.y && p.y < r.Max.y + h) return false;
        on = on || (r.Min.x - h <= p.x && p.x <= r.Max.x + h && r.Min.y - h <= p.y && p.y <= r.Max.y + h);
    }
    return on;
}

TEST(RouteCut, AgreesWithAMeshMadeWithTheWalls) {
    cCapture_Messages quiet;  // boxes of no size are walls of no length
    const int levels = Env_Setting("ROUTE_CUT_LEVELS", 600);
    int answers[3] = {0, 0, 0}, oracle_checked = 0;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = 9000u + unsigned(n);
        const cRoute_Level level = Make_Route_Level(seed, n);
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + level.Text());
        const cRect2D& b = level.Bounds;
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        const unsigned char* open = level.Open.empty() ? nullptr : level.Open.data();
        const int span = std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y);
        // A corner for a box: anywhere, or on a wall's end or line.
        auto corner = [&]() {
            if (level.Walls.empty() || pick(0, 2) == 0) return cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
            const cHV_Wall& w = level.Walls[std::size_t(pick(0, int(level.Walls.size()) - 1))];
            const cPoint2D e = pick(0, 1) == 0 ? w.p0 : w.p1;
            return pick(0, 1) == 0 ? e : cPoint2D(e.x, pick(b.Min.y, b.Max.y));
        };
        for (int q = 0; q < 8; ++q) {
            const int h = Pick_Half_Size(b, pick);
            cRoute_Mesh mesh;
            mesh.Build(level.Walls, level.Doors, b, h);
            const cPoint2D s = Pick_Point(b, pick), g = Pick_Point(b, pick);
            std::vector<cPoint2D> path;
            double length = 0;
            if (Search_Route(mesh, s, g, open, path, length) != SEARCH_FOUND) continue;
            cPoint2D a = corner(), c;
            if (pick(0, 2) == 0) {
                // A line across the world, or short of a side by a gap of
                // up to 2: it parts the world, or leaves a squeeze.
                const int gap = pick(0, 1) == 0 ? 0 : pick(1, 2);
                if (pick(0, 1) == 0) {
                    a = cPoint2D(b.Min.x + (pick(0, 1) == 0 ? gap : 0), a.y);
                    c = cPoint2D(std::max(a.x, b.Max.x - (a.x == b.Min.x ? gap : 0)), a.y);
                } else {
                    a = cPoint2D(a.x, b.Min.y + (pick(0, 1) == 0 ? gap : 0));
                    c = cPoint2D(a.x, std::max(a.y, b.Max.y - (a.y == b.Min.y ? gap : 0)));
                }
            } else {
                const int reach = std::max(1, span / (pick(0, 1) == 0 ? 8 : 3));
                c = cPoint2D(std::min(b.Max.x, std::max(b.Min.x, a.x + pick(-reach, reach))),
                             std::min(b.Max.y, std::max(b.Min.y, a.y + pick(-reach, reach))));
            }
            const std::vector<cHV_Wall> box = Box_Walls(a, c);
            SCOPED_TRACE("h " + std::to_string(h) + " from " + Point_Text(s) + " to " + Point_Text(g) + " box " +
                         Point_Text(a) + " " + Point_Text(c));
            const ROUTE_CUT cut = Route_Cut(mesh, s, g, box, open);
            ++answers[cut];
            if (cut == CUT_UNKNOWN) {
                EXPECT_TRUE(On_Grown_Outline(box, s, h) || On_Grown_Outline(box, g, h));
                continue;
            }
            std::vector<cHV_Wall> with_box = level.Walls;
            with_box.insert(with_box.end(), box.begin(), box.end());
            cRoute_Mesh made;
            made.Build(with_box, level.Doors, b, h);
            const bool joined = Search_Route(made, s, g, open, path, length) == SEARCH_FOUND;
            ASSERT_EQ(cut, joined ? CUT_OPEN : CUT_CLOSED);
            if (span <= 60 && n % 3 == 0) {
                // The brute-force oracle knows nothing of meshes (a third of
                // the small levels, so that it keeps up with long runs).
                std::vector<cHV_Wall> blocking = level.Blocking();
                blocking.insert(blocking.end(), box.begin(), box.end());
                ASSERT_EQ(Oracle_Shortest_Route(b, blocking, s, g, h).Status == ORACLE_FOUND, joined);
                ++oracle_checked;
            }
        }
    }
    std::printf("route cut on random levels: %d open, %d closed, %d left to a mesh; %d held against the oracle\n",
                answers[CUT_OPEN], answers[CUT_CLOSED], answers[CUT_UNKNOWN], oracle_checked);
    EXPECT_GT(answers[CUT_CLOSED], levels / 20);
    EXPECT_GT(answers[CUT_OPEN], answers[CUT_UNKNOWN]);
}

// Hand-made cases where the grown box's sides fall on the cells' and the
// portals' own lines: a corridor closed exactly, or left a gap the agent
// fits through exactly.
TEST(RouteCut, BoxesFlushWithTheWalls) {
    cCapture_Messages quiet;
    const cRect2D bounds = Rect(0, 0, 100, 100);
    struct cCase {
        cPoint2D A, B;
        int H;
        ROUTE_CUT Expected;
    };
    // A corridor 10 wide from the world's left side, open at its right end
    // (x = 60); the start inside it, the goal outside.
    const std::vector<cHV_Wall> corridor = {Wall(0, 40, 60, 40), Wall(0, 50, 60, 50)};
    const cCase cases[] = {
        {{30, 40}, {30, 50}, 0, CUT_CLOSED},  // across the corridor, wall to wall
        {{30, 41}, {30, 50}, 0, CUT_OPEN},    // a gap of 1 at the bottom
        {{30, 42}, {32, 50}, 1, CUT_OPEN},    // a gap of 2: room for an agent of half-size 1 exactly
        {{30, 42}, {32, 50}, 2, CUT_CLOSED},  // not for half-size 2
        {{30, 40}, {30, 40}, 0, CUT_OPEN},    // a point on the wall
        {{70, 40}, {70, 50}, 0, CUT_OPEN},    // beyond the corridor's end, the way round stays
        {{60, 30}, {60, 60}, 0, CUT_CLOSED},  // across its mouth, meeting both walls' ends
        {{60, 41}, {60, 60}, 0, CUT_OPEN},    // a gap at the mouth
        {{8, 43}, {12, 47}, 0, CUT_CLOSED},   // round the start
        {{9, 44}, {11, 46}, 2, CUT_CLOSED},   // on the start: no room for the agent there
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE("box " + Point_Text(c.A) + " " + Point_Text(c.B) + " h " + std::to_string(c.H));
        cRoute_Mesh mesh;
        mesh.Build(corridor, bounds, c.H);
        const std::vector<cHV_Wall> box = Box_Walls(c.A, c.B);
        EXPECT_EQ(Route_Cut(mesh, cPoint2D(10, 45), cPoint2D(90, 90), box, nullptr), c.Expected);
        std::vector<cHV_Wall> with_box = corridor;
        with_box.insert(with_box.end(), box.begin(), box.end());
        cRoute_Mesh made;
        made.Build(with_box, bounds, c.H);
        std::vector<cPoint2D> path;
        double length = 0;
        EXPECT_EQ(Search_Route(made, cPoint2D(10, 45), cPoint2D(90, 90), path, length) == SEARCH_FOUND,
                  c.Expected == CUT_OPEN);
    }
}

}  // namespace
