// The shortest-route query for square agents: hand-made levels whose answers
// are known, the statuses, and several threads sharing one world.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "random_level.h"
#include "route/route_mesh.h"
#include "route/route_search.h"
#include "route_oracle.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

typedef std::vector<cPoint2D> tPath;

struct cRoute_Case {
    const char* Name;
    std::vector<cWall_Coords> Walls;
    cRect2D Bounds;
    cPoint2D Start, Goal;
    int Half_Size;
    ROUTE_STATUS Status;
    double Length;  // when found
    tPath Path;     // when found and given (empty: not checked)
};

const double ROOT2 = std::sqrt(2.0);

TEST(ShortestRoute, HandMadeLevels) {
    const cRect2D world = Rect(0, 0, 100, 100);
    const std::vector<cWall_Coords> door_10 = {{50, 0, 50, 40}, {50, 50, 50, 100}};  // a door 10 wide
    const std::vector<cWall_Coords> door_9 = {{50, 0, 50, 40}, {50, 49, 50, 100}};   // 9 wide
    // The only way from left to right: a corridor from x = 20 to x = 80.
    const std::vector<cWall_Coords> corridor_10 = {{20, 0, 20, 40}, {20, 50, 20, 100}, {20, 40, 80, 40},
                                                   {20, 50, 80, 50}, {80, 0, 80, 40}, {80, 50, 80, 100}};
    const std::vector<cWall_Coords> corridor_9 = {{20, 0, 20, 40}, {20, 49, 20, 100}, {20, 40, 80, 40},
                                                  {20, 49, 80, 49}, {80, 0, 80, 40}, {80, 49, 80, 100}};
    const cRoute_Case cases[] = {
        {"open world", {}, world, {10, 10}, {90, 50}, 0, ROUTE_FOUND, std::sqrt(80.0 * 80 + 40 * 40), {{90, 50}}},
        {"a wall end to round", {{50, 0, 50, 60}}, world, {10, 10}, {90, 10}, 0, ROUTE_FOUND, 2 * std::sqrt(40.0 * 40 + 50 * 50),
         {{50, 60}, {90, 10}}},
        {"the same wall end for an agent of half-size 2", {{50, 0, 50, 60}}, world, {10, 10}, {90, 10}, 2, ROUTE_FOUND,
         2 * std::sqrt(38.0 * 38 + 52 * 52) + 4, {{48, 62}, {52, 62}, {90, 10}}},
        {"a door exactly the agent's width", door_10, world, {10, 45}, {90, 45}, 5, ROUTE_FOUND, 80, {{90, 45}}},
        {"a door one unit narrower than the agent", door_9, world, {10, 45}, {90, 45}, 5, ROUTE_NONE, 0, {}},
        {"a corridor exactly the agent's width", corridor_10, world, {5, 45}, {90, 45}, 5, ROUTE_FOUND, 85, {{90, 45}}},
        {"a corridor one unit narrower than the agent", corridor_9, world, {5, 45}, {90, 45}, 5, ROUTE_NONE, 0, {}},
        {"a start inside that corridor", corridor_9, world, {50, 45}, {90, 45}, 5, ROUTE_START_BLOCKED, 0, {}},
        {"walls meeting end to end close the way", {{50, 0, 50, 40}, {50, 40, 50, 100}}, world, {10, 45}, {90, 45}, 0,
         ROUTE_NONE, 0, {}},
        {"an L corner closes the way", {{50, 0, 50, 40}, {50, 40, 100, 40}}, world, {60, 10}, {60, 90}, 0, ROUTE_NONE, 0, {}},
        {"a start on a wall may leave to either side", {{0, 50, 80, 50}}, world, {40, 50}, {40, 90}, 0, ROUTE_FOUND, 40, {{40, 90}}},
        {"the other side", {{0, 50, 80, 50}}, world, {40, 50}, {40, 10}, 0, ROUTE_FOUND, 40, {{40, 10}}},
        {"a start touching a grown wall", {{50, 0, 50, 60}}, world, {47, 30}, {47, 90}, 3, ROUTE_FOUND, 60, {{47, 90}}},
        {"a start one unit too close", {{50, 0, 50, 60}}, world, {48, 30}, {47, 90}, 3, ROUTE_START_BLOCKED, 0, {}},
        {"a goal in a wall's grown square", {{50, 0, 50, 60}}, world, {10, 30}, {52, 61}, 3, ROUTE_GOAL_BLOCKED, 0, {}},
        {"around a wall, touching its end", {{0, 50, 80, 50}}, world, {40, 40}, {40, 60}, 0, ROUTE_FOUND,
         2 * std::sqrt(40.0 * 40 + 10 * 10), {{80, 50}, {40, 60}}},
        {"the world's border counts as walls", {}, world, {2, 50}, {50, 50}, 3, ROUTE_START_BLOCKED, 0, {}},
        {"an agent as large as the world", {}, Rect(0, 0, 10, 10), {5, 5}, {5, 5}, 5, ROUTE_FOUND, 0, {{5, 5}}},
        {"no room beside the centre", {}, Rect(0, 0, 10, 10), {5, 5}, {6, 5}, 5, ROUTE_GOAL_BLOCKED, 0, {}},
        {"a point outside the world", {}, world, {-1, 50}, {50, 50}, 0, ROUTE_OUTSIDE, 0, {}},
        {"a diagonal squeeze between two corners", {{0, 40, 40, 40}, {40, 40, 40, 0}, {50, 50, 100, 50}, {50, 50, 50, 100}},
         world, {10, 80}, {80, 10}, 5, ROUTE_FOUND, 70 * ROOT2, {{80, 10}}},
        {"bending at that squeeze", {{0, 40, 40, 40}, {40, 40, 40, 0}, {50, 50, 100, 50}, {50, 50, 50, 100}}, world,
         {10, 90}, {90, 10}, 5, ROUTE_FOUND, 2 * std::sqrt(35.0 * 35 + 45 * 45), {{45, 45}, {90, 10}}},
    };
    for (const cEngine engine : {cEngine::FAST, cEngine::REFERENCE}) {
        for (const cRoute_Case& c : cases) {
            SCOPED_TRACE(c.Name);
            std::unique_ptr<cGame_World> w = Build_World(c.Bounds, c.Walls, engine);
            tPath path = {{1, 1}};
            double length = -1;
            EXPECT_EQ(w->Find_Shortest_Path(c.Start, c.Goal, c.Half_Size, path, &length), c.Status);
            if (c.Status != ROUTE_FOUND) {
                EXPECT_TRUE(path.empty());
                continue;
            }
            EXPECT_NEAR(length, c.Length, 1e-9 * (1 + c.Length));
            if (!c.Path.empty()) {
                EXPECT_EQ(path, c.Path);
            }
        }
    }
}

TEST(ShortestRoute, RefusesWhatItCannotAnswer) {
    std::unique_ptr<cGame_World> w = Build_World(Rect(0, 0, 100, 100), {{50, 0, 50, 60}});
    tPath path;
    EXPECT_EQ(w->Find_Shortest_Path(cPoint2D(1, 1), cPoint2D(9, 9), -1, path), ROUTE_BAD_SIZE);
    EXPECT_EQ(w->Find_Shortest_Path(cPoint2D(1, 1), cPoint2D(9, 9), COORD_LIMIT + 1, path), ROUTE_BAD_SIZE);
    std::unique_ptr<cGame_World> unbuilt = Load_World({{50, 0, 50, 60}});
    EXPECT_EQ(unbuilt->Find_Shortest_Path(cPoint2D(1, 1), cPoint2D(9, 9), 0, path), ROUTE_NONE);
}

// Several threads asking one world for routes of several sizes at once,
// the per-size structures made on the first query of each size.
TEST(Engines, ThreadsShareTheRouteQuery) {
    std::unique_ptr<cGame_World> w = Build_World(
        Rect(0, 0, 200, 200), {{50, 0, 50, 150}, {100, 50, 100, 200}, {150, 0, 150, 150}, {0, 100, 30, 100}});
    const cPoint2D start(10, 10), goal(190, 190);
    std::vector<double> expected(4);
    {
        // The answers one thread gets, on a twin world.
        std::unique_ptr<cGame_World> twin = Build_World(
            Rect(0, 0, 200, 200), {{50, 0, 50, 150}, {100, 50, 100, 200}, {150, 0, 150, 150}, {0, 100, 30, 100}});
        tPath path;
        for (int h = 0; h < 4; ++h) twin->Find_Shortest_Path(start, goal, h, path, &expected[std::size_t(h)]);
    }
    std::vector<std::thread> workers;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&, t] {
            tPath path;
            for (int i = 0; i < 50; ++i) {
                const int h = (t + i) % 4;
                double length = 0;
                if (w->Find_Shortest_Path(start, goal, h, path, &length) != ROUTE_FOUND ||
                    length != expected[std::size_t(h)])
                    ++wrong[std::size_t(t)];
            }
        });
    for (std::thread& worker : workers) worker.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[std::size_t(t)], 0) << "thread " << t;
}

}  // namespace

namespace {

ROUTE_STATUS From_Oracle(cOracle_Status s) {
    switch (s) {
    case ORACLE_FOUND: return ROUTE_FOUND;
    case ORACLE_START_BLOCKED: return ROUTE_START_BLOCKED;
    case ORACLE_GOAL_BLOCKED: return ROUTE_GOAL_BLOCKED;
    case ORACLE_OUTSIDE: return ROUTE_OUTSIDE;
    default: return ROUTE_NONE;
    }
}

// On small random levels with the awkward cases, for several agent sizes:
// the status and the length are the oracle's (an exhaustive search over the
// corners of the grown walls), and every step of the route is valid for its
// agent by the oracle's own exact check. SHORTEST_ROUTE_LEVELS sets the count
// (default 300), SHORTEST_ROUTE_SEED the first seed.
TEST(ShortestRoute, AgreesWithTheOracleOnRandomLevels) {
    const int levels = Env_Setting("SHORTEST_ROUTE_LEVELS", 300);
    const unsigned first_seed = unsigned(Env_Setting("SHORTEST_ROUTE_SEED", 1));
    long routes = 0;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        cLevel_Maker maker(seed);
        // Mostly small worlds, where walls meet often; now and then the
        // larger ones of the engines' tests.
        const cLevel level = n % 4 == 3 ? maker.Make() : maker.Make_Small(40, 12);
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + Describe(level));
        std::unique_ptr<cGame_World> world(new cGame_World());
        {
            cBounds_Guard bounds(level.Bounds);
            Build_Level(level, *world);
        }
        std::mt19937 rng(seed);
        const cRect2D& b = level.Bounds;
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (int q = 0; q < 8; ++q) {
            const cPoint2D start(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
            const cPoint2D goal(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
            const int h = pick(0, 3) * (std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y) > 200 ? pick(1, 20) : 1);
            SCOPED_TRACE("route from " + std::to_string(start.x) + "," + std::to_string(start.y) + " to " +
                         std::to_string(goal.x) + "," + std::to_string(goal.y) + " h " + std::to_string(h));
            const cOracle_Answer expected = Oracle_Shortest_Route(b, level.Walls, start, goal, h);
            tPath path;
            double length = -1;
            const ROUTE_STATUS status = world->Find_Shortest_Path(start, goal, h, path, &length);
            ASSERT_EQ(status, From_Oracle(expected.Status));
            if (status != ROUTE_FOUND) continue;
            ++routes;
            ASSERT_NEAR(length, expected.Length, 1e-9 * (1 + expected.Length));
            std::vector<cPoint2D> route{start};
            route.insert(route.end(), path.begin(), path.end());
            std::string why;
            ASSERT_TRUE(Oracle_Route_Is_Valid(b, level.Walls, route, h, &why)) << why;
        }
    }
    EXPECT_GT(routes, levels);  // most queries find a route
}

ROUTE_SEARCH_RESULT From_Oracle_Search(cOracle_Status s) {
    switch (s) {
    case ORACLE_FOUND: return SEARCH_FOUND;
    case ORACLE_START_BLOCKED: return SEARCH_START_BLOCKED;
    case ORACLE_GOAL_BLOCKED: return SEARCH_GOAL_BLOCKED;
    default: return SEARCH_NO_ROUTE;
    }
}

// Small levels with doors whose answers are known, each door open and
// closed: the route mesh is built once per level and agent size, and only
// the doors' states change between the queries. States read 'o' (open) and
// 'c' (closed), door by door.
TEST(ShortestRoute, HandMadeDoors) {
    struct cCase {
        const char* Name;
        std::vector<cWall_Coords> Walls, Doors;
        cPoint2D Start, Goal;
        int Half_Size;
        const char* States;
        ROUTE_SEARCH_RESULT Status;
        double Length;  // when found
    };
    const cRect2D world = Rect(0, 0, 100, 100);
    // A corridor 10 wide from x = 20 to x = 80, the only way across.
    const std::vector<cWall_Coords> corridor = {{20, 0, 20, 40}, {20, 50, 20, 100}, {20, 40, 80, 40},
                                                {20, 50, 80, 50}, {80, 0, 80, 40}, {80, 50, 80, 100}};
    const std::vector<cWall_Coords> split = {{50, 0, 50, 30}, {50, 70, 50, 100}};  // a gap from y = 30 to 70
    const cCase cases[] = {
        {"door across a corridor, closed", corridor, {{50, 40, 50, 50}}, {10, 45}, {90, 45}, 0, "c", SEARCH_NO_ROUTE, 0},
        {"door across a corridor, open", corridor, {{50, 40, 50, 50}}, {10, 45}, {90, 45}, 0, "o", SEARCH_FOUND, 80},
        {"open door, agent just fits", corridor, {{50, 40, 50, 50}}, {10, 45}, {90, 45}, 5, "o", SEARCH_FOUND, 80},
        {"open door, agent too wide", corridor, {{50, 40, 50, 50}}, {10, 45}, {90, 45}, 6, "o", SEARCH_NO_ROUTE, 0},
        {"door closed, agent's square on it", corridor, {{50, 40, 50, 50}}, {48, 45}, {90, 45}, 4, "c",
         SEARCH_START_BLOCKED, 0},
        {"door open, agent's square on it", corridor, {{50, 40, 50, 50}}, {48, 45}, {90, 45}, 4, "o", SEARCH_FOUND,
         42},
        {"goal on a closed door, agent of size 0", corridor, {{50, 40, 50, 50}}, {10, 45}, {50, 45}, 0, "c",
         SEARCH_FOUND, 40},
        {"two doors in one gap, lower open", split, {{50, 30, 50, 50}, {50, 50, 50, 70}}, {40, 60}, {60, 60}, 0,
         "oc", SEARCH_FOUND, 2 * std::sqrt(200.0)},
        {"two doors in one gap, both open", split, {{50, 30, 50, 50}, {50, 50, 50, 70}}, {40, 60}, {60, 60}, 0,
         "oo", SEARCH_FOUND, 20},
        {"two doors in one gap, both closed", split, {{50, 30, 50, 50}, {50, 50, 50, 70}}, {40, 60}, {60, 60}, 0,
         "cc", SEARCH_NO_ROUTE, 0},
        {"door one unit long", {{50, 0, 50, 49}, {50, 50, 50, 100}}, {{50, 49, 50, 50}}, {40, 45}, {60, 45}, 0, "o",
         SEARCH_FOUND, 2 * std::sqrt(116.0)},
        {"door on the world's border", {}, {{0, 10, 0, 90}}, {10, 10}, {10, 90}, 0, "o", SEARCH_FOUND, 80},
        {"door on the world's border, closed", {}, {{0, 10, 0, 90}}, {10, 10}, {10, 90}, 3, "c", SEARCH_FOUND, 80},
        {"door across a wall, open", {{50, 0, 50, 100}}, {{30, 50, 70, 50}}, {40, 60}, {40, 40}, 2, "o",
         SEARCH_FOUND, 20},
        {"door across a wall, closed", {{50, 0, 50, 100}}, {{30, 50, 70, 50}}, {40, 60}, {40, 40}, 2, "c",
         SEARCH_FOUND, 2 * std::sqrt(12.0 * 12.0 + 8.0 * 8.0) + 4},
        {"door covering a whole side of a room", {{0, 60, 30, 60}, {70, 60, 100, 60}}, {{30, 60, 70, 60}},
         {50, 90}, {50, 10}, 1, "c", SEARCH_NO_ROUTE, 0},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<cHV_Wall> walls, doors;
        for (const cWall_Coords& w : c.Walls) walls.push_back(Wall(w));
        for (const cWall_Coords& d : c.Doors) doors.push_back(Wall(d));
        cRoute_Mesh mesh;
        mesh.Build(walls, doors, world, c.Half_Size);
        std::vector<unsigned char> open;
        for (const char* state = c.States; *state != 0; ++state) open.push_back(*state == 'o');
        tPath path;
        double length = -1;
        EXPECT_EQ(Search_Route(mesh, c.Start, c.Goal, open.data(), path, length), c.Status);
        if (c.Status == SEARCH_FOUND) {
            EXPECT_NEAR(length, c.Length, 1e-9 * c.Length);
        }
        // Every door closed is the same as no state at all.
        if (std::string(c.States).find('o') == std::string::npos) {
            double closed_length = -1;
            EXPECT_EQ(Search_Route(mesh, c.Start, c.Goal, nullptr, path, closed_length), c.Status);
        }
    }
}

// Doors in the route mesh, on random levels: some of the generator's walls
// (with all its awkward cases: on the border lines, crossing walls, in line
// with walls, of zero length) become doors. The mesh of each agent size is
// built once with the doors; then, for random open and closed states, the
// status and the length are the oracle's on the walls plus the closed doors,
// and every route is valid there. SHORTEST_ROUTE_DOOR_LEVELS sets the count
// (default 300), SHORTEST_ROUTE_SEED the first seed.
TEST(ShortestRoute, DoorsAgreeWithTheOracleOnRandomLevels) {
    const int levels = Env_Setting("SHORTEST_ROUTE_DOOR_LEVELS", 300);
    const unsigned first_seed = unsigned(Env_Setting("SHORTEST_ROUTE_SEED", 1));
    long routes = 0, through_open = 0;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        cLevel_Maker maker(seed);
        const cLevel made = n % 4 == 3 ? maker.Make() : maker.Make_Small(40, 16);
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        std::vector<cHV_Wall> walls, doors;
        const int door_share = pick(1, 3);  // about a quarter to three quarters of the walls
        for (const cHV_Wall& w : made.Walls) (pick(0, 3) < door_share ? doors : walls).push_back(w);
        const cRect2D& b = made.Bounds;
        std::ostringstream text;
        text << Describe(cLevel{b, walls}) << "<DOORS>\n";
        for (const cHV_Wall& d : doors) text << d.p0 << "->" << d.p1 << "\n";
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + text.str());
        for (int sizes = 0; sizes < 2; ++sizes) {
            const int h = pick(0, 3) * (std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y) > 200 ? pick(1, 20) : 1);
            cRoute_Mesh mesh;
            mesh.Build(walls, doors, b, h);
            for (int state = 0; state < 3; ++state) {
                // All closed (no state given), then random states.
                std::vector<unsigned char> open(doors.size());
                for (unsigned char& o : open) o = (unsigned char)(state > 0 && pick(0, 1) == 1);
                std::vector<cHV_Wall> blocking = walls;
                std::string states;
                for (std::size_t i = 0; i < doors.size(); ++i) {
                    if (!open[i]) blocking.push_back(doors[i]);
                    states += open[i] ? 'o' : 'c';
                }
                for (int q = 0; q < 4; ++q) {
                    const cPoint2D start(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
                    const cPoint2D goal(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
                    SCOPED_TRACE("doors " + states + " route from " + std::to_string(start.x) + "," +
                                 std::to_string(start.y) + " to " + std::to_string(goal.x) + "," +
                                 std::to_string(goal.y) + " h " + std::to_string(h));
                    const cOracle_Answer expected = Oracle_Shortest_Route(b, blocking, start, goal, h);
                    tPath path;
                    double length = -1;
                    const ROUTE_SEARCH_RESULT status =
                        Search_Route(mesh, start, goal, state > 0 ? open.data() : nullptr, path, length);
                    ASSERT_EQ(status, From_Oracle_Search(expected.Status));
                    if (status != SEARCH_FOUND) continue;
                    ++routes;
                    ASSERT_NEAR(length, expected.Length, 1e-9 * (1 + expected.Length));
                    std::vector<cPoint2D> route{start};
                    route.insert(route.end(), path.begin(), path.end());
                    std::string why;
                    ASSERT_TRUE(Oracle_Route_Is_Valid(b, blocking, route, h, &why)) << why;
                    // Routes that would cross a door were it closed.
                    if (!Oracle_Route_Is_Valid(b, made.Walls, route, h, nullptr)) ++through_open;
                }
            }
        }
    }
    EXPECT_GT(routes, levels);
    EXPECT_GT(through_open, levels / 20);  // open doors are passed, not only walked around
}

// A level where routes tie along a line (found by the route-cut oracle): a
// wall parts the world and a row of short doors, some open, some closed,
// stands on one line with a long open door one unit beside it, so that
// every corner on the line sees every gap, equally far. The search behind
// a failed Search_Route kept every tie: seconds and a quarter of a gigabyte
// on these 98 cells (11 GB on the 667 cells it came from), and Search_Ways
// from the same point did not end within a minute. Now both end in well
// under a second.
TEST(ShortestRoute, SearchesEndWhereRoutesTieAlongARowOfDoors) {
    const cRect2D bounds = Rect(0, -2341, 6594, 4253);
    const std::vector<cHV_Wall> walls = {Wall(4790, -2341, 4790, 4253)};
    struct cDoor {
        int X1, Y1, X2, Y2;
        bool Open;
    };
    const cDoor made[] = {
        {642, 2573, 642, 2601, true},  {642, 2609, 642, 2637, true},  {642, 1313, 642, 1341, true},
        {642, 3617, 642, 3645, true},  {642, 2069, 642, 2097, true},  {642, 809, 642, 837, false},
        {642, 3941, 642, 3969, true},  {642, 2753, 642, 2781, true},  {642, 1385, 642, 1413, false},
        {642, 953, 642, 981, false},   {642, 3689, 642, 3717, true},  {642, 1673, 642, 1701, true},
        {642, 2861, 642, 2889, true},  {642, 3365, 642, 3393, true},  {642, 1961, 642, 1989, true},
        {642, 2537, 642, 2565, true},  {642, 2465, 642, 2493, false}, {642, 4049, 642, 4077, true},
        {643, 890, 643, 1705, true},   {642, 1013, 5146, 1013, true}, {642, 3161, 642, 3296, true},
        {642, 703, 6368, 703, false},
    };
    std::vector<cHV_Wall> doors;
    std::vector<unsigned char> open;
    for (const cDoor& d : made) {
        doors.push_back(Wall(d.X1, d.Y1, d.X2, d.Y2));
        open.push_back(d.Open ? 1 : 0);
    }
    cRoute_Mesh mesh;
    mesh.Build(walls, doors, bounds, 0);
    ASSERT_EQ(mesh.Cells().size(), 98u);
    std::vector<cPoint2D> path;
    double length = 0;
    // The wall at x = 4790 parts them: no route, found after a search as
    // large as the mesh, not one of millions of intervals.
    EXPECT_EQ(Search_Route(mesh, cPoint2D(2989, -608), cPoint2D(4939, 2402), open.data(), path, length),
              SEARCH_NO_ROUTE);
    cRoute_Ways ways;
    EXPECT_EQ(Search_Ways(mesh, cPoint2D(2989, -608), open.data(), ways), SEARCH_NO_ROUTE);
    EXPECT_LT(ways.Cone_Bytes.size(), std::size_t(1) << 20);
}

}  // namespace