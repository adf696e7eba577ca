// Tiled maps: every encoding of one map gives one level; an infinite map is
// the finite one shifted; the collision layer, the solid property and the
// scale; every refusal is one clear line. Also the blocked-space tracing and
// solid points that the Tiled and grid importers share.
//
// The fixtures in data/tiled/ are written by data/tiled/make_fixtures.py,
// which describes the map: 8 x 6 tiles of 16 x 16 pixels with three groups
// of blocked tiles (A on the top left edge, B inside, D in the bottom right
// corner, a tile whose "solid" property is false), the rectangle "crate"
// (96, 40.4, 10 x 29.8) touching B, the polygon "room" and the polyline
// "fence".
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "grid_import.h"
#include "tiled_import.h"

using namespace bsp_levels;

namespace {

const std::string DATA = std::string(TEST_DATA_DIR) + "/tiled/";

// The level of the fixture map, walls in scan order, then its solid points:
// the borders of A, B with the crate, and D, then the room's six edges and the
// fence's two. The crate's edges 40.4 and 70.2 are rounded to 40 and 70.
const std::string SMALL_WALLS =
    "[16,16]->[32,16]\n[0,32]->[16,32]\n[64,32]->[96,32]\n[96,40]->[106,40]\n[64,48]->[80,48]\n"
    "[80,64]->[96,64]\n[96,70]->[106,70]\n";
const std::string D_TOP = "[112,80]->[128,80]\n";
const std::string VERTICAL_WALLS =
    "[16,16]->[16,32]\n[32,0]->[32,16]\n[64,32]->[64,48]\n[80,48]->[80,64]\n[96,32]->[96,40]\n"
    "[96,64]->[96,70]\n[106,40]->[106,70]\n";
const std::string D_LEFT = "[112,80]->[112,96]\n";
const std::string GIVEN_WALLS =
    "[8,60]->[48,60]\n[48,60]->[48,70]\n[18,70]->[48,70]\n[18,70]->[18,84]\n[8,84]->[18,84]\n[8,60]->[8,84]\n"
    "[112,8]->[112,28]\n[112,28]->[120,28]\n";
const std::string SMALL_LEVEL = "<AREA>\n[128,96]\n<WALLS>\n" + SMALL_WALLS + D_TOP + VERTICAL_WALLS + D_LEFT +
                                GIVEN_WALLS + "<SOLID>\n[4,4]\n[72,36]\n[116,82]\n";
// With --solid-property solid, D's tile does not block.
const std::string SOLID_ONLY_LEVEL = "<AREA>\n[128,96]\n<WALLS>\n" + SMALL_WALLS + VERTICAL_WALLS + GIVEN_WALLS +
                                     "<SOLID>\n[4,4]\n[72,36]\n";

std::string Level_Text(const cTiled_Map& map) {
    const std::vector<cPoint2D> solid = Solid_Points(map.Space);
    std::ostringstream out;
    Write_Level(out, map.Space.Width, map.Space.Height, Order_Walls(Trace_Walls(map.Space), cWall_Order::SCAN), &solid);
    return out.str();
}

cTiled_Map Read_Map(const std::string& file, const cTiled_Options& options = cTiled_Options()) {
    cTiled_Map map;
    std::string error;
    EXPECT_TRUE(Read_Tiled_Map(file, options, map, error)) << error;
    EXPECT_EQ(error, "");
    return map;
}

// ------------------------------------------------------------------ the fixture map

TEST(TiledImport, EveryEncodingGivesTheLevelOfTheCsvMap) {
    EXPECT_EQ(Level_Text(Read_Map(DATA + "small_csv.tmx")), SMALL_LEVEL);
    const char* const maps[] = {
        "small_csv.tmj",     "small_base64.tmx", "small_base64.tmj", "small_zlib.tmx", "small_zlib.tmj",
        "small_gzip.tmx",    "small_gzip.tmj",   "small_xml.tmx",
    };
    for (const char* name : maps) {
        SCOPED_TRACE(name);
        const cTiled_Map map = Read_Map(DATA + name);
        EXPECT_EQ(Level_Text(map), SMALL_LEVEL);
        EXPECT_EQ(map.Origin_X, 0);
        EXPECT_EQ(map.Origin_Y, 0);
    }
}

// The infinite maps hold the same tiles in chunks from (-4,-2) tiles, and
// the objects 64 pixels left and 32 up: the level starts at their corner.
TEST(TiledImport, InfiniteMapIsTheFiniteOneShifted) {
    for (const char* name : {"infinite_csv.tmx", "infinite_zlib.tmj"}) {
        SCOPED_TRACE(name);
        const cTiled_Map map = Read_Map(DATA + name);
        EXPECT_EQ(map.Origin_X, -64);
        EXPECT_EQ(map.Origin_Y, -32);
        EXPECT_EQ(Level_Text(map), SMALL_LEVEL);
    }
}

// The collision layer's tiles block only when their tileset gives them the
// property as a bool true: the external tilesets' tiles 0 and 1 and the
// embedded tile 2, not the embedded tile 1 (false).
TEST(TiledImport, SolidPropertyPicksTheMarkedTiles) {
    cTiled_Options solid;
    solid.Solid_Property = "solid";
    cTiled_Options other;
    other.Solid_Property = "lava";
    for (const char* name : {"small_csv.tmx", "small_gzip.tmj", "infinite_zlib.tmj"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Level_Text(Read_Map(DATA + name, solid)), SOLID_ONLY_LEVEL);
        // No tile has the property: only the crate blocks.
        const cTiled_Map crate_only = Read_Map(DATA + name, other);
        ASSERT_EQ(crate_only.Space.Boxes.size(), 1u);
        const cBlocked_Box& b = crate_only.Space.Boxes[0];
        EXPECT_EQ(std::vector<int>({b.X1, b.Y1, b.X2, b.Y2}), std::vector<int>({96, 40, 106, 70}));
    }
}

// Every coordinate is multiplied; object edges are rounded after scaling.
TEST(TiledImport, ScaleMultipliesPixels) {
    cTiled_Options three;
    three.Scale = 3;
    const cTiled_Map map = Read_Map(DATA + "small_base64.tmj", three);
    EXPECT_EQ(map.Space.Width, 384);
    EXPECT_EQ(map.Space.Height, 288);
    const cTiled_Map one = Read_Map(DATA + "small_base64.tmj");
    ASSERT_EQ(map.Space.Boxes.size(), one.Space.Boxes.size());
    for (std::size_t i = 0; i < map.Space.Boxes.size(); ++i) {
        const cBlocked_Box &a = map.Space.Boxes[i], &b = one.Space.Boxes[i];
        if (b.X1 == 96 && b.X2 == 106) {  // the crate: 40.4 * 3 and 70.2 * 3
            EXPECT_EQ(std::vector<int>({a.X1, a.Y1, a.X2, a.Y2}), std::vector<int>({288, 121, 318, 211}));
            continue;
        }
        EXPECT_EQ(std::vector<int>({a.X1, a.Y1, a.X2, a.Y2}),
                  std::vector<int>({3 * b.X1, 3 * b.Y1, 3 * b.X2, 3 * b.Y2}));
    }
    ASSERT_EQ(map.Space.Walls.size(), one.Space.Walls.size());
    for (std::size_t i = 0; i < map.Space.Walls.size(); ++i)
        EXPECT_TRUE(map.Space.Walls[i] == (cGrid_Wall{3 * one.Space.Walls[i].X1, 3 * one.Space.Walls[i].Y1,
                                                     3 * one.Space.Walls[i].X2, 3 * one.Space.Walls[i].Y2}));
}

// ------------------------------------------------------------------ maps written here

// A finite JSON map of 4 x 3 tiles of 10 x 10 pixels. Its tileset "t" has 8
// tiles: tile 1 has solid = true, tile 2 solid = "true" (a string), tile 3
// solid = false.
std::string Json_Map(const std::string& layers, const std::string& head = "") {
    return R"({"orientation":"orthogonal","width":4,"height":3,"tilewidth":10,"tileheight":10,)" + head +
           R"("tilesets":[{"firstgid":1,"name":"t","tilecount":8,"tiles":[)"
           R"({"id":1,"properties":[{"name":"solid","type":"bool","value":true}]},)"
           R"({"id":2,"properties":[{"name":"solid","type":"string","value":"true"}]},)"
           R"({"id":3,"properties":[{"name":"solid","type":"bool","value":false}]}]}],"layers":[)" +
           layers + "]}";
}

std::string Tile_Layer(const std::string& name, const std::string& data = R"("data":[1,0,0,0,0,0,0,0,0,0,0,2])",
                       const std::string& more = "") {
    return R"({"type":"tilelayer","name":")" + name + R"(","width":4,"height":3,)" + more + data + "}";
}

std::string Object_Layer(const std::string& objects) {
    return R"({"type":"objectgroup","name":"things","objects":[)" + objects + "]}";
}

const std::string COLLISION = Tile_Layer("collision");

// text with its first from replaced by to.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::vector<std::vector<int>> Boxes(const cTiled_Map& map) {
    std::vector<std::vector<int>> boxes;
    for (const cBlocked_Box& b : map.Space.Boxes) boxes.push_back({b.X1, b.Y1, b.X2, b.Y2});
    return boxes;
}

struct cRead_Case {
    const char* What;
    std::string Text;
    cTiled_Options Options;
    std::vector<std::vector<int>> Boxes;
};

cTiled_Options Layer(const std::string& name) {
    cTiled_Options o;
    o.Layer = name;
    return o;
}

cTiled_Options Solid(const std::string& property) {
    cTiled_Options o;
    o.Solid_Property = property;
    return o;
}

// Which layer is read, which tiles block, where the cells go.
TEST(TiledImport, LayersTilesAndObjects) {
    const std::string ground = Tile_Layer("Ground", R"("data":[1,1,1,1,1,1,1,1,1,1,1,1])");
    const std::string marked = R"("properties":[{"name":"collision","type":"bool","value":true}],)";
    const std::string unmarked = R"("properties":[{"name":"collision","type":"bool","value":false}],)";
    const std::vector<int> first = {0, 0, 10, 10}, last = {30, 20, 40, 30};
    const cRead_Case cases[] = {
        {"the name says collision, in any case",
         Json_Map(ground + "," + Tile_Layer("Level COLLISION boxes")), {}, {first, last}},
        {"the collision property", Json_Map(ground + "," + Tile_Layer("Walls", R"("data":[0,0,0,0,0,0,0,0,0,0,0,2])", marked)),
         {}, {last}},
        {"a property that is false does not count",
         Json_Map(Tile_Layer("Walls", R"("data":[0,0,0,0,0,0,0,0,0,0,0,2])", unmarked) + "," + COLLISION), {},
         {first, last}},
        {"--layer wins over the name", Json_Map(COLLISION + "," + ground), Layer("Ground"),
         {{0, 0, 40, 10}, {0, 10, 40, 20}, {0, 20, 40, 30}}},
        {"layers inside groups", Json_Map(R"({"type":"group","name":"g","layers":[)" + COLLISION + "]}"), {}, {first, last}},
        // The flip flags and the hexagonal rotation flag are cleared; a cell
        // holding flags alone holds nothing.
        {"flags", Json_Map(Tile_Layer("collision", R"("data":[2147483649,1073741824,536870913,268435457,0,0,0,0,0,0,0,0])")),
         {}, {{0, 0, 10, 10}, {20, 0, 40, 10}}},
        {"tile elements without a gid are empty",
         R"(<map orientation="orthogonal" width="2" height="1" tilewidth="5" tileheight="7">)"
         R"(<tileset firstgid="1" tilecount="1"/><layer name="collision"><data><tile/><tile gid="1"/></data></layer></map>)",
         {}, {{5, 0, 10, 7}}},
        {"a bool true only; a string \"true\" or a false does not block",
         Json_Map(Tile_Layer("collision", R"("data":[2,3,4,1,0,0,0,0,0,0,0,0])")), Solid("solid"), {{0, 0, 10, 10}}},
        // Rectangles are clipped to the map; one wholly outside blocks nothing.
        {"rectangles past the map",
         Json_Map(Tile_Layer("collision", R"("data":[0,0,0,0,0,0,0,0,0,0,0,0])") + "," +
                  Object_Layer(R"({"id":1,"x":-5,"y":25,"width":10,"height":10},)"
                               R"({"id":2,"x":100,"y":0,"width":10,"height":10})")),
         {}, {{0, 25, 5, 30}}},
        // A layer with a CSV string, as the XML form writes it, in a map with
        // a byte order mark and blank lines before the root.
        {"CSV with line ends",
         "\xEF\xBB\xBF\n\n<map orientation=\"orthogonal\" width=\"3\" height=\"1\" tilewidth=\"2\" tileheight=\"2\">"
         "<tileset firstgid=\"1\"/><layer name=\"collision\"><data encoding=\"csv\">\r\n0,\r\n 7 ,0\r\n</data></layer></map>",
         {}, {{2, 0, 4, 2}}},
        {"base64 and gzip in JSON",
         Json_Map(Tile_Layer("collision", R"("encoding":"base64","compression":"gzip","data":"H4sIAAAAAAACA2NkIB4wATEAwpcwZTAAAAA=")")),
         {}, {first, last}},
    };
    for (const cRead_Case& c : cases) {
        SCOPED_TRACE(c.What);
        cTiled_Map map;
        std::string error;
        ASSERT_TRUE(Read_Tiled_Text(c.Text, c.Options, nullptr, map, error)) << error;
        EXPECT_EQ(Boxes(map), c.Boxes);
    }
}

struct cRefusal_Case {
    const char* What;
    std::string Text;  // a fixture's name when it ends in .tmx or .tmj
    std::string Reason;
    cTiled_Options Options = cTiled_Options();
};

TEST(TiledImport, EachRefusalIsOneClearLine) {
    const std::string empty = R"("data":[0,0,0,0,0,0,0,0,0,0,0,0])";
    auto objects = [&](const std::string& list) {
        return Json_Map(Tile_Layer("collision", empty) + "," + Object_Layer(list));
    };
    // 5,800 squares on a diagonal of a map 5,804 x 5,802 pixels cut it into
    // 5,801 x 5,801 cells.
    std::string diagonal;
    for (int i = 0; i < 5800; ++i)
        diagonal += (i ? "," : "") + std::string(R"({"id":1,"width":1,"height":1,"x":)") + std::to_string(i) +
                    R"(,"y":)" + std::to_string(i) + "}";
    diagonal = Replaced(objects(diagonal), R"("tilewidth":10,"tileheight":10)", R"("tilewidth":1451,"tileheight":1934)");
    const cRefusal_Case cases[] = {
        // The fixtures.
        {"zstd", "zstd.tmx", "layer \"Collision\": zstd compression is not supported"},
        {"isometric", "isometric.tmx", "isometric maps are not supported (only orthogonal maps are)"},
        {"ellipse", "ellipse.tmx", "object 4 \"bush\": ellipses are not supported"},
        {"rotated rectangle", "rotated.tmj", "object 4 \"crate\": rotated objects are not supported"},
        {"diagonal polygon", "diagonal.tmx", "object 5 \"ramp\": polygons with diagonal edges are not supported"},
        {"no collision layer", "no_layer.tmx",
         "no collision layer: no tile layer's name says collision nor has the bool property collision = true; "
         "choose one with --layer (tile layers: \"Ground\", \"Decor\")"},
        {"two collision layers", "two_layers.tmj", "several collision layers (\"Walls\", \"Collision\"); choose one with --layer"},
        {"malformed XML", "malformed.tmx", "malformed XML: line 29: mismatched element"},
        {"malformed JSON", "malformed.tmj",
         "malformed JSON: parse error at line 6, column 14: syntax error while parsing object - unexpected string "
         "literal; expected '}'"},
        {"gid beyond the tilesets", "gid_beyond.tmx", "layer \"Collision\": cell (3,1) holds gid 27, beyond the tilesets"},
        {"truncated base64", "truncated_base64.tmx",
         "layer \"Collision\": base64 data is truncated: 253 characters, not a multiple of 4"},
        {"truncated zlib", "truncated_zlib.tmx", "layer \"Collision\": zlib data is truncated"},
        {"data length", "wrong_length.tmx", "layer \"Collision\": the data holds 47 tiles, width x height is 48"},
        // Maps written here.
        {"an empty text", " \n", "the map is empty"},
        {"a number beyond a double", R"({"orientation":"orthogonal","width":1e999})",
         "malformed JSON: number overflow parsing '1e999'"},
        {"a tileset for a map", R"(<tileset name="t"/>)", "not a Tiled map: the root element is <tileset>, not <map>"},
        {"hexagonal", R"({"orientation":"hexagonal","width":1,"height":1,"tilewidth":1,"tileheight":1})",
         "hexagonal maps are not supported (only orthogonal maps are)"},
        {"no tile layer", Json_Map(Object_Layer("")), "the map has no tile layer"},
        {"--layer names none", Json_Map(COLLISION), "no tile layer named \"Ground\" (tile layers: \"collision\")",
         Layer("Ground")},
        {"--layer names two", Json_Map(COLLISION + "," + COLLISION), "several tile layers are named \"collision\"",
         Layer("collision")},
        {"gid beyond the tileset's count", Json_Map(Tile_Layer("collision", R"("data":[9,0,0,0,0,0,0,0,0,0,0,0])")),
         "layer \"collision\": cell (0,0) holds gid 9, beyond the tilesets"},
        {"unknown encoding", Json_Map(Tile_Layer("collision", R"("encoding":"hex","data":"00")")),
         "layer \"collision\": unknown encoding \"hex\" (supported: csv, base64)"},
        {"unknown compression",
         Json_Map(Tile_Layer("collision", R"("encoding":"base64","compression":"lz4","data":"AAAA")")),
         "layer \"collision\": unknown compression \"lz4\" (supported: zlib, gzip, none)"},
        {"a negative tile number", Json_Map(Tile_Layer("collision", R"("data":[1,-1,0,0,0,0,0,0,0,0,0,0])")),
         "layer \"collision\": the data holds something other than a tile number"},
        {"a letter in base64", Json_Map(Tile_Layer("collision", R"("encoding":"base64","data":"AQ*A")")),
         "layer \"collision\": base64 data holds \"*\", not a base64 character"},
        {"zlib data for more tiles than the layer",
         Json_Map(Tile_Layer("collision", R"("encoding":"base64","compression":"zlib","data":"eJxjZGBgYCQRAwABoAAO")")),
         "layer \"collision\": the data unpacks to more than 12 tiles, width x height is 12"},
        {"base64 for fewer tiles",
         Json_Map(Tile_Layer("collision", R"("encoding":"base64","data":"AQAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA")")),
         "layer \"collision\": the data holds 9 tiles, width x height is 12"},
        {"CSV text with a letter",
         R"(<map orientation="orthogonal" width="2" height="1" tilewidth="1" tileheight="1">)"
         R"(<layer name="collision"><data encoding="csv">1,x</data></layer></map>)",
         "layer \"collision\": CSV data: \"x\" is not a tile number"},
        {"an infinite map without chunks", Replaced(Json_Map(COLLISION, R"("infinite":true,)"), R"("data":[1,0,0,0,0,0,0,0,0,0,0,2])", R"("chunks":[])"),
         "the infinite map has no chunks, so no extent"},
        {"beyond the coordinate limit", Replaced(Json_Map(COLLISION), R"("tilewidth":10,"tileheight":10)", R"("tilewidth":1000000,"tileheight":1000000)"),
         "the level would measure 120000000 x 90000000 units, beyond the coordinate limit 100000000",
         [] { cTiled_Options o; o.Scale = 30; return o; }()},
        {"too many cells", diagonal, "the blocked space would be cut into 33651601 cells, more than 33554432"},
        {"an external tileset not read", Replaced(Json_Map(COLLISION), R"("name":"t",)", R"("source":"t.tsj",)"),
         "tileset \"t.tsj\": external tilesets are not read here"},
        {"a tile object", objects(R"({"id":7,"name":"tree","gid":3,"x":1,"y":1,"width":10,"height":10})"),
         "object 7 \"tree\": tile objects are not supported"},
        {"a point without a name", objects(R"({"id":8,"name":"","point":true,"x":1,"y":1})"),
         "object 8: points are not supported"},
        {"text", objects(R"({"id":9,"name":"sign","text":{"text":"hello"},"x":1,"y":1,"width":10,"height":10})"),
         "object 9 \"sign\": text objects are not supported"},
        {"a template", objects(R"({"id":3,"template":"crate.tx","x":1,"y":1})"), "object 3: templates are not supported"},
        {"a diagonal polyline", objects(R"({"id":4,"name":"path","x":1,"y":1,"polyline":[{"x":0,"y":0},{"x":5,"y":5}]})"),
         "object 4 \"path\": polylines with diagonal edges are not supported"},
        {"a polygon past the map", objects(R"({"id":5,"name":"pen","x":30,"y":1,"polygon":[{"x":0,"y":0},{"x":20,"y":0},{"x":20,"y":5}]})"),
         "object 5 \"pen\": the polygon reaches outside the map"},
        {"a rectangle without height", objects(R"({"id":6,"name":"line","x":1,"y":1,"width":10,"height":0.2})"),
         "object 6 \"line\": rectangles without width or height are not supported"},
        {"a name with a line end", objects(R"({"id":2,"name":"a\nb","ellipse":true,"x":1,"y":1,"width":10,"height":10})"),
         "object 2 \"a\\x0ab\": ellipses are not supported"},
    };
    for (const cRefusal_Case& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string suffix = c.Text.size() > 4 ? c.Text.substr(c.Text.size() - 4) : "";
        cTiled_Map map;
        map.Space.Width = 5;
        std::string error;
        const bool read = suffix == ".tmx" || suffix == ".tmj" ? Read_Tiled_Map(DATA + c.Text, c.Options, map, error)
                                                               : Read_Tiled_Text(c.Text, c.Options, nullptr, map, error);
        EXPECT_FALSE(read);
        EXPECT_EQ(error, c.Reason);
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(map.Space.Width, 0);
        EXPECT_TRUE(map.Space.Boxes.empty() && map.Space.Walls.empty());
    }
}

TEST(TiledImport, ExternalTilesetThatCannotBeRead) {
    const std::string folder = ::testing::TempDir();
    const std::string file = folder + "tiled_missing_tileset.tmj";
    std::ofstream(file) << Replaced(Json_Map(COLLISION), R"("name":"t",)", R"("source":"no-such.tsx",)");
    cTiled_Map map;
    std::string error;
    EXPECT_FALSE(Read_Tiled_Map(file, cTiled_Options(), map, error));
    EXPECT_EQ(error, "tileset \"no-such.tsx\": cannot read " + folder + "no-such.tsx");
    EXPECT_FALSE(Read_Tiled_Map(folder + "no-such-map.tmx", cTiled_Options(), map, error));
    EXPECT_EQ(error, "cannot read the map");
}

// ------------------------------------------------------------------ blocked space

struct cSpace_Case {
    const char* What;
    cBlocked_Space Space;
    std::vector<cGrid_Wall> Walls;
    std::vector<cPoint2D> Solid;
};

cBlocked_Space Space(int width, int height, std::vector<cBlocked_Box> boxes, std::vector<cGrid_Wall> walls = {}) {
    cBlocked_Space s;
    s.Width = width;
    s.Height = height;
    s.Boxes = std::move(boxes);
    s.Walls = std::move(walls);
    return s;
}

TEST(BlockedSpace, WallsAndSolidPoints) {
    const cSpace_Case cases[] = {
        {"one box", Space(20, 20, {{5, 5, 15, 9}}), {{5, 5, 15, 5}, {5, 9, 15, 9}, {5, 5, 5, 9}, {15, 5, 15, 9}},
         {{10, 7}}},
        // Overlapping boxes are one group; its point is in its first cell in
        // row order (the cells are cut along every coordinate).
        {"overlapping boxes", Space(20, 20, {{2, 2, 10, 6}, {6, 4, 14, 12}}),
         {{2, 2, 10, 2}, {10, 4, 14, 4}, {2, 6, 6, 6}, {6, 12, 14, 12}, {2, 2, 2, 6}, {6, 6, 6, 12}, {10, 2, 10, 4},
          {14, 4, 14, 12}},
         {{4, 3}}},
        // Boxes touching at a corner are two groups; their walls cross.
        {"corner to corner", Space(8, 8, {{0, 0, 4, 4}, {4, 4, 8, 8}}), {{0, 4, 8, 4}, {4, 0, 4, 8}}, {{2, 2}, {6, 6}}},
        // Only the part inside the world counts; the world's border is no wall.
        {"past the world", Space(10, 10, {{-5, -5, 5, 5}}), {{0, 5, 5, 5}, {5, 0, 5, 5}}, {{2, 2}}},
        // A cell 1 unit wide has no point strictly inside: the group's next
        // roomy cell takes it, and a group without one gets none.
        {"thin cells", Space(20, 20, {{0, 0, 1, 10}, {1, 4, 9, 8}, {15, 0, 16, 20}}),
         {{1, 4, 9, 4}, {1, 8, 9, 8}, {0, 10, 1, 10}, {1, 0, 1, 4}, {1, 8, 1, 10}, {9, 4, 9, 8}, {15, 0, 15, 20},
          {16, 0, 16, 20}},
         {{5, 6}}},
        // A given wall through a box cuts its cells: the point is on no wall.
        {"a given wall through a box", Space(20, 20, {{0, 0, 10, 10}}, {{5, 0, 5, 10}}),
         {{0, 10, 10, 10}, {10, 0, 10, 10}, {5, 0, 5, 10}}, {{2, 5}}},
        // No free space: no solid point at all.
        {"all blocked", Space(10, 10, {{0, 0, 6, 10}, {6, 0, 10, 10}}), {}, {}},
        {"nothing blocked", Space(10, 10, {}, {{0, 5, 10, 5}}), {{0, 5, 10, 5}}, {}},
    };
    for (const cSpace_Case& c : cases) {
        SCOPED_TRACE(c.What);
        const std::vector<cGrid_Wall> walls = Trace_Walls(c.Space);
        ASSERT_EQ(walls.size(), c.Walls.size());
        for (std::size_t i = 0; i < walls.size(); ++i)
            EXPECT_TRUE(walls[i] == c.Walls[i]) << i << ": [" << walls[i].X1 << "," << walls[i].Y1 << "]->["
                                                << walls[i].X2 << "," << walls[i].Y2 << "]";
        EXPECT_EQ(Solid_Points(c.Space), c.Solid);
    }
}

// Blocked space made of a grid map's blocked cells traces to the same walls
// as the grid map.
TEST(BlockedSpace, TracesAsTheGridMapDoes) {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        cGrid_Map map;
        map.Width = 1 + int(random() % 30);
        map.Height = 1 + int(random() % 30);
        const unsigned density = 1 + random() % 5;
        cBlocked_Space space;
        space.Width = map.Width * 7;
        space.Height = map.Height * 7;
        for (int y = 0; y < map.Height; ++y) {
            std::string row;
            for (int x = 0; x < map.Width; ++x) {
                row += random() % 6 < density ? '@' : '.';
                if (row.back() == '@') space.Boxes.push_back({x * 7, y * 7, x * 7 + 7, y * 7 + 7});
            }
            map.Rows.push_back(row);
        }
        std::shuffle(space.Boxes.begin(), space.Boxes.end(), random);
        EXPECT_TRUE(Trace_Walls(space) == Trace_Walls(map, 7)) << "round " << round;
    }
}

TEST(BlockedSpace, GridMapSolidPointsAreCellCentres) {
    cGrid_Map map;
    map.Width = 4;
    map.Height = 3;
    map.Rows = {"@@..", "..@.", "@.@@"};
    EXPECT_EQ(Solid_Points(map, 10), (std::vector<cPoint2D>{{5, 5}, {25, 15}, {5, 25}}));
    EXPECT_EQ(Solid_Points(map, 3), (std::vector<cPoint2D>{{1, 1}, {7, 4}, {1, 7}}));
    EXPECT_TRUE(Solid_Points(map, 1).empty());  // no point strictly inside a cell of 1 unit
    map.Rows = {"@@@@", "@@@@", "@@@@"};
    EXPECT_TRUE(Solid_Points(map, 10).empty());  // no free cell
}

}  // namespace
