// Route fields (cRoute_Field): the route from every start to one goal, built
// once. Every answer is the single query's (status, and length within
// 1e-9): on hand-made cases with doors changing, then on random levels with
// doors and rock, every status among them. A door changed since the build
// makes every answer ROUTE_STALE until the field is built again.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "route_levels.h"
#include "route_oracle.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

// The field's answer for start against the world's single query; the
// route is checked against the oracle on blocking.
void Expect_Same_As_Single(const cGame_World& world, const cRoute_Field& field, const cPoint2D& start,
                           const cRect2D& bounds, const std::vector<cHV_Wall>& blocking, long* found = nullptr) {
    SCOPED_TRACE("start " + Point_Text(start));
    std::vector<cPoint2D> path, single_path;
    double length = -1, single_length = -1;
    const ROUTE_STATUS status = field.Route(start, path, &length);
    const ROUTE_STATUS single =
        world.Find_Shortest_Path(start, field.Goal(), field.Half_Size(), single_path, &single_length);
    ASSERT_EQ(status, single);
    if (status != ROUTE_FOUND) {
        ASSERT_TRUE(path.empty());
        return;
    }
    ASSERT_NEAR(length, single_length, 1e-9 * (1 + single_length));
    ASSERT_EQ(path.back(), field.Goal());
    std::vector<cPoint2D> route{start};
    route.insert(route.end(), path.begin(), path.end());
    std::string why;
    ASSERT_TRUE(Oracle_Route_Is_Valid(bounds, blocking, route, field.Half_Size(), &why)) << why;
    if (found != nullptr) ++*found;
}

TEST(RouteField, AnswersAsSingleQueriesAndGoesStaleWhenADoorChanges) {
    // A corridor 10 wide, the only way from left to right, with a door
    // across it; a rock room at the bottom right.
    const std::vector<cWall_Coords> walls = {{20, 0, 20, 40},   {20, 50, 20, 100}, {20, 40, 80, 40}, {20, 50, 80, 50},
                                             {80, 0, 80, 40},   {80, 50, 80, 100}, {85, 5, 95, 5},   {95, 5, 95, 15},
                                             {95, 15, 85, 15}, {85, 15, 85, 5}};
    cBounds_Guard bounds(Rect(0, 0, 100, 100));
    std::unique_ptr<cGame_World> w = Load_World(walls);
    w->Add_Door(Wall(50, 40, 50, 50));
    w->Add_Solid_Point(cPoint2D(90, 10));
    ASSERT_EQ(w->Build(), BUILD_DONE);
    const cPoint2D starts[] = {{10, 45}, {10, 90}, {30, 45}, {50, 45}, {60, 45}, {90, 90}, {90, 10}, {-1, 5},
                               {20, 45}, {0, 0},   {100, 100}, {85, 45}};
    std::vector<cHV_Wall> closed, open;
    for (const cWall_Coords& c : walls) open.push_back(Wall(c));
    closed = open;
    closed.push_back(Wall(50, 40, 50, 50));
    for (const int h : {0, 3, 5, 6}) {
        SCOPED_TRACE("h " + std::to_string(h));
        cRoute_Field field;
        std::vector<cPoint2D> path;
        EXPECT_EQ(field.Route(cPoint2D(10, 45), path), ROUTE_NONE);  // never built
        EXPECT_FALSE(field.Is_Stale());
        w->Set_Door(0, false);
        ASSERT_EQ(field.Build(*w, cPoint2D(90, 45), h), ROUTE_FOUND);
        EXPECT_GT(field.Footprint(), 0u);
        for (const cPoint2D& s : starts) Expect_Same_As_Single(*w, field, s, Rect(0, 0, 100, 100), closed);
        // The door opens: stale until built again.
        w->Set_Door(0, true);
        EXPECT_TRUE(field.Is_Stale());
        for (const cPoint2D& s : starts) EXPECT_EQ(field.Route(s, path), ROUTE_STALE);
        ASSERT_EQ(field.Build(*w, field.Goal(), field.Half_Size()), ROUTE_FOUND);
        EXPECT_FALSE(field.Is_Stale());
        for (const cPoint2D& s : starts) Expect_Same_As_Single(*w, field, s, Rect(0, 0, 100, 100), open);
        // Back as it was: the states are the build's again.
        w->Set_Door(0, false);
        w->Set_Door(0, true);
        EXPECT_FALSE(field.Is_Stale());
    }
    // Goals the agent cannot stand at: every answer is still the single
    // query's, the start's statuses first.
    struct cGoal_Case {
        cPoint2D Goal;
        int Half_Size;
        ROUTE_STATUS Status;
    };
    const cGoal_Case goals[] = {{{90, 10}, 0, ROUTE_GOAL_BLOCKED}, {{21, 30}, 3, ROUTE_GOAL_BLOCKED},
                                {{101, 30}, 0, ROUTE_OUTSIDE},     {{10, 10}, -1, ROUTE_BAD_SIZE},
                                {{10, 10}, 51, ROUTE_GOAL_BLOCKED}};
    for (const cGoal_Case& g : goals) {
        SCOPED_TRACE("goal " + Point_Text(g.Goal) + " h " + std::to_string(g.Half_Size));
        cRoute_Field field;
        ASSERT_EQ(field.Build(*w, g.Goal, g.Half_Size), g.Status);
        for (const cPoint2D& s : starts) Expect_Same_As_Single(*w, field, s, Rect(0, 0, 100, 100), open);
    }
    // A world built after the field: the field is stale.
    std::unique_ptr<cGame_World> later = Load_World(walls);
    cRoute_Field field;
    ASSERT_EQ(field.Build(*later, cPoint2D(90, 45), 0), ROUTE_NONE);
    std::vector<cPoint2D> path;
    EXPECT_EQ(field.Route(cPoint2D(10, 45), path), ROUTE_NONE);
    later->Build();
    EXPECT_EQ(field.Route(cPoint2D(10, 45), path), ROUTE_STALE);
    // Moved, the field answers as before.
    cRoute_Field moved(std::move(field));
    EXPECT_EQ(moved.Route(cPoint2D(10, 45), path), ROUTE_STALE);
}

// Random levels with doors (some open) and rock: fields for random goals
// (some blocked, in rock or outside) and agent sizes answer every start as
// the single query does, the routes valid; a door changed makes them stale,
// and built again they agree again. ROUTE_FIELD_LEVELS sets the count
// (default 150), ROUTE_FIELD_SEED the first seed.
TEST(RouteField, AgreesWithSingleQueriesOnRandomLevels) {
    const int levels = Env_Setting("ROUTE_FIELD_LEVELS", 150);
    const unsigned first_seed = unsigned(Env_Setting("ROUTE_FIELD_SEED", 1));
    long found = 0, answers = 0;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        cRoute_Level level = Make_Route_Level(seed, n);
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + level.Text());
        std::unique_ptr<cGame_World> world = Build_Route_World(level);
        ASSERT_TRUE(world != nullptr);
        const cRect2D& b = level.Bounds;
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (int f = 0; f < 2; ++f) {
            const int h = Pick_Half_Size(b, pick);
            const cPoint2D goal = Pick_Point(b, pick);
            SCOPED_TRACE("goal " + Point_Text(goal) + " h " + std::to_string(h));
            cRoute_Field field;
            field.Build(*world, goal, h);
            for (int round = 0; round < 2; ++round) {
                const std::vector<cHV_Wall> blocking = level.Blocking();
                for (int q = 0; q < 20; ++q) {
                    Expect_Same_As_Single(*world, field, Pick_Point(b, pick), b, blocking, &found);
                    ++answers;
                }
                if (level.Doors.empty()) break;
                // A door changes: stale, then built again.
                const int d = pick(0, int(level.Doors.size()) - 1);
                level.Open[std::size_t(d)] = !level.Open[std::size_t(d)];
                world->Set_Door(d, level.Open[std::size_t(d)] != 0);
                std::vector<cPoint2D> path;
                ASSERT_EQ(field.Route(Pick_Point(b, pick), path), ROUTE_STALE);
                field.Build(*world, goal, h);
            }
        }
    }
    EXPECT_GT(found, answers / 4);
}

// A large field: a lattice of pillars and a wall with a hundred gaps give
// thousands of roots, cells with over a hundred portals on a side, and
// cones whose roots and ends lie far apart in the field's numbering, which
// the small random levels never reach. Every answer is the single query's.
TEST(RouteField, AgreesWithSingleQueriesOnALargeLevel) {
    const cRect2D bounds = Rect(0, 0, 400, 400);
    std::vector<cWall_Coords> walls;
    for (int y = 10; y < 200; y += 6)
        for (int x = 10; x < 390; x += 6) {
            walls.push_back({x, y, x + 2, y});
            walls.push_back({x + 2, y, x + 2, y + 2});
            walls.push_back({x, y + 2, x + 2, y + 2});
            walls.push_back({x, y, x, y + 2});
        }
    for (int x = 0; x < 400; x += 4) walls.push_back({x, 300, x + 2, 300});  // gaps of 2
    std::unique_ptr<cGame_World> world = Build_World(bounds, walls);
    std::vector<cHV_Wall> blocking;
    for (const cWall_Coords& c : walls) blocking.push_back(Wall(c));
    std::mt19937 rng(5);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (const int h : {0, 1}) {
        SCOPED_TRACE("h " + std::to_string(h));
        cRoute_Field field;
        ASSERT_EQ(field.Build(*world, cPoint2D(200, 395), h), ROUTE_FOUND);
        long found = 0;
        for (int q = 0; q < 60; ++q)
            Expect_Same_As_Single(*world, field, cPoint2D(pick(0, 400), pick(0, 400)), bounds, blocking, &found);
        EXPECT_GT(found, 40);
    }
}

// Several threads asking one field at once get the answers one thread gets.
TEST(Engines, ThreadsShareARouteField) {
    std::unique_ptr<cGame_World> w = Build_World(
        Rect(0, 0, 200, 200), {{50, 0, 50, 150}, {100, 50, 100, 200}, {150, 0, 150, 150}, {0, 100, 30, 100}});
    cRoute_Field field;
    ASSERT_EQ(field.Build(*w, cPoint2D(190, 190), 2), ROUTE_FOUND);
    std::vector<cPoint2D> starts;
    for (int y = 0; y <= 200; y += 20)
        for (int x = 0; x <= 200; x += 20) starts.push_back(cPoint2D(x, y));
    Expect_Same_Answers_From_Threads(starts, [&field](const cPoint2D& s) {
        std::vector<cPoint2D> path;
        double length = 0;
        const ROUTE_STATUS status = field.Route(s, path, &length);
        std::ostringstream text;
        text << int(status) << " " << length;
        for (const cPoint2D& p : path) text << " " << p;
        return text.str();
    });
}

}  // namespace
