#include "fast/portal_index.h"

#include <algorithm>

namespace bsp_levels {

namespace {

std::int64_t Line_Key(const cHV_Seg& s) {
    return s.Horizontal ? (std::int64_t(1) << 32) + s.p0.y : std::int64_t(s.p0.x);
}

int Along(const cPoint2D& p, bool horizontal) { return horizontal ? p.x : p.y; }

}  // namespace

void cPortal_Index::Add(cPortal* portal) {
    const std::int64_t key = Line_Key(portal->Segment);
    auto line = Lines.find(key);
    if (line == Lines.end()) line = Lines.emplace(key, cLine(std::less<int>(), cEntry_Allocator(Entries.get()))).first;
    line->second[Along(portal->Segment.p0, portal->Segment.Horizontal)] = portal;
}

void cPortal_Index::Remove(const cPortal* portal) {
    const auto line = Lines.find(Line_Key(portal->Segment));
    if (line != Lines.end()) line->second.erase(Along(portal->Segment.p0, portal->Segment.Horizontal));
}

cPortal* cPortal_Index::First_Overlapping(const cHV_Seg& seg) const {
    const auto line = Lines.find(Line_Key(seg));
    if (line == Lines.end()) return NULL;
    const bool h = seg.Horizontal;
    const int s0 = Along(seg.p0, h), s1 = Along(seg.p1, h);
    // Portals on a line overlap in one point at most, so those overlapping
    // seg start from the last one starting at or before s0.
    cLine::const_iterator it = line->second.upper_bound(s0);
    if (it != line->second.begin()) --it;
    cPortal* first = NULL;
    for (; it != line->second.end() && it->first < s1; ++it) {
        cPortal* p = it->second;
        if (std::min(s1, Along(p->Segment.p1, h)) > std::max(s0, it->first) && (first == NULL || p->Id < first->Id))
            first = p;
    }
    return first;
}

}  // namespace bsp_levels
