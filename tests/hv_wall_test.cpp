// Unit tests of the walls: cWall, cHV_Wall's construction and its messages,
// the classification of points and walls against a divider, the crossing
// point of two wall lines, and the split of a wall that crosses a divider.
#include <cmath>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "hv_wall.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

cPoint2D P(int x, int y) { return cPoint2D(x, y); }

template <typename T>
std::string Text(const T& value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// Builds a wall while swallowing whatever its construction writes.
cHV_Wall Quiet_Wall(int x1, int y1, int x2, int y2) {
    cCapture_Messages out;
    return Wall(x1, y1, x2, y2);
}

void Expect_Wall(const cHV_Wall& w, cPoint2D p0, cPoint2D p1, bool horizontal) {
    EXPECT_EQ(w.p0, p0);
    EXPECT_EQ(w.p1, p1);
    EXPECT_EQ(w.Is_Horizontal(), horizontal);
}

const std::string ZERO_LENGTH_WARNING =
    "WARNING : cHV_Wall( cPoint2D &A, cPoint2D &B):cWall(A,B) \n"
    "le cHV_Wall a une longueur tres petite ... \n";

const std::string SPLIT_ERROR =
    "ERROR : BSP_POSITION_DIVIDER cHV_Wall::Get_Position_Divider_And_Split( cHV_Wall & w , "
    "cHV_Wall & w_front  , cHV_Wall & w_back ) \n";

// ------------------------------------------------------------------ cWall

TEST(WallBase, KeepsEndPointsAndMeasuresLength) {
    const cWall zero;
    EXPECT_EQ(zero.p0, P(0, 0));
    EXPECT_EQ(zero.p1, P(0, 0));
    EXPECT_EQ(zero.Get_Length(), 0.0);

    const cWall w(P(10, 4), P(7, 0));  // no ordering in the general wall
    EXPECT_EQ(w.Get_p0(), P(10, 4));
    EXPECT_EQ(w.Get_p1(), P(7, 0));
    EXPECT_EQ(w.Get_Length(), 5.0);
    EXPECT_EQ(Text(w), "[10,4]-->[7,0]");

    // Lengths stay exact far beyond what 32-bit squares could hold.
    const int limit = COORD_LIMIT;
    EXPECT_EQ(cWall(P(-limit, 0), P(limit, 0)).Get_Length(), 2.0e8);
    EXPECT_DOUBLE_EQ(cWall(P(-limit, -limit), P(limit, limit)).Get_Length(), std::sqrt(8.0e16));
}

TEST(WallBase, GeneralWallDoesNotClassify) {
    const cWall w(P(0, 0), P(10, 0));
    cCapture_Messages out;
    EXPECT_EQ(w.Get_Position_Point(P(5, -3)), POINT_ON);
    EXPECT_EQ(out.str(),
              "BSP_POSITION_POINT cWall::Get_Position_Point( cPoint2D& p) not implemented yet !! \n");
}

// ------------------------------------------------------------ construction

TEST(HvWallConstruct, OrientsOrdersAndWarns) {
    struct cCase {
        cPoint2D A, B;
        cPoint2D P0, P1;
        bool Horizontal;
        std::string Output;
    };
    const std::vector<cCase> cases = {
        {P(10, 5), P(0, 5), P(0, 5), P(10, 5), true, ""},
        {P(0, 5), P(10, 5), P(0, 5), P(10, 5), true, ""},
        {P(3, 9), P(3, 4), P(3, 4), P(3, 9), false, ""},
        {P(-3, -4), P(-3, -9), P(-3, -9), P(-3, -4), false, ""},
        {P(0, 0), P(0, 1), P(0, 0), P(0, 1), false, ""},  // one unit is long enough
        {P(0, 1), P(1, 1), P(0, 1), P(1, 1), true, ""},
        // Zero length: vertical, reported, kept.
        {P(3, 3), P(3, 3), P(3, 3), P(3, 3), false, ZERO_LENGTH_WARNING + "[3,3]-->[3,3]\n"},
        {P(-2, 0), P(-2, 0), P(-2, 0), P(-2, 0), false, ZERO_LENGTH_WARNING + "[-2,0]-->[-2,0]\n"},
        // Neither horizontal nor vertical: reported as given, then kept as a
        // vertical wall and ordered by y.
        {P(0, 0), P(4, 4), P(0, 0), P(4, 4), false,
         "ERROR : void cHV_Wall::Set_HV()[0,0]-->[4,4] is not an valid HV_wall !!! \n"},
        {P(4, 4), P(0, 0), P(0, 0), P(4, 4), false,
         "ERROR : void cHV_Wall::Set_HV()[4,4]-->[0,0] is not an valid HV_wall !!! \n"},
        {P(0, 4), P(4, 0), P(4, 0), P(0, 4), false,
         "ERROR : void cHV_Wall::Set_HV()[0,4]-->[4,0] is not an valid HV_wall !!! \n"},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.A) + " " + Text(c.B));
        cCapture_Messages out;
        const cHV_Wall w(c.A, c.B);
        EXPECT_EQ(out.str(), c.Output);
        Expect_Wall(w, c.P0, c.P1, c.Horizontal);
        EXPECT_EQ(w.Is_Valid_HV(), c.A.x == c.B.x || c.A.y == c.B.y);
    }
}

TEST(HvWallConstruct, DefaultIsSilentZeroLengthVertical) {
    cCapture_Messages out;
    const cHV_Wall w;
    EXPECT_EQ(out.str(), "");
    Expect_Wall(w, P(0, 0), P(0, 0), false);
}

TEST(HvWallConstruct, CopyKeepsOrientation) {
    cHV_Wall target;  // vertical
    target = Wall(0, 7, 9, 7);
    Expect_Wall(target, P(0, 7), P(9, 7), true);
    const cHV_Wall copy(target);
    Expect_Wall(copy, P(0, 7), P(9, 7), true);
    EXPECT_EQ(Text(copy), "[0,7]-->[9,7]");
}

TEST(HvWallConstruct, SetHvReadsTheCurrentEndPoints) {
    cHV_Wall w = Wall(0, 0, 10, 0);
    w.p1 = P(0, 10);
    cCapture_Messages out;
    w.Set_HV();
    EXPECT_FALSE(w.Is_Horizontal());
    w.p1 = P(-5, 0);
    w.Set_HV();
    EXPECT_TRUE(w.Is_Horizontal());
    EXPECT_EQ(out.str(), "");

    // A pair that is neither is reported and the flag is left as it was.
    w.p1 = P(3, 3);
    w.Set_HV();
    EXPECT_EQ(out.str(), "ERROR : void cHV_Wall::Set_HV()[0,0]-->[3,3] is not an valid HV_wall !!! \n");
    EXPECT_TRUE(w.Is_Horizontal());
}

TEST(HvWallConstruct, GetSegmentNormalisesThroughSet) {
    cHV_Seg s;
    Wall(10, 5, 0, 5).Get_Segment(s);
    EXPECT_EQ(s.p0, P(0, 5));
    EXPECT_EQ(s.p1, P(10, 5));
    EXPECT_TRUE(s.Is_Horizontal());

    Wall(3, 9, 3, 4).Get_Segment(s);
    EXPECT_EQ(s.p0, P(3, 4));
    EXPECT_EQ(s.p1, P(3, 9));
    EXPECT_FALSE(s.Is_Horizontal());

    // A zero-length wall is vertical, but its segment is horizontal.
    Quiet_Wall(6, 6, 6, 6).Get_Segment(s);
    EXPECT_EQ(s.p0, P(6, 6));
    EXPECT_EQ(s.p1, P(6, 6));
    EXPECT_TRUE(s.Is_Horizontal());

    // A plain segment receives the wall's (ordered) end points.
    cSeg plain(P(1, 1), P(2, 2));
    Wall(0, 8, 0, 2).Get_Segment(plain);
    EXPECT_EQ(plain.p0, P(0, 2));
    EXPECT_EQ(plain.p1, P(0, 8));
}

// ------------------------------------------------------------ point sides

TEST(HvWallPosition, PointAgainstTheWallsLine) {
    struct cCase {
        cHV_Wall Divider;
        cPoint2D P;
        BSP_POSITION_POINT Expected;
    };
    const cHV_Wall h = Wall(0, 10, 100, 10);
    const cHV_Wall v = Wall(50, 0, 50, 100);
    const std::vector<cCase> cases = {
        {h, P(500, 10), POINT_ON},  // the line extends past the wall's ends
        {h, P(50, 10), POINT_ON},     {h, P(5, 3), POINT_FRONT},  {h, P(5, 11), POINT_BACK},
        {h, P(-500, 9), POINT_FRONT}, {h, P(1000, 11), POINT_BACK},
        {v, P(50, -70), POINT_ON},    {v, P(49, 50), POINT_FRONT}, {v, P(51, 50), POINT_BACK},
        {v, P(-9, 500), POINT_FRONT}, {v, P(900, -9), POINT_BACK},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.Divider) + " point " + Text(c.P));
        cCapture_Messages out;
        EXPECT_EQ(c.Divider.Get_Position_Point(c.P), c.Expected);
        // Through the general wall, the override answers.
        const cWall& base = c.Divider;
        EXPECT_EQ(base.Get_Position_Point(c.P), c.Expected);
        EXPECT_EQ(out.str(), "");
    }
}

// ------------------------------------------------------------- crossings

TEST(HvWallIntersection, CrossingPointOfTheLines) {
    struct cCase {
        cHV_Wall Divider, W;
        cPoint2D Expected;
    };
    const std::vector<cCase> cases = {
        {Wall(0, 10, 100, 10), Wall(5, 0, 5, 20), P(5, 10)},
        {Wall(50, 0, 50, 100), Wall(0, 20, 100, 20), P(50, 20)},
        // No range test against either wall.
        {Wall(0, 10, 100, 10), Wall(500, 30, 500, 40), P(500, 10)},
        {Wall(50, 0, 50, 100), Wall(-90, 300, -80, 300), P(50, 300)},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.Divider) + " x " + Text(c.W));
        cCapture_Messages out;
        cPoint2D i(-1, -1);
        c.Divider.Get_Intersection(c.W, i);
        EXPECT_EQ(i, c.Expected);
        EXPECT_EQ(out.str(), "");
    }
}

TEST(HvWallIntersection, ParallelWallsAreReportedAndOutputKept) {
    struct cCase {
        cHV_Wall D1, D2;
        std::string Message;
    };
    const std::vector<cCase> cases = {
        {Wall(0, 0, 10, 0), Wall(0, 5, 10, 5),
         "ERROR : void Get_Intersection( cHV_Wall& w ,cPoint2D&  ) \n"
         " les deux droites sont horizontales !! \n"
         "d1 =[0,0]-->[10,0]\n"
         "d2 =[0,5]-->[10,5]\n"},
        {Wall(2, 0, 2, 10), Wall(2, 20, 2, 30),
         "ERROR : void Get_Intersection( cHV_Wall& w ,cPoint2D&  ) \n"
         " les deux droites sont verticales !! \n"
         "d1 =[2,0]-->[2,10]\n"
         "d2 =[2,20]-->[2,30]\n"},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.D1) + " x " + Text(c.D2));
        cCapture_Messages out;
        cPoint2D i(-1, -7);
        c.D1.Get_Intersection(c.D2, i);
        EXPECT_EQ(i, P(-1, -7));
        EXPECT_EQ(out.str(), c.Message);
    }
}

// ------------------------------------------------- classification and split

// Classifies w against the divider and checks the answer, the pieces (or
// that the caller's walls were left alone) and that nothing was written.
struct cSplit_Case {
    const char* What;
    cHV_Wall Divider, W;
    BSP_POSITION_DIVIDER Expected;
    cPoint2D Front0, Front1, Back0, Back1;  // the pieces when spanning
};

const cHV_Wall UNTOUCHED = Wall(-7, -7, -7, -1);

void Check_Split(const cHV_Wall& divider, const cSplit_Case& c, const std::string& expected_output) {
    cHV_Wall front = UNTOUCHED, back = UNTOUCHED;
    cCapture_Messages out;
    EXPECT_EQ(divider.Get_Position_Divider_And_Split(c.W, front, back), c.Expected);
    EXPECT_EQ(out.str(), expected_output);
    if (c.Expected == DIVIDER_SPANNING) {
        Expect_Wall(front, c.Front0, c.Front1, c.W.Is_Horizontal());
        Expect_Wall(back, c.Back0, c.Back1, c.W.Is_Horizontal());
    } else {
        Expect_Wall(front, UNTOUCHED.p0, UNTOUCHED.p1, false);
        Expect_Wall(back, UNTOUCHED.p0, UNTOUCHED.p1, false);
    }
}

TEST(HvWallSplit, ClassifiesWallsAgainstDivider) {
    const cHV_Wall v = Wall(50, 0, 50, 100);
    const cHV_Wall h = Wall(0, 10, 100, 10);
    const cPoint2D n;
    const std::vector<cSplit_Case> cases = {
        {"crosses", v, Wall(0, 20, 100, 20), DIVIDER_SPANNING, P(0, 20), P(50, 20), P(50, 20), P(100, 20)},
        {"crosses, given backwards", v, Wall(100, 20, 0, 20), DIVIDER_SPANNING, P(0, 20), P(50, 20),
         P(50, 20), P(100, 20)},
        {"two units across", v, Wall(49, 20, 51, 20), DIVIDER_SPANNING, P(49, 20), P(50, 20), P(50, 20),
         P(51, 20)},
        {"crosses a horizontal divider", h, Wall(5, 0, 5, 20), DIVIDER_SPANNING, P(5, 0), P(5, 10),
         P(5, 10), P(5, 20)},
        // The divider's own ends do not matter: its line goes on forever.
        {"far beyond the divider", h, Wall(500, -40, 500, 900), DIVIDER_SPANNING, P(500, -40),
         P(500, 10), P(500, 10), P(500, 900)},
        {"starts on the line", v, Wall(50, 30, 80, 30), DIVIDER_BACK, n, n, n, n},
        {"ends on the line", v, Wall(10, 30, 50, 30), DIVIDER_FRONT, n, n, n, n},
        {"in front", v, Wall(0, 30, 49, 30), DIVIDER_FRONT, n, n, n, n},
        {"behind", v, Wall(51, 30, 90, 30), DIVIDER_BACK, n, n, n, n},
        {"parallel in front", v, Wall(10, 0, 10, 100), DIVIDER_FRONT, n, n, n, n},
        {"parallel behind", v, Wall(60, -5, 60, 5), DIVIDER_BACK, n, n, n, n},
        {"parallel in front, horizontal", h, Wall(0, 9, 300, 9), DIVIDER_FRONT, n, n, n, n},
        {"parallel behind, horizontal", h, Wall(0, 11, 1, 11), DIVIDER_BACK, n, n, n, n},
        // Both ends on the divider's line: a normal answer, written silently.
        {"on the line, apart", v, Wall(50, 200, 50, 300), DIVIDER_ON, n, n, n, n},
        {"on the line, overlapping", v, Wall(50, 50, 50, 150), DIVIDER_ON, n, n, n, n},
        {"the divider itself", h, h, DIVIDER_ON, n, n, n, n},
        {"a point on the line", v, Quiet_Wall(50, 5, 50, 5), DIVIDER_ON, n, n, n, n},
        {"a point in front", v, Quiet_Wall(40, 5, 40, 5), DIVIDER_FRONT, n, n, n, n},
        // Only a wall that is neither horizontal nor vertical can have its
        // first end on the line and its second in front: it lies in front.
        {"slanted, touching the line", v, Quiet_Wall(50, 0, 10, 10), DIVIDER_FRONT, n, n, n, n},
    };
    for (const cSplit_Case& c : cases) {
        SCOPED_TRACE(std::string(c.What) + ": " + Text(c.W) + " against " + Text(c.Divider));
        Check_Split(c.Divider, c, "");
    }
}

// A divider whose classification of points is scripted, so that every pair
// of positions, including ones no horizontal or vertical wall produces, goes
// through the split. The geometry (crossing point, pieces) stays real.
class cScripted_Divider : public cHV_Wall {
public:
    cScripted_Divider(const cHV_Wall& line, std::vector<std::pair<cPoint2D, BSP_POSITION_POINT>> answers)
        : cHV_Wall(line), Answers(std::move(answers)) {}

    BSP_POSITION_POINT Get_Position_Point(const cPoint2D& p) const override {
        for (const auto& a : Answers)
            if (a.first == p) return a.second;
        ADD_FAILURE() << "unexpected point " << p;
        return POINT_ON;
    }

private:
    std::vector<std::pair<cPoint2D, BSP_POSITION_POINT>> Answers;
};

TEST(HvWallSplit, EveryPairOfPointPositions) {
    const BSP_POSITION_POINT f = POINT_FRONT, b = POINT_BACK, o = POINT_ON;
    const BSP_POSITION_POINT bad = static_cast<BSP_POSITION_POINT>(7);
    const cHV_Wall line = Wall(50, 0, 50, 100);
    const cHV_Wall w = Wall(0, 20, 100, 20);
    struct cCase {
        BSP_POSITION_POINT A, B;
        BSP_POSITION_DIVIDER Expected;
        bool Reported;
    };
    const std::vector<cCase> cases = {
        {f, f, DIVIDER_FRONT, false},    {f, o, DIVIDER_FRONT, false},
        {f, b, DIVIDER_SPANNING, false}, {o, b, DIVIDER_BACK, false},
        {b, b, DIVIDER_BACK, false},     {b, o, DIVIDER_BACK, false},
        {b, f, DIVIDER_SPANNING, false}, {o, o, DIVIDER_ON, false},
        {o, f, DIVIDER_FRONT, false},
        // A position outside the enumeration, on either end.
        {bad, f, DIVIDER_ON, true},      {bad, b, DIVIDER_ON, true},
        {bad, o, DIVIDER_ON, true},      {f, bad, DIVIDER_ON, true},
        {b, bad, DIVIDER_ON, true},      {o, bad, DIVIDER_ON, true},
        {bad, bad, DIVIDER_ON, true},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE("positions " + std::to_string(c.A) + "," + std::to_string(c.B));
        const cScripted_Divider divider(line, {{w.p0, c.A}, {w.p1, c.B}});
        // The front piece runs from the end scripted in front to the line.
        cSplit_Case split{"", line, w, c.Expected, P(0, 20), P(50, 20), P(50, 20), P(100, 20)};
        if (c.A == b && c.B == f) {
            // w.p1 is the front end: front piece from the crossing to w.p1.
            split.Front0 = P(50, 20);
            split.Front1 = P(100, 20);
            split.Back0 = P(0, 20);
            split.Back1 = P(50, 20);
        }
        Check_Split(divider, split, c.Reported ? SPLIT_ERROR : "");
    }
}

}  // namespace
