// The text dump of a world (the tree's lines and every area's block, on both
// engines), an area's block alone, and the portal's text form.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

using namespace bsp_levels;

namespace {

std::string Text(const cPortal& p) {
    std::ostringstream out;
    out << p;
    return out.str();
}

TEST(Dump, AreaBlock) {
    cSquarePortal area(Rect(0, 0, 10, 100));
    cSquarePortal other(Rect(10, 0, 20, 100));
    area.Id = -3;
    other.Id = -5;
    area.Add_Wall(cHV_Seg(cPoint2D(0, 0), cPoint2D(0, 100)));
    cPortal portal(cHV_Seg(cPoint2D(10, 90), cPoint2D(10, 100)), &area, 4);
    portal.Add_Area(&other);
    area.Portals.push_back(&portal);
    cCapture_Messages out;
    area.Print();
    EXPECT_EQ(out.str(),
              "[Leaf:-3]]-> Area [[0,0]<->[10,100]]\n"
              "\t\tn_walls =1\n"
              "\t\tn_portals =1\n"
              "       walls : \n"
              "\t\t\t-> [[0,0],[0,100]]\n"
              "       portals : \n"
              "\t\t\t-> [4] between [-3] and [-5] [[10,90],[10,100]]\n");
}

TEST(Dump, EmptyArea) {
    cSquarePortal area(Rect(-5, -5, 0, 0));
    cCapture_Messages out;
    area.Print();
    EXPECT_EQ(out.str(),
              "[Leaf:-1]]-> Area [[-5,-5]<->[0,0]]\n"
              "\t\tn_walls =0\n"
              "\t\tn_portals =0\n"
              "       walls : \n"
              "       portals : \n");
}

TEST(Dump, PortalTextForm) {
    cSquarePortal a(Rect(0, 0, 10, 20)), b(Rect(10, 0, 20, 20));
    a.Id = -1;
    b.Id = -2;
    cPortal p(cHV_Seg(cPoint2D(10, 0), cPoint2D(10, 20)), &a, 0);
    EXPECT_EQ(Text(p), "[0] between [-1] and [NULL] [[10,0],[10,20]]");
    p.Add_Area(&b);
    EXPECT_EQ(Text(p), "[0] between [-1] and [-2] [[10,0],[10,20]]");
    const cAligned_WayPoint w(cPoint2D(72, 10), &b);
    EXPECT_EQ(Text(w), "[-1] between [-2] and [-2] [[72,10],[72,10]]");
    cPortal bare(3);
    EXPECT_EQ(Text(bare), "[3] between [NULL] and [NULL] [[0,0],[0,0]]");
}

// The dump of a built world from its root: the tree's lines, front before
// back, then every area's block in the same order.
class DumpOfAWorld : public cEngine_Test {};
INSTANTIATE_FOR_BOTH_ENGINES(DumpOfAWorld);

TEST_P(DumpOfAWorld, FromTheRoot) {
    struct cCase {
        const char* What;
        cRect2D Bounds;
        std::vector<cWall_Coords> Walls;
        std::string Dump;
    };
    const cCase cases[] = {
        {"two walls, three areas, two portals",
         Rect(0, 0, 200, 100),
         {{0, 50, 60, 50}, {60, 0, 60, 30}},
         "1] <---> [-3] \n"
         "-1] <---> [-2] \n"
         "[Leaf:-1]]-> Area [[0,0]<->[60,50]]\n"
         "\t\tn_walls =2\n"
         "\t\tn_portals =1\n"
         "       walls : \n"
         "\t\t\t-> [[60,0],[60,30]]\n"
         "\t\t\t-> [[0,50],[60,50]]\n"
         "       portals : \n"
         "\t\t\t-> [0] between [-1] and [-2] [[60,30],[60,50]]\n"
         "[Leaf:-2]]-> Area [[60,0]<->[200,50]]\n"
         "\t\tn_walls =1\n"
         "\t\tn_portals =2\n"
         "       walls : \n"
         "\t\t\t-> [[60,0],[60,30]]\n"
         "       portals : \n"
         "\t\t\t-> [1] between [-2] and [-3] [[60,50],[200,50]]\n"
         "\t\t\t-> [0] between [-1] and [-2] [[60,30],[60,50]]\n"
         "[Leaf:-3]]-> Area [[0,50]<->[200,100]]\n"
         "\t\tn_walls =1\n"
         "\t\tn_portals =1\n"
         "       walls : \n"
         "\t\t\t-> [[0,50],[60,50]]\n"
         "       portals : \n"
         "\t\t\t-> [1] between [-2] and [-3] [[60,50],[200,50]]\n"},
        {"a root with an area on each side and no portal",
         Rect(0, 0, 100, 100),
         {{0, 50, 100, 50}},
         "-1] <---> [-2] \n"
         "[Leaf:-1]]-> Area [[0,0]<->[100,50]]\n"
         "\t\tn_walls =1\n"
         "\t\tn_portals =0\n"
         "       walls : \n"
         "\t\t\t-> [[0,50],[100,50]]\n"
         "       portals : \n"
         "[Leaf:-2]]-> Area [[0,50]<->[100,100]]\n"
         "\t\tn_walls =1\n"
         "\t\tn_portals =0\n"
         "       walls : \n"
         "\t\t\t-> [[0,50],[100,50]]\n"
         "       portals : \n"},
        {"no walls: the root is the only area",
         Rect(0, 0, 30, 40),
         {},
         "[Leaf:-1]]-> Area [[0,0]<->[30,40]]\n"
         "\t\tn_walls =0\n"
         "\t\tn_portals =0\n"
         "       walls : \n"
         "       portals : \n"},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.What);
        std::unique_ptr<cGame_World> world = Build_World(c.Bounds, c.Walls, Engine());
        ASSERT_TRUE(world->Is_Built());
        cCapture_Messages out;
        world->Root->Print();
        EXPECT_EQ(out.str(), c.Dump);
    }
}

TEST(DumpDeathTest, AreaWithChildrenIsABrokenTree) {
    cSquarePortal area(Rect(0, 0, 10, 10));
    area.Front = new cSquarePortal(Rect(0, 0, 5, 10));
    EXPECT_DEATH(area.Print(), "Front == NULL && Back == NULL");
}

}  // namespace
