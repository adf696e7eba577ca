// The route queries of crowds and storms on random512-10-0 and maze512-1-0
// (imported at 10 units a cell, each group of blocked cells marked solid),
// half-sizes 0 and 4:
//   crowd/MAP/hH        for each of 4 random goals, a route field built,
//                       then 1,000 answers from random open cell centres,
//                       against the 1,000 single route queries on the same
//                       pairs (counters: the field's build and answers, the
//                       crowd's whole time against 30 single queries of the
//                       mean time, over the 4 goals and for the worst, the
//                       field's bytes against the size's route structures,
//                       the process's peak resident size);
//   partial/MAP/hH      pairs of open cell centres with no route between
//                       them, the query with and without the partial option
//                       (counters: the per-pair ratios' median and 95th
//                       percentile, the ratio of the totals);
//   batch/MAP/tN        1,000 route queries (h = 0) answered by
//                       Find_Shortest_Paths on N threads, items per second
//                       (counter cores_used: the process's CPU time over the
//                       wall time, the cores it had);
//   nearest_goal/MAP/hH a route to the nearest of 8 random goals, against
//                       the 8 single queries (100 starts);
//   standing/MAP/hH     the nearest place to stand for 1,000 random points,
//                       in rock or not.
// Each query's time is its least over three passes, as in bench_levels (one
// pass for a query over 20 ms).
// On both maps every open cell joins every other, so the pairs without a
// route come from closed doors: on maze512-1-0 1,000 across its corridors,
// placed as in bench_doors; on random512-10-0 a fence around the square of
// cells 160 to 351, whose inside becomes a room of its own. BSP_MAPS_DIR
// names the maps' folder.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "messages.h"

using namespace bsp_levels;

namespace {

const int CELL = 10;
const char* const MAPS[] = {"random512-10-0", "maze512-1-0"};
const int N_QUERIES = 1000;
const int PASSES = 3;
const int CROWD_GOALS = 4;

struct cPair {
    cPoint2D A, B;
};

// A map's world (walls, rock, and for the partial routes on the maze the
// closed doors), its open cell centres and their components.
struct cRoute_Map {
    bool Ok = false;
    cGrid_Map Map;
    std::unique_ptr<cGame_World> World;      // walls and rock
    std::unique_ptr<cGame_World> Door_World;  // the same with closed doors
    std::vector<cPoint2D> Open;               // open cell centres
    int Walls = 0;
};

cPoint2D Centre(int x, int y) { return cPoint2D(x * CELL + CELL / 2, y * CELL + CELL / 2); }

std::unique_ptr<cGame_World> Build_Map_World(const cGrid_Map& map, const std::vector<cHV_Wall>& doors) {
    std::ostringstream quiet;
    cMessage_Redirect redirect(&quiet);
    std::unique_ptr<cGame_World> world(new cGame_World());
    const cRect2D saved = WORLD_BOUNDS;
    WORLD_BOUNDS = cRect2D(cPoint2D(0, 0), cPoint2D(map.Width * CELL, map.Height * CELL));
    for (const cGrid_Wall& w : Order_Walls(Trace_Walls(map, CELL), cWall_Order::BALANCED))
        world->Insert(cHV_Wall(cPoint2D(w.X1, w.Y1), cPoint2D(w.X2, w.Y2)));
    for (const cHV_Wall& d : doors) world->Add_Door(d);
    for (const cPoint2D& p : Solid_Points(map, CELL)) world->Add_Solid_Point(p);
    world->Build();
    WORLD_BOUNDS = saved;
    return world;
}

// 1,000 doors across the maze's corridors, as bench_doors places them.
std::vector<cHV_Wall> Corridor_Doors(const cGrid_Map& m) {
    auto blocked = [&m](int x, int y) { return x < 0 || y < 0 || x >= m.Width || y >= m.Height || m.Is_Blocked(x, y); };
    std::vector<cHV_Wall> doors;
    for (int y = 0; y < m.Height; ++y)
        for (int x = 0; x < m.Width; ++x) {
            if (blocked(x, y)) continue;
            if (blocked(x - 1, y) && blocked(x + 1, y) && !blocked(x, y - 1))
                doors.emplace_back(cPoint2D(x * CELL, y * CELL), cPoint2D((x + 1) * CELL, y * CELL));
            else if (blocked(x, y - 1) && blocked(x, y + 1) && !blocked(x - 1, y))
                doors.emplace_back(cPoint2D(x * CELL, y * CELL), cPoint2D(x * CELL, (y + 1) * CELL));
        }
    std::mt19937 rng(2026);
    std::shuffle(doors.begin(), doors.end(), rng);
    doors.resize(std::min<std::size_t>(doors.size(), 1000));
    return doors;
}

// Closed doors on every side between an open cell inside the square of
// cells [lo, hi) and an open cell outside it: the square becomes a room
// of its own.
std::vector<cHV_Wall> Fence_Doors(const cGrid_Map& m, int lo, int hi) {
    auto open = [&m](int x, int y) { return x >= 0 && y >= 0 && x < m.Width && y < m.Height && !m.Is_Blocked(x, y); };
    auto inside = [lo, hi](int x, int y) { return lo <= x && x < hi && lo <= y && y < hi; };
    std::vector<cHV_Wall> doors;
    for (int y = lo; y < hi; ++y)
        for (int x = lo; x < hi; ++x) {
            if (!open(x, y)) continue;
            if (!inside(x - 1, y) && open(x - 1, y)) doors.emplace_back(cPoint2D(x * CELL, y * CELL), cPoint2D(x * CELL, (y + 1) * CELL));
            if (!inside(x + 1, y) && open(x + 1, y))
                doors.emplace_back(cPoint2D((x + 1) * CELL, y * CELL), cPoint2D((x + 1) * CELL, (y + 1) * CELL));
            if (!inside(x, y - 1) && open(x, y - 1)) doors.emplace_back(cPoint2D(x * CELL, y * CELL), cPoint2D((x + 1) * CELL, y * CELL));
            if (!inside(x, y + 1) && open(x, y + 1))
                doors.emplace_back(cPoint2D(x * CELL, (y + 1) * CELL), cPoint2D((x + 1) * CELL, (y + 1) * CELL));
        }
    return doors;
}

std::mutex made_once;

const cRoute_Map& Route_Map(const std::string& name) {
    std::lock_guard<std::mutex> lock(made_once);
    static std::map<std::string, std::unique_ptr<cRoute_Map>> maps;
    std::unique_ptr<cRoute_Map>& m = maps[name];
    if (m) return *m;
    m.reset(new cRoute_Map());
    const char* dir = std::getenv("BSP_MAPS_DIR");
    std::ifstream in(std::filesystem::path(dir != nullptr ? dir : BENCH_DEFAULT_MAPS) / (name + ".map"));
    std::string error;
    if (!in || !Read_Grid_Map(in, m->Map, error)) return *m;
    m->World = Build_Map_World(m->Map, {});
    const bool maze = name.rfind("maze", 0) == 0;
    m->Door_World = Build_Map_World(m->Map, maze ? Corridor_Doors(m->Map) : Fence_Doors(m->Map, 160, 352));
    m->Walls = int(m->World->Get_Level_Walls().size());
    for (int y = 0; y < m->Map.Height; ++y)
        for (int x = 0; x < m->Map.Width; ++x)
            if (!m->Map.Is_Blocked(x, y)) m->Open.push_back(Centre(x, y));
    m->Ok = !m->Open.empty();
    return *m;
}

bool Skipped(benchmark::State& state, const cRoute_Map& m) {
    if (m.Ok) return false;
    state.SkipWithError("the map is missing");
    return true;
}

double Ms(std::chrono::steady_clock::time_point t0, std::chrono::steady_clock::time_point t1) {
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

// Times query(i) for i < n, PASSES times each; each query's least time. A
// query over LONG_MS the first time is timed once: the timer's and the
// scheduler's noise is small against it.
const double LONG_MS = 20;
template <class cQuery>
std::vector<double> Least_Times(int n, cQuery query) {
    std::vector<double> least(std::size_t(n), 1e300);
    for (int pass = 0; pass < PASSES; ++pass)
        for (int i = 0; i < n; ++i) {
            if (pass > 0 && least[std::size_t(i)] > LONG_MS) continue;
            const auto t0 = std::chrono::steady_clock::now();
            query(i);
            const auto t1 = std::chrono::steady_clock::now();
            least[std::size_t(i)] = std::min(least[std::size_t(i)], Ms(t0, t1));
        }
    return least;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Percentile_95(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::max<std::size_t>(std::size_t(std::ceil(0.95 * double(v.size()))), 1) - 1];
}

double Sum(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return s;
}

double Process_Cpu_Seconds() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           1e-6 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

double Peak_Resident_MB() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void Crowd(benchmark::State& state, const std::string& name, int h) {
    const cRoute_Map& m = Route_Map(name);
    if (Skipped(state, m)) return;
    const cGame_World& world = *m.World;
    world.Prepare_Agent(h);
    std::mt19937 rng(23);
    std::uniform_int_distribution<std::size_t> pick(0, m.Open.size() - 1);
    std::vector<double> builds, answers_all, crowds, budgets, singles_all;
    std::size_t field_bytes = 0;
    int wrong = 0;
    // One field, built again in each pass as a game builds a crowd's field
    // again when a door changes.
    cRoute_Field field;
    for (auto _ : state) {
        for (int g = 0; g < CROWD_GOALS; ++g) {
            const cPoint2D goal = m.Open[pick(rng)];
            std::vector<cPoint2D> starts;
            for (int i = 0; i < N_QUERIES; ++i) starts.push_back(m.Open[pick(rng)]);
            std::vector<cPoint2D> path;
            double length = 0;
            // The single queries, and the field's answers against them.
            std::vector<double> single_lengths(starts.size(), -1);
            const std::vector<double> singles = Least_Times(N_QUERIES, [&](int i) {
                if (world.Find_Shortest_Path(starts[std::size_t(i)], goal, h, path, &length) == ROUTE_FOUND)
                    single_lengths[std::size_t(i)] = length;
            });
            double build_ms = 1e300;
            std::vector<double> answers(starts.size(), 1e300);
            for (int pass = 0; pass < PASSES; ++pass) {
                const auto t0 = std::chrono::steady_clock::now();
                field.Build(world, goal, h);
                const auto t1 = std::chrono::steady_clock::now();
                build_ms = std::min(build_ms, Ms(t0, t1));
                for (std::size_t i = 0; i < starts.size(); ++i) {
                    const auto a0 = std::chrono::steady_clock::now();
                    const ROUTE_STATUS s = field.Route(starts[i], path, &length);
                    const auto a1 = std::chrono::steady_clock::now();
                    answers[i] = std::min(answers[i], Ms(a0, a1));
                    const double expected = single_lengths[i];
                    if (pass == 0 && ((s == ROUTE_FOUND) != (expected >= 0) ||
                                      (s == ROUTE_FOUND && std::abs(length - expected) > 1e-9 * (1 + expected))))
                        ++wrong;
                }
            }
            field_bytes = std::max(field_bytes, field.Footprint());
            builds.push_back(build_ms);
            crowds.push_back(build_ms + Sum(answers));
            budgets.push_back(30 * Sum(singles) / double(singles.size()));
            answers_all.insert(answers_all.end(), answers.begin(), answers.end());
            singles_all.insert(singles_all.end(), singles.begin(), singles.end());
        }
    }
    std::vector<double> ratios;
    for (std::size_t i = 0; i < crowds.size(); ++i) ratios.push_back(crowds[i] / budgets[i]);
    const double single_median = Median(singles_all);
    state.counters["goals"] = double(crowds.size());
    state.counters["field_build_ms"] = Median(builds);
    state.counters["answer_median_ms"] = Median(answers_all);
    state.counters["answer_p95_ms"] = Percentile_95(answers_all);
    state.counters["crowd_ms"] = Median(crowds);
    state.counters["single_median_ms"] = single_median;
    state.counters["single_mean_ms"] = Sum(singles_all) / double(singles_all.size());
    // The crowd against 30 single queries (of the mean time, to its goal).
    state.counters["crowd_vs_30_total"] = Sum(crowds) / Sum(budgets);
    state.counters["crowd_vs_30_worst"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["answer_vs_single"] = Median(answers_all) / single_median;
    state.counters["field_bytes"] = double(field_bytes);
    state.counters["mesh_bytes"] = double(world.Agent_Footprint(h));
    state.counters["field_vs_mesh"] = double(field_bytes) / double(world.Agent_Footprint(h));
    state.counters["field_bytes_per_wall"] = double(field_bytes) / m.Walls;
    state.counters["peak_rss_mb"] = Peak_Resident_MB();
    state.counters["wrong"] = wrong;
}

// Pairs of open cell centres of the world with no route for the agent.
std::vector<cPair> Failing_Pairs(const cRoute_Map& m, const cGame_World& world, int h) {
    // Components of open cells, 4-connected (the agents here pass no
    // corner where blocked cells meet), and across closed doors none.
    const cGrid_Map& map = m.Map;
    std::vector<int> component(std::size_t(map.Width) * std::size_t(map.Height), -1);
    auto index = [&map](int x, int y) { return std::size_t(y) * std::size_t(map.Width) + std::size_t(x); };
    std::vector<std::pair<int, int>> pending;
    int count = 0;
    std::vector<cPoint2D> path;
    for (int y = 0; y < map.Height; ++y)
        for (int x = 0; x < map.Width; ++x) {
            if (map.Is_Blocked(x, y) || component[index(x, y)] >= 0) continue;
            component[index(x, y)] = count;
            pending.assign(1, {x, y});
            while (!pending.empty()) {
                const auto c = pending.back();
                pending.pop_back();
                const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
                for (int d = 0; d < 4; ++d) {
                    const int nx = c.first + dx[d], ny = c.second + dy[d];
                    if (nx < 0 || ny < 0 || nx >= map.Width || ny >= map.Height || map.Is_Blocked(nx, ny) ||
                        component[index(nx, ny)] >= 0)
                        continue;
                    // A closed door between the two cells.
                    if (world.N_Doors() > 0) {
                        cPoint2D hit;
                        if (world.Intersect_Segment(cSeg(Centre(c.first, c.second), Centre(nx, ny)), hit)) continue;
                    }
                    component[index(nx, ny)] = count;
                    pending.push_back({nx, ny});
                }
            }
            ++count;
        }
    std::mt19937 rng(29);
    std::uniform_int_distribution<std::size_t> pick(0, m.Open.size() - 1);
    std::vector<cPair> pairs;
    for (int tries = 0; pairs.size() < 100 && tries < 1000000; ++tries) {
        const cPoint2D a = m.Open[pick(rng)], b = m.Open[pick(rng)];
        if (component[index(a.x / CELL, a.y / CELL)] == component[index(b.x / CELL, b.y / CELL)]) continue;
        if (world.Find_Shortest_Path(a, b, h, path) == ROUTE_NONE) pairs.push_back({a, b});
    }
    return pairs;
}

void Partial(benchmark::State& state, const std::string& name, int h) {
    const cRoute_Map& m = Route_Map(name);
    if (Skipped(state, m)) return;
    const cGame_World& world = *m.Door_World;
    world.Prepare_Agent(h);
    const std::vector<cPair> pairs = Failing_Pairs(m, world, h);
    if (pairs.empty()) {
        state.SkipWithError("no pair without a route");
        return;
    }
    cRoute_Options partial;
    partial.Partial = true;
    std::vector<cPoint2D> path;
    std::vector<double> fail, part;
    int not_partial = 0;
    for (auto _ : state) {
        fail = Least_Times(int(pairs.size()), [&](int i) {
            benchmark::DoNotOptimize(world.Find_Shortest_Path(pairs[std::size_t(i)].A, pairs[std::size_t(i)].B, h, path));
        });
        part = Least_Times(int(pairs.size()), [&](int i) {
            if (world.Find_Shortest_Path(pairs[std::size_t(i)].A, pairs[std::size_t(i)].B, h, partial, path) !=
                ROUTE_PARTIAL)
                ++not_partial;
        });
    }
    std::vector<double> ratios;
    for (std::size_t i = 0; i < pairs.size(); ++i) ratios.push_back(part[i] / fail[i]);
    state.counters["pairs"] = double(pairs.size());
    state.counters["fail_median_ms"] = Median(fail);
    state.counters["partial_median_ms"] = Median(part);
    state.counters["ratio_median"] = Median(ratios);
    state.counters["ratio_p95"] = Percentile_95(ratios);
    state.counters["ratio_worst"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["ratio_total"] = Sum(part) / Sum(fail);
    state.counters["not_partial"] = not_partial;
    state.counters["peak_rss_mb"] = Peak_Resident_MB();
}

void Batch(benchmark::State& state, const std::string& name, int threads) {
    const cRoute_Map& m = Route_Map(name);
    if (Skipped(state, m)) return;
    const cGame_World& world = *m.World;
    world.Prepare_Agent(0);
    std::mt19937 rng(31);
    std::uniform_int_distribution<std::size_t> pick(0, m.Open.size() - 1);
    std::vector<cRoute_Request> requests(N_QUERIES);
    for (cRoute_Request& r : requests) {
        r.Start = m.Open[pick(rng)];
        r.Goal = m.Open[pick(rng)];
    }
    std::vector<cRoute_Result> answers;
    // The cores the process had: its CPU time over the wall time. On a
    // machine shared with other work, a second thread gets a second core
    // only when one is free.
    const double cpu0 = Process_Cpu_Seconds();
    const auto wall0 = std::chrono::steady_clock::now();
    for (auto _ : state) world.Find_Shortest_Paths(requests, answers, threads);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    state.SetItemsProcessed(std::int64_t(state.iterations()) * N_QUERIES);
    state.counters["cores_used"] = (Process_Cpu_Seconds() - cpu0) / wall;
    state.counters["threads_asked"] = threads;
    state.counters["peak_rss_mb"] = Peak_Resident_MB();
}

void Nearest_Goal(benchmark::State& state, const std::string& name, int h) {
    const cRoute_Map& m = Route_Map(name);
    if (Skipped(state, m)) return;
    const cGame_World& world = *m.World;
    world.Prepare_Agent(h);
    std::mt19937 rng(37);
    std::uniform_int_distribution<std::size_t> pick(0, m.Open.size() - 1);
    const int n = 100;
    std::vector<cPoint2D> starts;
    std::vector<std::vector<cPoint2D>> goals(n);
    for (int i = 0; i < n; ++i) {
        starts.push_back(m.Open[pick(rng)]);
        for (int k = 0; k < 8; ++k) goals[std::size_t(i)].push_back(m.Open[pick(rng)]);
    }
    std::vector<cPoint2D> path;
    std::vector<double> any, singles;
    for (auto _ : state) {
        any = Least_Times(n, [&](int i) {
            benchmark::DoNotOptimize(world.Find_Nearest_Goal(starts[std::size_t(i)], goals[std::size_t(i)], h, path));
        });
        singles = Least_Times(n, [&](int i) {
            for (const cPoint2D& g : goals[std::size_t(i)])
                benchmark::DoNotOptimize(world.Find_Shortest_Path(starts[std::size_t(i)], g, h, path));
        });
    }
    state.counters["nearest_median_ms"] = Median(any);
    state.counters["eight_singles_median_ms"] = Median(singles);
    state.counters["ratio_total"] = Sum(any) / Sum(singles);
}

void Standing(benchmark::State& state, const std::string& name, int h) {
    const cRoute_Map& m = Route_Map(name);
    if (Skipped(state, m)) return;
    const cGame_World& world = *m.World;
    world.Prepare_Agent(h);
    std::mt19937 rng(41);
    const cRect2D b = world.Get_Bounds();
    std::uniform_int_distribution<int> x(b.Min.x, b.Max.x), y(b.Min.y, b.Max.y);
    std::vector<cPoint2D> points;
    for (int i = 0; i < N_QUERIES; ++i) points.push_back(cPoint2D(x(rng), y(rng)));
    std::vector<double> times;
    int moved = 0;
    for (auto _ : state) {
        moved = 0;
        times = Least_Times(N_QUERIES, [&](int i) {
            cPoint2D place;
            world.Find_Standing_Point(points[std::size_t(i)], h, place);
            moved += place != points[std::size_t(i)] ? 1 : 0;
        });
    }
    state.counters["median_ms"] = Median(times);
    state.counters["p95_ms"] = Percentile_95(times);
    state.counters["moved"] = moved / PASSES;
}

const bool registered = [] {
    for (const char* map : MAPS) {
        const std::string name = map;
        for (const int h : {0, 4}) {
            const std::string suffix = "/" + name + "/h" + std::to_string(h);
            benchmark::RegisterBenchmark(("crowd" + suffix).c_str(), Crowd, name, h)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
            benchmark::RegisterBenchmark(("partial" + suffix).c_str(), Partial, name, h)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
            benchmark::RegisterBenchmark(("nearest_goal" + suffix).c_str(), Nearest_Goal, name, h)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
            benchmark::RegisterBenchmark(("standing" + suffix).c_str(), Standing, name, h)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
        for (const int threads : {1, 2})
            benchmark::RegisterBenchmark(("batch/" + name + "/t" + std::to_string(threads)).c_str(), Batch, name,
                                         threads)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3)
                ->UseRealTime();
    }
    return true;
}();

}  // namespace
