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
        Nodes.emplace_back();
        Nodes[0].Depth = 1;
        for (std::size_t i = 0; i < Walls.size(); ++i) Nodes[0].Pending.push_back(Whole(int(i)));
        std::deque<int> queue{0};
        while (!queue.empty()) {
            const int n = queue.front();
            queue.pop_front();
            if (!Nodes[std::size_t(n)].Split) {
                if (Nodes[std::size_t(n)].Pending.empty()) continue;  // stays an area
                Write(Choose_Divider(Nodes[std::size_t(n)].Pending));
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
        int Line;  // y of a horizontal piece, x of a vertical one
        int A, B;  // extent along the line, A < B
    };
    struct cNode {
        bool Split = false;
        bool Horizontal = false;
        int Line = 0;
        int Depth = 0;
        int Front = -1, Back = -1;
        std::vector<cPiece> Pending;  // pieces of unwritten walls that reach this empty slot
    };
    enum Side { FRONT, BACK, SPANNING, ON };

    const std::vector<cGrid_Wall>& Walls;
    const cWeighting Weights;
    std::vector<bool> Written;
    std::vector<cGrid_Wall> Order;
    std::vector<cNode> Nodes;
    int Split_Nodes = 0;
    int Max_Depth = 0;

    cPiece Whole(int i) const {
        const cGrid_Wall& w = Walls[std::size_t(i)];
        return w.Is_Horizontal() ? cPiece{i, true, w.Y1, w.X1, w.X2} : cPiece{i, false, w.X1, w.Y1, w.Y2};
    }

    // Where p lies against a divider line, as the library's walls classify.
    static Side Classify(const cPiece& p, bool horizontal, int line) {
        if (p.Horizontal == horizontal) return p.Line < line ? FRONT : p.Line > line ? BACK : ON;
        if (p.B <= line) return FRONT;
        if (p.A >= line) return BACK;
        return SPANNING;
    }

    // Hands p on to the children of the split node n.
    static void Pass_Down(const cNode& n, const cPiece& p, std::vector<std::pair<int, cPiece>>& to) {
        switch (Classify(p, n.Horizontal, n.Line)) {
        case FRONT: to.emplace_back(n.Front, p); break;
        case BACK: to.emplace_back(n.Back, p); break;
        case SPANNING:
            to.emplace_back(n.Front, cPiece{p.Wall, p.Horizontal, p.Line, p.A, n.Line});
            to.emplace_back(n.Back, cPiece{p.Wall, p.Horizontal, p.Line, n.Line, p.B});
            break;
        case ON: break;  // kept with the node's line
        }
    }

    // Writes wall i: each of its pieces splits the empty slot it reaches.
    void Write(int i) {
        Written[std::size_t(i)] = true;
        Order.push_back(Walls[std::size_t(i)]);
        std::vector<std::pair<int, cPiece>> pending{{0, Whole(i)}};
        while (!pending.empty()) {
            const int n = pending.back().first;
            const cPiece p = pending.back().second;
            pending.pop_back();
            if (Nodes[std::size_t(n)].Split) {
                Pass_Down(Nodes[std::size_t(n)], p, pending);
                continue;
            }
            // p becomes the node's divider; the slot's other pieces move on.
            const int front = int(Nodes.size()), back = front + 1;
            Nodes.emplace_back();
            Nodes.emplace_back();
            cNode& node = Nodes[std::size_t(n)];
            node.Split = true;
            node.Horizontal = p.Horizontal;
            node.Line = p.Line;
            node.Front = front;
            node.Back = back;
            Nodes[std::size_t(front)].Depth = Nodes[std::size_t(back)].Depth = node.Depth + 1;
            ++Split_Nodes;
            Max_Depth = std::max(Max_Depth, node.Depth);
            std::vector<cPiece> waiting;
            waiting.swap(node.Pending);
            std::vector<std::pair<int, cPiece>> moved;
            for (const cPiece& q : waiting)
                if (q.Wall != i) Pass_Down(Nodes[std::size_t(n)], q, moved);
            for (const auto& m : moved) Nodes[std::size_t(m.first)].Pending.push_back(m.second);
        }
    }

    // The cost of dividing pieces (sorted by line) by a line: the imbalance
    // between the two sides plus the weighted cuts, less the bonus for the
    // pieces that vanish into the line. Counted in pieces, a cut is a piece
    // crossing the line; counted in lines (each line is at best one node per
    // region), a cut is a line left with pieces on both sides.
    std::int64_t Cost(const std::vector<cPiece>& pieces, bool horizontal, int line) const {
        std::int64_t front = 0, back = 0, cut = 0, on = 0;
        std::size_t i = 0;
        while (i < pieces.size()) {
            int sides = 0;  // 1 front, 2 back, 4 on
            std::size_t j = i;
            for (; j < pieces.size() && pieces[j].Horizontal == pieces[i].Horizontal && pieces[j].Line == pieces[i].Line;
                 ++j) {
                const Side side = Classify(pieces[j], horizontal, line);
                sides |= side == FRONT ? 1 : side == BACK ? 2 : side == SPANNING ? 3 : 4;
                if (!Weights.By_Lines) {
                    front += side == FRONT || side == SPANNING;
                    back += side == BACK || side == SPANNING;
                    cut += side == SPANNING;
                    on += side == ON;
                }
            }
            if (Weights.By_Lines && sides != 4) {
                front += (sides & 1) != 0;
                back += (sides & 2) != 0;
                cut += sides == 3;
            }
            i = j;
        }
        return Weights.Cut * cut + (front > back ? front - back : back - front) - Weights.On * on;
    }

    // The wall whose line divides the pieces at lowest cost. Candidate lines:
    // every line when there are few, otherwise lines at evenly spaced ranks
    // of each orientation's pieces. A wall found whole here is preferred to a
    // piece of one, so that no other piece of it lands elsewhere.
    int Choose_Divider(const std::vector<cPiece>& pending) const {
        std::vector<cPiece> pieces = pending;
        std::sort(pieces.begin(), pieces.end(), [](const cPiece& a, const cPiece& b) {
            return a.Horizontal != b.Horizontal ? a.Horizontal < b.Horizontal : a.Line < b.Line;
        });
        std::vector<std::pair<bool, int>> candidates;
        for (const bool horizontal : {false, true}) {
            const auto first = std::find_if(pieces.begin(), pieces.end(),
                                            [=](const cPiece& p) { return p.Horizontal == horizontal; });
            const auto last = std::find_if(first, pieces.end(),
                                           [=](const cPiece& p) { return p.Horizontal != horizontal; });
            const std::size_t count = std::size_t(last - first), samples = 24;
            if (count <= 2 * samples) {
                for (auto p = first; p != last; ++p) candidates.emplace_back(horizontal, p->Line);
            } else {
                for (std::size_t k = 1; k < samples; ++k) candidates.emplace_back(horizontal, first[count * k / samples].Line);
            }
        }
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

        std::int64_t best_cost = 0;
        std::pair<bool, int> best{true, 0};
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            const std::int64_t cost = Cost(pieces, candidates[k].first, candidates[k].second);
            if (k == 0 || cost < best_cost) {
                best_cost = cost;
                best = candidates[k];
            }
        }
        int chosen = -1;
        for (const cPiece& p : pending) {
            if (p.Horizontal != best.first || p.Line != best.second) continue;
            const cPiece whole = Whole(p.Wall);
            if (p.A == whole.A && p.B == whole.B) return p.Wall;
            if (chosen < 0) chosen = p.Wall;
        }
        return chosen;
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
