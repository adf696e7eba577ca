// bsplevel's importers, run in-process: import-grid on hand-made grids and
// the arena map (every border traced once, the orders, the solid points),
// malformed maps; import-tiled's and import-ldtk's levels, their notes, their
// listings and their refusals.
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
        std::string Layer;  // the collision tile layer, named in the notes
        int Tiles;          // its tiles that block
    };
    const cCase cases[] = {
        {"small_csv.tmx", {}, 1, "Collision", 7},
        {"small_zlib.tmj", {"--order", "longest"}, 1, "Blockers", 7},
        {"infinite_csv.tmx", {"--order", "scan", "--scale", "2"}, 2, "Collision", 7},
        {"small_gzip.tmx", {"--solid-property", "solid", "--scale", "3"}, 3, "Collision", 6},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Map);
        const std::string level = Temp("tiled-" + c.Map + ".txt");
        std::vector<std::string> args = {"import-tiled", TILED + c.Map, "-o", level};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const cResult r = Tool(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, "");
        // What was used, one note a line, on standard error.
        const std::string prefix = "bsplevel: import-tiled: " + TILED + c.Map + ": ";
        EXPECT_EQ(r.Err, prefix + "layer \"" + c.Layer + "\": collision layer, " + std::to_string(c.Tiles) +
                             " tiles block\n" + prefix + "layer \"Objects\": collision layer, 3 objects block\n");
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
    EXPECT_EQ(r.Err.find("<"), std::string::npos) << "the level went to standard error";
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
        {{map, "--layer", ""}, "--layer NAME must not be empty"},
        {{map, "--object-class", " , "}, "--object-class LIST names no class, got ' , ' (give one or more, separated by commas)"},
        {{map, "--max-tiles", "0"}, "--max-tiles N must be at least 1, got '0'"},
        // The tiles of the map's tile layers are counted before any is
        // unpacked: two layers of 8 x 6 tiles are 96.
        {{map, "--max-tiles", "95"},
         refused("small_csv.tmx", "layer \"Collision\": 8 x 6 tiles: the map's tile layers would hold more than 95 "
                                  "tiles, the limit for a map (--max-tiles N raises it)")},
        {{map, "--list"}, "--list prints what the map holds and writes no level: leave out -o"},
        // No silent empty level: a collision layer that blocks every cell.
        {{TILED + "small_csv.tmx", "--layer", "Ground"},
         refused("small_csv.tmx", "layer \"Ground\" blocks every one of the map's 48 cells, so the level would have "
                                  "no free space (a ground layer? choose the collision layer with --layer NAME; "
                                  "layers: tile \"Ground\", tile \"Collision\", object \"Objects\")")},
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
              "[--solid-property NAME] [--object-class LIST] [--max-tiles N] [--scale S] "
              "[--order balanced|longest|scan] [--solid] [--no-solid] [--list] [--verbose])\n");
}

// Which pixels of a level made with --scale 2 lie in solid space, row by
// row ('#' solid, '.' free), asked through batch at each pixel's centre: a
// path from a point to itself is found exactly outside solid space.
std::vector<std::string> Solid_Pixels(const std::string& level, int width, int height) {
    std::string queries;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::string p = std::to_string(2 * x + 1) + " " + std::to_string(2 * y + 1);
            queries += "path " + p + " " + p + "\n";
        }
    const cResult r = Tool({"batch", level}, queries);
    EXPECT_EQ(r.Status, 0) << r.Err;
    std::istringstream answers(r.Out);
    std::vector<std::string> picture(std::size_t(height), std::string(std::size_t(width), '?'));
    std::string answer;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width && std::getline(answers, answer); ++x)
            picture[std::size_t(y)][std::size_t(x)] = answer == "path none" ? '#' : '.';
    return picture;
}

// The notes of an import, "bsplevel: COMMAND: FILE: NOTE" a line.
std::string Notes(const std::string& command, const std::string& file, const std::vector<std::string>& notes) {
    std::string text;
    for (const std::string& note : notes) text += "bsplevel: " + command + ": " + file + ": " + note + "\n";
    return text;
}

// A map drawn by hand: tiles of 4 pixels, 4 x 2 of them, and one object
// layer, not marked for collision, holding a box of class "Rock" (the older
// "type" key), a box of class "wall", a spawn point and a patrol path.
const char* const THINGS_MAP = R"({"type":"map","version":"1.10","tiledversion":"1.10.2","orientation":"orthogonal",
 "renderorder":"right-down","width":4,"height":2,"tilewidth":4,"tileheight":4,"infinite":false,"tilesets":[],
 "layers":[{"id":1,"name":"Things","type":"objectgroup","visible":true,"opacity":1,"x":0,"y":0,"objects":[
  {"id":1,"name":"crate","type":"Rock","x":0,"y":0,"width":4,"height":4,"rotation":0,"visible":true},
  {"id":2,"name":"","type":"wall","x":12,"y":4,"width":4,"height":4,"rotation":0,"visible":true},
  {"id":3,"name":"start","type":"spawn","point":true,"x":8,"y":2,"width":0,"height":0,"rotation":0,"visible":true},
  {"id":4,"name":"patrol","type":"","x":0,"y":6,"polyline":[{"x":0,"y":0},{"x":8,"y":0}],"rotation":0,
   "visible":true}]}]})";

// In an object layer that is not marked for collision, the objects of the
// classes --object-class names block (compared without case); every other
// object is skipped, one note for the layer. A point of a collision class
// cannot block and refuses the map; classes that name nothing leave nothing.
TEST(BsplevelImportTiled, ObjectClassesChooseTheCollisionObjects) {
    const std::string map = Temp("things.tmj");
    Write(map, THINGS_MAP);
    struct cCase {
        std::vector<std::string> Options;
        std::string Walls;  // the level after <WALLS>, in scan order
        std::string Note;
    };
    const cCase cases[] = {
        {{}, "[12,4]->[16,4]\n[12,4]->[12,8]\n<SOLID>\n[14,6]\n",
         "layer \"Things\": 1 object of a collision class blocks, 3 objects skipped"},
        {{"--object-class", "rock"}, "[0,4]->[4,4]\n[4,0]->[4,4]\n<SOLID>\n[2,2]\n",
         "layer \"Things\": 1 object of a collision class blocks, 3 objects skipped"},
        {{"--object-class", " rock, WALL "}, "[0,4]->[4,4]\n[12,4]->[16,4]\n[4,0]->[4,4]\n[12,4]->[12,8]\n<SOLID>\n[2,2]\n[14,6]\n",
         "layer \"Things\": 2 objects of a collision class block, 2 objects skipped"},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Options));
        std::vector<std::string> args = {"import-tiled", map, "-o", "-", "--order", "scan"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const cResult r = Tool(args);
        EXPECT_EQ(r.Status, 0);
        EXPECT_EQ(r.Out, "<AREA>\n[16,8]\n<WALLS>\n" + c.Walls);
        EXPECT_EQ(r.Err, Notes("import-tiled", map, {c.Note}));
    }
    Expect_Refusals({
        {{"import-tiled", map, "-o", "-", "--object-class", "spawn"},
         "bsplevel: import-tiled: " + map +
             ": layer \"Things\": object 3 \"start\" of class \"spawn\": points are not supported in a collision layer\n"},
        {{"import-tiled", map, "-o", "-", "--object-class", "patrol"},
         "bsplevel: import-tiled: " + map +
             ": nothing in the map is collision: no tile placed has collision shapes or a bool property collision, "
             "collides, solid or wall = true, no layer's name holds \"collision\" nor has the bool property collision "
             "= true, and no object has the class \"patrol\"; choose a layer with --layer NAME (layers: object "
             "\"Things\")\n"},
    });
}

// The hand-made map of the fixtures draws collision every way designers do
// (shapes on the tiles of an external tileset, flipped tiles, a solid
// property, a collision object layer holding a template's instance) beside
// layers that are skipped: the notes say so, one line each, and the level's
// pixels are solid exactly where the fixture's picture says.
TEST(BsplevelImportTiled, NotesNameWhatWasUsedAndSkipped) {
    const std::string map = TILED + "shapes.tmx", level = Temp("shapes.txt");
    const cResult r = Tool({"import-tiled", map, "-o", level, "--scale", "2"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, Notes("import-tiled", map,
                           {"layer \"Ground\": 3 tiles with collision shapes or a solid property block",
                            "layer \"Collision\": collision layer, 1 object blocks",
                            "layer \"Spawns\": 3 objects skipped",
                            "layer \"Decor\": 2 tiles with collision shapes or a solid property block",
                            "tileset \"props\": 1 tile has shapes that are not rectangles or straight polygons "
                            "(ellipses, slopes, turned shapes); each blocks its bounding box"}));
    EXPECT_EQ(Solid_Pixels(level, 16, 8), (std::vector<std::string>{
                                               "####............",
                                               "####............",
                                               "........####....",
                                               "........####....",
                                               "######......####",
                                               "######......####",
                                               "########....####",
                                               "########....####",
                                           }));
    // --layer makes one layer the whole collision: the template's crate.
    const cResult one = Tool({"import-tiled", map, "-o", level, "--scale", "2", "--layer", "Collision"});
    ASSERT_EQ(one.Status, 0) << one.Err;
    EXPECT_EQ(one.Err, Notes("import-tiled", map, {"layer \"Collision\": collision layer, 1 object blocks"}));
    EXPECT_EQ(Solid_Pixels(level, 16, 8)[6], "....##..........");
}

// --list says what the map holds and what an import with the same options
// would do with each layer; it writes no level and needs no -o, and lists
// a map that the import refuses too.
TEST(BsplevelImportTiled, ListShowsLayersAndTilesets) {
    const std::string shapes_listing =
        "map: 4 x 2 tiles of 4 x 4 pixels\n"
        "layer \"Ground\": tile, 4 tiles; its tiles with collision shapes or a solid property\n"
        "layer \"Collision\": object, 1 object; collision objects\n"
        "layer \"Spawns\": object, 3 objects, class=markers, team=red; skipped\n"
        "layer \"Back\": group\n"
        "layer \"Back/Decor\": tile, 2 tiles, solid=false; its tiles with collision shapes or a solid property\n"
        "layer \"Back/Sky\": image; not used\n"
        "tileset \"props\" (props.tsx, first gid 1, 5 tiles): 3 tiles with collision shapes (polygon 2, "
        "rectangle 2); bool properties true: collides 1\n";
    const std::string things = Temp("things-list.tmj");
    Write(things, THINGS_MAP);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{TILED + "shapes.tmx"}, shapes_listing},
        {{TILED + "small_csv.tmx", "--layer", "Collision"},
         "map: 8 x 6 tiles of 16 x 16 pixels\n"
         "layer \"Ground\": tile, 48 tiles; not used\n"
         "layer \"Collision\": tile, 7 tiles; collision tiles\n"
         "layer \"Objects\": object, 3 objects, collision=true; not used\n"
         "tileset \"terrain\" (first gid 1, 4 tiles): no collision shapes; bool properties true: solid 1\n"
         "tileset \"walls\" (walls.tsx, first gid 5, 4 tiles): no collision shapes; bool properties true: solid 2\n"},
        // The import refuses this one: nothing is of the class "patrol".
        {{things, "--object-class", "patrol"},
         "map: 4 x 2 tiles of 4 x 4 pixels\nlayer \"Things\": object, 4 objects; skipped\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.first));
        std::vector<std::string> args = {"import-tiled"};
        args.insert(args.end(), c.first.begin(), c.first.end());
        args.push_back("--list");
        const cResult r = Tool(args);
        EXPECT_EQ(r.Status, 0);
        EXPECT_EQ(r.Out, c.second);
        EXPECT_EQ(r.Err, "");
    }
    Expect_Refusals({{{"import-tiled", TILED + "isometric.tmx", "--list"},
                      "bsplevel: import-tiled: " + TILED +
                          "isometric.tmx: isometric maps are not supported (only orthogonal maps are)\n"}});
}

// ------------------------------------------------------------------ import-ldtk

const std::string LDTK = DATA + "/../ldtk/";

// The levels of the LDtk fixtures, chosen and read with the values chosen:
// the level's pixels are solid exactly where the fixtures' pictures (drawn
// by hand in their README) say, and the notes name what was used and
// skipped.
TEST(BsplevelImportLdtk, LevelsAndValues) {
    struct cCase {
        std::string Project;
        std::vector<std::string> Options;
        std::vector<std::string> Pixels;
        std::vector<std::string> Notes;
    };
    const std::vector<std::string> level_0 = {"####............", "####............", "####............",
                                              "####............", "........####....", "........####....",
                                              "........####....", "........####....", "########........",
                                              "########........", "########........", "########........"};
    const std::vector<std::string> level_0_skipped = {"layer \"Entities\": 2 entities skipped",
                                                      "layer \"Collisions\": 4 cells of values 1 \"walls\", 3 "
                                                      "\"solid_platforms\" block",
                                                      "layer \"Water\": IntGrid layer without collision values, skipped",
                                                      "layer \"Background\": Tiles layer skipped"};
    const cCase cases[] = {
        {"platformer.ldtk", {}, level_0, level_0_skipped},
        {"platformer.ldtk", {"--level", "Level_0", "--values", "walls, 3"}, level_0, level_0_skipped},
        {"platformer.ldtk",
         {"--level", "Level_1"},
         {"..####......####", "..####......####", "..####......####", "..####......####", "..........####..",
          "..........####..", "..........####..", "..........####.."},
         {"layer \"CollisionMask\": 1 cell of values 1 blocks",
          "layer \"Collisions\": 2 cells of values 1 \"walls\", 3 \"solid_platforms\" block"}},
        {"platformer.ldtk",
         {"--values", "LADDERS"},
         {"................", "................", "................", "................", "....####........",
          "....####........", "....####........", "....####........", "................", "................",
          "................", "................"},
         {"layer \"Entities\": 2 entities skipped", "layer \"Collisions\": 1 cell of values 2 \"ladders\" blocks",
          "layer \"Water\": IntGrid layer without collision values, skipped", "layer \"Background\": Tiles layer skipped"}},
        // A level saved in its own file, read relative to the project.
        {"external.ldtk",
         {},
         {"####....", "####....", "####....", "####....", "........", "........", "........", "........"},
         {"layer \"Terrain\": 1 cell of values 1 \"Rock_wall\" blocks"}},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Project + " " + ::testing::PrintToString(c.Options));
        const std::string level = Temp("ldtk.txt");
        std::vector<std::string> args = {"import-ldtk", LDTK + c.Project, "-o", level, "--scale", "2"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const cResult r = Tool(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err, Notes("import-ldtk", LDTK + c.Project, c.Notes));
        EXPECT_EQ(Solid_Pixels(level, int(c.Pixels[0].size()), int(c.Pixels.size())), c.Pixels);
        const cResult info = Tool({"info", level});
        EXPECT_NE(info.Out.find("\nloaded: yes\nbuilt: yes\n"), std::string::npos) << info.Out;
    }
    // The order and --no-solid as for the other importers.
    const cResult scan = Tool({"import-ldtk", LDTK + "external.ldtk", "-o", "-", "--order", "scan", "--no-solid"});
    EXPECT_EQ(scan.Out, "<AREA>\n[8,8]\n<WALLS>\n[0,4]->[4,4]\n[4,0]->[4,4]\n");
}

TEST(BsplevelImportLdtk, ListShowsLevelsAndValues) {
    const std::string levels =
        "level \"Level_0\": 16 x 12 pixels at (0,0); Entities \"Entities\" 2 entities; IntGrid \"Collisions\" 4 x 3 "
        "cells of 4 pixels, 5 set; IntGrid \"Water\" 4 x 3 cells of 4 pixels, 2 set; Tiles \"Background\"\n"
        "level \"Level_1\": 16 x 8 pixels at (16,4); IntGrid \"CollisionMask\" 4 x 2 cells of 4 pixels, 1 set; "
        "IntGrid \"Collisions\" 3 x 2 cells of 4 pixels, 2 set\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{},
         levels + "value \"Collisions\" 1 \"walls\": collision\n"
                  "value \"Collisions\" 2 \"ladders\": not collision\n"
                  "value \"Collisions\" 3 \"solid_platforms\": collision\n"
                  "value \"CollisionMask\" 1: collision\n"
                  "value \"Water\" 1: not collision\n"},
        {{"--values", "ladders"},
         levels + "value \"Collisions\" 1 \"walls\": not collision\n"
                  "value \"Collisions\" 2 \"ladders\": collision\n"
                  "value \"Collisions\" 3 \"solid_platforms\": not collision\n"
                  "value \"CollisionMask\" 1: not collision\n"
                  "value \"Water\" 1: not collision\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"import-ldtk", LDTK + "platformer.ldtk", "--list"};
        args.insert(args.end(), c.first.begin(), c.first.end());
        const cResult r = Tool(args);
        EXPECT_EQ(r.Status, 0);
        EXPECT_EQ(r.Out, c.second);
        EXPECT_EQ(r.Err, "");
    }
}

TEST(BsplevelImportLdtk, ErrorsAreOneLineWithStatusTwoAndNoLevel) {
    const std::string project = LDTK + "platformer.ldtk";
    const std::string prefix = "bsplevel: import-ldtk: ";
    const std::string level = Temp("ldtk-refused.txt");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{project, "--level", "Nope"}, project + ": no level named \"Nope\" (levels: \"Level_0\", \"Level_1\")"},
        {{project, "--values", "lava"},
         project + ": no IntGrid value is named \"lava\" (IntGrid values: \"Collisions\" 1 \"walls\", \"Collisions\" 2 "
                   "\"ladders\", \"Collisions\" 3 \"solid_platforms\", \"CollisionMask\" 1, \"Water\" 1)"},
        // No silent empty level: the values chosen are not set in the level.
        {{project, "--values", "ladders", "--level", "Level_1"},
         project + ": level \"Level_1\": nothing is collision: none of the values chosen is set in it; choose values "
                   "with --values (IntGrid layers: \"CollisionMask\" 1; \"Collisions\" 1 \"walls\", 2 \"ladders\", 3 "
                   "\"solid_platforms\")"},
        {{project, "--values", ","}, "--values LIST names no value, got ',' (give one or more, separated by commas)"},
        {{project, "--level", ""}, "--level NAME must not be empty"},
        {{project, "--scale", "0"}, "--scale S must be at least 1, got '0'"},
        {{project, "--list"}, "--list prints what the map holds and writes no level: leave out -o"},
        {{LDTK + "no-such.ldtk"}, "cannot read map file '" + LDTK + "no-such.ldtk'"},
        {{LDTK + "external/Cave.ldtkl"}, LDTK + "external/Cave.ldtkl: not an LDtk project: no levels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        std::remove(level.c_str());
        std::vector<std::string> args = {"import-ldtk"};
        args.insert(args.end(), c.first.begin(), c.first.end());
        args.insert(args.end(), {"-o", level});
        const cResult r = Tool(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err, prefix + c.second + "\n");
        EXPECT_FALSE(std::ifstream(level).good()) << "a level was written";
    }
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
