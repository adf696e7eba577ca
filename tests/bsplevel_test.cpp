#include <gtest/gtest.h>
TEST(Bsplevel, Placeholder) {}
