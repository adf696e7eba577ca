// Fuzz target of the grid importer: an input is the text of a grid map. It
// is read with Read_Grid_Map; when it is a map, its walls are traced, put in
// each order and the level is written. Nothing may crash, hang, invoke
// undefined behaviour or allocate what the text does not hold (a header
// promising millions of rows over a few bytes), and what comes out must fit
// the map: rows as the header says, walls on cell borders inside the level,
// each order a permutation of the traced walls, a level with one wall line
// per wall. A broken rule is reported on stderr and aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "grid_import.h"

using namespace bsp_levels;

namespace {

[[noreturn]] void Broken(const std::string& what) {
    std::cerr << "fuzz_grid_import: " << what << "\n";
    std::abort();
}

void Check(bool holds, const std::string& what) {
    if (!holds) Broken(what);
}

bool Before(const cGrid_Wall& a, const cGrid_Wall& b) {
    return std::tie(a.X1, a.Y1, a.X2, a.Y2) < std::tie(b.X1, b.Y1, b.X2, b.Y2);
}

std::string Text(const cGrid_Wall& w) {
    std::ostringstream out;
    out << '[' << w.X1 << ',' << w.Y1 << "]->[" << w.X2 << ',' << w.Y2 << ']';
    return out.str();
}

void Check_Walls(const cGrid_Map& map, int cell, const std::vector<cGrid_Wall>& walls) {
    const std::int64_t width = std::int64_t(map.Width) * cell, height = std::int64_t(map.Height) * cell;
    for (const cGrid_Wall& w : walls) {
        const bool horizontal = w.Y1 == w.Y2, vertical = w.X1 == w.X2;
        Check(horizontal != vertical, "a wall neither horizontal nor vertical, or of no length: " + Text(w));
        Check(w.X1 <= w.X2 && w.Y1 <= w.Y2, "a wall whose ends are not in increasing order: " + Text(w));
        Check(w.X1 >= 0 && w.Y1 >= 0 && w.X2 <= width && w.Y2 <= height, "a wall outside the level: " + Text(w));
        Check(w.X1 % cell == 0 && w.Y1 % cell == 0 && w.X2 % cell == 0 && w.Y2 % cell == 0,
              "a wall off the cell borders: " + Text(w));
        // The map's outer edge gives no wall.
        Check(horizontal ? (w.Y1 > 0 && w.Y1 < height) : (w.X1 > 0 && w.X1 < width),
              "a wall on the map's edge: " + Text(w));
    }
}

void Check_Level(const std::string& level, const cGrid_Map& map, int cell, const std::vector<cGrid_Wall>& walls) {
    const std::string area = "<AREA>\n[" + std::to_string(map.Width * cell) + ',' +
                             std::to_string(map.Height * cell) + "]\n";
    Check(level.compare(0, area.size(), area) == 0, "the level does not start with its area item:\n" + level);
    std::size_t wall_lines = 0;
    for (std::size_t at = level.find("]->["); at != std::string::npos; at = level.find("]->[", at + 1)) ++wall_lines;
    Check(wall_lines == walls.size(), "the level holds " + std::to_string(wall_lines) + " wall lines for " +
                                          std::to_string(walls.size()) + " walls");
    Check((level.find("<WALLS>\n") != std::string::npos) == !walls.empty(),
          "a <WALLS> tag without walls, or walls without the tag");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    cGrid_Map map;
    std::string error;
    if (!Read_Grid_Map(in, map, error)) {
        Check(!error.empty() && error.find('\n') == std::string::npos, "a refusal without a one-line reason");
        Check(map.Rows.empty() && map.Width == 0 && map.Height == 0, "a refused map left half read");
        return 0;
    }
    Check(map.Width > 0 && map.Height > 0 && map.Rows.size() == std::size_t(map.Height),
          "a map of " + std::to_string(map.Rows.size()) + " rows whose header says " + std::to_string(map.Height));
    for (const std::string& row : map.Rows)
        Check(row.size() == std::size_t(map.Width), "a row of " + std::to_string(row.size()) +
                                                        " characters whose header says " + std::to_string(map.Width));

    // One unit and ten units a cell; the level's size must stay in an int.
    for (const int cell : {1, 10}) {
        if (std::int64_t(map.Width) * cell > 100000000 || std::int64_t(map.Height) * cell > 100000000) continue;
        const std::vector<cGrid_Wall> traced = Trace_Walls(map, cell);
        Check_Walls(map, cell, traced);
        std::vector<cGrid_Wall> sorted = traced;
        std::sort(sorted.begin(), sorted.end(), Before);
        for (const cWall_Order order : {cWall_Order::SCAN, cWall_Order::LONGEST, cWall_Order::BALANCED}) {
            const std::vector<cGrid_Wall> walls = Order_Walls(traced, order);
            std::vector<cGrid_Wall> same = walls;
            std::sort(same.begin(), same.end(), Before);
            Check(same == sorted, "an order that is not a permutation of the traced walls");
            std::ostringstream level;
            Write_Level(level, map.Width * cell, map.Height * cell, walls);
            Check_Level(level.str(), map, cell, walls);
        }
    }
    return 0;
}
