// Reading grid maps: the header and the rows it announces. A header is a
// claim about the rest of the file; a header that the file does not bear out
// (however large its numbers) is refused with a one-line reason, and nothing
// is allocated from it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "balanced_order_oracle.h"
#include "grid_import.h"
#include "grid_map_gen.h"

using namespace bsp_levels;

namespace {

const std::string HEADER = "type octile\n";

struct cMap_Case {
    const char* What;
    std::string Text;
    std::string Error;  // empty: the text is a map
};

// Rows of a map, each of width characters.
std::string Rows(int count, int width, char cell = '.') {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(std::size_t(width), cell) + "\n";
    return text;
}

const char* const NOT_A_HEADER_LINE = ": expected \"type T\", \"height H\", \"width W\" or \"map\"";

TEST(GridImport, BrokenHeadersAndRowsAreRefused) {
    const cMap_Case cases[] = {
        // Headers that promise more than the file holds.
        {"a height of millions over five rows", HEADER + "height 5000000\nwidth 4\nmap\n" + Rows(5, 4),
         "the header says height 5000000 but the file holds 5 rows"},
        {"the largest height over one row", HEADER + "height 2147483647\nwidth 3\nmap\n" + Rows(1, 3),
         "the header says height 2147483647 but the file holds 1 row"},
        {"a width of millions", HEADER + "height 5\nwidth 5000000\nmap\n" + Rows(5, 4),
         "line 5: the header says width 5000000 but the row holds 4 characters"},
        {"both of the largest size over a few bytes", HEADER + "height 2147483647\nwidth 2147483647\nmap\n..\n",
         "line 5: the header says width 2147483647 but the row holds 2 characters"},
        {"no rows at all", HEADER + "height 3\nwidth 3\nmap\n", "the header says height 3 but the file holds 0 rows"},
        {"one row short", HEADER + "height 3\nwidth 3\nmap\n" + Rows(2, 3),
         "the header says height 3 but the file holds 2 rows"},
        // Rows that do not match the width.
        {"a row too short", HEADER + "height 2\nwidth 3\nmap\n...\n..\n",
         "line 6: the header says width 3 but the row holds 2 characters"},
        {"a row too long", HEADER + "height 2\nwidth 3\nmap\n....\n...\n",
         "line 5: the header says width 3 but the row holds 4 characters"},
        {"an empty row", HEADER + "height 2\nwidth 1\nmap\n.\n\n",
         "line 6: the header says width 1 but the row holds 0 characters"},
        {"more rows than the height", HEADER + "height 1\nwidth 3\nmap\n...\n...\n",
         "line 6: the header says height 1 but the file holds more rows"},
        {"a non-blank line after the rows", HEADER + "height 1\nwidth 3\nmap\n...\n\nx\n",
         "line 7: the header says height 1 but the file holds more rows"},
        // Header lines that are not numbers the map can have.
        {"zero height", HEADER + "height 0\nwidth 3\nmap\n", std::string("line 2") + NOT_A_HEADER_LINE},
        {"zero width", HEADER + "height 1\nwidth 0\nmap\n\n", std::string("line 3") + NOT_A_HEADER_LINE},
        {"negative height", HEADER + "height -3\nwidth 3\nmap\n" + Rows(3, 3),
         std::string("line 2") + NOT_A_HEADER_LINE},
        {"negative width", HEADER + "height 1\nwidth -1\nmap\n.\n", std::string("line 3") + NOT_A_HEADER_LINE},
        {"height beyond an int", HEADER + "height 99999999999\nwidth 3\nmap\n",
         std::string("line 2") + NOT_A_HEADER_LINE},
        {"height in words", HEADER + "height two\nwidth 3\nmap\n", std::string("line 2") + NOT_A_HEADER_LINE},
        {"height without a number", HEADER + "height\nwidth 3\nmap\n", std::string("line 2") + NOT_A_HEADER_LINE},
        {"two numbers for the width", HEADER + "height 1\nwidth 3 4\nmap\n...\n",
         std::string("line 3") + NOT_A_HEADER_LINE},
        {"an unknown header line", HEADER + "depth 3\nheight 1\nwidth 1\nmap\n.\n",
         std::string("line 2") + NOT_A_HEADER_LINE},
        // Headers that lack a line.
        {"no height", HEADER + "width 3\nmap\n...\n",
         "the header needs \"type\", \"height\" and \"width\" before \"map\""},
        {"no width", HEADER + "height 1\nmap\n...\n",
         "the header needs \"type\", \"height\" and \"width\" before \"map\""},
        {"no type", "height 1\nwidth 3\nmap\n...\n",
         "the header needs \"type\", \"height\" and \"width\" before \"map\""},
        {"no map line", HEADER + "height 1\nwidth 1\n", "no \"map\" line: not a grid map"},
        {"an empty text", "", "no \"map\" line: not a grid map"},
    };
    for (const cMap_Case& c : cases) {
        SCOPED_TRACE(c.What);
        std::istringstream in(c.Text);
        cGrid_Map map;
        map.Width = 9;
        map.Rows = {"stale"};
        std::string error;
        bool read = true;
        EXPECT_NO_THROW(read = Read_Grid_Map(in, map, error));
        EXPECT_FALSE(read);
        EXPECT_EQ(error, c.Error);
        EXPECT_EQ(error.find('\n'), std::string::npos);
        // Nothing half-read is left for a caller to trace.
        EXPECT_EQ(map.Width, 0);
        EXPECT_EQ(map.Height, 0);
        EXPECT_TRUE(map.Rows.empty());
    }
}

TEST(GridImport, MapsThatHoldWhatTheirHeaderSays) {
    struct cGood_Case {
        const char* What;
        std::string Text;
        int Width, Height;
        std::vector<std::string> Rows;
    };
    const cGood_Case cases[] = {
        {"the usual order", HEADER + "height 2\nwidth 3\nmap\n.@.\nGTS\n", 3, 2, {".@.", "GTS"}},
        {"header lines in any order, CR LF", "width 2\r\ntype octile\r\nheight 1\r\nmap\r\n@.\r\n", 2, 1, {"@."}},
        {"blank lines in the header and after the rows", "\ntype octile\n\nheight 1\nwidth 1\nmap\n.\n\n  \n", 1, 1,
         {"."}},
        {"no line end after the last row", HEADER + "height 1\nwidth 2\nmap\n..", 2, 1, {".."}},
        {"a UTF-8 byte order mark", "\xEF\xBB\xBFtype octile\r\nheight 1\r\nwidth 2\r\nmap\r\n.@\r\n", 2, 1, {".@"}},
    };
    for (const cGood_Case& c : cases) {
        SCOPED_TRACE(c.What);
        std::istringstream in(c.Text);
        cGrid_Map map;
        std::string error;
        ASSERT_TRUE(Read_Grid_Map(in, map, error)) << error;
        EXPECT_EQ(map.Width, c.Width);
        EXPECT_EQ(map.Height, c.Height);
        EXPECT_EQ(map.Rows, c.Rows);
    }
}

// The balanced order decides the tree of every imported level, and levels
// written before are read again: it must stay what the straightforward model
// gives, wall for wall, on maps of every kind and size (across the 48 lines
// below which every line is a candidate) and on arbitrary walls, whose
// pieces may have zero length or reversed ends. BALANCED_ORDER_CASES sets the
// number of arbitrary wall sets (default 400).
TEST(GridImport, BalancedOrderIsTheModelsOrder) {
    std::size_t compared = 0;
    for (const char* kind : {"random10", "random25", "maze", "rooms"})
        for (int side : {6, 17, 40, 90})
            for (unsigned seed = 1; seed <= 2; ++seed) {
                cGrid_Map map;
                ASSERT_TRUE(grid_maps::Generate(kind, side, seed, map));
                const std::vector<cGrid_Wall> walls = Trace_Walls(map, 10);
                ASSERT_EQ(Order_Walls(walls, cWall_Order::BALANCED), balanced_oracle::Balanced(walls))
                    << kind << " " << side << " seed " << seed;
                ++compared;
            }
    const char* env = std::getenv("BALANCED_ORDER_CASES");
    const int cases = env != nullptr ? std::atoi(env) : 400;
    std::mt19937 rng(11);
    for (int t = 0; t < cases; ++t) {
        std::vector<cGrid_Wall> walls;
        const int count = 1 + int(rng() % 150), range = 2 + int(rng() % 40);
        for (int i = 0; i < count; ++i) {
            const int a = int(rng() % unsigned(range)), b = int(rng() % unsigned(range)),
                      c = int(rng() % unsigned(range));
            cGrid_Wall w = rng() % 2 ? cGrid_Wall{a, c, b, c} : cGrid_Wall{c, a, c, b};
            if (rng() % 4 != 0) {  // most in increasing order, as the tracer gives them
                if (w.X1 > w.X2) std::swap(w.X1, w.X2);
                if (w.Y1 > w.Y2) std::swap(w.Y1, w.Y2);
            }
            walls.push_back(w);
        }
        ASSERT_EQ(Order_Walls(walls, cWall_Order::BALANCED), balanced_oracle::Balanced(walls)) << "case " << t;
        ++compared;
    }
    EXPECT_GT(compared, std::size_t(0));
}

}  // namespace
