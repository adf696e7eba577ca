#include "open_list.h"

namespace bsp_levels {

void cOpen_List::Clear() {
    Pool.clear();
    Free.clear();
    Root = First_Leaf = -1;
}

void cOpen_List::Insert_Sorted(int node, double F, std::vector<int>& leaf_of) {
    if (Root < 0) {
        Root = First_Leaf = New_Node(true);
        Put(Root, 0, F, node, leaf_of);
        return;
    }
    const double f = double(float(F));
    int n = Root, at;
    if (Max(Root) <= f) {  // nothing greater: at the end
        while (!Pool[n].Leaf) n = Pool[n].Val[Pool[n].Count - 1];
        at = Pool[n].Count;
    } else {
        for (;;) {
            const cTree_Node& b = Pool[n];
            at = 0;
            while (!(b.Key[at] > f)) ++at;
            if (b.Leaf) break;
            n = b.Val[at];
        }
    }
    Put(n, at, F, node, leaf_of);
}

int cOpen_List::Pop_Front(std::vector<int>& leaf_of) {
    const int leaf = First_Leaf;
    const int node = Pool[leaf].Val[0];
    Erase(leaf, 0, leaf_of);
    return node;
}

void cOpen_List::Decreased(int node, double F, const std::vector<int>& leaf_of) {
    const int leaf = leaf_of[node];
    cTree_Node& b = Pool[leaf];
    int at = 0;
    while (b.Val[at] != node) ++at;
    const double old = b.Key[at];
    b.Key[at] = F;
    if (b.Parent >= 0 && Pool[b.Parent].Key[b.Slot] == old) Refresh(leaf);
}

double cOpen_List::Max(int n) const {
    const cTree_Node& b = Pool[n];
    double m = b.Key[0];
    for (int i = 1; i < b.Count; ++i)
        if (b.Key[i] > m) m = b.Key[i];
    return m;
}

int cOpen_List::New_Node(bool leaf) {
    int n;
    if (!Free.empty()) {
        n = Free.back();
        Free.pop_back();
    } else {
        n = int(Pool.size());
        Pool.emplace_back();
    }
    cTree_Node& b = Pool[n];
    b.Count = 0;
    b.Parent = -1;
    b.Slot = 0;
    b.Leaf = leaf;
    return n;
}

// Records that entry i of n moved or arrived there.
void cOpen_List::Placed(int n, int i, std::vector<int>& leaf_of) {
    cTree_Node& b = Pool[n];
    if (b.Leaf) {
        leaf_of[b.Val[i]] = n;
    } else {
        Pool[b.Val[i]].Parent = n;
        Pool[b.Val[i]].Slot = i;
    }
}

// The greatest F below n may have dropped: update the ancestors' entries.
void cOpen_List::Refresh(int n) {
    while (Pool[n].Parent >= 0) {
        const double m = Max(n);
        cTree_Node& p = Pool[Pool[n].Parent];
        if (p.Key[Pool[n].Slot] == m) return;
        p.Key[Pool[n].Slot] = m;
        n = Pool[n].Parent;
    }
}

// A value below n may have risen to v.
void cOpen_List::Raise(int n, double v) {
    while (Pool[n].Parent >= 0) {
        cTree_Node& p = Pool[Pool[n].Parent];
        if (p.Key[Pool[n].Slot] >= v) return;
        p.Key[Pool[n].Slot] = v;
        n = Pool[n].Parent;
    }
}

// Inserts (key, val) at place at of n, splitting n when it is full.
void cOpen_List::Put(int n, int at, double key, int val, std::vector<int>& leaf_of) {
    if (Pool[n].Count == CAPACITY) {
        // Move the upper half to a new sibling placed right after n.
        const int m = New_Node(Pool[n].Leaf);
        cTree_Node& b = Pool[n];
        cTree_Node& c = Pool[m];
        const int half = CAPACITY / 2;
        for (int i = half; i < CAPACITY; ++i) {
            c.Key[i - half] = b.Key[i];
            c.Val[i - half] = b.Val[i];
        }
        c.Count = CAPACITY - half;
        b.Count = half;
        for (int i = 0; i < c.Count; ++i) Placed(m, i, leaf_of);
        if (Pool[n].Parent < 0) {
            const int r = New_Node(false);
            cTree_Node& root = Pool[r];
            root.Count = 1;
            root.Key[0] = Max(n);
            root.Val[0] = n;
            Placed(r, 0, leaf_of);
            Root = r;
        } else {
            Pool[Pool[n].Parent].Key[Pool[n].Slot] = Max(n);
        }
        Put(Pool[n].Parent, Pool[n].Slot + 1, Max(m), m, leaf_of);
        if (at > half) {
            n = m;
            at -= half;
        }
    }
    cTree_Node& b = Pool[n];
    for (int i = b.Count; i > at; --i) {
        b.Key[i] = b.Key[i - 1];
        b.Val[i] = b.Val[i - 1];
    }
    b.Key[at] = key;
    b.Val[at] = val;
    ++b.Count;
    if (b.Leaf)
        Placed(n, at, leaf_of);  // the other entries stay in this leaf
    else
        for (int i = at; i < b.Count; ++i) Placed(n, i, leaf_of);
    Raise(n, key);
}

// Removes entry at of n; a node left empty leaves its parent.
void cOpen_List::Erase(int n, int at, std::vector<int>& leaf_of) {
    cTree_Node& b = Pool[n];
    const double removed = b.Key[at];
    for (int i = at; i + 1 < b.Count; ++i) {
        b.Key[i] = b.Key[i + 1];
        b.Val[i] = b.Val[i + 1];
    }
    --b.Count;
    if (!b.Leaf)
        for (int i = at; i < b.Count; ++i) Placed(n, i, leaf_of);
    if (b.Count > 0) {
        // The greatest F below n may have gone with the entry.
        if (b.Parent >= 0 && Pool[b.Parent].Key[b.Slot] == removed) Refresh(n);
        return;
    }
    const int parent = b.Parent, slot = b.Slot;
    Free.push_back(n);
    if (parent < 0) {
        Root = First_Leaf = -1;
        return;
    }
    Erase(parent, slot, leaf_of);
    if (n == First_Leaf && Root >= 0) {
        First_Leaf = Root;
        while (!Pool[First_Leaf].Leaf) First_Leaf = Pool[First_Leaf].Val[0];
    }
}

}  // namespace bsp_levels
