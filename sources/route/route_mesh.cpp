#include "route/route_mesh.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

// A grown wall, clipped to the free space's extent.
struct cObstacle {
    cSym X_Lo, X_Hi, Y_Lo, Y_Hi;
};

// Cover counts over the elementary intervals between consecutive x
// coordinates, with the least and the greatest count of every range, so
// that the free runs (count 0) of a range are listed in time proportional
// to their number times the tree's height.
class cCover_Tree {
public:
    explicit cCover_Tree(int size) : N(std::max(size, 1)), Min(4 * std::size_t(N), 0), Max(4 * std::size_t(N), 0),
                                     Add(4 * std::size_t(N), 0) {}

    void Change(int lo, int hi, int delta) {
        if (lo < hi) Change(1, 0, N, lo, hi, delta);
    }
    // Appends the maximal runs [a, b) of count 0 within [lo, hi), merging
    // runs that touch.
    void Free_Runs(int lo, int hi, std::vector<std::pair<int, int>>& runs) const {
        if (lo < hi) Free_Runs(1, 0, N, lo, hi, 0, runs);
    }

private:
    void Change(int node, int l, int r, int lo, int hi, int delta) {
        if (hi <= l || r <= lo) return;
        if (lo <= l && r <= hi) {
            Min[node] += delta;
            Max[node] += delta;
            Add[node] += delta;
            return;
        }
        const int m = (l + r) / 2;
        Change(2 * node, l, m, lo, hi, delta);
        Change(2 * node + 1, m, r, lo, hi, delta);
        Min[node] = Add[node] + std::min(Min[2 * node], Min[2 * node + 1]);
        Max[node] = Add[node] + std::max(Max[2 * node], Max[2 * node + 1]);
    }
    void Free_Runs(int node, int l, int r, int lo, int hi, int above,
                   std::vector<std::pair<int, int>>& runs) const {
        if (hi <= l || r <= lo) return;
        if (Min[node] + above > 0) return;
        const int a = std::max(l, lo), b = std::min(r, hi);
        if (Max[node] + above == 0 || r - l == 1) {
            if (!runs.empty() && runs.back().second == a)
                runs.back().second = b;
            else
                runs.push_back({a, b});
            return;
        }
        const int m = (l + r) / 2;
        Free_Runs(2 * node, l, m, lo, hi, above + Add[node], runs);
        Free_Runs(2 * node + 1, m, r, lo, hi, above + Add[node], runs);
    }

    int N;
    std::vector<int> Min, Max, Add;
};

}  // namespace

void cRoute_Mesh::Build(const std::vector<cHV_Wall>& walls, const cRect2D& world, int half_size) {
    Half = half_size;
    World = world;
    Cell.clear();
    Portal.clear();

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

    std::vector<cObstacle> obstacles;
    obstacles.reserve(walls.size());
    for (const cHV_Wall& w : walls) {
        const std::int64_t wx0 = std::min(w.p0.x, w.p1.x), wx1 = std::max(w.p0.x, w.p1.x);
        const std::int64_t wy0 = std::min(w.p0.y, w.p1.y), wy1 = std::max(w.p0.y, w.p1.y);
        cObstacle o{cSym(wx0 - h, k), cSym(wx1 + h, -k), cSym(wy0 - h, k), cSym(wy1 + h, -k)};
        o.X_Lo = std::max(o.X_Lo, x_lo);
        o.X_Hi = std::min(o.X_Hi, x_hi);
        o.Y_Lo = std::max(o.Y_Lo, y_lo);
        o.Y_Hi = std::min(o.Y_Hi, y_hi);
        if (o.X_Lo < o.X_Hi && o.Y_Lo < o.Y_Hi) obstacles.push_back(o);
    }

    // The x coordinates, and each obstacle's run of elementary intervals.
    std::vector<cSym> xs{x_lo, x_hi};
    xs.reserve(2 * obstacles.size() + 2);
    Cell.reserve(obstacles.size() + 1);
    Portal.reserve(obstacles.size() + 1);
    for (const cObstacle& o : obstacles) {
        xs.push_back(o.X_Lo);
        xs.push_back(o.X_Hi);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    auto index_of = [&xs](const cSym& x) { return int(std::lower_bound(xs.begin(), xs.end(), x) - xs.begin()); };
    const int elementary = int(xs.size()) - 1;

    struct cEvent {
        cSym Y;
        int Lo, Hi, Delta;
    };
    std::vector<cEvent> events;
    events.reserve(2 * obstacles.size());
    for (const cObstacle& o : obstacles) {
        const int lo = index_of(o.X_Lo), hi = index_of(o.X_Hi);
        events.push_back({o.Y_Lo, lo, hi, +1});
        if (o.Y_Hi < y_hi) events.push_back({o.Y_Hi, lo, hi, -1});
    }
    std::sort(events.begin(), events.end(), [](const cEvent& a, const cEvent& b) { return a.Y < b.Y; });

    cCover_Tree cover(elementary);
    std::map<int, int> open;  // first elementary interval of each open cell -> the cell
    std::vector<int> open_end;  // by cell: one past its last elementary interval
    open_end.reserve(obstacles.size() + 1);
    auto open_cell = [&](int a, int b, const cSym& y) {
        cRoute_Cell c;
        c.X_Lo = xs[std::size_t(a)];
        c.X_Hi = xs[std::size_t(b)];
        c.Y_Lo = y;
        c.Y_Hi = y;
        Cell.push_back(c);
        open_end.push_back(b);
        open[a] = int(Cell.size()) - 1;
        return int(Cell.size()) - 1;
    };

    std::size_t e = 0;
    // What lies across the world's bottom at the start.
    while (e < events.size() && events[e].Y == y_lo) {
        cover.Change(events[e].Lo, events[e].Hi, events[e].Delta);
        ++e;
    }
    {
        std::vector<std::pair<int, int>> runs;
        cover.Free_Runs(0, elementary, runs);
        for (const auto& r : runs) open_cell(r.first, r.second, y_lo);
    }

    std::vector<std::pair<int, int>> spans, runs, merged;
    std::vector<int> closed, opened, still, ending;
    while (e < events.size()) {
        const cSym y = events[e].Y;
        // The runs of intervals that change here, merged where they touch.
        spans.clear();
        std::size_t f = e;
        for (; f < events.size() && events[f].Y == y; ++f) spans.push_back({events[f].Lo, events[f].Hi});
        std::sort(spans.begin(), spans.end());
        // Open cells touching a change change too: widen the spans to them.
        merged.clear();
        for (auto& s : spans) {
            int& a = s.first;
            int& b = s.second;
            auto it = open.upper_bound(b);
            while (it != open.begin()) {
                --it;
                if (open_end[std::size_t(it->second)] < a) break;
                a = std::min(a, it->first);
                b = std::max(b, open_end[std::size_t(it->second)]);
            }
        }
        std::sort(spans.begin(), spans.end());
        for (const auto& s : spans) {
            if (!merged.empty() && s.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, s.second);
            else
                merged.push_back(s);
        }
        for (; e < f; ++e) cover.Change(events[e].Lo, events[e].Hi, events[e].Delta);

        for (const auto& s : merged) {
            // The cells open across the span before, and the free runs after.
            closed.clear();
            for (auto it = open.lower_bound(s.first); it != open.end() && it->first < s.second;)
                closed.push_back(it->second), it = open.erase(it);
            runs.clear();
            cover.Free_Runs(s.first, s.second, runs);
            opened.clear();
            still.clear();  // cells that go on unchanged
            std::size_t c = 0;
            for (const auto& r : runs) {
                while (c < closed.size() && Cell[std::size_t(closed[c])].X_Lo < xs[std::size_t(r.first)]) ++c;
                if (c < closed.size() && Cell[std::size_t(closed[c])].X_Lo == xs[std::size_t(r.first)] &&
                    open_end[std::size_t(closed[c])] == r.second) {
                    open[r.first] = closed[c];  // the same run: the cell goes on
                    still.push_back(closed[c]);
                    continue;
                }
                opened.push_back(open_cell(r.first, r.second, y));
            }
            // The cells that end here, and the portals between them and the
            // new ones, in order along x.
            ending.clear();
            for (int cell : closed)
                if (std::find(still.begin(), still.end(), cell) == still.end()) ending.push_back(cell);
            for (int cell : ending) Cell[std::size_t(cell)].Y_Hi = y;
            std::size_t i = 0, j = 0;
            while (i < ending.size() && j < opened.size()) {
                cRoute_Cell& below = Cell[std::size_t(ending[i])];
                cRoute_Cell& above = Cell[std::size_t(opened[j])];
                const cSym lo = std::max(below.X_Lo, above.X_Lo), hi = std::min(below.X_Hi, above.X_Hi);
                if (lo < hi) {
                    const int id = int(Portal.size());
                    Portal.push_back({lo, hi, y, ending[i], opened[j], below.X_Lo != above.X_Lo,
                                      below.X_Hi != above.X_Hi});
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
    for (const auto& c : open) Cell[std::size_t(c.second)].Y_Hi = y_hi;
    Build_Locator();
}

// ------------------------------------------------------------------ locator

void cRoute_Mesh::Build_Locator() {
    std::vector<cItem_Box> boxes;
    boxes.reserve(Cell.size());
    for (const cRoute_Cell& c : Cell) boxes.push_back(cItem_Box{c.X_Lo.V, c.Y_Lo.V, c.X_Hi.V, c.Y_Hi.V});
    Locator.Build(boxes);
}

void cRoute_Mesh::Cells_At(const cPoint2D& p, bool touching, std::vector<int>& out) const {
    out.clear();
    const cSym px(p.x, 0), py(p.y, 0);
    Locator.Visit(p.x, p.y, [&](int id) {
        const cRoute_Cell& c = Cell[std::size_t(id)];
        // The box holds p once the perturbation vanishes; strictly inside the
        // perturbed cell is a finer test.
        if (touching || (c.X_Lo < px && px < c.X_Hi && c.Y_Lo < py && py < c.Y_Hi)) out.push_back(id);
        return true;
    });
}

std::size_t cRoute_Mesh::Footprint() const {
    return Cell.capacity() * sizeof(cRoute_Cell) + Portal.capacity() * sizeof(cRoute_Portal) + Locator.Footprint();
}
