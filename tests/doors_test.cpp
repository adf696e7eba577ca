// Doors: stretches of wall that open and close on a built world. A closed
// door is a wall for every query; an open one is no obstacle. The oracle is
// a world built afresh from the walls and the closed doors as walls: the same
// answers to every query (shortest routes of several agent sizes included),
// and with every door closed the same routes of Find_Path.
//
// The number of random levels is DOOR_LEVELS (default 300), the first seed
// DOOR_LEVELS_SEED (default 1).
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "level_loader.h"
#include "random_level.h"
#include "route/route_mesh.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

// ------------------------------------------------------------ hand-made levels

struct cDoor_Query {
    enum { PATH, SEGMENT, BALL } Kind;
    cPoint2D A, B;     // path or segment ends; A and B.x = radius for a ball
    bool Closed, Open; // the answer with the doors closed, and with the listed doors open
};

struct cDoor_Level {
    const char* Name;
    std::vector<cWall_Coords> Walls;
    std::vector<cWall_Coords> Doors;
    std::vector<int> Opened;  // the doors opened for the second answers
    std::vector<cDoor_Query> Queries;
};

cDoor_Query Path(int x1, int y1, int x2, int y2, bool closed, bool open) {
    return {cDoor_Query::PATH, cPoint2D(x1, y1), cPoint2D(x2, y2), closed, open};
}
cDoor_Query Segment(int x1, int y1, int x2, int y2, bool closed, bool open) {
    return {cDoor_Query::SEGMENT, cPoint2D(x1, y1), cPoint2D(x2, y2), closed, open};
}
cDoor_Query Ball(int x, int y, int r, bool closed, bool open) {
    return {cDoor_Query::BALL, cPoint2D(x, y), cPoint2D(r, 0), closed, open};
}

bool Answer(const cGame_World& world, const cDoor_Query& q) {
    std::vector<cPoint2D> path;
    cPoint2D hit;
    switch (q.Kind) {
    case cDoor_Query::PATH:
        return world.Find_Path(q.A, q.B, path);
    case cDoor_Query::SEGMENT:
        return world.Intersect_Segment(cSeg(q.A, q.B), hit);
    default:
        return world.Intersect_Ball(q.A.x, q.A.y, q.B.x);
    }
}

const cDoor_Level DOOR_LEVELS[] = {
    {"DoorInACorridor",
     {{50, 0, 50, 40}, {50, 60, 50, 100}},
     {{50, 40, 50, 60}},
     {0},
     {Path(10, 50, 90, 50, false, true), Segment(10, 50, 90, 50, true, false), Ball(48, 50, 3, true, false),
      Ball(50, 39, 2, true, true)}},
    {"TwoDoorsInOneSide",
     {{50, 0, 50, 10}, {50, 30, 50, 70}, {50, 90, 50, 100}},
     {{50, 10, 50, 30}, {50, 70, 50, 90}},
     {1},
     {Path(10, 20, 90, 20, false, true), Segment(10, 20, 90, 20, true, true), Segment(10, 80, 90, 80, true, false),
      Ball(51, 20, 2, true, true), Ball(51, 80, 2, true, false)}},
    {"DoorOnTheWorldsBorderLine",
     {{0, 50, 100, 50}},
     {{0, 0, 100, 0}},
     {0},
     {Path(50, 10, 50, 90, false, false), Path(10, 10, 90, 40, true, true), Ball(50, 1, 2, true, false),
      Segment(50, 10, 50, 0, true, false)}},
    {"DoorCrossingAWall",
     {{50, 0, 50, 100}},
     {{0, 50, 100, 50}},
     {0},
     {Path(25, 25, 25, 75, false, true), Path(25, 25, 75, 75, false, false), Segment(25, 25, 25, 75, true, false),
      Segment(75, 75, 75, 25, true, false), Ball(25, 52, 3, true, false)}},
    {"DoorOneUnitLong",
     {{50, 0, 50, 50}, {50, 51, 50, 100}},
     {{50, 50, 50, 51}},
     {0},
     {Path(10, 10, 90, 10, false, true), Path(10, 90, 90, 90, false, true), Segment(40, 50, 60, 51, true, true),
      Ball(50, 49, 1, true, true)}},
    {"DoorCoveringAWholeSide",
     {{20, 20, 40, 20}, {20, 40, 40, 40}, {20, 20, 20, 40}},
     {{40, 20, 40, 40}},
     {0},
     {Path(30, 30, 70, 70, false, true), Path(70, 70, 90, 10, true, true), Segment(30, 30, 60, 30, true, false),
      Ball(45, 30, 6, true, false)}},
};

class Doors : public ::testing::TestWithParam<std::tuple<int, cEngine>> {};

TEST_P(Doors, QueriesBeforeAndAfterOpeningAndClosing) {
    const cDoor_Level& level = DOOR_LEVELS[std::get<0>(GetParam())];
    cGame_World world(std::get<1>(GetParam()));
    for (const cWall_Coords& w : level.Walls) ASSERT_EQ(world.Insert(Wall(w)), INSERT_DONE);
    for (const cWall_Coords& d : level.Doors) ASSERT_EQ(world.Add_Door(Wall(d)), INSERT_DONE);
    ASSERT_EQ(world.Build(), BUILD_DONE);
    for (int round = 0; round < 2; ++round) {
        for (const cDoor_Query& q : level.Queries)
            EXPECT_EQ(Answer(world, q), q.Closed) << "closed, round " << round << ", query " << q.A << " " << q.B;
        for (int d : level.Opened) ASSERT_TRUE(world.Set_Door(d, true));
        for (const cDoor_Query& q : level.Queries)
            EXPECT_EQ(Answer(world, q), q.Open) << "open, round " << round << ", query " << q.A << " " << q.B;
        for (int d : level.Opened) ASSERT_TRUE(world.Set_Door(d, false));
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, Doors,
                         ::testing::Combine(::testing::Range(0, int(sizeof DOOR_LEVELS / sizeof DOOR_LEVELS[0])),
                                            ::testing::Values(cEngine::FAST, cEngine::REFERENCE)),
                         [](const ::testing::TestParamInfo<std::tuple<int, cEngine>>& info) {
                             return Case_And_Engine_Name(DOOR_LEVELS, info);
                         });

TEST(DoorApi, NumbersStatesAndRefusals) {
    cCapture_Messages quiet;
    cGame_World world;
    EXPECT_EQ(world.Add_Door(Wall(10, 0, 10, 20)), INSERT_DONE);
    EXPECT_EQ(world.Add_Door(Wall(0, 0, 10, 10)), INSERT_NOT_HV);
    EXPECT_EQ(world.N_Doors(), 1);
    EXPECT_FALSE(world.Set_Door(1, true));
    EXPECT_FALSE(world.Set_Door(-1, true));
    EXPECT_FALSE(world.Is_Door_Open(0));
    ASSERT_EQ(world.Build(), BUILD_DONE);
    EXPECT_EQ(world.Add_Door(Wall(20, 0, 20, 20)), INSERT_ALREADY_BUILT);
    EXPECT_TRUE(world.Set_Door(0, true));
    EXPECT_TRUE(world.Is_Door_Open(0));
    EXPECT_FALSE(world.Is_Door_Open(5));
    EXPECT_EQ(world.Door_Pieces(0), 1);  // one open stretch, between the two halves of the world
}

TEST(DoorApi, LoadedFromALevelFile) {
    cBounds_Guard bounds(DEFAULT_WORLD_BOUNDS);
    std::istringstream text("<AREA>\n[100,100]\n<WALLS>\n[50,0]->[50,40]\n[50,60]->[50,100]\n<DOORS>\n"
                            "[50,40]->[50,60]\n");
    cGame_World world;
    cLevel_Loader loader;
    ASSERT_TRUE(loader.Load(text, "doors.txt", &world));
    ASSERT_EQ(world.N_Doors(), 1);
    ASSERT_EQ(world.Build(), BUILD_DONE);
    std::vector<cPoint2D> path;
    EXPECT_FALSE(world.Find_Path(cPoint2D(10, 50), cPoint2D(90, 50), path));
    world.Set_Door(0, true);
    EXPECT_TRUE(world.Find_Path(cPoint2D(10, 50), cPoint2D(90, 50), path));
}

// A grid of 10 x 10 rooms 40 units wide; each wall between two rooms has a
// door 20 units wide in its middle. Half of the doors are open.
TEST(Engines, ThreadsQueryAWorldWithDoorsAtOnce) {
    cBounds_Guard bounds(Rect(0, 0, 400, 400));
    cGame_World world;
    for (int i = 1; i < 10; ++i)
        for (int j = 0; j < 10; ++j) {
            const int a = 40 * i, b = 40 * j;
            world.Insert(Wall(a, b, a, b + 10));
            world.Insert(Wall(a, b + 30, a, b + 40));
            world.Insert(Wall(b, a, b + 10, a));
            world.Insert(Wall(b + 30, a, b + 40, a));
            world.Add_Door(Wall(a, b + 10, a, b + 30));
            world.Add_Door(Wall(b + 10, a, b + 30, a));
        }
    ASSERT_EQ(world.Build(), BUILD_DONE);
    std::mt19937 rng(5);
    for (int d = 0; d < world.N_Doors(); ++d) world.Set_Door(d, (rng() & 1) != 0);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<std::pair<cPoint2D, cPoint2D>> queries;
    for (int q = 0; q < 200; ++q)
        queries.push_back({cPoint2D(pick(0, 400), pick(0, 400)), cPoint2D(pick(0, 400), pick(0, 400))});
    auto answer = [&world](const std::pair<cPoint2D, cPoint2D>& q) {
        std::ostringstream out;
        std::vector<cPoint2D> path;
        out << world.Find_Path(q.first, q.second, path);
        for (const cPoint2D& p : path) out << p;
        cPoint2D hit;
        out << ' ' << world.Intersect_Segment(cSeg(q.first, q.second), hit) << hit << ' '
            << world.Intersect_Ball(q.first.x, q.first.y, 12);
        double length = 0;
        out << ' ' << int(world.Find_Shortest_Path(q.first, q.second, q.first.x % 3, path, &length)) << ' ' << length;
        return out.str();
    };
    Expect_Same_Answers_From_Threads(queries, answer);
}

// ------------------------------------------------------------ random levels

// A random level whose walls are partly doors, in one insertion order.
struct cMixed_Level {
    cRect2D Bounds;
    std::vector<cHV_Wall> Pieces;  // walls and doors, in insertion order
    std::vector<bool> Is_Door;
};

std::string Describe(const cMixed_Level& mixed, const std::vector<unsigned char>& open) {
    std::ostringstream out;
    out << "bounds " << mixed.Bounds << "\n";
    int d = 0;
    for (std::size_t i = 0; i < mixed.Pieces.size(); ++i) {
        out << mixed.Pieces[i].p0 << "->" << mixed.Pieces[i].p1;
        if (mixed.Is_Door[i]) out << " door " << d << (open[std::size_t(d)] ? " open" : " closed"), ++d;
        out << "\n";
    }
    return out.str();
}

// The world with the doors, built.
void Build_With_Doors(const cMixed_Level& mixed, cGame_World& world) {
    cCapture_Messages quiet;
    cBounds_Guard bounds(mixed.Bounds);
    for (std::size_t i = 0; i < mixed.Pieces.size(); ++i)
        if (mixed.Is_Door[i])
            world.Add_Door(mixed.Pieces[i]);
        else
            world.Insert(mixed.Pieces[i]);
    world.Build();
}

// The oracle: the walls and the closed doors, all as walls, in the same order.
void Build_Afresh(const cMixed_Level& mixed, const std::vector<unsigned char>& open, cGame_World& world) {
    cCapture_Messages quiet;
    cBounds_Guard bounds(mixed.Bounds);
    int d = 0;
    for (std::size_t i = 0; i < mixed.Pieces.size(); ++i) {
        if (mixed.Is_Door[i] && open[std::size_t(d++)]) continue;
        world.Insert(mixed.Pieces[i]);
    }
    world.Build();
}

bool On_Any_Piece(const cMixed_Level& mixed, const cPoint2D& p) {
    for (const cHV_Wall& w : mixed.Pieces)
        if (Square_Distance_To_Box(w.p0, w.p1, p) == 0) return true;
    return false;
}

bool In_Flat_Area(const cGame_World& world, const cPoint2D& p) {
    const cSquarePortal* area = world.Area_At(p);
    return area != nullptr && (area->Bounds.Min.x == area->Bounds.Max.x || area->Bounds.Min.y == area->Bounds.Max.y);
}

TEST(DoorsOnRandomLevels, EveryAnswerEqualsAWorldBuiltAfresh) {
    const int levels = Env_Setting("DOOR_LEVELS", 300);
    const unsigned first_seed = unsigned(Env_Setting("DOOR_LEVELS_SEED", 1));
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        std::mt19937 rng(seed * 7919u + 13u);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        cLevel_Maker maker(seed);
        const cLevel level = pick(0, 3) == 0 ? maker.Make() : maker.Make_Small(40, 14);
        cMixed_Level mixed;
        mixed.Bounds = level.Bounds;
        for (const cHV_Wall& w : level.Walls) {
            mixed.Pieces.push_back(w);
            mixed.Is_Door.push_back(pick(0, 2) == 0);
        }
        int n_doors = 0;
        for (bool d : mixed.Is_Door) n_doors += d ? 1 : 0;

        cGame_World fast(cEngine::FAST), reference(cEngine::REFERENCE);
        Build_With_Doors(mixed, fast);
        Build_With_Doors(mixed, reference);
        ASSERT_TRUE(fast.Is_Built()) << "seed " << seed;
        std::vector<unsigned char> open(std::size_t(n_doors), 0);

        const cRect2D& b = mixed.Bounds;
        auto point = [&] { return cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y)); };
        const int span = std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y);
        for (int change = 0; change < 4; ++change) {
            if (change > 0 && n_doors > 0) {
                // Flip a few doors; the last round closes them all again.
                for (int k = pick(1, 3); k > 0; --k) {
                    const int d = pick(0, n_doors - 1);
                    open[std::size_t(d)] = change == 3 ? 0 : !open[std::size_t(d)];
                }
                if (change == 3) std::fill(open.begin(), open.end(), 0);
                for (int d = 0; d < n_doors; ++d) {
                    fast.Set_Door(d, open[std::size_t(d)] != 0);
                    reference.Set_Door(d, open[std::size_t(d)] != 0);
                }
            }
            cGame_World afresh(cEngine::FAST);
            Build_Afresh(mixed, open, afresh);
            const bool all_closed = std::find(open.begin(), open.end(), 1) == open.end();
            const std::string where = "seed " + std::to_string(seed) + "\n" + Describe(mixed, open);
            for (int q = 0; q < 30; ++q) {
                const cPoint2D a = point(), c = point();
                std::vector<cPoint2D> fast_path, reference_path, afresh_path;
                const bool found = fast.Find_Path(a, c, fast_path);
                ASSERT_EQ(found, reference.Find_Path(a, c, reference_path)) << where << a << " to " << c;
                ASSERT_EQ(fast_path, reference_path) << where << a << " to " << c;
                const bool afresh_found = afresh.Find_Path(a, c, afresh_path);
                // With every door closed the world is the afresh one, route
                // for route; otherwise the routes differ but not whether one
                // exists, for points off every wall and door (a point where
                // walls cross belongs to whichever area the tree gives it)
                // and out of areas of zero width or height (a wall or door
                // on the world's border line leaves one along the border,
                // and it holds the border's points beyond the wall too).
                if (all_closed) {
                    ASSERT_EQ(fast_path, afresh_path) << where << a << " to " << c;
                } else if (!On_Any_Piece(mixed, a) && !On_Any_Piece(mixed, c) && !In_Flat_Area(fast, a) &&
                           !In_Flat_Area(fast, c) && !In_Flat_Area(afresh, a) && !In_Flat_Area(afresh, c)) {
                    ASSERT_EQ(found, afresh_found) << where << "path " << a << " to " << c;
                }

                cPoint2D fast_hit(-1, -1), reference_hit(-1, -1), afresh_hit(-1, -1);
                const bool hit = fast.Intersect_Segment(cSeg(a, c), fast_hit);
                ASSERT_EQ(hit, reference.Intersect_Segment(cSeg(a, c), reference_hit)) << where << a << " to " << c;
                ASSERT_EQ(fast_hit, reference_hit) << where << a << " to " << c;
                // Two points in one area answer no hit without a walk; the
                // two worlds' areas differ, so compare where both walk.
                if (fast.Area_At(a) != fast.Area_At(c) && afresh.Area_At(a) != afresh.Area_At(c)) {
                    ASSERT_EQ(hit, afresh.Intersect_Segment(cSeg(a, c), afresh_hit)) << where << "segment " << a << c;
                    ASSERT_EQ(fast_hit, afresh_hit) << where << "segment " << a << " to " << c;
                }

                // Shortest routes do not depend on the areas: the same
                // status and length for every agent size.
                for (int h = 0; h <= 2 && span <= 200; ++h) {
                    double length = -1, afresh_length = -1;
                    const ROUTE_STATUS status = fast.Find_Shortest_Path(a, c, h, fast_path, &length);
                    const ROUTE_STATUS afresh_status = afresh.Find_Shortest_Path(a, c, h, afresh_path, &afresh_length);
                    ASSERT_EQ(status, afresh_status) << where << "route " << a << " to " << c << " h " << h;
                    ASSERT_NEAR(length, afresh_length, 1e-9 * std::max(1.0, afresh_length))
                        << where << "route " << a << " to " << c << " h " << h;
                }

                const int r = pick(0, std::max(1, span / 3));
                const bool touch = fast.Intersect_Ball(a.x, a.y, r);
                ASSERT_EQ(touch, reference.Intersect_Ball(a.x, a.y, r)) << where << "ball " << a << " " << r;
                ASSERT_EQ(touch, afresh.Intersect_Ball(a.x, a.y, r)) << where << "ball " << a << " " << r;
            }
        }
    }
}

}  // namespace

// Doors nested in each other leave cells of the shortest routes' free space
// under more doors than a cell lists: those find the doors over them by
// their boxes, and route like the level built with the closed doors as walls.
TEST(DoorsNested, ManyDoorsOverOneCellRouteAsWalls) {
    const int n = 3 * MESH_DOOR_LIST;
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        std::vector<unsigned char> open(std::size_t(n), 0);
        for (unsigned char& o : open) o = std::uniform_int_distribution<int>(0, 3)(rng) != 0;
        cGame_World doors, walls;
        for (cGame_World* w : {&doors, &walls}) w->Set_Bounds(Rect(0, 0, 100, n + 2));
        for (int i = 0; i < n; ++i) {
            // Door i covers x = 50 from y = i up to the top; the closed ones
            // are walls in the other world.
            doors.Add_Door(Wall(50, i, 50, n + 1));
            if (!open[std::size_t(i)]) walls.Insert(Wall(50, i, 50, n + 1));
        }
        walls.Insert(Wall(0, n + 1, 1, n + 1));  // a world needs a wall
        doors.Insert(Wall(0, n + 1, 1, n + 1));
        ASSERT_EQ(doors.Build(), BUILD_DONE);
        ASSERT_EQ(walls.Build(), BUILD_DONE);
        for (int i = 0; i < n; ++i) doors.Set_Door(i, open[std::size_t(i)] != 0);
        for (int h : {0, 1}) {
            for (int y = 0; y <= n + 1; y += 3) {
                std::vector<cPoint2D> a_path, b_path;
                double a_length = 0, b_length = 0;
                const ROUTE_STATUS a = doors.Find_Shortest_Path(cPoint2D(20, y), cPoint2D(80, n + 1 - y), h, a_path, &a_length);
                const ROUTE_STATUS b = walls.Find_Shortest_Path(cPoint2D(20, y), cPoint2D(80, n + 1 - y), h, b_path, &b_length);
                ASSERT_EQ(a, b) << "round " << round << " h " << h << " y " << y;
                ASSERT_NEAR(a_length, b_length, 1e-9 * (1 + b_length)) << "round " << round << " h " << h << " y " << y;
            }
        }
    }
}
