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
// A tag line ("<AREA>" or "<WALLS>", starting in the first column) switches
// the kind of the items that follow it. An area item [x,y] sets WORLD_BOUNDS
// to the rectangle from (0,0) to (x,y); a wall item [x1,y1]->[x2,y2] is
// inserted into the world at once, in file order. Whitespace may stand before
// every token. Lines may end with LF or CR LF.
#ifndef LEVEL_LOADER_H
#define LEVEL_LOADER_H

#include <istream>

class cGame_World;

class cLevel_Loader {
public:
    // Reads the file into world, which must be created and not yet built.
    // Returns true when the whole file was read. A file that cannot be read
    // and a malformed item are reported on std::cout; an unknown tag line or
    // an item before the first tag line stop the reading silently. Walls read
    // before a failure stay in the world.
    bool Load(const char* file_name, cGame_World* world);

    // One point "[x,y]"; x and y are written only when their number was read.
    // A number outside [-COORD_LIMIT, COORD_LIMIT] is a mismatch.
    bool Read_Point(int& x, int& y, std::istream& in);
    bool Read_Area_Item(std::istream& in);
    bool Read_Wall_Item(std::istream& in, cGame_World* world);
    void Report_Read_Error(int line, const char* file_name);
};

#endif
