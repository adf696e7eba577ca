// The open list of the fast search. It keeps the order of the linked node
// list (a node goes before the first node whose F is greater than its own F
// rounded to float; a node whose F drops keeps its place) in a B+ tree over
// list positions: a leaf holds up to 32 entries (F, node) in list order, an
// inner node up to 32 children in list order with the greatest F below each.
// Finding where a node goes scans one tree node per level for the first
// entry greater than its F, so every operation costs a logarithmic time.
#ifndef FAST_OPEN_LIST_H
#define FAST_OPEN_LIST_H

#include <vector>

namespace bsp_levels {

class cOpen_List {
public:
    void Clear();
    bool Empty() const { return Root < 0; }

    // Puts node before the first entry whose F is greater than F rounded to
    // float, or at the end. leaf_of[node] records the leaf that holds it.
    void Insert_Sorted(int node, double F, std::vector<int>& leaf_of);
    // Takes the first node off the list.
    int Pop_Front(std::vector<int>& leaf_of);
    // node's F has dropped to F; it keeps its place.
    void Decreased(int node, double F, const std::vector<int>& leaf_of);

private:
    static const int CAPACITY = 32;
    struct cTree_Node {
        int Count, Parent, Slot;  // Slot: the node's place among its parent's children
        bool Leaf;
        double Key[CAPACITY];     // leaf: the entries' F; inner: the greatest F below each child
        int Val[CAPACITY];        // leaf: the entries' nodes; inner: the children
    };

    double Max(int n) const;
    int New_Node(bool leaf);
    void Placed(int n, int i, std::vector<int>& leaf_of);
    void Refresh(int n);
    void Raise(int n, double v);
    void Put(int n, int at, double key, int val, std::vector<int>& leaf_of);
    void Erase(int n, int at, std::vector<int>& leaf_of);

    std::vector<cTree_Node> Pool;
    std::vector<int> Free;
    int Root = -1, First_Leaf = -1;
};

}  // namespace bsp_levels

#endif
