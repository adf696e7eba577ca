// Fuzz target of the LDtk importer: an input is the text of a project,
// followed by the level files it names, as import_fuzz_support.h describes.
// The project is read with Read_Ldtk_Text with a few sets of options, and
// listed with List_Ldtk_Text. A refusal must be one line and leave the map
// empty, without notes; a level read must give notes of one line each and
// blocked space that passes Check_Space. Nothing may crash, hang or invoke
// undefined behaviour. A broken rule is reported on stderr and aborts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "import_fuzz_support.h"
#include "ldtk_import.h"

using namespace bsp_levels;
using namespace import_fuzz;

namespace {

const char* const TARGET = "fuzz_ldtk_import";

void Check(bool holds, const std::string& what) {
    if (!holds) Broken(TARGET, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const cInput input(std::string(reinterpret_cast<const char*>(data), size));
    const cLdtk_File_Reader reader = [&](const std::string& name, std::string& text, std::string& error) {
        return input.Read(name, text, error);
    };
    cLdtk_Options options[3];
    options[1].Level = "Level_1";
    options[1].Values = {"1", "walls"};
    options[2].Scale = 3;
    for (const cLdtk_Options& o : options) {
        cLdtk_Map map;
        std::string error;
        if (!Read_Ldtk_Text(input.Map, o, reader, map, error)) {
            Check(One_Line(error), "a refusal without a one-line reason: " + error);
            Check(map.Space.Width == 0 && map.Space.Boxes.empty() && map.Space.Walls.empty() && map.Notes.empty(),
                  "a refused level left half read");
            continue;
        }
        Check(error.empty(), "an error for a level read");
        Check(map.Space.Walls.empty(), "walls from IntGrid cells");
        for (const std::string& note : map.Notes) Check(One_Line(note), "a note that is not one line: " + note);
        Check_Space(TARGET, map.Space, LDTK_CELL_LIMIT);
    }
    cLdtk_Listing listing;
    std::string error;
    if (List_Ldtk_Text(input.Map, options[0], reader, listing, error)) {
        const std::string text = Format_Ldtk_Listing(listing);
        Check(std::count(text.begin(), text.end(), '\n') == std::ptrdiff_t(listing.Levels.size() + listing.Values.size()),
              "a listing whose entries are not one line each:\n" + text);
    } else {
        Check(One_Line(error), "a listing refused without a one-line reason: " + error);
    }
    return 0;
}
