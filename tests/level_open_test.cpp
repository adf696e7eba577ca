// Worlds that own their rectangle (Load_Level, Set_Bounds), strict reading,
// and the one call from a file to a built world (Open_Level): levels, grid
// maps and Tiled maps, their errors, and many levels loaded on threads at
// once.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "level_open.h"
#include "messages.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

const char* const SMALL = "<AREA>\n[200,100]\n<WALLS>\n[0,50]->[60,50]\n[60,0]->[60,30]\n";

// A world loaded with Load_Level from text and built.
std::unique_ptr<cGame_World> Own_World(const std::string& text, cLoad_Result* result = nullptr) {
    std::unique_ptr<cGame_World> world(new cGame_World());
    const cLoad_Result r = Load_Level_Text(text, "level.txt", *world);
    if (result != nullptr) *result = r;
    world->Build();
    return world;
}

// What a built world answers to a few fixed queries, as text.
std::string Answers(const cGame_World& world) {
    std::ostringstream out;
    const cRect2D b = world.Get_Bounds();
    out << "bounds " << b << " areas " << world.Areas.size() << " portals " << world.Portals.size() << "\n";
    std::vector<cPoint2D> path;
    const cPoint2D a(b.Min.x + 5, b.Min.y + 5), z(b.Max.x - 5, b.Max.y - 5);
    out << "path " << world.Find_Path(a, z, path);
    for (const cPoint2D& p : path) out << " " << p;
    double length = 0;
    out << "\nroute " << world.Find_Shortest_Path(a, z, 2, path, &length) << " " << length << "\n";
    cPoint2D hit;
    out << "segment " << world.Intersect_Segment(cSeg(a, z), hit) << " " << hit << "\n";
    out << "ball " << world.Intersect_Ball((a.x + z.x) / 2, (a.y + z.y) / 2, 20) << "\n";
    return out.str();
}

}  // namespace

// The world owns its rectangle: loading another level before the build, or
// any value of WORLD_BOUNDS, changes nothing; a level without an area item
// gets the default rectangle, as in a fresh program.
TEST(OwnBounds, ALevelLoadedLaterChangesNoOtherWorld) {
    cBounds_Guard guard(Rect(0, 0, 30, 30));
    std::unique_ptr<cGame_World> a(new cGame_World());
    ASSERT_TRUE(Load_Level_Text(SMALL, "a.txt", *a));
    std::unique_ptr<cGame_World> b(new cGame_World());
    ASSERT_TRUE(Load_Level_Text("<AREA>\n[40,40]\n<WALLS>\n[10,0]->[10,20]\n", "b.txt", *b));
    EXPECT_EQ(WORLD_BOUNDS, Rect(0, 0, 30, 30));
    ASSERT_EQ(a->Build(), BUILD_DONE);
    EXPECT_EQ(a->Get_Bounds(), Rect(0, 0, 200, 100));
    EXPECT_EQ(Answers(*a), Answers(*Own_World(SMALL)));

    // Without an area item: the default, whatever came before.
    const std::unique_ptr<cGame_World> c = Own_World("<WALLS>\n[50,0]->[50,40]\n");
    EXPECT_EQ(c->Get_Bounds(), DEFAULT_WORLD_BOUNDS);
    EXPECT_TRUE(c->Is_Built());

    // The described loader keeps writing the process-wide rectangle, which
    // worlds of their own never read.
    cGame_World old_style;
    std::istringstream in("<AREA>\n[70,70]\n<WALLS>\n[10,0]->[10,20]\n");
    ASSERT_TRUE(cLevel_Loader().Load(in, "old.txt", &old_style));
    EXPECT_EQ(WORLD_BOUNDS, Rect(0, 0, 70, 70));
    EXPECT_EQ(Answers(*Own_World(SMALL)), Answers(*a));
}

TEST(OwnBounds, SetBoundsBeforeTheBuildOnly) {
    cGame_World world;
    EXPECT_TRUE(world.Set_Bounds(Rect(0, 0, 50, 20)));
    EXPECT_EQ(world.Get_Bounds(), Rect(0, 0, 50, 20));
    world.Insert(Wall(10, 0, 10, 10));
    ASSERT_EQ(world.Build(), BUILD_DONE);
    EXPECT_FALSE(world.Set_Bounds(Rect(0, 0, 90, 90)));
    EXPECT_EQ(world.Get_Bounds(), Rect(0, 0, 50, 20));
    // A wall outside the world's own rectangle is refused as before.
    cGame_World outside;
    outside.Set_Bounds(Rect(0, 0, 50, 20));
    outside.Insert(Wall(10, 0, 10, 30));
    cCapture_Messages quiet;
    EXPECT_EQ(outside.Build(), BUILD_WALL_OUTSIDE);
    EXPECT_NE(quiet.str().find("lies outside the world [[0,0]<->[50,20]]"), std::string::npos) << quiet.str();
}

// Strict reading: what the described loader lets through with at most a
// message stops Load_Level on its line, and nothing of it enters the world.
TEST(StrictLoad, DroppedItemsAndEmptyTextsAreErrors) {
    struct cCase {
        const char* Name;
        std::string Text;
        LOAD_STATUS Status;
        int Line;
        std::string Reason;
        int Walls_Kept;
    };
    const cCase cases[] = {
        {"diagonal wall", "<WALLS>\n[0,0]->[10,0]\n[0,0]->[10,5]\n[0,20]->[10,20]\n", LOAD_DROPPED_ITEM, 3,
         "wall [0,0]->[10,5] is neither horizontal nor vertical", 1},
        {"zero-length wall", "<WALLS>\n\n[3,3]->[3,3]\n", LOAD_DROPPED_ITEM, 3, "wall [3,3]->[3,3] has zero length", 0},
        {"zero-length door", "<WALLS>\n[0,50]->[100,50]\n<DOORS>\n[20,50]->[20,50]\n", LOAD_DROPPED_ITEM, 4,
         "door [20,50]->[20,50] has zero length", 1},
        {"diagonal door", "<DOORS>\n[20,50]->[30,60]\n", LOAD_DROPPED_ITEM, 2,
         "door [20,50]->[30,60] is neither horizontal nor vertical", 0},
        {"empty file", "", LOAD_NO_LEVEL, 1, "the file is empty: no <AREA>, <WALLS>, <SOLID> or <DOORS> tag", 0},
        {"blank lines only", "\n\n\r\n", LOAD_NO_LEVEL, 1,
         "the file is empty: no <AREA>, <WALLS>, <SOLID> or <DOORS> tag", 0},
        {"a room without walls", "<AREA>\n[40,40]\n", LOAD_DONE, 0, "", 0},
        {"byte order mark", "\xEF\xBB\xBF<WALLS>\n[0,50]->[60,50]\n", LOAD_DONE, 0, "", 1},
        {"byte order mark and CR LF", "\xEF\xBB\xBF<AREA>\r\n[90,90]\r\n<WALLS>\r\n[0,50]->[60,50]\r\n", LOAD_DONE, 0,
         "", 1},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name);
        cCapture_Messages sink;
        cGame_World world;
        const cLoad_Result r = Load_Level_Text(c.Text, "level.txt", world);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_EQ(r.Line, c.Line);
        EXPECT_EQ(r.Reason, c.Reason);
        EXPECT_EQ(int(world.Get_Level_Walls().size()), c.Walls_Kept);
        EXPECT_EQ(world.N_Doors(), 0);
        // Nothing reaches the message sink: the result keeps it.
        EXPECT_EQ(sink.str(), "");
    }
    // Not strict: the described loader's way, the walls' own messages kept.
    cGame_World lenient;
    cLoad_Options options;
    options.Strict = false;
    const cLoad_Result r = Load_Level_Text("<WALLS>\n[0,0]->[10,5]\n[3,3]->[3,3]\n", "l.txt", lenient, options);
    EXPECT_TRUE(r);
    EXPECT_EQ(lenient.Get_Level_Walls().size(), 1u);  // the point; the diagonal one is refused
    EXPECT_NE(r.Messages.find("is not an valid HV_wall"), std::string::npos) << r.Messages;
    EXPECT_NE(r.Messages.find("longueur tres petite"), std::string::npos) << r.Messages;
}

// The byte order mark is no item for the described loader either.
TEST(StrictLoad, ByteOrderMarkInTheDescribedLoader) {
    cBounds_Guard guard(DEFAULT_WORLD_BOUNDS);
    cGame_World world;
    std::istringstream in("\xEF\xBB\xBF<AREA>\n[90,80]\n<WALLS>\n[0,50]->[60,50]\n");
    EXPECT_TRUE(cLevel_Loader().Load(in, "bom.txt", &world));
    EXPECT_EQ(WORLD_BOUNDS, Rect(0, 0, 90, 80));
}

// The loader's error line goes into the result's Messages, not to the sink.
TEST(StrictLoad, MessagesAreKeptInTheResult) {
    cCapture_Messages sink;
    cGame_World world;
    const cLoad_Result r = Load_Level_Text("<WALLS>\n[0,50]->[60,50]\n[0,0]-[10,10]\n", "bad.txt", world);
    EXPECT_EQ(r.Status, LOAD_BAD_ITEM);
    EXPECT_EQ(r.Line, 3);
    EXPECT_EQ(r.Messages, "ERROR while reading file : bad.txt at line 2\n");
    EXPECT_EQ(sink.str(), "");
}

TEST(OpenLevel, EveryFormatInOneCall) {
    struct cCase {
        const char* File;
        cLevel_Format Format;
        int Walls;
        cRect2D Bounds;
    };
    const cCase cases[] = {
        {TEST_LEVELS_DIR "/level_test_pathfinder_4.txt", cLevel_Format::LEVEL, 15, Rect(0, 0, 100, 100)},
        {MAPS_DIR "/arena.map", cLevel_Format::GRID, -1, Rect(0, 0, 490, 490)},
        {TEST_DATA_DIR "/tiled/small_csv.tmx", cLevel_Format::TILED, -1, Rect(0, 0, 0, 0)},
        {TEST_DATA_DIR "/ldtk/platformer.ldtk", cLevel_Format::LDTK, -1, Rect(0, 0, 16, 12)},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.File);
        cCapture_Messages sink;
        const cOpen_Result r = Open_Level(c.File);
        ASSERT_TRUE(r) << r.Error();
        EXPECT_EQ(r.Format, c.Format);
        ASSERT_TRUE(r.World && r.World->Is_Built());
        if (c.Walls >= 0) {
            EXPECT_EQ(int(r.World->Get_Level_Walls().size()), c.Walls);
        }
        if (c.Bounds.Max.x > 0) {
            EXPECT_EQ(r.World->Get_Bounds(), c.Bounds);
        }
        if (c.Format != cLevel_Format::LEVEL) {
            EXPECT_GT(r.World->Get_Solid_Points().size(), 0u);
        }
        EXPECT_EQ(sink.str(), "");
    }
}

// A map opened in one call is the world its imported level file gives.
TEST(OpenLevel, AMapIsTheLevelItsImportWrites) {
    cImported_Level imported;
    std::string error;
    ASSERT_TRUE(Import_Grid_Map(MAPS_DIR "/den012d.map", 10, cWall_Order::BALANCED, true, imported, error)) << error;
    std::ostringstream text;
    Write_Level(text, imported.Width, imported.Height, imported.Walls, &imported.Solid);
    const std::unique_ptr<cGame_World> from_text = Own_World(text.str());
    const cOpen_Result opened = Open_Level(MAPS_DIR "/den012d.map");
    ASSERT_TRUE(opened) << opened.Error();
    EXPECT_EQ(opened.World->N_Solid_Areas, from_text->N_Solid_Areas);
    EXPECT_EQ(Answers(*opened.World), Answers(*from_text));
}

// The importers' notes come back with the level, and the options of each
// map format reach its importer.
TEST(OpenLevel, MapsComeWithTheirNotes) {
    cOpen_Options options;
    options.Ldtk.Level = "Level_1";
    const cOpen_Result ldtk = Open_Level(TEST_DATA_DIR "/ldtk/platformer.ldtk", options);
    ASSERT_TRUE(ldtk) << ldtk.Error();
    EXPECT_EQ(ldtk.World->Get_Bounds(), Rect(0, 0, 16, 8));
    EXPECT_EQ(ldtk.Notes, (std::vector<std::string>{
                              "layer \"CollisionMask\": 1 cell of values 1 blocks",
                              "layer \"Collisions\": 2 cells of values 1 \"walls\", 3 \"solid_platforms\" block"}));
    const cOpen_Result tiled = Open_Level(TEST_DATA_DIR "/tiled/shapes.tmx");
    ASSERT_TRUE(tiled) << tiled.Error();
    ASSERT_EQ(tiled.Notes.size(), 5u);
    EXPECT_EQ(tiled.Notes[2], "layer \"Spawns\": 3 objects skipped");
    options.Ldtk.Values = {"lava"};
    const cOpen_Result refused = Open_Level(TEST_DATA_DIR "/ldtk/platformer.ldtk", options);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.Format, cLevel_Format::LDTK);
    EXPECT_EQ(refused.Reason.rfind("no IntGrid value is named \"lava\"", 0), 0u) << refused.Reason;
}

TEST(OpenLevel, FailuresNameTheFileTheLineAndTheReason) {
    const std::string outside = Write_Temp_File("open_outside.txt", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,40]\n\n[0,30]->[130,30]\n");
    const std::string typo = Write_Temp_File("open_typo.txt", "<AREA>\n[100,100]\n<WALL>\n[10,0]->[10,50]\n");
    const std::string diagonal = Write_Temp_File("open_diagonal.txt", "<WALLS>\n[10,0]->[10,50]\n[0,0]->[5,5]\n");
    const std::string empty = Write_Temp_File("open_empty.txt", "");
    const std::string solid_on_wall =
        Write_Temp_File("open_solid.txt", "<WALLS>\n[50,0]->[50,100]\n<SOLID>\n[10,10]\n[50,30]\n");
    const std::string bad_map = Write_Temp_File("open_bad.map", "type octile\nheight 3\nwidth 2\nmap\n..\n");
    struct cCase {
        std::string File;
        std::string Error;
    };
    const cCase cases[] = {
        {outside, outside + ":6: wall outside the world [0,0]-[100,60]"},
        {typo, typo + ":3: unknown tag '<WALL>'"},
        {diagonal, diagonal + ":3: wall [0,0]->[5,5] is neither horizontal nor vertical"},
        {solid_on_wall, solid_on_wall + ":5: solid point on a wall"},
        {empty, empty + ":1: the file is empty: no <AREA>, <WALLS>, <SOLID> or <DOORS> tag"},
        {bad_map, bad_map + ": the header says height 3 but the file holds 1 row"},
        {"/no/such/file.txt", "/no/such/file.txt: cannot open the file"},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.File);
        cCapture_Messages sink;
        const cOpen_Result r = Open_Level(c.File);
        EXPECT_FALSE(r);
        EXPECT_EQ(r.World, nullptr);
        EXPECT_EQ(r.Error(), c.Error);
        EXPECT_EQ(sink.str(), "");
    }
    // Keep_Partial hands the world back: built from what was read, or unbuilt.
    cOpen_Options options;
    options.Keep_Partial = true;
    const cOpen_Result typo_partial = Open_Level(typo, options);
    EXPECT_FALSE(typo_partial);
    ASSERT_NE(typo_partial.World, nullptr);
    EXPECT_TRUE(typo_partial.World->Is_Built());
    const cOpen_Result outside_partial = Open_Level(outside, options);
    ASSERT_NE(outside_partial.World, nullptr);
    EXPECT_FALSE(outside_partial.World->Is_Built());
    EXPECT_NE(outside_partial.Messages.find("the world is not built"), std::string::npos);
}

TEST(OpenLevel, FormatIsToldByTheContent) {
    const struct {
        const char* Head;
        cLevel_Format Format;
    } cases[] = {
        {"<AREA>\n[10,10]\n", cLevel_Format::LEVEL},
        {"", cLevel_Format::LEVEL},
        {"type octile\nheight 1\nwidth 1\nmap\n.\n", cLevel_Format::GRID},
        {"\xEF\xBB\xBFheight 1\ntype octile\nwidth 1\nmap\r\n.\r\n", cLevel_Format::GRID},
        {"<?xml version=\"1.0\"?>\n<map version=\"1.10\">", cLevel_Format::TILED},
        {"{ \"tiledversion\": \"1.10\" }", cLevel_Format::TILED},
        {"{ \"name\": \"x\" }", cLevel_Format::LEVEL},
        // LDtk projects hold "layers" in their definitions: told first.
        {"{\"__header__\":{\"fileType\":\"LDtk Project JSON\",\"app\": \"LDtk\"},\"defs\":{\"layers\":[]}}",
         cLevel_Format::LDTK},
        {"{\"jsonVersion\":\"1.5.3\",\"defs\":{\"layers\":[]},\"levels\":[]}", cLevel_Format::LDTK},
        {"{\"__header__\":{\"app\":\"Tiled\",\"appAuthor\":\"LDtk\"},\"layers\":[]}", cLevel_Format::TILED},
    };
    for (const auto& c : cases) EXPECT_EQ(Format_Of_Text(c.Head), c.Format) << c.Head;
}

// Several threads each open, build and query a different level at once and
// get exactly the answers each level gives alone (a ThreadSanitizer build
// also checks that nothing is shared).
TEST(ManyLevels, ThreadsOpenBuildAndQueryTheirOwnLevels) {
    std::vector<std::string> files = {
        TEST_LEVELS_DIR "/level_test_pathfinder_1.txt", TEST_LEVELS_DIR "/level_test_pathfinder_2.txt",
        TEST_LEVELS_DIR "/level_test_pathfinder_3.txt", TEST_LEVELS_DIR "/level_test_pathfinder_4.txt",
        TEST_LEVELS_DIR "/level_test_pathfinder_5.txt", TEST_LEVELS_DIR "/level_test_intersections.txt",
        TEST_LEVELS_DIR "/level_test_intersections_2.txt", MAPS_DIR "/arena.map",
    };
    // Some of the self-test's levels have no area item: alone, each gets the
    // default rectangle.
    std::vector<std::string> alone;
    for (const std::string& f : files) {
        const cOpen_Result r = Open_Level(f);
        ASSERT_TRUE(r) << r.Error();
        alone.push_back(Answers(*r.World));
    }
    const int rounds = 3;
    std::vector<std::vector<std::string>> got(files.size());
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < files.size(); ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                const cOpen_Result r = Open_Level(files[(t + std::size_t(i)) % files.size()]);
                got[t].push_back(r ? Answers(*r.World) : r.Error());
            }
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t t = 0; t < files.size(); ++t)
        for (int i = 0; i < rounds; ++i)
            EXPECT_EQ(got[t][std::size_t(i)], alone[(t + std::size_t(i)) % files.size()]) << "thread " << t;
}
