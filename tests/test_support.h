// Helpers shared by the unit tests.
#ifndef TEST_SUPPORT_H
#define TEST_SUPPORT_H

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "game_bsp.h"
#include "messages.h"

using namespace bsp_levels;

// Captures everything the library writes while it lives (its messages go to
// this object's buffer instead of the sink in place before).
class cCapture_Messages {
public:
    cCapture_Messages() : Redirect(&Buffer) {}
    cCapture_Messages(const cCapture_Messages&) = delete;
    cCapture_Messages& operator=(const cCapture_Messages&) = delete;
    std::string str() const { return Buffer.str(); }

private:
    std::ostringstream Buffer;  // declared first: it outlives the redirection
    cMessage_Redirect Redirect;
};

// Sets WORLD_BOUNDS for one test and restores the previous value after it.
class cBounds_Guard {
public:
    explicit cBounds_Guard(const cRect2D& bounds) : Saved(WORLD_BOUNDS) { WORLD_BOUNDS = bounds; }
    ~cBounds_Guard() { WORLD_BOUNDS = Saved; }
    cBounds_Guard(const cBounds_Guard&) = delete;
    cBounds_Guard& operator=(const cBounds_Guard&) = delete;

private:
    cRect2D Saved;
};

struct cWall_Coords {
    int X1, Y1, X2, Y2;
};

inline cRect2D Rect(int x1, int y1, int x2, int y2) {
    return cRect2D(cPoint2D(x1, y1), cPoint2D(x2, y2));
}

inline cHV_Wall Wall(int x1, int y1, int x2, int y2) {
    return cHV_Wall(cPoint2D(x1, y1), cPoint2D(x2, y2));
}

inline cHV_Wall Wall(const cWall_Coords& w) { return Wall(w.X1, w.Y1, w.X2, w.Y2); }

// A world of the given engine holding the walls, inserted in the order
// given, not yet built.
inline std::unique_ptr<cGame_World> Load_World(const std::vector<cWall_Coords>& walls,
                                               cEngine engine = cEngine::FAST) {
    std::unique_ptr<cGame_World> world(new cGame_World(engine));
    for (const cWall_Coords& w : walls) world->Insert(Wall(w));
    return world;
}

// A world of the given engine built from the walls within the given bounds
// (WORLD_BOUNDS is restored afterwards; the world remembers the bounds it
// was built with).
inline std::unique_ptr<cGame_World> Build_World(const cRect2D& bounds, const std::vector<cWall_Coords>& walls,
                                                cEngine engine = cEngine::FAST) {
    cBounds_Guard guard(bounds);
    std::unique_ptr<cGame_World> world = Load_World(walls, engine);
    world->Build();
    return world;
}

// The tests of a world built from hand-written walls run once per engine:
// a suite derives its fixture from this class, writes TEST_P and takes the
// engine from GetParam(); INSTANTIATE_FOR_BOTH_ENGINES(Suite) names each
// run after its engine (Suite.Test/Fast, Suite.Test/Reference).
class cEngine_Test : public ::testing::TestWithParam<cEngine> {
protected:
    cEngine Engine() const { return GetParam(); }
};

inline std::string Engine_Name(const ::testing::TestParamInfo<cEngine>& info) {
    return info.param == cEngine::FAST ? "Fast" : "Reference";
}

// The name of a run over a table of cases (each with a Name) and the two
// engines: the case's name, then _Fast or _Reference.
template <class cCase, std::size_t N>
std::string Case_And_Engine_Name(const cCase (&cases)[N],
                                 const ::testing::TestParamInfo<std::tuple<int, cEngine>>& info) {
    return std::string(cases[std::get<0>(info.param)].Name) +
           (std::get<1>(info.param) == cEngine::FAST ? "_Fast" : "_Reference");
}

#define INSTANTIATE_FOR_BOTH_ENGINES(suite)                                                          \
    INSTANTIATE_TEST_SUITE_P(Engines, suite, ::testing::Values(cEngine::FAST, cEngine::REFERENCE), \
                             Engine_Name)

// Asks every query from several threads at once, each thread starting at a
// different query so that they overlap, and expects the answers (texts) one
// thread gets alone.
template <class cQuery, class cAnswer>
void Expect_Same_Answers_From_Threads(const std::vector<cQuery>& queries, cAnswer answer, int threads = 4) {
    std::vector<std::string> expected;
    for (const cQuery& q : queries) expected.push_back(answer(q));
    const std::size_t n = queries.size(), shift = n / std::size_t(threads) + 1;
    std::vector<std::vector<std::string>> answers(static_cast<std::size_t>(threads));
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < std::size_t(threads); ++t)
        workers.emplace_back([&, t] {
            for (std::size_t i = 0; i < n; ++i) answers[t].push_back(answer(queries[(i + shift * t) % n]));
        });
    for (std::thread& w : workers) w.join();
    for (std::size_t t = 0; t < std::size_t(threads); ++t)
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_EQ(answers[t][i], expected[(i + shift * t) % n]) << "thread " << t << " query " << i;
}

// An integer setting from the environment, or fallback when it is not set.
inline int Env_Setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

// Writes text to a fresh file under the test's temporary directory and
// returns its name.
inline std::string Write_Temp_File(const std::string& name, const std::string& text) {
    // In a folder of this process's own, removed when the process ends:
    // ctest runs tests in processes side by side, and two of them writing
    // one file would read each other's.
    struct cFolder {
        std::string Path = ::testing::TempDir() + "bsp_tests_" + std::to_string(getpid()) + "/";
        cFolder() { std::filesystem::create_directories(Path); }
        ~cFolder() {
            std::error_code ignored;
            std::filesystem::remove_all(Path, ignored);
        }
    };
    static const cFolder folder;
    const std::string path = folder.Path + name;
    std::ofstream out(path, std::ios::binary);
    out << text;
    return path;
}

#endif
