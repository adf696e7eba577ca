// From a file to a built world in one call: a level file, a grid map of the
// pathfinding benchmarks, a map of the Tiled editor or a level of an LDtk
// project, told apart by its content, read (or imported), built, and either
// handed back whole or refused with the file, the line and the reason.
//
//   bsp_levels::cOpen_Result level = bsp_levels::Open_Level("maps/den012d.map");
//   if (!level) { std::cerr << level.Error() << "\n"; return 2; }
//   level.World->Find_Path(a, b, path);
//
// Each world owns its rectangle: nothing outside the world is read or
// written, so a program may open many levels, one after another or on
// several threads at once.
#ifndef LEVEL_OPEN_H
#define LEVEL_OPEN_H

#include <memory>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "ldtk_import.h"
#include "level_loader.h"
#include "tiled_import.h"

namespace bsp_levels {

// What a file holds.
enum class cLevel_Format {
    AUTO,   // told by the content: a map's header or root, else a level
    LEVEL,  // a level file (<AREA>, <WALLS>, <SOLID>, <DOORS>)
    GRID,   // a grid map: "type octile", "height H", "width W", "map", rows
    TILED,  // a Tiled map: XML (.tmx) or JSON (.tmj)
    LDTK    // an LDtk project (.ldtk, JSON)
};

// The name of a format as messages write it: "level", "grid map", "Tiled
// map", "LDtk project".
const char* Format_Name(cLevel_Format format);

// Looks at the beginning of a text: a grid map starts with a header line
// ("type octile", "height H" or "width W") and has a line "map"; an LDtk
// project is a JSON object with a "__header__" whose "app" is "LDtk", or with
// the keys "jsonVersion" and "levels"; a Tiled map is XML ("<?xml" or "<map")
// whose root is <map>, or another JSON object with one of the keys
// "tiledversion", "orientation" or "layers". Anything else is taken for a
// level (LEVEL). A UTF-8 byte order mark is skipped.
cLevel_Format Format_Of_Text(const std::string& head);
// The same for the first 64 KiB of a file (LEVEL when it cannot be read).
cLevel_Format Format_Of_File(const std::string& file_name);

struct cOpen_Options {
    cLevel_Format Format = cLevel_Format::AUTO;
    // Level files: how strictly they are read (see Load_Level).
    cLoad_Options Load;
    // Grid maps: level units per cell, at least 1.
    int Cell = 10;
    // Tiled maps: the collision layer, the solid property, the scale.
    cTiled_Options Tiled;
    // LDtk projects: the level, the IntGrid values that block, the scale.
    cLdtk_Options Ldtk;
    // Maps: the order in which their walls go into the tree, and whether
    // their rock is marked with solid points.
    cWall_Order Order = cWall_Order::BALANCED;
    bool Solid_Points = true;
    cEngine Engine = cEngine::FAST;
    // On a failure, hand back the world all the same: a level that stopped
    // early built from what was read before the stop, a world that refused
    // its build, or went beyond the world's limits, unbuilt (every query
    // answers none, no hit, clear).
    bool Keep_Partial = false;
};

struct cOpen_Result {
    // The built world; null on a failure (unless Keep_Partial).
    std::unique_ptr<cGame_World> World;
    cLevel_Format Format = cLevel_Format::AUTO;  // what the file was read as
    std::string File;
    // Where and why it failed: the line counted from 1 (0 when no line can be
    // named) and a few words; the reason is empty on success.
    int Line = 0;
    std::string Reason;
    // Level files: what the loader did (where it stopped, the line of every
    // wall, door and solid point).
    cLoad_Result Load;
    // Maps: what the importer skipped, one line each.
    std::vector<std::string> Notes;
    // The library's own messages written while opening (its warnings and
    // the loader's error lines), kept from the message sink.
    std::string Messages;

    bool Ok() const { return Reason.empty(); }
    explicit operator bool() const { return Ok(); }
    // "FILE:LINE: REASON", or "FILE: REASON" when no line is known; empty
    // on success.
    std::string Error() const;
};

// Reads, imports and builds the file as options say. Never throws, never
// writes on the message sink.
cOpen_Result Open_Level(const std::string& file_name, const cOpen_Options& options = cOpen_Options());

// A level made from a map: the rectangle (0,0)-(Width,Height), the walls in
// the chosen order, the solid points, and what the importer skipped.
struct cImported_Level {
    int Width = 0;
    int Height = 0;
    std::vector<cGrid_Wall> Walls;
    std::vector<cPoint2D> Solid;
    std::vector<std::string> Notes;
};

// Imports a grid map (cell: level units per cell), a Tiled map or a level of
// an LDtk project; false with a one-line reason in error when the file
// cannot be read, is refused, or would measure beyond the coordinate limit.
// The importers' notes (what was used, what was skipped) come back in
// level.Notes.
bool Import_Grid_Map(const std::string& file_name, int cell, cWall_Order order, bool solid, cImported_Level& level,
                     std::string& error);
bool Import_Tiled_Map(const std::string& file_name, const cTiled_Options& options, cWall_Order order, bool solid,
                      cImported_Level& level, std::string& error);
bool Import_Ldtk_Map(const std::string& file_name, const cLdtk_Options& options, cWall_Order order, bool solid,
                     cImported_Level& level, std::string& error);

// Puts an imported level into a new world: its rectangle as the world's own,
// its walls in order, its solid points. The world is not built.
void Fill_World(const cImported_Level& level, cGame_World& world);

// Why a world refused its build, on the line of what it refused when the
// load result knows it: "wall outside the world [0,0]-[100,100]", "solid
// point on a wall", ... Line 0 when no line is known.
struct cLevel_Problem {
    int Line = 0;
    std::string Reason;  // empty when nothing is wrong

    explicit operator bool() const { return !Reason.empty(); }
};
cLevel_Problem Build_Problem(const cGame_World& world, BUILD_STATUS status, const cLoad_Result& load);

// A rectangle as messages write it: [x1,y1]-[x2,y2].
std::string Rect_Text(const cRect2D& r);
// "FILE:LINE: REASON", or "FILE: REASON" when no line is known.
std::string Problem_Text(const std::string& file, const cLevel_Problem& problem);

}  // namespace bsp_levels

#endif
