#include "route/route_search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "game_graph.h"

namespace bsp_levels {

namespace {

// The search is instantiated for several kinds of queries; the compiler's
// budget for inlining then no longer covers the small functions its inner
// loop calls, which it inlines for one kind alone. They are inlined always.
#if defined(__GNUC__)
#define ROUTE_HOT inline __attribute__((always_inline))
#else
#define ROUTE_HOT inline
#endif

// The sides of a cell, and the directions of crossing a portal: leaving a
// cell through its side k is moving in direction k.
enum : unsigned char { BOTTOM, TOP, LEFT, RIGHT };
// DOWN = BOTTOM, UP = TOP, LEFT, RIGHT.
bool Increasing(int dir) { return (dir & 1) != 0; }  // toward larger y (TOP) or x (RIGHT)
// Looking the way of dir, +1 when a portal's Lo end lies on the left hand.
int Lo_Sign(int dir) { return dir == TOP || dir == LEFT ? 1 : -1; }

// An end of a node's interval on its portal's line: the portal's own end
// (OWN), or where the line from the node's root through a point meets the
// portal's line; the point is a mesh vertex (its number, >= 0) or a bend of
// the route (root record k, written -2 - k).
const int OWN = -1;
int Root_End(int k) { return -2 - k; }

// Where, along a line at w across (u along it), the line from root (ru, rw)
// in the direction (du, dw) meets it, unperturbed; lo and hi bound it.
double Limit_Along(double ru, double rw, double du, double dw, double w, double lo, double hi) {
    if (dw == 0) return std::min(std::max(ru, lo), hi);
    const double u = ru + du * ((w - rw) / dw);
    return std::min(std::max(u, lo), hi);
}

double Dist(double ax, double ay, double bx, double by) { return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by)); }

// A bend of the route: a point with the length of the route to it.
struct cRoot {
    cSym_Point P;
    double G;
    double G_Rate;  // how fast G grows with ε (symbolic.h)
    int Parent;     // the root before, or -1 for the start
};

enum : unsigned char { INTERVAL, CORNER, GOAL, WALK };

struct cNode {
    double F, G;
    int Root;         // index of the root record
    int Root_Vertex;  // the root's vertex, for pruning
    unsigned char Kind;
    unsigned char Dir;  // INTERVAL: the direction the portal is crossed in
    int Portal;       // INTERVAL: the portal; CORNER: the portal arrived through, or -1;
                      // WALK: the portal whose nearer end it reaches
    int Cell;         // INTERVAL, CORNER: the cell entered; WALK: the cell along whose side it runs
    int L, R;         // INTERVAL: its ends; WALK: L the step to the next portal (-1 or 1)
};

// The open list. Estimates never fall below that of the node last taken
// off it (the estimate is consistent, and nodes within rounding of it take
// the lane instead), so the list is a radix heap (Ahuja, Mehlhorn, Orlin and
// Tarjan): a node waits in the bucket of the highest bit in which its key
// differs from the last key taken, and only the lowest bucket that is not
// empty is ever looked at, its nodes going down into lower buckets. A node
// of a large estimate, as most of those never taken are, costs one push.
// The key is the estimate's bit pattern, which orders non-negative doubles
// as it orders the integers. Nodes are kept whole in the buckets, so that
// taking one reads memory it has just written.
class cOpen_List {
public:
    void Clear() {
        for (std::uint64_t m = Used; m != 0; m &= m - 1) Bucket[Lowest(m)].clear();
        Used = 0;
        Last = 0;
    }
    bool Empty() const { return Used == 0; }
    ROUTE_HOT void Push(const cNode& n) {
        const std::uint64_t key = Key(n.F);
        const int b = Index(key < Last ? Last : key);
        Bucket[b].push_back(n);
        Used |= std::uint64_t(1) << b;
    }
    // Takes a node of the least estimate; among those, the one pushed last.
    ROUTE_HOT cNode Pop() {
        if ((Used & 1) == 0) {
            const int b = Lowest(Used);
            std::vector<cNode>& from = Bucket[b];
            std::uint64_t least = Key(from[0].F);
            for (const cNode& n : from) least = std::min(least, Key(n.F));
            Last = least;
            for (const cNode& n : from) {
                const int to = Index(Key(n.F));
                Bucket[to].push_back(n);
                Used |= std::uint64_t(1) << to;
            }
            from.clear();
            Used &= ~(std::uint64_t(1) << b);
        }
        std::vector<cNode>& low = Bucket[0];
        const cNode n = low.back();
        low.pop_back();
        if (low.empty()) Used &= ~std::uint64_t(1);
        return n;
    }

private:
    static std::uint64_t Key(double f) {
        if (!(f > 0)) return 0;  // and -0 with it
        std::uint64_t k;
        std::memcpy(&k, &f, sizeof k);
        return k;
    }
    // The lowest bit set in m (not 0).
    static int Lowest(std::uint64_t m) {
#if defined(__GNUC__)
        return __builtin_ctzll(m);
#else
        int i = 0;
        while ((m & 1) == 0) m >>= 1, ++i;
        return i;
#endif
    }
    // 0 for the last key taken; else one more than the highest differing bit.
    int Index(std::uint64_t key) const {
        const std::uint64_t d = key ^ Last;
#if defined(__GNUC__)
        return d == 0 ? 0 : 64 - __builtin_clzll(d);
#else
        int i = 0;
        for (std::uint64_t r = d; r != 0; r >>= 1) ++i;
        return i;
#endif
    }

    std::vector<cNode> Bucket[64];
    std::uint64_t Used = 0;  // bit b: bucket b holds nodes
    std::uint64_t Last = 0;
};

// What a search keeps of the ways it found: nothing, the cones into the
// cells nearest to a point (partial routes), or every cone (route fields).
enum cRecord { RECORD_NONE, RECORD_NEAR, RECORD_ALL };

// A cone into a cell, as a search records it.
struct cCell_Cone {
    int Cell;
    cRoute_Cone Cone;
};

struct cState {
    cOpen_List Open;  // kept from search to search
    std::vector<cNode> Direct;  // nodes to expand before the next one off the open list
    std::vector<cNode> Lane;    // nodes no worse than the open list's best, expanded first
    std::vector<cRoot> Roots;
    // The cells holding the start and the goals, the goal in each (a goal's
    // copy), which goal each copy is, and the route's points.
    std::vector<int> Start_Cells, Goal_Cells, Goal_Of;
    std::vector<cSym_Point> Goal_Points;
    std::vector<cPoint2D> Goals, Estimate_Goals, Points, Route;
    // With many goal copies, the copies by cell: the first in Cell_Goal
    // (valid when Cell_Goal_Stamp is Goal_Stamp), the next in Goal_Next.
    std::vector<int> Cell_Goal, Goal_Next;
    std::vector<std::uint32_t> Cell_Goal_Stamp;
    std::uint32_t Goal_Stamp = 0;
    // What a recording search keeps: the cones, and for partial routes the
    // point the cells are measured from, the least squared distance of an
    // entered cell's nearest point to it, and the start.
    std::vector<cCell_Cone> Cones;
    std::vector<int> Claimed;  // the vertices an exhaustive search claimed, once each
    // The intervals a search keeps by portal (the first in the record of
    // the portal's lower end, cBest::Head; the next in Next): the root's
    // coordinates along and across the portal's line, the length to it, and
    // the interval's extent along the line, unperturbed.
    struct cPiece {
        double Ru, Rw, G, A, B;
        int Next;
    };
    std::vector<cPiece> Pieces;
    std::int64_t Intervals = 0;  // interval nodes pushed
    std::int64_t Tie_Limit = 0;  // beyond as many, ties are dropped (TIE_INTERVALS)
    std::vector<std::pair<double, double>> Covered;  // scratch
    cPoint2D Near, Near_Start;
    std::int64_t Near_Best = 0;
    bool Near_Valid = false;
    // By vertex: the least G a root there has had (UNCLAIMED when none),
    // how fast it grows with ε, the search that wrote it and the root; and,
    // in the record of a portal's lower end, the first interval kept on the
    // portal and how many were pushed through it. Together, so that a look
    // costs one cache line; all valid when Stamp is Current.
    struct cBest {
        double G, Rate;
        std::uint32_t Stamp;
        int Root, Head, Seen;
    };
    static constexpr double UNCLAIMED = 1e300;
    std::vector<cBest> Best;
    std::uint32_t Current = 0;
    // By portal end and the cell of the two beside it whose side a walk runs
    // along (2 * vertex, + 1 for the portal's Above cell): the shortest walk
    // along the line that has passed it in this search.
    struct cWalked {
        double G, Rate;
        std::uint32_t Stamp;
    };
    std::vector<cWalked> Walked;
    // Whether a walk reaching the record's end with g (at the rate g_rate)
    // goes on: false when one as short went by before (it goes on along the
    // same line, the same way, ahead of this one).
    bool Walk_On(std::size_t at, double g, double g_rate) {
        if (Walked.size() <= at) Walked.resize(2 * at + 2, cWalked{0, 0, 0});
        cWalked& w = Walked[at];
        if (w.Stamp == Current && !Shorter(g, g_rate, w.G, w.Rate)) return false;
        w = cWalked{g, g_rate, Current};
        return true;
    }

    void Start(std::size_t vertices) {
        Direct.clear();
        Lane.clear();
        Roots.clear();
        Cones.clear();
        Claimed.clear();
        Pieces.clear();
        Intervals = 0;
        Near_Valid = false;
        if (Best.size() < vertices) Best.resize(vertices, cBest{0, 0, 0, -1, -1, 0});
        if (++Current == 0) {
            for (cBest& b : Best) b.Stamp = 0;
            for (cWalked& w : Walked) w.Stamp = 0;
            Current = 1;
        }
    }
    // The record of vertex v, made valid for this search.
    cBest& Fresh(int v) {
        cBest& b = Best[std::size_t(v)];
        if (b.Stamp != Current) b = cBest{UNCLAIMED, 0, Current, -1, -1, 0};
        return b;
    }
    // Records a root at vertex v reached with g (growing with ε at the rate
    // g_rate); false when an earlier root there was as short (a route
    // bending there again can take the earlier way to it instead). Routes
    // equally long once ε vanishes are told apart by their rates: the
    // perturbed world knows which is shorter. The caller names the root
    // with Set_Root.
    bool Claim(int v, double g, double g_rate) {
        cBest& b = Fresh(v);
        if (b.G != UNCLAIMED && !Shorter(g, g_rate, b.G, b.Rate)) return false;
        b.G = g;
        b.Rate = g_rate;
        return true;
    }
    void Set_Root(int v, int root) { Best[std::size_t(v)].Root = root; }
    // Set_Root, noting the vertex when it was claimed first.
    void Set_Root_Noted(int v, int root) {
        if (Best[std::size_t(v)].Root < 0) Claimed.push_back(v);  // claimed in this search for the first time
        Best[std::size_t(v)].Root = root;
    }
    // The best root at vertex v in the last search, or -1.
    int Root_At(int v) const {
        const cBest& b = Best[std::size_t(v)];
        return b.Stamp == Current ? b.Root : -1;
    }
    bool Outdone(int v, double g, double g_rate) const {
        const cBest& b = Best[std::size_t(v)];
        return b.Stamp == Current && b.G != UNCLAIMED && Shorter(b.G, b.Rate, g, g_rate);
    }
    static bool Shorter(double g, double g_rate, double than, double than_rate) {
        if (g < than - 1e-9 * (1 + than)) return true;
        if (g > than + 1e-9 * (1 + than)) return false;
        return g_rate < than_rate - 1e-9 * (1 + std::abs(than_rate));
    }
};

thread_local cState state;

// The squared distance from p to the nearest point of the cell, once the
// perturbation vanishes.
std::int64_t Cell_Distance2(const cRoute_Cell& c, const cPoint2D& p) {
    const std::int64_t x = p.x, y = p.y;
    const std::int64_t dx = x < c.X_Lo.V ? c.X_Lo.V - x : x > c.X_Hi.V ? x - c.X_Hi.V : 0;
    const std::int64_t dy = y < c.Y_Lo.V ? c.Y_Lo.V - y : y > c.Y_Hi.V ? y - c.Y_Hi.V : 0;
    return dx * dx + dy * dy;
}

int Vertex_Of(int portal, bool hi) { return 2 * portal + (hi ? 1 : 0); }

cSym_Point Vertex_Point(const cRoute_Portal& p, bool hi) {
    return p.Vertical ? cSym_Point{p.At, hi ? p.Hi : p.Lo} : cSym_Point{hi ? p.Hi : p.Lo, p.At};
}

// The route through points (in travel order, the first and the last being
// the route's ends), without points met twice and bends that do not turn:
// corners gets its points after the first (at least one), length its length.
void Finish_Route(const std::vector<cPoint2D>& points, std::vector<cPoint2D>& route, std::vector<cPoint2D>& corners,
                  double& length) {
    route.clear();
    for (const cPoint2D& p : points) {
        if (!route.empty() && route.back() == p) continue;
        while (route.size() >= 2) {
            const cPoint2D& a = route[route.size() - 2];
            const cPoint2D& b = route.back();
            const std::int64_t cross = std::int64_t(b.x - a.x) * (p.y - a.y) - std::int64_t(b.y - a.y) * (p.x - a.x);
            const std::int64_t dot = std::int64_t(b.x - a.x) * (p.x - b.x) + std::int64_t(b.y - a.y) * (p.y - b.y);
            if (cross != 0 || dot < 0) break;
            route.pop_back();
        }
        route.push_back(p);
    }
    length = 0;
    for (std::size_t i = 1; i < route.size(); ++i) length += Distance(route[i - 1], route[i]);
    corners.assign(route.begin() + 1, route.end());
    if (corners.empty()) corners.push_back(points.back());
}

// Finish_Route in one pass, its points given one after another: the route
// from First, its points after the first kept in corners.
class cRoute_Writer {
public:
    cRoute_Writer(const cPoint2D& first, std::vector<cPoint2D>& corners) : First(first), Corners(corners) {
        Corners.clear();
    }
    void Add(const cPoint2D& p) {
        if (p == Back()) return;
        while (!Corners.empty()) {
            const cPoint2D& a = Corners.size() >= 2 ? Corners[Corners.size() - 2] : First;
            const cPoint2D& b = Corners.back();
            const std::int64_t cross = std::int64_t(b.x - a.x) * (p.y - a.y) - std::int64_t(b.y - a.y) * (p.x - a.x);
            const std::int64_t dot = std::int64_t(b.x - a.x) * (p.x - b.x) + std::int64_t(b.y - a.y) * (p.y - b.y);
            if (cross != 0 || dot < 0) break;
            Corners.pop_back();
        }
        Corners.push_back(p);
    }
    // The route's length; corners holds at least its last point.
    double Finish(const cPoint2D& last) {
        double length = 0;
        cPoint2D from = First;
        for (const cPoint2D& p : Corners) {
            length += Distance(from, p);
            from = p;
        }
        if (Corners.empty()) Corners.push_back(last);
        return length;
    }

private:
    const cPoint2D& Back() const { return Corners.empty() ? First : Corners.back(); }
    cPoint2D First;
    std::vector<cPoint2D>& Corners;
};

void Cells_Open_At(const cRoute_Mesh& mesh, const cPoint2D& p, const unsigned char* door_open, std::vector<int>& out) {
    auto closed = [&mesh, door_open](int c) { return !mesh.Passable(c, door_open); };
    mesh.Cells_At(p, false, out);
    out.erase(std::remove_if(out.begin(), out.end(), closed), out.end());
    if (out.empty() && mesh.Half_Size() == 0) {
        mesh.Cells_At(p, true, out);
        out.erase(std::remove_if(out.begin(), out.end(), closed), out.end());
    }
}

// With up to this many distinct goals the estimate is the least of theirs;
// with more, a search is led by the length so far alone.
const std::size_t ESTIMATE_GOALS = 8;
// With more goal copies than this, they are found by cell through a table.
const std::size_t LISTED_GOALS = 8;
// A search that records no ways tests intervals against others on their
// portal (Keep_Piece) only once it has pushed UNCHECKED_SEARCH intervals,
// and then on a portal only after UNCHECKED_PIECES more, keeping up to
// KEPT_PIECES there to test later ones against.
const std::int64_t UNCHECKED_SEARCH = 1 << 16;
const int UNCHECKED_PIECES = 16;
const int KEPT_PIECES = 16;
// A search that records every way tests every interval, against the first
// RECORDED_PIECES kept on its portal: a look at a portal that many roots see
// through (a long opening in a wide level) still costs a bounded time.
const int RECORDED_PIECES = 64;
// Intervals tie where routes run along one line (rows of short walls or
// doors one unit beside another wall: every corner on the line sees every
// gap, and routes through different gaps are equally long). Ties are kept,
// as each may carry a shortest route; but a search that has pushed more
// intervals than TIE_INTERVALS a cell and portal of the mesh (beyond
// UNCHECKED_SEARCH) drops an interval that others reach as short everywhere,
// within the lengths' margin, so that it ends: its answer is then a route
// as short within that margin, and what is reachable stays reachable.
const std::int64_t TIE_INTERVALS = 64;
// Expanding an interval whose ends are corners, the search bends there and
// runs along the corners' line to the nearer end of the portals on that
// side: the nearest WALKED_AT_ONCE each way at once, the others as a walk.
const int WALKED_AT_ONCE = 16;

// The search. MANY: several goals (or none), numbered, each possibly in
// several cells; otherwise one goal. RECORD: what it keeps of the ways it
// found (cRecord).
template <bool MANY, int RECORD>
class cSearch {
public:
    cSearch(const cRoute_Mesh& mesh, const cPoint2D& goal, const unsigned char* door_open)
        : Mesh(mesh), Cells(mesh.Cells()), Portals(mesh.Portals()), Door_Open(door_open), S(state), Goal(goal),
          Goal_Cells(state.Goal_Cells), Goal_Points(state.Goal_Points), Open(state.Open) {
        Open.Clear();
        Goal_Cells.clear();
        Goal_Points.clear();
        S.Goal_Of.clear();
    }

    // Finds the goals' cells: false when the agent fits at none of them.
    bool Locate_Goals(const std::vector<cPoint2D>& goals);
    ROUTE_SEARCH_RESULT Run(const cPoint2D& start, std::vector<cPoint2D>& corners, double& length, int& goal);

private:
    ROUTE_HOT cSym_Point Vertex_Point(int portal, bool hi) const {
        const cRoute_Portal& p = Portals[std::size_t(portal)];
        return p.Vertical ? cSym_Point{p.At, hi ? p.Hi : p.Lo} : cSym_Point{hi ? p.Hi : p.Lo, p.At};
    }
    // The point the line of end e passes through, for an interval on portal.
    ROUTE_HOT cSym_Point Through(int e, int portal, bool hi) const {
        if (e == OWN) return Vertex_Point(portal, hi);
        if (e >= 0) return Vertex_Point(e / 2, e % 2 == 1);
        return S.Roots[std::size_t(-2 - e)].P;
    }
    // The portals on a side of a cell.
    void Side_Range(const cRoute_Cell& c, int side, int& first, int& count) const {
        Mesh.Side_Portals(c, side, first, count);
    }
    // The cell across a portal on the given side.
    static int Across(const cRoute_Portal& p, int side) { return side == TOP || side == RIGHT ? p.Above : p.Below; }
    static bool On_Side_Line(const cRoute_Cell& c, int side, const cSym_Point& q) {
        switch (side) {
        case BOTTOM: return q.Y == c.Y_Lo;
        case TOP: return q.Y == c.Y_Hi;
        case LEFT: return q.X == c.X_Lo;
        default: return q.X == c.X_Hi;
        }
    }
    bool On_Portal_Line(int portal, const cSym_Point& q) const {
        const cRoute_Portal& p = Portals[std::size_t(portal)];
        return p.Vertical ? q.X == p.At : q.Y == p.At;
    }
    bool Passable(int cell) const { return Mesh.Passable(cell, Door_Open); }
    // The first goal copy in the cell, or -1; the next one after copy.
    int First_Goal(int cell) const {
        if constexpr (MANY) {
            if (Goal_Cells.size() > LISTED_GOALS)
                return S.Cell_Goal_Stamp[std::size_t(cell)] == S.Goal_Stamp ? S.Cell_Goal[std::size_t(cell)] : -1;
        }
        return Listed_Goal(cell, 0);
    }
    int Next_Goal(int cell, int copy) const {
        if constexpr (MANY) {
            if (Goal_Cells.size() > LISTED_GOALS) return S.Goal_Next[std::size_t(copy)];
        }
        return Listed_Goal(cell, copy + 1);
    }
    int Listed_Goal(int cell, int from) const {
        for (std::size_t i = std::size_t(from); i < Goal_Cells.size(); ++i)
            if (Goal_Cells[i] == cell) return int(i);
        return -1;
    }
    // Asks for what the expansion of a node will read first (its cell and
    // the records of its portal's ends) ahead of time.
    void Prefetch(const cNode& n) const {
#if defined(__GNUC__)
        __builtin_prefetch(&Cells[std::size_t(n.Cell)]);
        if (n.Kind == INTERVAL) __builtin_prefetch(&S.Best[std::size_t(2 * n.Portal)]);
#else
        (void)n;
#endif
    }
    // Names the root of a vertex just claimed; an exhaustive search notes
    // the vertices it claims.
    void Name_Root(int v, int root) {
        if constexpr (RECORD == RECORD_ALL)
            S.Set_Root_Noted(v, root);
        else
            S.Set_Root(v, root);
    }
    int New_Root(const cSym_Point& p, double g, double g_rate, int parent) {
        S.Roots.push_back(cRoot{p, g, g_rate, parent});
        return int(S.Roots.size()) - 1;
    }
    // A partial route's search: whether the cell is as near to the point it
    // measures from as any entered so far (and the nearest so far then).
    bool Near_Cell(int cell) {
        const std::int64_t d2 = Cell_Distance2(Cells[std::size_t(cell)], S.Near);
        if (d2 < S.Near_Best) S.Near_Best = d2;
        return d2 <= S.Near_Best;
    }
    ROUTE_HOT void Push(cNode& n) {
        Framed = nullptr;
        const unsigned char flags = Mesh.Cell_Flags(n.Cell);
        if ((flags & CELL_DOORS) != 0 && !Passable(n.Cell)) return;
        bool keep = RECORD == RECORD_ALL;  // a recording search enters every cell it may need
        if constexpr (RECORD == RECORD_NEAR) keep = Near_Cell(n.Cell);
        if (n.Kind == INTERVAL && !Keep_Piece(n)) return;
        if (n.Kind == INTERVAL && n.Dir <= TOP && (flags & ~CELL_DOORS) != 0 && First_Goal(n.Cell) < 0) {
            // A cell with no way on but the portal it is entered by, and no
            // goal, leads nowhere.
            if ((flags & (n.Dir == TOP ? CELL_END_FROM_BELOW : CELL_END_FROM_ABOVE)) != 0 && !keep) return;
            // A cell with one way on (a stretch of corridor) is gone through
            // at once, without the open list.
            if ((flags & CELL_CORRIDOR) != 0) {
                Prefetch(n);
                S.Direct.push_back(n);
                return;
            }
        }
        n.F = n.G + Estimate(n);
        if (n.F <= Lane_Limit) {
            // As good as the best on the open list: next in any case.
            Prefetch(n);
            S.Lane.push_back(n);
            return;
        }
        Open.Push(n);
    }
    // An interval whose root lies on its portal's line is reached only along
    // that line: a bend at the portal's nearer end.
    void Push_Interval(cNode& m, const cSym_Point& root) {
        if (On_Portal_Line(m.Portal, root))
            Along_Line(m.Portal, m.Root, m.Cell);
        else
            Push(m);
    }
    // An interval node in the frame of its portal's line, unperturbed: the
    // root along it (Ru) and across it (Rw), the line (W), the interval's
    // extent [L, U].
    struct cFrame {
        double Ru, Rw, W, L, U;
    };
    cFrame Frame(const cNode& n) const;
    // The frame of the interval node being pushed, kept from its test
    // against the others on its portal for its estimate.
    const cFrame& Pushed_Frame(const cNode& n) {
        if (&n != Framed) {
            Framed_Value = Frame(n);
            Framed = &n;
        }
        return Framed_Value;
    }
    double Estimate(const cNode& n) const;
    // f: the frame of an interval node, null for the other kinds.
    double Estimate_To(const cNode& n, const cFrame* f, const cPoint2D& goal) const;
    double Reach_Bound(const cFrame& f) const;
    // An exhaustive search keeps an interval node unless every point of its
    // interval is reached strictly shorter through an interval already on
    // its portal; it then records the interval there.
    bool Keep_Piece(const cNode& n);
    // Whether intervals recorded on the portal reach every point of the
    // frame's [L, U] strictly shorter than its root at length g does.
    bool Dominated(int portal, const cFrame& f, double g);
    void Expand_Interval(const cNode& n);
    void Expand_Corner(const cNode& n);
    // Nodes for every portal of the cell's side seen whole from root r
    // (strictly on the cell's side of them).
    void Whole_Side(int cell, int side, int root, int root_vertex, double g);
    // Bends at the vertex (a portal's end), reached straight from the
    // parent root, to see the cell across that portal whole.
    void Corner(int portal, bool hi, int across, int parent_root);
    // From a root on the portal's line, along the line to the portal's
    // nearer end and there into the cell across.
    void Along_Line(int portal, int root, int across);
    // A walk from a root on a cell's side along the side's line, the step
    // way (-1 or 1 in the order of the side's portals), reaching portal's
    // nearer end; Walk takes it there (Along_Line) and on to the next.
    void Push_Walk(int root, int cell, int side, int portal, int step);
    void Walk(const cNode& n);
    // The goal copy seen from root r.
    void Reach_Goal(int copy, int root, double g, const cSym_Point& r);

    const cRoute_Mesh& Mesh;
    const tBig_Vector<cRoute_Cell>& Cells;
    const tBig_Vector<cRoute_Portal>& Portals;
    const unsigned char* Door_Open;
    cState& S;
    cPoint2D Goal;  // the one goal (not MANY)
    std::vector<int>& Goal_Cells;
    std::vector<cSym_Point>& Goal_Points;
    cOpen_List& Open;
    // The estimate of the node last taken off the open list, which bounds
    // every estimate there from below, with room for rounding.
    double Lane_Limit = -1;
    // Pushed_Frame's: the node framed (null when none of this push) and its frame.
    const cNode* Framed = nullptr;
    cFrame Framed_Value{};
};

template <bool MANY, int RECORD>
bool cSearch<MANY, RECORD>::Locate_Goals(const std::vector<cPoint2D>& goals) {
    std::vector<int>& cells = S.Start_Cells;  // as scratch; the start is found afterwards
    S.Goals = goals;
    S.Estimate_Goals.clear();
    for (std::size_t i = 0; i < goals.size(); ++i) {
        Cells_Open_At(Mesh, goals[i], Door_Open, cells);
        for (int cell : cells) {
            Goal_Cells.push_back(cell);
            Goal_Points.push_back(Point_Inside(Cells[std::size_t(cell)], goals[i]));
            S.Goal_Of.push_back(int(i));
        }
        if (!cells.empty() && S.Estimate_Goals.size() <= ESTIMATE_GOALS &&
            std::find(S.Estimate_Goals.begin(), S.Estimate_Goals.end(), goals[i]) == S.Estimate_Goals.end())
            S.Estimate_Goals.push_back(goals[i]);
    }
    if (S.Estimate_Goals.size() > ESTIMATE_GOALS) S.Estimate_Goals.clear();
    if (Goal_Cells.size() > LISTED_GOALS) {
        if (S.Cell_Goal.size() < Cells.size()) {
            S.Cell_Goal.resize(Cells.size());
            S.Cell_Goal_Stamp.resize(Cells.size(), 0);
        }
        if (++S.Goal_Stamp == 0) {
            std::fill(S.Cell_Goal_Stamp.begin(), S.Cell_Goal_Stamp.end(), 0);
            S.Goal_Stamp = 1;
        }
        S.Goal_Next.assign(Goal_Cells.size(), -1);
        for (std::size_t i = Goal_Cells.size(); i-- > 0;) {
            const std::size_t c = std::size_t(Goal_Cells[i]);
            S.Goal_Next[i] = S.Cell_Goal_Stamp[c] == S.Goal_Stamp ? S.Cell_Goal[c] : -1;
            S.Cell_Goal[c] = int(i);
            S.Cell_Goal_Stamp[c] = S.Goal_Stamp;
        }
    }
    return !Goal_Cells.empty();
}

template <bool MANY, int RECORD>
double cSearch<MANY, RECORD>::Estimate(const cNode& n) const {
    if (n.Kind == GOAL) return 0;
    if (n.Kind == WALK) {
        // From the portal end the walk reaches.
        const cSym_Point p = Vertex_Point(n.Portal, n.L < 0);
        if constexpr (!MANY) {
            return Dist(double(p.X.V), double(p.Y.V), double(Goal.x), double(Goal.y));
        } else {
            double least = S.Estimate_Goals.empty() ? 0 : std::numeric_limits<double>::infinity();
            for (const cPoint2D& t : S.Estimate_Goals)
                least = std::min(least, Dist(double(p.X.V), double(p.Y.V), double(t.x), double(t.y)));
            return least;
        }
    }
    cFrame frame;
    const cFrame* f = nullptr;
    if (n.Kind == INTERVAL) {
        if (&n != Framed) frame = Frame(n);
        f = &n == Framed ? &Framed_Value : &frame;
    }
    if constexpr (!MANY) {
        return Estimate_To(n, f, Goal);
    } else {
        if (S.Estimate_Goals.empty()) return f != nullptr ? Reach_Bound(*f) : 0;
        double least = Estimate_To(n, f, S.Estimate_Goals[0]);
        for (std::size_t i = 1; i < S.Estimate_Goals.size(); ++i)
            least = std::min(least, Estimate_To(n, f, S.Estimate_Goals[i]));
        return least;
    }
}

template <bool MANY, int RECORD>
double cSearch<MANY, RECORD>::Estimate_To(const cNode& n, const cFrame* f, const cPoint2D& goal) const {
    if (f == nullptr) {
        const cSym_Point& r = S.Roots[std::size_t(n.Root)].P;
        return Dist(double(r.X.V), double(r.Y.V), double(goal.x), double(goal.y));
    }
    // In coordinates along the portal (u) and across it (w).
    const bool v = Portals[std::size_t(n.Portal)].Vertical;
    const double ru = f->Ru, rw = f->Rw, w = f->W, l = f->L, r = f->U;
    const double tu = double(v ? goal.y : goal.x);
    double tw = double(v ? goal.x : goal.y);
    if (rw == w) return Dist(ru, rw, tu, tw);
    // The goal on the root's side of the line is mirrored across it: the
    // route must cross the interval and come back.
    if ((tw - w) * (rw - w) > 0) tw = 2 * w - tw;
    const double cross = ru + (tu - ru) * ((w - rw) / (tw - rw));
    if (tw == w || (cross >= l && cross <= r)) return Dist(ru, rw, tu, tw);
    const double u = cross < l ? l : r;
    return Dist(ru, rw, u, w) + Dist(u, w, tu, tw);
}

template <bool MANY, int RECORD>
typename cSearch<MANY, RECORD>::cFrame cSearch<MANY, RECORD>::Frame(const cNode& n) const {
    const cRoot& root = S.Roots[std::size_t(n.Root)];
    const cRoute_Portal& p = Portals[std::size_t(n.Portal)];
    const bool v = p.Vertical;
    cFrame f;
    f.Ru = double(v ? root.P.Y.V : root.P.X.V);
    f.Rw = double(v ? root.P.X.V : root.P.Y.V);
    f.W = double(p.At.V);
    const double lo = double(p.Lo.V), hi = double(p.Hi.V);
    auto limit = [&](int e, bool high) {
        // The line's direction once the perturbation vanishes: that of the
        // values, or of the ε parts where the two points tend to one.
        const cSym_Point d = Through(e, n.Portal, high);
        const cSym& du = v ? d.Y : d.X;
        const cSym& dw = v ? d.X : d.Y;
        const cSym& ou = v ? root.P.Y : root.P.X;
        const cSym& ow = v ? root.P.X : root.P.Y;
        double eu = double(du.V) - double(ou.V), ew = double(dw.V) - double(ow.V);
        if (eu == 0 && ew == 0) eu = double(du.K - ou.K), ew = double(dw.K - ow.K);
        return Limit_Along(f.Ru, f.Rw, eu, ew, f.W, lo, hi);
    };
    f.L = n.L == OWN ? lo : limit(n.L, false);
    f.U = std::max(f.L, n.R == OWN ? hi : limit(n.R, true));
    return f;
}

// Without a goal to head for: the distance from the root to the interval,
// which no route through the node is shorter than, and which never falls
// from a node to the nodes it makes (they lie beyond its interval, seen from
// its root, or beyond a corner on it).
template <bool MANY, int RECORD>
double cSearch<MANY, RECORD>::Reach_Bound(const cFrame& f) const {
    return Dist(f.Ru, f.Rw, std::min(std::max(f.Ru, f.L), f.U), f.W);
}

// A route through the node passes a point x of its interval. When another
// interval on the portal reaches x strictly shorter, the route to x through
// it, then on as the node's route goes, is a valid route strictly shorter:
// no shortest route passes the node at x. When that holds at every x, the
// node carries no shortest route and is dropped (ties are kept: the margin
// is that of the roots' lengths). Along the line, the difference of the
// distances from two roots on one side of it (a root on the other side is
// mirrored, which keeps its distances to the line's points) has one
// extremum at most, where the line through the two roots crosses it, so the
// largest difference over a stretch is at its ends or there.
template <bool MANY, int RECORD>
bool cSearch<MANY, RECORD>::Keep_Piece(const cNode& n) {
    // A search that records no ways tests only once it has grown large, and
    // then only where intervals crowd on a portal (the first few go through
    // unchecked); it keeps a few of them to test against, so that a look
    // costs a bounded time. Dropping fewer nodes than it might never changes
    // its answer.
    ++S.Intervals;
    if (RECORD != RECORD_ALL && S.Intervals <= UNCHECKED_SEARCH) return true;
    const std::size_t portal = std::size_t(n.Portal);
    cState::cBest& at = S.Fresh(Vertex_Of(int(portal), false));
    ++at.Seen;
    if (RECORD != RECORD_ALL && at.Seen <= UNCHECKED_PIECES) return true;
    const cFrame& f = Pushed_Frame(n);
    if (Dominated(int(portal), f, n.G)) return false;
    if (at.Seen > (RECORD == RECORD_ALL ? RECORDED_PIECES : UNCHECKED_PIECES + KEPT_PIECES)) return true;
    S.Pieces.push_back(cState::cPiece{f.Ru, f.Rw, n.G, f.L, f.U, at.Head});
    at.Head = int(S.Pieces.size()) - 1;
    return true;
}

template <bool MANY, int RECORD>
bool cSearch<MANY, RECORD>::Dominated(int portal, const cFrame& f, double g) {
    const double ru = f.Ru, rw = f.Rw, w = f.W, l = f.L, u = f.U;
    const double margin = 1e-9 * (1 + g);
    const double dr = std::abs(rw - w);
    std::vector<std::pair<double, double>>& covered = S.Covered;
    covered.clear();
    for (int k = S.Best[std::size_t(Vertex_Of(portal, false))].Head; k >= 0; k = S.Pieces[std::size_t(k)].Next) {
        const cState::cPiece& p = S.Pieces[std::size_t(k)];
        const double a = std::max(l, p.A), b = std::min(u, p.B);
        if (a > b) continue;
        const double dq = std::abs(p.Rw - w);
        auto gain = [&](double x) {  // how much shorter the piece's root reaches x
            return g + Dist(ru, dr, x, 0) - p.G - Dist(p.Ru, dq, x, 0);
        };
        double least = std::min(gain(a), gain(b));
        if (dq != dr) {
            const double x0 = (p.Ru * dr - ru * dq) / (dr - dq);
            if (a < x0 && x0 < b) least = std::min(least, gain(x0));
        }
        if (least > (S.Intervals > S.Tie_Limit ? -margin : margin)) covered.push_back({a, b});
    }
    if (covered.empty()) return false;
    std::sort(covered.begin(), covered.end());
    if (covered[0].first > l) return false;
    double reach = l;
    for (const std::pair<double, double>& c : covered) {
        if (c.first > reach) break;
        reach = std::max(reach, c.second);
    }
    return reach >= u;
}

template <bool MANY, int RECORD>
void cSearch<MANY, RECORD>::Reach_Goal(int copy, int root, double g, const cSym_Point& r) {
    cNode n{};
    n.Kind = GOAL;
    n.G = g + Limit_Distance(r, Goal_Points[std::size_t(copy)]);
    n.Root = root;
    n.Root_Vertex = -1;
    n.Portal = -1;
    n.Cell = Goal_Cells[std::size_t(copy)];
    n.L = copy;
    Push(n);
}

template <bool MANY, int RECORD>
void cSearch<MANY, RECORD>::Whole_Side(int cell, int side, int root, int root_vertex, double g) {
    const cRoute_Cell& c = Cells[std::size_t(cell)];
    int first, count;
    Side_Range(c, side, first, count);
    for (int i = first; i < first + count; ++i) {
        cNode n{};
        n.Kind = INTERVAL;
        n.G = g;
        n.Root = root;
        n.Root_Vertex = root_vertex;
        n.Dir = (unsigned char)side;
        n.Portal = i;
        n.Cell = Across(Portals[std::size_t(i)], side);
        n.L = OWN;
        n.R = OWN;
        Push(n);
    }
}

template <bool MANY, int RECORD>
void cSearch<MANY, RECORD>::Corner(int portal, bool hi, int across, int parent_root) {
    if (!Passable(across)) return;
    const int v = Vertex_Of(portal, hi);
    const cSym_Point at = Vertex_Point(portal, hi);
    const cRoot& parent = S.Roots[std::size_t(parent_root)];
    const double g = parent.G + Limit_Distance(parent.P, at);
    const double g_rate = parent.G_Rate + Epsilon_Rate(parent.P, at);
    if (!S.Claim(v, g, g_rate)) return;
    cNode n{};
    n.Kind = CORNER;
    n.G = g;
    n.Root = New_Root(at, g, g_rate, parent_root);
    Name_Root(v, n.Root);
    n.Root_Vertex = v;
    n.Portal = portal;
    n.Cell = across;
    Push(n);
}

template <bool MANY, int RECORD>
void cSearch<MANY, RECORD>::Along_Line(int portal, int root, int across) {
    const cRoute_Portal& p = Portals[std::size_t(portal)];
    const cSym_Point root_point = S.Roots[std::size_t(root)].P;
    const cSym& along = p.Vertical ? root_point.Y : root_point.X;
    bool hi;
    if (along <= p.Lo)
        hi = false;
    else if (along >= p.Hi)
        hi = true;
    else
        return;  // on the portal itself: the cells on both sides see the root
    const cSym_Point end = Vertex_Point(portal, hi);
    const bool same = end.X == root_point.X && end.Y == root_point.Y;
    // Going on along the line past a point where nothing turns gains nothing.
    if (!same && !(hi ? p.Hi_Turn : p.Lo_Turn)) return;
    Corner(portal, hi, across, root);
}

template <bool MANY, int RECORD>
void cSearch<MANY, RECORD>::Expand_Corner(const cNode& n) {
    const cRoot root = S.Roots[std::size_t(n.Root)];
    const cRoute_Cell& c = Cells[std::size_t(n.Cell)];
    for (int copy = First_Goal(n.Cell); copy >= 0; copy = Next_Goal(n.Cell, copy)) Reach_Goal(copy, n.Root, n.G, root.P);
    // The side the route came in by, when it bent at a portal's end.
    int came = -1;
    if (n.Portal >= 0) {
        const cRoute_Portal& p = Portals[std::size_t(n.Portal)];
        came = p.Vertical ? (p.At == c.X_Lo ? LEFT : RIGHT) : (p.At == c.Y_Lo ? BOTTOM : TOP);
    }
    for (int side = BOTTOM; side <= RIGHT; ++side) {
        if (!On_Side_Line(c, side, root.P)) {
            // A side away from the root is seen whole.
            Whole_Side(n.Cell, side, n.Root, n.Root_Vertex, n.G);
            continue;
        }
        // Along the line the route came by it goes on past open stretches,
        // where a shorter route cuts across; a corner of the cell also lies
        // on the other side's line, along which it may reach that side's
        // portals.
        if (side == came) continue;
        int first, count;
        Side_Range(c, side, first, count);
        for (int i = first; i < first + count; ++i)
            Along_Line(i, n.Root, Across(Portals[std::size_t(i)], side));
    }
}

template <bool MANY, int RECORD>
void cSearch<MANY, RECORD>::Expand_Interval(const cNode& n) {
    if constexpr (RECORD == RECORD_ALL) {
        S.Cones.push_back(cCell_Cone{n.Cell, cRoute_Cone{n.Root, n.L, n.R, 4 * n.Portal + n.Dir}});
    } else if constexpr (RECORD == RECORD_NEAR) {
        if (Cell_Distance2(Cells[std::size_t(n.Cell)], S.Near) <= S.Near_Best)
            S.Cones.push_back(cCell_Cone{n.Cell, cRoute_Cone{n.Root, n.L, n.R, 4 * n.Portal + n.Dir}});
    }
    const cRoot root = S.Roots[std::size_t(n.Root)];
    const cSym_Point& r = root.P;
    const cRoute_Portal& entry = Portals[std::size_t(n.Portal)];
    const cRoute_Cell& c = Cells[std::size_t(n.Cell)];
    const int dir = n.Dir;
    const int s = Lo_Sign(dir);
    const cSym_Point through_l = Through(n.L, n.Portal, false), through_r = Through(n.R, n.Portal, true);
    // The cone's sides beyond: the lines through the interval's ends.
    const int cone_l = n.L == OWN ? Vertex_Of(n.Portal, false) : n.L;
    const int cone_r = n.R == OWN ? Vertex_Of(n.Portal, true) : n.R;
    const bool turn_l = n.L == OWN && entry.Lo_Turn;
    const bool turn_r = n.R == OWN && entry.Hi_Turn;
    // A side through a bend of the route runs from the root away from that
    // bend (which lies behind the root); the others run from the root
    // through their point.
    const int s_l = cone_l < OWN ? -s : s, s_r = cone_r < OWN ? -s : s;

    // Bends at the interval's ends, when they are obstacle corners.
    int root_l = -1, root_r = -1;
    double g_l = 0, g_r = 0;
    if (turn_l) {
        const cSym_Point a = Vertex_Point(n.Portal, false);
        g_l = n.G + Limit_Distance(r, a);
        const double rate = root.G_Rate + Epsilon_Rate(r, a);
        if (S.Claim(Vertex_Of(n.Portal, false), g_l, rate)) {
            root_l = New_Root(a, g_l, rate, n.Root);
            Name_Root(Vertex_Of(n.Portal, false), root_l);
        }
    }
    if (turn_r) {
        const cSym_Point b = Vertex_Point(n.Portal, true);
        g_r = n.G + Limit_Distance(r, b);
        const double rate = root.G_Rate + Epsilon_Rate(r, b);
        if (S.Claim(Vertex_Of(n.Portal, true), g_r, rate)) {
            root_r = New_Root(b, g_r, rate, n.Root);
            Name_Root(Vertex_Of(n.Portal, true), root_r);
        }
    }

    // The goals, seen through the interval or from a corner at its ends.
    for (int copy = First_Goal(n.Cell); copy >= 0; copy = Next_Goal(n.Cell, copy)) {
        const cSym_Point& t = Goal_Points[std::size_t(copy)];
        const int beyond_l = s_l * Orientation(r, through_l, t);   // > 0: beyond the cone on the Lo end's side
        const int beyond_r = -s_r * Orientation(r, through_r, t);  // > 0: beyond it on the Hi end's side
        if (beyond_l <= 0 && beyond_r <= 0)
            Reach_Goal(copy, n.Root, n.G, r);
        else if (beyond_l > 0 && root_l >= 0)
            Reach_Goal(copy, root_l, g_l, S.Roots[std::size_t(root_l)].P);
        else if (beyond_r > 0 && root_r >= 0)
            Reach_Goal(copy, root_r, g_r, S.Roots[std::size_t(root_r)].P);
    }

    // The other sides: the far side, the side next to the interval's Lo end
    // and the side next to its Hi end. Walking the cell's outline from the
    // Lo end to the Hi end, a portal's first end is e1. Inside the cone the
    // root sees through; beyond it, the corners at the interval's ends do.
    const bool crosswise = dir == LEFT || dir == RIGHT;
    const int sides[3] = {dir, crosswise ? BOTTOM : LEFT, crosswise ? TOP : RIGHT};
    const bool e1_lo[3] = {true, Increasing(dir), !Increasing(dir)};
    const cSym_Point d_l = Through(cone_l, 0, false), d_r = Through(cone_r, 0, true);
    for (int k = 0; k < 3; ++k) {
        const int side = sides[k];
        int first, count;
        Side_Range(c, side, first, count);
        for (int i = first; i < first + count; ++i) {
            const cRoute_Portal& p = Portals[std::size_t(i)];
            const int across = Across(p, side);
            if (!Passable(across)) continue;
            const cSym_Point e1 = Vertex_Point(i, !e1_lo[k]), e2 = Vertex_Point(i, e1_lo[k]);
            const bool e1_in_l = s_l * Orientation(r, d_l, e1) <= 0;  // not beyond the cone's Lo side
            const bool e2_in_l = s_l * Orientation(r, d_l, e2) <= 0;
            const bool e1_in_r = s_r * Orientation(r, d_r, e1) >= 0;  // not beyond its Hi side
            const bool e2_in_r = s_r * Orientation(r, d_r, e2) >= 0;
            cNode m{};
            m.Kind = INTERVAL;
            m.Dir = (unsigned char)side;
            m.Portal = i;
            m.Cell = across;
            // The ends met first and second along the outline, as the
            // portal's Lo and Hi ends.
            auto set_ends = [&m, &e1_lo, k](int first_end, int second_end) {
                m.L = e1_lo[k] ? first_end : second_end;
                m.R = e1_lo[k] ? second_end : first_end;
            };
            if (e2_in_l && e1_in_r) {
                m.G = n.G;
                m.Root = n.Root;
                m.Root_Vertex = n.Root_Vertex;
                set_ends(e1_in_l ? OWN : cone_l, e2_in_r ? OWN : cone_r);
                Push_Interval(m, r);
            }
            if (root_l >= 0 && !e1_in_l) {
                // The part beyond the cone's Lo side, seen from the corner
                // there; the line from the old root through the corner bounds
                // it.
                m.G = g_l;
                m.Root = root_l;
                m.Root_Vertex = Vertex_Of(n.Portal, false);
                set_ends(OWN, e2_in_l ? Root_End(n.Root) : OWN);
                Push_Interval(m, S.Roots[std::size_t(root_l)].P);
            }
            if (root_r >= 0 && !e2_in_r) {
                m.G = g_r;
                m.Root = root_r;
                m.Root_Vertex = Vertex_Of(n.Portal, true);
                set_ends(e1_in_r ? Root_End(n.Root) : OWN, OWN);
                Push_Interval(m, S.Roots[std::size_t(root_r)].P);
            }
        }
    }

    // The near side beyond the corners lies along the corners' line: the
    // route runs along it and bends at the portals' nearer ends, at once for
    // the WALKED_AT_ONCE nearest on each side, and beyond them one after
    // another as a walk taken from the open list in its turn.
    if (root_l >= 0 || root_r >= 0) {
        const int near = dir ^ 1;
        int first, count;
        Side_Range(c, near, first, count);
        const int last = first + count - 1;
        const int lo = std::max(first, n.Portal - WALKED_AT_ONCE), hi = std::min(last, n.Portal + WALKED_AT_ONCE);
        if (root_l >= 0) {
            for (int i = lo; i < n.Portal; ++i) Along_Line(i, root_l, Across(Portals[std::size_t(i)], near));
            if (lo > first) Push_Walk(root_l, n.Cell, near, lo - 1, -1);
        }
        if (root_r >= 0) {
            for (int i = n.Portal + 1; i <= hi; ++i) Along_Line(i, root_r, Across(Portals[std::size_t(i)], near));
            if (hi < last) Push_Walk(root_r, n.Cell, near, hi + 1, 1);
        }
    }
}

// Walks along a line beyond the nearest portals are taken from the open list
// in their turn, not all at once when they start: on a row of many gaps,
// the walks from the corners of the gaps reached later are shorter, and
// each would claim the ends of every gap ahead again (the square of the
// gaps). A walk goes on only where no walk as short along the same side,
// the same way, went by before: that one's lengths ahead are its own plus
// the same distances along the line.
template <bool MANY, int RECORD>
void cSearch<MANY, RECORD>::Push_Walk(int root, int cell, int side, int portal, int step) {
    const cRoot& r = S.Roots[std::size_t(root)];
    cNode w{};
    w.Kind = WALK;
    w.Root = root;
    w.Root_Vertex = -1;
    w.Dir = (unsigned char)side;
    w.Portal = portal;
    w.Cell = cell;
    w.L = step;
    w.G = r.G + Limit_Distance(r.P, Vertex_Point(portal, step < 0));
    Push(w);
}

template <bool MANY, int RECORD>
void cSearch<MANY, RECORD>::Walk(const cNode& n) {
    const cRoot& r = S.Roots[std::size_t(n.Root)];
    const cRoute_Portal& p = Portals[std::size_t(n.Portal)];
    const int v = Vertex_Of(n.Portal, n.L < 0);
    const double rate = r.G_Rate + Epsilon_Rate(r.P, Vertex_Point(n.Portal, n.L < 0));
    if (!S.Walk_On(2 * std::size_t(v) + (p.Above == n.Cell ? 1 : 0), n.G, rate)) return;
    Along_Line(n.Portal, n.Root, Across(p, n.Dir));
    int first, count;
    Side_Range(Cells[std::size_t(n.Cell)], n.Dir, first, count);
    const int next = n.Portal + n.L;
    if (next >= first && next < first + count) Push_Walk(n.Root, n.Cell, n.Dir, next, n.L);
}

template <bool MANY, int RECORD>
ROUTE_SEARCH_RESULT cSearch<MANY, RECORD>::Run(const cPoint2D& start, std::vector<cPoint2D>& corners, double& length,
                                               int& goal) {
    std::vector<int>& start_cells = S.Start_Cells;
    Cells_Open_At(Mesh, start, Door_Open, start_cells);
    if (start_cells.empty()) return SEARCH_START_BLOCKED;
    if constexpr (!MANY) {
        Cells_Open_At(Mesh, Goal, Door_Open, Goal_Cells);
        if (Goal_Cells.empty()) return SEARCH_GOAL_BLOCKED;
        for (int cell : Goal_Cells) Goal_Points.push_back(Point_Inside(Cells[std::size_t(cell)], Goal));
    }

    const int vertices = 2 * int(Portals.size());
    S.Start(std::size_t(vertices) + start_cells.size());
    S.Tie_Limit = UNCHECKED_SEARCH + TIE_INTERVALS * std::int64_t(Cells.size() + Portals.size());
    if constexpr (RECORD == RECORD_NEAR) {
        S.Near_Best = std::numeric_limits<std::int64_t>::max();
        S.Near_Start = start;
        S.Near_Valid = true;
    }
    for (std::size_t i = 0; i < start_cells.size(); ++i) {
        const int cell = start_cells[i];
        cNode n{};
        n.Kind = CORNER;
        n.G = 0;
        n.Root = New_Root(Point_Inside(Cells[std::size_t(cell)], start), 0, 0, -1);
        n.Root_Vertex = vertices + int(i);
        S.Claim(n.Root_Vertex, 0, 0);
        S.Set_Root(n.Root_Vertex, n.Root);
        n.Portal = -1;
        n.Cell = cell;
        Push(n);
    }

    for (;;) {
        while (!S.Direct.empty()) {
            const cNode d = S.Direct.back();
            S.Direct.pop_back();
            if (S.Outdone(d.Root_Vertex, d.G, S.Roots[std::size_t(d.Root)].G_Rate)) continue;
            Expand_Interval(d);
        }
        cNode n;
        if (!S.Lane.empty()) {
            n = S.Lane.back();
            S.Lane.pop_back();
        } else {
            if (Open.Empty()) break;
            n = Open.Pop();
            Lane_Limit = n.F + 1e-13 * (1 + n.F);
        }
        if (n.Kind == GOAL) {
            // The bends back to the start, unperturbed; points met twice and
            // bends that do not turn are dropped.
            std::vector<cPoint2D>& points = S.Points;
            if constexpr (MANY) {
                goal = S.Goal_Of[std::size_t(n.L)];
                points.assign(1, S.Goals[std::size_t(goal)]);
            } else {
                goal = 0;
                points.assign(1, Goal);
            }
            for (int k = n.Root; k >= 0; k = S.Roots[std::size_t(k)].Parent) {
                const cSym_Point& p = S.Roots[std::size_t(k)].P;
                points.push_back(cPoint2D(int(p.X.V), int(p.Y.V)));
            }
            points.back() = start;
            std::reverse(points.begin(), points.end());
            Finish_Route(points, S.Route, corners, length);
            return SEARCH_FOUND;
        }
        if (n.Root_Vertex >= 0 && S.Outdone(n.Root_Vertex, n.G, S.Roots[std::size_t(n.Root)].G_Rate)) continue;  // a shorter way to its root came since
        if (n.Kind == CORNER)
            Expand_Corner(n);
        else if (n.Kind == WALK)
            Walk(n);
        else
            Expand_Interval(n);
    }
    return SEARCH_NO_ROUTE;
}

// ------------------------------------------------------------------ ways

// The best way from a search's origin to a point of a cell, over the ways a
// search kept into the cell: the origin itself when it lies in the cell,
// the cones through which a root sees the point, and the roots at the ends
// of the cell's portals (which see the whole cell). cRoot_Type is the
// search's root record or cRoute_Way_Root.
inline cSym_Point Point_Of(const cRoot& r) { return r.P; }
inline cSym_Point Point_Of(const cRoute_Way_Root& r) { return r.P(); }

template <class cRoot_Type>
class cWay_Finder {
public:
    cWay_Finder(const cRoute_Mesh& mesh, const std::vector<cRoot_Type>& roots) : Mesh(mesh), Roots(roots) {}

    // The point to measure to, in the cell it is looked for in.
    void Aim(int cell, const cPoint2D& p) {
        Cell = cell;
        T = Point_Inside(Mesh.Cells()[std::size_t(cell)], p);
    }
    void Origin(int root) { Consider(root); }
    void Cone(const cRoute_Cone& c) {
        const cRoot_Type& root = Roots[std::size_t(c.Root)];
        const int portal = c.Portal(), s = Lo_Sign(c.Dir());
        const int cone_l = c.L == OWN ? Vertex_Of(portal, false) : c.L;
        const int cone_r = c.R == OWN ? Vertex_Of(portal, true) : c.R;
        const int s_l = cone_l < OWN ? -s : s, s_r = cone_r < OWN ? -s : s;
        const cSym_Point r = Point_Of(root);
        if (s_l * Orientation(r, Through(c.L, portal, false), T) > 0) return;
        if (-s_r * Orientation(r, Through(c.R, portal, true), T) > 0) return;
        Consider(c.Root);
    }
    // The roots at the ends of the cell's portals, root_at(vertex) giving
    // the root there or -1.
    template <class cRoot_At>
    void Vertices(cRoot_At root_at) {
        const cRoute_Cell& c = Mesh.Cells()[std::size_t(Cell)];
        auto portals = [&](int first, int count) {
            for (int i = first; i < first + count; ++i)
                for (int hi = 0; hi < 2; ++hi) {
                    const int root = root_at(Vertex_Of(i, hi != 0));
                    if (root >= 0) Consider(root);
                }
        };
        portals(c.First_Bottom, c.N_Bottom);
        portals(c.First_Top, c.N_Top);
        if (c.Sides >= 0) {
            const cRoute_Sides& s = Mesh.Side_Links(c);
            portals(s.First_Left, s.N_Left);
            portals(s.First_Right, s.N_Right);
        }
    }
    bool Found() const { return Best_Root >= 0; }
    // The route from the point aimed at back to the origin, unperturbed.
    double Route_Back(const cPoint2D& p, const cPoint2D& origin, std::vector<cPoint2D>& corners) const {
        cRoute_Writer writer(p, corners);
        for (int k = Best_Root; k >= 0; k = Roots[std::size_t(k)].Parent) {
            const cRoot_Type& r = Roots[std::size_t(k)];
            if (r.Parent < 0) break;  // the origin's copy: the origin itself ends the route
            const cSym_Point q = Point_Of(r);
            writer.Add(cPoint2D(int(q.X.V), int(q.Y.V)));
        }
        writer.Add(origin);
        return writer.Finish(origin);
    }
    // The route's points from the point aimed at back to the origin,
    // unperturbed, the origin's own point last.
    void Points_Back(const cPoint2D& p, const cPoint2D& origin, std::vector<cPoint2D>& points) const {
        points.assign(1, p);
        for (int k = Best_Root; k >= 0; k = Roots[std::size_t(k)].Parent) {
            const cSym_Point q = Point_Of(Roots[std::size_t(k)]);
            points.push_back(cPoint2D(int(q.X.V), int(q.Y.V)));
        }
        points.back() = origin;
    }

    double Best = 0;
    int Best_Root = -1;

private:
    void Consider(int root) {
        const cRoot_Type& r = Roots[std::size_t(root)];
        const double length = r.G + Limit_Distance(Point_Of(r), T);
        if (Best_Root < 0 || length < Best) {
            Best = length;
            Best_Root = root;
        }
    }
    cSym_Point Through(int e, int portal, bool hi) const {
        if (e == OWN) return Vertex_Point(Mesh.Portals()[std::size_t(portal)], hi);
        if (e >= 0) return Vertex_Point(Mesh.Portals()[std::size_t(e / 2)], e % 2 == 1);
        return Point_Of(Roots[std::size_t(-2 - e)]);
    }

    const cRoute_Mesh& Mesh;
    const std::vector<cRoot_Type>& Roots;
    int Cell = 0;
    cSym_Point T;
};

}  // namespace

ROUTE_SEARCH_RESULT Search_Route(const cRoute_Mesh& mesh, const cPoint2D& start, const cPoint2D& goal,
                                 const unsigned char* door_open, std::vector<cPoint2D>& corners, double& length) {
    corners.clear();
    length = 0;
    int reached = 0;
    cSearch<false, RECORD_NONE> search(mesh, goal, door_open);
    return search.Run(start, corners, length, reached);
}

void Route_Cells_At(const cRoute_Mesh& mesh, const cPoint2D& p, const unsigned char* door_open,
                    std::vector<int>& cells) {
    Cells_Open_At(mesh, p, door_open, cells);
}

ROUTE_SEARCH_RESULT Search_Route_Any(const cRoute_Mesh& mesh, const cPoint2D& start,
                                     const std::vector<cPoint2D>& goals, const unsigned char* door_open,
                                     std::vector<cPoint2D>& corners, double& length, int& goal) {
    corners.clear();
    length = 0;
    goal = -1;
    cSearch<true, RECORD_NONE> search(mesh, cPoint2D(), door_open);
    std::vector<int> start_cells;
    Cells_Open_At(mesh, start, door_open, start_cells);
    if (start_cells.empty()) return SEARCH_START_BLOCKED;
    if (!search.Locate_Goals(goals)) return SEARCH_GOAL_BLOCKED;
    return search.Run(start, corners, length, goal);
}

ROUTE_SEARCH_RESULT Search_Route_Near(const cRoute_Mesh& mesh, const cPoint2D& start,
                                      const std::vector<cPoint2D>& goals, const cPoint2D& near,
                                      const unsigned char* door_open, std::vector<cPoint2D>& corners,
                                      double& length, int& goal) {
    corners.clear();
    length = 0;
    goal = -1;
    state.Near_Valid = false;
    state.Near = near;
    cSearch<true, RECORD_NEAR> search(mesh, cPoint2D(), door_open);
    search.Locate_Goals(goals);
    return search.Run(start, corners, length, goal);
}

bool Near_Route(const cRoute_Mesh& mesh, const cPoint2D& p, const unsigned char* door_open,
                std::vector<cPoint2D>& corners, double& length) {
    corners.clear();
    length = 0;
    cState& s = state;
    if (!s.Near_Valid) return false;
    std::vector<int> cells;
    Cells_Open_At(mesh, p, door_open, cells);
    // The search kept every cone into a cell as near as the nearest cell it
    // entered (which it was at every moment before); of the farther ones,
    // only some. A nearer cell it never entered: no way leads into it.
    cWay_Finder<cRoot> finder(mesh, s.Roots);
    for (int cell : cells) {
        const std::int64_t d2 = Cell_Distance2(mesh.Cells()[std::size_t(cell)], s.Near);
        if (d2 > s.Near_Best) return false;
        if (d2 < s.Near_Best) continue;
        finder.Aim(cell, p);
        for (std::size_t i = 0; i < s.Start_Cells.size(); ++i)
            if (s.Start_Cells[i] == cell) finder.Origin(int(i));
        for (const cCell_Cone& c : s.Cones)
            if (c.Cell == cell) finder.Cone(c.Cone);
        finder.Vertices([&s](int v) { return s.Root_At(v); });
    }
    if (!finder.Found()) return false;
    finder.Points_Back(p, s.Near_Start, s.Points);
    std::reverse(s.Points.begin(), s.Points.end());
    Finish_Route(s.Points, s.Route, corners, length);
    return true;
}

const std::vector<int>& Near_Start_Cells() { return state.Start_Cells; }

void cRoute_Ways::Clear() {
    Origin_Cells.clear();
    Roots.clear();
    Cell_First.clear();
    Cone_Bytes.clear();
    Vertex_Root.clear();
}

std::size_t cRoute_Ways::Footprint() const {
    return Origin_Cells.capacity() * sizeof(int) + Roots.capacity() * sizeof(cRoute_Way_Root) +
           Cell_First.capacity() * sizeof(std::uint32_t) + Cone_Bytes.capacity() + Vertex_Root.capacity() * sizeof(int);
}

namespace {

// A field keeps its cones packed, cell by cell, since they are most of its
// bytes and each is read only when a start lies in its cell. The cell and
// the side the cone enters by tell the direction, and the side's portals
// are consecutive, so the portal is its place among them; the root is near
// the previous cone's in the cell (roots are numbered depth first), and an
// interval's end, when it is not the portal's own, is a vertex near the
// portal's or a root near the cone's. One byte says the side and the kinds
// of the two ends; the numbers follow as differences, zigzagged (small
// magnitudes of either sign give small numbers), seven bits a byte.
enum : unsigned { END_OWN, END_VERTEX, END_ROOT };

void Put_Number(std::vector<unsigned char>& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.push_back((unsigned char)(v | 0x80));
        v >>= 7;
    }
    out.push_back((unsigned char)v);
}
void Put_Difference(std::vector<unsigned char>& out, std::int64_t d) {
    Put_Number(out, d < 0 ? (std::uint64_t(-(d + 1)) << 1) | 1 : std::uint64_t(d) << 1);
}
std::uint64_t Get_Number(const unsigned char*& in) {
    std::uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = *in++;
        v |= std::uint64_t(b & 0x7f) << shift;
        if ((b & 0x80) == 0) return v;
    }
}
std::int64_t Get_Difference(const unsigned char*& in) {
    const std::uint64_t z = Get_Number(in);
    return (z & 1) != 0 ? -std::int64_t(z >> 1) - 1 : std::int64_t(z >> 1);
}

void Put_Cone(std::vector<unsigned char>& out, const cRoute_Mesh& mesh, const cRoute_Cell& cell, const cRoute_Cone& c,
              int& previous_root) {
    auto kind = [](int e) { return e == OWN ? END_OWN : e >= 0 ? END_VERTEX : END_ROOT; };
    const int side = c.Dir() ^ 1;  // moving up, a cone enters by the bottom side; and so on
    int first, count;
    mesh.Side_Portals(cell, side, first, count);
    out.push_back((unsigned char)(unsigned(side) | kind(c.L) << 2 | kind(c.R) << 4));
    Put_Difference(out, std::int64_t(c.Root) - previous_root);
    previous_root = c.Root;
    Put_Number(out, std::uint64_t(c.Portal() - first));
    for (const int e : {c.L, c.R}) {
        if (e >= 0)
            Put_Difference(out, std::int64_t(e) - 2 * std::int64_t(c.Portal()));
        else if (e != OWN)
            Put_Difference(out, std::int64_t(-2 - e) - c.Root);
    }
}

cRoute_Cone Get_Cone(const unsigned char*& in, const cRoute_Mesh& mesh, const cRoute_Cell& cell, int& previous_root) {
    const unsigned tag = *in++;
    const int side = int(tag & 3);
    cRoute_Cone c;
    c.Root = int(previous_root + Get_Difference(in));
    previous_root = c.Root;
    int first, count;
    mesh.Side_Portals(cell, side, first, count);
    const int portal = first + int(Get_Number(in));
    c.Portal_Dir = 4 * portal + (side ^ 1);
    int* ends[2] = {&c.L, &c.R};
    for (int k = 0; k < 2; ++k) {
        const unsigned kind = (tag >> (2 + 2 * k)) & 3;
        if (kind == END_OWN)
            *ends[k] = OWN;
        else if (kind == END_VERTEX)
            *ends[k] = int(2 * std::int64_t(portal) + Get_Difference(in));
        else
            *ends[k] = Root_End(int(c.Root + Get_Difference(in)));
    }
    return c;
}

}  // namespace

ROUTE_SEARCH_RESULT Search_Ways(const cRoute_Mesh& mesh, const cPoint2D& origin, const unsigned char* door_open,
                                cRoute_Ways& ways) {
    ways.Clear();
    ways.Origin = origin;
    cSearch<true, RECORD_ALL> search(mesh, cPoint2D(), door_open);
    search.Locate_Goals(std::vector<cPoint2D>());
    std::vector<cPoint2D> corners;
    double length = 0;
    int goal = -1;
    const ROUTE_SEARCH_RESULT result = search.Run(origin, corners, length, goal);
    if (result == SEARCH_START_BLOCKED) return result;
    cState& s = state;
    ways.Origin_Cells = s.Start_Cells;
    const std::size_t vertices = 2 * mesh.Portals().size();
    // The roots needed: the origin's copies, those of the cones and of the
    // portal ends, and every root on their routes.
    const std::size_t n = s.Roots.size(), origins = s.Start_Cells.size();
    std::vector<int> number(n, -1);  // -2: needed, not numbered yet
    auto need = [&](int k) {
        while (k >= 0 && number[std::size_t(k)] == -1) {
            number[std::size_t(k)] = -2;
            k = s.Roots[std::size_t(k)].Parent;
        }
    };
    for (std::size_t i = 0; i < origins; ++i) need(int(i));
    for (const cCell_Cone& c : s.Cones) {
        need(c.Cone.Root);
        if (c.Cone.L < OWN) need(-2 - c.Cone.L);
        if (c.Cone.R < OWN) need(-2 - c.Cone.R);
    }
    ways.Vertex_Root.assign(vertices, -1);
    for (int v : s.Claimed) {
        ways.Vertex_Root[std::size_t(v)] = s.Root_At(v);
        need(ways.Vertex_Root[std::size_t(v)]);
    }
    // Numbered depth first from the origin's copies (numbers 0 ...), a
    // root's children in the order they were made.
    std::vector<int> first_child(n + 1, 0), children;
    for (std::size_t k = 0; k < n; ++k)
        if (number[k] == -2 && s.Roots[k].Parent >= 0) ++first_child[std::size_t(s.Roots[k].Parent) + 1];
    for (std::size_t k = 1; k <= n; ++k) first_child[k] += first_child[k - 1];
    children.resize(std::size_t(first_child[n]));
    {
        std::vector<int> fill(first_child.begin(), first_child.end() - 1);
        for (std::size_t k = 0; k < n; ++k)
            if (number[k] == -2 && s.Roots[k].Parent >= 0)
                children[std::size_t(fill[std::size_t(s.Roots[k].Parent)]++)] = int(k);
    }
    int next = 0;
    for (std::size_t i = 0; i < origins; ++i) number[i] = next++;
    std::vector<int> stack;
    for (std::size_t i = 0; i < origins; ++i) {
        stack.assign(1, int(i));
        while (!stack.empty()) {
            const int k = stack.back();
            stack.pop_back();
            if (number[std::size_t(k)] < 0) number[std::size_t(k)] = next++;
            for (int c = first_child[std::size_t(k) + 1] - 1; c >= first_child[std::size_t(k)]; --c)
                stack.push_back(children[std::size_t(c)]);
        }
    }
    ways.Roots.resize(std::size_t(next));
    for (std::size_t k = 0; k < n; ++k) {
        if (number[k] < 0) continue;
        const cRoot& r = s.Roots[k];
        ways.Roots[std::size_t(number[k])] =
            cRoute_Way_Root{r.P.X.V, r.P.Y.V, std::int16_t(r.P.X.K), std::int16_t(r.P.Y.K),
                            r.Parent < 0 ? -1 : number[std::size_t(r.Parent)], r.G};
    }
    for (int& root : ways.Vertex_Root)
        if (root >= 0) root = number[std::size_t(root)];
    auto renumber_end = [&number](int e) { return e < OWN ? -2 - number[std::size_t(-2 - e)] : e; };
    // The cones by cell (a counting sort), then packed cell by cell.
    const std::size_t cells = mesh.Cells().size();
    std::vector<std::uint32_t> first(cells + 1, 0);
    for (const cCell_Cone& c : s.Cones) ++first[std::size_t(c.Cell) + 1];
    for (std::size_t i = 1; i <= cells; ++i) first[i] += first[i - 1];
    std::vector<cRoute_Cone> by_cell(s.Cones.size());
    {
        std::vector<std::uint32_t> fill(first.begin(), first.end() - 1);
        for (const cCell_Cone& c : s.Cones) {
            cRoute_Cone& cone = by_cell[std::size_t(fill[std::size_t(c.Cell)]++)];
            cone = c.Cone;
            cone.Root = number[std::size_t(c.Cone.Root)];
            cone.L = renumber_end(c.Cone.L);
            cone.R = renumber_end(c.Cone.R);
        }
    }
    ways.Cell_First.assign(cells + 1, 0);
    ways.Cone_Bytes.reserve(by_cell.size() * 6);
    for (std::size_t cell = 0; cell < cells; ++cell) {
        int previous_root = 0;
        const cRoute_Cell& c = mesh.Cells()[cell];
        for (std::uint32_t i = first[cell]; i < first[cell + 1]; ++i)
            Put_Cone(ways.Cone_Bytes, mesh, c, by_cell[i], previous_root);
        if (ways.Cone_Bytes.size() > UINT32_MAX) throw std::length_error("a route field of more than 4 GiB of cones");
        ways.Cell_First[cell + 1] = std::uint32_t(ways.Cone_Bytes.size());
    }
    ways.Cone_Bytes.shrink_to_fit();
    // The search's own list of cones is four times the packed field: give it
    // back rather than keep it for the thread's next search.
    std::vector<cCell_Cone>().swap(s.Cones);
    return SEARCH_NO_ROUTE;
}

ROUTE_SEARCH_RESULT Way_From(const cRoute_Mesh& mesh, const cRoute_Ways& ways, const cPoint2D& p,
                             const unsigned char* door_open, std::vector<cPoint2D>& corners, double& length) {
    corners.clear();
    length = 0;
    thread_local std::vector<int> cells;
    Cells_Open_At(mesh, p, door_open, cells);
    if (cells.empty()) return SEARCH_START_BLOCKED;
    if (ways.Cell_First.size() != mesh.Cells().size() + 1) return SEARCH_NO_ROUTE;
    cWay_Finder<cRoute_Way_Root> finder(mesh, ways.Roots);
    for (int cell : cells) {
        finder.Aim(cell, p);
        for (std::size_t i = 0; i < ways.Origin_Cells.size(); ++i)
            if (ways.Origin_Cells[i] == cell) finder.Origin(int(i));
        const cRoute_Cell& c = mesh.Cells()[std::size_t(cell)];
        const unsigned char* in = ways.Cone_Bytes.data() + ways.Cell_First[std::size_t(cell)];
        const unsigned char* const end = ways.Cone_Bytes.data() + ways.Cell_First[std::size_t(cell) + 1];
        for (int previous_root = 0; in < end;) finder.Cone(Get_Cone(in, mesh, c, previous_root));
        finder.Vertices([&ways](int v) { return ways.Vertex_Root[std::size_t(v)]; });
    }
    if (!finder.Found()) return SEARCH_NO_ROUTE;
    length = finder.Route_Back(p, ways.Origin, corners);
    return SEARCH_FOUND;
}

}  // namespace bsp_levels
