// The world's build: the area partition, the wall pieces and portals of every
// area side, waypoints between aligned portals, and the faults of a naive
// decoration that these avoid (one-unit sides, walls sharing a line, walls on
// the world's border, waypoints outside their area, waypoints leading nowhere).
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "level_loader.h"
#include "test_support.h"

using namespace bsp_levels;

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

// The tests of worlds built from walls run on both engines.
class GameWorld : public cEngine_Test {};
class LevelBuild : public cEngine_Test {};
class Decoration : public cEngine_Test {};
class DecorationMends : public cEngine_Test {};
class WorldLifeCycle : public cEngine_Test {};
INSTANTIATE_FOR_BOTH_ENGINES(GameWorld);
INSTANTIATE_FOR_BOTH_ENGINES(LevelBuild);
INSTANTIATE_FOR_BOTH_ENGINES(Decoration);
INSTANTIATE_FOR_BOTH_ENGINES(DecorationMends);
INSTANTIATE_FOR_BOTH_ENGINES(WorldLifeCycle);

TEST_P(GameWorld, FreshWorldIsEmpty) {
    cGame_World world(Engine());
    EXPECT_EQ(world.Root, nullptr);
    EXPECT_EQ(world.N_Nodes, 0);
    EXPECT_EQ(world.N_Areas, 0);
    EXPECT_EQ(world.N_Portals, 0);
    EXPECT_TRUE(world.Areas.empty());
    EXPECT_TRUE(world.Portals.empty());
    EXPECT_FALSE(world.Squares_Done);
    EXPECT_FALSE(world.Is_Built());
    EXPECT_EQ(world.Get_Engine(), Engine());
}

TEST_P(GameWorld, DecorationBeforeThePartitionIsRefused) {
    std::unique_ptr<cGame_World> world = Load_World({{0, 50, 100, 50}}, Engine());
    cCapture_Messages out;
    world->Decorate_With_Walls_And_Portals();
    EXPECT_EQ(out.str(),
              " ERROR : void cGame_World::Decorate_With_Walls_And_Portals() \n"
              " l'arbre doit d'abord etre d\xE9" "cor\xE9 avec les cSquarePortals !!! \n");
    EXPECT_TRUE(world->Areas.empty());
    EXPECT_TRUE(world->Portals.empty());
    EXPECT_TRUE(world->Root->Is_Leaf());
}

// Where each area hangs in the tree: the way down from the root, "F" for
// a front child and "B" for a back child ("" when the root is the area).
std::string Slot(const cGame_World& world, const cSquarePortal* area) {
    std::vector<std::pair<const cGame_World::Node*, std::string>> pending;
    if (world.Root != nullptr) pending.emplace_back(world.Root, "");
    while (!pending.empty()) {
        const cGame_World::Node* n = pending.back().first;
        const std::string way = pending.back().second;
        pending.pop_back();
        if (n == area) return way;
        if (n->Front != nullptr) pending.emplace_back(n->Front, way + "F");
        if (n->Back != nullptr) pending.emplace_back(n->Back, way + "B");
    }
    return "not in the tree";
}

// The build of small levels, area by area and portal by portal. A null
// text is not checked.
TEST_P(LevelBuild, AreasPiecesPortalsAndWaypoints) {
    struct cArea {
        cRect2D Bounds;
        const char* Slot;
        const char* Pieces;      // wall pieces on the sides
        const char* Portal_Ids;  // in the area's order
        const char* Waypoints;
        const char* Waypoint_Neighbours;  // of the area's waypoints, one after the other
    };
    struct cPortal_Expected {
        const char* Areas;  // "Area1 Area2"
        const char* Segment;
        cPoint2D Position;
        const char* Neighbours;
    };
    struct cCase {
        const char* What;
        cRect2D Bounds;
        std::vector<cWall_Coords> Walls;
        std::vector<cArea> Areas;  // in numbering order: -1, -2, ...
        std::vector<cPortal_Expected> Portals;  // in creation order: 0, 1, ...
    };
    const cCase cases[] = {
        // Areas are numbered depth first, front first, and hung in the free
        // slots: the vertical wall's two sides, then the root's back.
        {"two walls with one portal each",
         Rect(0, 0, 200, 100),
         {{0, 50, 60, 50}, {60, 0, 60, 30}},
         {{Rect(0, 0, 60, 50), "FF", "[[60,0],[60,30]] [[0,50],[60,50]]", "0", "", ""},
          {Rect(60, 0, 200, 50), "FB", "[[60,0],[60,30]]", "1 0", "", ""},
          {Rect(0, 50, 200, 100), "B", "[[0,50],[60,50]]", "1", "", ""}},
         {{"-1 -2", "[[60,30],[60,50]]", {60, 40}, "P1"}, {"-2 -3", "[[60,50],[200,50]]", {130, 50}, "P0"}}},
        {"later areas cut earlier portals",
         Rect(0, 0, 100, 100),
         {{0, 50, 10, 50}, {50, 0, 50, 20}, {70, 60, 70, 100}},
         {{Rect(0, 0, 50, 50), "FF", "[[50,0],[50,20]] [[0,50],[10,50]]", "0 1", "", ""},
          {Rect(50, 0, 100, 50), "FB", "[[50,0],[50,20]]", "2 0 3", "[72,10]", "P2 P3"},
          {Rect(0, 50, 70, 100), "BF", "[[0,50],[10,50]] [[70,60],[70,100]]", "1 2 4", "[45,90]", "P1 P2"},
          {Rect(70, 50, 100, 100), "BB", "[[70,60],[70,100]]", "3 4", "", ""}},
         {{"-1 -2", "[[50,20],[50,50]]", {50, 35}, "P1 P2 P3"},
          {"-1 -3", "[[10,50],[50,50]]", {30, 50}, "P0 P4 W[45,90]"},
          // Portal 2 was created on the whole top of area -2 and cut down
          // when area -3 met it; it moved to the middle of what is left.
          {"-2 -3", "[[50,50],[70,50]]", {60, 50}, "P0 P4 W[72,10] W[45,90]"},
          {"-2 -4", "[[70,50],[100,50]]", {85, 50}, "P0 P4 W[72,10]"},
          {"-3 -4", "[[70,50],[70,60]]", {70, 55}, "P1 P2 P3"}}},
        // However short the wall, its line cuts the whole region.
        {"only the wall's line matters",
         Rect(0, 0, 100, 100),
         {{40, 50, 41, 50}},
         {{Rect(0, 0, 100, 50), "F", nullptr, nullptr, nullptr, nullptr},
          {Rect(0, 50, 100, 100), "B", nullptr, nullptr, nullptr, nullptr}},
         {}},
        {"a world without walls is one area, the root",
         Rect(0, 0, 30, 40),
         {},
         {{Rect(0, 0, 30, 40), "", "", "", "", ""}},
         {}},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.What);
        std::unique_ptr<cGame_World> world = Build_World(c.Bounds, c.Walls, Engine());
        ASSERT_TRUE(world->Is_Built());
        ASSERT_EQ(world->Areas.size(), c.Areas.size());
        EXPECT_EQ(world->N_Areas, int(c.Areas.size()));
        for (std::size_t i = 0; i < c.Areas.size(); ++i) {
            SCOPED_TRACE("area " + std::to_string(-1 - int(i)));
            const cSquarePortal* area = world->Areas[i];
            const cArea& e = c.Areas[i];
            EXPECT_EQ(area->Id, -1 - int(i));
            EXPECT_EQ(area->Bounds, e.Bounds);
            EXPECT_EQ(Slot(*world, area), e.Slot);
            const cPoint2D inside((e.Bounds.Min.x + e.Bounds.Max.x) / 2, (e.Bounds.Min.y + e.Bounds.Max.y) / 2);
            if (e.Bounds.Min.x < inside.x && e.Bounds.Min.y < inside.y) {
                EXPECT_EQ(world->Area_At(inside), area) << inside;
            }
            if (e.Pieces != nullptr) {
                EXPECT_EQ(Pieces(area->Walls), e.Pieces);
            }
            if (e.Portal_Ids != nullptr) {
                EXPECT_EQ(Ids(area->Portals), e.Portal_Ids);
            }
            if (e.Waypoints != nullptr) {
                EXPECT_EQ(Waypoints(area), e.Waypoints);
            }
            if (e.Waypoint_Neighbours != nullptr) {
                // A waypoint leads on to both of its portals, the older one first.
                std::string neighbours;
                for (cAligned_WayPoint* w : area->WayPoints)
                    neighbours += (neighbours.empty() ? "" : " ") + Neighbours(w);
                EXPECT_EQ(neighbours, e.Waypoint_Neighbours);
            }
        }
        if (c.Areas[0].Portal_Ids == nullptr) continue;
        ASSERT_EQ(world->Portals.size(), c.Portals.size());
        EXPECT_EQ(world->N_Portals, int(c.Portals.size()));
        for (std::size_t i = 0; i < c.Portals.size(); ++i) {
            SCOPED_TRACE("portal " + std::to_string(i));
            cPortal* p = world->Portals[i];
            const cPortal_Expected& e = c.Portals[i];
            EXPECT_EQ(p->Id, int(i));
            ASSERT_NE(p->Area1, nullptr);
            ASSERT_NE(p->Area2, nullptr);
            EXPECT_EQ(std::to_string(p->Area1->Id) + " " + std::to_string(p->Area2->Id), e.Areas);
            std::ostringstream segment;
            segment << p->Segment;
            EXPECT_EQ(segment.str(), e.Segment);
            EXPECT_EQ(p->Position, e.Position);
            EXPECT_EQ(Neighbours(p), e.Neighbours);
        }
    }
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

TEST_P(Decoration, SideCoverage) {
    struct cCase {
        const char* What;
        std::vector<cWall_Coords> Walls;
        const char* Pieces;   // wall Pieces of the first area
        const char* Portals;  // its Portals' segments
    };
    const cCase cases[] = {
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
    for (const cCase& c : cases) {
        cBounds_Guard bounds(Rect(0, 0, 100, 100));
        cGame_World world(Engine());
        {
            cCapture_Messages warnings;  // a wall of zero length is reported
            for (const cWall_Coords& w : c.Walls) world.Insert(Wall(w));
        }
        world.Build();
        const cSquarePortal* first = world.Areas[0];
        EXPECT_EQ(Pieces(first->Walls), c.Pieces) << c.What;
        std::ostringstream portals;
        for (const cPortal* p : first->Portals) portals << (portals.tellp() ? " " : "") << p->Segment;
        EXPECT_EQ(portals.str(), c.Portals) << c.What;
    }
}

TEST_P(Decoration, EveryPortalJoinsTwoAreasOnItsLine) {
    // A level of rooms and corridors with walls touching, crossing and
    // sharing lines.
    std::unique_ptr<cGame_World> world = Build_World(
        Rect(0, 0, 120, 100), {{0, 50, 40, 50}, {60, 50, 120, 50}, {30, 0, 30, 45}, {30, 55, 30, 100},
                               {80, 10, 80, 50}, {80, 70, 80, 90}, {90, 70, 110, 70}, {50, 20, 70, 20}}, Engine());
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

TEST_P(DecorationMends, SidesOneUnitLong) {
    // A corridor one unit wide: the middle of its one-unit ends is a corner.
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{0, 10, 50, 10}, {0, 11, 50, 11}}, Engine());
    for (const cPortal* p : world->Portals) {
        EXPECT_NE(p->Area2, nullptr) << *p;
        EXPECT_TRUE(p->Segment.Is_Horizontal()) << *p;
    }
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(5, 11), cPoint2D(5, 50), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{75, 11}, {5, 50}}));
}

TEST_P(DecorationMends, WallsOnTheWorldsBorder) {
    {
        std::unique_ptr<cGame_World> world =
            Build_World(Rect(0, 0, 100, 100), {{50, 0, 50, 100}, {0, 100, 20, 100}, {0, 20, 100, 20}}, Engine());
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
                                               {0, 100, 0, 0}, {50, 0, 50, 40}, {50, 60, 50, 100}}, Engine());
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

TEST_P(DecorationMends, TwoDoorsOnOneSideAreJoinedThroughTheirWaypoint) {
    // A corridor 20 units high under two rooms; each room has one door into
    // it, both on the corridor's top side.
    std::unique_ptr<cGame_World> world = Build_World(
        Rect(0, 0, 100, 100), {{0, 20, 20, 20}, {40, 20, 60, 20}, {80, 20, 100, 20}, {50, 20, 50, 100}}, Engine());
    const cSquarePortal* corridor = world->Areas[0];
    ASSERT_EQ(corridor->Bounds, Rect(0, 0, 100, 20));
    // The waypoint stands inside the corridor, on its far side.
    EXPECT_EQ(Waypoints(corridor), "[50,0]");
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(10, 50), cPoint2D(90, 50), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{30, 20}, {50, 0}, {70, 20}, {90, 50}}));
}

TEST_P(DecorationMends, WaypointsStayInsideTheirArea) {
    struct cCase {
        const char* What;
        cRect2D Bounds;
        std::vector<cWall_Coords> Walls;
        int Area;  // index in Areas
        const char* Waypoint;
    };
    const cCase cases[] = {
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
    for (const cCase& c : cases) {
        cBounds_Guard bounds(c.Bounds);
        cGame_World world(Engine());
        for (const cWall_Coords& w : c.Walls) world.Insert(Wall(w));
        world.Build();
        const cSquarePortal* area = world.Areas[c.Area];
        EXPECT_EQ(Waypoints(area), c.Waypoint) << c.What;
        for (const cAligned_WayPoint* w : area->WayPoints) EXPECT_TRUE(area->Bounds.In(w->Position)) << c.What;
    }
}

TEST_P(DecorationMends, NoStepAlongAWallToAPortalStandingInACorner) {
    // Area [0,10]-[14,30] has a door (0..8) in its bottom side, whose rest is
    // wall, and a door one unit long, (14,10)-(14,11), in its right side: that
    // door stands at its end (14,10), the bottom-right corner. Going straight
    // from (4,10) to (14,10) would run along the wall (8,10)-(14,10).
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 30, 30), {{8, 10, 30, 10}, {14, 11, 14, 30}}, Engine());
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
    std::unique_ptr<cGame_World> open = Build_World(Rect(0, 0, 30, 30), {{14, 10, 30, 10}, {14, 11, 14, 30}}, Engine());
    EXPECT_TRUE(open->Find_Path(cPoint2D(5, 5), cPoint2D(20, 20), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{7, 10}, {14, 10}, {20, 20}}));
}

TEST_P(DecorationMends, WaypointNeverStandsOnTheBorderBesideTheSide) {
    // Two doors one unit long, side by side at the left end of the top side:
    // halfway between them is the corner (0,50), so the waypoint takes the
    // second door's place along the side instead of standing on the left
    // border line.
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{2, 50, 100, 50}, {1, 50, 1, 60}}, Engine());
    const cSquarePortal* below = world->Area_At(cPoint2D(50, 10));
    ASSERT_EQ(below->Bounds, Rect(0, 0, 100, 50));
    ASSERT_EQ(below->Portals.size(), 2u);
    EXPECT_EQ(Waypoints(below), "[1,10]");
}

TEST(AreaLinks, AlignedPairsAreTakenInCreationOrder) {
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
    EXPECT_DEATH(area.Add_Wall(cHV_Seg(cPoint2D(0, 20), cPoint2D(10, 20))), "Bounds\\.In.*Get_p0");
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

TEST_P(WorldLifeCycle, WallOutsideTheBoundsRefusesTheBuild) {
    cBounds_Guard bounds(Rect(0, 0, 100, 100));
    std::unique_ptr<cGame_World> world =
        Load_World({{10, 10, 10, 90}, {90, 50, 120, 50}, {-5, 5, -5, 10}, {50, 0, 50, 40}}, Engine());
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

TEST_P(WorldLifeCycle, SecondBuildDoesNothing) {
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 200, 100), {{0, 50, 60, 50}, {60, 0, 60, 30}}, Engine());
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

TEST_P(WorldLifeCycle, TheThreeStepsCalledOneByOneBuildTheWorld) {
    cBounds_Guard bounds(Rect(0, 0, 100, 100));
    std::unique_ptr<cGame_World> world = Load_World({{10, 0, 10, 90}}, Engine());
    world->Decorate_With_Square_Portals();
    EXPECT_FALSE(world->Is_Built());
    world->Decorate_With_Walls_And_Portals();
    world->Link_Aligned_Portals();
    EXPECT_TRUE(world->Is_Built());
    std::vector<cPoint2D> path;
    EXPECT_TRUE(world->Find_Path(cPoint2D(50, 50), cPoint2D(5, 5), path));
    EXPECT_EQ(path, (std::vector<cPoint2D>{{10, 95}, {5, 5}}));
}

TEST_P(WorldLifeCycle, InsertAfterTheBuildIsRefused) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{0, 50, 40, 50}}, Engine());
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

TEST_P(WorldLifeCycle, WallThatIsNeitherHorizontalNorVerticalIsRefused) {
    cGame_World world(Engine());
    cCapture_Messages out;
    world.Insert(Wall(0, 0, 40, 40));
    EXPECT_EQ(out.str(),
              "ERROR : void cHV_Wall::Set_HV()[0,0]-->[40,40] is not an valid HV_wall !!! \n"
              "ERROR : void cGame_World::Insert( cHV_Wall & w ) : [0,0]-->[40,40] is neither horizontal "
              "nor vertical, it is not inserted !!! \n");
    EXPECT_EQ(world.Root, nullptr);
    EXPECT_TRUE(world.Get_Level_Walls().empty());
}

TEST_P(WorldLifeCycle, QueriesOutsideTheCoordinateRangeAnswerFalse) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{60, 0, 60, 90}}, Engine());
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

TEST_P(WorldLifeCycle, LongSegmentTakesTimeInProportionToItsLength) {
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(-COORD_LIMIT, -COORD_LIMIT, COORD_LIMIT, COORD_LIMIT), {{0, 10, 0, 20}}, Engine());
    cPoint2D hit;
    // Two million grid points, none on the wall.
    EXPECT_FALSE(world->Intersect_Segment(cSeg(cPoint2D(-1000000, 0), cPoint2D(1000000, 7)), hit));
    EXPECT_TRUE(world->Intersect_Segment(cSeg(cPoint2D(-1000000, 15), cPoint2D(1000000, 15)), hit));
    EXPECT_EQ(hit, cPoint2D(0, 15));
}

TEST_P(WorldLifeCycle, LevelAsDeepAsItHasWalls) {
    // 20,000 walls across the whole width in increasing order of y: every
    // wall lies behind all the earlier ones, so the tree is 20,000 deep.
    const int n = 20000;
    std::ostringstream level;
    level << "<AREA>\n[1000," << n + 1 << "]\n<WALLS>\n";
    for (int y = 1; y <= n; ++y) level << "[0," << y << "]->[1000," << y << "]\n";
    const std::string file = Write_Temp_File("deep_level.txt", level.str());
    cBounds_Guard bounds(WORLD_BOUNDS);
    std::unique_ptr<cGame_World> world(new cGame_World(Engine()));
    // The default limits refuse such a level early (see WorldLimits); a
    // caller who wants it raises them.
    cWorld_Limits generous;
    generous.Insert_Steps = std::int64_t(n) * n;
    world->Set_Limits(generous);
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

// The pool's blocks: small ones from malloc, large ones mapped on their own
// (on Linux at a 2 MiB boundary, counted while they live). Every byte of a
// block is the caller's, the first and the last included, and a block of any
// size goes back whole.
TEST(WorldPool, BlocksOfEverySizeAreWholeAndGoBack) {
    const std::size_t mapped_before = Big_Bytes_Mapped();
    for (const std::size_t size : {std::size_t(0), std::size_t(1), BIG_BLOCK - 1, BIG_BLOCK, BIG_BLOCK + 1,
                                   2 * BIG_BLOCK + 4097, std::size_t(5) << 20}) {
        SCOPED_TRACE(size);
        char* block = static_cast<char*>(Allocate_Big(size));
        ASSERT_NE(block, nullptr);
        if (size > 0) {
            block[0] = 1;
            block[size - 1] = 3;
            EXPECT_EQ(block[0], size == 1 ? 3 : 1);
            EXPECT_EQ(block[size - 1], 3);
        }
#if defined(__linux__)
        if (size >= BIG_BLOCK) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % BIG_BLOCK, 0u);
            EXPECT_GE(Big_Bytes_Mapped(), mapped_before + size);
        } else {
            EXPECT_EQ(Big_Bytes_Mapped(), mapped_before);
        }
#endif
        Free_Big(block, size);
        EXPECT_EQ(Big_Bytes_Mapped(), mapped_before);
    }
    // A vector on such blocks keeps its contents as it grows past the block
    // size and shrinks back under it, and gives every block back.
    {
        tBig_Vector<int> v;
        for (int i = 0; i < 3 * int(BIG_BLOCK / sizeof(int)); ++i) v.push_back(i);
        v.resize(1000);
        v.shrink_to_fit();
        std::int64_t sum = 0;
        for (int x : v) sum += x;
        EXPECT_EQ(sum, 999 * 1000 / 2);
        v.assign(BIG_BLOCK, 7);
        EXPECT_EQ(v.back(), 7);
    }
    EXPECT_EQ(Big_Bytes_Mapped(), mapped_before);
    // A pool that grows past the block size hands out memory from both kinds.
    cWorld_Pool pool;
    std::size_t handed = 0;
    while (handed < (std::size_t(12) << 20)) {
        char* p = static_cast<char*>(pool.Allocate(4000, 8));
        p[0] = p[3999] = 7;
        handed += 4000;
    }
    EXPECT_GE(pool.Footprint(), handed);
    EXPECT_GE(pool.In_Use(), handed);
}

// A built world keeps its objects in a pool of its own: their neighbour
// lists take their entries from it, every list is as long as its contents
// (none grows once built), and a copy of a list lives apart from the world.
// A world half built (the partition alone) or not built at all goes as
// cleanly as a built one (the sanitizer builds check that nothing leaks).
TEST_P(WorldLifeCycle, ObjectsLiveInTheWorldsPoolAndListsFitTheirContents) {
    const std::vector<cWall_Coords> walls = {{0, 50, 60, 50}, {30, 0, 30, 50}, {70, 20, 70, 100}, {40, 80, 100, 80}};
    cNode_List kept;
    std::size_t kept_size = 0;
    {
        std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), walls, Engine());
        ASSERT_TRUE(world->Is_Built());
        EXPECT_GT(world->Pool_Footprint(), std::size_t(0));
        for (const cPortal* p : world->Portals) {
            EXPECT_NE(p->Voisinage.get_allocator().Pool, nullptr);
            EXPECT_EQ(p->Voisinage.get_allocator(), world->Portals[0]->Voisinage.get_allocator());
        }
        for (const cSquarePortal* a : world->Areas) {
            EXPECT_EQ(a->Walls.capacity(), a->Walls.size());
            EXPECT_EQ(a->WayPoints.capacity(), a->WayPoints.size());
            for (const cAligned_WayPoint* w : a->WayPoints) EXPECT_NE(w->Voisinage.get_allocator().Pool, nullptr);
        }
        EXPECT_EQ(world->Areas.capacity(), world->Areas.size());
        EXPECT_EQ(world->Get_Level_Walls().capacity(), world->Get_Level_Walls().size());
        kept = world->Portals[0]->Voisinage;
        kept_size = world->Portals[0]->Voisinage.size();
        ASSERT_GT(kept_size, std::size_t(0));
    }
    EXPECT_EQ(kept.size(), kept_size);
    EXPECT_EQ(kept.get_allocator().Pool, nullptr);
    {
        cBounds_Guard bounds(Rect(0, 0, 100, 100));
        std::unique_ptr<cGame_World> partitioned = Load_World(walls, Engine());
        partitioned->Decorate_With_Square_Portals();
        std::unique_ptr<cGame_World> decorated = Load_World(walls, Engine());
        decorated->Decorate_With_Square_Portals();
        decorated->Decorate_With_Walls_And_Portals();
        std::unique_ptr<cGame_World> unbuilt = Load_World(walls, Engine());
        EXPECT_EQ(partitioned->N_Areas, partitioned->N_Nodes + 1);
    }
}
