// Unit tests of the geometry value types: cPoint2D, cSeg, cHV_Seg (its
// normalisation and its five relations) and cRect2D, and the squared-distance
// helpers.
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "geo_utils.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

cPoint2D P(int x, int y) { return cPoint2D(x, y); }

cHV_Seg HV(int x1, int y1, int x2, int y2) { return cHV_Seg(P(x1, y1), P(x2, y2)); }

template <typename T>
std::string Text(const T& value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// A segment that no relation produces, to tell whether an output was written.
const cPoint2D SENTINEL_A(-999, -999);
const cPoint2D SENTINEL_B(-999, -990);

void Expect_Seg(const cSeg& s, cPoint2D p0, cPoint2D p1) {
    EXPECT_EQ(s.p0, p0);
    EXPECT_EQ(s.p1, p1);
}

// ------------------------------------------------------------------ points

TEST(GeoUtilsPoint, ConstructSetAndCompare) {
    const cPoint2D origin;
    EXPECT_EQ(origin.Get_X(), 0);
    EXPECT_EQ(origin.Get_Y(), 0);

    cPoint2D p(3, -7);
    EXPECT_EQ(p.Get_X(), 3);
    EXPECT_EQ(p.Get_Y(), -7);
    p.Set(-4, 9);
    EXPECT_EQ(p.x, -4);
    EXPECT_EQ(p.y, 9);

    // Equality needs both coordinates; a difference in either one is enough
    // for inequality.
    EXPECT_TRUE(P(1, 2) == P(1, 2));
    EXPECT_FALSE(P(1, 2) != P(1, 2));
    EXPECT_FALSE(P(1, 2) == P(1, 3));
    EXPECT_FALSE(P(1, 2) == P(0, 2));
    EXPECT_TRUE(P(1, 2) != P(2, 1));
}

// Every message and the world dump rely on these exact forms.
TEST(GeoUtilsText, OutputForms) {
    EXPECT_EQ(Text(P(3, -7)), "[3,-7]");
    EXPECT_EQ(Text(P(-2147483647 - 1, 0)), "[-2147483648,0]");
    EXPECT_EQ(Text(cSeg(P(0, 0), P(100, 0))), "[[0,0],[100,0]]");
    // A plain segment is written in the order given, a HV segment normalised.
    EXPECT_EQ(Text(cSeg(P(5, 1), P(-5, 1))), "[[5,1],[-5,1]]");
    EXPECT_EQ(Text(HV(5, 1, -5, 1)), "[[-5,1],[5,1]]");
    EXPECT_EQ(Text(cRect2D(P(0, 0), P(100, 50))), "[[0,0]<->[100,50]]");
    EXPECT_EQ(Text(cRect2D(P(10, -3), P(-20, 40))), "[[-20,-3]<->[10,40]]");
}

// ---------------------------------------------------------- squared lengths

TEST(GeoUtilsSquare, DistanceAndLengthAreExactIn64Bits) {
    const int limit = COORD_LIMIT;
    struct cCase {
        cPoint2D A, B;
        std::int64_t Expected;
    };
    const std::vector<cCase> cases = {
        {P(0, 0), P(3, 4), 25},
        {P(3, 4), P(0, 0), 25},
        {P(-2, -3), P(1, 1), 25},
        {P(7, 7), P(7, 7), 0},
        // Far beyond 32 bits: (2e8)^2 alone is 4e16.
        {P(-limit, 0), P(limit, 0), INT64_C(40000000000000000)},
        {P(-limit, -limit), P(limit, limit), INT64_C(80000000000000000)},
        {P(limit, -limit), P(-limit, limit), INT64_C(80000000000000000)},
        // Odd differences, so that a rounded or floating computation shows.
        {P(-limit, -limit), P(limit - 1, limit - 3), INT64_C(199999999) * 199999999 + INT64_C(199999997) * 199999997},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.A) + " " + Text(c.B));
        EXPECT_EQ(Square_Distance(c.A, c.B), c.Expected);
        EXPECT_EQ(cSeg(c.A, c.B).Get_Square_Length(), c.Expected);
    }
    // Through a normalised HV segment as well.
    EXPECT_EQ(HV(0, limit, 0, -limit).Get_Square_Length(), INT64_C(40000000000000000));
}

TEST(GeoUtilsSquare, DistanceToBox) {
    const int limit = COORD_LIMIT;
    struct cCase {
        cPoint2D A, B, P;
        std::int64_t Expected;
    };
    const std::vector<cCase> cases = {
        // Box [0,10]x[0,20], corners given in every order.
        {P(0, 0), P(10, 20), P(5, 5), 0},
        {P(10, 20), P(0, 0), P(0, 20), 0},
        {P(0, 20), P(10, 0), P(13, 24), 25},
        {P(10, 0), P(0, 20), P(-3, -4), 25},
        {P(0, 0), P(10, 20), P(5, 27), 49},
        {P(0, 0), P(10, 20), P(-6, 10), 36},
        // A horizontal segment (0,0)-(10,0): beside it, beyond each end.
        {P(0, 0), P(10, 0), P(5, 5), 25},
        {P(10, 0), P(0, 0), P(-3, 4), 25},
        {P(0, 0), P(10, 0), P(13, -4), 25},
        {P(0, 0), P(10, 0), P(10, 0), 0},
        // A point box.
        {P(2, 2), P(2, 2), P(5, 6), 25},
        // Large coordinates.
        {P(-limit, -limit), P(-limit, limit), P(limit, 0), INT64_C(40000000000000000)},
        {P(-limit, -limit), P(-limit, -limit), P(limit, limit), INT64_C(80000000000000000)},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.A) + " " + Text(c.B) + " p=" + Text(c.P));
        EXPECT_EQ(Square_Distance_To_Box(c.A, c.B, c.P), c.Expected);
    }
}

// ------------------------------------------------------------------ cSeg

TEST(GeoUtilsSeg, KeepsEndPointsAsGiven) {
    const cSeg zero;
    Expect_Seg(zero, P(0, 0), P(0, 0));

    cSeg s(P(9, 1), P(-4, 3));
    Expect_Seg(s, P(9, 1), P(-4, 3));
    s.Set(P(5, 5), P(1, 1));  // not normalised, not required to be HV
    Expect_Seg(s, P(5, 5), P(1, 1));
    EXPECT_EQ(&s.Get_p0(), &s.p0);
    EXPECT_EQ(&s.Get_p1(), &s.p1);
}

TEST(GeoUtilsSeg, MiddleRoundsTowardZero) {
    const int limit = COORD_LIMIT;
    struct cCase {
        cPoint2D A, B, Expected;
    };
    const std::vector<cCase> cases = {
        {P(0, 0), P(10, 4), P(5, 2)},
        {P(-3, 0), P(0, 0), P(-1, 0)},  // -1.5 gives -1, not -2
        {P(0, 5), P(0, 0), P(0, 2)},
        {P(-5, -7), P(0, 0), P(-2, -3)},
        {P(3, -3), P(-4, 4), P(0, 0)},  // -0.5 and 0.5 both give 0
        {P(limit, limit), P(limit - 1, -limit), P(limit - 1, 0)},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.A) + " " + Text(c.B));
        cPoint2D m(77, 77);
        cSeg(c.A, c.B).Get_Middle(m);
        EXPECT_EQ(m, c.Expected);
    }
}

TEST(GeoUtilsSeg, IsSameInEitherOrder) {
    const cSeg s(P(0, 0), P(10, 0));
    EXPECT_TRUE(s.Is_Same(cSeg(P(0, 0), P(10, 0))));
    EXPECT_TRUE(s.Is_Same(cSeg(P(10, 0), P(0, 0))));
    EXPECT_FALSE(s.Is_Same(cSeg(P(0, 0), P(10, 1))));
    EXPECT_FALSE(s.Is_Same(cSeg(P(0, 0), P(0, 0))));
    EXPECT_FALSE(s.Is_Same(cSeg(P(10, 0), P(10, 0))));
    // The ordered comparison is stricter.
    EXPECT_TRUE(s == cSeg(P(0, 0), P(10, 0)));
    EXPECT_TRUE(s != cSeg(P(10, 0), P(0, 0)));
}

// The squared distance is the exact value rounded once to float: a ball whose
// radius is exactly the distance touches the segment, never more or less.
TEST(GeoUtilsSeg, SquareDistanceToSegment) {
    const int limit = COORD_LIMIT;
    struct cCase {
        cPoint2D A, B, P;
        float Expected;
    };
    const std::vector<cCase> cases = {
        // Beside the segment, and nearest to either end.
        {P(0, 0), P(10, 0), P(5, 5), 25.0f},
        {P(0, 0), P(10, 0), P(-3, 4), 25.0f},
        {P(0, 0), P(10, 0), P(13, 4), 25.0f},
        // The same segment written backwards.
        {P(10, 0), P(0, 0), P(-3, 4), 25.0f},
        {P(10, 0), P(0, 0), P(13, 4), 25.0f},
        // Exactly above an end, and on the segment.
        {P(0, 0), P(10, 0), P(10, 3), 9.0f},
        {P(0, 0), P(10, 0), P(0, -3), 9.0f},
        {P(0, 0), P(10, 0), P(7, 0), 0.0f},
        {P(0, 0), P(10, 0), P(10, 0), 0.0f},
        // A vertical segment.
        {P(2, 0), P(2, 10), P(-1, 5), 9.0f},
        {P(2, 10), P(2, 0), P(6, 13), 25.0f},
        // Long segments: the answer is a whole number, which single-precision
        // intermediate steps would miss.
        {P(0, 0), P(600, 0), P(300, 10), 100.0f},
        {P(0, 0), P(10000, 0), P(5000, 3), 9.0f},
        {P(0, 0), P(60000, 0), P(30000, 7), 49.0f},
        {P(0, 0), P(0, 60000), P(7, 30001), 49.0f},
        {P(-limit, 0), P(limit, 0), P(12345, -5), 25.0f},
        // Large coordinates: no overflow anywhere.
        {P(-limit, -limit), P(limit, -limit), P(0, limit), static_cast<float>(INT64_C(40000000000000000))},
        {P(-limit, -limit), P(-limit, limit), P(limit, limit), static_cast<float>(INT64_C(40000000000000000))},
        {P(-limit, -limit), P(-limit + 1, -limit), P(limit, limit),
         static_cast<float>(INT64_C(199999999) * 199999999 + INT64_C(200000000) * 200000000)},
        // A zero-length segment measures from its point.
        {P(4, 4), P(4, 4), P(7, 8), 25.0f},
        // A slanted segment: exact values that are whole, then not whole.
        {P(0, 0), P(2, 2), P(0, 2), 2.0f},
        {P(0, 0), P(3, 1), P(1, 0), 0.1f},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.A) + " " + Text(c.B) + " p=" + Text(c.P));
        const float d = cSeg(c.A, c.B).Get_Square_Distance(c.P);
        EXPECT_EQ(d, c.Expected);
        EXPECT_FALSE(d < c.Expected);  // a ball at exactly this radius is not closer
    }
}

// For HV segments the float distance and the exact box distance agree on a
// whole neighbourhood of points.
TEST(GeoUtilsSeg, SquareDistanceAgreesWithBoxDistance) {
    const std::vector<cSeg> segments = {
        cSeg(P(0, 0), P(10, 0)), cSeg(P(10, 0), P(0, 0)), cSeg(P(3, -4), P(3, 6)),
        cSeg(P(3, 6), P(3, -4)), cSeg(P(5, 5), P(5, 5)),
    };
    for (const cSeg& s : segments) {
        for (int x = -8; x <= 18; ++x) {
            for (int y = -12; y <= 14; ++y) {
                const cPoint2D p(x, y);
                ASSERT_EQ(s.Get_Square_Distance(p),
                          static_cast<float>(Square_Distance_To_Box(s.p0, s.p1, p)))
                    << "segment " << s << " point " << p;
            }
        }
    }
}

// ------------------------------------------------------- cHV_Seg normalising

TEST(HvSegNormalise, OrdersEndPointsAndSetsOrientation) {
    struct cCase {
        cPoint2D A, B;
        cPoint2D P0, P1;
        bool Horizontal;
    };
    const std::vector<cCase> cases = {
        {P(5, 2), P(1, 2), P(1, 2), P(5, 2), true},
        {P(1, 2), P(5, 2), P(1, 2), P(5, 2), true},
        {P(3, 9), P(3, 4), P(3, 4), P(3, 9), false},
        {P(3, 4), P(3, 9), P(3, 4), P(3, 9), false},
        {P(-3, -1), P(-3, -9), P(-3, -9), P(-3, -1), false},
        // Two equal points make a horizontal segment of zero length.
        {P(4, 4), P(4, 4), P(4, 4), P(4, 4), true},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.A) + " " + Text(c.B));
        cCapture_Messages out;
        const cHV_Seg built(c.A, c.B);
        Expect_Seg(built, c.P0, c.P1);
        EXPECT_EQ(built.Is_Horizontal(), c.Horizontal);

        // Set normalises the same way, also when called through the base
        // class, whatever the segment held before.
        cHV_Seg reset(P(0, 0), P(0, 50));
        cSeg& base = reset;
        base.Set(c.A, c.B);
        Expect_Seg(reset, c.P0, c.P1);
        EXPECT_EQ(reset.Is_Horizontal(), c.Horizontal);
        EXPECT_EQ(out.str(), "");
    }
}

TEST(HvSegNormalise, DefaultIsHorizontalZeroLengthAtOrigin) {
    const cHV_Seg s;
    Expect_Seg(s, P(0, 0), P(0, 0));
    EXPECT_TRUE(s.Is_Horizontal());
}

TEST(HvSegNormalise, InvalidPairIsReportedAndKeptOnConstruction) {
    struct cCase {
        cPoint2D A, B;
        std::string Message;
    };
    const std::vector<cCase> cases = {
        {P(0, 0), P(5, 5), "cHV_Seg(cPoint2D &pA , cPoint2D &pB) : [[0,0]-->[5,5]] not a valid HV seg \n"},
        // The points are reported and kept in the order given.
        {P(5, -5), P(0, 0), "cHV_Seg(cPoint2D &pA , cPoint2D &pB) : [[5,-5]-->[0,0]] not a valid HV seg \n"},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.A) + " " + Text(c.B));
        cCapture_Messages out;
        const cHV_Seg s(c.A, c.B);
        EXPECT_EQ(out.str(), c.Message);
        Expect_Seg(s, c.A, c.B);
        EXPECT_TRUE(s.Is_Horizontal());  // a new segment's flag stays horizontal
    }
}

TEST(HvSegNormalise, InvalidPairLeavesASetSegmentUnchanged) {
    for (cHV_Seg s : {HV(0, 2, 0, 8), HV(1, 3, 9, 3)}) {
        const cHV_Seg before = s;
        cCapture_Messages out;
        s.Set(P(1, 1), P(2, 3));
        EXPECT_EQ(out.str(),
                  "cHV_Seg(cPoint2D &pA , cPoint2D &pB) : [[1,1]-->[2,3]] not a valid HV seg \n");
        Expect_Seg(s, before.p0, before.p1);
        EXPECT_EQ(s.Is_Horizontal(), before.Is_Horizontal());
    }
}

// ------------------------------------------------------- cHV_Seg relations

TEST(HvSegRelations, IsOnSameLine) {
    struct cCase {
        cHV_Seg A, B;
        bool Expected;
    };
    const std::vector<cCase> cases = {
        {HV(0, 0, 10, 0), HV(20, 0, 30, 0), true},   // far apart on one line
        {HV(0, 0, 10, 0), HV(3, 0, 7, 0), true},
        {HV(0, 0, 10, 0), HV(0, 1, 10, 1), false},   // parallel, another line
        {HV(0, 0, 10, 0), HV(0, 0, 0, 10), false},   // perpendicular through an end
        {HV(0, 0, 0, 10), HV(0, 0, 10, 0), false},
        {HV(2, 0, 2, 10), HV(2, -50, 2, -40), true},
        {HV(2, 0, 2, 10), HV(3, 0, 3, 10), false},
        {HV(0, 5, 10, 5), HV(-7, 5, -7, 5), true},   // a point on the line
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.A) + " vs " + Text(c.B));
        EXPECT_EQ(c.A.Is_On_Same_Line(c.B), c.Expected);
        EXPECT_EQ(c.B.Is_On_Same_Line(c.A), c.Expected);
    }
}

TEST(HvSegRelations, ContainsPointIncludesEnds) {
    struct cCase {
        cHV_Seg S;
        cPoint2D P;
        bool Expected;
    };
    const std::vector<cCase> cases = {
        {HV(0, 0, 10, 0), P(0, 0), true},   {HV(0, 0, 10, 0), P(10, 0), true},
        {HV(0, 0, 10, 0), P(4, 0), true},   {HV(0, 0, 10, 0), P(11, 0), false},
        {HV(0, 0, 10, 0), P(-1, 0), false}, {HV(0, 0, 10, 0), P(5, 1), false},
        {HV(10, 0, 0, 0), P(10, 0), true},  {HV(2, 0, 2, 10), P(2, 0), true},
        {HV(2, 10, 2, 0), P(2, 10), true},  {HV(2, 0, 2, 10), P(2, 11), false},
        {HV(2, 0, 2, 10), P(2, -1), false}, {HV(2, 0, 2, 10), P(3, 5), false},
        {HV(6, 6, 6, 6), P(6, 6), true},    {HV(6, 6, 6, 6), P(6, 7), false},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.S) + " point " + Text(c.P));
        EXPECT_EQ(c.S.Contains_Point(c.P), c.Expected);
    }
}

// Intersection and Contient over the same pairs: the common part (or the
// crossing point of perpendicular lines) and whether A contains B.
TEST(HvSegRelations, IntersectionAndContient) {
    struct cCase {
        const char* What;
        cHV_Seg A, B;
        bool Meets;
        cPoint2D O0, O1;  // the common part when Meets
        bool Contains;
    };
    const cHV_Seg h = HV(0, 0, 10, 0);
    const cHV_Seg v = HV(2, 0, 2, 10);
    const std::vector<cCase> cases = {
        {"inside", h, HV(3, 0, 7, 0), true, P(3, 0), P(7, 0), true},
        {"itself", h, HV(10, 0, 0, 0), true, P(0, 0), P(10, 0), true},
        {"same start", h, HV(0, 0, 4, 0), true, P(0, 0), P(4, 0), true},
        {"same end", h, HV(6, 0, 10, 0), true, P(6, 0), P(10, 0), true},
        {"point inside", h, HV(5, 0, 5, 0), true, P(5, 0), P(5, 0), true},
        {"touching after", h, HV(10, 0, 20, 0), true, P(10, 0), P(10, 0), false},
        {"touching before", h, HV(-5, 0, 0, 0), true, P(0, 0), P(0, 0), false},
        {"overlap at start", h, HV(-5, 0, 5, 0), true, P(0, 0), P(5, 0), false},
        {"overlap at end", h, HV(5, 0, 15, 0), true, P(5, 0), P(10, 0), false},
        {"covers A", h, HV(-5, 0, 15, 0), true, P(0, 0), P(10, 0), false},
        {"after on line", h, HV(20, 0, 30, 0), false, P(0, 0), P(0, 0), false},
        {"before on line", h, HV(-20, 0, -1, 0), false, P(0, 0), P(0, 0), false},
        {"parallel line", h, HV(0, 1, 10, 1), false, P(0, 0), P(0, 0), false},
        {"vertical inside", v, HV(2, 3, 2, 10), true, P(2, 3), P(2, 10), true},
        {"vertical overlap", v, HV(2, 5, 2, 20), true, P(2, 5), P(2, 10), false},
        {"vertical touching", v, HV(2, -5, 2, 0), true, P(2, 0), P(2, 0), false},
        {"vertical covers A", v, HV(2, -1, 2, 11), true, P(2, 0), P(2, 10), false},
        {"vertical beyond", v, HV(2, 11, 2, 20), false, P(0, 0), P(0, 0), false},
        {"vertical before", v, HV(2, -9, 2, -1), false, P(0, 0), P(0, 0), false},
        {"vertical parallel", v, HV(3, 0, 3, 10), false, P(0, 0), P(0, 0), false},
        // Perpendicular pairs give the crossing point of the lines, even when
        // the segments themselves do not meet.
        {"crossing", h, HV(5, -5, 5, 5), true, P(5, 0), P(5, 0), false},
        {"lines cross far away", h, HV(50, 20, 50, 40), true, P(50, 0), P(50, 0), false},
        {"vertical A, horizontal B", v, HV(-7, 30, -3, 30), true, P(2, 30), P(2, 30), false},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(std::string(c.What) + ": " + Text(c.A) + " vs " + Text(c.B));
        cHV_Seg o(SENTINEL_A, SENTINEL_B);
        EXPECT_EQ(c.A.Intersection(c.B, o), c.Meets);
        if (c.Meets) {
            Expect_Seg(o, c.O0, c.O1);
        } else {
            Expect_Seg(o, SENTINEL_A, SENTINEL_B);  // left untouched
        }
        EXPECT_EQ(c.A.Contient(c.B), c.Contains);

        // For parallel segments the common part does not depend on the order.
        if (c.A.Is_Horizontal() == c.B.Is_Horizontal()) {
            cHV_Seg swapped(SENTINEL_A, SENTINEL_B);
            EXPECT_EQ(c.B.Intersection(c.A, swapped), c.Meets);
            if (c.Meets) Expect_Seg(swapped, c.O0, c.O1);
        }
    }
}

// The output is written through its own Set: a plain segment receives the
// start and the end in that order.
TEST(HvSegRelations, IntersectionWritesThroughOutputSet) {
    cSeg plain(SENTINEL_A, SENTINEL_B);
    ASSERT_TRUE(HV(0, 4, 0, 12).Intersection(HV(0, 0, 0, 8), plain));
    Expect_Seg(plain, P(0, 4), P(0, 8));
    ASSERT_TRUE(HV(0, 0, 9, 0).Intersection(HV(3, 0, 3, 1), plain));
    Expect_Seg(plain, P(3, 0), P(3, 0));
}

TEST(HvSegRelations, SubtractLeavesTheRest) {
    struct cCase {
        const char* What;
        cHV_Seg A, B;
        int Code;
        bool Before_Written, After_Written;
        cPoint2D Before0, Before1, After0, After1;
    };
    const cHV_Seg h = HV(0, 0, 10, 0);
    const cHV_Seg v = HV(2, 0, 2, 10);
    const cPoint2D none;
    const std::vector<cCase> cases = {
        {"whole", h, HV(10, 0, 0, 0), 1, false, false, none, none, none, none},
        {"middle", h, HV(3, 0, 7, 0), 2, true, true, P(0, 0), P(3, 0), P(7, 0), P(10, 0)},
        {"end part", h, HV(6, 0, 10, 0), 3, true, false, P(0, 0), P(6, 0), none, none},
        {"start part", h, HV(0, 0, 4, 0), 4, false, true, none, none, P(4, 0), P(10, 0)},
        {"inner point", h, HV(5, 0, 5, 0), 2, true, true, P(0, 0), P(5, 0), P(5, 0), P(10, 0)},
        {"vertical middle", v, HV(2, 8, 2, 1), 2, true, true, P(2, 0), P(2, 1), P(2, 8), P(2, 10)},
        {"vertical end part", v, HV(2, 4, 2, 10), 3, true, false, P(2, 0), P(2, 4), none, none},
        {"vertical start part", v, HV(2, 0, 2, 9), 4, false, true, none, none, P(2, 9), P(2, 10)},
        {"vertical whole", v, v, 1, false, false, none, none, none, none},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(std::string(c.What) + ": " + Text(c.A) + " minus " + Text(c.B));
        cHV_Seg before(SENTINEL_A, SENTINEL_B);
        cHV_Seg after(SENTINEL_A, SENTINEL_B);
        EXPECT_EQ(c.A.Subtract(c.B, before, after), c.Code);
        if (c.Before_Written) {
            Expect_Seg(before, c.Before0, c.Before1);
            EXPECT_EQ(before.Is_Horizontal(), c.A.Is_Horizontal());
        } else {
            Expect_Seg(before, SENTINEL_A, SENTINEL_B);
        }
        if (c.After_Written) {
            Expect_Seg(after, c.After0, c.After1);
            EXPECT_EQ(after.Is_Horizontal(), c.A.Is_Horizontal());
        } else {
            Expect_Seg(after, SENTINEL_A, SENTINEL_B);
        }
    }
}

// Subtracting a segment that the first does not contain is a broken
// invariant: the program stops, naming the condition. A partial overlap would
// otherwise produce a plausible but wrong remainder.
TEST(HvSegDeathTest, SubtractRequiresContainedSegment) {
    const cHV_Seg a = HV(0, 0, 10, 0);
    cHV_Seg before, after;
    EXPECT_DEATH(a.Subtract(HV(5, 0, 15, 0), before, after), "Contient.*seg");
    EXPECT_DEATH(a.Subtract(HV(20, 0, 30, 0), before, after), "Contient.*seg");
}

// ------------------------------------------------------------------ cRect2D

TEST(RectBasics, CornersInAnyOrder) {
    const cRect2D zero;
    EXPECT_EQ(zero.Min, P(0, 0));
    EXPECT_EQ(zero.Max, P(0, 0));

    const std::vector<std::pair<cPoint2D, cPoint2D>> corners = {
        {P(0, 0), P(10, 20)}, {P(10, 20), P(0, 0)}, {P(10, 0), P(0, 20)}, {P(0, 20), P(10, 0)}};
    for (const auto& c : corners) {
        SCOPED_TRACE(Text(c.first) + " " + Text(c.second));
        const cRect2D r(c.first, c.second);
        EXPECT_EQ(r.Min, P(0, 0));
        EXPECT_EQ(r.Max, P(10, 20));
        EXPECT_TRUE(r == Rect(0, 0, 10, 20));
    }
    EXPECT_TRUE(Rect(0, 0, 10, 20) != Rect(0, 0, 10, 21));
}

TEST(RectBasics, InIncludesAllFourBorders) {
    const cRect2D r(P(10, 0), P(0, 20));
    struct cCase {
        cPoint2D P;
        bool In;
    };
    const std::vector<cCase> cases = {
        {P(0, 0), true},   {P(10, 20), true}, {P(10, 0), true},  {P(0, 20), true},
        {P(5, 0), true},   {P(10, 7), true},  {P(3, 20), true},  {P(0, 19), true},
        {P(5, 10), true},  {P(11, 5), false}, {P(-1, 5), false}, {P(5, -1), false},
        {P(5, 21), false}, {P(11, 21), false},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.P));
        EXPECT_EQ(r.In(c.P), c.In);
    }
    // A flat rectangle still holds its own segment.
    const cRect2D flat(P(0, 5), P(10, 5));
    EXPECT_TRUE(flat.In(P(4, 5)));
    EXPECT_FALSE(flat.In(P(4, 6)));
}

TEST(RectBasics, CenterRoundsTowardZero) {
    const int limit = COORD_LIMIT;
    struct cCase {
        cRect2D R;
        cPoint2D Center;
    };
    const std::vector<cCase> cases = {
        {Rect(0, 0, 5, 5), P(2, 2)},
        {Rect(-5, -5, 0, 0), P(-2, -2)},  // not (-3,-3)
        {Rect(-3, -1, 0, 6), P(-1, 2)},
        {Rect(0, 0, 200, 100), P(100, 50)},
        {Rect(-limit, -limit, limit, limit - 1), P(0, 0)},
        {Rect(limit - 1, limit - 1, limit, limit), P(limit - 1, limit - 1)},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(Text(c.R));
        cPoint2D center(77, 77);
        c.R.Get_Center(center);
        EXPECT_EQ(center, c.Center);
    }
}

TEST(RectBasics, SidesAreWrittenThroughSet) {
    const cRect2D r = Rect(100, 50, 0, 0);
    using cSide_Getter = void (cRect2D::*)(cSeg&) const;
    struct cCase {
        const char* Name;
        cSide_Getter Side;
        cPoint2D First, Second;
        bool Horizontal;
    };
    const std::vector<cCase> cases = {
        {"Ymin", &cRect2D::Get_Side_Ymin, P(0, 0), P(100, 0), true},
        {"Xmax", &cRect2D::Get_Side_Xmax, P(100, 0), P(100, 50), false},
        {"Ymax", &cRect2D::Get_Side_Ymax, P(0, 50), P(100, 50), true},
        {"Xmin", &cRect2D::Get_Side_Xmin, P(0, 0), P(0, 50), false},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name);
        cSeg plain(SENTINEL_A, SENTINEL_B);
        (r.*c.Side)(plain);
        Expect_Seg(plain, c.First, c.Second);

        cHV_Seg hv(P(7, 0), P(7, 3));
        cCapture_Messages out;
        (r.*c.Side)(hv);
        EXPECT_EQ(out.str(), "");
        Expect_Seg(hv, c.First, c.Second);
        EXPECT_EQ(hv.Is_Horizontal(), c.Horizontal);
    }
    // The vertical sides of a flat rectangle are single points, hence
    // horizontal segments of zero length.
    cHV_Seg side(P(7, 0), P(7, 3));
    Rect(0, 5, 10, 5).Get_Side_Xmax(side);
    Expect_Seg(side, P(10, 5), P(10, 5));
    EXPECT_TRUE(side.Is_Horizontal());
}

}  // namespace
