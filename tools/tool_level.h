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
#include "level_open.h"

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

// Loads the file into a new world of its own (Load_Level, strict: a dropped
// wall or an empty file stops the reading), and builds it, whatever the
// loader answered, unless the level went beyond the world's limits. The loader's and the walls' messages are kept in
// Load_Result.Messages; the build's go to the message sink. The file must be
// readable.
cTool_Level Load_Tool_Level(const std::string& file);

// Why the loader stopped before the end of the file ("unknown tag '<WALL>'",
// "malformed wall item", "wall [0,0]->[5,5] is neither horizontal nor
// vertical", ...), as the loader says it.
cLevel_Problem Load_Problem(const cTool_Level& level);

// Why the world refused its build, on the line of what it refused: "wall
// outside the world [0,0]-[100,100]", "door outside the world ...", "solid
// point outside the world ...", "solid point on a wall" (the first such
// point, found among the walls and doors themselves, as the refused world
// has no areas to look it up in), "the solid points mark the whole world:
// no wall closes their region".
cLevel_Problem Build_Problem(const cTool_Level& level);

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
