// A program built against the bsp_levels package: opens a level (a level
// file, a grid map or a Tiled map) and prints the route between two points,
// one "X Y" per line (the start left out, the goal last).
//
//   consumer LEVEL X1 Y1 X2 Y2
//
// Exit status: 0 with a route, 1 without one, 2 for bad arguments or a level
// that did not load or build.
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "bsp_levels_version.h"
#include "level_open.h"

using namespace bsp_levels;

namespace {

bool Parse_Int(const char* text, int& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || v < -COORD_LIMIT || v > COORD_LIMIT) return false;
    value = int(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int coords[4] = {0, 0, 0, 0};
    bool ok = argc == 6;
    for (int i = 0; ok && i < 4; ++i) ok = Parse_Int(argv[i + 2], coords[i]);
    if (!ok) {
        std::cerr << "usage: consumer LEVEL X1 Y1 X2 Y2   (bsp_levels " << BSP_LEVELS_VERSION << ")\n";
        return 2;
    }

    const cOpen_Result level = Open_Level(argv[1]);
    if (!level) {
        std::cerr << "consumer: " << level.Error() << "\n";  // FILE:LINE: reason
        return 2;
    }
    const cGame_World& world = *level.World;

    std::vector<cPoint2D> path;
    if (!world.Find_Path(cPoint2D(coords[0], coords[1]), cPoint2D(coords[2], coords[3]), path)) {
        std::cout << "none\n";
        return 1;
    }
    for (const cPoint2D& p : path) std::cout << p.x << " " << p.y << "\n";
    return 0;
}
