#include "grid_import.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <sstream>

#include "parse_int.h"

namespace bsp_levels {

// ================================================================ the map

bool cGrid_Map::Is_Blocked(int x, int y) const {
    const char c = Rows[std::size_t(y)][std::size_t(x)];
    return c != '.' && c != 'G' && c != 'S';
}

namespace {

// One line of the text without its line end (LF or CR LF).
bool Next_Line(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool Is_Blank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

bool Read_Grid_Map(std::istream& in, cGrid_Map& map, std::string& error) {
    map = cGrid_Map();
    std::string line;
    int number = 0;  // lines read, so the current line's number from 1
    bool has_type = false;
    int height = -1, width = -1;
    // A UTF-8 byte order mark, as some editors write one, is no text.
    if (in.peek() == 0xEF) {
        char mark[3] = {};
        in.read(mark, 3);
        if (in.gcount() != 3 || mark[1] != '\xBB' || mark[2] != '\xBF') {
            error = "line 1: expected \"type T\", \"height H\", \"width W\" or \"map\"";
            return false;
        }
    }
    for (;;) {
        if (!Next_Line(in, line)) {
            error = "no \"map\" line: not a grid map";
            return false;
        }
        ++number;
        if (Is_Blank(line)) continue;
        std::istringstream fields(line);
        std::string key, value, extra;
        fields >> key >> value;
        if (key == "map" && value.empty()) break;
        int* target = key == "height" ? &height : key == "width" ? &width : nullptr;
        if (key == "type" && !value.empty()) {
            has_type = true;
        } else if (target != nullptr && Parse_Int(value, *target) && *target > 0 && !(fields >> extra)) {
        } else {
            error = "line " + std::to_string(number) + ": expected \"type T\", \"height H\", \"width W\" or \"map\"";
            return false;
        }
    }
    if (!has_type || height < 0 || width < 0) {
        error = "the header needs \"type\", \"height\" and \"width\" before \"map\"";
        return false;
    }
    // The header's numbers are claims about the rest of the file, not sizes
    // to allocate: rows are taken as they come and counted against them, so
    // a header promising millions of rows costs nothing before it is refused.
    map.Width = width;
    map.Height = height;
    const std::string says_height = "the header says height " + std::to_string(height);
    while (int(map.Rows.size()) < height) {
        if (!Next_Line(in, line)) {
            error = says_height + " but the file holds " + std::to_string(map.Rows.size()) +
                    (map.Rows.size() == 1 ? " row" : " rows");
            map = cGrid_Map();
            return false;
        }
        ++number;
        if (int(line.size()) != width) {
            error = "line " + std::to_string(number) + ": the header says width " + std::to_string(width) +
                    " but the row holds " + std::to_string(line.size()) +
                    (line.size() == 1 ? " character" : " characters");
            map = cGrid_Map();
            return false;
        }
        map.Rows.push_back(line);
    }
    while (Next_Line(in, line)) {
        ++number;
        if (!Is_Blank(line)) {
            error = "line " + std::to_string(number) + ": " + says_height + " but the file holds more rows";
            map = cGrid_Map();
            return false;
        }
    }
    return true;
}

// ================================================================ tracing

namespace {

// Cells between consecutive lines: cell (i,j) covers [Xs[i],Xs[i+1]] x
// [Ys[j],Ys[j+1]]; blocked(i,j) tells whether it is blocked. A grid map's
// lines are evenly spaced, blocked space's lines are the distinct coordinates
// it uses.
template <class cBlocked>
std::vector<cGrid_Wall> Trace_Cells(const std::vector<int>& xs, const std::vector<int>& ys, cBlocked blocked) {
    const int columns = int(xs.size()) - 1, rows = int(ys.size()) - 1;
    std::vector<cGrid_Wall> walls;
    // Horizontal borders: between row y-1 and row y, on the line ys[y].
    for (int y = 1; y < rows; ++y) {
        int x = 0;
        while (x < columns) {
            if (blocked(x, y - 1) == blocked(x, y)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < columns && blocked(x, y - 1) != blocked(x, y)) ++x;
            walls.push_back({xs[std::size_t(start)], ys[std::size_t(y)], xs[std::size_t(x)], ys[std::size_t(y)]});
        }
    }
    // Vertical borders: between column x-1 and column x, on the line xs[x].
    for (int x = 1; x < columns; ++x) {
        int y = 0;
        while (y < rows) {
            if (blocked(x - 1, y) == blocked(x, y)) {
                ++y;
                continue;
            }
            const int start = y;
            while (y < rows && blocked(x - 1, y) != blocked(x, y)) ++y;
            walls.push_back({xs[std::size_t(x)], ys[std::size_t(start)], xs[std::size_t(x)], ys[std::size_t(y)]});
        }
    }
    return walls;
}

// One point per group of blocked cells joined through their sides, in the
// group's first cell in row order that is at least 2 wide and high. None when
// no cell is free.
template <class cBlocked>
std::vector<cPoint2D> Solid_Cells(const std::vector<int>& xs, const std::vector<int>& ys, cBlocked blocked) {
    std::vector<cPoint2D> points;
    if (xs.size() < 2 || ys.size() < 2) return points;
    const int columns = int(xs.size()) - 1, rows = int(ys.size()) - 1;
    const std::size_t cells = std::size_t(columns) * std::size_t(rows);
    bool any_free = false;
    for (int y = 0; y < rows && !any_free; ++y)
        for (int x = 0; x < columns && !any_free; ++x) any_free = !blocked(x, y);
    if (!any_free) return points;
    auto roomy = [&](std::size_t cell) {
        const std::size_t x = cell % std::size_t(columns), y = cell / std::size_t(columns);
        return std::int64_t(xs[x + 1]) - xs[x] >= 2 && std::int64_t(ys[y + 1]) - ys[y] >= 2;
    };
    std::vector<unsigned char> seen(cells, 0);
    std::vector<std::size_t> stack;
    for (std::size_t first = 0; first < cells; ++first) {
        if (seen[first] || !blocked(int(first % std::size_t(columns)), int(first / std::size_t(columns)))) continue;
        // Cells are taken in row order, so every cell of the group comes
        // after first; the smallest roomy one is the point's cell.
        std::size_t best = cells;
        seen[first] = 1;
        stack.assign(1, first);
        while (!stack.empty()) {
            const std::size_t cell = stack.back();
            stack.pop_back();
            if (cell < best && roomy(cell)) best = cell;
            const int x = int(cell % std::size_t(columns)), y = int(cell / std::size_t(columns));
            const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& n : next) {
                if (n[0] < 0 || n[0] >= columns || n[1] < 0 || n[1] >= rows) continue;
                const std::size_t k = std::size_t(n[1]) * std::size_t(columns) + std::size_t(n[0]);
                if (seen[k] || !blocked(n[0], n[1])) continue;
                seen[k] = 1;
                stack.push_back(k);
            }
        }
        if (best == cells) continue;
        const std::size_t x = best % std::size_t(columns), y = best / std::size_t(columns);
        points.emplace_back(int((std::int64_t(xs[x]) + xs[x + 1]) / 2), int((std::int64_t(ys[y]) + ys[y + 1]) / 2));
    }
    return points;
}

// The lines of a grid map's cells: 0, cell, 2*cell, ... count*cell.
std::vector<int> Grid_Lines(int count, int cell) {
    std::vector<int> lines(std::size_t(count) + 1);
    for (int i = 0; i <= count; ++i) lines[std::size_t(i)] = i * cell;
    return lines;
}

// Blocked space cut into cells along every coordinate it uses.
struct cCompressed_Space {
    std::vector<int> Xs, Ys;
    std::vector<unsigned char> Blocked;  // row by row

    explicit cCompressed_Space(const cBlocked_Space& space) {
        Xs = {0, space.Width};
        Ys = {0, space.Height};
        auto x_in = [&](int x) { return std::min(std::max(x, 0), space.Width); };
        auto y_in = [&](int y) { return std::min(std::max(y, 0), space.Height); };
        for (const cBlocked_Box& b : space.Boxes) {
            Xs.push_back(x_in(b.X1));
            Xs.push_back(x_in(b.X2));
            Ys.push_back(y_in(b.Y1));
            Ys.push_back(y_in(b.Y2));
        }
        for (const cGrid_Wall& w : space.Walls) {
            Xs.push_back(x_in(w.X1));
            Xs.push_back(x_in(w.X2));
            Ys.push_back(y_in(w.Y1));
            Ys.push_back(y_in(w.Y2));
        }
        for (std::vector<int>* lines : {&Xs, &Ys}) {
            std::sort(lines->begin(), lines->end());
            lines->erase(std::unique(lines->begin(), lines->end()), lines->end());
        }
    }

    // Marks the boxes' cells; the caller checks the count of cells first.
    void Mark(const cBlocked_Space& space) {
        const std::size_t columns = Xs.size() - 1;
        Blocked.assign(columns * (Ys.size() - 1), 0);
        if (Xs.size() < 2 || Ys.size() < 2) return;
        auto index = [](const std::vector<int>& lines, int v) {
            v = std::min(std::max(v, lines.front()), lines.back());
            return std::size_t(std::lower_bound(lines.begin(), lines.end(), v) - lines.begin());
        };
        for (const cBlocked_Box& b : space.Boxes) {
            const std::size_t x1 = index(Xs, std::min(b.X1, b.X2)), x2 = index(Xs, std::max(b.X1, b.X2));
            const std::size_t y1 = index(Ys, std::min(b.Y1, b.Y2)), y2 = index(Ys, std::max(b.Y1, b.Y2));
            for (std::size_t y = y1; y < y2; ++y)
                std::fill(Blocked.begin() + std::ptrdiff_t(y * columns + x1), Blocked.begin() + std::ptrdiff_t(y * columns + x2), 1);
        }
    }

    bool Is_Blocked(int x, int y) const { return Blocked[std::size_t(y) * (Xs.size() - 1) + std::size_t(x)] != 0; }
};

}  // namespace

std::vector<cGrid_Wall> Trace_Walls(const cGrid_Map& map, int cell) {
    return Trace_Cells(Grid_Lines(map.Width, cell), Grid_Lines(map.Height, cell),
                       [&](int x, int y) { return map.Is_Blocked(x, y); });
}

std::vector<cPoint2D> Solid_Points(const cGrid_Map& map, int cell) {
    return Solid_Cells(Grid_Lines(map.Width, cell), Grid_Lines(map.Height, cell),
                       [&](int x, int y) { return map.Is_Blocked(x, y); });
}

std::int64_t Compressed_Cells(const cBlocked_Space& space) {
    const cCompressed_Space cells(space);
    return std::int64_t(cells.Xs.size() - 1) * std::int64_t(cells.Ys.size() - 1);
}

std::vector<cGrid_Wall> Trace_Walls(const cBlocked_Space& space) {
    cCompressed_Space cells(space);
    cells.Mark(space);
    std::vector<cGrid_Wall> walls =
        Trace_Cells(cells.Xs, cells.Ys, [&](int x, int y) { return cells.Is_Blocked(x, y); });
    walls.insert(walls.end(), space.Walls.begin(), space.Walls.end());
    return walls;
}

std::vector<cPoint2D> Solid_Points(const cBlocked_Space& space) {
    cCompressed_Space cells(space);
    cells.Mark(space);
    return Solid_Cells(cells.Xs, cells.Ys, [&](int x, int y) { return cells.Is_Blocked(x, y); });
}

// ================================================================ ordering

bool Parse_Wall_Order(const std::string& name, cWall_Order& order) {
    if (name == "scan") order = cWall_Order::SCAN;
    else if (name == "longest") order = cWall_Order::LONGEST;
    else if (name == "balanced") order = cWall_Order::BALANCED;
    else return false;
    return true;
}

namespace {

std::int64_t Length(const cGrid_Wall& w) {
    return std::int64_t(w.X2) - w.X1 + (std::int64_t(w.Y2) - w.Y1);
}

// The balanced order replays, in a light model of the level's tree, what the
// library's insertion does with the walls written so far: every wall is cut
// by the lines of the walls written before it that it crosses, a piece lying
// on such a line stays with that line's node, and every other piece becomes a
// node in the empty slot it reaches. The model keeps, in each empty slot, the
// pieces of the walls not yet written that would reach it. Slots are visited
// breadth first; an empty slot that still expects pieces gets the line that
// divides them best, and the wall holding that line is written next (all its
// pieces land at once, each in the slot it reaches).
//
// "Best" weighs a balance term against the cost of cutting. How much each
// matters depends on the map, so the order is made with a few weightings and
// the one whose model tree has the fewest nodes is kept.
struct cWeighting {
    bool By_Lines;  // count lines rather than pieces
    int Cut;        // weight of a cut piece, or of a line left with pieces on both sides
    int On;         // bonus for a piece that lies on the candidate line
};

class cBalanced_Order {
public:
    cBalanced_Order(const std::vector<cGrid_Wall>& walls, const cWeighting& weighting)
        : Walls(walls), Weights(weighting), Written(walls.size(), false) {}

    std::vector<cGrid_Wall> Run() {
        // A map's model tree has about one wall node a wall, each with two
        // slots below it.
        Nodes.reserve(2 * Walls.size() + 1);
        Pending.reserve(2 * Walls.size() + 1);
        Nodes.emplace_back();
        Nodes[0].Depth = 1;
        Pending.emplace_back();
        // Every slot keeps its pieces in the order (orientation, line, wall),
        // which its children inherit: a slot's pieces are sorted once, at
        // the root.
        for (std::size_t i = 0; i < Walls.size(); ++i) Pending[0].push_back(Whole(int(i)));
        std::sort(Pending[0].begin(), Pending[0].end(), Before);
        std::deque<int> queue{0};
        while (!queue.empty()) {
            const int n = queue.front();
            queue.pop_front();
            if (!Nodes[std::size_t(n)].Split) {
                if (Pending[std::size_t(n)].empty()) {  // stays an area
                    std::vector<cPiece>().swap(Pending[std::size_t(n)]);
                    continue;
                }
                Write(Choose_Divider(Pending[std::size_t(n)]), n);
            }
            queue.push_back(Nodes[std::size_t(n)].Front);
            queue.push_back(Nodes[std::size_t(n)].Back);
        }
        // Walls whose every piece lies on an earlier line add no node; they
        // go last, in traced order.
        for (std::size_t i = 0; i < Walls.size(); ++i)
            if (!Written[i]) Order.push_back(Walls[i]);
        return Order;
    }

    // The model tree's wall nodes and depth (wall nodes on the longest way down).
    int Wall_Nodes() const { return Split_Nodes; }
    int Depth() const { return Max_Depth; }

private:
    // A piece of a wall: the stretch [A, B] along its line.
    struct cPiece {
        int Wall;
        bool Horizontal;
        int Line;     // y of a horizontal piece, x of a vertical one
        int A, B;     // extent along the line
        bool Entire;  // the whole wall, not a piece cut from it
    };
    struct cNode {
        int Line = 0;
        int Front = -1, Back = -1;
        int Depth = 0;
        bool Split = false;
        bool Horizontal = false;
    };
    enum Side { FRONT, BACK, SPANNING, ON };

    const std::vector<cGrid_Wall>& Walls;
    const cWeighting Weights;
    std::vector<bool> Written;
    std::vector<cGrid_Wall> Order;
    std::vector<cNode> Nodes;
    // By node: the pieces of unwritten walls that reach it while it is an
    // empty slot.
    std::vector<std::vector<cPiece>> Pending;
    // Working lists, kept from one step to the next.
    mutable struct {
        std::vector<std::pair<int, cPiece>> Landing;
        std::vector<int> Lines;
        std::vector<std::int64_t> Cost, Ahead, Across, Behind, Below, On_Line;
    } Scratch;
    int Split_Nodes = 0;
    int Max_Depth = 0;

    cPiece Whole(int i) const {
        const cGrid_Wall& w = Walls[std::size_t(i)];
        return w.Is_Horizontal() ? cPiece{i, true, w.Y1, w.X1, w.X2, true} : cPiece{i, false, w.X1, w.Y1, w.Y2, true};
    }

    // Where p lies against a divider line, as the library's walls classify.
    static Side Classify(const cPiece& p, bool horizontal, int line) {
        if (p.Horizontal == horizontal) return p.Line < line ? FRONT : p.Line > line ? BACK : ON;
        if (p.B <= line) return FRONT;
        if (p.A >= line) return BACK;
        return SPANNING;
    }

    // Hands p on to the children of the split node n: to(child, piece).
    template <class cTo>
    static void Pass_Down(const cNode& n, const cPiece& p, cTo to) {
        switch (Classify(p, n.Horizontal, n.Line)) {
        case FRONT: to(n.Front, p); break;
        case BACK: to(n.Back, p); break;
        case SPANNING:
            to(n.Front, cPiece{p.Wall, p.Horizontal, p.Line, p.A, n.Line, false});
            to(n.Back, cPiece{p.Wall, p.Horizontal, p.Line, n.Line, p.B, false});
            break;
        case ON: break;  // kept with the node's line
        }
    }

    // Writes the wall of piece, found in the empty slot at: each of its
    // pieces splits the empty slot it reaches. A whole wall has no other
    // piece, and reaches that slot: it goes there directly.
    void Write(const cPiece& piece, int at) {
        const int i = piece.Wall;
        Written[std::size_t(i)] = true;
        Order.push_back(Walls[std::size_t(i)]);
        std::vector<std::pair<int, cPiece>>& pending = Scratch.Landing;
        pending.assign(1, piece.Entire ? std::make_pair(at, piece) : std::make_pair(0, Whole(i)));
        auto wait = [&pending](int child, const cPiece& q) { pending.emplace_back(child, q); };
        while (!pending.empty()) {
            const int n = pending.back().first;
            const cPiece p = pending.back().second;
            pending.pop_back();
            if (Nodes[std::size_t(n)].Split) {
                Pass_Down(Nodes[std::size_t(n)], p, wait);
                continue;
            }
            // p becomes the node's divider; the slot's other pieces move on.
            const int front = int(Nodes.size()), back = front + 1;
            Nodes.emplace_back();
            Nodes.emplace_back();
            Pending.emplace_back();
            Pending.emplace_back();
            cNode& node = Nodes[std::size_t(n)];
            node.Split = true;
            node.Horizontal = p.Horizontal;
            node.Line = p.Line;
            node.Front = front;
            node.Back = back;
            Nodes[std::size_t(front)].Depth = Nodes[std::size_t(back)].Depth = node.Depth + 1;
            ++Split_Nodes;
            Max_Depth = std::max(Max_Depth, node.Depth);
            // The front pieces stay in the slot's list, moved up in place
            // (each piece read gives at most one front piece), which the
            // front child takes over; the back child gets a list of its own.
            std::vector<cPiece> waiting;
            waiting.swap(Pending[std::size_t(n)]);
            std::size_t n_back = 0;
            auto count = [&n_back, back](int child, const cPiece&) { n_back += child == back; };
            for (const cPiece& q : waiting)
                if (q.Wall != i) Pass_Down(node, q, count);
            std::vector<cPiece> behind;
            behind.reserve(n_back);
            std::size_t kept = 0;
            auto move = [&](int child, const cPiece& q) {
                if (child == back)
                    behind.push_back(q);
                else
                    waiting[kept++] = q;
            };
            for (std::size_t r = 0; r < waiting.size(); ++r) {
                const cPiece q = waiting[r];
                if (q.Wall != i) Pass_Down(node, q, move);
            }
            waiting.resize(kept);
            Pending[std::size_t(front)].swap(waiting);
            Pending[std::size_t(back)].swap(behind);
        }
    }

    static bool Before(const cPiece& a, const cPiece& b) {
        if (a.Horizontal != b.Horizontal) return a.Horizontal < b.Horizontal;
        return a.Line != b.Line ? a.Line < b.Line : a.Wall < b.Wall;
    }

    // The cost of dividing a slot's pieces by each of the lines ls (in
    // increasing order) of one orientation: the imbalance between the two
    // sides plus the weighted cuts, less the bonus for the pieces that vanish
    // into the line. Counted in pieces, a cut is a piece crossing the line;
    // counted in lines (each line is at best one node per region), a cut is
    // a line left with pieces on both sides. same: the slot's pieces of the
    // lines' orientation, other: the others, each sorted by line.
    //
    // Against a line L, a piece of the same orientation lies in front
    // (Line < L), behind or on it; a piece [A, B] across it lies in front
    // when B <= L, crosses it when A < L < B, and lies behind otherwise. The
    // counts for every line come from one pass over the pieces, each piece
    // adding to the range of lines for which it is in front, across or
    // behind, so that the time is the pieces' number times the logarithm of
    // the lines' (rather than their product).
    void Costs(const cPiece* same, std::size_t n_same, const cPiece* other, std::size_t n_other,
               const std::vector<int>& ls, std::vector<std::int64_t>& cost) const {
        const std::size_t m = ls.size();
        // By line k: pieces of the other orientation with B <= L (or groups
        // with a piece in front or across), crossing L (or groups with pieces
        // on both sides); lines are added as differences and summed after.
        std::vector<std::int64_t>& ahead = Scratch.Ahead;
        std::vector<std::int64_t>& across = Scratch.Across;
        std::vector<std::int64_t>& behind = Scratch.Behind;
        ahead.assign(m + 1, 0);
        across.assign(m + 1, 0);
        behind.assign(m + 1, 0);
        auto first_at_least = [&](std::int64_t v) {
            return std::size_t(std::lower_bound(ls.begin(), ls.end(), v) - ls.begin());
        };
        auto first_above = [&](std::int64_t v) {
            return std::size_t(std::upper_bound(ls.begin(), ls.end(), v) - ls.begin());
        };
        std::int64_t other_units = 0;  // pieces, or lines, of the other orientation
        if (!Weights.By_Lines) {
            other_units = std::int64_t(n_other);
            for (std::size_t i = 0; i < n_other; ++i) {
                const cPiece& p = other[i];
                ++ahead[first_at_least(p.B)];  // in front for every L >= B
                if (p.A < p.B) {               // across for A < L < B
                    ++across[first_above(p.A)];
                    --across[first_at_least(p.B)];
                }
            }
        } else {
            // A line across holds a piece in front or across when L >= B or
            // L > A for one of its pieces, and one behind or across when
            // L < B for one of them.
            for (std::size_t i = 0; i < n_other;) {
                std::int64_t front_from = std::int64_t(other[i].B), back_below = other[i].B;
                std::size_t j = i;
                for (; j < n_other && other[j].Line == other[i].Line; ++j) {
                    front_from = std::min(front_from, std::min(std::int64_t(other[j].B), std::int64_t(other[j].A) + 1));
                    back_below = std::max(back_below, std::int64_t(other[j].B));
                }
                ++other_units;
                ++ahead[first_at_least(front_from)];
                ++behind[first_at_least(back_below)];  // behind for every L < back_below
                i = j;
            }
        }
        // The pieces (or lines) of the same orientation below each line and
        // on it, in one walk along both: the pieces are sorted by line.
        std::int64_t same_units = 0;
        std::vector<std::int64_t>& below = Scratch.Below;
        std::vector<std::int64_t>& on_line = Scratch.On_Line;
        below.assign(m, 0);
        on_line.assign(m, 0);
        {
            std::size_t k = 0;
            for (std::size_t i = 0; i < n_same;) {
                std::size_t j = i + 1;
                while (j < n_same && same[j].Line == same[i].Line) ++j;
                const std::int64_t units = Weights.By_Lines ? 1 : std::int64_t(j - i);
                while (k < m && ls[k] < same[i].Line) below[k++] = same_units;
                if (k < m && ls[k] == same[i].Line) {
                    below[k] = same_units;
                    on_line[k++] = units;
                }
                same_units += units;
                i = j;
            }
            while (k < m) below[k++] = same_units;
        }
        cost.assign(m, 0);
        std::int64_t in_front = 0, crossing = 0, not_behind = 0;
        for (std::size_t k = 0; k < m; ++k) {
            in_front += ahead[k];
            crossing += across[k];
            not_behind += behind[k];
            std::int64_t front, back, cut, on = 0;
            const std::int64_t above = same_units - below[k] - on_line[k];
            if (!Weights.By_Lines) {
                on = on_line[k];
                // in_front counts the pieces across with B <= L: in front only.
                front = below[k] + in_front + crossing;
                back = above + (other_units - in_front);
                cut = crossing;
            } else {
                const std::int64_t back_lines = other_units - not_behind;  // lines with a piece behind or across
                front = below[k] + in_front;
                back = above + back_lines;
                cut = in_front + back_lines - other_units;
            }
            cost[k] = Weights.Cut * cut + (front > back ? front - back : back - front) - Weights.On * on;
        }
    }

    // The wall whose line divides the pieces (sorted by Before) at lowest
    // cost. Candidate lines: every line when there are few, otherwise lines
    // at evenly spaced ranks of each orientation's pieces. A wall found whole
    // here is preferred to a piece of one, so that no other piece of it lands
    // elsewhere.
    cPiece Choose_Divider(const std::vector<cPiece>& pieces) const {
        std::size_t n_vertical = 0;
        while (n_vertical < pieces.size() && !pieces[n_vertical].Horizontal) ++n_vertical;
        const cPiece* part[2] = {pieces.data(), pieces.data() + n_vertical};
        const std::size_t size[2] = {n_vertical, pieces.size() - n_vertical};
        std::int64_t best_cost = 0;
        std::pair<bool, int> best{true, 0};
        bool any = false;
        std::vector<int>& ls = Scratch.Lines;
        std::vector<std::int64_t>& cost = Scratch.Cost;
        for (const bool horizontal : {false, true}) {
            const cPiece* first = part[horizontal];
            const std::size_t count = size[horizontal], samples = 24;
            ls.clear();
            if (count <= 2 * samples) {
                for (std::size_t k = 0; k < count; ++k) ls.push_back(first[k].Line);
            } else {
                for (std::size_t k = 1; k < samples; ++k) ls.push_back(first[count * k / samples].Line);
            }
            ls.erase(std::unique(ls.begin(), ls.end()), ls.end());
            if (ls.empty()) continue;
            Costs(first, count, part[!horizontal], size[!horizontal], ls, cost);
            for (std::size_t k = 0; k < ls.size(); ++k) {
                if (!any || cost[k] < best_cost) {
                    best_cost = cost[k];
                    best = {horizontal, ls[k]};
                    any = true;
                }
            }
        }
        // The pieces on the chosen line, in the order of their walls.
        const cPiece key{-1, best.first, best.second, 0, 0, false};
        const auto group = std::lower_bound(pieces.begin(), pieces.end(), key, Before);
        for (auto p = group; p != pieces.end() && p->Horizontal == best.first && p->Line == best.second; ++p)
            if (p->Entire) return *p;
        return *group;
    }
};

std::vector<cGrid_Wall> Balanced(const std::vector<cGrid_Wall>& walls) {
    // Pieces with a heavy cut weight suit long walls (mazes), pieces with a
    // bonus for the line's own pieces suit many short collinear walls
    // (scattered obstacles), lines suit rooms and corridors.
    const cWeighting weightings[] = {{false, 16, 0}, {false, 16, 8}, {true, 4, 0}};
    std::vector<cGrid_Wall> best;
    int best_nodes = 0, best_depth = 0;
    for (const cWeighting& w : weightings) {
        cBalanced_Order order(walls, w);
        std::vector<cGrid_Wall> walls_in_order = order.Run();
        if (best.empty() || order.Wall_Nodes() < best_nodes ||
            (order.Wall_Nodes() == best_nodes && order.Depth() < best_depth)) {
            best.swap(walls_in_order);
            best_nodes = order.Wall_Nodes();
            best_depth = order.Depth();
        }
    }
    return best;
}

}  // namespace

std::vector<cGrid_Wall> Order_Walls(const std::vector<cGrid_Wall>& walls, cWall_Order order) {
    switch (order) {
    case cWall_Order::SCAN:
        return walls;
    case cWall_Order::LONGEST: {
        std::vector<cGrid_Wall> sorted = walls;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const cGrid_Wall& a, const cGrid_Wall& b) { return Length(a) > Length(b); });
        return sorted;
    }
    case cWall_Order::BALANCED:
        return Balanced(walls);
    }
    return walls;
}

// ================================================================ writing

void Write_Level(std::ostream& out, int width, int height, const std::vector<cGrid_Wall>& walls,
                 const std::vector<cPoint2D>* solid) {
    std::ostringstream text;
    text << "<AREA>\n[" << width << ',' << height << "]\n";
    if (!walls.empty()) text << "<WALLS>\n";
    for (const cGrid_Wall& w : walls) text << '[' << w.X1 << ',' << w.Y1 << "]->[" << w.X2 << ',' << w.Y2 << "]\n";
    if (solid != nullptr && !solid->empty()) {
        text << "<SOLID>\n";
        for (const cPoint2D& p : *solid) text << '[' << p.x << ',' << p.y << "]\n";
    }
    out << text.str();
}

}  // namespace bsp_levels
