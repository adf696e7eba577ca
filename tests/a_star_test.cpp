// The A* search on small hand-built graphs: the order in which it expands
// nodes (first come first served among equal F, a node whose F drops keeping
// its place), strict improvement, reopening of closed nodes, and the route.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

using namespace bsp_levels;

namespace {

// A node with explicit step costs and a fixed estimate. Every expansion is
// logged, so a test can check the order in which the search takes nodes.
class cGraph_Node : public cA_Star_Node {
public:
    cGraph_Node(const char* name, float estimate, std::vector<std::string>* log)
        : Label(name), Estimate(estimate), Log(log) {}

    void Link(cGraph_Node* to, double cost) { Edges.emplace_back(to, cost); }

    double Get_Cost(cA_Star_Node* destination) override {
        for (const auto& e : Edges)
            if (e.first == destination) return e.second;
        ADD_FAILURE() << "no edge from " << Label;
        return 0;
    }
    double Get_Heuristic(cA_Star_Node*) override { return Estimate; }
    void Get_Neighbours(cNode_List& list) override {
        Log->push_back(Label);
        list.clear();
        for (const auto& e : Edges) list.push_back(e.first);
    }
    const std::string& Name() const { return Label; }

private:
    std::string Label;
    float Estimate;
    std::vector<std::string>* Log;
    std::vector<std::pair<cGraph_Node*, double>> Edges;
};

std::string Names(const cNode_List& route) {
    std::string out;
    for (const cA_Star_Node* n : route) out += (out.empty() ? "" : " ") + static_cast<const cGraph_Node*>(n)->Name();
    return out;
}

std::string Joined(const std::vector<std::string>& log) {
    std::string out;
    for (const std::string& s : log) out += (out.empty() ? "" : " ") + s;
    return out;
}

class AStar : public ::testing::Test {
protected:
    cGraph_Node* Node(const char* name, float estimate) {
        Nodes.emplace_back(new cGraph_Node(name, estimate, &Expansions));
        return Nodes.back().get();
    }
    std::vector<std::string> Expansions;
    cA_Star Finder;

private:
    std::vector<std::unique_ptr<cGraph_Node>> Nodes;
};

TEST_F(AStar, StartIsGoal) {
    cGraph_Node* s = Node("S", 3);
    cNode_List route;
    EXPECT_TRUE(Finder.Search(s, s, route));
    EXPECT_TRUE(route.empty());
    EXPECT_EQ(Joined(Expansions), "");
}

TEST_F(AStar, UnreachableGoalLeavesTheRouteAlone) {
    cGraph_Node* s = Node("S", 1);
    cGraph_Node* t = Node("T", 0);
    cGraph_Node* old = Node("old", 0);
    cNode_List route;
    route.push_back(old);
    EXPECT_FALSE(Finder.Search(s, t, route));
    EXPECT_EQ(Names(route), "old");
    EXPECT_EQ(Joined(Expansions), "S");
}

TEST_F(AStar, RouteLeavesOutTheStartAndGoesInFrontOfOldContents) {
    cGraph_Node* s = Node("S", 3);
    cGraph_Node* a = Node("A", 2);
    cGraph_Node* b = Node("B", 1);
    cGraph_Node* t = Node("T", 0);
    cGraph_Node* old = Node("old", 0);
    s->Link(a, 1);
    a->Link(b, 1);
    b->Link(t, 1);
    cNode_List route;
    route.push_back(old);
    EXPECT_TRUE(Finder.Search(s, t, route));
    EXPECT_EQ(Names(route), "A B T old");
    EXPECT_EQ(t->Parent, b);
    EXPECT_FLOAT_EQ(t->G, 3);
}

TEST_F(AStar, EqualFIsFirstComeFirstServed) {
    cGraph_Node* s = Node("S", 0);
    cGraph_Node* a = Node("A", 4);
    cGraph_Node* b = Node("B", 4);
    cGraph_Node* c = Node("C", 3);
    cGraph_Node* t = Node("T", 0);
    s->Link(a, 1);  // F 5
    s->Link(b, 1);  // F 5
    s->Link(c, 2);  // F 5
    c->Link(t, 3);  // T: F 5, behind the others
    a->Link(t, 9);
    cNode_List route;
    EXPECT_TRUE(Finder.Search(s, t, route));
    EXPECT_EQ(Joined(Expansions), "S A B C");
    EXPECT_EQ(Names(route), "C T");
}

TEST_F(AStar, NodeWhoseFDropsKeepsItsPlace) {
    cGraph_Node* s = Node("S", 0);
    cGraph_Node* a = Node("A", 4);
    cGraph_Node* b = Node("B", 6);
    cGraph_Node* d = Node("D", 2);
    cGraph_Node* t = Node("T", 0);
    s->Link(a, 1);  // F 5
    s->Link(b, 1);  // F 7
    s->Link(d, 7);  // F 9
    a->Link(d, 3);  // D: G 4, F 6, yet it stays behind B
    d->Link(t, 2);
    cNode_List route;
    EXPECT_TRUE(Finder.Search(s, t, route));
    EXPECT_EQ(Joined(Expansions), "S A B D");
    EXPECT_EQ(Names(route), "A D T");
    EXPECT_FLOAT_EQ(d->G, 4);
}

TEST_F(AStar, ReachingANodeAtTheSameCostKeepsItsParent) {
    cGraph_Node* s = Node("S", 0);
    cGraph_Node* a = Node("A", 1);
    cGraph_Node* b = Node("B", 1);
    cGraph_Node* t = Node("T", 0);
    s->Link(a, 1);
    s->Link(b, 1);
    a->Link(t, 1);
    b->Link(t, 1);
    cNode_List route;
    EXPECT_TRUE(Finder.Search(s, t, route));
    EXPECT_EQ(t->Parent, a);
    EXPECT_EQ(Names(route), "A T");
}

TEST_F(AStar, ClosedNodeReachedMoreCheaplyIsOpenedAgain) {
    cGraph_Node* s = Node("S", 0);
    cGraph_Node* a = Node("A", 0);
    cGraph_Node* b = Node("B", 10);
    cGraph_Node* t = Node("T", 0);
    s->Link(a, 5);    // A first: F 5
    s->Link(b, 1);    // B: F 11
    a->Link(t, 100);  // T: F 105
    b->Link(a, 1);    // A again, now at G 2: taken from closed, opened again
    cNode_List route;
    EXPECT_TRUE(Finder.Search(s, t, route));
    EXPECT_EQ(Joined(Expansions), "S A B A");
    EXPECT_EQ(Names(route), "B A T");
    EXPECT_FLOAT_EQ(t->G, 102);
}

TEST_F(AStar, NewCostIsTheDoubleSumRoundedOnce) {
    // 1 + 2^-24 + 2^-24 in double is 1 + 2^-23, a float; rounding each step
    // to float would lose both halves.
    const double half_step = 1.0 / (1 << 24);
    cGraph_Node* s = Node("S", 0);
    cGraph_Node* a = Node("A", 0);
    cGraph_Node* t = Node("T", 0);
    s->Link(a, 1);
    a->Link(t, 2 * half_step);
    cNode_List route;
    EXPECT_TRUE(Finder.Search(s, t, route));
    EXPECT_EQ(t->G, float(1 + 2 * half_step));
    EXPECT_GT(t->G, 1.0f);
}

TEST(AStarOnPortals, EqualCostsAreBrokenByNeighbourOrder) {
    // The start's area lists P1 at (10,0) and then P2 at (0,10); the goal T
    // is at (10,10) and was added last to both portals, as a path query does.
    cSquarePortal area(Rect(-10, -10, 10, 10));
    cSquarePortal beyond(Rect(10, 10, 20, 20));
    cPortal p1(cHV_Seg(cPoint2D(10, -5), cPoint2D(10, 5)), &area, 0);
    cPortal p2(cHV_Seg(cPoint2D(-5, 10), cPoint2D(5, 10)), &area, 1);
    p1.Add_Area(&beyond);
    p2.Add_Area(&beyond);
    area.Portals = {&p1, &p2};
    cPoint_Node s(&area, cPoint2D(0, 0));
    cPoint_Node t(&beyond, cPoint2D(10, 10));
    p1.Add_Neighbour(&p2);
    p1.Add_Neighbour(&t);
    p2.Add_Neighbour(&p1);
    p2.Add_Neighbour(&t);

    cA_Star search;
    cNode_List route;
    EXPECT_TRUE(search.Search(&s, &t, route));
    // P2 comes out of the start first, so it is expanded first and T keeps
    // it as its parent: P1 does not improve on an equal cost.
    ASSERT_EQ(route.size(), 2u);
    EXPECT_EQ(route.front(), &p2);
    EXPECT_EQ(route.back(), &t);
    EXPECT_EQ(t.Parent, &p2);
    EXPECT_FLOAT_EQ(t.G, 20);
    EXPECT_FLOAT_EQ(p1.G, 10);
    EXPECT_EQ(p1.Parent, &s);
    area.Portals.clear();
}

TEST(AStarDeathTest, NullNodesAreRefused) {
    cA_Star search;
    cNode_List route;
    cSquarePortal area(Rect(0, 0, 1, 1));
    cPoint_Node n(&area, cPoint2D(0, 0));
    EXPECT_DEATH(search.Search(nullptr, &n, route), "start != NULL");
    EXPECT_DEATH(search.Search(&n, nullptr, route), "goal != NULL");
    EXPECT_DEATH(search.Build_Path(nullptr, route), "destination != NULL");
}

}  // namespace
