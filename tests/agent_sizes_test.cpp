// The route structures kept for agent sizes: at most as many sizes as the
// world is told, the least recently used dropped and made again when asked,
// released on request, and threads asking for many sizes at once.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "level_open.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

std::unique_ptr<cGame_World> Den() {
    cOpen_Result r = Open_Level(MAPS_DIR "/den012d.map");
    EXPECT_TRUE(r) << r.Error();
    return std::move(r.World);
}

std::string Route(const cGame_World& world, int h) {
    std::vector<cPoint2D> path;
    double length = 0;
    const ROUTE_STATUS s = world.Find_Shortest_Path(cPoint2D(885, 5), cPoint2D(1415, 2835), h, path, &length);
    return std::to_string(int(s)) + " " + std::to_string(length) + " " + std::to_string(path.size());
}

}  // namespace

TEST(AgentSizes, KeptUpToTheirNumberAndMadeAgain) {
    const std::unique_ptr<cGame_World> world = Den();
    EXPECT_EQ(world->Agent_Sizes_Kept(), DEFAULT_AGENT_SIZES);
    world->Set_Agent_Sizes_Kept(3);
    std::vector<std::string> first;
    for (int h = 0; h < 6; ++h) {
        first.push_back(Route(*world, h));
        EXPECT_LE(world->Kept_Agent_Sizes(), 3);
    }
    EXPECT_EQ(world->Kept_Agent_Sizes(), 3);
    // Dropped sizes are made again, with the same answers.
    for (int h = 0; h < 6; ++h) EXPECT_EQ(Route(*world, h), first[std::size_t(h)]) << "h " << h;
    EXPECT_TRUE(world->Release_Agent(5));
    EXPECT_FALSE(world->Release_Agent(5));
    EXPECT_EQ(world->Kept_Agent_Sizes(), 2);
    world->Set_Agent_Sizes_Kept(1);
    EXPECT_EQ(world->Kept_Agent_Sizes(), 1);
    world->Set_Agent_Sizes_Kept(0);  // at least one
    EXPECT_EQ(world->Agent_Sizes_Kept(), 1);
    EXPECT_EQ(Route(*world, 2), first[2]);
}

// Threads ask for more sizes than are kept, so that sizes are made, dropped
// and made again while other threads search on them; each answer is the one
// a single thread gets (the ThreadSanitizer stage runs this).
TEST(Engines, ThreadsAskForManyAgentSizes) {
    const std::unique_ptr<cGame_World> world = Den();
    std::vector<std::string> alone;
    for (int h = 0; h < 8; ++h) alone.push_back(Route(*world, h));
    world->Set_Agent_Sizes_Kept(3);
    std::vector<std::thread> threads;
    std::vector<std::vector<std::string>> got(4);
    for (std::size_t t = 0; t < got.size(); ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 16; ++i) got[t].push_back(Route(*world, int((t * 3 + std::size_t(i)) % 8)));
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t t = 0; t < got.size(); ++t)
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(got[t][std::size_t(i)], alone[(t * 3 + std::size_t(i)) % 8]) << "thread " << t << " query " << i;
    EXPECT_LE(world->Kept_Agent_Sizes(), 3);
}
