// Batches of route queries on threads (Find_Shortest_Paths): every answer is
// the single query's, in the order of the requests, whatever the thread
// count; sizes not asked before are prepared on the way.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "route_levels.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

// The answers of single queries.
std::vector<cRoute_Result> One_By_One(const cGame_World& world, const std::vector<cRoute_Request>& requests) {
    std::vector<cRoute_Result> answers(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const cRoute_Request& r = requests[i];
        answers[i].Status =
            world.Find_Shortest_Path(r.Start, r.Goal, r.Half_Size, r.Options, answers[i].Path, &answers[i].Length);
    }
    return answers;
}

// Several threads answering a batch of mixed requests: sizes not prepared
// yet, partial routes, refusals.
TEST(Engines, ThreadsAnswerRouteBatches) {
    // Rooms off a corridor, a door across it, a rock room.
    cRoute_Level level;
    level.Bounds = Rect(0, 0, 100, 100);
    for (const cWall_Coords& c : std::vector<cWall_Coords>{{20, 0, 20, 40}, {20, 50, 20, 100}, {20, 40, 80, 40},
                                                           {20, 50, 80, 50}, {80, 0, 80, 40}, {80, 50, 80, 100},
                                                           {85, 5, 95, 5}, {95, 5, 95, 15}, {95, 15, 85, 15},
                                                           {85, 15, 85, 5}, {40, 50, 40, 80}, {60, 40, 60, 10}})
        level.Walls.push_back(Wall(c));
    level.Doors = {Wall(50, 40, 50, 50), Wall(20, 40, 20, 50)};
    level.Open = {0, 1};
    level.Solid = {cPoint2D(90, 10)};
    std::vector<std::unique_ptr<cGame_World>> worlds;
    for (int i = 0; i < 2; ++i) worlds.push_back(Build_Route_World(level));
    ASSERT_TRUE(worlds[0] && worlds[1]);
    const cRect2D& b = level.Bounds;
    std::mt19937 rng(5);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<cRoute_Request> requests;
    for (int i = 0; i < 300; ++i) {
        cRoute_Request r;
        r.Start = Pick_Point(b, pick);
        r.Goal = Pick_Point(b, pick);
        r.Half_Size = i % 50 == 7 ? -1 : pick(0, 3);
        r.Options.Partial = pick(0, 1) == 1;
        requests.push_back(r);
    }
    const std::vector<cRoute_Result> expected = One_By_One(*worlds[1], requests);
    int found = 0, partial = 0;
    for (const cRoute_Result& a : expected) {
        found += a.Status == ROUTE_FOUND ? 1 : 0;
        partial += a.Status == ROUTE_PARTIAL ? 1 : 0;
    }
    EXPECT_GT(found, 30);
    EXPECT_GT(partial, 20);
    for (const int threads : {2, 0, 1, 3, 16, 1000}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        std::vector<cRoute_Result> answers(3);  // what it held before does not matter
        answers[0].Path.assign(5, cPoint2D(1, 1));
        worlds[0]->Find_Shortest_Paths(requests, answers, threads);
        ASSERT_EQ(answers.size(), requests.size());
        for (std::size_t i = 0; i < requests.size(); ++i) {
            ASSERT_EQ(answers[i].Status, expected[i].Status) << "request " << i;
            ASSERT_EQ(answers[i].Path, expected[i].Path) << "request " << i;
            ASSERT_EQ(answers[i].Length, expected[i].Length) << "request " << i;
        }
    }
    std::vector<cRoute_Result> none(4);
    worlds[0]->Find_Shortest_Paths(std::vector<cRoute_Request>(), none, 2);
    EXPECT_TRUE(none.empty());
}

}  // namespace
