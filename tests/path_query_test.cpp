// The world's path query: points in one area, routes through portals, goals
// that cannot be reached, and the graph left as it was after every query.
#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace {

typedef std::vector<cPoint2D> cPath;

// Every portal's neighbour list, to compare before and after queries.
std::vector<std::vector<cA_Star_Node*>> Graph_Snapshot(const cGame_World& world) {
    std::vector<std::vector<cA_Star_Node*>> snapshot;
    for (const cPortal* p : world.Portals) snapshot.emplace_back(p->Voisinage.begin(), p->Voisinage.end());
    return snapshot;
}

TEST(PathQuery, PointsInOneAreaNeedOnlyTheGoal) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{10, 0, 10, 90}});
    cPath path = {{1, 1}};
    EXPECT_TRUE(world->Find_Path(cPoint2D(50, 50), cPoint2D(80, 20), path));
    EXPECT_EQ(path, (cPath{{80, 20}}));
    EXPECT_TRUE(world->Find_Path(cPoint2D(50, 50), cPoint2D(50, 50), path));
    EXPECT_EQ(path, (cPath{{50, 50}}));

    std::unique_ptr<cGame_World> empty = Build_World(Rect(0, 0, 100, 100), {});
    EXPECT_TRUE(empty->Find_Path(cPoint2D(5, 5), cPoint2D(95, 95), path));
    EXPECT_EQ(path, (cPath{{95, 95}}));
}

TEST(PathQuery, RouteThroughOnePortal) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{10, 0, 10, 90}});
    cPath path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(50, 50), cPoint2D(5, 5), path));
    EXPECT_EQ(path, (cPath{{10, 95}, {5, 5}}));
}

TEST(PathQuery, UnreachableGoalGivesAnEmptyPath) {
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{50, 0, 50, 40}, {50, 60, 50, 100}, {80, 80, 100, 80}, {80, 80, 80, 100}});
    cPath path = {{1, 2}, {3, 4}};
    EXPECT_FALSE(world->Find_Path(cPoint2D(5, 5), cPoint2D(95, 95), path));
    EXPECT_TRUE(path.empty());
}

TEST(PathQuery, PointOnAWallsLineBelongsToItsFrontSide) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{0, 50, 100, 50}});
    cPath path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(30, 50), cPoint2D(30, 20), path));
    EXPECT_EQ(path, (cPath{{30, 20}}));
    EXPECT_FALSE(world->Find_Path(cPoint2D(30, 50), cPoint2D(30, 70), path));
}

TEST(PathQuery, QueriesLeaveTheGraphAsTheyFoundIt) {
    // Rooms around a closed cell: routes exist to (58,62) and (62,22), none
    // to (58,58).
    std::unique_ptr<cGame_World> world = Build_World(
        Rect(0, 0, 100, 100),
        {{10, 60, 100, 60}, {20, 60, 20, 70}, {20, 10, 20, 60}, {60, 10, 60, 60}, {10, 20, 70, 20}});
    const auto before = Graph_Snapshot(*world);
    const cPath to_62 = {{5, 20}, {5, 60}, {20, 85}, {58, 62}};
    cPath path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 62), path));
    EXPECT_EQ(path, to_62);
    EXPECT_EQ(Graph_Snapshot(*world), before);
    EXPECT_FALSE(world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 58), path));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(Graph_Snapshot(*world), before);
    EXPECT_TRUE(world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 62), path));
    EXPECT_EQ(path, to_62);
    EXPECT_TRUE(world->Find_Path(cPoint2D(18, 18), cPoint2D(62, 22), path));
    EXPECT_EQ(path, (cPath{{20, 5}, {60, 5}, {85, 20}, {62, 22}}));
    EXPECT_EQ(Graph_Snapshot(*world), before);
}

TEST(PathQuery, UnbuiltWorldHasNoRoute) {
    std::unique_ptr<cGame_World> world = Load_World({{10, 0, 10, 90}});
    cPath path = {{1, 1}};
    EXPECT_FALSE(world->Find_Path(cPoint2D(50, 50), cPoint2D(5, 5), path));
    EXPECT_TRUE(path.empty());
    cGame_World empty;
    EXPECT_FALSE(empty.Find_Path(cPoint2D(50, 50), cPoint2D(5, 5), path));
}

}  // namespace
