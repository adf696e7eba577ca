// bsplevel's importers: a level file made from a grid map (import-grid) or
// from a map of the Tiled editor (import-tiled).
#include "bsplevel_commands.h"

#include <fstream>
#include <sstream>

#include "grid_import.h"
#include "level_open.h"

namespace bsp_levels {

namespace {

// Whether the text's first line that is not blank is a level's tag line.
bool Starts_Like_A_Level(const std::string& file) {
    std::ifstream in(file, std::ios::in | std::ios::binary);
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        first = false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        return line == "<AREA>" || line == "<WALLS>" || line == "<SOLID>" || line == "<DOORS>";
    }
    return false;
}

// Refuses a file that is plainly not the kind of map the command reads,
// naming what it looks like and the command for it. Anything else is left to
// the importer, whose reason is more precise.
void Check_Kind(const std::string& file, cLevel_Format wanted) {
    const cLevel_Format kind = Format_Of_File(file);
    if (kind == wanted) return;
    if (kind == cLevel_Format::GRID) throw cLevel_Error{file + " looks like a grid map: use import-grid"};
    if (kind == cLevel_Format::TILED) throw cLevel_Error{file + " looks like a Tiled map: use import-tiled"};
    if (Starts_Like_A_Level(file))
        throw cLevel_Error{file + " looks like a level file: it needs no import (try bsplevel info " + file + ")"};
}

// Writes the imported level to -o's file, its solid points unless --no-solid.
void Write_Imported(const cParsed_Args& a, const cImported_Level& imported, cIo& io) {
    std::ostringstream level;
    Write_Level(level, imported.Width, imported.Height, imported.Walls, a.Has("--no-solid") ? nullptr : &imported.Solid);
    Write_Output(*a.Command, a.Text("-o"), level.str(), io);
}

cWall_Order Order_Of(const cParsed_Args& a) {
    cWall_Order order = cWall_Order::BALANCED;
    if (a.Has("--order")) Parse_Wall_Order(a.Text("--order"), order);  // one of the choices, checked
    return order;
}

// The map's file, readable and of the kind wanted.
const std::string& Map_File(const cParsed_Args& a, cLevel_Format wanted) {
    const std::string& file = a.Positional.at(0);
    if (!Is_Readable_File(file)) Fail(*a.Command, "cannot read map file '" + file + "'");
    Check_Kind(file, wanted);
    return file;
}

int Run_Import_Grid(const cParsed_Args& a, cIo& io) {
    const std::string& file = Map_File(a, cLevel_Format::GRID);
    cImported_Level imported;
    std::string error;
    if (!Import_Grid_Map(file, a.Int("--cell", 10), Order_Of(a), !a.Has("--no-solid"), imported, error))
        Fail(*a.Command, file + ": " + error);
    Write_Imported(a, imported, io);
    return 0;
}

int Run_Import_Tiled(const cParsed_Args& a, cIo& io) {
    cTiled_Options options;
    options.Scale = a.Int("--scale", 1);
    if (a.Has("--layer")) options.Layer = a.Text("--layer");
    if (a.Has("--solid-property")) {
        options.Solid_Property = a.Text("--solid-property");
        if (options.Solid_Property.empty()) Fail(*a.Command, "--solid-property NAME must not be empty");
    }
    const std::string& file = Map_File(a, cLevel_Format::TILED);
    cImported_Level imported;
    std::string error;
    if (!Import_Tiled_Map(file, options, Order_Of(a), !a.Has("--no-solid"), imported, error))
        Fail(*a.Command, file + ": " + error);
    Write_Imported(a, imported, io);
    return 0;
}

// The options both importers take.
cOption_Def Output_Option() {
    return Option("-o", {Text("LEVEL")}, "the level's file; \"-o -\" writes it to standard output").Mandatory();
}

cOption_Def Order_Option(const std::string& help) {
    return Option("--order", {Choice("ORDER", {"balanced", "longest", "scan"})}, help);
}

}  // namespace

const cCommand_Def& Import_Grid_Command() {
    static const cCommand_Def command{
        "import-grid",
        "a level made from a grid map",
        {Text("MAP")},
        false,
        {Output_Option(),
         Option("--cell", {Integer("S", 1)}, "level units per cell (default 10)"),
         Order_Option("the order the walls are written in, which shapes the tree:\n"
                      "balanced (default): region by region, the line that splits the region's walls most evenly "
                      "while cutting few of them;\n"
                      "longest: longest walls first;\n"
                      "scan: horizontal walls row by row, then vertical walls column by column"),
         Flag("--solid",
              "writes a <SOLID> section after the walls (the default): one point per group of blocked cells joined "
              "through their sides, the centre of its first cell in row order (none when S < 2 or no cell is "
              "free), which makes the group solid space"),
         Flag("--no-solid", "leaves the <SOLID> section out")},
        "Turns a grid map (\"type octile\", \"height H\", \"width W\", \"map\", then H rows\n"
        "of W characters; '.', 'G' and 'S' are free, anything else is blocked) into a\n"
        "level file. Cell (x,y), x the column and y the row from the top, covers\n"
        "[x*S,(x+1)*S] x [y*S,(y+1)*S]. The level's area is [W*S,H*S]; every border\n"
        "between a blocked and a free cell becomes a wall, neighbouring pieces on one\n"
        "line merged into one wall. The map's outer edge gives no wall: the world's\n"
        "border closes the level.\n",
        "A map that cannot be read or is refused gives one line, \"bsplevel: import-grid:\n"
        "MAP: REASON\", status 2, and no level; a Tiled map or a level given for a grid\n"
        "map is named as one (\"MAP looks like a Tiled map: use import-tiled\").\n"
        "\n"
        "Exit status 0.\n"
        "Example: bsplevel import-grid den012d.map -o den.txt\n",
        Run_Import_Grid};
    return command;
}

const cCommand_Def& Import_Tiled_Command() {
    static const cCommand_Def command{
        "import-tiled",
        "a level made from a Tiled map (.tmx or .tmj)",
        {Text("MAP")},
        false,
        {Output_Option(),
         Option("--layer", {Text("NAME")},
                "the collision layer; by default the one tile layer whose name holds \"collision\" (any case) or "
                "that has the bool property collision = true"),
         Option("--solid-property", {Text("NAME")},
                "only tiles whose tileset gives them the bool property NAME = true block (default: every tile)"),
         Option("--scale", {Integer("S", 1)}, "level units per pixel (default 1)"),
         Order_Option("balanced (default), longest or scan, as import-grid"),
         Flag("--solid",
              "writes a <SOLID> section after the walls (the default): one point per group of blocked space, "
              "strictly inside it and on no wall (none when no space is free), which makes the group solid space"),
         Flag("--no-solid", "leaves the <SOLID> section out")},
        "Turns an orthogonal map of the Tiled editor (XML .tmx or JSON .tmj, finite or\n"
        "infinite) into a level file. Blocked are the tiles of the collision layer and\n"
        "the rectangles of every object layer; polygons and polylines whose edges are\n"
        "all horizontal or vertical become walls as they are. The map's pixel (x,y) is\n"
        "the level's point (x*S,y*S), y growing downward; an infinite map's extent is\n"
        "the box around its chunks, shifted so that its top left corner is (0,0).\n"
        "Every border between blocked and free space becomes a wall, pieces on one\n"
        "line merged; the map's outer edge gives none. The level's area is the map's\n"
        "size in units.\n"
        "\n"
        "Tile data: CSV, base64, base64 with zlib or gzip, <tile> elements; tilesets\n"
        "embedded or external (.tsx, .tsj, relative to the map's folder). Refused,\n"
        "with the reason: other orientations, zstd, ellipses, points, text, tile\n"
        "objects, templates, rotated objects, diagonal edges.\n",
        "A map that cannot be read or is refused gives one line, \"bsplevel:\n"
        "import-tiled: MAP: REASON\", status 2, and no level; a grid map or a level\n"
        "given for a Tiled map is named as one (\"MAP looks like a grid map: use\n"
        "import-grid\").\n"
        "\n"
        "Exit status 0.\n"
        "Example: bsplevel import-tiled dungeon.tmx -o dungeon.txt --scale 2\n",
        Run_Import_Tiled};
    return command;
}

}  // namespace bsp_levels
