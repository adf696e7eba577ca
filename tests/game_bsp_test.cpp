// The world's build: the area partition, the wall pieces and portals of every
// area side, waypoints between aligned portals, and the faults of a naive
// decoration that these avoid (one-unit sides, walls sharing a line, walls on
// the world's border, waypoints outside their area, waypoints leading nowhere).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "level_loader.h"
#include "test_support.h"

namespace {

// "[[x,y],[x,y]] [[x,y],[x,y]]" for a list of wall pieces.
std::string Pieces(const std::vector<cHV_Seg*>& walls) {
    std::ostringstream out;
    for (const cHV_Seg* w : walls) out << (out.tellp() ? " " : "") << *w;
    return out.str();
}

// The ids of a list of portals, "0 1 2".
std::string Ids(const std::vector<cPortal*>& portals) {
    std::ostringstream out;
    for (const cPortal* p : portals) out << (out.tellp() ? " " : "") << p->Id;
    return out.str();
}

// The neighbours one step reaches, in the order the search takes them:
// portals as "P<id>", waypoints as "W[x,y]".
std::string Neighbours(cPortal* portal) {
    cNode_List list;
    portal->Get_Neighbours(list);
    std::ostringstream out;
    for (const cA_Star_Node* n : list) {
        const cPortal* p = dynamic_cast<const cPortal*>(n);
        out << (out.tellp() ? " " : "");
        if (p != nullptr && p->Id >= 0) out << 'P' << p->Id; else out << 'W' << n->Position;
    }
    return out.str();
}

std::string Waypoints(const cSquarePortal* area) {
    std::ostringstream out;
    for (const cAligned_WayPoint* w : area->WayPoints) out << (out.tellp() ? " " : "") << w->Position;
    return out.str();
}

TEST(GameWorld, FreshWorldIsEmpty) {
    cGame_World world;
    EXPECT_EQ(world.Root, nullptr);
    EXPECT_EQ(world.N_Nodes, 0);
    EXPECT_EQ(world.N_Areas, 0);
    EXPECT_EQ(world.N_Portals, 0);
    EXPECT_TRUE(world.Areas.empty());
    EXPECT_TRUE(world.Portals.empty());
    EXPECT_FALSE(world.Squares_Done);
}

TEST(GameWorld, DecorationBeforeThePartitionIsRefused) {
    std::unique_ptr<cGame_World> world = Load_World({{0, 50, 100, 50}});
    cCapture_Messages out;
    world->Decorate_With_Walls_And_Portals();
    EXPECT_EQ(out.str(),
              " ERROR : void cGame_World::Decorate_With_Walls_And_Portals() \n"
              " l'arbre doit d'abord etre d\xE9" "cor\xE9 avec les cSquarePortals !!! \n");
    EXPECT_TRUE(world->Areas.empty());
    EXPECT_TRUE(world->Portals.empty());
    EXPECT_TRUE(world->Root->Is_Leaf());
}

TEST(AreaPartition, NumbersAreasDepthFirstFrontFirst) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 200, 100), {{0, 50, 60, 50}, {60, 0, 60, 30}});
    ASSERT_EQ(world->Areas.size(), 3u);
    EXPECT_EQ(world->N_Areas, 3);
    const cRect2D expected[] = {Rect(0, 0, 60, 50), Rect(60, 0, 200, 50), Rect(0, 50, 200, 100)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(world->Areas[i]->Id, -1 - i);
        EXPECT_EQ(world->Areas[i]->Bounds, expected[i]) << i;
    }
    // Hung in the free slots: the vertical wall's two sides, then the root's back.
    EXPECT_EQ(world->Root->Front->Front, world->Areas[0]);
    EXPECT_EQ(world->Root->Front->Back, world->Areas[1]);
    EXPECT_EQ(world->Root->Back, world->Areas[2]);
}

TEST(AreaPartition, OnlyTheWallsLineMatters) {
    // However short the wall, its line cuts the whole region.
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{40, 50, 41, 50}});
    ASSERT_EQ(world->Areas.size(), 2u);
    EXPECT_EQ(world->Areas[0]->Bounds, Rect(0, 0, 100, 50));
    EXPECT_EQ(world->Areas[1]->Bounds, Rect(0, 50, 100, 100));
    // Neighbouring areas share their border line.
    EXPECT_TRUE(world->Areas[0]->Bounds.In(cPoint2D(70, 50)));
    EXPECT_TRUE(world->Areas[1]->Bounds.In(cPoint2D(70, 50)));
}

TEST(AreaPartition, WorldWithoutWallsIsOneArea) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 30, 40), {});
    ASSERT_EQ(world->Areas.size(), 1u);
    EXPECT_EQ(world->N_Areas, 1);
    EXPECT_EQ(world->Root, world->Areas[0]);
    EXPECT_EQ(world->Areas[0]->Id, -1);
    EXPECT_EQ(world->Areas[0]->Bounds, Rect(0, 0, 30, 40));
    EXPECT_EQ(world->Area_At(cPoint2D(10, 10)), world->Areas[0]);
}

TEST(AreaPartition, SplitByWallAndCenter) {
    const cSquarePortal area(Rect(0, 0, 100, 60));
    cSquarePortal *front = nullptr, *back = nullptr;
    area.Split_By_Wall(Wall(10, 20, 30, 20), front, back);
    EXPECT_EQ(front->Bounds, Rect(0, 0, 100, 20));
    EXPECT_EQ(back->Bounds, Rect(0, 20, 100, 60));
    delete front;
    delete back;
    // A line outside the region still gives two areas, ordered by the
    // two-point construction of rectangles.
    area.Split_By_Wall(Wall(150, 0, 150, 10), front, back);
    EXPECT_EQ(front->Bounds, Rect(0, 0, 150, 60));
    EXPECT_EQ(back->Bounds, Rect(100, 0, 150, 60));
    delete front;
    delete back;

    cPoint2D c;
    cSquarePortal(Rect(0, 0, 5, 5)).Get_Center(c);
    EXPECT_EQ(c, cPoint2D(2, 2));
    cSquarePortal(Rect(-5, -5, 0, 0)).Get_Center(c);
    EXPECT_EQ(c, cPoint2D(-2, -2));
}

TEST(Decoration, TwoWallsWithOnePortalEach) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 200, 100), {{0, 50, 60, 50}, {60, 0, 60, 30}});
    const std::vector<cSquarePortal*>& a = world->Areas;
    EXPECT_EQ(Pieces(a[0]->Walls), "[[60,0],[60,30]] [[0,50],[60,50]]");
    EXPECT_EQ(Pieces(a[1]->Walls), "[[60,0],[60,30]]");
    EXPECT_EQ(Pieces(a[2]->Walls), "[[0,50],[60,50]]");
    EXPECT_EQ(Ids(a[0]->Portals), "0");
    EXPECT_EQ(Ids(a[1]->Portals), "1 0");
    EXPECT_EQ(Ids(a[2]->Portals), "1");

    ASSERT_EQ(world->N_Portals, 2);
    ASSERT_EQ(world->Portals.size(), 2u);
    cPortal* p0 = world->Portals[0];
    cPortal* p1 = world->Portals[1];
    std::ostringstream text;
    text << *p0 << " | " << *p1;
    EXPECT_EQ(text.str(), "[0] between [-1] and [-2] [[60,30],[60,50]] | [1] between [-2] and [-3] [[60,50],[200,50]]");
    EXPECT_EQ(p0->Position, cPoint2D(60, 40));
    EXPECT_EQ(p1->Position, cPoint2D(130, 50));
    EXPECT_EQ(Neighbours(p0), "P1");
    EXPECT_EQ(Neighbours(p1), "P0");
    for (const cSquarePortal* area : a) EXPECT_TRUE(area->WayPoints.empty());
}

TEST(Decoration, LaterAreasCutEarlierPortals) {
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{0, 50, 10, 50}, {50, 0, 50, 20}, {70, 60, 70, 100}});
    const std::vector<cSquarePortal*>& a = world->Areas;
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0]->Bounds, Rect(0, 0, 50, 50));
    EXPECT_EQ(a[1]->Bounds, Rect(50, 0, 100, 50));
    EXPECT_EQ(a[2]->Bounds, Rect(0, 50, 70, 100));
    EXPECT_EQ(a[3]->Bounds, Rect(70, 50, 100, 100));

    EXPECT_EQ(Pieces(a[0]->Walls), "[[50,0],[50,20]] [[0,50],[10,50]]");
    EXPECT_EQ(Pieces(a[1]->Walls), "[[50,0],[50,20]]");
    EXPECT_EQ(Pieces(a[2]->Walls), "[[0,50],[10,50]] [[70,60],[70,100]]");
    EXPECT_EQ(Pieces(a[3]->Walls), "[[70,60],[70,100]]");
    EXPECT_EQ(Ids(a[0]->Portals), "0 1");
    EXPECT_EQ(Ids(a[1]->Portals), "2 0 3");
    EXPECT_EQ(Ids(a[2]->Portals), "1 2 4");
    EXPECT_EQ(Ids(a[3]->Portals), "3 4");

    struct Expected {
        const char* text;
        cPoint2D position;
        const char* neighbours;
    };
    const Expected expected[] = {
        {"[0] between [-1] and [-2] [[50,20],[50,50]]", {50, 35}, "P1 P2 P3"},
        {"[1] between [-1] and [-3] [[10,50],[50,50]]", {30, 50}, "P0 P4 W[45,90]"},
        // Portal 2 was created on the whole top of area -2 and cut down when
        // area -3 met it; it moved to the middle of what is left.
        {"[2] between [-2] and [-3] [[50,50],[70,50]]", {60, 50}, "P0 P4 W[72,10] W[45,90]"},
        {"[3] between [-2] and [-4] [[70,50],[100,50]]", {85, 50}, "P0 P4 W[72,10]"},
        {"[4] between [-3] and [-4] [[70,50],[70,60]]", {70, 55}, "P1 P2 P3"},
    };
    ASSERT_EQ(world->N_Portals, 5);
    ASSERT_EQ(world->Portals.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        std::ostringstream text;
        text << *world->Portals[i];
        EXPECT_EQ(text.str(), expected[i].text);
        EXPECT_EQ(world->Portals[i]->Position, expected[i].position) << i;
        EXPECT_EQ(Neighbours(world->Portals[i]), expected[i].neighbours) << i;
    }
    EXPECT_EQ(Waypoints(a[0]), "");
    EXPECT_EQ(Waypoints(a[1]), "[72,10]");
    EXPECT_EQ(Waypoints(a[2]), "[45,90]");
    EXPECT_EQ(Waypoints(a[3]), "");
    // A waypoint leads on to both of its portals, the older one first.
    EXPECT_EQ(Neighbours(a[1]->WayPoints[0]), "P2 P3");
    EXPECT_EQ(Neighbours(a[2]->WayPoints[0]), "P1 P2");
}

TEST(Decoration, SideCoverage) {
    struct Case {
        const char* what;
        std::vector<cWall_Coords> walls;
        const char* pieces;   // wall pieces of the first area
        const char* portals;  // its portals' segments
    };
    const Case cases[] = {
        {"a side covered over its whole length", {{0, 50, 100, 50}}, "[[0,50],[100,50]]", ""},
        {"a wall of zero length splits the open stretch", {{0, 50, 10, 50}, {30, 50, 30, 50}},
         "[[0,50],[10,50]]", "[[10,50],[30,50]] [[30,50],[100,50]]"},
        {"a covered middle leaves a portal at each end", {{30, 50, 70, 50}},
         "[[30,50],[70,50]]", "[[0,50],[30,50]] [[70,50],[100,50]]"},
        {"a doorway between two walls on one line", {{0, 50, 40, 50}, {60, 50, 100, 50}},
         "[[0,50],[40,50]] [[60,50],[100,50]]", "[[40,50],[60,50]]"},
        {"walls meeting end to end make one piece", {{0, 50, 40, 50}, {40, 50, 70, 50}},
         "[[0,50],[70,50]]", "[[70,50],[100,50]]"},
        {"overlapping walls make one piece", {{10, 50, 40, 50}, {20, 50, 60, 50}, {30, 50, 35, 50}},
         "[[10,50],[60,50]]", "[[0,50],[10,50]] [[60,50],[100,50]]"},
    };
    for (const Case& c : cases) {
        cBounds_Guard bounds(Rect(0, 0, 100, 100));
        cGame_World world;
        {
            cCapture_Messages warnings;  // a wall of zero length is reported
            for (const cWall_Coords& w : c.walls) world.Insert(Wall(w));
        }
        world.Build();
        const cSquarePortal* first = world.Areas[0];
        EXPECT_EQ(Pieces(first->Walls), c.pieces) << c.what;
        std::ostringstream portals;
        for (const cPortal* p : first->Portals) portals << (portals.tellp() ? " " : "") << p->Segment;
        EXPECT_EQ(portals.str(), c.portals) << c.what;
    }
}

TEST(Decoration, EveryPortalJoinsTwoAreasOnItsLine) {
    // A level of rooms and corridors with walls touching, crossing and
    // sharing lines.
    std::unique_ptr<cGame_World> world = Build_World(
        Rect(0, 0, 120, 100), {{0, 50, 40, 50}, {60, 50, 120, 50}, {30, 0, 30, 45}, {30, 55, 30, 100},
                               {80, 10, 80, 50}, {80, 70, 80, 90}, {90, 70, 110, 70}, {50, 20, 70, 20}});
    ASSERT_EQ(world->Portals.size(), size_t(world->N_Portals));
    for (int i = 0; i < world->N_Portals; ++i) {
        const cPortal* p = world->Portals[i];
        EXPECT_EQ(p->Id, i);
        ASSERT_NE(p->Area1, nullptr);
        ASSERT_NE(p->Area2, nullptr);
        EXPECT_NE(p->Area1, p->Area2);
        EXPECT_NE(p->Segment.p0, p->Segment.p1);
        for (const cSquarePortal* area : {p->Area1, p->Area2}) {
            EXPECT_TRUE(area->Bounds.In(p->Segment.p0) && area->Bounds.In(p->Segment.p1)) << *p;
            int listed = 0;
            for (const cPortal* q : area->Portals) listed += q == p;
            EXPECT_EQ(listed, 1) << *p;
        }
        // No wall point inside an open stretch.
        cPoint2D m;
        p->Segment.Get_Middle(m);
        EXPECT_FALSE(world->Is_On_Wall(m)) << *p;
    }
}

// --------------------------------------------- faults of the naive decoration

TEST(DecorationMends, SidesOneUnitLong) {
    // A corridor one unit wide: the middle of its one-unit ends is a corner.
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{0, 10, 50, 10}, {0, 11, 50, 11}});
    for (const cPortal* p : world->Portals) {
        EXPECT_NE(p->Area2, nullptr) << *p;
        EXPECT_TRUE(p->Segment.Is_Horizontal()) << *p;
    }
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(5, 11), cPoint2D(5, 50), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{75, 11}, {5, 50}}));
}

TEST(DecorationMends, WallsOnTheWorldsBorder) {
    {
        std::unique_ptr<cGame_World> world =
            Build_World(Rect(0, 0, 100, 100), {{50, 0, 50, 100}, {0, 100, 20, 100}, {0, 20, 100, 20}});
        // Every area is closed: the border leads nowhere.
        EXPECT_EQ(world->N_Portals, 0);
        std::vector<cPoint2D> path;
        EXPECT_FALSE(world->Find_Path(cPoint2D(10, 50), cPoint2D(60, 50), path));
        // The wall on the border is still a wall.
        EXPECT_EQ(Pieces(world->Area_At(cPoint2D(10, 50))->Walls),
                  "[[0,20],[50,20]] [[50,20],[50,100]] [[0,100],[20,100]]");
    }
    {
        // A room drawn with its outline on the border, split by a wall with a door.
        std::unique_ptr<cGame_World> world =
            Build_World(Rect(0, 0, 100, 100), {{0, 0, 100, 0}, {100, 0, 100, 100}, {100, 100, 0, 100},
                                               {0, 100, 0, 0}, {50, 0, 50, 40}, {50, 60, 50, 100}});
        ASSERT_EQ(world->N_Portals, 1);
        EXPECT_EQ(world->Portals[0]->Segment, cHV_Seg(cPoint2D(50, 40), cPoint2D(50, 60)));
        for (const cSquarePortal* area : world->Areas) {
            const bool flat = area->Bounds.Min.x == area->Bounds.Max.x || area->Bounds.Min.y == area->Bounds.Max.y;
            if (flat) {
                EXPECT_TRUE(area->Portals.empty()) << area->Bounds;
            }
        }
        std::vector<cPoint2D> path;
        EXPECT_TRUE(world->Find_Path(cPoint2D(10, 50), cPoint2D(90, 50), path));
        EXPECT_EQ(path, (std::vector<cPoint2D>{{50, 50}, {90, 50}}));
    }
}

TEST(DecorationMends, TwoDoorsOnOneSideAreJoinedThroughTheirWaypoint) {
    // A corridor 20 units high under two rooms; each room has one door into
    // it, both on the corridor's top side.
    std::unique_ptr<cGame_World> world = Build_World(
        Rect(0, 0, 100, 100), {{0, 20, 20, 20}, {40, 20, 60, 20}, {80, 20, 100, 20}, {50, 20, 50, 100}});
    const cSquarePortal* corridor = world->Areas[0];
    ASSERT_EQ(corridor->Bounds, Rect(0, 0, 100, 20));
    // The waypoint stands inside the corridor, on its far side.
    EXPECT_EQ(Waypoints(corridor), "[50,0]");
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(10, 50), cPoint2D(90, 50), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{30, 20}, {50, 0}, {70, 20}, {90, 50}}));
}

TEST(DecorationMends, WaypointsStayInsideTheirArea) {
    struct Case {
        const char* what;
        cRect2D bounds;
        std::vector<cWall_Coords> walls;
        int area;  // index in Areas
        const char* waypoint;
    };
    const Case cases[] = {
        {"area 40 or more across: 40 units in", Rect(0, 0, 100, 100),
         {{0, 50, 20, 50}, {40, 50, 60, 50}, {80, 50, 100, 50}}, 0, "[50,10]"},
        {"area 20 across: on its far border", Rect(0, 0, 100, 100),
         {{0, 20, 20, 20}, {40, 20, 60, 20}, {80, 20, 100, 20}}, 0, "[50,0]"},
        {"portals on the area's smaller border", Rect(0, 0, 100, 100),
         {{0, 80, 20, 80}, {40, 80, 60, 80}, {80, 80, 100, 80}}, 1, "[50,100]"},
        {"vertical portals", Rect(0, 0, 100, 100),
         {{30, 0, 30, 20}, {30, 40, 30, 60}, {30, 80, 30, 100}}, 0, "[0,50]"},
        // One unit high at negative coordinates: the rounded centre lies on
        // the portals' own line, yet the waypoint goes inside.
        {"one unit high below zero", Rect(-100, -100, 100, 100),
         {{-100, -1, 100, -1}, {-100, 0, -60, 0}, {-40, 0, 40, 0}, {60, 0, 100, 0}}, 1, "[0,-1]"},
    };
    for (const Case& c : cases) {
        cBounds_Guard bounds(c.bounds);
        cGame_World world;
        for (const cWall_Coords& w : c.walls) world.Insert(Wall(w));
        world.Build();
        const cSquarePortal* area = world.Areas[c.area];
        EXPECT_EQ(Waypoints(area), c.waypoint) << c.what;
        for (const cAligned_WayPoint* w : area->WayPoints) EXPECT_TRUE(area->Bounds.In(w->Position)) << c.what;
    }
}

TEST(DecorationMends, NoStepAlongAWallToAPortalStandingInACorner) {
    // Area [0,10]-[14,30] has a door (0..8) in its bottom side, whose rest is
    // wall, and a door one unit long, (14,10)-(14,11), in its right side: that
    // door stands at its end (14,10), the bottom-right corner. Going straight
    // from (4,10) to (14,10) would run along the wall (8,10)-(14,10).
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 30, 30), {{8, 10, 30, 10}, {14, 11, 14, 30}});
    const cSquarePortal* room = world->Area_At(cPoint2D(5, 20));
    ASSERT_EQ(room->Bounds, Rect(0, 10, 14, 30));
    ASSERT_EQ(Ids(room->Portals), "0 1");
    EXPECT_EQ(world->Portals[1]->Position, cPoint2D(14, 10));
    EXPECT_EQ(Neighbours(world->Portals[0]), "W[9,30]");
    EXPECT_EQ(Neighbours(world->Portals[1]), "W[9,30]");
    EXPECT_EQ(Neighbours(room->WayPoints[0]), "P0 P1");
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(5, 5), cPoint2D(20, 20), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{4, 10}, {9, 30}, {14, 10}, {20, 20}}));
    // Without a wall between them two such portals stay neighbours.
    std::unique_ptr<cGame_World> open = Build_World(Rect(0, 0, 30, 30), {{14, 10, 30, 10}, {14, 11, 14, 30}});
    EXPECT_TRUE(open->Find_Path(cPoint2D(5, 5), cPoint2D(20, 20), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{7, 10}, {14, 10}, {20, 20}}));
}

TEST(DecorationMends, WaypointNeverStandsOnTheBorderBesideTheSide) {
    // Two doors one unit long, side by side at the left end of the top side:
    // halfway between them is the corner (0,50), so the waypoint takes the
    // second door's place along the side instead of standing on the left
    // border line.
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{2, 50, 100, 50}, {1, 50, 1, 60}});
    const cSquarePortal* below = world->Area_At(cPoint2D(50, 10));
    ASSERT_EQ(below->Bounds, Rect(0, 0, 100, 50));
    ASSERT_EQ(below->Portals.size(), 2u);
    EXPECT_EQ(Waypoints(below), "[1,10]");
}

TEST(DecorationMends, AlignedPairsAreTakenInCreationOrder) {
    // The area lists the younger portal first; the pair is still taken with
    // the older portal as its first member.
    cSquarePortal area(Rect(0, 0, 100, 100));
    cSquarePortal above(Rect(0, 100, 100, 120));
    cPortal younger(cHV_Seg(cPoint2D(0, 100), cPoint2D(20, 100)), &area, 5);
    cPortal older(cHV_Seg(cPoint2D(60, 100), cPoint2D(80, 100)), &area, 2);
    younger.Add_Area(&above);
    older.Add_Area(&above);
    area.Portals = {&younger, &older};
    area.Link_Aligned_Portals();
    ASSERT_EQ(area.WayPoints.size(), 1u);
    EXPECT_EQ(area.WayPoints[0]->Position, cPoint2D(40, 60));
    EXPECT_EQ(Neighbours(area.WayPoints[0]), "P2 P5");
    EXPECT_EQ(Neighbours(&older), "W[40,60]");
    EXPECT_EQ(Neighbours(&younger), "W[40,60]");
}

// ------------------------------------------------------------------ invariants

TEST(DecorationDeathTest, AreaRefusesPiecesOutsideItsBounds) {
    cSquarePortal area(Rect(0, 0, 10, 10));
    EXPECT_DEATH(area.Add_Wall(cHV_Seg(cPoint2D(0, 20), cPoint2D(10, 20))), "Bounds.In\\(w.Get_p0\\(\\) \\)");
    EXPECT_DEATH(area.Add_Portal(nullptr), "portal != NULL");
}

}  // namespace

// ------------------------------------------------------------ life cycle

namespace {

// Every query answers "nothing" on a world that is not built.
void Expect_No_Answers(cGame_World& world) {
    std::vector<cPoint2D> path = {{1, 1}};
    EXPECT_FALSE(world.Find_Path(cPoint2D(5, 5), cPoint2D(95, 95), path));
    EXPECT_TRUE(path.empty());
    cPoint2D hit(-1, -1);
    EXPECT_FALSE(world.Intersect_Segment(cSeg(cPoint2D(0, 50), cPoint2D(100, 50)), hit));
    EXPECT_EQ(hit, cPoint2D(-1, -1));
    EXPECT_FALSE(world.Intersect_Ball(95, 50, 50));
}

}  // namespace

TEST(WorldLifeCycle, WallOutsideTheBoundsRefusesTheBuild) {
    cBounds_Guard bounds(Rect(0, 0, 100, 100));
    std::unique_ptr<cGame_World> world =
        Load_World({{10, 10, 10, 90}, {90, 50, 120, 50}, {-5, 5, -5, 10}, {50, 0, 50, 40}});
    {
        cCapture_Messages out;
        world->Build();
        EXPECT_EQ(out.str(),
                  "ERROR : void cGame_World::Build() : the wall [90,50]-->[120,50] lies outside the world "
                  "[[0,0]<->[100,100]], the world is not built !!! \n");
    }
    EXPECT_FALSE(world->Is_Built());
    EXPECT_FALSE(world->Squares_Done);
    EXPECT_TRUE(world->Areas.empty());
    EXPECT_TRUE(world->Portals.empty());
    Expect_No_Answers(*world);

    // Nothing was changed: with bounds that hold every wall it builds.
    WORLD_BOUNDS = Rect(-10, 0, 200, 100);
    cCapture_Messages out;
    world->Build();
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(world->Is_Built());
    EXPECT_EQ(world->Get_Bounds(), Rect(-10, 0, 200, 100));
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(5, 50), cPoint2D(150, 50), path));
}

TEST(WorldLifeCycle, SecondBuildDoesNothing) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 200, 100), {{0, 50, 60, 50}, {60, 0, 60, 30}});
    cBounds_Guard other(Rect(0, 0, 50, 50));
    cCapture_Messages out;
    world->Build();
    world->Decorate_With_Square_Portals();
    world->Decorate_With_Walls_And_Portals();
    world->Link_Aligned_Portals();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(world->N_Areas, 3);
    EXPECT_EQ(world->N_Portals, 2);
    EXPECT_EQ(world->Get_Bounds(), Rect(0, 0, 200, 100));
    EXPECT_EQ(Ids(world->Areas[1]->Portals), "1 0");
    EXPECT_EQ(Neighbours(world->Portals[0]), "P1");
}

TEST(WorldLifeCycle, TheThreeStepsCalledOneByOneBuildTheWorld) {
    cBounds_Guard bounds(Rect(0, 0, 100, 100));
    std::unique_ptr<cGame_World> world = Load_World({{10, 0, 10, 90}});
    world->Decorate_With_Square_Portals();
    EXPECT_FALSE(world->Is_Built());
    world->Decorate_With_Walls_And_Portals();
    world->Link_Aligned_Portals();
    EXPECT_TRUE(world->Is_Built());
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(50, 50), cPoint2D(5, 5), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{10, 95}, {5, 5}}));
}

TEST(WorldLifeCycle, InsertAfterTheBuildIsRefused) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{0, 50, 40, 50}});
    cCapture_Messages out;
    world->Insert(Wall(60, 50, 100, 50));
    EXPECT_EQ(out.str(),
              "ERROR : void cGame_World::Insert( cHV_Wall & w ) : the world is already built, "
              "[60,50]-->[100,50] is not inserted !!! \n");
    EXPECT_EQ(world->N_Nodes, 1);
    EXPECT_TRUE(world->Root->Line_Walls.empty());
    EXPECT_EQ(world->Get_Level_Walls().size(), 1u);
    cPoint2D hit;
    EXPECT_FALSE(world->Intersect_Segment(cSeg(cPoint2D(80, 40), cPoint2D(80, 60)), hit));
}

TEST(WorldLifeCycle, WallThatIsNeitherHorizontalNorVerticalIsRefused) {
    cGame_World world;
    cCapture_Messages out;
    world.Insert(Wall(0, 0, 40, 40));
    EXPECT_EQ(out.str(),
              "ERROR : void cHV_Wall::Set_HV()[0,0]-->[40,40] is not an valid HV_wall !!! \n"
              "ERROR : void cGame_World::Insert( cHV_Wall & w ) : [0,0]-->[40,40] is neither horizontal "
              "nor vertical, it is not inserted !!! \n");
    EXPECT_EQ(world.Root, nullptr);
    EXPECT_TRUE(world.Get_Level_Walls().empty());
}

TEST(WorldLifeCycle, QueriesOutsideTheCoordinateRangeAnswerFalse) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{60, 0, 60, 90}});
    const int far = COORD_LIMIT + 1;
    std::vector<cPoint2D> path = {{1, 1}};
    EXPECT_FALSE(world->Find_Path(cPoint2D(far, 5), cPoint2D(5, 5), path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(world->Find_Path(cPoint2D(5, 5), cPoint2D(-2147483647 - 1, 5), path));
    cPoint2D hit;
    EXPECT_FALSE(world->Intersect_Segment(cSeg(cPoint2D(0, 50), cPoint2D(2147483647, 50)), hit));
    EXPECT_FALSE(world->Intersect_Ball(far, 50, 2147483647));
    // A point within the range but outside the world lies in no area.
    EXPECT_FALSE(world->Find_Path(cPoint2D(COORD_LIMIT, 5), cPoint2D(5, 5), path));
    EXPECT_FALSE(world->Find_Path(cPoint2D(5, 5), cPoint2D(101, 5), path));
    EXPECT_TRUE(world->Find_Path(cPoint2D(100, 5), cPoint2D(5, 5), path));
    // At the edge of the range everything still works, exactly.
    EXPECT_TRUE(world->Intersect_Ball(-COORD_LIMIT, -COORD_LIMIT, 2147483647));
    EXPECT_FALSE(world->Intersect_Ball(COORD_LIMIT, 50, COORD_LIMIT - 60));
    EXPECT_TRUE(world->Intersect_Ball(COORD_LIMIT, 50, COORD_LIMIT - 59));
}

TEST(WorldLifeCycle, LongSegmentTakesTimeInProportionToItsLength) {
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(-COORD_LIMIT, -COORD_LIMIT, COORD_LIMIT, COORD_LIMIT), {{0, 10, 0, 20}});
    cPoint2D hit;
    // Two million grid points, none on the wall.
    EXPECT_FALSE(world->Intersect_Segment(cSeg(cPoint2D(-1000000, 0), cPoint2D(1000000, 7)), hit));
    EXPECT_TRUE(world->Intersect_Segment(cSeg(cPoint2D(-1000000, 15), cPoint2D(1000000, 15)), hit));
    EXPECT_EQ(hit, cPoint2D(0, 15));
}

TEST(WorldLifeCycle, LevelAsDeepAsItHasWalls) {
    // 20,000 walls across the whole width in increasing order of y: every
    // wall lies behind all the earlier ones, so the tree is 20,000 deep.
    const int n = 20000;
    std::ostringstream level;
    level << "<AREA>\n[1000," << n + 1 << "]\n<WALLS>\n";
    for (int y = 1; y <= n; ++y) level << "[0," << y << "]->[1000," << y << "]\n";
    const std::string file = Write_Temp_File("deep_level.txt", level.str());
    cBounds_Guard bounds(WORLD_BOUNDS);
    std::unique_ptr<cGame_World> world(new cGame_World());
    cLevel_Loader loader;
    cCapture_Messages out;
    ASSERT_TRUE(loader.Load(file.c_str(), world.get()));
    world->Build();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(world->N_Nodes, n);
    EXPECT_EQ(world->N_Areas, n + 1);
    EXPECT_EQ(world->N_Portals, 0);
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(5, n / 2 + 1), cPoint2D(995, n / 2 + 1), path));
    EXPECT_FALSE(world->Find_Path(cPoint2D(5, 5), cPoint2D(5, n - 5), path));
    cPoint2D hit;
    EXPECT_TRUE(world->Intersect_Segment(cSeg(cPoint2D(500, n + 1), cPoint2D(500, 0)), hit));
    EXPECT_EQ(hit, cPoint2D(500, n));
    EXPECT_TRUE(world->Intersect_Ball(500, n / 2, 1));
    EXPECT_FALSE(world->Intersect_Ball(500, n + 1, 1));
    world->Root->Print();  // the dump walks the whole depth too
    EXPECT_NE(out.str().find("[Leaf:-20001]]-> Area [[0,20000]<->[1000,20001]]\n"), std::string::npos);
    world.reset();  // and so does the destruction
}
