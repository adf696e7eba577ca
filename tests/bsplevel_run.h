// Running the bsplevel tool in-process for its tests: its exit status, its
// answers and its error stream, with a check that no message of the library
// leaks past the streams the tool was given.
#ifndef BSPLEVEL_RUN_H
#define BSPLEVEL_RUN_H

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "bsplevel.h"
#include "messages.h"

using namespace bsp_levels;

struct cResult {
    int Status;
    std::string Out;
    std::string Err;
};

// The message sink the tool is called with. The library's messages must
// reach the tool's answer or error stream, through a sink the tool sets for
// its run: anything that arrives here leaked.
class cLeak_Catcher : public std::streambuf {
public:
    cLeak_Catcher() = default;
    const std::string& Leaked() const { return Leaks; }

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        Leaks.append(text, std::size_t(count));
        return count;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }

private:
    std::string Leaks;
};

// Runs the tool with a message sink that fails the test when a message of
// the library leaks outside the tool's streams.
inline cResult Tool(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    cLeak_Catcher catcher;
    std::ostream sink(&catcher);
    int status = 0;
    {
        cMessage_Redirect to_catcher(&sink);
        status = Run_Bsplevel(args, in, out, err);
    }
    EXPECT_EQ(catcher.Leaked(), "") << "the library wrote outside the tool's streams during: "
                                    << ::testing::PrintToString(args);
    return {status, out.str(), err.str()};
}

// Command lines the tool refuses, each with its one error line: status 2
// and nothing on the answer stream.
using tRefusals = std::vector<std::pair<std::vector<std::string>, std::string>>;
inline void Expect_Refusals(const tRefusals& refusals) {
    for (const auto& c : refusals) {
        SCOPED_TRACE(::testing::PrintToString(c.first));
        const cResult r = Tool(c.first);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err, c.second);
        EXPECT_EQ(r.Out, "");
    }
}

inline std::string Temp(const std::string& name) { return ::testing::TempDir() + "bsplevel_" + name; }

inline std::string Read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void Write(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

#endif
