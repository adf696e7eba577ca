#include "level_open.h"

#include <fstream>
#include <sstream>
#include <utility>

#include "messages.h"

namespace bsp_levels {

const char* Format_Name(cLevel_Format format) {
    switch (format) {
    case cLevel_Format::GRID: return "grid map";
    case cLevel_Format::TILED: return "Tiled map";
    case cLevel_Format::LDTK: return "LDtk project";
    default: return "level";
    }
}

namespace {

bool Starts_With(const std::string& text, std::size_t at, const char* prefix) {
    return text.compare(at, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool Is_Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The words of the line that starts at from.
std::vector<std::string> Line_Words(const std::string& text, std::size_t from) {
    const std::size_t end = text.find('\n', from);
    std::istringstream line(text.substr(from, end == std::string::npos ? end : end - from));
    std::vector<std::string> words;
    std::string w;
    while (line >> w) words.push_back(w);
    return words;
}

// Whether the JSON text from at holds a "__header__" whose "app" is "LDtk",
// as every file LDtk saves begins.
bool Ldtk_Header(const std::string& text, std::size_t at) {
    const std::size_t header = text.find("\"__header__\"", at);
    if (header == std::string::npos) return false;
    const std::size_t end = text.find('}', header);
    for (std::size_t app = text.find("\"app\"", header); app != std::string::npos && app < end;
         app = text.find("\"app\"", app + 1)) {
        std::size_t v = app + 5;
        while (v < text.size() && Is_Blank(text[v])) ++v;
        if (v == text.size() || text[v] != ':') continue;
        ++v;
        while (v < text.size() && Is_Blank(text[v])) ++v;
        if (Starts_With(text, v, "\"LDtk\"")) return true;
    }
    return false;
}

#ifndef BSP_LEVELS_NO_TILED
// The level of a map's blocked space, as the Tiled and LDtk importers read it.
void Level_From_Space(const cBlocked_Space& space, const std::vector<std::string>& notes, cWall_Order order,
                      bool solid, cImported_Level& level) {
    level.Width = space.Width;
    level.Height = space.Height;
    level.Walls = Order_Walls(Trace_Walls(space), order);
    if (solid) level.Solid = Solid_Points(space);
    level.Notes = notes;
}
#endif

}  // namespace

cLevel_Format Format_Of_Text(const std::string& head) {
    std::size_t at = Starts_With(head, 0, "\xEF\xBB\xBF") ? 3 : 0;  // a UTF-8 byte order mark
    while (at < head.size() && Is_Blank(head[at])) ++at;
    if (at == head.size()) return cLevel_Format::LEVEL;
    if (head[at] == '{') {
        // An LDtk project first: its layer definitions hold "layers" too.
        if (Ldtk_Header(head, at) || (head.find("\"jsonVersion\"", at) != std::string::npos &&
                                      head.find("\"levels\"", at) != std::string::npos))
            return cLevel_Format::LDTK;
        for (const char* key : {"\"tiledversion\"", "\"orientation\"", "\"layers\""})
            if (head.find(key, at) != std::string::npos) return cLevel_Format::TILED;
        return cLevel_Format::LEVEL;
    }
    if (Starts_With(head, at, "<?xml") || Starts_With(head, at, "<map")) {
        for (std::size_t map = head.find("<map", at); map != std::string::npos; map = head.find("<map", map + 1))
            if (map + 4 < head.size() && (Is_Blank(head[map + 4]) || head[map + 4] == '>' || head[map + 4] == '/'))
                return cLevel_Format::TILED;
        return cLevel_Format::LEVEL;
    }
    // A grid map's header: "type T", "height H", "width W" in any order, then "map".
    const std::vector<std::string> words = Line_Words(head, at);
    const bool header_line =
        words.size() == 2 && (words[0] == "type" || words[0] == "height" || words[0] == "width");
    const bool map_line =
        head.find("\nmap\n", at) != std::string::npos || head.find("\nmap\r\n", at) != std::string::npos;
    return header_line && map_line ? cLevel_Format::GRID : cLevel_Format::LEVEL;
}

cLevel_Format Format_Of_File(const std::string& file_name) {
    std::ifstream in(file_name, std::ios::in | std::ios::binary);
    if (!in.is_open()) return cLevel_Format::LEVEL;
    std::string head(std::size_t(64) << 10, '\0');
    in.read(&head[0], std::streamsize(head.size()));
    head.resize(std::size_t(in.gcount()));
    return Format_Of_Text(head);
}

std::string Rect_Text(const cRect2D& r) {
    return "[" + std::to_string(r.Min.x) + "," + std::to_string(r.Min.y) + "]-[" + std::to_string(r.Max.x) + "," +
           std::to_string(r.Max.y) + "]";
}

std::string Problem_Text(const std::string& file, const cLevel_Problem& problem) {
    return file + (problem.Line > 0 ? ":" + std::to_string(problem.Line) : std::string()) + ": " + problem.Reason;
}

std::string cOpen_Result::Error() const {
    if (Ok()) return std::string();
    cLevel_Problem p;
    p.Line = Line;
    p.Reason = Reason;
    return Problem_Text(File, p);
}

cLevel_Problem Build_Problem(const cGame_World& world, BUILD_STATUS status, const cLoad_Result& load) {
    cLevel_Problem problem;
    const cRect2D& bounds = world.Get_Bounds();
    switch (status) {
    case BUILD_DONE: return problem;
    case BUILD_WALL_OUTSIDE: {
        // The build checks the walls, then the doors, in the order they were
        // accepted and refuses at the first one outside; the loader knows
        // their lines.
        const std::vector<cHV_Wall>& walls = world.Get_Level_Walls();
        for (std::size_t i = 0; i < walls.size(); ++i) {
            if (bounds.In(walls[i].p0) && bounds.In(walls[i].p1)) continue;
            if (i < load.Wall_Lines.size()) problem.Line = load.Wall_Lines[i];
            problem.Reason = "wall outside the world " + Rect_Text(bounds);
            return problem;
        }
        const std::vector<cHV_Wall>& doors = world.Get_Level_Doors();
        for (std::size_t i = 0; i < doors.size(); ++i) {
            if (bounds.In(doors[i].p0) && bounds.In(doors[i].p1)) continue;
            if (i < load.Door_Lines.size()) problem.Line = load.Door_Lines[i];
            break;
        }
        problem.Reason = "door outside the world " + Rect_Text(bounds);
        return problem;
    }
    case BUILD_SOLID_OUTSIDE:
    case BUILD_SOLID_ON_WALL: {
        // The build refuses at the first solid point outside or on a wall.
        const std::vector<cPoint2D>& points = world.Get_Solid_Points();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const bool outside = !bounds.In(points[i]);
            if (!outside && !world.Is_On_Wall(points[i])) continue;
            if (i < load.Solid_Lines.size()) problem.Line = load.Solid_Lines[i];
            problem.Reason = outside ? "solid point outside the world " + Rect_Text(bounds) : "solid point on a wall";
            return problem;
        }
        problem.Reason = "solid point outside the world or on a wall";
        return problem;
    }
    case BUILD_SOLID_EVERYWHERE:
        if (!load.Solid_Lines.empty()) problem.Line = load.Solid_Lines.front();
        problem.Reason = "the solid points mark the whole world: no wall closes their region";
        return problem;
    }
    problem.Reason = "the world refused its build (status " + std::to_string(int(status)) + ")";
    return problem;
}

namespace {

// A map of width x height cells of the given size must fit the coordinates.
bool Fits(std::int64_t width, std::int64_t height, std::string& error) {
    if (width <= COORD_LIMIT && height <= COORD_LIMIT) return true;
    error = "the level would measure " + std::to_string(width) + " x " + std::to_string(height) +
            " units, beyond the coordinate limit " + std::to_string(COORD_LIMIT);
    return false;
}

}  // namespace

bool Import_Grid_Map(const std::string& file_name, int cell, cWall_Order order, bool solid, cImported_Level& level,
                     std::string& error) {
    level = cImported_Level();
    if (cell < 1) {
        error = "the cell size must be at least 1, got " + std::to_string(cell);
        return false;
    }
    std::ifstream in(file_name, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        error = "cannot open the file";
        return false;
    }
    cGrid_Map map;
    if (!Read_Grid_Map(in, map, error)) return false;
    const std::int64_t width = std::int64_t(map.Width) * cell, height = std::int64_t(map.Height) * cell;
    if (!Fits(width, height, error)) return false;
    level.Width = int(width);
    level.Height = int(height);
    level.Walls = Order_Walls(Trace_Walls(map, cell), order);
    if (solid) level.Solid = Solid_Points(map, cell);
    return true;
}

bool Import_Tiled_Map(const std::string& file_name, const cTiled_Options& options, cWall_Order order, bool solid,
                      cImported_Level& level, std::string& error) {
    level = cImported_Level();
#ifdef BSP_LEVELS_NO_TILED
    (void)file_name, (void)options, (void)order, (void)solid;
    error = "this build reads no Tiled maps";
    return false;
#else
    cTiled_Map map;
    if (!Read_Tiled_Map(file_name, options, map, error)) return false;
    Level_From_Space(map.Space, map.Notes, order, solid, level);
    return true;
#endif
}

bool Import_Ldtk_Map(const std::string& file_name, const cLdtk_Options& options, cWall_Order order, bool solid,
                     cImported_Level& level, std::string& error) {
    level = cImported_Level();
#ifdef BSP_LEVELS_NO_TILED
    (void)file_name, (void)options, (void)order, (void)solid;
    error = "this build reads no LDtk projects";
    return false;
#else
    cLdtk_Map map;
    if (!Read_Ldtk_Map(file_name, options, map, error)) return false;
    Level_From_Space(map.Space, map.Notes, order, solid, level);
    return true;
#endif
}

void Fill_World(const cImported_Level& level, cGame_World& world) {
    world.Set_Bounds(cRect2D(cPoint2D(0, 0), cPoint2D(level.Width, level.Height)));
    for (const cGrid_Wall& w : level.Walls) world.Insert(cHV_Wall(cPoint2D(w.X1, w.Y1), cPoint2D(w.X2, w.Y2)));
    for (const cPoint2D& p : level.Solid) world.Add_Solid_Point(p);
}

cOpen_Result Open_Level(const std::string& file_name, const cOpen_Options& options) {
    cOpen_Result result;
    result.File = file_name;
    std::ostringstream messages;
    {
        const cMessage_Redirect keep(&messages, true);
        result.Format = options.Format != cLevel_Format::AUTO ? options.Format : Format_Of_File(file_name);
        std::unique_ptr<cGame_World> world(new cGame_World(options.Engine));
        BUILD_STATUS status = BUILD_DONE;
        if (result.Format == cLevel_Format::LEVEL) {
            result.Load = Load_Level(file_name, *world, options.Load);
            if (result.Load.Status == LOAD_CANNOT_OPEN) {
                result.Reason = "cannot open the file";
                return result;
            }
            if (!result.Load) {
                result.Line = result.Load.Line;
                result.Reason = result.Load.Reason;
            }
            messages << result.Load.Messages;
        } else {
            cImported_Level level;
            std::string error;
            bool ok = false;
            if (result.Format == cLevel_Format::GRID)
                ok = Import_Grid_Map(file_name, options.Cell, options.Order, options.Solid_Points, level, error);
            else if (result.Format == cLevel_Format::LDTK)
                ok = Import_Ldtk_Map(file_name, options.Ldtk, options.Order, options.Solid_Points, level, error);
            else
                ok = Import_Tiled_Map(file_name, options.Tiled, options.Order, options.Solid_Points, level, error);
            result.Notes = level.Notes;
            if (!ok) {
                result.Reason = error;
                result.Messages = messages.str();
                return result;
            }
            Fill_World(level, *world);
        }
        if (result.Ok() || (options.Keep_Partial && result.Load.Status != LOAD_OVER_LIMIT)) {
            status = world->Build();
            if (result.Ok()) {
                const cLevel_Problem problem = Build_Problem(*world, status, result.Load);
                result.Line = problem.Line;
                result.Reason = problem.Reason;
            }
        }
        if (result.Ok() || options.Keep_Partial) result.World = std::move(world);
    }
    result.Messages = messages.str();
    return result;
}

}  // namespace bsp_levels
