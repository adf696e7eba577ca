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

using namespace bsp_levels;

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

struct cLoad_Outcome {
    bool Result;
    std::string Output;
};

// Loads the file into world with the library's messages captured.
cLoad_Outcome Load_File(const std::string& file_name, cGame_World* world) {
    cCapture_Messages capture;
    cLevel_Loader loader;
    const bool result = loader.Load(file_name.c_str(), world);
    return {result, capture.str()};
}

// ------------------------------------------------------------ file table

struct cLoad_Case {
    const char* Name;
    std::string Text;                // written with LF line endings
    bool Result;
    std::string Output;              // FILE_NAME stands for the file's name
    std::vector<std::string> Walls;  // as listed by Walls_Of
    cRect2D Bounds;                  // WORLD_BOUNDS after the load
};

std::ostream& operator<<(std::ostream& os, const cLoad_Case& c) { return os << c.Name; }

const std::vector<cLoad_Case>& Load_Cases() {
    static const std::vector<cLoad_Case> cases = {
        // Files that read completely.
        {"ExampleLevel",
         "<AREA>\n[200,100]\n<WALLS>\n[0,50]->[60,50]\n\n[60,0]->[60,30]\n", true, "",
         {"[0,50]-->[60,50]", "[60,0]-->[60,30]"}, Rect(0, 0, 200, 100)},
        {"EmptyFile", "", true, "", {}, Start_Bounds()},
        {"OnlyEmptyLines", "\n\n\n", true, "", {}, Start_Bounds()},
        {"WallsInFileOrder", "<WALLS>\n[0,0]->[10,0]\n[0,20]->[10,20]\n", true, "",
         {"[0,0]-->[10,0]", "[0,20]-->[10,20]"}, Start_Bounds()},
        // Walls on an earlier wall's line, whole or cut, are kept with its
        // node: nothing read is lost.
        {"DoorwayOnTheRootsLine", "<WALLS>\n[0,50]->[40,50]\n[60,50]->[100,50]\n", true, "",
         {"[0,50]-->[40,50]", "[60,50]-->[100,50]"}, Start_Bounds()},
        {"SplitPieceOnADeeperLine", "<WALLS>\n[50,0]->[50,100]\n[0,20]->[40,20]\n[0,20]->[100,20]\n", true, "",
         {"[50,0]-->[50,100]", "[0,20]-->[40,20]", "[0,20]-->[50,20]", "[50,20]-->[100,20]"}, Start_Bounds()},
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
        {"UnknownTag", "<PORTALS>\n[0,0]->[10,0]\n", false, "", {}, Start_Bounds()},
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

enum class cLine_Ending { LF, CRLF };

class LevelLoaderFile : public ::testing::TestWithParam<std::tuple<cLoad_Case, cLine_Ending>> {};

TEST_P(LevelLoaderFile, ResultMessagesWallsAndBounds) {
    const cLoad_Case& c = std::get<0>(GetParam());
    const cLine_Ending ending = std::get<1>(GetParam());
    const std::string text = ending == cLine_Ending::CRLF ? To_Crlf(c.Text) : c.Text;
    const std::string file = Write_Temp_File(
        std::string("level_") + c.Name + (ending == cLine_Ending::CRLF ? "_crlf" : "_lf") + ".txt",
        text);

    cBounds_Guard guard(Start_Bounds());
    cGame_World world;
    const cLoad_Outcome out = Load_File(file, &world);

    EXPECT_EQ(out.Result, c.Result);
    EXPECT_EQ(out.Output, Replace_All(c.Output, FILE_NAME, file));
    EXPECT_EQ(Walls_Of(world), c.Walls);
    EXPECT_EQ(WORLD_BOUNDS, c.Bounds) << "WORLD_BOUNDS is " << WORLD_BOUNDS;
    // Loading inserts the walls and builds nothing.
    EXPECT_FALSE(world.Is_Built());
    EXPECT_FALSE(world.Squares_Done);
    EXPECT_TRUE(world.Areas.empty());
}

INSTANTIATE_TEST_SUITE_P(
    LevelLoader, LevelLoaderFile,
    ::testing::Combine(::testing::ValuesIn(Load_Cases()),
                       ::testing::Values(cLine_Ending::LF, cLine_Ending::CRLF)),
    [](const ::testing::TestParamInfo<LevelLoaderFile::ParamType>& info) {
        return std::string(std::get<0>(info.param).Name) +
               (std::get<1>(info.param) == cLine_Ending::CRLF ? "_CRLF" : "_LF");
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
    const cLoad_Outcome out = Load_File(file, &world);

    EXPECT_FALSE(out.Result);
    EXPECT_EQ(out.Output, "");
    EXPECT_EQ(world.Root, nullptr);
    EXPECT_EQ(world.N_Nodes, 0);
}

// ------------------------------------------------------------ open failures

struct cOpen_Case {
    const char* Name;
    std::string File_Name;
    bool Null_World;
};

std::ostream& operator<<(std::ostream& os, const cOpen_Case& c) { return os << c.Name; }

std::string Without_Trailing_Slash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// The file of the null-world case exists and would change WORLD_BOUNDS if it
// were read.
const char READABLE_LEVEL[] = "<AREA>\n[300,300]\n<WALLS>\n[0,0]->[10,0]\n";

class LevelLoaderOpenError : public ::testing::TestWithParam<cOpen_Case> {};

TEST_P(LevelLoaderOpenError, ReportedAndNothingChanges) {
    const cOpen_Case& c = GetParam();
    std::string file_name = c.File_Name;
    if (c.Null_World) file_name = Write_Temp_File("level_for_null_world.txt", READABLE_LEVEL);

    cBounds_Guard guard(Start_Bounds());
    cGame_World world;
    const cLoad_Outcome out = Load_File(file_name, c.Null_World ? nullptr : &world);

    EXPECT_FALSE(out.Result);
    EXPECT_EQ(out.Output, Open_Error(file_name));
    EXPECT_EQ(WORLD_BOUNDS, Start_Bounds()) << "WORLD_BOUNDS is " << WORLD_BOUNDS;
    EXPECT_EQ(world.Root, nullptr);
    EXPECT_EQ(world.N_Nodes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    LevelLoader, LevelLoaderOpenError,
    ::testing::Values(
        cOpen_Case{"MissingFile", ::testing::TempDir() + "no_such_level.txt", false},
        cOpen_Case{"MissingRelativeName", "no/such/dir/level.txt", false},
        cOpen_Case{"EmptyName", "", false},
        cOpen_Case{"Directory", ::testing::TempDir(), false},
        cOpen_Case{"DirectoryWithoutSlash", Without_Trailing_Slash(::testing::TempDir()), false},
        cOpen_Case{"NullWorld", "", true}),
    [](const ::testing::TestParamInfo<cOpen_Case>& info) { return std::string(info.param.Name); });

// ------------------------------------------------------------ Read_Point

// A point's coordinates are written only for the numbers that were read
// (and accepted); the first failure ends the point.
TEST(LevelLoader, ReadPointWritesOnlyTheNumbersItRead) {
    struct cCase {
        const char* Text;
        bool Result;
        int X, Y;  // expected, starting from x = y = -7
    };
    const cCase cases[] = {
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
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Text);
        std::istringstream in(c.Text);
        int x = -7, y = -7;
        cLevel_Loader loader;
        EXPECT_EQ(loader.Read_Point(x, y, in), c.Result);
        EXPECT_EQ(x, c.X);
        EXPECT_EQ(y, c.Y);
    }
}

}  // namespace
