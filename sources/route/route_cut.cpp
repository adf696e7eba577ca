// Route_Cut: are two points still joined once some walls are added? A
// search over the cells of the mesh as it is, where the cells the added
// walls meet are cut into pieces.
//
// A cell met by the grown walls is cut along their sides into a grid of
// boxes; a box lies wholly inside some grown wall or wholly outside all of
// them, and the free boxes joined side by side form the cell's pieces (two
// free boxes meeting at a corner only are never joined: the grown walls
// are closed, so the corner belongs to the walls over the other two boxes).
// A portal is cut the same way by the grown walls across its line; a free
// stretch of it joins the piece of the cell on each side that touches it.
// The perturbation gives every grown wall a positive width and keeps the
// sides of the added walls apart from the points located, so every test is
// a comparison of perturbed coordinates.
#include "route/route_cut.h"

#include <algorithm>
#include <cstdint>
#include <queue>
#include <unordered_map>

#include "route/route_search.h"

namespace bsp_levels {

namespace {

enum : int { BOTTOM, TOP, LEFT, RIGHT };

// A cell cut into pieces: the box between Xs[i], Xs[i + 1] and Ys[j],
// Ys[j + 1] belongs to Piece[i + j * columns], -1 when a grown wall covers it.
struct cCut_Cell {
    std::vector<cSym> Xs, Ys;
    std::vector<int> Piece;
    std::vector<unsigned char> Mark;  // by piece: 0, or the search that reached it
    int Columns() const { return int(Xs.size()) - 1; }
    int Rows() const { return int(Ys.size()) - 1; }
};

// The place of u among the sorted coordinates: at[t] <= u < at[t + 1].
int Slot(const std::vector<cSym>& at, const cSym& u) {
    return int(std::upper_bound(at.begin(), at.end(), u) - at.begin()) - 1;
}

struct cCut_Node {
    std::int64_t D2;  // the squared distance from the cell to the other search's point
    int Cell, Piece;
    bool operator<(const cCut_Node& o) const { return D2 > o.D2; }  // nearest first
};

class cCut_Search {
public:
    cCut_Search(const cRoute_Mesh& mesh, const std::vector<cHV_Wall>& walls, const unsigned char* door_open)
        : Mesh(mesh), Cells(mesh.Cells()), Portals(mesh.Portals()), Door_Open(door_open) {
        for (const cHV_Wall& w : walls) Grown.push_back(Grow_Wall(w, mesh.Half_Size()));
        thread_local std::vector<std::uint32_t> seen;
        thread_local std::uint32_t stamp = 0;
        // Marks of other meshes carry other stamps: the marks only grow.
        if (seen.size() < Cells.size() || stamp >= (1u << 29)) {
            seen.assign(std::max(seen.size(), Cells.size()), 0);
            stamp = 0;
        }
        ++stamp;
        Seen = &seen;
        Stamp = stamp;
    }

    ROUTE_CUT Run(const cPoint2D& start, const cPoint2D& goal) {
        // Strictly within a grown wall (once the perturbation vanishes) the
        // agent has no room with the walls; on a grown wall's outline,
        // whether it squeezes past is a question of the exact boundary, for
        // a mesh made with the walls.
        bool on_outline = false;
        for (const cPoint2D& p : {start, goal})
            for (const cGrown_Wall& g : Grown) {
                if (g.X_Lo.V < p.x && p.x < g.X_Hi.V && g.Y_Lo.V < p.y && p.y < g.Y_Hi.V) return CUT_CLOSED;
                if (g.X_Lo.V <= p.x && p.x <= g.X_Hi.V && g.Y_Lo.V <= p.y && p.y <= g.Y_Hi.V) on_outline = true;
            }
        if (on_outline) return CUT_UNKNOWN;
        Toward[0] = goal;
        Toward[1] = start;
        std::vector<int> cells;
        for (int who = 0; who < 2; ++who) {
            const cPoint2D& p = who == 0 ? start : goal;
            Route_Cells_At(Mesh, p, Door_Open, cells);
            if (cells.empty()) return CUT_UNKNOWN;
            for (int cell : cells) {
                int piece = 0;
                if (Meets(cell)) {
                    const cCut_Cell& k = Cut(cell);
                    const cSym_Point q = Point_Inside(Cells[std::size_t(cell)], p);
                    const int i = Slot(k.Xs, q.X), j = Slot(k.Ys, q.Y);
                    if (k.Xs[std::size_t(i)] == q.X || k.Ys[std::size_t(j)] == q.Y) return CUT_UNKNOWN;
                    piece = k.Piece[std::size_t(i + j * k.Columns())];
                    if (piece < 0) return CUT_UNKNOWN;
                }
                if (Reach(cell, piece, who)) return CUT_OPEN;
            }
        }
        // Each search in turn; one that runs out has seen all it can reach
        // without meeting the other.
        for (int who = 0;; who = 1 - who) {
            if (Open[who].empty()) return CUT_CLOSED;
            const cCut_Node n = Open[who].top();
            Open[who].pop();
            if (Expand(n.Cell, n.Piece, who)) return CUT_OPEN;
        }
    }

private:
    // Whether a grown wall meets the cell's closed rectangle.
    bool Meets(int cell) const {
        const cRoute_Cell& c = Cells[std::size_t(cell)];
        for (const cGrown_Wall& g : Grown)
            if (g.X_Lo <= c.X_Hi && c.X_Lo <= g.X_Hi && g.Y_Lo <= c.Y_Hi && c.Y_Lo <= g.Y_Hi) return true;
        return false;
    }

    cCut_Cell& Cut(int cell) {
        auto found = Cut_Cells.find(cell);
        if (found != Cut_Cells.end()) return found->second;
        cCut_Cell& k = Cut_Cells[cell];
        const cRoute_Cell& c = Cells[std::size_t(cell)];
        k.Xs = {c.X_Lo, c.X_Hi};
        k.Ys = {c.Y_Lo, c.Y_Hi};
        for (const cGrown_Wall& g : Grown) {
            for (const cSym& x : {g.X_Lo, g.X_Hi})
                if (c.X_Lo < x && x < c.X_Hi) k.Xs.push_back(x);
            for (const cSym& y : {g.Y_Lo, g.Y_Hi})
                if (c.Y_Lo < y && y < c.Y_Hi) k.Ys.push_back(y);
        }
        for (std::vector<cSym>* at : {&k.Xs, &k.Ys}) {
            std::sort(at->begin(), at->end());
            at->erase(std::unique(at->begin(), at->end()), at->end());
        }
        const int columns = k.Columns(), rows = k.Rows();
        k.Piece.assign(std::size_t(columns * rows), 0);
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i)
                for (const cGrown_Wall& g : Grown)
                    if (g.X_Lo <= k.Xs[std::size_t(i)] && k.Xs[std::size_t(i) + 1] <= g.X_Hi &&
                        g.Y_Lo <= k.Ys[std::size_t(j)] && k.Ys[std::size_t(j) + 1] <= g.Y_Hi)
                        k.Piece[std::size_t(i + j * columns)] = -1;
        // The free boxes joined side by side, numbered by a flood.
        int pieces = 0;
        std::vector<int> stack;
        for (std::size_t b = 0; b < k.Piece.size(); ++b) {
            if (k.Piece[b] != 0) continue;
            const int piece = ++pieces;
            k.Piece[b] = piece;
            stack.assign(1, int(b));
            while (!stack.empty()) {
                const int at = stack.back();
                stack.pop_back();
                const int i = at % columns, j = at / columns;
                const int next[4][2] = {{i - 1, j}, {i + 1, j}, {i, j - 1}, {i, j + 1}};
                for (const auto& n : next) {
                    if (n[0] < 0 || n[0] >= columns || n[1] < 0 || n[1] >= rows) continue;
                    int& other = k.Piece[std::size_t(n[0] + n[1] * columns)];
                    if (other != 0) continue;
                    other = piece;
                    stack.push_back(n[0] + n[1] * columns);
                }
            }
        }
        for (int& p : k.Piece) p = p > 0 ? p - 1 : -1;
        k.Mark.assign(std::size_t(pieces), 0);
        return k;
    }

    // The piece of a cut cell touching its side at u along the side.
    static int Side_Piece(const cCut_Cell& k, int side, const cSym& u) {
        if (side == BOTTOM || side == TOP) {
            const int j = side == BOTTOM ? 0 : k.Rows() - 1;
            return k.Piece[std::size_t(Slot(k.Xs, u) + j * k.Columns())];
        }
        const int i = side == LEFT ? 0 : k.Columns() - 1;
        return k.Piece[std::size_t(i + Slot(k.Ys, u) * k.Columns())];
    }

    // Marks a piece reached by search who (0 from the start, 1 from the
    // goal); true when the other one had.
    bool Reach(int cell, int piece, int who) {
        const unsigned char mark = (unsigned char)(who + 1);
        unsigned char had = 0;
        auto found = Cut_Cells.find(cell);
        if (found != Cut_Cells.end()) {
            unsigned char& m = found->second.Mark[std::size_t(piece)];
            had = m;
            if (had == 0) m = mark;
        } else {
            std::uint32_t& s = (*Seen)[std::size_t(cell)];
            had = (s >> 2) == Stamp ? (unsigned char)(s & 3) : 0;
            if (had == 0) s = (Stamp << 2) | mark;
        }
        if (had != 0) return had != mark;
        const cRoute_Cell& c = Cells[std::size_t(cell)];
        const cPoint2D& t = Toward[who];
        const std::int64_t dx = t.x < c.X_Lo.V ? std::int64_t(c.X_Lo.V) - t.x : t.x > c.X_Hi.V ? std::int64_t(t.x) - c.X_Hi.V : 0;
        const std::int64_t dy = t.y < c.Y_Lo.V ? std::int64_t(c.Y_Lo.V) - t.y : t.y > c.Y_Hi.V ? std::int64_t(t.y) - c.Y_Hi.V : 0;
        Open[who].push(cCut_Node{dx * dx + dy * dy, cell, piece});
        return false;
    }

    // Goes from a piece through every free stretch of its cell's portals;
    // true when it meets the other search.
    bool Expand(int cell, int piece, int who) {
        const cRoute_Cell& c = Cells[std::size_t(cell)];
        const cCut_Cell* cut = nullptr;
        auto found = Cut_Cells.find(cell);
        if (found != Cut_Cells.end()) cut = &found->second;
        for (int s = BOTTOM; s <= RIGHT; ++s) {
            int first, count;
            Mesh.Side_Portals(c, s, first, count);
            for (int i = first; i < first + count; ++i) {
                const cRoute_Portal& p = Portals[std::size_t(i)];
                const int across = s == TOP || s == RIGHT ? p.Above : p.Below;
                if (!Mesh.Passable(across, Door_Open)) continue;
                const bool across_cut = Meets(across);
                if (cut == nullptr && !across_cut) {
                    if (Reach(across, 0, who)) return true;
                    continue;
                }
                const cCut_Cell* beyond = across_cut ? &Cut(across) : nullptr;
                if (Through_Portal(p, s, cut, piece, across, beyond, who)) return true;
            }
        }
        return false;
    }

    // The free stretches of portal p on side s of a cell (cut, or whole when
    // cut is null, its piece piece) into the cell across (beyond likewise).
    bool Through_Portal(const cRoute_Portal& p, int s, const cCut_Cell* cut, int piece, int across,
                        const cCut_Cell* beyond, int who) {
        // The grown walls across the portal's line cut it where they begin
        // and end.
        const bool along_x = !p.Vertical;
        Breaks.assign({p.Lo, p.Hi});
        Across_Line.clear();
        for (const cGrown_Wall& g : Grown) {
            const cSym& lo = along_x ? g.Y_Lo : g.X_Lo;
            const cSym& hi = along_x ? g.Y_Hi : g.X_Hi;
            if (!(lo <= p.At && p.At <= hi)) continue;
            Across_Line.push_back(&g);
            for (const cSym& b : {along_x ? g.X_Lo : g.Y_Lo, along_x ? g.X_Hi : g.Y_Hi})
                if (p.Lo < b && b < p.Hi) Breaks.push_back(b);
        }
        std::sort(Breaks.begin(), Breaks.end());
        Breaks.erase(std::unique(Breaks.begin(), Breaks.end()), Breaks.end());
        const int facing = s ^ 1;  // the portal is on this side of the cell across
        for (std::size_t b = 0; b + 1 < Breaks.size(); ++b) {
            const cSym& u = Breaks[b];
            const cSym& v = Breaks[b + 1];
            bool covered = false;
            for (const cGrown_Wall* g : Across_Line) {
                const cSym& lo = along_x ? g->X_Lo : g->Y_Lo;
                const cSym& hi = along_x ? g->X_Hi : g->Y_Hi;
                if (lo <= u && v <= hi) {
                    covered = true;
                    break;
                }
            }
            if (covered) continue;
            if (cut != nullptr && Side_Piece(*cut, s, u) != piece) continue;
            const int there = beyond != nullptr ? Side_Piece(*beyond, facing, u) : 0;
            if (there < 0) continue;
            if (Reach(across, there, who)) return true;
        }
        return false;
    }

    const cRoute_Mesh& Mesh;
    const tBig_Vector<cRoute_Cell>& Cells;
    const tBig_Vector<cRoute_Portal>& Portals;
    const unsigned char* Door_Open;
    std::vector<cGrown_Wall> Grown;
    std::vector<std::uint32_t>* Seen = nullptr;
    std::uint32_t Stamp = 0;
    // Cut cells by number; std::unordered_map keeps its elements in place as
    // it grows, so pointers to them stay valid.
    std::unordered_map<int, cCut_Cell> Cut_Cells;
    std::priority_queue<cCut_Node> Open[2];
    cPoint2D Toward[2];
    std::vector<cSym> Breaks;
    std::vector<const cGrown_Wall*> Across_Line;
};

}  // namespace

ROUTE_CUT Route_Cut(const cRoute_Mesh& mesh, const cPoint2D& start, const cPoint2D& goal,
                    const std::vector<cHV_Wall>& walls, const unsigned char* door_open) {
    cCut_Search search(mesh, walls, door_open);
    return search.Run(start, goal);
}

}  // namespace bsp_levels
