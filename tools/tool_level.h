// A level as the command-line tool sees it: loaded from its file, built, and
// described by a few counts; and, when it is not whole, what is wrong with it,
// one line each, naming the file and the line as editors count.
#ifndef TOOL_LEVEL_H
#define TOOL_LEVEL_H

#include <iosfwd>
#include <memory>
#include <string>

#include "game_bsp.h"
#include "level_loader.h"

namespace bsp_levels {

struct cTool_Level {
    std::unique_ptr<cGame_World> World;
    std::string File;
    bool Loaded = false;   // the loader read the whole file
    bool Built = false;    // the world accepted its build
    cLoad_Result Load_Result;  // what the loader did: where it stopped, why, the lines of the walls
    BUILD_STATUS Build_Status = BUILD_DONE;
    cRect2D Bounds;        // the rectangle the world was built (or refused) with
    double Load_Ms = 0;    // processor time reading the file and inserting the walls
    double Build_Ms = 0;   // processor time of the build: areas, portals, waypoints
};

// Whether the file exists, is not a directory and can be opened for reading.
bool Is_Readable_File(const std::string& file);

// Loads the file into a new world, starting from the default bounds
// DEFAULT_WORLD_BOUNDS as a fresh program would, and builds it, whatever the
// loader answered. The library's messages go to its message sink. The file must be readable.
cTool_Level Load_Level(const std::string& file);

// One thing wrong with a level: the line it lies on and why.
struct cLevel_Problem {
    int Line = 0;         // counted from 1; 0 when no line can be named
    std::string Reason;   // empty when nothing is wrong

    explicit operator bool() const { return !Reason.empty(); }
};

// Why the loader stopped before the end of the file ("unknown tag '<WALL>'",
// "malformed wall item", ...), as the loader says it.
cLevel_Problem Load_Problem(const cTool_Level& level);

// Why the world refused its build: "wall outside the world [0,0]-[100,100]"
// on the line of the first such wall.
cLevel_Problem Build_Problem(const cTool_Level& level);
// A rectangle as the messages write it: [x1,y1]-[x2,y2].
std::string Rect_Text(const cRect2D& r);

// "FILE:LINE: REASON", or "FILE: REASON" when no line is known.
std::string Problem_Text(const std::string& file, const cLevel_Problem& problem);

// What a file that is not a level may be instead.
enum class cMap_Kind { NONE, GRID, TILED };

// Looks at the beginning of a text: a grid map of the pathfinding
// benchmarks starts with a line "type octile"; a Tiled map is XML ("<?xml"
// or "<map") whose root is <map>, or a JSON object with one of the keys
// "tiledversion", "orientation" or "layers". A level file is none of these.
cMap_Kind Map_Kind_Of_Text(const std::string& head);
// The same for the first 64 KiB of the file (NONE when it cannot be read).
cMap_Kind Map_Kind_Of_File(const std::string& file);

struct cLevel_Stats {
    int Walls = 0;       // walls accepted by the world, in file order
    int Wall_Nodes = 0;  // tree nodes made by insertion (wall pieces that divide)
    int Tree_Depth = 0;  // most wall nodes on one way from the root to an area
    int Areas = 0;
    int Portals = 0;
    int Waypoints = 0;
    int Solid_Areas = 0;  // areas in solid space
    int Doors = 0;
    int Door_Pieces = 0;  // open stretches under doors between two areas
    int Open_Doors = 0;
};

cLevel_Stats Get_Stats(const cGame_World& world);

}  // namespace bsp_levels

#endif
