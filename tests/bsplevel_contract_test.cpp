// The bsplevel tool's contract with its callers: a level that did not load
// whole (strictly: a dropped wall, an empty file, a file without a tag) or
// whose build was refused is an error for every command, in one line naming
// the file and the line, and nothing answered (--partial answers all the
// same, --verbose adds the library's messages); a byte order mark is no
// error; a grid map, a Tiled map or an LDtk project given for a level, or to
// another importer, is named as one; every command-line error is one line; options take their
// value after a blank or an '='; batch --json writes one JSON object per
// answer.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "bsplevel_commands.h"
#include "bsplevel_run.h"

using namespace bsp_levels;

namespace {

const std::string DATA = BSPLEVEL_TEST_DATA;
const std::string SMALL = DATA + "/small.txt";
const std::string DOORS = DATA + "/doors.txt";
const std::string ARENA = DATA + "/arena.map";
const std::string TILED = DATA + "/../tiled/";
const std::string LDTK = DATA + "/../ldtk/";

// Every command that loads a level, each with arguments that are right for
// any level; the level's file goes in first.
const std::vector<std::vector<std::string>> LEVEL_COMMANDS = {
    {"info"},
    {"info", "--json"},
    {"path", "10", "10", "90", "10"},
    {"route", "10", "10", "90", "10", "--agent", "2"},
    {"segment", "10", "10", "90", "10", "--json"},
    {"ball", "40", "35", "11"},
    {"dump"},
    {"batch"},
    {"batch", "--json"},
    {"svg", "-o", "-", "--path", "10", "10", "90", "10"},
};

// Every command with arguments it answers; the level commands on small.txt.
const std::map<std::string, std::vector<std::string>> VALID_ARGS = {
    {"info", {SMALL}},
    {"path", {SMALL, "10", "10", "90", "10"}},
    {"route", {SMALL, "10", "10", "90", "10"}},
    {"route-any", {SMALL, "10", "10", "90", "10", "20", "20"}},
    {"nearest", {SMALL, "52", "20"}},
    {"segment", {SMALL, "10", "10", "90", "10"}},
    {"ball", {SMALL, "40", "35", "11"}},
    {"dump", {SMALL}},
    {"batch", {SMALL}},
    {"svg", {SMALL, "-o", "-"}},
    {"import-grid", {ARENA, "-o", "-"}},
    {"import-tiled", {TILED + "small_csv.tmx", "-o", "-"}},
    {"import-ldtk", {LDTK + "platformer.ldtk", "-o", "-"}},
};

std::vector<std::string> Command_Line(const std::string& command, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {command};
    const std::vector<std::string>& valid = VALID_ARGS.at(command);
    args.insert(args.end(), valid.begin(), valid.end());
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// A command line whose file is another.
std::vector<std::string> With_File(std::vector<std::string> args, const std::string& file) {
    args.at(1) = file;
    return args;
}

std::vector<std::string> With_Level(const std::vector<std::string>& command, const std::string& level) {
    std::vector<std::string> args = command;
    args.insert(args.begin() + 1, level);
    return args;
}

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

const std::string PLUS_MINUS = "\xC2\xB1";  // as the loader writes it, in UTF-8

struct cBroken_Case {
    std::string Name;
    std::string Text;     // the level file
    std::string Line;     // the tool's line after the file's name
    std::string Library;  // the library's own messages before it; FILE stands for the file's name
};

std::string Replace_All(std::string text, const std::string& from, const std::string& to) {
    for (std::string::size_type at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// "FILE" in text replaced by file.
std::string With_File(const std::string& text, const std::string& file) { return Replace_All(text, "FILE", file); }

const std::string OUTSIDE_100_60 =
    "ERROR : void cGame_World::Build() : the wall [0,30]-->[130,30] lies outside the world [[0,0]<->[100,60]], "
    "the world is not built !!! \n";
const std::string OUTSIDE_100_100 =
    "ERROR : void cGame_World::Build() : the wall [0,50]-->[150,50] lies outside the world [[0,0]<->[100,100]], "
    "the world is not built !!! \n";

const std::string SOLID_EVERYWHERE =
    "ERROR : cGame_World::Build() : the solid points reach every area of the world, no wall closes their region; "
    "the world is built without solid space !!! \n";

const cBroken_Case BROKEN_CASES[] = {
    {"unknown tag", "<AREA>\n[100,100]\n<WALLS>\n[50,0]->[50,40]\n<WALL>\n[1,1]->[1,5]\n", ":5: unknown tag '<WALL>'",
     ""},
    {"malformed wall item", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,40]\n[0,30]-[30,30]\n", ":5: malformed wall item",
     "ERROR while reading file : FILE at line 4\n"},
    {"malformed area item", "<AREA>\n[100;60]\n", ":2: malformed area item", "ERROR while reading file : FILE at line 1\n"},
    {"malformed door item", "<AREA>\n[100,60]\n<DOORS>\n[50,40]->[50,6x]\n", ":4: malformed door item",
     "ERROR while reading file : FILE at line 3\n"},
    {"malformed solid point", "<AREA>\n[100,60]\n<SOLID>\n[5,x]\n", ":4: malformed solid point",
     "ERROR while reading file : FILE at line 3\n"},
    {"number out of range", "<AREA>\n[200000000,100]\n<WALLS>\n[50,0]->[50,40]\n",
     ":2: number 200000000 outside the coordinate range " + PLUS_MINUS + "100000000",
     "ERROR while reading file : FILE at line 1\n"},
    {"negative number out of range", "<WALLS>\n[0,0]->\n[0,-100000001]\n",
     ":3: number -100000001 outside the coordinate range " + PLUS_MINUS + "100000000",
     "ERROR while reading file : FILE at line 1\n"},
    {"item before the first tag", "\n[0,0]->[10,0]\n<WALLS>\n[50,0]->[50,40]\n", ":2: an item before the first tag line",
     ""},
    {"file ends after a tag", "<AREA>\n[100,100]\n<WALLS>\n", ":4: the file ends where an item was expected",
     "ERROR while reading file : FILE at line 3\n"},
    // Strict reading: what the world would drop or keep as a point, and a
    // text that holds no level at all.
    {"diagonal wall", "<WALLS>\n[0,0]->[10,5]\n", ":2: wall [0,0]->[10,5] is neither horizontal nor vertical", ""},
    {"zero-length wall", "<WALLS>\n[50,0]->[50,40]\n[10,10]->[10,10]\n", ":3: wall [10,10]->[10,10] has zero length", ""},
    {"diagonal door", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,40]\n<DOORS>\n[50,40]->[50,60]\n[0,10]->[20,30]\n",
     ":7: door [0,10]->[20,30] is neither horizontal nor vertical", ""},
    {"zero-length door", "<AREA>\n[100,60]\n<DOORS>\n[50,45]->[50,45]\n", ":4: door [50,45]->[50,45] has zero length", ""},
    {"empty file", "", ":1: the file is empty: no <AREA>, <WALLS>, <SOLID> or <DOORS> tag", ""},
    {"blank lines only", "\n\r\n\n", ":1: the file is empty: no <AREA>, <WALLS>, <SOLID> or <DOORS> tag", ""},
    {"byte order mark only", "\xEF\xBB\xBF", ":1: the file is empty: no <AREA>, <WALLS>, <SOLID> or <DOORS> tag", ""},
    {"walls without a tag", "[0,0]->[10,0]\n[50,0]->[50,40]\n", ":1: an item before the first tag line", ""},
    // A byte order mark is no line of its own.
    {"unknown tag after a byte order mark", "\xEF\xBB\xBF<AREA>\r\n[100,60]\r\n<WALL>\r\n", ":3: unknown tag '<WALL>'", ""},
    // The wall's line counts blank lines and is the same with CR LF line ends.
    {"wall outside the world", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,40]\n\n  [0,30]->[130,30]\n",
     ":6: wall outside the world [0,0]-[100,60]", OUTSIDE_100_60},
    {"wall outside the world, CR LF", "<AREA>\r\n[100,60]\r\n<WALLS>\r\n[50,0]->[50,40]\r\n\r\n  [0,30]->[130,30]\r\n",
     ":6: wall outside the world [0,0]-[100,60]", OUTSIDE_100_60},
    {"wall outside the default world", "<WALLS>\n[10,0]->[10,40]\n[0,50]->[150,50]\n",
     ":3: wall outside the world [0,0]-[100,100]", OUTSIDE_100_100},
    // A diagonal wall stops the reading on its line; two walls on one line
    // share it; an item over several lines is on its first.
    {"diagonal wall before one outside", "<WALLS>\n[0,20]->[10,20]\n[0,0]->[10,10]\n[0,50]->[150,50]\n",
     ":3: wall [0,0]->[10,10] is neither horizontal nor vertical", ""},
    {"wall outside on a shared line", "<WALLS>\n[0,20]->[10,20] [0,50]->[150,50]\n",
     ":2: wall outside the world [0,0]-[100,100]", OUTSIDE_100_100},
    {"wall outside over three lines", "<WALLS>\n[10,0]->[10,40]\n\n[0,50]\n->\n[150,50]\n",
     ":4: wall outside the world [0,0]-[100,100]", OUTSIDE_100_100},
    {"door outside the world", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,60]\n<DOORS>\n[10,0]->[10,200]\n",
     ":6: door outside the world [0,0]-[100,60]",
     "ERROR : void cGame_World::Build() : the door [10,0]-->[10,200] lies outside the world [[0,0]<->[100,60]], the "
     "world is not built !!! \n"},
    {"solid point outside the world", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,60]\n<SOLID>\n[10,10]\n[500,10]\n",
     ":7: solid point outside the world [0,0]-[100,60]",
     "ERROR : cGame_World::Build() : the solid point [500,10] lies outside the world [[0,0]<->[100,60]], the world "
     "is not built !!! \n"},
    // On the only wall, on the last of several, on a door: the point's own line.
    {"solid point on the only wall", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,60]\n<SOLID>\n[50,10]\n",
     ":6: solid point on a wall",
     "ERROR : cGame_World::Build() : the solid point [50,10] lies on a wall, the world is not built !!! \n"},
    {"solid point on a later wall",
     "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,60]\n[0,30]->[50,30]\n<SOLID>\n[10,10]\n[20,30]\n[500,500]\n",
     ":8: solid point on a wall",
     "ERROR : cGame_World::Build() : the solid point [20,30] lies on a wall, the world is not built !!! \n"},
    {"solid point on a door", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,40]\n<DOORS>\n[50,40]->[50,60]\n<SOLID>\n[50,50]\n",
     ":8: solid point on a wall",
     "ERROR : cGame_World::Build() : the solid point [50,50] lies on a wall, the world is not built !!! \n"},
    {"solid points everywhere", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,40]\n<SOLID>\n[10,10]\n",
     ":6: the solid points mark the whole world: no wall closes their region", SOLID_EVERYWHERE},
    // Both: the loader's stop is the error.
    {"stopped early and outside", "<WALLS>\n[0,50]->[150,50]\n<WALL>\n", ":3: unknown tag '<WALL>'", OUTSIDE_100_100},
};

// Each broken level gives every command the same one line and status 2,
// nothing on standard output (info describes what it read first), the
// library's messages before the line with --verbose; with --partial every
// command answers after that line.
TEST(BsplevelContract, BrokenLevelIsOneLineAndStatusTwoForEveryCommand) {
    int number = 0;
    for (const cBroken_Case& c : BROKEN_CASES) {
        const std::string file = Temp("broken" + std::to_string(++number) + ".txt");
        Write(file, c.Text);
        for (const std::vector<std::string>& command : LEVEL_COMMANDS) {
            const std::vector<std::string> args = With_Level(command, file);
            SCOPED_TRACE(c.Name + ": " + ::testing::PrintToString(args));
            const std::string input = "path 10 10 90 10\n";
            const cResult r = Tool(args, input);
            EXPECT_EQ(r.Status, 2);
            EXPECT_EQ(r.Err, file + c.Line + "\n");
            // --verbose lets the library's own messages through, before the line.
            std::vector<std::string> verbose = args;
            verbose.push_back("--verbose");
            const cResult v = Tool(verbose, input);
            EXPECT_EQ(v.Err, With_File(c.Library, file) + file + c.Line + "\n");
            EXPECT_EQ(v.Out, r.Out);
            EXPECT_EQ(v.Status, 2);
            // The line, without the file's name: "line 5: unknown tag '<WALL>'".
            const std::string where = "line " + c.Line.substr(1);
            if (command[0] != "info") {
                EXPECT_EQ(r.Out, "");
            } else if (command.size() == 1) {
                EXPECT_NE(r.Out.find("\nbounds: "), std::string::npos) << r.Out;
                EXPECT_NE(r.Out.find(where), std::string::npos) << r.Out;
            } else {
                const nlohmann::json info = nlohmann::json::parse(r.Out);
                EXPECT_EQ(info["error"], file + c.Line);
            }
            // --partial answers from what was read, after the same line.
            std::vector<std::string> partial = args;
            partial.push_back("--partial");
            const cResult p = Tool(partial, input);
            EXPECT_NE(p.Status, 2) << p.Err;
            EXPECT_EQ(p.Err.rfind(file + c.Line + "\n", 0), 0u) << p.Err;
            EXPECT_NE(p.Out, "");
        }
    }
}

// A level file that begins with a UTF-8 byte order mark loads as the same
// level without one, with LF or CR LF line ends: every command answers
// alike, and nothing is written on the error stream.
TEST(BsplevelContract, ByteOrderMarkLoadsForEveryCommand) {
    const std::string plain = Read(SMALL);
    std::string crlf;
    for (const char ch : plain) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    const std::string marked[] = {"\xEF\xBB\xBF" + plain, "\xEF\xBB\xBF" + crlf};
    int number = 0;
    for (const std::string& text : marked) {
        const std::string file = Temp("bom" + std::to_string(++number) + ".txt");
        Write(file, text);
        for (const std::vector<std::string>& command : LEVEL_COMMANDS) {
            SCOPED_TRACE(::testing::PrintToString(With_Level(command, file)));
            const std::string input = "path 10 10 90 10\nroute 10 10 90 10 5\nball 40 35 11\n";
            const cResult with = Tool(With_Level(command, file), input), without = Tool(With_Level(command, SMALL), input);
            EXPECT_EQ(with.Status, without.Status);
            EXPECT_EQ(with.Err, "");
            // The answers name the file in info and in the picture's caption.
            EXPECT_EQ(with.Out, Replace_All(without.Out, SMALL, file));
        }
    }
}

// An unreadable level is the same kind of error for every command.
TEST(BsplevelContract, UnreadableLevelIsAnErrorForEveryCommand) {
    for (const std::string& file : {DATA + "/no-such-level.txt", DATA}) {
        for (const std::vector<std::string>& command : LEVEL_COMMANDS) {
            SCOPED_TRACE(::testing::PrintToString(With_Level(command, file)));
            const cResult r = Tool(With_Level(command, file));
            EXPECT_EQ(r.Status, 2);
            EXPECT_EQ(r.Err, "bsplevel: " + command[0] + ": cannot read level file '" + file + "'\n");
            EXPECT_EQ(r.Out, "");
        }
    }
}

// --partial answers from what was read (and built), after the same lines:
// every problem of the level, the loader's and the build's.
TEST(BsplevelContract, PartialAnswersFromWhatWasRead) {
    struct cCase {
        std::string Text;
        std::vector<std::string> Args;  // the level's file goes in second
        int Status;
        std::string Out;
        std::string Lines;  // the tool's lines, FILE for the file's name
    };
    const cCase cases[] = {
        // The wall x=50 read before the unknown tag cuts the segment.
        {"<WALLS>\n[50,0]->[50,40]\n<WALL>\n[1,1]->[1,5]\n", {"segment", "10", "10", "90", "10"}, 0, "hit 50 10\n",
         "FILE:3: unknown tag '<WALL>'\n"},
        {"<WALLS>\n[50,0]->[50,40]\n<WALL>\n", {"info", "--json"}, 0,
         "{\"level\":\"FILE\",\"loaded\":false,\"built\":true,\"bounds\":[0,0,100,100],\"walls\":1,\"wall_nodes\":1,"
         "\"tree_depth\":1,\"areas\":2,\"portals\":1,\"waypoints\":0,\"solid_areas\":0,\"doors\":0,\"door_pieces\":0,"
         "\"open_doors\":0,\"error\":\"FILE:3: unknown tag '<WALL>'\"}\n",
         "FILE:3: unknown tag '<WALL>'\n"},
        {"<WALLS>\n[0,50]->[150,50]\n<WALL>\n", {"path", "10", "10", "90", "90"}, 1, "none\n",
         "FILE:3: unknown tag '<WALL>'\nFILE:2: wall outside the world [0,0]-[100,100]\n"
         "bsplevel: path: the world is not built\n"},
        {"<WALLS>\n[0,50]->[150,50]\n", {"batch"}, 0, "path none\nclear\n",
         "FILE:2: wall outside the world [0,0]-[100,100]\n"},
    };
    int number = 0;
    for (const cCase& c : cases) {
        const std::string file = Temp("partial" + std::to_string(++number) + ".txt");
        Write(file, c.Text);
        std::vector<std::string> args = With_Level(c.Args, file);
        args.push_back("--partial");
        SCOPED_TRACE(::testing::PrintToString(args));
        const cResult r = Tool(args, "path 10 10 90 90\nball 50 50 1\n");
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_EQ(r.Out, With_File(c.Out, file));
        const std::string lines = With_File(c.Lines, file);
        ASSERT_GE(r.Err.size(), lines.size()) << r.Err;
        EXPECT_EQ(r.Err.substr(r.Err.size() - lines.size()), lines);
    }
    // On a whole level --partial changes nothing.
    const cResult whole = Tool({"path", SMALL, "10", "10", "90", "10", "--partial"});
    EXPECT_EQ(whole.Out, Tool({"path", SMALL, "10", "10", "90", "10"}).Out);
    EXPECT_EQ(whole.Err, "");
    EXPECT_EQ(whole.Status, 0);
    // The importers read maps, not levels: no --partial.
    EXPECT_EQ(Tool({"import-grid", DATA + "/arena.map", "-o", "-", "--partial"}).Status, 2);
}

// A map given where a level is expected is named as one, in its one line, by
// every command and with --partial too; text that only looks a little like
// one is left to the loader's line.
TEST(BsplevelContract, MapsGivenForLevelsAreNamed) {
    const std::string grid = " looks like a grid map: use import-grid\n";
    const std::string tiled = " looks like a Tiled map: use import-tiled\n";
    const std::string ldtk = " looks like an LDtk project: use import-ldtk\n";
    const std::pair<std::string, std::string> files[] = {
        {DATA + "/arena.map", grid},
        {TILED + "small_csv.tmx", tiled},
        {TILED + "small_zlib.tmj", tiled},
        {TILED + "infinite_zlib.tmj", tiled},
        {LDTK + "platformer.ldtk", ldtk},
        {LDTK + "external.ldtk", ldtk},
    };
    for (const auto& f : files) {
        for (std::vector<std::string> command : LEVEL_COMMANDS) {
            for (const bool partial : {false, true}) {
                std::vector<std::string> args = With_Level(command, f.first);
                if (partial) args.push_back("--partial");
                SCOPED_TRACE(::testing::PrintToString(args));
                const cResult r = Tool(args);
                EXPECT_EQ(r.Status, 2);
                EXPECT_EQ(r.Err, f.first + f.second);
                // Not even info: the file holds no level to describe.
                EXPECT_EQ(r.Out, "");
            }
        }
    }
    const std::pair<std::string, std::string> texts[] = {
        // The header's lines in another order, CR LF line ends, a byte order mark.
        {"\xEF\xBB\xBFheight 1\r\nwidth 2\r\ntype octile\r\nmap\r\n.@\r\n", grid},
        {"type octile\nheight 1\nwidth 2\nmap\n.@\n", grid},
        {"<map version=\"1.10\" orientation=\"orthogonal\" width=\"1\" height=\"1\" tilewidth=\"8\" "
         "tileheight=\"8\"/>\n",
         tiled},
        {"<?xml version=\"1.0\"?>\n<!-- a comment -->\n<map version=\"1.10\"></map>\n", tiled},
        {"  {\"orientation\":\"orthogonal\"}", tiled},
        // An LDtk project by its header, or by its keys; its layer
        // definitions hold "layers", which a Tiled map has too.
        {"{\n\t\"__header__\": { \"fileType\": \"LDtk Project JSON\", \"app\" : \"LDtk\", \"appVersion\": \"1.5.3\" },\n"
         "\t\"defs\": { \"layers\": [] }, \"levels\": []\n}\n",
         ldtk},
        {"{\"jsonVersion\":\"0.9.3\",\"defs\":{\"layers\":[]},\"levels\":[]}", ldtk},
        {"{\"__header__\":{\"app\":\"Other\",\"appAuthor\":\"LDtk\"},\"layers\":[]}", tiled},
        // A tileset is no map; nor is JSON without the keys of one, nor a
        // level whose first item lacks its tag.
        {"<?xml version=\"1.0\"?>\n<tileset name=\"walls\"/>\n", ":1: unknown tag '<?xml version=\"1.0\"?>'\n"},
        {"{\"width\":3}\n", ":1: an item before the first tag line\n"},
        {"type octile\n[0,0]->[10,0]\n", ":1: an item before the first tag line\n"},
    };
    int number = 0;
    for (const auto& t : texts) {
        SCOPED_TRACE(t.first);
        const std::string file = Temp("map" + std::to_string(++number) + ".txt");
        Write(file, t.first);
        const cResult r = Tool({"path", file, "1", "1", "2", "2"});
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err, file + t.second);
        EXPECT_EQ(r.Out, "");
    }
}

// Every option with a value takes it after a blank or after '='; the first
// value of an option with several.
TEST(BsplevelContract, OptionValuesAfterAnEqualsSign) {
    const std::vector<std::string> joined_and_apart[][2] = {
        {{"segment", SMALL, "10", "10", "90", "10", "--limit=39"},
         {"segment", SMALL, "10", "10", "90", "10", "--limit", "39"}},
        {{"route", SMALL, "10", "10", "90", "10", "--agent=5", "--json"},
         {"route", SMALL, "10", "10", "90", "10", "--agent", "5", "--json"}},
        {{"route", "--agent=10", SMALL, "10", "10", "90", "10"}, {"route", "--agent", "10", SMALL, "10", "10", "90", "10"}},
        {{"svg", SMALL, "-o", "-", "--route=10", "10", "90", "10", "--agent=5", "--ball=40", "35", "11"},
         {"svg", SMALL, "-o", "-", "--route", "10", "10", "90", "10", "--agent", "5", "--ball", "40", "35", "11"}},
        {{"import-grid", DATA + "/arena.map", "-o", "-", "--cell=3", "--order=scan"},
         {"import-grid", DATA + "/arena.map", "-o", "-", "--cell", "3", "--order", "scan"}},
        {{"import-tiled", TILED + "small_csv.tmx", "-o", "-", "--scale=2", "--layer=Collision"},
         {"import-tiled", TILED + "small_csv.tmx", "-o", "-", "--scale", "2", "--layer", "Collision"}},
        {{"import-tiled", TILED + "shapes.tmx", "--list", "--object-class=markers", "--max-tiles=100"},
         {"import-tiled", TILED + "shapes.tmx", "--list", "--object-class", "markers", "--max-tiles", "100"}},
        {{"import-ldtk", LDTK + "platformer.ldtk", "-o", "-", "--level=Level_1", "--values=walls", "--scale=2"},
         {"import-ldtk", LDTK + "platformer.ldtk", "-o", "-", "--level", "Level_1", "--values", "walls", "--scale", "2"}},
    };
    for (const auto& pair : joined_and_apart) {
        SCOPED_TRACE(::testing::PrintToString(pair[0]));
        const cResult joined = Tool(pair[0]), apart = Tool(pair[1]);
        EXPECT_EQ(joined.Status, apart.Status);
        EXPECT_EQ(joined.Out, apart.Out);
        EXPECT_EQ(joined.Err, apart.Err);
        EXPECT_NE(joined.Out, "");
    }
    const tRefusals errors = {
        {{"segment", SMALL, "1", "2", "3", "4", "--limit="}, "bsplevel: segment: --limit N must be an integer, got ''\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit=5x"}, "bsplevel: segment: --limit N must be an integer, got '5x'\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit=5", "--limit", "5"}, "bsplevel: segment: --limit given twice\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--json=yes"}, "bsplevel: segment: --json takes no value, got '--json=yes'\n"},
        {{"path", SMALL, "1", "2", "3", "4", "--partial=1"}, "bsplevel: path: --partial takes no value, got '--partial=1'\n"},
        {{"ball", SMALL, "1", "2", "3", "--radius=4"},
         "bsplevel: ball: unknown option '--radius' (usage: bsplevel ball LEVEL X Y R [--json] [--open D]... [--partial] [--verbose])\n"},
        {{"svg", SMALL, "-o", "-", "--path=1", "2", "3"}, "bsplevel: svg: --path needs X1 Y1 X2 Y2\n"},
        {{"route", SMALL, "1", "2", "3", "4", "--agent=-1"}, "bsplevel: route: --agent H must not be negative, got '-1'\n"},
    };
    Expect_Refusals(errors);
}

// batch --json: one object per answer line, read back with a JSON parser,
// saying what the text answers say, in the same order.
TEST(BsplevelContract, BatchJsonSaysWhatTheTextSays) {
    const std::string input =
        "# queries on small.txt\n"
        "path 10 10 90 10\n"
        "path 10 10 10 20\n"
        "route 10 10 90 10\n"
        "route 10 10 90 10 5\n"
        "\n"
        "route 45 10 90 10 6\n"
        "segment 10 10 90 10\n"
        "segment 10 10 90 10 39\n"
        "ball 40 35 11\n"
        "ball 40 35 10\n"
        "jump 1 2\n"
        "ball 1 2 \xff\n"  // not UTF-8
        "route 20 15 80 15 11\n"
        "route 10 10 52 20 3 partial\n"
        "nearest 52 20 3\n"
        "nearest 10 10 40\n"
        "route-any 10 10 90 10 20 20\n"
        "route-any 10 10 200 10 300 10\n";
    const cResult text = Tool({"batch", SMALL}, input), json = Tool({"batch", SMALL, "--json"}, input);
    EXPECT_EQ(json.Status, text.Status);
    EXPECT_EQ(json.Err, text.Err);
    const std::vector<std::string> answers = Lines(text.Out), objects = Lines(json.Out);
    ASSERT_EQ(objects.size(), answers.size());
    const int input_lines[] = {2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    ASSERT_EQ(objects.size(), std::size(input_lines));
    for (std::size_t i = 0; i < objects.size(); ++i) {
        SCOPED_TRACE(objects[i]);
        const nlohmann::json o = nlohmann::json::parse(objects[i]);
        ASSERT_TRUE(o.is_object());
        EXPECT_EQ(o["line"], input_lines[i]);
        // The text answer written back from the object.
        std::ostringstream back;
        auto points = [&](const nlohmann::json& list) {
            for (const auto& p : list) back << ' ' << p[0].get<int>() << ' ' << p[1].get<int>();
        };
        if (o.contains("error")) {
            back << "error: line " << o["line"].get<int>() << ": " << o["error"].get<std::string>();
        } else if (o["query"] == "path") {
            back << "path" << (o["found"].get<bool>() ? "" : " none");
            points(o["path"]);
        } else if (o["query"] == "route") {
            std::string status = o["status"].get<std::string>();
            if (status == "found" || status == "partial") {
                back << (status == "found" ? "route" : "route partial");
                points(o["path"]);
                back << " length " << o["length"].dump();
                if (status == "partial") back << " end " << o["end"][0].get<int>() << ' ' << o["end"][1].get<int>();
            } else {
                EXPECT_TRUE(o["length"].is_null());
                EXPECT_TRUE(o["path"].empty());
                for (char& ch : status)
                    if (ch == '_') ch = '-';
                back << "route none " << status;
            }
        } else if (o["query"] == "nearest") {
            if (o["status"] == "found") {
                back << "nearest " << o["place"][0].get<int>() << ' ' << o["place"][1].get<int>() << " distance "
                     << o["distance"].dump();
            } else {
                EXPECT_TRUE(o["place"].is_null());
                std::string status = o["status"].get<std::string>();
                for (char& ch : status)
                    if (ch == '_') ch = '-';
                back << "nearest none " << status;
            }
        } else if (o["query"] == "route-any") {
            std::string status = o["status"].get<std::string>();
            if (status == "found") {
                back << "route-any goal " << o["goal"].get<int>();
                points(o["path"]);
                back << " length " << o["length"].dump();
            } else {
                EXPECT_TRUE(o["goal"].is_null());
                EXPECT_TRUE(o["path"].empty());
                for (char& ch : status)
                    if (ch == '_') ch = '-';
                back << "route-any none " << status;
            }
        } else if (o["query"] == "segment") {
            if (o["hit"].get<bool>())
                back << "hit " << o["x"].get<int>() << ' ' << o["y"].get<int>();
            else
                back << "no hit";
        } else if (o["query"] == "ball") {
            back << (o["touch"].get<bool>() ? "touch" : "clear");
        }
        // The byte that is not UTF-8 comes back as U+FFFD.
        std::string expected = answers[i];
        const std::string::size_type bad = expected.find('\xff');
        if (bad != std::string::npos) expected.replace(bad, 1, "\xEF\xBF\xBD");
        EXPECT_EQ(back.str(), expected);
    }
    // The objects of a query are those of the command's own --json, after
    // "line" and "query".
    const std::string route = Tool({"route", SMALL, "10", "10", "90", "10", "--json"}).Out;
    EXPECT_EQ(objects[2] + "\n", "{\"line\":4,\"query\":\"route\"," + route.substr(1));
    const std::pair<std::size_t, std::vector<std::string>> same_as_commands[] = {
        {12, {"route", SMALL, "10", "10", "52", "20", "--agent", "3", "--partial-route", "--json"}},
        {13, {"nearest", SMALL, "52", "20", "--agent", "3", "--json"}},
        {15, {"route-any", SMALL, "10", "10", "90", "10", "20", "20", "--json"}},
    };
    for (const auto& c : same_as_commands) {
        const std::string own = Tool(c.second).Out;
        const std::string head = "{\"line\":" + std::to_string(input_lines[c.first]) + ",\"query\":\"" + c.second[0] + "\",";
        EXPECT_EQ(objects[c.first] + "\n", head + own.substr(1));
    }
    EXPECT_EQ(objects[0], "{\"line\":2,\"query\":\"path\",\"found\":true,\"path\":[[40,30],[50,50],[90,10]]}");
    EXPECT_EQ(objects[3],
              "{\"line\":5,\"query\":\"route\",\"status\":\"found\",\"length\":111.012913932,"
              "\"path\":[[35,25],[45,45],[55,45],[90,10]]}");
    EXPECT_EQ(Tool({"batch", SMALL, "--json"}, "").Out, "");
}

}  // namespace

namespace {

// The usage line of a command's help, unwrapped: "bsplevel path LEVEL ...".
std::string Usage_Of_Help(const std::string& help) {
    std::istringstream in(help);
    std::string usage, word;
    for (std::string line; std::getline(in, line) && !line.empty();) {
        std::istringstream words(line);
        while (words >> word) usage += (usage.empty() ? "" : " ") + word;
    }
    return usage.compare(0, 7, "usage: ") == 0 ? usage.substr(7) : "";
}

// The options a help lists: the first word of each line of its options'
// list that starts with "  -".
std::set<std::string> Options_Of_Help(const std::string& help) {
    std::set<std::string> options;
    std::istringstream in(help);
    bool listing = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "Options:") listing = true;
        else if (line.empty()) listing = false;
        else if (listing && line.compare(0, 3, "  -") == 0) options.insert(line.substr(2, line.find(' ', 2) - 2));
    }
    return options;
}

}  // namespace

// Every command-line error of every command is one line, "bsplevel:
// COMMAND: ...", status 2 and nothing answered; those that show the usage
// show the one its help shows.
TEST(BsplevelContract, CommandLineErrorsAreOneLineForEveryCommand) {
    for (const auto& command : VALID_ARGS) {
        const std::string& name = command.first;
        SCOPED_TRACE(name);
        const std::string usage = Usage_Of_Help(Tool({name, "--help"}).Out);
        ASSERT_EQ(usage.rfind("bsplevel " + name + " ", 0), 0u) << usage;
        const bool import = name.compare(0, 6, "import") == 0;
        const std::string first = name == "import-ldtk" ? "PROJECT" : import ? "MAP" : "LEVEL";
        const std::string prefix = "bsplevel: " + name + ": ";
        tRefusals refusals = {
            {{name}, prefix + "missing " + first + " (usage: " + usage + ")\n"},
            {Command_Line(name, {"--frobnicate"}), prefix + "unknown option '--frobnicate' (usage: " + usage + ")\n"},
            // route-any takes more goals: a word there must be a number.
            {Command_Line(name, {"extra"}), name == "route-any"
                                                ? prefix + "GX must be an integer, got 'extra'\n"
                                                : prefix + "unexpected argument 'extra' (usage: " + usage + ")\n"},
            {Command_Line(name, {"--verbose=yes"}), prefix + "--verbose takes no value, got '--verbose=yes'\n"},
            {Command_Line(name, {"--verbose", "--verbose"}), prefix + "--verbose given twice\n"},
        };
        if (!import) {
            const tRefusals level = {
                {Command_Line(name, {"--open"}), prefix + "--open needs D\n"},
                {Command_Line(name, {"--open", "x"}), prefix + "--open D must be an integer, got 'x'\n"},
                {Command_Line(name, {"--open=0"}), prefix + "--open 0: no such door (the level has 0 doors, numbered from 0)\n"},
                {Command_Line(name, {"--partial", "--partial"}), prefix + "--partial given twice\n"},
                {With_File(Command_Line(name), DATA + "/no-such-level.txt"),
                 prefix + "cannot read level file '" + DATA + "/no-such-level.txt'\n"},
            };
            refusals.insert(refusals.end(), level.begin(), level.end());
        } else {
            const tRefusals import = {
                {{name, VALID_ARGS.at(name)[0]}, prefix + "missing -o LEVEL (usage: " + usage + ")\n"},
                {Command_Line(name, {"--order", "best"}), prefix + "--order must be balanced, longest or scan, got 'best'\n"},
                {Command_Line(name, {"--partial"}), prefix + "unknown option '--partial' (usage: " + usage + ")\n"},
                {{name, DATA + "/no-such.map", "-o", "-"}, prefix + "cannot read map file '" + DATA + "/no-such.map'\n"},
            };
            refusals.insert(refusals.end(), import.begin(), import.end());
        }
        Expect_Refusals(refusals);
    }
    // A door the level has opens; one past its last is refused.
    EXPECT_EQ(Tool({"info", DOORS, "--open", "0"}).Status, 0);
    Expect_Refusals({{{"info", DOORS, "--open", "1"},
                      "bsplevel: info: --open 1: no such door (the level has 1 door, numbered from 0)\n"}});
}

// Every command's help lists every option its parser takes, --open,
// --partial and --verbose among them, and no other: each option any help or
// the tool's documentation names, given to each command, is refused as
// unknown exactly when that command's help does not list it.
TEST(BsplevelContract, HelpListsEveryOptionTheParserTakes) {
    std::set<std::string> named = {"--open", "--partial", "--verbose", "--json", "--time", "--limit", "--agent",
                                   "-o",     "--view",    "--layers",  "--path", "--route", "--segment", "--ball",
                                   "--cell", "--order",   "--solid",   "--no-solid", "--layer", "--solid-property",
                                   "--scale", "--help", "--object-class", "--max-tiles", "--list", "--level",
                                   "--values"};
    std::map<std::string, std::set<std::string>> listed;
    const std::string general = Tool({"--help"}).Out;
    for (const cCommand_Def* c : Commands()) {
        SCOPED_TRACE(c->Name);
        ASSERT_EQ(VALID_ARGS.count(c->Name), 1u) << "a command the tests do not know";
        EXPECT_NE(general.find("\n  " + c->Name + " "), std::string::npos);
        const std::string help = Tool({c->Name, "--help"}).Out;
        EXPECT_EQ(Tool({"help", c->Name}).Out, help);
        listed[c->Name] = Options_Of_Help(help);
        std::set<std::string> parsed;
        for (const cOption_Def& o : Options_Of(*c)) parsed.insert(o.Name);
        EXPECT_EQ(listed[c->Name], parsed);
        const std::vector<std::string> shared =
            c->Loads_Level ? std::vector<std::string>{"--open", "--partial", "--verbose", "--help"}
                           : std::vector<std::string>{"--verbose", "--help"};
        for (const std::string& option : shared) EXPECT_EQ(listed[c->Name].count(option), 1u) << option;
        named.insert(listed[c->Name].begin(), listed[c->Name].end());
        // Every line fits a terminal of 80 columns.
        for (const std::string& line : Lines(help)) EXPECT_LE(line.size(), 79u) << line;
    }
    for (const std::string& line : Lines(general)) EXPECT_LE(line.size(), 79u) << line;
    for (const auto& command : VALID_ARGS) {
        for (const std::string& option : named) {
            SCOPED_TRACE(command.first + " " + option);
            const cResult r = Tool(Command_Line(command.first, {option}), "");
            const bool unknown = r.Err.find("unknown option '" + option + "'") != std::string::npos;
            EXPECT_EQ(unknown, listed[command.first].count(option) == 0) << r.Err;
        }
    }
}

// The importers given the other kind of map, or a level, say what the file
// is and name the right command; a file that is plainly none of them is
// left to the importer's own reason. No level is written.
TEST(BsplevelContract, ImportersNameTheRightCommand) {
    const std::string marked = Temp("marked_level.txt"), empty = Temp("empty.map");
    Write(marked, "\xEF\xBB\xBF" + Read(SMALL));
    Write(empty, "");
    auto level = [](const std::string& file) {
        return file + " looks like a level file: it needs no import (try bsplevel info " + file + ")";
    };
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"import-tiled", ARENA}, ARENA + " looks like a grid map: use import-grid"},
        {{"import-tiled", SMALL}, level(SMALL)},
        {{"import-tiled", marked}, level(marked)},
        {{"import-grid", TILED + "small_csv.tmx"}, TILED + "small_csv.tmx looks like a Tiled map: use import-tiled"},
        {{"import-grid", TILED + "small_zlib.tmj"}, TILED + "small_zlib.tmj looks like a Tiled map: use import-tiled"},
        {{"import-grid", LDTK + "platformer.ldtk"}, LDTK + "platformer.ldtk looks like an LDtk project: use import-ldtk"},
        {{"import-tiled", LDTK + "platformer.ldtk"}, LDTK + "platformer.ldtk looks like an LDtk project: use import-ldtk"},
        {{"import-ldtk", TILED + "small_csv.tmx"}, TILED + "small_csv.tmx looks like a Tiled map: use import-tiled"},
        {{"import-ldtk", ARENA}, ARENA + " looks like a grid map: use import-grid"},
        {{"import-ldtk", SMALL}, level(SMALL)},
        {{"import-ldtk", empty}, "bsplevel: import-ldtk: " + empty + ": the project is empty"},
        {{"import-grid", SMALL}, level(SMALL)},
        {{"import-grid", DATA + "/broken.txt"}, level(DATA + "/broken.txt")},
        {{"import-tiled", TILED + "walls.tsx"},
         "bsplevel: import-tiled: " + TILED + "walls.tsx: not a Tiled map: the root element is <tileset>, not <map>"},
        {{"import-tiled", empty}, "bsplevel: import-tiled: " + empty + ": the map is empty"},
        {{"import-grid", empty}, "bsplevel: import-grid: " + empty + ": no \"map\" line: not a grid map"},
    };
    const std::string out = Temp("imported.txt");
    for (const auto& c : cases) {
        std::remove(out.c_str());
        std::vector<std::string> args = c.first;
        args.insert(args.end(), {"-o", out});
        SCOPED_TRACE(::testing::PrintToString(args));
        const cResult r = Tool(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err, c.second + "\n");
        EXPECT_EQ(r.Out, "");
        EXPECT_FALSE(std::ifstream(out).good()) << "a level was written";
    }
}

namespace {

// A stream that takes nothing, as standard output on a full disk or a
// closed pipe.
class cRefusing_Buffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

}  // namespace

// Answers that cannot be written are an error, not a success.
TEST(BsplevelContract, AnswersThatCannotBeWrittenAreAnError) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"path", SMALL, "10", "10", "90", "10"}, "path"},
        {{"import-grid", ARENA, "-o", "-"}, "import-grid"},
        {{"import-tiled", TILED + "shapes.tmx", "--list"}, "import-tiled"},
        {{"svg", SMALL, "-o", "-"}, "svg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        cRefusing_Buffer refusing;
        std::ostream out(&refusing);
        std::istringstream in;
        std::ostringstream err;
        EXPECT_EQ(Run_Bsplevel(c.first, in, out, err), 2);
        EXPECT_EQ(err.str(), "bsplevel: " + c.second + ": cannot write the answers to standard output\n");
    }
}
