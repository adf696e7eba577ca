// Fuzz target of the Tiled importer: an input is the text of a map, XML when
// its first non-blank character is '<' and JSON otherwise (external tilesets
// are not read: the target reads no file). It is read with Read_Tiled_Text
// with a few sets of options. A refusal must be one line and leave the map
// empty. A map read must give blocked space inside its world, which must
// trace to horizontal and vertical walls inside the world (none on its border
// but the given ones), each order a permutation of them, solid points strictly
// inside blocked space and on no wall, and a level text that the loader reads
// whole and the world builds. Nothing may crash, hang or invoke undefined
// behaviour. A broken rule is reported on stderr and aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "level_loader.h"
#include "messages.h"
#include "tiled_import.h"

using namespace bsp_levels;

namespace {

[[noreturn]] void Broken(const std::string& what) {
    std::cerr << "fuzz_tiled_import: " << what << "\n";
    std::abort();
}

void Check(bool holds, const std::string& what) {
    if (!holds) Broken(what);
}

std::string Text(const cGrid_Wall& w) {
    std::ostringstream out;
    out << '[' << w.X1 << ',' << w.Y1 << "]->[" << w.X2 << ',' << w.Y2 << ']';
    return out.str();
}

bool Before(const cGrid_Wall& a, const cGrid_Wall& b) {
    return std::tie(a.X1, a.Y1, a.X2, a.Y2) < std::tie(b.X1, b.Y1, b.X2, b.Y2);
}

void Check_Wall(const cBlocked_Space& s, const cGrid_Wall& w) {
    const bool horizontal = w.Y1 == w.Y2, vertical = w.X1 == w.X2;
    Check(horizontal != vertical, "a wall neither horizontal nor vertical, or of no length: " + Text(w));
    Check(w.X1 <= w.X2 && w.Y1 <= w.Y2, "a wall whose ends are not in increasing order: " + Text(w));
    Check(w.X1 >= 0 && w.Y1 >= 0 && w.X2 <= s.Width && w.Y2 <= s.Height, "a wall outside the world: " + Text(w));
}

bool On_Wall(const cPoint2D& p, const cGrid_Wall& w) {
    return w.X1 <= p.x && p.x <= w.X2 && w.Y1 <= p.y && p.y <= w.Y2;
}

void Check_Map(const cTiled_Map& map) {
    const cBlocked_Space& s = map.Space;
    Check(s.Width >= 1 && s.Height >= 1 && s.Width <= COORD_LIMIT && s.Height <= COORD_LIMIT,
          "a world of " + std::to_string(s.Width) + " x " + std::to_string(s.Height));
    for (const cBlocked_Box& b : s.Boxes)
        Check(0 <= b.X1 && b.X1 < b.X2 && b.X2 <= s.Width && 0 <= b.Y1 && b.Y1 < b.Y2 && b.Y2 <= s.Height,
              "a box empty or outside the world");
    for (const cGrid_Wall& w : s.Walls) Check_Wall(s, w);
    Check(Compressed_Cells(s) <= TILED_CELL_LIMIT, "more cells than the limit");

    const std::vector<cGrid_Wall> walls = Trace_Walls(s);
    Check(walls.size() >= s.Walls.size(), "given walls lost");
    for (std::size_t i = 0; i < walls.size(); ++i) {
        const cGrid_Wall& w = walls[i];
        Check_Wall(s, w);
        if (i < walls.size() - s.Walls.size())
            Check(w.Y1 == w.Y2 ? (w.Y1 > 0 && w.Y1 < s.Height) : (w.X1 > 0 && w.X1 < s.Width),
                  "a traced wall on the world's border: " + Text(w));
    }

    for (const cPoint2D& p : Solid_Points(s)) {
        Check(std::any_of(s.Boxes.begin(), s.Boxes.end(),
                          [&](const cBlocked_Box& b) { return b.X1 < p.x && p.x < b.X2 && b.Y1 < p.y && p.y < b.Y2; }),
              "a solid point outside blocked space");
        for (const cGrid_Wall& w : walls) Check(!On_Wall(p, w), "a solid point on the wall " + Text(w));
    }

    std::vector<cGrid_Wall> sorted = walls;
    std::sort(sorted.begin(), sorted.end(), Before);
    for (const cWall_Order order : {cWall_Order::SCAN, cWall_Order::BALANCED}) {
        const std::vector<cGrid_Wall> ordered = Order_Walls(walls, order);
        std::vector<cGrid_Wall> same = ordered;
        std::sort(same.begin(), same.end(), Before);
        Check(same == sorted, "an order that is not a permutation of the walls");
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
    Check(bool(loaded), "the level does not load: " + loaded.Reason + "\n" + level.str());
    Check(world.Build() == BUILD_DONE, "the level does not build:\n" + level.str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    cTiled_Options options[3];
    options[1].Solid_Property = "solid";
    options[1].Scale = 3;
    options[2].Layer = "Ground";
    for (const cTiled_Options& o : options) {
        cTiled_Map map;
        std::string error;
        if (!Read_Tiled_Text(text, o, nullptr, map, error)) {
            Check(!error.empty() && error.find('\n') == std::string::npos && error.find('\r') == std::string::npos,
                  "a refusal without a one-line reason: " + error);
            Check(map.Space.Width == 0 && map.Space.Boxes.empty() && map.Space.Walls.empty(), "a refused map left half read");
            continue;
        }
        Check(error.empty(), "an error for a map read");
        Check_Map(map);
    }
    return 0;
}
