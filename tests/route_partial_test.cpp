// Partial routes: Find_Shortest_Path with options.Partial routes to the
// reachable point nearest to a goal it cannot reach. Hand-made levels with
// known answers, then random levels with doors and rock against the oracle:
// the end point is the nearest reachable place out of the rock found by
// exhaustive search over the candidate points, and the route to it is the
// shortest.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "route_levels.h"
#include "route_oracle.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

struct cDoor_Coords {
    cWall_Coords Door;
    bool Open;
};

// A level of walls, doors and solid points in the world (0,0)-(100,100).
std::unique_ptr<cGame_World> Hand_World(const std::vector<cWall_Coords>& walls, const std::vector<cDoor_Coords>& doors,
                                        const std::vector<cPoint2D>& solid) {
    cBounds_Guard bounds(Rect(0, 0, 100, 100));
    std::unique_ptr<cGame_World> world = Load_World(walls);
    for (const cDoor_Coords& d : doors) world->Add_Door(Wall(d.Door));
    for (const cPoint2D& p : solid) world->Add_Solid_Point(p);
    EXPECT_EQ(world->Build(), BUILD_DONE);
    for (std::size_t i = 0; i < doors.size(); ++i) world->Set_Door(int(i), doors[i].Open);
    return world;
}

TEST(PartialRoute, HandMadeLevels) {
    struct cCase {
        const char* Name;
        std::vector<cWall_Coords> Walls;
        std::vector<cDoor_Coords> Doors;
        std::vector<cPoint2D> Solid;
        cPoint2D Start, Goal;
        int Half_Size;
        ROUTE_STATUS Status;
        cPoint2D End;   // the path's last point, when found or partial
        double Length;  // likewise
    };
    const std::vector<cWall_Coords> across = {{50, 0, 50, 100}};
    const std::vector<cWall_Coords> wall_end = {{50, 0, 50, 60}};
    const std::vector<cWall_Coords> box = {{60, 60, 80, 60}, {80, 60, 80, 80}, {80, 80, 60, 80}, {60, 80, 60, 60}};
    const std::vector<cWall_Coords> room = {{20, 20, 40, 20}, {40, 20, 40, 40}, {40, 40, 20, 40}, {20, 40, 20, 20}};
    const std::vector<cWall_Coords> corridor = {{20, 0, 20, 40}, {20, 50, 20, 100}, {20, 40, 80, 40},
                                                {20, 50, 80, 50}, {80, 0, 80, 40}, {80, 50, 80, 100}};
    const double around = std::sqrt(37.0 * 37 + 33.0 * 33) + 6 + 33;  // (10,30) (47,63) (53,63) (53,30)
    const cCase cases[] = {
        {"no way through: the wall's near face", across, {}, {}, {10, 50}, {70, 50}, 0, ROUTE_PARTIAL, {50, 50}, 40},
        {"no way through, a larger agent", across, {}, {}, {10, 50}, {70, 50}, 2, ROUTE_PARTIAL, {48, 50}, 38},
        {"the goal in a grown wall: the nearest place is beyond it", wall_end, {}, {}, {10, 30}, {51, 30}, 3,
         ROUTE_PARTIAL, {53, 30}, around},
        {"equally near places: the nearer by route", wall_end, {}, {}, {10, 30}, {50, 30}, 2, ROUTE_PARTIAL,
         {48, 30}, 38},
        {"a goal outside the world", {}, {}, {}, {10, 50}, {150, 50}, 0, ROUTE_PARTIAL, {100, 50}, 90},
        {"a goal outside the world, a larger agent", {}, {}, {}, {10, 50}, {150, 60}, 5, ROUTE_PARTIAL, {95, 60},
         std::sqrt(85.0 * 85 + 10.0 * 10)},
        {"a goal in rock: the rock's nearest face", box, {}, {{70, 70}}, {10, 20}, {70, 70}, 0, ROUTE_PARTIAL,
         {60, 70}, 50 * std::sqrt(2.0)},
        {"a goal in rock, a larger agent", box, {}, {{70, 70}}, {10, 20}, {70, 70}, 1, ROUTE_PARTIAL, {59, 70},
         std::sqrt(49.0 * 49 + 50.0 * 50)},
        {"a closed door", corridor, {{{50, 40, 50, 50}, false}}, {}, {10, 45}, {90, 45}, 0, ROUTE_PARTIAL, {50, 45}, 40},
        {"the door open", corridor, {{{50, 40, 50, 50}, true}}, {}, {10, 45}, {90, 45}, 0, ROUTE_FOUND, {90, 45}, 80},
        {"a start in a closed room", room, {}, {}, {30, 30}, {90, 30}, 0, ROUTE_PARTIAL, {40, 30}, 10},
        {"nothing nearer than the start", room, {}, {}, {30, 30}, {30, 30}, 0, ROUTE_FOUND, {30, 30}, 0},
        {"a reachable goal", {}, {}, {}, {10, 10}, {20, 10}, 0, ROUTE_FOUND, {20, 10}, 10},
        {"a start that does not fit", wall_end, {}, {}, {49, 30}, {90, 30}, 3, ROUTE_START_BLOCKED, {0, 0}, 0},
        {"a start in rock", box, {}, {{70, 70}}, {70, 70}, {10, 10}, 0, ROUTE_START_BLOCKED, {0, 0}, 0},
        {"a start outside the world", {}, {}, {}, {-1, 50}, {50, 50}, 0, ROUTE_OUTSIDE, {0, 0}, 0},
    };
    cRoute_Options partial;
    partial.Partial = true;
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<cGame_World> w = Hand_World(c.Walls, c.Doors, c.Solid);
        std::vector<cPoint2D> path = {{1, 1}};
        double length = -1;
        ASSERT_EQ(w->Find_Shortest_Path(c.Start, c.Goal, c.Half_Size, partial, path, &length), c.Status);
        if (c.Status != ROUTE_FOUND && c.Status != ROUTE_PARTIAL) {
            EXPECT_TRUE(path.empty());
            EXPECT_EQ(length, 0);
            continue;
        }
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.back(), c.End);
        EXPECT_NEAR(length, c.Length, 1e-9 * (1 + c.Length));
        // Without the option the same query fails, or finds the same route.
        std::vector<cPoint2D> plain;
        double plain_length = -1;
        const ROUTE_STATUS status = w->Find_Shortest_Path(c.Start, c.Goal, c.Half_Size, plain, &plain_length);
        if (c.Status == ROUTE_FOUND) {
            EXPECT_EQ(status, ROUTE_FOUND);
            EXPECT_NEAR(plain_length, length, 1e-9 * (1 + length));
        } else {
            EXPECT_NE(status, ROUTE_FOUND);
        }
    }
}

TEST(PartialRoute, RefusesWhatItCannotAnswer) {
    cRoute_Options partial;
    partial.Partial = true;
    std::vector<cPoint2D> path;
    std::unique_ptr<cGame_World> w = Build_World(Rect(0, 0, 100, 100), {{50, 0, 50, 60}});
    EXPECT_EQ(w->Find_Shortest_Path(cPoint2D(1, 1), cPoint2D(9, 9), -1, partial, path), ROUTE_BAD_SIZE);
    EXPECT_EQ(w->Find_Shortest_Path(cPoint2D(1, 1), cPoint2D(COORD_LIMIT + 1, 9), 0, partial, path), ROUTE_OUTSIDE);
    std::unique_ptr<cGame_World> unbuilt = Load_World({{50, 0, 50, 60}});
    EXPECT_EQ(unbuilt->Find_Shortest_Path(cPoint2D(1, 1), cPoint2D(9, 9), 0, partial, path), ROUTE_NONE);
    // An agent larger than the world fits nowhere, the start neither.
    EXPECT_EQ(w->Find_Shortest_Path(cPoint2D(50, 50), cPoint2D(9, 9), 60, partial, path), ROUTE_START_BLOCKED);
}

// Random levels with doors (some open) and rock, several agent sizes, goals
// now and then outside the world: the status is the oracle's, a found route
// is as long as the oracle's, and a partial route ends at one of the
// oracle's nearest reachable places out of the rock, as short as the
// shortest route to any of them, every step valid.
// PARTIAL_ROUTE_LEVELS sets the count (default 200), PARTIAL_ROUTE_SEED the
// first seed.
namespace {

struct cPartial_Counts {
    long Found = 0, Partials = 0, In_Rock = 0;
};

void Check_Partial_Routes(unsigned first_seed, int levels, cPartial_Counts& counts) {
    long& found = counts.Found;
    long& partials = counts.Partials;
    long& in_rock = counts.In_Rock;
    cRoute_Options partial;
    partial.Partial = true;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        const cRoute_Level level = Make_Route_Level(seed, n);
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + level.Text());
        std::unique_ptr<cGame_World> world = Build_Route_World(level);
        ASSERT_TRUE(world != nullptr);
        const cRect2D& b = level.Bounds;
        const std::vector<cHV_Wall> blocking = level.Blocking(), lines = level.Lines();
        const cOracle_Rock rock(b, lines, level.Solid);
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (int q = 0; q < 6; ++q) {
            const int h = Pick_Half_Size(b, pick);
            const cPoint2D start(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
            const cPoint2D goal = Pick_Point(b, pick);
            SCOPED_TRACE("from " + Point_Text(start) + " to " + Point_Text(goal) + " h " + std::to_string(h));
            std::vector<cPoint2D> path;
            double length = -1;
            const ROUTE_STATUS status = world->Find_Shortest_Path(start, goal, h, partial, path, &length);
            const cOracle_Level oracle_level(b, blocking, h);
            if (rock.Is_Solid(start)) {
                ASSERT_EQ(status, ROUTE_START_BLOCKED);
                continue;
            }
            const cOracle_Reach reach(b, blocking, start, h);
            if (!reach.Start_Fits()) {
                ASSERT_EQ(status, ROUTE_START_BLOCKED);
                continue;
            }
            std::vector<cPoint2D> route{start};
            route.insert(route.end(), path.begin(), path.end());
            std::string why;
            if (Oracle_Fits(b, oracle_level, goal) && !rock.Is_Solid(goal) && reach.Reaches(goal)) {
                ASSERT_EQ(status, ROUTE_FOUND);
                const cOracle_Answer expected = Oracle_Shortest_Route(b, blocking, start, goal, h);
                ASSERT_EQ(expected.Status, ORACLE_FOUND);
                ASSERT_NEAR(length, expected.Length, 1e-9 * (1 + expected.Length));
                ASSERT_TRUE(Oracle_Route_Is_Valid(b, blocking, route, h, &why)) << why;
                ++found;
                continue;
            }
            const std::vector<cPoint2D> nearest = Oracle_Nearest_Places(b, lines, oracle_level, rock, goal, &reach);
            ASSERT_FALSE(nearest.empty());  // the start itself is one
            ASSERT_EQ(status, ROUTE_PARTIAL);
            const cPoint2D end = path.back();
            ASSERT_TRUE(std::find(nearest.begin(), nearest.end(), end) != nearest.end())
                << "ends at " << end << ", " << Square_Distance(end, goal) << " from the goal squared; the oracle's "
                << nearest[0] << ", " << Square_Distance(nearest[0], goal);
            double shortest = -1;
            for (const cPoint2D& e : nearest) {
                const cOracle_Answer to = Oracle_Shortest_Route(b, blocking, start, e, h);
                ASSERT_EQ(to.Status, ORACLE_FOUND) << e;
                if (shortest < 0 || to.Length < shortest) shortest = to.Length;
            }
            ASSERT_NEAR(length, shortest, 1e-9 * (1 + shortest));
            ASSERT_TRUE(Oracle_Route_Is_Valid(b, blocking, route, h, &why)) << why;
            ++partials;
            in_rock += rock.Is_Solid(goal) ? 1 : 0;
        }
    }
}

}  // namespace

TEST(PartialRoute, AgreesWithTheOracleOnRandomLevels) {
    const int levels = Env_Setting("PARTIAL_ROUTE_LEVELS", 200);
    const unsigned first_seed = unsigned(Env_Setting("PARTIAL_ROUTE_SEED", 1));
    cPartial_Counts counts;
    Check_Partial_Routes(first_seed, levels, counts);
    EXPECT_GT(counts.Found, levels / 2);
    EXPECT_GT(counts.Partials, levels / 2);
    EXPECT_GT(counts.In_Rock, 0);
}

// The fourth of these levels has a comb of short walls one unit beside a
// long one with the goal behind it: the search once met every tooth's view
// through every gap into every stretch of the thin corridor, and took
// gigabytes before it answered.
TEST(PartialRoute, CombBesideAWallStaysSmall) {
    cPartial_Counts counts;
    Check_Partial_Routes(6565, 4, counts);
    EXPECT_GT(counts.Partials, 0);
}

}  // namespace
