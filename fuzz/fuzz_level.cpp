// Fuzz target: an input is a level text, optionally followed by a 0xFF byte
// and query bytes. The level is read through the real loader, built, dumped
// and queried (paths, segments with limits, balls); nothing may crash, hang
// or invoke undefined behaviour.
//
// Query bytes come in groups of nine: a kind byte and four 16-bit numbers.
// An input without query bytes gets a few queries spread over the world.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "level_loader.h"

namespace {

// A file of this process's own for the loader to read.
const std::string& Level_File() {
    static const std::string name = [] {
        char path[] = "/tmp/bsp_fuzz_level_XXXXXX";
        const int fd = mkstemp(path);
        if (fd >= 0) close(fd);
        return std::string(path);
    }();
    return name;
}

int Number(const uint8_t* p) { return int16_t(uint16_t(p[0]) | uint16_t(p[1]) << 8); }

void Run_Queries(cGame_World& world, const uint8_t* q, size_t size) {
    std::vector<cPoint2D> path;
    cPoint2D hit;
    for (; size >= 9; q += 9, size -= 9) {
        const cPoint2D a(Number(q + 1), Number(q + 3)), b(Number(q + 5), Number(q + 7));
        switch (q[0] % 4) {
        case 0:
            world.Find_Path(a, b, path);
            break;
        case 1:
            world.Intersect_Segment(cSeg(a, b), hit);
            break;
        case 2:
            world.Intersect_Segment(cSeg(a, b), hit, int64_t(b.x) * b.y);
            break;
        default:
            world.Intersect_Ball(a.x, a.y, b.x);
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t level_size = 0;
    while (level_size < size && data[level_size] != 0xFF) ++level_size;
    {
        std::ofstream out(Level_File(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(level_size));
    }

    // Every run starts from the same bounds, and the library's messages go
    // nowhere.
    WORLD_BOUNDS = cRect2D(cPoint2D(0, 0), cPoint2D(100, 100));
    std::ostringstream quiet;
    std::streambuf* const saved = std::cout.rdbuf(quiet.rdbuf());
    {
        cGame_World world;
        cLevel_Loader loader;
        loader.Load(Level_File().c_str(), &world);
        world.Build();
        if (world.Root != nullptr && world.Is_Built()) world.Root->Print();

        if (level_size + 1 < size) {
            Run_Queries(world, data + level_size + 1, size - level_size - 1);
        } else {
            // Queries across the world it was built with, corner to corner.
            // The segments stop after about a thousand units: a walk costs a
            // step per grid point, and worlds may be millions of units wide.
            const cRect2D b = world.Get_Bounds();
            const cPoint2D corners[] = {b.Min, b.Max, cPoint2D(b.Min.x, b.Max.y), cPoint2D(b.Max.x, b.Min.y)};
            std::vector<cPoint2D> path;
            cPoint2D hit;
            for (const cPoint2D& a : corners)
                for (const cPoint2D& c : corners) {
                    const cPoint2D in_a((a.x + c.x * 3) / 4, (a.y + c.y * 3) / 4);
                    world.Find_Path(a, in_a, path);
                    world.Intersect_Segment(cSeg(a, c), hit, 1000000);
                    world.Intersect_Ball(in_a.x, in_a.y, 5);
                }
        }
    }
    std::cout.rdbuf(saved);
    return 0;
}
