// bsplevel batch, run in-process: one answer line per query line, the
// malformed lines answered and counted, route and door lines.
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
