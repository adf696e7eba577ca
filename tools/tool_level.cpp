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
    level.Build_Status = level.World->Build();
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

namespace {

// The walls and doors of a world that is not built, by line, to tell whether
// a point lies on one without the areas the build would make.
class cLine_Index {
public:
    explicit cLine_Index(const cGame_World& world) {
        for (const std::vector<cHV_Wall>* list : {&world.Get_Level_Walls(), &world.Get_Level_Doors()})
            for (const cHV_Wall& w : *list) {
                if (w.p0.y == w.p1.y) Rows[w.p0.y].emplace_back(std::min(w.p0.x, w.p1.x), std::max(w.p0.x, w.p1.x));
                if (w.p0.x == w.p1.x) Columns[w.p0.x].emplace_back(std::min(w.p0.y, w.p1.y), std::max(w.p0.y, w.p1.y));
            }
    }
    bool Contains(const cPoint2D& p) const { return Covers(Rows, p.y, p.x) || Covers(Columns, p.x, p.y); }

private:
    using tLines = std::map<int, std::vector<std::pair<int, int>>>;
    tLines Rows, Columns;  // horizontal walls by y, vertical ones by x: their spans
    static bool Covers(const tLines& lines, int line, int at) {
        const auto it = lines.find(line);
        if (it == lines.end()) return false;
        for (const auto& span : it->second)
            if (span.first <= at && at <= span.second) return true;
        return false;
    }
};

}  // namespace

cLevel_Problem Build_Problem(const cTool_Level& level) {
    if (level.Build_Status != BUILD_SOLID_OUTSIDE && level.Build_Status != BUILD_SOLID_ON_WALL)
        return Build_Problem(*level.World, level.Build_Status, level.Load_Result);
    // The build refused the first solid point outside the world or on a wall
    // or door; the world, refused, has no areas to look points up in.
    cLevel_Problem problem;
    const cLine_Index walls(*level.World);
    const std::vector<cPoint2D>& points = level.World->Get_Solid_Points();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bool outside = !level.Bounds.In(points[i]);
        if (!outside && !walls.Contains(points[i])) continue;
        if (i < level.Load_Result.Solid_Lines.size()) problem.Line = level.Load_Result.Solid_Lines[i];
        problem.Reason = outside ? "solid point outside the world " + Rect_Text(level.Bounds) : "solid point on a wall";
        return problem;
    }
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
