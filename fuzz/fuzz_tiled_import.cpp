// Fuzz target of the Tiled importer: an input is the text of a map (XML when
// its first non-blank character is '<', JSON otherwise), followed by the
// files it names (tilesets, templates) as import_fuzz_support.h describes.
// The map is read with Read_Tiled_Text with a few sets of options, and
// listed with List_Tiled_Text. A refusal must be one line and leave the map
// empty, without notes; a map read must give notes of one line each and
// blocked space that passes Check_Space. Nothing may crash, hang or invoke
// undefined behaviour. A broken rule is reported on stderr and aborts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "import_fuzz_support.h"
#include "tiled_import.h"

using namespace bsp_levels;
using namespace import_fuzz;

namespace {

const char* const TARGET = "fuzz_tiled_import";

void Check(bool holds, const std::string& what) {
    if (!holds) Broken(TARGET, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const cInput input(std::string(reinterpret_cast<const char*>(data), size));
    const cTileset_Reader reader = [&](const std::string& name, std::string& text, std::string& error) {
        return input.Read(name, text, error);
    };
    cTiled_Options options[4];
    options[1].Solid_Property = "solid";
    options[1].Scale = 3;
    options[1].Object_Classes = {"wall"};
    options[2].Layer = "Ground";
    options[3].Object_Classes = {};
    for (const cTiled_Options& o : options) {
        cTiled_Map map;
        std::string error;
        if (!Read_Tiled_Text(input.Map, o, reader, map, error)) {
            Check(One_Line(error), "a refusal without a one-line reason: " + error);
            Check(map.Space.Width == 0 && map.Space.Boxes.empty() && map.Space.Walls.empty() && map.Notes.empty(),
                  "a refused map left half read");
            continue;
        }
        Check(error.empty(), "an error for a map read");
        for (const std::string& note : map.Notes) Check(One_Line(note), "a note that is not one line: " + note);
        Check_Space(TARGET, map.Space, TILED_CELL_LIMIT);
    }
    cTiled_Listing listing;
    std::string error;
    if (List_Tiled_Text(input.Map, options[0], reader, listing, error)) {
        const std::string text = Format_Tiled_Listing(listing);
        Check(!text.empty() && text.back() == '\n', "a listing that does not end a line");
        Check(std::count(text.begin(), text.end(), '\n') == std::ptrdiff_t(1 + listing.Layers.size() + listing.Tilesets.size()),
              "a listing whose entries are not one line each:\n" + text);
    } else {
        Check(One_Line(error), "a listing refused without a one-line reason: " + error);
    }
    return 0;
}
