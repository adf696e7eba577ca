// Benchmarks of both engines on the same inputs: loading a level, the three
// build steps, and path, segment and ball queries.
//
// Inputs: the self-test's levels; the grid maps of BSP_MAPS_DIR (default
// maps/ in the repository) imported at 10 units a cell; and
// generated levels of about 1,000, 10,000 and 100,000 walls (random grid
// maps, a tenth of the cells blocked). Names read OPERATION/LEVEL/ENGINE.
//
// Queries are fixed per level: 1,000 path queries between random reachable
// points, 1,000 segments across the whole level (border to border) and 1,000
// balls. A path benchmark runs all of its queries in each iteration and
// reports the median and the worst query as counters, each query's time
// being its least over the iterations.
//
// The reference engine needs minutes for one path query on the largest
// levels; its path benchmarks are registered only for levels below 20,000
// walls, and its builds of larger levels run once.
//
// Shortest routes for a square agent (Find_Shortest_Path, half-sizes 0 and 4)
// run on every level: shortest_path/LEVEL/hH times each query on its own and
// reports the median, the 95th percentile and the worst, and the route's
// length against Find_Path's route (the start, then the points of its path)
// on the same pair. agent_build/LEVEL/hH times Prepare_Agent on a freshly
// built world (the world's own build is not timed; it is the sum of
// squares, portals and waypoints). On the levels of the self-test and the
// generated levels the pairs are those of the path benchmark. On the grid
// maps they are 1,000 random pairs of open cell centres (x*10+5, y*10+5),
// joined per Find_Path; path_cells/MAP/fast runs Find_Path on those pairs,
// and on the grid map itself (8-connected, no corner cutting, 10 per straight
// step and 10*sqrt(2) per diagonal, in the level's units) jps/MAP/grid runs
// jump point search and grid_astar/MAP/grid a tuned A* (grid_baselines.h),
// the baselines a tile-game developer would pick. grid_check/MAP/grid checks
// them once: equal lengths on every pair, and the published optimal lengths
// of MAP.map.scen where the folder has one. Besides the maps of the folder,
// rooms1024 is a generated dungeon of 1024x1024 cells (grid_map_gen.h); only
// the fast engine and the route comparisons run on it.
//
// route_compare/MAP/all runs the route query (h = 0 and 4), Find_Path, jump
// point search and the A* on the same pairs interleaved pair by pair (see
// Route_Compare): the figures compare.py's route tables compare, robust to
// a machine shared with other work. The benchmarks of one method each
// (shortest_path, path_cells, jps, grid_astar) remain, for a quick look at
// one of them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "game_bsp.h"
#include "grid_baselines.h"
#include "grid_map_gen.h"
#include "grid_import.h"
#include "level_loader.h"
#include "messages.h"

using namespace bsp_levels;

namespace {

struct cLevel_Input {
    std::string Name;
    std::string File;
    int Walls = 0;
    // The grid map the level was imported from; null for the self-test's
    // levels and the generated ones.
    std::shared_ptr<const cGrid_Map> Grid;
    // The grid map's scenario file (MAP.map.scen), or empty.
    std::string Scenarios;
    // Whether the reference engine's benchmarks run on the level.
    bool Reference = true;
};

// The level's units per grid cell.
const int CELL = 10;

struct cQuery {
    cPoint2D A, B;
};

// Runs its scope with the library's messages going nowhere.
class cQuiet {
public:
    cQuiet() : Redirect(&Sink) {}

private:
    std::ostringstream Sink;
    cMessage_Redirect Redirect;
};

std::string Temp_File(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("bsp_bench_" + name + ".txt")).string();
}

std::string Import(const cGrid_Map& map, const std::string& name) {
    const std::string file = Temp_File(name);
    std::ofstream out(file);
    Write_Level(out, map.Width * CELL, map.Height * CELL,
                Order_Walls(Trace_Walls(map, CELL), cWall_Order::BALANCED));
    return file;
}

// A random grid map, a tenth of its cells blocked.
cGrid_Map Random_Map(int side, unsigned seed) {
    std::mt19937 rng(seed);
    cGrid_Map map;
    map.Width = map.Height = side;
    for (int y = 0; y < side; ++y) {
        std::string row(side, '.');
        for (char& c : row)
            if (rng() % 10 == 0) c = '@';
        map.Rows.push_back(row);
    }
    return map;
}

cLevel_Input Level_Input(const std::string& name, const std::string& file,
                         std::shared_ptr<const cGrid_Map> grid = nullptr) {
    cLevel_Input input;
    input.Name = name;
    input.File = file;
    input.Grid = std::move(grid);
    return input;
}

std::vector<cLevel_Input> Inputs() {
    std::vector<cLevel_Input> inputs;
    for (const char* file : {"level_test_pathfinder_1", "level_test_pathfinder_2", "level_test_pathfinder_3",
                             "level_test_pathfinder_4", "level_test_pathfinder_5", "level_test_intersections",
                             "level_test_intersections_2"})
        inputs.push_back(Level_Input(file, std::string(BENCH_TEST_LEVELS) + "/" + file + ".txt"));
    const char* maps_dir = std::getenv("BSP_MAPS_DIR");
    const std::filesystem::path maps = maps_dir != nullptr ? maps_dir : BENCH_DEFAULT_MAPS;
    if (std::filesystem::is_directory(maps)) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(maps))
            if (entry.path().extension() == ".map") files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const std::filesystem::path& f : files) {
            std::ifstream in(f);
            cGrid_Map map;
            std::string error;
            if (!Read_Grid_Map(in, map, error)) continue;
            cLevel_Input input =
                Level_Input(f.stem().string(), Import(map, f.stem().string()), std::make_shared<const cGrid_Map>(map));
            const std::filesystem::path scenarios = f.string() + ".scen";
            if (std::filesystem::is_regular_file(scenarios)) input.Scenarios = scenarios.string();
            inputs.push_back(input);
        }
    }
    {
        const cGrid_Map rooms = grid_maps::Rooms_Map(1024, 1);
        cLevel_Input input =
            Level_Input("rooms1024", Import(rooms, "rooms1024"), std::make_shared<const cGrid_Map>(rooms));
        input.Reference = false;
        inputs.push_back(input);
    }
    // Sides giving about 1,000, 10,000 and 100,000 walls.
    for (const auto& generated : {std::make_pair("generated-1k", 58), std::make_pair("generated-10k", 184),
                                  std::make_pair("generated-100k", 582)})
        inputs.push_back(Level_Input(generated.first, Import(Random_Map(generated.second, 7), generated.first)));
    for (cLevel_Input& input : inputs) {
        cQuiet quiet;
        cGame_World world;
        Load_Level(input.File, world);
        input.Walls = int(world.Get_Level_Walls().size());
    }
    return inputs;
}

// A world loaded from input and taken through the first `steps` build steps.
std::unique_ptr<cGame_World> Prepare(const cLevel_Input& input, cEngine engine, int steps) {
    cQuiet quiet;
    std::unique_ptr<cGame_World> world(new cGame_World(engine));
    Load_Level(input.File, *world);
    if (steps > 0) world->Decorate_With_Square_Portals();
    if (steps > 1) world->Decorate_With_Walls_And_Portals();
    if (steps > 2) world->Link_Aligned_Portals();
    return world;
}

// Built worlds and query lists are made once per level and engine, by
// whichever benchmark thread asks first.
std::mutex made_once;

cGame_World& Built(const cLevel_Input& input, cEngine engine) {
    std::lock_guard<std::mutex> lock(made_once);
    static std::map<std::pair<std::string, int>, std::unique_ptr<cGame_World>> worlds;
    std::unique_ptr<cGame_World>& w = worlds[{input.Name, int(engine)}];
    if (!w) w = Prepare(input, engine, 3);
    return *w;
}

const std::vector<cQuery>& Path_Queries(const cLevel_Input& input) {
    cGame_World& world = Built(input, cEngine::FAST);
    std::lock_guard<std::mutex> lock(made_once);
    static std::map<std::string, std::vector<cQuery>> lists;
    std::vector<cQuery>& list = lists[input.Name];
    if (list.empty()) {
        const cRect2D b = world.Get_Bounds();
        std::mt19937 rng(11);
        std::uniform_int_distribution<int> x(b.Min.x, b.Max.x), y(b.Min.y, b.Max.y);
        std::vector<cPoint2D> path;
        for (int tries = 0; list.size() < 1000 && tries < 100000; ++tries) {
            const cQuery q{cPoint2D(x(rng), y(rng)), cPoint2D(x(rng), y(rng))};
            if (world.Find_Path(q.A, q.B, path)) list.push_back(q);
        }
    }
    return list;
}

const std::vector<cQuery>& Segment_Queries(const cLevel_Input& input) {
    const cRect2D b = Built(input, cEngine::FAST).Get_Bounds();
    std::lock_guard<std::mutex> lock(made_once);
    static std::map<std::string, std::vector<cQuery>> lists;
    std::vector<cQuery>& list = lists[input.Name];
    if (list.empty()) {
        std::mt19937 rng(13);
        std::uniform_int_distribution<int> x(b.Min.x, b.Max.x), y(b.Min.y, b.Max.y);
        for (int i = 0; i < 1000; ++i)
            list.push_back(i % 2 ? cQuery{cPoint2D(b.Min.x, y(rng)), cPoint2D(b.Max.x, y(rng))}
                                 : cQuery{cPoint2D(x(rng), b.Min.y), cPoint2D(x(rng), b.Max.y)});
    }
    return list;
}

// The grid cell whose centre is p.
int Cell_Of(int coordinate) { return (coordinate - CELL / 2) / CELL; }

// Pairs of open cell centres (x*CELL+CELL/2, y*CELL+CELL/2) of a grid map,
// picked at random among the free cells (fixed seed), distinct, and kept
// when Find_Path joins them.
const std::vector<cQuery>& Cell_Queries(const cLevel_Input& input) {
    cGame_World& world = Built(input, cEngine::FAST);
    std::lock_guard<std::mutex> lock(made_once);
    static std::map<std::string, std::vector<cQuery>> lists;
    std::vector<cQuery>& list = lists[input.Name];
    if (list.empty() && input.Grid) {
        const cGrid_Map& map = *input.Grid;
        std::vector<cPoint2D> open;
        for (int y = 0; y < map.Height; ++y)
            for (int x = 0; x < map.Width; ++x)
                if (!map.Is_Blocked(x, y)) open.push_back(cPoint2D(x * CELL + CELL / 2, y * CELL + CELL / 2));
        if (open.size() >= 2) {
            std::mt19937 rng(17);
            std::uniform_int_distribution<std::size_t> pick(0, open.size() - 1);
            std::vector<cPoint2D> path;
            for (int tries = 0; list.size() < 1000 && tries < 100000; ++tries) {
                const cQuery q{open[pick(rng)], open[pick(rng)]};
                if (q.A != q.B && world.Find_Path(q.A, q.B, path)) list.push_back(q);
            }
        }
    }
    return list;
}

// The pairs of the shortest-route benchmarks: open cell centres on a grid
// map, the path benchmark's pairs elsewhere.
const std::vector<cQuery>& Route_Queries(const cLevel_Input& input) {
    return input.Grid ? Cell_Queries(input) : Path_Queries(input);
}

double Point_Distance(const cPoint2D& a, const cPoint2D& b) {
    const double dx = double(b.x) - double(a.x), dy = double(b.y) - double(a.y);
    return std::sqrt(dx * dx + dy * dy);
}

// The length of the polyline from start through the points of path.
double Polyline_Length(const cPoint2D& start, const std::vector<cPoint2D>& path) {
    double length = 0;
    cPoint2D from = start;
    for (const cPoint2D& p : path) {
        length += Point_Distance(from, p);
        from = p;
    }
    return length;
}

// Find_Path's route length for each of Route_Queries (-1 where it finds none).
const std::vector<double>& Path_Lengths(const cLevel_Input& input) {
    cGame_World& world = Built(input, cEngine::FAST);
    const std::vector<cQuery>& queries = Route_Queries(input);
    std::lock_guard<std::mutex> lock(made_once);
    static std::map<std::string, std::vector<double>> lists;
    std::vector<double>& list = lists[input.Name];
    if (list.size() != queries.size()) {
        list.clear();
        std::vector<cPoint2D> path;
        for (const cQuery& q : queries)
            list.push_back(world.Find_Path(q.A, q.B, path) ? Polyline_Length(q.A, path) : -1.0);
    }
    return list;
}

// The grid cells of a query's two points.
grid_baselines::cCell Start_Cell(const cQuery& q) { return {Cell_Of(q.A.x), Cell_Of(q.A.y)}; }
grid_baselines::cCell Goal_Cell(const cQuery& q) { return {Cell_Of(q.B.x), Cell_Of(q.B.y)}; }

// A grid baseline's route length in level units for each of Cell_Queries
// (-1 where it finds none).
template <class cSearch>
std::vector<double> Baseline_Lengths(const cLevel_Input& input, const std::vector<cQuery>& queries) {
    std::vector<double> lengths;
    if (!input.Grid) return lengths;
    cSearch search(*input.Grid);
    for (const cQuery& q : queries) {
        const double length = search.Find(Start_Cell(q), Goal_Cell(q));
        lengths.push_back(length < 0 ? -1.0 : length * CELL);
    }
    return lengths;
}

// Jump point search's route length for each of Cell_Queries, the reference
// the route query's lengths are compared with.
const std::vector<double>& Grid_Lengths(const cLevel_Input& input) {
    const std::vector<cQuery>& queries = Cell_Queries(input);
    std::lock_guard<std::mutex> lock(made_once);
    static std::map<std::string, std::vector<double>> lists;
    std::vector<double>& list = lists[input.Name];
    if (list.empty()) list = Baseline_Lengths<grid_baselines::cJump_Point_Search>(input, queries);
    return list;
}

// The lengths the grid A*'s benchmark found, by level, for the check to
// compare without a second run.
std::map<std::string, std::vector<double>>& Astar_Lengths() {
    static std::map<std::string, std::vector<double>> lengths;
    return lengths;
}

// The lengths of two lists agree (relative 1e-9, -1 alike).
int Length_Mismatches(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return int(std::max(a.size(), b.size()));
    int mismatches = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i] - b[i]) > 1e-9 * std::max(1.0, std::fabs(a[i]))) ++mismatches;
    return mismatches;
}

double Milliseconds_Since(std::chrono::steady_clock::time_point start, std::chrono::steady_clock::time_point stop) {
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

// Each query's least time over the iterations, times holding the
// iterations' times one after another. On a machine shared with other work
// some stretches of a run are slowed; the least of a few passes is the
// query's own cost, taken alike for every method the ratios compare.
std::vector<double> Least_Per_Query(const std::vector<double>& times, std::size_t queries) {
    if (queries == 0 || times.size() % queries != 0) return times;
    std::vector<double> least(times.begin(), times.begin() + std::ptrdiff_t(queries));
    for (std::size_t i = queries; i < times.size(); ++i) least[i % queries] = std::min(least[i % queries], times[i]);
    return least;
}

// The median (the upper one of an even count) and the 95th percentile
// (nearest rank) of per-query times, and the worst, as counters; times holds
// every query of every iteration, and a query's time is its least over the
// iterations.
void Time_Counters(benchmark::State& state, const std::vector<double>& times, std::size_t queries) {
    std::vector<double> least = Least_Per_Query(times, queries);
    std::sort(least.begin(), least.end());
    const std::size_t p95 = std::size_t(std::ceil(0.95 * double(least.size())));
    state.counters["queries"] = double(queries);
    state.counters["median_ms"] = least[least.size() / 2];
    state.counters["p95_ms"] = least[std::max<std::size_t>(p95, 1) - 1];
    state.counters["worst_ms"] = least.back();
    state.SetItemsProcessed(std::int64_t(times.size()));
}

// The median and the largest of ratios, as counters NAME_median and NAME_worst.
void Ratio_Counters(benchmark::State& state, const std::string& name, std::vector<double> ratios) {
    if (ratios.empty()) return;
    std::sort(ratios.begin(), ratios.end());
    state.counters[name + "_median"] = ratios[ratios.size() / 2];
    state.counters[name + "_worst"] = ratios.back();
}

void Grid_Size_Counters(benchmark::State& state, const cLevel_Input& input) {
    if (!input.Grid) return;
    state.counters["map_width"] = input.Grid->Width;
    state.counters["map_height"] = input.Grid->Height;
}

const char* Engine_Name(cEngine engine) { return engine == cEngine::FAST ? "fast" : "reference"; }

void Build_Step(benchmark::State& state, const cLevel_Input& input, cEngine engine, int step) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<cGame_World> world = Prepare(input, engine, step - 1);
        state.ResumeTiming();
        if (step == 1) world->Decorate_With_Square_Portals();
        if (step == 2) world->Decorate_With_Walls_And_Portals();
        if (step == 3) world->Link_Aligned_Portals();
        state.PauseTiming();
        world.reset();
        state.ResumeTiming();
    }
}

void Load(benchmark::State& state, const cLevel_Input& input, cEngine engine) {
    cQuiet quiet;
    for (auto _ : state) {
        std::unique_ptr<cGame_World> world(new cGame_World(engine));
        benchmark::DoNotOptimize(Load_Level(input.File, *world));
        state.PauseTiming();
        world.reset();
        state.ResumeTiming();
    }
}

void Paths(benchmark::State& state, const cLevel_Input& input, cEngine engine) {
    cGame_World& world = Built(input, engine);
    const std::vector<cQuery>& queries = Path_Queries(input);
    std::vector<double> times;
    std::vector<cPoint2D> path;
    for (auto _ : state) {
        for (const cQuery& q : queries) {
            const auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(world.Find_Path(q.A, q.B, path));
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    }
    if (times.empty()) return;
    Time_Counters(state, times, queries.size());
}

void Segments(benchmark::State& state, const cLevel_Input& input, cEngine engine) {
    cGame_World& world = Built(input, engine);
    const std::vector<cQuery>& queries = Segment_Queries(input);
    cPoint2D hit;
    for (auto _ : state)
        for (const cQuery& q : queries) benchmark::DoNotOptimize(world.Intersect_Segment(cSeg(q.A, q.B), hit));
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(queries.size()));
}

void Balls(benchmark::State& state, const cLevel_Input& input, cEngine engine) {
    cGame_World& world = Built(input, engine);
    const std::vector<cQuery>& queries = Segment_Queries(input);
    for (auto _ : state)
        for (const cQuery& q : queries) benchmark::DoNotOptimize(world.Intersect_Ball(q.A.x, q.B.y, 25));
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(queries.size()));
}

// Find_Shortest_Path for one half-size on the level's route pairs, each
// query timed alone; the structures for the half-size are built beforehand.
void Shortest_Paths(benchmark::State& state, const cLevel_Input& input, int half_size) {
    cGame_World& world = Built(input, cEngine::FAST);
    const std::vector<cQuery>& queries = Route_Queries(input);
    const std::vector<double>& path_lengths = Path_Lengths(input);
    const std::vector<double>* grid_lengths = input.Grid ? &Grid_Lengths(input) : nullptr;
    world.Prepare_Agent(half_size);
    std::vector<double> times, lengths(queries.size(), -1.0);
    std::vector<cPoint2D> path;
    for (auto _ : state) {
        for (std::size_t i = 0; i < queries.size(); ++i) {
            double length = 0;
            const auto start = std::chrono::steady_clock::now();
            const ROUTE_STATUS status = world.Find_Shortest_Path(queries[i].A, queries[i].B, half_size, path, &length);
            const auto stop = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(status);
            benchmark::DoNotOptimize(path.data());
            times.push_back(Milliseconds_Since(start, stop));
            lengths[i] = status == ROUTE_FOUND ? length : -1.0;
        }
    }
    if (times.empty()) return;
    Time_Counters(state, times, queries.size());
    std::vector<double> vs_path, vs_grid;
    int found = 0;
    for (std::size_t i = 0; i < queries.size(); ++i) {
        if (lengths[i] < 0) continue;
        ++found;
        if (path_lengths[i] > 0) vs_path.push_back(lengths[i] / path_lengths[i]);
        if (grid_lengths != nullptr && (*grid_lengths)[i] > 0) vs_grid.push_back(lengths[i] / (*grid_lengths)[i]);
    }
    state.counters["found"] = found;
    Ratio_Counters(state, "len_vs_path", vs_path);
    Ratio_Counters(state, "len_vs_jps", vs_grid);
    Grid_Size_Counters(state, input);
}

// Prepare_Agent on a freshly built world; loading and building the world is
// not timed.
void Agent_Build(benchmark::State& state, const cLevel_Input& input, int half_size) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<cGame_World> world = Prepare(input, cEngine::FAST, 3);
        state.ResumeTiming();
        world->Prepare_Agent(half_size);
        state.PauseTiming();
        world.reset();
        state.ResumeTiming();
    }
}

// How many queries found a route (a length of -1 is none), and the median
// length of those that did.
void Length_Counters(benchmark::State& state, const std::vector<double>& lengths) {
    std::vector<double> found;
    for (double length : lengths)
        if (length >= 0) found.push_back(length);
    std::sort(found.begin(), found.end());
    state.counters["found"] = double(found.size());
    if (!found.empty()) state.counters["length_median"] = found[found.size() / 2];
}

// Find_Path on the open cell centres of a grid map, each query timed alone.
void Cell_Paths(benchmark::State& state, const cLevel_Input& input) {
    cGame_World& world = Built(input, cEngine::FAST);
    const std::vector<cQuery>& queries = Cell_Queries(input);
    std::vector<double> times, lengths(queries.size(), -1.0);
    std::vector<cPoint2D> path;
    for (auto _ : state) {
        for (std::size_t i = 0; i < queries.size(); ++i) {
            const auto start = std::chrono::steady_clock::now();
            const bool found = world.Find_Path(queries[i].A, queries[i].B, path);
            const auto stop = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(found);
            times.push_back(Milliseconds_Since(start, stop));
            lengths[i] = found ? Polyline_Length(queries[i].A, path) : -1.0;
        }
    }
    if (times.empty()) return;
    Time_Counters(state, times, queries.size());
    Length_Counters(state, lengths);
    Grid_Size_Counters(state, input);
}

// A grid baseline on the same cell pairs, on the grid map itself, each query
// timed alone; the search's state is made before the timing, as a game
// makes it once per map.
template <class cSearch>
void Grid_Paths(benchmark::State& state, const cLevel_Input& input) {
    const std::vector<cQuery>& queries = Cell_Queries(input);
    cSearch search(*input.Grid);
    std::vector<double> times, lengths(queries.size(), -1.0), expanded(queries.size(), 0.0);
    std::vector<grid_baselines::cCell> cells;
    for (auto _ : state) {
        for (std::size_t i = 0; i < queries.size(); ++i) {
            const cQuery& q = queries[i];
            const auto start = std::chrono::steady_clock::now();
            const double length = search.Find(Start_Cell(q), Goal_Cell(q), &cells);
            const auto stop = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(cells.data());
            times.push_back(Milliseconds_Since(start, stop));
            lengths[i] = length < 0 ? -1.0 : length * CELL;
            expanded[i] = search.Expanded();
        }
    }
    if (times.empty()) return;
    if (std::is_same<cSearch, grid_baselines::cOctile_Astar>::value) {
        std::lock_guard<std::mutex> lock(made_once);
        Astar_Lengths()[input.Name] = lengths;
    }
    Time_Counters(state, times, queries.size());
    Length_Counters(state, lengths);
    Grid_Size_Counters(state, input);
    std::sort(expanded.begin(), expanded.end());
    if (!expanded.empty()) state.counters["expanded_median"] = expanded[expanded.size() / 2];
}

// The route query (half-sizes 0 and 4), Find_Path, jump point search and
// the grid A* on the same cell pairs, interleaved: each pair goes through
// every method before the next pair, in an order that turns from pair to
// pair and pass to pass, so that a stretch of a shared machine slowed by
// other work slows every method alike. Each query's time is its least over
// the passes (the benchmark's iterations). The figures the ratio tables of
// compare.py read: METHOD_median_ms, METHOD_p95_ms and METHOD_found for h0,
// h4, fp, jps and astar; the route lengths against JPS's and Find_Path's
// (len_hH_vs_jps_median, ...); the cells the grid searches expand; and the
// pairs on which JPS and the A* disagree on the length.
void Route_Compare(benchmark::State& state, const cLevel_Input& input) {
    cGame_World& world = Built(input, cEngine::FAST);
    const std::vector<cQuery>& queries = Cell_Queries(input);
    world.Prepare_Agent(0);
    world.Prepare_Agent(4);
    grid_baselines::cJump_Point_Search jps(*input.Grid);
    grid_baselines::cOctile_Astar astar(*input.Grid);
    enum { H0, H4, FP, JPS, ASTAR, METHODS };
    const char* names[METHODS] = {"h0", "h4", "fp", "jps", "astar"};
    const std::size_t n = queries.size();
    std::vector<double> least[METHODS], length[METHODS], expanded[METHODS];
    for (int m = 0; m < METHODS; ++m) {
        least[m].assign(n, 1e300);
        length[m].assign(n, -1.0);
        expanded[m].assign(n, 0.0);
    }
    std::vector<cPoint2D> path;
    std::vector<grid_baselines::cCell> cells;
    int pass = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; ++i) {
            const cQuery& q = queries[i];
            for (int k = 0; k < METHODS; ++k) {
                const int m = int((i + std::size_t(pass) + std::size_t(k)) % METHODS);
                double found_length = -1.0;
                const auto start = std::chrono::steady_clock::now();
                if (m == H0 || m == H4) {
                    double l = 0;
                    if (world.Find_Shortest_Path(q.A, q.B, m == H0 ? 0 : 4, path, &l) == ROUTE_FOUND) found_length = l;
                } else if (m == FP) {
                    if (world.Find_Path(q.A, q.B, path)) found_length = 0;
                } else {
                    const double l = m == JPS ? jps.Find(Start_Cell(q), Goal_Cell(q), &cells)
                                              : astar.Find(Start_Cell(q), Goal_Cell(q), &cells);
                    if (l >= 0) found_length = l * CELL;
                }
                const auto stop = std::chrono::steady_clock::now();
                benchmark::DoNotOptimize(path.data());
                benchmark::DoNotOptimize(cells.data());
                least[m][i] = std::min(least[m][i], Milliseconds_Since(start, stop));
                if (m == FP && found_length >= 0) found_length = Polyline_Length(q.A, path);
                length[m][i] = found_length;
                if (m == JPS) expanded[m][i] = jps.Expanded();
                if (m == ASTAR) expanded[m][i] = astar.Expanded();
            }
        }
        ++pass;
    }
    if (pass == 0 || n == 0) return;
    {
        std::lock_guard<std::mutex> lock(made_once);
        Astar_Lengths()[input.Name] = length[ASTAR];
    }
    for (int m = 0; m < METHODS; ++m) {
        std::vector<double> times = least[m];
        std::sort(times.begin(), times.end());
        const std::size_t p95 = std::size_t(std::ceil(0.95 * double(n)));
        const std::string name = names[m];
        state.counters[name + "_median_ms"] = times[n / 2];
        state.counters[name + "_p95_ms"] = times[std::max<std::size_t>(p95, 1) - 1];
        state.counters[name + "_worst_ms"] = times.back();
        state.counters[name + "_found"] = double(std::count_if(length[m].begin(), length[m].end(),
                                                               [](double l) { return l >= 0; }));
    }
    for (int m : {H0, H4}) {
        for (int base : {JPS, FP}) {
            std::vector<double> ratios;
            for (std::size_t i = 0; i < n; ++i)
                if (length[m][i] >= 0 && length[base][i] > 0) ratios.push_back(length[m][i] / length[base][i]);
            Ratio_Counters(state, std::string("len_") + names[m] + "_vs_" + names[base], ratios);
        }
    }
    for (int m : {JPS, ASTAR}) {
        std::sort(expanded[m].begin(), expanded[m].end());
        state.counters[std::string(names[m]) + "_expanded_median"] = expanded[m][n / 2];
    }
    std::vector<double> found;
    for (double l : length[JPS])
        if (l >= 0) found.push_back(l);
    std::sort(found.begin(), found.end());
    if (!found.empty()) state.counters["jps_length_median"] = found[found.size() / 2];
    state.counters["astar_vs_jps_mismatch"] = Length_Mismatches(length[ASTAR], length[JPS]);
    state.counters["queries"] = double(n);
    state.SetItemsProcessed(std::int64_t(pass) * std::int64_t(n) * METHODS);
    Grid_Size_Counters(state, input);
}

// The scenario lines of a file in the common benchmarks' format: start,
// goal and optimal length (in cells), for the given map size.
struct cScenario {
    grid_baselines::cCell Start, Goal;
    double Length;
};

std::vector<cScenario> Read_Scenarios(const std::string& file, int width, int height, int& bad_lines) {
    std::vector<cScenario> list;
    bad_lines = 0;
    std::ifstream in(file);
    std::string line;
    if (!std::getline(in, line) || line.rfind("version", 0) != 0) {
        bad_lines = 1;
        return list;
    }
    while (std::getline(in, line)) {
        if (line.empty() || line == "\r") continue;
        if (line.rfind("//", 0) == 0) break;  // the citation that ends the published files
        std::istringstream fields(line);
        int bucket, w, h;
        std::string name;
        cScenario s;
        if (!(fields >> bucket >> name >> w >> h >> s.Start.X >> s.Start.Y >> s.Goal.X >> s.Goal.Y >> s.Length) ||
            w != width || h != height) {
            ++bad_lines;
            continue;
        }
        list.push_back(s);
    }
    return list;
}

// The baselines' checks, once per map: jump point search and the A* give
// equal lengths on every pair, and match the published optimal lengths of
// the map's scenario file (to the file's 8 decimals) where there is one.
void Grid_Check(benchmark::State& state, const cLevel_Input& input) {
    for (auto _ : state) {
        const std::vector<double>& jps = Grid_Lengths(input);
        std::vector<double> astar;
        {
            std::lock_guard<std::mutex> lock(made_once);
            astar = Astar_Lengths()[input.Name];
        }
        if (astar.size() != jps.size())
            astar = Baseline_Lengths<grid_baselines::cOctile_Astar>(input, Cell_Queries(input));
        state.counters["pairs"] = double(jps.size());
        state.counters["astar_vs_jps_mismatch"] = Length_Mismatches(astar, jps);
        if (input.Scenarios.empty()) continue;
        int bad_lines = 0;
        const std::vector<cScenario> scenarios =
            Read_Scenarios(input.Scenarios, input.Grid->Width, input.Grid->Height, bad_lines);
        grid_baselines::cOctile_Astar a(*input.Grid);
        grid_baselines::cJump_Point_Search j(*input.Grid);
        int mismatches = 0;
        for (const cScenario& s : scenarios) {
            mismatches += std::fabs(a.Find(s.Start, s.Goal) - s.Length) > 1e-7;
            mismatches += std::fabs(j.Find(s.Start, s.Goal) - s.Length) > 1e-7;
        }
        state.counters["scenarios"] = double(scenarios.size());
        state.counters["scenario_bad_lines"] = bad_lines;
        state.counters["scenario_mismatch"] = mismatches;
    }
}

// Several threads querying one world: items per second per thread count.
void Threaded_Paths(benchmark::State& state, const cLevel_Input& input) {
    cGame_World& world = Built(input, cEngine::FAST);
    const std::vector<cQuery>& queries = Path_Queries(input);
    std::vector<cPoint2D> path;
    std::size_t next = std::size_t(state.thread_index()) * 97;
    for (auto _ : state) {
        const cQuery& q = queries[next++ % queries.size()];
        benchmark::DoNotOptimize(world.Find_Path(q.A, q.B, path));
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}

void Register(const std::vector<cLevel_Input>& inputs) {
    static std::vector<cLevel_Input> keep;
    keep = inputs;
    for (const cLevel_Input& input : keep) {
        const bool large = input.Walls >= 20000;
        for (cEngine engine : {cEngine::FAST, cEngine::REFERENCE}) {
            if (engine == cEngine::REFERENCE && !input.Reference) continue;
            const std::string suffix = "/" + input.Name + "/" + Engine_Name(engine);
            const bool slow = large && engine == cEngine::REFERENCE;
            auto once = [slow](benchmark::internal::Benchmark* b) {
                b->Unit(benchmark::kMillisecond);
                if (slow) b->Iterations(1);
            };
            once(benchmark::RegisterBenchmark(("load" + suffix).c_str(), Load, input, engine));
            for (int step = 1; step <= 3; ++step) {
                const char* names[] = {"", "squares", "portals", "waypoints"};
                once(benchmark::RegisterBenchmark((std::string(names[step]) + suffix).c_str(), Build_Step, input,
                                                  engine, step));
            }
            if (!slow)
                benchmark::RegisterBenchmark(("path" + suffix).c_str(), Paths, input, engine)
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(large || engine == cEngine::REFERENCE ? 1 : 3);
            once(benchmark::RegisterBenchmark(("segment" + suffix).c_str(), Segments, input, engine));
            once(benchmark::RegisterBenchmark(("ball" + suffix).c_str(), Balls, input, engine));
        }
        // The grid maps' route comparisons take each query's least time over
        // three passes, for every method alike.
        const int repeat = large && !input.Grid ? 1 : 3;
        if (input.Grid) {
            benchmark::RegisterBenchmark(("path_cells/" + input.Name + "/fast").c_str(), Cell_Paths, input)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(repeat);
            benchmark::RegisterBenchmark(("grid_astar/" + input.Name + "/grid").c_str(),
                                         Grid_Paths<grid_baselines::cOctile_Astar>, input)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(repeat);
            benchmark::RegisterBenchmark(("jps/" + input.Name + "/grid").c_str(),
                                         Grid_Paths<grid_baselines::cJump_Point_Search>, input)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(repeat);
            benchmark::RegisterBenchmark(("route_compare/" + input.Name + "/all").c_str(), Route_Compare, input)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(repeat);
            benchmark::RegisterBenchmark(("grid_check/" + input.Name + "/grid").c_str(), Grid_Check, input)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
        for (int half_size : {0, 4}) {
            const std::string suffix = "/" + input.Name + "/h" + std::to_string(half_size);
            benchmark::RegisterBenchmark(("shortest_path" + suffix).c_str(), Shortest_Paths, input, half_size)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(repeat);
            benchmark::RegisterBenchmark(("agent_build" + suffix).c_str(), Agent_Build, input, half_size)
                ->Unit(benchmark::kMillisecond);
        }
        if (input.Walls >= 1000 && input.Reference)
            benchmark::RegisterBenchmark(("threads_path/" + input.Name + "/fast").c_str(), Threaded_Paths, input)
                ->Threads(1)
                ->Threads(2)
                ->UseRealTime()
                ->MinTime(2.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Register(Inputs());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
