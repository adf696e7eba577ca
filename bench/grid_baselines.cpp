#include "grid_baselines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

using namespace bsp_levels;

namespace grid_baselines {

namespace {

const double SQRT2 = std::sqrt(2.0);

int Count_Trailing_Zeros(std::uint64_t v) { return __builtin_ctzll(v); }
int Count_Leading_Zeros(std::uint64_t v) { return __builtin_clzll(v); }

// Walks back from cell along parents and writes the cells, start first.
void Trace_Back(const cPadded_Grid& grid, const std::vector<cSearch_Node>& node, int cell, std::vector<cCell>& path) {
    path.clear();
    for (int c = cell; c >= 0; c = node[std::size_t(c)].Parent) path.push_back(cCell{grid.X_Of(c), grid.Y_Of(c)});
    std::reverse(path.begin(), path.end());
}

// Stamps: a query reaches cells with Stamp and closes them with Stamp + 1;
// when the counter would wrap, every mark is cleared first.
void Advance_Stamp(std::uint32_t& stamp, std::vector<cSearch_Node>& node) {
    if (stamp >= std::numeric_limits<std::uint32_t>::max() - 2) {
        for (cSearch_Node& n : node) n.Mark = 0;
        stamp = 0;
    }
    stamp += 2;
}

bool Usable(const cPadded_Grid& grid, cCell c) { return grid.Inside(c.X, c.Y) && grid.Is_Free(c.X, c.Y); }

double F_Of(const cCost& g, const cCost& h) {
    return cCost{g.Straight + h.Straight, g.Diagonal + h.Diagonal}.Value();
}

}  // namespace

double cCost::Value() const { return double(Straight) + SQRT2 * double(Diagonal); }

cCost Octile(int dx, int dy) {
    dx = std::abs(dx);
    dy = std::abs(dy);
    const int lo = std::min(dx, dy), hi = std::max(dx, dy);
    return cCost{hi - lo, lo};
}

// ------------------------------------------------------------------ heap

void cOpen_Heap::Push(const cEntry& e) {
    // The hole climbs from the new last place to where the entry belongs.
    std::size_t i = Heap.size();
    Heap.push_back(e);
    while (i > 0) {
        const std::size_t up = (i - 1) / 2;
        if (!Before(e, Heap[up])) break;
        Heap[i] = Heap[up];
        i = up;
    }
    Heap[i] = e;
}

cOpen_Heap::cEntry cOpen_Heap::Pop() {
    const cEntry first = Heap.front();
    const cEntry last = Heap.back();
    Heap.pop_back();
    const std::size_t n = Heap.size();
    if (n == 0) return first;
    // The hole left at the top sinks along the smaller children to a leaf,
    // then the last entry climbs from there: about half the comparisons of
    // sinking the last entry from the top, as it belongs near the bottom.
    std::size_t i = 0;
    for (;;) {
        std::size_t child = 2 * i + 1;
        if (child >= n) break;
        if (child + 1 < n && Before(Heap[child + 1], Heap[child])) ++child;
        Heap[i] = Heap[child];
        i = child;
    }
    while (i > 0) {
        const std::size_t up = (i - 1) / 2;
        if (!Before(last, Heap[up])) break;
        Heap[i] = Heap[up];
        i = up;
    }
    Heap[i] = last;
    return first;
}

// ------------------------------------------------------------------ grid

cPadded_Grid::cPadded_Grid(const cGrid_Map& map)
    : Width(map.Width), Height(map.Height), Stride(map.Width + 2),
      Free(std::size_t(map.Width + 2) * std::size_t(map.Height + 2), 0) {
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) Free[std::size_t(Index(x, y))] = map.Is_Blocked(x, y) ? 0 : 1;
}

// ------------------------------------------------------------------ A*

namespace {

const int STEP_X[8] = {1, -1, 0, 0, 1, -1, 1, -1};
const int STEP_Y[8] = {0, 0, 1, -1, 1, 1, -1, -1};

}  // namespace

cOctile_Astar::cOctile_Astar(const cGrid_Map& map) : Grid(map), Moves(Grid.Free.size(), 0), Node(Grid.Free.size()) {
    for (int d = 0; d < 8; ++d) Offset[d] = STEP_Y[d] * Grid.Stride + STEP_X[d];
    for (int y = 0; y < Grid.Height; ++y)
        for (int x = 0; x < Grid.Width; ++x) {
            const int c = Grid.Index(x, y);
            bool open[8];
            for (int d = 0; d < 4; ++d) open[d] = Grid.Free[std::size_t(c + Offset[d])] != 0;
            // A diagonal step needs both cells it passes beside free.
            for (int d = 4; d < 8; ++d)
                open[d] = open[STEP_X[d] > 0 ? 0 : 1] && open[STEP_Y[d] > 0 ? 2 : 3] &&
                          Grid.Free[std::size_t(c + Offset[d])] != 0;
            unsigned char bits = 0;
            for (int d = 0; d < 8; ++d)
                if (open[d]) bits = static_cast<unsigned char>(bits | (1u << d));
            Moves[std::size_t(c)] = bits;
        }
}

double cOctile_Astar::Find(cCell start, cCell goal, std::vector<cCell>* path) {
    if (path != nullptr) path->clear();
    N_Expanded = 0;
    if (!Usable(Grid, start) || !Usable(Grid, goal)) return -1;
    Advance_Stamp(Stamp, Node);
    Open.Clear();
    const std::uint32_t reached = Stamp, closed = Stamp + 1;
    const int source = Grid.Index(start.X, start.Y), target = Grid.Index(goal.X, goal.Y);
    cSearch_Node* node = Node.data();
    node[source].Mark = reached;
    node[source].Parent = -1;
    node[source].G = cCost{};
    cOpen_Heap::cEntry next{Octile(goal.X - start.X, goal.Y - start.Y).Value(), 0.0f, source};
    bool have_next = true;
    for (;;) {
        cOpen_Heap::cEntry e;
        if (have_next) {
            e = next;
            have_next = false;
        } else {
            if (Open.Empty()) break;
            e = Open.Pop();
            if (node[e.Cell].Mark == closed) continue;  // an entry left behind by a cheaper one
        }
        const int c = e.Cell;
        node[c].Mark = closed;
        ++N_Expanded;
        if (c == target) {
            if (path != nullptr) Trace_Back(Grid, Node, c, *path);
            return node[c].G.Value();
        }
        const cCost g = node[c].G;
        const int x = Grid.X_Of(c), y = Grid.Y_Of(c);
        for (unsigned moves = Moves[std::size_t(c)]; moves != 0; moves &= moves - 1) {
            const int d = __builtin_ctz(moves);
            const int n = c + Offset[d];
            cSearch_Node& nn = node[n];
            if (nn.Mark == closed) continue;
            const cCost ng = d < 4 ? cCost{g.Straight + 1, g.Diagonal} : cCost{g.Straight, g.Diagonal + 1};
            const double ngv = ng.Value();
            if (nn.Mark == reached && !(ngv < nn.G.Value())) continue;
            nn.Mark = reached;
            nn.G = ng;
            nn.Parent = c;
            const cOpen_Heap::cEntry ne{F_Of(ng, Octile(goal.X - (x + STEP_X[d]), goal.Y - (y + STEP_Y[d]))),
                                        float(ngv), n};
            // A successor of the same F comes before everything on the list.
            if (ne.F == e.F && (!have_next || ne.G > next.G)) {
                if (have_next) Open.Push(next);
                next = ne;
                have_next = true;
            } else {
                Open.Push(ne);
            }
        }
    }
    return -1;
}

// ------------------------------------------------------------------ bit lines

void cJump_Point_Search::cBit_Lines::Reset(int lines, int length) {
    // One blocked word before every line and enough after it that a read of
    // 64 positions from any position up to length stays inside the line.
    Words = length / 64 + 3;
    Bits.assign(std::size_t(lines + 2) * std::size_t(Words), 0);
}

void cJump_Point_Search::cBit_Lines::Set(int line, int position) {
    const int o = position + 64;
    Bits[std::size_t(line + 1) * std::size_t(Words) + std::size_t(o >> 6)] |= std::uint64_t(1) << (o & 63);
}

namespace {

// The bits of positions p .. p + 63 of a line stored from position -64 on.
inline std::uint64_t Read_Bits(const std::uint64_t* line, int p) {
    const unsigned o = unsigned(p + 64);
    const unsigned w = o >> 6, s = o & 63;
    return s == 0 ? line[w] : (line[w] >> s) | (line[w + 1] << (64 - s));
}

}  // namespace

std::uint64_t cJump_Point_Search::cBit_Lines::Read(int line, int p) const { return Read_Bits(Line(line), p); }

int cJump_Point_Search::cBit_Lines::Scan_Forward(int line, int p, bool& blocked) const {
    const std::uint64_t *l = Line(line), *a = Line(line - 1), *b = Line(line + 1);
    for (;;) {
        const std::uint64_t r = Read_Bits(l, p);
        // A neighbouring line's cell is forced where it is free and the one
        // behind it (position - 1) is blocked.
        const std::uint64_t stop = ~r | (Read_Bits(a, p) & ~Read_Bits(a, p - 1)) |
                                   (Read_Bits(b, p) & ~Read_Bits(b, p - 1));
        if (stop != 0) {
            const int i = Count_Trailing_Zeros(stop);
            blocked = ((r >> i) & 1) == 0;
            return p + i;
        }
        p += 64;
    }
}

int cJump_Point_Search::cBit_Lines::Scan_Backward(int line, int p, bool& blocked) const {
    const std::uint64_t *l = Line(line), *a = Line(line - 1), *b = Line(line + 1);
    for (;;) {
        const int base = p - 63;  // bit 63 is position p
        const std::uint64_t r = Read_Bits(l, base);
        const std::uint64_t stop = ~r | (Read_Bits(a, base) & ~Read_Bits(a, base + 1)) |
                                   (Read_Bits(b, base) & ~Read_Bits(b, base + 1));
        if (stop != 0) {
            const int i = 63 - Count_Leading_Zeros(stop);
            blocked = ((r >> i) & 1) == 0;
            return base + i;
        }
        p -= 64;
    }
}

// ------------------------------------------------------------------ JPS

cJump_Point_Search::cJump_Point_Search(const cGrid_Map& map)
    : Grid(map), Node(Grid.Free.size()), Direction(Grid.Free.size()) {
    Rows.Reset(Grid.Height, Grid.Width);
    Columns.Reset(Grid.Width, Grid.Height);
    for (int y = 0; y < Grid.Height; ++y)
        for (int x = 0; x < Grid.Width; ++x)
            if (Grid.Is_Free(x, y)) {
                Rows.Set(y, x);
                Columns.Set(x, y);
            }
}

int cJump_Point_Search::Jump_Straight(int x, int y, int dx, int dy) const {
    bool blocked = false;
    if (dy == 0) {
        if (dx > 0) {
            const int q = Rows.Scan_Forward(y, x + 1, blocked);
            if (Goal.Y == y && Goal.X > x && Goal.X <= q) return Goal.X - x;
            return blocked ? 0 : q - x;
        }
        const int q = Rows.Scan_Backward(y, x - 1, blocked);
        if (Goal.Y == y && Goal.X < x && Goal.X >= q) return x - Goal.X;
        return blocked ? 0 : x - q;
    }
    if (dy > 0) {
        const int q = Columns.Scan_Forward(x, y + 1, blocked);
        if (Goal.X == x && Goal.Y > y && Goal.Y <= q) return Goal.Y - y;
        return blocked ? 0 : q - y;
    }
    const int q = Columns.Scan_Backward(x, y - 1, blocked);
    if (Goal.X == x && Goal.Y < y && Goal.Y >= q) return y - Goal.Y;
    return blocked ? 0 : y - q;
}

int cJump_Point_Search::Jump_Diagonal(int x, int y, int dx, int dy) const {
    const unsigned char* free = Grid.Free.data();
    const int step = dy * Grid.Stride + dx;
    int c = Grid.Index(x, y);
    for (int k = 1;; ++k) {
        // No corner cutting: both cells beside the step are free.
        if (free[c + dx] == 0 || free[c + dy * Grid.Stride] == 0 || free[c + step] == 0) return 0;
        c += step;
        x += dx;
        y += dy;
        if (x == Goal.X && y == Goal.Y) return k;
        // Without corner cutting a diagonal move has no forced neighbours of
        // its own: it stops where a straight jump from it reaches a jump point.
        if (Jump_Straight(x, y, dx, 0) != 0 || Jump_Straight(x, y, 0, dy) != 0) return k;
    }
}

double cJump_Point_Search::Find(cCell start, cCell goal, std::vector<cCell>* path) {
    if (path != nullptr) path->clear();
    N_Expanded = 0;
    if (!Usable(Grid, start) || !Usable(Grid, goal)) return -1;
    Advance_Stamp(Stamp, Node);
    Open.Clear();
    Goal = goal;
    const std::uint32_t reached = Stamp, closed = Stamp + 1;
    const int source = Grid.Index(start.X, start.Y), target = Grid.Index(goal.X, goal.Y);
    const unsigned char* free = Grid.Free.data();
    const int stride = Grid.Stride;
    cSearch_Node* node = Node.data();
    node[source].Mark = reached;
    node[source].Parent = -1;
    node[source].G = cCost{};
    Direction[std::size_t(source)] = 4;  // (0, 0): the start, every direction
    cOpen_Heap::cEntry next{Octile(goal.X - start.X, goal.Y - start.Y).Value(), 0.0f, source};
    bool have_next = true;
    for (;;) {
        cOpen_Heap::cEntry e;
        if (have_next) {
            e = next;
            have_next = false;
        } else {
            if (Open.Empty()) break;
            e = Open.Pop();
            if (node[e.Cell].Mark == closed) continue;  // an entry left behind by a cheaper one
        }
        const int c = e.Cell;
        node[c].Mark = closed;
        ++N_Expanded;
        if (c == target) {
            if (path != nullptr) Trace_Back(Grid, Node, c, *path);
            return node[c].G.Value();
        }
        const cCost g = node[c].G;
        const int x = Grid.X_Of(c), y = Grid.Y_Of(c);
        const int dx = Direction[std::size_t(c)] / 3 - 1, dy = Direction[std::size_t(c)] % 3 - 1;
        // The jump point (jx, jy) reached from c at cost g + step.
        auto reach = [&](int jx, int jy, const cCost& step, int ex, int ey) {
            const int n = Grid.Index(jx, jy);
            cSearch_Node& nn = node[n];
            if (nn.Mark == closed) return;
            const cCost ng{g.Straight + step.Straight, g.Diagonal + step.Diagonal};
            const double ngv = ng.Value();
            if (nn.Mark == reached && !(ngv < nn.G.Value())) return;
            nn.Mark = reached;
            nn.G = ng;
            nn.Parent = c;
            Direction[std::size_t(n)] = static_cast<signed char>((ex + 1) * 3 + (ey + 1));
            const cOpen_Heap::cEntry ne{F_Of(ng, Octile(Goal.X - jx, Goal.Y - jy)), float(ngv), n};
            if (ne.F == e.F && (!have_next || ne.G > next.G)) {
                if (have_next) Open.Push(next);
                next = ne;
                have_next = true;
            } else {
                Open.Push(ne);
            }
        };
        // The directions to jump in: up to 8, each (dx, dy).
        int dirs[8][2];
        int n = 0;
        auto add = [&](int ex, int ey) {
            dirs[n][0] = ex;
            dirs[n][1] = ey;
            ++n;
        };
        if (dx == 0 && dy == 0) {
            add(1, 0), add(-1, 0), add(0, 1), add(0, -1);
            add(1, 1), add(-1, 1), add(1, -1), add(-1, -1);
        } else if (dx != 0 && dy != 0) {
            add(dx, 0), add(0, dy), add(dx, dy);
        } else if (dy == 0) {
            // Along a row: the natural step, and for each side whose cell is
            // free while the one behind it is blocked, the step to it and the
            // diagonal past it.
            add(dx, 0);
            for (int s : {-1, 1})
                if (free[c - dx + s * stride] == 0 && free[c + s * stride] != 0) add(0, s), add(dx, s);
        } else {
            add(0, dy);
            for (int s : {-1, 1})
                if (free[c + s - dy * stride] == 0 && free[c + s] != 0) add(s, 0), add(s, dy);
        }
        for (int i = 0; i < n; ++i) {
            const int ex = dirs[i][0], ey = dirs[i][1];
            if (ex == 0 || ey == 0) {
                const int k = Jump_Straight(x, y, ex, ey);
                if (k != 0) reach(x + k * ex, y + k * ey, cCost{k, 0}, ex, ey);
            } else {
                const int k = Jump_Diagonal(x, y, ex, ey);
                if (k != 0) reach(x + k * ex, y + k * ey, cCost{0, k}, ex, ey);
            }
        }
    }
    return -1;
}

}  // namespace grid_baselines
