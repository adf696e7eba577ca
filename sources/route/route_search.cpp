#include "route/route_search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "game_graph.h"

namespace bsp_levels {

namespace {

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

enum : unsigned char { INTERVAL, CORNER, GOAL };

struct cNode {
    double F, G;
    int Root;         // index of the root record
    int Root_Vertex;  // the root's vertex, for pruning
    unsigned char Kind;
    unsigned char Dir;  // INTERVAL: the direction the portal is crossed in
    int Portal;       // INTERVAL: the portal; CORNER: the portal arrived through, or -1
    int Cell;         // INTERVAL, CORNER: the cell entered
    int L, R;         // INTERVAL: its ends
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
    void Push(const cNode& n) {
        const std::uint64_t key = Key(n.F);
        const int b = Index(key < Last ? Last : key);
        Bucket[b].push_back(n);
        Used |= std::uint64_t(1) << b;
    }
    // Takes a node of the least estimate; among those, the one pushed last.
    cNode Pop() {
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

struct cState {
    cOpen_List Open;  // kept from search to search
    std::vector<cNode> Direct;  // nodes to expand before the next one off the open list
    std::vector<cNode> Lane;    // nodes no worse than the open list's best, expanded first
    std::vector<cRoot> Roots;
    // The cells holding the start and the goal, the goal in each, and the
    // route's points.
    std::vector<int> Start_Cells, Goal_Cells;
    std::vector<cSym_Point> Goal_Points;
    std::vector<cPoint2D> Points, Route;
    // By vertex: the least G a root there has had, how fast it grows with
    // ε, and the search that wrote it; together, so that a look costs one
    // cache line.
    struct cBest {
        double G, Rate;
        std::uint32_t Stamp;
    };
    std::vector<cBest> Best;
    std::uint32_t Current = 0;

    void Start(std::size_t vertices) {
        Direct.clear();
        Lane.clear();
        Roots.clear();
        if (Best.size() < vertices) Best.resize(vertices, cBest{0, 0, 0});
        if (++Current == 0) {
            for (cBest& b : Best) b.Stamp = 0;
            Current = 1;
        }
    }
    // Records a root at vertex v reached with g (growing with ε at the rate
    // g_rate); false when an earlier root there was as short (a route
    // bending there again can take the earlier way to it instead). Routes
    // equally long once ε vanishes are told apart by their rates: the
    // perturbed world knows which is shorter.
    bool Claim(int v, double g, double g_rate) {
        cBest& b = Best[std::size_t(v)];
        if (b.Stamp == Current && !Shorter(g, g_rate, b.G, b.Rate)) return false;
        b = cBest{g, g_rate, Current};
        return true;
    }
    bool Outdone(int v, double g, double g_rate) const {
        const cBest& b = Best[std::size_t(v)];
        return b.Stamp == Current && Shorter(b.G, b.Rate, g, g_rate);
    }
    static bool Shorter(double g, double g_rate, double than, double than_rate) {
        if (g < than - 1e-9 * (1 + than)) return true;
        if (g > than + 1e-9 * (1 + than)) return false;
        return g_rate < than_rate - 1e-9 * (1 + std::abs(than_rate));
    }
};

thread_local cState state;

// A point of the cell strictly inside it, as near p as the perturbation
// allows: p itself when it lies inside, else p moved onto the cell by ε.
cSym_Point Inside(const cRoute_Cell& c, const cPoint2D& p) {
    cSym x(p.x, 0), y(p.y, 0);
    if (x <= c.X_Lo) x = cSym(c.X_Lo.V, c.X_Lo.K + 1);
    if (x >= c.X_Hi) x = cSym(c.X_Hi.V, c.X_Hi.K - 1);
    if (y <= c.Y_Lo) y = cSym(c.Y_Lo.V, c.Y_Lo.K + 1);
    if (y >= c.Y_Hi) y = cSym(c.Y_Hi.V, c.Y_Hi.K - 1);
    return cSym_Point{x, y};
}

class cSearch {
public:
    cSearch(const cRoute_Mesh& mesh, const cPoint2D& goal, const unsigned char* door_open)
        : Mesh(mesh), Cells(mesh.Cells()), Portals(mesh.Portals()), Door_Open(door_open), S(state), Goal(goal),
          Goal_Cells(state.Goal_Cells), Goal_Points(state.Goal_Points), Open(state.Open) {
        Open.Clear();
        Goal_Cells.clear();
        Goal_Points.clear();
    }

    ROUTE_SEARCH_RESULT Run(const cPoint2D& start, std::vector<cPoint2D>& corners, double& length);

private:
    int Vertex_Of(int portal, bool hi) const { return 2 * portal + (hi ? 1 : 0); }
    cSym_Point Vertex_Point(int portal, bool hi) const {
        const cRoute_Portal& p = Portals[std::size_t(portal)];
        return p.Vertical ? cSym_Point{p.At, hi ? p.Hi : p.Lo} : cSym_Point{hi ? p.Hi : p.Lo, p.At};
    }
    // The point the line of end e passes through, for an interval on portal.
    cSym_Point Through(int e, int portal, bool hi) const {
        if (e == OWN) return Vertex_Point(portal, hi);
        if (e >= 0) return Vertex_Point(e / 2, e % 2 == 1);
        return S.Roots[std::size_t(-2 - e)].P;
    }
    // The portals on a side of a cell.
    void Side_Range(const cRoute_Cell& c, int side, int& first, int& count) const {
        switch (side) {
        case BOTTOM: first = c.First_Bottom, count = c.N_Bottom; return;
        case TOP: first = c.First_Top, count = c.N_Top; return;
        default:
            if (c.Sides < 0) {
                first = count = 0;
                return;
            }
            const cRoute_Sides& s = Mesh.Side_Links(c);
            if (side == LEFT)
                first = s.First_Left, count = s.N_Left;
            else
                first = s.First_Right, count = s.N_Right;
        }
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
    int New_Root(const cSym_Point& p, double g, double g_rate, int parent) {
        S.Roots.push_back(cRoot{p, g, g_rate, parent});
        return int(S.Roots.size()) - 1;
    }
    void Push(cNode& n) {
        const unsigned char flags = Mesh.Cell_Flags(n.Cell);
        if ((flags & CELL_DOORS) != 0 && !Passable(n.Cell)) return;
        if (n.Kind == INTERVAL && n.Dir <= TOP && (flags & ~CELL_DOORS) != 0 && Goal_Copy(n.Cell) < 0) {
            // A cell with no way on but the portal it is entered by, and no
            // goal, leads nowhere.
            if ((flags & (n.Dir == TOP ? CELL_END_FROM_BELOW : CELL_END_FROM_ABOVE)) != 0) return;
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
    double Estimate(const cNode& n) const;
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
    // The goal seen from root r in cell.
    void Reach_Goal(int cell, int root, double g, const cSym_Point& r);
    int Goal_Copy(int cell) const {
        for (std::size_t i = 0; i < Goal_Cells.size(); ++i)
            if (Goal_Cells[i] == cell) return int(i);
        return -1;
    }

    const cRoute_Mesh& Mesh;
    const std::vector<cRoute_Cell>& Cells;
    const std::vector<cRoute_Portal>& Portals;
    const unsigned char* Door_Open;
    cState& S;
    cPoint2D Goal;
    std::vector<int>& Goal_Cells;
    std::vector<cSym_Point>& Goal_Points;
    cOpen_List& Open;
    // The estimate of the node last taken off the open list, which bounds
    // every estimate there from below, with room for rounding.
    double Lane_Limit = -1;
};

double cSearch::Estimate(const cNode& n) const {
    if (n.Kind == GOAL) return 0;
    const cRoot& root = S.Roots[std::size_t(n.Root)];
    if (n.Kind != INTERVAL) return Dist(double(root.P.X.V), double(root.P.Y.V), double(Goal.x), double(Goal.y));
    // In coordinates along the portal (u) and across it (w).
    const cRoute_Portal& p = Portals[std::size_t(n.Portal)];
    const bool v = p.Vertical;
    auto u_of = [v](const cSym_Point& q) { return double(v ? q.Y.V : q.X.V); };
    auto w_of = [v](const cSym_Point& q) { return double(v ? q.X.V : q.Y.V); };
    const double ru = u_of(root.P), rw = w_of(root.P);
    const double tu = double(v ? Goal.y : Goal.x);
    double tw = double(v ? Goal.x : Goal.y);
    const double w = double(p.At.V);
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
        return Limit_Along(ru, rw, eu, ew, w, lo, hi);
    };
    const double l = n.L == OWN ? lo : limit(n.L, false);
    const double r = std::max(l, n.R == OWN ? hi : limit(n.R, true));
    if (rw == w) return Dist(ru, rw, tu, tw);
    // The goal on the root's side of the line is mirrored across it: the
    // route must cross the interval and come back.
    if ((tw - w) * (rw - w) > 0) tw = 2 * w - tw;
    const double cross = ru + (tu - ru) * ((w - rw) / (tw - rw));
    if (tw == w || (cross >= l && cross <= r)) return Dist(ru, rw, tu, tw);
    const double u = cross < l ? l : r;
    return Dist(ru, rw, u, w) + Dist(u, w, tu, tw);
}

void cSearch::Reach_Goal(int cell, int root, double g, const cSym_Point& r) {
    const int copy = Goal_Copy(cell);
    if (copy < 0) return;
    cNode n{};
    n.Kind = GOAL;
    n.G = g + Limit_Distance(r, Goal_Points[std::size_t(copy)]);
    n.Root = root;
    n.Root_Vertex = -1;
    n.Portal = -1;
    n.Cell = cell;
    Push(n);
}

void cSearch::Whole_Side(int cell, int side, int root, int root_vertex, double g) {
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

void cSearch::Corner(int portal, bool hi, int across, int parent_root) {
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
    n.Root_Vertex = v;
    n.Portal = portal;
    n.Cell = across;
    Push(n);
}

void cSearch::Along_Line(int portal, int root, int across) {
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

void cSearch::Expand_Corner(const cNode& n) {
    const cRoot root = S.Roots[std::size_t(n.Root)];
    const cRoute_Cell& c = Cells[std::size_t(n.Cell)];
    Reach_Goal(n.Cell, n.Root, n.G, root.P);
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

void cSearch::Expand_Interval(const cNode& n) {
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
        if (S.Claim(Vertex_Of(n.Portal, false), g_l, rate)) root_l = New_Root(a, g_l, rate, n.Root);
    }
    if (turn_r) {
        const cSym_Point b = Vertex_Point(n.Portal, true);
        g_r = n.G + Limit_Distance(r, b);
        const double rate = root.G_Rate + Epsilon_Rate(r, b);
        if (S.Claim(Vertex_Of(n.Portal, true), g_r, rate)) root_r = New_Root(b, g_r, rate, n.Root);
    }

    // The goal, seen through the interval or from a corner at its ends.
    const int copy = Goal_Copy(n.Cell);
    if (copy >= 0) {
        const cSym_Point& t = Goal_Points[std::size_t(copy)];
        const int beyond_l = s_l * Orientation(r, through_l, t);   // > 0: beyond the cone on the Lo end's side
        const int beyond_r = -s_r * Orientation(r, through_r, t);  // > 0: beyond it on the Hi end's side
        if (beyond_l <= 0 && beyond_r <= 0)
            Reach_Goal(n.Cell, n.Root, n.G, r);
        else if (beyond_l > 0 && root_l >= 0)
            Reach_Goal(n.Cell, root_l, g_l, S.Roots[std::size_t(root_l)].P);
        else if (beyond_r > 0 && root_r >= 0)
            Reach_Goal(n.Cell, root_r, g_r, S.Roots[std::size_t(root_r)].P);
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
    // route runs along it and bends at the next portal's nearer end.
    if (root_l >= 0 || root_r >= 0) {
        const int near = dir ^ 1;
        int first, count;
        Side_Range(c, near, first, count);
        for (int i = first; i < first + count; ++i) {
            if (i == n.Portal) continue;
            const cRoute_Portal& p = Portals[std::size_t(i)];
            const int across = Across(p, near);
            if (root_l >= 0 && p.Hi <= entry.Lo) Along_Line(i, root_l, across);
            if (root_r >= 0 && p.Lo >= entry.Hi) Along_Line(i, root_r, across);
        }
    }
}

ROUTE_SEARCH_RESULT cSearch::Run(const cPoint2D& start, std::vector<cPoint2D>& corners, double& length) {
    const bool touching = Mesh.Half_Size() == 0;
    // The cells holding a point, among those open now.
    auto cells_at = [this, touching](const cPoint2D& p, std::vector<int>& out) {
        Mesh.Cells_At(p, false, out);
        out.erase(std::remove_if(out.begin(), out.end(), [this](int c) { return !Passable(c); }), out.end());
        if (out.empty() && touching) {
            Mesh.Cells_At(p, true, out);
            out.erase(std::remove_if(out.begin(), out.end(), [this](int c) { return !Passable(c); }), out.end());
        }
    };
    std::vector<int>& start_cells = S.Start_Cells;
    cells_at(start, start_cells);
    if (start_cells.empty()) return SEARCH_START_BLOCKED;
    cells_at(Goal, Goal_Cells);
    if (Goal_Cells.empty()) return SEARCH_GOAL_BLOCKED;
    for (int cell : Goal_Cells) Goal_Points.push_back(Inside(Cells[std::size_t(cell)], Goal));

    const int vertices = 2 * int(Portals.size());
    S.Start(std::size_t(vertices) + start_cells.size());
    for (std::size_t i = 0; i < start_cells.size(); ++i) {
        const int cell = start_cells[i];
        cNode n{};
        n.Kind = CORNER;
        n.G = 0;
        n.Root = New_Root(Inside(Cells[std::size_t(cell)], start), 0, 0, -1);
        n.Root_Vertex = vertices + int(i);
        S.Claim(n.Root_Vertex, 0, 0);
        n.Portal = -1;
        n.Cell = cell;
        Push(n);
    }

    for (;;) {
        while (!S.Direct.empty()) {
            const cNode d = S.Direct.back();
            S.Direct.pop_back();
            if (!S.Outdone(d.Root_Vertex, d.G, S.Roots[std::size_t(d.Root)].G_Rate)) Expand_Interval(d);
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
            points.assign(1, Goal);
            for (int k = n.Root; k >= 0; k = S.Roots[std::size_t(k)].Parent) {
                const cSym_Point& p = S.Roots[std::size_t(k)].P;
                points.push_back(cPoint2D(int(p.X.V), int(p.Y.V)));
            }
            points.back() = start;
            std::reverse(points.begin(), points.end());
            std::vector<cPoint2D>& route = S.Route;
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
            if (corners.empty()) corners.push_back(Goal);
            return SEARCH_FOUND;
        }
        if (n.Root_Vertex >= 0 && S.Outdone(n.Root_Vertex, n.G, S.Roots[std::size_t(n.Root)].G_Rate)) continue;  // a shorter way to its root came since
        if (n.Kind == CORNER)
            Expand_Corner(n);
        else
            Expand_Interval(n);
    }
    return SEARCH_NO_ROUTE;
}

}  // namespace

ROUTE_SEARCH_RESULT Search_Route(const cRoute_Mesh& mesh, const cPoint2D& start, const cPoint2D& goal,
                                 const unsigned char* door_open, std::vector<cPoint2D>& corners, double& length) {
    corners.clear();
    length = 0;
    cSearch search(mesh, goal, door_open);
    return search.Run(start, corners, length);
}

}  // namespace bsp_levels
