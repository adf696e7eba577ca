// Tiled maps to levels: reads a map of the Tiled editor (XML .tmx or JSON
// .tmj, Tiled 1.0 to 1.11) into blocked space in level units, which
// grid_import's Trace_Walls and Solid_Points turn into a level.
//
// What is collision. Level designers draw it in three ways, and the importer
// takes every one a map uses:
//
//  (a) Tile collision shapes: the objects that a tileset's collision editor
//      gives a tile (embedded or external tilesets). Wherever such a tile is
//      placed, in any tile layer, its shapes block, with the tile's flips
//      applied. Tiles whose tileset gives them the bool property "collision",
//      "collides", "solid" or "wall" = true (or the one named by
//      Solid_Property) block too, in any tile layer: their shapes when they
//      have some, else their whole cell.
//  (b) Collision tile layers: a tile layer whose name holds "collision" (any
//      case) or that has the bool property collision = true, or that lies in
//      a group so marked. Every tile in it blocks (its shapes when it has
//      some, else its whole cell); with Solid_Property only the tiles whose
//      tileset gives them that bool property = true.
//  (c) Collision objects: every object of an object layer marked as in (b),
//      and in any other object layer the objects whose class (Tiled 1.9+
//      "class", older "type"; an empty one is none; a tile object without
//      one takes its tile's, a template instance its template's) is one of
//      Object_Classes (default "collision", "wall", "solid"; any case).
//      Every other object is skipped, with one note per layer ("layer \"Spawns\": 12 objects
//      skipped"), whatever its kind: points, ellipses, text, tile objects,
//      templates that cannot be read, paths.
//
// Layer, when set, replaces that choice: the layer (tile or object layer, or
// every layer of a group) named Layer or whose path is Layer ("Group/Name")
// is the whole collision, as in (b) and (c); nothing else blocks.
//
// Shapes. A rectangle blocks its box; a polygon whose edges are all
// horizontal or vertical (after rounding to level units) blocks its inside
// (even-odd rule), or gives its edges as walls when it has no inside; a
// polyline with such edges gives its edges as walls. Rotations by multiples
// of 90 degrees are exact. A tile object blocks its box (anchored as its
// tileset's object alignment says; bottom left by default). On tiles, shapes
// that are none of these (ellipses, capsules, slanted polygons for slopes,
// other rotations) block their bounding box, with one note per tileset;
// points and text on tiles are ignored, and so are shapes whose class is set
// to something other than a collision class (a ladder, water), with one note
// per tileset. In a collision layer, or for an
// object of a collision class, such a shape is refused with the layer's and
// the object's names.
//
// Where things are. The map's pixel (x,y) is the level's point
// ((x-Origin_X)*Scale, (y-Origin_Y)*Scale), rounded to whole units, y down.
// A tile of W x H pixels placed at cell (i,j) of a map with tiles of TW x TH
// pixels is drawn with its bottom left corner at the cell's bottom left
// (i*TW, (j+1)*TH), moved by its tileset's tile offset, as Tiled draws it;
// tiles larger than the grid reach up and right (an image-collection
// tileset's tiles have their own sizes; tilesets drawn at grid size scale
// their shapes). A tile's collision shapes are in its image's pixels; the
// flips are applied as Tiled applies them (the anti-diagonal flip first,
// then the horizontal and vertical ones); the hexagonal rotation bit means
// nothing on orthogonal maps and is cleared. Layer offsets, summed through
// the groups, move a layer's tiles and objects; parallax (a drawing effect)
// is ignored. Everything is cut to the map: a finite map's width x height
// tiles, an infinite map's box around the chunks of all its tile layers.
//
// No silent empty levels. Refused, with a reason that names what the map
// has: a map where nothing is collision; a collision layer (tile or object)
// that blocks nothing when nothing else blocks either (beside other
// collision it is only noted: a layer left empty in a map whose tiles carry
// the shapes); a collision tile layer that blocks every cell of the map; a
// Layer that names no layer; a Solid_Property that no tile of the tilesets
// has; a level without free space. A template's tile object takes its box
// from the template (its gid belongs to the template's tileset, not read). Layers and objects that
// are skipped are never read beyond their kind and class, so they cannot
// refuse a map.
//
// Notes, one line each, are returned with the map (the caller shows them):
// what was taken as collision, each object layer's skipped objects, each
// tileset whose shapes were boxed, each template that could not be read.
//
// What is read: orthogonal maps, finite or infinite (chunks at any offset);
// tile data as CSV, base64, base64 with zlib or gzip (never inflated past what
// the layer can hold), or <tile> elements; tilesets embedded or external
// (.tsx, .tsj/.json) and templates (.tx, .tj), read relative to the map's
// folder (a template's and its tileset's paths as the map writes them).
// Other orientations and zstd are refused with a one-line reason.
#ifndef TILED_IMPORT_H
#define TILED_IMPORT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "grid_import.h"

namespace bsp_levels {

struct cTiled_Options {
    // Empty: collision chosen as (a), (b) and (c) above. Otherwise the name
    // (or "Group/Name" path) of the layer or group that is the collision.
    std::string Layer;
    // Empty: the tile properties collision, collides, solid and wall.
    // Otherwise the one bool tile property that marks blocking tiles; in a
    // collision tile layer only tiles that have it = true then block.
    std::string Solid_Property;
    // The object classes that are collision in any object layer (compared
    // without case). Split_Names (import_support.h) turns "wall,rock" into it.
    std::vector<std::string> Object_Classes = {"collision", "wall", "solid"};
    // Level units per pixel, at least 1.
    int Scale = 1;
    // The most tiles the map's tile layers may hold together (width x height
    // of each layer or chunk that is read), checked before any layer's data
    // is unpacked: a few megabytes of compressed zeros cannot make
    // gigabytes. The default, 2^26, is four layers of 4096 x 4096 tiles
    // (1 GiB of tile numbers at most); raise it for larger maps.
    std::int64_t Max_Tiles = std::int64_t(1) << 26;
};

// A map's blocked space. The world rectangle is the map (a finite map's
// width x height tiles; an infinite map's bounding box of its tile layers'
// chunks) shifted so that its top left corner is the level's (0,0), and
// scaled: the map's pixel (Origin_X + x, Origin_Y + y) is the level's point
// (x * Scale, y * Scale).
struct cTiled_Map {
    cBlocked_Space Space;
    std::int64_t Origin_X = 0;
    std::int64_t Origin_Y = 0;
    // One line each, for the user: what was used, what was skipped.
    std::vector<std::string> Notes;
};

// Reads the text of a file that a map names (an external tileset or a
// template) by its path as the map writes it; false with a one-line reason
// when it cannot.
using cTileset_Reader = std::function<bool(const std::string& source, std::string& text, std::string& error)>;

// Reads a map from a file; the first non-blank character tells XML ('<')
// from JSON. Tilesets and templates are read relative to the map's folder.
// False with a one-line reason in error when the map cannot be read or is
// refused; map is then left empty.
bool Read_Tiled_Map(const std::string& file_name, const cTiled_Options& options, cTiled_Map& map, std::string& error);

// The same for the text of a map; the files it names are read through
// read_files (a map that needs one is refused when it is empty).
bool Read_Tiled_Text(const std::string& text, const cTiled_Options& options, const cTileset_Reader& read_files,
                     cTiled_Map& map, std::string& error);

// ---------------------------------------------------------------- listing

// What a map holds, for a designer choosing options (bsplevel import-tiled
// --list): its layers in file order and its tilesets.
struct cTiled_Layer_Entry {
    std::string Path;  // the name, after its groups' names: "Group/Name"
    std::string Kind;  // "tile", "object", "image" or "group"
    std::int64_t Tiles = 0;    // tile layers: cells holding a tile; -1 when the data cannot be read
    std::int64_t Objects = 0;  // object layers: objects
    std::string Properties;    // "name=value, ..." (bools true/false), the class first as "class=..."
    std::string Use;           // what the import does with the layer under the options
};

struct cTiled_Tileset_Entry {
    std::string Name;
    std::string Source;  // the external file, or empty when embedded
    std::int64_t First_Gid = 0;
    std::int64_t Tile_Count = 0;   // -1 when the tileset does not say
    std::int64_t Shape_Tiles = 0;  // tiles with collision shapes
    std::int64_t Shapes = 0;       // their shapes
    std::string Shape_Kinds;       // "rectangle 3, polygon 1, ellipse 1"
    std::string Solid_Tiles;       // "solid 4, collides 2": tiles with each bool property true
};

struct cTiled_Listing {
    std::int64_t Width = 0, Height = 0;  // tiles (a finite map's)
    std::int64_t Tile_Width = 0, Tile_Height = 0;
    bool Infinite = false;
    std::vector<cTiled_Layer_Entry> Layers;
    std::vector<cTiled_Tileset_Entry> Tilesets;
};

// Lists a map (file or text, files read as for Read_Tiled_Map and
// Read_Tiled_Text); Use says what an import with these options does with
// each layer. False with a one-line reason when the map cannot be read; a
// layer whose data cannot be decoded is listed with Tiles -1.
bool List_Tiled_Map(const std::string& file_name, const cTiled_Options& options, cTiled_Listing& listing,
                    std::string& error);
bool List_Tiled_Text(const std::string& text, const cTiled_Options& options, const cTileset_Reader& read_files,
                     cTiled_Listing& listing, std::string& error);

// The listing as text, one line per map, layer and tileset:
//   map: 40 x 30 tiles of 16 x 16 pixels          ("map: infinite of ...")
//   layer "Ground": tile, 1200 tiles; not used
//   layer "Blocks": tile, 310 tiles, collision=true; collision tiles
//   layer "Spawns": object, 12 objects; skipped
//   tileset "terrain" (first gid 1, 64 tiles): 12 tiles with collision shapes (polygon 1, rectangle 11)
std::string Format_Tiled_Listing(const cTiled_Listing& listing);

// The most cells the blocked space may be cut into (see Compressed_Cells): a
// map of 4096 x 4096 tiles with scattered objects fits.
constexpr std::int64_t TILED_CELL_LIMIT = std::int64_t(1) << 25;

// The most boxes and walls the blocked space may hold before it is cut
// (neighbouring tiles' boxes on a row are merged as they are made).
constexpr std::int64_t TILED_PIECE_LIMIT = std::int64_t(1) << 23;

}  // namespace bsp_levels

#endif
