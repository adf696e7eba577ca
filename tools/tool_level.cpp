#include "tool_level.h"

#include "messages.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace bsp_levels {

bool Is_Readable_File(const std::string& file) {
    std::error_code ec;
    if (file.empty() || std::filesystem::is_directory(file, ec)) return false;
    std::ifstream in(file, std::ios::in | std::ios::binary);
    return in.is_open();
}

namespace {

// Processor time, so that other work on the machine does not count.
double Milliseconds_Since(std::clock_t start) { return 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC; }

}  // namespace

cTool_Level Load_Tool_Level(const std::string& file) {
    cTool_Level level;
    level.File = file;
    level.World.reset(new cGame_World());
    std::clock_t start = std::clock();
    level.Load_Result = Load_Level(file, *level.World);
    // The loader keeps its messages; they go where the build's go.
    Message_Sink() << level.Load_Result.Messages;
    level.Load_Ms = Milliseconds_Since(start);
    level.Loaded = level.Load_Result;
    start = std::clock();
    // A level beyond the world's limits is not built: what was read of it
    // would cost as much.
    if (level.Load_Result.Status != LOAD_OVER_LIMIT) level.Build_Status = level.World->Build();
    level.Build_Ms = Milliseconds_Since(start);
    level.Built = level.World->Is_Built();
    level.Bounds = level.World->Get_Bounds();
    return level;
}

cLevel_Problem Load_Problem(const cTool_Level& level) {
    cLevel_Problem problem;
    if (level.Load_Result) return problem;
    problem.Line = level.Load_Result.Line;
    problem.Reason = level.Load_Result.Reason.empty() ? "the loader stopped early" : level.Load_Result.Reason;
    return problem;
}

cLevel_Problem Build_Problem(const cTool_Level& level) {
    return Build_Problem(*level.World, level.Build_Status, level.Load_Result);
}

cLevel_Stats Get_Stats(const cGame_World& world) {
    cLevel_Stats stats;
    stats.Walls = int(world.Get_Level_Walls().size());
    stats.Wall_Nodes = world.N_Nodes;
    stats.Areas = int(world.Areas.size());
    stats.Portals = int(world.Portals.size());
    for (const cSquarePortal* area : world.Areas) stats.Waypoints += int(area->WayPoints.size());
    stats.Solid_Areas = world.N_Solid_Areas;
    stats.Doors = world.N_Doors();
    for (int d = 0; d < stats.Doors; ++d) {
        stats.Door_Pieces += world.Door_Pieces(d);
        stats.Open_Doors += world.Is_Door_Open(d) ? 1 : 0;
    }
    // Depth: count the wall nodes (every node that is not an area) on each way down.
    std::vector<std::pair<const cGame_World::Node*, int>> pending;
    if (world.Root != nullptr) pending.emplace_back(world.Root, 0);
    while (!pending.empty()) {
        const cGame_World::Node* node = pending.back().first;
        const int above = pending.back().second;
        pending.pop_back();
        if (dynamic_cast<const cSquarePortal*>(node) != nullptr) continue;
        const int depth = above + 1;
        if (depth > stats.Tree_Depth) stats.Tree_Depth = depth;
        if (node->Front) pending.emplace_back(node->Front, depth);
        if (node->Back) pending.emplace_back(node->Back, depth);
    }
    return stats;
}

}  // namespace bsp_levels
