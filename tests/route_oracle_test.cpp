// The brute-force shortest-route oracle and its route check: on levels whose
// answers are known by hand; the two segment tests against each other; on
// random small levels against an 8-connected grid search whose every step is
// allowed by the route check's step rule; and the route check for h = 0
// against the rule of sides on random routes.
//
// The number of random levels is ROUTE_ORACLE_LEVELS (default 300), e.g.
//   ROUTE_ORACLE_LEVELS=5000 ./unit_tests --gtest_filter='RouteOracle*'
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "random_level.h"
#include "route_oracle.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

std::vector<cHV_Wall> Walls_Of(const std::vector<cWall_Coords>& coords) {
    cCapture_Messages quiet;  // a wall of zero length reports itself
    std::vector<cHV_Wall> walls;
    for (const cWall_Coords& w : coords) walls.push_back(Wall(w.X1, w.Y1, w.X2, w.Y2));
    return walls;
}

std::string Route_Text(const std::vector<cPoint2D>& route) {
    std::ostringstream out;
    for (const cPoint2D& p : route) out << p << " ";
    return out.str();
}

const char* Status_Name(cOracle_Status s) {
    switch (s) {
    case ORACLE_FOUND: return "FOUND";
    case ORACLE_NO_ROUTE: return "NO_ROUTE";
    case ORACLE_START_BLOCKED: return "START_BLOCKED";
    case ORACLE_GOAL_BLOCKED: return "GOAL_BLOCKED";
    case ORACLE_OUTSIDE: return "OUTSIDE";
    }
    return "?";
}

// ------------------------------------------------------------ hand-made levels

struct cOracle_Case {
    const char* Name;
    cRect2D World;
    std::vector<cWall_Coords> Walls;
    cPoint2D Start, Goal;
    int Half_Size;
    cOracle_Status Status;
    double Length;  // when found
};

TEST(RouteOracle, HandMadeLevels) {
    const cRect2D w20 = Rect(0, 0, 20, 20);
    const std::vector<cWall_Coords> corridor = {{5, 0, 5, 4}, {5, 4, 15, 4}, {5, 7, 15, 7}, {5, 7, 5, 11}};
    const std::vector<cWall_Coords> door_4 = {{10, 0, 10, 4}, {10, 8, 10, 12}};
    const std::vector<cWall_Coords> door_3 = {{10, 0, 10, 4}, {10, 7, 10, 12}};
    const std::vector<cWall_Coords> stub = {{10, 0, 10, 12}};
    const std::vector<cWall_Coords> pinch = {{0, 4, 4, 4}, {6, 6, 6, 10}};
    const std::vector<cWall_Coords> door_2 = {{0, 10, 8, 10}, {10, 10, 20, 10}};
    const std::vector<cWall_Coords> spur = {{0, 10, 5, 10}};
    const std::vector<cOracle_Case> cases = {
        {"open world", w20, {}, {3, 3}, {17, 17}, 3, ORACLE_FOUND, 14 * std::sqrt(2.0)},
        {"corridor one unit narrower than the agent", Rect(0, 0, 20, 11), corridor, {2, 5}, {18, 5}, 2,
         ORACLE_NO_ROUTE, 0},
        {"the same corridor, a smaller agent", Rect(0, 0, 20, 11), corridor, {2, 5}, {18, 5}, 1, ORACLE_FOUND, 16},
        {"door exactly the agent's width", Rect(0, 0, 20, 12), door_4, {3, 2}, {17, 10}, 2, ORACLE_FOUND,
         4 + 2 * std::sqrt(41.0)},
        {"door one unit narrower", Rect(0, 0, 20, 12), door_3, {3, 2}, {17, 10}, 2, ORACLE_NO_ROUTE, 0},
        {"round a wall end, h = 0", w20, stub, {5, 5}, {15, 5}, 0, ORACLE_FOUND, 2 * std::sqrt(74.0)},
        {"round a wall end, h = 1", w20, stub, {5, 5}, {15, 5}, 1, ORACLE_FOUND, 2 + 2 * std::sqrt(80.0)},
        {"round a wall end, h = 3", w20, stub, {5, 5}, {15, 5}, 3, ORACLE_FOUND, 6 + 2 * std::sqrt(104.0)},
        {"start on a wall leaves east", w20, stub, {10, 5}, {15, 5}, 0, ORACLE_FOUND, 5},
        {"start on a wall leaves west", w20, stub, {10, 5}, {5, 5}, 0, ORACLE_FOUND, 5},
        {"goal on a wall's end", w20, stub, {5, 5}, {10, 12}, 0, ORACLE_FOUND, std::sqrt(74.0)},
        {"start touching a grown wall", w20, stub, {11, 5}, {15, 5}, 1, ORACLE_FOUND, 4},
        {"start touching a grown wall, goal behind it", w20, stub, {11, 5}, {8, 5}, 1, ORACLE_FOUND,
         10 + std::sqrt(65.0)},
        {"start inside a grown wall", w20, stub, {10, 5}, {15, 5}, 1, ORACLE_START_BLOCKED, 0},
        {"goal inside a grown wall", w20, stub, {15, 5}, {9, 12}, 2, ORACLE_GOAL_BLOCKED, 0},
        {"both inside: the start is told", w20, stub, {10, 5}, {10, 6}, 1, ORACLE_START_BLOCKED, 0},
        {"L corner closes a room, h = 0", w20, {{0, 10, 10, 10}, {10, 10, 10, 20}}, {5, 15}, {15, 5}, 0,
         ORACLE_NO_ROUTE, 0},
        {"T junction closes a room, h = 0", w20, {{0, 10, 20, 10}, {10, 0, 10, 10}}, {5, 5}, {15, 5}, 0,
         ORACLE_NO_ROUTE, 0},
        {"crossing walls close four rooms, h = 0", w20, {{0, 10, 20, 10}, {10, 0, 10, 20}}, {5, 5}, {15, 15}, 0,
         ORACLE_NO_ROUTE, 0},
        {"door of width 0, h = 0", w20, {{0, 10, 10, 10}, {10, 10, 20, 10}}, {5, 5}, {5, 15}, 0, ORACLE_NO_ROUTE,
         0},
        {"door of width 1 hugs its post, h = 0", w20, {{0, 10, 10, 10}, {11, 10, 20, 10}}, {5, 5}, {5, 15}, 0,
         ORACLE_FOUND, 10 * std::sqrt(2.0)},
        {"door of width 2h, a channel of width 0", w20, door_2, {5, 5}, {15, 15}, 1, ORACLE_FOUND,
         std::sqrt(32.0) + 2 + std::sqrt(52.0)},
        {"door of width 2h, straight through", w20, door_2, {9, 5}, {9, 15}, 1, ORACLE_FOUND, 10},
        {"door of width 2h - 2", w20, door_2, {9, 5}, {9, 15}, 2, ORACLE_NO_ROUTE, 0},
        {"doors of width 2h beside a point wall", w20, {{0, 10, 8, 10}, {10, 10, 10, 10}, {12, 10, 20, 10}},
         {11, 5}, {11, 15}, 1, ORACLE_FOUND, 10},
        {"a point wall alone blocks nothing, h = 0", w20, {{10, 10, 10, 10}}, {5, 10}, {15, 10}, 0, ORACLE_FOUND,
         10},
        {"grown walls touching at corners let the agent through", Rect(0, 0, 10, 10), pinch, {2, 8}, {8, 2}, 1,
         ORACLE_FOUND, 6 * std::sqrt(2.0)},
        {"the same pinch, a larger agent", Rect(0, 0, 10, 10), pinch, {2, 8}, {8, 2}, 2, ORACLE_NO_ROUTE, 0},
        {"agent as large as a square world", Rect(0, 0, 10, 10), {}, {5, 5}, {5, 5}, 5, ORACLE_FOUND, 0},
        {"agent as large as a square world, off centre", Rect(0, 0, 10, 10), {}, {4, 5}, {5, 5}, 5,
         ORACLE_START_BLOCKED, 0},
        {"agent as high as the world", Rect(0, 0, 20, 10), {{10, 0, 10, 0}}, {5, 5}, {15, 5}, 5, ORACLE_FOUND, 10},
        {"agent as high as the world, a point wall in the way", Rect(0, 0, 20, 10), {{10, 1, 10, 1}}, {5, 5},
         {15, 5}, 5, ORACLE_NO_ROUTE, 0},
        {"along the world border, h = 0", w20, {}, {0, 0}, {20, 0}, 0, ORACLE_FOUND, 20},
        {"along a wall on the world border, h = 0", w20, {{0, 0, 20, 0}}, {0, 0}, {20, 0}, 0, ORACLE_FOUND, 20},
        {"a wall meets the border: round its free end, h = 0", w20, spur, {0, 5}, {0, 15}, 0, ORACLE_FOUND,
         10 * std::sqrt(2.0)},
        {"a wall from border to border, h = 0", w20, {{0, 10, 20, 10}}, {0, 5}, {0, 15}, 0, ORACLE_NO_ROUTE, 0},
        {"the border is a wall, h = 1", w20, spur, {0, 5}, {1, 15}, 1, ORACLE_START_BLOCKED, 0},
        {"along the border, round a wall, h = 1", w20, spur, {1, 5}, {1, 15}, 1, ORACLE_FOUND,
         2 + 2 * std::sqrt(41.0)},
        {"start outside", w20, {}, {21, 5}, {5, 5}, 0, ORACLE_OUTSIDE, 0},
        {"goal outside", w20, {}, {5, 5}, {5, -1}, 0, ORACLE_OUTSIDE, 0},
        {"outside is told before blocked", w20, stub, {10, 5}, {25, 5}, 1, ORACLE_OUTSIDE, 0},
    };
    for (const cOracle_Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<cHV_Wall> walls = Walls_Of(c.Walls);
        const cOracle_Answer a = Oracle_Shortest_Route(c.World, walls, c.Start, c.Goal, c.Half_Size);
        EXPECT_EQ(Status_Name(a.Status), std::string(Status_Name(c.Status)));
        if (a.Status != ORACLE_FOUND) {
            EXPECT_TRUE(a.Route.empty());
            continue;
        }
        EXPECT_NEAR(a.Length, c.Length, 1e-9) << Route_Text(a.Route);
        ASSERT_GE(a.Route.size(), 2u);
        EXPECT_EQ(a.Route.front(), c.Start);
        EXPECT_EQ(a.Route.back(), c.Goal);
        std::string why;
        EXPECT_TRUE(Oracle_Route_Is_Valid(c.World, walls, a.Route, c.Half_Size, &why))
            << why << "\n" << Route_Text(a.Route);
    }
}

struct cValidity_Case {
    const char* Name;
    cRect2D World;
    std::vector<cWall_Coords> Walls;
    std::vector<cPoint2D> Route;
    int Half_Size;
    bool Valid;
};

TEST(RouteOracle, RouteCheck) {
    const cRect2D w20 = Rect(0, 0, 20, 20);
    const std::vector<cWall_Coords> stub = {{10, 0, 10, 12}};
    const std::vector<cWall_Coords> l_corner = {{5, 10, 10, 10}, {10, 10, 10, 15}};
    const std::vector<cWall_Coords> t_junction = {{0, 10, 20, 10}, {10, 0, 10, 10}};
    const std::vector<cWall_Coords> long_wall = {{0, 10, 20, 10}};
    const std::vector<cWall_Coords> half_wall = {{0, 10, 10, 10}};
    const std::vector<cWall_Coords> half_wall_post = {{0, 10, 10, 10}, {5, 10, 5, 15}};
    const std::vector<cWall_Coords> door_2 = {{0, 10, 8, 10}, {10, 10, 20, 10}};
    const std::vector<cWall_Coords> pinch = {{0, 4, 4, 4}, {6, 6, 6, 10}};
    const std::vector<cValidity_Case> cases = {
        {"crosses a wall, h = 0", w20, stub, {{5, 5}, {15, 5}}, 0, false},
        {"crosses a wall, h = 1", w20, stub, {{5, 5}, {15, 5}}, 1, false},
        {"over a wall's end, h = 0", w20, stub, {{5, 5}, {10, 12}, {15, 5}}, 0, true},
        {"over a wall's end, h = 1", w20, stub, {{5, 5}, {10, 12}, {15, 5}}, 1, false},
        {"along a grown wall's outline, h = 1", w20, stub, {{5, 5}, {9, 13}, {11, 13}, {15, 5}}, 1, true},
        {"cuts a grown wall's corner, h = 1", w20, stub, {{5, 5}, {9, 12}, {11, 13}, {15, 5}}, 1, false},
        {"through an L corner from inside, h = 0", w20, l_corner, {{5, 15}, {15, 5}}, 0, false},
        {"touches an L corner from outside, h = 0", w20, l_corner, {{5, 5}, {15, 15}}, 0, true},
        {"through a T junction, h = 0", w20, t_junction, {{5, 5}, {10, 10}, {15, 5}}, 0, false},
        {"turns on a T junction, h = 0", w20, t_junction, {{5, 15}, {10, 10}, {15, 15}}, 0, true},
        {"along a wall, leaving on the other side, h = 0", w20, long_wall, {{2, 11}, {3, 10}, {12, 10}, {13, 9}},
         0, false},
        {"along a wall, one side, h = 0", w20, long_wall, {{2, 11}, {3, 10}, {12, 10}, {13, 11}}, 0, true},
        {"along a wall between posts on both sides, h = 0", w20,
         {{0, 10, 20, 10}, {5, 10, 5, 15}, {15, 5, 15, 10}}, {{2, 10}, {18, 10}}, 0, false},
        {"along a wall past a post on one side, h = 0", w20, {{0, 10, 20, 10}, {5, 10, 5, 15}},
         {{2, 10}, {18, 10}}, 0, true},
        {"round a wall end, h = 0", w20, half_wall, {{5, 5}, {10, 10}, {5, 15}}, 0, true},
        {"through a wall short of its end, h = 0", w20, half_wall, {{5, 5}, {9, 10}, {5, 15}}, 0, false},
        {"along a wall and back on the same side, h = 0", w20, half_wall_post, {{2, 10}, {10, 10}, {2, 10}}, 0,
         true},
        {"along a wall, round its end and back through a post, h = 0", w20, half_wall_post,
         {{2, 10}, {10, 10}, {2, 11}}, 0, false},
        {"out of a corner's inside past a post on its left, h = 0", w20, {{2, 2, 10, 2}, {2, 2, 2, 10}, {5, 5, 5, 10}},
         {{2, 2}, {8, 8}}, 0, true},
        {"out of a corner's inside through a post, h = 0", w20, {{2, 2, 10, 2}, {2, 2, 2, 10}, {5, 4, 5, 10}},
         {{2, 2}, {8, 8}}, 0, false},
        {"a step leaves the world", w20, {}, {{5, 5}, {25, 5}}, 0, false},
        {"along the world border, h = 0", w20, {}, {{0, 5}, {0, 15}}, 0, true},
        {"along the world border, h = 1", w20, {}, {{0, 5}, {0, 15}}, 1, false},
        {"a channel of width 0, h = 1", w20, door_2, {{9, 5}, {9, 15}}, 1, true},
        {"beside the channel, h = 1", w20, door_2, {{9, 5}, {10, 15}}, 1, false},
        {"grown walls touching at corners, h = 1", Rect(0, 0, 10, 10), pinch, {{2, 7}, {8, 3}}, 1, true},
        {"beside the corners, h = 1", Rect(0, 0, 10, 10), pinch, {{3, 8}, {8, 2}}, 1, false},
        {"through a point wall, h = 0", w20, {{10, 10, 10, 10}}, {{5, 10}, {15, 10}}, 0, true},
        {"repeated points, h = 0", w20, stub, {{5, 5}, {5, 5}, {10, 12}, {10, 12}, {15, 5}}, 0, true},
        {"a single point on a wall, h = 0", w20, stub, {{10, 5}}, 0, true},
        {"a single point on a wall, h = 1", w20, stub, {{10, 5}}, 1, false},
        {"no point at all", w20, stub, {}, 0, false},
    };
    for (const cValidity_Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string why;
        EXPECT_EQ(Oracle_Route_Is_Valid(c.World, Walls_Of(c.Walls), c.Route, c.Half_Size, &why), c.Valid) << why;
        EXPECT_EQ(why.empty(), c.Valid) << why;
    }
}

// The search's clipping test and the route check's separating-axes test of a
// segment against an open box answer alike, with e in every coordinate.
TEST(RouteOracle, SegmentTestsAgree) {
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto value = [&](int lo, int hi) { return cEps_Value{pick(lo, hi), pick(-2, 2)}; };
    int met = 0, apart = 0;
    for (int n = 0; n < 200000; ++n) {
        cOracle_Box box{value(-4, 4), value(-4, 4), value(-4, 4), value(-4, 4)};
        if (box.Max_X < box.Min_X) std::swap(box.Max_X, box.Min_X);
        if (box.Max_Y < box.Min_Y) std::swap(box.Max_Y, box.Min_Y);
        if (!(box.Min_X < box.Max_X) || !(box.Min_Y < box.Max_Y)) continue;
        const cEps_Point p{value(-6, 6), value(-6, 6)};
        const cEps_Point q = pick(0, 9) == 0 ? p : cEps_Point{value(-6, 6), value(-6, 6)};
        const bool clip = Sight_Meets_Box(p, q, box), axes = Step_Meets_Box(p, q, box);
        ASSERT_EQ(clip, axes) << "p " << p.X.Base << "+" << p.X.Eps << "e, " << p.Y.Base << "+" << p.Y.Eps
                              << "e  q " << q.X.Base << "+" << q.X.Eps << "e, " << q.Y.Base << "+" << q.Y.Eps
                              << "e  box x " << box.Min_X.Base << "+" << box.Min_X.Eps << "e.." << box.Max_X.Base
                              << "+" << box.Max_X.Eps << "e y " << box.Min_Y.Base << "+" << box.Min_Y.Eps << "e.."
                              << box.Max_Y.Base << "+" << box.Max_Y.Eps << "e";
        (clip ? met : apart)++;
    }
    EXPECT_GT(met, 10000);
    EXPECT_GT(apart, 10000);
}

// ------------------------------------------------------------ random levels

// Shortest routes from one start over the integer points of the world,
// 8-connected, every step allowed by the route check's step rule. For h = 0
// a point near a wall or on the border carries the nine places within e of
// it, so that the search knows on which side of a wall it stands; moves
// between the places of one point cost nothing.
class cGrid_Search {
public:
    cGrid_Search(const cRect2D& world, const std::vector<cHV_Wall>& walls, int half_size, const cPoint2D& start)
        : cLevel(world, walls, half_size), World(world) {
        Width = world.Max.x - world.Min.x + 1;
        Height = world.Max.y - world.Min.y + 1;
        const size_t points = size_t(Width) * size_t(Height);
        Near.resize(points);
        Places.assign(points * 9, 0);
        for (int y = world.Min.y; y <= world.Max.y; ++y)
            for (int x = world.Min.x; x <= world.Max.x; ++x) {
                const size_t i = Index(cPoint2D(x, y));
                for (size_t b = 0; b < cLevel.Boxes.size(); ++b) {
                    const cOracle_Box& box = cLevel.Boxes[b];
                    if (box.Min_X.Base - 2 <= x && x <= box.Max_X.Base + 2 && box.Min_Y.Base - 2 <= y &&
                        y <= box.Max_Y.Base + 2)
                        Near[i].push_back(int(b));
                }
                const bool border = x == world.Min.x || x == world.Max.x || y == world.Min.y || y == world.Max.y;
                const int places = half_size == 0 && (border || !Near[i].empty()) ? 9 : 1;
                for (int k = 0; k < places; ++k)
                    Places[i * 9 + size_t(k)] = Free(Place(cPoint2D(x, y), k), Near[i]);
            }
        Search(start);
    }

    bool Reached(const cPoint2D& p) const { return Best(p) >= 0; }
    double Length(const cPoint2D& p) const { return Dist[size_t(Best(p))]; }
    std::vector<cPoint2D> Route(const cPoint2D& p) const {
        std::vector<cPoint2D> backwards;
        for (int s = Best(p); s >= 0; s = Previous[size_t(s)]) {
            const cPoint2D q = Point_Of(s);
            if (backwards.empty() || backwards.back() != q) backwards.push_back(q);
        }
        if (backwards.size() == 1) backwards.push_back(backwards.front());
        return std::vector<cPoint2D>(backwards.rbegin(), backwards.rend());
    }

private:
    size_t Index(const cPoint2D& p) const {
        return size_t(p.y - World.Min.y) * size_t(Width) + size_t(p.x - World.Min.x);
    }
    cPoint2D Point_Of(int state) const {
        const int i = state / 9;
        return cPoint2D(World.Min.x + i % Width, World.Min.y + i / Width);
    }
    static cEps_Point Place(const cPoint2D& p, int k) {
        return Eps_Point(p, ORACLE_OFFSETS[k][0], ORACLE_OFFSETS[k][1]);
    }
    // The route check's rules, restricted to the boxes that can reach a step
    // of one grid unit from the point they were gathered for.
    bool Free(const cEps_Point& p, const std::vector<int>& near) const {
        if (!cLevel.In_World(p)) return false;
        for (int b : near)
            if (Box_Contains(cLevel.Boxes[size_t(b)], p)) return false;
        return true;
    }
    bool Step_Free(const cEps_Point& p, const cEps_Point& q, const std::vector<int>& near) const {
        if (!cLevel.In_World(p) || !cLevel.In_World(q)) return false;
        for (int b : near)
            if (Step_Meets_Box(p, q, cLevel.Boxes[size_t(b)])) return false;
        return true;
    }
    int Best(const cPoint2D& p) const {
        if (!Oracle_In_Rect(World, p)) return -1;
        int best = -1;
        for (int k = 0; k < 9; ++k) {
            const int s = int(Index(p) * 9) + k;
            if (Dist[size_t(s)] == std::numeric_limits<double>::infinity()) continue;
            if (best < 0 || Dist[size_t(s)] < Dist[size_t(best)]) best = s;
        }
        return best;
    }

    void Search(const cPoint2D& start) {
        Dist.assign(Places.size(), std::numeric_limits<double>::infinity());
        Previous.assign(Places.size(), -1);
        typedef std::pair<double, int> cEntry;
        std::priority_queue<cEntry, std::vector<cEntry>, std::greater<cEntry>> open;
        for (int k = 0; k < 9; ++k) {
            const size_t s = Index(start) * 9 + size_t(k);
            if (Places[s]) {
                Dist[s] = 0;
                open.push({0.0, int(s)});
            }
        }
        while (!open.empty()) {
            const cEntry top = open.top();
            open.pop();
            const int s = top.second;
            if (top.first > Dist[size_t(s)]) continue;
            const cPoint2D p = Point_Of(s);
            const int k = s % 9;
            const std::vector<int>& near = Near[Index(p)];
            auto relax = [&](const cPoint2D& q, int kq, double cost) {
                const size_t t = Index(q) * 9 + size_t(kq);
                if (!Places[t] || Dist[size_t(s)] + cost >= Dist[t]) return;
                if (!Step_Free(Place(p, k), Place(q, kq), near)) return;
                Dist[t] = Dist[size_t(s)] + cost;
                Previous[t] = s;
                open.push({Dist[t], int(t)});
            };
            for (int kq = 0; kq < 9; ++kq)
                if (kq != k) relax(p, kq, 0.0);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const cPoint2D q(p.x + dx, p.y + dy);
                    if ((dx == 0 && dy == 0) || !Oracle_In_Rect(World, q)) continue;
                    for (int kq = 0; kq < 9; ++kq) relax(q, kq, dx != 0 && dy != 0 ? std::sqrt(2.0) : 1.0);
                }
        }
    }

    cOracle_Level cLevel;
    cRect2D World;
    int Width = 0, Height = 0;
    std::vector<std::vector<int>> Near;  // per point, the boxes near it
    std::vector<char> Places;            // per point and place, whether the agent may stand there
    std::vector<double> Dist;
    std::vector<int> Previous;
};

// A point of the world: anywhere, a wall's end, a point of a wall, or a point
// beside one at the agent's distance.
cPoint2D Pick_Point(std::mt19937& rng, const cLevel& level, int half_size) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const cRect2D& b = level.Bounds;
    const int hx = std::min(half_size, (b.Max.x - b.Min.x) / 2), hy = std::min(half_size, (b.Max.y - b.Min.y) / 2);
    cPoint2D p;
    p.x = pick(b.Min.x + hx, b.Max.x - hx);
    p.y = pick(b.Min.y + hy, b.Max.y - hy);
    const int kind = pick(0, 4);
    if (kind >= 3 && !level.Walls.empty()) {
        const cHV_Wall& w = level.Walls[size_t(pick(0, int(level.Walls.size()) - 1))];
        p = pick(0, 1) ? w.p0 : w.p1;
        if (kind == 4) {
            p.x = pick(std::min(w.p0.x, w.p1.x), std::max(w.p0.x, w.p1.x));
            p.y = pick(std::min(w.p0.y, w.p1.y), std::max(w.p0.y, w.p1.y));
        }
        p.x += pick(-1, 1) * half_size;
        p.y += pick(-1, 1) * half_size;
    }
    return cPoint2D(std::min(std::max(p.x, b.Min.x), b.Max.x), std::min(std::max(p.y, b.Min.y), b.Max.y));
}

TEST(RouteOracle, RandomLevelsAgainstGridSearch) {
    const int levels = Env_Setting("ROUTE_ORACLE_LEVELS", 300);
    cLevel_Maker maker(20240611);
    int found = 0, no_route = 0, blocked = 0, grid_found = 0, equal_length = 0;
    for (int n = 0; n < levels; ++n) {
        const cLevel level = maker.Make_Small(40, 12);
        std::mt19937 rng(unsigned(n) + 1);
        const cRect2D& world = level.Bounds;
        const int smaller_side = std::min(world.Max.x - world.Min.x, world.Max.y - world.Min.y);
        const int h = std::min(std::uniform_int_distribution<int>(0, 3)(rng), smaller_side / 3);
        for (int s = 0; s < 2; ++s) {
            const cOracle_Level fit(world, level.Walls, h);
            // Points where the agent fits, mostly: a few draws each.
            auto pick_point = [&]() {
                cPoint2D p = Pick_Point(rng, level, h);
                for (int tries = 0; tries < 3 && !fit.Is_Free(Eps_Point(p)); ++tries) p = Pick_Point(rng, level, h);
                return p;
            };
            const cPoint2D start = pick_point();
            const cGrid_Search grid(world, level.Walls, h, start);
            for (int g = 0; g < 3; ++g) {
                const cPoint2D goal = pick_point();
                SCOPED_TRACE("level " + std::to_string(n) + ", h = " + std::to_string(h) + ", from " +
                             Oracle_Text(start) + " to " + Oracle_Text(goal) + "\n" + Describe(level));
                const cOracle_Answer a = Oracle_Shortest_Route(world, level.Walls, start, goal, h);
                std::string why;
                const bool start_fits = Oracle_Route_Is_Valid(world, level.Walls, {start}, h, &why);
                const bool goal_fits = Oracle_Route_Is_Valid(world, level.Walls, {goal}, h, &why);
                ASSERT_EQ(a.Status == ORACLE_START_BLOCKED, !start_fits);
                ASSERT_EQ(a.Status == ORACLE_GOAL_BLOCKED, start_fits && !goal_fits);
                if (!start_fits || !goal_fits) {
                    ++blocked;
                    ASSERT_FALSE(grid.Reached(goal));
                    continue;
                }
                if (a.Status == ORACLE_FOUND) {
                    ++found;
                    ASSERT_EQ(a.Route.front(), start);
                    ASSERT_EQ(a.Route.back(), goal);
                    ASSERT_TRUE(Oracle_Route_Is_Valid(world, level.Walls, a.Route, h, &why))
                        << why << "\n" << Route_Text(a.Route);
                    ASSERT_NEAR(a.Length, Oracle_Route_Length(a.Route), 1e-9);
                    ASSERT_GE(a.Length, std::sqrt(double(Square_Distance(start, goal))) - 1e-9);
                    const cOracle_Answer back = Oracle_Shortest_Route(world, level.Walls, goal, start, h);
                    ASSERT_EQ(Status_Name(back.Status), std::string("FOUND"));
                    ASSERT_NEAR(back.Length, a.Length, 1e-9)
                        << Route_Text(a.Route) << "\nback " << Route_Text(back.Route);
                } else {
                    ASSERT_EQ(a.Status, ORACLE_NO_ROUTE);
                    ++no_route;
                }
                if (!grid.Reached(goal)) continue;
                ++grid_found;
                const std::vector<cPoint2D> grid_route = grid.Route(goal);
                ASSERT_TRUE(Oracle_Route_Is_Valid(world, level.Walls, grid_route, h, &why))
                    << why << "\n" << Route_Text(grid_route);
                ASSERT_EQ(Status_Name(a.Status), std::string("FOUND")) << "grid route " << Route_Text(grid_route);
                ASSERT_LE(a.Length, grid.Length(goal) + 1e-9)
                    << Route_Text(a.Route) << "\ngrid route " << Route_Text(grid_route);
                if (std::fabs(a.Length - grid.Length(goal)) < 1e-9) ++equal_length;
            }
        }
    }
    std::cout << "[ oracle   ] " << found << " routes, " << no_route << " without a route, " << blocked
              << " blocked; the grid search found " << grid_found << ", " << equal_length
              << " of them as short\n";
    EXPECT_GT(found, levels);
    EXPECT_GT(no_route, levels / 20);
}

// ------------------------------------------------------------ the side rule

// For h = 0, the route check's rule told another way: no step crosses the
// inside of a wall, and along every stretch where the route touches walls
// (the world's border among them, with its outside as a wall beyond it) the
// walls leave the route on one side only. At a turning point the left side
// is the sector swept counter-clockwise from the way on to the way back; at
// the route's two ends the walls bind nothing, as the route may stand on
// either side there. A route that turns straight back is left out: which
// side it keeps the walls on round the turn is its own choice.

typedef std::int64_t i64;

cPoint2D Minus(const cPoint2D& a, const cPoint2D& b) { return cPoint2D(a.x - b.x, a.y - b.y); }
i64 Cross(const cPoint2D& a, const cPoint2D& b) { return i64(a.x) * b.y - i64(a.y) * b.x; }
i64 Dot(const cPoint2D& a, const cPoint2D& b) { return i64(a.x) * b.x + i64(a.y) * b.y; }
int Sign_Of(i64 v) { return (v > 0) - (v < 0); }
bool Same_Way(const cPoint2D& a, const cPoint2D& b) { return Cross(a, b) == 0 && Dot(a, b) > 0; }

// r lies strictly inside the counter-clockwise sweep from o to b.
bool In_Sweep(const cPoint2D& o, const cPoint2D& r, const cPoint2D& b) {
    const i64 turn = Cross(o, b);
    if (turn > 0) return Cross(o, r) > 0 && Cross(r, b) > 0;
    if (turn == 0) return Cross(o, r) > 0;  // straight on: the left half
    return !(Cross(b, r) >= 0 && Cross(r, o) >= 0);
}

bool On_Segment(const cPoint2D& a, const cPoint2D& b, const cPoint2D& x) {
    return Cross(Minus(b, a), Minus(x, a)) == 0 && Dot(Minus(x, a), Minus(x, b)) <= 0;
}

bool Side_Rule_Allows(const cRect2D& world, const std::vector<cHV_Wall>& level_walls,
                      const std::vector<cPoint2D>& route) {
    std::vector<std::pair<cPoint2D, cPoint2D>> walls;
    for (const cHV_Wall& w : level_walls) walls.push_back({w.p0, w.p1});
    const cPoint2D c00 = world.Min, c11 = world.Max, c10(world.Max.x, world.Min.y), c01(world.Min.x, world.Max.y);
    walls.insert(walls.end(), {{c00, c10}, {c10, c11}, {c01, c11}, {c00, c01}});
    const int steps = int(route.size()) - 1;

    for (int i = 0; i < steps; ++i)  // no crossing through the inside of a wall
        for (const auto& w : walls) {
            const cPoint2D a = route[size_t(i)], b = route[size_t(i) + 1], d = Minus(b, a);
            const cPoint2D e = Minus(w.second, w.first);
            if (Sign_Of(Cross(d, Minus(w.first, a))) * Sign_Of(Cross(d, Minus(w.second, a))) < 0 &&
                Sign_Of(Cross(e, Minus(a, w.first))) * Sign_Of(Cross(e, Minus(b, w.first))) < 0)
                return false;
        }

    // Where each step touches walls: closed intervals of progress along it
    // (the dot product with the step), merged.
    struct cPiece {
        int Step;
        i64 From, To;
    };
    std::vector<cPiece> pieces;
    for (int i = 0; i < steps; ++i) {
        const cPoint2D a = route[size_t(i)], b = route[size_t(i) + 1], d = Minus(b, a);
        const i64 end = Dot(d, d);
        std::vector<std::pair<i64, i64>> spans;
        for (const auto& w : walls) {
            const i64 p = Dot(Minus(w.first, a), d), q = Dot(Minus(w.second, a), d);
            if (Cross(d, Minus(w.second, w.first)) == 0 && Cross(d, Minus(w.first, a)) == 0) {
                const i64 lo = std::max(std::min(p, q), i64(0)), hi = std::min(std::max(p, q), end);
                if (lo <= hi) spans.push_back({lo, hi});
                continue;
            }
            if (On_Segment(a, b, w.first)) spans.push_back({p, p});
            if (On_Segment(a, b, w.second)) spans.push_back({q, q});
            if (On_Segment(w.first, w.second, a)) spans.push_back({0, 0});
            if (On_Segment(w.first, w.second, b)) spans.push_back({end, end});
        }
        std::sort(spans.begin(), spans.end());
        for (const auto& s : spans) {
            if (!pieces.empty() && pieces.back().Step == i && s.first <= pieces.back().To)
                pieces.back().To = std::max(pieces.back().To, s.second);
            else
                pieces.push_back({i, s.first, s.second});
        }
    }

    // The sides on which walls leave the route at x, the point at progress
    // along step i.
    auto sides = [&](int i, i64 along, const cPoint2D& x, bool& left, bool& right) {
        const cPoint2D a = route[size_t(i)], b = route[size_t(i) + 1], d = Minus(b, a);
        const i64 end = Dot(d, d);
        const int vertex = along == 0 ? i : along == end ? i + 1 : -1;
        if (vertex == 0 || vertex == steps) return;  // the route's ends
        std::vector<cPoint2D> rays;
        for (const auto& w : walls) {
            if (!On_Segment(w.first, w.second, x)) continue;
            for (const cPoint2D& e : {w.first, w.second})
                if (e != x) rays.push_back(cPoint2D(Sign_Of(e.x - x.x), Sign_Of(e.y - x.y)));
        }
        if (x.x == world.Min.x) rays.push_back(cPoint2D(-1, 0));
        if (x.x == world.Max.x) rays.push_back(cPoint2D(1, 0));
        if (x.y == world.Min.y) rays.push_back(cPoint2D(0, -1));
        if (x.y == world.Max.y) rays.push_back(cPoint2D(0, 1));
        for (const cPoint2D& r : rays) {
            if (vertex < 0) {
                const i64 c = Cross(d, r);
                left = left || c > 0;
                right = right || c < 0;
                continue;
            }
            const cPoint2D back = Minus(route[size_t(vertex) - 1], x), on = Minus(route[size_t(vertex) + 1], x);
            if (Same_Way(r, back) || Same_Way(r, on)) continue;
            (In_Sweep(on, r, back) ? left : right) = true;
        }
    };

    bool left = false, right = false;
    for (size_t k = 0; k < pieces.size(); ++k) {
        const cPiece& piece = pieces[k];
        const cPoint2D a = route[size_t(piece.Step)], d = Minus(route[size_t(piece.Step) + 1], a);
        const i64 end = Dot(d, d);
        // The points of the piece where walls may leave: wall ends and the
        // step's ends (its other points lie inside walls running along it).
        std::vector<std::pair<i64, cPoint2D>> points;
        for (const cPoint2D& x : {a, route[size_t(piece.Step) + 1]}) points.push_back({Dot(Minus(x, a), d), x});
        for (const auto& w : walls)
            for (const cPoint2D& e : {w.first, w.second})
                if (On_Segment(a, route[size_t(piece.Step) + 1], e)) points.push_back({Dot(Minus(e, a), d), e});
        for (const auto& p : points)
            if (piece.From <= p.first && p.first <= piece.To) sides(piece.Step, p.first, p.second, left, right);
        if (left && right) return false;
        const bool goes_on = k + 1 < pieces.size() && piece.To == end && pieces[k + 1].Step == piece.Step + 1 &&
                             pieces[k + 1].From == 0;
        if (!goes_on) left = right = false;
    }
    return true;
}

// Random routes through wall ends, points of walls, the border and open
// points of small levels: the route check for h = 0 agrees with the side
// rule on every one.
TEST(RouteOracle, RouteCheckFollowsTheSideRule) {
    const int levels = Env_Setting("ROUTE_ORACLE_LEVELS", 300);
    cLevel_Maker maker(99);
    std::mt19937 rng(5);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int valid = 0, invalid = 0;
    for (int n = 0; n < levels; ++n) {
        const cLevel level = maker.Make_Small(16, 8);
        const cRect2D& b = level.Bounds;
        auto point = [&]() {
            const int kind = pick(0, 9);
            if (kind < 6 && !level.Walls.empty()) {
                const cHV_Wall& w = level.Walls[size_t(pick(0, int(level.Walls.size()) - 1))];
                if (kind < 3) return pick(0, 1) ? w.p0 : w.p1;
                const int x = pick(std::min(w.p0.x, w.p1.x), std::max(w.p0.x, w.p1.x));
                return cPoint2D(x, pick(std::min(w.p0.y, w.p1.y), std::max(w.p0.y, w.p1.y)));
            }
            const int x = pick(b.Min.x, b.Max.x);
            cPoint2D p(x, pick(b.Min.y, b.Max.y));
            if (kind == 9 && pick(0, 1)) p.x = pick(0, 1) ? b.Min.x : b.Max.x;
            else if (kind == 9) p.y = pick(0, 1) ? b.Min.y : b.Max.y;
            return p;
        };
        for (int r = 0; r < 20; ++r) {
            std::vector<cPoint2D> route;
            for (int k = pick(2, 4); k > 0; --k) {
                const cPoint2D p = point();
                if (route.empty() || route.back() != p) route.push_back(p);
            }
            bool turns_back = route.size() < 2;
            for (size_t i = 1; i + 1 < route.size(); ++i)
                turns_back = turns_back || Same_Way(Minus(route[i - 1], route[i]), Minus(route[i + 1], route[i]));
            if (turns_back) continue;
            std::string why;
            const bool check = Oracle_Route_Is_Valid(b, level.Walls, route, 0, &why);
            ASSERT_EQ(check, Side_Rule_Allows(b, level.Walls, route)) << why << "\n" << Route_Text(route) << "\n"
                                                                       << Describe(level);
            (check ? valid : invalid)++;
        }
    }
    std::cout << "[ oracle   ] " << valid << " routes valid, " << invalid << " not\n";
    EXPECT_GT(valid, levels);
    EXPECT_GT(invalid, levels);
}

}  // namespace
