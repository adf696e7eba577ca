#include "tool_level.h"

#include <ctime>
#include <filesystem>
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

cTool_Level Load_Level(const std::string& file) {
    cTool_Level level;
    level.File = file;
    level.World.reset(new cGame_World());
    WORLD_BOUNDS = DEFAULT_WORLD_BOUNDS;
    cLevel_Loader loader;
    std::clock_t start = std::clock();
    level.Load_Result = loader.Load(file.c_str(), level.World.get());
    level.Load_Ms = Milliseconds_Since(start);
    level.Loaded = level.Load_Result;
    start = std::clock();
    level.Build_Status = level.World->Build();
    level.Build_Ms = Milliseconds_Since(start);
    level.Built = level.World->Is_Built();
    level.Bounds = level.Built ? level.World->Get_Bounds() : WORLD_BOUNDS;
    return level;
}

cLevel_Problem Load_Problem(const cTool_Level& level) {
    cLevel_Problem problem;
    if (level.Load_Result) return problem;
    problem.Line = level.Load_Result.Line;
    problem.Reason = level.Load_Result.Reason.empty() ? "the loader stopped early" : level.Load_Result.Reason;
    return problem;
}

std::string Rect_Text(const cRect2D& r) {
    return "[" + std::to_string(r.Min.x) + "," + std::to_string(r.Min.y) + "]-[" + std::to_string(r.Max.x) + "," +
           std::to_string(r.Max.y) + "]";
}

cLevel_Problem Build_Problem(const cTool_Level& level) {
    cLevel_Problem problem;
    switch (level.Build_Status) {
    case BUILD_DONE: return problem;
    case BUILD_WALL_OUTSIDE: {
        // The build checks the walls, then the doors, in the order they were
        // accepted and refuses at the first one outside; the loader knows
        // their lines.
        const std::vector<cHV_Wall>& walls = level.World->Get_Level_Walls();
        for (std::size_t i = 0; i < walls.size(); ++i) {
            if (level.Bounds.In(walls[i].p0) && level.Bounds.In(walls[i].p1)) continue;
            if (i < level.Load_Result.Wall_Lines.size()) problem.Line = level.Load_Result.Wall_Lines[i];
            problem.Reason = "wall outside the world " + Rect_Text(level.Bounds);
            return problem;
        }
        const std::vector<cHV_Wall>& doors = level.World->Get_Level_Doors();
        for (std::size_t i = 0; i < doors.size(); ++i) {
            if (level.Bounds.In(doors[i].p0) && level.Bounds.In(doors[i].p1)) continue;
            if (i < level.Load_Result.Door_Lines.size()) problem.Line = level.Load_Result.Door_Lines[i];
            break;
        }
        problem.Reason = "door outside the world " + Rect_Text(level.Bounds);
        return problem;
    }
    case BUILD_SOLID_OUTSIDE:
    case BUILD_SOLID_ON_WALL: {
        // The build refuses at the first solid point outside or on a wall.
        const std::vector<cPoint2D>& points = level.World->Get_Solid_Points();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const bool outside = !level.Bounds.In(points[i]);
            if (!outside && !level.World->Is_On_Wall(points[i])) continue;
            if (i < level.Load_Result.Solid_Lines.size()) problem.Line = level.Load_Result.Solid_Lines[i];
            problem.Reason = outside ? "solid point outside the world " + Rect_Text(level.Bounds)
                                     : "solid point on a wall";
            return problem;
        }
        problem.Reason = "solid point outside the world or on a wall";
        return problem;
    }
    case BUILD_SOLID_EVERYWHERE:
        if (!level.Load_Result.Solid_Lines.empty()) problem.Line = level.Load_Result.Solid_Lines.front();
        problem.Reason = "the solid points mark the whole world: no wall closes their region";
        return problem;
    }
    problem.Reason = "the world refused its build (status " + std::to_string(int(level.Build_Status)) + ")";
    return problem;
}

std::string Problem_Text(const std::string& file, const cLevel_Problem& problem) {
    return file + (problem.Line > 0 ? ":" + std::to_string(problem.Line) : std::string()) + ": " + problem.Reason;
}

namespace {

bool Starts_With(const std::string& text, std::size_t at, const char* prefix) {
    return text.compare(at, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool Is_Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The words of the text's first line.
std::vector<std::string> First_Line_Words(const std::string& text, std::size_t from) {
    std::istringstream line(text.substr(from, text.find('\n', from) - from));
    std::vector<std::string> words;
    std::string w;
    while (line >> w) words.push_back(w);
    return words;
}

}  // namespace

cMap_Kind Map_Kind_Of_Text(const std::string& head) {
    std::size_t at = Starts_With(head, 0, "\xEF\xBB\xBF") ? 3 : 0;  // a UTF-8 byte order mark
    while (at < head.size() && Is_Blank(head[at])) ++at;
    if (at == head.size()) return cMap_Kind::NONE;
    if (head[at] == '{') {
        for (const char* key : {"\"tiledversion\"", "\"orientation\"", "\"layers\""})
            if (head.find(key, at) != std::string::npos) return cMap_Kind::TILED;
        return cMap_Kind::NONE;
    }
    if (Starts_With(head, at, "<?xml") || Starts_With(head, at, "<map")) {
        for (std::size_t map = head.find("<map", at); map != std::string::npos; map = head.find("<map", map + 1))
            if (map + 4 < head.size() && (Is_Blank(head[map + 4]) || head[map + 4] == '>' || head[map + 4] == '/'))
                return cMap_Kind::TILED;
        return cMap_Kind::NONE;
    }
    // A grid map's header: "type T", "height H", "width W" in any order, then "map".
    const std::vector<std::string> words = First_Line_Words(head, at);
    const bool header_line =
        words.size() == 2 && (words[0] == "type" || words[0] == "height" || words[0] == "width");
    const bool map_line = head.find("\nmap\n", at) != std::string::npos || head.find("\nmap\r\n", at) != std::string::npos;
    return header_line && map_line ? cMap_Kind::GRID : cMap_Kind::NONE;
}

cMap_Kind Map_Kind_Of_File(const std::string& file) {
    std::ifstream in(file, std::ios::in | std::ios::binary);
    if (!in.is_open()) return cMap_Kind::NONE;
    std::string head(std::size_t(64) << 10, '\0');
    in.read(&head[0], std::streamsize(head.size()));
    head.resize(std::size_t(in.gcount()));
    return Map_Kind_Of_Text(head);
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
