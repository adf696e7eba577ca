// Random levels with the awkward cases: walls on the border lines, walls one
// unit apart, collinear walls with doorways, walls touching and crossing,
// tiny and large worlds, negative coordinates. Shared by the tests that check
// built levels against oracles and the two engines against each other.
#ifndef RANDOM_LEVEL_H
#define RANDOM_LEVEL_H

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

using namespace bsp_levels;

struct cLevel {
    cRect2D Bounds;
    std::vector<cHV_Wall> Walls;
};

inline std::string Describe(const cLevel& level) {
    std::ostringstream out;
    out << "<AREA> bounds " << level.Bounds << "\n<WALLS>\n";
    for (const cHV_Wall& w : level.Walls) out << w.p0 << "->" << w.p1 << "\n";
    return out.str();
}

// Inserts the level's walls into world and builds it; returns what the
// library wrote meanwhile.
inline std::string Build_Level(const cLevel& level, cGame_World& world) {
    cCapture_Messages out;
    for (const cHV_Wall& w : level.Walls) world.Insert(w);
    world.Build();
    return out.str();
}

class cLevel_Maker {
public:
    explicit cLevel_Maker(unsigned seed) : Rng(seed) {}

    cLevel Make() {
        cLevel level;
        const int kind = Pick(0, 9);
        const int span = kind < 3 ? Pick(2, 12) : kind < 8 ? Pick(20, 120) : Pick(1000, 20000);
        const int w = span, h = Pick(0, 1) ? span : Pick(2, std::max(2, span));
        const int ox = Pick(0, 2) == 0 ? Pick(-w, w) : 0, oy = Pick(0, 2) == 0 ? Pick(-h, h) : 0;
        level.Bounds = Rect(ox, oy, ox + w, oy + h);
        // A coarse grid makes lines and ends coincide often.
        Step = kind < 3 ? 1 : (Pick(0, 1) ? 1 : std::max(1, span / Pick(4, 12)));
        const int n = kind < 3 ? Pick(0, 8) : Pick(0, 30);
        // A comb: one line of many short walls with gaps, whose areas are
        // crowded (more portals than CROWDED_AREA_PORTALS).
        if (span >= 300 && Pick(0, 1) == 0) Add_Comb(level);
        for (int i = 0; i < n; ++i) level.Walls.push_back(Make_Wall(level));
        return level;
    }

    // A level of the same kinds within a world at most max_span units wide
    // and high, with at most max_walls walls.
    cLevel Make_Small(int max_span, int max_walls) {
        cLevel level;
        const int w = Pick(2, std::max(2, max_span)), h = Pick(0, 1) ? w : Pick(2, std::max(2, max_span));
        const int ox = Pick(0, 2) == 0 ? Pick(-w, w) : 0, oy = Pick(0, 2) == 0 ? Pick(-h, h) : 0;
        level.Bounds = Rect(ox, oy, ox + w, oy + h);
        Step = Pick(0, 1) ? 1 : std::max(1, std::min(w, h) / Pick(2, 6));
        const int n = Pick(0, max_walls);
        for (int i = 0; i < n; ++i) level.Walls.push_back(Make_Wall(level));
        return level;
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng); }

    int Snap(int v, int lo, int hi) const {
        const int s = lo + (v - lo) / Step * Step;
        return std::min(std::max(s, lo), hi);
    }

    void Add_Comb(cLevel& level) {
        const cRect2D& b = level.Bounds;
        const bool horizontal = Pick(0, 1) == 1;
        const int lo = horizontal ? b.Min.x : b.Min.y, hi = horizontal ? b.Max.x : b.Max.y;
        const int across_lo = horizontal ? b.Min.y : b.Min.x, across_hi = horizontal ? b.Max.y : b.Max.x;
        const int teeth = Pick(CROWDED_AREA_PORTALS + 1, 4 * CROWDED_AREA_PORTALS);
        const int pitch = (hi - lo) / (teeth + 1);
        if (pitch < 2) return;
        const int line = Pick(across_lo + 1, std::max(across_lo + 1, across_hi - 1));
        const int length = Pick(1, pitch - 1);
        std::vector<cHV_Wall> comb;
        for (int i = 0; i < teeth; ++i) {
            const int a = lo + pitch / 2 + i * pitch;
            comb.push_back(horizontal ? Wall(a, line, a + length, line) : Wall(line, a, line, a + length));
        }
        // Now and then a wall one unit beside it: areas too thin for a hub.
        if (Pick(0, 1) == 0) {
            const int beside = line + (Pick(0, 1) ? 1 : -1);
            comb.push_back(horizontal ? Wall(lo, beside, hi, beside) : Wall(beside, lo, beside, hi));
        }
        std::shuffle(comb.begin(), comb.end(), Rng);
        level.Walls.insert(level.Walls.end(), comb.begin(), comb.end());
    }

    cHV_Wall Make_Wall(const cLevel& level) {
        const cRect2D& b = level.Bounds;
        const std::vector<cHV_Wall>& walls = level.Walls;
        const bool horizontal = Pick(0, 1) == 1;
        const int lo = horizontal ? b.Min.x : b.Min.y, hi = horizontal ? b.Max.x : b.Max.y;
        const int across_lo = horizontal ? b.Min.y : b.Min.x, across_hi = horizontal ? b.Max.y : b.Max.x;
        int line = Snap(Pick(across_lo, across_hi), across_lo, across_hi);
        int a = Snap(Pick(lo, hi), lo, hi), c = Snap(Pick(lo, hi), lo, hi);
        const cHV_Wall* other = walls.empty() ? nullptr : &walls[Pick(0, int(walls.size()) - 1)];
        switch (Pick(0, 9)) {
        case 0:  // on a border line
            line = Pick(0, 1) ? across_lo : across_hi;
            break;
        case 1:  // across the whole world
            a = lo;
            c = hi;
            break;
        case 2:  // one unit beside another wall, parallel
            if (other && other->Horizontal == horizontal) {
                const int l = horizontal ? other->p0.y : other->p0.x;
                line = std::min(std::max(l + (Pick(0, 1) ? 1 : -1), across_lo), across_hi);
            }
            break;
        case 3:  // on another wall's line: a doorway or an overlap
            if (other && other->Horizontal == horizontal) line = horizontal ? other->p0.y : other->p0.x;
            break;
        case 4:  // starting on another wall, perpendicular: touching or crossing
            if (other && other->Horizontal != horizontal) {
                line = horizontal ? Pick(other->p0.y, other->p1.y) : Pick(other->p0.x, other->p1.x);
                a = horizontal ? other->p0.x : other->p0.y;
            }
            break;
        case 5:  // a short wall
            c = std::min(std::max(a + Pick(-2, 2), lo), hi);
            break;
        default:
            break;
        }
        if (a == c && Pick(0, 3) != 0) c = a == hi ? lo : hi;  // zero length only now and then
        const cPoint2D p = horizontal ? cPoint2D(a, line) : cPoint2D(line, a);
        const cPoint2D q = horizontal ? cPoint2D(c, line) : cPoint2D(line, c);
        cCapture_Messages quiet;  // a wall of zero length reports itself
        return cHV_Wall(p, q);
    }

    std::mt19937 Rng;
    int Step = 1;
};

#endif
