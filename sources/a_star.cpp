#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "a_star.h"

#include <algorithm>
#include <cstdint>
#include <vector>

bool cA_Star::Search(cA_Star_Node* start, cA_Star_Node* goal, cNode_List& route) {
    assert(start != NULL);
    assert(goal != NULL);
    cNode_List open, closed, neighbours;

    start->G = 0;
    start->H = float(start->Get_Heuristic(goal));
    start->Parent = NULL;
    open.Insert_Sorted(start);

    while (!open.empty()) {
        cA_Star_Node* current = open.front();
        open.pop_front();
        if (current == goal) {
            Build_Path(goal, route);
            return true;
        }
        closed.push_front(current);
        current->Get_Neighbours(neighbours);
        for (cA_Star_Node* node : neighbours) {
            const bool in_open = open.Contain(node);
            const bool in_closed = closed.Contain(node);
            // The step cost and the current G are added in double precision
            // and the sum is rounded once.
            const float new_g = float(current->Get_Cost(node) + double(current->G));
            if ((in_open || in_closed) && !(new_g < node->G)) continue;
            node->Parent = current;
            node->G = new_g;
            node->H = float(node->Get_Heuristic(goal));
            if (in_closed) closed.remove(node);
            if (!in_open) open.Insert_Sorted(node);
        }
    }
    return false;
}

void cA_Star::Build_Path(cA_Star_Node* destination, cNode_List& route) {
    assert(destination != NULL);
    for (cA_Star_Node* node = destination; node->Parent != NULL; node = node->Parent)
        route.push_front(node);
}

// ================================================================ fast search

namespace {

enum : unsigned char { UNSEEN = 0, OPEN = 1, CLOSED = 2 };

// The working state of one thread's searches. A node's entries are valid for
// the current search only when its stamp is the search's stamp, so nothing
// needs clearing between searches.
struct Search_State {
    std::vector<std::uint32_t> stamp;
    std::vector<std::uint32_t> goal_stamp;  // marks the portals that reach the goal
    std::vector<unsigned char> state;
    std::vector<float> G, H;
    std::vector<int> parent;
    std::uint32_t current = 0;

    // The open list: a treap ordered by list position (in-order), a max-heap
    // on random priorities, where every node knows the greatest F below it.
    std::vector<double> F, max_F;
    std::vector<int> left, right, up;
    std::vector<std::uint32_t> priority;
    int root = -1;
    std::uint32_t random = 2463534242u;

    void Start(int size) {
        if (int(stamp.size()) < size) {
            stamp.resize(size, 0);
            goal_stamp.resize(size, 0);
            state.resize(size);
            G.resize(size);
            H.resize(size);
            parent.resize(size);
            F.resize(size);
            max_F.resize(size);
            left.resize(size);
            right.resize(size);
            up.resize(size);
            priority.resize(size);
        }
        if (++current == 0) {  // the stamps went round: forget them all
            std::fill(stamp.begin(), stamp.end(), 0);
            std::fill(goal_stamp.begin(), goal_stamp.end(), 0);
            current = 1;
        }
        root = -1;
    }

    bool Seen(int n) const { return stamp[n] == current; }

    void Recompute(int x) {
        double m = F[x];
        if (left[x] >= 0 && max_F[left[x]] > m) m = max_F[left[x]];
        if (right[x] >= 0 && max_F[right[x]] > m) m = max_F[right[x]];
        max_F[x] = m;
    }

    // Lifts x above its parent, keeping the in-order sequence.
    void Rotate_Up(int x) {
        const int p = up[x], g = up[p];
        if (left[p] == x) {
            left[p] = right[x];
            if (right[x] >= 0) up[right[x]] = p;
            right[x] = p;
        } else {
            right[p] = left[x];
            if (left[x] >= 0) up[left[x]] = p;
            left[x] = p;
        }
        up[p] = x;
        up[x] = g;
        if (g < 0)
            root = x;
        else if (left[g] == p)
            left[g] = x;
        else
            right[g] = x;
        Recompute(p);
        Recompute(x);
    }

    // The first node, in list order, whose F is greater than f; -1 if none.
    int First_Greater(double f) const {
        for (int y = root; y >= 0;) {
            if (left[y] >= 0 && max_F[left[y]] > f)
                y = left[y];
            else if (F[y] > f)
                return y;
            else
                y = right[y];
        }
        return -1;
    }

    // Inserts x as the node list's Insert_Sorted would: before the first
    // node whose F is greater than x's F rounded to float, or at the end.
    void Insert_Sorted(int x) {
        left[x] = right[x] = -1;
        max_F[x] = F[x];
        random ^= random << 13;
        random ^= random >> 17;
        random ^= random << 5;
        priority[x] = random;
        if (root < 0) {
            up[x] = -1;
            root = x;
            return;
        }
        const int e = First_Greater(double(float(F[x])));
        int y;
        if (e >= 0 && left[e] < 0) {
            left[e] = x;
            y = e;
        } else {
            y = e >= 0 ? left[e] : root;
            while (right[y] >= 0) y = right[y];
            right[y] = x;
        }
        up[x] = y;
        for (; y >= 0 && max_F[y] < F[x]; y = up[y]) max_F[y] = F[x];
        while (up[x] >= 0 && priority[x] > priority[up[x]]) Rotate_Up(x);
    }

    // After x's F has dropped.
    void Decreased(int x) {
        for (int y = x; y >= 0; y = up[y]) {
            const double before = max_F[y];
            Recompute(y);
            if (max_F[y] == before) break;
        }
    }

    int Pop_Front() {
        int x = root;
        while (left[x] >= 0) x = left[x];
        const int p = up[x], r = right[x];
        if (r >= 0) up[r] = p;
        if (p < 0) {
            root = r;
        } else {
            left[p] = r;
            for (int y = p; y >= 0; y = up[y]) {
                const double before = max_F[y];
                Recompute(y);
                if (max_F[y] == before) break;
            }
        }
        return x;
    }
};

thread_local Search_State search_state;

}  // namespace

bool cFast_A_Star::Search(const cSearch_Graph& graph, const cPoint2D& start, const std::vector<cPortal*>& start_portals,
                          const cPoint2D& goal, const std::vector<cPortal*>& goal_portals, std::vector<cPoint2D>& path) {
    const int n_graph = graph.Size();
    const int S = n_graph, T = n_graph + 1;
    Search_State& s = search_state;
    s.Start(n_graph + 2);
    for (const cPortal* p : goal_portals) s.goal_stamp[p->Id] = s.current;
    auto position = [&](int n) -> const cPoint2D& { return n < n_graph ? graph.Position[n] : (n == S ? start : goal); };

    s.stamp[S] = s.current;
    s.G[S] = 0;
    s.H[S] = float(Distance(start, goal));
    s.parent[S] = -1;
    s.F[S] = double(s.G[S]) + double(s.H[S]);
    s.Insert_Sorted(S);
    s.state[S] = OPEN;

    auto visit = [&](int current, int n) {
        const bool seen = s.Seen(n);
        const bool in_open = seen && s.state[n] == OPEN;
        const bool in_closed = seen && s.state[n] == CLOSED;
        const float new_g = float(Distance(position(current), position(n)) + double(s.G[current]));
        if ((in_open || in_closed) && !(new_g < s.G[n])) return;
        if (!seen) {
            s.stamp[n] = s.current;
            s.state[n] = UNSEEN;
        }
        s.parent[n] = current;
        s.G[n] = new_g;
        s.H[n] = float(Distance(position(n), goal));
        s.F[n] = double(s.G[n]) + double(s.H[n]);
        if (in_open) {
            s.Decreased(n);  // it keeps its place in the list
        } else {
            s.Insert_Sorted(n);
            s.state[n] = OPEN;
        }
    };

    while (s.root >= 0) {
        const int current = s.Pop_Front();
        if (current == T) {
            path.clear();
            for (int n = T; s.parent[n] >= 0; n = s.parent[n]) path.push_back(position(n));
            std::reverse(path.begin(), path.end());
            return true;
        }
        s.state[current] = CLOSED;
        if (current == S) {
            for (auto it = start_portals.rbegin(); it != start_portals.rend(); ++it) visit(current, (*it)->Id);
            continue;
        }
        for (int k = graph.First[current]; k < graph.First[current + 1]; ++k) visit(current, graph.Neighbour[k]);
        if (current < graph.Portal_Count() && s.goal_stamp[current] == s.current) visit(current, T);
    }
    return false;
}
