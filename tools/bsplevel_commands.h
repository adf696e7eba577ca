// The inside of the bsplevel tool, shared by its command files: the command
// table (what each command takes, its help, the function that runs it), the
// parsed command line, the errors, loading a command's level, and the
// answers that several commands write alike.
//
// Adding a command: write a file command_NAME.cpp with a function that runs
// it, int Run_X(const cParsed_Args&, cIo&), and one that describes it,
// const cCommand_Def& X_Command(), declare the latter below, list it in
// Commands() (command_table.cpp) and add the file to tools/CMakeLists.txt.
// Its --help, its usage line and the parser's checks all come from its
// cCommand_Def.
//
// Adding an option: one cOption_Def in the command's Options, with its help
// text; the parser checks its values (integers, their range, the choices),
// and the help lists it. An option every command that loads a level takes
// goes into Level_Options() (command_line.cpp).
#ifndef BSPLEVEL_COMMANDS_H
#define BSPLEVEL_COMMANDS_H

#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "game_bsp.h"
#include "tool_level.h"

namespace bsp_levels {

// ================================================================ the table

struct cIo {
    std::istream& In;
    std::ostream& Out;
    std::ostream& Err;
};

// One value on the command line: a positional argument or a value that
// follows an option.
struct cValue_Def {
    std::string Name;                  // as usage shows it: "X1", "N", "FILE.svg"
    bool Integer = false;              // must be a whole number within int's range
    std::optional<int> Min, Max;       // integers: the range allowed
    std::vector<std::string> Choices;  // text: the words allowed, when only a few are
};

// A text value; an integer value, with an optional range; one of a few words.
cValue_Def Text(const std::string& name);
cValue_Def Integer(const std::string& name, std::optional<int> min = std::nullopt,
                   std::optional<int> max = std::nullopt);
cValue_Def Choice(const std::string& name, const std::vector<std::string>& choices);
// An agent's half-size: 0 to COORD_LIMIT.
cValue_Def Half_Size(const std::string& name);

// Why v lies outside [min, max] ("must not be negative", "must be at least
// 1", "must be at most 100000000"), or "" when it does not.
std::string Range_Error(int v, const std::optional<int>& min, const std::optional<int>& max);

struct cOption_Def {
    std::string Name;                // "--limit", "-o"
    std::vector<cValue_Def> Values;  // the values that follow it, none for a flag
    std::string Help;                // for --help: what it does (wrapped; '\n' breaks a line)
    bool Repeat = false;             // may be given more than once
    bool Required = false;           // must be given
    std::string Unless;              // ... unless this option is given (import --list needs no -o)
    // The option whose latest occurrence this one qualifies, as svg's
    // --agent qualifies the --route before it: it must follow one, at most
    // once for each.
    std::string Qualifies;

    cOption_Def& Repeatable() {
        Repeat = true;
        return *this;
    }
    cOption_Def& Mandatory() {
        Required = true;
        return *this;
    }
    cOption_Def& Mandatory_Unless(const std::string& other) {
        Required = true;
        Unless = other;
        return *this;
    }
    cOption_Def& Qualifying(const std::string& other) {
        Qualifies = other;
        Repeat = true;
        return *this;
    }
};

// An option with values, and one without (a flag).
cOption_Def Option(const std::string& name, const std::vector<cValue_Def>& values, const std::string& help);
cOption_Def Flag(const std::string& name, const std::string& help);

struct cParsed_Args;

struct cCommand_Def {
    std::string Name;
    std::string Summary;                // one line in the tool's general help
    std::vector<cValue_Def> Positional; // in order
    bool Loads_Level = false;           // its first positional argument is a level: it takes Level_Options()
    std::vector<cOption_Def> Options;   // its own options
    std::string Help;                   // what it does, before the options (as written)
    std::string After;                  // after the options: exit status, examples (as written)
    int (*Run)(const cParsed_Args&, cIo&) = nullptr;
    // The last this many positional values may be given again, as a group,
    // any number of times (route-any's goals: GX GY [GX GY]...); 0: none.
    std::size_t Repeat_Last = 0;
};

// Every command, in the order the general help lists them.
const std::vector<const cCommand_Def*>& Commands();
const cCommand_Def* Find_Command(const std::string& name);

// The commands, one function each, defined in their files.
const cCommand_Def& Info_Command();
const cCommand_Def& Dump_Command();
const cCommand_Def& Path_Command();
const cCommand_Def& Route_Command();
const cCommand_Def& Nearest_Command();
const cCommand_Def& Route_Any_Command();
const cCommand_Def& Segment_Command();
const cCommand_Def& Ball_Command();
const cCommand_Def& Batch_Command();
const cCommand_Def& Svg_Command();
const cCommand_Def& Import_Grid_Command();
const cCommand_Def& Import_Tiled_Command();
const cCommand_Def& Import_Ldtk_Command();

// The options shared by commands: --json, with the command's own help
// saying what it writes; those of every command that loads a level
// (--open D, --partial); those of every command (--verbose, --help).
cOption_Def Json_Option(const std::string& help);
const std::vector<cOption_Def>& Level_Options();
const std::vector<cOption_Def>& Common_Options();

// Every option the command takes, as the parser accepts them and the help
// lists them: its own, then the level's, then the common ones.
std::vector<cOption_Def> Options_Of(const cCommand_Def& c);

// ================================================================ the command line

// An error in the command line, its files or its output: one line,
// "bsplevel: COMMAND: MESSAGE", status 2.
struct cCli_Error {
    std::string Message;  // COMMAND: MESSAGE
};

// A level that is not whole, or a map given for a level: the one line that
// says so, naming the file, written as it is; status 2.
struct cLevel_Error {
    std::string Line;
};

[[noreturn]] void Fail(const cCommand_Def& c, const std::string& message);

struct cParsed_Args {
    const cCommand_Def* Command = nullptr;
    std::vector<std::string> Positional;
    // Every occurrence of every option given, with its values.
    std::map<std::string, std::vector<std::vector<std::string>>> Options;
    // The same occurrences in command-line order, for options that qualify
    // the one before them.
    std::vector<std::pair<std::string, std::vector<std::string>>> In_Order;

    bool Has(const std::string& name) const { return Options.count(name) != 0; }
    const std::vector<std::vector<std::string>>& All(const std::string& name) const;
    // The first value of the option's first occurrence; the option must be given.
    const std::string& Text(const std::string& name) const;
    // The same read as an integer (the parser checked it), or fallback when
    // the option is not given.
    int Int(const std::string& name, int fallback) const;
    // A positional integer, and two in a row as a point.
    int Int_At(std::size_t i) const;
    cPoint2D Point_At(std::size_t first) const;
};

// An integer value the parser has checked.
int Checked_Int(const std::string& text);

// Splits the arguments after the command's name into positional arguments
// and options and checks them against the command's table; throws a
// cCli_Error naming what is wrong.
cParsed_Args Parse(const cCommand_Def& c, const std::vector<std::string>& args);

// "bsplevel path LEVEL X1 Y1 X2 Y2 [--json] [--open D]... ...": every
// positional argument and every option.
std::string Usage(const cCommand_Def& c);
// The whole --help of a command, and of the tool.
std::string Command_Help(const cCommand_Def& c);
std::string General_Help();

// ================================================================ the level of a command

// What is wrong with a loaded level, one line each: where the loader
// stopped and why, then why the build was refused. A grid or Tiled map given
// for a level is said to be one, in a line alone.
struct cLevel_Verdict {
    std::vector<std::string> Lines;  // empty: the level is whole
    bool Is_Map = false;
};

cLevel_Verdict Judge(const cTool_Level& level);

// The line for a map given where a level, or another kind of map, is
// expected: "FILE looks like a grid map: use import-grid" (a Tiled map,
// import-tiled; an LDtk project, import-ldtk).
std::string Map_Given(const std::string& file, cLevel_Format kind);

// A problem without the file's name: "line 3: unknown tag '<WALL>'".
std::string Problem_Words(const cLevel_Problem& problem);

// Loads and builds the level named by the command's first positional
// argument; a file that cannot be read is a cCli_Error.
cTool_Level Read_Level_Of(const cParsed_Args& a);

// Whether the answers go on from the level: it is whole, or --partial asks
// for answers from what was read (never from a map).
bool Answers_Anyway(const cParsed_Args& a, const cLevel_Verdict& verdict);

// Opens the doors --open names; an unknown door is a cCli_Error.
void Open_Doors(const cParsed_Args& a, cGame_World& world);

// The level a query answers from: read, judged (a level that is not whole
// throws its first line as a cLevel_Error, unless --partial, which writes
// every line to the error stream and goes on), its doors opened.
cTool_Level Load_Level_For(const cParsed_Args& a, cIo& io);

// ================================================================ answers

// --json answers: one object per line, keys in the order they are set. Text
// that is not UTF-8 (a file name, a word of a batch line) is written with
// U+FFFD in place of the bytes that are not.
using cJson = nlohmann::ordered_json;
std::string Json_Line(const cJson& object);

// Writes text to the file, or to the answer stream when the file is "-".
void Write_Output(const cCommand_Def& c, const std::string& file, const std::string& text, cIo& io);

std::string Point_Text(const cPoint2D& p);
// A route's length with twelve significant digits: "3117.06493578".
std::string Length_Text(double length);

struct cRoute_Answer {
    ROUTE_STATUS Status = ROUTE_NONE;
    std::vector<cPoint2D> Path;  // the corners after the start, ending with the goal
    double Length = 0;
};
cRoute_Answer Find_Route(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal, int half_size);
// The same with partial routes asked for (--partial-route): a goal that
// cannot be reached gives ROUTE_PARTIAL, the route ending at the reachable
// point nearest to it.
cRoute_Answer Find_Partial_Route(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal,
                                 int half_size);
// Why a partial route stops short of its goal: why the goal cannot be
// reached (outside the world, in solid space, blocked for the agent, no
// way), then where the route ends and how far that is from the goal.
std::string Partial_Reason(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal, int half_size,
                           const cPoint2D& end);

// The nearest place to stand (nearest): the point and its distance from
// the point asked.
struct cPlace_Answer {
    ROUTE_STATUS Status = ROUTE_NONE;
    cPoint2D Asked, Place;
    double Distance = 0;
};
cPlace_Answer Find_Place(const cGame_World& world, const cPoint2D& p, int half_size);
// Why there is no place: none has room, the point lies beyond the
// coordinate range, the world is not built.
std::string Place_Reason(const cPlace_Answer& a, int half_size);

// The route to the nearest of several goals (route-any): the goal's number
// in the list, counted from 0, or -1.
struct cRoute_Any_Answer : cRoute_Answer {
    int Goal = -1;
};
cRoute_Any_Answer Find_Route_Any(const cGame_World& world, const cPoint2D& start, const std::vector<cPoint2D>& goals,
                                 int half_size);
std::string Route_Any_Reason(const cGame_World& world, ROUTE_STATUS status, const cPoint2D& start,
                             const std::vector<cPoint2D>& goals, int half_size);

// The status as --json names it ("start_blocked"); batch writes '-' for '_'.
std::string Route_Status_Name(ROUTE_STATUS status);
// The same as batch writes it ("start-blocked").
std::string Route_Status_Word(ROUTE_STATUS status);
// Why there is no route or path, in one sentence.
std::string Route_Reason(const cGame_World& world, ROUTE_STATUS status, const cPoint2D& start, const cPoint2D& goal,
                         int half_size);
std::string Path_Reason(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal);

// The squared limit the library takes for a walk that stops after the first
// point at distance limit or more from the start.
std::int64_t Square_Limit(int limit);

// The answers as --json writes them, for the commands and for batch --json.
cJson Path_Json(bool found, const std::vector<cPoint2D>& path);
// A route's object; a partial one also has "end":[x,y], where it stops.
cJson Route_Json(const cRoute_Answer& r);
cJson Place_Json(const cPlace_Answer& a);
cJson Route_Any_Json(const cRoute_Any_Answer& r);
cJson Segment_Json(bool found, const cPoint2D& hit);
cJson Ball_Json(bool touch);

}  // namespace bsp_levels

#endif
