// The fast engine against the reference engine: on random levels and on the
// test levels, both must build the same world (messages, areas, wall pieces,
// portals with their ids, segments, positions and neighbour orders,
// waypoints, the whole dump) and give the same answer to every query.
//
// The number of random levels is ENGINE_LEVELS (default 300), the first seed
// ENGINE_LEVELS_SEED (default 1).
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "level_loader.h"
#include "random_level.h"
#include "test_support.h"

namespace {

// Everything a built world shows: the dump from the root, every portal's
// position and neighbours in the order a search takes them, every waypoint.
std::string World_Text(cGame_World& world) {
    std::ostringstream out;
    out << "built " << world.Is_Built() << " nodes " << world.N_Nodes << " areas " << world.N_Areas
        << " portals " << world.N_Portals << "\n";
    if (world.Root != nullptr) {
        Capture_Cout dump;
        world.Root->Print();
        out << dump.str();
    }
    auto name = [](const cA_Star_Node* n) {
        const cPortal* p = dynamic_cast<const cPortal*>(n);
        std::ostringstream s;
        if (p != nullptr && p->Id >= 0) s << 'P' << p->Id; else s << 'W' << n->Position;
        return s.str();
    };
    auto neighbours = [&](cPortal* p) {
        cNode_List list;
        if (p->Area1 != nullptr && p->Area2 != nullptr) p->Get_Neighbours(list);
        std::string s;
        for (const cA_Star_Node* n : list) s += " " + name(n);
        return s;
    };
    for (cPortal* p : world.Portals) out << name(p) << " at " << p->Position << ":" << neighbours(p) << "\n";
    for (cSquarePortal* a : world.Areas)
        for (cAligned_WayPoint* w : a->WayPoints) out << "area " << a->Id << " " << name(w) << ":" << neighbours(w) << "\n";
    return out.str();
}

struct Engines {
    cGame_World fast{cEngine::FAST};
    cGame_World reference{cEngine::REFERENCE};
};

// Answers of both engines to the same queries, compared one by one.
void Compare_Queries(Engines& e, const cRect2D& b, std::mt19937& rng, int count) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto point = [&] { return cPoint2D(pick(b.Min.x - 2, b.Max.x + 2), pick(b.Min.y - 2, b.Max.y + 2)); };
    const int span = std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y);
    for (int q = 0; q < count; ++q) {
        const cPoint2D a = point(), c = point();
        std::vector<cPoint2D> fast_path = {{7, 7}}, reference_path = {{7, 7}};
        const bool fast_found = e.fast.Find_Path(a, c, fast_path);
        ASSERT_EQ(fast_found, e.reference.Find_Path(a, c, reference_path)) << "path " << a << " to " << c;
        ASSERT_EQ(fast_path, reference_path) << "path " << a << " to " << c;

        const long long limit = pick(0, 2) == 0 ? (long long)pick(0, span) * pick(0, span) : Square_Distance(a, c);
        cPoint2D fast_hit(-1, -1), reference_hit(-1, -1);
        ASSERT_EQ(e.fast.Intersect_Segment(cSeg(a, c), fast_hit, limit),
                  e.reference.Intersect_Segment(cSeg(a, c), reference_hit, limit))
            << "segment " << a << " to " << c << " limit " << limit;
        ASSERT_EQ(fast_hit, reference_hit) << "segment " << a << " to " << c << " limit " << limit;

        const int radius = pick(0, std::max(1, span / 4));
        ASSERT_EQ(e.fast.Intersect_Ball(a.x, a.y, radius), e.reference.Intersect_Ball(a.x, a.y, radius))
            << "ball " << a << " r " << radius;
    }
}

int Setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

TEST(Engines, SameWorldAndAnswersOnRandomLevels) {
    const int levels = Setting("ENGINE_LEVELS", 300);
    const unsigned first_seed = unsigned(Setting("ENGINE_LEVELS_SEED", 1));
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        Level_Maker maker(seed);
        const Level level = maker.Make();
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + Describe(level));
        Bounds_Guard bounds(level.bounds);
        Engines e;
        std::string messages[2];
        cGame_World* worlds[2] = {&e.fast, &e.reference};
        for (int i = 0; i < 2; ++i) {
            Capture_Cout out;
            for (const cHV_Wall& w : level.walls) worlds[i]->Insert(w);
            worlds[i]->Build();
            messages[i] = out.str();
        }
        ASSERT_EQ(messages[0], messages[1]);
        ASSERT_EQ(World_Text(e.fast), World_Text(e.reference));
        std::mt19937 rng(seed);
        ASSERT_NO_FATAL_FAILURE(Compare_Queries(e, level.bounds, rng, 40));
        // Queries must leave both worlds as they were.
        ASSERT_EQ(World_Text(e.fast), World_Text(e.reference));
    }
}

TEST(Engines, SameWorldAndAnswersOnTheTestLevels) {
    const char* files[] = {"level_test_pathfinder_1.txt", "level_test_pathfinder_2.txt", "level_test_pathfinder_3.txt",
                           "level_test_pathfinder_4.txt", "level_test_pathfinder_5.txt", "level_test_intersections.txt",
                           "level_test_intersections_2.txt"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const std::string path = std::string(TEST_LEVELS_DIR) + "/" + file;
        Bounds_Guard bounds(WORLD_BOUNDS);
        Engines e;
        cLevel_Loader loader;
        loader.Load(path.c_str(), &e.fast);
        loader.Load(path.c_str(), &e.reference);
        e.fast.Build();
        e.reference.Build();
        ASSERT_EQ(World_Text(e.fast), World_Text(e.reference));
        std::mt19937 rng(42);
        ASSERT_NO_FATAL_FAILURE(Compare_Queries(e, e.fast.Get_Bounds(), rng, 500));
    }
}

}  // namespace
