// bsplevel batch, run in-process: one answer line per query line, the
// malformed lines answered and counted, route (partial ones too), route-any,
// nearest and door lines.
#include <gtest/gtest.h>

#include <string>

#include "bsplevel_run.h"

using namespace bsp_levels;

namespace {

const std::string DATA = BSPLEVEL_TEST_DATA;
const std::string SMALL = DATA + "/small.txt";
const std::string CLOSED = DATA + "/closed.txt";

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
              "error: line 8: unknown query 'jump' (path, route, route-any, nearest, segment, ball, door, add-wall, add-box, remove or would-block)\n"
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
              "error: line 8: route needs X1 Y1 X2 Y2 [H] [partial]\n"
              "error: line 9: route needs X1 Y1 X2 Y2 [H] [partial]\n"
              "error: line 10: H must not be negative\n"
              "error: line 11: H must be at most 100000000\n"
              "error: line 12: 'x' is not an integer\n");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "bsplevel: batch: 5 malformed lines in the input\n");
}

// The batch forms of route --partial-route, nearest and route-any: each
// line answers what the command answers, on one line, with the reason for
// no answer in one word.
TEST(BsplevelBatch, PartialNearestAndRouteAnyLines) {
    struct cCase {
        std::string Line, Answer;
    };
    const cCase cases[] = {
        {"route 10 10 90 10 partial", "route 50 40 90 10 length 100"},
        {"route 10 10 52 20 3 partial", "route partial 33 27 47 43 53 43 53 20 length 78.8609909176 end 53 20"},
        {"route 10 10 52 20 3", "route none goal-blocked"},
        {"route 10 10 200 10 partial", "route partial 50 40 100 10 length 108.309518948 end 100 10"},
        {"route 10 10 90 10 11 partial", "route none start-blocked"},
        {"route 1 2 3 partial", "error: line 6: route needs X1 Y1 X2 Y2 [H] [partial]"},
        {"route 10 10 90 10 partial 3", "error: line 7: route needs X1 Y1 X2 Y2 [H] [partial]"},
        {"route 10 10 90 10 partial partial", "error: line 8: 'partial' is not an integer"},
        {"nearest 52 20 3", "nearest 53 20 distance 1"},
        {"nearest 10 10", "nearest 10 10 distance 0"},
        {"nearest -500 10 3", "nearest 3 10 distance 503"},
        {"nearest 10 10 40", "nearest none no-place"},
        {"nearest 200000000 0", "nearest none outside"},
        {"nearest 1", "error: line 14: nearest needs X Y [H]"},
        {"nearest 1 2 3 4", "error: line 15: nearest needs X Y [H]"},
        {"nearest 1 2 -3", "error: line 16: H must not be negative"},
        {"route-any 10 10 90 10 20 20", "route-any goal 1 20 20 length 14.1421356237"},
        {"route-any 10 10 90 10", "route-any goal 0 50 40 90 10 length 100"},
        // An odd count after the start: the last word is H.
        {"route-any 10 10 52 20 90 10 5", "route-any goal 1 35 25 45 45 55 45 90 10 length 111.012913932"},
        {"route-any 10 10 52 20 200 10 3", "route-any none goal-blocked"},
        {"route-any 10 10 200 10 300 10", "route-any none outside"},
        {"route-any 45 10 90 10 6", "route-any none start-blocked"},
        {"route-any 10 10", "error: line 23: route-any needs X Y GX GY [GX GY]... [H]"},
        {"route-any 10 10 90", "error: line 24: route-any needs X Y GX GY [GX GY]... [H]"},
        {"route-any 10 10 90 10 x", "error: line 25: 'x' is not an integer"},
        {"route-any 10 10 90 10 100000001", "error: line 26: H must be at most 100000000"},
    };
    std::string input, expected;
    for (const cCase& c : cases) {
        input += c.Line + "\n";
        expected += c.Answer + "\n";
    }
    const cResult r = Tool({"batch", SMALL}, input);
    EXPECT_EQ(r.Out, expected);
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "bsplevel: batch: 10 malformed lines in the input\n");
    // On the closed level: partial routes and no route to any goal.
    const cResult closed = Tool({"batch", CLOSED}, "route 10 10 90 10 partial\nroute-any 10 10 90 10 80 50\n");
    EXPECT_EQ(closed.Out, "route partial 50 10 length 40 end 50 10\nroute-any none none\n");
    EXPECT_EQ(closed.Status, 0);
}

TEST(BsplevelBatch, CleanRunOnAClosedLevel) {
    const cResult r =
        Tool({"batch", CLOSED}, "path 10 10 90 10\nsegment 10 10 90 10\nball 60 30 11\nroute 10 10 90 10 3\n");
    EXPECT_EQ(r.Out, "path none\nhit 50 10\ntouch\nroute none none\n");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(Tool({"batch", CLOSED}, "").Status, 0);
}

// doors.txt: door lines open and close door 0 for the lines after them.
TEST(BsplevelBatch, DoorLinesChangeTheFollowingAnswers) {
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

}  // namespace
