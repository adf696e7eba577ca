#include "bsplevel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "bsp_levels_version.h"
#include "game_bsp.h"
#include "messages.h"
#include "grid_import.h"
#include "parse_int.h"
#include "svg_picture.h"
#include "tiled_import.h"
#include "tool_level.h"

namespace bsp_levels {

namespace {

// ================================================================ help texts

const char* const GENERAL_HELP =
    "bsplevel: ask a level file questions, draw it, or make one from a grid or Tiled map\n"
    "\n"
    "usage: bsplevel COMMAND ARGUMENTS...      (bsplevel COMMAND --help for details)\n"
    "       bsplevel --version                 prints the version\n"
    "\n"
    "Every command but the importers loads LEVEL with the level loader, builds the\n"
    "world, and then:\n"
    "  info LEVEL [--json] [--time]       bounds, walls read, wall nodes, tree depth,\n"
    "                                     areas, portals, waypoints, load and build state\n"
    "  path LEVEL X1 Y1 X2 Y2 [--json]    the route, one point \"X Y\" per line\n"
    "  route LEVEL X1 Y1 X2 Y2 [--agent H] [--json]\n"
    "                                     the shortest route for a square agent of\n"
    "                                     half-size H (default 0): its corners, one\n"
    "                                     \"X Y\" per line, then \"length L\"\n"
    "  segment LEVEL X1 Y1 X2 Y2 [--limit N] [--json]\n"
    "                                     \"hit X Y\" (first wall point met) or \"no hit\"\n"
    "  ball LEVEL X Y R [--json]          \"touch\" or \"clear\"\n"
    "  dump LEVEL                         the tree dump from the root\n"
    "  batch LEVEL [--json]               answers queries read from standard input\n"
    "  svg LEVEL -o FILE.svg [--view X1 Y1 X2 Y2] [--layers LIST] [--path X1 Y1 X2 Y2]...\n"
    "      [--route X1 Y1 X2 Y2 [--agent H]]... [--segment X1 Y1 X2 Y2]... [--ball X Y R]...\n"
    "                                     a picture of the built world and the queries\n"
    "  import-grid MAP -o LEVEL [--cell S] [--order balanced|longest|scan] [--no-solid]\n"
    "                                     a level made from a grid map\n"
    "  import-tiled MAP.tmx|MAP.tmj -o LEVEL [--layer NAME] [--solid-property NAME]\n"
    "      [--scale S] [--order balanced|longest|scan] [--no-solid]\n"
    "                                     a level made from a Tiled map\n"
    "\n"
    "Coordinates and lengths are whole numbers. An option's value may follow it\n"
    "or be joined to it with '=': --limit 5 or --limit=5. Standard output carries\n"
    "only answers; errors and the library's own messages go to standard error.\n"
    "\n"
    "A level that does not load to its end or whose build is refused is an error,\n"
    "for every command: one line FILE:LINE: REASON (\"level.txt:3: unknown tag\n"
    "'<WALL>'\", \"level.txt:5: wall outside the world [0,0]-[100,100]\"). info\n"
    "describes what it could load first. --partial answers from what was read\n"
    "instead. A grid or Tiled map given for a level gets \"FILE looks like a grid\n"
    "map: use import-grid\" (or Tiled map, import-tiled).\n"
    "\n"
    "Exit status: 0 for a success or a positive answer (a route, a hit, a touch),\n"
    "1 for a negative answer (no route, no hit, clear), 2 for an error (unknown\n"
    "command, missing or malformed argument, unreadable file, a level that did\n"
    "not load whole or build, a map given for a level, malformed batch line).\n";

// Added to the help of every command that loads a level.
const char* const LEVEL_HELP =
    "A level that does not load to its end (a malformed item, an unknown tag, a\n"
    "number out of range, an item before the first tag line) or whose build the\n"
    "world refuses (a wall outside the world) is an error: one line on standard\n"
    "error, FILE:LINE: REASON, the line counted from 1, after the library's own\n"
    "messages; status 2. A grid or Tiled map given for a level gets \"FILE looks\n"
    "like a grid map: use import-grid\" (or \"... Tiled map: use import-tiled\").\n"
    "\n"
    "  --partial   answer from what was read and built all the same, as far as it\n"
    "              goes (every problem's line is still written); the status is\n"
    "              then the answer's\n";

struct cOption_Def {
    std::string Name;
    std::vector<std::string> Values;  // names of the values that follow the option
    bool Integers;                    // the values are integers
    bool Repeat;                      // may be given more than once
};

struct cParsed_Args;
struct cIo {
    std::istream& In;
    std::ostream& Out;
    std::ostream& Err;
};

struct cCommand_Def {
    std::string Name;
    std::vector<std::string> Positional;
    std::vector<cOption_Def> Options;
    std::string Usage_Tail;  // options, as shown in the usage line
    std::string Help;
    int (*Run)(const cParsed_Args&, cIo&);
};

// An error in the command line or its files: one line, status 2.
struct cCli_Error {
    std::string Message;
};

struct cParsed_Args {
    const cCommand_Def* Command = nullptr;
    std::vector<std::string> Positional;
    // Every occurrence of every option given, with its values.
    std::map<std::string, std::vector<std::vector<std::string>>> Options;
    // The same occurrences in command-line order, for options that qualify
    // the one before them.
    std::vector<std::pair<std::string, std::vector<std::string>>> In_Order;

    bool Has(const std::string& name) const { return Options.count(name) != 0; }
    const std::vector<std::vector<std::string>>& All(const std::string& name) const {
        static const std::vector<std::vector<std::string>> none;
        const auto it = Options.find(name);
        return it == Options.end() ? none : it->second;
    }
};

std::string Usage(const cCommand_Def& c) {
    std::string u = "bsplevel " + c.Name;
    for (const std::string& p : c.Positional) u += " " + p;
    if (!c.Usage_Tail.empty()) u += " " + c.Usage_Tail;
    return u;
}

[[noreturn]] void Fail(const cCommand_Def& c, const std::string& message) {
    throw cCli_Error{c.Name + ": " + message};
}

int To_Int(const cCommand_Def& c, const std::string& name, const std::string& text) {
    int v = 0;
    if (!Parse_Int(text, v)) Fail(c, name + " must be an integer, got '" + text + "'");
    return v;
}

int To_Non_Negative(const cCommand_Def& c, const std::string& name, const std::string& text) {
    const int v = To_Int(c, name, text);
    if (v < 0) Fail(c, name + " must not be negative, got '" + text + "'");
    return v;
}

// ================================================================ arguments

// The option every command that loads a level takes: answer from what was
// read even when the level is not whole.
const cOption_Def PARTIAL{"--partial", {}, false, false};
// And the doors to open before answering (all are closed when loaded).
const cOption_Def OPEN{"--open", {"D"}, true, true};

bool Loads_A_Level(const cCommand_Def& c) { return !c.Positional.empty() && c.Positional[0] == "LEVEL"; }

// Splits the arguments after the command's name into positional arguments
// and options. A value that starts with one '-' (a negative number) is a
// positional argument unless it is an option's name. An option's (first)
// value may be joined to its name with '=': --limit=5 is --limit 5.
cParsed_Args Parse(const cCommand_Def& c, const std::vector<std::string>& args) {
    std::vector<cOption_Def> options = c.Options;
    if (Loads_A_Level(c)) {
        options.push_back(PARTIAL);
        options.push_back(OPEN);
    }
    cParsed_Args parsed;
    parsed.Command = &c;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool long_form = a.size() > 2 && a.compare(0, 2, "--") == 0;
        const std::string::size_type equals = long_form ? a.find('=') : std::string::npos;
        const std::string name = a.substr(0, equals);
        const cOption_Def* option = nullptr;
        for (const cOption_Def& o : options)
            if (o.Name == name) option = &o;
        if (option == nullptr) {
            if (long_form) Fail(c, "unknown option '" + name + "' (usage: " + Usage(c) + ")");
            if (parsed.Positional.size() == c.Positional.size())
                Fail(c, "unexpected argument '" + a + "' (usage: " + Usage(c) + ")");
            parsed.Positional.push_back(a);
            continue;
        }
        if (equals != std::string::npos && option->Values.empty()) Fail(c, name + " takes no value, got '" + a + "'");
        if (!option->Repeat && parsed.Has(name)) Fail(c, name + " given twice");
        std::vector<std::string> values;
        for (const std::string& value_name : option->Values) {
            if (values.empty() && equals != std::string::npos) {
                values.push_back(a.substr(equals + 1));
            } else {
                if (i + 1 >= args.size()) {
                    std::string names;
                    for (const std::string& n : option->Values) names += " " + n;
                    Fail(c, name + " needs" + names);
                }
                values.push_back(args[++i]);
            }
            if (option->Integers) To_Int(c, name + " " + value_name, values.back());
        }
        parsed.Options[name].push_back(values);
        parsed.In_Order.emplace_back(name, values);
    }
    if (parsed.Positional.size() < c.Positional.size())
        Fail(c, "missing " + c.Positional[parsed.Positional.size()] + " (usage: " + Usage(c) + ")");
    return parsed;
}

// ================================================================ output helpers

// --json answers: one object per line, keys in the order they are set. Text
// that is not UTF-8 (a file name, a word of a batch line) is written with
// U+FFFD in place of the bytes that are not.
using cJson = nlohmann::ordered_json;

std::string Json_Line(const cJson& object) {
    return object.dump(-1, ' ', false, cJson::error_handler_t::replace) + "\n";
}

cJson Points_Json(const std::vector<cPoint2D>& points) {
    cJson list = cJson::array();
    for (const cPoint2D& p : points) list.push_back({p.x, p.y});
    return list;
}

// Writes text to the file, or to out when the file is "-".
void Write_Output(const cCommand_Def& c, const std::string& file, const std::string& text, cIo& io) {
    if (file == "-") {
        io.Out << text;
        return;
    }
    std::ofstream f(file, std::ios::out | std::ios::binary | std::ios::trunc);
    if (f.is_open()) f << text;
    if (f.is_open()) f.close();
    if (!f) Fail(c, "cannot write '" + file + "'");
}

// A level that is not whole, or a map given for a level: the one line that
// says so, naming the file, written as it is.
struct cLevel_Error {
    std::string Line;
};

// What is wrong with a loaded level, one line each: where the loader
// stopped and why, then why the build was refused. A grid or Tiled map given
// for a level is said to be one, in a line alone; --partial cannot answer
// from it.
struct cLevel_Verdict {
    std::vector<std::string> Lines;  // empty: the level is whole
    bool Is_Map = false;
};

cLevel_Verdict Judge(const cTool_Level& level) {
    cLevel_Verdict verdict;
    const cLevel_Problem load = Load_Problem(level), build = Build_Problem(level);
    if (load && level.Load_Result.Status != LOAD_CANNOT_OPEN) {
        const cLevel_Format kind = Format_Of_File(level.File);
        if (kind != cLevel_Format::LEVEL) {
            verdict.Is_Map = true;
            verdict.Lines.push_back(level.File + " looks like a " +
                                    (kind == cLevel_Format::GRID ? "grid map: use import-grid" : "Tiled map: use import-tiled"));
            return verdict;
        }
    }
    if (load) verdict.Lines.push_back(Problem_Text(level.File, load));
    if (build) verdict.Lines.push_back(Problem_Text(level.File, build));
    return verdict;
}

// Whether the answers go on from a level that is not whole.
bool Answers_Anyway(const cParsed_Args& a, const cLevel_Verdict& verdict) {
    return verdict.Lines.empty() || (a.Has("--partial") && !verdict.Is_Map);
}

// Opens the doors that --open names.
void Open_Doors(const cParsed_Args& a, cGame_World& world) {
    if (!a.Has("--open")) return;
    for (const std::vector<std::string>& values : a.All("--open")) {
        const int d = To_Int(*a.Command, "--open D", values[0]);
        if (!world.Set_Door(d, true))
            Fail(*a.Command, "--open " + values[0] + ": no such door (the level has " + std::to_string(world.N_Doors()) +
                                 (world.N_Doors() == 1 ? " door" : " doors") + ", numbered from 0)");
    }
}

// Loads and builds the level named by the first positional argument. A level
// that is not whole is an error, its first problem the error's line; with
// --partial every problem is written to the error stream and the answers
// follow, from what was read and built.
cTool_Level Load(const cParsed_Args& a, cIo& io) {
    const std::string& file = a.Positional[0];
    if (!Is_Readable_File(file)) Fail(*a.Command, "cannot read level file '" + file + "'");
    cTool_Level level = Load_Tool_Level(file);
    const cLevel_Verdict verdict = Judge(level);
    if (!Answers_Anyway(a, verdict)) throw cLevel_Error{verdict.Lines[0]};
    for (const std::string& line : verdict.Lines) io.Err << line << "\n";
    Open_Doors(a, *level.World);
    return level;
}

cPoint2D Point_Arg(const cParsed_Args& a, std::size_t first) {
    const cCommand_Def& c = *a.Command;
    return cPoint2D(To_Int(c, c.Positional[first], a.Positional[first]),
                    To_Int(c, c.Positional[first + 1], a.Positional[first + 1]));
}

// ================================================================ routes

// Why a half-size cannot be an agent's, or "" when it can: 0 to COORD_LIMIT.
std::string Agent_Size_Error(int half_size) {
    if (half_size < 0) return "must not be negative";
    if (half_size > COORD_LIMIT) return "must be at most " + std::to_string(COORD_LIMIT);
    return "";
}

int Agent_Arg(const cCommand_Def& c, const std::string& name, const std::string& text) {
    const int h = To_Int(c, name, text);
    const std::string error = Agent_Size_Error(h);
    if (!error.empty()) Fail(c, name + " " + error + ", got '" + text + "'");
    return h;
}

// A route's length with twelve significant digits, far finer than any
// caller needs: "3117.06493578".
std::string Length_Text(double length) {
    char text[40];
    std::snprintf(text, sizeof text, "%.12g", length);
    return text;
}

std::string Point_Text(const cPoint2D& p) { return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")"; }

// The status as --json names it; batch answers write '-' for '_'.
std::string Route_Status_Name(ROUTE_STATUS status) {
    switch (status) {
    case ROUTE_FOUND: return "found";
    case ROUTE_START_BLOCKED: return "start_blocked";
    case ROUTE_GOAL_BLOCKED: return "goal_blocked";
    case ROUTE_OUTSIDE: return "outside";
    case ROUTE_BAD_SIZE: return "bad_size";
    case ROUTE_NONE: break;
    }
    return "none";
}

struct cRoute_Answer {
    ROUTE_STATUS Status = ROUTE_NONE;
    std::vector<cPoint2D> Path;  // the corners after the start, ending with the goal
    double Length = 0;
};

cRoute_Answer Find_Route(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal, int half_size) {
    cRoute_Answer answer;
    answer.Status = world.Find_Shortest_Path(start, goal, half_size, answer.Path, &answer.Length);
    return answer;
}

// Why there is no route, in one sentence: the start or goal whose square
// meets a wall (or crosses the world's border, which bounds the agent too),
// the point outside the world, or no way between them.
std::string Route_Reason(const cGame_World& world, ROUTE_STATUS status, const cPoint2D& start, const cPoint2D& goal,
                         int half_size) {
    const std::string agent = "an agent of half-size " + std::to_string(half_size);
    const cRect2D& b = world.Get_Bounds();
    switch (status) {
    case ROUTE_START_BLOCKED:
    case ROUTE_GOAL_BLOCKED: {
        const bool at_start = status == ROUTE_START_BLOCKED;
        const cPoint2D& p = at_start ? start : goal;
        if (world.Is_Solid(p)) return std::string(at_start ? "the start " : "the goal ") + Point_Text(p) + " lies in solid space";
        const std::int64_t h = half_size;
        const bool crosses = p.x - h < b.Min.x || p.x + h > b.Max.x || p.y - h < b.Min.y || p.y + h > b.Max.y;
        return std::string(at_start ? "the start " : "the goal ") + Point_Text(p) + " is blocked for " + agent +
               ": its square " + (crosses ? "crosses the world's border" : "meets a wall");
    }
    case ROUTE_OUTSIDE: {
        const bool start_outside = !In_Coordinate_Range(start) || !b.In(start);
        return std::string(start_outside ? "the start " : "the goal ") + Point_Text(start_outside ? start : goal) +
               " lies outside the world [" + std::to_string(b.Min.x) + "," + std::to_string(b.Min.y) + "]-[" +
               std::to_string(b.Max.x) + "," + std::to_string(b.Max.y) + "]";
    }
    case ROUTE_BAD_SIZE: return "the half-size " + std::to_string(half_size) + " " + Agent_Size_Error(half_size);
    case ROUTE_FOUND:
    case ROUTE_NONE: break;
    }
    return "no route from " + Point_Text(start) + " to " + Point_Text(goal) + " for " + agent;
}

// Why a path query found no route.
std::string Path_Reason(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal) {
    if (!world.Is_Built()) return "the world is not built";
    const cRect2D& b = world.Get_Bounds();
    for (const cPoint2D* p : {&start, &goal}) {
        const std::string which = p == &start ? "the start " : "the goal ";
        if (!In_Coordinate_Range(*p) || !b.In(*p))
            return which + Point_Text(*p) + " lies outside the world " + Rect_Text(b);
        if (world.Is_Solid(*p)) return which + Point_Text(*p) + " lies in solid space";
    }
    return "no route from " + Point_Text(start) + " to " + Point_Text(goal);
}

// The answers as --json writes them, for the commands and for batch --json.

// A route's length: the number Length_Text writes, a whole number without a
// fraction ("length":100, "length":111.012913932).
cJson Length_Json(double length) {
    const double shown = std::strtod(Length_Text(length).c_str(), nullptr);
    if (shown == std::floor(shown) && std::fabs(shown) < 1e15) return cJson(std::int64_t(shown));
    return cJson(shown);
}

cJson Path_Json(bool found, const std::vector<cPoint2D>& path) {
    return cJson{{"found", found}, {"path", Points_Json(path)}};
}

cJson Route_Json(const cRoute_Answer& r) {
    return cJson{{"status", Route_Status_Name(r.Status)},
                 {"length", r.Status == ROUTE_FOUND ? Length_Json(r.Length) : cJson(nullptr)},
                 {"path", Points_Json(r.Path)}};
}

cJson Segment_Json(bool found, const cPoint2D& hit) {
    cJson answer{{"hit", found}};
    if (found) {
        answer["x"] = hit.x;
        answer["y"] = hit.y;
    }
    return answer;
}

cJson Ball_Json(bool touch) { return cJson{{"touch", touch}}; }

// ================================================================ commands

// Describes what was loaded and built, even from a level that is not whole;
// that is then an error all the same (status 2), unless --partial is given.
int Run_Info(const cParsed_Args& a, cIo& io) {
    const std::string& file = a.Positional[0];
    if (!Is_Readable_File(file)) Fail(*a.Command, "cannot read level file '" + file + "'");
    const cTool_Level level = Load_Tool_Level(file);
    const cLevel_Verdict verdict = Judge(level);
    const cLevel_Problem load = Load_Problem(level), build = Build_Problem(level);
    Open_Doors(a, *level.World);
    auto where = [](const cLevel_Problem& p) { return p.Line > 0 ? "line " + std::to_string(p.Line) + ": " : ""; };
    // Milliseconds to the microsecond.
    auto ms = [](double t) { return std::round(t * 1000) / 1000; };
    const cLevel_Stats st = Get_Stats(*level.World);
    const cRect2D& b = level.Bounds;
    std::ostringstream s;
    if (a.Has("--json")) {
        cJson info{{"level", level.File},
                   {"loaded", level.Loaded},
                   {"built", level.Built},
                   {"bounds", {b.Min.x, b.Min.y, b.Max.x, b.Max.y}},
                   {"walls", st.Walls},
                   {"wall_nodes", st.Wall_Nodes},
                   {"tree_depth", st.Tree_Depth},
                   {"areas", st.Areas},
                   {"portals", st.Portals},
                   {"waypoints", st.Waypoints},
                   {"solid_areas", st.Solid_Areas},
                   {"doors", st.Doors},
                   {"door_pieces", st.Door_Pieces},
                   {"open_doors", st.Open_Doors}};
        if (a.Has("--time")) {
            info["load_ms"] = ms(level.Load_Ms);
            info["build_ms"] = ms(level.Build_Ms);
        }
        if (!verdict.Lines.empty()) info["error"] = verdict.Lines[0];
        s << Json_Line(info);
    } else {
        s << "level: " << level.File << "\n";
        s << "loaded: " << (load ? "no, " + where(load) + load.Reason + "; the world holds what was read" : "yes")
          << "\n";
        s << "built: " << (build ? "no, " + where(build) + build.Reason : "yes") << "\n";
        s << "bounds: " << b.Min.x << ' ' << b.Min.y << ' ' << b.Max.x << ' ' << b.Max.y << "\n";
        s << "walls read: " << st.Walls << "\n";
        s << "wall nodes: " << st.Wall_Nodes << "\n";
        s << "tree depth: " << st.Tree_Depth << "\n";
        s << "areas: " << st.Areas << "\n";
        s << "portals: " << st.Portals << "\n";
        s << "waypoints: " << st.Waypoints << "\n";
        s << "solid areas: " << st.Solid_Areas << "\n";
        s << "doors: " << st.Doors << " (" << st.Door_Pieces << " pieces, " << st.Open_Doors << " open)\n";
        if (a.Has("--time")) s << "load time: " << level.Load_Ms << " ms\nbuild time: " << level.Build_Ms << " ms\n";
    }
    io.Out << s.str();
    if (Answers_Anyway(a, verdict)) {
        for (const std::string& line : verdict.Lines) io.Err << line << "\n";
        return 0;
    }
    io.Err << verdict.Lines[0] << "\n";
    return 2;
}

int Run_Path(const cParsed_Args& a, cIo& io) {
    const cPoint2D start = Point_Arg(a, 1), goal = Point_Arg(a, 3);
    cTool_Level level = Load(a, io);
    std::vector<cPoint2D> path;
    const bool found = level.World->Find_Path(start, goal, path);
    std::ostringstream s;
    if (a.Has("--json")) {
        s << Json_Line(Path_Json(found, path));
    } else if (found) {
        for (const cPoint2D& p : path) s << p.x << ' ' << p.y << "\n";
    } else {
        s << "none\n";
    }
    io.Out << s.str();
    if (!found) io.Err << "bsplevel: path: " << Path_Reason(*level.World, start, goal) << "\n";
    return found ? 0 : 1;
}

int Run_Route(const cParsed_Args& a, cIo& io) {
    const cCommand_Def& c = *a.Command;
    const cPoint2D start = Point_Arg(a, 1), goal = Point_Arg(a, 3);
    const int half_size = a.Has("--agent") ? Agent_Arg(c, "--agent H", a.All("--agent")[0][0]) : 0;
    cTool_Level level = Load(a, io);
    const cRoute_Answer r = Find_Route(*level.World, start, goal, half_size);
    const bool found = r.Status == ROUTE_FOUND;
    if (r.Status == ROUTE_BAD_SIZE) Fail(c, Route_Reason(*level.World, r.Status, start, goal, half_size));
    std::ostringstream s;
    if (a.Has("--json")) {
        s << Json_Line(Route_Json(r));
    } else if (found) {
        for (const cPoint2D& p : r.Path) s << p.x << ' ' << p.y << "\n";
        s << "length " << Length_Text(r.Length) << "\n";
    } else {
        s << "none\n";
    }
    io.Out << s.str();
    if (!found) io.Err << "bsplevel: route: " << Route_Reason(*level.World, r.Status, start, goal, half_size) << "\n";
    return found ? 0 : 1;
}

// The squared limit the library takes, for a walk that stops after the first
// point at distance limit or more from the start.
std::int64_t Square_Limit(int limit) { return std::int64_t(limit) * limit; }

int Run_Segment(const cParsed_Args& a, cIo& io) {
    const cPoint2D p0 = Point_Arg(a, 1), p1 = Point_Arg(a, 3);
    const bool limited = a.Has("--limit");
    const int limit = limited ? To_Non_Negative(*a.Command, "--limit N", a.All("--limit")[0][0]) : 0;
    cTool_Level level = Load(a, io);
    cPoint2D hit;
    const cSeg seg(p0, p1);
    const bool found = limited ? level.World->Intersect_Segment(seg, hit, Square_Limit(limit))
                               : level.World->Intersect_Segment(seg, hit);
    std::ostringstream s;
    if (a.Has("--json")) {
        s << Json_Line(Segment_Json(found, hit));
    } else if (found) {
        s << "hit " << hit.x << ' ' << hit.y << "\n";
    } else {
        s << "no hit\n";
    }
    io.Out << s.str();
    return found ? 0 : 1;
}

int Run_Ball(const cParsed_Args& a, cIo& io) {
    const cPoint2D centre = Point_Arg(a, 1);
    const int radius = To_Non_Negative(*a.Command, "R", a.Positional[3]);
    cTool_Level level = Load(a, io);
    const bool touch = level.World->Intersect_Ball(centre.x, centre.y, radius);
    if (a.Has("--json"))
        io.Out << Json_Line(Ball_Json(touch));
    else
        io.Out << (touch ? "touch\n" : "clear\n");
    return touch ? 0 : 1;
}

int Run_Dump(const cParsed_Args& a, cIo& io) {
    cTool_Level level = Load(a, io);
    if (level.World->Root != nullptr) {
        cMessage_Redirect to_out(&io.Out);
        level.World->Root->Print();
    }
    return 0;
}

// One batch line, split into blank-separated words.
std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

// One batch answer: its line of text and its fields in JSON.
struct cBatch_Answer {
    std::string Text;
    cJson Json;
};

// Answers one batch query; throws a cCli_Error with the reason for a
// malformed line.
cBatch_Answer Answer(cGame_World& world, const std::vector<std::string>& w) {
    auto number = [](const std::string& text) {
        int v = 0;
        if (!Parse_Int(text, v)) throw cCli_Error{"'" + text + "' is not an integer"};
        return v;
    };
    const std::string& q = w[0];
    std::ostringstream s;
    if (q == "path") {
        if (w.size() != 5) throw cCli_Error{"path needs X1 Y1 X2 Y2"};
        const cPoint2D start(number(w[1]), number(w[2])), goal(number(w[3]), number(w[4]));
        std::vector<cPoint2D> path;
        const bool found = world.Find_Path(start, goal, path);
        s << "path";
        if (!found) s << " none";
        for (const cPoint2D& p : path) s << ' ' << p.x << ' ' << p.y;
        return {s.str(), Path_Json(found, path)};
    }
    if (q == "route") {
        if (w.size() != 5 && w.size() != 6) throw cCli_Error{"route needs X1 Y1 X2 Y2 [H]"};
        const cPoint2D start(number(w[1]), number(w[2])), goal(number(w[3]), number(w[4]));
        const int half_size = w.size() == 6 ? number(w[5]) : 0;
        const std::string error = Agent_Size_Error(half_size);
        if (!error.empty()) throw cCli_Error{"H " + error};
        const cRoute_Answer r = Find_Route(world, start, goal, half_size);
        if (r.Status != ROUTE_FOUND) {
            std::string word = Route_Status_Name(r.Status);
            std::replace(word.begin(), word.end(), '_', '-');
            return {"route none " + word, Route_Json(r)};
        }
        s << "route";
        for (const cPoint2D& p : r.Path) s << ' ' << p.x << ' ' << p.y;
        s << " length " << Length_Text(r.Length);
        return {s.str(), Route_Json(r)};
    }
    if (q == "segment") {
        if (w.size() != 5 && w.size() != 6) throw cCli_Error{"segment needs X1 Y1 X2 Y2 [LIMIT]"};
        const cSeg seg(cPoint2D(number(w[1]), number(w[2])), cPoint2D(number(w[3]), number(w[4])));
        cPoint2D hit;
        bool found;
        if (w.size() == 6) {
            const int limit = number(w[5]);
            if (limit < 0) throw cCli_Error{"LIMIT must not be negative"};
            found = world.Intersect_Segment(seg, hit, Square_Limit(limit));
        } else {
            found = world.Intersect_Segment(seg, hit);
        }
        if (found) s << "hit " << hit.x << ' ' << hit.y;
        return {found ? s.str() : "no hit", Segment_Json(found, hit)};
    }
    if (q == "door") {
        if (w.size() != 3 || (w[2] != "open" && w[2] != "close")) throw cCli_Error{"door needs D open|close"};
        const int d = number(w[1]);
        const bool open = w[2] == "open";
        if (!world.Set_Door(d, open)) throw cCli_Error{"no door " + w[1] + " (the level has " + std::to_string(world.N_Doors()) + ")"};
        return {"door " + std::to_string(d) + (open ? " open" : " closed"), cJson{{"door", d}, {"open", open}}};
    }
    if (q == "ball") {
        if (w.size() != 4) throw cCli_Error{"ball needs X Y R"};
        const int x = number(w[1]), y = number(w[2]), r = number(w[3]);
        if (r < 0) throw cCli_Error{"R must not be negative"};
        const bool touch = world.Intersect_Ball(x, y, r);
        return {touch ? "touch" : "clear", Ball_Json(touch)};
    }
    throw cCli_Error{"unknown query '" + q + "' (path, route, segment, ball or door)"};
}

// With --json each answer is one object that begins with the input line it
// answers and the query's name, then the fields the query's own --json
// writes; a malformed line gets {"line":N,"error":REASON}.
int Run_Batch(const cParsed_Args& a, cIo& io) {
    cTool_Level level = Load(a, io);
    const bool json = a.Has("--json");
    std::string line;
    int number = 0, malformed = 0;
    while (std::getline(io.In, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> w = Words(line);
        if (w.empty() || w[0][0] == '#') continue;
        cJson object{{"line", number}};
        try {
            const cBatch_Answer answer = Answer(*level.World, w);
            if (json) {
                object["query"] = w[0];
                for (const auto& field : answer.Json.items()) object[field.key()] = field.value();
            } else {
                io.Out << answer.Text << "\n";
            }
        } catch (const cCli_Error& e) {
            ++malformed;
            object["error"] = e.Message;
            if (!json) io.Out << "error: line " << number << ": " << e.Message << "\n";
        }
        if (json) io.Out << Json_Line(object);
    }
    if (malformed > 0)
        Fail(*a.Command, std::to_string(malformed) + (malformed == 1 ? " malformed line" : " malformed lines") +
                             " in the input");
    return 0;
}

int Run_Svg(const cParsed_Args& a, cIo& io) {
    const cCommand_Def& c = *a.Command;
    if (!a.Has("-o")) Fail(c, "missing -o FILE.svg (usage: " + Usage(c) + ")");
    auto value = [&](const std::vector<std::string>& v, std::size_t i) { return To_Int(c, "", v[i]); };
    cSvg_Queries q;
    // --agent H gives the agent's half-size of the --route just before it.
    bool agent_given = false;
    for (const auto& option : a.In_Order) {
        const std::vector<std::string>& v = option.second;
        if (option.first == "--route") {
            cSvg_Route r;
            r.Start = cPoint2D(value(v, 0), value(v, 1));
            r.Goal = cPoint2D(value(v, 2), value(v, 3));
            q.Routes.push_back(r);
            agent_given = false;
        } else if (option.first == "--agent") {
            if (q.Routes.empty()) Fail(c, "--agent H must follow a --route");
            if (agent_given) Fail(c, "--agent given twice for one --route");
            q.Routes.back().Half_Size = Agent_Arg(c, "--agent H", v[0]);
            agent_given = true;
        }
    }
    cSvg_Options options;
    if (a.Has("--view")) {
        const std::vector<std::string>& v = a.All("--view")[0];
        options.Has_View = true;
        options.View.Min = cPoint2D(value(v, 0), value(v, 1));
        options.View.Max = cPoint2D(value(v, 2), value(v, 3));
        if (options.View.Min.x == options.View.Max.x || options.View.Min.y == options.View.Max.y)
            Fail(c, "--view X1 Y1 X2 Y2 must have a width and a height");
    }
    if (a.Has("--layers")) {
        std::string error;
        options.Has_Layers = Parse_Svg_Layers(a.All("--layers")[0][0], options.Layers, error);
        if (!options.Has_Layers) Fail(c, "--layers: " + error);
    }
    cTool_Level level = Load(a, io);
    cGame_World& world = *level.World;
    for (const std::vector<std::string>& v : a.All("--path")) {
        cSvg_Path p;
        p.Start = cPoint2D(value(v, 0), value(v, 1));
        p.Goal = cPoint2D(value(v, 2), value(v, 3));
        p.Found = world.Find_Path(p.Start, p.Goal, p.Points);
        q.Paths.push_back(p);
    }
    for (cSvg_Route& r : q.Routes) {
        const cRoute_Answer answer = Find_Route(world, r.Start, r.Goal, r.Half_Size);
        r.Status = answer.Status;
        r.Points = answer.Path;
        r.Length = answer.Length;
        r.Label = answer.Status == ROUTE_FOUND
                      ? "route from " + Point_Text(r.Start) + " to " + Point_Text(r.Goal) +
                            " for an agent of half-size " + std::to_string(r.Half_Size) + ": length " +
                            Length_Text(r.Length)
                      : Route_Reason(world, answer.Status, r.Start, r.Goal, r.Half_Size);
    }
    for (const std::vector<std::string>& v : a.All("--segment")) {
        cSvg_Segment g;
        g.A = cPoint2D(value(v, 0), value(v, 1));
        g.B = cPoint2D(value(v, 2), value(v, 3));
        g.Hit = world.Intersect_Segment(cSeg(g.A, g.B), g.Hit_Point);
        q.Segments.push_back(g);
    }
    for (const std::vector<std::string>& v : a.All("--ball")) {
        cSvg_Ball b;
        b.Centre = cPoint2D(value(v, 0), value(v, 1));
        b.Radius = To_Non_Negative(c, "--ball R", v[2]);
        b.Touch = world.Intersect_Ball(b.Centre.x, b.Centre.y, b.Radius);
        q.Balls.push_back(b);
    }
    const cLevel_Stats st = Get_Stats(world);
    std::string caption = level.File + ": " + std::to_string(st.Walls) + " walls, " + std::to_string(st.Areas) +
                          " areas, " + std::to_string(st.Portals) + " portals, " + std::to_string(st.Waypoints) +
                          " waypoints";
    if (!level.Loaded) caption += " (the loader stopped early)";
    if (!level.Built) caption += " (not built: a wall lies outside the bounds)";
    std::ostringstream svg;
    Write_Svg(svg, world, level.Bounds, caption, q, options);
    Write_Output(c, a.All("-o")[0][0], svg.str(), io);
    return 0;
}

int Run_Import_Grid(const cParsed_Args& a, cIo& io) {
    const cCommand_Def& c = *a.Command;
    if (!a.Has("-o")) Fail(c, "missing -o LEVEL (usage: " + Usage(c) + ")");
    int cell = 10;
    if (a.Has("--cell")) {
        cell = To_Int(c, "--cell S", a.All("--cell")[0][0]);
        if (cell < 1) Fail(c, "--cell S must be at least 1");
    }
    cWall_Order order = cWall_Order::BALANCED;
    if (a.Has("--order") && !Parse_Wall_Order(a.All("--order")[0][0], order))
        Fail(c, "--order must be balanced, longest or scan, got '" + a.All("--order")[0][0] + "'");
    const std::string& file = a.Positional[0];
    if (!Is_Readable_File(file)) Fail(c, "cannot read map file '" + file + "'");
    cImported_Level imported;
    std::string error;
    if (!Import_Grid_Map(file, cell, order, !a.Has("--no-solid"), imported, error)) Fail(c, file + ": " + error);
    std::ostringstream level;
    Write_Level(level, imported.Width, imported.Height, imported.Walls, a.Has("--no-solid") ? nullptr : &imported.Solid);
    Write_Output(c, a.All("-o")[0][0], level.str(), io);
    return 0;
}

int Run_Import_Tiled(const cParsed_Args& a, cIo& io) {
    const cCommand_Def& c = *a.Command;
    if (!a.Has("-o")) Fail(c, "missing -o LEVEL (usage: " + Usage(c) + ")");
    cTiled_Options options;
    if (a.Has("--scale")) {
        options.Scale = To_Int(c, "--scale S", a.All("--scale")[0][0]);
        if (options.Scale < 1) Fail(c, "--scale S must be at least 1");
    }
    if (a.Has("--layer")) options.Layer = a.All("--layer")[0][0];
    if (a.Has("--solid-property")) {
        options.Solid_Property = a.All("--solid-property")[0][0];
        if (options.Solid_Property.empty()) Fail(c, "--solid-property NAME must not be empty");
    }
    cWall_Order order = cWall_Order::BALANCED;
    if (a.Has("--order") && !Parse_Wall_Order(a.All("--order")[0][0], order))
        Fail(c, "--order must be balanced, longest or scan, got '" + a.All("--order")[0][0] + "'");
    const std::string& file = a.Positional[0];
    if (!Is_Readable_File(file)) Fail(c, "cannot read map file '" + file + "'");
    cImported_Level imported;
    std::string error;
    if (!Import_Tiled_Map(file, options, order, !a.Has("--no-solid"), imported, error)) Fail(c, file + ": " + error);
    std::ostringstream level;
    Write_Level(level, imported.Width, imported.Height, imported.Walls, a.Has("--no-solid") ? nullptr : &imported.Solid);
    Write_Output(c, a.All("-o")[0][0], level.str(), io);
    return 0;
}

// ================================================================ the command table

const std::vector<cCommand_Def>& Commands() {
    const cOption_Def json{"--json", {}, false, false};
    static const std::vector<cCommand_Def> commands = {
        {"info", {"LEVEL"}, {json, {"--time", {}, false, false}}, "[--json] [--time]",
         "Loads and builds LEVEL and describes the world, one \"key: value\" per line:\n"
         "the level file, whether the loader read the whole file (\"no, line N: REASON\"\n"
         "when it stopped early; the world is built from what was read), whether the\n"
         "world accepted its build (\"no, line N: REASON\" when it refused, a wall lying\n"
         "outside the world), the bounds \"XMIN YMIN XMAX YMAX\", the walls read,\n"
         "the wall nodes of the tree (wall pieces that divide; pieces on an earlier\n"
         "wall's line add none), the tree depth (most wall nodes on one way from the\n"
         "root to an area), the areas, the portals and the waypoints.\n"
         "\n"
         "  --json   one JSON object instead: level, loaded, built, bounds [xmin,ymin,\n"
         "           xmax,ymax], walls, wall_nodes, tree_depth, areas, portals,\n"
         "           waypoints, and error (the error's line) when the level is not whole\n"
         "  --time   adds the load time (reading and inserting the walls) and the build\n"
         "           time (areas, portals, waypoints) in milliseconds\n"
         "\n"
         "Exit status 0; 2, after the description, when the level is not whole.\n"
         "Example: bsplevel info test_levels/level_test_pathfinder_4.txt\n",
         Run_Info},
        {"path", {"LEVEL", "X1", "Y1", "X2", "Y2"}, {json}, "[--json]",
         "The route from (X1,Y1) to (X2,Y2): the points to head for, one \"X Y\" per line.\n"
         "The start is not among them; the last point is the goal. When both points lie\n"
         "in one area the route is the goal alone. Without a route it prints \"none\".\n"
         "\n"
         "  --json   {\"found\":true,\"path\":[[x,y],...]} ({\"found\":false,\"path\":[]})\n"
         "\n"
         "Exit status 0 when a route exists, 1 when none does.\n"
         "Example: bsplevel path test_levels/level_test_pathfinder_4.txt 55 82 63 83\n",
         Run_Path},
        {"route", {"LEVEL", "X1", "Y1", "X2", "Y2"}, {json, {"--agent", {"H"}, true, false}}, "[--agent H] [--json]",
         "The shortest route from (X1,Y1) to (X2,Y2) for a square agent of half-size H\n"
         "centred on the route: the square, open, never meets a wall and never leaves the\n"
         "world. With H = 0 the route may touch walls and run along them but never\n"
         "crosses one. Prints the route's corners, one \"X Y\" per line, the start left\n"
         "out and the goal last, then \"length L\" (twelve significant digits). Without\n"
         "a route it prints \"none\" and one line on standard error saying why: no route,\n"
         "the start's or the goal's square meets a wall (or crosses the world's border),\n"
         "or a point lies outside the world.\n"
         "A round agent of radius r is served, conservatively, by H = r: the square\n"
         "holds the disc.\n"
         "\n"
         "  --agent H   the agent's half-size, 0 (the default) to 100000000\n"
         "  --json      {\"status\":\"found\",\"length\":L,\"path\":[[x,y],...]}; without a\n"
         "              route the status is none, start_blocked, goal_blocked or\n"
         "              outside, with \"length\":null and \"path\":[]\n"
         "\n"
         "Exit status 0 when a route exists, 1 when none does.\n"
         "Example: bsplevel route test_levels/level_test_pathfinder_4.txt 55 82 63 83 --agent 2\n",
         Run_Route},
        {"segment", {"LEVEL", "X1", "Y1", "X2", "Y2"}, {json, {"--limit", {"N"}, true, false}}, "[--limit N] [--json]",
         "Walks the grid points of the segment from (X1,Y1) to (X2,Y2) and prints the\n"
         "first one that lies on a wall as \"hit X Y\", or \"no hit\". The start point is\n"
         "never tested, the end point is; a segment whose ends lie in one area answers\n"
         "\"no hit\" at once.\n"
         "\n"
         "  --limit N   stop after the first point at distance N or more from the start\n"
         "              (N >= 0; the library's squared limit N*N)\n"
         "  --json      {\"hit\":true,\"x\":X,\"y\":Y} or {\"hit\":false}\n"
         "\n"
         "Exit status 0 for a hit, 1 for no hit.\n"
         "Example: bsplevel segment test_levels/level_test_intersections.txt 10 10 90 90\n",
         Run_Segment},
        {"ball", {"LEVEL", "X", "Y", "R"}, {json}, "[--json]",
         "Prints \"touch\" when a wall lies closer than R to (X,Y) and \"clear\" otherwise\n"
         "(a wall exactly R away does not touch). R must not be negative.\n"
         "\n"
         "  --json   {\"touch\":true} or {\"touch\":false}\n"
         "\n"
         "Exit status 0 for touch, 1 for clear.\n"
         "Example: bsplevel ball test_levels/level_test_intersections.txt 50 50 10\n",
         Run_Ball},
        {"dump", {"LEVEL"}, {}, "",
         "Prints the library's dump of the built tree from the root: a line\n"
         "\"FRONT] <---> [BACK] \" per wall node, with the ids of its children (areas\n"
         "have negative ids), and a block per area with its bounds, wall pieces and\n"
         "portals. Front children come before back children.\n"
         "\n"
         "Exit status 0.\n"
         "Example: bsplevel dump test_levels/level_test_pathfinder_4.txt\n",
         Run_Dump},
        {"batch", {"LEVEL"}, {json}, "[--json]",
         "Builds LEVEL once, then reads queries from standard input, one per line:\n"
         "  path X1 Y1 X2 Y2              answers \"path X Y X Y ...\" or \"path none\"\n"
         "  route X1 Y1 X2 Y2 [H]         answers \"route X Y X Y ... length L\" or\n"
         "                                \"route none WHY\", WHY one of none, start-blocked,\n"
         "                                goal-blocked, outside (H as route's --agent, 0\n"
         "                                when left out)\n"
         "  segment X1 Y1 X2 Y2 [LIMIT]   answers \"hit X Y\" or \"no hit\" (LIMIT as --limit)\n"
         "  ball X Y R                    answers \"touch\" or \"clear\"\n"
         "Each query gets one answer line on standard output, in order. Blank lines and\n"
         "lines starting with '#' are skipped. A malformed line is answered with\n"
         "\"error: line N: REASON\" (N counts every input line from 1) and the run goes on.\n"
         "\n"
         "  --json   one JSON object per answer line instead: \"line\" (N), \"query\",\n"
         "           then the fields of the query's own --json, e.g.\n"
         "           {\"line\":3,\"query\":\"route\",\"status\":\"found\",\"length\":100,\n"
         "           \"path\":[[50,40],[90,10]]}; a malformed line gives\n"
         "           {\"line\":N,\"error\":REASON}\n"
         "\n"
         "Exit status 0, or 2 when a line was malformed.\n"
         "Example: printf 'path 55 82 63 83\\nroute 55 82 63 83 2\\n' | bsplevel batch LEVEL\n",
         Run_Batch},
        {"svg",
         {"LEVEL"},
         {{"-o", {"FILE.svg"}, false, false},
          {"--path", {"X1", "Y1", "X2", "Y2"}, true, true},
          {"--route", {"X1", "Y1", "X2", "Y2"}, true, true},
          {"--agent", {"H"}, true, true},
          {"--segment", {"X1", "Y1", "X2", "Y2"}, true, true},
          {"--ball", {"X", "Y", "R"}, true, true},
          {"--view", {"X1", "Y1", "X2", "Y2"}, true, false},
          {"--layers", {"LIST"}, false, false}},
         "-o FILE.svg [--view X1 Y1 X2 Y2] [--layers LIST] [--path X1 Y1 X2 Y2]... [--route X1 Y1 X2 Y2 "
         "[--agent H]]... [--segment X1 Y1 X2 Y2]... [--ball X Y R]...",
         "Draws the built world into FILE.svg (\"-o -\" writes to standard output): free\n"
         "space light, solid rock shaded (nothing of its areas drawn over it), the walls\n"
         "dark, every area's rectangle in light blue with its id, every portal in orange\n"
         "with its id, waypoints as small purple dots, and on top each query asked. Each\n"
         "path and route has a colour of its own (blue, teal, magenta, amber, ...; paths\n"
         "first) and a line in the legend under the picture: a path is a line through\n"
         "its points from a hollow start, a route the same with the agent's square\n"
         "outlined at the start, at every bend and at the goal; one that does not exist\n"
         "is dashed, a blocked end's square red, the reason in the legend. A segment is\n"
         "dashed with the part up to its hit in red and the hit point marked (green when\n"
         "it hits nothing), a ball a circle, red when it touches and green when clear.\n"
         "Ids are written only where they fit. The level's y axis points down the\n"
         "picture. Strokes are scaled to the part drawn and kept thinner than the\n"
         "level's narrow ways.\n"
         "\n"
         "  --view X1 Y1 X2 Y2    draws only the rectangle with corners (X1,Y1) and\n"
         "                        (X2,Y2), at the scale of a whole picture\n"
         "  --layers LIST         what is drawn of the level, comma-separated from\n"
         "                        walls, areas, portals, waypoints, solid. By default\n"
         "                        all of them; when the part drawn holds more than 2000\n"
         "                        areas or walls, walls and solid only (a comment in\n"
         "                        the file says so), each layer as one element\n"
         "  --route X1 Y1 X2 Y2   a shortest route as the route command finds it\n"
         "  --agent H             the half-size of the agent of the --route just before\n"
         "                        it (default 0): --route 5 5 95 95 --agent 3\n"
         "\n"
         "Exit status 0.\n"
         "Example: bsplevel svg test_levels/level_test_pathfinder_4.txt -o level.svg --path 55 82 63 83\n"
         "         bsplevel svg maze.txt -o part.svg --view 0 0 640 640 --layers walls,solid\n",
         Run_Svg},
        {"import-grid",
         {"MAP"},
         {{"-o", {"LEVEL"}, false, false},
          {"--cell", {"S"}, true, false},
          {"--order", {"ORDER"}, false, false},
          {"--solid", {}, false, false},
          {"--no-solid", {}, false, false}},
         "-o LEVEL [--cell S] [--order balanced|longest|scan] [--no-solid]",
         "Turns a grid map (\"type octile\", \"height H\", \"width W\", \"map\", then H rows\n"
         "of W characters; '.', 'G' and 'S' are free, anything else is blocked) into a\n"
         "level file (\"-o -\" writes to standard output). Cell (x,y), x the column and y\n"
         "the row from the top, covers [x*S,(x+1)*S] x [y*S,(y+1)*S]. The level's area\n"
         "is [W*S,H*S]; every border between a blocked and a free cell becomes a wall,\n"
         "neighbouring pieces on one line merged into one wall. The map's outer edge\n"
         "gives no wall: the world's border closes the level.\n"
         "\n"
         "  --cell S    level units per cell (default 10)\n"
         "  --order O   the order the walls are written in, which shapes the tree:\n"
         "              balanced (default): region by region, the line that splits the\n"
         "              region's walls most evenly while cutting few of them;\n"
         "              longest: longest walls first; scan: horizontal walls row by row,\n"
         "              then vertical walls column by column\n"
         "  --no-solid  leaves out the <SOLID> section written after the walls: one\n"
         "              point per group of blocked cells joined through their sides, the\n"
         "              centre of its first cell in row order (none when S < 2 or no cell\n"
         "              is free), which makes the group solid space (--solid, the default)\n"
         "\n"
         "Exit status 0.\n"
         "Example: bsplevel import-grid den012d.map -o den.txt\n",
         Run_Import_Grid},
        {"import-tiled",
         {"MAP"},
         {{"-o", {"LEVEL"}, false, false},
          {"--layer", {"NAME"}, false, false},
          {"--solid-property", {"NAME"}, false, false},
          {"--scale", {"S"}, true, false},
          {"--order", {"ORDER"}, false, false},
          {"--solid", {}, false, false},
          {"--no-solid", {}, false, false}},
         "-o LEVEL [--layer NAME] [--solid-property NAME] [--scale S] [--order balanced|longest|scan] [--no-solid]",
         "Turns an orthogonal map of the Tiled editor (XML .tmx or JSON .tmj, finite or\n"
         "infinite) into a level file (\"-o -\" writes to standard output). Blocked are\n"
         "the tiles of the collision layer and the rectangles of every object layer;\n"
         "polygons and polylines whose edges are all horizontal or vertical become\n"
         "walls as they are. The map's pixel (x,y) is the level's point (x*S,y*S), y\n"
         "growing downward; an infinite map's extent is the box around its chunks,\n"
         "shifted so that its top left corner is (0,0). Every border between blocked\n"
         "and free space becomes a wall, pieces on one line merged; the map's outer\n"
         "edge gives none. The level's area is the map's size in units.\n"
         "\n"
         "Tile data: CSV, base64, base64 with zlib or gzip, <tile> elements; tilesets\n"
         "embedded or external (.tsx, .tsj, relative to the map's folder). Refused,\n"
         "with the reason: other orientations, zstd, ellipses, points, text, tile\n"
         "objects, templates, rotated objects, diagonal edges.\n"
         "\n"
         "  --layer NAME           the collision layer; by default the one tile layer\n"
         "                         whose name holds \"collision\" (any case) or that has\n"
         "                         the bool property collision = true\n"
         "  --solid-property NAME  only tiles whose tileset gives them the bool\n"
         "                         property NAME = true block (default: every tile)\n"
         "  --scale S              level units per pixel (default 1)\n"
         "  --order O              balanced (default), longest or scan, as import-grid\n"
         "  --no-solid             leaves out the <SOLID> section written after the walls:\n"
         "                         one point per group of blocked space, strictly inside\n"
         "                         it and on no wall (none when no space is free), which\n"
         "                         makes the group solid space (--solid, the default)\n"
         "\n"
         "Exit status 0.\n"
         "Example: bsplevel import-tiled dungeon.tmx -o dungeon.txt --scale 2\n",
         Run_Import_Tiled},
    };
    return commands;
}

bool Is_Help(const std::string& a) { return a == "--help" || a == "-h"; }

}  // namespace

int Run_Bsplevel(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << "bsplevel: missing command (try 'bsplevel --help')\n";
        return 2;
    }
    if (Is_Help(args[0]) || args[0] == "help") {
        out << GENERAL_HELP;
        return 0;
    }
    if (args[0] == "--version") {
        out << "bsplevel " << BSP_LEVELS_VERSION << "\n";
        return 0;
    }
    const cCommand_Def* command = nullptr;
    for (const cCommand_Def& c : Commands())
        if (c.Name == args[0]) command = &c;
    if (command == nullptr) {
        err << "bsplevel: unknown command '" << args[0] << "' (try 'bsplevel --help')\n";
        return 2;
    }
    // --verbose, anywhere after the command, lets the library's own messages
    // (the loader's and the build's, as it writes them) through to the error
    // stream, before the tool's line; without it a failure is one line.
    std::vector<std::string> rest;
    bool verbose = false;
    for (auto a = args.begin() + 1; a != args.end(); ++a) {
        if (*a == "--verbose")
            verbose = true;
        else
            rest.push_back(*a);
    }
    for (const std::string& a : rest) {
        if (Is_Help(a)) {
            out << "usage: " << Usage(*command) << "\n\n" << command->Help;
            if (Loads_A_Level(*command)) out << "\n" << LEVEL_HELP;
            return 0;
        }
    }
    cIo io{in, out, err};
    std::ostringstream kept;
    cMessage_Redirect library_messages(verbose ? &err : &kept);
    try {
        return command->Run(Parse(*command, rest), io);
    } catch (const cLevel_Error& e) {
        err << e.Line << "\n";
    } catch (const cCli_Error& e) {
        err << "bsplevel: " << e.Message << "\n";
    } catch (const std::exception& e) {
        err << "bsplevel: " << command->Name << ": " << e.what() << "\n";
    }
    return 2;
}

}  // namespace bsp_levels
