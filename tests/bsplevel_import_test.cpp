// bsplevel's importers, run in-process: import-grid on hand-made grids and
// the arena map (every border traced once, the orders, the solid points),
// malformed maps, and import-tiled's levels and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "bsplevel_run.h"
#include "game_bsp.h"
#include "level_loader.h"

using namespace bsp_levels;

namespace {

const std::string DATA = BSPLEVEL_TEST_DATA;
const std::string ARENA = DATA + "/arena.map";
const std::string TILED = DATA + "/../tiled/";

struct cGrid_Case {
    std::string Name;
    std::string Map;
    std::vector<std::string> Options;
    std::string Level;
};

TEST(BsplevelImport, HandMadeGrids) {
    const std::string header = "type octile\nheight ";
    const cGrid_Case cases[] = {
        // Blocked cells (1,1), (2,1), (1,2) and, in the corner, (4,3). The
        // corner cell's outer sides lie on the map's edge: no wall there.
        {"shape",
         header + "4\nwidth 5\nmap\n.....\n.@@..\n.@...\n....T\n",
         {"--order", "scan"},
         "<AREA>\n[50,40]\n<WALLS>\n"
         "[10,10]->[30,10]\n[20,20]->[30,20]\n[10,30]->[20,30]\n[40,30]->[50,30]\n"
         "[10,10]->[10,30]\n[20,20]->[20,30]\n[30,10]->[30,20]\n[40,30]->[40,40]\n"
         "<SOLID>\n[15,15]\n[45,35]\n"},
        // Border pieces on one line merge even where the blocked side changes.
        {"diagonal", header + "2\nwidth 2\nmap\n@.\n.@\n", {"--order", "scan", "--cell", "3"},
         "<AREA>\n[6,6]\n<WALLS>\n[0,3]->[6,3]\n[3,0]->[3,6]\n<SOLID>\n[1,1]\n[4,4]\n"},
        // --no-solid leaves the rock out.
        {"diagonal_without_solid", header + "2\nwidth 2\nmap\n@.\n.@\n",
         {"--order", "scan", "--cell", "3", "--no-solid"}, "<AREA>\n[6,6]\n<WALLS>\n[0,3]->[6,3]\n[3,0]->[3,6]\n"},
        // '.', 'G' and 'S' are free; CR LF line ends; the header's lines in any order.
        {"crlf", "width 3\r\ntype octile\r\nheight 1\r\nmap\r\nG@S\r\n", {"--cell", "1"},
         "<AREA>\n[3,1]\n<WALLS>\n[1,0]->[1,1]\n[2,0]->[2,1]\n"},
        // No border at all: no <WALLS> section (a tag line needs an item).
        {"open", header + "2\nwidth 3\nmap\n...\n...\n", {}, "<AREA>\n[30,20]\n"},
        {"solid", header + "1\nwidth 2\nmap\n@T\n", {"--order", "longest"}, "<AREA>\n[20,10]\n"},
    };
    for (const cGrid_Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string map = Temp(c.Name + ".map"), level = Temp(c.Name + ".txt");
        Write(map, c.Map);
        std::vector<std::string> args = {"import-grid", map, "-o", level};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const cResult r = Tool(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(Read(level), c.Level);
        // The level loads whole and builds.
        const cResult info = Tool({"info", level});
        EXPECT_NE(info.Out.find("\nloaded: yes\nbuilt: yes\n"), std::string::npos) << info.Out << info.Err;
        EXPECT_EQ(info.Err, "");
    }
}

TEST(BsplevelImport, MalformedMaps) {
    const std::pair<std::string, std::string> cases[] = {
        {"type octile\nheight 2\nwidth 3\nmap\n...\n..\n", "line 6: the header says width 3 but the row holds 2 characters"},
        {"type octile\nheight 3\nwidth 3\nmap\n...\n...\n", "the header says height 3 but the file holds 2 rows"},
        {"type octile\nheight 1\nwidth 3\nmap\n...\n...\n", "line 6: the header says height 1 but the file holds more rows"},
        // Headers that promise far more than the file holds are refused like
        // any other, without trying to make room for what they promise.
        {"type octile\nheight 5000000\nwidth 3\nmap\n...\n...\n...\n...\n...\n",
         "the header says height 5000000 but the file holds 5 rows"},
        {"type octile\nheight 5\nwidth 5000000\nmap\n...\n...\n...\n...\n...\n",
         "line 5: the header says width 5000000 but the row holds 3 characters"},
        {"type octile\nheight 2147483647\nwidth 2147483647\nmap\n...\n",
         "line 5: the header says width 2147483647 but the row holds 3 characters"},
        {"type octile\nheight two\nwidth 3\nmap\n...\n", "line 2: expected \"type T\", \"height H\", \"width W\" or \"map\""},
        {"type octile\nheight 0\nwidth 3\nmap\n", "line 2: expected \"type T\", \"height H\", \"width W\" or \"map\""},
        {"type octile\nwidth 3\nmap\n...\n", "the header needs \"type\", \"height\" and \"width\" before \"map\""},
        {"type octile\nheight 1\nwidth 1\n", "no \"map\" line: not a grid map"},
        {"", "no \"map\" line: not a grid map"},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const std::string map = Temp("bad" + std::to_string(++number) + ".map");
        Write(map, c.first);
        const cResult r = Tool({"import-grid", map, "-o", "-"});
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err, "bsplevel: import-grid: " + map + ": " + c.second + "\n");
        EXPECT_EQ(r.Out, "");
    }
    const cResult missing = Tool({"import-grid", DATA + "/no-such.map", "-o", "-"});
    EXPECT_EQ(missing.Err, "bsplevel: import-grid: cannot read map file '" + DATA + "/no-such.map'\n");
    EXPECT_EQ(missing.Status, 2);
}

// A map whose header claims five million rows over five: one error line,
// status 2, and no level written.
TEST(BsplevelImport, LyingHeaderIsOneErrorLineAndNoLevel) {
    const std::string map = Temp("lying-header.map"), level = Temp("lying-header.txt");
    Write(map, "type octile\nheight 5000000\nwidth 4\nmap\n....\n.@@.\n.@..\n....\n....\n");
    std::remove(level.c_str());
    const cResult r = Tool({"import-grid", map, "-o", level});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "bsplevel: import-grid: " + map + ": the header says height 5000000 but the file holds 5 rows\n");
    EXPECT_FALSE(std::ifstream(level).good()) << "a level was written";
}

struct cLevel_Wall {
    int X1, Y1, X2, Y2;
    bool operator<(const cLevel_Wall& o) const {
        return std::tie(X1, Y1, X2, Y2) < std::tie(o.X1, o.Y1, o.X2, o.Y2);
    }
    bool operator==(const cLevel_Wall& o) const {
        return std::tie(X1, Y1, X2, Y2) == std::tie(o.X1, o.Y1, o.X2, o.Y2);
    }
};

// The walls of a level file written by import-grid.
std::vector<cLevel_Wall> Walls_Of(const std::string& level) {
    std::istringstream in(level);
    std::string line;
    std::vector<cLevel_Wall> walls;
    while (std::getline(in, line)) {
        cLevel_Wall w;
        if (std::sscanf(line.c_str(), "[%d,%d]->[%d,%d]", &w.X1, &w.Y1, &w.X2, &w.Y2) == 4) walls.push_back(w);
    }
    return walls;
}

std::map<std::string, long> Info_Json(const std::string& level) {
    const cResult r = Tool({"info", level, "--json"});
    EXPECT_EQ(r.Status, 0);
    std::map<std::string, long> numbers;
    for (const std::string key : {"walls", "wall_nodes", "tree_depth", "areas", "portals", "waypoints"}) {
        const auto at = r.Out.find("\"" + key + "\":");
        EXPECT_NE(at, std::string::npos) << key;
        if (at != std::string::npos) numbers[key] = std::stol(r.Out.substr(at + key.size() + 3));
    }
    EXPECT_NE(r.Out.find("\"loaded\":true,\"built\":true,"), std::string::npos) << r.Out;
    return numbers;
}

// Every unit border between a blocked and a free cell of arena.map lies on
// exactly one wall, every wall is made of such borders only, and no two walls
// on one line meet end to end (they would have been merged).
TEST(BsplevelImport, ArenaWallsTraceEveryBorderOnce) {
    std::ifstream map_file(ARENA);
    std::string line;
    std::vector<std::string> rows;
    bool in_map = false;
    while (std::getline(map_file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (in_map) rows.push_back(line);
        if (line == "map") in_map = true;
    }
    ASSERT_EQ(rows.size(), 49u);
    const int height = int(rows.size()), width = int(rows[0].size());
    auto blocked = [&](int x, int y) { return rows[std::size_t(y)][std::size_t(x)] != '.'; };

    const std::string level = Temp("arena.txt");
    ASSERT_EQ(Tool({"import-grid", ARENA, "-o", level}).Status, 0);
    const std::string text = Read(level);
    EXPECT_EQ(text.rfind("<AREA>\n[490,490]\n<WALLS>\n", 0), 0u);
    const std::vector<cLevel_Wall> walls = Walls_Of(text);

    // Unit borders, (x, y, horizontal): the border above cell (x,y) or left of it.
    std::set<std::tuple<int, int, bool>> covered;
    for (const cLevel_Wall& w : walls) {
        ASSERT_TRUE(w.X1 % 10 == 0 && w.Y1 % 10 == 0 && w.X2 % 10 == 0 && w.Y2 % 10 == 0);
        const bool horizontal = w.Y1 == w.Y2;
        ASSERT_TRUE(horizontal ? w.X1 < w.X2 : (w.X1 == w.X2 && w.Y1 < w.Y2));
        for (int a = horizontal ? w.X1 : w.Y1; a < (horizontal ? w.X2 : w.Y2); a += 10) {
            const int x = horizontal ? a / 10 : w.X1 / 10, y = horizontal ? w.Y1 / 10 : a / 10;
            ASSERT_TRUE(horizontal ? (y > 0 && y < height && blocked(x, y - 1) != blocked(x, y))
                                   : (x > 0 && x < width && blocked(x - 1, y) != blocked(x, y)))
                << "no border at " << x << "," << y;
            EXPECT_TRUE(covered.insert({x, y, horizontal}).second) << "two walls on " << x << "," << y;
        }
    }
    std::size_t borders = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (y > 0 && blocked(x, y - 1) != blocked(x, y)) ++borders;
            if (x > 0 && blocked(x - 1, y) != blocked(x, y)) ++borders;
        }
    EXPECT_EQ(covered.size(), borders);
    std::set<std::tuple<int, int, bool>> starts;
    for (const cLevel_Wall& w : walls) starts.insert({w.X1, w.Y1, w.Y1 == w.Y2});
    for (const cLevel_Wall& w : walls)
        EXPECT_EQ(starts.count({w.X2, w.Y2, w.Y1 == w.Y2}), 0u) << "unmerged walls at " << w.X2 << "," << w.Y2;
}

// The orders write the same walls; the balanced order gives the smallest
// and shallowest tree, and its level answers path queries.
TEST(BsplevelImport, ArenaOrders) {
    std::map<std::string, std::map<std::string, long>> stats;
    std::vector<cLevel_Wall> reference;
    for (const std::string order : {"scan", "longest", "balanced"}) {
        SCOPED_TRACE(order);
        const std::string level = Temp("arena-" + order + ".txt");
        ASSERT_EQ(Tool({"import-grid", ARENA, "-o", level, "--order", order}).Status, 0);
        std::vector<cLevel_Wall> walls = Walls_Of(Read(level));
        std::sort(walls.begin(), walls.end());
        if (reference.empty()) reference = walls;
        EXPECT_TRUE(std::equal(walls.begin(), walls.end(), reference.begin(), reference.end()));
        stats[order] = Info_Json(level);
        EXPECT_EQ(stats[order]["walls"], long(walls.size()));
        EXPECT_EQ(stats[order]["areas"], stats[order]["wall_nodes"] + 1);
    }
    for (const std::string other : {"scan", "longest"}) {
        EXPECT_LE(stats["balanced"]["wall_nodes"], stats[other]["wall_nodes"]) << other;
        EXPECT_LE(stats["balanced"]["tree_depth"], stats[other]["tree_depth"]) << other;
    }
    EXPECT_LT(stats["balanced"]["tree_depth"], stats["scan"]["tree_depth"]);

    // Across the arena, from the free cell (3,3) to the free cell (45,45).
    const cResult path = Tool({"path", Temp("arena-balanced.txt"), "35", "35", "455", "455"});
    EXPECT_EQ(path.Status, 0);
    const std::string last = "\n455 455\n";
    ASSERT_GE(path.Out.size(), last.size());
    EXPECT_EQ(path.Out.substr(path.Out.size() - last.size()), last);
}

// import-grid --solid: one point per group of blocked cells, the centre of
// its first cell; the corner group (4,3) touches the map's edge.
TEST(BsplevelImport, SolidPointsOfAGrid) {
    const std::string map = Temp("solid.map");
    Write(map, "type octile\nheight 4\nwidth 5\nmap\n.....\n.@@..\n.@...\n....T\n");
    const cResult r = Tool({"import-grid", map, "-o", "-", "--order", "scan", "--solid"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out,
              "<AREA>\n[50,40]\n<WALLS>\n"
              "[10,10]->[30,10]\n[20,20]->[30,20]\n[10,30]->[20,30]\n[40,30]->[50,30]\n"
              "[10,10]->[10,30]\n[20,20]->[20,30]\n[30,10]->[30,20]\n[40,30]->[40,40]\n"
              "<SOLID>\n[15,15]\n[45,35]\n");
}

// ------------------------------------------------------------------ import-tiled

// The written level loads whole and builds in every order and scale; its
// polygon "room" is closed, so no route leads out of it.
TEST(BsplevelImportTiled, WritesALevelThatLoadsAndBuilds) {
    struct cCase {
        std::string Map;
        std::vector<std::string> Options;
        int Scale;
    };
    const cCase cases[] = {
        {"small_csv.tmx", {}, 1},
        {"small_zlib.tmj", {"--order", "longest"}, 1},
        {"infinite_csv.tmx", {"--order", "scan", "--scale", "2"}, 2},
        {"small_gzip.tmx", {"--solid-property", "solid", "--scale", "3"}, 3},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Map);
        const std::string level = Temp("tiled-" + c.Map + ".txt");
        std::vector<std::string> args = {"import-tiled", TILED + c.Map, "-o", level};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const cResult r = Tool(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err, "");
        const int scale = c.Scale;
        const cRect2D saved = WORLD_BOUNDS;
        cGame_World world;
        EXPECT_TRUE(cLevel_Loader().Load(level.c_str(), &world));
        EXPECT_EQ(WORLD_BOUNDS.Max, cPoint2D(128 * scale, 96 * scale));
        EXPECT_EQ(world.Build(), BUILD_DONE);
        std::vector<cPoint2D> path;
        EXPECT_FALSE(world.Find_Path(cPoint2D(10 * scale, 65 * scale), cPoint2D(60 * scale, 10 * scale), path));
        EXPECT_TRUE(world.Find_Path(cPoint2D(60 * scale, 10 * scale), cPoint2D(60 * scale, 90 * scale), path));
        WORLD_BOUNDS = saved;
    }
}

TEST(BsplevelImportTiled, SolidWritesTheSolidSection) {
    const cResult r = Tool({"import-tiled", TILED + "small_base64.tmj", "-o", "-", "--solid", "--order", "scan"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    const std::string solid =
        "\n[112,80]->[112,96]\n[112,8]->[112,28]\n[112,28]->[120,28]\n<SOLID>\n[4,4]\n[72,36]\n[12,62]\n[116,82]\n";
    ASSERT_GE(r.Out.size(), solid.size());
    EXPECT_EQ(r.Out.substr(r.Out.size() - solid.size()), solid);
    EXPECT_EQ(r.Out.rfind("<AREA>\n[128,96]\n<WALLS>\n", 0), 0u);
    // It is the default; --no-solid leaves it out.
    EXPECT_EQ(Tool({"import-tiled", TILED + "small_base64.tmj", "-o", "-", "--order", "scan"}).Out, r.Out);
    EXPECT_EQ(Tool({"import-tiled", TILED + "small_base64.tmj", "-o", "-", "--no-solid"}).Out.find("<SOLID>"),
              std::string::npos);
}

TEST(BsplevelImportTiled, ErrorsAreOneLineWithStatusTwoAndNoLevel) {
    const std::string map = TILED + "small_csv.tmx";
    // A refused map's reason follows its file name.
    auto refused = [](const std::string& file, const std::string& reason) { return TILED + file + ": " + reason; };
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{TILED + "zstd.tmx"}, refused("zstd.tmx", "layer \"Ground\": zstd compression is not supported")},
        {{TILED + "ellipse.tmx"}, refused("ellipse.tmx", "layer \"Objects\": object 4 \"bush\": ellipses are not supported")},
        {{map, "--solid-property", "lava"},
         refused("small_csv.tmx",
                 "no tile of the tilesets has the bool property \"lava\" = true (bool properties that tiles have: \"solid\")")},
        {{map, "--layer", "Roof"},
         refused("small_csv.tmx",
                 "no layer named \"Roof\" (layers: tile \"Ground\", tile \"Collision\", object \"Objects\")")},
        {{map, "--scale", "1000000"},
         refused("small_csv.tmx",
                 "the level would measure 128000000 x 96000000 units, beyond the coordinate limit 100000000")},
        {{map, "--scale", "0"}, "--scale S must be at least 1, got '0'"},
        {{map, "--scale", "x"}, "--scale S must be an integer, got 'x'"},
        {{map, "--order", "random"}, "--order must be balanced, longest or scan, got 'random'"},
        {{map, "--solid-property", ""}, "--solid-property NAME must not be empty"},
        {{TILED + "no-such.tmx"}, "cannot read map file '" + TILED + "no-such.tmx'"},
    };
    const std::string level = Temp("tiled-refused.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        std::remove(level.c_str());
        std::vector<std::string> args = {"import-tiled"};
        args.insert(args.end(), c.first.begin(), c.first.end());
        args.insert(args.end(), {"-o", level});
        const cResult r = Tool(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err, "bsplevel: import-tiled: " + c.second + "\n");
        EXPECT_FALSE(std::ifstream(level).good()) << "a level was written";
    }
    EXPECT_EQ(Tool({"import-tiled", map}).Err,
              "bsplevel: import-tiled: missing -o LEVEL (usage: bsplevel import-tiled MAP -o LEVEL [--layer NAME] "
              "[--solid-property NAME] [--scale S] [--order balanced|longest|scan] [--solid] [--no-solid] [--verbose])\n");
}

// A grid map imported with its rock: two points in the rock have no route.
TEST(BsplevelImport, ImportedMapKnowsItsRock) {
    const std::string level = Temp("arena_rock.txt");
    ASSERT_EQ(Tool({"import-grid", ARENA, "-o", level}).Status, 0);
    const cResult info = Tool({"info", level, "--json"});
    EXPECT_EQ(info.Out.find("\"solid_areas\":0"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("\"solid_areas\":"), std::string::npos) << info.Out;
    const cResult rock = Tool({"path", level, "5", "5", "15", "15"});
    EXPECT_EQ(rock.Status, 1);
    EXPECT_EQ(rock.Err, "bsplevel: path: the start (5,5) lies in solid space\n");
}

}  // namespace
