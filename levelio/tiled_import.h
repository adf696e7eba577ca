// Tiled maps to levels: reads a map of the Tiled editor (XML .tmx or JSON
// .tmj) into blocked space in level units: the tiles of its collision layer
// and the rectangles of its object layers as boxes, the edges of its polygons
// and polylines as walls. grid_import's Trace_Walls and Solid_Points then turn
// that space into a level.
//
// What is read: orthogonal maps, finite or infinite (chunks at any offset);
// tile layer data as CSV, base64, base64 with zlib or gzip, or <tile>
// elements; embedded and external tilesets (.tsx or .tsj/.json, relative to
// the map's folder). Everything else that would change the level (other
// orientations, zstd, ellipses, points, text, tile objects, templates,
// rotated objects, diagonal edges) is refused with a one-line reason.
#ifndef TILED_IMPORT_H
#define TILED_IMPORT_H

#include <cstdint>
#include <functional>
#include <string>

#include "grid_import.h"

namespace bsp_levels {

struct cTiled_Options {
    // The collision layer's name. Empty: the one tile layer whose name holds
    // "collision" (in any case) or that has the bool property collision = true.
    std::string Layer;
    // Empty: every tile of the collision layer blocks. Otherwise only the
    // tiles to which their tileset gives this bool property with value true.
    std::string Solid_Property;
    // Level units per pixel, at least 1.
    int Scale = 1;
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
};

// Reads the text of an external tileset that a map names by source (as the
// map writes it); false with a one-line reason when it cannot.
using cTileset_Reader = std::function<bool(const std::string& source, std::string& text, std::string& error)>;

// Reads a map from a file; the first non-blank character tells XML ('<')
// from JSON. External tilesets are read relative to the map's folder. False
// with a one-line reason in error when the map cannot be read or is refused;
// map is then left empty.
bool Read_Tiled_Map(const std::string& file_name, const cTiled_Options& options, cTiled_Map& map, std::string& error);

// The same for the text of a map; external tilesets are read through
// read_tileset, and refused when it is empty.
bool Read_Tiled_Text(const std::string& text, const cTiled_Options& options, const cTileset_Reader& read_tileset,
                     cTiled_Map& map, std::string& error);

// The most cells the blocked space may be cut into (see Compressed_Cells): a
// map of 4096 x 4096 tiles with scattered objects fits.
constexpr std::int64_t TILED_CELL_LIMIT = std::int64_t(1) << 25;

}  // namespace bsp_levels

#endif
