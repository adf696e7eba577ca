// bsplevel's importers: a level file made from a grid map (import-grid),
// from a map of the Tiled editor (import-tiled) or from a level of an LDtk
// project (import-ldtk). The map importers write their notes (what was used
// as collision, what was skipped) on standard error and can list a map's
// contents instead of importing it (--list).
#include "bsplevel_commands.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "grid_import.h"
#include "import_support.h"
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
    if (kind != cLevel_Format::LEVEL || Starts_Like_A_Level(file)) throw cLevel_Error{Map_Given(file, kind)};
}

// Writes the imported level to -o's file, its solid points unless --no-solid.
void Write_Imported(const cParsed_Args& a, const cImported_Level& imported, cIo& io) {
    std::ostringstream level;
    Write_Level(level, imported.Width, imported.Height, imported.Walls, a.Has("--no-solid") ? nullptr : &imported.Solid);
    Write_Output(*a.Command, a.Text("-o"), level.str(), io);
}

// The importer's notes, one line each on standard error, as the tool's
// other lines are written: "bsplevel: import-tiled: MAP: NOTE".
void Write_Notes(const cParsed_Args& a, const std::string& file, const std::vector<std::string>& notes, cIo& io) {
    for (const std::string& note : notes) io.Err << "bsplevel: " << a.Command->Name << ": " << file << ": " << note << "\n";
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

// --list prints what the map holds and writes no level: -o with it is a
// mistake worth saying.
bool Listing_Asked(const cParsed_Args& a) {
    if (!a.Has("--list")) return false;
    if (a.Has("-o")) Fail(*a.Command, "--list prints what the map holds and writes no level: leave out -o");
    return true;
}

// A list of names (--object-class, --values) that must name something.
std::vector<std::string> Names_Of(const cParsed_Args& a, const std::string& option, const std::string& what) {
    const std::vector<std::string> names = Split_Names(a.Text(option));
    if (names.empty())
        Fail(*a.Command, option + " LIST names no " + what + ", got '" + a.Text(option) +
                             "' (give one or more, separated by commas)");
    return names;
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
    if (a.Has("--layer")) {
        options.Layer = a.Text("--layer");
        if (options.Layer.empty()) Fail(*a.Command, "--layer NAME must not be empty");
    }
    if (a.Has("--solid-property")) {
        options.Solid_Property = a.Text("--solid-property");
        if (options.Solid_Property.empty()) Fail(*a.Command, "--solid-property NAME must not be empty");
    }
    if (a.Has("--object-class")) options.Object_Classes = Names_Of(a, "--object-class", "class");
    if (a.Has("--max-tiles")) options.Max_Tiles = a.Int("--max-tiles", 1);
    const bool list = Listing_Asked(a);
    const std::string& file = Map_File(a, cLevel_Format::TILED);
    std::string error;
    if (list) {
        cTiled_Listing listing;
        if (!List_Tiled_Map(file, options, listing, error)) Fail(*a.Command, file + ": " + error);
        Write_Output(*a.Command, "-", Format_Tiled_Listing(listing), io);
        return 0;
    }
    cImported_Level imported;
    if (!Import_Tiled_Map(file, options, Order_Of(a), !a.Has("--no-solid"), imported, error)) {
        // The tile limit is the library's; the tool has the option that raises it.
        if (error.find(" tiles, the limit for a map") != std::string::npos) error += " (--max-tiles N raises it)";
        Fail(*a.Command, file + ": " + error);
    }
    Write_Notes(a, file, imported.Notes, io);
    Write_Imported(a, imported, io);
    return 0;
}

int Run_Import_Ldtk(const cParsed_Args& a, cIo& io) {
    cLdtk_Options options;
    options.Scale = a.Int("--scale", 1);
    if (a.Has("--level")) {
        options.Level = a.Text("--level");
        if (options.Level.empty()) Fail(*a.Command, "--level NAME must not be empty");
    }
    if (a.Has("--values")) options.Values = Names_Of(a, "--values", "value");
    const bool list = Listing_Asked(a);
    const std::string& file = Map_File(a, cLevel_Format::LDTK);
    std::string error;
    if (list) {
        cLdtk_Listing listing;
        if (!List_Ldtk_Map(file, options, listing, error)) Fail(*a.Command, file + ": " + error);
        Write_Output(*a.Command, "-", Format_Ldtk_Listing(listing), io);
        return 0;
    }
    cImported_Level imported;
    if (!Import_Ldtk_Map(file, options, Order_Of(a), !a.Has("--no-solid"), imported, error))
        Fail(*a.Command, file + ": " + error);
    Write_Notes(a, file, imported.Notes, io);
    Write_Imported(a, imported, io);
    return 0;
}

// The options every importer takes.
cOption_Def Output_Option() {
    return Option("-o", {Text("LEVEL")}, "the level's file; \"-o -\" writes it to standard output").Mandatory();
}

// The same for the importers that can list a map instead.
cOption_Def Output_Or_List_Option() {
    return Option("-o", {Text("LEVEL")},
                  "the level's file; \"-o -\" writes it to standard output (needed unless --list is given)")
        .Mandatory_Unless("--list");
}

cOption_Def Order_Option(const std::string& help) {
    return Option("--order", {Choice("ORDER", {"balanced", "longest", "scan"})}, help);
}

cOption_Def Solid_Option() {
    return Flag("--solid",
                "writes a <SOLID> section after the walls (the default): one point per group of blocked space, "
                "strictly inside it and on no wall (none when no space is free), which makes the group solid space");
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
        "MAP: REASON\", status 2, and no level; a Tiled map, an LDtk project or a level\n"
        "given for a grid map is named as one (\"MAP looks like a Tiled map: use\n"
        "import-tiled\").\n"
        "\n"
        "Exit status 0.\n"
        "Example: bsplevel import-grid den012d.map -o den.txt\n",
        Run_Import_Grid};
    return command;
}

const cCommand_Def& Import_Tiled_Command() {
    static const cCommand_Def command{
        "import-tiled",
        "a level made from a Tiled map (.tmx or .tmj), its collision taken as designers draw it",
        {Text("MAP")},
        false,
        {Output_Or_List_Option(),
         Option("--layer", {Text("NAME")},
                "the layer that is the whole collision, in place of the three ways above: a tile or object layer, "
                "or a group (every layer in it); \"Group/Name\" names a layer inside a group"),
         Option("--solid-property", {Text("NAME")},
                "the one bool tile property that marks blocking tiles, in place of collision, collides, solid and "
                "wall; in a collision tile layer only the tiles whose tileset gives them NAME = true block"),
         Option("--object-class", {Text("LIST")},
                "the object classes that are collision in any object layer, separated by commas (default "
                "collision,wall,solid; compared without case)"),
         Option("--max-tiles", {Integer("N", 1)},
                "the most tiles the map's tile layers may hold together, checked before any layer's data is "
                "unpacked (default 67108864: four layers of 4096 x 4096 tiles)"),
         Option("--scale", {Integer("S", 1)}, "level units per pixel (default 1)"),
         Order_Option("balanced (default), longest or scan, as import-grid"),
         Solid_Option(),
         Flag("--no-solid", "leaves the <SOLID> section out"),
         Flag("--list",
              "prints the map's layers (kind, tiles or objects, properties, and what the import does with each "
              "under the options given) and its tilesets (tiles with collision shapes, their kinds, solid "
              "properties) instead of writing a level")},
        "Turns an orthogonal map of the Tiled editor (XML .tmx or JSON .tmj, finite or\n"
        "infinite) into a level file. Collision is taken in each of the three ways\n"
        "level designers draw it that the map uses:\n"
        "\n"
        "1. Collision shapes on tiles, drawn in a tileset's collision editor (embedded\n"
        "   or external tilesets): wherever such a tile is placed, in any tile layer,\n"
        "   its shapes block, with its flips. Rectangles and polygons with horizontal\n"
        "   and vertical edges block their inside; ellipses, slopes and turned shapes\n"
        "   their bounding box (noted). Tiles whose tileset gives them the bool\n"
        "   property collision, collides, solid or wall = true block too.\n"
        "2. Collision layers: a tile or object layer whose name holds \"collision\" (any\n"
        "   case), or that has the bool property collision = true, or lies in a group\n"
        "   so marked. Every tile (its shapes, else its cell) and object in it blocks.\n"
        "3. Collision objects: in any other object layer, the objects whose class\n"
        "   (\"class\", or \"type\" before Tiled 1.9) is one of --object-class (default\n"
        "   collision, wall, solid). Rectangles and straight polygons block, polylines\n"
        "   are walls.\n"
        "\n"
        "Everything else is skipped, with one note per layer: tile layers whose tiles\n"
        "have no shapes (ground, decoration), image layers, and every object of\n"
        "another class (spawn points, triggers, patrol paths, text):\n"
        "\"layer \"Spawns\": 12 objects skipped\". --layer NAME replaces the choice.\n"
        "\n"
        "The map's pixel (x,y) is the level's point (x*S,y*S), y growing downward; an\n"
        "infinite map's extent is the box around its chunks, shifted so that its top\n"
        "left corner is (0,0). Every border between blocked and free space becomes a\n"
        "wall, pieces on one line merged; the map's outer edge gives none. The\n"
        "level's area is the map's size in units.\n"
        "\n"
        "Tile data: CSV, base64, base64 with zlib or gzip, <tile> elements; tilesets\n"
        "and templates embedded or in their own files (.tsx, .tsj, .tx, .tj), read\n"
        "relative to the map's folder. Other orientations and zstd are refused.\n",
        "The notes (what was taken as collision, what was skipped) go to standard\n"
        "error, one line each: \"bsplevel: import-tiled: MAP: NOTE\". A map that cannot\n"
        "be read or is refused gives one line, \"bsplevel: import-tiled: MAP: REASON\",\n"
        "status 2, and no level. No level is made silently empty: refused are a map\n"
        "where nothing is collision, a collision layer that blocks nothing or every\n"
        "cell, a --layer or --solid-property that matches nothing, a level without\n"
        "free space, and a shape a collision layer cannot take (an ellipse, a point).\n"
        "A grid map, an LDtk project or a level given for a Tiled map is named as one\n"
        "(\"MAP looks like a grid map: use import-grid\").\n"
        "\n"
        "Exit status 0.\n"
        "Examples: bsplevel import-tiled dungeon.tmx --list\n"
        "          bsplevel import-tiled dungeon.tmx -o dungeon.txt --scale 2\n",
        Run_Import_Tiled};
    return command;
}

const cCommand_Def& Import_Ldtk_Command() {
    static const cCommand_Def command{
        "import-ldtk",
        "a level made from a level of an LDtk project (.ldtk), its IntGrid collision",
        {Text("PROJECT")},
        false,
        {Output_Or_List_Option(),
         Option("--level", {Text("NAME")}, "the level's identifier (default: the project's first level)"),
         Option("--values", {Text("LIST")},
                "the IntGrid values that block, by identifier or number, separated by commas, in every IntGrid "
                "layer (compared without case), in place of the default choice"),
         Option("--scale", {Integer("S", 1)}, "level units per pixel (default 1)"),
         Order_Option("balanced (default), longest or scan, as import-grid"),
         Solid_Option(),
         Flag("--no-solid", "leaves the <SOLID> section out"),
         Flag("--list",
              "prints the project's levels (size, place in the world, layers) and its IntGrid values (which "
              "block under the options given) instead of writing a level")},
        "Turns one level of an LDtk project (.ldtk; levels inside it or saved in their\n"
        "own .ldtkl files, read relative to the project's folder) into a level file.\n"
        "Collision is the cells of the level's IntGrid layers whose value is chosen:\n"
        "by default the values whose identifier holds \"wall\", \"collision\" or \"solid\"\n"
        "(any case), and, in an IntGrid layer whose own identifier holds one of those\n"
        "words, the values without an identifier. --values replaces that choice.\n"
        "Entity layers, tile layers and auto-layers are skipped, one note per layer\n"
        "(\"layer \"Entities\": 12 entities skipped\").\n"
        "\n"
        "The level's pixel (x,y) is the level's point (x*S,y*S), y growing downward\n"
        "as LDtk draws it; the level's place in the world is not applied. Every border\n"
        "between blocked and free cells becomes a wall, pieces on one line merged; the\n"
        "level's outer edge gives none. The level's area is its size in units.\n",
        "The notes (what was taken as collision, what was skipped) go to standard\n"
        "error, one line each: \"bsplevel: import-ldtk: PROJECT: NOTE\". A project that\n"
        "cannot be read or is refused gives one line, \"bsplevel: import-ldtk:\n"
        "PROJECT: REASON\", status 2, and no level: a --level that names no level, a\n"
        "--values entry that no IntGrid layer defines, a level where nothing blocks\n"
        "or where a layer blocks every cell, a level without free space. A Tiled\n"
        "map, a grid map or a level given for a project is named as one (\"PROJECT\n"
        "looks like a Tiled map: use import-tiled\").\n"
        "\n"
        "Exit status 0.\n"
        "Examples: bsplevel import-ldtk world.ldtk --list\n"
        "          bsplevel import-ldtk world.ldtk -o cave.txt --level Cave\n",
        Run_Import_Ldtk};
    return command;
}

}  // namespace bsp_levels
