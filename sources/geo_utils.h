// Value types of the level geometry: integer grid points, segments,
// horizontal-or-vertical segments and axis-aligned rectangles.
//
// Every coordinate is a whole number. Squared lengths and distances are
// computed in 64-bit integers so that any coordinate in the supported range
// (see COORD_LIMIT) gives an exact result.
#ifndef GEO_UTILS_H
#define GEO_UTILS_H

#include <cstdint>
#include <ostream>

namespace bsp_levels {

// Coordinates a level may use: every x and y lies in [-COORD_LIMIT, COORD_LIMIT].
// Within this range no sum, difference or product of the library overflows.
constexpr int COORD_LIMIT = 100000000;

class cPoint2D {
public:
    int x;
    int y;

    cPoint2D() : x(0), y(0) {}
    cPoint2D(int px, int py) : x(px), y(py) {}

    void Set(int px, int py) { x = px; y = py; }
    int Get_X() const { return x; }
    int Get_Y() const { return y; }

    bool operator==(const cPoint2D& o) const { return x == o.x && y == o.y; }
    bool operator!=(const cPoint2D& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& os, const cPoint2D& p);

// Squared Euclidean distance between two points, exact in 64 bits.
inline std::int64_t Square_Distance(const cPoint2D& a, const cPoint2D& b) {
    const std::int64_t dx = std::int64_t(a.x) - b.x;
    const std::int64_t dy = std::int64_t(a.y) - b.y;
    return dx * dx + dy * dy;
}
// Squared distance from p to the axis-aligned box with opposite corners a and
// b (for a horizontal or vertical segment, the segment itself), exact.
std::int64_t Square_Distance_To_Box(const cPoint2D& a, const cPoint2D& b, const cPoint2D& p);

// A general segment between two points, kept in the order given.
class cSeg {
public:
    cPoint2D p0;
    cPoint2D p1;

    cSeg() = default;
    cSeg(const cPoint2D& pA, const cPoint2D& pB) : p0(pA), p1(pB) {}

    virtual void Set(const cPoint2D& pA, const cPoint2D& pB);

    virtual ~cSeg() = default;
    cSeg(const cSeg&) = default;
    cSeg& operator=(const cSeg&) = default;

    cPoint2D& Get_p0() { return p0; }
    cPoint2D& Get_p1() { return p1; }
    const cPoint2D& Get_p0() const { return p0; }
    const cPoint2D& Get_p1() const { return p1; }

    std::int64_t Get_Square_Length() const;
    void Get_Middle(cPoint2D& out) const;
    // True when both segments have the same end points, in either order.
    bool Is_Same(const cSeg& other) const;
    // Squared distance from p to the closed segment, computed exactly and
    // rounded to single precision (correctly rounded for every horizontal or
    // vertical segment, whose squared distances are integers).
    float Get_Square_Distance(const cPoint2D& p) const;

    // Same end points in the same order.
    bool operator==(const cSeg& o) const { return p0 == o.p0 && p1 == o.p1; }
    bool operator!=(const cSeg& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& os, const cSeg& s);

// A horizontal or vertical segment, normalised so that p0 is the end with the
// smaller coordinate along it. Two equal points make a horizontal segment of
// zero length.
class cHV_Seg : public cSeg {
public:
    // True for a horizontal segment, false for a vertical one. A pair that is
    // neither keeps the value it had (true for a new segment).
    bool Horizontal = true;

    cHV_Seg() = default;
    cHV_Seg(const cPoint2D& pA, const cPoint2D& pB);

    void Set(const cPoint2D& pA, const cPoint2D& pB) override;
    bool Is_Horizontal() const { return Horizontal; }

    // Same orientation and same supporting line; extents are not compared.
    bool Is_On_Same_Line(const cHV_Seg& B) const;
    // P lies on this segment, end points included.
    bool Contains_Point(const cPoint2D& P) const;
    // Common part of two parallel segments on one line (possibly one point),
    // or the crossing point of the two lines of perpendicular segments.
    // Returns whether O was written.
    bool Intersection(const cHV_Seg& B, cSeg& O) const;
    // This segment contains B.
    bool Contient(const cHV_Seg& B) const;
    // Removes B, which must lie inside this segment. Returns 1 when B is this
    // whole segment, 2 when B lies strictly inside (Before and After written),
    // 3 when B ends where this segment ends (Before written), 4 when B starts
    // where it starts (After written).
    int Subtract(const cHV_Seg& seg, cSeg& Before, cSeg& After) const;

private:
    // Normalises (pA, pB); returns false, with a message, when the pair is
    // neither horizontal nor vertical.
    bool Normalise(const cPoint2D& pA, const cPoint2D& pB);
};

// An axis-aligned rectangle whose four borders belong to it.
class cRect2D {
public:
    cPoint2D Min;  // xmin, ymin
    cPoint2D Max;  // xmax, ymax

    cRect2D() = default;
    cRect2D(const cPoint2D& a, const cPoint2D& b);

    bool In(const cPoint2D& p) const {
        return Min.x <= p.x && p.x <= Max.x && Min.y <= p.y && p.y <= Max.y;
    }
    void Get_Center(cPoint2D& out) const;

    // The four sides, each written through the segment's Set so that a
    // cHV_Seg comes out normalised.
    void Get_Side_Ymin(cSeg& s) const;
    void Get_Side_Xmax(cSeg& s) const;
    void Get_Side_Ymax(cSeg& s) const;
    void Get_Side_Xmin(cSeg& s) const;

    bool operator==(const cRect2D& o) const { return Min == o.Min && Max == o.Max; }
    bool operator!=(const cRect2D& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& os, const cRect2D& r);

}  // namespace bsp_levels

#endif
