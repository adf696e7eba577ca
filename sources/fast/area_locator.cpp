#include "fast/area_locator.h"

#include "square_portal.h"

namespace bsp_levels {

void cArea_Locator::Build(const std::vector<cSquarePortal*>& areas, const cRect2D& world) {
    World = world;
    Areas = &areas;
    std::vector<cBasic_Item_Box<std::int32_t>> boxes;
    boxes.reserve(areas.size());
    for (const cSquarePortal* area : areas)
        boxes.push_back({area->Bounds.Min.x, area->Bounds.Min.y, area->Bounds.Max.x, area->Bounds.Max.y});
    Boxes.Build(boxes);
}

cSquarePortal* cArea_Locator::Find(const cPoint2D& p) const {
    if (Boxes.Empty() || !World.In(p)) return NULL;
    cSquarePortal* found = NULL;
    const bool decided = Boxes.Visit(p.x, p.y, [&](int i) {
        cSquarePortal* area = (*Areas)[std::size_t(i)];
        const cRect2D& r = area->Bounds;
        // On the area's smaller side across a divider's line, the tree sends
        // p to the area beyond that line.
        if (p.x == r.Min.x && r.Min.x < r.Max.x && p.x != World.Min.x) return true;
        if (p.y == r.Min.y && r.Min.y < r.Max.y && p.y != World.Min.y) return true;
        if (found != NULL) return false;  // not decided here
        found = area;
        return true;
    });
    return decided ? found : NULL;
}

std::size_t cArea_Locator::Footprint() const {
    return Boxes.Footprint();
}

}  // namespace bsp_levels
