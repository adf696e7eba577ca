// The bsplevel command-line tool, run in-process: the answers and exit
// status of the query commands (path, route, segment, ball), of info and
// dump, doors and solid space, the errors and the help. Batch, the picture
// and the importers have files of their own (bsplevel_batch_test.cpp,
// bsplevel_svg_test.cpp, bsplevel_import_test.cpp); the contract every
// command keeps is in bsplevel_contract_test.cpp.
//
// The fixture levels in data/bsplevel/:
//   small.txt    world [0,0]-[100,60]; a vertical wall x=50 from y=0 to 40 and
//                a horizontal wall y=30 from x=0 to 30. Three areas:
//                -1 [0,0]-[50,30], -2 [0,30]-[50,60], -3 [50,0]-[100,60];
//                portal 0 [30,30]-[50,30] (-1|-2), portal 1 [50,40]-[50,60] (-2|-3).
//   closed.txt   the same world cut in two by x=50 from y=0 to 60.
//   broken.txt   small.txt whose second wall item is malformed.
//   outside.txt  small.txt whose second wall leaves the world: the build is refused.
//   diagonal.txt small.txt whose second wall is diagonal: the loader refuses it.
//   bom.txt      small.txt with a byte order mark and CR LF line ends.
//   noarea.txt   the wall x=50 from y=0 to 40 and no area item.
//   doors.txt    a wall x=50 with door 0 between y=20 and y=40, and a closed
//                room [10,10]-[30,30] of rock.
//   arena.map    a 49 x 49 grid map.
// The Tiled maps in data/tiled/ (see tiled_import_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "bsp_levels_version.h"
#include "bsplevel.h"
#include "bsplevel_run.h"
#include "game_bsp.h"

using namespace bsp_levels;

namespace {

const std::string DATA = BSPLEVEL_TEST_DATA;
const std::string SMALL = DATA + "/small.txt";
const std::string CLOSED = DATA + "/closed.txt";
const std::string BROKEN = DATA + "/broken.txt";
const std::string OUTSIDE = DATA + "/outside.txt";
const std::string NOAREA = DATA + "/noarea.txt";
const std::string ARENA = DATA + "/arena.map";

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
// read, as the tool did before. The error is one line on the error stream;
// with --verbose the loader's own message comes before it.
TEST(BsplevelAnswers, LevelThatFailsToLoad) {
    const std::string library = "ERROR while reading file : " + BROKEN + " at line 4\n";
    // The item on line 5 lacks its last ']': the loader stops at the '[' of line 6.
    const std::string tool = BROKEN + ":6: malformed wall item\n";
    cResult r = Tool({"info", BROKEN, "--partial"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, Info_Text(BROKEN, "no, line 6: malformed wall item; the world holds what was read", "yes",
                               "bounds: 0 0 100 60\nwalls read: 1\nwall nodes: 1\ntree depth: 1\nareas: 2\n"
                               "portals: 1\nwaypoints: 0\n"));
    EXPECT_EQ(r.Err, tool);
    r = Tool({"segment", BROKEN, "10", "10", "90", "10", "--partial"});
    EXPECT_EQ(r.Out, "hit 50 10\n");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, tool);
    r = Tool({"segment", BROKEN, "10", "10", "90", "10"});
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, tool);
    r = Tool({"segment", BROKEN, "10", "10", "90", "10", "--verbose"});
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
    EXPECT_EQ(info.Err, tool);
    const cResult verbose = Tool({"info", OUTSIDE, "--json", "--verbose"});
    EXPECT_NE(verbose.Err.find("the world is not built"), std::string::npos) << verbose.Err;
    EXPECT_EQ(verbose.Err.substr(verbose.Err.size() - std::min(verbose.Err.size(), tool.size())), tool);
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
        // The level's line first; a negative answer may give its reason after it.
        EXPECT_EQ(r.Err.find(tool), 0u) << r.Err;
    }
}

// A level beyond the world's limits is not built, and info says so in both
// forms. Walls in sorted order, each beyond all the others, make the tree as
// deep as it has walls, until the insertion's steps pass the bound.
TEST(BsplevelAnswers, LevelBeyondTheWorldsLimitsIsNotBuilt) {
    std::string text = "<AREA>\n[20002,100]\n<WALLS>\n";
    for (int x = 1; x <= 20000; ++x) text += "[" + std::to_string(x) + ",0]->[" + std::to_string(x) + ",50]\n";
    const std::string file = Temp("sorted_walls.txt");
    Write(file, text);
    const cResult info = Tool({"info", file});
    EXPECT_EQ(info.Status, 2);
    EXPECT_NE(info.Out.find("\nbuilt: no\n"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("\nareas: 0\n"), std::string::npos) << info.Out;
    EXPECT_EQ(info.Err.find(file + ":10069: beyond the world's limits"), 0u) << info.Err;
    EXPECT_NE(Tool({"info", file, "--json"}).Out.find("\"built\":false,"), std::string::npos);
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

// ------------------------------------------------------------------ partial routes, nearest places, nearest goals

const std::string DOORS = DATA + "/doors.txt";

// A partial route's text: "partial", the corners, "length L", "end X Y".
// Its length must be its legs' and its end its last corner (the start when
// it has none).
void Expect_Partial_Route(const cPoint2D& start, const std::string& out) {
    ASSERT_EQ(out.compare(0, 8, "partial\n"), 0) << out;
    const std::string route = out.substr(8, out.rfind("end ") - 8);
    Expect_Length_Of_Legs(start, route);
    int ex = 0, ey = 0;
    ASSERT_EQ(std::sscanf(out.c_str() + out.rfind("end "), "end %d %d", &ex, &ey), 2) << out;
    int x = start.x, y = start.y;
    std::istringstream lines(route);
    for (std::string line; std::getline(lines, line);) std::sscanf(line.c_str(), "%d %d", &x, &y);
    EXPECT_EQ(cPoint2D(ex, ey), cPoint2D(x, y)) << out;
}

// route --partial-route answers a reachable goal as route does; a goal out
// of reach (closed off, too tight for the agent, in rock, outside the
// world) with the route to the reachable point nearest to it, status 1 and
// why on standard error; a start where the agent cannot be, still none.
TEST(BsplevelQueries, PartialRoutes) {
    const std::string no_route = "no route from (10,10) to (90,10) for an agent of half-size 0";
    const std::vector<cAnswer_Case> cases = {
        {{"route", SMALL, "10", "10", "90", "10", "--partial-route"}, 0, "50 40\n90 10\nlength 100\n"},
        {{"route", CLOSED, "10", "10", "90", "10", "--partial-route"},
         1,
         "partial\n50 10\nlength 40\nend 50 10\n",
         "bsplevel: route: " + no_route + "; the partial route ends at (50,10), 40 from the goal\n"},
        {{"route", CLOSED, "10", "10", "90", "10", "--partial-route", "--json"},
         1,
         "{\"status\":\"partial\",\"length\":40,\"path\":[[50,10]],\"end\":[50,10]}\n",
         "bsplevel: route: " + no_route + "; the partial route ends at (50,10), 40 from the goal\n"},
        // The goal's square meets the wall x=50: the route ends where the
        // square touches it, 1 to the right.
        {{"route", SMALL, "10", "10", "52", "20", "--agent", "3", "--partial-route"},
         1,
         "partial\n33 27\n47 43\n53 43\n53 20\nlength 78.8609909176\nend 53 20\n",
         "bsplevel: route: the goal (52,20) is blocked for an agent of half-size 3: its square meets a wall; the "
         "partial route ends at (53,20), 1 from the goal\n"},
        {{"route", SMALL, "10", "10", "200", "10", "--partial-route"},
         1,
         "partial\n50 40\n100 10\nlength 108.309518948\nend 100 10\n",
         "bsplevel: route: the goal (200,10) lies outside the world [0,0]-[100,60]; the partial route ends at "
         "(100,10), 100 from the goal\n"},
        // doors.txt: the goal inside the closed room of rock; then a start
        // on the room's side, already the nearest point, a route of length 0.
        {{"route", DOORS, "40", "30", "20", "20", "--partial-route"},
         1,
         "partial\n30 20\nlength 14.1421356237\nend 30 20\n",
         "bsplevel: route: the goal (20,20) lies in solid space; the partial route ends at (30,20), 10 from the "
         "goal\n"},
        {{"route", DOORS, "30", "20", "20", "20", "--partial-route", "--json"},
         1,
         "{\"status\":\"partial\",\"length\":0,\"path\":[[30,20]],\"end\":[30,20]}\n",
         "bsplevel: route: the goal (20,20) lies in solid space; the partial route ends at (30,20), 10 from the "
         "goal\n"},
        {{"route", DOORS, "40", "30", "90", "30", "--partial-route", "--open", "0"}, 0, "90 30\nlength 50\n"},
        {{"route", SMALL, "10", "10", "90", "10", "--agent", "11", "--partial-route"},
         1,
         "none\n",
         "bsplevel: route: the start (10,10) is blocked for an agent of half-size 11: its square crosses the "
         "world's border\n"},
        {{"route", DOORS, "20", "20", "90", "30", "--partial-route"}, 1, "none\n",
         "bsplevel: route: the start (20,20) lies in solid space\n"},
        {{"route", SMALL, "-5", "10", "90", "10", "--partial-route", "--json"}, 1,
         "{\"status\":\"outside\",\"length\":null,\"path\":[]}\n",
         "bsplevel: route: the start (-5,10) lies outside the world [0,0]-[100,60]\n"},
    };
    Expect_Answers(cases);
    for (const cAnswer_Case& c : cases)
        if (c.Out.compare(0, 8, "partial\n") == 0) {
            SCOPED_TRACE(::testing::PrintToString(c.Args));
            Expect_Partial_Route(cPoint2D(std::stoi(c.Args[2]), std::stoi(c.Args[3])), c.Out);
        }
}

// nearest: the point itself where the agent fits, else the nearest place
// with room (outside the world too), else none with the reason.
TEST(BsplevelQueries, NearestPlaces) {
    const std::vector<cAnswer_Case> cases = {
        {{"nearest", SMALL, "10", "10"}, 0, "10 10\ndistance 0\n"},
        {{"nearest", SMALL, "10", "10", "--agent", "10"}, 0, "10 10\ndistance 0\n"},
        // The square of half-size 3 at (52,20) meets the wall x=50.
        {{"nearest", SMALL, "52", "20", "--agent", "3"}, 0, "53 20\ndistance 1\n"},
        {{"nearest", SMALL, "-500", "10", "--agent", "3"}, 0, "3 10\ndistance 503\n"},
        {{"nearest", SMALL, "45", "45", "--agent", "5", "--json"}, 0,
         "{\"status\":\"found\",\"place\":[45,45],\"distance\":0}\n"},
        // In the room of rock [10,10]-[30,30]: out to its nearest side, the
        // least y first among the equally near.
        {{"nearest", DOORS, "20", "20"}, 0, "20 10\ndistance 10\n"},
        {{"nearest", SMALL, "10", "10", "--agent", "40"}, 1, "none\n",
         "bsplevel: nearest: no place in the world has room for an agent of half-size 40\n"},
        {{"nearest", SMALL, "10", "10", "--agent", "40", "--json"}, 1,
         "{\"status\":\"no_place\",\"place\":null,\"distance\":null}\n",
         "bsplevel: nearest: no place in the world has room for an agent of half-size 40\n"},
        {{"nearest", SMALL, "200000000", "0"}, 1, "none\n",
         "bsplevel: nearest: the point (200000000,0) lies beyond the coordinate range (-100000000 to 100000000)\n"},
    };
    Expect_Answers(cases);
}

// route-any: the nearest goal by route length, its number counted from 0;
// goals the agent cannot stand at passed over; none with the reason.
TEST(BsplevelQueries, NearestOfSeveralGoals) {
    const std::vector<cAnswer_Case> cases = {
        {{"route-any", SMALL, "10", "10", "90", "10"}, 0, "goal 0\n50 40\n90 10\nlength 100\n"},
        {{"route-any", SMALL, "10", "10", "90", "10", "20", "20"}, 0, "goal 1\n20 20\nlength 14.1421356237\n"},
        {{"route-any", SMALL, "10", "10", "90", "10", "20", "50", "--json"}, 0,
         "{\"status\":\"found\",\"goal\":1,\"length\":50.6449510225,\"path\":[[30,30],[20,50]]}\n"},
        // (52,20) has no room for half-size 3, (200,10) lies outside: passed over.
        {{"route-any", SMALL, "10", "10", "52", "20", "200", "10", "90", "10", "--agent", "5"}, 0,
         "goal 2\n35 25\n45 45\n55 45\n90 10\nlength 111.012913932\n"},
        {{"route-any", CLOSED, "10", "10", "90", "10", "80", "50"}, 1, "none\n",
         "bsplevel: route-any: no route from (10,10) to any of the 2 goals for an agent of half-size 0\n"},
        {{"route-any", CLOSED, "10", "10", "90", "10"}, 1, "none\n",
         "bsplevel: route-any: no route from (10,10) to (90,10) for an agent of half-size 0\n"},
        {{"route-any", SMALL, "10", "10", "52", "20", "200", "10", "--agent", "3", "--json"}, 1,
         "{\"status\":\"goal_blocked\",\"goal\":null,\"length\":null,\"path\":[]}\n",
         "bsplevel: route-any: no goal has room for an agent of half-size 3 (each lies outside the world, in solid "
         "space or where the agent's square meets a wall)\n"},
        {{"route-any", SMALL, "10", "10", "200", "10", "300", "10"}, 1, "none\n",
         "bsplevel: route-any: every goal lies outside the world [0,0]-[100,60]\n"},
        {{"route-any", SMALL, "-1", "10", "90", "10", "20", "20"}, 1, "none\n",
         "bsplevel: route-any: the start (-1,10) lies outside the world [0,0]-[100,60]\n"},
        {{"route-any", SMALL, "45", "10", "90", "10", "20", "20", "--agent", "6"}, 1, "none\n",
         "bsplevel: route-any: the start (45,10) is blocked for an agent of half-size 6: its square meets a wall\n"},
        // doors.txt: (20,20) lies in the rock, (90,30) behind the closed door.
        {{"route-any", DOORS, "40", "30", "90", "30", "20", "20"}, 1, "none\n",
         "bsplevel: route-any: no route from (40,30) to any of the 2 goals for an agent of half-size 0\n"},
        {{"route-any", DOORS, "40", "30", "90", "30", "20", "20", "--open", "0"}, 0, "goal 0\n90 30\nlength 50\n"},
    };
    Expect_Answers(cases);
    for (const cAnswer_Case& c : cases)
        if (c.Status == 0 && c.Out[0] != '{') {
            SCOPED_TRACE(::testing::PrintToString(c.Args));
            Expect_Length_Of_Legs(cPoint2D(std::stoi(c.Args[2]), std::stoi(c.Args[3])),
                                  c.Out.substr(c.Out.find('\n') + 1));
        }
}

// ------------------------------------------------------------------ errors

TEST(BsplevelErrors, OneLineOnTheErrorStreamAndStatusTwo) {
    const tRefusals cases = {
        {{}, "bsplevel: missing command (try 'bsplevel --help')\n"},
        {{"frobnicate", SMALL}, "bsplevel: unknown command 'frobnicate' (try 'bsplevel --help')\n"},
        {{"help", "frobnicate"}, "bsplevel: help: unknown command 'frobnicate' (try 'bsplevel --help')\n"},
        {{"help", "path", "route"}, "bsplevel: help: one command at a time (try 'bsplevel --help')\n"},
        {{"path", SMALL, "1", "2", "3"}, "bsplevel: path: missing Y2 (usage: bsplevel path LEVEL X1 Y1 X2 Y2 [--json] [--open D]... [--partial] [--verbose])\n"},
        {{"path", SMALL, "1", "2", "3", "12abc"}, "bsplevel: path: Y2 must be an integer, got '12abc'\n"},
        {{"path", SMALL, "1", "2", "3", "2147483648"}, "bsplevel: path: Y2 must be an integer, got '2147483648'\n"},
        {{"path", SMALL, "1", "2", "3", "-2147483649"}, "bsplevel: path: Y2 must be an integer, got '-2147483649'\n"},
        {{"path", SMALL, "1", "2", "3", ""}, "bsplevel: path: Y2 must be an integer, got ''\n"},
        {{"path", SMALL, "1", "2", "3", " 4"}, "bsplevel: path: Y2 must be an integer, got ' 4'\n"},
        {{"path", SMALL, "1", "2", "3", "4", "5"},
         "bsplevel: path: unexpected argument '5' (usage: bsplevel path LEVEL X1 Y1 X2 Y2 [--json] [--open D]... [--partial] [--verbose])\n"},
        {{"ball", SMALL, "1", "2", "3", "--limit", "4"},
         "bsplevel: ball: unknown option '--limit' (usage: bsplevel ball LEVEL X Y R [--json] [--open D]... [--partial] [--verbose])\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit"}, "bsplevel: segment: --limit needs N\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit", "x"}, "bsplevel: segment: --limit N must be an integer, got 'x'\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit", "-1"}, "bsplevel: segment: --limit N must not be negative, got '-1'\n"},
        {{"segment", SMALL, "1", "2", "3", "4", "--limit", "1", "--limit", "2"}, "bsplevel: segment: --limit given twice\n"},
        {{"ball", SMALL, "1", "2", "-3"}, "bsplevel: ball: R must not be negative, got '-3'\n"},
        {{"info", DATA + "/no-such-level.txt"}, "bsplevel: info: cannot read level file '" + DATA + "/no-such-level.txt'\n"},
        {{"dump", DATA}, "bsplevel: dump: cannot read level file '" + DATA + "'\n"},
        {{"svg", SMALL}, "bsplevel: svg: missing -o FILE.svg (usage: bsplevel svg LEVEL -o FILE.svg [--view X1 Y1 X2 Y2] [--layers LIST] "
                         "[--path X1 Y1 X2 Y2]... "
                         "[--route X1 Y1 X2 Y2 [--agent H] [--partial-route]]... [--segment X1 Y1 X2 Y2]... [--ball X Y R]... "
                         "[--nearest X Y H]... [--open D]... [--partial] [--verbose])\n"},
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
        {{"svg", SMALL, "-o", "-", "--partial-route", "--route", "1", "2", "3", "4"},
         "bsplevel: svg: --partial-route must follow a --route\n"},
        {{"svg", SMALL, "-o", "-", "--route", "1", "2", "3", "4", "--partial-route", "--agent", "1", "--partial-route"},
         "bsplevel: svg: --partial-route given twice for one --route\n"},
        {{"svg", SMALL, "-o", "-", "--nearest", "1", "2", "-1"},
         "bsplevel: svg: --nearest H must not be negative, got '-1'\n"},
        {{"svg", SMALL, "-o", "-", "--nearest", "1", "2"}, "bsplevel: svg: --nearest needs X Y H\n"},
        {{"route", SMALL, "1", "2", "3", "4", "--partial-route", "--partial-route"},
         "bsplevel: route: --partial-route given twice\n"},
        {{"nearest", SMALL, "1"},
         "bsplevel: nearest: missing Y (usage: bsplevel nearest LEVEL X Y [--agent H] [--json] [--open D]... "
         "[--partial] [--verbose])\n"},
        {{"nearest", SMALL, "1", "2", "3"},
         "bsplevel: nearest: unexpected argument '3' (usage: bsplevel nearest LEVEL X Y [--agent H] [--json] "
         "[--open D]... [--partial] [--verbose])\n"},
        {{"nearest", SMALL, "1", "2", "--agent", "-4"}, "bsplevel: nearest: --agent H must not be negative, got '-4'\n"},
        {{"route-any", SMALL, "1", "2"},
         "bsplevel: route-any: missing GX (usage: bsplevel route-any LEVEL X Y GX GY [GX GY]... [--agent H] "
         "[--json] [--open D]... [--partial] [--verbose])\n"},
        {{"route-any", SMALL, "1", "2", "3", "4", "5"},
         "bsplevel: route-any: missing GY after '5' (usage: bsplevel route-any LEVEL X Y GX GY [GX GY]... "
         "[--agent H] [--json] [--open D]... [--partial] [--verbose])\n"},
        {{"route-any", SMALL, "1", "2", "3", "4", "5", "y"}, "bsplevel: route-any: GY must be an integer, got 'y'\n"},
        {{"route-any", SMALL, "1", "2", "3", "4", "--partial-route"},
         "bsplevel: route-any: unknown option '--partial-route' (usage: bsplevel route-any LEVEL X Y GX GY "
         "[GX GY]... [--agent H] [--json] [--open D]... [--partial] [--verbose])\n"},
        {{"svg", SMALL, "-o", DATA + "/no-such-dir/x.svg"}, "bsplevel: svg: cannot write '" + DATA + "/no-such-dir/x.svg'\n"},
        {{"import-grid", ARENA, "-o", "-", "--cell", "0"}, "bsplevel: import-grid: --cell S must be at least 1, got '0'\n"},
        {{"import-grid", ARENA, "-o", "-", "--order", "random"},
         "bsplevel: import-grid: --order must be balanced, longest or scan, got 'random'\n"},
        {{"import-grid", ARENA, "-o", "-", "--cell", "3000000"},
         "bsplevel: import-grid: " + ARENA + ": the level would measure 147000000 x 147000000 units, beyond the "
         "coordinate limit 100000000\n"},
        {{"import-grid", SMALL, "-o", "-"},
         SMALL + " looks like a level file: it needs no import (try bsplevel info " + SMALL + ")\n"},
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

