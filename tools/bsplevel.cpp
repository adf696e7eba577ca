// The entry of the bsplevel tool: the command's name, its help, its run with
// the library's messages kept from the streams unless --verbose asks for
// them, and every error as one line. The commands themselves live in the
// command_*.cpp files, the parser in command_line.cpp.
#include "bsplevel.h"

#include <exception>
#include <sstream>

#include "bsp_levels_version.h"
#include "bsplevel_commands.h"
#include "messages.h"

namespace bsp_levels {

namespace {

bool Is_Help(const std::string& a) { return a == "--help" || a == "-h"; }

}  // namespace

int Run_Bsplevel(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << "bsplevel: missing command (try 'bsplevel --help')\n";
        return 2;
    }
    // "bsplevel help COMMAND" is "bsplevel COMMAND --help".
    if (args[0] == "help" && args.size() > 1) {
        const cCommand_Def* command = Find_Command(args[1]);
        if (command == nullptr || args.size() > 2) {
            err << "bsplevel: help: " << (command == nullptr ? "unknown command '" + args[1] + "'" : "one command at a time")
                << " (try 'bsplevel --help')\n";
            return 2;
        }
        out << Command_Help(*command);
        return 0;
    }
    if (Is_Help(args[0]) || args[0] == "help") {
        out << General_Help();
        return 0;
    }
    if (args[0] == "--version") {
        out << "bsplevel " << BSP_LEVELS_VERSION << "\n";
        return 0;
    }
    const cCommand_Def* command = Find_Command(args[0]);
    if (command == nullptr) {
        err << "bsplevel: unknown command '" << args[0] << "' (try 'bsplevel --help')\n";
        return 2;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    // Help wins over missing or malformed arguments.
    for (const std::string& a : rest) {
        if (Is_Help(a)) {
            out << Command_Help(*command);
            return 0;
        }
    }
    int status = 2;
    try {
        const cParsed_Args parsed = Parse(*command, rest);
        cIo io{in, out, err};
        // The library's own messages (the loader's and the build's, as it
        // writes them) reach the error stream, before the tool's line, only
        // with --verbose; without it a failure is one line.
        std::ostringstream kept;
        cMessage_Redirect library_messages(parsed.Has("--verbose") ? &err : &kept);
        status = command->Run(parsed, io);
        // Answers that could not be written are no answers.
        if (!out.flush()) Fail(*command, "cannot write the answers to standard output");
        return status;
    } catch (const cLevel_Error& e) {
        err << e.Line << "\n";
    } catch (const cCli_Error& e) {
        err << "bsplevel: " << e.Message << "\n";
    } catch (const std::exception& e) {
        err << "bsplevel: " << command->Name << ": " << e.what() << "\n";
    }
    return 2;
}

}  // namespace bsp_levels
