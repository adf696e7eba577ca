// The bsplevel command-line tool, run in-process: every command's answers and
// exit status, its errors, the batch format, the SVG picture and the grid map
// importers.
//
// The fixture levels in data/bsplevel/:
//   small.txt    world [0,0]-[100,60]; a vertical wall x=50 from y=0 to 40 and
//                a horizontal wall y=30 from x=0 to 30. Three areas:
//                -1 [0,0]-[50,30], -2 [0,30]-[50,60], -3 [50,0]-[100,60];
//                portal 0 [30,30]-[50,30] (-1|-2), portal 1 [50,40]-[50,60] (-2|-3).
//   closed.txt   the same world cut in two by x=50 from y=0 to 60.
//   broken.txt   small.txt whose second wall item is malformed.
//   outside.txt  small.txt whose second wall leaves the world: the build is refused.
//   noarea.txt   the wall x=50 from y=0 to 40 and no area item.
//   arena.map    a 49 x 49 grid map.
// The Tiled maps in data/tiled/ (see tiled_import_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <tuple>
#include <vector>

#include "bsp_levels_version.h"
#include "bsplevel.h"
#include "bsplevel_run.h"
#include "game_bsp.h"
#include "level_loader.h"

using namespace bsp_levels;

namespace {

const std::string DATA = BSPLEVEL_TEST_DATA;
const std::string SMALL = DATA + "/small.txt";
const std::string CLOSED = DATA + "/closed.txt";
const std::string BROKEN = DATA + "/broken.txt";
const std::string OUTSIDE = DATA + "/outside.txt";
const std::string NOAREA = DATA + "/noarea.txt";
const std::string ARENA = DATA + "/arena.map";
const std::string TILED = DATA + "/../tiled/";

std::string Info_Text(const std::string& file, const std::string& loaded, const std::string& built,
                      const std::string& counts) {
    return "level: " + file + "\nloaded: " + loaded + "\nbuilt: " + built + "\n" + counts +
           "solid areas: 0\ndoors: 0 (0 pieces, 0 open)\n";
}

// ------------------------------------------------------------------ answers

struct cAnswer_Case {
    std::vector<std::string> Args;
    int Status;
    std::string Out;
    std::string Err = "";
};

// Runs each command line and checks its answer, its status and its error
// stream.
void Expect_Answers(const std::vector<cAnswer_Case>& cases) {
    for (const cAnswer_Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Args));
        const cResult r = Tool(c.Args);
        EXPECT_EQ(r.Out, c.Out);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_EQ(r.Err, c.Err);
    }
}

TEST(BsplevelAnswers, EachCommandOnTheSmallLevel) {
    const std::vector<cAnswer_Case> cases = {
        {{"info", SMALL},
         0,
         Info_Text(SMALL, "yes", "yes",
                   "bounds: 0 0 100 60\nwalls read: 2\nwall nodes: 2\ntree depth: 2\nareas: 3\nportals: 2\n"
                   "waypoints: 0\n")},
        {{"info", SMALL, "--json"},
         0,
         "{\"level\":\"" + SMALL +
             "\",\"loaded\":true,\"built\":true,\"bounds\":[0,0,100,60],\"walls\":2,\"wall_nodes\":2,"
             "\"tree_depth\":2,\"areas\":3,\"portals\":2,\"waypoints\":0,\"solid_areas\":0,\"doors\":0,"
             "\"door_pieces\":0,\"open_doors\":0}\n"},
        // Through portal 0's and portal 1's middles to the goal.
        {{"path", SMALL, "10", "10", "90", "10"}, 0, "40 30\n50 50\n90 10\n"},
        {{"path", "--json", SMALL, "10", "10", "90", "10"}, 0, "{\"found\":true,\"path\":[[40,30],[50,50],[90,10]]}\n"},
        {{"path", SMALL, "10", "10", "20", "20"}, 0, "20 20\n"},  // one area: the goal alone
        {{"path", CLOSED, "10", "10", "90", "10"}, 1, "none\n", "bsplevel: path: no route from (10,10) to (90,10)\n"},
        {{"path", CLOSED, "10", "10", "90", "10", "--json"},
         1,
         "{\"found\":false,\"path\":[]}\n",
         "bsplevel: path: no route from (10,10) to (90,10)\n"},
        {{"segment", SMALL, "10", "10", "90", "10"}, 0, "hit 50 10\n"},
        {{"segment", SMALL, "90", "10", "10", "10"}, 0, "hit 50 10\n"},
        {{"segment", SMALL, "-5", "10", "90", "10"}, 0, "hit 50 10\n"},  // a negative number is no option
        {{"segment", SMALL, "10", "10", "90", "10", "--json"}, 0, "{\"hit\":true,\"x\":50,\"y\":10}\n"},
        // The limit is a distance: the wall point lies 40 from the start.
        {{"segment", SMALL, "10", "10", "90", "10", "--limit", "40"}, 0, "hit 50 10\n"},
        {{"segment", SMALL, "10", "10", "90", "10", "--limit", "39"}, 1, "no hit\n"},
        {{"segment", SMALL, "10", "10", "20", "20", "--json"}, 1, "{\"hit\":false}\n"},
        // The nearest wall is x=50, 10 away; a wall exactly at the radius does not touch.
        {{"ball", SMALL, "40", "35", "11"}, 0, "touch\n"},
        {{"ball", SMALL, "40", "35", "10"}, 1, "clear\n"},
        {{"ball", SMALL, "40", "35", "11", "--json"}, 0, "{\"touch\":true}\n"},
        {{"ball", SMALL, "40", "35", "10", "--json"}, 1, "{\"touch\":false}\n"},
    };
    Expect_Answers(cases);
}

TEST(BsplevelAnswers, PathOfThePathFinderTestLevel) {
    const cResult r = Tool({"path", std::string(BSPLEVEL_TEST_LEVELS) + "/level_test_pathfinder_4.txt", "55", "82", "63", "83"});
    EXPECT_EQ(r.Out, "50 95\n30 90\n10 80\n5 50\n30 5\n50 10\n60 40\n90 5\n95 50\n95 80\n90 95\n63 83\n");
    EXPECT_EQ(r.Status, 0);
}

TEST(BsplevelAnswers, DumpOfTheSmallLevel) {
    const cResult r = Tool({"dump", SMALL});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out,
              "1] <---> [-3] \n"
              "-1] <---> [-2] \n"
              "[Leaf:-1]]-> Area [[0,0]<->[50,30]]\n"
              "\t\tn_walls =2\n\t\tn_portals =1\n"
              "       walls : \n"
              "\t\t\t-> [[50,0],[50,30]]\n"
              "\t\t\t-> [[0,30],[30,30]]\n"
              "       portals : \n"
              "\t\t\t-> [0] between [-1] and [-2] [[30,30],[50,30]]\n"
              "[Leaf:-2]]-> Area [[0,30]<->[50,60]]\n"
              "\t\tn_walls =2\n\t\tn_portals =2\n"
              "       walls : \n"
              "\t\t\t-> [[0,30],[30,30]]\n"
              "\t\t\t-> [[50,30],[50,40]]\n"
              "       portals : \n"
              "\t\t\t-> [0] between [-1] and [-2] [[30,30],[50,30]]\n"
              "\t\t\t-> [1] between [-2] and [-3] [[50,40],[50,60]]\n"
              "[Leaf:-3]]-> Area [[50,0]<->[100,60]]\n"
              "\t\tn_walls =1\n\t\tn_portals =1\n"
              "       walls : \n"
              "\t\t\t-> [[50,0],[50,40]]\n"
              "       portals : \n"
              "\t\t\t-> [1] between [-2] and [-3] [[50,40],[50,60]]\n");
}

// Every run starts from the default bounds, as a fresh program does, and
// leaves the library's bounds as it found them.
TEST(BsplevelAnswers, EachRunStartsFromTheDefaultBounds) {
    const cRect2D before = WORLD_BOUNDS;
    const cRect2D earlier(cPoint2D(0, 0), cPoint2D(70, 70));  // as an earlier level in the process left them
    WORLD_BOUNDS = earlier;
    const cResult r = Tool({"info", NOAREA});
    EXPECT_NE(r.Out.find("\nbounds: 0 0 100 100\n"), std::string::npos) << r.Out;
    EXPECT_EQ(Tool({"segment", NOAREA, "10", "10", "90", "10"}).Out, "hit 50 10\n");
    EXPECT_EQ(Tool({"info", SMALL}).Status, 0);
    EXPECT_TRUE(WORLD_BOUNDS == earlier);
    WORLD_BOUNDS = before;
}

// A level that stops early is an error; --partial builds it from what was
// read, as the tool did before. The loader's message goes to the error
// stream, not among the answers, and the tool's line follows it.
TEST(BsplevelAnswers, LevelThatFailsToLoad) {
    const std::string library = "ERROR while reading file : " + BROKEN + " at line 4\n";
    // The item on line 5 lacks its last ']': the loader stops at the '[' of line 6.
    const std::string tool = BROKEN + ":6: malformed wall item\n";
    cResult r = Tool({"info", BROKEN, "--partial"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, Info_Text(BROKEN, "no, line 6: malformed wall item; the world holds what was read", "yes",
                               "bounds: 0 0 100 60\nwalls read: 1\nwall nodes: 1\ntree depth: 1\nareas: 2\n"
                               "portals: 1\nwaypoints: 0\n"));
    EXPECT_EQ(r.Err, library + tool);
    r = Tool({"segment", BROKEN, "10", "10", "90", "10", "--partial"});
    EXPECT_EQ(r.Out, "hit 50 10\n");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, library + tool);
    r = Tool({"segment", BROKEN, "10", "10", "90", "10"});
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, library + tool);
}

// A world whose build is refused is an error; with --partial it answers
// every query negatively, as the tool did before.
TEST(BsplevelAnswers, WorldWhoseBuildIsRefused) {
    const std::string tool = OUTSIDE + ":5: wall outside the world [0,0]-[100,60]\n";
    const cResult info = Tool({"info", OUTSIDE, "--json"});
    EXPECT_NE(info.Out.find("\"loaded\":true,\"built\":false,"), std::string::npos) << info.Out;
    EXPECT_EQ(info.Status, 2);
    EXPECT_NE(info.Err.find("the world is not built"), std::string::npos) << info.Err;
    EXPECT_EQ(info.Err.substr(info.Err.size() - std::min(info.Err.size(), tool.size())), tool);
    EXPECT_NE(Tool({"info", OUTSIDE}).Out.find("\nbuilt: no, line 5: wall outside the world [0,0]-[100,60]\n"),
              std::string::npos);
    const cAnswer_Case cases[] = {
        {{"path", OUTSIDE, "10", "10", "90", "10", "--partial"}, 1, "none\n"},
        {{"route", OUTSIDE, "10", "10", "90", "10", "--agent", "2", "--partial"}, 1, "none\n"},
        {{"segment", OUTSIDE, "10", "10", "90", "10", "--partial"}, 1, "no hit\n"},
        {{"ball", OUTSIDE, "50", "10", "5", "--partial"}, 1, "clear\n"},  // centred on a wall
        {{"info", OUTSIDE, "--partial"}, 0, ""},
    };
    for (const cAnswer_Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Args));
        const cResult r = Tool(c.Args);
        if (c.Args[0] != "info") {
            EXPECT_EQ(r.Out, c.Out);
        }
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_NE(r.Err.find("the world is not built"), std::string::npos);
        EXPECT_NE(r.Err.find(tool), std::string::npos) << r.Err;
    }
}

// ------------------------------------------------------------------ routes

const std::string PATHFINDER_4 = std::string(BSPLEVEL_TEST_LEVELS) + "/level_test_pathfinder_4.txt";

// The length a found route prints must be its own: the sum of its legs from
// the start through the printed corners, to 1e-9 relative.
void Expect_Length_Of_Legs(const cPoint2D& start, const std::string& out) {
    std::istringstream in(out);
    std::string line;
    double x = start.x, y = start.y, legs = 0, printed = -1;
    while (std::getline(in, line)) {
        double px = 0, py = 0;
        if (std::sscanf(line.c_str(), "length %lf", &printed) == 1) break;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf", &px, &py), 2) << line;
        legs += std::hypot(px - x, py - y);
        x = px;
        y = py;
    }
    EXPECT_NEAR(printed, legs, 1e-9 * std::max(1.0, legs)) << out;
}

struct cRoute_Case {
    std::vector<std::string> Args;  // after "route"
    int Status;
    std::string Out;
    std::string Err;  // the reason, after "bsplevel: route: "
};

// small.txt: the wall x=50 from y=0 to 40 and the wall y=30 from x=0 to 30
// leave a gap 20 wide between (30,30) and (50,40), and the way below the
// wall x=50 is 20 high (y=40 to 60): an agent of half-size 10 fits both
// exactly (its open square touches the walls but does not meet them), one of
// half-size 11 neither.
TEST(BsplevelRoute, CornersLengthsAndReasons) {
    const std::string to_90_10 = " to (90,10) for an agent of half-size ";
    const cRoute_Case cases[] = {
        {{SMALL, "10", "10", "90", "10"}, 0, "50 40\n90 10\nlength 100\n", ""},
        {{SMALL, "10", "10", "90", "10", "--agent", "0"}, 0, "50 40\n90 10\nlength 100\n", ""},
        // Around the grown walls' corners (30+5,30-5), (50-5,40+5), (50+5,40+5).
        {{SMALL, "10", "10", "90", "10", "--agent", "5"}, 0, "35 25\n45 45\n55 45\n90 10\nlength 111.012913932\n", ""},
        {{"--agent", "10", SMALL, "10", "10", "90", "10"}, 0, "40 20\n40 50\n60 50\n90 10\nlength 131.622776602\n", ""},
        {{SMALL, "20", "15", "80", "15", "--agent", "11"}, 1, "none\n",
         "no route from (20,15) to (80,15) for an agent of half-size 11"},
        {{CLOSED, "10", "10", "90", "10"}, 1, "none\n", "no route from (10,10)" + to_90_10 + "0"},
        // Half-size 0 may stand on a wall and run along it; a square that
        // only touches a wall is free.
        {{SMALL, "50", "10", "90", "10"}, 0, "90 10\nlength 40\n", ""},
        {{SMALL, "45", "10", "90", "10", "--agent", "5"}, 0, "45 45\n55 45\n90 10\nlength 94.4974746831\n", ""},
        {{SMALL, "10", "10", "10", "10", "--agent", "3"}, 0, "10 10\nlength 0\n", ""},
        {{SMALL, "45", "10", "90", "10", "--agent", "6"}, 1, "none\n",
         "the start (45,10) is blocked for an agent of half-size 6: its square meets a wall"},
        // The square touches the world's border and slides along the wall
        // y=30; a unit larger, it meets the wall.
        {{SMALL, "6", "25", "90", "10", "--agent", "5"}, 0, "35 25\n45 45\n55 45\n90 10\nlength 110.858154458\n", ""},
        {{SMALL, "6", "25", "90", "10", "--agent", "6"}, 1, "none\n",
         "the start (6,25) is blocked for an agent of half-size 6: its square meets a wall"},
        {{SMALL, "2", "10", "90", "10", "--agent", "4"}, 1, "none\n",
         "the start (2,10) is blocked for an agent of half-size 4: its square crosses the world's border"},
        {{SMALL, "10", "10", "52", "20", "--agent", "3"}, 1, "none\n",
         "the goal (52,20) is blocked for an agent of half-size 3: its square meets a wall"},
        {{SMALL, "10", "10", "90", "57", "--agent", "4"}, 1, "none\n",
         "the goal (90,57) is blocked for an agent of half-size 4: its square crosses the world's border"},
        {{SMALL, "-1", "10", "90", "10"}, 1, "none\n", "the start (-1,10) lies outside the world [0,0]-[100,60]"},
        {{SMALL, "10", "10", "90", "61", "--agent", "2"}, 1, "none\n",
         "the goal (90,61) lies outside the world [0,0]-[100,60]"},
        // The route of the path command's example, pulled taut over the
        // walls' ends; the goal lies 3 from the wall x=60.
        {{PATHFINDER_4, "55", "82", "63", "83"},
         0,
         "50 90\n30 80\n10 60\n10 50\n30 10\n60 20\n90 10\n92 50\n92 80\n90 90\n63 83\nlength 286.186504086\n",
         ""},
        {{PATHFINDER_4, "55", "82", "63", "83", "--agent", "4"}, 1, "none\n",
         "the goal (63,83) is blocked for an agent of half-size 4: its square meets a wall"},
        {{SMALL, "10", "10", "90", "10", "--json", "--agent", "5"},
         0, "{\"status\":\"found\",\"length\":111.012913932,\"path\":[[35,25],[45,45],[55,45],[90,10]]}\n", ""},
        {{SMALL, "20", "15", "80", "15", "--agent", "11", "--json"}, 1,
         "{\"status\":\"none\",\"length\":null,\"path\":[]}\n",
         "no route from (20,15) to (80,15) for an agent of half-size 11"},
        {{SMALL, "45", "10", "90", "10", "--agent", "6", "--json"}, 1,
         "{\"status\":\"start_blocked\",\"length\":null,\"path\":[]}\n",
         "the start (45,10) is blocked for an agent of half-size 6: its square meets a wall"},
        {{SMALL, "10", "10", "52", "20", "--agent", "3", "--json"}, 1,
         "{\"status\":\"goal_blocked\",\"length\":null,\"path\":[]}\n",
         "the goal (52,20) is blocked for an agent of half-size 3: its square meets a wall"},
        {{SMALL, "10", "10", "200", "10", "--json"}, 1, "{\"status\":\"outside\",\"length\":null,\"path\":[]}\n",
         "the goal (200,10) lies outside the world [0,0]-[100,60]"},
    };
    for (const cRoute_Case& c : cases) {
        std::vector<std::string> args = {"route"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        const cResult r = Tool(args);
        EXPECT_EQ(r.Out, c.Out);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_EQ(r.Err, c.Err.empty() ? "" : "bsplevel: route: " + c.Err + "\n");
        if (c.Status == 0 && r.Out[0] != '{') {
            const std::size_t level = c.Args[0] == "--agent" ? 2 : 0;
            Expect_Length_Of_Legs(cPoint2D(std::stoi(c.Args[level + 1]), std::stoi(c.Args[level + 2])), r.Out);
        }
    }
}

// ------------------------------------------------------------------ errors

TEST(BsplevelErrors, OneLineOnTheErrorStreamAndStatusTwo) {
    const tRefusals cases = {
        {{}, "bsplevel: missing command (try 'bsplevel --help')\n"},
        {{"frobnicate", SMALL}, "bsplevel: unknown command 'frobnicate' (try 'bsplevel --help')\n"},
        {{"path", SMALL, "1", "2", "3"}, "bsplevel: path: missing Y2 (usage: bsplevel path LEVEL X1 Y1 X2 Y2 [--json])\n"},
        {{"path", SMALL, "1", "2", "3", "12abc"}, "bsplevel: path: Y2 must be an integer, got '12abc'\n"},
        {{"path", SMALL, "1", "2", "3", "2147483648"}, "bsplevel: path: Y2 must be an integer, got '2147483648'\n"},
        {{"path", SMALL, "1", "2", "3", "-2147483649"}, "bsplevel: path: Y2 must be an integer, got '-2147483649'\n"},
        {{"path", SMALL, "1", "2", "3", ""}, "bsplevel: path: Y2 must be an integer, got ''\n"},
        {{"path", SMALL, "1", "2", "3", " 4"}, "bsplevel: path: Y2 must be an integer, got ' 4'\n"},
        {{"path", SMALL, "1", "2", "3", "4", "5"},
         "bsplevel: path: unexpected argument '5' (usage: bsplevel path LEVEL X1 Y1 X2 Y2 [--json])\n"},
        {{"ball", SMALL, "1", "2", "3", "--limit", "4"},
         "bsplevel: ball: unknown option '--limit' (usage: bsplevel ball LEVEL X Y R [--json])\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit"}, "bsplevel: segment: --limit needs N\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit", "x"}, "bsplevel: segment: --limit N must be an integer, got 'x'\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit", "-1"}, "bsplevel: segment: --limit N must not be negative, got '-1'\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit", "1", "--limit", "2"}, "bsplevel: segment: --limit given twice\n"},
        {{"ball", SMALL, "1", "2", "-3"}, "bsplevel: ball: R must not be negative, got '-3'\n"},
        {{"info", DATA + "/no-such-level.txt"}, "bsplevel: info: cannot read level file '" + DATA + "/no-such-level.txt'\n"},
        {{"dump", DATA}, "bsplevel: dump: cannot read level file '" + DATA + "'\n"},
        {{"svg", SMALL}, "bsplevel: svg: missing -o FILE.svg (usage: bsplevel svg LEVEL -o FILE.svg [--view X1 Y1 X2 Y2] [--layers LIST] "
                         "[--path X1 Y1 X2 Y2]... "
                         "[--route X1 Y1 X2 Y2 [--agent H]]... [--segment X1 Y1 X2 Y2]... [--ball X Y R]...)\n"},
        {{"route", SMALL, "1", "2", "3", "4", "--agent", "-1"},
         "bsplevel: route: --agent H must not be negative, got '-1'\n"},
        {{"route", SMALL, "1", "2", "3", "4", "--agent", "100000001"},
         "bsplevel: route: --agent H must be at most 100000000, got '100000001'\n"},
        {{"route", SMALL, "1", "2", "3", "4", "--agent", "1.5"},
         "bsplevel: route: --agent H must be an integer, got '1.5'\n"},
        {{"route", SMALL, "1", "2", "3", "4", "--agent"}, "bsplevel: route: --agent needs H\n"},
        {{"route", SMALL, "1", "2", "3", "4", "--agent", "1", "--agent", "1"},
         "bsplevel: route: --agent given twice\n"},
        {{"svg", SMALL, "-o", "-", "--agent", "2", "--route", "1", "2", "3", "4"},
         "bsplevel: svg: --agent H must follow a --route\n"},
        {{"svg", SMALL, "-o", "-", "--route", "1", "2", "3", "4", "--agent", "1", "--agent", "2"},
         "bsplevel: svg: --agent given twice for one --route\n"},
        {{"svg", SMALL, "-o", "-", "--route", "1", "2", "3", "4", "--agent", "-2"},
         "bsplevel: svg: --agent H must not be negative, got '-2'\n"},
        {{"svg", SMALL, "-o", "-", "--path", "1", "2", "3"}, "bsplevel: svg: --path needs X1 Y1 X2 Y2\n"},
        {{"svg", SMALL, "-o", DATA + "/no-such-dir/x.svg"}, "bsplevel: svg: cannot write '" + DATA + "/no-such-dir/x.svg'\n"},
        {{"import-grid", ARENA, "-o", "-", "--cell", "0"}, "bsplevel: import-grid: --cell S must be at least 1\n"},
        {{"import-grid", ARENA, "-o", "-", "--order", "random"},
         "bsplevel: import-grid: --order must be balanced, longest or scan, got 'random'\n"},
        {{"import-grid", ARENA, "-o", "-", "--cell", "3000000"},
         "bsplevel: import-grid: the level would measure 147000000 x 147000000 units, beyond the coordinate limit "
         "100000000\n"},
        {{"import-grid", SMALL, "-o", "-"}, "bsplevel: import-grid: " + SMALL +
                                             ": line 1: expected \"type T\", \"height H\", \"width W\" or \"map\"\n"},
    };
    Expect_Refusals(cases);
}

TEST(BsplevelErrors, HelpForTheToolAndEveryCommand) {
    const cResult general = Tool({"--help"});
    EXPECT_EQ(general.Status, 0);
    EXPECT_EQ(general.Err, "");
    for (const std::string command :
         {"info", "path", "route", "segment", "ball", "dump", "batch", "svg", "import-grid", "import-tiled"}) {
        SCOPED_TRACE(command);
        EXPECT_NE(general.Out.find("\n  " + command + " "), std::string::npos);
        // Help wins over missing or malformed arguments.
        const cResult r = Tool({command, "x", "--help"});
        EXPECT_EQ(r.Status, 0);
        EXPECT_EQ(r.Out.rfind("usage: bsplevel " + command + " ", 0), 0u) << r.Out;
        EXPECT_NE(r.Out.find("Exit status"), std::string::npos);
    }
    EXPECT_EQ(Tool({"-h"}).Out, general.Out);
}

// ------------------------------------------------------------------ batch

TEST(BsplevelBatch, AnswersEachLineAndReportsMalformedOnes) {
    const std::string input =
        "# queries on small.txt\n"
        "\n"
        "path 10 10 90 10\n"
        "  segment 10 10 90 10\r\n"
        "segment 10 10 90 10 39\n"
        "ball 40 35 11\n"
        "ball\t40 35 10\n"
        "jump 1 2\n"
        "path 1 2 3\n"
        "ball 1 2 x\n"
        "segment 1 2 3 4 -5\n"
        "   # an indented comment\n"
        "path 10 10 10 20\n"
        "ball 40 35 99999999999";  // no final line feed
    const cResult r = Tool({"batch", SMALL}, input);
    EXPECT_EQ(r.Out,
              "path 40 30 50 50 90 10\n"
              "hit 50 10\n"
              "no hit\n"
              "touch\n"
              "clear\n"
              "error: line 8: unknown query 'jump' (path, route, segment, ball or door)\n"
              "error: line 9: path needs X1 Y1 X2 Y2\n"
              "error: line 10: 'x' is not an integer\n"
              "error: line 11: LIMIT must not be negative\n"
              "path 10 20\n"
              "error: line 14: '99999999999' is not an integer\n");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "bsplevel: batch: 5 malformed lines in the input\n");
}

// Route lines answer as the route command does, on one line, the reason
// for no route in one word.
TEST(BsplevelBatch, RouteLines) {
    const std::string input =
        "route 10 10 90 10\n"
        "route 10 10 90 10 5\n"
        "path 10 10 90 10\n"
        "route 20 15 80 15 11\n"
        "route 45 10 90 10 6\n"
        "route 10 10 90 57 4\n"
        "route 10 10 200 10\n"
        "route 1 2 3\n"
        "route 1 2 3 4 5 6\n"
        "route 1 2 3 4 -1\n"
        "route 1 2 3 4 100000001\n"
        "route 1 2 3 4 x\n";
    const cResult r = Tool({"batch", SMALL}, input);
    EXPECT_EQ(r.Out,
              "route 50 40 90 10 length 100\n"
              "route 35 25 45 45 55 45 90 10 length 111.012913932\n"
              "path 40 30 50 50 90 10\n"
              "route none none\n"
              "route none start-blocked\n"
              "route none goal-blocked\n"
              "route none outside\n"
              "error: line 8: route needs X1 Y1 X2 Y2 [H]\n"
              "error: line 9: route needs X1 Y1 X2 Y2 [H]\n"
              "error: line 10: H must not be negative\n"
              "error: line 11: H must be at most 100000000\n"
              "error: line 12: 'x' is not an integer\n");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "bsplevel: batch: 5 malformed lines in the input\n");
}

TEST(BsplevelBatch, CleanRunOnAClosedLevel) {
    const cResult r =
        Tool({"batch", CLOSED}, "path 10 10 90 10\nsegment 10 10 90 10\nball 60 30 11\nroute 10 10 90 10 3\n");
    EXPECT_EQ(r.Out, "path none\nhit 50 10\ntouch\nroute none none\n");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(Tool({"batch", CLOSED}, "").Status, 0);
}

// ------------------------------------------------------------------ svg

struct cElement {
    std::string Name;
    std::map<std::string, std::string> Attributes;
};

// A small checker of well-formed XML: one root element, tags properly
// nested, attributes quoted and unique, only the predefined entities and
// character references, no '<' in text or attribute values. Collects the
// elements in document order.
class cXml_Checker {
public:
    explicit cXml_Checker(const std::string& text) : T(text) {}

    bool Check(std::vector<cElement>& elements, std::string& why) {
        if (T.compare(0, 5, "<?xml") == 0) {
            const auto end = T.find("?>");
            if (end == std::string::npos) return Fail(why, "unterminated XML declaration");
            P = end + 2;
        }
        std::vector<std::string> open;
        int roots = 0;
        while (P < T.size()) {
            const auto lt = T.find('<', P);
            const std::string text = T.substr(P, lt == std::string::npos ? std::string::npos : lt - P);
            if (!Text_Ok(text)) return Fail(why, "bad character data near offset " + std::to_string(P));
            if (open.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos)
                return Fail(why, "text outside the root element");
            if (lt == std::string::npos) break;
            P = lt + 1;
            if (T.compare(P, 3, "!--") == 0) {
                const auto end = T.find("-->", P);
                if (end == std::string::npos) return Fail(why, "unterminated comment");
                P = end + 3;
                continue;
            }
            if (T[P] == '/') {
                ++P;
                const std::string name = Name();
                Skip_Blanks();
                if (name.empty() || P >= T.size() || T[P] != '>') return Fail(why, "bad end tag");
                ++P;
                if (open.empty() || open.back() != name) return Fail(why, "end tag </" + name + "> does not match");
                open.pop_back();
                continue;
            }
            cElement e;
            e.Name = Name();
            if (e.Name.empty()) return Fail(why, "bad start tag near offset " + std::to_string(P));
            if (open.empty() && ++roots > 1) return Fail(why, "more than one root element");
            for (;;) {
                const bool blank = Skip_Blanks();
                if (P >= T.size()) return Fail(why, "unterminated tag");
                if (T.compare(P, 2, "/>") == 0) {
                    P += 2;
                    break;
                }
                if (T[P] == '>') {
                    ++P;
                    open.push_back(e.Name);
                    break;
                }
                if (!blank) return Fail(why, "attributes must be separated by blanks");
                const std::string name = Name();
                Skip_Blanks();
                if (name.empty() || P >= T.size() || T[P] != '=') return Fail(why, "bad attribute in <" + e.Name + ">");
                ++P;
                Skip_Blanks();
                if (P >= T.size() || (T[P] != '"' && T[P] != '\'')) return Fail(why, "unquoted attribute " + name);
                const char quote = T[P++];
                const auto end = T.find(quote, P);
                if (end == std::string::npos) return Fail(why, "unterminated attribute " + name);
                const std::string value = T.substr(P, end - P);
                if (value.find('<') != std::string::npos || !Text_Ok(value))
                    return Fail(why, "bad attribute value " + name);
                if (!e.Attributes.emplace(name, value).second) return Fail(why, "duplicate attribute " + name);
                P = end + 1;
            }
            elements.push_back(e);
        }
        if (!open.empty()) return Fail(why, "unclosed <" + open.back() + ">");
        if (roots != 1) return Fail(why, "no root element");
        return true;
    }

private:
    const std::string& T;
    std::size_t P = 0;

    static bool Fail(std::string& why, const std::string& reason) {
        why = reason;
        return false;
    }
    bool Skip_Blanks() {
        const std::size_t from = P;
        while (P < T.size() && std::isspace(static_cast<unsigned char>(T[P]))) ++P;
        return P > from;
    }
    std::string Name() {
        const std::size_t from = P;
        while (P < T.size() && (std::isalnum(static_cast<unsigned char>(T[P])) || T[P] == '_' || T[P] == ':' ||
                                T[P] == '-' || T[P] == '.'))
            ++P;
        return T.substr(from, P - from);
    }
    static bool Text_Ok(const std::string& text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '<') return false;
            if (text[i] != '&') continue;
            const auto semi = text.find(';', i);
            if (semi == std::string::npos) return false;
            const std::string ref = text.substr(i + 1, semi - i - 1);
            const bool known = ref == "amp" || ref == "lt" || ref == "gt" || ref == "quot" || ref == "apos" ||
                               (ref.size() > 1 && ref[0] == '#');
            if (!known) return false;
            i = semi;
        }
        return true;
    }
};

// The elements of a well-formed picture; fails the test when it is not one.
std::vector<cElement> Parse_Svg(const std::string& svg) {
    std::vector<cElement> elements;
    std::string why;
    EXPECT_TRUE(cXml_Checker(svg).Check(elements, why)) << why;
    EXPECT_FALSE(elements.empty());
    if (!elements.empty()) {
        EXPECT_EQ(elements[0].Name, "svg");
    }
    return elements;
}

std::vector<cElement> With_Class(const std::vector<cElement>& elements, const std::string& cls) {
    std::vector<cElement> found;
    for (const cElement& e : elements) {
        const auto it = e.Attributes.find("class");
        if (it != e.Attributes.end() && it->second == cls) found.push_back(e);
    }
    return found;
}

TEST(BsplevelSvgChecker, RejectsMalformedXml) {
    const char* const bad[] = {
        "<svg><line></svg>", "<svg><g></svg></g>", "<svg a=1/>", "<svg a=\"1\" a=\"2\"/>",
        "<svg>a & b</svg>",  "<svg/><svg/>",       "<svg>",      "<svg x=\"<\"/>",
    };
    for (const char* text : bad) {
        std::vector<cElement> elements;
        std::string why;
        EXPECT_FALSE(cXml_Checker(text).Check(elements, why)) << text;
    }
    std::vector<cElement> elements;
    std::string why;
    EXPECT_TRUE(cXml_Checker("<?xml version=\"1.0\"?>\n<svg a='1'><!-- c --><g>x &amp; y</g><line b=\"2\"/></svg>\n")
                    .Check(elements, why))
        << why;
    EXPECT_EQ(elements.size(), 3u);
}

TEST(BsplevelSvg, OneElementPerWallAreaAndPortalWithTheQueries) {
    const std::string file = Temp("small.svg");
    const cResult r = Tool({"svg", SMALL, "-o", file, "--path", "10", "10", "90", "10", "--segment", "10", "10", "90",
                          "10", "--ball", "40", "35", "11", "--ball", "40", "35", "10", "--path", "10", "10", "20",
                          "20"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "");
    const std::vector<cElement> svg = Parse_Svg(Read(file));

    const std::vector<cElement> walls = With_Class(svg, "wall");
    ASSERT_EQ(walls.size(), 2u);
    EXPECT_EQ(walls[0].Attributes.at("x1") + "," + walls[0].Attributes.at("y1") + " " + walls[0].Attributes.at("x2") +
                  "," + walls[0].Attributes.at("y2"),
              "50,0 50,40");
    EXPECT_EQ(With_Class(svg, "area").size(), 3u);
    EXPECT_EQ(With_Class(svg, "portal").size(), 2u);
    EXPECT_EQ(With_Class(svg, "area-id").size(), 3u);  // every area holds its id in a small level

    const std::vector<cElement> paths = With_Class(svg, "path");
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0].Attributes.at("points"), "10,10 40,30 50,50 90,10");
    EXPECT_EQ(paths[1].Attributes.at("points"), "10,10 20,20");
    EXPECT_EQ(With_Class(svg, "path-point").size(), 4u);
    const std::vector<cElement> hits = With_Class(svg, "hit");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].Attributes.at("cx") + " " + hits[0].Attributes.at("cy"), "50 10");
    const std::vector<cElement> touch = With_Class(svg, "ball-touch"), clear = With_Class(svg, "ball-clear");
    ASSERT_EQ(touch.size(), 2u);  // the circle and its centre
    ASSERT_EQ(clear.size(), 2u);
    EXPECT_EQ(touch[0].Attributes.at("r"), "11");
    EXPECT_EQ(clear[0].Attributes.at("r"), "10");
}

TEST(BsplevelSvg, NoRouteAndOddFileNames) {
    // A file name that XML must escape, and a path with no route.
    const std::string level = Temp("a&b<c>'\".txt");
    Write(level, Read(CLOSED));
    const cResult r = Tool({"svg", level, "-o", "-", "--path", "10", "10", "90", "10"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<cElement> svg = Parse_Svg(r.Out);
    EXPECT_EQ(With_Class(svg, "path").size(), 0u);
    EXPECT_EQ(With_Class(svg, "path-none").size(), 1u);
    EXPECT_EQ(With_Class(svg, "wall").size(), 1u);
    EXPECT_EQ(With_Class(svg, "area").size(), 2u);
    EXPECT_EQ(With_Class(svg, "portal").size(), 0u);
}

std::string Rect_Text(const cElement& e) {
    return e.Attributes.at("x") + " " + e.Attributes.at("y") + " " + e.Attributes.at("width") + " " +
           e.Attributes.at("height");
}

// Each route in a colour of its own, not the paths' blue, with the agent's
// square at the start, every corner and the goal; a route that does not
// exist is a dashed line with its reason in a title and under the picture,
// and the square of a blocked end in red.
TEST(BsplevelSvg, RoutesWithTheAgentsSquares) {
    const cResult r = Tool({"svg", SMALL, "-o", "-", "--route", "10", "10", "90", "10", "--path", "10", "10", "90",
                            "10", "--route", "10", "10", "90", "10", "--agent", "5", "--route", "20", "15", "80", "15",
                            "--agent", "11", "--route", "45", "10", "90", "10", "--agent", "6"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const std::vector<cElement> svg = Parse_Svg(r.Out);

    const std::vector<cElement> routes = With_Class(svg, "route");
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[0].Attributes.at("points"), "10,10 50,40 90,10");
    EXPECT_EQ(routes[1].Attributes.at("points"), "10,10 35,25 45,45 55,45 90,10");
    const std::string path_colour = "stroke:#1f63c6";
    EXPECT_NE(routes[0].Attributes.at("style"), routes[1].Attributes.at("style"));
    for (const cElement& e : routes) EXPECT_NE(e.Attributes.at("style"), path_colour);
    ASSERT_EQ(With_Class(svg, "path").size(), 1u);
    EXPECT_NE(r.Out.find(".path{fill:none;" + path_colour + ";"), std::string::npos);

    // Half-size 0 draws no square; half-size 5 one at the start and at each
    // of the four corners; the routes that do not exist one at each end.
    std::vector<std::string> squares;
    for (const cElement& e : With_Class(svg, "agent")) squares.push_back(Rect_Text(e));
    EXPECT_EQ(squares, (std::vector<std::string>{"5 5 10 10", "30 20 10 10", "40 40 10 10", "50 40 10 10",
                                                 "85 5 10 10", "9 4 22 22", "69 4 22 22", "84 4 12 12"}));
    const std::vector<cElement> blocked = With_Class(svg, "agent-blocked");
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_EQ(Rect_Text(blocked[0]), "39 4 12 12");
    EXPECT_EQ(With_Class(svg, "route-none").size(), 2u);
    EXPECT_EQ(With_Class(svg, "route-start").size(), 4u);
    EXPECT_EQ(With_Class(svg, "route-label").size(), 4u);
    EXPECT_EQ(With_Class(svg, "route-point").size(), 6u);
    for (const std::string label :
         {"route from (10,10) to (90,10) for an agent of half-size 5: length 111.012913932",
          "no route from (20,15) to (80,15) for an agent of half-size 11",
          "the start (45,10) is blocked for an agent of half-size 6: its square meets a wall"})
        EXPECT_NE(r.Out.find("<title>" + label + "</title>"), std::string::npos) << label;
}

TEST(BsplevelSvg, UnbuiltWorldShowsItsWalls) {
    const cResult r = Tool({"svg", OUTSIDE, "-o", "-", "--ball", "50", "10", "5", "--partial"});
    ASSERT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("not built"), std::string::npos);
    const std::vector<cElement> svg = Parse_Svg(r.Out);
    EXPECT_EQ(With_Class(svg, "wall").size(), 2u);
    EXPECT_EQ(With_Class(svg, "area").size(), 0u);
    EXPECT_EQ(With_Class(svg, "ball-clear").size(), 2u);
}

// ------------------------------------------------------------------ import-grid

struct cGrid_Case {
    std::string Name;
    std::string Map;
    std::vector<std::string> Options;
    std::string Level;
};

TEST(BsplevelImport, HandMadeGrids) {
    const std::string header = "type octile\nheight ";
    const cGrid_Case cases[] = {
        // Blocked cells (1,1), (2,1), (1,2) and, in the corner, (4,3). The
        // corner cell's outer sides lie on the map's edge: no wall there.
        {"shape",
         header + "4\nwidth 5\nmap\n.....\n.@@..\n.@...\n....T\n",
         {"--order", "scan"},
         "<AREA>\n[50,40]\n<WALLS>\n"
         "[10,10]->[30,10]\n[20,20]->[30,20]\n[10,30]->[20,30]\n[40,30]->[50,30]\n"
         "[10,10]->[10,30]\n[20,20]->[20,30]\n[30,10]->[30,20]\n[40,30]->[40,40]\n"
         "<SOLID>\n[15,15]\n[45,35]\n"},
        // Border pieces on one line merge even where the blocked side changes.
        {"diagonal", header + "2\nwidth 2\nmap\n@.\n.@\n", {"--order", "scan", "--cell", "3"},
         "<AREA>\n[6,6]\n<WALLS>\n[0,3]->[6,3]\n[3,0]->[3,6]\n<SOLID>\n[1,1]\n[4,4]\n"},
        // --no-solid leaves the rock out.
        {"diagonal_without_solid", header + "2\nwidth 2\nmap\n@.\n.@\n",
         {"--order", "scan", "--cell", "3", "--no-solid"}, "<AREA>\n[6,6]\n<WALLS>\n[0,3]->[6,3]\n[3,0]->[3,6]\n"},
        // '.', 'G' and 'S' are free; CR LF line ends; the header's lines in any order.
        {"crlf", "width 3\r\ntype octile\r\nheight 1\r\nmap\r\nG@S\r\n", {"--cell", "1"},
         "<AREA>\n[3,1]\n<WALLS>\n[1,0]->[1,1]\n[2,0]->[2,1]\n"},
        // No border at all: no <WALLS> section (a tag line needs an item).
        {"open", header + "2\nwidth 3\nmap\n...\n...\n", {}, "<AREA>\n[30,20]\n"},
        {"solid", header + "1\nwidth 2\nmap\n@T\n", {"--order", "longest"}, "<AREA>\n[20,10]\n"},
    };
    for (const cGrid_Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string map = Temp(c.Name + ".map"), level = Temp(c.Name + ".txt");
        Write(map, c.Map);
        std::vector<std::string> args = {"import-grid", map, "-o", level};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const cResult r = Tool(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(Read(level), c.Level);
        // The level loads whole and builds.
        const cResult info = Tool({"info", level});
        EXPECT_NE(info.Out.find("\nloaded: yes\nbuilt: yes\n"), std::string::npos) << info.Out << info.Err;
        EXPECT_EQ(info.Err, "");
    }
}

TEST(BsplevelImport, MalformedMaps) {
    const std::pair<std::string, std::string> cases[] = {
        {"type octile\nheight 2\nwidth 3\nmap\n...\n..\n", "line 6: the header says width 3 but the row holds 2 characters"},
        {"type octile\nheight 3\nwidth 3\nmap\n...\n...\n", "the header says height 3 but the file holds 2 rows"},
        {"type octile\nheight 1\nwidth 3\nmap\n...\n...\n", "line 6: the header says height 1 but the file holds more rows"},
        // Headers that promise far more than the file holds are refused like
        // any other, without trying to make room for what they promise.
        {"type octile\nheight 5000000\nwidth 3\nmap\n...\n...\n...\n...\n...\n",
         "the header says height 5000000 but the file holds 5 rows"},
        {"type octile\nheight 5\nwidth 5000000\nmap\n...\n...\n...\n...\n...\n",
         "line 5: the header says width 5000000 but the row holds 3 characters"},
        {"type octile\nheight 2147483647\nwidth 2147483647\nmap\n...\n",
         "line 5: the header says width 2147483647 but the row holds 3 characters"},
        {"type octile\nheight two\nwidth 3\nmap\n...\n", "line 2: expected \"type T\", \"height H\", \"width W\" or \"map\""},
        {"type octile\nheight 0\nwidth 3\nmap\n", "line 2: expected \"type T\", \"height H\", \"width W\" or \"map\""},
        {"type octile\nwidth 3\nmap\n...\n", "the header needs \"type\", \"height\" and \"width\" before \"map\""},
        {"type octile\nheight 1\nwidth 1\n", "no \"map\" line: not a grid map"},
        {"", "no \"map\" line: not a grid map"},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const std::string map = Temp("bad" + std::to_string(++number) + ".map");
        Write(map, c.first);
        const cResult r = Tool({"import-grid", map, "-o", "-"});
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err, "bsplevel: import-grid: " + map + ": " + c.second + "\n");
        EXPECT_EQ(r.Out, "");
    }
    const cResult missing = Tool({"import-grid", DATA + "/no-such.map", "-o", "-"});
    EXPECT_EQ(missing.Err, "bsplevel: import-grid: cannot read map file '" + DATA + "/no-such.map'\n");
    EXPECT_EQ(missing.Status, 2);
}

// A map whose header claims five million rows over five: one error line,
// status 2, and no level written.
TEST(BsplevelImport, LyingHeaderIsOneErrorLineAndNoLevel) {
    const std::string map = Temp("lying-header.map"), level = Temp("lying-header.txt");
    Write(map, "type octile\nheight 5000000\nwidth 4\nmap\n....\n.@@.\n.@..\n....\n....\n");
    std::remove(level.c_str());
    const cResult r = Tool({"import-grid", map, "-o", level});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "bsplevel: import-grid: " + map + ": the header says height 5000000 but the file holds 5 rows\n");
    EXPECT_FALSE(std::ifstream(level).good()) << "a level was written";
}

struct cLevel_Wall {
    int X1, Y1, X2, Y2;
    bool operator<(const cLevel_Wall& o) const {
        return std::tie(X1, Y1, X2, Y2) < std::tie(o.X1, o.Y1, o.X2, o.Y2);
    }
    bool operator==(const cLevel_Wall& o) const {
        return std::tie(X1, Y1, X2, Y2) == std::tie(o.X1, o.Y1, o.X2, o.Y2);
    }
};

// The walls of a level file written by import-grid.
std::vector<cLevel_Wall> Walls_Of(const std::string& level) {
    std::istringstream in(level);
    std::string line;
    std::vector<cLevel_Wall> walls;
    while (std::getline(in, line)) {
        cLevel_Wall w;
        if (std::sscanf(line.c_str(), "[%d,%d]->[%d,%d]", &w.X1, &w.Y1, &w.X2, &w.Y2) == 4) walls.push_back(w);
    }
    return walls;
}

std::map<std::string, long> Info_Json(const std::string& level) {
    const cResult r = Tool({"info", level, "--json"});
    EXPECT_EQ(r.Status, 0);
    std::map<std::string, long> numbers;
    for (const std::string key : {"walls", "wall_nodes", "tree_depth", "areas", "portals", "waypoints"}) {
        const auto at = r.Out.find("\"" + key + "\":");
        EXPECT_NE(at, std::string::npos) << key;
        if (at != std::string::npos) numbers[key] = std::stol(r.Out.substr(at + key.size() + 3));
    }
    EXPECT_NE(r.Out.find("\"loaded\":true,\"built\":true,"), std::string::npos) << r.Out;
    return numbers;
}

// Every unit border between a blocked and a free cell of arena.map lies on
// exactly one wall, every wall is made of such borders only, and no two walls
// on one line meet end to end (they would have been merged).
TEST(BsplevelImport, ArenaWallsTraceEveryBorderOnce) {
    std::ifstream map_file(ARENA);
    std::string line;
    std::vector<std::string> rows;
    bool in_map = false;
    while (std::getline(map_file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (in_map) rows.push_back(line);
        if (line == "map") in_map = true;
    }
    ASSERT_EQ(rows.size(), 49u);
    const int height = int(rows.size()), width = int(rows[0].size());
    auto blocked = [&](int x, int y) { return rows[std::size_t(y)][std::size_t(x)] != '.'; };

    const std::string level = Temp("arena.txt");
    ASSERT_EQ(Tool({"import-grid", ARENA, "-o", level}).Status, 0);
    const std::string text = Read(level);
    EXPECT_EQ(text.rfind("<AREA>\n[490,490]\n<WALLS>\n", 0), 0u);
    const std::vector<cLevel_Wall> walls = Walls_Of(text);

    // Unit borders, (x, y, horizontal): the border above cell (x,y) or left of it.
    std::set<std::tuple<int, int, bool>> covered;
    for (const cLevel_Wall& w : walls) {
        ASSERT_TRUE(w.X1 % 10 == 0 && w.Y1 % 10 == 0 && w.X2 % 10 == 0 && w.Y2 % 10 == 0);
        const bool horizontal = w.Y1 == w.Y2;
        ASSERT_TRUE(horizontal ? w.X1 < w.X2 : (w.X1 == w.X2 && w.Y1 < w.Y2));
        for (int a = horizontal ? w.X1 : w.Y1; a < (horizontal ? w.X2 : w.Y2); a += 10) {
            const int x = horizontal ? a / 10 : w.X1 / 10, y = horizontal ? w.Y1 / 10 : a / 10;
            ASSERT_TRUE(horizontal ? (y > 0 && y < height && blocked(x, y - 1) != blocked(x, y))
                                   : (x > 0 && x < width && blocked(x - 1, y) != blocked(x, y)))
                << "no border at " << x << "," << y;
            EXPECT_TRUE(covered.insert({x, y, horizontal}).second) << "two walls on " << x << "," << y;
        }
    }
    std::size_t borders = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (y > 0 && blocked(x, y - 1) != blocked(x, y)) ++borders;
            if (x > 0 && blocked(x - 1, y) != blocked(x, y)) ++borders;
        }
    EXPECT_EQ(covered.size(), borders);
    std::set<std::tuple<int, int, bool>> starts;
    for (const cLevel_Wall& w : walls) starts.insert({w.X1, w.Y1, w.Y1 == w.Y2});
    for (const cLevel_Wall& w : walls)
        EXPECT_EQ(starts.count({w.X2, w.Y2, w.Y1 == w.Y2}), 0u) << "unmerged walls at " << w.X2 << "," << w.Y2;
}

// The orders write the same walls; the balanced order gives the smallest
// and shallowest tree, and its level answers path queries.
TEST(BsplevelImport, ArenaOrders) {
    std::map<std::string, std::map<std::string, long>> stats;
    std::vector<cLevel_Wall> reference;
    for (const std::string order : {"scan", "longest", "balanced"}) {
        SCOPED_TRACE(order);
        const std::string level = Temp("arena-" + order + ".txt");
        ASSERT_EQ(Tool({"import-grid", ARENA, "-o", level, "--order", order}).Status, 0);
        std::vector<cLevel_Wall> walls = Walls_Of(Read(level));
        std::sort(walls.begin(), walls.end());
        if (reference.empty()) reference = walls;
        EXPECT_TRUE(std::equal(walls.begin(), walls.end(), reference.begin(), reference.end()));
        stats[order] = Info_Json(level);
        EXPECT_EQ(stats[order]["walls"], long(walls.size()));
        EXPECT_EQ(stats[order]["areas"], stats[order]["wall_nodes"] + 1);
    }
    for (const std::string other : {"scan", "longest"}) {
        EXPECT_LE(stats["balanced"]["wall_nodes"], stats[other]["wall_nodes"]) << other;
        EXPECT_LE(stats["balanced"]["tree_depth"], stats[other]["tree_depth"]) << other;
    }
    EXPECT_LT(stats["balanced"]["tree_depth"], stats["scan"]["tree_depth"]);

    // Across the arena, from the free cell (3,3) to the free cell (45,45).
    const cResult path = Tool({"path", Temp("arena-balanced.txt"), "35", "35", "455", "455"});
    EXPECT_EQ(path.Status, 0);
    const std::string last = "\n455 455\n";
    ASSERT_GE(path.Out.size(), last.size());
    EXPECT_EQ(path.Out.substr(path.Out.size() - last.size()), last);
}

// import-grid --solid: one point per group of blocked cells, the centre of
// its first cell; the corner group (4,3) touches the map's edge.
TEST(BsplevelImport, SolidPointsOfAGrid) {
    const std::string map = Temp("solid.map");
    Write(map, "type octile\nheight 4\nwidth 5\nmap\n.....\n.@@..\n.@...\n....T\n");
    const cResult r = Tool({"import-grid", map, "-o", "-", "--order", "scan", "--solid"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out,
              "<AREA>\n[50,40]\n<WALLS>\n"
              "[10,10]->[30,10]\n[20,20]->[30,20]\n[10,30]->[20,30]\n[40,30]->[50,30]\n"
              "[10,10]->[10,30]\n[20,20]->[20,30]\n[30,10]->[30,20]\n[40,30]->[40,40]\n"
              "<SOLID>\n[15,15]\n[45,35]\n");
}

// ------------------------------------------------------------------ import-tiled

// The written level loads whole and builds in every order and scale; its
// polygon "room" is closed, so no route leads out of it.
TEST(BsplevelImportTiled, WritesALevelThatLoadsAndBuilds) {
    struct cCase {
        std::string Map;
        std::vector<std::string> Options;
        int Scale;
    };
    const cCase cases[] = {
        {"small_csv.tmx", {}, 1},
        {"small_zlib.tmj", {"--order", "longest"}, 1},
        {"infinite_csv.tmx", {"--order", "scan", "--scale", "2"}, 2},
        {"small_gzip.tmx", {"--solid-property", "solid", "--scale", "3"}, 3},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Map);
        const std::string level = Temp("tiled-" + c.Map + ".txt");
        std::vector<std::string> args = {"import-tiled", TILED + c.Map, "-o", level};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const cResult r = Tool(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err, "");
        const int scale = c.Scale;
        const cRect2D saved = WORLD_BOUNDS;
        cGame_World world;
        EXPECT_TRUE(cLevel_Loader().Load(level.c_str(), &world));
        EXPECT_EQ(WORLD_BOUNDS.Max, cPoint2D(128 * scale, 96 * scale));
        EXPECT_EQ(world.Build(), BUILD_DONE);
        std::vector<cPoint2D> path;
        EXPECT_FALSE(world.Find_Path(cPoint2D(10 * scale, 65 * scale), cPoint2D(60 * scale, 10 * scale), path));
        EXPECT_TRUE(world.Find_Path(cPoint2D(60 * scale, 10 * scale), cPoint2D(60 * scale, 90 * scale), path));
        WORLD_BOUNDS = saved;
    }
}

TEST(BsplevelImportTiled, SolidWritesTheSolidSection) {
    const cResult r = Tool({"import-tiled", TILED + "small_base64.tmj", "-o", "-", "--solid", "--order", "scan"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    const std::string solid =
        "\n[112,80]->[112,96]\n[112,8]->[112,28]\n[112,28]->[120,28]\n<SOLID>\n[4,4]\n[72,36]\n[12,62]\n[116,82]\n";
    ASSERT_GE(r.Out.size(), solid.size());
    EXPECT_EQ(r.Out.substr(r.Out.size() - solid.size()), solid);
    EXPECT_EQ(r.Out.rfind("<AREA>\n[128,96]\n<WALLS>\n", 0), 0u);
    // It is the default; --no-solid leaves it out.
    EXPECT_EQ(Tool({"import-tiled", TILED + "small_base64.tmj", "-o", "-", "--order", "scan"}).Out, r.Out);
    EXPECT_EQ(Tool({"import-tiled", TILED + "small_base64.tmj", "-o", "-", "--no-solid"}).Out.find("<SOLID>"),
              std::string::npos);
}

TEST(BsplevelImportTiled, ErrorsAreOneLineWithStatusTwoAndNoLevel) {
    const std::string map = TILED + "small_csv.tmx";
    // A refused map's reason follows its file name.
    auto refused = [](const std::string& file, const std::string& reason) { return TILED + file + ": " + reason; };
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{TILED + "zstd.tmx"}, refused("zstd.tmx", "layer \"Ground\": zstd compression is not supported")},
        {{TILED + "ellipse.tmx"}, refused("ellipse.tmx", "layer \"Objects\": object 4 \"bush\": ellipses are not supported")},
        {{map, "--solid-property", "lava"},
         refused("small_csv.tmx",
                 "no tile of the tilesets has the bool property \"lava\" = true (bool properties that tiles have: \"solid\")")},
        {{map, "--layer", "Roof"},
         refused("small_csv.tmx",
                 "no layer named \"Roof\" (layers: tile \"Ground\", tile \"Collision\", object \"Objects\")")},
        {{map, "--scale", "1000000"},
         refused("small_csv.tmx",
                 "the level would measure 128000000 x 96000000 units, beyond the coordinate limit 100000000")},
        {{map, "--scale", "0"}, "--scale S must be at least 1"},
        {{map, "--scale", "x"}, "--scale S must be an integer, got 'x'"},
        {{map, "--order", "random"}, "--order must be balanced, longest or scan, got 'random'"},
        {{map, "--solid-property", ""}, "--solid-property NAME must not be empty"},
        {{TILED + "no-such.tmx"}, "cannot read map file '" + TILED + "no-such.tmx'"},
    };
    const std::string level = Temp("tiled-refused.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        std::remove(level.c_str());
        std::vector<std::string> args = {"import-tiled"};
        args.insert(args.end(), c.first.begin(), c.first.end());
        args.insert(args.end(), {"-o", level});
        const cResult r = Tool(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err, "bsplevel: import-tiled: " + c.second + "\n");
        EXPECT_FALSE(std::ifstream(level).good()) << "a level was written";
    }
    EXPECT_EQ(Tool({"import-tiled", map}).Err,
              "bsplevel: import-tiled: missing -o LEVEL (usage: bsplevel import-tiled MAP -o LEVEL [--layer NAME] "
              "[--solid-property NAME] [--scale S] [--order balanced|longest|scan] [--no-solid])\n");
}

// ------------------------------------------------------------------ version

// --version prints the library's version, three numbers, and nothing else;
// the general help mentions it.
TEST(BsplevelVersion, PrintsTheLibraryVersion) {
    const cResult r = Tool({"--version"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out, std::string("bsplevel ") + BSP_LEVELS_VERSION + "\n");
    int major = -1, minor = -1, patch = -1;
    char end = 0;
    EXPECT_EQ(std::sscanf(BSP_LEVELS_VERSION, "%d.%d.%d%c", &major, &minor, &patch, &end), 3);
    EXPECT_GE(major, 1);
    EXPECT_NE(Tool({"--help"}).Out.find("bsplevel --version"), std::string::npos);
}

}  // namespace

// ------------------------------------------------------------ doors and solid space

// doors.txt: a wall x=50 with door 0 between y=20 and y=40, and a closed
// room [10,10]-[30,30] of rock.
TEST(BsplevelDoorsAndSolid, OpenDoorsSolidSpaceAndTheirReasons) {
    const std::string LEVEL = DATA + "/doors.txt";
    const std::vector<cAnswer_Case> cases = {
        {{"path", LEVEL, "40", "30", "90", "30"}, 1, "none\n", "bsplevel: path: no route from (40,30) to (90,30)\n"},
        {{"path", LEVEL, "40", "30", "90", "30", "--open", "0"}, 0, "50 25\n90 30\n"},
        {{"path", LEVEL, "40", "30", "90", "30", "--open=0", "--open=0"}, 0, "50 25\n90 30\n"},
        {{"segment", LEVEL, "40", "30", "90", "30"}, 0, "hit 50 30\n"},
        {{"segment", LEVEL, "40", "30", "90", "30", "--open", "0"}, 1, "no hit\n"},
        {{"ball", LEVEL, "48", "30", "3", "--open", "0"}, 1, "clear\n"},
        {{"ball", LEVEL, "48", "30", "3"}, 0, "touch\n"},
        // In the rock: no route either way, and a ball there touches.
        {{"path", LEVEL, "20", "20", "90", "30", "--open", "0"},
         1,
         "none\n",
         "bsplevel: path: the start (20,20) lies in solid space\n"},
        {{"path", LEVEL, "90", "30", "25", "15"}, 1, "none\n", "bsplevel: path: the goal (25,15) lies in solid space\n"},
        {{"route", LEVEL, "20", "20", "90", "30"}, 1, "none\n", "bsplevel: route: the start (20,20) lies in solid space\n"},
        {{"ball", LEVEL, "20", "20", "1"}, 0, "touch\n"},
        {{"path", LEVEL, "40", "30", "90", "30", "--open", "1"},
         2,
         "",
         "bsplevel: path: --open 1: no such door (the level has 1 door, numbered from 0)\n"},
    };
    Expect_Answers(cases);
    const cResult info = Tool({"info", LEVEL, "--open", "0"});
    EXPECT_NE(info.Out.find("\nsolid areas: 1\ndoors: 1 (2 pieces, 1 open)\n"), std::string::npos) << info.Out;
}

TEST(BsplevelDoorsAndSolid, BatchDoorLinesChangeTheFollowingAnswers) {
    const std::string LEVEL = DATA + "/doors.txt";
    const cResult r = Tool({"batch", LEVEL},
                           "path 40 30 90 30\ndoor 0 open\npath 40 30 90 30\ndoor 0 close\nsegment 40 30 90 30\n"
                           "door 3 open\ndoor 0 ajar\n");
    EXPECT_EQ(r.Out,
              "path none\ndoor 0 open\npath 50 25 90 30\ndoor 0 closed\nhit 50 30\n"
              "error: line 6: no door 3 (the level has 1)\nerror: line 7: door needs D open|close\n");
    EXPECT_EQ(r.Status, 2);
    const cResult json = Tool({"batch", LEVEL, "--json"}, "door 0 open\nsegment 40 30 90 30\n");
    EXPECT_EQ(json.Out, "{\"line\":1,\"query\":\"door\",\"door\":0,\"open\":true}\n"
                        "{\"line\":2,\"query\":\"segment\",\"hit\":false}\n");
}

// A grid map imported with its rock: two points in the rock have no route.
TEST(BsplevelDoorsAndSolid, ImportedMapKnowsItsRock) {
    const std::string level = Temp("arena_rock.txt");
    ASSERT_EQ(Tool({"import-grid", ARENA, "-o", level}).Status, 0);
    const cResult info = Tool({"info", level, "--json"});
    EXPECT_EQ(info.Out.find("\"solid_areas\":0"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("\"solid_areas\":"), std::string::npos) << info.Out;
    const cResult rock = Tool({"path", level, "5", "5", "15", "15"});
    EXPECT_EQ(rock.Status, 1);
    EXPECT_EQ(rock.Err, "bsplevel: path: the start (5,5) lies in solid space\n");
}
