#include "fast/area_locator.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "game_bsp.h"

namespace {

const int LEAF_SIZE = 4;

cRect2D Union(const cRect2D& a, const cRect2D& b) {
    return cRect2D(cPoint2D(std::min(a.Min.x, b.Min.x), std::min(a.Min.y, b.Min.y)),
                   cPoint2D(std::max(a.Max.x, b.Max.x), std::max(a.Max.y, b.Max.y)));
}

// Twice the centre along one axis, exact.
std::int64_t Centre2(const cRect2D& r, bool x) {
    return x ? std::int64_t(r.Min.x) + r.Max.x : std::int64_t(r.Min.y) + r.Max.y;
}

}  // namespace

void cArea_Locator::Build(const std::vector<cSquarePortal*>& areas, const cRect2D& world) {
    World = world;
    Order = areas;
    Boxes.clear();
    if (areas.empty()) return;
    Boxes.reserve(2 * areas.size() / LEAF_SIZE + 2);
    // Each pending range of Order becomes the box at the given index: split
    // at the median centre along the longer side of its boxes' extent.
    struct cRange {
        int Box, First, Count;
    };
    Boxes.push_back(cBox{cRect2D(), 0, 0});
    std::vector<cRange> pending{{0, 0, int(areas.size())}};
    while (!pending.empty()) {
        const cRange r = pending.back();
        pending.pop_back();
        cRect2D bounds = Order[std::size_t(r.First)]->Bounds;
        for (int i = 1; i < r.Count; ++i) bounds = Union(bounds, Order[std::size_t(r.First + i)]->Bounds);
        Boxes[std::size_t(r.Box)].Bounds = bounds;
        if (r.Count <= LEAF_SIZE) {
            Boxes[std::size_t(r.Box)].First = r.First;
            Boxes[std::size_t(r.Box)].Count = r.Count;
            continue;
        }
        const bool x = std::int64_t(bounds.Max.x) - bounds.Min.x >= std::int64_t(bounds.Max.y) - bounds.Min.y;
        const auto begin = Order.begin() + r.First, middle = begin + r.Count / 2, end = begin + r.Count;
        std::nth_element(begin, middle, end, [x](const cSquarePortal* a, const cSquarePortal* b) {
            return Centre2(a->Bounds, x) < Centre2(b->Bounds, x);
        });
        const int halves = int(Boxes.size());
        Boxes.push_back(cBox{cRect2D(), 0, 0});
        Boxes.push_back(cBox{cRect2D(), 0, 0});
        Boxes[std::size_t(r.Box)].First = halves;
        Boxes[std::size_t(r.Box)].Count = 0;
        pending.push_back({halves, r.First, r.Count / 2});
        pending.push_back({halves + 1, r.First + r.Count / 2, r.Count - r.Count / 2});
    }
}

cSquarePortal* cArea_Locator::Find(const cPoint2D& p) const {
    if (Boxes.empty() || !World.In(p)) return NULL;
    cSquarePortal* found = NULL;
    int pending[128];
    int n = 0;
    pending[n++] = 0;
    while (n > 0) {
        const cBox& box = Boxes[std::size_t(pending[--n])];
        if (!box.Bounds.In(p)) continue;
        if (box.Count == 0) {
            if (n + 2 > 128) return NULL;  // never for a balanced hierarchy; the tree decides
            pending[n++] = box.First + 1;
            pending[n++] = box.First;
            continue;
        }
        for (int i = box.First; i < box.First + box.Count; ++i) {
            cSquarePortal* area = Order[std::size_t(i)];
            const cRect2D& r = area->Bounds;
            if (!r.In(p)) continue;
            // On the area's smaller side across a divider's line, the tree
            // sends p to the area beyond that line.
            if (p.x == r.Min.x && r.Min.x < r.Max.x && p.x != World.Min.x) continue;
            if (p.y == r.Min.y && r.Min.y < r.Max.y && p.y != World.Min.y) continue;
            if (found != NULL) return NULL;  // not decided here
            found = area;
        }
    }
    return found;
}

std::size_t cArea_Locator::Footprint() const {
    return Boxes.capacity() * sizeof(cBox) + Order.capacity() * sizeof(cSquarePortal*);
}
