#include "fast/segment_walk.h"

#include <algorithm>

#include "fast/wall_index.h"
#include "square_portal.h"
#include "line_walker.h"

namespace bsp_levels {

namespace {

bool Strictly_Inside(const cRect2D& r, const cPoint2D& p) {
    return r.Min.x < p.x && p.x < r.Max.x && r.Min.y < p.y && p.y < r.Max.y;
}

// The first step from k on (p, point k, lying strictly inside r) whose point
// is on r's border, or the last step of the walk if none is.
std::int64_t Exit_Step(const cLine_Walker& w, const cRect2D& r, std::int64_t k, const cPoint2D& p) {
    const bool x_major = w.adx > w.ady;
    const int s_major = x_major ? w.sx : w.sy, s_minor = x_major ? w.sy : w.sx;
    const int major = x_major ? p.x : p.y;
    const int major_border = s_major > 0 ? (x_major ? r.Max.x : r.Max.y) : (x_major ? r.Min.x : r.Min.y);
    const int minor_start = x_major ? w.start.y : w.start.x;
    const int minor_border = s_minor > 0 ? (x_major ? r.Max.y : r.Max.x) : (x_major ? r.Min.y : r.Min.x);
    std::int64_t exit = k + std::int64_t(s_major) * (std::int64_t(major_border) - major);
    exit = std::min(exit, w.First_Minor_Step(std::int64_t(s_minor) * (std::int64_t(minor_border) - minor_start), k));
    return std::min<std::int64_t>(exit, w.Steps());
}

}  // namespace

bool Walk_Segment(const cPoint2D& a, const cPoint2D& b, const cSquarePortal* area, std::int64_t limit,
                  const cRect2D& world, const cWall_Index& walls, const cDoor_Lines& doors,
                  const unsigned char* open, const cArea_Finder& areas, cPoint2D& hit) {
    const bool any_door = !doors.Empty();
    cLine_Walker walker;
    walker.Start(a, b);
    const std::int64_t n = walker.Steps();
    const bool whole = limit >= Square_Distance(a, b);
    for (std::int64_t j = 0; j < n;) {
        std::int64_t k = j + 1;
        cPoint2D p = walker.Point(k);
        if (Strictly_Inside(area->Bounds, p)) {
            // No wall point inside an area: go straight to its border.
            k = Exit_Step(walker, area->Bounds, k, p);
            p = walker.Point(k);
            if (Strictly_Inside(area->Bounds, p)) return false;  // the walk ends inside
        }
        j = k;
        if (!area->Bounds.In(p)) {
            if (!world.In(p)) continue;  // outside the world: no wall there
            area = areas.Area_Of(p);
            if (Strictly_Inside(area->Bounds, p)) continue;
        }
        // p lies on an area's border. The walk tests it unless it stopped at
        // the limit with the point before (every point before b is nearer).
        if (!whole && Square_Distance(walker.Point(k - 1), a) >= limit) return false;
        if (walls.Contains(p) || (any_door && doors.Closed_At(p, open))) {
            hit = p;
            return true;
        }
    }
    return false;
}

}  // namespace bsp_levels
