// Solid space: the regions that solid points mark, up to the walls around
// them. The oracle floods the unit cells of small random levels, crossing
// from cell to cell where no wall covers the shared edge.
//
// The number of random levels is SOLID_LEVELS (default 300), the first seed
// SOLID_LEVELS_SEED (default 1).
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "level_loader.h"
#include "random_level.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

TEST(Solid, QueriesInAndAroundARockRoom) {
    // A closed room [20,20]-[40,40] of rock, and a room [60,20]-[80,40] with
    // a doorway, left open.
    cBounds_Guard bounds(DEFAULT_WORLD_BOUNDS);
    std::istringstream text(
        "<WALLS>\n[20,20]->[40,20]\n[20,40]->[40,40]\n[20,20]->[20,40]\n[40,20]->[40,40]\n"
        "[60,20]->[80,20]\n[60,40]->[80,40]\n[60,20]->[60,40]\n[80,20]->[80,30]\n<SOLID>\n[30,30]\n");
    for (const cEngine engine : {cEngine::FAST, cEngine::REFERENCE}) {
        cGame_World world(engine);
        cLevel_Loader loader;
        ASSERT_TRUE(loader.Load(text, "rock.txt", &world));
        text.clear();
        text.seekg(0);
        ASSERT_EQ(world.Build(), BUILD_DONE);
        EXPECT_GT(world.N_Solid_Areas, 0);
        std::vector<cPoint2D> path;
        // Inside the rock: no route, even between two of its points.
        EXPECT_FALSE(world.Find_Path(cPoint2D(25, 25), cPoint2D(35, 35), path));
        EXPECT_FALSE(world.Find_Path(cPoint2D(10, 10), cPoint2D(35, 35), path));
        EXPECT_TRUE(world.Find_Path(cPoint2D(10, 10), cPoint2D(70, 30), path));
        // A point on the rock's wall stands on its face, not in it.
        EXPECT_FALSE(world.Is_Solid(cPoint2D(20, 30)));
        EXPECT_TRUE(world.Is_Solid(cPoint2D(21, 30)));
        EXPECT_FALSE(world.Is_Solid(cPoint2D(70, 30)));
        EXPECT_EQ(world.Find_Shortest_Path(cPoint2D(25, 25), cPoint2D(10, 10), 0, path), ROUTE_START_BLOCKED);
        EXPECT_EQ(world.Find_Shortest_Path(cPoint2D(10, 10), cPoint2D(25, 25), 0, path), ROUTE_GOAL_BLOCKED);
        EXPECT_EQ(world.Find_Shortest_Path(cPoint2D(10, 10), cPoint2D(70, 30), 1, path), ROUTE_FOUND);
        // A ball deep in the rock touches; the same ball in the open room does not.
        EXPECT_TRUE(world.Intersect_Ball(30, 30, 1));
        EXPECT_FALSE(world.Intersect_Ball(70, 30, 1));
        // Segments see walls only.
        cPoint2D hit;
        EXPECT_TRUE(world.Intersect_Segment(cSeg(cPoint2D(10, 30), cPoint2D(30, 30)), hit));
        EXPECT_EQ(hit, cPoint2D(20, 30));
    }
}

TEST(Solid, BuildRefusesPointsOnWallsOrOutsideAndReportsAWorldAllSolid) {
    struct cCase {
        const char* Name;
        const char* Level;
        BUILD_STATUS Status;
        const char* Message;  // a part of the library's message
        bool Built;
    };
    const cCase cases[] = {
        {"OnAWall", "<WALLS>\n[50,0]->[50,100]\n<SOLID>\n[50,50]\n", BUILD_SOLID_ON_WALL, "[50,50] lies on a wall",
         false},
        {"OnAWallsEnd", "<WALLS>\n[50,0]->[50,40]\n<SOLID>\n[50,40]\n", BUILD_SOLID_ON_WALL, "lies on a wall", false},
        {"Outside", "<WALLS>\n[50,0]->[50,100]\n<SOLID>\n[150,50]\n", BUILD_SOLID_OUTSIDE,
         "[150,50] lies outside the world", false},
        {"OpenToTheWholeWorld", "<WALLS>\n[50,0]->[50,40]\n<SOLID>\n[10,10]\n", BUILD_SOLID_EVERYWHERE,
         "reach every area", true},
        {"EverySideWalled", "<WALLS>\n[50,0]->[50,100]\n<SOLID>\n[10,10]\n[90,90]\n", BUILD_SOLID_EVERYWHERE,
         "reach every area", true},
        {"OneSideOfTwo", "<WALLS>\n[50,0]->[50,100]\n<SOLID>\n[10,10]\n", BUILD_DONE, "", true},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name);
        cBounds_Guard bounds(DEFAULT_WORLD_BOUNDS);
        std::istringstream text(c.Level);
        cGame_World world;
        cLevel_Loader loader;
        cCapture_Messages messages;
        ASSERT_TRUE(loader.Load(text, "level.txt", &world));
        EXPECT_EQ(world.Build(), c.Status);
        EXPECT_NE(messages.str().find(c.Message), std::string::npos) << messages.str();
        if (c.Status == BUILD_DONE) {
            EXPECT_EQ(messages.str(), "");
        }
        EXPECT_EQ(world.Is_Built(), c.Built);
        if (c.Status == BUILD_SOLID_EVERYWHERE) {
            EXPECT_EQ(world.N_Solid_Areas, 0);
        }
    }
}

TEST(Solid, LevelWithoutSolidPointsAnswersAsBefore) {
    cGame_World world;
    cBounds_Guard bounds(DEFAULT_WORLD_BOUNDS);
    world.Insert(Wall(50, 0, 50, 100));
    ASSERT_EQ(world.Build(), BUILD_DONE);
    EXPECT_EQ(world.N_Solid_Areas, 0);
    EXPECT_FALSE(world.Is_Solid(cPoint2D(10, 10)));
    EXPECT_FALSE(world.Intersect_Ball(10, 10, 1));
}

// ------------------------------------------------------------ oracle

// The unit cells of the world and which of them the solid points reach.
class cCell_Flood {
public:
    cCell_Flood(const cRect2D& b, const std::vector<cHV_Wall>& walls) : B(b), W(b.Max.x - b.Min.x), H(b.Max.y - b.Min.y) {
        Solid.assign(std::size_t(W) * std::size_t(H), 0);
        // Which unit edges a wall covers: vertical edges (x, y)-(x, y+1),
        // horizontal ones (x, y)-(x+1, y).
        V.assign(std::size_t(W + 1) * std::size_t(H), 0);
        Hz.assign(std::size_t(W) * std::size_t(H + 1), 0);
        for (const cHV_Wall& w : walls) {
            if (w.Horizontal) {
                for (int x = w.p0.x; x < w.p1.x; ++x) Hz[Hi(x - b.Min.x, w.p0.y - b.Min.y)] = 1;
            } else {
                for (int y = w.p0.y; y < w.p1.y; ++y) V[Vi(w.p0.x - b.Min.x, y - b.Min.y)] = 1;
            }
        }
    }
    void Flood_From(const cPoint2D& p) {
        std::vector<std::pair<int, int>> pending{Cell_Of(p)};
        while (!pending.empty()) {
            const auto c = pending.back();
            pending.pop_back();
            if (c.first < 0 || c.first >= W || c.second < 0 || c.second >= H) continue;
            unsigned char& s = Solid[std::size_t(c.second) * std::size_t(W) + std::size_t(c.first)];
            if (s) continue;
            s = 1;
            const int x = c.first, y = c.second;
            if (!V[Vi(x, y)]) pending.push_back({x - 1, y});
            if (!V[Vi(x + 1, y)]) pending.push_back({x + 1, y});
            if (!Hz[Hi(x, y)]) pending.push_back({x, y - 1});
            if (!Hz[Hi(x, y + 1)]) pending.push_back({x, y + 1});
        }
    }
    bool All_Solid() const { return std::find(Solid.begin(), Solid.end(), 0) == Solid.end(); }
    // A point off every wall: its cells are joined around it.
    bool Is_Solid(const cPoint2D& p) const {
        const auto c = Cell_Of(p);
        return Solid[std::size_t(c.second) * std::size_t(W) + std::size_t(c.first)] != 0;
    }

private:
    std::pair<int, int> Cell_Of(const cPoint2D& p) const {
        return {std::min(p.x - B.Min.x, W - 1), std::min(p.y - B.Min.y, H - 1)};
    }
    std::size_t Vi(int x, int y) const { return std::size_t(y) * std::size_t(W + 1) + std::size_t(x); }
    std::size_t Hi(int x, int y) const { return std::size_t(y) * std::size_t(W) + std::size_t(x); }
    cRect2D B;
    int W, H;
    std::vector<unsigned char> Solid, V, Hz;
};

TEST(SolidOnRandomLevels, AgreesWithAFloodOfUnitCells) {
    const int levels = Env_Setting("SOLID_LEVELS", 300);
    const unsigned first_seed = unsigned(Env_Setting("SOLID_LEVELS_SEED", 1));
    int compared = 0;
    for (int n = 0; n < levels; ++n) {
        const unsigned seed = first_seed + unsigned(n);
        std::mt19937 rng(seed * 104729u + 7u);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        cLevel_Maker maker(seed);
        const cLevel level = maker.Make_Small(30, 16);
        const cRect2D& b = level.Bounds;
        if (b.Min.x == b.Max.x || b.Min.y == b.Max.y) continue;
        cCell_Flood flood(b, level.Walls);
        auto on_wall = [&](const cPoint2D& p) {
            for (const cHV_Wall& w : level.Walls)
                if (Square_Distance_To_Box(w.p0, w.p1, p) == 0) return true;
            return false;
        };
        auto point = [&] { return cPoint2D(pick(b.Min.x, b.Max.x), pick(b.Min.y, b.Max.y)); };
        std::vector<cPoint2D> solid;
        for (int k = pick(1, 3); k > 0; --k) {
            const cPoint2D p = point();
            if (!on_wall(p)) solid.push_back(p);
        }
        for (const cPoint2D& p : solid) flood.Flood_From(p);
        std::string where = "seed " + std::to_string(seed) + "\n" + Describe(level) + "<SOLID>\n";
        for (const cPoint2D& p : solid) where += "[" + std::to_string(p.x) + "," + std::to_string(p.y) + "]\n";

        for (const cEngine engine : {cEngine::FAST, cEngine::REFERENCE}) {
            cGame_World world(engine);
            BUILD_STATUS status;
            {
                cCapture_Messages quiet;
                cBounds_Guard guard(b);
                for (const cHV_Wall& w : level.Walls) world.Insert(w);
                for (const cPoint2D& p : solid) world.Add_Solid_Point(p);
                status = world.Build();
            }
            if (!solid.empty() && flood.All_Solid()) {
                ASSERT_EQ(status, BUILD_SOLID_EVERYWHERE) << where;
                continue;
            }
            ASSERT_EQ(status, BUILD_DONE) << where;
            for (int q = 0; q < 40; ++q) {
                const cPoint2D p = point(), g = point();
                if (on_wall(p)) continue;
                const bool expected = flood.Is_Solid(p);
                ASSERT_EQ(world.Is_Solid(p), expected) << where << "point " << p;
                ++compared;
                std::vector<cPoint2D> path;
                if (expected) {
                    ASSERT_FALSE(world.Find_Path(p, g, path)) << where << p << " to " << g;
                    ASSERT_FALSE(world.Find_Path(g, p, path)) << where << g << " to " << p;
                    ASSERT_EQ(world.Find_Shortest_Path(p, g, 0, path), ROUTE_START_BLOCKED) << where << p;
                    ASSERT_TRUE(world.Intersect_Ball(p.x, p.y, 0)) << where << p;
                } else if (!on_wall(g) && !flood.Is_Solid(g)) {
                    // Out of the rock, the answers are those of the level
                    // without solid points.
                    cGame_World plain(engine);
                    {
                        cCapture_Messages quiet;
                        cBounds_Guard guard(b);
                        for (const cHV_Wall& w : level.Walls) plain.Insert(w);
                        plain.Build();
                    }
                    std::vector<cPoint2D> plain_path;
                    ASSERT_EQ(world.Find_Path(p, g, path), plain.Find_Path(p, g, plain_path)) << where << p << g;
                    ASSERT_EQ(path, plain_path) << where << p << " to " << g;
                    ASSERT_EQ(world.Intersect_Ball(p.x, p.y, 2), plain.Intersect_Ball(p.x, p.y, 2)) << where << p;
                }
            }
        }
    }
    EXPECT_GT(compared, levels);
}

}  // namespace
