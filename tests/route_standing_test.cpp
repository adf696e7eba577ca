// The nearest place to stand (Find_Standing_Point): hand-made levels with
// known answers, the statuses, then random levels with doors and rock
// against the oracle's exhaustive search over the candidate points.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "route_levels.h"
#include "route_oracle.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

TEST(StandingPoint, HandMadeLevels) {
    struct cCase {
        const char* Name;
        std::vector<cWall_Coords> Walls;
        std::vector<cWall_Coords> Closed_Doors;
        std::vector<cPoint2D> Solid;
        cPoint2D P;
        int Half_Size;
        ROUTE_STATUS Status;
        cPoint2D Place;
    };
    const std::vector<cWall_Coords> wall_end = {{50, 0, 50, 60}};
    const std::vector<cWall_Coords> box = {{60, 60, 80, 60}, {80, 60, 80, 80}, {80, 80, 60, 80}, {60, 80, 60, 60}};
    const std::vector<cWall_Coords> corridor = {{20, 0, 20, 40}, {20, 50, 20, 100}, {20, 40, 80, 40},
                                                {20, 50, 80, 50}, {80, 0, 80, 40}, {80, 50, 80, 100}};
    const cCase cases[] = {
        {"a free point stays", {}, {}, {}, {50, 50}, 3, ROUTE_FOUND, {50, 50}},
        {"a point in a grown wall: its nearer side", wall_end, {}, {}, {51, 30}, 3, ROUTE_FOUND, {53, 30}},
        {"equally near sides: the least x", wall_end, {}, {}, {50, 30}, 2, ROUTE_FOUND, {48, 30}},
        {"beyond a wall's grown end", wall_end, {}, {}, {50, 61}, 2, ROUTE_FOUND, {50, 62}},
        {"a point on a wall, for half-size 0", wall_end, {}, {}, {50, 30}, 0, ROUTE_FOUND, {50, 30}},
        {"outside the world", {}, {}, {}, {150, 50}, 0, ROUTE_FOUND, {100, 50}},
        {"outside the world, a larger agent", {}, {}, {}, {150, 50}, 5, ROUTE_FOUND, {95, 50}},
        {"outside a corner", {}, {}, {}, {-10, -20}, 0, ROUTE_FOUND, {0, 0}},
        {"in rock: the face of least y", box, {}, {{70, 70}}, {70, 70}, 0, ROUTE_FOUND, {70, 60}},
        {"in rock, a larger agent", box, {}, {{70, 70}}, {70, 70}, 1, ROUTE_FOUND, {70, 59}},
        {"near the rock's face inside", box, {}, {{70, 70}}, {78, 70}, 0, ROUTE_FOUND, {80, 70}},
        {"on a closed door", corridor, {{50, 40, 50, 50}}, {}, {50, 45}, 4, ROUTE_FOUND, {46, 45}},
        {"no room anywhere", {}, {}, {}, {5, 5}, 51, ROUTE_NO_PLACE, {0, 0}},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name);
        cBounds_Guard bounds(Rect(0, 0, 100, 100));
        std::unique_ptr<cGame_World> w = Load_World(c.Walls);
        for (const cWall_Coords& d : c.Closed_Doors) w->Add_Door(Wall(d));
        for (const cPoint2D& p : c.Solid) w->Add_Solid_Point(p);
        ASSERT_EQ(w->Build(), BUILD_DONE);
        cPoint2D place(-7, -7);
        ASSERT_EQ(w->Find_Standing_Point(c.P, c.Half_Size, place), c.Status);
        if (c.Status == ROUTE_FOUND) {
            EXPECT_EQ(place, c.Place);
        } else {
            EXPECT_EQ(place, cPoint2D(-7, -7));
        }
    }
    // The door open, its place is free.
    std::unique_ptr<cGame_World> w = Build_World(Rect(0, 0, 100, 100), corridor);
    cPoint2D place;
    EXPECT_EQ(w->Find_Standing_Point(cPoint2D(50, 45), 4, place), ROUTE_FOUND);
    EXPECT_EQ(place, cPoint2D(50, 45));
}

// A door is a stretch of the rock's face, open or closed, on whichever side
// of its line the rock lies: its points are not in solid space, and the
// nearest place to a point in the rock beside it lies on it.
TEST(StandingPoint, TheRockEndsAtItsDoorsOpenOrClosed) {
    // A rock room (60,60)-(80,80) whose left or right side is a door.
    for (const int door_x : {60, 80}) {
        for (const bool open : {false, true}) {
            SCOPED_TRACE("door at x " + std::to_string(door_x) + (open ? " open" : " closed"));
            const int wall_x = door_x == 60 ? 80 : 60;
            cBounds_Guard bounds(Rect(0, 0, 100, 100));
            std::unique_ptr<cGame_World> w = Load_World({{60, 60, 80, 60}, {60, 80, 80, 80}, {wall_x, 60, wall_x, 80}});
            w->Add_Door(Wall(door_x, 60, door_x, 80));
            w->Add_Solid_Point(cPoint2D(70, 70));
            ASSERT_EQ(w->Build(), BUILD_DONE);
            w->Set_Door(0, open);
            EXPECT_TRUE(w->Is_Solid(cPoint2D(70, 70)));
            EXPECT_FALSE(w->Is_Solid(cPoint2D(door_x, 70)));
            EXPECT_FALSE(w->Is_Solid(cPoint2D(door_x, 60)));
            cPoint2D place;
            ASSERT_EQ(w->Find_Standing_Point(cPoint2D(door_x == 60 ? 62 : 78, 70), 0, place), ROUTE_FOUND);
            EXPECT_EQ(place, cPoint2D(door_x, 70));
        }
    }
}

TEST(StandingPoint, RefusesWhatItCannotAnswer) {
    std::unique_ptr<cGame_World> w = Build_World(Rect(0, 0, 100, 100), {{50, 0, 50, 60}});
    cPoint2D place;
    EXPECT_EQ(w->Find_Standing_Point(cPoint2D(1, 1), -1, place), ROUTE_BAD_SIZE);
    EXPECT_EQ(w->Find_Standing_Point(cPoint2D(1, 1), COORD_LIMIT + 1, place), ROUTE_BAD_SIZE);
    EXPECT_EQ(w->Find_Standing_Point(cPoint2D(-COORD_LIMIT - 1, 1), 0, place), ROUTE_OUTSIDE);
    std::unique_ptr<cGame_World> unbuilt = Load_World({{50, 0, 50, 60}});
    EXPECT_EQ(unbuilt->Find_Standing_Point(cPoint2D(1, 1), 0, place), ROUTE_NONE);
    // The whole coordinate range away still answers.
    EXPECT_EQ(w->Find_Standing_Point(cPoint2D(COORD_LIMIT, -COORD_LIMIT), 2, place), ROUTE_FOUND);
    EXPECT_EQ(place, cPoint2D(98, 2));
}

// Random levels with doors (some open) and rock, several agent sizes,
// points in and around the world: the place is the oracle's (the nearest
// point where the agent fits and that is out of the rock, the least y, then
// x, among equally near ones), or none when the oracle has none; a route
// from the place to itself is found. STANDING_POINT_LEVELS sets the count
// (default 200), STANDING_POINT_SEED the first seed.
TEST(StandingPoint, AgreesWithTheOracleOnRandomLevels) {
    const int levels = Env_Setting("STANDING_POINT_LEVELS", 200);
    const unsigned first_seed = unsigned(Env_Setting("STANDING_POINT_SEED", 1));
    long moved = 0, none = 0, out_of_rock = 0;
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
        for (int q = 0; q < 8; ++q) {
            const int h = Pick_Half_Size(b, pick);
            const cPoint2D p = Pick_Point(b, pick);
            SCOPED_TRACE("point " + Point_Text(p) + " h " + std::to_string(h));
            const cOracle_Level oracle_level(b, blocking, h);
            const std::vector<cPoint2D> nearest = Oracle_Nearest_Places(b, lines, oracle_level, rock, p, nullptr);
            cPoint2D place;
            const ROUTE_STATUS status = world->Find_Standing_Point(p, h, place);
            if (nearest.empty()) {
                ASSERT_EQ(status, ROUTE_NO_PLACE);
                ++none;
                continue;
            }
            ASSERT_EQ(status, ROUTE_FOUND);
            ASSERT_EQ(place, nearest[0]);
            std::vector<cPoint2D> path;
            ASSERT_EQ(world->Find_Shortest_Path(place, place, h, path), ROUTE_FOUND);
            moved += place != p ? 1 : 0;
            out_of_rock += rock.Is_Solid(p) ? 1 : 0;
        }
    }
    EXPECT_GT(moved, levels);
    EXPECT_GT(none, 0);
    EXPECT_GT(out_of_rock, 0);
}

}  // namespace
