// LDtk projects: the levels of the fixtures in data/ldtk/ (described in its
// README, written by hand from the format's documentation) against their
// pictures; random levels against a decoder written here that tests each
// pixel against the IntGrid cells; the notes; every refusal is one clear
// line; the listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "grid_import.h"
#include "import_support.h"
#include "ldtk_import.h"

using namespace bsp_levels;

namespace {

const std::string DATA = std::string(TEST_DATA_DIR) + "/ldtk/";

// text with its first from replaced by to.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// One character per unit square: '#' when its middle lies inside a box.
std::vector<std::string> Picture(const cBlocked_Space& space) {
    std::vector<std::string> rows(std::size_t(space.Height), std::string(std::size_t(space.Width), '.'));
    for (const cBlocked_Box& b : space.Boxes)
        for (int y = std::max(b.Y1, 0); y < std::min(b.Y2, space.Height); ++y)
            for (int x = std::max(b.X1, 0); x < std::min(b.X2, space.Width); ++x) rows[std::size_t(y)][std::size_t(x)] = '#';
    return rows;
}

cLdtk_Options Options(const std::string& level, const std::string& values = "", int scale = 1) {
    cLdtk_Options o;
    o.Level = level;
    o.Values = Split_Names(values);
    o.Scale = scale;
    return o;
}

struct cFixture_Case {
    const char* What;
    std::string File;
    cLdtk_Options Options;
    std::vector<std::string> Picture;
};

TEST(LdtkImport, FixtureLevelsBlockWhatTheirPicturesShow) {
    const cFixture_Case cases[] = {
        {"the first level by default: walls and solid platforms, not ladders nor water", "platformer.ldtk", {},
         {"####............", "####............", "####............", "####............", "........####....",
          "........####....", "........####....", "........####....", "########........", "########........",
          "########........", "########........"}},
        // A number names that value in every IntGrid layer: Water's 1 too.
        {"--values by identifier and by number", "platformer.ldtk", Options("Level_0", "LADDERS, 1"),
         {"####............", "####............", "####............", "####............", "....####........",
          "....####........", "....####........", "....####........", "################", "################",
          "################", "################"}},
        {"values without identifier in a layer named for collision; the layer offset", "platformer.ldtk",
         Options("Level_1"),
         {"..####......####", "..####......####", "..####......####", "..####......####", "..........####..",
          "..........####..", "..........####..", "..........####.."}},
        {"a level in its own file", "external.ldtk", {},
         {"####....", "####....", "####....", "####....", "........", "........", "........", "........"}},
        {"the scale", "external.ldtk", Options("", "", 2),
         {"########........", "########........", "########........", "########........", "########........",
          "########........", "########........", "########........", "................", "................",
          "................", "................", "................", "................", "................",
          "................"}},
    };
    for (const cFixture_Case& c : cases) {
        SCOPED_TRACE(c.What);
        cLdtk_Map map;
        std::string error;
        ASSERT_TRUE(Read_Ldtk_Map(DATA + c.File, c.Options, map, error)) << error;
        EXPECT_EQ(Picture(map.Space), c.Picture);
    }
}

TEST(LdtkImport, NotesAndPlaceInTheWorld) {
    cLdtk_Map map;
    std::string error;
    ASSERT_TRUE(Read_Ldtk_Map(DATA + "platformer.ldtk", {}, map, error)) << error;
    EXPECT_EQ(map.Level, "Level_0");
    EXPECT_EQ(map.Notes, (std::vector<std::string>{
                             "layer \"Entities\": 2 entities skipped",
                             "layer \"Collisions\": 4 cells of values 1 \"walls\", 3 \"solid_platforms\" block",
                             "layer \"Water\": IntGrid layer without collision values, skipped",
                             "layer \"Background\": Tiles layer skipped",
                         }));
    ASSERT_TRUE(Read_Ldtk_Map(DATA + "external.ldtk", {}, map, error)) << error;
    EXPECT_EQ(map.Level, "Cave");
    EXPECT_EQ(map.World_X, 16);
    EXPECT_EQ(map.World_Y, -8);
}

// ------------------------------------------------------------------ random levels

// Random levels with one or two IntGrid layers of random grid sizes, offsets
// and sizes (reaching past the level or not covering it). Values: 1 "Wall"
// (blocks), 2 "water" (does not), 3 without identifier (blocks when the
// layer's identifier says collision). The decoder asks, for the middle of
// each unit square, every cell of every layer whether it covers it.
TEST(LdtkImport, RandomLevelsBlockWhatTheirCellsHold) {
    std::mt19937 random(11);
    const int rounds = std::getenv("BSP_LONG_TESTS") ? 5000 : 500;
    int read = 0;
    for (int round = 0; round < rounds; ++round) {
        struct cLayer {
            std::string Identifier;
            int Columns, Rows, Grid, Offset_X, Offset_Y;
            std::vector<int> Cells;
        };
        const int width = 1 + int(random() % 20), height = 1 + int(random() % 20), scale = 1 + int(random() % 2);
        std::vector<cLayer> layers(1 + random() % 2);
        std::string defs, instances;
        for (std::size_t i = 0; i < layers.size(); ++i) {
            cLayer& l = layers[i];
            l.Identifier = random() % 2 ? "Collision_" + std::to_string(i) : "Terrain_" + std::to_string(i);
            l.Grid = 1 + int(random() % 5);
            l.Columns = 1 + int(random() % unsigned(width / l.Grid + 2));
            l.Rows = 1 + int(random() % unsigned(height / l.Grid + 2));
            l.Offset_X = int(random() % 7) - 3;
            l.Offset_Y = int(random() % 7) - 3;
            std::string csv;
            for (int c = 0; c < l.Columns * l.Rows; ++c) {
                l.Cells.push_back(random() % 2 ? 0 : int(random() % 4));
                csv += (csv.empty() ? "" : ",") + std::to_string(l.Cells.back());
            }
            const std::string uid = std::to_string(10 + i);
            defs += std::string(i ? "," : "") + R"({"__type":"IntGrid","identifier":")" + l.Identifier + R"(","uid":)" + uid +
                    R"(,"gridSize":)" + std::to_string(l.Grid) +
                    R"(,"intGridValues":[{"value":1,"identifier":"Wall"},{"value":2,"identifier":"water"},)"
                    R"({"value":3,"identifier":null}]})";
            instances += std::string(i ? "," : "") + R"({"__identifier":")" + l.Identifier +
                         R"(","__type":"IntGrid","__cWid":)" + std::to_string(l.Columns) + R"(,"__cHei":)" +
                         std::to_string(l.Rows) + R"(,"__gridSize":)" + std::to_string(l.Grid) +
                         R"(,"__pxTotalOffsetX":)" + std::to_string(l.Offset_X) + R"(,"__pxTotalOffsetY":)" +
                         std::to_string(l.Offset_Y) + R"(,"layerDefUid":)" + uid + R"(,"intGridCsv":[)" + csv + "]}";
        }
        const std::string text = R"({"jsonVersion":"1.5.3","defs":{"layers":[)" + defs +
                                 R"(]},"levels":[{"identifier":"L","worldX":0,"worldY":0,"pxWid":)" +
                                 std::to_string(width) + R"(,"pxHei":)" + std::to_string(height) +
                                 R"(,"layerInstances":[)" + instances + "]}]}";

        std::vector<std::string> expected(std::size_t(height * scale), std::string(std::size_t(width * scale), '.'));
        for (int py = 0; py < height * scale; ++py)
            for (int px = 0; px < width * scale; ++px) {
                const double x = (px + 0.5) / scale, y = (py + 0.5) / scale;
                for (const cLayer& l : layers)
                    for (int r = 0; r < l.Rows; ++r)
                        for (int c = 0; c < l.Columns; ++c) {
                            const int v = l.Cells[std::size_t(r * l.Columns + c)];
                            const bool blocks = v == 1 || (v == 3 && l.Identifier.compare(0, 9, "Collision") == 0);
                            const double x1 = l.Offset_X + c * l.Grid, y1 = l.Offset_Y + r * l.Grid;
                            if (blocks && x > x1 && x < x1 + l.Grid && y > y1 && y < y1 + l.Grid)
                                expected[std::size_t(py)][std::size_t(px)] = '#';
                        }
            }
        const bool any_blocked = std::any_of(expected.begin(), expected.end(),
                                             [](const std::string& r) { return r.find('#') != std::string::npos; });
        const bool any_free = std::any_of(expected.begin(), expected.end(),
                                          [](const std::string& r) { return r.find('.') != std::string::npos; });

        cLdtk_Map map;
        std::string error;
        cLdtk_Options options;
        options.Scale = scale;
        const bool ok = Read_Ldtk_Text(text, options, nullptr, map, error);
        EXPECT_EQ(ok, any_blocked && any_free) << "round " << round << ": " << error << "\n" << text;
        if (!ok) continue;
        ++read;
        EXPECT_EQ(Picture(map.Space), expected) << "round " << round << "\n" << text;
        if (HasFailure()) break;
    }
    EXPECT_GT(read, rounds / 3);
}

// ------------------------------------------------------------------ refusals

// A project of one level "L" (8 x 4 pixels) with an IntGrid layer "Ground"
// (grid 4, values 1 "stone" and 2 "Wall") holding csv.
std::string Project(const std::string& csv, const std::string& more_level = "", const std::string& head = "") {
    return R"({)" + head + R"("defs":{"layers":[{"__type":"IntGrid","identifier":"Ground","uid":1,"gridSize":4,)"
           R"("intGridValues":[{"value":1,"identifier":"stone"},{"value":2,"identifier":"Wall"}]}]},)"
           R"("levels":[{"identifier":"L","worldX":0,"worldY":0,"pxWid":8,"pxHei":4,)" + more_level +
           R"("layerInstances":[{"__identifier":"Ground","__type":"IntGrid","__cWid":2,"__cHei":1,"__gridSize":4,)"
           R"("layerDefUid":1,"intGridCsv":)" + csv + "}]}]}";
}

struct cRefusal_Case {
    const char* What;
    std::string Text;
    std::string Reason;
    cLdtk_Options Options = cLdtk_Options();
};

TEST(LdtkImport, EachRefusalIsOneClearLine) {
    const cRefusal_Case cases[] = {
        {"nothing is collision", Project("[1,1]"),
         "level \"L\": nothing is collision: no IntGrid value named wall, collision or solid is set in it; choose "
         "values with --values (IntGrid layers: \"Ground\" 1 \"stone\", 2 \"Wall\")"},
        {"the chosen values are not set", Project("[0,1]"), 
         "level \"L\": nothing is collision: none of the values chosen is set in it; choose values with --values "
         "(IntGrid layers: \"Ground\" 1 \"stone\", 2 \"Wall\")",
         Options("", "Wall")},
        {"the chosen values fill the level", Project("[2,2]"),
         "layer \"Ground\": values 2 \"Wall\" fill every cell of level \"L\", so it would have no free space (choose the "
         "values with --values; its values: 1 \"stone\", 2 \"Wall\")"},
        {"a value that no layer defines", Project("[2,0]"),
         "no IntGrid value is named \"lava\" (IntGrid values: \"Ground\" 1 \"stone\", \"Ground\" 2 \"Wall\")",
         Options("", "stone,lava")},
        {"a level that does not exist", Project("[2,0]"),
         "no level named \"Level_9\" (levels: \"L\")", Options("Level_9")},
        {"a level file not read here", Replaced(Project("[2,0]"), R"("layerInstances":[)", R"("externalRelPath":"L.ldtkl","x":[)"),
         "level \"L\": \"L.ldtkl\": files beside the project are not read here"},
        {"an old-form layer claiming too many cells",
         Replaced(Replaced(Project("null"), R"("intGridCsv":null)", R"("intGrid":[])"), R"("__cHei":1)", R"("__cHei":10000000)"),
         "layer \"Ground\": 2 x 10000000 cells, more than 16777216 in the intGrid form of LDtk before 1.0"},
        {"cells that do not match the layer's size", Project("[2,0,0]"),
         "layer \"Ground\": intGridCsv holds 3 cells, __cWid x __cHei is 2"},
        {"a cell value that is not a number", Project("[2,\"x\"]"),
         "layer \"Ground\": intGridCsv holds something other than a value"},
        {"a level without size", Replaced(Project("[2,0]"), R"("pxWid":8,)", ""),
         "level \"L\" has no pxWid"},
        {"beyond the coordinate limit", Project("[2,0]"),
         "the level would measure 800000000 x 400000000 units, beyond the coordinate limit 100000000",
         Options("", "", 100000000)},
        {"not a project", R"({"orientation":"orthogonal"})", "not an LDtk project: no levels"},
        {"no levels", R"({"levels":[]})", "the project has no levels"},
        {"malformed JSON", R"({"levels": [)", "malformed JSON: parse error at line 1, column 13: syntax error while parsing value - unexpected end of input; expected '[', '{', or a literal"},
        {"empty", "  ", "the project is empty"},
    };
    for (const cRefusal_Case& c : cases) {
        SCOPED_TRACE(c.What);
        cLdtk_Map map;
        map.Space.Width = 3;
        map.Notes = {"old"};
        std::string error;
        EXPECT_FALSE(Read_Ldtk_Text(c.Text, c.Options, nullptr, map, error));
        EXPECT_EQ(error, c.Reason);
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(map.Space.Width, 0);
        EXPECT_TRUE(map.Space.Boxes.empty() && map.Notes.empty());
    }
    cLdtk_Map map;
    std::string error;
    EXPECT_FALSE(Read_Ldtk_Map(DATA + "no-such.ldtk", {}, map, error));
    EXPECT_EQ(error, "cannot read the project");
    // A file reader's reason that spans lines is still given as one line.
    const cLdtk_File_Reader reader = [](const std::string& name, std::string&, std::string& why) {
        why = "no file\n" + name;
        return false;
    };
    const std::string external =
        Replaced(Project("[2,0]"), R"("layerInstances":[)", R"("externalRelPath":"L\r.ldtkl","x":[)");
    EXPECT_FALSE(Read_Ldtk_Text(external, {}, reader, map, error));
    EXPECT_EQ(error, "level \"L\": \"L\\x0d.ldtkl\": no file\\x0aL\\x0d.ldtkl");
}

// Projects of LDtk before 1.0 kept IntGrid cells as (coordId, value - 1);
// a multi-world project keeps its levels in worlds[].
TEST(LdtkImport, OlderAndMultiWorldProjects) {
    const std::string old = Replaced(Project("null"), R"("intGridCsv":null)", R"("intGrid":[{"coordId":1,"v":1}])");
    cLdtk_Map map;
    std::string error;
    ASSERT_TRUE(Read_Ldtk_Text(old, {}, nullptr, map, error)) << error;
    EXPECT_EQ(Picture(map.Space), (std::vector<std::string>{"....####", "....####", "....####", "....####"}));
    std::string worlds = Replaced(Project("[2,0]"), R"("levels":[)", R"("levels":[],"worlds":[{"identifier":"W","levels":[)");
    worlds.insert(worlds.size() - 1, "}]");
    ASSERT_TRUE(Read_Ldtk_Text(worlds, Options("L"), nullptr, map, error)) << error << "\n" << worlds;
    EXPECT_EQ(Picture(map.Space), (std::vector<std::string>{"####....", "####....", "####....", "####...."}));
}

TEST(LdtkImport, Listing) {
    cLdtk_Listing listing;
    std::string error;
    ASSERT_TRUE(List_Ldtk_Map(DATA + "platformer.ldtk", {}, listing, error)) << error;
    EXPECT_EQ(Format_Ldtk_Listing(listing),
              "level \"Level_0\": 16 x 12 pixels at (0,0); Entities \"Entities\" 2 entities; IntGrid \"Collisions\" 4 x "
              "3 cells of 4 pixels, 5 set; IntGrid \"Water\" 4 x 3 cells of 4 pixels, 2 set; Tiles \"Background\"\n"
              "level \"Level_1\": 16 x 8 pixels at (16,4); IntGrid \"CollisionMask\" 4 x 2 cells of 4 pixels, 1 set; "
              "IntGrid \"Collisions\" 3 x 2 cells of 4 pixels, 2 set\n"
              "value \"Collisions\" 1 \"walls\": collision\n"
              "value \"Collisions\" 2 \"ladders\": not collision\n"
              "value \"Collisions\" 3 \"solid_platforms\": collision\n"
              "value \"CollisionMask\" 1: collision\n"
              "value \"Water\" 1: not collision\n");
    ASSERT_TRUE(List_Ldtk_Map(DATA + "external.ldtk", Options("", "grass"), listing, error)) << error;
    EXPECT_EQ(Format_Ldtk_Listing(listing),
              "level \"Cave\": 8 x 8 pixels at (16,-8), in external/Cave.ldtkl; IntGrid \"Terrain\" 2 x 2 cells of 4 "
              "pixels, 2 set\n"
              "value \"Terrain\" 1 \"Rock_wall\": not collision\n"
              "value \"Terrain\" 2 \"grass\": collision\n");
}

}  // namespace
