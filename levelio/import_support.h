// What the map importers (Tiled, LDtk) share: names quoted for messages,
// name lists as the tools take them, and the checks every imported level
// passes (it must block something and leave some space free).
#ifndef IMPORT_SUPPORT_H
#define IMPORT_SUPPORT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "grid_import.h"

namespace bsp_levels {

// A name or value from a map as it appears in a message: in double quotes,
// control characters, quotes and backslashes written \xNN, cut after 60
// characters ("..."), so that a message stays one line.
std::string Quote_Name(const std::string& text);

// text with its control characters written \xNN, so that it stays on one line.
std::string One_Line(const std::string& text);

// "a, b,c" -> {"a", "b", "c"}: names separated by commas, blanks around them
// dropped, empty names left out.
std::vector<std::string> Split_Names(const std::string& list);

// "1 tile", "2 tiles": a count and the noun, plural with -s (or plural).
std::string Count_Of(std::int64_t count, const std::string& noun, const std::string& plural = "");

// "blocks" for one, "block" for more: the verb agreeing with a count.
inline const char* Blocks_Verb(std::int64_t count) { return count == 1 ? "blocks" : "block"; }

// Whether the two names are equal when ASCII letters are compared without case.
bool Same_Name(const std::string& a, const std::string& b);

// Whether text holds word, compared without case.
bool Holds_Word(const std::string& text, const std::string& word);

// Whether some part of the world rectangle is covered by no box (walls do not
// cover). The caller keeps Compressed_Cells(space) within its limit first.
bool Has_Free_Space(const cBlocked_Space& space);

// Reads the whole file at path into text (false for a folder or a file that
// cannot be read).
bool Read_Whole_File(const std::string& path, std::string& text);

// Reads a map's companion files (tilesets, templates, level files): the file
// named relative to the folder of the map file_name, whole; false with why
// when it cannot be read.
std::function<bool(const std::string& name, std::string& text, std::string& why)> Folder_Reader(
    const std::string& file_name);

}  // namespace bsp_levels

#endif
