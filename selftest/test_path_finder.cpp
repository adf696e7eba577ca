#include <iostream>
#include <memory>
#include <vector>

#include "game_bsp.h"
#include "test_cases.h"

using namespace bsp_levels;

namespace {

typedef std::vector<cPoint2D> tPath;

// The path check: the same points in the same order.
bool Same_Path(const tPath& path, const tPath& expected) { return path == expected; }

}  // namespace

void Test_Path_Finder() {
    typedef bool (*tCase)();
    const tCase cases[] = {Test_Path_Finder_1, Test_Path_Finder_2, Test_Path_Finder_3,
                           Test_Path_Finder_4, Test_Path_Finder_5};
    int number = 1;
    for (tCase run : cases) {
        std::cout << "TEST PATH_FINDER_" << number++ << " : ";
        std::cout << (run() ? "OK\n" : "ERROR \n");
    }
}

// A route that zigzags between ten doors.
bool Test_Path_Finder_1() {
    const std::unique_ptr<cGame_World> world = Build_Test_World("../test_levels/level_test_pathfinder_1.txt");
    tPath path;
    world->Find_Path(cPoint2D(5, 5), cPoint2D(95, 95), path);
    const tPath expected = {{10, 95}, {20, 5}, {30, 95}, {40, 5}, {50, 95},
                            {60, 5},  {70, 95}, {80, 5}, {90, 95}, {95, 95}};
    return Same_Path(path, expected);
}

// No route at all.
bool Test_Path_Finder_2() {
    const std::unique_ptr<cGame_World> world = Build_Test_World("../test_levels/level_test_pathfinder_2.txt");
    tPath path;
    return !world->Find_Path(cPoint2D(5, 5), cPoint2D(95, 95), path);
}

// Four queries on one world: a failed query leaves the world able to answer
// the earlier one the same way.
bool Test_Path_Finder_3() {
    const std::unique_ptr<cGame_World> world = Build_Test_World("../test_levels/level_test_pathfinder_3.txt");
    tPath path;
    const tPath to_62 = {{5, 20}, {5, 60}, {20, 85}, {58, 62}};

    world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 62), path);
    if (path.size() != 4) { std::cout << "(001)"; return false; }
    if (!Same_Path(path, to_62)) { std::cout << "(002)"; return false; }

    if (world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 58), path)) { std::cout << "(003)"; return false; }
    path.clear();

    world->Find_Path(cPoint2D(18, 18), cPoint2D(58, 62), path);
    if (path.size() != 4) { std::cout << "(005)"; return false; }
    if (!Same_Path(path, to_62)) { std::cout << "(006)"; return false; }
    path.clear();

    world->Find_Path(cPoint2D(18, 18), cPoint2D(62, 22), path);
    if (path.size() != 4) { std::cout << "(007)"; return false; }
    const tPath to_22 = {{20, 5}, {60, 5}, {85, 20}, {62, 22}};
    if (!Same_Path(path, to_22)) { std::cout << "(008)"; return false; }
    return true;
}

// A long way round through twelve points.
bool Test_Path_Finder_4() {
    const std::unique_ptr<cGame_World> world = Build_Test_World("../test_levels/level_test_pathfinder_4.txt");
    tPath path;
    world->Find_Path(cPoint2D(55, 82), cPoint2D(63, 83), path);
    const tPath expected = {{50, 95}, {30, 90}, {10, 80}, {5, 50},  {30, 5},  {50, 10},
                            {60, 40}, {90, 5},  {95, 50}, {95, 80}, {90, 95}, {63, 83}};
    return Same_Path(path, expected);
}

bool Test_Path_Finder_5() {
    const std::unique_ptr<cGame_World> world = Build_Test_World("../test_levels/level_test_pathfinder_5.txt");
    tPath path;
    path.clear();
    world->Find_Path(cPoint2D(3, 40), cPoint2D(85, 80), path);
    const tPath expected = {{10, 40}, {30, 92}, {50, 95}, {85, 80}};
    return Same_Path(path, expected);
}
