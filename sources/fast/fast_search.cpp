#include "fast/fast_search.h"

#include <algorithm>
#include <cstdint>

#include "fast/open_list.h"

namespace bsp_levels {

namespace {

enum : unsigned char { UNSEEN = 0, OPEN = 1, CLOSED = 2 };

// The working state of one thread's searches. A node's marks are valid for
// the current search only when their stamp is the search's stamp, so
// nothing needs clearing between searches.
struct cSearch_State {
    struct cMark {
        std::uint32_t Stamp;
        float G, H;
        int Parent;
        unsigned char State;
    };
    std::vector<cMark> Mark;
    std::vector<int> Leaf_Of;               // the open list's leaf holding each open node
    std::vector<std::uint32_t> Goal_Stamp;  // marks the portals that reach the goal
    std::uint32_t Current = 0;
    cOpen_List Open;

    void Start(int size) {
        if (int(Mark.size()) < size) {
            Mark.resize(size, cMark());
            Leaf_Of.resize(size);
            Goal_Stamp.resize(size, 0);
        }
        if (++Current == 0) {  // the stamps went round: forget them all
            for (cMark& m : Mark) m.Stamp = 0;
            std::fill(Goal_Stamp.begin(), Goal_Stamp.end(), 0);
            Current = 1;
        }
        Open.Clear();
    }
};

thread_local cSearch_State search_state;

}  // namespace

bool Fast_Search(const cSearch_Graph& graph, const cPoint2D& start, const std::vector<cPortal*>& start_portals,
                 const cPoint2D& goal, const std::vector<cPortal*>& goal_portals, std::vector<cPoint2D>& path,
                 const int* closed, const std::vector<cPortal*>* start_doors,
                 const std::vector<cPortal*>* goal_doors) {
    const bool doors = closed != nullptr && graph.Has_Doors();
    const int n_graph = graph.Size();
    const int S = n_graph, T = n_graph + 1;
    cSearch_State& s = search_state;
    s.Start(n_graph + 2);
    for (const cPortal* p : goal_portals) s.Goal_Stamp[graph.Of_Portal[p->Id]] = s.Current;
    if (doors && goal_doors != nullptr)
        for (const cPortal* p : *goal_doors) s.Goal_Stamp[graph.Of_Portal[p->Id]] = s.Current;
    auto position = [&](int n) -> const cPoint2D& { return n < n_graph ? graph.Position[n] : (n == S ? start : goal); };

    cSearch_State::cMark& ms = s.Mark[S];
    ms.Stamp = s.Current;
    ms.G = 0;
    ms.H = float(Distance(start, goal));
    ms.Parent = -1;
    s.Open.Insert_Sorted(S, double(ms.G) + double(ms.H), s.Leaf_Of);
    ms.State = OPEN;

    // Visits n, one step of the given cost from current, whose G is g.
    auto visit = [&](int current, double cost, float g, int n) {
        cSearch_State::cMark& m = s.Mark[n];
        const bool seen = m.Stamp == s.Current;
        const bool in_open = seen && m.State == OPEN;
        const bool in_closed = seen && m.State == CLOSED;
        const float new_g = float(cost + double(g));
        if ((in_open || in_closed) && !(new_g < m.G)) return;
        if (!seen) {
            m.Stamp = s.Current;
            m.State = UNSEEN;
            m.H = float(Distance(position(n), goal));  // the estimate never changes
        }
        m.Parent = current;
        m.G = new_g;
        const double F = double(m.G) + double(m.H);
        if (in_open) {
            s.Open.Decreased(n, F, s.Leaf_Of);  // it keeps its place in the list
        } else {
            s.Open.Insert_Sorted(n, F, s.Leaf_Of);
            m.State = OPEN;
        }
    };

    while (!s.Open.Empty()) {
        const int current = s.Open.Pop_Front(s.Leaf_Of);
        if (current == T) {
            path.clear();
            for (int n = T; s.Mark[n].Parent >= 0; n = s.Mark[n].Parent) path.push_back(position(n));
            std::reverse(path.begin(), path.end());
            return true;
        }
        s.Mark[current].State = CLOSED;
        const cPoint2D& from = position(current);
        const float g = s.Mark[current].G;
        if (current == S) {
            for (auto it = start_portals.rbegin(); it != start_portals.rend(); ++it) {
                const int n = graph.Of_Portal[(*it)->Id];
                visit(current, Distance(from, position(n)), g, n);
            }
            if (doors && start_doors != nullptr)
                for (const cPortal* p : *start_doors) {
                    const int n = graph.Of_Portal[p->Id];
                    visit(current, Distance(from, position(n)), g, n);
                }
            continue;
        }
        const int begin = graph.First[current], end = graph.First[current + 1];
        for (int k = begin; k < end; ++k) __builtin_prefetch(&s.Mark[graph.Neighbour[k]]);
        for (int k = begin; k < end; ++k) {
            const int n = graph.Neighbour[k];
            visit(current, graph.Step_Cost(current, n), g, n);
        }
        if (doors)
            for (int k = graph.Door_First[current], e = graph.Door_First[current + 1]; k < e; ++k) {
                const int n = graph.Door_Neighbour[k];
                if (graph.Enterable(n, closed)) visit(current, graph.Step_Cost(current, n), g, n);
            }
        if (graph.Is_Portal[current] && s.Goal_Stamp[current] == s.Current)
            visit(current, Distance(from, goal), g, T);
    }
    return false;
}

}  // namespace bsp_levels
