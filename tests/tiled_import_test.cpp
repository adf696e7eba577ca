// Tiled maps: every encoding of one map gives one level; an infinite map is
// the finite one shifted; each way of drawing collision (tile shapes with
// flips, collision layers, object classes) checked pixel by pixel against a
// picture drawn by hand and, on random maps, against a decoder written here
// that tests each pixel against the tiles' shapes; the layers and objects
// skipped and the notes that say so; every refusal is one clear line. Also
// the blocked-space tracing and solid points that the importers share.
//
// The fixtures in data/tiled/ are written by data/tiled/make_fixtures.py,
// which describes the map: 8 x 6 tiles of 16 x 16 pixels with three groups
// of blocked tiles (A on the top left edge, B inside, D in the bottom right
// corner, a tile whose "solid" property is false), and in the object layer
// "Objects", marked for collision, the rectangle "crate" (96, 40.4, 10 x
// 29.8) touching B, the L-shaped polygon "room" and the polyline "fence".
// shapes.tmx (written by hand, see data/tiled/README.md) uses an external
// tileset with collision shapes, a template and groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "grid_import.h"
#include "import_support.h"
#include "tiled_import.h"

using namespace bsp_levels;

namespace {

const std::string DATA = std::string(TEST_DATA_DIR) + "/tiled/";

const std::uint32_t H = 0x80000000u, V = 0x40000000u, D = 0x20000000u;

// The level of the fixture map, walls in scan order, then its solid points:
// the borders of A, B with the crate, the room and D, then the fence's two
// walls. The crate's edges 40.4 and 70.2 are rounded to 40 and 70.
const std::string SMALL_WALLS =
    "[16,16]->[32,16]\n[0,32]->[16,32]\n[64,32]->[96,32]\n[96,40]->[106,40]\n[64,48]->[80,48]\n[8,60]->[48,60]\n"
    "[80,64]->[96,64]\n[18,70]->[48,70]\n[96,70]->[106,70]\n";
const std::string D_TOP = "[112,80]->[128,80]\n";
const std::string ROOM_BOTTOM = "[8,84]->[18,84]\n[8,60]->[8,84]\n";
const std::string VERTICAL_WALLS =
    "[16,16]->[16,32]\n[18,70]->[18,84]\n[32,0]->[32,16]\n[48,60]->[48,70]\n[64,32]->[64,48]\n[80,48]->[80,64]\n"
    "[96,32]->[96,40]\n[96,64]->[96,70]\n[106,40]->[106,70]\n";
const std::string D_LEFT = "[112,80]->[112,96]\n";
const std::string FENCE = "[112,8]->[112,28]\n[112,28]->[120,28]\n";
const std::string SMALL_LEVEL = "<AREA>\n[128,96]\n<WALLS>\n" + SMALL_WALLS + D_TOP + ROOM_BOTTOM + VERTICAL_WALLS +
                                D_LEFT + FENCE + "<SOLID>\n[4,4]\n[72,36]\n[12,62]\n[116,82]\n";
// With --solid-property solid, D's tile does not block.
const std::string SOLID_ONLY_LEVEL = "<AREA>\n[128,96]\n<WALLS>\n" + SMALL_WALLS + ROOM_BOTTOM + VERTICAL_WALLS + FENCE +
                                     "<SOLID>\n[4,4]\n[72,36]\n[12,62]\n";

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

// text with its first from replaced by to.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The blocked space as a picture, one character per unit square: '#' when
// the square's middle lies inside a box.
std::vector<std::string> Picture(const cBlocked_Space& space) {
    std::vector<std::string> rows(std::size_t(space.Height), std::string(std::size_t(space.Width), '.'));
    for (const cBlocked_Box& b : space.Boxes)
        for (int y = std::max(b.Y1, 0); y < std::min(b.Y2, space.Height); ++y)
            for (int x = std::max(b.X1, 0); x < std::min(b.X2, space.Width); ++x) rows[std::size_t(y)][std::size_t(x)] = '#';
    return rows;
}

// ------------------------------------------------------------------ the fixture map

TEST(TiledImport, EveryEncodingGivesTheLevelOfTheCsvMap) {
    EXPECT_EQ(Level_Text(Read_Map(DATA + "small_csv.tmx")), SMALL_LEVEL);
    const char* const maps[] = {
        "small_csv.tmj",  "small_base64.tmx", "small_base64.tmj", "small_zlib.tmx", "small_zlib.tmj",
        "small_gzip.tmx", "small_gzip.tmj",   "small_xml.tmx",    "two_layers.tmj",
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

// With --solid-property the collision layer's tiles block only when their
// tileset gives them the property as a bool true: the external tilesets'
// tiles 0 and 1 and the embedded tile 2, not the embedded tile 1 (false). In
// no_layer.tmx the collision tiles lie in a layer named "Decor": by default
// the tiles whose bool property solid is true block there.
TEST(TiledImport, SolidPropertyPicksTheMarkedTiles) {
    cTiled_Options solid;
    solid.Solid_Property = "solid";
    for (const char* name : {"small_csv.tmx", "small_gzip.tmj", "infinite_zlib.tmj"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Level_Text(Read_Map(DATA + name, solid)), SOLID_ONLY_LEVEL);
    }
    EXPECT_EQ(Level_Text(Read_Map(DATA + "no_layer.tmx")), SOLID_ONLY_LEVEL);
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

std::string Gids(const std::vector<std::uint32_t>& gids) {
    std::string out;
    for (const std::uint32_t g : gids) out += (out.empty() ? "" : ",") + std::to_string(g);
    return "[" + out + "]";
}

// A finite JSON map of width x height tiles of tile x tile pixels with one
// tileset "t" (first gid 1, 16 tiles of tile x tile pixels) whose tiles are
// described by tiles, a list of JSON objects.
std::string Map(int width, int height, int tile, const std::string& tiles, const std::string& layers,
                const std::string& head = "", const std::string& tileset_extra = "") {
    const std::string t = std::to_string(tile);
    return R"({"type":"map","orientation":"orthogonal","width":)" + std::to_string(width) + R"(,"height":)" +
           std::to_string(height) + R"(,"tilewidth":)" + t + R"(,"tileheight":)" + t + "," + head +
           R"("tilesets":[{"firstgid":1,"name":"t","tilewidth":)" + t + R"(,"tileheight":)" + t +
           R"(,"tilecount":16,)" + tileset_extra + R"("tiles":[)" + tiles + R"(]}],"layers":[)" + layers + "]}";
}

std::string Tiles(const std::string& name, int width, int height, const std::vector<std::uint32_t>& gids,
                  const std::string& more = "") {
    return R"({"type":"tilelayer","name":")" + name + R"(","width":)" + std::to_string(width) + R"(,"height":)" +
           std::to_string(height) + "," + more + R"("data":)" + Gids(gids) + "}";
}

std::string Objects(const std::string& name, const std::string& objects, const std::string& more = "") {
    return R"({"type":"objectgroup","name":")" + name + R"(",)" + more + R"("objects":[)" + objects + "]}";
}

std::string Group(const std::string& name, const std::string& layers, const std::string& more = "") {
    return R"({"type":"group","name":")" + name + R"(",)" + more + R"("layers":[)" + layers + "]}";
}

// A tile with collision shapes.
std::string Shaped(int id, const std::string& shapes, const std::string& more = "") {
    return R"({"id":)" + std::to_string(id) + "," + more + R"("objectgroup":{"type":"objectgroup","objects":[)" + shapes +
           "]}}";
}

std::string Box(double x, double y, double width, double height, const std::string& more = "") {
    std::ostringstream out;
    out << R"({"id":1,)" << more << R"("x":)" << x << R"(,"y":)" << y << R"(,"width":)" << width << R"(,"height":)"
        << height << "}";
    return out.str();
}

std::string Polygon(int x, int y, const std::vector<std::pair<int, int>>& points, const char* kind = "polygon",
                    const std::string& more = "") {
    std::string list;
    for (const auto& p : points)
        list += (list.empty() ? "" : ",") + std::string(R"({"x":)") + std::to_string(p.first) + R"(,"y":)" +
                std::to_string(p.second) + "}";
    return R"({"id":1,)" + more + R"("x":)" + std::to_string(x) + R"(,"y":)" + std::to_string(y) + R"(,")" + kind +
           R"(":[)" + list + "]}";
}

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

// An L of three pixels and one below its left end: no flip maps it onto itself.
const std::string L_SHAPE = Polygon(0, 0, {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 2}, {0, 2}});

struct cPicture_Case {
    const char* What;
    std::string Text;
    cTiled_Options Options;
    std::vector<std::string> Picture;
};

// Each way of drawing collision, one small map each, against its picture.
TEST(TiledImport, EachConventionBlocksWhatItsPictureShows) {
    const cPicture_Case cases[] = {
        {"tile shapes with every flip, in a layer not marked for collision",
         Map(4, 2, 4, Shaped(0, L_SHAPE), Tiles("ground", 4, 2, {1, 1 | H, 1 | V, 1 | D, 1 | D | H, 1 | D | V, 1 | H | V, 1 | D | H | V})),
         {},
         {"###..###....##..",
          "#......#....#...",
          "........#...#...",
          "........###.....",
          "..##............",
          "...##..........#",
          "...##......#...#",
          "....##...###..##"}},
        {"a collision layer: tiles with shapes block them, the others their cell",
         Map(3, 1, 4, Shaped(0, Box(0, 2, 4, 2)), Tiles("Collision", 3, 1, {1, 2, 0})),
         {},
         {"....####....", "....####....", "########....", "########...."}},
        {"a tile larger than the grid reaches up and right from the cell's bottom left",
         Map(4, 3, 4, Shaped(0, Box(0, 0, 2, 8) + "," + Box(6, 6, 2, 2), R"("imagewidth":8,"imageheight":8,)"),
             Tiles("deco", 4, 3, {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0})),
         {},
         {"....##..........", "....##..........", "....##..........", "....##..........", "....##..........",
          "....##..........", "....##....##....", "....##....##....", "................", "................",
          "................", "................"}},
        {"the tile offset, a group's offset and the layer's offset move the shapes",
         Map(4, 2, 4, Shaped(0, Box(0, 0, 2, 2)),
             Group("g", Tiles("deco", 4, 2, {1, 0, 0, 0, 0, 0, 0, 0}, R"("offsety":4,)"), R"("offsetx":4,)"), "",
             R"("tileoffset":{"x":1,"y":-1},)"),
         {},
         {"................", "................", "................", ".....##.........", ".....##.........",
          "................", "................", "................"}},
        {"an infinite map's chunks with tile shapes",
         Map(0, 0, 4, Shaped(0, Box(0, 0, 1, 4)),
             R"({"type":"tilelayer","name":"deco","chunks":[{"x":-2,"y":-1,"width":2,"height":1,"data":[1,0]},)"
             R"({"x":0,"y":0,"width":2,"height":1,"data":[0,2147483649]}]})",
             R"("infinite":true,)"),
         {},
         {"#...............", "#...............", "#...............", "#...............", "...............#",
          "...............#", "...............#", "...............#"}},
        {"objects of a collision class block in any object layer; the rest is skipped",
         Map(4, 2, 4, R"({"id":2,"type":"Solid"})",
             Objects("Things", Box(0, 0, 4, 2, R"("class":"wall",)") + "," + Box(8, 0, 4, 4, R"("class":"spawn",)") +
                                   R"(,{"id":3,"point":true,"x":1,"y":1},{"id":4,"ellipse":true,"x":4,"y":4,"width":4,"height":4},)"
                                   R"({"id":5,"text":{"text":"hi"},"x":0,"y":4,"width":8,"height":4},)" +
                                   Polygon(0, 0, {{0, 0}, {5, 5}}, "polyline") +
                                   R"(,{"id":7,"type":"","gid":3,"x":12,"y":8,"width":4,"height":4},)"
                                   R"({"id":8,"template":"missing.tx","x":0,"y":0},)" +
                                   Box(0, 6, 2, 2, R"("type":"WALL",)"))),
         {},
         {"####............", "####............", "................", "................", "............####",
          "............####", "##..........####", "##..........####"}},
        {"a collision object layer: rectangles turned by 90 degrees, filled polygons",
         Map(4, 2, 4, "",
             Objects("Collision objects",
                     Box(4, 0, 2, 1, R"("rotation":90,)") + "," +
                         Polygon(8, 0, {{0, 0}, {6, 0}, {6, 6}, {4, 6}, {4, 2}, {2, 2}, {2, 6}, {0, 6}}))),
         {},
         {"...#....######..", "...#....######..", "........##..##..", "........##..##..", "........##..##..",
          "........##..##..", "................", "................"}},
        {"shapes of other classes are skipped; an ellipse on a tile blocks its box",
         Map(2, 1, 4, Shaped(0, Box(0, 0, 4, 1, R"("class":"ladder",)") + R"(,{"id":2,"ellipse":true,"x":1,"y":1,"width":2,"height":2})"),
             Tiles("deco", 2, 1, {1, 0})),
         {},
         {"........", ".##.....", ".##.....", "........"}},
        {"tiles with a solid property block in any layer",
         Map(3, 1, 4, R"({"id":1,"properties":[{"name":"collides","type":"bool","value":true}]})", Tiles("deco", 3, 1, {2, 0, 2})),
         {},
         {"####....####", "####....####", "####....####", "####....####"}},
        {"--layer names an object layer: nothing else blocks",
         Map(3, 1, 4, "", Tiles("Collision", 3, 1, {1, 0, 0}) + "," + Objects("Walls", Box(8, 0, 4, 4))), Layer("Walls"),
         {"........####", "........####", "........####", "........####"}},
        {"--layer names a group: its layers are the collision",
         Map(3, 1, 4, "", Group("G", Tiles("a", 3, 1, {0, 2, 0}))), Layer("G"),
         {"....####....", "....####....", "....####....", "....####...."}},
        {"a group marked for collision marks its layers",
         Map(3, 1, 4, "", Group("Collision", Tiles("x", 3, 1, {0, 0, 2}))), {},
         {"........####", "........####", "........####", "........####"}},
        // Tiled before 1.2: "tiles" and "tileproperties" keyed by id, a
        // layer's properties as one object.
        {"the JSON form of Tiled 1.0 and 1.1",
         R"({"orientation":"orthogonal","width":3,"height":1,"tilewidth":4,"tileheight":4,"tilesets":[{"firstgid":1,)"
         R"("name":"t","tilewidth":4,"tileheight":4,"tilecount":4,"tileproperties":{"2":{"collides":true}},)"
         R"("tiles":{"0":{"objectgroup":{"type":"objectgroup","objects":[)" + Box(0, 0, 2, 4) + R"(]}}}}],"layers":[)" +
             Tiles("deco", 3, 1, {1, 0, 3}) + "," +
             Tiles("walls", 3, 1, {0, 2, 0}, R"("properties":{"collision":true},)") + "]}",
         {},
         {"##..########", "##..########", "##..########", "##..########"}},
        {"--solid-property: only the marked tiles of a collision layer",
         Map(3, 1, 4, R"({"id":1,"properties":[{"name":"block","type":"bool","value":true}]})",
             Tiles("collision", 3, 1, {2, 3, 0})),
         Solid("block"),
         {"####........", "####........", "####........", "####........"}},
    };
    for (const cPicture_Case& c : cases) {
        SCOPED_TRACE(c.What);
        cTiled_Map map;
        std::string error;
        ASSERT_TRUE(Read_Tiled_Text(c.Text, c.Options, nullptr, map, error)) << error;
        EXPECT_EQ(Picture(map.Space), c.Picture);
    }
}

// The notes say what was used and what was skipped, layer by layer.
TEST(TiledImport, NotesNameWhatWasUsedAndSkipped) {
    const std::string text =
        Map(4, 2, 4, Shaped(0, Box(0, 0, 4, 1, R"("class":"ladder",)") + R"(,{"id":2,"ellipse":true,"x":1,"y":1,"width":2,"height":2})"),
            Tiles("Ground", 4, 2, {0, 0, 0, 0, 0, 0, 0, 0}) + "," + Tiles("Decor", 4, 2, {1, 0, 0, 0, 0, 0, 0, 1}) + "," +
                Objects("Spawns", R"({"id":1,"point":true,"x":1,"y":1},{"id":2,"name":"start","point":true,"x":2,"y":1})") +
                "," + Objects("Things", Box(4, 0, 4, 4, R"("class":"Wall",)") + R"(,{"id":9,"template":"t.tx","x":0,"y":0})"));
    cTiled_Map map;
    std::string error;
    ASSERT_TRUE(Read_Tiled_Text(text, {}, nullptr, map, error)) << error;
    EXPECT_EQ(map.Notes, (std::vector<std::string>{
                             "layer \"Decor\": 2 tiles with collision shapes or a solid property block",
                             "layer \"Spawns\": 2 objects skipped",
                             "layer \"Things\": object 9: template \"t.tx\": files beside the map are not read here; skipped",
                             "layer \"Things\": 1 object of a collision class blocks, 1 object skipped",
                             "tileset \"t\": 1 tile has shapes that are not rectangles or straight polygons (ellipses, "
                             "slopes, turned shapes); each blocks its bounding box",
                             "tileset \"t\": 1 collision shape of other classes skipped",
                         }));
    // A collision layer left empty beside tiles that block is only noted.
    ASSERT_TRUE(Read_Tiled_Text(Map(2, 1, 4, Shaped(0, Box(0, 0, 2, 2)),
                                    Tiles("Collision", 2, 1, {0, 0}) + "," + Objects("Collision objects", "") + "," +
                                        Tiles("Walls", 2, 1, {1, 0})),
                                {}, nullptr, map, error))
        << error;
    EXPECT_EQ(map.Notes, (std::vector<std::string>{"layer \"Collision\": collision layer that blocks nothing",
                                                   "layer \"Collision objects\": collision layer that blocks nothing",
                                                   "layer \"Walls\": 1 tile with collision shapes or a solid property blocks"}));
    // Without tile shapes or solid properties, other tile layers are skipped too.
    ASSERT_TRUE(Read_Tiled_Text(Map(2, 1, 4, "", Tiles("Ground", 2, 1, {1, 1}) + "," + Tiles("collision", 2, 1, {1, 0})), {},
                                nullptr, map, error))
        << error;
    EXPECT_EQ(map.Notes, (std::vector<std::string>{"layer \"Ground\": tile layer skipped (not marked for collision)",
                                                   "layer \"collision\": collision layer, 1 tile blocks"}));
}

// ------------------------------------------------------------------ random maps against a decoder written here

// A shape on a tile or in the collision object layer: a box turned by a
// multiple of 90 degrees about its corner (x,y), or an L-shaped polygon: the
// box less a notch at its bottom right corner.
struct cRandom_Shape {
    bool L = false;
    int X = 0, Y = 0, Width = 1, Height = 1, Quarter_Turns = 0, Notch_W = 0, Notch_H = 0;

    std::string Json() const {
        if (!L) return Box(X, Y, Width, Height, R"("rotation":)" + std::to_string(90 * Quarter_Turns) + ",");
        return Polygon(X, Y,
                       {{0, 0}, {Width, 0}, {Width, Height - Notch_H}, {Width - Notch_W, Height - Notch_H},
                        {Width - Notch_W, Height}, {0, Height}});
    }

    // Whether the point lies inside: turned back, then tested against the
    // box and the notch.
    bool Holds(double px, double py) const {
        double dx = px - X, dy = py - Y;
        for (int k = 0; k < Quarter_Turns; ++k) {  // undo a quarter turn clockwise
            const double x = dy, y = -dx;
            dx = x;
            dy = y;
        }
        if (!(dx > 0 && dx < Width && dy > 0 && dy < Height)) return false;
        return !(L && dx > Width - Notch_W && dy > Height - Notch_H);
    }
};

cRandom_Shape Random_Shape(std::mt19937& random, int width, int height) {
    cRandom_Shape s;
    s.L = random() % 3 == 0;
    s.Width = 1 + int(random() % unsigned(width));
    s.Height = 1 + int(random() % unsigned(height));
    s.X = int(random() % unsigned(width - s.Width + 1));
    s.Y = int(random() % unsigned(height - s.Height + 1));
    if (s.L) {
        s.Width = std::max(s.Width, 2);
        s.Height = std::max(s.Height, 2);
        s.Notch_W = 1 + int(random() % unsigned(s.Width - 1));
        s.Notch_H = 1 + int(random() % unsigned(s.Height - 1));
    } else if (random() % 3 == 0) {
        s.Quarter_Turns = int(random() % 4);
        // Turned about its corner: keep the box near the image.
        if (s.Quarter_Turns == 1 || s.Quarter_Turns == 2) s.X += s.Quarter_Turns == 1 ? s.Height : s.Width;
        if (s.Quarter_Turns >= 2) s.Y += s.Quarter_Turns == 2 ? s.Height : s.Width;
    }
    return s;
}

// Random maps: tiles of random image sizes (some larger than the grid) with
// random shapes, placed with random flips in a collision layer and in a
// layer that is not, and shapes in a collision object layer. The decoder
// here takes the middle of each unit square, maps it back through the cell's
// placement and the flips into the tile's image, and asks the shapes.
TEST(TiledImport, RandomMapsBlockWhatTheirShapesHold) {
    std::mt19937 random(20);
    const int rounds = std::getenv("BSP_LONG_TESTS") ? 3000 : 300;
    int read = 0;
    for (int round = 0; round < rounds; ++round) {
        const int width = 1 + int(random() % 5), height = 1 + int(random() % 4), grid = 2 + int(random() % 4);
        struct cTile {
            int Width, Height;
            std::vector<cRandom_Shape> Shapes;
        };
        std::vector<cTile> tiles(4);
        std::string tiles_json;
        for (std::size_t t = 0; t < tiles.size(); ++t) {
            cTile& tile = tiles[t];
            tile.Width = grid + int(random() % 3) * 2;
            tile.Height = tile.Width + (random() % 2 ? 0 : 2 * (int(random() % 3) - 1));
            if (tile.Height < 1) tile.Height = tile.Width;
            if (t == 3) continue;  // tile 3 has no shapes: a collision layer blocks its cell
            const int shapes = 1 + int(random() % 2);
            std::string list;
            for (int s = 0; s < shapes; ++s) {
                tile.Shapes.push_back(Random_Shape(random, tile.Width, tile.Height));
                list += (list.empty() ? "" : ",") + tile.Shapes.back().Json();
            }
            tiles_json += (tiles_json.empty() ? "" : ",") +
                          Shaped(int(t), list, R"("imagewidth":)" + std::to_string(tile.Width) + R"(,"imageheight":)" +
                                                   std::to_string(tile.Height) + ",");
        }
        const std::uint32_t flips[] = {0, H, V, D, H | V, H | D, V | D, H | V | D};
        std::vector<std::uint32_t> layers[2];
        for (std::vector<std::uint32_t>& layer : layers)
            for (int i = 0; i < width * height; ++i)
                layer.push_back(random() % 3 == 0 ? 0 : (1 + random() % 4) | flips[random() % 8]);
        std::vector<cRandom_Shape> objects;
        std::string objects_json;
        for (int i = int(random() % 3); i > 0; --i) {
            objects.push_back(Random_Shape(random, width * grid, height * grid));
            objects_json += (objects_json.empty() ? "" : ",") + objects.back().Json();
        }
        const std::string text =
            Map(width, height, grid, tiles_json,
                Tiles("collision", width, height, layers[0]) + "," + Tiles("deco", width, height, layers[1]) +
                    (objects.empty() ? "" : "," + Objects("Collision objects", objects_json)));

        // The decoder: a tile's image is drawn with its bottom left at the
        // cell's bottom left, an anti-diagonally flipped one turned about its
        // middle column; the flips are undone in the opposite order.
        std::vector<std::string> expected(std::size_t(height * grid), std::string(std::size_t(width * grid), '.'));
        bool collision_tiles = false;
        int full_cells = 0;
        for (int py = 0; py < height * grid; ++py)
            for (int px = 0; px < width * grid; ++px) {
                const double x = px + 0.5, y = py + 0.5;
                bool blocked = false;
                for (const cRandom_Shape& o : objects) blocked = blocked || o.Holds(x, y);
                for (int l = 0; l < 2; ++l)
                    for (int cy = 0; cy < height; ++cy)
                        for (int cx = 0; cx < width; ++cx) {
                            const std::uint32_t raw = layers[l][std::size_t(cy * width + cx)];
                            if (raw == 0) continue;
                            const cTile& tile = tiles[(raw & 0x0fffffffu) - 1];
                            if (tile.Shapes.empty()) {
                                if (l == 0 && x > cx * grid && x < (cx + 1) * grid && y > cy * grid && y < (cy + 1) * grid)
                                    blocked = true;
                                continue;
                            }
                            const bool d = raw & D;
                            const int frame_w = d ? tile.Height : tile.Width, frame_h = d ? tile.Width : tile.Height;
                            double fx = x - (cx * grid + (tile.Width - frame_w) / 2), fy = y - ((cy + 1) * grid - frame_h);
                            if (raw & V) fy = frame_h - fy;
                            if (raw & H) fx = frame_w - fx;
                            if (d) std::swap(fx, fy);
                            for (const cRandom_Shape& s : tile.Shapes) blocked = blocked || s.Holds(fx, fy);
                        }
                expected[std::size_t(py)][std::size_t(px)] = blocked ? '#' : '.';
            }
        for (const std::uint32_t raw : layers[0]) {
            collision_tiles = collision_tiles || raw != 0;
            full_cells += raw != 0 && tiles[(raw & 0x0fffffffu) - 1].Shapes.empty() ? 1 : 0;
        }

        cTiled_Map map;
        std::string error;
        if (!Read_Tiled_Text(text, {}, nullptr, map, error)) {
            // Refused only when the decoder sees why: a collision layer that is
            // empty or full, no free space, or nothing blocked.
            const bool any_free = std::any_of(expected.begin(), expected.end(),
                                              [](const std::string& r) { return r.find('.') != std::string::npos; });
            const bool any_blocked = std::any_of(expected.begin(), expected.end(),
                                                 [](const std::string& r) { return r.find('#') != std::string::npos; });
            EXPECT_TRUE(!collision_tiles || full_cells == width * height || !any_free || !any_blocked)
                << "round " << round << ": " << error << "\n" << text;
            continue;
        }
        ++read;
        EXPECT_EQ(Picture(map.Space), expected) << "round " << round << "\n" << text;
        if (HasFailure()) break;
    }
    EXPECT_GT(read, rounds / 2);
}

// ------------------------------------------------------------------ files beside the map

// shapes.tmx: an external tileset with collision shapes (a flipped one among
// them, a slope boxed), a template instance in a collision layer, a group
// with an offset, and layers of spawns and decorations that are skipped.
// See data/tiled/README.md for its picture.
TEST(TiledImport, ExternalTilesetsAndTemplatesAreRead) {
    const cTiled_Map map = Read_Map(DATA + "shapes.tmx");
    EXPECT_EQ(Picture(map.Space), (std::vector<std::string>{
                                      "####............",
                                      "####............",
                                      "........####....",
                                      "........####....",
                                      "######......####",
                                      "######......####",
                                      "########....####",
                                      "########....####",
                                  }));
    EXPECT_EQ(map.Notes, (std::vector<std::string>{
                             "layer \"Ground\": 3 tiles with collision shapes or a solid property block",
                             "layer \"Collision\": collision layer, 1 object blocks",
                             "layer \"Spawns\": 3 objects skipped",
                             "layer \"Decor\": 2 tiles with collision shapes or a solid property block",
                             "tileset \"props\": 1 tile has shapes that are not rectangles or straight polygons "
                             "(ellipses, slopes, turned shapes); each blocks its bounding box",
                         }));
    cTiled_Listing listing;
    std::string error;
    ASSERT_TRUE(List_Tiled_Map(DATA + "shapes.tmx", {}, listing, error)) << error;
    EXPECT_EQ(Format_Tiled_Listing(listing),
              "map: 4 x 2 tiles of 4 x 4 pixels\n"
              "layer \"Ground\": tile, 4 tiles; its tiles with collision shapes or a solid property\n"
              "layer \"Collision\": object, 1 object; collision objects\n"
              "layer \"Spawns\": object, 3 objects, class=markers, team=red; skipped\n"
              "layer \"Back\": group\n"
              "layer \"Back/Decor\": tile, 2 tiles, solid=false; its tiles with collision shapes or a solid property\n"
              "layer \"Back/Sky\": image; not used\n"
              "tileset \"props\" (props.tsx, first gid 1, 5 tiles): 3 tiles with collision shapes (polygon 2, "
              "rectangle 2); bool properties true: collides 1\n");
}

TEST(TiledImport, FilesThatCannotBeRead) {
    const std::string folder = ::testing::TempDir();
    const std::string file = folder + "tiled_missing_tileset.tmj";
    std::ofstream(file) << Replaced(Map(2, 1, 4, "", Tiles("collision", 2, 1, {1, 0})), R"("name":"t",)",
                                    R"("source":"no-such.tsx",)");
    cTiled_Map map;
    std::string error;
    EXPECT_FALSE(Read_Tiled_Map(file, cTiled_Options(), map, error));
    EXPECT_EQ(error, "tileset \"no-such.tsx\": cannot read " + folder + "no-such.tsx");
    // A name with a line break stays one line, in the reader's reason too.
    std::ofstream(file) << Replaced(Map(2, 1, 4, "", Tiles("collision", 2, 1, {1, 0})), R"("name":"t",)",
                                    R"("source":"no\nsuch.tsx",)");
    EXPECT_FALSE(Read_Tiled_Map(file, cTiled_Options(), map, error));
    EXPECT_EQ(error, "tileset \"no\\x0asuch.tsx\": cannot read " + folder + "no\\x0asuch.tsx");
    EXPECT_FALSE(Read_Tiled_Map(folder + "no-such-map.tmx", cTiled_Options(), map, error));
    EXPECT_EQ(error, "cannot read the map");
    // A template in a collision layer must be read; in another layer the
    // object is skipped with a note.
    const std::string templated = R"({"id":4,"name":"crate","template":"no-such.tx","x":0,"y":0})";
    std::ofstream(file) << Map(2, 1, 4, "", Tiles("collision", 2, 1, {1, 0}) + "," + Objects("Collision b", templated));
    EXPECT_FALSE(Read_Tiled_Map(file, cTiled_Options(), map, error));
    EXPECT_EQ(error, "layer \"Collision b\": object 4 \"crate\": template \"no-such.tx\": cannot read " + folder + "no-such.tx");
    // A template's tile object takes its box from the template, whatever its
    // gid (which belongs to the template's own tileset).
    std::ofstream(folder + "tile.tj") << R"({"type":"template","tileset":{"firstgid":1,"source":"other.tsj"},)"
                                         R"("object":{"gid":40,"width":4,"height":4}})";
    std::ofstream(file) << Map(2, 1, 4, "", Tiles("Ground", 2, 1, {1, 0}) + "," +
                                                Objects("Collision b", R"({"id":4,"template":"tile.tj","x":4,"y":4})"));
    ASSERT_TRUE(Read_Tiled_Map(file, cTiled_Options(), map, error)) << error;
    EXPECT_EQ(Picture(map.Space), (std::vector<std::string>{"....####", "....####", "....####", "....####"}));
    std::ofstream(file) << Map(2, 1, 4, "", Tiles("collision", 2, 1, {1, 0}) + "," + Objects("Props", templated));
    EXPECT_TRUE(Read_Tiled_Map(file, cTiled_Options(), map, error)) << error;
    EXPECT_EQ(map.Notes.at(1), "layer \"Props\": object 4 \"crate\": template \"no-such.tx\": cannot read " + folder +
                                   "no-such.tx; skipped");
}

// ------------------------------------------------------------------ reading details

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

std::string Object_Layer(const std::string& objects, const std::string& name = "Collision things") {
    return R"({"type":"objectgroup","name":")" + name + R"(","objects":[)" + objects + "]}";
}

const std::string COLLISION = Tile_Layer("collision");
const std::string EMPTY = R"("data":[0,0,0,0,0,0,0,0,0,0,0,0])";

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

// Which layer is read, which tiles block, where the cells go.
TEST(TiledImport, LayersTilesAndObjects) {
    const std::string ground = Tile_Layer("Ground", R"("data":[1,1,1,1,1,1,1,1,1,1,1,1])");
    const std::string marked = R"("properties":[{"name":"collision","type":"bool","value":true}],)";
    const std::string unmarked = R"("properties":[{"name":"collision","type":"bool","value":false}],)";
    const std::vector<int> first = {0, 0, 10, 10}, last = {30, 20, 40, 30};
    const cRead_Case cases[] = {
        {"the name says collision, in any case", Json_Map(ground + "," + Tile_Layer("Level COLLISION boxes")), {},
         {first, last}},
        {"the collision property", Json_Map(ground + "," + Tile_Layer("Walls", R"("data":[0,0,0,0,0,0,0,0,0,0,0,4])", marked)),
         {}, {last}},
        // Tile 1 (gid 2) has solid = true, so it blocks in any layer.
        {"a property that is false does not mark the layer",
         Json_Map(Tile_Layer("Walls", R"("data":[0,0,0,0,3,0,0,0,0,0,0,2])", unmarked) + "," + COLLISION), {},
         {last, first, last}},
        {"two collision layers are one collision", Json_Map(COLLISION + "," + Tile_Layer("Collision 2", R"("data":[0,0,0,0,4,0,0,0,0,0,0,0])")),
         {}, {first, last, {0, 10, 10, 20}}},
        {"--layer wins over the name", Json_Map(COLLISION + "," + Tile_Layer("Ground", R"("data":[1,1,1,1,0,0,0,0,0,0,0,0])")),
         Layer("Ground"), {{0, 0, 40, 10}}},
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
        // Rectangles are cut to the map; one wholly outside blocks nothing.
        {"rectangles past the map",
         Json_Map(Tile_Layer("Ground", EMPTY) + "," +
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
        // Skipped layers are never decoded: their data cannot refuse the map.
        {"a skipped layer's data is not read",
         Json_Map(COLLISION + "," + Tile_Layer("Sky", R"("encoding":"base64","compression":"zstd","data":"AAAA")")),
         Layer("collision"), {first, last}},
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
    auto objects = [&](const std::string& list, const std::string& layer = "Collision things") {
        return Json_Map(Tile_Layer("Ground", EMPTY) + "," + Object_Layer(list, layer));
    };
    // 5,800 squares on a diagonal of a map 5,804 x 5,802 pixels cut it into
    // 5,801 x 5,801 cells.
    std::string diagonal;
    for (int i = 0; i < 5800; ++i)
        diagonal += (i ? "," : "") + std::string(R"({"id":1,"width":1,"height":1,"x":)") + std::to_string(i) +
                    R"(,"y":)" + std::to_string(i) + "}";
    diagonal = Replaced(objects(diagonal), R"("tilewidth":10,"tileheight":10)", R"("tilewidth":1451,"tileheight":1934)");
    const std::string layers = "layers: tile \"Ground\", object \"Spawns\"";
    const cRefusal_Case cases[] = {
        // The fixtures.
        {"zstd", "zstd.tmx", "layer \"Ground\": zstd compression is not supported"},
        {"isometric", "isometric.tmx", "isometric maps are not supported (only orthogonal maps are)"},
        {"ellipse", "ellipse.tmx", "layer \"Objects\": object 4 \"bush\": ellipses are not supported"},
        {"rotated rectangle", "rotated.tmj",
         "layer \"Objects\": object 4 \"crate\": rectangles rotated by 45 degrees are not supported"},
        {"diagonal polygon", "diagonal.tmx",
         "layer \"Objects\": object 5 \"ramp\": polygons with diagonal edges are not supported"},
        {"malformed XML", "malformed.tmx", "malformed XML: line 29: mismatched element"},
        {"malformed JSON", "malformed.tmj",
         "malformed JSON: parse error at line 6, column 14: syntax error while parsing object - unexpected string "
         "literal; expected '}'"},
        {"gid beyond the tilesets", "gid_beyond.tmx", "layer \"Collision\": cell (3,1) holds gid 27, beyond the tilesets"},
        {"truncated base64", "truncated_base64.tmx",
         "layer \"Collision\": base64 data is truncated: 253 characters, not a multiple of 4"},
        {"truncated zlib", "truncated_zlib.tmx", "layer \"Collision\": zlib data is truncated"},
        {"data length", "wrong_length.tmx", "layer \"Collision\": the data holds 47 tiles, width x height is 48"},
        // No silent empty levels.
        {"nothing is collision",
         Json_Map(Tile_Layer("Ground", R"("data":[1,0,0,0,0,0,0,0,0,0,0,0])") + "," +
                  Object_Layer(R"({"id":1,"point":true,"x":1,"y":1})", "Spawns")),
         "nothing in the map is collision: no tile placed has collision shapes or a bool property collision, collides, "
         "solid or wall = true, no layer's name holds \"collision\" nor has the bool property collision = true, and no "
         "object has the class \"collision\", \"wall\", \"solid\"; choose a layer with --layer NAME (" + layers + ")"},
        {"a collision layer without tiles", Json_Map(Tile_Layer("collision", EMPTY) + "," + Tile_Layer("Ground", R"("data":[1,0,0,0,0,0,0,0,0,0,0,1])")),
         "layer \"collision\" is a collision layer without tiles, so it blocks nothing (layers: tile \"collision\", tile "
         "\"Ground\")"},
        {"a collision layer whose tiles have not the solid property",
         Json_Map(Tile_Layer("collision", R"("data":[1,0,0,0,0,0,0,0,0,0,0,4])")),
         "layer \"collision\": none of its 2 tiles has the bool property \"solid\" = true, so it blocks nothing",
         Solid("solid")},
        {"a collision layer full of tiles (a ground layer)",
         Json_Map(Tile_Layer("Ground", R"("data":[1,1,1,1,1,1,1,1,1,1,1,1])") + "," + COLLISION),
         "layer \"Ground\" blocks every one of the map's 12 cells, so the level would have no free space (a ground "
         "layer? choose the collision layer with --layer NAME; layers: tile \"Ground\", tile \"collision\")",
         Layer("Ground")},
        {"tile shapes wholly outside the map",
         Map(2, 1, 4, Shaped(0, Box(0, -10, 4, 2)), Tiles("Ground", 2, 1, {1, 0})),
         "the collision lies wholly outside the map, so it blocks nothing (collision: tiles of layer \"Ground\")"},
        {"a collision object layer that blocks nothing", objects(R"({"id":1,"x":100,"y":0,"width":10,"height":10})"),
         "layer \"Collision things\" is a collision layer that blocks nothing (none of its 1 object lies inside the "
         "map; layers: tile \"Ground\", object \"Collision things\")"},
        {"no free space", objects(R"({"id":1,"x":0,"y":0,"width":40,"height":20},{"id":2,"x":0,"y":20,"width":40,"height":10})"),
         "the collision covers the whole map, so the level would have no free space (collision: layer \"Collision "
         "things\")"},
        {"--layer names none", Json_Map(COLLISION), "no layer named \"Roof\" (layers: tile \"collision\")", Layer("Roof")},
        {"--solid-property names none", Json_Map(COLLISION),
         "no tile of the tilesets has the bool property \"lava\" = true (bool properties that tiles have: \"solid\")",
         Solid("lava")},
        // Shapes a collision layer cannot take.
        {"a point in a collision layer", objects(R"({"id":8,"name":"","point":true,"x":1,"y":1})"),
         "layer \"Collision things\": object 8: points are not supported in a collision layer"},
        {"text in a collision layer", objects(R"({"id":9,"name":"sign","text":{"text":"hello"},"x":1,"y":1,"width":10,"height":10})"),
         "layer \"Collision things\": object 9 \"sign\": text objects are not supported in a collision layer"},
        {"a capsule of a collision class", objects(R"({"id":9,"class":"Wall","capsule":true,"x":1,"y":1,"width":10,"height":10})", "Props"),
         "layer \"Props\": object 9 of class \"Wall\": capsules are not supported"},
        {"a template not read in a collision layer", objects(R"({"id":3,"template":"crate.tx","x":1,"y":1})"),
         "layer \"Collision things\": object 3: template \"crate.tx\": files beside the map are not read here"},
        {"a tile object beyond the tilesets", objects(R"({"id":7,"name":"tree","gid":30,"x":1,"y":1,"width":10,"height":10})"),
         "layer \"Collision things\": object 7 \"tree\": gid 30 is beyond the tilesets"},
        {"a diagonal polyline", objects(R"({"id":4,"name":"path","x":1,"y":1,"polyline":[{"x":0,"y":0},{"x":5,"y":5}]})"),
         "layer \"Collision things\": object 4 \"path\": polylines with diagonal edges are not supported"},
        {"a rectangle without height", objects(R"({"id":6,"name":"line","x":1,"y":1,"width":10,"height":0.2})"),
         "layer \"Collision things\": object 6 \"line\": rectangles without width or height are not supported"},
        {"a name with a line end", objects(R"({"id":2,"name":"a\nb","ellipse":true,"x":1,"y":1,"width":10,"height":10})"),
         "layer \"Collision things\": object 2 \"a\\x0ab\": ellipses are not supported"},
        {"a malformed object in a collision layer", objects(R"({"id":2,"x":"left","y":1,"width":10,"height":10})"),
         "layer \"Collision things\": object 2: the object: x is not a number"},
        // Maps written here.
        {"an empty text", " \n", "the map is empty"},
        {"a number beyond a double", R"({"orientation":"orthogonal","width":1e999})",
         "malformed JSON: number overflow parsing '1e999'"},
        {"a tileset for a map", R"(<tileset name="t"/>)", "not a Tiled map: the root element is <tileset>, not <map>"},
        {"hexagonal", R"({"orientation":"hexagonal","width":1,"height":1,"tilewidth":1,"tileheight":1})",
         "hexagonal maps are not supported (only orthogonal maps are)"},
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
         "tileset \"t.tsj\": files beside the map are not read here"},
    };
    for (const cRefusal_Case& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string suffix = c.Text.size() > 4 ? c.Text.substr(c.Text.size() - 4) : "";
        cTiled_Map map;
        map.Space.Width = 5;
        map.Notes = {"old"};
        std::string error;
        const bool read = suffix == ".tmx" || suffix == ".tmj" ? Read_Tiled_Map(DATA + c.Text, c.Options, map, error)
                                                               : Read_Tiled_Text(c.Text, c.Options, nullptr, map, error);
        EXPECT_FALSE(read);
        EXPECT_EQ(error, c.Reason);
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(map.Space.Width, 0);
        EXPECT_TRUE(map.Space.Boxes.empty() && map.Space.Walls.empty() && map.Notes.empty());
    }
}

// The listing describes every layer and tileset and what the import does
// with each, even for a map the import refuses.
TEST(TiledImport, ListingOfTheFixtureMap) {
    cTiled_Listing listing;
    std::string error;
    ASSERT_TRUE(List_Tiled_Map(DATA + "small_csv.tmx", Solid("solid"), listing, error)) << error;
    EXPECT_EQ(Format_Tiled_Listing(listing),
              "map: 8 x 6 tiles of 16 x 16 pixels\n"
              "layer \"Ground\": tile, 48 tiles; its tiles with collision shapes or a solid property\n"
              "layer \"Collision\": tile, 7 tiles; collision tiles with the bool property \"solid\"\n"
              "layer \"Objects\": object, 3 objects, collision=true; collision objects\n"
              "tileset \"terrain\" (first gid 1, 4 tiles): no collision shapes; bool properties true: solid 1\n"
              "tileset \"walls\" (walls.tsx, first gid 5, 4 tiles): no collision shapes; bool properties true: solid 2\n");
    // Names from the map with line breaks stay within their entry's line.
    const std::string broken = Map(2, 1, 4, R"({"id":0,"properties":[{"name":"so\nlid","type":"bool","value":true}]})",
                                   Tiles("collision\\r", 2, 1, {1, 0}, R"("properties":[{"name":"a\nb","value":1}],)"));
    ASSERT_TRUE(List_Tiled_Text(broken, {}, nullptr, listing, error)) << error;
    EXPECT_EQ(Format_Tiled_Listing(listing),
              "map: 2 x 1 tiles of 4 x 4 pixels\n"
              "layer \"collision\\x0d\": tile, 1 tile, a\\x0ab=1; collision tiles\n"
              "tileset \"t\" (first gid 1, 16 tiles): no collision shapes; bool properties true: so\\x0alid 1\n");
    ASSERT_TRUE(List_Tiled_Map(DATA + "zstd.tmx", {}, listing, error)) << error;
    EXPECT_EQ(listing.Layers.at(0).Tiles, -1);
    EXPECT_FALSE(List_Tiled_Map(DATA + "isometric.tmx", {}, listing, error));
    EXPECT_EQ(error, "isometric maps are not supported (only orthogonal maps are)");
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
