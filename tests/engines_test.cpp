// The fast engine against the reference engine: on random levels and on the
// test levels, both must build the same world (messages, areas, wall pieces,
// portals with their ids, segments, positions and neighbour orders,
// waypoints, the whole dump) and give the same answer to every query.
//
// The number of random levels is ENGINE_LEVELS (default 300), the first seed
// ENGINE_LEVELS_SEED (default 1). The small grid maps of maps/ (arena, den012d) are
// imported (10 units a cell) and compared with 1,000 queries of each kind;
// BSP_MAPS_DIR names a folder of more maps to compare the same way (the
// reference engine needs minutes to build maps of 100,000 walls).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fast/area_locator.h"
#include "grid_import.h"
#include "level_loader.h"
#include "random_level.h"
#include "test_support.h"
#include "world_text.h"

using namespace bsp_levels;

namespace {

struct cEngines {
    cGame_World Fast{cEngine::FAST};
    cGame_World Reference{cEngine::REFERENCE};
};

// Answers of both engines to the same queries, compared one by one.
void Compare_Queries(cEngines& e, const cRect2D& b, std::mt19937& rng, int count) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto point = [&] { return cPoint2D(pick(b.Min.x - 2, b.Max.x + 2), pick(b.Min.y - 2, b.Max.y + 2)); };
    const int span = std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y);
    for (int q = 0; q < count; ++q) {
        const cPoint2D a = point(), c = point();
        std::vector<cPoint2D> fast_path = {{7, 7}}, reference_path = {{7, 7}};
        const bool fast_found = e.Fast.Find_Path(a, c, fast_path);
        ASSERT_EQ(fast_found, e.Reference.Find_Path(a, c, reference_path)) << "path " << a << " to " << c;
        ASSERT_EQ(fast_path, reference_path) << "path " << a << " to " << c;

        const long long limit = pick(0, 2) == 0 ? (long long)pick(0, span) * pick(0, span) : Square_Distance(a, c);
        cPoint2D fast_hit(-1, -1), reference_hit(-1, -1);
        ASSERT_EQ(e.Fast.Intersect_Segment(cSeg(a, c), fast_hit, limit),
                  e.Reference.Intersect_Segment(cSeg(a, c), reference_hit, limit))
            << "segment " << a << " to " << c << " limit " << limit;
        ASSERT_EQ(fast_hit, reference_hit) << "segment " << a << " to " << c << " limit " << limit;

        const int radius = pick(0, std::max(1, span / 4));
        ASSERT_EQ(e.Fast.Intersect_Ball(a.x, a.y, radius), e.Reference.Intersect_Ball(a.x, a.y, radius))
            << "ball " << a << " r " << radius;
    }
}

TEST(Engines, SameWorldAndAnswersOnRandomLevels) {
    const int levels = Env_Setting("ENGINE_LEVELS", 300);
    const unsigned first_seed = unsigned(Env_Setting("ENGINE_LEVELS_SEED", 1));
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        cLevel_Maker maker(seed);
        const cLevel level = maker.Make();
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + Describe(level));
        cBounds_Guard bounds(level.Bounds);
        cEngines e;
        ASSERT_EQ(Build_Level(level, e.Fast), Build_Level(level, e.Reference));
        ASSERT_EQ(World_Text(e.Fast), World_Text(e.Reference));
        std::mt19937 rng(seed);
        ASSERT_NO_FATAL_FAILURE(Compare_Queries(e, level.Bounds, rng, 40));
        // Queries must leave both worlds as they were.
        ASSERT_EQ(World_Text(e.Fast), World_Text(e.Reference));
    }
}

TEST(Engines, SameWorldAndAnswersOnTheTestLevels) {
    const char* files[] = {"level_test_pathfinder_1.txt", "level_test_pathfinder_2.txt", "level_test_pathfinder_3.txt",
                           "level_test_pathfinder_4.txt", "level_test_pathfinder_5.txt", "level_test_intersections.txt",
                           "level_test_intersections_2.txt"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const std::string path = std::string(TEST_LEVELS_DIR) + "/" + file;
        cBounds_Guard bounds(WORLD_BOUNDS);
        cEngines e;
        cLevel_Loader loader;
        loader.Load(path.c_str(), &e.Fast);
        loader.Load(path.c_str(), &e.Reference);
        e.Fast.Build();
        e.Reference.Build();
        ASSERT_EQ(World_Text(e.Fast), World_Text(e.Reference));
        std::mt19937 rng(42);
        ASSERT_NO_FATAL_FAILURE(Compare_Queries(e, e.Fast.Get_Bounds(), rng, 500));
    }
}

// Imports a grid map as the command-line tool does (10 units a cell, the
// balanced wall order) into a level file; returns its name.
std::string Import_Map(const std::filesystem::path& map_file) {
    std::ifstream in(map_file);
    cGrid_Map map;
    std::string error;
    EXPECT_TRUE(Read_Grid_Map(in, map, error)) << error;
    std::ostringstream level;
    Write_Level(level, map.Width * 10, map.Height * 10, Order_Walls(Trace_Walls(map, 10), cWall_Order::BALANCED));
    return Write_Temp_File(map_file.stem().string() + "_level.txt", level.str());
}

void Compare_On_Map(const std::filesystem::path& map_file) {
    SCOPED_TRACE(map_file.string());
    const std::string level = Import_Map(map_file);
    cBounds_Guard bounds(WORLD_BOUNDS);
    cEngines e;
    cLevel_Loader loader;
    ASSERT_TRUE(loader.Load(level.c_str(), &e.Fast));
    ASSERT_TRUE(loader.Load(level.c_str(), &e.Reference));
    e.Fast.Build();
    e.Reference.Build();
    ASSERT_EQ(World_Text(e.Fast), World_Text(e.Reference));

    const cRect2D b = e.Fast.Get_Bounds();
    std::mt19937 rng(2024);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    // On large maps the reference search of a far or unreachable goal takes
    // minutes: there the pairs are reachable goals within 300 units.
    const bool large = e.Fast.N_Portals > 20000;
    std::vector<cPoint2D> fast_path, reference_path;
    for (int q = 0; q < 1000;) {
        const cPoint2D a(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
        const cPoint2D c = large ? cPoint2D(std::min(b.Max.x, std::max(b.Min.x, a.x + pick(-300, 300))),
                                            std::min(b.Max.y, std::max(b.Min.y, a.y + pick(-300, 300))))
                                 : cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
        const bool found = e.Fast.Find_Path(a, c, fast_path);
        if (large && !found) continue;
        ASSERT_EQ(found, e.Reference.Find_Path(a, c, reference_path)) << "path " << a << " to " << c;
        ASSERT_EQ(fast_path, reference_path) << "path " << a << " to " << c;
        ++q;
    }
    for (int q = 0; q < 1000; ++q) {
        // Segments across the whole map, from one border to another.
        const cPoint2D a(b.Min.x, pick(b.Min.y, b.Max.y)), c(b.Max.x, pick(b.Min.y, b.Max.y));
        const cPoint2D from = q % 2 ? a : cPoint2D(pick(b.Min.x, b.Max.x), b.Min.y);
        const cPoint2D to = q % 2 ? c : cPoint2D(pick(b.Min.x, b.Max.x), b.Max.y);
        cPoint2D fast_hit(-1, -1), reference_hit(-1, -1);
        ASSERT_EQ(e.Fast.Intersect_Segment(cSeg(from, to), fast_hit), e.Reference.Intersect_Segment(cSeg(from, to), reference_hit))
            << "segment " << from << " to " << to;
        ASSERT_EQ(fast_hit, reference_hit) << "segment " << from << " to " << to;
        const cPoint2D centre(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y));
        const int radius = pick(0, 40);
        ASSERT_EQ(e.Fast.Intersect_Ball(centre.x, centre.y, radius), e.Reference.Intersect_Ball(centre.x, centre.y, radius))
            << "ball " << centre << " r " << radius;
    }
}

}  // namespace

TEST(Engines, SameWorldAndAnswersOnGridMaps) {
    std::vector<std::filesystem::path> maps;
    // The small maps of the repository; the reference engine takes minutes
    // on the 512x512 ones.
    maps.push_back(MAPS_DIR "/arena.map");
    maps.push_back(MAPS_DIR "/den012d.map");
    const char* const dirs[] = {std::getenv("BSP_MAPS_DIR")};
    for (const char* dir : dirs) {
        if (dir == nullptr || !std::filesystem::is_directory(dir)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".map") maps.push_back(entry.path());
    }
    std::sort(maps.begin(), maps.end());
    ASSERT_FALSE(maps.empty());
    for (const std::filesystem::path& map : maps) ASSERT_NO_FATAL_FAILURE(Compare_On_Map(map));
}

TEST(Engines, ThreadsQueryOneWorldAtOnce) {
    // The fast engine keeps each query's state apart from the world, so
    // threads may share a built world. Every thread must get the answers a
    // single thread gets (a ThreadSanitizer build checks for races too).
    cBounds_Guard bounds(WORLD_BOUNDS);
    const std::string level = Import_Map(MAPS_DIR "/den012d.map");
    cGame_World world;
    cLevel_Loader loader;
    ASSERT_TRUE(loader.Load(level.c_str(), &world));
    world.Build();
    const cRect2D b = world.Get_Bounds();
    std::mt19937 rng(99);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    struct cQuery {
        cPoint2D A, C;
    };
    std::vector<cQuery> queries;
    for (int q = 0; q < 300; ++q)
        queries.push_back({cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y)),
                           cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y))});
    // One answer text per query: the path, the hit and the touch.
    auto answer = [&world](const cQuery& q) {
        std::ostringstream out;
        std::vector<cPoint2D> path;
        out << world.Find_Path(q.A, q.C, path);
        for (const cPoint2D& p : path) out << p;
        cPoint2D hit;
        out << ' ' << world.Intersect_Segment(cSeg(q.A, q.C), hit) << hit << ' ' << world.Intersect_Ball(q.A.x, q.A.y, 25);
        return out.str();
    };
    Expect_Same_Answers_From_Threads(queries, answer);
}

TEST(Engines, AreaLocatorAgreesWithTheTree) {
    // Wherever the locator names an area, it must be the tree's: at every grid
    // point of small worlds (every border, corner and crossing among them),
    // at random points of larger ones.
    long decided = 0, undecided = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        cLevel_Maker maker(seed);
        const cLevel level = maker.Make();
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + Describe(level));
        cBounds_Guard bounds(level.Bounds);
        cGame_World world;
        Build_Level(level, world);
        cArea_Locator grid;
        grid.Build(world.Areas, world.Get_Bounds());
        const cRect2D& b = level.Bounds;
        auto check = [&](const cPoint2D& p) {
            const cSquarePortal* area = grid.Find(p);
            if (area == nullptr) {
                ++undecided;
                return;
            }
            ++decided;
            ASSERT_EQ(area, world.Area_At(p)) << p;
        };
        const long span = long(b.Max.x - b.Min.x + 1) * (b.Max.y - b.Min.y + 1);
        if (span <= 20000) {
            for (int x = b.Min.x; x <= b.Max.x; ++x)
                for (int y = b.Min.y; y <= b.Max.y; ++y) ASSERT_NO_FATAL_FAILURE(check(cPoint2D(x, y)));
        } else {
            std::mt19937 rng(seed);
            for (int i = 0; i < 5000; ++i)
                ASSERT_NO_FATAL_FAILURE(check(cPoint2D(std::uniform_int_distribution<int>(b.Min.x, b.Max.x)(rng),
                                                       std::uniform_int_distribution<int>(b.Min.y, b.Max.y)(rng))));
            for (const cSquarePortal* a : world.Areas)
                for (const cPoint2D& corner : {a->Bounds.Min, a->Bounds.Max, cPoint2D(a->Bounds.Min.x, a->Bounds.Max.y),
                                               cPoint2D(a->Bounds.Max.x, a->Bounds.Min.y)})
                    ASSERT_NO_FATAL_FAILURE(check(corner));
        }
    }
    // The locator must decide nearly everywhere, or it would not save anything.
    EXPECT_GT(decided, 50 * undecided);
}
