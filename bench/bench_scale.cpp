// How loading, building, memory and route queries grow with the size of a
// level: one grid map per run, generated (bench/grid_map_gen.h) or read from
// a file, imported at 10 units a cell with its walls in the balanced order,
// as `bsplevel import-grid` writes them.
//
//     bench_scale --kind random10|random25|maze|rooms --side N [options]
//     bench_scale --map FILE.map [options]
//
//     --seed S       the generator's seed (default 1)
//     --pairs N      route query pairs (default 200)
//     --passes P     passes over the pairs; a query's time is its least (default 3)
//     --breakdown    also where the built world's bytes go
//     --levels DIR   where the imported levels are kept (default: the system's
//                    temporary folder); a later run of the same map reads the
//                    level written by the first instead of importing again
//
// One map per process, so that the peak resident size is the map's own.
// Human-readable lines go to stderr; the figures go to stdout as one JSON
// object (bench/compare.py --scale reads it):
//
//   walls, areas, portals, waypoints      of the built world
//   import_ms, order_ms                   the import (trace, order, write) and its
//                                         Order_Walls (BALANCED), when this run imported
//   load_text_ms                          Load_Level reading the level file
//   load_walls_ms                         the same walls inserted one by one into a new world
//   build_ms                              cGame_World::Build
//   STEP_cpu_ms                           the same steps' processor time (order, load_text,
//                                         load_walls, build, agent_hH)
//   world_bytes                           heap in use by the built world
//   world_rss_bytes                       resident size it added
//   agent_hH_ms, agent_bytes_hH           Prepare_Agent(H) and the heap it added
//   route_median_ms_hH, route_p95_ms_hH   Find_Shortest_Path on the pairs
//   route_found_hH                        pairs it joined
//   jps_median_ms                         jump point search on the same pairs
//   peak_rss_bytes                        the process's peak resident size
//
// The heap in use is the allocator's own count (glibc's mallinfo2: bytes in
// allocated blocks, their headers included) plus the blocks of the worlds'
// pools mapped on their own (Big_Bytes_Mapped). The breakdown walks the world's
// public structures, counting each object in the world's pool at its size
// and each heap block's contents plus 16 bytes of allocator overhead, adds
// the pool's unused space, and sets the sum against that count and the
// resident size.
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <list>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "grid_baselines.h"
#include "grid_import.h"
#include "grid_map_gen.h"
#include "level_loader.h"
#include "messages.h"
#include "fast/box_tree.h"
#include "route/route_mesh.h"

using namespace bsp_levels;

namespace {

// The level's units per grid cell.
const int CELL = 10;
const int HALF_SIZES[] = {0, 4};
// The allocator's overhead per heap block, as the breakdown counts it.
const std::size_t BLOCK_OVERHEAD = 16;

double Milliseconds_Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The time this thread has run on a processor, ms.
double Thread_Cpu_Ms() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// Times one step both ways: the wall clock, and the processor time of the
// thread, which leaves out the stretches other work on a shared machine
// takes the processor away (the growth exponents use it).
class cStopwatch {
public:
    cStopwatch() : Wall(std::chrono::steady_clock::now()), Cpu(Thread_Cpu_Ms()) {}
    // Records NAME_ms and NAME_cpu_ms.
    template <class cFigures_Type>
    void Record(cFigures_Type& figures, const std::string& name) const {
        figures.Set(name + "_ms", Milliseconds_Since(Wall));
        figures.Set(name + "_cpu_ms", Thread_Cpu_Ms() - Cpu);
    }

private:
    std::chrono::steady_clock::time_point Wall;
    double Cpu;
};

// The world's rectangle, its own.
void Set_World_Bounds(cGame_World& world, const cRect2D& bounds) { world.Set_Bounds(bounds); }

// Bytes in the heap's allocated blocks.
std::size_t Heap_In_Use() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd + Big_Bytes_Mapped();
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"), 0 when unknown.
std::size_t Status_Bytes(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.compare(0, key.size(), key) == 0) return std::size_t(std::atoll(line.c_str() + key.size())) * 1024;
    return 0;
}

struct cOptions {
    std::string Kind, Map_File, Levels;
    int Side = 0;
    unsigned Seed = 1;
    int Pairs = 200;
    int Passes = 3;
    bool Breakdown = false;
};

bool Parse(int argc, char** argv, cOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        auto number = [&](const char* name, long lo, long hi, long& out) {
            const char* v = value(name);
            if (v == nullptr) return false;
            char* end = nullptr;
            out = std::strtol(v, &end, 10);
            if (*v == '\0' || *end != '\0' || out < lo || out > hi) {
                error = std::string(name) + " wants a whole number from " + std::to_string(lo) + " to " +
                        std::to_string(hi) + ", not '" + v + "'";
                return false;
            }
            return true;
        };
        long n = 0;
        if (a == "--kind") {
            const char* v = value("--kind");
            if (v == nullptr) return false;
            o.Kind = v;
        } else if (a == "--map") {
            const char* v = value("--map");
            if (v == nullptr) return false;
            o.Map_File = v;
        } else if (a == "--side") {
            if (!number("--side", 2, 16384, n)) return false;
            o.Side = int(n);
        } else if (a == "--seed") {
            if (!number("--seed", 0, 0x7fffffff, n)) return false;
            o.Seed = unsigned(n);
        } else if (a == "--pairs") {
            if (!number("--pairs", 0, 100000, n)) return false;
            o.Pairs = int(n);
        } else if (a == "--passes") {
            if (!number("--passes", 1, 100, n)) return false;
            o.Passes = int(n);
        } else if (a == "--levels") {
            const char* v = value("--levels");
            if (v == nullptr) return false;
            o.Levels = v;
        } else if (a == "--breakdown") {
            o.Breakdown = true;
        } else {
            error = "unknown argument '" + a + "'";
            return false;
        }
    }
    if (o.Kind.empty() == o.Map_File.empty()) {
        error = "give either --kind and --side, or --map";
        return false;
    }
    if (!o.Kind.empty() && o.Side == 0) {
        error = "--kind needs --side";
        return false;
    }
    return true;
}

// The figures of the run, printed as one JSON object.
class cFigures {
public:
    void Set(const std::string& key, double value) {
        if (Values.count(key) == 0) Order.push_back(key);
        Values[key] = value;
    }
    double Get(const std::string& key) const {
        const auto it = Values.find(key);
        return it == Values.end() ? 0.0 : it->second;
    }
    void Set_Text(const std::string& key, const std::string& value) { Texts.emplace_back(key, value); }
    void Print(std::ostream& out) const {
        out << "{";
        bool first = true;
        for (const auto& t : Texts) {
            out << (first ? "" : ", ") << "\"" << t.first << "\": \"" << t.second << "\"";
            first = false;
        }
        for (const std::string& key : Order) {
            char number[64];
            std::snprintf(number, sizeof number, "%.10g", Values.at(key));
            out << (first ? "" : ", ") << "\"" << key << "\": " << number;
            first = false;
        }
        out << "}\n";
    }

private:
    std::vector<std::pair<std::string, std::string>> Texts;
    std::vector<std::string> Order;
    std::map<std::string, double> Values;
};

// ------------------------------------------------------------------ breakdown

// One line of the breakdown: how many objects and the bytes they take,
// counted with BLOCK_OVERHEAD a heap block and with glibc's chunk sizes.
struct cShare {
    std::string What;
    double Count = 0;
    double Bytes = 0;
    double Glibc = 0;

    // A heap block holding n bytes.
    void Block(std::size_t n) {
        if (n == 0) return;
        Bytes += double(n + BLOCK_OVERHEAD);
        // glibc: the size plus an 8-byte header, rounded up to 16, at least 32.
        Glibc += double(std::max<std::size_t>(32, (n + 8 + 15) & ~std::size_t(15)));
    }
    void Blocks(std::size_t count, std::size_t n) {
        for (std::size_t i = 0; i < count; ++i) Block(n);
    }
    // An object of n bytes in the world's pool: no block of its own.
    void Pooled(std::size_t n) {
        Bytes += double(n);
        Glibc += double(n);
    }
};

// A std::list node holds two links and the value.
std::size_t List_Node(std::size_t value) { return 2 * sizeof(void*) + value; }

std::vector<cShare> Walk_World(const cGame_World& world) {
    cShare dividers{"tree nodes (dividers)"}, line_walls{"walls on a divider's line"}, areas{"areas"},
        pieces{"wall pieces"}, area_lists{"areas' portal lists"}, waypoints{"waypoints"}, portals{"portals"},
        neighbours{"neighbour list entries"}, level{"level walls and world lists"};
    // The tree: every node that is not an area divides.
    std::vector<const cGame_World::Node*> pending;
    if (world.Root != nullptr) pending.push_back(world.Root);
    while (!pending.empty()) {
        const cGame_World::Node* n = pending.back();
        pending.pop_back();
        if (n->Front != nullptr) pending.push_back(n->Front);
        if (n->Back != nullptr) pending.push_back(n->Back);
        if (dynamic_cast<const cSquarePortal*>(n) != nullptr) continue;
        dividers.Count += 1;
        dividers.Pooled(sizeof(cGame_World::Node));
        line_walls.Count += double(n->Line_Walls.size());
        line_walls.Block(n->Line_Walls.capacity() * sizeof(cHV_Wall));
    }
    for (const cSquarePortal* a : world.Areas) {
        if (a == nullptr) continue;
        areas.Count += 1;
        areas.Pooled(sizeof(cSquarePortal));
        areas.Block(a->Line_Walls.capacity() * sizeof(cHV_Wall));  // a leaf has none
        pieces.Count += double(a->Walls.size());
        pieces.Block(a->Walls.capacity() * sizeof(cHV_Seg*));
        for (std::size_t k = 0; k < a->Walls.size(); ++k) pieces.Pooled(sizeof(cHV_Seg));
        area_lists.Count += double(a->Portals.size());
        area_lists.Block(a->Portals.capacity() * sizeof(cPortal*));
        waypoints.Count += double(a->WayPoints.size());
        waypoints.Block(a->WayPoints.capacity() * sizeof(cAligned_WayPoint*));
        for (const cAligned_WayPoint* w : a->WayPoints) {
            waypoints.Pooled(sizeof(cAligned_WayPoint));
            neighbours.Count += double(w->Voisinage.size());
            for (std::size_t k = 0; k < w->Voisinage.size(); ++k) neighbours.Pooled(List_Node(sizeof(cA_Star_Node*)));
        }
    }
    for (const cPortal* p : world.Portals) {
        portals.Count += 1;
        portals.Pooled(sizeof(cPortal));
        neighbours.Count += double(p->Voisinage.size());
        for (std::size_t k = 0; k < p->Voisinage.size(); ++k) neighbours.Pooled(List_Node(sizeof(cA_Star_Node*)));
    }
    level.Count = double(world.Get_Level_Walls().size());
    level.Block(world.Get_Level_Walls().capacity() * sizeof(cHV_Wall));
    level.Block(world.Areas.capacity() * sizeof(cSquarePortal*));
    level.Block(world.Portals.capacity() * sizeof(cPortal*));
    // The pool holds the objects counted above as pooled; the rest of it is
    // the unused end of its last block and the list entries let go during
    // the build, waiting for reuse.
    double pooled = 0;
    for (const cShare* s : {&dividers, &areas, &pieces, &waypoints, &portals, &neighbours}) pooled += s->Bytes;
    // (the heap blocks among them: vectors of pointers, counted apart)
    double vectors = 0;
    for (const cSquarePortal* a : world.Areas) {
        if (a == nullptr) continue;
        cShare v;
        v.Block(a->Line_Walls.capacity() * sizeof(cHV_Wall));
        v.Block(a->Walls.capacity() * sizeof(cHV_Seg*));
        v.Block(a->WayPoints.capacity() * sizeof(cAligned_WayPoint*));
        vectors += v.Bytes;
    }
    cShare spare{"pool: unused end and freed list entries"};
    spare.Bytes = spare.Glibc = double(world.Pool_Footprint()) - (pooled - vectors);
    cShare engine{"fast engine indexes (its own count)"};
    engine.Bytes = engine.Glibc = double(world.Engine_Footprint());
    return {dividers, line_walls, areas, pieces, area_lists, waypoints, portals, neighbours, level, spare, engine};
}

void Print_Breakdown(const cGame_World& world, double walls, std::size_t world_heap, std::size_t world_rss,
                     const std::map<int, std::size_t>& agent_heap, cFigures& figures) {
    const std::vector<cShare> shares = Walk_World(world);
    std::fprintf(stderr,
                 "\nwhere the built world's bytes go (objects in the world's pool: their size; lists on the heap: "
                 "their size plus %zu bytes a heap block)\n",
                 BLOCK_OVERHEAD);
    std::fprintf(stderr, "  %-40s %12s %14s %10s %10s %14s\n", "part", "count", "bytes", "per item", "per wall",
                 "glibc chunks");
    double walked = 0, glibc = 0;
    int index = 0;
    for (const cShare& s : shares) {
        walked += s.Bytes;
        glibc += s.Glibc;
        std::fprintf(stderr, "  %-40s %12.0f %14.0f %10s %10.1f %14.0f\n", s.What.c_str(), s.Count, s.Bytes,
                     s.Count > 0 ? std::to_string(int(std::lround(s.Bytes / s.Count))).c_str() : "-",
                     s.Bytes / walls, s.Glibc);
        figures.Set("part" + std::to_string(index) + "_bytes", s.Bytes);
        figures.Set("part" + std::to_string(index) + "_count", s.Count);
        figures.Set("part" + std::to_string(index) + "_glibc", s.Glibc);
        figures.Set_Text("part" + std::to_string(index) + "_name", s.What);
        ++index;
    }
    std::fprintf(stderr, "  %-40s %12s %14.0f %10s %10.1f %14.0f\n", "sum of the walk", "", walked, "",
                 walked / walls, glibc);
    std::fprintf(stderr, "  %-40s %12s %14zu %10s %10.1f\n", "heap in use (allocator's count)", "", world_heap, "",
                 double(world_heap) / walls);
    std::fprintf(stderr, "  %-40s %12s %14.0f %10s %10.1f %14.0f\n", "heap in use - walk", "",
                 double(world_heap) - walked, "", (double(world_heap) - walked) / walls, double(world_heap) - glibc);
    std::fprintf(stderr, "  %-40s %12s %14zu %10s %10.1f\n", "resident size added", "", world_rss, "",
                 double(world_rss) / walls);
    figures.Set("walked_bytes", walked);
    figures.Set("walked_glibc_bytes", glibc);
    // The route structures for each size: a mesh built the same way, its
    // cells and portals counted, against what Prepare_Agent added.
    std::fprintf(stderr, "\nroute structures per agent size\n");
    std::fprintf(stderr, "  %-4s %10s %10s %10s %10s %12s %12s %12s %10s\n", "h", "cells", "B/cell", "portals",
                 "B/portal", "mesh bytes", "heap added", "other", "per wall");
    for (int h : HALF_SIZES) {
        cRoute_Mesh mesh;
        mesh.Build(world.Get_Level_Walls(), world.Get_Level_Doors(), world.Get_Bounds(), h);
        const double cells = double(mesh.Cells().size()), portals = double(mesh.Portals().size());
        const double footprint = double(mesh.Footprint());
        const double heap = double(agent_heap.at(h));
        std::fprintf(stderr, "  %-4d %10.0f %10zu %10.0f %10zu %12.0f %12.0f %12.0f %10.1f\n", h, cells,
                     sizeof(cRoute_Cell), portals, sizeof(cRoute_Portal), footprint, heap, heap - footprint,
                     heap / walls);
        // The rest of the mesh, as its layout has it: a flag byte a cell, and
        // the cell locator (a box tree holding each cell's index, the boxes
        // read from the cells, plus its nodes), and side links near doors.
        const double cell_bytes = cells * double(sizeof(cRoute_Cell));
        const double portal_bytes = portals * double(sizeof(cRoute_Portal));
        const double flag_bytes = cells;
        const double locator_items = cells * double(sizeof(int));
        const double rest = footprint - cell_bytes - portal_bytes - flag_bytes - locator_items;
        std::fprintf(stderr, "       cells %.1f, portals %.1f, cell flags %.1f, locator indexes %.1f, "
                     "locator nodes and side links %.1f B a wall\n",
                     cell_bytes / walls, portal_bytes / walls, flag_bytes / walls, locator_items / walls,
                     rest / walls);
        const std::string suffix = "_h" + std::to_string(h);
        figures.Set("route_cells" + suffix, cells);
        figures.Set("route_portals" + suffix, portals);
        figures.Set("route_cell_bytes" + suffix, cells * double(sizeof(cRoute_Cell)));
        figures.Set("route_portal_bytes" + suffix, portals * double(sizeof(cRoute_Portal)));
        figures.Set("route_locator_item_bytes" + suffix, locator_items);
        figures.Set("route_mesh_bytes" + suffix, footprint);
    }
}

// ------------------------------------------------------------------ queries

struct cPair {
    cPoint2D A, B;
};

// Keeps a result the timing must not lose.
volatile double kept_result = 0;
void benchmark_keep(double value) { kept_result = value; }

// Pairs of open cell centres that jump point search joins (fixed seed), and
// its median time on them (each query's least over the passes; the first
// pass is the one that picks the pairs).
std::vector<cPair> Route_Pairs(const cGrid_Map& map, int count, int passes, double& jps_median_ms) {
    std::vector<grid_baselines::cCell> open;
    for (int y = 0; y < map.Height; ++y)
        for (int x = 0; x < map.Width; ++x)
            if (!map.Is_Blocked(x, y)) open.push_back(grid_baselines::cCell{x, y});
    std::vector<cPair> pairs;
    std::vector<std::pair<grid_baselines::cCell, grid_baselines::cCell>> cells;
    std::vector<double> least;
    jps_median_ms = 0;
    if (open.size() < 2 || count == 0) return pairs;
    grid_baselines::cJump_Point_Search jps(map);
    std::mt19937 rng(17);
    for (int tries = 0; int(cells.size()) < count && tries < 100 * count; ++tries) {
        const grid_baselines::cCell a = open[rng() % open.size()], b = open[rng() % open.size()];
        if (a == b) continue;
        const auto start = std::chrono::steady_clock::now();
        const double length = jps.Find(a, b);
        const double ms = Milliseconds_Since(start);
        if (length <= 0) continue;
        cells.emplace_back(a, b);
        least.push_back(ms);
    }
    for (int pass = 1; pass < passes; ++pass)
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto start = std::chrono::steady_clock::now();
            benchmark_keep(jps.Find(cells[i].first, cells[i].second));
            least[i] = std::min(least[i], Milliseconds_Since(start));
        }
    if (!least.empty()) {
        std::sort(least.begin(), least.end());
        jps_median_ms = least[least.size() / 2];
    }
    for (const auto& c : cells)
        pairs.push_back(cPair{cPoint2D(c.first.X * CELL + CELL / 2, c.first.Y * CELL + CELL / 2),
                              cPoint2D(c.second.X * CELL + CELL / 2, c.second.Y * CELL + CELL / 2)});
    return pairs;
}

// Median and 95th percentile (nearest rank) of per-query times.
void Time_Figures(std::vector<double> least, double& median, double& p95) {
    median = p95 = 0;
    if (least.empty()) return;
    std::sort(least.begin(), least.end());
    median = least[least.size() / 2];
    p95 = least[std::max<std::size_t>(std::size_t(std::ceil(0.95 * double(least.size()))), 1) - 1];
}

}  // namespace

int main(int argc, char** argv) {
    cOptions options;
    std::string error;
    if (!Parse(argc, argv, options, error)) {
        std::cerr << "bench_scale: " << error << "\n"
                  << "usage: bench_scale --kind random10|random25|maze|rooms --side N [--seed S] [--pairs N] "
                     "[--passes P] [--breakdown]\n"
                     "       bench_scale --map FILE.map [--pairs N] [--passes P] [--breakdown]\n";
        return 2;
    }
    cFigures figures;
    cGrid_Map map;
    std::string name;
    if (!options.Map_File.empty()) {
        std::ifstream in(options.Map_File);
        if (!in) {
            std::cerr << "bench_scale: cannot open " << options.Map_File << "\n";
            return 1;
        }
        if (!Read_Grid_Map(in, map, error)) {
            std::cerr << "bench_scale: " << options.Map_File << ": " << error << "\n";
            return 1;
        }
        name = std::filesystem::path(options.Map_File).stem().string();
        figures.Set_Text("kind", "file");
    } else {
        if (!grid_maps::Generate(options.Kind, options.Side, options.Seed, map)) {
            std::cerr << "bench_scale: unknown kind '" << options.Kind << "' (random10, random25, maze, rooms)\n";
            return 2;
        }
        name = options.Kind + "-" + std::to_string(options.Side);
        figures.Set_Text("kind", options.Kind);
    }
    figures.Set_Text("map", name);
    figures.Set("side", map.Width);
    figures.Set("height", map.Height);
    std::fprintf(stderr, "%s: %d x %d cells\n", name.c_str(), map.Width, map.Height);

    // The level as import-grid writes it, imported once per map and kept.
    const std::string levels = options.Levels.empty() ? std::filesystem::temp_directory_path().string()
                                                      : options.Levels;
    std::filesystem::create_directories(levels);
    const std::string level_file =
        (std::filesystem::path(levels) / ("bsp_scale_" + name + "-s" + std::to_string(options.Seed) + ".txt"))
            .string();
    if (!std::filesystem::is_regular_file(level_file)) {
        const auto import_start = std::chrono::steady_clock::now();
        std::vector<cGrid_Wall> walls = Trace_Walls(map, CELL);
        const cStopwatch order;
        walls = Order_Walls(walls, cWall_Order::BALANCED);
        order.Record(figures, "order");
        // Written whole under another name first, so that a run stopped
        // halfway leaves no level for the next one to trust.
        const std::string partial = level_file + ".partial";
        {
            std::ofstream out(partial);
            Write_Level(out, map.Width * CELL, map.Height * CELL, walls);
            if (!out) {
                std::cerr << "bench_scale: cannot write " << partial << "\n";
                return 1;
            }
        }
        std::filesystem::rename(partial, level_file);
        figures.Set("import_ms", Milliseconds_Since(import_start));
    }
    figures.Set("text_bytes", double(std::filesystem::file_size(level_file)));
    const cRect2D bounds(cPoint2D(0, 0), cPoint2D(map.Width * CELL, map.Height * CELL));
    std::ostringstream quiet;  // the library's messages, if any
    cMessage_Redirect redirect(&quiet);

    // Loading the level file; its walls, in order, for the next load.
    std::vector<cHV_Wall> walls;
    {
        cGame_World world;
        const cStopwatch load;
        const cLoad_Result loaded = Load_Level(level_file, world);
        load.Record(figures, "load_text");
        if (!loaded) {
            std::cerr << "bench_scale: " << level_file << " does not load: " << loaded.Reason << "\n";
            return 1;
        }
        walls = world.Get_Level_Walls();
    }
    malloc_trim(0);

    // The same walls inserted one by one, then the build.
    const std::size_t heap_before = Heap_In_Use(), rss_before = Status_Bytes("VmRSS");
    cGame_World world;
    const cStopwatch insert;
    for (const cHV_Wall& w : walls) world.Insert(w);
    insert.Record(figures, "load_walls");
    // The list of walls is the caller's, not the world's: it goes before the
    // build, and what it held counts out of the world's memory.
    const std::size_t heap_with_list = Heap_In_Use(), rss_with_list = Status_Bytes("VmRSS");
    std::vector<cHV_Wall>().swap(walls);
    const std::size_t list_heap = heap_with_list - Heap_In_Use();
    const std::size_t list_rss = rss_with_list - std::min(rss_with_list, Status_Bytes("VmRSS"));
    Set_World_Bounds(world, bounds);
    const cStopwatch build;
    const BUILD_STATUS built = world.Build();
    build.Record(figures, "build");
    if (built != BUILD_DONE || !world.Is_Built()) {
        std::cerr << "bench_scale: the build failed with status " << int(built) << "\n";
        return 1;
    }
    const std::size_t world_heap = Heap_In_Use() + list_heap - heap_before;
    const std::size_t world_rss = Status_Bytes("VmRSS") + list_rss - rss_before;
    const double n_walls = double(world.Get_Level_Walls().size());
    std::size_t n_waypoints = 0;
    for (const cSquarePortal* a : world.Areas)
        if (a != nullptr) n_waypoints += a->WayPoints.size();
    figures.Set("walls", n_walls);
    figures.Set("areas", world.N_Areas);
    figures.Set("portals", world.N_Portals);
    figures.Set("waypoints", double(n_waypoints));
    figures.Set("world_bytes", double(world_heap));
    figures.Set("world_rss_bytes", double(world_rss));
    figures.Set("engine_bytes", double(world.Engine_Footprint()));
    std::fprintf(stderr, "%.0f walls, %d areas, %d portals; order %.0f ms, load text %.0f ms, walls %.0f ms, "
                 "build %.0f ms; world %.1f MB (%.0f B a wall)\n",
                 n_walls, world.N_Areas, world.N_Portals, figures.Get("order_ms"), figures.Get("load_text_ms"),
                 figures.Get("load_walls_ms"), figures.Get("build_ms"), double(world_heap) / 1e6,
                 double(world_heap) / n_walls);

    // The route structures of each size.
    std::map<int, std::size_t> agent_heap;
    for (int h : HALF_SIZES) {
        const std::size_t before = Heap_In_Use();
        const cStopwatch prepare;
        world.Prepare_Agent(h);
        const std::string suffix = "_h" + std::to_string(h);
        prepare.Record(figures, "agent" + suffix);
        agent_heap[h] = Heap_In_Use() - before;
        figures.Set("agent_bytes" + suffix, double(agent_heap[h]));
    }

    // Route queries on pairs of open cell centres.
    double jps_median = 0;
    const std::vector<cPair> pairs = Route_Pairs(map, options.Pairs, options.Passes, jps_median);
    figures.Set("pairs", double(pairs.size()));
    figures.Set("jps_median_ms", jps_median);
    std::vector<cPoint2D> path;
    for (int h : HALF_SIZES) {
        std::vector<double> least(pairs.size(), 1e300);
        int found = 0;
        for (int pass = 0; pass < options.Passes; ++pass)
            for (std::size_t i = 0; i < pairs.size(); ++i) {
                double length = 0;
                const auto start = std::chrono::steady_clock::now();
                const ROUTE_STATUS status = world.Find_Shortest_Path(pairs[i].A, pairs[i].B, h, path, &length);
                least[i] = std::min(least[i], Milliseconds_Since(start));
                if (pass == 0 && status == ROUTE_FOUND) ++found;
            }
        double median = 0, p95 = 0;
        Time_Figures(least, median, p95);
        const std::string suffix = "_h" + std::to_string(h);
        figures.Set("route_median_ms" + suffix, median);
        figures.Set("route_p95_ms" + suffix, p95);
        figures.Set("route_found" + suffix, found);
    }
    figures.Set("peak_rss_bytes", double(Status_Bytes("VmHWM")));

    if (options.Breakdown) Print_Breakdown(world, n_walls, world_heap, world_rss, agent_heap, figures);
    figures.Print(std::cout);
    std::cout.flush();
    // Taking the world apart takes seconds on the largest maps and is not
    // measured: the process ends without it.
    std::fflush(nullptr);
    std::_Exit(0);
}
