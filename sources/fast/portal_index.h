// The portals of a world being built, by line (orientation and coordinate),
// each line's portals ordered by the coordinate where they start. Portals on
// one line overlap in one point at most, so the portals that overlap a
// stretch are found directly.
#ifndef FAST_PORTAL_INDEX_H
#define FAST_PORTAL_INDEX_H

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

#include "game_graph.h"
#include "world_pool.h"

namespace bsp_levels {

class cPortal_Index {
public:
    void Add(cPortal* portal);
    void Remove(const cPortal* portal);
    // The first portal in creation order that overlaps seg along a positive
    // length, or null.
    cPortal* First_Overlapping(const cHV_Seg& seg) const;
    void Clear() {
        Lines.clear();
        Entries.reset(new cWorld_Pool());
    }

private:
    typedef cPool_Allocator<std::pair<const int, cPortal*>> cEntry_Allocator;
    typedef std::map<int, cPortal*, std::less<int>, cEntry_Allocator> cLine;
    std::unique_ptr<cWorld_Pool> Entries{new cWorld_Pool()};  // the lines' entries
    std::unordered_map<std::int64_t, cLine> Lines;
};

}  // namespace bsp_levels

#endif
