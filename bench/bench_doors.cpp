// Doors on maze512-1-0 (imported at 10 units a cell): 1,000 doors placed
// across its corridors, each the side of a free cell between two blocked
// ones. The benchmarks time
//   door_world_build/MAP/fast  the world's whole build with the doors, the
//                              cost of rebuilding instead of changing one;
//   door_change/MAP/fast       Set_Door, every door opened and closed in a
//                              random order, each change timed alone
//                              (counters median_us and worst_us);
//   door_path/MAP/STATE        Find_Path on 1,000 pairs of open cell centres
//                              with every door closed or half of them open;
//   door_route/MAP/STATE_hH    Find_Shortest_Path on the same pairs.
// BSP_MAPS_DIR names the folder of the map, as for the other benchmarks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "grid_world.h"

using namespace bsp_levels;

namespace {

const char* const DOOR_MAP = "maze512-1-0";
const int CELL = 10;
const int N_DOORS = 1000;

struct cDoor_Level {
    bool Ok = false;
    cGrid_Map Map;
    std::vector<cGrid_Wall> Walls;
    std::vector<cHV_Wall> Doors;
    std::vector<std::pair<cPoint2D, cPoint2D>> Pairs;  // open cell centres
};

const cDoor_Level& Door_Level() {
    static const cDoor_Level level = [] {
        cDoor_Level l;
        const char* dir = std::getenv("BSP_MAPS_DIR");
        const std::filesystem::path file =
            std::filesystem::path(dir != nullptr ? dir : BENCH_DEFAULT_MAPS) / (std::string(DOOR_MAP) + ".map");
        std::ifstream in(file);
        std::string error;
        if (!in || !Read_Grid_Map(in, l.Map, error)) return l;
        l.Walls = Order_Walls(Trace_Walls(l.Map, CELL), cWall_Order::BALANCED);
        const cGrid_Map& m = l.Map;
        auto blocked = [&m](int x, int y) { return x < 0 || y < 0 || x >= m.Width || y >= m.Height || m.Is_Blocked(x, y); };
        // Candidates: the top side of a free cell in a corridor running up
        // and down (blocked left and right, free above), the left side of
        // one in a corridor running sideways.
        std::vector<cHV_Wall> candidates;
        std::vector<cPoint2D> free_cells;
        for (int y = 0; y < m.Height; ++y)
            for (int x = 0; x < m.Width; ++x) {
                if (blocked(x, y)) continue;
                free_cells.emplace_back(x, y);
                if (blocked(x - 1, y) && blocked(x + 1, y) && !blocked(x, y - 1))
                    candidates.emplace_back(cPoint2D(x * CELL, y * CELL), cPoint2D((x + 1) * CELL, y * CELL));
                else if (blocked(x, y - 1) && blocked(x, y + 1) && !blocked(x - 1, y))
                    candidates.emplace_back(cPoint2D(x * CELL, y * CELL), cPoint2D(x * CELL, (y + 1) * CELL));
            }
        std::mt19937 rng(2026);
        std::shuffle(candidates.begin(), candidates.end(), rng);
        candidates.resize(std::min<std::size_t>(candidates.size(), N_DOORS));
        l.Doors = candidates;
        std::uniform_int_distribution<std::size_t> pick(0, free_cells.size() - 1);
        for (int i = 0; i < 1000; ++i) {
            const cPoint2D a = free_cells[pick(rng)], b = free_cells[pick(rng)];
            l.Pairs.push_back({cPoint2D(a.x * CELL + CELL / 2, a.y * CELL + CELL / 2),
                               cPoint2D(b.x * CELL + CELL / 2, b.y * CELL + CELL / 2)});
        }
        l.Ok = !l.Doors.empty();
        return l;
    }();
    return level;
}

std::unique_ptr<cGame_World> Build_Door_World(const cDoor_Level& l) {
    return grid_world::Build(l.Map, CELL, l.Walls, l.Doors);
}

// One built world shared by the query benchmarks.
cGame_World& Shared_World() {
    static std::unique_ptr<cGame_World> world = Build_Door_World(Door_Level());
    return *world;
}

using grid_world::Ms_Since;

// Marks the benchmark skipped when the maze map could not be read.
bool Skipped_Without_Maze(benchmark::State& state) {
    if (Door_Level().Ok) return false;
    state.SkipWithError("the maze map is missing");
    return true;
}

void Set_Half_Open(cGame_World& world, bool half) {
    std::mt19937 rng(7);
    for (int d = 0; d < world.N_Doors(); ++d) world.Set_Door(d, half && (rng() & 1) != 0);
}

void Time_Counters(benchmark::State& state, std::vector<double> times_ms) {
    std::sort(times_ms.begin(), times_ms.end());
    const std::size_t p95 = std::size_t(std::ceil(0.95 * double(times_ms.size())));
    state.counters["median_ms"] = times_ms[times_ms.size() / 2];
    state.counters["p95_ms"] = times_ms[std::max<std::size_t>(p95, 1) - 1];
    state.counters["worst_ms"] = times_ms.back();
}

void Door_World_Build(benchmark::State& state) {
    if (Skipped_Without_Maze(state)) return;
    const cDoor_Level& l = Door_Level();
    for (auto _ : state) {
        std::unique_ptr<cGame_World> world = Build_Door_World(l);
        benchmark::DoNotOptimize(world->N_Areas);
    }
    state.counters["doors"] = double(l.Doors.size());
}

void Door_Change(benchmark::State& state) {
    if (Skipped_Without_Maze(state)) return;
    cGame_World& world = Shared_World();
    Set_Half_Open(world, false);
    std::vector<int> order(std::size_t(world.N_Doors()));
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::mt19937 rng(11);
    std::vector<double> times_us;
    for (auto _ : state) {
        std::shuffle(order.begin(), order.end(), rng);
        for (const bool open : {true, false})
            for (int d : order) {
                const auto t0 = std::chrono::steady_clock::now();
                world.Set_Door(d, open);
                times_us.push_back(Ms_Since(t0) * 1000);
            }
    }
    std::sort(times_us.begin(), times_us.end());
    state.counters["median_us"] = times_us[times_us.size() / 2];
    state.counters["worst_us"] = times_us.back();
    state.counters["changes"] = double(times_us.size());
    int pieces = 0;
    for (int d = 0; d < world.N_Doors(); ++d) pieces = std::max(pieces, world.Door_Pieces(d));
    state.counters["most_pieces"] = pieces;
}

// Times found(world, start, goal) on every pair, the doors closed or half
// of them open.
template <class cQuery>
void Door_Queries(benchmark::State& state, bool half_open, cQuery found_route) {
    if (Skipped_Without_Maze(state)) return;
    const cDoor_Level& l = Door_Level();
    cGame_World& world = Shared_World();
    Set_Half_Open(world, half_open);
    std::vector<double> times;
    int found = 0;
    for (auto _ : state) {
        times.clear();
        found = 0;
        for (const auto& q : l.Pairs) {
            const auto t0 = std::chrono::steady_clock::now();
            found += found_route(world, q.first, q.second) ? 1 : 0;
            times.push_back(Ms_Since(t0));
        }
    }
    Time_Counters(state, times);
    state.counters["found"] = found;
    Set_Half_Open(world, false);
}

void Door_Paths(benchmark::State& state, bool half_open) {
    std::vector<cPoint2D> path;
    Door_Queries(state, half_open, [&path](const cGame_World& world, const cPoint2D& a, const cPoint2D& b) {
        return world.Find_Path(a, b, path);
    });
}

void Door_Routes(benchmark::State& state, bool half_open, int half_size) {
    Shared_World().Prepare_Agent(half_size);
    std::vector<cPoint2D> path;
    Door_Queries(state, half_open, [&path, half_size](const cGame_World& world, const cPoint2D& a, const cPoint2D& b) {
        return world.Find_Shortest_Path(a, b, half_size, path) == ROUTE_FOUND;
    });
}

const bool registered = [] {
    const std::string map = DOOR_MAP;
    benchmark::RegisterBenchmark(("door_world_build/" + map + "/fast").c_str(), Door_World_Build)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark(("door_change/" + map + "/fast").c_str(), Door_Change)
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(5);
    for (const bool half : {false, true}) {
        const std::string state = half ? "half_open" : "closed";
        benchmark::RegisterBenchmark(("door_path/" + map + "/" + state).c_str(), Door_Paths, half)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        for (const int h : {0, 4})
            benchmark::RegisterBenchmark(("door_route/" + map + "/" + state + "_h" + std::to_string(h)).c_str(),
                                         Door_Routes, half, h)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
    }
    return true;
}();

}  // namespace
