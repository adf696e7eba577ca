// Tests of the level file reader (cLevel_Loader).
//
// A level file is read into a world that is not yet built: wall items are
// inserted into the world's tree as they are read, area items overwrite
// WORLD_BOUNDS. The reader stops at the first problem; a malformed item (or a
// tag with no item after it) is reported with a line counter, an unknown tag
// line or an item before the first tag stops it silently, and whatever was
// read before the problem stays in the world. Files with CR LF line endings
// must read exactly like the same files with LF endings.
#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game_bsp.h"
#include "level_loader.h"
#include "test_support.h"

namespace {

// WORLD_BOUNDS before every load, chosen so that a change is visible.
cRect2D Start_Bounds() { return Rect(-5, -6, 7, 8); }

// Stands for the file name in expected messages.
const char FILE_NAME[] = "{FILE}";

std::string Read_Error(int line) {
    return std::string("ERROR while reading file : ") + FILE_NAME + " at line " +
           std::to_string(line) + "\n";
}

std::string Open_Error(const std::string& name) {
    return "error while opening file : " + name + "\nerror loading \n";
}

std::string Replace_All(std::string text, const std::string& from, const std::string& to) {
    for (std::string::size_type at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string To_Crlf(const std::string& text) { return Replace_All(text, "\n", "\r\n"); }

std::string Text_Of(const cWall& wall) {
    std::ostringstream os;
    os << wall;
    return os.str();
}

// Every wall held by the world: node by node in the order the nodes were
// created, each node's divider followed by the further walls on its line.
std::vector<std::string> Walls_Of(const cGame_World& world) {
    std::vector<const cGame_World::Node*> nodes;
    std::vector<const cGame_World::Node*> pending;
    if (world.Root) pending.push_back(world.Root);
    while (!pending.empty()) {
        const cGame_World::Node* n = pending.back();
        pending.pop_back();
        nodes.push_back(n);
        if (n->Front) pending.push_back(n->Front);
        if (n->Back) pending.push_back(n->Back);
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const cGame_World::Node* a, const cGame_World::Node* b) { return a->Id < b->Id; });
    std::vector<std::string> walls;
    for (const cGame_World::Node* n : nodes) {
        walls.push_back(Text_Of(n->Item));
        for (const cHV_Wall& w : n->Line_Walls) walls.push_back(Text_Of(w));
    }
    return walls;
}

struct Load_Outcome {
    bool result;
    std::string output;
};

// Loads the file into world with std::cout captured.
Load_Outcome Load_File(const std::string& file_name, cGame_World* world) {
    cCapture_Messages capture;
    cLevel_Loader loader;
    const bool result = loader.Load(file_name.c_str(), world);
    return {result, capture.str()};
}

// ------------------------------------------------------------ file table

struct Load_Case {
    const char* name;
    std::string text;                // written with LF line endings
    bool result;
    std::string output;              // FILE_NAME stands for the file's name
    std::vector<std::string> walls;  // as listed by Walls_Of
    cRect2D bounds;                  // WORLD_BOUNDS after the load
};

std::ostream& operator<<(std::ostream& os, const Load_Case& c) { return os << c.name; }

const std::vector<Load_Case>& Load_Cases() {
    static const std::vector<Load_Case> cases = {
        // Files that read completely.
        {"ExampleLevel",
         "<AREA>\n[200,100]\n<WALLS>\n[0,50]->[60,50]\n\n[60,0]->[60,30]\n", true, "",
         {"[0,50]-->[60,50]", "[60,0]-->[60,30]"}, Rect(0, 0, 200, 100)},
        {"EmptyFile", "", true, "", {}, Start_Bounds()},
        {"OnlyEmptyLines", "\n\n\n", true, "", {}, Start_Bounds()},
        {"WallsInFileOrder", "<WALLS>\n[0,0]->[10,0]\n[0,20]->[10,20]\n", true, "",
         {"[0,0]-->[10,0]", "[0,20]-->[10,20]"}, Start_Bounds()},
        {"EmptyLinesBeforeBetweenAndAfter",
         "\n\n<WALLS>\n\n[0,0]->[10,0]\n\n\n[0,20]->[10,20]\n\n<AREA>\n[30,40]\n\n\n", true, "",
         {"[0,0]-->[10,0]", "[0,20]-->[10,20]"}, Rect(0, 0, 30, 40)},
        {"NoFinalLineFeed", "<WALLS>\n[0,0]->[10,0]", true, "", {"[0,0]-->[10,0]"},
         Start_Bounds()},
        {"BlanksAroundEveryToken",
         "<WALLS>\n [ 0 , 0 ] - > [ 10 , 0 ]\n\t[\t0\t,\t20\t]\t-\t>\t[\t10\t,\t20\t]\n", true,
         "", {"[0,0]-->[10,0]", "[0,20]-->[10,20]"}, Start_Bounds()},
        {"SignedNumbers", "<WALLS>\n[-10,+5]->[+10,5]\n", true, "", {"[-10,5]-->[10,5]"},
         Start_Bounds()},
        {"TwoItemsOnOneLine", "<WALLS>\n[0,0]->[10,0] [0,20]->[10,20]\n", true, "",
         {"[0,0]-->[10,0]", "[0,20]-->[10,20]"}, Start_Bounds()},
        {"ItemSplitOverLines", "<WALLS>\n[0,0]->\n[10,\n0]\n[0,20]->[10,20]\n", true, "",
         {"[0,0]-->[10,0]", "[0,20]-->[10,20]"}, Start_Bounds()},
        {"TagDirectlyAfterItem", "<WALLS>\n[0,0]->[10,0]<AREA>\n[5,5]\n", true, "",
         {"[0,0]-->[10,0]"}, Rect(0, 0, 5, 5)},
        {"NegativeAreaItem", "<AREA>\n[-50,80]\n", true, "", {}, Rect(-50, 0, 0, 80)},
        {"LastAreaItemWins", "<AREA>\n[10,10]\n[20,-30]\n", true, "", {}, Rect(0, -30, 20, 0)},
        {"SectionsRepeatInAnyOrder",
         "<WALLS>\n[0,0]->[10,0]\n<AREA>\n[50,60]\n<WALLS>\n[0,20]->[10,20]\n", true, "",
         {"[0,0]-->[10,0]", "[0,20]-->[10,20]"}, Rect(0, 0, 50, 60)},
        {"CoordinateLimitsAccepted",
         "<WALLS>\n[-100000000,0]->[100000000,0]\n<AREA>\n[100000000,-100000000]\n", true, "",
         {"[-100000000,0]-->[100000000,0]"}, Rect(0, -100000000, 100000000, 0)},
        // The loader does not judge a wall's shape: the wall reports a
        // diagonal pair itself and the reading goes on.
        // A diagonal wall is reported by the wall and refused by the world;
        // the reading goes on.
        {"DiagonalWallReportedAndReadingGoesOn",
         "<WALLS>\n[0,20]->[10,20]\n[0,0]->[4,4]\n[0,40]->[10,40]\n", true,
         "ERROR : void cHV_Wall::Set_HV()[0,0]-->[4,4] is not an valid HV_wall !!! \n"
         "ERROR : void cGame_World::Insert( cHV_Wall & w ) : [0,0]-->[4,4] is neither horizontal "
         "nor vertical, it is not inserted !!! \n",
         {"[0,20]-->[10,20]", "[0,40]-->[10,40]"}, Start_Bounds()},

        // Silent failures: nothing written, what was read before stays.
        {"ItemBeforeFirstTag", "[0,0]->[10,0]\n<WALLS>\n[0,20]->[10,20]\n", false, "", {},
         Start_Bounds()},
        {"BlankLineBeforeFirstTag", "  \n<WALLS>\n[0,0]->[10,0]\n", false, "", {},
         Start_Bounds()},
        {"UnknownTag", "<DOORS>\n[0,0]->[10,0]\n", false, "", {}, Start_Bounds()},
        {"TagWithTrailingBlank", "<WALLS> \n[0,0]->[10,0]\n", false, "", {}, Start_Bounds()},
        {"TagInLowerCase", "<walls>\n[0,0]->[10,0]\n", false, "", {}, Start_Bounds()},
        {"TagLineLongerThan99Characters",
         "<WALLS>\n[0,0]->[10,0]\n<" + std::string(120, 'W') + ">\n[0,20]->[10,20]\n", false, "",
         {"[0,0]-->[10,0]"}, Start_Bounds()},
        {"TagLongerThan99CharactersStartingWithWalls",
         "<WALLS>" + std::string(100, ' ') + "\n[0,0]->[10,0]\n", false, "", {}, Start_Bounds()},
        {"UnknownTagAfterItemsKeepsThem",
         "<WALLS>\n[0,0]->[10,0]\n<AREA>\n[30,30]\n<DOOR>\n[0,20]->[10,20]\n", false, "",
         {"[0,0]-->[10,0]"}, Rect(0, 0, 30, 30)},

        // Read errors, with the line counter: one per tag line and per line
        // feed between items; line feeds skipped inside an item are not
        // counted.
        {"TagFollowedByTag", "<AREA>\n<WALLS>\n[0,0]->[10,0]\n", false, Read_Error(1), {},
         Start_Bounds()},
        {"MissingArrowHeadOnThirdLine", "<WALLS>\n[0,0]->[10,0]\n[0,0]-[10,10]\n", false,
         Read_Error(2), {"[0,0]-->[10,0]"}, Start_Bounds()},
        {"DecimalNumber", "<AREA>\n[10.5,0]\n", false, Read_Error(1), {}, Start_Bounds()},
        {"AreaKeptBeforeMalformedItem", "<AREA>\n[30,40]\n[10.5,0]\n", false, Read_Error(2), {},
         Rect(0, 0, 30, 40)},
        {"MissingDash", "<WALLS>\n[0,0]>[10,0]\n", false, Read_Error(1), {}, Start_Bounds()},
        {"WrongBrackets", "<WALLS>\n(0,0)->(10,0)\n", false, Read_Error(1), {}, Start_Bounds()},
        {"WrongSeparator", "<WALLS>\n[0;0]->[10;0]\n", false, Read_Error(1), {}, Start_Bounds()},
        {"MissingNumber", "<WALLS>\n[,0]->[10,0]\n", false, Read_Error(1), {}, Start_Bounds()},
        {"SignApartFromNumber", "<WALLS>\n[- 5,0]->[10,0]\n", false, Read_Error(1), {},
         Start_Bounds()},
        {"FileEndsInsideItem", "<WALLS>\n[0,0]->[10,0", false, Read_Error(1), {},
         Start_Bounds()},
        {"FileEndsRightAfterTag", "<WALLS>", false, Read_Error(1), {}, Start_Bounds()},
        {"FileEndsRightAfterTagLine", "<WALLS>\n", false, Read_Error(1), {}, Start_Bounds()},
        {"EmptyLinesAfterLastTagNotCounted", "<AREA>\n[10,10]\n<WALLS>\n\n\n", false,
         Read_Error(3), {}, Rect(0, 0, 10, 10)},
        {"TrailingBlankAtEndOfFile", "<WALLS>\n[0,0]->[10,0] ", false, Read_Error(1),
         {"[0,0]-->[10,0]"}, Start_Bounds()},
        {"LastLineOfBlanks", "<WALLS>\n[0,0]->[10,0]\n  ", false, Read_Error(2),
         {"[0,0]-->[10,0]"}, Start_Bounds()},
        {"TagAfterLineEndingWithBlank", "<WALLS>\n[0,0]->[10,0] \n<WALLS>\n[0,20]->[10,20]\n",
         false, Read_Error(1), {"[0,0]-->[10,0]"}, Start_Bounds()},
        {"TagAfterLineOfBlanks", "<WALLS>\n[0,0]->[10,0]\n \n<AREA>\n[5,5]\n", false,
         Read_Error(2), {"[0,0]-->[10,0]"}, Start_Bounds()},
        {"LineFeedsInsideItemsNotCounted",
         "<WALLS>\n\n\n[0,0]->\n[10,0]\n[0,20]->[10,20]\n(0,40)->(10,40)\n", false, Read_Error(3),
         {"[0,0]-->[10,0]", "[0,20]-->[10,20]"}, Start_Bounds()},
        {"EmptyLinesBetweenItemsCounted",
         "\n\n<WALLS>\n[0,0]->[10,0]\n\n\n[0,20]->[10,20\n", false, Read_Error(6),
         {"[0,0]-->[10,0]"}, Start_Bounds()},

        // Numbers outside [-COORD_LIMIT, COORD_LIMIT] or beyond a 32-bit int.
        {"NumberJustAboveLimit", "<WALLS>\n[0,0]->[10,0]\n[0,100000001]->[10,100000001]\n", false,
         Read_Error(2), {"[0,0]-->[10,0]"}, Start_Bounds()},
        {"NumberJustBelowLimit", "<WALLS>\n[-100000001,0]->[0,0]\n", false, Read_Error(1), {},
         Start_Bounds()},
        {"NumberBeyondLimitInSecondPoint", "<WALLS>\n[0,0]->[0,-100000001]\n", false,
         Read_Error(1), {}, Start_Bounds()},
        {"AreaNumberBeyondLimit", "<AREA>\n[100000001,10]\n", false, Read_Error(1), {},
         Start_Bounds()},
        {"NumberJustAboveInt32", "<AREA>\n[2147483648,5]\n", false, Read_Error(1), {},
         Start_Bounds()},
        {"NumberJustBelowInt32", "<WALLS>\n[-2147483649,0]->[0,0]\n", false, Read_Error(1), {},
         Start_Bounds()},
        {"NumberOfTwentyDigits", "<WALLS>\n[0,0]->[99999999999999999999,0]\n", false,
         Read_Error(1), {}, Start_Bounds()},
    };
    return cases;
}

enum class Line_Ending { LF, CRLF };

class LevelLoaderFile : public ::testing::TestWithParam<std::tuple<Load_Case, Line_Ending>> {};

TEST_P(LevelLoaderFile, ResultMessagesWallsAndBounds) {
    const Load_Case& c = std::get<0>(GetParam());
    const Line_Ending ending = std::get<1>(GetParam());
    const std::string text = ending == Line_Ending::CRLF ? To_Crlf(c.text) : c.text;
    const std::string file = Write_Temp_File(
        std::string("level_") + c.name + (ending == Line_Ending::CRLF ? "_crlf" : "_lf") + ".txt",
        text);

    cBounds_Guard guard(Start_Bounds());
    cGame_World world;
    const Load_Outcome out = Load_File(file, &world);

    EXPECT_EQ(out.result, c.result);
    EXPECT_EQ(out.output, Replace_All(c.output, FILE_NAME, file));
    EXPECT_EQ(Walls_Of(world), c.walls);
    EXPECT_EQ(WORLD_BOUNDS, c.bounds) << "WORLD_BOUNDS is " << WORLD_BOUNDS;
}

INSTANTIATE_TEST_SUITE_P(
    LevelLoader, LevelLoaderFile,
    ::testing::Combine(::testing::ValuesIn(Load_Cases()),
                       ::testing::Values(Line_Ending::LF, Line_Ending::CRLF)),
    [](const ::testing::TestParamInfo<LevelLoaderFile::ParamType>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == Line_Ending::CRLF ? "_CRLF" : "_LF");
    });

// A tag line is known only when its whole text is "<AREA>" or "<WALLS>", so
// "<WALLS>" followed by a NUL byte and more characters is an unknown tag that
// stops the reading silently; a comparison that ends at the NUL byte would
// read the walls.
TEST(LevelLoader, TagLineWithNulByteInsideIsUnknownTag) {
    const std::string text("<WALLS>\0junk\n[0,0]->[10,0]\n", 27);
    ASSERT_EQ(text.size(), 27u);
    const std::string file = Write_Temp_File("level_tag_with_nul.txt", text);
    cGame_World world;
    const Load_Outcome out = Load_File(file, &world);

    EXPECT_FALSE(out.result);
    EXPECT_EQ(out.output, "");
    EXPECT_EQ(world.Root, nullptr);
    EXPECT_EQ(world.N_Nodes, 0);
}

// ------------------------------------------------------------ open failures

struct Open_Case {
    const char* name;
    std::string file_name;
    bool null_world;
};

std::ostream& operator<<(std::ostream& os, const Open_Case& c) { return os << c.name; }

std::string Without_Trailing_Slash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// The file of the null-world case exists and would change WORLD_BOUNDS if it
// were read.
const char READABLE_LEVEL[] = "<AREA>\n[300,300]\n<WALLS>\n[0,0]->[10,0]\n";

class LevelLoaderOpenError : public ::testing::TestWithParam<Open_Case> {};

TEST_P(LevelLoaderOpenError, ReportedAndNothingChanges) {
    const Open_Case& c = GetParam();
    std::string file_name = c.file_name;
    if (c.null_world) file_name = Write_Temp_File("level_for_null_world.txt", READABLE_LEVEL);

    cBounds_Guard guard(Start_Bounds());
    cGame_World world;
    const Load_Outcome out = Load_File(file_name, c.null_world ? nullptr : &world);

    EXPECT_FALSE(out.result);
    EXPECT_EQ(out.output, Open_Error(file_name));
    EXPECT_EQ(WORLD_BOUNDS, Start_Bounds()) << "WORLD_BOUNDS is " << WORLD_BOUNDS;
    EXPECT_EQ(world.Root, nullptr);
    EXPECT_EQ(world.N_Nodes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    LevelLoader, LevelLoaderOpenError,
    ::testing::Values(
        Open_Case{"MissingFile", ::testing::TempDir() + "no_such_level.txt", false},
        Open_Case{"MissingRelativeName", "no/such/dir/level.txt", false},
        Open_Case{"EmptyName", "", false},
        Open_Case{"Directory", ::testing::TempDir(), false},
        Open_Case{"DirectoryWithoutSlash", Without_Trailing_Slash(::testing::TempDir()), false},
        Open_Case{"NullWorld", "", true}),
    [](const ::testing::TestParamInfo<Open_Case>& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ the world's tree

// The first wall read becomes the root divider; the next one hangs below it
// on the side it lies on. Loading does not build the world.
TEST(LevelLoader, ExampleLevelInsertsWallsIntoTreeInFileOrder) {
    const std::string file = Write_Temp_File(
        "level_example_tree.txt", "<AREA>\n[200,100]\n<WALLS>\n[0,50]->[60,50]\n\n[60,0]->[60,30]\n");
    cBounds_Guard guard(Start_Bounds());
    cGame_World world;
    const Load_Outcome out = Load_File(file, &world);

    ASSERT_TRUE(out.result);
    EXPECT_EQ(out.output, "");
    EXPECT_EQ(WORLD_BOUNDS, Rect(0, 0, 200, 100));
    EXPECT_EQ(world.N_Nodes, 2);
    ASSERT_NE(world.Root, nullptr);
    EXPECT_EQ(world.Root->Id, 0);
    EXPECT_EQ(world.Root->Item.p0, cPoint2D(0, 50));
    EXPECT_EQ(world.Root->Item.p1, cPoint2D(60, 50));
    EXPECT_TRUE(world.Root->Item.Horizontal);
    // (60,0)-(60,30) lies on the smaller-y side of the root's line.
    ASSERT_NE(world.Root->Front, nullptr);
    EXPECT_EQ(world.Root->Back, nullptr);
    EXPECT_EQ(world.Root->Front->Id, 1);
    EXPECT_EQ(world.Root->Front->Item.p0, cPoint2D(60, 0));
    EXPECT_EQ(world.Root->Front->Item.p1, cPoint2D(60, 30));
    EXPECT_FALSE(world.Root->Front->Item.Horizontal);
    EXPECT_TRUE(world.Root->Line_Walls.empty());
    EXPECT_FALSE(world.Squares_Done);
    EXPECT_TRUE(world.Areas.empty());
}

// A wall with a doorway: the second half lies on the first half's line and
// must be kept with that node, without a new node and without a message.
TEST(LevelLoader, WallOnRootLineKeptInLineWalls) {
    const std::string file =
        Write_Temp_File("level_doorway.txt", "<WALLS>\n[0,50]->[40,50]\n[60,50]->[100,50]\n");
    cGame_World world;
    const Load_Outcome out = Load_File(file, &world);

    ASSERT_TRUE(out.result);
    EXPECT_EQ(out.output, "");
    EXPECT_EQ(world.N_Nodes, 1);
    ASSERT_NE(world.Root, nullptr);
    EXPECT_EQ(world.Root->Front, nullptr);
    EXPECT_EQ(world.Root->Back, nullptr);
    ASSERT_EQ(world.Root->Line_Walls.size(), 1u);
    EXPECT_EQ(world.Root->Line_Walls[0].p0, cPoint2D(60, 50));
    EXPECT_EQ(world.Root->Line_Walls[0].p1, cPoint2D(100, 50));
}

// A wall split by the root: its front piece reaches a deeper divider whose
// line it lies on and is kept there; its back piece makes a new node.
TEST(LevelLoader, SplitPieceOnDeeperDividerLineKeptInLineWalls) {
    const std::string file = Write_Temp_File(
        "level_split_piece.txt", "<WALLS>\n[50,0]->[50,100]\n[0,20]->[40,20]\n[0,20]->[100,20]\n");
    cGame_World world;
    const Load_Outcome out = Load_File(file, &world);

    ASSERT_TRUE(out.result);
    EXPECT_EQ(out.output, "");
    EXPECT_EQ(world.N_Nodes, 3);
    ASSERT_NE(world.Root, nullptr);
    EXPECT_TRUE(world.Root->Line_Walls.empty());
    ASSERT_NE(world.Root->Front, nullptr);
    EXPECT_EQ(Text_Of(world.Root->Front->Item), "[0,20]-->[40,20]");
    ASSERT_EQ(world.Root->Front->Line_Walls.size(), 1u);
    EXPECT_EQ(Text_Of(world.Root->Front->Line_Walls[0]), "[0,20]-->[50,20]");
    ASSERT_NE(world.Root->Back, nullptr);
    EXPECT_EQ(world.Root->Back->Id, 2);
    EXPECT_EQ(Text_Of(world.Root->Back->Item), "[50,20]-->[100,20]");
}

// ------------------------------------------------------------ Read_Point

// A point's coordinates are written only for the numbers that were read
// (and accepted); the first failure ends the point.
TEST(LevelLoader, ReadPointWritesOnlyTheNumbersItRead) {
    struct Case {
        const char* text;
        bool result;
        int x, y;  // expected, starting from x = y = -7
    };
    const Case cases[] = {
        {"[3,4]", true, 3, 4},
        {" [ -3 , +4 ] ", true, -3, 4},
        {"[3,4", false, 3, 4},
        {"[3,x]", false, 3, -7},
        {"[x,4]", false, -7, -7},
        {"(3,4)", false, -7, -7},
        {"[3;4]", false, 3, -7},
        {"[100000001,4]", false, -7, -7},
        {"[3,-100000001]", false, 3, -7},
        {"[2147483648,4]", false, -7, -7},
        {"", false, -7, -7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::istringstream in(c.text);
        int x = -7, y = -7;
        cLevel_Loader loader;
        EXPECT_EQ(loader.Read_Point(x, y, in), c.result);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }
}

}  // namespace
