// Levels made to cost as much as possible: a line of many short walls with
// gaps (a comb), many doors on one line, doors nested in each other, walls
// in sorted order, walls crossing in a grid, and a grid map whose one row is
// a comb. Each must cost memory in proportion to its walls and doors (or be
// refused early, within the world's limits), whatever its size. This file
// is its own program: it counts every byte operator new hands out (a
// world's pool, whose blocks come from malloc or are mapped on their own,
// and the route structures' arrays of 2 MiB or more, mapped on their own,
// are not counted; the levels here keep those arrays smaller).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "hostile_level_texts.h"
#include "level_open.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

std::atomic<std::int64_t> live_bytes{0};
std::atomic<std::int64_t> peak_bytes{0};

// A block's size is kept in front of it.
constexpr std::size_t HEADER = alignof(std::max_align_t);

void* Counted_New(std::size_t n) {
    void* raw = std::malloc(n + HEADER);
    if (raw == nullptr) throw std::bad_alloc();
    *static_cast<std::size_t*>(raw) = n;
    const std::int64_t now = live_bytes += std::int64_t(n);
    std::int64_t peak = peak_bytes.load();
    while (now > peak && !peak_bytes.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(raw) + HEADER;
}

void Counted_Delete(void* p) {
    if (p == nullptr) return;
    void* raw = static_cast<char*>(p) - HEADER;
    live_bytes -= std::int64_t(*static_cast<std::size_t*>(raw));
    std::free(raw);
}

}  // namespace

void* operator new(std::size_t n) { return Counted_New(n); }
void* operator new[](std::size_t n) { return Counted_New(n); }
void operator delete(void* p) noexcept { Counted_Delete(p); }
void operator delete[](void* p) noexcept { Counted_Delete(p); }
void operator delete(void* p, std::size_t) noexcept { Counted_Delete(p); }
void operator delete[](void* p, std::size_t) noexcept { Counted_Delete(p); }
// The standard library asks for its sort buffers without exceptions; those
// blocks must carry the header too, since they come back through the
// ordinary delete.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Counted_New(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Counted_New(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { Counted_Delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Counted_Delete(p); }

namespace {

// What opening a level and asking it a few questions cost at most, in bytes
// of heap beyond what was in use before.
struct cCost {
    std::int64_t Peak_Bytes = 0;
    bool Opened = false;
    std::string Error;
};

// The two points asked about lie near opposite corners of the world.
cCost Open_And_Ask(const std::string& file, bool point_routes) {
    cCost cost;
    const std::int64_t before = live_bytes.load();
    peak_bytes = before;
    {
        const cOpen_Result r = Open_Level(file);
        cost.Opened = bool(r);
        cost.Error = r.Error();
        if (r) {
            const cRect2D& w = r.World->Get_Bounds();
            const cPoint2D a(w.Min.x + 3, w.Min.y + 3), b(w.Max.x - 3, w.Max.y - 3);
            std::vector<cPoint2D> path;
            r.World->Find_Path(a, b, path);
            if (point_routes) r.World->Find_Shortest_Path(a, b, 0, path);
            r.World->Find_Shortest_Path(a, b, 2, path);
            cPoint2D hit;
            r.World->Intersect_Segment(cSeg(a, b), hit);
        }
    }
    cost.Peak_Bytes = peak_bytes.load() - before;
    return cost;
}

struct cHostile {
    const char* Name;
    // The level for size n (about n walls or doors).
    std::string (*Text)(int n);
    bool Refused;  // beyond the default limits at the larger size (ten times the size)
    // Whether the shortest route of a point-sized agent is asked.
    bool Point_Routes;
};

using hostile::Comb;
using hostile::Comb_Row_Map;
using hostile::Doors_On_A_Line;
using hostile::Nested_Doors;
using hostile::Sorted_Walls;
using hostile::Thin_Comb;

// About n walls: n/2 each way.
std::string Crossing_Grid(int n) { return hostile::Crossing_Grid(n / 2); }

}  // namespace

// Four times the walls cost at most about four times the memory, and never
// more than a few kilobytes a wall; a level beyond the limits is refused
// having cost little.
TEST(HostileLevels, MemoryGrowsWithTheInputOnly) {
    const cHostile cases[] = {
        {"comb", Comb, false, true},
        {"comb beside a wall", Thin_Comb, false, true},
        {"doors on one line", Doors_On_A_Line, false, true},
        {"nested doors", Nested_Doors, false, true},
        {"walls in sorted order", Sorted_Walls, true, true},
        {"walls crossing in a grid", Crossing_Grid, true, true},
        {"grid map with a comb row", Comb_Row_Map, false, true},
    };
    const int small = 1000, large = 4000;
    for (const cHostile& c : cases) {
        SCOPED_TRACE(c.Name);
        std::int64_t bytes[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const int n = k == 0 ? small : c.Refused ? 10 * large : large;
            const std::string file = Write_Temp_File("hostile.txt", c.Text(n));
            const cCost cost = Open_And_Ask(file, c.Point_Routes);
            if (k == 1 && c.Refused) {
                EXPECT_FALSE(cost.Opened);
                EXPECT_NE(cost.Error.find("beyond the world's limits"), std::string::npos) << cost.Error;
            } else if (!c.Refused) {
                EXPECT_TRUE(cost.Opened) << cost.Error;
            }
            bytes[k] = cost.Peak_Bytes;
            std::cerr << c.Name << ", " << n << ": " << cost.Peak_Bytes / 1024 << " KiB\n";
        }
        // Within a fixed allowance per wall, and growing no faster than the
        // input; a refused level stops early, having cost little.
        EXPECT_LT(bytes[1], std::int64_t(large) * 4096) << bytes[1];
        if (!c.Refused) {
            EXPECT_LT(bytes[1], 5 * bytes[0] + (std::int64_t(1) << 20)) << bytes[0] << " then " << bytes[1];
        }
    }
}

// A Tiled map of 100,000 x 100,000 tiles whose layer is a few megabytes of
// compressed zeros: refused before anything is unpacked.
TEST(HostileLevels, TiledMapOfCompressedZerosIsRefusedBeforeUnpacking) {
    const std::vector<unsigned char> zeros(std::size_t(64) << 20, 0);
    uLongf packed_size = compressBound(uLong(zeros.size()));
    std::vector<unsigned char> packed(packed_size);
    ASSERT_EQ(compress2(packed.data(), &packed_size, zeros.data(), uLong(zeros.size()), 9), Z_OK);
    static const char* const digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;
    for (uLongf i = 0; i < packed_size; i += 3) {
        const std::uint32_t a = packed[i], b = i + 1 < packed_size ? packed[i + 1] : 0, c = i + 2 < packed_size ? packed[i + 2] : 0;
        const std::uint32_t quad = a << 16 | b << 8 | c;
        base64 += digits[quad >> 18 & 63];
        base64 += digits[quad >> 12 & 63];
        base64 += i + 1 < packed_size ? digits[quad >> 6 & 63] : '=';
        base64 += i + 2 < packed_size ? digits[quad & 63] : '=';
    }
    const std::string map =
        "<?xml version=\"1.0\"?>\n<map version=\"1.10\" orientation=\"orthogonal\" width=\"100000\" height=\"100000\" "
        "tilewidth=\"16\" tileheight=\"16\" infinite=\"0\">\n"
        " <tileset firstgid=\"1\" name=\"t\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"1\" columns=\"1\"/>\n"
        " <layer id=\"1\" name=\"Collision\" width=\"100000\" height=\"100000\">\n"
        "  <data encoding=\"base64\" compression=\"zlib\">" + base64 + "</data>\n </layer>\n</map>\n";
    const std::string file = Write_Temp_File("bomb.tmx", map);
    const std::int64_t before = live_bytes.load();
    peak_bytes = before;
    const cOpen_Result r = Open_Level(file);
    const std::int64_t cost = peak_bytes.load() - before;
    EXPECT_FALSE(r);
    EXPECT_NE(r.Error().find("100000 x 100000 tiles: the map's tile layers would hold more than 67108864 tiles"),
              std::string::npos)
        << r.Error();
    // Reading the file and its XML, nothing of the unpacked layer.
    EXPECT_LT(cost, 8 * std::int64_t(map.size()) + (std::int64_t(4) << 20)) << cost;
}

// The limits refuse a level at the wall where it goes beyond them, on its
// line; raised, they let it through.
TEST(HostileLevels, LimitsRefuseOnTheLineAndCanBeRaised) {
    const int n = 20000;
    const std::string text = Sorted_Walls(n);
    cGame_World world;
    const cLoad_Result r = Load_Level_Text(text, "sorted.txt", world);
    ASSERT_EQ(r.Status, LOAD_OVER_LIMIT);
    // Walls from line 4 on; the k-th wall costs k - 1 steps.
    const std::int64_t walls = std::int64_t(world.Get_Level_Walls().size());
    EXPECT_EQ(r.Line, 4 + walls);
    EXPECT_GE(world.Insert_Work(), world.Get_Limits().Insert_Steps);
    EXPECT_LT(world.Insert_Work(), 2 * world.Get_Limits().Insert_Steps);
    EXPECT_NE(r.Reason.find("beyond the world's limits"), std::string::npos) << r.Reason;
    EXPECT_NE(r.Messages.find("are not inserted"), std::string::npos) << r.Messages;
    EXPECT_EQ(world.Insert(Wall(0, 0, 5, 0)), INSERT_OVER_LIMIT);

    cGame_World raised;
    cWorld_Limits limits;
    limits.Insert_Steps = std::int64_t(n) * n;
    raised.Set_Limits(limits);
    EXPECT_TRUE(Load_Level_Text(text, "sorted.txt", raised));
    EXPECT_EQ(raised.Get_Level_Walls().size(), std::size_t(n));

    // Pieces: a crossing grid goes beyond the node limit when steps are free.
    cGame_World pieces;
    limits.Tree_Nodes = 1000;
    limits.Tree_Nodes_Per_Wall = 1;
    pieces.Set_Limits(limits);
    const cLoad_Result grid = Load_Level_Text(Crossing_Grid(200), "grid.txt", pieces);
    EXPECT_EQ(grid.Status, LOAD_OVER_LIMIT);
    EXPECT_NE(grid.Reason.find("pieces"), std::string::npos) << grid.Reason;
    EXPECT_LE(pieces.N_Nodes, 1000 + 1 * std::int64_t(pieces.Get_Level_Walls().size()) + 101);
}
