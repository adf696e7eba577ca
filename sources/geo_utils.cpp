#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "geo_utils.h"
#include "messages.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace bsp_levels {

namespace {
__extension__ typedef __int128 Int128;
}

std::ostream& operator<<(std::ostream& os, const cPoint2D& p) {
    return os << '[' << p.x << ',' << p.y << ']';
}

std::int64_t Square_Distance_To_Box(const cPoint2D& a, const cPoint2D& b, const cPoint2D& p) {
    // Distance along one axis from v to the closed interval between lo and hi.
    auto gap = [](std::int64_t v, std::int64_t lo, std::int64_t hi) -> std::int64_t {
        if (lo > hi) std::swap(lo, hi);
        return v < lo ? lo - v : (v > hi ? v - hi : 0);
    };
    const std::int64_t gx = gap(p.x, a.x, b.x);
    const std::int64_t gy = gap(p.y, a.y, b.y);
    return gx * gx + gy * gy;
}

// ---------------------------------------------------------------- cSeg

void cSeg::Set(const cPoint2D& pA, const cPoint2D& pB) {
    p0 = pA;
    p1 = pB;
}

std::int64_t cSeg::Get_Square_Length() const { return Square_Distance(p0, p1); }

void cSeg::Get_Middle(cPoint2D& out) const {
    // Integer halving rounds toward zero, as everywhere in the library.
    out.Set(int((std::int64_t(p0.x) + p1.x) / 2), int((std::int64_t(p0.y) + p1.y) / 2));
}

bool cSeg::Is_Same(const cSeg& other) const {
    return (p0 == other.p0 && p1 == other.p1) || (p0 == other.p1 && p1 == other.p0);
}

float cSeg::Get_Square_Distance(const cPoint2D& p) const {
    const std::int64_t dx = std::int64_t(p1.x) - p0.x;
    const std::int64_t dy = std::int64_t(p1.y) - p0.y;
    const std::int64_t px = std::int64_t(p.x) - p0.x;
    const std::int64_t py = std::int64_t(p.y) - p0.y;
    const std::int64_t dot = dx * px + dy * py;
    const std::int64_t len2 = dx * dx + dy * dy;
    if (dot < 0 || len2 == 0) return float(px * px + py * py);  // nearest point: p0
    if (dot >= len2) return float(Square_Distance(p, p1));      // nearest point: p1
    // The foot of the perpendicular lies on the segment: the squared distance
    // is cross^2 / len2, an integer for every horizontal or vertical segment.
    const Int128 cross = Int128(dx) * py - Int128(dy) * px;
    const Int128 cross2 = cross * cross;
    if (cross2 % len2 == 0) return float(std::int64_t(cross2 / len2));
    return float(static_cast<long double>(cross2) / static_cast<long double>(len2));
}

std::ostream& operator<<(std::ostream& os, const cSeg& s) {
    return os << '[' << s.p0 << ',' << s.p1 << ']';
}

// ---------------------------------------------------------------- cHV_Seg

cHV_Seg::cHV_Seg(const cPoint2D& pA, const cPoint2D& pB) : cSeg(pA, pB) { Normalise(pA, pB); }

void cHV_Seg::Set(const cPoint2D& pA, const cPoint2D& pB) { Normalise(pA, pB); }

bool cHV_Seg::Normalise(const cPoint2D& pA, const cPoint2D& pB) {
    const int minx = std::min(pA.x, pB.x), maxx = std::max(pA.x, pB.x);
    const int miny = std::min(pA.y, pB.y), maxy = std::max(pA.y, pB.y);
    if (miny == maxy) {
        Horizontal = true;
        p0.Set(minx, miny);
        p1.Set(maxx, miny);
        return true;
    }
    if (minx == maxx) {
        Horizontal = false;
        p0.Set(minx, miny);
        p1.Set(minx, maxy);
        return true;
    }
    std::ostringstream msg;
    msg << "cHV_Seg(cPoint2D &pA , cPoint2D &pB) : [" << pA << "-->" << pB
        << "] not a valid HV seg \n";
    Message_Sink() << msg.str();
    return false;
}

bool cHV_Seg::Is_On_Same_Line(const cHV_Seg& B) const {
    if (Horizontal) return B.Horizontal && B.p0.y == p0.y;
    return !B.Horizontal && B.p0.x == p0.x;
}

bool cHV_Seg::Contains_Point(const cPoint2D& P) const {
    if (Horizontal) return P.y == p0.y && p0.x <= P.x && P.x <= p1.x;
    return P.x == p0.x && p0.y <= P.y && P.y <= p1.y;
}

bool cHV_Seg::Intersection(const cHV_Seg& B, cSeg& O) const {
    if (Horizontal && B.Horizontal) {
        if (p0.y != B.p0.y) return false;
        if (B.p1.x < p0.x || B.p0.x > p1.x) return false;
        const cPoint2D S = B.p0.x < p0.x ? p0 : B.p0;  // the later start
        const cPoint2D E = B.p1.x < p1.x ? B.p1 : p1;  // the earlier end
        O.Set(S, E);
        return true;
    }
    if (!Horizontal && !B.Horizontal) {
        if (B.p1.x != p0.x) return false;
        if (B.p1.y < p0.y || B.p0.y > p1.y) return false;
        const cPoint2D S = B.p0.y < p0.y ? p0 : B.p0;
        const cPoint2D E = B.p1.y < p1.y ? B.p1 : p1;
        O.Set(S, E);
        return true;
    }
    // Perpendicular segments: the crossing point of their lines, wherever it is.
    const cPoint2D I = Horizontal ? cPoint2D(B.p0.x, p0.y) : cPoint2D(p0.x, B.p0.y);
    O.Set(I, I);
    return true;
}

bool cHV_Seg::Contient(const cHV_Seg& B) const {
    cHV_Seg O;
    if (!Intersection(B, O)) return false;
    return O.Is_Same(B);
}

int cHV_Seg::Subtract(const cHV_Seg& seg, cSeg& Before, cSeg& After) const {
    assert(Contient(seg));
    cHV_Seg O;
    if (!Intersection(seg, O)) return 0;
    if (Is_Same(seg)) return 1;
    if (O.p0 != p0) {
        Before.Set(p0, O.p0);
        if (O.p1 != p1) {
            After.Set(O.p1, p1);
            return 2;
        }
        return 3;
    }
    if (O.p1 != p1) {
        After.Set(O.p1, p1);
        return 4;
    }
    assert(0);
    return 0;
}

// ---------------------------------------------------------------- cRect2D

cRect2D::cRect2D(const cPoint2D& a, const cPoint2D& b)
    : Min(std::min(a.x, b.x), std::min(a.y, b.y)), Max(std::max(a.x, b.x), std::max(a.y, b.y)) {}

void cRect2D::Get_Center(cPoint2D& out) const {
    out.Set(int((std::int64_t(Min.x) + Max.x) / 2), int((std::int64_t(Min.y) + Max.y) / 2));
}

void cRect2D::Get_Side_Ymin(cSeg& s) const { s.Set(Min, cPoint2D(Max.x, Min.y)); }
void cRect2D::Get_Side_Xmax(cSeg& s) const { s.Set(cPoint2D(Max.x, Min.y), Max); }
void cRect2D::Get_Side_Ymax(cSeg& s) const { s.Set(cPoint2D(Min.x, Max.y), Max); }
void cRect2D::Get_Side_Xmin(cSeg& s) const { s.Set(Min, cPoint2D(Min.x, Max.y)); }

std::ostream& operator<<(std::ostream& os, const cRect2D& r) {
    return os << '[' << r.Min << "<->" << r.Max << ']';
}

}  // namespace bsp_levels
