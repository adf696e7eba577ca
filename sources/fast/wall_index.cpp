#include "fast/wall_index.h"

#include <algorithm>
#include <cstdint>

namespace bsp_levels {

void cWall_Index::Build(const std::vector<cHV_Wall>& walls, const cRect2D& world) {
    // A wall of zero length is vertical: its point goes with the x lines.
    std::vector<std::pair<int, std::pair<int, int>>> horizontal, vertical;
    for (const cHV_Wall& w : walls) {
        if (w.Horizontal)
            horizontal.push_back({w.p0.y, {w.p0.x, w.p1.x}});
        else
            vertical.push_back({w.p0.x, {w.p0.y, w.p1.y}});
    }
    Horizontal.Build(horizontal, world.Min.y, world.Max.y);
    Vertical.Build(vertical, world.Min.x, world.Max.x);
}

void cWall_Index::cLines::Build(std::vector<std::pair<int, std::pair<int, int>>>& walls, int lo, int hi) {
    std::sort(walls.begin(), walls.end());
    Line.clear();
    First.clear();
    Stretch.clear();
    for (std::size_t i = 0; i < walls.size(); ++i) {
        if (Line.empty() || Line.back() != walls[i].first) {
            Line.push_back(walls[i].first);
            First.push_back(int(Stretch.size()));
            Stretch.push_back(walls[i].second);
            continue;
        }
        // Merge stretches of one line that share a grid point or are next to
        // each other: only grid points are ever tested.
        std::pair<int, int>& last = Stretch.back();
        if (std::int64_t(walls[i].second.first) <= std::int64_t(last.second) + 1)
            last.second = std::max(last.second, walls[i].second.second);
        else
            Stretch.push_back(walls[i].second);
    }
    First.push_back(int(Stretch.size()));
    Line.shrink_to_fit();
    First.shrink_to_fit();
    Stretch.shrink_to_fit();
    Origin = lo;
    Slot.clear();
    // A direct table only where it costs no more than a few entries a line.
    const std::int64_t width = std::int64_t(hi) - lo + 1;
    if (width <= std::max<std::int64_t>(std::int64_t(1) << 20, 16 * std::int64_t(Line.size()))) {
        Slot.assign(std::size_t(width), -1);
        for (std::size_t i = 0; i < Line.size(); ++i) Slot[std::size_t(std::int64_t(Line[i]) - lo)] = int(i);
    }
}

bool cWall_Index::cLines::Covers(int c, int v) const {
    int i;
    if (!Slot.empty()) {
        const std::int64_t at = std::int64_t(c) - Origin;
        if (at < 0 || at >= std::int64_t(Slot.size())) return false;
        i = Slot[std::size_t(at)];
        if (i < 0) return false;
    } else {
        const auto it = std::lower_bound(Line.begin(), Line.end(), c);
        if (it == Line.end() || *it != c) return false;
        i = int(it - Line.begin());
    }
    // The last stretch of the line starting at or before v.
    const auto begin = Stretch.begin() + First[i], end = Stretch.begin() + First[i + 1];
    auto it = std::upper_bound(begin, end, std::make_pair(v, 2147483647));
    return it != begin && (--it)->second >= v;
}

std::size_t cWall_Index::cLines::Footprint() const {
    return Line.capacity() * sizeof(int) + First.capacity() * sizeof(int) +
           Stretch.capacity() * sizeof(std::pair<int, int>) + Slot.capacity() * sizeof(int);
}

void cDoor_Lines::Build(const std::vector<cHV_Wall>& doors) {
    Entry.clear();
    for (std::size_t d = 0; d < doors.size(); ++d) {
        const cHV_Wall& w = doors[d];
        const bool h = w.Horizontal;
        Entry.push_back({h, h ? w.p0.y : w.p0.x, h ? std::min(w.p0.x, w.p1.x) : std::min(w.p0.y, w.p1.y),
                         h ? std::max(w.p0.x, w.p1.x) : std::max(w.p0.y, w.p1.y), int(d)});
    }
    std::sort(Entry.begin(), Entry.end(), [](const cEntry& a, const cEntry& b) {
        if (a.Horizontal != b.Horizontal) return a.Horizontal < b.Horizontal;
        if (a.Line != b.Line) return a.Line < b.Line;
        return a.Lo < b.Lo;
    });
}

bool cDoor_Lines::Closed_At(const cPoint2D& p, const unsigned char* open) const {
    for (const bool h : {true, false}) {
        const int line = h ? p.y : p.x, v = h ? p.x : p.y;
        auto it = std::lower_bound(Entry.begin(), Entry.end(), std::make_pair(h, line),
                                   [](const cEntry& e, const std::pair<bool, int>& key) {
                                       return e.Horizontal != key.first ? e.Horizontal < key.first : e.Line < key.second;
                                   });
        for (; it != Entry.end() && it->Horizontal == h && it->Line == line && it->Lo <= v; ++it)
            if (v <= it->Hi && open[it->Door] == 0) return true;
    }
    return false;
}

}  // namespace bsp_levels
