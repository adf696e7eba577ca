// bsplevel: ask a level file questions from the command line. See
// "bsplevel --help".
#include <iostream>
#include <string>
#include <vector>

#include "bsplevel.h"

using namespace bsp_levels;

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = Run_Bsplevel(args, std::cin, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    return status;
}
