// Edits of a built world: walls and boxes added and removed while the game
// runs. The oracle is a world built afresh from the level's walls and the
// edit walls present, with the same doors in the same states and the same
// solid points: every query answers as it does (routes of Find_Path, hits,
// balls, solid space, shortest routes of sizes prepared before and after
// the edits). Would_Block is held against the brute-force route oracle.
//
// The number of random levels is EDIT_LEVELS (default 200), the first seed
// EDIT_LEVELS_SEED (default 1).
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "random_level.h"
#include "route_oracle.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

// ------------------------------------------------------------ the calls

TEST(EditApi, IdsRefusalsAndWalls) {
    cCapture_Messages quiet;
    cGame_World world;
    world.Set_Bounds(Rect(0, 0, 100, 100));
    world.Insert(Wall(50, 0, 50, 40));
    world.Add_Solid_Point(cPoint2D(90, 90));
    int id = -7;
    EXPECT_EQ(world.Add_Wall(Wall(10, 10, 20, 10), &id), EDIT_NOT_BUILT);
    EXPECT_EQ(id, -7);
    ASSERT_EQ(world.Build(), BUILD_SOLID_EVERYWHERE);
    {
        // The level's build said that its solid points reach everywhere; an
        // edit does not say it again.
        cCapture_Messages edit_messages;
        EXPECT_EQ(world.Add_Wall(Wall(10, 10, 20, 10), &id), EDIT_DONE);
        EXPECT_EQ(edit_messages.str(), "");
    }
    EXPECT_EQ(id, 0);
    EXPECT_EQ(world.Add_Box(cPoint2D(30, 30), cPoint2D(20, 20), &id), EDIT_DONE);
    EXPECT_EQ(id, 1);
    // A box's four sides share its id, from its lower left corner round.
    EXPECT_EQ(world.Edit_Walls(1).size(), 4u);
    EXPECT_EQ(world.Edit_Walls(1)[0].p0, cPoint2D(20, 20));
    struct cRefused {
        const char* What;
        cPoint2D A, B;
        bool Box;
        EDIT_STATUS Status;
    };
    const cRefused refused[] = {
        {"diagonal wall", cPoint2D(0, 0), cPoint2D(10, 10), false, EDIT_NOT_HV},
        {"wall beyond the world", cPoint2D(90, 10), cPoint2D(101, 10), false, EDIT_OUTSIDE},
        {"wall beyond the coordinate range", cPoint2D(-2000000000, 10), cPoint2D(10, 10), false, EDIT_OUTSIDE},
        {"box beyond the world", cPoint2D(-1, 5), cPoint2D(10, 10), true, EDIT_OUTSIDE},
        {"wall through a solid point", cPoint2D(80, 90), cPoint2D(95, 90), false, EDIT_ON_SOLID_POINT},
        {"box round a solid point's corner", cPoint2D(90, 90), cPoint2D(95, 95), true, EDIT_ON_SOLID_POINT},
    };
    for (const cRefused& r : refused) {
        id = -7;
        const EDIT_STATUS s = r.Box ? world.Add_Box(r.A, r.B, &id) : world.Add_Wall(cHV_Wall(r.A, r.B), &id);
        EXPECT_EQ(s, r.Status) << r.What;
        EXPECT_EQ(id, -7) << r.What;
    }
    EXPECT_EQ(world.Edit_Ids(), (std::vector<int>{0, 1}));
    EXPECT_EQ(world.Remove_Edit(0), EDIT_DONE);
    EXPECT_EQ(world.Remove_Edit(0), EDIT_UNKNOWN_ID);
    EXPECT_EQ(world.Remove_Edit(2), EDIT_UNKNOWN_ID);
    EXPECT_EQ(world.Remove_Edit(-1), EDIT_UNKNOWN_ID);
    EXPECT_TRUE(world.Edit_Walls(0).empty());
    // Ids are never given again, not even once every edit is gone.
    EXPECT_EQ(world.Remove_Edit(1), EDIT_DONE);
    EXPECT_EQ(world.Add_Box(cPoint2D(20, 60), cPoint2D(20, 70), &id), EDIT_DONE);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(world.Edit_Walls(2).size(), 1u);  // a box of no width is one wall
    EXPECT_EQ(world.Edit_Count(), 5u);
}

// A corridor along y = 50 between walls at y = 40 and y = 60; the queries
// before any edit, with the edit, and after it is removed again.
struct cEdit_Case {
    const char* Name;
    std::vector<cWall_Coords> Walls;
    std::vector<cWall_Coords> Doors;  // closed
    std::vector<cPoint2D> Solid;
    cWall_Coords Box;  // the edit, a box
    enum { PATH, SEGMENT, BALL, SOLID, ROUTE1 } Kind;
    cPoint2D A, B;  // path, segment or route ends; a ball's centre and (B.x) radius; a solid point
    bool Before, With;
};

const cEdit_Case EDIT_CASES[] = {
    {"BoxClosesTheCorridor", {{0, 40, 100, 40}, {0, 60, 100, 60}}, {}, {}, {45, 40, 55, 60},
     cEdit_Case::PATH, cPoint2D(10, 50), cPoint2D(90, 50), true, false},
    {"BoxLeavesAGapForPoints", {{0, 40, 100, 40}, {0, 60, 100, 60}}, {}, {}, {45, 41, 55, 60},
     cEdit_Case::PATH, cPoint2D(10, 50), cPoint2D(90, 50), true, true},
    {"BoxLeavesNoGapForAnAgent", {{0, 40, 100, 40}, {0, 60, 100, 60}}, {}, {}, {45, 41, 55, 60},
     cEdit_Case::ROUTE1, cPoint2D(10, 50), cPoint2D(90, 50), true, false},
    {"SegmentHitsTheBoxSide", {{0, 40, 100, 40}}, {}, {}, {45, 45, 55, 55},
     cEdit_Case::SEGMENT, cPoint2D(10, 50), cPoint2D(90, 50), false, true},
    {"BallTouchesTheBox", {{0, 10, 100, 10}}, {}, {}, {45, 45, 55, 55},
     cEdit_Case::BALL, cPoint2D(50, 60), cPoint2D(6, 0), false, true},
    {"BoxInsideItsRoomLeavesBallsOut", {{0, 10, 100, 10}}, {}, {}, {40, 40, 60, 60},
     cEdit_Case::BALL, cPoint2D(50, 50), cPoint2D(5, 0), false, false},
    // A wall splits the solid room: the part beyond it is free space.
    {"WallCutsTheRock", {{0, 40, 100, 40}}, {}, {cPoint2D(10, 20)}, {50, 0, 50, 40},
     cEdit_Case::SOLID, cPoint2D(80, 20), cPoint2D(), true, false},
    {"DoorStaysAWallBesideTheBox", {{50, 0, 50, 40}, {50, 60, 50, 100}}, {{50, 40, 50, 60}}, {}, {10, 10, 20, 20},
     cEdit_Case::PATH, cPoint2D(30, 50), cPoint2D(70, 50), false, false},
};

bool Ask(const cGame_World& world, const cEdit_Case& c) {
    std::vector<cPoint2D> path;
    cPoint2D hit;
    switch (c.Kind) {
    case cEdit_Case::PATH:
        return world.Find_Path(c.A, c.B, path);
    case cEdit_Case::SEGMENT:
        return world.Intersect_Segment(cSeg(c.A, c.B), hit);
    case cEdit_Case::BALL:
        return world.Intersect_Ball(c.A.x, c.A.y, c.B.x);
    case cEdit_Case::SOLID:
        return world.Is_Solid(c.A);
    default:
        return world.Find_Shortest_Path(c.A, c.B, 1, path) == ROUTE_FOUND;
    }
}

class Edits : public ::testing::TestWithParam<std::tuple<int, cEngine>> {};

TEST_P(Edits, AnswersBeforeWithAndAfterTheEdit) {
    const cEdit_Case& c = EDIT_CASES[std::get<0>(GetParam())];
    cGame_World world(std::get<1>(GetParam()));
    world.Set_Bounds(Rect(0, 0, 100, 100));
    for (const cWall_Coords& w : c.Walls) world.Insert(Wall(w));
    for (const cWall_Coords& d : c.Doors) world.Add_Door(Wall(d));
    for (const cPoint2D& p : c.Solid) world.Add_Solid_Point(p);
    ASSERT_EQ(world.Build(), BUILD_DONE);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Ask(world, c), c.Before) << "round " << round;
        int id = -1;
        ASSERT_EQ(world.Add_Box(cPoint2D(c.Box.X1, c.Box.Y1), cPoint2D(c.Box.X2, c.Box.Y2), &id), EDIT_DONE);
        EXPECT_EQ(Ask(world, c), c.With) << "round " << round;
        ASSERT_EQ(world.Remove_Edit(id), EDIT_DONE);
    }
    EXPECT_EQ(Ask(world, c), c.Before);
}

INSTANTIATE_TEST_SUITE_P(Cases, Edits,
                         ::testing::Combine(::testing::Range(0, int(sizeof EDIT_CASES / sizeof EDIT_CASES[0])),
                                            ::testing::Values(cEngine::FAST, cEngine::REFERENCE)),
                         [](const ::testing::TestParamInfo<std::tuple<int, cEngine>>& info) {
                             return Case_And_Engine_Name(EDIT_CASES, info);
                         });

TEST(EditApi, RouteFieldGoesStaleOnAnEdit) {
    cGame_World world;
    world.Set_Bounds(Rect(0, 0, 100, 100));
    world.Insert(Wall(0, 40, 100, 40));
    ASSERT_EQ(world.Build(), BUILD_DONE);
    cRoute_Field field;
    ASSERT_EQ(field.Build(world, cPoint2D(90, 90), 1), ROUTE_FOUND);
    std::vector<cPoint2D> path;
    EXPECT_EQ(field.Route(cPoint2D(10, 90), path), ROUTE_FOUND);
    int id = -1;
    ASSERT_EQ(world.Add_Box(cPoint2D(50, 40), cPoint2D(60, 100), &id), EDIT_DONE);
    EXPECT_TRUE(field.Is_Stale());
    EXPECT_EQ(field.Route(cPoint2D(10, 90), path), ROUTE_STALE);
    ASSERT_EQ(field.Build(world, cPoint2D(90, 90), 1), ROUTE_FOUND);
    EXPECT_EQ(field.Route(cPoint2D(10, 90), path), ROUTE_NONE);
    ASSERT_EQ(world.Remove_Edit(id), EDIT_DONE);
    EXPECT_EQ(field.Route(cPoint2D(10, 90), path), ROUTE_STALE);
}

// Solid points that reach everywhere leave no area solid; a box that cuts
// them off from part of the world makes the rest solid, the start with it,
// although the route now keeps clear of the box.
TEST(WouldBlock, BoxThatMakesTheStartSolid) {
    cCapture_Messages quiet;
    cGame_World world;
    world.Set_Bounds(Rect(0, 0, 100, 100));
    world.Insert(Wall(0, 50, 10, 50));
    world.Add_Solid_Point(cPoint2D(90, 90));
    ASSERT_EQ(world.Build(), BUILD_SOLID_EVERYWHERE);
    // Round the solid point: the rock is the box's inside, the start stays free.
    EXPECT_EQ(world.Would_Block(cPoint2D(80, 80), cPoint2D(95, 95), cPoint2D(10, 10), cPoint2D(20, 10), 0),
              BLOCK_OPEN);
    // Beside it: the rock is everything but the box's inside.
    EXPECT_EQ(world.Would_Block(cPoint2D(60, 60), cPoint2D(70, 70), cPoint2D(10, 10), cPoint2D(20, 10), 0),
              BLOCK_CUTS);
}

TEST(WouldBlock, TowerDefenceRule) {
    cCapture_Messages quiet;
    cGame_World world;
    world.Set_Bounds(Rect(0, 0, 100, 100));
    world.Insert(Wall(0, 40, 100, 40));
    world.Insert(Wall(0, 60, 100, 60));
    ASSERT_EQ(world.Build(), BUILD_DONE);
    const cPoint2D s(10, 50), g(90, 50);
    ROUTE_STATUS now = ROUTE_NONE;
    EXPECT_EQ(world.Would_Block(cPoint2D(45, 40), cPoint2D(55, 60), s, g, 0, &now), BLOCK_CUTS);
    EXPECT_EQ(now, ROUTE_FOUND);
    EXPECT_EQ(world.Would_Block(cPoint2D(45, 41), cPoint2D(55, 60), s, g, 0), BLOCK_OPEN);
    EXPECT_EQ(world.Would_Block(cPoint2D(45, 41), cPoint2D(55, 60), s, g, 1), BLOCK_CUTS);
    EXPECT_EQ(world.Would_Block(cPoint2D(5, 45), cPoint2D(15, 55), s, g, 0), BLOCK_CUTS);  // round the start
    EXPECT_EQ(world.Would_Block(cPoint2D(45, 41), cPoint2D(55, 60), s, cPoint2D(50, 80), 0, &now), BLOCK_NO_ROUTE);
    EXPECT_EQ(now, ROUTE_NONE);
    EXPECT_EQ(world.Would_Block(cPoint2D(45, 41), cPoint2D(55, 160), s, g, 0), BLOCK_BAD_BOX);
    EXPECT_EQ(world.Would_Block(cPoint2D(45, 10), cPoint2D(55, 20), s, g, 0), BLOCK_OPEN);  // beside the corridor
    // Nothing changed.
    EXPECT_TRUE(world.Edit_Ids().empty());
    EXPECT_EQ(world.Edit_Count(), 0u);
}

// ------------------------------------------------------------ random levels

struct cEdit_Level {
    cRect2D Bounds;
    std::vector<cHV_Wall> Walls, Doors;
    std::vector<cPoint2D> Solid;
};

std::string Describe(const cEdit_Level& level, const std::map<int, std::vector<cHV_Wall>>& edits,
                     const std::vector<unsigned char>& open) {
    std::ostringstream out;
    out << "bounds " << level.Bounds << "\n";
    for (const cHV_Wall& w : level.Walls) out << w.p0 << "->" << w.p1 << "\n";
    for (std::size_t d = 0; d < level.Doors.size(); ++d)
        out << level.Doors[d].p0 << "->" << level.Doors[d].p1 << " door " << d << (open[d] ? " open\n" : " closed\n");
    for (const cPoint2D& p : level.Solid) out << "solid " << p << "\n";
    for (const auto& e : edits)
        for (const cHV_Wall& w : e.second) out << w.p0 << "->" << w.p1 << " edit " << e.first << "\n";
    return out.str();
}

// The oracle: the level's walls, the edit walls present in the order of
// their ids, the doors and the solid points, built.
void Build_Afresh(const cEdit_Level& level, const std::map<int, std::vector<cHV_Wall>>& edits,
                  const std::vector<unsigned char>& open, cGame_World& world) {
    cCapture_Messages quiet;
    world.Set_Bounds(level.Bounds);
    for (const cHV_Wall& w : level.Walls) world.Insert(w);
    for (const auto& e : edits)
        for (const cHV_Wall& w : e.second) world.Insert(w);
    for (const cHV_Wall& d : level.Doors) world.Add_Door(d);
    for (const cPoint2D& p : level.Solid) world.Add_Solid_Point(p);
    world.Build();
    for (std::size_t d = 0; d < open.size(); ++d) world.Set_Door(int(d), open[d] != 0);
}

bool On_Any(const std::vector<cHV_Wall>& walls, const cPoint2D& p) {
    for (const cHV_Wall& w : walls)
        if (Square_Distance_To_Box(w.p0, w.p1, p) == 0) return true;
    return false;
}

TEST(EditsOnRandomLevels, EveryAnswerEqualsAWorldBuiltAfresh) {
    const int levels = Env_Setting("EDIT_LEVELS", 200);
    const unsigned first_seed = unsigned(Env_Setting("EDIT_LEVELS_SEED", 1));
    int steps = 0, refused = 0, compared = 0;
    int blocks[4] = {0, 0, 0, 0};
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        std::mt19937 rng(seed * 104729u + 7u);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        cLevel_Maker maker(seed);
        const cLevel made = pick(0, 3) == 0 ? maker.Make() : maker.Make_Small(40, 14);
        cEdit_Level level;
        level.Bounds = made.Bounds;
        for (const cHV_Wall& w : made.Walls) (pick(0, 3) == 0 ? level.Doors : level.Walls).push_back(w);
        const cRect2D& b = level.Bounds;
        auto point = [&] { return cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y)); };
        if (pick(0, 2) == 0) {
            const cPoint2D p = point();
            if (!On_Any(level.Walls, p) && !On_Any(level.Doors, p)) level.Solid.push_back(p);
        }
        const int span = std::max(b.Max.x - b.Min.x, b.Max.y - b.Min.y);
        const bool small = span <= 200;

        const cEngine engine = pick(0, 4) == 0 ? cEngine::REFERENCE : cEngine::FAST;
        cGame_World world(engine);
        std::vector<unsigned char> open(level.Doors.size(), 0);
        {
            const std::map<int, std::vector<cHV_Wall>> none;
            Build_Afresh(level, none, open, world);
        }
        ASSERT_TRUE(world.Is_Built()) << "seed " << seed;
        // Sizes 0 and 1 are prepared before the edits, 2 on its first query after them.
        world.Prepare_Agent(0);
        if (small) world.Prepare_Agent(1);

        std::map<int, std::vector<cHV_Wall>> edits;  // the edits present, by id
        int next_id = 0;
        for (int step = 0; step < 8; ++step) {
            ++steps;
            cCapture_Messages quiet;
            const int kind = edits.empty() ? pick(0, 1) : pick(0, 4);
            if (kind <= 1) {
                // A wall or a box, small ones often; now and then a
                // diagonal wall, or one leaving the world.
                const cPoint2D p = point();
                cPoint2D q = point();
                if (kind == 0 && pick(0, 15) != 0) q = pick(0, 1) ? cPoint2D(p.x, q.y) : cPoint2D(q.x, p.y);
                if (pick(0, 3) == 0)
                    q = kind == 0 ? cPoint2D(p.x, p.y + pick(0, 4)) : cPoint2D(p.x + pick(0, 4), p.y + pick(0, 4));
                if (pick(0, 15) == 0) q = cPoint2D(b.Max.x + 1, kind == 0 ? p.y : q.y);
                std::vector<cHV_Wall> walls;
                const cRect2D r(p, q);
                if (kind == 0)
                    walls.push_back(cHV_Wall(p, q));
                else if (r.Min.x == r.Max.x || r.Min.y == r.Max.y)
                    walls.push_back(cHV_Wall(r.Min, r.Max));
                else
                    walls = {cHV_Wall(r.Min, cPoint2D(r.Max.x, r.Min.y)), cHV_Wall(cPoint2D(r.Max.x, r.Min.y), r.Max),
                             cHV_Wall(cPoint2D(r.Min.x, r.Max.y), r.Max), cHV_Wall(r.Min, cPoint2D(r.Min.x, r.Max.y))};
                EDIT_STATUS expected = EDIT_DONE;
                for (const cHV_Wall& w : walls) {
                    if (expected != EDIT_DONE) break;
                    if (w.p0.x != w.p1.x && w.p0.y != w.p1.y)
                        expected = EDIT_NOT_HV;
                    else if (!b.In(w.p0) || !b.In(w.p1))
                        expected = EDIT_OUTSIDE;
                    else if (On_Any({w}, level.Solid.empty() ? cPoint2D(b.Max.x + 5, 0) : level.Solid[0]))
                        expected = EDIT_ON_SOLID_POINT;
                }
                int id = -1;
                const EDIT_STATUS status = kind == 0 ? world.Add_Wall(cHV_Wall(p, q), &id) : world.Add_Box(p, q, &id);
                ASSERT_EQ(status, expected) << "seed " << seed << " step " << step << " " << p << q;
                if (status == EDIT_DONE) {
                    ASSERT_EQ(id, next_id);
                    edits[next_id++] = walls;
                } else {
                    ++refused;
                }
            } else if (kind <= 3) {
                auto it = edits.begin();
                std::advance(it, pick(0, int(edits.size()) - 1));
                ASSERT_EQ(world.Remove_Edit(it->first), EDIT_DONE);
                edits.erase(it);
                ASSERT_EQ(world.Remove_Edit(next_id + 5), EDIT_UNKNOWN_ID);
            } else if (!open.empty()) {
                const int d = pick(0, int(open.size()) - 1);
                open[std::size_t(d)] = !open[std::size_t(d)];
                world.Set_Door(d, open[std::size_t(d)] != 0);
            }

            cGame_World afresh(engine);
            Build_Afresh(level, edits, open, afresh);
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(step) + "\n" +
                                      Describe(level, edits, open);
            for (int q = 0; q < 12; ++q) {
                ++compared;
                const cPoint2D a = point(), c = point();
                std::vector<cPoint2D> path, afresh_path;
                ASSERT_EQ(world.Find_Path(a, c, path), afresh.Find_Path(a, c, afresh_path)) << where << a << c;
                ASSERT_EQ(path, afresh_path) << where << "path " << a << " to " << c;
                cPoint2D hit(-1, -1), afresh_hit(-1, -1);
                const std::int64_t limit = pick(0, 1) ? cSeg(a, c).Get_Square_Length() : pick(0, span * span / 4);
                ASSERT_EQ(world.Intersect_Segment(cSeg(a, c), hit, limit),
                          afresh.Intersect_Segment(cSeg(a, c), afresh_hit, limit)) << where << "segment " << a << c;
                ASSERT_EQ(hit, afresh_hit) << where << "segment " << a << " to " << c;
                const int r = pick(0, std::max(1, span / 3));
                ASSERT_EQ(world.Intersect_Ball(a.x, a.y, r), afresh.Intersect_Ball(a.x, a.y, r)) << where << "ball " << a;
                ASSERT_EQ(world.Is_Solid(a), afresh.Is_Solid(a)) << where << "solid " << a;
                ASSERT_EQ(world.Is_On_Wall(a), afresh.Is_On_Wall(a)) << where << "on wall " << a;
                for (int h = 0; h <= (small ? 2 : 0); ++h) {
                    double length = -1, afresh_length = -1;
                    const ROUTE_STATUS s = world.Find_Shortest_Path(a, c, h, path, &length);
                    ASSERT_EQ(s, afresh.Find_Shortest_Path(a, c, h, afresh_path, &afresh_length))
                        << where << "route " << a << " to " << c << " h " << h;
                    ASSERT_NEAR(length, afresh_length, 1e-9 * std::max(1.0, afresh_length))
                        << where << "route " << a << " to " << c << " h " << h;
                }
                // The newer route queries answer on the edited world too.
                if (small && q < 3) {
                    const int h = pick(0, 2);
                    cRoute_Options partial;
                    partial.Partial = true;
                    double length = -1, afresh_length = -1;
                    ASSERT_EQ(world.Find_Shortest_Path(a, c, h, partial, path, &length),
                              afresh.Find_Shortest_Path(a, c, h, partial, afresh_path, &afresh_length))
                        << where << "partial route " << a << " to " << c << " h " << h;
                    ASSERT_NEAR(length, afresh_length, 1e-9 * std::max(1.0, afresh_length)) << where << "partial";
                    cPoint2D place(-1, -1), afresh_place(-1, -1);
                    ASSERT_EQ(world.Find_Standing_Point(a, h, place), afresh.Find_Standing_Point(a, h, afresh_place))
                        << where << "standing " << a << " h " << h;
                    ASSERT_EQ(place, afresh_place) << where << "standing " << a << " h " << h;
                    int goal = -1, afresh_goal = -1;
                    const std::vector<cPoint2D> goals = {c, point(), point()};
                    ASSERT_EQ(world.Find_Nearest_Goal(a, goals, h, path, &length, &goal),
                              afresh.Find_Nearest_Goal(a, goals, h, afresh_path, &afresh_length, &afresh_goal))
                        << where << "nearest goal from " << a << " h " << h;
                    ASSERT_NEAR(length, afresh_length, 1e-9 * std::max(1.0, afresh_length)) << where << "nearest goal";
                }
            }

            // Would this box block? The world built afresh with the box too
            // tells (solid points and doors included).
            {
                const cPoint2D s0 = point(), g0 = point(), p = point();
                const cPoint2D p2(std::min(b.Max.x, p.x + pick(0, span / 4)), std::min(b.Max.y, p.y + pick(0, span / 4)));
                const int h = small ? pick(0, 2) : 0;
                std::vector<cPoint2D> ignored;
                const ROUTE_STATUS now = afresh.Find_Shortest_Path(s0, g0, h, ignored);
                const cRect2D r(p, p2);
                std::vector<cHV_Wall> box = {cHV_Wall(r.Min, cPoint2D(r.Max.x, r.Min.y)),
                                             cHV_Wall(cPoint2D(r.Max.x, r.Min.y), r.Max),
                                             cHV_Wall(cPoint2D(r.Min.x, r.Max.y), r.Max),
                                             cHV_Wall(r.Min, cPoint2D(r.Min.x, r.Max.y))};
                BLOCK_STATUS expected;
                if (!level.Solid.empty() && On_Any(box, level.Solid[0])) {
                    expected = BLOCK_BAD_BOX;
                } else if (now != ROUTE_FOUND) {
                    expected = BLOCK_NO_ROUTE;
                } else {
                    std::map<int, std::vector<cHV_Wall>> with_box = edits;
                    with_box[next_id + 1000] = box;
                    cGame_World afresh_with_box(engine);
                    Build_Afresh(level, with_box, open, afresh_with_box);
                    expected = afresh_with_box.Find_Shortest_Path(s0, g0, h, ignored) == ROUTE_FOUND ? BLOCK_OPEN
                                                                                                      : BLOCK_CUTS;
                }
                ASSERT_EQ(world.Would_Block(p, p2, s0, g0, h), expected)
                    << where << "would-block " << p << p2 << " from " << s0 << " to " << g0 << " h " << h;
                ++blocks[expected];
            }
        }
    }
    std::printf("edits on random levels: %d levels, %d steps (%d refused), %d points compared; would-block: %d open, "
                "%d cuts, %d without a route, %d bad boxes\n",
                levels, steps, refused, compared, blocks[0], blocks[1], blocks[2], blocks[3]);
}

// Would_Block against the brute-force oracle of shortest routes on small
// levels: the walls, the closed doors and the edits present, with and
// without the box.
TEST(WouldBlockOnRandomLevels, AgreesWithTheRouteOracle) {
    cCapture_Messages quiet;
    const int levels = Env_Setting("EDIT_LEVELS", 200);
    int answers[4] = {0, 0, 0, 0};
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = 5000u + unsigned(n);
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        cLevel_Maker maker(seed);
        const cLevel made = maker.Make_Small(30, 8);
        cGame_World world;
        world.Set_Bounds(made.Bounds);
        std::vector<cHV_Wall> closed;  // walls and closed doors
        std::vector<bool> is_door;
        for (const cHV_Wall& w : made.Walls) {
            is_door.push_back(pick(0, 3) == 0);
            if (is_door.back()) world.Add_Door(w); else world.Insert(w);
        }
        ASSERT_EQ(world.Build(), BUILD_DONE) << "seed " << seed;
        int d = 0;
        for (std::size_t i = 0; i < made.Walls.size(); ++i) {
            const bool open = is_door[i] && pick(0, 1) == 0;
            if (is_door[i]) world.Set_Door(d++, open);
            if (!open) closed.push_back(made.Walls[i]);
        }
        const cRect2D& b = made.Bounds;
        auto point = [&] { return cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y)); };
        if (pick(0, 1) == 0) {
            const cPoint2D p = point(), q(std::min(b.Max.x, p.x + pick(0, 6)), std::min(b.Max.y, p.y + pick(0, 6)));
            ASSERT_EQ(world.Add_Box(p, q), EDIT_DONE);
            for (const cHV_Wall& w : world.Edit_Walls()) closed.push_back(w);
        }
        for (int q = 0; q < 10; ++q) {
            const cPoint2D s = point(), g = point(), p = point();
            const cPoint2D p2(std::min(b.Max.x, p.x + pick(0, 8)), std::min(b.Max.y, p.y + pick(0, 8)));
            const int h = pick(0, 2);
            std::vector<cHV_Wall> with_box(closed);
            const cRect2D r(p, p2);
            for (const cHV_Wall& w : {cHV_Wall(r.Min, cPoint2D(r.Max.x, r.Min.y)), cHV_Wall(cPoint2D(r.Max.x, r.Min.y), r.Max),
                                      cHV_Wall(cPoint2D(r.Min.x, r.Max.y), r.Max), cHV_Wall(r.Min, cPoint2D(r.Min.x, r.Max.y))})
                with_box.push_back(w);
            const bool now = Oracle_Shortest_Route(b, closed, s, g, h).Status == ORACLE_FOUND;
            const bool after = Oracle_Shortest_Route(b, with_box, s, g, h).Status == ORACLE_FOUND;
            const BLOCK_STATUS expected = !now ? BLOCK_NO_ROUTE : after ? BLOCK_OPEN : BLOCK_CUTS;
            ++answers[expected];
            ASSERT_EQ(world.Would_Block(p, p2, s, g, h), expected)
                << "seed " << seed << " box " << p << p2 << " from " << s << " to " << g << " h " << h << "\n"
                << Describe(made);
        }
    }
    std::printf("would-block on random levels: %d open, %d cuts, %d without a route\n", answers[0], answers[1],
                answers[2]);
    EXPECT_GT(answers[BLOCK_CUTS], 0);
}

// Queries on several threads while another thread adds and removes a box
// that closes a corridor and cuts a room of rock in three (the part beyond
// the box becomes free space): every answer is the one of the world with
// the box or the one of the world without it, never anything between.
TEST(Engines, ThreadsQueryWhileAnotherThreadEdits) {
    cGame_World world;
    world.Set_Bounds(Rect(0, 0, 200, 200));
    for (int y = 40; y < 200; y += 40) world.Insert(Wall(0, y, 180 - (y % 80), y));
    for (const cHV_Wall& w : {Wall(160, 50, 190, 50), Wall(190, 50, 190, 70), Wall(160, 70, 190, 70), Wall(160, 50, 160, 70)})
        world.Insert(w);
    ASSERT_EQ(world.Add_Solid_Point(cPoint2D(165, 60)), INSERT_DONE);
    ASSERT_EQ(world.Build(), BUILD_DONE);
    world.Prepare_Agent(0);
    world.Prepare_Agent(2);
    std::mt19937 rng(3);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<std::pair<cPoint2D, cPoint2D>> queries;
    for (int q = 0; q < 40; ++q) queries.push_back({cPoint2D(pick(0, 200), pick(0, 200)), cPoint2D(pick(0, 200), pick(0, 200))});
    queries.push_back({cPoint2D(10, 10), cPoint2D(185, 60)});
    queries.push_back({cPoint2D(185, 60), cPoint2D(10, 10)});
    // Each query takes the world as it is when it starts, so each answer on
    // its own (not the four together) is the world's with or without the box.
    auto answer = [&world](const std::pair<cPoint2D, cPoint2D>& q) {
        std::vector<std::string> parts(8);
        std::ostringstream path_text, segment_text, ball_text, route_text, partial_text, stand_text, nearest_text;
        std::vector<cPoint2D> path;
        path_text << world.Find_Path(q.first, q.second, path);
        for (const cPoint2D& p : path) path_text << p;
        cPoint2D hit;
        segment_text << world.Intersect_Segment(cSeg(q.first, q.second), hit) << hit;
        ball_text << world.Intersect_Ball(q.first.x, q.first.y, 12);
        double length = 0;
        route_text << int(world.Find_Shortest_Path(q.first, q.second, 2 * (q.first.x % 2), path, &length)) << ' '
                   << length;
        cRoute_Options partial;
        partial.Partial = true;
        partial_text << int(world.Find_Shortest_Path(q.first, q.second, 0, partial, path, &length)) << ' ' << length;
        cPoint2D place;
        stand_text << int(world.Find_Standing_Point(q.second, 2 * (q.first.y % 2), place)) << place;
        int goal = -1;
        nearest_text << int(world.Find_Nearest_Goal(q.first, {q.second, cPoint2D(185, 60)}, 0, path, &length, &goal))
                     << ' ' << goal << ' ' << length;
        parts[0] = path_text.str();
        parts[1] = segment_text.str();
        parts[2] = ball_text.str();
        parts[3] = route_text.str();
        parts[4] = partial_text.str();
        parts[5] = stand_text.str();
        parts[6] = nearest_text.str();
        parts[7] = std::to_string(world.Is_Solid(q.second));
        return parts;
    };
    std::vector<std::vector<std::string>> without, with;
    for (const auto& q : queries) without.push_back(answer(q));
    int id = -1;
    ASSERT_EQ(world.Add_Box(cPoint2D(170, 40), cPoint2D(180, 80), &id), EDIT_DONE);
    for (const auto& q : queries) with.push_back(answer(q));
    ASSERT_EQ(world.Remove_Edit(id), EDIT_DONE);
    ASSERT_NE(with, without);
    // (185, 60): rock without the box, free space with it.
    const std::size_t into_rock = queries.size() - 2;
    EXPECT_EQ(without[into_rock][7], "1");
    EXPECT_EQ(with[into_rock][7], "0");
    EXPECT_NE(with[into_rock][5], without[into_rock][5]);
    EXPECT_NE(with[into_rock][4], without[into_rock][4]);

    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int k = 0; k < 6; ++k) {
            int box = -1;
            world.Add_Box(cPoint2D(170, 40), cPoint2D(180, 80), &box);
            world.Remove_Edit(box);
        }
        done = true;
    });
    std::vector<std::thread> readers;
    std::vector<int> bad(3, 0), asked(3, 0);
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&, t] {
            for (std::size_t i = std::size_t(t); !done || asked[std::size_t(t)] < 40; i = (i + 1) % queries.size()) {
                const std::vector<std::string> a = answer(queries[i]);
                for (std::size_t k = 0; k < a.size(); ++k)
                    if (a[k] != without[i][k] && a[k] != with[i][k]) ++bad[std::size_t(t)];
                ++asked[std::size_t(t)];
            }
        });
    editor.join();
    for (std::thread& r : readers) r.join();
    for (int t = 0; t < 3; ++t) EXPECT_EQ(bad[std::size_t(t)], 0) << "thread " << t;
    EXPECT_TRUE(world.Edit_Ids().empty());
}

}  // namespace
