// The nearest of several goals by route length (Find_Nearest_Goal):
// hand-made cases, the statuses, then random levels with doors and rock
// against single route queries to each goal.
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

TEST(NearestGoal, HandMadeCases) {
    struct cCase {
        const char* Name;
        cPoint2D Start;
        std::vector<cPoint2D> Goals;
        int Half_Size;
        ROUTE_STATUS Status;
        int Goal;       // when found
        double Length;  // when found
    };
    // A wall from the bottom almost to the top: the goal beyond it is near
    // as the crow flies, far by route.
    const cCase cases[] = {
        {"the nearer by route, not as the crow flies", {40, 10}, {{60, 10}, {10, 10}}, 0, ROUTE_FOUND, 1, 30},
        {"around the wall when nothing else is there", {40, 10}, {{60, 10}}, 0, ROUTE_FOUND, 0,
         2 * std::sqrt(10.0 * 10 + 80.0 * 80)},
        {"a goal where the agent does not fit is passed over", {40, 10}, {{50, 50}, {40, 40}}, 2, ROUTE_FOUND, 1, 30},
        {"a goal outside the world is passed over", {40, 10}, {{-5, 10}, {40, 40}}, 0, ROUTE_FOUND, 1, 30},
        {"a goal given twice", {40, 10}, {{40, 40}, {40, 40}}, 0, ROUTE_FOUND, 0, 30},
        {"the start itself", {40, 10}, {{60, 10}, {40, 10}}, 0, ROUTE_FOUND, 1, 0},
        {"every goal blocked", {40, 10}, {{50, 50}, {51, 20}}, 2, ROUTE_GOAL_BLOCKED, -1, 0},
        {"blocked or outside", {40, 10}, {{50, 50}, {500, 20}}, 2, ROUTE_GOAL_BLOCKED, -1, 0},
        {"every goal outside", {40, 10}, {{-1, 10}, {40, 101}}, 0, ROUTE_OUTSIDE, -1, 0},
        {"no goal", {40, 10}, {}, 0, ROUTE_NONE, -1, 0},
        {"no goal reachable", {40, 10}, {{95, 10}}, 5, ROUTE_NONE, -1, 0},
        {"a start that does not fit", {49, 10}, {{10, 10}}, 2, ROUTE_START_BLOCKED, -1, 0},
        {"a start outside", {40, -1}, {{10, 10}}, 0, ROUTE_OUTSIDE, -1, 0},
    };
    // The wall, and a room at the right whose doorway is 8 wide.
    std::unique_ptr<cGame_World> w =
        Build_World(Rect(0, 0, 100, 100), {{50, 0, 50, 90}, {90, 0, 90, 40}, {90, 48, 90, 100}});
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<cPoint2D> path = {{1, 1}};
        double length = -1;
        int goal = -2;
        ASSERT_EQ(w->Find_Nearest_Goal(c.Start, c.Goals, c.Half_Size, path, &length, &goal), c.Status);
        if (c.Status != ROUTE_FOUND) {
            EXPECT_TRUE(path.empty());
            EXPECT_EQ(goal, -1);
            continue;
        }
        ASSERT_GE(goal, 0);
        EXPECT_EQ(c.Goals[std::size_t(goal)], c.Goals[std::size_t(c.Goal)]);  // a goal given twice: either
        EXPECT_NEAR(length, c.Length, 1e-9 * (1 + c.Length));
        EXPECT_EQ(path.back(), c.Goals[std::size_t(c.Goal)]);
    }
    std::vector<cPoint2D> path;
    EXPECT_EQ(w->Find_Nearest_Goal(cPoint2D(1, 1), {cPoint2D(9, 9)}, -1, path), ROUTE_BAD_SIZE);
    std::unique_ptr<cGame_World> unbuilt = Load_World({{50, 0, 50, 60}});
    EXPECT_EQ(unbuilt->Find_Nearest_Goal(cPoint2D(1, 1), {cPoint2D(9, 9)}, 0, path), ROUTE_NONE);
}

// The start's own status, as a query from the start to itself gives it.
ROUTE_STATUS Start_Status(const cGame_World& world, const cPoint2D& start, int h) {
    std::vector<cPoint2D> path;
    return world.Find_Shortest_Path(start, start, h, path);
}

// Random levels with doors (some open) and rock, one to twenty goals (more
// than the search's estimate and goal lists hold, now and then), some
// outside the world: the answer is that of the single queries to each goal
// (the least length among those found, a goal reached at that length) and
// its route is valid. NEAREST_GOAL_LEVELS sets the count (default 200),
// NEAREST_GOAL_SEED the first seed.
struct cNearest_Counts {
    long Found = 0, Many = 0, Not_Nearest = 0;
};

void Check_Nearest_Goals(unsigned first_seed, int levels, cNearest_Counts& counts) {
    long& found = counts.Found;
    long& many = counts.Many;
    long& not_nearest = counts.Not_Nearest;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        const cRoute_Level level = Make_Route_Level(seed, n);
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + level.Text());
        std::unique_ptr<cGame_World> world = Build_Route_World(level);
        ASSERT_TRUE(world != nullptr);
        const cRect2D& b = level.Bounds;
        const std::vector<cHV_Wall> blocking = level.Blocking();
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (int q = 0; q < 4; ++q) {
            const int h = Pick_Half_Size(b, pick);
            const cPoint2D start(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
            std::vector<cPoint2D> goals;
            for (int k = pick(0, 3) == 0 ? pick(9, 20) : pick(1, 4); k > 0; --k) goals.push_back(Pick_Point(b, pick));
            std::string text = "from " + Point_Text(start) + " h " + std::to_string(h) + " to";
            for (const cPoint2D& g : goals) text += " " + Point_Text(g);
            SCOPED_TRACE(text);
            // The single queries.
            double least = -1;
            bool all_outside = true, all_unusable = true;
            std::vector<double> lengths(goals.size(), -1);
            std::vector<cPoint2D> path;
            for (std::size_t i = 0; i < goals.size(); ++i) {
                double length = 0;
                const ROUTE_STATUS s = world->Find_Shortest_Path(start, goals[i], h, path, &length);
                if (s == ROUTE_FOUND) {
                    lengths[i] = length;
                    if (least < 0 || length < least) least = length;
                }
                all_outside = all_outside && !Oracle_In_Rect(b, goals[i]);
                all_unusable = all_unusable && (s == ROUTE_OUTSIDE || s == ROUTE_GOAL_BLOCKED);
            }
            double length = -1;
            int goal = -2;
            const ROUTE_STATUS status = world->Find_Nearest_Goal(start, goals, h, path, &length, &goal);
            const ROUTE_STATUS start_status = Start_Status(*world, start, h);
            if (start_status != ROUTE_FOUND) {
                ASSERT_EQ(status, start_status);
                continue;
            }
            if (least < 0) {
                ASSERT_EQ(status, all_outside ? ROUTE_OUTSIDE : all_unusable ? ROUTE_GOAL_BLOCKED : ROUTE_NONE);
                ASSERT_EQ(goal, -1);
                continue;
            }
            ASSERT_EQ(status, ROUTE_FOUND);
            ASSERT_GE(goal, 0);
            ASSERT_LT(goal, int(goals.size()));
            ASSERT_NEAR(length, least, 1e-9 * (1 + least));
            ASSERT_NEAR(lengths[std::size_t(goal)], least, 1e-9 * (1 + least));
            ASSERT_EQ(path.back(), goals[std::size_t(goal)]);
            std::vector<cPoint2D> route{start};
            route.insert(route.end(), path.begin(), path.end());
            std::string why;
            ASSERT_TRUE(Oracle_Route_Is_Valid(b, blocking, route, h, &why)) << why;
            ++found;
            many += goals.size() > 8 ? 1 : 0;
            // The nearest by route is not always the nearest as the crow flies.
            for (std::size_t i = 0; i < goals.size(); ++i)
                if (lengths[i] >= 0 && Square_Distance(start, goals[i]) < Square_Distance(start, goals[std::size_t(goal)])) {
                    ++not_nearest;
                    break;
                }
        }
    }
}

TEST(NearestGoal, AgreesWithSingleQueriesOnRandomLevels) {
    const int levels = Env_Setting("NEAREST_GOAL_LEVELS", 200);
    const unsigned first_seed = unsigned(Env_Setting("NEAREST_GOAL_SEED", 1));
    cNearest_Counts counts;
    Check_Nearest_Goals(first_seed, levels, counts);
    EXPECT_GT(counts.Found, levels);
    EXPECT_GT(counts.Many, levels / 10);
    EXPECT_GT(counts.Not_Nearest, 0);
}

// Among these levels is a comb of short walls one unit beside a long one,
// where a search once met every tooth's view through every gap into every
// stretch of the thin corridor and took gigabytes before it answered.
TEST(NearestGoal, CombBesideAWallStaysSmall) {
    cNearest_Counts counts;
    Check_Nearest_Goals(4901, 100, counts);
    EXPECT_GT(counts.Found, 100);
}

}  // namespace
