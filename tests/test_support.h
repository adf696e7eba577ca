// Helpers shared by the unit tests.
#ifndef TEST_SUPPORT_H
#define TEST_SUPPORT_H

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game_bsp.h"
#include "messages.h"

// Captures the library's messages while it lives.
class cCapture_Messages {
public:
    cCapture_Messages() : Redirect(&Buffer) {}
    std::string str() const { return Buffer.str(); }

private:
    std::ostringstream Buffer;
    cMessage_Redirect Redirect;
};

// Captures everything written to std::cout while it lives.
class Capture_Cout {
public:
    Capture_Cout() : old_(std::cout.rdbuf(buffer_.rdbuf())) {}
    ~Capture_Cout() { std::cout.rdbuf(old_); }
    Capture_Cout(const Capture_Cout&) = delete;
    Capture_Cout& operator=(const Capture_Cout&) = delete;
    std::string str() const { return buffer_.str(); }

private:
    std::ostringstream buffer_;
    std::streambuf* old_;
};

// Sets WORLD_BOUNDS for one test and restores the previous value after it.
class Bounds_Guard {
public:
    explicit Bounds_Guard(const cRect2D& bounds) : saved_(WORLD_BOUNDS) { WORLD_BOUNDS = bounds; }
    ~Bounds_Guard() { WORLD_BOUNDS = saved_; }
    Bounds_Guard(const Bounds_Guard&) = delete;
    Bounds_Guard& operator=(const Bounds_Guard&) = delete;

private:
    cRect2D saved_;
};

struct Wall_Coords {
    int x1, y1, x2, y2;
};

inline cRect2D Rect(int x1, int y1, int x2, int y2) {
    return cRect2D(cPoint2D(x1, y1), cPoint2D(x2, y2));
}

inline cHV_Wall Wall(int x1, int y1, int x2, int y2) {
    return cHV_Wall(cPoint2D(x1, y1), cPoint2D(x2, y2));
}

// A world holding the walls, inserted in the order given, not yet built.
inline std::unique_ptr<cGame_World> Load_World(std::initializer_list<Wall_Coords> walls) {
    std::unique_ptr<cGame_World> world(new cGame_World());
    for (const Wall_Coords& w : walls) world->Insert(Wall(w.x1, w.y1, w.x2, w.y2));
    return world;
}

// A world built from the walls within the given bounds (WORLD_BOUNDS is
// restored afterwards; the world remembers the bounds it was built with).
inline std::unique_ptr<cGame_World> Build_World(const cRect2D& bounds,
                                                std::initializer_list<Wall_Coords> walls) {
    Bounds_Guard guard(bounds);
    std::unique_ptr<cGame_World> world = Load_World(walls);
    world->Build();
    return world;
}

// An integer setting from the environment, or fallback when it is not set.
inline int Env_Setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

// Writes text to a fresh file under the test's temporary directory and
// returns its name.
inline std::string Write_Temp_File(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream out(path, std::ios::binary);
    out << text;
    return path;
}

#endif
