// The benchmarks' grid baselines (bench/grid_baselines.h): the tuned
// 8-connected A* and jump point search, against a plain Dijkstra search on
// random maps, against each other on the shared maps, and against the
// published optimal lengths of maps/arena.map.scen.
//
// GRID_BASELINE_MAPS=N runs N random maps instead of the suite's 150.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <queue>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "grid_baselines.h"
#include "grid_import.h"
#include "grid_map_gen.h"

using namespace bsp_levels;
using grid_baselines::cCell;
using grid_baselines::cJump_Point_Search;
using grid_baselines::cOctile_Astar;

namespace {

// When a diagonal step between two cells is allowed.
enum class cCorner_Rule {
    NONE,      // both cells beside the step free (no corner cutting)
    ONE_SIDE,  // at least one of them free
    ANY        // whatever they are
};

// Dijkstra's search from one cell over the whole map, with its own step
// rule: the lengths of shortest routes to every cell (-1 for none).
std::vector<double> Dijkstra(const cGrid_Map& map, cCell source, cCorner_Rule rule = cCorner_Rule::NONE) {
    const int w = map.Width, h = map.Height;
    auto free = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && !map.Is_Blocked(x, y); };
    std::vector<double> dist(std::size_t(w) * std::size_t(h), -1.0);
    if (!free(source.X, source.Y)) return dist;
    using cItem = std::pair<double, int>;
    std::priority_queue<cItem, std::vector<cItem>, std::greater<cItem>> queue;
    std::vector<char> done(dist.size(), 0);
    dist[std::size_t(source.Y * w + source.X)] = 0;
    queue.push({0.0, source.Y * w + source.X});
    while (!queue.empty()) {
        const cItem top = queue.top();
        queue.pop();
        if (done[std::size_t(top.second)]) continue;
        done[std::size_t(top.second)] = 1;
        const int x = top.second % w, y = top.second / w;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx == 0 && dy == 0) || !free(x + dx, y + dy)) continue;
                if (dx != 0 && dy != 0) {
                    const bool a = free(x + dx, y), b = free(x, y + dy);
                    if (rule == cCorner_Rule::NONE && !(a && b)) continue;
                    if (rule == cCorner_Rule::ONE_SIDE && !(a || b)) continue;
                }
                const double d = top.first + (dx != 0 && dy != 0 ? std::sqrt(2.0) : 1.0);
                double& best = dist[std::size_t((y + dy) * w + x + dx)];
                if (best < 0 || d < best) {
                    best = d;
                    queue.push({d, (y + dy) * w + x + dx});
                }
            }
    }
    return dist;
}

// Checks that path is a valid route from start to goal of the given length:
// consecutive points on one row, column or diagonal, every cell walked free,
// every diagonal step with both cells beside it free.
void Expect_Valid_Route(const cGrid_Map& map, cCell start, cCell goal, const std::vector<cCell>& path,
                        double length, const std::string& what) {
    ASSERT_FALSE(path.empty()) << what;
    EXPECT_EQ(path.front(), start) << what;
    EXPECT_EQ(path.back(), goal) << what;
    auto free = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < map.Width && y < map.Height && !map.Is_Blocked(x, y);
    };
    double walked = 0;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const int ddx = path[i].X - path[i - 1].X, ddy = path[i].Y - path[i - 1].Y;
        ASSERT_TRUE(ddx == 0 || ddy == 0 || std::abs(ddx) == std::abs(ddy)) << what << " leg " << i;
        ASSERT_FALSE(ddx == 0 && ddy == 0) << what << " leg " << i;
        const int sx = (ddx > 0) - (ddx < 0), sy = (ddy > 0) - (ddy < 0);
        int x = path[i - 1].X, y = path[i - 1].Y;
        while (x != path[i].X || y != path[i].Y) {
            if (sx != 0 && sy != 0) {
                ASSERT_TRUE(free(x + sx, y) && free(x, y + sy)) << what << " cuts a corner at " << x << "," << y;
                walked += std::sqrt(2.0);
            } else {
                walked += 1.0;
            }
            x += sx;
            y += sy;
            ASSERT_TRUE(free(x, y)) << what << " enters blocked cell " << x << "," << y;
        }
    }
    EXPECT_NEAR(walked, length, 1e-9 * std::max(1.0, length)) << what;
}

bool Same_Length(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a)); }

cGrid_Map Map_Of(const std::vector<std::string>& rows) {
    cGrid_Map map;
    map.Height = int(rows.size());
    map.Width = rows.empty() ? 0 : int(rows[0].size());
    map.Rows = rows;
    return map;
}

cGrid_Map Read_Map_File(const std::string& name) {
    std::ifstream in(std::string(MAPS_DIR) + "/" + name);
    cGrid_Map map;
    std::string error;
    EXPECT_TRUE(Read_Grid_Map(in, map, error)) << name << ": " << error;
    return map;
}

// Both searches on every goal against the oracle's lengths from start.
void Check_From(const cGrid_Map& map, cOctile_Astar& astar, cJump_Point_Search& jps, cCell start,
                const std::vector<cCell>& goals, const std::string& name) {
    const std::vector<double> oracle = Dijkstra(map, start);
    std::vector<cCell> path;
    for (const cCell& goal : goals) {
        const bool inside = goal.X >= 0 && goal.Y >= 0 && goal.X < map.Width && goal.Y < map.Height;
        const double expected = inside ? oracle[std::size_t(goal.Y * map.Width + goal.X)] : -1.0;
        const std::string what = name + " from " + std::to_string(start.X) + "," + std::to_string(start.Y) +
                                 " to " + std::to_string(goal.X) + "," + std::to_string(goal.Y);
        const double a = astar.Find(start, goal, &path);
        if (expected < 0) {
            EXPECT_EQ(a, -1.0) << "A* " << what;
            EXPECT_TRUE(path.empty()) << "A* " << what;
        } else {
            EXPECT_TRUE(Same_Length(a, expected)) << "A* " << what << ": " << a << " vs " << expected;
            Expect_Valid_Route(map, start, goal, path, a, "A* " + what);
        }
        const double j = jps.Find(start, goal, &path);
        if (expected < 0) {
            EXPECT_EQ(j, -1.0) << "JPS " << what;
            EXPECT_TRUE(path.empty()) << "JPS " << what;
        } else {
            EXPECT_TRUE(Same_Length(j, expected)) << "JPS " << what << ": " << j << " vs " << expected;
            Expect_Valid_Route(map, start, goal, path, j, "JPS " + what);
        }
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(GridBaselines, AgreeWithDijkstraOnRandomMaps) {
    const char* env = std::getenv("GRID_BASELINE_MAPS");
    const int maps = env != nullptr ? std::max(1, std::atoi(env)) : 150;
    // Widths and heights about one and two words of bits, where the jumps'
    // 64-cell reads cross word borders.
    const int sides[] = {1, 2, 3, 7, 31, 63, 64, 65, 127, 128, 129};
    std::mt19937 rng(2024);
    for (int m = 0; m < maps && !HasFailure(); ++m) {
        const int w = m % 3 == 0 ? sides[rng() % 11] : 1 + int(rng() % 90);
        const int h = m % 3 == 1 ? sides[rng() % 11] : 1 + int(rng() % 90);
        const int percent = int(rng() % 45);
        cGrid_Map map = grid_maps::Empty_Map(w, h, '.');
        for (std::string& row : map.Rows)
            for (char& c : row)
                if (int(rng() % 100) < percent) c = '@';
        cOctile_Astar astar(map);
        cJump_Point_Search jps(map);
        const std::string name = "map " + std::to_string(m) + " (" + std::to_string(w) + "x" + std::to_string(h) +
                                 ", " + std::to_string(percent) + "%)";
        for (int s = 0; s < 3 && !HasFailure(); ++s) {
            const cCell start{int(rng() % unsigned(w)), int(rng() % unsigned(h))};
            std::vector<cCell> goals{start};
            for (int g = 0; g < 60; ++g) goals.push_back(cCell{int(rng() % unsigned(w)), int(rng() % unsigned(h))});
            Check_From(map, astar, jps, start, goals, name);
        }
    }
}

TEST(GridBaselines, GeneratedAndSharedMapsAgreeWithDijkstra) {
    std::vector<std::pair<std::string, cGrid_Map>> maps;
    for (const char* file : {"den012d.map", "maze512-1-0.map", "random512-10-0.map"})
        maps.emplace_back(file, Read_Map_File(file));
    maps.emplace_back("rooms 300", grid_maps::Rooms_Map(300, 5));
    maps.emplace_back("maze 301", grid_maps::Maze_Map(301, 5));
    maps.emplace_back("random 25% 200", grid_maps::Random_Map(200, 25, 5));
    std::mt19937 rng(99);
    for (const auto& named : maps) {
        const cGrid_Map& map = named.second;
        ASSERT_GT(map.Width, 0) << named.first;
        std::vector<cCell> open;
        for (int y = 0; y < map.Height; ++y)
            for (int x = 0; x < map.Width; ++x)
                if (!map.Is_Blocked(x, y)) open.push_back(cCell{x, y});
        cOctile_Astar astar(map);
        cJump_Point_Search jps(map);
        for (int s = 0; s < 2; ++s) {
            const cCell start = open[rng() % open.size()];
            std::vector<cCell> goals;
            for (int g = 0; g < 50; ++g) goals.push_back(open[rng() % open.size()]);
            Check_From(map, astar, jps, start, goals, named.first);
            if (HasFailure()) return;
        }
    }
}

// The published scenario lengths assume no corner cutting: with it the
// searches match every line; a diagonal step beside a blocked cell would
// shorten some of them.
TEST(GridBaselines, MatchThePublishedArenaScenarios) {
    const cGrid_Map map = Read_Map_File("arena.map");
    std::ifstream in(std::string(MAPS_DIR) + "/arena.map.scen");
    ASSERT_TRUE(in) << "arena.map.scen";
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.rfind("version 1", 0), 0u);
    cOctile_Astar astar(map);
    cJump_Point_Search jps(map);
    int lines = 0, shorter_one_side = 0, shorter_any = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line == "\r") continue;
        if (line.rfind("//", 0) == 0) break;  // the file ends with the benchmarks' citation
        std::istringstream fields(line);
        int bucket, width, height, sx, sy, gx, gy;
        std::string name;
        double length;
        ASSERT_TRUE(fields >> bucket >> name >> width >> height >> sx >> sy >> gx >> gy >> length) << line;
        ASSERT_EQ(width, map.Width);
        ASSERT_EQ(height, map.Height);
        ++lines;
        // The file gives lengths to 8 decimals.
        const double a = astar.Find(cCell{sx, sy}, cCell{gx, gy});
        const double j = jps.Find(cCell{sx, sy}, cCell{gx, gy});
        EXPECT_NEAR(a, length, 1e-7) << line;
        EXPECT_NEAR(j, length, 1e-7) << line;
        const double one_side = Dijkstra(map, cCell{sx, sy}, cCorner_Rule::ONE_SIDE)[std::size_t(gy * width + gx)];
        const double any = Dijkstra(map, cCell{sx, sy}, cCorner_Rule::ANY)[std::size_t(gy * width + gx)];
        shorter_one_side += one_side < length - 1e-7;
        shorter_any += any < length - 1e-7;
    }
    EXPECT_GT(lines, 100);
    EXPECT_GT(shorter_one_side, 0);
    EXPECT_GT(shorter_any, 0);
}

TEST(GridBaselines, HandMadeCases) {
    const double r2 = std::sqrt(2.0);
    struct cCase {
        const char* Name;
        std::vector<std::string> Rows;
        cCell Start, Goal;
        double Length;  // -1: no route
    };
    const cCase cases[] = {
        {"one cell, start is goal", {"."}, {0, 0}, {0, 0}, 0.0},
        {"start is goal on a larger map", {"...", "...", "..."}, {1, 1}, {1, 1}, 0.0},
        {"blocked start", {"@.."}, {0, 0}, {2, 0}, -1.0},
        {"blocked goal", {"..@"}, {0, 0}, {2, 0}, -1.0},
        {"start outside the map", {"..."}, {-1, 0}, {2, 0}, -1.0},
        {"goal outside the map", {"..."}, {0, 0}, {3, 0}, -1.0},
        {"goal below the map", {"..."}, {0, 0}, {0, 1}, -1.0},
        {"no corner cutting between diagonal blocks", {".@", "@."}, {0, 0}, {1, 1}, -1.0},
        {"one side blocked still forbids the diagonal", {"..", "@."}, {0, 0}, {1, 1}, 2.0},
        {"open diagonal", {"..", ".."}, {0, 0}, {1, 1}, r2},
        {"walled off", {"..@..", "..@..", "..@.."}, {0, 1}, {4, 1}, -1.0},
        {"long row across word borders", {std::string(200, '.')}, {0, 0}, {199, 0}, 199.0},
        {"long column", std::vector<std::string>(150, "."), {0, 149}, {0, 0}, 149.0},
        {"around a wall, no diagonal past its ends", {".....", ".@@@.", "....."}, {0, 1}, {4, 1}, 6.0},
        {"a room reached only by a cut corner", {".....", "@@@.@", "...@."}, {0, 0}, {0, 2}, -1.0},
        {"detour through a gap", {"..@..", "..@..", "....."}, {0, 0}, {4, 0}, 4 + 2 * r2},
    };
    for (const cCase& c : cases) {
        const cGrid_Map map = Map_Of(c.Rows);
        cOctile_Astar astar(map);
        cJump_Point_Search jps(map);
        std::vector<cCell> path;
        for (int run = 0; run < 2; ++run) {  // the second run reuses the search state
            const double a = astar.Find(c.Start, c.Goal, &path);
            EXPECT_NEAR(a, c.Length, 1e-12) << c.Name << " (A*)";
            if (c.Length >= 0) Expect_Valid_Route(map, c.Start, c.Goal, path, a, c.Name);
            const double j = jps.Find(c.Start, c.Goal, &path);
            EXPECT_NEAR(j, c.Length, 1e-12) << c.Name << " (JPS)";
            if (c.Length >= 0) Expect_Valid_Route(map, c.Start, c.Goal, path, j, c.Name);
            if (c.Length < 0) {
                EXPECT_TRUE(path.empty()) << c.Name;
            }
        }
    }
}

// The generated maps the benchmarks use: the sizes asked for, blocked
// shares near the ones named, and mazes and dungeons with every free cell
// reachable from every other.
TEST(GridBaselines, GeneratedMapsHaveTheirShape) {
    for (const char* kind : {"random10", "random25", "maze", "rooms"}) {
        cGrid_Map map;
        ASSERT_TRUE(grid_maps::Generate(kind, 257, 3, map));
        ASSERT_EQ(map.Width, 257);
        ASSERT_EQ(map.Height, 257);
        ASSERT_EQ(map.Rows.size(), 257u);
        std::vector<cCell> open;
        for (int y = 0; y < map.Height; ++y) {
            ASSERT_EQ(map.Rows[std::size_t(y)].size(), 257u);
            for (int x = 0; x < map.Width; ++x)
                if (!map.Is_Blocked(x, y)) open.push_back(cCell{x, y});
        }
        const double blocked = 1.0 - double(open.size()) / (257.0 * 257.0);
        const std::string name = kind;
        if (name == "random10") {
            EXPECT_NEAR(blocked, 0.10, 0.01);
        } else if (name == "random25") {
            EXPECT_NEAR(blocked, 0.25, 0.01);
        } else if (name == "maze") {
            EXPECT_NEAR(blocked, 0.5, 0.02);
        }
        if (name == "rooms") {
            EXPECT_GT(blocked, 0.03);
            EXPECT_LT(blocked, 0.2);
        }
        if (name == "maze" || name == "rooms") {
            const std::vector<double> dist = Dijkstra(map, open.front());
            int unreachable = 0;
            for (const cCell& c : open) unreachable += dist[std::size_t(c.Y * map.Width + c.X)] < 0;
            EXPECT_EQ(unreachable, 0) << kind;
        }
    }
    cGrid_Map unknown;
    EXPECT_FALSE(grid_maps::Generate("caves", 64, 1, unknown));
}

}  // namespace
