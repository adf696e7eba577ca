// Fuzz target: an input is a level text, optionally followed by a 0xFF byte
// and query bytes. The level is read through the real loader into two
// worlds, one per engine, both are built, dumped and queried (paths,
// segments with limits, balls, shortest routes). Nothing may crash, hang or
// invoke undefined behaviour, and the engines must agree on everything they
// show: the library's messages while loading and building, whether the world
// is built, its counts and bounds, the dump from the root, and every answer
// (a path with its points, a segment hit with its point, a ball's touch, a
// shortest route with its status, length and corners). A difference is
// reported on stderr and aborts.
//
// Query bytes come in groups of nine: a kind byte and four 16-bit numbers.
// Kinds: path, segment, segment with a limit, ball, shortest route; the kind
// byte 0xFE opens (first number odd) or closes a door (second number, modulo
// the number of doors) in both worlds for the queries that follow. Edits:
// the kind byte 0xFD adds the wall between the two points, 0xFC the box with
// those corners, 0xFB removes an edit present (first number modulo their
// count; the second number, when odd, asks for an id never given instead).
// Both worlds must answer every edit alike, and while edits are present a
// third world built afresh from the level's walls, the edit walls, the
// doors in their states and the solid points must answer every query as
// the fast world does. An input without query bytes gets a few queries
// spread over the world. Once the queries are done every door is closed
// again and every edit removed, and both worlds must show what they showed
// when built.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "level_loader.h"
#include "messages.h"
#include "world_text.h"

using namespace bsp_levels;

namespace {

// Reads the level text into world through the loader; returns what the
// loader returns.
bool Load_Level(const std::string& text, cGame_World* world) {
    std::istringstream in(text);
    return cLevel_Loader().Load(in, "fuzz level", world);
}

// Aborts with both texts on stderr when they differ.
void Same(const std::string& what, const char* first_name, const std::string& first, const char* second_name,
          const std::string& second) {
    if (first == second) return;
    std::cerr << "fuzz_level: " << what << "\n--- " << first_name << ":\n"
              << first << "\n--- " << second_name << ":\n"
              << second << "\n";
    std::abort();
}

void Engines_Agree(const std::string& what, const std::string& fast, const std::string& reference) {
    Same("the engines disagree on " + what, "fast engine", fast, "reference engine", reference);
}

// One world of each engine built from the same level text.
struct cWorlds {
    cGame_World Fast{cEngine::FAST};
    cGame_World Reference{cEngine::REFERENCE};
    // The edits present, by id, and the world built afresh with them (null
    // without edits).
    std::map<int, std::vector<cHV_Wall>> Edits;
    std::unique_ptr<cGame_World> Fresh;
};

// The fresh world's answer must be the fast world's.
void Fresh_Agrees(const cWorlds& w, const std::string& what, const std::string& edited, const std::string& fresh) {
    if (w.Fresh) Same("the edited world and a world built afresh disagree on " + what, "edited", edited, "afresh", fresh);
}

// Loads and builds world from the text, starting from the default bounds as
// a fresh program does; returns what the loader returned and every message.
std::string Load_And_Build(const std::string& text, cGame_World& world) {
    WORLD_BOUNDS = cRect2D(cPoint2D(0, 0), cPoint2D(100, 100));
    std::ostringstream messages;
    bool loaded = false;
    {
        cMessage_Redirect to_messages(&messages);
        loaded = Load_Level(text, &world);
        world.Build();
    }
    return "loaded " + std::to_string(loaded) + ", messages:\n" + messages.str();
}

// A query's answer followed by whatever the library wrote meanwhile.
template <class cQuery>
std::string With_Messages(cQuery query) {
    std::ostringstream messages;
    std::string answer;
    {
        cMessage_Redirect to_messages(&messages);
        answer = query();
    }
    return messages.str().empty() ? answer : answer + "\nmessages:\n" + messages.str();
}

std::string Path_Answer(cGame_World& world, const cPoint2D& a, const cPoint2D& b) {
    return With_Messages([&] {
        std::vector<cPoint2D> path = {cPoint2D(-7, -7)};  // replaced, whatever the answer
        std::ostringstream out;
        out << (world.Find_Path(a, b, path) ? "route" : "none");
        for (const cPoint2D& p : path) out << ' ' << p;
        return out.str();
    });
}

std::string Segment_Answer(cGame_World& world, const cSeg& seg, const std::int64_t* limit) {
    return With_Messages([&] {
        cPoint2D hit(-7, -7);
        const bool found =
            limit != nullptr ? world.Intersect_Segment(seg, hit, *limit) : world.Intersect_Segment(seg, hit);
        std::ostringstream out;
        if (found) out << "hit " << hit; else out << "no hit, point left " << hit;
        return out.str();
    });
}

std::string Ball_Answer(cGame_World& world, int x, int y, int radius) {
    return With_Messages([&] { return std::string(world.Intersect_Ball(x, y, radius) ? "touch" : "clear"); });
}

std::string Route_Answer(cGame_World& world, const cPoint2D& a, const cPoint2D& b, int half_size) {
    return With_Messages([&] {
        std::vector<cPoint2D> path = {cPoint2D(-7, -7)};  // replaced, whatever the answer
        double length = -1;
        const ROUTE_STATUS status = world.Find_Shortest_Path(a, b, half_size, path, &length);
        std::ostringstream out;
        out.precision(17);
        out << "status " << int(status) << " length " << length;
        for (const cPoint2D& p : path) out << ' ' << p;
        return out.str();
    });
}

std::string Describe(const cPoint2D& p) {
    std::ostringstream out;
    out << p;
    return out.str();
}

void Compare_Path(cWorlds& w, const cPoint2D& a, const cPoint2D& b) {
    const std::string fast = Path_Answer(w.Fast, a, b);
    Engines_Agree("path " + Describe(a) + " to " + Describe(b), fast, Path_Answer(w.Reference, a, b));
    if (w.Fresh) Fresh_Agrees(w, "path " + Describe(a) + " to " + Describe(b), fast, Path_Answer(*w.Fresh, a, b));
}

void Compare_Segment(cWorlds& w, const cPoint2D& a, const cPoint2D& b, const std::int64_t* limit) {
    const cSeg seg(a, b);
    std::string what = "segment " + Describe(a) + " to " + Describe(b);
    if (limit != nullptr) what += " limit " + std::to_string(*limit);
    const std::string fast = Segment_Answer(w.Fast, seg, limit);
    Engines_Agree(what, fast, Segment_Answer(w.Reference, seg, limit));
    if (w.Fresh) Fresh_Agrees(w, what, fast, Segment_Answer(*w.Fresh, seg, limit));
}

void Compare_Route(cWorlds& w, const cPoint2D& a, const cPoint2D& b, int half_size) {
    const std::string what = "shortest route " + Describe(a) + " to " + Describe(b) + " half-size " +
                             std::to_string(half_size);
    const std::string fast = Route_Answer(w.Fast, a, b, half_size);
    Engines_Agree(what, fast, Route_Answer(w.Reference, a, b, half_size));
    if (w.Fresh) Fresh_Agrees(w, what, fast, Route_Answer(*w.Fresh, a, b, half_size));
}

void Compare_Ball(cWorlds& w, int x, int y, int radius) {
    const std::string what = "ball " + Describe(cPoint2D(x, y)) + " radius " + std::to_string(radius);
    const std::string fast = Ball_Answer(w.Fast, x, y, radius);
    Engines_Agree(what, fast, Ball_Answer(w.Reference, x, y, radius));
    if (w.Fresh) Fresh_Agrees(w, what, fast, Ball_Answer(*w.Fresh, x, y, radius));
}

// ------------------------------------------------------------------ edits

// The world built afresh from the fast world's level, the edits present and
// its doors' states, or none without edits.
void Build_Fresh(cWorlds& w) {
    w.Fresh.reset();
    if (w.Edits.empty()) return;
    const cGame_World& level = w.Fast;
    std::unique_ptr<cGame_World> fresh(new cGame_World(cEngine::FAST));
    std::ostringstream messages;
    cMessage_Redirect to_messages(&messages);
    fresh->Set_Bounds(level.Get_Bounds());
    fresh->Set_Limits(level.Get_Limits());
    for (const cHV_Wall& wall : level.Get_Level_Walls()) fresh->Insert(wall);
    for (const auto& edit : w.Edits)
        for (const cHV_Wall& wall : edit.second) fresh->Insert(wall);
    for (const cHV_Wall& door : level.Get_Level_Doors()) fresh->Add_Door(door);
    for (const cPoint2D& p : level.Get_Solid_Points()) fresh->Add_Solid_Point(p);
    fresh->Build();
    for (int d = 0; d < level.N_Doors(); ++d) fresh->Set_Door(d, level.Is_Door_Open(d));
    w.Fresh = std::move(fresh);
}

// The walls of the box with corners a and b, as the world makes them.
std::vector<cHV_Wall> Box_Walls(const cPoint2D& a, const cPoint2D& b) {
    const cRect2D r(a, b);
    if (r.Min.x == r.Max.x || r.Min.y == r.Max.y) return {cHV_Wall(r.Min, r.Max)};
    return {cHV_Wall(r.Min, cPoint2D(r.Max.x, r.Min.y)), cHV_Wall(cPoint2D(r.Max.x, r.Min.y), r.Max),
            cHV_Wall(cPoint2D(r.Min.x, r.Max.y), r.Max), cHV_Wall(r.Min, cPoint2D(r.Min.x, r.Max.y))};
}

// One edit on both worlds (kind 0xFD, 0xFC or 0xFB).
void Run_Edit(cWorlds& w, uint8_t kind, const cPoint2D& a, const cPoint2D& b) {
    std::ostringstream messages;
    std::string fast, reference;
    {
        cMessage_Redirect to_messages(&messages);
        auto edit = [&](cGame_World& world) {
            int id = -1;
            EDIT_STATUS status;
            if (kind == 0xFD) {
                status = world.Add_Wall(cHV_Wall(a, b), &id);
            } else if (kind == 0xFC) {
                status = world.Add_Box(a, b, &id);
            } else {
                id = -1;
                if (!w.Edits.empty() && (b.x & 1) == 0) {
                    auto it = w.Edits.begin();
                    std::advance(it, int(uint16_t(a.x)) % int(w.Edits.size()));
                    id = it->first;
                } else {
                    id = w.Edits.empty() ? 0 : w.Edits.rbegin()->first + 1 + int(uint16_t(a.y));
                }
                status = world.Remove_Edit(id);
            }
            return std::to_string(int(status)) + " id " + std::to_string(id);
        };
        fast = edit(w.Fast);
        reference = edit(w.Reference);
    }
    Engines_Agree("an edit", fast, reference);
    const int id = std::atoi(fast.substr(fast.find(" id ") + 4).c_str());
    if (fast[0] != '0') return;  // refused: nothing changed
    if (kind == 0xFD)
        w.Edits[id] = {cHV_Wall(a, b)};
    else if (kind == 0xFC)
        w.Edits[id] = Box_Walls(a, b);
    else
        w.Edits.erase(id);
    Build_Fresh(w);
}

int Number(const uint8_t* p) { return int16_t(uint16_t(p[0]) | uint16_t(p[1]) << 8); }

void Run_Queries(cWorlds& w, const uint8_t* q, size_t size) {
    for (; size >= 9; q += 9, size -= 9) {
        const cPoint2D a(Number(q + 1), Number(q + 3)), b(Number(q + 5), Number(q + 7));
        if (q[0] == 0xFE) {
            const int n = w.Fast.N_Doors();
            if (n == 0) continue;
            const int door = int(uint16_t(Number(q + 3))) % n;
            w.Fast.Set_Door(door, (a.x & 1) != 0);
            w.Reference.Set_Door(door, (a.x & 1) != 0);
            if (w.Fresh) w.Fresh->Set_Door(door, (a.x & 1) != 0);
            continue;
        }
        if (q[0] == 0xFD || q[0] == 0xFC || q[0] == 0xFB) {
            Run_Edit(w, q[0], a, b);
            continue;
        }
        switch (q[0] % 5) {
        case 0:
            Compare_Path(w, a, b);
            break;
        case 1:
            Compare_Segment(w, a, b, nullptr);
            break;
        case 2: {
            const std::int64_t limit = std::int64_t(b.x) * b.y;
            Compare_Segment(w, a, b, &limit);
            break;
        }
        case 3:
            Compare_Ball(w, a.x, a.y, b.x);
            break;
        default:
            // The half-size from the kind byte's upper bits: 0 to 6 and now
            // and then a large one.
            Compare_Route(w, a, b, q[0] >= 240 ? (q[0] - 240) * 1000 : (q[0] / 5) % 7);
            break;
        }
    }
}

// Queries across the world it was built with, corner to corner. The
// segments stop after about a thousand units: a walk costs a step per grid
// point, and worlds may be millions of units wide.
void Run_Default_Queries(cWorlds& w) {
    const cRect2D b = w.Fast.Get_Bounds();
    const cPoint2D corners[] = {b.Min, b.Max, cPoint2D(b.Min.x, b.Max.y), cPoint2D(b.Max.x, b.Min.y)};
    const std::int64_t limit = 1000000;
    for (const cPoint2D& a : corners)
        for (const cPoint2D& c : corners) {
            const cPoint2D in_a((a.x + c.x * 3) / 4, (a.y + c.y * 3) / 4);
            Compare_Path(w, a, in_a);
            Compare_Segment(w, a, c, &limit);
            Compare_Ball(w, in_a.x, in_a.y, 5);
            Compare_Route(w, a, in_a, 0);
            Compare_Route(w, in_a, c, 1);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t level_size = 0;
    while (level_size < size && data[level_size] != 0xFF) ++level_size;
    const std::string text(reinterpret_cast<const char*>(data), level_size);

    cWorlds w;
    const std::string fast_loading = Load_And_Build(text, w.Fast);
    const std::string reference_loading = Load_And_Build(text, w.Reference);
    Engines_Agree("loading and building", fast_loading, reference_loading);
    const std::string built = World_Text(w.Fast);
    Engines_Agree("the built world", built, World_Text(w.Reference));
    if (level_size + 1 < size) {
        Run_Queries(w, data + level_size + 1, size - level_size - 1);
    } else {
        Run_Default_Queries(w);
    }
    // Queries leave both worlds as they were built, once the doors are closed
    // and the edits removed.
    for (const auto& edit : w.Edits) {
        if (w.Fast.Remove_Edit(edit.first) != EDIT_DONE || w.Reference.Remove_Edit(edit.first) != EDIT_DONE) {
            std::cerr << "fuzz_level: the edit " << edit.first << " could not be removed\n";
            std::abort();
        }
    }
    w.Edits.clear();
    w.Fresh.reset();
    for (int d = 0; d < w.Fast.N_Doors(); ++d) {
        w.Fast.Set_Door(d, false);
        w.Reference.Set_Door(d, false);
    }
    Same("the fast world changed during the queries", "before", built, "after", World_Text(w.Fast));
    Same("the reference world changed during the queries", "before", built, "after", World_Text(w.Reference));
    return 0;
}
