// A balanced hierarchy of axis-aligned boxes, for finding the items whose
// box holds a point without looking at every item. Memory is linear in the
// number of items, whatever their shapes.
#ifndef FAST_BOX_TREE_H
#define FAST_BOX_TREE_H

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace bsp_levels {

// cCoord: the coordinates' type (32-bit boxes take half the memory of
// 64-bit ones).
template <class cCoord>
struct cBasic_Item_Box {
    cCoord X0, Y0, X1, Y1;  // borders included
};

template <class cCoord>
class cBasic_Box_Tree {
public:
    typedef cBasic_Item_Box<cCoord> cItem_Box;

    // Indexes items 0 .. boxes.size() - 1 by their boxes. Without
    // item_boxes the tree keeps no copy of the items' boxes (a third of its
    // memory): the queries then take a function that gives an item's box.
    void Build(const std::vector<cItem_Box>& boxes, bool item_boxes = true);
    // Calls visit(item) for every item whose box holds (x, y), until visit
    // answers false; answers false when it stopped so. Items are visited in
// no particular order.
    template <class cVisit>
    bool Visit(std::int64_t x, std::int64_t y, cVisit visit) const {
        return Visit_At(x, y, visit, [this](int i) { return Boxes[std::size_t(i)]; });
    }
    // The same for a tree built without item boxes: box_of(item) gives the
    // box of an item.
    template <class cVisit, class cBox_Of>
    bool Visit(std::int64_t x, std::int64_t y, cVisit visit, cBox_Of box_of) const {
        return Visit_At(x, y, visit, [this, &box_of](int i) { return box_of(Items[std::size_t(i)]); });
    }
    // Calls visit(item, d2) for the items in order of d2, the squared
    // distance from (x, y) to their box (0 inside it), nearest first, until
    // visit answers false; answers false when it stopped so. Items at equal
    // distances come in no particular order.
    template <class cVisit>
    bool Visit_Nearest(std::int64_t x, std::int64_t y, cVisit visit) const {
        return Visit_Nearest_At(x, y, visit, [this](int i) { return Boxes[std::size_t(i)]; });
    }
    template <class cVisit, class cBox_Of>
    bool Visit_Nearest(std::int64_t x, std::int64_t y, cVisit visit, cBox_Of box_of) const {
        return Visit_Nearest_At(x, y, visit, [this, &box_of](int i) { return box_of(Items[std::size_t(i)]); });
    }
    bool Empty() const { return Nodes.empty(); }
    std::size_t Footprint() const {
        return Nodes.capacity() * sizeof(cNode) + Items.capacity() * sizeof(int) + Boxes.capacity() * sizeof(cItem_Box);
    }

private:
    // The queries, with box_at(i) the box of the item at place i of Items.
    template <class cVisit, class cBox_At>
    bool Visit_At(std::int64_t x, std::int64_t y, cVisit visit, cBox_At box_at) const;
    template <class cVisit, class cBox_At>
    bool Visit_Nearest_At(std::int64_t x, std::int64_t y, cVisit visit, cBox_At box_at) const;
    // A node of the hierarchy: a leaf holds Count items from Items[First]; an
    // inner node (Count 0) has its two halves at First and First + 1.
    struct cNode {
        cItem_Box Box;
        int First, Count;
    };
    std::vector<cNode> Nodes;
    std::vector<int> Items;
    std::vector<cItem_Box> Boxes;  // each item's box, in the order of Items
};

template <class cCoord>
template <class cVisit, class cBox_At>
bool cBasic_Box_Tree<cCoord>::Visit_At(std::int64_t x, std::int64_t y, cVisit visit, cBox_At box_at) const {
    if (Nodes.empty()) return true;
    // The hierarchy is balanced, so its depth stays far below the stack's size.
    int pending[128];
    int n = 0;
    pending[n++] = 0;
    while (n > 0) {
        const cNode& node = Nodes[std::size_t(pending[--n])];
        const cItem_Box& b = node.Box;
        if (x < b.X0 || x > b.X1 || y < b.Y0 || y > b.Y1) continue;
        if (node.Count == 0) {
            pending[n++] = node.First + 1;
            pending[n++] = node.First;
            continue;
        }
        for (int i = node.First; i < node.First + node.Count; ++i) {
            const cItem_Box item = box_at(i);
            if (x < item.X0 || x > item.X1 || y < item.Y0 || y > item.Y1) continue;
            if (!visit(Items[std::size_t(i)])) return false;
        }
    }
    return true;
}

template <class cCoord>
template <class cVisit, class cBox_At>
bool cBasic_Box_Tree<cCoord>::Visit_Nearest_At(std::int64_t x, std::int64_t y, cVisit visit, cBox_At box_at) const {
    if (Nodes.empty()) return true;
    auto distance2 = [x, y](const cItem_Box& b) {
        const std::int64_t x0 = b.X0, x1 = b.X1, y0 = b.Y0, y1 = b.Y1;
        const std::int64_t dx = x < x0 ? x0 - x : x > x1 ? x - x1 : 0;
        const std::int64_t dy = y < y0 ? y0 - y : y > y1 ? y - y1 : 0;
        return dx * dx + dy * dy;
    };
    // A heap of nodes and items by distance: an item's entry holds ~i for
    // its place i in Items.
    struct cEntry {
        std::int64_t D2;
        int Index;
        bool operator<(const cEntry& o) const { return D2 > o.D2; }
    };
    std::vector<cEntry> heap{{distance2(Nodes[0].Box), 0}};
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end());
        const cEntry e = heap.back();
        heap.pop_back();
        if (e.Index < 0) {
            if (!visit(Items[std::size_t(~e.Index)], e.D2)) return false;
            continue;
        }
        const cNode& node = Nodes[std::size_t(e.Index)];
        if (node.Count == 0) {
            for (int child = node.First; child < node.First + 2; ++child) {
                heap.push_back({distance2(Nodes[std::size_t(child)].Box), child});
                std::push_heap(heap.begin(), heap.end());
            }
            continue;
        }
        for (int i = node.First; i < node.First + node.Count; ++i) {
            heap.push_back({distance2(box_at(i)), ~i});
            std::push_heap(heap.begin(), heap.end());
        }
    }
    return true;
}

typedef cBasic_Item_Box<std::int64_t> cItem_Box;
typedef cBasic_Box_Tree<std::int64_t> cBox_Tree;
extern template class cBasic_Box_Tree<std::int32_t>;
extern template class cBasic_Box_Tree<std::int64_t>;

}  // namespace bsp_levels

#endif
