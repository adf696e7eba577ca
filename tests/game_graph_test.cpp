// Search nodes: portals, waypoints and point nodes, their costs and the order
// in which they hand out their neighbours; the node list's sorted insertion.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "test_support.h"

using namespace bsp_levels;

namespace {

// A node with a fixed F, for the list's ordering.
class cF_Node : public cA_Star_Node {
public:
    cF_Node(float g, float h) {
        G = g;
        H = h;
    }
    double Get_Cost(cA_Star_Node*) override { return 0; }
    double Get_Heuristic(cA_Star_Node*) override { return 0; }
    void Get_Neighbours(cNode_List&) override {}
};

std::vector<cA_Star_Node*> Items(const cNode_List& list) { return {list.begin(), list.end()}; }

struct cTwo_Areas {
    cSquarePortal A{Rect(0, 0, 10, 100)};
    cSquarePortal B{Rect(10, 0, 20, 100)};
};

TEST(SearchGraph, Distance) {
    EXPECT_DOUBLE_EQ(Distance(cPoint2D(0, 0), cPoint2D(3, 4)), 5.0);
    EXPECT_DOUBLE_EQ(Distance(cPoint2D(7, -2), cPoint2D(7, -2)), 0.0);
    EXPECT_DOUBLE_EQ(Distance(cPoint2D(0, 0), cPoint2D(1, 1)), std::sqrt(2.0));
    // Far apart: the squared distance does not fit 32 bits.
    EXPECT_DOUBLE_EQ(Distance(cPoint2D(-60000, 0), cPoint2D(60000, 0)), 120000.0);
}

TEST(SearchGraph, PortalStandsAtTheMiddleOfItsGap) {
    cTwo_Areas areas;
    const cPortal p(cHV_Seg(cPoint2D(10, 100), cPoint2D(10, 90)), &areas.A, 4);
    EXPECT_EQ(p.Position, cPoint2D(10, 95));
    EXPECT_EQ(p.Segment.p0, cPoint2D(10, 90));
    EXPECT_EQ(p.Area1, &areas.A);
    EXPECT_EQ(p.Area2, nullptr);
    EXPECT_EQ(p.Get_Id(), 4);
    const cPortal negative(cHV_Seg(cPoint2D(-3, 0), cPoint2D(0, 0)), &areas.A, 0);
    EXPECT_EQ(negative.Position, cPoint2D(-1, 0));
}

TEST(SearchGraph, AddAreaFillsTheSecondSlotThenReplacesIt) {
    cTwo_Areas areas;
    cSquarePortal d(Rect(0, 0, 1, 1));
    cPortal p(cHV_Seg(cPoint2D(10, 0), cPoint2D(10, 10)), &areas.A, 0);
    p.Add_Area(&areas.B);
    EXPECT_EQ(p.Area1, &areas.A);
    EXPECT_EQ(p.Area2, &areas.B);
    p.Add_Area(&d);
    EXPECT_EQ(p.Area1, &areas.A);
    EXPECT_EQ(p.Area2, &d);
}

TEST(SearchGraph, PortalNeighboursComeOutInOrderOfAddition) {
    cTwo_Areas areas;
    cPortal p(cHV_Seg(cPoint2D(10, 0), cPoint2D(10, 10)), &areas.A, 0);
    p.Add_Area(&areas.B);
    cF_Node n1(0, 0), n2(0, 0), n3(0, 0), stale(0, 0);
    p.Add_Neighbour(&n1);
    p.Add_Neighbour(&n2);
    p.Add_Neighbour(&n3);
    EXPECT_EQ(Items(p.Voisinage), (std::vector<cA_Star_Node*>{&n3, &n2, &n1}));
    cNode_List list;
    list.push_back(&stale);  // replaced, not kept
    p.Get_Neighbours(list);
    EXPECT_EQ(Items(list), (std::vector<cA_Star_Node*>{&n1, &n2, &n3}));

    // Duplicates are kept, and one removal takes them all.
    p.Add_Neighbour(&n1);
    p.Remove_Neighbour(&n1);
    EXPECT_EQ(Items(p.Voisinage), (std::vector<cA_Star_Node*>{&n3, &n2}));
    p.Remove_Neighbour(&stale);  // absent: no error
    EXPECT_EQ(p.Voisinage.size(), 2u);
}

TEST(SearchGraph, PointNodeHandsOutItsAreasPortalsLastFirst) {
    cTwo_Areas areas;
    cPortal p1(cHV_Seg(cPoint2D(10, 0), cPoint2D(10, 10)), &areas.A, 0);
    cPortal p2(cHV_Seg(cPoint2D(10, 20), cPoint2D(10, 30)), &areas.A, 1);
    cPortal p3(cHV_Seg(cPoint2D(10, 40), cPoint2D(10, 50)), &areas.A, 2);
    areas.A.Portals = {&p1, &p2, &p3};
    cPoint_Node start(&areas.A, cPoint2D(5, 5));
    EXPECT_EQ(start.Position, cPoint2D(5, 5));
    cF_Node earlier(0, 0);
    cNode_List list;
    list.push_back(&earlier);  // kept behind the portals
    start.Get_Neighbours(list);
    EXPECT_EQ(Items(list), (std::vector<cA_Star_Node*>{&p3, &p2, &p1, &earlier}));
    areas.A.Portals.clear();
}

TEST(SearchGraph, WaypointJoinsOneAreaTwiceAndStartsWithoutNeighbours) {
    cTwo_Areas areas;
    cAligned_WayPoint w(cPoint2D(72, 10), &areas.A);
    EXPECT_EQ(w.Id, -1);
    EXPECT_EQ(w.Area1, &areas.A);
    EXPECT_EQ(w.Area2, &areas.A);
    EXPECT_EQ(w.Position, cPoint2D(72, 10));
    EXPECT_EQ(w.Segment.p0, cPoint2D(72, 10));
    EXPECT_EQ(w.Segment.p1, cPoint2D(72, 10));
    cNode_List list;
    w.Get_Neighbours(list);
    EXPECT_TRUE(list.empty());
}

TEST(SearchGraph, CostsAndEstimatesAreDistancesBetweenPositions) {
    cTwo_Areas areas;
    cPortal p(cHV_Seg(cPoint2D(10, 0), cPoint2D(10, 10)), &areas.A, 0);  // at (10,5)
    cPoint_Node goal(&areas.B, cPoint2D(13, 9));
    cPoint_Node start(&areas.A, cPoint2D(10, 1));
    p.Add_Neighbour(&goal);
    EXPECT_DOUBLE_EQ(p.Get_Cost(&goal), 5.0);
    EXPECT_DOUBLE_EQ(p.Get_Heuristic(&goal), 5.0);
    EXPECT_DOUBLE_EQ(p.Get_Heuristic(&start), 4.0);  // no neighbour needed for an estimate
    EXPECT_DOUBLE_EQ(start.Get_Cost(&p), 4.0);        // a point node reaches any node
    EXPECT_DOUBLE_EQ(start.Get_Heuristic(&goal), std::sqrt(73.0));
}

TEST(NodeList, InsertSortedKeepsFirstComeFirstAmongEqualF) {
    cF_Node a(2, 3), b(3, 4), d(1, 4);  // F 5, 7, 5
    cNode_List open;
    open.Insert_Sorted(&a);
    open.Insert_Sorted(&b);
    open.Insert_Sorted(&d);
    EXPECT_EQ(Items(open), (std::vector<cA_Star_Node*>{&a, &d, &b}));
    cF_Node big(100, 0), small(0, 0);
    open.Insert_Sorted(&big);
    open.Insert_Sorted(&small);
    EXPECT_EQ(Items(open), (std::vector<cA_Star_Node*>{&small, &a, &d, &b, &big}));
    EXPECT_TRUE(open.Contain(&d));
    EXPECT_FALSE(open.Contain(nullptr));
}

TEST(NodeList, InsertSortedComparesWithTheNewFRoundedToFloat) {
    // G + H is added in double; the new node's F is rounded to float before
    // the comparison, the listed nodes' F are not.
    const float tiny = std::ldexp(1.0f, -24);  // half a float step at 1
    cF_Node one(1, 0), just_above(1, tiny), incoming(1, tiny);
    cNode_List open;
    open.Insert_Sorted(&one);
    open.Insert_Sorted(&just_above);
    // incoming's F rounds to 1.0: not above `one`, but `just_above` (F > 1 in
    // double) is above it, so incoming goes in front of its equal.
    open.Insert_Sorted(&incoming);
    EXPECT_EQ(Items(open), (std::vector<cA_Star_Node*>{&one, &incoming, &just_above}));
}

// A node list takes its entries from a world's pool when given one, and
// from the heap otherwise; a list that lets an entry go makes room for the
// next without taking more of the pool. Copies live on the heap, apart from
// the pool: they outlive it; a swap or a move takes the allocator along.
TEST(NodeList, PooledEntriesAreReusedAndCopiesLiveOnTheHeap) {
    cF_Node x(1, 0), y(2, 0), z(3, 0);
    cNode_List kept, heap{&z};
    {
        cWorld_Pool pool;
        cNode_List list{cNode_Allocator(&pool)};
        EXPECT_EQ(list.get_allocator().Pool, &pool);
        list.push_back(&x);
        list.push_back(&y);
        const std::size_t used = pool.In_Use();
        EXPECT_GE(used, 2 * (2 * sizeof(void*) + sizeof(cA_Star_Node*)));
        list.remove(&x);
        list.push_front(&z);  // in x's entry
        EXPECT_EQ(pool.In_Use(), used);
        EXPECT_EQ(Items(list), (std::vector<cA_Star_Node*>{&z, &y}));

        const cNode_List copy(list);
        EXPECT_EQ(copy.get_allocator().Pool, nullptr);
        kept = list;  // a copy assignment keeps the heap's allocator
        EXPECT_EQ(kept.get_allocator().Pool, nullptr);

        heap.swap(list);  // each list takes its entries' allocator along
        EXPECT_EQ(heap.get_allocator().Pool, &pool);
        EXPECT_EQ(list.get_allocator().Pool, nullptr);
        EXPECT_EQ(Items(list), (std::vector<cA_Star_Node*>{&z}));
        heap.swap(list);
        heap.push_back(&x);
        cNode_List moved(std::move(list));
        EXPECT_EQ(moved.get_allocator().Pool, &pool);
    }
    // The pool is gone; the copies are whole.
    EXPECT_EQ(Items(kept), (std::vector<cA_Star_Node*>{&z, &y}));
    EXPECT_EQ(Items(heap), (std::vector<cA_Star_Node*>{&z, &x}));
}

TEST(SearchGraphDeathTest, PreconditionsAreAsserted) {
    cTwo_Areas areas;
    cPortal p(cHV_Seg(cPoint2D(10, 0), cPoint2D(10, 10)), &areas.A, 0);
    cPoint_Node stranger(&areas.B, cPoint2D(1, 1));
    cNode_List list;
    EXPECT_DEATH(cPortal(cHV_Seg(), nullptr, 0), "area != NULL");
    EXPECT_DEATH(p.Get_Cost(&stranger), "Voisinage\\.Contain.*destination");
    EXPECT_DEATH(p.Get_Neighbours(list), "Area2 != NULL");
    EXPECT_DEATH(p.Add_Neighbour(nullptr), "node != NULL");
    p.Add_Area(&areas.B);
    EXPECT_DEATH(p.Add_Area(&areas.B), "Area2 != new_area");
    EXPECT_DEATH(p.Add_Area(nullptr), "new_area != NULL");
    cPortal bare(7);
    EXPECT_DEATH(bare.Add_Area(&areas.A), "Area1 != NULL.*Area2");
    cPoint_Node nowhere(nullptr, cPoint2D(0, 0));
    EXPECT_DEATH(nowhere.Get_Neighbours(list), "Area != NULL");
}

}  // namespace
