#include "route/route_mesh.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <utility>

namespace bsp_levels {

namespace {

// A coordinate as an unsigned key that sorts like the coordinate: values lie
// within COORD_LIMIT < 2^28 and the ε parts of the sweep within [-4, 3].
constexpr std::int64_t KEY_OFFSET = std::int64_t(1) << 28;
std::uint32_t Key_Of(const cSym& s) { return std::uint32_t((std::int64_t(s.V) + KEY_OFFSET) * 8 + (s.K + 4)); }
cSym Sym_Of(std::uint32_t key) { return cSym(std::int64_t(key / 8) - KEY_OFFSET, int(key % 8) - 4); }

// Sorts keys (radix sort, two passes of 16 bits, when there are many) and
// drops repeats.
void Sort_Unique(std::vector<std::uint32_t>& keys) {
    if (keys.size() < 4096) {
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        return;
    }
    std::vector<std::uint32_t> other(keys.size());
    for (int shift = 0; shift < 32; shift += 16) {
        std::vector<std::uint32_t> count(65537, 0);
        for (std::uint32_t k : keys) ++count[((k >> shift) & 0xffff) + 1];
        for (std::size_t i = 1; i < count.size(); ++i) count[i] += count[i - 1];
        for (std::uint32_t k : keys) other[count[(k >> shift) & 0xffff]++] = k;
        keys.swap(other);
    }
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
}

// The place of key in sorted (a branch-free binary search).
int Index_Of(const std::vector<std::uint32_t>& sorted, std::uint32_t key) {
    const std::uint32_t* base = sorted.data();
    std::size_t n = sorted.size();
    while (n > 1) {
        const std::size_t half = n / 2;
        base = base[half - 1] < key ? base + half : base;
        n -= half;
    }
    return int(base - sorted.data()) + (n == 1 && *base < key ? 1 : 0);
}

// What covers each elementary interval between consecutive x coordinates: a
// wall counts WALL, a door 1. The least and the greatest value of every range
// let the uniform runs of free intervals (value below WALL) be listed in time
// proportional to their number times the tree's height.
constexpr std::int64_t WALL = std::int64_t(1) << 32;

class cCover_Tree {
public:
    explicit cCover_Tree(int size) {
        while (Leaves < size) Leaves *= 2;
        Min.assign(2 * std::size_t(Leaves), 0);
        Max.assign(2 * std::size_t(Leaves), 0);
        Add.assign(2 * std::size_t(Leaves), 0);
        // Leaves past the end are walled off for good.
        if (size < Leaves) Change(size, Leaves, WALL);
    }

    void Change(int lo, int hi, std::int64_t delta) {
        if (lo >= hi) return;
        int l = lo + Leaves, r = hi + Leaves;
        const int first = l, last = r - 1;
        while (l < r) {
            if (l & 1) Apply(l++, delta);
            if (r & 1) Apply(--r, delta);
            l >>= 1;
            r >>= 1;
        }
        Pull(first);
        Pull(last);
    }
    // Appends the maximal runs [a, b) of one free value within [lo, hi), in
    // order, with their values.
    struct cRun {
        int A, B;
        std::int64_t Value;
    };
    void Free_Runs(int lo, int hi, std::vector<cRun>& runs) const {
        if (lo >= hi) return;
        // Down from the least node holding the whole range, with what its
        // ancestors add.
        const int first = lo + Leaves, last = hi - 1 + Leaves;
        int shift = 0;
        while ((first >> shift) != (last >> shift)) ++shift;
        const int top = first >> shift;
        std::int64_t above = 0;
        for (int n = top >> 1; n >= 1; n >>= 1) above += Add[std::size_t(n)];
        struct cVisit {
            int Node, L, R;
            std::int64_t Above;
        };
        cVisit stack[64];
        int depth = 0;
        const int width = Leaves >> (31 - __builtin_clz(unsigned(top)));
        const int l0 = (top - (1 << (31 - __builtin_clz(unsigned(top))))) * width;
        stack[depth++] = {top, l0, l0 + width, above};
        while (depth > 0) {
            const cVisit v = stack[--depth];
            if (hi <= v.L || v.R <= lo) continue;
            const std::size_t n = std::size_t(v.Node);
            if (Min[n] + v.Above >= WALL) continue;
            if (Min[n] == Max[n]) {
                const int a = std::max(v.L, lo), b = std::min(v.R, hi);
                const std::int64_t value = Min[n] + v.Above;
                if (!runs.empty() && runs.back().B == a && runs.back().Value == value)
                    runs.back().B = b;
                else
                    runs.push_back({a, b, value});
                continue;
            }
            const int m = (v.L + v.R) / 2;
            stack[depth++] = {2 * v.Node + 1, m, v.R, v.Above + Add[n]};
            stack[depth++] = {2 * v.Node, v.L, m, v.Above + Add[n]};
        }
    }

private:
    void Apply(int node, std::int64_t delta) {
        Min[std::size_t(node)] += delta;
        Max[std::size_t(node)] += delta;
        Add[std::size_t(node)] += delta;
    }
    void Pull(int node) {
        for (node >>= 1; node >= 1; node >>= 1) {
            const std::size_t n = std::size_t(node);
            Min[n] = Add[n] + std::min(Min[2 * n], Min[2 * n + 1]);
            Max[n] = Add[n] + std::max(Max[2 * n], Max[2 * n + 1]);
        }
    }
    int Leaves = 1;
    std::vector<std::int64_t> Min, Max, Add;
};

// A set of small integers with the greatest member up to a bound, in time
// proportional to the number's digits in base 64.
class cInt_Set {
public:
    explicit cInt_Set(int size) {
        std::size_t n = std::size_t(std::max(size, 1));
        do {
            n = (n + 63) / 64;
            Level.emplace_back(n, 0);
        } while (n > 1);
    }
    void Insert(int i) {
        for (std::vector<std::uint64_t>& words : Level) {
            words[std::size_t(i) >> 6] |= std::uint64_t(1) << (i & 63);
            i >>= 6;
        }
    }
    void Erase(int i) {
        for (std::vector<std::uint64_t>& words : Level) {
            std::uint64_t& w = words[std::size_t(i) >> 6];
            w &= ~(std::uint64_t(1) << (i & 63));
            if (w != 0) break;
            i >>= 6;
        }
    }
    // The greatest member <= i, or -1.
    int Before(int i) const {
        std::size_t level = 0;
        for (;;) {
            if (i < 0) return -1;
            const std::uint64_t w =
                Level[level][std::size_t(i) >> 6] & ((std::uint64_t(2) << (i & 63)) - 1);
            if (w != 0) {
                i = (i & ~63) | (63 - __builtin_clzll(w));
                break;
            }
            if (level + 1 == Level.size()) return -1;
            i = (i >> 6) - 1;
            ++level;
        }
        while (level > 0) {
            --level;
            i = i * 64 + 63 - __builtin_clzll(Level[level][std::size_t(i)]);
        }
        return i;
    }

private:
    std::vector<std::vector<std::uint64_t>> Level;
};

}  // namespace

void cRoute_Mesh::Build(const std::vector<cHV_Wall>& walls, const std::vector<cHV_Wall>& doors,
                        const cRect2D& world, int half_size) {
    Half = half_size;
    World = world;
    Cell.clear();
    Portal.clear();
    Sides.clear();
    Door_Ids.clear();
    Flags.clear();
    Border.clear();
    for (const std::vector<cHV_Wall>* list : {&walls, &doors})
        for (const cHV_Wall& w : *list)
            if ((w.p0.x == w.p1.x && (w.p0.x == world.Min.x || w.p0.x == world.Max.x)) ||
                (w.p0.y == w.p1.y && (w.p0.y == world.Min.y || w.p0.y == world.Max.y)))
                Border.push_back(w);

    // Grown by h - ε for h > 0 (the open grown wall, thinned), by ε for h = 0
    // (a wall the agent may touch but not cross).
    const std::int64_t h = half_size;
    const int k = h > 0 ? 1 : -1;  // the ε of a grown wall's lower side; its upper side has -k
    const cSym x_lo(std::int64_t(world.Min.x) + h, -k), x_hi(std::int64_t(world.Max.x) - h, k);
    const cSym y_lo(std::int64_t(world.Min.y) + h, -k), y_hi(std::int64_t(world.Max.y) - h, k);
    if (!(x_lo < x_hi) || !(y_lo < y_hi)) {
        Build_Locator();
        return;  // no room for the agent anywhere
    }

    // The grown walls, then the grown doors, clipped to the free space's
    // extent, as keys.
    struct cObstacle {
        std::uint32_t X_Lo, X_Hi, Y_Lo, Y_Hi;
        int Door;  // -1 for a wall
    };
    std::vector<cObstacle> obstacles;
    obstacles.reserve(walls.size() + doors.size());
    auto grow = [&](const cHV_Wall& w, int door) {
        const cGrown_Wall g = Grow_Wall(w, half_size);
        const cSym ox0 = std::max(g.X_Lo, x_lo), ox1 = std::min(g.X_Hi, x_hi);
        const cSym oy0 = std::max(g.Y_Lo, y_lo), oy1 = std::min(g.Y_Hi, y_hi);
        if (ox0 < ox1 && oy0 < oy1) obstacles.push_back({Key_Of(ox0), Key_Of(ox1), Key_Of(oy0), Key_Of(oy1), door});
    };
    for (const cHV_Wall& w : walls) grow(w, -1);
    for (std::size_t i = 0; i < doors.size(); ++i) grow(doors[i], int(i));

    // The x coordinates, and the y coordinates where something changes.
    std::vector<std::uint32_t> xs, ys;
    xs.reserve(2 * obstacles.size() + 2);
    ys.reserve(2 * obstacles.size() + 1);
    xs.push_back(Key_Of(x_lo));
    xs.push_back(Key_Of(x_hi));
    ys.push_back(Key_Of(y_lo));
    const std::uint32_t top = Key_Of(y_hi);
    for (const cObstacle& o : obstacles) {
        xs.push_back(o.X_Lo);
        xs.push_back(o.X_Hi);
        ys.push_back(o.Y_Lo);
        if (o.Y_Hi < top) ys.push_back(o.Y_Hi);
    }
    Sort_Unique(xs);
    Sort_Unique(ys);
    const int elementary = int(xs.size()) - 1;
    std::vector<cSym> x_at(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i) x_at[i] = Sym_Of(xs[i]);

    // The changes, line by line (a counting sort by line).
    struct cEvent {
        int Lo, Hi;
        int Obstacle;  // its number; the complement when it ends
    };
    std::vector<int> line_start(ys.size() + 1, 0);
    std::vector<int> start_line(obstacles.size()), end_line(obstacles.size());
    for (std::size_t i = 0; i < obstacles.size(); ++i) {
        const cObstacle& o = obstacles[i];
        start_line[i] = Index_Of(ys, o.Y_Lo);
        ++line_start[std::size_t(start_line[i]) + 1];
        end_line[i] = o.Y_Hi < top ? Index_Of(ys, o.Y_Hi) : -1;
        if (end_line[i] >= 0) ++line_start[std::size_t(end_line[i]) + 1];
    }
    for (std::size_t i = 1; i < line_start.size(); ++i) line_start[i] += line_start[i - 1];
    std::vector<cEvent> events(std::size_t(line_start.back()));
    {
        std::vector<int> fill(line_start.begin(), line_start.end() - 1);
        for (std::size_t i = 0; i < obstacles.size(); ++i) {
            const int lo = Index_Of(xs, obstacles[i].X_Lo), hi = Index_Of(xs, obstacles[i].X_Hi);
            events[std::size_t(fill[std::size_t(start_line[i])]++)] = {lo, hi, int(i)};
            if (end_line[i] >= 0) events[std::size_t(fill[std::size_t(end_line[i])]++)] = {lo, hi, ~int(i)};
        }
    }

    Cell.reserve(obstacles.size() + 1);
    Portal.reserve(obstacles.size() + 1);
    cCover_Tree cover(elementary);
    cInt_Set starts(elementary + 1);         // the first elementary interval of each open cell
    std::vector<int> open_at(std::size_t(elementary) + 1, -1);  // ... and the cell
    std::vector<int> open_end;             // by cell: one past its last elementary interval
    std::vector<std::int64_t> open_value;  // by cell: the doors covering it
    std::vector<unsigned char> beside;     // by cell: 1 with a cell on its left, 2 on its right
    std::vector<int> active_doors;         // the grown doors across the sweep line
    bool many_doors = false;               // a cell lies under more than MESH_DOOR_LIST doors
    open_end.reserve(obstacles.size() + 1);
    open_value.reserve(obstacles.size() + 1);
    beside.reserve(obstacles.size() + 1);

    auto open_cell = [&](const cCover_Tree::cRun& r, const cSym& y) {
        cRoute_Cell c;
        c.X_Lo = x_at[std::size_t(r.A)];
        c.X_Hi = x_at[std::size_t(r.B)];
        c.Y_Lo = y;
        c.Y_Hi = y;
        if (r.Value > MESH_DOOR_LIST) {
            c.Doors = MANY_DOORS;
            many_doors = true;
        } else if (r.Value > 0) {
            // The doors covering the run.
            c.Doors = int(Door_Ids.size());
            Door_Ids.push_back(0);
            for (int door : active_doors) {
                const cObstacle& o = obstacles[std::size_t(door)];
                if (Index_Of(xs, o.X_Lo) <= r.A && r.B <= Index_Of(xs, o.X_Hi)) {
                    Door_Ids.push_back(o.Door);
                    ++Door_Ids[std::size_t(c.Doors)];
                }
            }
            assert(Door_Ids[std::size_t(c.Doors)] == r.Value);
        }
        Cell.push_back(c);
        open_end.push_back(r.B);
        open_value.push_back(r.Value);
        beside.push_back(0);
        const int id = int(Cell.size()) - 1;
        open_at[std::size_t(r.A)] = id;
        starts.Insert(r.A);
        return id;
    };
    // Runs that meet side by side have cells on their sides.
    auto mark_beside = [&](const std::vector<cCover_Tree::cRun>& runs, const std::vector<int>& cells) {
        for (std::size_t i = 1; i < runs.size(); ++i)
            if (runs[i - 1].B == runs[i].A) {
                beside[std::size_t(cells[i - 1])] |= 2;
                beside[std::size_t(cells[i])] |= 1;
            }
    };
    auto apply = [&](const cEvent& e) {
        const bool starting = e.Obstacle >= 0;
        const int id = starting ? e.Obstacle : ~e.Obstacle;
        const bool door = obstacles[std::size_t(id)].Door >= 0;
        cover.Change(e.Lo, e.Hi, (door ? 1 : WALL) * (starting ? 1 : -1));
        if (!door) return;
        if (starting)
            active_doors.push_back(id);
        else
            active_doors.erase(std::find(active_doors.begin(), active_doors.end(), id));
    };

    std::vector<cCover_Tree::cRun> runs;
    std::vector<int> run_cells;
    // What lies across the world's bottom at the start.
    for (int e = line_start[0]; e < line_start[1]; ++e) apply(events[std::size_t(e)]);
    cover.Free_Runs(0, elementary, runs);
    for (const auto& r : runs) run_cells.push_back(open_cell(r, y_lo));
    mark_beside(runs, run_cells);

    std::vector<std::pair<int, int>> spans, merged;
    std::vector<int> closed, opened, ending;
    for (std::size_t line = 1; line < ys.size(); ++line) {
        const cSym y = Sym_Of(ys[line]);
        const int first = line_start[line], last = line_start[line + 1];
        // The runs of intervals that change here, widened to the open cells
        // they touch (which change too), merged where they touch.
        spans.clear();
        for (int e = first; e < last; ++e) {
            int a = events[std::size_t(e)].Lo, b = events[std::size_t(e)].Hi;
            for (int s = starts.Before(b); s >= 0; s = starts.Before(s - 1)) {
                const int cell = open_at[std::size_t(s)];
                if (open_end[std::size_t(cell)] < a) break;
                a = std::min(a, s);
                b = std::max(b, open_end[std::size_t(cell)]);
            }
            spans.push_back({a, b});
        }
        std::sort(spans.begin(), spans.end());
        merged.clear();
        for (const auto& s : spans) {
            if (!merged.empty() && s.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, s.second);
            else
                merged.push_back(s);
        }
        for (int e = first; e < last; ++e) apply(events[std::size_t(e)]);

        for (const auto& s : merged) {
            // The cells open across the span before, and the free runs after.
            closed.clear();
            for (int a = starts.Before(s.second - 1); a >= s.first; a = starts.Before(a - 1)) {
                closed.push_back(open_at[std::size_t(a)]);
                open_at[std::size_t(a)] = -1;
                starts.Erase(a);
            }
            std::reverse(closed.begin(), closed.end());
            runs.clear();
            cover.Free_Runs(s.first, s.second, runs);
            opened.clear();
            ending.clear();
            run_cells.clear();
            std::size_t c = 0;
            for (const auto& r : runs) {
                while (c < closed.size() && Cell[std::size_t(closed[c])].X_Lo < x_at[std::size_t(r.A)])
                    ending.push_back(closed[c++]);
                const int same = c < closed.size() ? closed[c] : -1;
                if (same >= 0 && Cell[std::size_t(same)].X_Lo == x_at[std::size_t(r.A)] &&
                    open_end[std::size_t(same)] == r.B && open_value[std::size_t(same)] == r.Value) {
                    open_at[std::size_t(r.A)] = same;  // the same run: the cell goes on
                    starts.Insert(r.A);
                    run_cells.push_back(same);
                    ++c;
                    continue;
                }
                opened.push_back(open_cell(r, y));
                run_cells.push_back(opened.back());
            }
            while (c < closed.size()) ending.push_back(closed[c++]);
            mark_beside(runs, run_cells);
            // Cells beside the span that go on unchanged.
            if (!runs.empty() && runs.front().A == s.first) {
                const int a = starts.Before(s.first - 1);
                if (a >= 0 && open_end[std::size_t(open_at[std::size_t(a)])] == s.first) {
                    beside[std::size_t(open_at[std::size_t(a)])] |= 2;
                    beside[std::size_t(run_cells.front())] |= 1;
                }
            }
            if (!runs.empty() && runs.back().B == s.second && open_at[std::size_t(s.second)] >= 0) {
                beside[std::size_t(run_cells.back())] |= 2;
                beside[std::size_t(open_at[std::size_t(s.second)])] |= 1;
            }
            // The cells that end here, and the portals between them and the
            // new ones, in order along x.
            for (int cell : ending) Cell[std::size_t(cell)].Y_Hi = y;
            std::size_t i = 0, j = 0;
            while (i < ending.size() && j < opened.size()) {
                cRoute_Cell& below = Cell[std::size_t(ending[i])];
                cRoute_Cell& above = Cell[std::size_t(opened[j])];
                const cSym lo = std::max(below.X_Lo, above.X_Lo), hi = std::min(below.X_Hi, above.X_Hi);
                if (lo < hi) {
                    const int id = int(Portal.size());
                    Portal.push_back({lo, hi, y, ending[i], opened[j], below.X_Lo != above.X_Lo,
                                      below.X_Hi != above.X_Hi, false});
                    if (below.N_Top++ == 0) below.First_Top = id;
                    if (above.N_Bottom++ == 0) above.First_Bottom = id;
                }
                if (below.X_Hi < above.X_Hi)
                    ++i;
                else
                    ++j;
            }
        }
    }
    for (int a = starts.Before(elementary - 1); a >= 0; a = starts.Before(a - 1))
        Cell[std::size_t(open_at[std::size_t(a)])].Y_Hi = y_hi;
    Link_Sides(beside);
    Set_Flags();
    // The lists stay as they are for the mesh's life: no room kept to grow.
    Cell.shrink_to_fit();
    Portal.shrink_to_fit();
    Sides.shrink_to_fit();
    Door_Ids.shrink_to_fit();
    Flags.shrink_to_fit();
    Build_Locator();
    Door_Boxes.clear();
    if (many_doors) {
        std::vector<cItem_Box> boxes;
        for (const cObstacle& o : obstacles) {
            if (o.Door < 0) continue;
            const cDoor_Box d{Sym_Of(o.X_Lo), Sym_Of(o.X_Hi), Sym_Of(o.Y_Lo), Sym_Of(o.Y_Hi), o.Door};
            Door_Boxes.push_back(d);
            boxes.push_back({2 * std::int64_t(d.X_Lo.V), 2 * std::int64_t(d.Y_Lo.V), 2 * std::int64_t(d.X_Hi.V),
                             2 * std::int64_t(d.Y_Hi.V)});
        }
        Door_Locator.Build(boxes);
    } else {
        Door_Locator = cBox_Tree();
    }
}

bool cRoute_Mesh::Passable_Among_Many(const cRoute_Cell& c, const unsigned char* door_open) const {
    // The cell's unperturbed middle, doubled, lies in the unperturbed box of
    // every grown door that holds the cell; the exact test picks those.
    const std::int64_t x = std::int64_t(c.X_Lo.V) + c.X_Hi.V, y = std::int64_t(c.Y_Lo.V) + c.Y_Hi.V;
    return Door_Locator.Visit(x, y, [&](int i) {
        const cDoor_Box& d = Door_Boxes[std::size_t(i)];
        const bool holds = d.X_Lo <= c.X_Lo && c.X_Hi <= d.X_Hi && d.Y_Lo <= c.Y_Lo && c.Y_Hi <= d.Y_Hi;
        return !holds || door_open[d.Door] != 0;
    });
}

void cRoute_Mesh::Set_Flags() {
    Flags.assign(Cell.size(), 0);
    for (std::size_t i = 0; i < Cell.size(); ++i) {
        const cRoute_Cell& c = Cell[i];
        unsigned char f = c.Doors != -1 ? CELL_DOORS : 0;
        if (c.Sides < 0) {
            if (c.N_Top == 0 && c.N_Bottom == 1) f |= CELL_END_FROM_BELOW;
            if (c.N_Bottom == 0 && c.N_Top == 1) f |= CELL_END_FROM_ABOVE;
            if (c.N_Bottom == 1 && c.N_Top == 1) f |= CELL_CORRIDOR;
        }
        Flags[i] = f;
    }
}

// The portals between cells side by side: along each vertical line, the
// cells on its left against those on its right, in order along y.
void cRoute_Mesh::Link_Sides(const std::vector<unsigned char>& beside) {
    struct cSide {
        cSym X, Y_Lo;
        int Cell;
        bool operator<(const cSide& o) const { return X != o.X ? X < o.X : Y_Lo < o.Y_Lo; }
    };
    std::vector<cSide> rights, lefts;  // cells by their right side, by their left side
    for (std::size_t i = 0; i < beside.size(); ++i) {
        const cRoute_Cell& c = Cell[i];
        if (beside[i] & 2) rights.push_back({c.X_Hi, c.Y_Lo, int(i)});
        if (beside[i] & 1) lefts.push_back({c.X_Lo, c.Y_Lo, int(i)});
    }
    if (rights.empty()) return;
    std::sort(rights.begin(), rights.end());
    std::sort(lefts.begin(), lefts.end());
    auto sides_of = [this](int cell) -> cRoute_Sides& {
        cRoute_Cell& c = Cell[std::size_t(cell)];
        if (c.Sides < 0) {
            c.Sides = int(Sides.size());
            Sides.emplace_back();
        }
        return Sides[std::size_t(c.Sides)];
    };
    std::size_t i = 0, j = 0;
    while (i < rights.size() && j < lefts.size()) {
        if (rights[i].X != lefts[j].X) {
            if (rights[i].X < lefts[j].X)
                ++i;
            else
                ++j;
            continue;
        }
        const cRoute_Cell& left = Cell[std::size_t(rights[i].Cell)];
        const cRoute_Cell& right = Cell[std::size_t(lefts[j].Cell)];
        const cSym lo = std::max(left.Y_Lo, right.Y_Lo), hi = std::min(left.Y_Hi, right.Y_Hi);
        if (lo < hi) {
            const int id = int(Portal.size());
            Portal.push_back({lo, hi, rights[i].X, rights[i].Cell, lefts[j].Cell, left.Y_Lo != right.Y_Lo,
                              left.Y_Hi != right.Y_Hi, true});
            cRoute_Sides& l = sides_of(rights[i].Cell);
            if (l.N_Right++ == 0) l.First_Right = id;
            cRoute_Sides& r = sides_of(lefts[j].Cell);
            if (r.N_Left++ == 0) r.First_Left = id;
        }
        if (left.Y_Hi < right.Y_Hi)
            ++i;
        else
            ++j;
    }
    // Beside a door's outline, what lies across a line where the cells
    // above and below end alike may be a closed door on one side and open
    // space on the other: the end is a turning point. The ends of the
    // portals between cells side by side are taken as turning points alike.
    for (cRoute_Portal& p : Portal) {
        if (p.Vertical) {
            p.Lo_Turn = p.Hi_Turn = true;
            continue;
        }
        const cRoute_Cell& below = Cell[std::size_t(p.Below)];
        const cRoute_Cell& above = Cell[std::size_t(p.Above)];
        auto beside_on = [this](const cRoute_Cell& c, bool right) {
            return c.Sides >= 0 && (right ? Sides[std::size_t(c.Sides)].N_Right : Sides[std::size_t(c.Sides)].N_Left) > 0;
        };
        if (!p.Lo_Turn && (beside_on(below, false) || beside_on(above, false))) p.Lo_Turn = true;
        if (!p.Hi_Turn && (beside_on(below, true) || beside_on(above, true))) p.Hi_Turn = true;
    }
}

// ------------------------------------------------------------------ locator

void cRoute_Mesh::Build_Locator() {
    // The cells' extents are 32-bit values, and so are their boxes; the
    // locator reads them from the cells.
    std::vector<cBasic_Item_Box<std::int32_t>> boxes;
    boxes.reserve(Cell.size());
    for (int c = 0; c < int(Cell.size()); ++c) boxes.push_back(Cell_Box(c));
    Locator.Build(boxes, false);
}

void cRoute_Mesh::Cells_At(const cPoint2D& p, bool touching, std::vector<int>& out) const {
    out.clear();
    const cSym px(p.x, 0), py(p.y, 0);
    Locator.Visit(
        p.x, p.y,
        [&](int id) {
            const cRoute_Cell& c = Cell[std::size_t(id)];
            // The box holds p once the perturbation vanishes; strictly inside
            // the perturbed cell is a finer test.
            if (touching || (c.X_Lo < px && px < c.X_Hi && c.Y_Lo < py && py < c.Y_Hi)) out.push_back(id);
            return true;
        },
        [this](int cell) { return Cell_Box(cell); });
}

std::size_t cRoute_Mesh::Footprint() const {
    return Cell.capacity() * sizeof(cRoute_Cell) + Portal.capacity() * sizeof(cRoute_Portal) +
           Sides.capacity() * sizeof(cRoute_Sides) + Door_Ids.capacity() * sizeof(int) + Flags.capacity() +
           Door_Boxes.capacity() * sizeof(cDoor_Box) + Door_Locator.Footprint() +
           Border.capacity() * sizeof(cHV_Wall) + Locator.Footprint();
}

}  // namespace bsp_levels
