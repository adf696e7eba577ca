// What the fuzz targets of the map importers share: an input holds a map
// and the files it names, and a map read must give blocked space that traces
// to a level the loader reads whole and the world builds.
//
// An input is the map's text, then any number of files, each after a line
// "=== NAME" (the name as the map writes it):
//
//   <map ...> ... </map>
//   === walls.tsx
//   <tileset ...> ... </tileset>
#ifndef IMPORT_FUZZ_SUPPORT_H
#define IMPORT_FUZZ_SUPPORT_H

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "level_loader.h"
#include "messages.h"

namespace import_fuzz {

using namespace bsp_levels;

[[noreturn]] inline void Broken(const std::string& target, const std::string& what) {
    std::cerr << target << ": " << what << "\n";
    std::abort();
}

// The input's map text and its files by name.
struct cInput {
    std::string Map;
    std::map<std::string, std::string> Files;

    explicit cInput(const std::string& data) {
        const std::string mark = "\n=== ";
        std::size_t at = data.find(mark);
        Map = data.substr(0, at);
        while (at != std::string::npos) {
            const std::size_t name_start = at + mark.size();
            std::size_t name_end = data.find('\n', name_start);
            if (name_end == std::string::npos) name_end = data.size();
            const std::size_t next = name_end < data.size() ? data.find(mark, name_end) : std::string::npos;
            const std::size_t body = std::min(name_end + 1, data.size());
            Files[data.substr(name_start, name_end - name_start)] =
                data.substr(body, next == std::string::npos ? std::string::npos : next - body);
            at = next;
        }
    }

    // A reader of the files, as the importers take it.
    bool Read(const std::string& name, std::string& text, std::string& error) const {
        const auto it = Files.find(name);
        if (it == Files.end()) {
            error = "no file " + name;
            return false;
        }
        text = it->second;
        return true;
    }
};

inline bool One_Line(const std::string& text) {
    return !text.empty() && text.find('\n') == std::string::npos && text.find('\r') == std::string::npos;
}

inline std::string Text(const cGrid_Wall& w) {
    std::ostringstream out;
    out << '[' << w.X1 << ',' << w.Y1 << "]->[" << w.X2 << ',' << w.Y2 << ']';
    return out.str();
}

// Blocked space inside its world, limited to cell_limit cells, tracing to
// horizontal and vertical walls inside the world (none on its border but the
// given ones), each order a permutation of them, solid points strictly
// inside blocked space and on no wall, some space blocked and some free, and
// a level text that the loader reads whole and the world builds.
inline void Check_Space(const std::string& target, const cBlocked_Space& s, std::int64_t cell_limit) {
    auto check = [&](bool holds, const std::string& what) {
        if (!holds) Broken(target, what);
    };
    auto check_wall = [&](const cGrid_Wall& w) {
        const bool horizontal = w.Y1 == w.Y2, vertical = w.X1 == w.X2;
        check(horizontal != vertical, "a wall neither horizontal nor vertical, or of no length: " + Text(w));
        check(w.X1 <= w.X2 && w.Y1 <= w.Y2, "a wall whose ends are not in increasing order: " + Text(w));
        check(w.X1 >= 0 && w.Y1 >= 0 && w.X2 <= s.Width && w.Y2 <= s.Height, "a wall outside the world: " + Text(w));
    };
    check(s.Width >= 1 && s.Height >= 1 && s.Width <= COORD_LIMIT && s.Height <= COORD_LIMIT,
          "a world of " + std::to_string(s.Width) + " x " + std::to_string(s.Height));
    for (const cBlocked_Box& b : s.Boxes)
        check(0 <= b.X1 && b.X1 < b.X2 && b.X2 <= s.Width && 0 <= b.Y1 && b.Y1 < b.Y2 && b.Y2 <= s.Height,
              "a box empty or outside the world");
    for (const cGrid_Wall& w : s.Walls) check_wall(w);
    check(!s.Boxes.empty() || !s.Walls.empty(), "nothing blocked");
    check(Compressed_Cells(s) <= cell_limit, "more cells than the limit");

    const std::vector<cGrid_Wall> walls = Trace_Walls(s);
    check(walls.size() >= s.Walls.size(), "given walls lost");
    for (std::size_t i = 0; i < walls.size(); ++i) {
        const cGrid_Wall& w = walls[i];
        check_wall(w);
        if (i < walls.size() - s.Walls.size())
            check(w.Y1 == w.Y2 ? (w.Y1 > 0 && w.Y1 < s.Height) : (w.X1 > 0 && w.X1 < s.Width),
                  "a traced wall on the world's border: " + Text(w));
    }
    for (const cPoint2D& p : Solid_Points(s)) {
        check(std::any_of(s.Boxes.begin(), s.Boxes.end(),
                          [&](const cBlocked_Box& b) { return b.X1 < p.x && p.x < b.X2 && b.Y1 < p.y && p.y < b.Y2; }),
              "a solid point outside blocked space");
        for (const cGrid_Wall& w : walls)
            check(!(w.X1 <= p.x && p.x <= w.X2 && w.Y1 <= p.y && p.y <= w.Y2), "a solid point on the wall " + Text(w));
    }
    auto before = [](const cGrid_Wall& a, const cGrid_Wall& b) {
        return std::tie(a.X1, a.Y1, a.X2, a.Y2) < std::tie(b.X1, b.Y1, b.X2, b.Y2);
    };
    std::vector<cGrid_Wall> sorted = walls;
    std::sort(sorted.begin(), sorted.end(), before);
    for (const cWall_Order order : {cWall_Order::SCAN, cWall_Order::BALANCED}) {
        std::vector<cGrid_Wall> same = Order_Walls(walls, order);
        std::sort(same.begin(), same.end(), before);
        check(same == sorted, "an order that is not a permutation of the walls");
    }

    // The level loads whole and builds (large ones are left out for speed).
    if (walls.size() > 2000) return;
    std::ostringstream level;
    Write_Level(level, s.Width, s.Height, Order_Walls(walls, cWall_Order::BALANCED));
    std::istringstream in(level.str());
    std::ostringstream messages;
    cMessage_Redirect to_messages(&messages);
    WORLD_BOUNDS = DEFAULT_WORLD_BOUNDS;
    cGame_World world;
    const cLoad_Result loaded = cLevel_Loader().Load(in, "level", &world);
    check(bool(loaded), "the level does not load: " + loaded.Reason + "\n" + level.str());
    check(world.Build() == BUILD_DONE, "the level does not build:\n" + level.str());
}

}  // namespace import_fuzz

#endif
