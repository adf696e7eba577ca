// Collision queries: the integer line walker, the segment query (first wall
// point met, the squared-distance limit) and the ball query on both engines,
// including walls that lie deeper in the tree or beside the area holding the
// query.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "line_walker.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

typedef std::vector<cPoint2D> cPoints;

cPoints Walk(const cPoint2D& a, const cPoint2D& b) {
    cLine_Walker walker;
    walker.Start(a, b);
    cPoints points;
    cPoint2D p;
    bool done = false;
    while (!done && points.size() < 1000) {
        done = walker.Next(p);
        points.push_back(p);
    }
    return points;
}

TEST(LineWalker, VisitsEveryColumnAndRow) {
    struct cCase {
        cPoint2D A, B;
        cPoints Expected;
    };
    const cCase cases[] = {
        {{0, 0}, {5, 2}, {{1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        {{0, 0}, {2, 5}, {{0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}},
        {{0, 0}, {3, 3}, {{1, 1}, {2, 2}, {3, 3}}},
        {{5, 2}, {0, 0}, {{4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}},
        {{0, 0}, {-3, 0}, {{-1, 0}, {-2, 0}, {-3, 0}}},
        {{0, 0}, {0, -2}, {{0, -1}, {0, -2}}},
    };
    for (const cCase& c : cases) EXPECT_EQ(Walk(c.A, c.B), c.Expected) << c.A << " to " << c.B;
    // The grid point of the walk from (0,0) toward (70,15) at x = 60.
    const cPoints long_walk = Walk(cPoint2D(0, 0), cPoint2D(70, 15));
    EXPECT_EQ(long_walk[59], cPoint2D(60, 13));
}

// The segment and ball queries run on both engines.
class SegmentQuery : public cEngine_Test {};
class BallQuery : public cEngine_Test {};
class CollisionQueries : public cEngine_Test {};
INSTANTIATE_FOR_BOTH_ENGINES(SegmentQuery);
INSTANTIATE_FOR_BOTH_ENGINES(BallQuery);
INSTANTIATE_FOR_BOTH_ENGINES(CollisionQueries);

TEST_P(SegmentQuery, FirstWallPointAlongTheWalk) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{60, 0, 60, 100}}, Engine());
    struct cCase {
        cPoint2D A, B;
        bool Hits;
        cPoint2D Hit;
    };
    const cCase cases[] = {
        {{0, 0}, {70, 15}, true, {60, 13}},
        {{50, 50}, {70, 50}, true, {60, 50}},
        {{50, 50}, {70, 70}, true, {60, 60}},
        {{70, 70}, {50, 50}, true, {60, 60}},
        {{70, 50}, {60, 50}, true, {60, 50}},   // the end point is tested
        {{60, 50}, {90, 50}, false, {}},        // the start point is not
        {{50, 50}, {60, 50}, false, {}},        // ends on the line of its own area's side
        {{10, 10}, {50, 90}, false, {}},        // one area: no walk at all
        {{30, 30}, {30, 30}, false, {}},        // zero length
    };
    for (const cCase& c : cases) {
        cPoint2D hit(-1, -1);
        EXPECT_EQ(world->Intersect_Segment(cSeg(c.A, c.B), hit), c.Hits) << c.A << " to " << c.B;
        EXPECT_EQ(hit, c.Hits ? c.Hit : cPoint2D(-1, -1)) << c.A << " to " << c.B;
    }
}

TEST_P(SegmentQuery, LimitLetsOneMorePointBeTested) {
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{15, 20, 25, 20}, {60, 12, 60, 90}}, Engine());
    const cSeg seg(cPoint2D(10, 10), cPoint2D(70, 70));
    cPoint2D hit;
    EXPECT_FALSE(world->Intersect_Segment(seg, hit, 162));  // stops after (19,19), at 162
    EXPECT_TRUE(world->Intersect_Segment(seg, hit, 163));
    EXPECT_EQ(hit, cPoint2D(20, 20));
    EXPECT_FALSE(world->Intersect_Segment(seg, hit, 0));
    EXPECT_FALSE(world->Intersect_Segment(seg, hit, -5));
    EXPECT_TRUE(world->Intersect_Segment(seg, hit));
    EXPECT_EQ(hit, cPoint2D(20, 20));
}

TEST_P(SegmentQuery, WallsBelowADividersLineStopTheWalk) {
    // The root's line y=50 cuts the wall x=60 in two; a diagonal crossing x=60
    // exactly on y=50 meets the wall there, although the root's own wall
    // (0..20) does not hold the point.
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{0, 50, 20, 50}, {60, 10, 60, 90}}, Engine());
    cPoint2D hit;
    EXPECT_TRUE(world->Intersect_Segment(cSeg(cPoint2D(50, 40), cPoint2D(70, 60)), hit));
    EXPECT_EQ(hit, cPoint2D(60, 50));
    EXPECT_TRUE(world->Intersect_Segment(cSeg(cPoint2D(70, 40), cPoint2D(50, 60)), hit));
    EXPECT_EQ(hit, cPoint2D(60, 50));
}

TEST_P(SegmentQuery, BothHalvesOfADoorwayAreWalls) {
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{0, 50, 40, 50}, {60, 50, 100, 50}}, Engine());
    cPoint2D hit;
    EXPECT_TRUE(world->Intersect_Segment(cSeg(cPoint2D(80, 40), cPoint2D(80, 60)), hit));
    EXPECT_EQ(hit, cPoint2D(80, 50));
    EXPECT_TRUE(world->Intersect_Segment(cSeg(cPoint2D(20, 60), cPoint2D(20, 40)), hit));
    EXPECT_EQ(hit, cPoint2D(20, 50));
    EXPECT_FALSE(world->Intersect_Segment(cSeg(cPoint2D(50, 40), cPoint2D(50, 60)), hit));
    // Grazing the end of a wall is a hit.
    EXPECT_TRUE(world->Intersect_Segment(cSeg(cPoint2D(40, 40), cPoint2D(40, 60)), hit));
    EXPECT_EQ(hit, cPoint2D(40, 50));
}

TEST_P(BallQuery, TouchesOnlyCloserThanItsRadius) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 100, 100), {{60, 0, 60, 40}}, Engine());
    struct cCase {
        int X, Y, Radius;
        bool Touches;
    };
    const cCase cases[] = {
        {50, 20, 10, false},  // exactly the radius away
        {51, 20, 10, true},   // one unit closer
        {70, 20, 10, false},  // on the other side, same distance
        {69, 20, 10, true},
        {60, 45, 5, false},   // centre on the wall's line, beyond its end
        {60, 45, 6, true},
        {60, 20, 1, true},    // centre on the wall
        {60, 20, 0, false},   // a ball of no size touches nothing
        {57, 44, 5, false},   // the wall's end is 5 away (3-4-5)
        {57, 44, 6, true},
    };
    for (const cCase& c : cases)
        EXPECT_EQ(world->Intersect_Ball(c.X, c.Y, c.Radius), c.Touches) << c.X << "," << c.Y << " r" << c.Radius;
}

TEST_P(BallQuery, SeesWallsOfNeighbouringAreas) {
    // The ball's centre lies in the area left of x=50, whose border holds only
    // the short wall (50,0)-(50,10); the wall at x=52 is 7 units away.
    std::unique_ptr<cGame_World> world =
        Build_World(Rect(0, 0, 100, 100), {{50, 0, 50, 10}, {52, 40, 52, 60}}, Engine());
    EXPECT_TRUE(world->Intersect_Ball(45, 50, 10));
    EXPECT_FALSE(world->Intersect_Ball(45, 50, 7));
    // And walls kept on a divider's line.
    std::unique_ptr<cGame_World> doorway =
        Build_World(Rect(0, 0, 100, 100), {{0, 50, 40, 50}, {60, 50, 100, 50}}, Engine());
    EXPECT_TRUE(doorway->Intersect_Ball(80, 45, 6));
    EXPECT_FALSE(doorway->Intersect_Ball(50, 50, 10));
    EXPECT_TRUE(doorway->Intersect_Ball(50, 50, 11));
}

TEST_P(BallQuery, LargeRadiusIsSquaredIn64Bits) {
    std::unique_ptr<cGame_World> world = Build_World(Rect(0, 0, 200000, 200000), {{150000, 0, 150000, 10}}, Engine());
    EXPECT_TRUE(world->Intersect_Ball(50001, 0, 100000));
    EXPECT_FALSE(world->Intersect_Ball(50000, 0, 100000));
}

TEST_P(CollisionQueries, WorldsWithoutAreasOrWallsAnswerFalse) {
    std::unique_ptr<cGame_World> unbuilt = Load_World({{60, 0, 60, 100}}, Engine());
    cPoint2D hit(7, 7);
    EXPECT_FALSE(unbuilt->Intersect_Segment(cSeg(cPoint2D(0, 50), cPoint2D(100, 50)), hit));
    EXPECT_FALSE(unbuilt->Intersect_Ball(60, 50, 10));
    EXPECT_EQ(hit, cPoint2D(7, 7));
    std::unique_ptr<cGame_World> empty = Build_World(Rect(0, 0, 100, 100), {}, Engine());
    EXPECT_FALSE(empty->Intersect_Segment(cSeg(cPoint2D(0, 50), cPoint2D(100, 50)), hit));
    EXPECT_FALSE(empty->Intersect_Ball(60, 50, 10));
}

}  // namespace

TEST(LineWalker, ClosedFormMatchesTheSteps) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> coordinate(-40, 40);
    for (int trial = 0; trial < 2000; ++trial) {
        const cPoint2D a(coordinate(rng), coordinate(rng)), b(coordinate(rng), coordinate(rng));
        if (a == b) continue;
        cLine_Walker walker;
        walker.Start(a, b);
        const int n = walker.Steps();
        // The minor coordinate's moves, to check the first step that reaches each count.
        std::vector<int> minor_moves{0};
        cPoint2D p = a;
        for (int k = 1; k <= n; ++k) {
            const bool done = walker.Next(p);
            ASSERT_EQ(walker.Point(k), p) << a << " to " << b << " step " << k;
            ASSERT_EQ(done, k == n) << a << " to " << b << " step " << k;
            const bool x_major = std::abs(b.x - a.x) > std::abs(b.y - a.y);
            minor_moves.push_back(x_major ? std::abs(p.y - a.y) : std::abs(p.x - a.x));
        }
        for (int m = 1; m <= minor_moves.back(); ++m) {
            const int first = int(std::find_if(minor_moves.begin(), minor_moves.end(), [m](int v) { return v >= m; }) -
                                  minor_moves.begin());
            EXPECT_EQ(walker.First_Minor_Step(m, 0), first) << a << " to " << b << " moves " << m;
            EXPECT_EQ(walker.First_Minor_Step(m, first + 2), first + 2);
        }
        EXPECT_GT(walker.First_Minor_Step(minor_moves.back() + 1, 0), n);
    }
}
