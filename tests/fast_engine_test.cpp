// Parts of the fast engine on their own: the open list against a plain
// linked list with the search's list behaviour, and the engine's memory on
// worlds of an awkward shape.
#include <gtest/gtest.h>

#include <list>
#include <random>
#include <utility>
#include <vector>

#include "fast/open_list.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

// The list the reference search keeps: a node goes before the first node
// whose F is greater than its own F rounded to float, or at the end; a node
// whose F drops keeps its place; the front is taken first.
class cList_Model {
public:
    void Insert_Sorted(int node, double F) {
        const float f = float(F);
        auto it = Entries.begin();
        while (it != Entries.end() && !(it->second > f)) ++it;
        Entries.insert(it, {node, F});
    }
    int Pop_Front() {
        const int node = Entries.front().first;
        Entries.pop_front();
        return node;
    }
    void Decreased(int node, double F) {
        for (auto& e : Entries)
            if (e.first == node) e.second = F;
    }
    bool Empty() const { return Entries.empty(); }
    bool Holds(int node) const {
        for (const auto& e : Entries)
            if (e.first == node) return true;
        return false;
    }
    double F_Of(int node) const {
        for (const auto& e : Entries)
            if (e.first == node) return e.second;
        return 0;
    }

private:
    std::list<std::pair<int, double>> Entries;
};

TEST(OpenList, TakesNodesInTheOrderOfTheLinkedList) {
    // Random runs of insertions, drops and pops, with many equal F values
    // (ties keep insertion order) and F values that differ only below float
    // precision (they count as equal when a node is placed). Enough
    // operations to split and merge the tree's nodes many times.
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        const int nodes = pick(1, 3) == 1 ? 40 : 3000;
        const int levels = pick(1, 2) == 1 ? 5 : 1000;
        auto some_f = [&](double base) {
            double f = base + pick(0, levels);
            if (pick(0, 4) == 0) f += 1e-9;  // below float precision
            return f;
        };
        cOpen_List list;
        cList_Model model;
        std::vector<int> leaf_of(std::size_t(nodes), -1);
        std::vector<char> in_list(std::size_t(nodes), 0);
        list.Clear();
        for (int step = 0; step < 20000; ++step) {
            const int what = pick(0, 9);
            if (what < 5) {
                const int n = pick(0, nodes - 1);
                if (in_list[std::size_t(n)]) continue;
                const double f = some_f(0);
                list.Insert_Sorted(n, f, leaf_of);
                model.Insert_Sorted(n, f);
                in_list[std::size_t(n)] = 1;
            } else if (what < 7) {
                const int n = pick(0, nodes - 1);
                if (!in_list[std::size_t(n)]) continue;
                const double f = model.F_Of(n) - pick(0, 3);
                list.Decreased(n, f, leaf_of);
                model.Decreased(n, f);
            } else {
                ASSERT_EQ(list.Empty(), model.Empty());
                if (model.Empty()) continue;
                const int n = list.Pop_Front(leaf_of);
                ASSERT_EQ(n, model.Pop_Front()) << "step " << step;
                in_list[std::size_t(n)] = 0;
            }
        }
        while (!model.Empty()) ASSERT_EQ(list.Pop_Front(leaf_of), model.Pop_Front());
        EXPECT_TRUE(list.Empty());
    }
}

// A world very much wider than tall, cut by full-width walls into long thin
// strips: what the fast engine keeps must grow with the walls, not with the
// world's width.
std::size_t Thin_World_Footprint(int walls) {
    cGame_World world;
    for (int i = 1; i <= walls; ++i) world.Insert(Wall(0, i * 5, 100000000, i * 5));
    cBounds_Guard bounds(Rect(0, 0, 100000000, 5 * walls + 5));
    EXPECT_EQ(world.Build(), BUILD_DONE);
    EXPECT_EQ(int(world.Areas.size()), walls + 1);
    return world.Engine_Footprint();
}

TEST(FastEngine, MemoryGrowsWithTheWallsNotWithTheWorld) {
    const std::size_t small = Thin_World_Footprint(1000);
    const std::size_t large = Thin_World_Footprint(4000);
    // A few hundred bytes an area, and four times the walls cost at most
    // about four times the memory.
    EXPECT_LT(large, std::size_t(4000) * 1000);
    EXPECT_LT(large, small * 5);
}

}  // namespace
