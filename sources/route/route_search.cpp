#include "route/route_search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "game_graph.h"

namespace {

// How the x where the line from root through d meets the line y compares
// with x: -1, 0 or 1.
int Compare_Hit(const cSym_Point& root, const cSym_Point& d, const cSym& y, const cSym& x) {
    const int up = root.Y < d.Y ? 1 : -1;
    return Orientation(root, d, cSym_Point{x, y}) * up;
}

// Where t lies from the ray that leaves root toward the line y along the
// line through root and d (d may lie behind root): positive on its left.
int Side_Of_Ray(const cSym_Point& root, const cSym_Point& d, const cSym& y, const cSym_Point& t) {
    const bool ahead = (root.Y < d.Y) == (root.Y < y);
    return ahead ? Orientation(root, d, t) : -Orientation(root, d, t);
}

// An end of a node's interval on its portal's line: the portal's own end
// (OWN), or where the line from the node's root through a point meets the
// portal's line; the point is a mesh vertex (its number, >= 0) or a bend of
// the route (root record k, written -2 - k).
const int OWN = -1;
int Root_End(int k) { return -2 - k; }

// The unperturbed x where the line from root through d meets the line y;
// lo and hi bound it.
double Limit_X(const cSym_Point& root, const cSym_Point& d, const cSym& y, double lo, double hi) {
    const double dy = double(d.Y.V - root.Y.V);
    if (dy == 0) return std::min(std::max(double(root.X.V), lo), hi);
    const double x = double(root.X.V) + double(d.X.V - root.X.V) * (double(y.V - root.Y.V) / dy);
    return std::min(std::max(x, lo), hi);
}

double Dist(double ax, double ay, double bx, double by) { return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by)); }

// A bend of the route: a point with the length of the route to it.
struct cRoot {
    cSym_Point P;
    double G;
    int Parent;  // the root before, or -1 for the start
};

enum : unsigned char { INTERVAL, CORNER, GOAL };

struct cNode {
    double F, G;
    int Root;         // index of the root record
    int Root_Vertex;  // the root's vertex, for pruning
    unsigned char Kind;
    bool Up;          // INTERVAL: crossing the portal upward
    signed char Along;  // CORNER: -1 moving left along the line, 1 right, 0 free
    int Portal;       // INTERVAL: the portal; CORNER: the portal arrived through, or -1
    int Cell;         // INTERVAL, CORNER: the cell entered
    int L, R;         // INTERVAL: its ends
};

// An entry of the open list: a node with the keys it is ordered by.
struct cEntry {
    double F, G;
    int Node;
};
// Heap order: smaller F first, then the deeper node (larger G).
bool Later(const cEntry& a, const cEntry& b) { return a.F > b.F || (a.F == b.F && a.G < b.G); }

struct cState {
    std::vector<cEntry> Heap;  // the open list, kept from search to search
    std::vector<cNode> Direct;  // nodes to expand before the next one off the open list
    std::vector<cNode> Nodes;
    std::vector<cRoot> Roots;
    std::vector<double> Best;  // by vertex: the least G a root there has had
    std::vector<std::uint32_t> Stamp;
    std::uint32_t Current = 0;

    void Start(std::size_t vertices) {
        Nodes.clear();
        Direct.clear();
        Roots.clear();
        if (Best.size() < vertices) {
            Best.resize(vertices);
            Stamp.resize(vertices, 0);
        }
        if (++Current == 0) {
            std::fill(Stamp.begin(), Stamp.end(), 0);
            Current = 1;
        }
    }
    // Records a root at vertex v reached with g; false when an earlier root
    // there was as short (a route bending there again can take the earlier
    // way to it instead).
    bool Claim(int v, double g) {
        if (Stamp[std::size_t(v)] == Current && Best[std::size_t(v)] <= g + 1e-9 * (1 + g)) return false;
        Best[std::size_t(v)] = g;
        Stamp[std::size_t(v)] = Current;
        return true;
    }
    bool Outdone(int v, double g) const {
        return Stamp[std::size_t(v)] == Current && Best[std::size_t(v)] < g - 1e-9 * (1 + g);
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
    cSearch(const cRoute_Mesh& mesh, const cPoint2D& goal)
        : Mesh(mesh), Cells(mesh.Cells()), Portals(mesh.Portals()), S(state), Goal(goal), Open(state.Heap) {
        Open.clear();
    }

    ROUTE_SEARCH_RESULT Run(const cPoint2D& start, std::vector<cPoint2D>& corners, double& length);

private:
    int Vertex_Of(int portal, bool hi) const { return 2 * portal + (hi ? 1 : 0); }
    cSym_Point Vertex_Point(int portal, bool hi) const {
        const cRoute_Portal& p = Portals[std::size_t(portal)];
        return cSym_Point{hi ? p.Hi : p.Lo, p.At};
    }
    // The point the line of end e passes through, for an interval on portal.
    cSym_Point Through(int e, int portal, bool hi) const {
        if (e == OWN) return Vertex_Point(portal, hi);
        if (e >= 0) return Vertex_Point(e / 2, e % 2 == 1);
        return S.Roots[std::size_t(-2 - e)].P;
    }
    int New_Root(const cSym_Point& p, double g, int parent) {
        S.Roots.push_back(cRoot{p, g, parent});
        return int(S.Roots.size()) - 1;
    }
    void Push(cNode& n) {
        if (n.Kind == INTERVAL) {
            // A cell with no way on but the portal it is entered by, and no
            // goal, leads nowhere.
            const cRoute_Cell& c = Cells[std::size_t(n.Cell)];
            const int far = n.Up ? c.N_Top : c.N_Bottom, near = n.Up ? c.N_Bottom : c.N_Top;
            if (far == 0 && near == 1 && Goal_Copy(n.Cell) < 0) return;
            // A cell with one way on (a stretch of corridor) is gone through
            // at once, without the open list.
            if (far == 1 && near == 1 && Goal_Copy(n.Cell) < 0) {
                S.Direct.push_back(n);
                return;
            }
        }
        n.F = n.G + Estimate(n);
        S.Nodes.push_back(n);
        Open.push_back(cEntry{n.F, n.G, int(S.Nodes.size()) - 1});
        std::push_heap(Open.begin(), Open.end(), Later);
    }
    double Estimate(const cNode& n) const;
    void Expand_Interval(const cNode& n);
    void Expand_Corner(const cNode& n);
    // Nodes for every portal of the cell's side (top or bottom) seen whole
    // from root r (strictly on the cell's side of them).
    void Whole_Side(int cell, bool top, int root, int root_vertex, double g);
    // Bends at the vertex (a portal's end) on the line, moving along it, to
    // see the cell across that portal whole.
    void Corner(int portal, bool hi, int across, int parent_root, double g, signed char along);
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
    cState& S;
    cPoint2D Goal;
    std::vector<int> Goal_Cells;
    std::vector<cSym_Point> Goal_Points;
    std::vector<cEntry>& Open;  // a binary heap by Later
};

double cSearch::Estimate(const cNode& n) const {
    if (n.Kind == GOAL) return 0;
    const cRoot& root = S.Roots[std::size_t(n.Root)];
    const double rx = double(root.P.X.V), ry = double(root.P.Y.V);
    const double tx = double(Goal.x);
    double ty = double(Goal.y);
    if (n.Kind != INTERVAL) return Dist(rx, ry, tx, ty);
    const cRoute_Portal& p = Portals[std::size_t(n.Portal)];
    const double y = double(p.At.V);
    const double lo = double(p.Lo.V), hi = double(p.Hi.V);
    const double l = n.L == OWN ? lo : Limit_X(root.P, Through(n.L, n.Portal, false), p.At, lo, hi);
    const double r = std::max(l, n.R == OWN ? hi : Limit_X(root.P, Through(n.R, n.Portal, true), p.At, lo, hi));
    if (ry == y) return Dist(rx, ry, tx, ty);
    // The goal on the root's side of the line is mirrored across it: the
    // route must cross the interval and come back.
    if ((ty - y) * (ry - y) > 0) ty = 2 * y - ty;
    const double cross = rx + (tx - rx) * ((y - ry) / (ty - ry));
    if (ty == y || (cross >= l && cross <= r)) return Dist(rx, ry, tx, ty);
    const double x = cross < l ? l : r;
    return Dist(rx, ry, x, y) + Dist(x, y, tx, ty);
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

void cSearch::Whole_Side(int cell, bool top, int root, int root_vertex, double g) {
    const cRoute_Cell& c = Cells[std::size_t(cell)];
    const int first = top ? c.First_Top : c.First_Bottom, count = top ? c.N_Top : c.N_Bottom;
    for (int i = first; i < first + count; ++i) {
        const cRoute_Portal& p = Portals[std::size_t(i)];
        cNode n{};
        n.Kind = INTERVAL;
        n.G = g;
        n.Root = root;
        n.Root_Vertex = root_vertex;
        n.Up = top;
        n.Portal = i;
        n.Cell = top ? p.Above : p.Below;
        n.L = OWN;
        n.R = OWN;
        Push(n);
    }
}

void cSearch::Corner(int portal, bool hi, int across, int parent_root, double g, signed char along) {
    const int v = Vertex_Of(portal, hi);
    if (!S.Claim(v, g)) return;
    cNode n{};
    n.Kind = CORNER;
    n.G = g;
    n.Root = New_Root(Vertex_Point(portal, hi), g, parent_root);
    n.Root_Vertex = v;
    n.Along = along;
    n.Portal = portal;
    n.Cell = across;
    Push(n);
}

void cSearch::Expand_Corner(const cNode& n) {
    const cRoot root = S.Roots[std::size_t(n.Root)];
    const cRoute_Cell& c = Cells[std::size_t(n.Cell)];
    Reach_Goal(n.Cell, n.Root, n.G, root.P);
    const bool on_top = root.P.Y == c.Y_Hi, on_bottom = root.P.Y == c.Y_Lo;
    // The side away from the root is seen whole.
    if (!on_top) Whole_Side(n.Cell, true, n.Root, n.Root_Vertex, n.G);
    if (!on_bottom) Whole_Side(n.Cell, false, n.Root, n.Root_Vertex, n.G);
    // The root stands on one of the cell's lines only when the route came
    // along that line to it: going on along it would pass open stretches,
    // where a shorter route cuts across, so the line's portals need no bend.
}

void cSearch::Expand_Interval(const cNode& n) {
    const cRoot root = S.Roots[std::size_t(n.Root)];
    const cSym_Point& r = root.P;
    const cRoute_Portal& entry = Portals[std::size_t(n.Portal)];
    const cRoute_Cell& c = Cells[std::size_t(n.Cell)];
    const cSym& y = entry.At;
    const cSym& y_far = n.Up ? c.Y_Hi : c.Y_Lo;
    const cSym_Point through_l = Through(n.L, n.Portal, false), through_r = Through(n.R, n.Portal, true);
    // The cone's sides on the far side: the lines through the interval's ends.
    const int cone_l = n.L == OWN ? Vertex_Of(n.Portal, false) : n.L;
    const int cone_r = n.R == OWN ? Vertex_Of(n.Portal, true) : n.R;
    const bool turn_l = n.L == OWN && entry.Lo_Turn;
    const bool turn_r = n.R == OWN && entry.Hi_Turn;
    const int up = n.Up ? 1 : -1;

    // Bends at the interval's ends, when they are obstacle corners.
    int root_l = -1, root_r = -1;
    double g_l = 0, g_r = 0;
    if (turn_l) {
        const cSym_Point a{entry.Lo, y};
        g_l = n.G + Limit_Distance(r, a);
        if (S.Claim(Vertex_Of(n.Portal, false), g_l)) root_l = New_Root(a, g_l, n.Root);
    }
    if (turn_r) {
        const cSym_Point b{entry.Hi, y};
        g_r = n.G + Limit_Distance(r, b);
        if (S.Claim(Vertex_Of(n.Portal, true), g_r)) root_r = New_Root(b, g_r, n.Root);
    }

    // The goal, seen through the interval or from a corner at its ends.
    const int copy = Goal_Copy(n.Cell);
    if (copy >= 0) {
        const cSym_Point& t = Goal_Points[std::size_t(copy)];
        const int left_of_l = Side_Of_Ray(r, through_l, y, t) * up;    // > 0: left of the cone
        const int right_of_r = -Side_Of_Ray(r, through_r, y, t) * up;  // > 0: right of the cone
        if (left_of_l <= 0 && right_of_r <= 0)
            Reach_Goal(n.Cell, n.Root, n.G, r);
        else if (left_of_l > 0 && root_l >= 0)
            Reach_Goal(n.Cell, root_l, g_l, S.Roots[std::size_t(root_l)].P);
        else if (right_of_r > 0 && root_r >= 0)
            Reach_Goal(n.Cell, root_r, g_r, S.Roots[std::size_t(root_r)].P);
    }

    // The far side: inside the cone the root sees through; beyond it, the
    // corners at the interval's ends do.
    const int first = n.Up ? c.First_Top : c.First_Bottom, count = n.Up ? c.N_Top : c.N_Bottom;
    for (int i = first; i < first + count; ++i) {
        const cRoute_Portal& p = Portals[std::size_t(i)];
        const int across = n.Up ? p.Above : p.Below;
        const cSym_Point d_l = Through(cone_l, 0, false), d_r = Through(cone_r, 0, true);
        const bool lo_inside = Compare_Hit(r, d_l, y_far, p.Lo) <= 0;  // the cone's left side <= p.Lo
        const bool hi_inside = Compare_Hit(r, d_r, y_far, p.Hi) >= 0;  // the cone's right side >= p.Hi
        const bool reaches_cone = Compare_Hit(r, d_l, y_far, p.Hi) <= 0 && Compare_Hit(r, d_r, y_far, p.Lo) >= 0;
        cNode m{};
        m.Kind = INTERVAL;
        m.Up = n.Up;
        m.Portal = i;
        m.Cell = across;
        if (reaches_cone) {
            m.G = n.G;
            m.Root = n.Root;
            m.Root_Vertex = n.Root_Vertex;
            m.L = lo_inside ? OWN : cone_l;
            m.R = hi_inside ? OWN : cone_r;
            Push(m);
        }
        if (root_l >= 0 && !lo_inside) {
            // The part left of the cone, seen from the left corner; the line
            // from the old root through the corner bounds it.
            m.G = g_l;
            m.Root = root_l;
            m.Root_Vertex = Vertex_Of(n.Portal, false);
            m.L = OWN;
            m.R = reaches_cone ? Root_End(n.Root) : OWN;
            Push(m);
        }
        if (root_r >= 0 && !hi_inside) {
            m.G = g_r;
            m.Root = root_r;
            m.Root_Vertex = Vertex_Of(n.Portal, true);
            m.L = reaches_cone ? Root_End(n.Root) : OWN;
            m.R = OWN;
            Push(m);
        }
    }

    // The near side beyond the corners lies along the corners' line: the
    // route runs along it and bends at the next portal's nearer end.
    if (root_l >= 0 || root_r >= 0) {
        const int near_first = n.Up ? c.First_Bottom : c.First_Top, near_count = n.Up ? c.N_Bottom : c.N_Top;
        for (int i = near_first; i < near_first + near_count; ++i) {
            if (i == n.Portal) continue;
            const cRoute_Portal& p = Portals[std::size_t(i)];
            const int across = n.Up ? p.Below : p.Above;
            if (root_l >= 0 && p.Hi <= entry.Lo && p.Hi_Turn) {
                const cSym_Point v = Vertex_Point(i, true);
                Corner(i, true, across, root_l, g_l + Limit_Distance(S.Roots[std::size_t(root_l)].P, v), -1);
            }
            if (root_r >= 0 && p.Lo >= entry.Hi && p.Lo_Turn) {
                const cSym_Point v = Vertex_Point(i, false);
                Corner(i, false, across, root_r, g_r + Limit_Distance(S.Roots[std::size_t(root_r)].P, v), 1);
            }
        }
    }
}

ROUTE_SEARCH_RESULT cSearch::Run(const cPoint2D& start, std::vector<cPoint2D>& corners, double& length) {
    const bool touching = Mesh.Half_Size() == 0;
    std::vector<int> start_cells;
    Mesh.Cells_At(start, false, start_cells);
    if (start_cells.empty() && touching) Mesh.Cells_At(start, true, start_cells);
    if (start_cells.empty()) return SEARCH_START_BLOCKED;
    Mesh.Cells_At(Goal, false, Goal_Cells);
    if (Goal_Cells.empty() && touching) Mesh.Cells_At(Goal, true, Goal_Cells);
    if (Goal_Cells.empty()) return SEARCH_GOAL_BLOCKED;
    for (int cell : Goal_Cells) Goal_Points.push_back(Inside(Cells[std::size_t(cell)], Goal));

    const int vertices = 2 * int(Portals.size());
    S.Start(std::size_t(vertices) + start_cells.size());
    for (std::size_t i = 0; i < start_cells.size(); ++i) {
        const int cell = start_cells[i];
        cNode n{};
        n.Kind = CORNER;
        n.G = 0;
        n.Root = New_Root(Inside(Cells[std::size_t(cell)], start), 0, -1);
        n.Root_Vertex = vertices + int(i);
        S.Claim(n.Root_Vertex, 0);
        n.Along = 0;
        n.Portal = -1;
        n.Cell = cell;
        Push(n);
    }

    for (;;) {
        while (!S.Direct.empty()) {
            const cNode d = S.Direct.back();
            S.Direct.pop_back();
            if (!S.Outdone(d.Root_Vertex, d.G)) Expand_Interval(d);
        }
        if (Open.empty()) break;
        std::pop_heap(Open.begin(), Open.end(), Later);
        const int at = Open.back().Node;
        Open.pop_back();
        const cNode n = S.Nodes[std::size_t(at)];
        if (n.Kind == GOAL) {
            // The bends back to the start, unperturbed; points met twice and
            // bends that do not turn are dropped.
            std::vector<cPoint2D> points{Goal};
            for (int k = n.Root; k >= 0; k = S.Roots[std::size_t(k)].Parent) {
                const cSym_Point& p = S.Roots[std::size_t(k)].P;
                points.push_back(cPoint2D(int(p.X.V), int(p.Y.V)));
            }
            points.back() = start;
            std::reverse(points.begin(), points.end());
            std::vector<cPoint2D> route;
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
        if (n.Root_Vertex >= 0 && S.Outdone(n.Root_Vertex, n.G)) continue;  // a shorter way to its root came since
        if (n.Kind == CORNER)
            Expand_Corner(n);
        else
            Expand_Interval(n);
    }
    return SEARCH_NO_ROUTE;
}

}  // namespace

ROUTE_SEARCH_RESULT Search_Route(const cRoute_Mesh& mesh, const cPoint2D& start, const cPoint2D& goal,
                                 std::vector<cPoint2D>& corners, double& length) {
    corners.clear();
    length = 0;
    cSearch search(mesh, goal);
    return search.Run(start, corners, length);
}
