// The bsplevel command-line tool, as a function that tests can call.
#ifndef BSPLEVEL_H
#define BSPLEVEL_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace bsp_levels {

// Runs one bsplevel command. args are the command-line arguments after the
// program's name; batch queries are read from in; answers go to out; an
// error is one line on err, and the library's own messages go there too
// only with --verbose (otherwise they are dropped, never written on the
// library's message sink). Returns the exit status: 0 for a success or a
// positive answer, 1 for a negative answer (no route, no hit, clear), 2 for
// an error, answers that could not be written to out among them.
int Run_Bsplevel(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace bsp_levels

#endif
