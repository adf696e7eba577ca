// Reads a level file into a world.
//
// A level file lists walls and, optionally, the extent of the level:
//
//   <AREA>
//   [200,100]
//   <WALLS>
//   [0,50]->[60,50]
//   [60,0]->[60,30]
//
// A tag line ("<AREA>", "<WALLS>", "<SOLID>" or "<DOORS>", starting in the
// first column) switches the kind of the items that follow it. An area item
// [x,y] sets WORLD_BOUNDS to the rectangle from (0,0) to (x,y); a wall item
// [x1,y1]->[x2,y2] is inserted into the world at once, in file order. The
// two optional kinds:
//
//   <SOLID>
//   [30,70]           a point in solid rock: the build marks the region it
//                     lies in (up to the walls around it) as solid space
//   <DOORS>
//   [60,30]->[60,50]  a door: divides the world like a wall, numbered 0, 1,
//                     ... in file order, closed when loaded
//
// Whitespace may stand before every token. Lines may end with LF or CR LF;
// a UTF-8 byte order mark may open the file.
#ifndef LEVEL_LOADER_H
#define LEVEL_LOADER_H

#include <istream>
#include <string>
#include <vector>

namespace bsp_levels {

class cGame_World;
class cHV_Wall;

// Why a load stopped.
enum LOAD_STATUS : int {
    LOAD_DONE = 0,         // the whole text was read
    LOAD_CANNOT_OPEN = 1,  // the file could not be opened or read
    LOAD_UNKNOWN_TAG = 2,  // a tag line other than <AREA>, <WALLS>, <SOLID> and <DOORS>
    LOAD_NO_TAG = 3,       // an item before the first tag line
    LOAD_BAD_ITEM = 4,     // a malformed item, or no item where one was due
    // Only when reading strictly (Load_Level):
    LOAD_DROPPED_ITEM = 5, // a wall or door the world would drop or keep as a point:
                           // neither horizontal nor vertical, or of zero length
    LOAD_NO_LEVEL = 6,     // no tag line at all: an empty file, or blank lines only
    LOAD_OVER_LIMIT = 7    // the level went beyond the world's limits (cWorld_Limits) at this wall or door
};

// What a load did. It reads as true when the whole text was read.
struct cLoad_Result {
    LOAD_STATUS Status = LOAD_DONE;
    // The line where the reading stopped, counted from 1 as editors count
    // (0 when the file could not be opened).
    int Line = 0;
    // Why, in a few words: "unknown tag '<WALL>'", "number 200000000
    // outside the coordinate range ±100000000", "malformed wall item" ...
    // Empty when the whole text was read.
    std::string Reason;
    // The line, counted from 1, of each wall the world accepted, in the
    // order of its walls (cGame_World::Get_Level_Walls).
    std::vector<int> Wall_Lines;
    // The same for the doors (by number) and the solid points.
    std::vector<int> Door_Lines;
    std::vector<int> Solid_Lines;
    // Load_Level only: what the library wrote on its message sink during
    // the load (the loader's and the walls' own messages), which Load_Level
    // keeps from the sink.
    std::string Messages;

    operator bool() const { return Status == LOAD_DONE; }
};

// How Load_Level reads a level.
struct cLoad_Options {
    // Refuse, rather than let through, what cLevel_Loader::Load accepts with
    // at most a message: a wall or door that is neither horizontal nor
    // vertical or that has zero length (LOAD_DROPPED_ITEM, on its line; it is
    // not inserted), and a text without any tag line, an empty file included
    // (LOAD_NO_LEVEL). A wall or door the world refuses for its limits
    // stops the reading in any case (LOAD_OVER_LIMIT).
    bool Strict = true;
};

// Reads a level file into world, which must be new (not built), touching no
// state outside world: an area item sets the world's own rectangle
// (cGame_World::Set_Bounds), never WORLD_BOUNDS, and a level without one
// gets DEFAULT_WORLD_BOUNDS, as in a fresh program (unless the world was
// given a rectangle before). Several threads may load and build worlds at
// once. The library's messages written meanwhile are kept in the result's
// Messages, not written to the message sink. A UTF-8 byte order mark at the
// start of the file is skipped, and CR LF ends lines as LF does.
cLoad_Result Load_Level(const std::string& file_name, cGame_World& world, const cLoad_Options& options = {});
// The same for the text of a level; name stands for its file in the result.
cLoad_Result Load_Level_Text(const std::string& text, const std::string& name, cGame_World& world,
                             const cLoad_Options& options = {});

class cLevel_Loader {
public:
    // Reads the file into world, which must be created and not yet built.
    // The whole file was read when the result is true. A file that cannot be
    // read and a malformed item are reported on the library's message sink;
    // an unknown tag line or an item before the first tag line stop the
    // reading silently. Walls read before a failure stay in the world.
    cLoad_Result Load(const char* file_name, cGame_World* world);
    // The same for a level text read from in; name stands for the file's
    // name in the messages.
    cLoad_Result Load(std::istream& in, const char* name, cGame_World* world);

    // One point "[x,y]"; x and y are written only when their number was read.
    // A number outside [-COORD_LIMIT, COORD_LIMIT] is a mismatch.
    bool Read_Point(int& x, int& y, std::istream& in);
    // One segment "[x1,y1]->[x2,y2]", as a wall or a door is written.
    bool Read_Segment(cHV_Wall& segment, std::istream& in);
    bool Read_Area_Item(std::istream& in);
    bool Read_Wall_Item(std::istream& in, cGame_World* world);
    bool Read_Solid_Item(std::istream& in, cGame_World* world);
    bool Read_Door_Item(std::istream& in, cGame_World* world);
    void Report_Read_Error(int line, const char* file_name);

private:
    friend cLoad_Result Load_Level_Text(const std::string&, const std::string&, cGame_World&, const cLoad_Options&);
    cLoad_Result Load_Text(std::string& text, const char* name, cGame_World* world);
    // Reads a wall or door item into segment; in strict reading, says in
    // Dropped why the world would not take it as a segment.
    bool Read_Checked_Segment(cHV_Wall& segment, std::istream& in, const char* kind);
    // Load_Level's reading: area items set this world's own rectangle, and
    // strict reading refuses dropped items and texts without a tag.
    cGame_World* Own_Bounds = nullptr;
    bool Strict = false;
    std::string Dropped;
    std::string Over_Limit;  // why the world refused the last item for its limits
    bool Expect(std::istream& in, char expected);
    bool Read_Number(std::istream& in, int& value);
    // Where the last token read or tried began, and the number out of range
    // met there, if any.
    std::streamoff Token_At = 0;
    std::streamoff Text_Size = 0;
    bool Out_Of_Range = false;
    long long Bad_Number = 0;
};

}  // namespace bsp_levels

#endif
