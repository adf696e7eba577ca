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

// The open list of the fast search: the node list's order (a node goes
// before the first node whose F is greater; a node whose F drops keeps its
// place) in a B+ tree over list positions. A leaf holds up to 32 entries
// (F, node) in list order; an inner node holds up to 32 children in list
// order with the greatest F below each. Finding where a node goes scans one
// node per level for the first entry greater than its F.
class cOpen_List {
public:
    void Clear() {
        pool_.clear();
        free_.clear();
        root_ = first_leaf_ = -1;
    }
    bool Empty() const { return root_ < 0; }

    // Puts node before the first entry whose F is greater than F rounded to
    // float, or at the end.
    void Insert_Sorted(int node, double F, std::vector<int>& leaf_of) {
        if (root_ < 0) {
            root_ = first_leaf_ = New_Node(true);
            Put(root_, 0, F, node, leaf_of);
            return;
        }
        const double f = double(float(F));
        int n = root_, at;
        if (Max(root_) <= f) {  // nothing greater: at the end
            while (!pool_[n].leaf) n = pool_[n].val[pool_[n].count - 1];
            at = pool_[n].count;
        } else {
            for (;;) {
                const Node& b = pool_[n];
                at = 0;
                while (!(b.key[at] > f)) ++at;
                if (b.leaf) break;
                n = b.val[at];
            }
        }
        Put(n, at, F, node, leaf_of);
    }

    int Pop_Front(std::vector<int>& leaf_of) {
        const int leaf = first_leaf_;
        Node& b = pool_[leaf];
        const int node = b.val[0];
        Erase(leaf, 0, leaf_of);
        return node;
    }

    // node's F has dropped to F; it keeps its place.
    void Decreased(int node, double F, const std::vector<int>& leaf_of) {
        const int leaf = leaf_of[node];
        Node& b = pool_[leaf];
        int at = 0;
        while (b.val[at] != node) ++at;
        const double old = b.key[at];
        b.key[at] = F;
        if (b.parent >= 0 && pool_[b.parent].key[b.slot] == old) Refresh(leaf);
    }

private:
    static const int CAPACITY = 32;
    struct Node {
        int count, parent, slot;  // slot: the node's place among its parent's children
        bool leaf;
        double key[CAPACITY];     // leaf: the entries' F; inner: the greatest F below each child
        int val[CAPACITY];        // leaf: the entries' nodes; inner: the children
    };

    double Max(int n) const {
        const Node& b = pool_[n];
        double m = b.key[0];
        for (int i = 1; i < b.count; ++i)
            if (b.key[i] > m) m = b.key[i];
        return m;
    }

    int New_Node(bool leaf) {
        int n;
        if (!free_.empty()) {
            n = free_.back();
            free_.pop_back();
        } else {
            n = int(pool_.size());
            pool_.emplace_back();
        }
        Node& b = pool_[n];
        b.count = 0;
        b.parent = -1;
        b.slot = 0;
        b.leaf = leaf;
        return n;
    }

    // Records that entry i of n moved or arrived there.
    void Placed(int n, int i, std::vector<int>& leaf_of) {
        Node& b = pool_[n];
        if (b.leaf) {
            leaf_of[b.val[i]] = n;
        } else {
            pool_[b.val[i]].parent = n;
            pool_[b.val[i]].slot = i;
        }
    }

    // The greatest F below n may have dropped: update the ancestors' entries.
    void Refresh(int n) {
        while (pool_[n].parent >= 0) {
            const double m = Max(n);
            Node& p = pool_[pool_[n].parent];
            if (p.key[pool_[n].slot] == m) return;
            p.key[pool_[n].slot] = m;
            n = pool_[n].parent;
        }
    }

    // A value below n may have risen to v.
    void Raise(int n, double v) {
        while (pool_[n].parent >= 0) {
            Node& p = pool_[pool_[n].parent];
            if (p.key[pool_[n].slot] >= v) return;
            p.key[pool_[n].slot] = v;
            n = pool_[n].parent;
        }
    }

    // Inserts (key, val) at place at of n, splitting n when it is full.
    void Put(int n, int at, double key, int val, std::vector<int>& leaf_of) {
        if (pool_[n].count == CAPACITY) {
            // Move the upper half to a new sibling placed right after n.
            const int m = New_Node(pool_[n].leaf);
            Node& b = pool_[n];
            Node& c = pool_[m];
            const int half = CAPACITY / 2;
            for (int i = half; i < CAPACITY; ++i) {
                c.key[i - half] = b.key[i];
                c.val[i - half] = b.val[i];
            }
            c.count = CAPACITY - half;
            b.count = half;
            for (int i = 0; i < c.count; ++i) Placed(m, i, leaf_of);
            if (pool_[n].parent < 0) {
                const int r = New_Node(false);
                Node& root = pool_[r];
                root.count = 1;
                root.key[0] = Max(n);
                root.val[0] = n;
                Placed(r, 0, leaf_of);
                root_ = r;
            } else {
                pool_[pool_[n].parent].key[pool_[n].slot] = Max(n);
            }
            Put(pool_[n].parent, pool_[n].slot + 1, Max(m), m, leaf_of);
            if (at > half) {
                n = m;
                at -= half;
            }
        }
        Node& b = pool_[n];
        for (int i = b.count; i > at; --i) {
            b.key[i] = b.key[i - 1];
            b.val[i] = b.val[i - 1];
        }
        b.key[at] = key;
        b.val[at] = val;
        ++b.count;
        if (b.leaf)
            Placed(n, at, leaf_of);  // the other entries stay in this leaf
        else
            for (int i = at; i < b.count; ++i) Placed(n, i, leaf_of);
        Raise(n, key);
    }

    // Removes entry at of n; a node left empty leaves its parent.
    void Erase(int n, int at, std::vector<int>& leaf_of) {
        Node& b = pool_[n];
        const double removed = b.key[at];
        for (int i = at; i + 1 < b.count; ++i) {
            b.key[i] = b.key[i + 1];
            b.val[i] = b.val[i + 1];
        }
        --b.count;
        if (!b.leaf)
            for (int i = at; i < b.count; ++i) Placed(n, i, leaf_of);
        if (b.count > 0) {
            // The greatest F below n may have gone with the entry.
            if (b.parent >= 0 && pool_[b.parent].key[b.slot] == removed) Refresh(n);
            return;
        }
        const int parent = b.parent, slot = b.slot;
        free_.push_back(n);
        if (parent < 0) {
            root_ = first_leaf_ = -1;
            return;
        }
        Erase(parent, slot, leaf_of);
        if (n == first_leaf_ && root_ >= 0) {
            first_leaf_ = root_;
            while (!pool_[first_leaf_].leaf) first_leaf_ = pool_[first_leaf_].val[0];
        }
    }

    std::vector<Node> pool_;
    std::vector<int> free_;
    int root_ = -1, first_leaf_ = -1;
};

// The working state of one thread's searches. A node's marks are valid for
// the current search only when their stamp is the search's stamp, so
// nothing needs clearing between searches.
struct Search_State {
    struct Mark {
        std::uint32_t stamp;
        float G, H;
        int parent;
        unsigned char state;
    };
    std::vector<Mark> mark;
    std::vector<int> leaf_of;               // the open list's leaf holding each open node
    std::vector<std::uint32_t> goal_stamp;  // marks the portals that reach the goal
    std::uint32_t current = 0;
    cOpen_List open;

    void Start(int size) {
        if (int(mark.size()) < size) {
            mark.resize(size, Mark());
            leaf_of.resize(size);
            goal_stamp.resize(size, 0);
        }
        if (++current == 0) {  // the stamps went round: forget them all
            for (Mark& m : mark) m.stamp = 0;
            std::fill(goal_stamp.begin(), goal_stamp.end(), 0);
            current = 1;
        }
        open.Clear();
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
    for (const cPortal* p : goal_portals) s.goal_stamp[graph.Of_Portal[p->Id]] = s.current;
    auto position = [&](int n) -> const cPoint2D& { return n < n_graph ? graph.Position[n] : (n == S ? start : goal); };

    Search_State::Mark& ms = s.mark[S];
    ms.stamp = s.current;
    ms.G = 0;
    ms.H = float(Distance(start, goal));
    ms.parent = -1;
    s.open.Insert_Sorted(S, double(ms.G) + double(ms.H), s.leaf_of);
    ms.state = OPEN;

    // Visits n, one step of the given cost from current, whose G is g.
    auto visit = [&](int current, double cost, float g, int n) {
        Search_State::Mark& m = s.mark[n];
        const bool seen = m.stamp == s.current;
        const bool in_open = seen && m.state == OPEN;
        const bool in_closed = seen && m.state == CLOSED;
        const float new_g = float(cost + double(g));
        if ((in_open || in_closed) && !(new_g < m.G)) return;
        if (!seen) {
            m.stamp = s.current;
            m.state = UNSEEN;
            m.H = float(Distance(position(n), goal));  // the estimate never changes
        }
        m.parent = current;
        m.G = new_g;
        const double F = double(m.G) + double(m.H);
        if (in_open) {
            s.open.Decreased(n, F, s.leaf_of);  // it keeps its place in the list
        } else {
            s.open.Insert_Sorted(n, F, s.leaf_of);
            m.state = OPEN;
        }
    };

    while (!s.open.Empty()) {
        const int current = s.open.Pop_Front(s.leaf_of);
        if (current == T) {
            path.clear();
            for (int n = T; s.mark[n].parent >= 0; n = s.mark[n].parent) path.push_back(position(n));
            std::reverse(path.begin(), path.end());
            return true;
        }
        s.mark[current].state = CLOSED;
        const cPoint2D& from = position(current);
        const float g = s.mark[current].G;
        if (current == S) {
            for (auto it = start_portals.rbegin(); it != start_portals.rend(); ++it) {
                const int n = graph.Of_Portal[(*it)->Id];
                visit(current, Distance(from, position(n)), g, n);
            }
            continue;
        }
        const int begin = graph.First[current], end = graph.First[current + 1];
        for (int k = begin; k < end; ++k) __builtin_prefetch(&s.mark[graph.Neighbour[k]]);
        for (int k = begin; k < end; ++k) visit(current, graph.Cost[k], g, graph.Neighbour[k]);
        if (graph.Is_Portal[current] && s.goal_stamp[current] == s.current)
            visit(current, Distance(from, goal), g, T);
    }
    return false;
}
