// The world's path query on both engines: points in one area, routes through
// portals, goals that cannot be reached, and the search graph left as it was
// after every query.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

using namespace bsp_levels;

namespace {

typedef std::vector<cPoint2D> cPath;

class PathQuery : public cEngine_Test {};
INSTANTIATE_FOR_BOTH_ENGINES(PathQuery);

TEST_P(PathQuery, PointsInOneAreaNeedOnlyTheGoal) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{10, 0, 10, 90}}, Engine());
    cPath path = {{1, 1}};
    EXPECT_TRUE(world->Find_Path(cPoint2D(50, 50), cPoint2D(80, 20), path));
    EXPECT_EQ(path, (cPath{{80, 20}}));
    EXPECT_TRUE(world->Find_Path(cPoint2D(50, 50), cPoint2D(50, 50), path));
    EXPECT_EQ(path, (cPath{{50, 50}}));

    std::unique_ptr<cGame_World> empty = Build_World(Rect(0, 0, 100, 100), {}, Engine());
    EXPECT_TRUE(empty->Find_Path(cPoint2D(5, 5), cPoint2D(95, 95), path));
    EXPECT_EQ(path, (cPath{{95, 95}}));
}

TEST_P(PathQuery, RouteThroughOnePortal) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{10, 0, 10, 90}}, Engine());
    cPath path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(50, 50), cPoint2D(5, 5), path));
    EXPECT_EQ(path, (cPath{{10, 95}, {5, 5}}));
}

TEST_P(PathQuery, UnreachableGoalGivesAnEmptyPath) {
    std::unique_ptr<cGame_World> world = Build_World(
        Rect(0, 0, 100, 100), {{50, 0, 50, 40}, {50, 60, 50, 100}, {80, 80, 100, 80}, {80, 80, 80, 100}}, Engine());
    cPath path = {{1, 2}, {3, 4}};
    EXPECT_FALSE(world->Find_Path(cPoint2D(5, 5), cPoint2D(95, 95), path));
    EXPECT_TRUE(path.empty());
}

TEST_P(PathQuery, PointOnAWallsLineBelongsToItsFrontSide) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{0, 50, 100, 50}}, Engine());
    cPath path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(30, 50), cPoint2D(30, 20), path));
    EXPECT_EQ(path, (cPath{{30, 20}}));
    EXPECT_FALSE(world->Find_Path(cPoint2D(30, 50), cPoint2D(30, 70), path));
}

TEST_P(PathQuery, UnbuiltWorldHasNoRoute) {
    std::unique_ptr<cGame_World> world = Load_World({{10, 0, 10, 90}}, Engine());
    cPath path = {{1, 1}};
    EXPECT_FALSE(world->Find_Path(cPoint2D(50, 50), cPoint2D(5, 5), path));
    EXPECT_TRUE(path.empty());
    cGame_World empty(Engine());
    EXPECT_FALSE(empty.Find_Path(cPoint2D(50, 50), cPoint2D(5, 5), path));
}

// ------------------------------------------------------------ the graph

// The search graph as the nodes hold it: every portal's and waypoint's
// neighbour list, newest first, with the search fields of each node.
std::string Graph_Text(const cGame_World& world, bool with_search_fields) {
    std::ostringstream out;
    auto node = [&](const cPortal* p) {
        out << p->Position << " ->";
        for (const cA_Star_Node* n : p->Voisinage) out << ' ' << n->Position;
        if (with_search_fields) out << " | parent " << p->Parent << " G " << p->G << " H " << p->H;
        out << '\n';
    };
    for (const cPortal* p : world.Portals) node(p);
    for (const cSquarePortal* a : world.Areas)
        for (const cAligned_WayPoint* w : a->WayPoints) node(w);
    return out.str();
}

// The reference engine's query hooks the goal into the portals of its area,
// runs the search over the world's own nodes, writing their Parent, G and H,
// and unhooks the goal again: every neighbour list must be as it was built,
// whether a route was found or not, and a later query must not see traces of
// an earlier one. The fast engine keeps its search state apart and writes
// nothing into the world, not even the search fields (threads share a world).
TEST_P(PathQuery, QueriesLeaveTheSearchGraphAsTheyFoundIt) {
    // Rooms around a closed cell: routes exist to (58,62) and (62,22), none
    // to (58,58).
    std::unique_ptr<cGame_World> world = Build_World(
        Rect(0, 0, 100, 100),
        {{10, 60, 100, 60}, {20, 60, 20, 70}, {20, 10, 20, 60}, {60, 10, 60, 60}, {10, 20, 70, 20}}, Engine());
    const bool fast = Engine() == cEngine::FAST;
    const std::string before = Graph_Text(*world, fast);
    const cPath to_62 = {{5, 20}, {5, 60}, {20, 85}, {58, 62}};
    const cPath to_22 = {{20, 5}, {60, 5}, {85, 20}, {62, 22}};
    cPath path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 62), path));
    EXPECT_EQ(path, to_62);
    EXPECT_EQ(Graph_Text(*world, fast), before);
    EXPECT_FALSE(world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 58), path));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(Graph_Text(*world, fast), before);
    EXPECT_TRUE(world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 62), path));
    EXPECT_EQ(path, to_62);
    EXPECT_TRUE(world->Find_Path(cPoint2D(18, 18), cPoint2D(62, 22), path));
    EXPECT_EQ(path, to_22);
    // Back and forth: the goal of one query is the start of the next.
    EXPECT_TRUE(world->Find_Path(cPoint2D(62, 22), cPoint2D(18, 18), path));
    EXPECT_EQ(path.back(), cPoint2D(18, 18));
    EXPECT_TRUE(world->Find_Path(cPoint2D(18, 18), cPoint2D(62, 22), path));
    EXPECT_EQ(path, to_22);
    EXPECT_EQ(Graph_Text(*world, fast), before);
}

}  // namespace
