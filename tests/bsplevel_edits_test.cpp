// bsplevel batch's edit lines, run in-process: walls and boxes added to the
// built level and removed again change the answers of the lines that follow.
#include <gtest/gtest.h>

#include <string>

#include "bsplevel_run.h"

using namespace bsp_levels;

namespace {

const std::string SMALL = std::string(BSPLEVEL_TEST_DATA) + "/small.txt";

TEST(BsplevelBatchEdits, AddRemoveAndWouldBlock) {
    // small.txt: [100,60], walls x = 50 from y 0 to 40 and y = 30 from x 0 to 30.
    const cResult r = Tool({"batch", SMALL},
                           "path 10 50 90 50\n"
                           "would-block 45 40 55 60 10 50 90 50\n"
                           "would-block 45 41 55 60 10 50 90 50\n"
                           "add-box 45 40 55 60\n"
                           "path 10 50 90 50\n"
                           "segment 10 50 90 50\n"
                           "add-wall 60 0 60 10\n"
                           "add-wall 0 0 10 10\n"
                           "add-box 90 50 110 70\n"
                           "remove 0\n"
                           "remove 0\n"
                           "path 10 50 90 50\n"
                           "add-box 1 2 3\n"
                           "remove x\n");
    EXPECT_EQ(r.Out,
              "path 50 50 90 50\n"
              "would-block cuts\n"
              "would-block open\n"
              "edit 0\n"
              "path none\n"
              "hit 45 50\n"
              "edit 1\n"
              "edit refused not-hv\n"
              "edit refused outside\n"
              "removed 0\n"
              "remove refused unknown-id\n"
              "path 50 50 60 35 90 50\n"  // the wall at x = 60 cuts the level's areas otherwise
              "error: line 13: add-box needs X1 Y1 X2 Y2\n"
              "error: line 14: 'x' is not an integer\n");
    EXPECT_EQ(r.Status, 2);
    const cResult json = Tool({"batch", SMALL, "--json"}, "add-box 45 40 55 60\nremove 0\nremove 7\n");
    EXPECT_EQ(json.Out, "{\"line\":1,\"query\":\"add-box\",\"edit\":0}\n"
                        "{\"line\":2,\"query\":\"remove\",\"removed\":0}\n"
                        "{\"line\":3,\"query\":\"remove\",\"refused\":\"unknown-id\"}\n");
}

}  // namespace
