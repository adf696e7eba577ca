// The portals of a world being built, by line (orientation and coordinate),
// each line's portals ordered by the coordinate where they start. Portals on
// one line overlap in one point at most, so the portals that overlap a
// stretch are found directly.
#ifndef FAST_PORTAL_INDEX_H
#define FAST_PORTAL_INDEX_H

#include <cstdint>
#include <map>
#include <unordered_map>

#include "game_graph.h"

namespace bsp_levels {

class cPortal_Index {
public:
    void Add(cPortal* portal);
    void Remove(const cPortal* portal);
    // The first portal in creation order that overlaps seg along a positive
    // length, or null.
    cPortal* First_Overlapping(const cHV_Seg& seg) const;
    void Clear() { Lines.clear(); }

private:
    std::unordered_map<std::int64_t, std::map<int, cPortal*>> Lines;
};

}  // namespace bsp_levels

#endif
