// Self-test driver: builds the fixed test levels, runs 22 queries against
// their expected answers and writes one verdict line per test. Run it from a
// directory beside test_levels/ (the build directory at the project's root):
// it reads ../test_levels/. The exit status is always 0.
#include "test_cases.h"

int main() {
    Test_Path_Finder();
    Test_Intersections();
    return 0;
}
