// The bsplevel tool's contract with its callers: a level that did not load
// whole or whose build was refused is an error for every command, in one
// line naming the file and the line (--partial answers all the same); a grid
// or Tiled map given for a level is named as one; options take their value
// after a blank or an '='; batch --json writes one JSON object per answer.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bsplevel_run.h"

using namespace bsp_levels;

namespace {

const std::string DATA = BSPLEVEL_TEST_DATA;
const std::string SMALL = DATA + "/small.txt";
const std::string TILED = DATA + "/../tiled/";

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

// "FILE" in text replaced by file.
std::string With_File(std::string text, const std::string& file) {
    for (std::string::size_type at = text.find("FILE"); at != std::string::npos; at = text.find("FILE", at + file.size()))
        text.replace(at, 4, file);
    return text;
}

const std::string OUTSIDE_100_60 =
    "ERROR : void cGame_World::Build() : the wall [0,30]-->[130,30] lies outside the world [[0,0]<->[100,60]], "
    "the world is not built !!! \n";
const std::string OUTSIDE_100_100 =
    "ERROR : void cGame_World::Build() : the wall [0,50]-->[150,50] lies outside the world [[0,0]<->[100,100]], "
    "the world is not built !!! \n";

const cBroken_Case BROKEN_CASES[] = {
    {"unknown tag", "<AREA>\n[100,100]\n<WALLS>\n[50,0]->[50,40]\n<WALL>\n[1,1]->[1,5]\n", ":5: unknown tag '<WALL>'",
     ""},
    {"malformed wall item", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,40]\n[0,30]-[30,30]\n", ":5: malformed wall item",
     "ERROR while reading file : FILE at line 4\n"},
    {"malformed area item", "<AREA>\n[100;60]\n", ":2: malformed area item", "ERROR while reading file : FILE at line 1\n"},
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
    // Both: the loader's stop is the error.
    {"stopped early and outside", "<WALLS>\n[0,50]->[150,50]\n<WALL>\n", ":3: unknown tag '<WALL>'", OUTSIDE_100_100},
};

// Each broken level gives every command the same one line after the
// library's messages, and status 2; only info answers first.
TEST(BsplevelContract, BrokenLevelIsOneLineAndStatusTwoForEveryCommand) {
    int number = 0;
    for (const cBroken_Case& c : BROKEN_CASES) {
        const std::string file = Temp("broken" + std::to_string(++number) + ".txt");
        Write(file, c.Text);
        for (const std::vector<std::string>& command : LEVEL_COMMANDS) {
            const std::vector<std::string> args = With_Level(command, file);
            SCOPED_TRACE(c.Name + ": " + ::testing::PrintToString(args));
            const cResult r = Tool(args, "path 10 10 90 10\n");
            EXPECT_EQ(r.Status, 2);
            EXPECT_EQ(r.Err, file + c.Line + "\n");
            if (command.size() == 1) {
                // --verbose lets the library's own messages through, before the line.
                std::vector<std::string> verbose = args;
                verbose.push_back("--verbose");
                EXPECT_EQ(Tool(verbose, "path 10 10 90 10\n").Err, With_File(c.Library, file) + file + c.Line + "\n");
            }
            if (command[0] != "info") {
                EXPECT_EQ(r.Out, "");
            } else if (command.size() == 1) {
                EXPECT_NE(r.Out.find("\nbounds: "), std::string::npos) << r.Out;
                // Where it stopped or why the build was refused, without the file's name.
                EXPECT_NE(r.Out.find("no, line " + c.Line.substr(1)), std::string::npos) << r.Out;
            } else {
                const nlohmann::json info = nlohmann::json::parse(r.Out);
                EXPECT_EQ(info["error"], file + c.Line);
                EXPECT_FALSE(info["loaded"].get<bool>() && info["built"].get<bool>());
            }
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

// A map given where a level is expected is named as one, by every command
// and with --partial too; text that only looks a little like one is left to
// the loader's line.
TEST(BsplevelContract, MapsGivenForLevelsAreNamed) {
    const std::string grid = " looks like a grid map: use import-grid\n";
    const std::string tiled = " looks like a Tiled map: use import-tiled\n";
    const std::pair<std::string, std::string> files[] = {
        {DATA + "/arena.map", grid},
        {TILED + "small_csv.tmx", tiled},
        {TILED + "small_zlib.tmj", tiled},
        {TILED + "infinite_zlib.tmj", tiled},
    };
    for (const auto& f : files) {
        for (std::vector<std::string> command : LEVEL_COMMANDS) {
            for (const bool partial : {false, true}) {
                std::vector<std::string> args = With_Level(command, f.first);
                if (partial) args.push_back("--partial");
                SCOPED_TRACE(::testing::PrintToString(args));
                const cResult r = Tool(args);
                EXPECT_EQ(r.Status, 2);
                EXPECT_EQ(Lines(r.Err).back() + "\n", f.first + f.second);
                if (command[0] != "info") {
                    EXPECT_EQ(r.Out, "");
                }
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
        "route 20 15 80 15 11\n";
    const cResult text = Tool({"batch", SMALL}, input), json = Tool({"batch", SMALL, "--json"}, input);
    EXPECT_EQ(json.Status, text.Status);
    EXPECT_EQ(json.Err, text.Err);
    const std::vector<std::string> answers = Lines(text.Out), objects = Lines(json.Out);
    ASSERT_EQ(objects.size(), answers.size());
    const int input_lines[] = {2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14};
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
            if (status == "found") {
                back << "route";
                points(o["path"]);
                back << " length " << o["length"].dump();
            } else {
                EXPECT_TRUE(o["length"].is_null());
                EXPECT_TRUE(o["path"].empty());
                for (char& ch : status)
                    if (ch == '_') ch = '-';
                back << "route none " << status;
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
    EXPECT_EQ(objects[0], "{\"line\":2,\"query\":\"path\",\"found\":true,\"path\":[[40,30],[50,50],[90,10]]}");
    EXPECT_EQ(objects[3],
              "{\"line\":5,\"query\":\"route\",\"status\":\"found\",\"length\":111.012913932,"
              "\"path\":[[35,25],[45,45],[55,45],[90,10]]}");
    EXPECT_EQ(Tool({"batch", SMALL, "--json"}, "").Out, "");
}

}  // namespace
