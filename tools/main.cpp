// bsplevel: ask a level file questions from the command line. See
// "bsplevel --help".
#include <iostream>
#include <string>
#include <vector>

#include "bsplevel.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Streams of their own on the standard buffers: the tool sends std::cout
    // to standard error while the library runs, and its answers must not
    // follow.
    std::ostream out(std::cout.rdbuf());
    std::ostream err(std::cerr.rdbuf());
    const int status = Run_Bsplevel(args, std::cin, out, err);
    out.flush();
    err.flush();
    return status;
}
