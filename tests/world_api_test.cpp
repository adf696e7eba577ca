// What a caller sees of a world's life cycle: the statuses of Insert, Build
// and Load, the build flag that follows the build stage, the tree that can
// be reached only through the world, and the message sink.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <iostream>
#include <type_traits>

#include "level_loader.h"
#include "messages.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

// Inserting through the tree base would skip the world's checks and build
// state (and make the two engines disagree), so the base is not reachable.
static_assert(!std::is_convertible<cGame_World*, cBSP_Tree<cHV_Wall>*>::value,
              "a world must not be usable as its tree");

TEST(WorldApi, InsertTellsWhatItDid) {
    cCapture_Messages quiet;
    cGame_World world;
    EXPECT_EQ(world.Insert(Wall(0, 50, 100, 50)), INSERT_DONE);
    EXPECT_EQ(world.Insert(Wall(20, 50, 40, 50)), INSERT_DONE);  // on a divider's line: kept
    EXPECT_EQ(world.Insert(cHV_Wall(cPoint2D(0, 0), cPoint2D(5, 5))), INSERT_NOT_HV);
    cBounds_Guard bounds(Rect(0, 0, 100, 100));
    EXPECT_EQ(world.Build(), BUILD_DONE);
    EXPECT_EQ(world.Insert(Wall(0, 10, 100, 10)), INSERT_ALREADY_BUILT);
    EXPECT_EQ(world.Get_Level_Walls().size(), 2u);
}

TEST(WorldApi, BuildTellsWhatItDidAndTheFlagFollowsIt) {
    cCapture_Messages quiet;
    cGame_World world;
    world.Insert(Wall(0, 50, 150, 50));
    EXPECT_FALSE(world.Squares_Done);
    {
        cBounds_Guard bounds(Rect(0, 0, 100, 100));
        EXPECT_EQ(world.Build(), BUILD_WALL_OUTSIDE);
    }
    EXPECT_FALSE(world.Squares_Done);
    EXPECT_FALSE(world.Is_Built());
    cBounds_Guard bounds(Rect(0, 0, 200, 100));
    EXPECT_EQ(world.Build(), BUILD_DONE);
    EXPECT_TRUE(world.Squares_Done);
    EXPECT_TRUE(world.Is_Built());
    EXPECT_EQ(world.Build(), BUILD_DONE);  // once built, it stays so
}

struct cLoad_Case {
    const char* Name;
    const char* Text;
    LOAD_STATUS Status;
    int Line;            // counted from 1
    const char* Reason;  // the start of the reason
    int Walls;           // walls in the world afterwards
};

TEST(WorldApi, LoadFromAStreamTellsWhereAndWhyItStopped) {
    const cLoad_Case cases[] = {
        {"whole file", "<WALLS>\n[0,0]->[10,0]\n\n[5,0]->[5,10]\n", LOAD_DONE, 0, "", 2},
        {"empty", "", LOAD_DONE, 0, "", 0},
        {"unknown tag", "<WALLS>\n[0,0]->[10,0]\n<WALL>\n[1,1]->[1,9]\n", LOAD_UNKNOWN_TAG, 3, "unknown tag '<WALL>'", 1},
        {"tag with a trailing blank", "<WALLS> \n[0,0]->[10,0]\n", LOAD_UNKNOWN_TAG, 1, "unknown tag '<WALLS> '", 0},
        {"item before any tag", "[0,0]->[10,0]\n", LOAD_NO_TAG, 1, "an item before the first tag", 0},
        {"malformed wall", "<WALLS>\n[0,0]->[10,0]\n[0,0]-[10,10]\n", LOAD_BAD_ITEM, 3, "malformed wall item", 1},
        {"number out of range", "<WALLS>\n[0,0]->[200000000,0]\n", LOAD_BAD_ITEM, 2,
         "number 200000000 outside the coordinate range", 0},
        {"tag at the end", "<WALLS>\n[0,0]->[10,0]\n<AREA>\n", LOAD_BAD_ITEM, 4, "the file ends where an item", 1},
        {"item over two lines, broken on the second", "<WALLS>\n[0,0]->\n\n[10,x]\n", LOAD_BAD_ITEM, 4,
         "malformed wall item", 0},
    };
    for (const cLoad_Case& c : cases) {
        SCOPED_TRACE(c.Name);
        cBounds_Guard bounds(WORLD_BOUNDS);
        cCapture_Messages messages;
        cGame_World world;
        std::istringstream in(c.Text);
        const cLoad_Result r = cLevel_Loader().Load(in, "level.txt", &world);
        EXPECT_EQ(bool(r), c.Status == LOAD_DONE);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_EQ(r.Line, c.Line);
        EXPECT_EQ(r.Reason.compare(0, std::string(c.Reason).size(), c.Reason), 0) << r.Reason;
        EXPECT_EQ(int(world.Get_Level_Walls().size()), c.Walls);
    }
}

TEST(WorldApi, LoadFromAStreamWritesTheFilesMessages) {
    // The same messages as for the file, the given name standing for it.
    cCapture_Messages messages;
    cGame_World world;
    std::istringstream in("<WALLS>\n[0,0]->[10,0]\n[0,0]-[10,10]\n");
    cLevel_Loader().Load(in, "mine.txt", &world);
    EXPECT_EQ(messages.str(), "ERROR while reading file : mine.txt at line 2\n");
}

TEST(WorldApi, MessagesGoToTheSinkAndBackToStdCout) {
    std::ostringstream mine;
    {
        cMessage_Redirect to_mine(&mine);
        cGame_World world;
        world.Insert(cHV_Wall(cPoint2D(0, 0), cPoint2D(5, 5)));
    }
    EXPECT_NE(mine.str().find("is neither horizontal nor vertical"), std::string::npos);
    // With no sink set, the library writes to std::cout, looked up at the
    // moment of writing (so redirecting std::cout's buffer still works).
    Set_Message_Sink(nullptr);
    EXPECT_EQ(&Message_Sink(), &std::cout);
}

}  // namespace
