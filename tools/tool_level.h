// A level as the command-line tool sees it: loaded from its file, built, and
// described by a few counts.
#ifndef TOOL_LEVEL_H
#define TOOL_LEVEL_H

#include <iosfwd>
#include <memory>
#include <string>

#include "game_bsp.h"

struct cTool_Level {
    std::unique_ptr<cGame_World> World;
    std::string File;
    bool Loaded = false;   // the loader read the whole file
    bool Built = false;    // the world accepted its build
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

struct cLevel_Stats {
    int Walls = 0;       // walls accepted by the world, in file order
    int Wall_Nodes = 0;  // tree nodes made by insertion (wall pieces that divide)
    int Tree_Depth = 0;  // most wall nodes on one way from the root to an area
    int Areas = 0;
    int Portals = 0;
    int Waypoints = 0;
};

cLevel_Stats Get_Stats(const cGame_World& world);

#endif
