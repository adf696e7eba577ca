// The self-test's cases: five path queries and seventeen collision queries
// on fixed levels, each checked against its expected answer.
#ifndef TEST_CASES_H
#define TEST_CASES_H

#include <memory>

namespace bsp_levels {
class cGame_World;
}

// The self-test writes the library's names as they are described, unqualified.
using namespace bsp_levels;

// A new world loaded from file and built. The loader's result is not looked
// at: a level that fails to load is built as far as it was read.
std::unique_ptr<cGame_World> Build_Test_World(const char* file);

// Runs Test_Path_Finder_1 to _5, writing each label, then "OK\n" or "ERROR \n".
void Test_Path_Finder();
bool Test_Path_Finder_1();
bool Test_Path_Finder_2();
bool Test_Path_Finder_3();
bool Test_Path_Finder_4();
bool Test_Path_Finder_5();

// Runs the nine segment tests, then the eight ball tests.
void Test_Intersections();
void Test_Segment_Intersections();
void Test_Ball_Intersections();

#endif
