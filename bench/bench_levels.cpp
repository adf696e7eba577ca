// Benchmarks of both engines on the same inputs: loading a level, the three
// build steps, and path, segment and ball queries.
//
// Inputs: the self-test's levels; the grid maps of BSP_MAPS_DIR (default
// ../shared/maps beside the project) imported at 10 units a cell; and
// generated levels of about 1,000, 10,000 and 100,000 walls (random grid
// maps, a tenth of the cells blocked). Names read OPERATION/LEVEL/ENGINE.
//
// Queries are fixed per level: 1,000 path queries between random reachable
// points, 1,000 segments across the whole level (border to border) and 1,000
// balls. A path benchmark runs all of its queries in each iteration and
// reports the median and the worst query as counters.
//
// The reference engine needs minutes for one path query on the largest
// levels; its path benchmarks are registered only for levels below 20,000
// walls, and its builds of larger levels run once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "level_loader.h"
#include "messages.h"

namespace {

struct cLevel_Input {
    std::string Name;
    std::string File;
    int Walls = 0;
};

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
    Write_Level(out, map.Width * 10, map.Height * 10, Order_Walls(Trace_Walls(map, 10), cWall_Order::BALANCED));
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

std::vector<cLevel_Input> Inputs() {
    std::vector<cLevel_Input> inputs;
    for (const char* file : {"level_test_pathfinder_1", "level_test_pathfinder_2", "level_test_pathfinder_3",
                             "level_test_pathfinder_4", "level_test_pathfinder_5", "level_test_intersections",
                             "level_test_intersections_2"})
        inputs.push_back({file, std::string(BENCH_TEST_LEVELS) + "/" + file + ".txt"});
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
            if (Read_Grid_Map(in, map, error)) inputs.push_back({f.stem().string(), Import(map, f.stem().string())});
        }
    }
    // Sides giving about 1,000, 10,000 and 100,000 walls.
    for (const auto& generated : {std::make_pair("generated-1k", 58), std::make_pair("generated-10k", 184),
                                  std::make_pair("generated-100k", 582)})
        inputs.push_back({generated.first, Import(Random_Map(generated.second, 7), generated.first)});
    for (cLevel_Input& input : inputs) {
        cQuiet quiet;
        cGame_World world;
        cLevel_Loader().Load(input.File.c_str(), &world);
        input.Walls = int(world.Get_Level_Walls().size());
    }
    return inputs;
}

// A world loaded from input and taken through the first `steps` build steps.
std::unique_ptr<cGame_World> Prepare(const cLevel_Input& input, cEngine engine, int steps) {
    cQuiet quiet;
    std::unique_ptr<cGame_World> world(new cGame_World(engine));
    cLevel_Loader().Load(input.File.c_str(), world.get());
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
        benchmark::DoNotOptimize(cLevel_Loader().Load(input.File.c_str(), world.get()));
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
        times.clear();
        for (const cQuery& q : queries) {
            const auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(world.Find_Path(q.A, q.B, path));
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    }
    if (times.empty()) return;
    std::sort(times.begin(), times.end());
    state.counters["queries"] = double(times.size());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["worst_ms"] = times.back();
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(times.size()));
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
        if (input.Walls >= 1000)
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
