// Random levels for the tests of the route queries: the generator's levels
// (random_level.h, with all their awkward cases), a share of the walls made
// doors (some open), and in worlds small enough for the rock's oracle a few
// solid points. Each level comes with the oracle's view of it.
#ifndef ROUTE_LEVELS_H
#define ROUTE_LEVELS_H

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "random_level.h"
#include "route_oracle.h"
#include "test_support.h"

using namespace bsp_levels;

struct cRoute_Level {
    cRect2D Bounds;
    std::vector<cHV_Wall> Walls, Doors;
    std::vector<unsigned char> Open;  // by door
    std::vector<cPoint2D> Solid;

    // What stops the agent: the walls and the closed doors.
    std::vector<cHV_Wall> Blocking() const {
        std::vector<cHV_Wall> b = Walls;
        for (std::size_t i = 0; i < Doors.size(); ++i)
            if (!Open[i]) b.push_back(Doors[i]);
        return b;
    }
    // Every wall and door: the rock's barriers and the lines places lie on.
    std::vector<cHV_Wall> Lines() const {
        std::vector<cHV_Wall> l = Walls;
        l.insert(l.end(), Doors.begin(), Doors.end());
        return l;
    }
    std::string Text() const {
        std::ostringstream out;
        out << Describe(cLevel{Bounds, Walls}) << "<DOORS>\n";
        for (std::size_t i = 0; i < Doors.size(); ++i)
            out << Doors[i].p0 << "->" << Doors[i].p1 << (Open[i] ? " open" : " closed") << "\n";
        out << "<SOLID>\n";
        for (const cPoint2D& p : Solid) out << p << "\n";
        return out.str();
    }
};

// The level of seed: mostly small worlds where walls meet often, now and
// then the larger ones of the engines' tests (without rock there).
inline cRoute_Level Make_Route_Level(unsigned seed, int n) {
    cLevel_Maker maker(seed);
    const cLevel made = n % 4 == 3 ? maker.Make() : maker.Make_Small(40, 16);
    std::mt19937 rng(seed * 7919u + 13u);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    cRoute_Level level;
    level.Bounds = made.Bounds;
    const int door_share = pick(0, 2);  // none, about a quarter or about a half of the walls
    for (const cHV_Wall& w : made.Walls) {
        if (pick(0, 3) < door_share) {
            level.Doors.push_back(w);
            level.Open.push_back((unsigned char)pick(0, 1));
        } else {
            level.Walls.push_back(w);
        }
    }
    const cRect2D& b = level.Bounds;
    const int span = std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y);
    if (span <= 200 && b.Min.x < b.Max.x && b.Min.y < b.Max.y) {
        const std::vector<cHV_Wall> lines = level.Lines();
        for (int k = pick(0, 2); k > 0; --k) {
            const cPoint2D p(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
            bool on_line = false;
            for (const cHV_Wall& w : lines) on_line = on_line || Square_Distance_To_Box(w.p0, w.p1, p) == 0;
            if (!on_line) level.Solid.push_back(p);
        }
    }
    return level;
}

// The level built, its doors set; null when the build refuses it (it never
// does for these levels).
inline std::unique_ptr<cGame_World> Build_Route_World(const cRoute_Level& level) {
    std::unique_ptr<cGame_World> world(new cGame_World());
    cCapture_Messages quiet;
    cBounds_Guard bounds(level.Bounds);
    for (const cHV_Wall& w : level.Walls) world->Insert(w);
    for (const cHV_Wall& d : level.Doors) world->Add_Door(d);
    for (const cPoint2D& p : level.Solid) world->Add_Solid_Point(p);
    const BUILD_STATUS status = world->Build();
    if (status != BUILD_DONE && status != BUILD_SOLID_EVERYWHERE) return nullptr;
    for (std::size_t i = 0; i < level.Doors.size(); ++i) world->Set_Door(int(i), level.Open[i] != 0);
    return world;
}

// A half-size for a query: 0 to 3, larger in large worlds.
template <class cPick>
int Pick_Half_Size(const cRect2D& b, cPick pick) {
    return pick(0, 3) * (std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y) > 200 ? pick(1, 20) : 1);
}

// A point of the world, or now and then one a little outside it.
template <class cPick>
cPoint2D Pick_Point(const cRect2D& b, cPick pick) {
    if (pick(0, 9) == 0) {
        const int mx = std::max(2, (b.Max.x - b.Min.x) / 4), my = std::max(2, (b.Max.y - b.Min.y) / 4);
        return cPoint2D(pick(b.Min.x - mx, b.Max.x + mx), pick(b.Min.y - my, b.Max.y + my));
    }
    return cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
}

inline std::string Point_Text(const cPoint2D& p) {
    return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
}

#endif
