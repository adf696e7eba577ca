// LDtk levels to levels: reads one level of an LDtk project (.ldtk, JSON;
// levels inline or saved in their own .ldtkl files) into blocked space in
// level units, which grid_import's Trace_Walls and Solid_Points turn into a
// level.
//
// What is collision: the cells of the level's IntGrid layers whose value is
// chosen. By default a value is chosen when its identifier (from the
// project's layer definitions) holds "wall", "collision" or "solid" (any
// case), and, in an IntGrid layer whose own identifier holds one of those
// words, every value without an identifier. Values, when set, replaces that
// choice: identifiers (compared without case) or numbers, in every IntGrid
// layer. Entity layers, tile layers and auto-layers are skipped, one note per
// layer ("layer \"Entities\": 12 entities skipped").
//
// Where things are: the level's own pixel coordinates are kept, y down as
// LDtk draws them. The level's pixel (x,y) is the level's point (x*Scale,
// y*Scale); the world rectangle is pxWid x pxHei pixels. An IntGrid cell
// (cx,cy) of a layer with grid size G covers [cx*G, (cx+1)*G] x [cy*G,
// (cy+1)*G], moved by the layer's total offset (__pxTotalOffsetX/Y) and cut
// to the level. The level's place in the world (worldX, worldY) is returned
// but not applied.
//
// Which level: the one whose identifier is Level; the first one of the file
// by default (levels of every world of a multi-world project, in order).
// A level whose layers are in a separate file (the project's
// externalLevels, the level's externalRelPath) is read from it, relative to
// the project's folder.
//
// No silent empty levels. Refused, with a reason that names what the project
// has: a Level that names no level; a value in Values that no IntGrid layer
// defines; a level where nothing blocks; an IntGrid layer whose chosen
// values fill every cell of the level; a level without free space.
//
// Also read: IntGrid data of projects before LDtk 1.0 ("intGrid": coordId
// and v, the value less one) when intGridCsv is absent.
#ifndef LDTK_IMPORT_H
#define LDTK_IMPORT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "grid_import.h"

namespace bsp_levels {

struct cLdtk_Options {
    // The level's identifier; empty: the first level.
    std::string Level;
    // The IntGrid values that block: identifiers or numbers; empty: the
    // default choice above. Split_Names (import_support.h) turns "walls,3"
    // into it.
    std::vector<std::string> Values;
    // Level units per pixel, at least 1.
    int Scale = 1;
};

// A level's blocked space: the level's pixel (x,y) is the point (x*Scale,
// y*Scale) of a world of pxWid*Scale x pxHei*Scale units.
struct cLdtk_Map {
    cBlocked_Space Space;
    std::string Level;                      // the identifier of the level read
    std::int64_t World_X = 0, World_Y = 0;  // its place in the project's world, in pixels
    // One line each, for the user: what was used, what was skipped.
    std::vector<std::string> Notes;
};

// Reads the text of a file the project names (a level's .ldtkl) by its path
// as the project writes it; false with a one-line reason when it cannot.
using cLdtk_File_Reader = std::function<bool(const std::string& path, std::string& text, std::string& error)>;

// Reads a level of a project file; level files are read relative to the
// project's folder. False with a one-line reason in error when the project
// cannot be read or the level is refused; map is then left empty.
bool Read_Ldtk_Map(const std::string& file_name, const cLdtk_Options& options, cLdtk_Map& map, std::string& error);

// The same for the text of a project; level files are read through
// read_files (a level in its own file is refused when it is empty).
bool Read_Ldtk_Text(const std::string& text, const cLdtk_Options& options, const cLdtk_File_Reader& read_files,
                    cLdtk_Map& map, std::string& error);

// ---------------------------------------------------------------- listing

// What a project holds, for choosing options (bsplevel import-ldtk --list).
struct cLdtk_Level_Entry {
    std::string Identifier;
    std::int64_t World_X = 0, World_Y = 0, Width = 0, Height = 0;  // pixels
    std::string Source;  // its own file, or empty
    // "IntGrid \"Collisions\" 16 x 16 cells of 16 pixels, 120 set; Entities
    // \"Entities\" 12 entities"; or why the layers cannot be read.
    std::string Layers;
};

struct cLdtk_Value_Entry {
    std::string Layer;  // the IntGrid layer definition's identifier
    std::int64_t Value = 0;
    std::string Identifier;  // may be empty
    bool Chosen = false;     // blocks under the options
};

struct cLdtk_Listing {
    std::vector<cLdtk_Level_Entry> Levels;
    std::vector<cLdtk_Value_Entry> Values;
};

// Lists a project; false with a one-line reason when it cannot be read (a
// Values entry that names nothing is no error here: nothing is chosen).
bool List_Ldtk_Map(const std::string& file_name, const cLdtk_Options& options, cLdtk_Listing& listing,
                   std::string& error);
bool List_Ldtk_Text(const std::string& text, const cLdtk_Options& options, const cLdtk_File_Reader& read_files,
                    cLdtk_Listing& listing, std::string& error);

// The listing as text, one line per level and IntGrid value:
//   level "Level_0": 256 x 256 pixels at (0,0); IntGrid "Collisions" ...
//   value "Collisions" 1 "walls": collision
//   value "Collisions" 2 "water": not collision
std::string Format_Ldtk_Listing(const cLdtk_Listing& listing);

// The most cells the blocked space may be cut into (as for Tiled maps).
constexpr std::int64_t LDTK_CELL_LIMIT = std::int64_t(1) << 25;

}  // namespace bsp_levels

#endif
