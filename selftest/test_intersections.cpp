#include <iostream>
#include <memory>

#include "game_bsp.h"
#include "test_cases.h"

using namespace bsp_levels;

void Test_Intersections() {
    Test_Segment_Intersections();
    Test_Ball_Intersections();
}

void Test_Segment_Intersections() {
    const std::unique_ptr<cGame_World> world = Build_Test_World("../test_levels/level_test_intersections.txt");
    cPoint2D hit(0, 0);  // shared by the tests; looked at only after a hit

    struct tCase {
        cPoint2D p0, p1;
        long long limit;  // negative: the whole segment
        bool hits;
        cPoint2D expected;
    };
    const tCase cases[] = {
        {{0, 0}, {100, 0}, -1, false, {}},       {{0, 0}, {0, 100}, -1, false, {}},
        {{0, 0}, {90, 10}, -1, false, {}},       {{0, 0}, {70, 15}, -1, true, {60, 13}},
        {{50, 50}, {70, 50}, -1, true, {60, 50}}, {{50, 50}, {50, 70}, -1, true, {50, 60}},
        {{50, 50}, {70, 70}, -1, true, {60, 60}}, {{10, 10}, {70, 70}, 162, false, {}},
        {{10, 10}, {70, 70}, 163, true, {20, 20}},
    };
    int number = 1;
    for (const tCase& c : cases) {
        std::cout << "TEST INTERSECTIONS " << number++ << " : ";
        const cSeg seg(c.p0, c.p1);
        const bool answer = c.limit < 0 ? world->Intersect_Segment(seg, hit)
                                        : world->Intersect_Segment(seg, hit, c.limit);
        const bool pass = c.hits ? answer && hit == c.expected : !answer;
        std::cout << (pass ? "OK\n" : "ERROR \n");
    }
}

void Test_Ball_Intersections() {
    const std::unique_ptr<cGame_World> world = Build_Test_World("../test_levels/level_test_intersections_2.txt");
    const int radius = 10;

    struct tCase {
        int x, y;
        bool touches;
    };
    const tCase cases[] = {{20, 20, false},  {20, 20, false},  {350, 300, true}, {400, 300, true},
                           {450, 300, true}, {500, 300, true}, {550, 300, true}, {600, 300, true}};
    int number = 1;
    for (const tCase& c : cases) {
        std::cout << "TEST INTERSECTIONS WITH BALLS " << number++ << " : ";
        const bool pass = world->Intersect_Ball(c.x, c.y, radius) == c.touches;
        // The tests expecting a touch have their own verdict texts.
        if (c.touches)
            std::cout << (pass ? "OK \n" : "ERROR\n");
        else
            std::cout << (pass ? "OK\n" : "ERROR \n");
    }
}
