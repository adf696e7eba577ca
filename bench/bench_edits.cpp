// Edits of a built world on maze512-1-0 and random512-10-0 (imported at 10
// units a cell), agent half-sizes 0 and 4 prepared. The benchmarks time
//   edit_rebuild/MAP/fast   the world's whole build and both sizes' route
//                           structures: what an edit costs when the level
//                           is built again instead;
//   edit_box/MAP/fast       boxes of 1x1 to 8x8 cells added at random free
//                           places and removed again, each add and
//                           each remove timed alone, every prepared size
//                           included (counters median_ms, p99_ms, worst_ms,
//                           edits);
//   edit_cycles/MAP/fast    add-and-remove cycles, then the bytes held and
//                           the resident size against the start, and route
//                           queries (h = 4) against a fresh build's
//                           (counters cycles, bytes_start, bytes_end,
//                           rss_start_kb, rss_end_kb, query_ms, fresh_query_ms);
//   edit_would_block/MAP/hH would-block on random boxes between pairs of
//                           open cell centres, against the route query on
//                           the same pairs (median_ms, route_median_ms,
//                           cuts); and on boxes placed on each pair's route,
//                           which always ask the whole question
//                           (on_route_median_ms, on_route_p99_ms,
//                           on_route_cuts of on_route_boxes).
// BENCH_EDITS sets the edits timed (default 40), BENCH_EDIT_CYCLES the
// cycles (default 20), BENCH_WOULD_BLOCK the would-block queries (default
// 40). BSP_MAPS_DIR names the folder of the maps.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "grid_world.h"
#include "messages.h"

using namespace bsp_levels;

namespace {

const int CELL = 10;
const int SIZES[] = {0, 4};

int Setting(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

struct cEdit_Level {
    bool Ok = false;
    cGrid_Map Map;
    std::vector<cGrid_Wall> Walls;
    std::vector<std::pair<cPoint2D, cPoint2D>> Boxes;  // corners, on free cells
    std::vector<std::pair<cPoint2D, cPoint2D>> Pairs;  // open cell centres
};

const cEdit_Level& Edit_Level(const std::string& name) {
    static std::map<std::string, cEdit_Level> levels;
    auto found = levels.find(name);
    if (found != levels.end()) return found->second;
    cEdit_Level& l = levels[name];
    const char* dir = std::getenv("BSP_MAPS_DIR");
    const std::filesystem::path file = std::filesystem::path(dir != nullptr ? dir : BENCH_DEFAULT_MAPS) / (name + ".map");
    std::ifstream in(file);
    std::string error;
    if (!in || !Read_Grid_Map(in, l.Map, error)) return l;
    l.Walls = Order_Walls(Trace_Walls(l.Map, CELL), cWall_Order::BALANCED);
    const cGrid_Map& m = l.Map;
    std::mt19937 rng(2027);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    // Boxes of k x k cells, k from 1 to 8, as many of each size, at random
    // free places: the box's first cell is free (a maze's corridors are one
    // cell wide, so larger boxes cover rock there too).
    for (int tries = 0; l.Boxes.size() < 4000 && tries < 4000000; ++tries) {
        const int k = 1 + int(l.Boxes.size() % 8);
        const int x = pick(0, m.Width - k), y = pick(0, m.Height - k);
        if (!m.Is_Blocked(x, y)) l.Boxes.push_back({cPoint2D(x * CELL, y * CELL), cPoint2D((x + k) * CELL, (y + k) * CELL)});
    }
    std::vector<cPoint2D> free_cells;
    for (int y = 0; y < m.Height; ++y)
        for (int x = 0; x < m.Width; ++x)
            if (!m.Is_Blocked(x, y)) free_cells.emplace_back(x * CELL + CELL / 2, y * CELL + CELL / 2);
    for (int i = 0; i < 1000 && !free_cells.empty(); ++i)
        l.Pairs.push_back({free_cells[std::size_t(pick(0, int(free_cells.size()) - 1))],
                           free_cells[std::size_t(pick(0, int(free_cells.size()) - 1))]});
    l.Ok = l.Boxes.size() > 1 && !l.Pairs.empty();
    return l;
}

std::unique_ptr<cGame_World> Build_World(const cEdit_Level& l) {
    std::unique_ptr<cGame_World> world = grid_world::Build(l.Map, CELL, l.Walls);
    for (int h : SIZES) world->Prepare_Agent(h);
    return world;
}

using grid_world::Ms_Since;

double Quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    const std::size_t i = std::size_t(std::ceil(q * double(v.size())));
    return v[std::min(v.size() - 1, std::max<std::size_t>(i, 1) - 1)];
}

long Resident_Kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

std::size_t World_Bytes(const cGame_World& world) {
    std::size_t bytes = world.Pool_Footprint() + world.Engine_Footprint() + world.Edits_Footprint();
    for (int h : SIZES) bytes += world.Agent_Footprint(h);
    return bytes;
}

bool Skipped(benchmark::State& state, const cEdit_Level& l) {
    if (l.Ok) return false;
    state.SkipWithError("the map is missing");
    return true;
}

void Edit_Rebuild(benchmark::State& state, const std::string& map) {
    const cEdit_Level& l = Edit_Level(map);
    if (Skipped(state, l)) return;
    for (auto _ : state) {
        std::unique_ptr<cGame_World> world = Build_World(l);
        benchmark::DoNotOptimize(world->N_Areas);
    }
}

void Edit_Box(benchmark::State& state, const std::string& map) {
    const cEdit_Level& l = Edit_Level(map);
    if (Skipped(state, l)) return;
    std::unique_ptr<cGame_World> world = Build_World(l);
    // One box stays throughout, so that no removal finds the level as built.
    world->Add_Box(l.Boxes[0].first, l.Boxes[0].second);
    const int edits = Setting("BENCH_EDITS", 40);
    std::vector<double> times;
    std::mt19937 rng(5);
    for (auto _ : state) {
        for (int e = 0; e < edits / 2; ++e) {
            const auto& box = l.Boxes[1 + rng() % (l.Boxes.size() - 1)];
            int id = -1;
            auto t0 = std::chrono::steady_clock::now();
            world->Add_Box(box.first, box.second, &id);
            times.push_back(Ms_Since(t0));
            t0 = std::chrono::steady_clock::now();
            world->Remove_Edit(id);
            times.push_back(Ms_Since(t0));
        }
    }
    state.counters["median_ms"] = Quantile(times, 0.5);
    state.counters["p99_ms"] = Quantile(times, 0.99);
    state.counters["worst_ms"] = Quantile(times, 1.0);
    state.counters["edits"] = double(times.size());
}

// Route queries with h = 4 on the pairs; the mean in ms.
double Route_Ms(const cGame_World& world, const cEdit_Level& l) {
    std::vector<cPoint2D> path;
    const auto t0 = std::chrono::steady_clock::now();
    int n = 0;
    for (std::size_t i = 0; i < l.Pairs.size(); i += 4, ++n)
        world.Find_Shortest_Path(l.Pairs[i].first, l.Pairs[i].second, 4, path);
    return Ms_Since(t0) / std::max(1, n);
}

void Edit_Cycles(benchmark::State& state, const std::string& map) {
    const cEdit_Level& l = Edit_Level(map);
    if (Skipped(state, l)) return;
    const int cycles = Setting("BENCH_EDIT_CYCLES", 20);
    for (auto _ : state) {
        std::unique_ptr<cGame_World> world = Build_World(l);
        // One box stays, so that the queries run on the edited world.
        int kept = -1;
        world->Add_Box(l.Boxes[0].first, l.Boxes[0].second, &kept);
        const std::size_t bytes_start = World_Bytes(*world);
        const long rss_start = Resident_Kb();
        std::mt19937 rng(9);
        for (int c = 0; c < cycles; ++c) {
            const auto& box = l.Boxes[1 + rng() % (l.Boxes.size() - 1)];
            int id = -1;
            world->Add_Box(box.first, box.second, &id);
            world->Remove_Edit(id);
        }
        state.counters["bytes_start"] = double(bytes_start);
        state.counters["bytes_end"] = double(World_Bytes(*world));
        state.counters["rss_start_kb"] = double(rss_start);
        state.counters["rss_end_kb"] = double(Resident_Kb());
        state.counters["query_ms"] = Route_Ms(*world, l);
        // The same world built afresh: the level's walls and the box.
        std::unique_ptr<cGame_World> fresh;
        {
            std::ostringstream quiet;
            cMessage_Redirect redirect(&quiet);
            fresh.reset(new cGame_World(cEngine::FAST));
            fresh->Set_Bounds(world->Get_Bounds());
            for (const cHV_Wall& w : world->Get_Level_Walls()) fresh->Insert(w);
            for (const cHV_Wall& w : world->Edit_Walls()) fresh->Insert(w);
            fresh->Build();
            fresh->Prepare_Agent(4);
        }
        state.counters["fresh_query_ms"] = Route_Ms(*fresh, l);
    }
    state.counters["cycles"] = cycles;
}

void Edit_Would_Block(benchmark::State& state, const std::string& map, int half_size) {
    const cEdit_Level& l = Edit_Level(map);
    if (Skipped(state, l)) return;
    static std::map<std::string, std::unique_ptr<cGame_World>> worlds;
    std::unique_ptr<cGame_World>& world = worlds[map];
    if (!world) world = Build_World(l);
    const int queries = Setting("BENCH_WOULD_BLOCK", 40);
    std::vector<double> block_ms, route_ms, on_route_ms;
    int cuts = 0, on_route_cuts = 0;
    std::vector<cPoint2D> path;
    for (auto _ : state) {
        for (int q = 0; q < queries; ++q) {
            const auto& pair = l.Pairs[std::size_t(q) % l.Pairs.size()];
            const auto& box = l.Boxes[std::size_t(q * 7919) % l.Boxes.size()];
            auto t0 = std::chrono::steady_clock::now();
            world->Find_Shortest_Path(pair.first, pair.second, half_size, path);
            route_ms.push_back(Ms_Since(t0));
            t0 = std::chrono::steady_clock::now();
            cuts += world->Would_Block(box.first, box.second, pair.first, pair.second, half_size) == BLOCK_CUTS;
            block_ms.push_back(Ms_Since(t0));
            // A box of 1x1 to 8x8 cells on the route (from the cell of its
            // middle leg's midpoint), which the route meets: the whole
            // question, not the shortcut of a route that keeps clear.
            if (path.size() < 2) continue;
            const cPoint2D& p0 = path[path.size() / 2 - 1];
            const cPoint2D& p1 = path[path.size() / 2];
            const int k = 1 + q % 8;
            const cPoint2D lo(((p0.x + p1.x) / 2 / CELL) * CELL, ((p0.y + p1.y) / 2 / CELL) * CELL);
            const cPoint2D hi(std::min(lo.x + k * CELL, l.Map.Width * CELL), std::min(lo.y + k * CELL, l.Map.Height * CELL));
            t0 = std::chrono::steady_clock::now();
            on_route_cuts += world->Would_Block(lo, hi, pair.first, pair.second, half_size) == BLOCK_CUTS;
            on_route_ms.push_back(Ms_Since(t0));
        }
    }
    state.counters["median_ms"] = Quantile(block_ms, 0.5);
    state.counters["route_median_ms"] = Quantile(route_ms, 0.5);
    state.counters["cuts"] = cuts;
    state.counters["on_route_median_ms"] = Quantile(on_route_ms, 0.5);
    state.counters["on_route_p99_ms"] = Quantile(on_route_ms, 0.99);
    state.counters["on_route_cuts"] = on_route_cuts;
    state.counters["on_route_boxes"] = double(on_route_ms.size());
}

const char* const MAPS[] = {"maze512-1-0", "random512-10-0"};

int Register() {
    for (const char* map : MAPS) {
        const std::string m = map;
        benchmark::RegisterBenchmark(("edit_rebuild/" + m + "/fast").c_str(), Edit_Rebuild, m)
            ->Unit(benchmark::kMillisecond)->Iterations(1);
        benchmark::RegisterBenchmark(("edit_box/" + m + "/fast").c_str(), Edit_Box, m)
            ->Unit(benchmark::kMillisecond)->Iterations(1);
        benchmark::RegisterBenchmark(("edit_cycles/" + m + "/fast").c_str(), Edit_Cycles, m)
            ->Unit(benchmark::kMillisecond)->Iterations(1);
        for (int h : SIZES)
            benchmark::RegisterBenchmark(("edit_would_block/" + m + "/h" + std::to_string(h)).c_str(),
                                         Edit_Would_Block, m, h)
                ->Unit(benchmark::kMillisecond)->Iterations(1);
    }
    return 0;
}

const int registered = Register();

}  // namespace
