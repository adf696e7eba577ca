// The text dump of a world: the tree's lines, every area's block, and the
// portal's text form.
#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

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

TEST(Dump, WholeWorldFromTheRoot) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 200, 100), {{0, 50, 60, 50}, {60, 0, 60, 30}});
    cCapture_Messages out;
    world->Root->Print();
    EXPECT_EQ(out.str(),
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
              "\t\t\t-> [1] between [-2] and [-3] [[60,50],[200,50]]\n");
}

TEST(Dump, RootWithAnAreaOnEachSide) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{0, 50, 100, 50}});
    cCapture_Messages out;
    world->Root->Print();
    const std::string text = out.str();
    EXPECT_EQ(text.substr(0, 34), "-1] <---> [-2] \n[Leaf:-1]]-> Area ");
    EXPECT_NE(text.find("\n[Leaf:-2]]-> Area [[0,50]<->[100,100]]\n"), std::string::npos);
}

TEST(DumpDeathTest, AreaWithChildrenIsABrokenTree) {
    cSquarePortal area(Rect(0, 0, 10, 10));
    area.Front = new cSquarePortal(Rect(0, 0, 5, 10));
    EXPECT_DEATH(area.Print(), "Front == NULL && Back == NULL");
}

}  // namespace
