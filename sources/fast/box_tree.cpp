#include "fast/box_tree.h"

#include <algorithm>
#include <cstdint>

namespace bsp_levels {

namespace {

const int LEAF_SIZE = 4;

}  // namespace

template <class cCoord>
void cBasic_Box_Tree<cCoord>::Build(const std::vector<cItem_Box>& boxes, bool item_boxes) {
    Nodes.clear();
    Boxes.clear();
    Items.resize(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) Items[i] = int(i);
    if (boxes.empty()) return;
    Nodes.reserve(2 * boxes.size() / LEAF_SIZE + 2);
    // Each pending range of Items becomes the node at the given index: split
    // at the median centre along the longer side of its boxes' extent.
    struct cRange {
        int Node, First, Count;
    };
    Nodes.push_back(cNode{cItem_Box{0, 0, 0, 0}, 0, 0});
    std::vector<cRange> pending{{0, 0, int(boxes.size())}};
    while (!pending.empty()) {
        const cRange r = pending.back();
        pending.pop_back();
        cItem_Box extent = boxes[std::size_t(Items[std::size_t(r.First)])];
        for (int i = 1; i < r.Count; ++i) {
            const cItem_Box& b = boxes[std::size_t(Items[std::size_t(r.First + i)])];
            extent = cItem_Box{std::min(extent.X0, b.X0), std::min(extent.Y0, b.Y0), std::max(extent.X1, b.X1),
                               std::max(extent.Y1, b.Y1)};
        }
        cNode& node = Nodes[std::size_t(r.Node)];
        node.Box = extent;
        if (r.Count <= LEAF_SIZE) {
            node.First = r.First;
            node.Count = r.Count;
            continue;
        }
        const bool x = std::int64_t(extent.X1) - extent.X0 >= std::int64_t(extent.Y1) - extent.Y0;
        const auto begin = Items.begin() + r.First, middle = begin + r.Count / 2, end = begin + r.Count;
        std::nth_element(begin, middle, end, [&boxes, x](int a, int b) {
            const cItem_Box &ba = boxes[std::size_t(a)], &bb = boxes[std::size_t(b)];
            return x ? std::int64_t(ba.X0) + ba.X1 < std::int64_t(bb.X0) + bb.X1
                     : std::int64_t(ba.Y0) + ba.Y1 < std::int64_t(bb.Y0) + bb.Y1;
        });
        const int halves = int(Nodes.size());
        node.First = halves;
        node.Count = 0;
        Nodes.push_back(cNode{cItem_Box{0, 0, 0, 0}, 0, 0});
        Nodes.push_back(cNode{cItem_Box{0, 0, 0, 0}, 0, 0});
        pending.push_back({halves, r.First, r.Count / 2});
        pending.push_back({halves + 1, r.First + r.Count / 2, r.Count - r.Count / 2});
    }
    Nodes.shrink_to_fit();
    if (!item_boxes) {
        Boxes.shrink_to_fit();
        return;
    }
    Boxes.resize(Items.size());
    for (std::size_t i = 0; i < Items.size(); ++i) Boxes[i] = boxes[std::size_t(Items[i])];
}

template class cBasic_Box_Tree<std::int32_t>;
template class cBasic_Box_Tree<std::int64_t>;

}  // namespace bsp_levels
