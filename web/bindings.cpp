// JavaScript bindings of the library (embind). One cWeb_Level holds one
// built world. It is made empty from JavaScript, then filled from a level
// text, a grid map, a Tiled map or a level of an LDtk project; what went
// wrong comes back as a result object, never as a C++ exception, and the
// JavaScript API
// (bsp_levels_api.js) turns it into an Error. Level texts are read strictly,
// as bsplevel reads them: a dropped wall or door, an empty text or one
// without a tag is a failure on its line, and the same lines come back as
// the tool writes them. The queries take whole numbers that the API has
// checked; the library answers every query on any built world, so nothing
// here can reach one of its assertions.
#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "level_loader.h"
#include "level_open.h"
#include "messages.h"
#if BSP_WEB_TILED
#include "ldtk_import.h"
#include "tiled_import.h"
#endif
#include "tool_level.h"

using namespace bsp_levels;

using emscripten::val;

namespace {

// A JavaScript Int32Array holding a copy of values.
val Int32_Array(const std::vector<int>& values) {
    return val::global("Int32Array")
        .new_(emscripten::typed_memory_view(values.size(), values.empty() ? nullptr : values.data()));
}

// What went wrong while a level was made, as the JavaScript API reports it.
struct cProblem {
    std::string Stage;     // "map" (the grid or Tiled map), "load" (the level text) or "build"
    int Line = 0;          // the line where the reading stopped, or of the item refused (0: none)
    std::string Reason;    // a few words, as bsplevel gives them
};

// A UTF-8 byte order mark, which some editors write at the start of a file,
// is no part of a map; the level loader and the Tiled importer skip it
// themselves.
std::string Without_Byte_Order_Mark(const std::string& text) {
    return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
}

// A JavaScript array of strings.
val String_Array(const std::vector<std::string>& items) {
    val array = val::array();
    for (const std::string& item : items) array.call<void>("push", item);
    return array;
}

#if BSP_WEB_TILED
// The files a map names (tilesets, templates, an LDtk project's level
// files), read through a JavaScript function: read(path as the map writes
// it) gives {text} (a string or the file's bytes) or {error} (why it cannot;
// the function never throws). Without a function, no file is read.
cTileset_Reader Files_Reader(const val& read) {
    return [read](const std::string& source, std::string& text, std::string& why) {
        if (read.typeOf().as<std::string>() != "function") {
            why = "the files beside the map were not given";
            return false;
        }
        const val answer = read(source);
        if (answer.hasOwnProperty("text")) {
            text = answer["text"].as<std::string>();
            return true;
        }
        why = answer.hasOwnProperty("error") ? answer["error"].as<std::string>() : std::string("cannot read it");
        return false;
    };
}

// The options of a Tiled import as the JavaScript API hands them over,
// checked there: {layer, solidProperty, objectClasses (an array, or null for
// the default), maxTiles, scale}.
cTiled_Options Tiled_Options_Of(const val& o) {
    cTiled_Options options;
    options.Layer = o["layer"].as<std::string>();
    options.Solid_Property = o["solidProperty"].as<std::string>();
    if (!o["objectClasses"].isNull()) options.Object_Classes = emscripten::vecFromJSArray<std::string>(o["objectClasses"]);
    options.Max_Tiles = std::int64_t(o["maxTiles"].as<double>());
    options.Scale = o["scale"].as<int>();
    return options;
}

// The same for LDtk: {level, values (an array, empty for the default), scale}.
cLdtk_Options Ldtk_Options_Of(const val& o) {
    cLdtk_Options options;
    options.Level = o["level"].as<std::string>();
    options.Values = emscripten::vecFromJSArray<std::string>(o["values"]);
    options.Scale = o["scale"].as<int>();
    return options;
}
#endif

class cWeb_Level {
public:
    // Loads a level text into a new world of its own, strictly, and builds
    // it whatever the loader answered, as bsplevel does. The result says
    // {ok, problems: [{stage, line, reason}], messages}: the load's problem
    // then the build's, as bsplevel --partial writes them (the world stays,
    // built from what was read, for a caller that answers from it); messages
    // are the library's own, written during the load and the build.
    val Load_Text(const std::string& text, const std::string& name) {
        std::ostringstream messages;
        cMessage_Redirect capture(&messages);
        const bool done = Load(text, name);
        return Result(done, messages.str());
    }

    // Reads a grid map, turns it into a level as bsplevel import-grid does
    // (cell units per cell, walls in the balanced order, and with solid, as
    // its --solid, a point in every group of blocked cells), then loads and
    // builds that level.
    val Import_Grid_Map(const std::string& map_text, int cell, bool solid, const std::string& name) {
        std::ostringstream messages;
        cMessage_Redirect capture(&messages);
        if (Level.World) return Refuse("map", 0, "the level is already made", messages.str());
        if (cell < 1) return Refuse("map", 0, "the cell size must be at least 1", messages.str());
        const double start = emscripten_get_now();
        std::istringstream in(Without_Byte_Order_Mark(map_text));
        cGrid_Map map;
        std::string error;
        if (!Read_Grid_Map(in, map, error)) return Refuse("map", 0, error, messages.str());
        const std::int64_t width = std::int64_t(map.Width) * cell, height = std::int64_t(map.Height) * cell;
        if (width > COORD_LIMIT || height > COORD_LIMIT)
            return Refuse("map", 0,
                          "the level would measure " + std::to_string(width) + " x " + std::to_string(height) +
                              " units, beyond the coordinate limit " + std::to_string(COORD_LIMIT),
                          messages.str());
        const std::vector<cGrid_Wall> walls = Order_Walls(Trace_Walls(map, cell), cWall_Order::BALANCED);
        const std::vector<cPoint2D> rock = solid ? Solid_Points(map, cell) : std::vector<cPoint2D>();
        std::ostringstream level;
        Write_Level(level, int(width), int(height), walls, solid ? &rock : nullptr);
        Import_Ms = emscripten_get_now() - start;
        const bool done = Load(level.str(), name);
        return Result(done, messages.str());
    }

#if BSP_WEB_TILED
    // Reads a Tiled map (.tmx or .tmj text) and turns it into a level as
    // bsplevel import-tiled does (walls in the balanced order, and with
    // solid, as its --solid, a point in every group of blocked space), then
    // loads and builds that level. The files the map names (external
    // tilesets, templates) are read through read (see Files_Reader); the
    // importer's notes come back in the result's notes.
    val Import_Tiled_Map(const std::string& map_text, const val& options, bool solid, const val& read,
                         const std::string& name) {
        std::ostringstream messages;
        cMessage_Redirect capture(&messages);
        if (Level.World) return Refuse("map", 0, "the level is already made", messages.str());
        const cTiled_Options tiled = Tiled_Options_Of(options);
        if (tiled.Scale < 1) return Refuse("map", 0, "the scale must be at least 1", messages.str());
        const double start = emscripten_get_now();
        cTiled_Map map;
        std::string error;
        if (!Read_Tiled_Text(map_text, tiled, Files_Reader(read), map, error))
            return Refuse("map", 0, error, messages.str());
        Notes = map.Notes;
        return Import_Space(map.Space, solid, name, start, messages);
    }

    // Reads one level of an LDtk project (.ldtk text) and turns it into a
    // level as bsplevel import-ldtk does; level files saved apart (.ldtkl)
    // are read through read.
    val Import_Ldtk_Map(const std::string& project_text, const val& options, bool solid, const val& read,
                        const std::string& name) {
        std::ostringstream messages;
        cMessage_Redirect capture(&messages);
        if (Level.World) return Refuse("map", 0, "the level is already made", messages.str());
        const cLdtk_Options ldtk = Ldtk_Options_Of(options);
        if (ldtk.Scale < 1) return Refuse("map", 0, "the scale must be at least 1", messages.str());
        const double start = emscripten_get_now();
        cLdtk_Map map;
        std::string error;
        if (!Read_Ldtk_Text(project_text, ldtk, Files_Reader(read), map, error))
            return Refuse("map", 0, error, messages.str());
        Notes = map.Notes;
        return Import_Space(map.Space, solid, name, start, messages);
    }
#endif

    // What the importer said about the map the level was made from (what
    // was used as collision, what was skipped), one line each.
    val Notes_Of() const { return String_Array(Notes); }

    // The fields of bsplevel info --json.
    val Info() const {
        val info = val::object();
        info.set("level", Level.File);
        info.set("loaded", Level.Loaded);
        info.set("built", Level.Built);
        val bounds = val::array();
        const cRect2D& b = Level.Bounds;
        bounds.call<void>("push", b.Min.x, b.Min.y, b.Max.x, b.Max.y);
        info.set("bounds", bounds);
        const cLevel_Stats st = Level.World ? Get_Stats(*Level.World) : cLevel_Stats();
        info.set("walls", st.Walls);
        info.set("wall_nodes", st.Wall_Nodes);
        info.set("tree_depth", st.Tree_Depth);
        info.set("areas", st.Areas);
        info.set("portals", st.Portals);
        info.set("waypoints", st.Waypoints);
        info.set("solid_areas", st.Solid_Areas);
        info.set("doors", st.Doors);
        info.set("door_pieces", st.Door_Pieces);
        info.set("open_doors", st.Open_Doors);
        return info;
    }

    // How long the level took to make, in milliseconds (wall-clock time):
    // {importMs, loadMs, buildMs}; importMs is 0 for a level text.
    val Timings() const {
        val t = val::object();
        t.set("importMs", Import_Ms);
        t.set("loadMs", Load_Ms);
        t.set("buildMs", Build_Ms);
        return t;
    }

    // The route's points, flat (x, y, x, y ...), or null without a route.
    val Find_Path(int x1, int y1, int x2, int y2) const {
        if (!Level.World) return val::null();
        std::vector<cPoint2D> path;
        if (!Level.World->Find_Path(cPoint2D(x1, y1), cPoint2D(x2, y2), path)) return val::null();
        std::vector<int> flat;
        flat.reserve(2 * path.size());
        for (const cPoint2D& p : path) {
            flat.push_back(p.x);
            flat.push_back(p.y);
        }
        return Int32_Array(flat);
    }

    // The shortest route for a square agent of half-size half_size (0 to
    // COORD_LIMIT, which the API checks): {status, path, length}, status a
    // ROUTE_STATUS, path the corners after the start, flat (x, y, x, y ...),
    // empty without a route.
    val Find_Shortest_Path(int x1, int y1, int x2, int y2, int half_size) const {
        std::vector<cPoint2D> path;
        double length = 0;
        const ROUTE_STATUS status =
            Level.World
                ? Level.World->Find_Shortest_Path(cPoint2D(x1, y1), cPoint2D(x2, y2), half_size, path, &length)
                : ROUTE_NONE;
        std::vector<int> flat;
        flat.reserve(2 * path.size());
        for (const cPoint2D& p : path) {
            flat.push_back(p.x);
            flat.push_back(p.y);
        }
        val r = val::object();
        r.set("status", int(status));
        r.set("path", Int32_Array(flat));
        r.set("length", length);
        return r;
    }

    // The first wall point [x, y] on the segment, or null. A negative limit
    // means none; otherwise the walk stops after the first point at distance
    // limit or more from the start.
    val Intersect_Segment(int x1, int y1, int x2, int y2, int limit) const {
        if (!Level.World) return val::null();
        const cSeg seg(cPoint2D(x1, y1), cPoint2D(x2, y2));
        cPoint2D hit;
        const bool found = limit < 0 ? Level.World->Intersect_Segment(seg, hit)
                                     : Level.World->Intersect_Segment(seg, hit, std::int64_t(limit) * limit);
        if (!found) return val::null();
        return Int32_Array({hit.x, hit.y});
    }

    bool Intersect_Ball(int x, int y, int radius) const {
        return Level.World && Level.World->Intersect_Ball(x, y, radius);
    }

    // ---------------------------------------------------------------- crowds
    //
    // The nearest place to (x, y) where an agent of half-size half_size
    // has room: {status, x, y}, status a ROUTE_STATUS (ROUTE_FOUND with the
    // place, ROUTE_NO_PLACE when it fits nowhere).
    val Standing_Point(int x, int y, int half_size) const {
        cPoint2D place;
        const ROUTE_STATUS status =
            Level.World ? Level.World->Find_Standing_Point(cPoint2D(x, y), half_size, place) : ROUTE_NONE;
        val r = val::object();
        r.set("status", int(status));
        r.set("x", place.x);
        r.set("y", place.y);
        return r;
    }

    // A crowd ordered to one goal: a route field built for (gx, gy) and
    // half_size, then the routes of n agents from random free starts (points
    // of the world where the agent has room, drawn from seed; a start the
    // field finds no route from is drawn again, up to 20 n draws in all).
    // {status (the field's build: ROUTE_FOUND when the agent fits at the
    // goal), buildMs, answerMs (every answer, those without a route too),
    // answers (how many were asked), fieldBytes, starts (x, y per agent),
    // counts (corners per route), points (the corners after each start,
    // flat, route after route), lengths}.
    val Crowd(int gx, int gy, int half_size, int n, int seed) const {
        val r = val::object();
        std::vector<int> starts, counts, points;
        std::vector<double> lengths;
        cRoute_Field field;
        double build_ms = 0, answer_ms = 0;
        int answers = 0;
        ROUTE_STATUS status = ROUTE_NONE;
        if (Level.World && n > 0) {
            const cGame_World& world = *Level.World;
            double t = emscripten_get_now();
            status = field.Build(world, cPoint2D(gx, gy), half_size);
            build_ms = emscripten_get_now() - t;
            const cRect2D& b = world.Get_Bounds();
            std::mt19937 random{std::uint32_t(seed)};
            std::uniform_int_distribution<int> along_x(b.Min.x, b.Max.x), along_y(b.Min.y, b.Max.y);
            const std::int64_t most_draws = 20 * std::int64_t(n);
            std::int64_t draws = 0;
            std::vector<cPoint2D> candidates, path;
            while (status == ROUTE_FOUND && int(counts.size()) < n && draws < most_draws) {
                // Free starts for the agents still missing (not timed), then
                // their answers, timed together.
                candidates.clear();
                while (int(candidates.size()) < n - int(counts.size()) && draws < most_draws) {
                    ++draws;
                    const cPoint2D p(along_x(random), along_y(random));
                    cPoint2D place;
                    if (world.Find_Standing_Point(p, half_size, place) == ROUTE_FOUND && place == p)
                        candidates.push_back(p);
                }
                t = emscripten_get_now();
                for (const cPoint2D& p : candidates) {
                    double length = 0;
                    ++answers;
                    if (field.Route(p, path, &length) != ROUTE_FOUND) continue;
                    starts.insert(starts.end(), {p.x, p.y});
                    counts.push_back(int(path.size()));
                    for (const cPoint2D& q : path) points.insert(points.end(), {q.x, q.y});
                    lengths.push_back(length);
                }
                answer_ms += emscripten_get_now() - t;
            }
        }
        r.set("status", int(status));
        r.set("buildMs", build_ms);
        r.set("answerMs", answer_ms);
        r.set("answers", answers);
        r.set("fieldBytes", double(field.Footprint()));
        r.set("starts", Int32_Array(starts));
        r.set("counts", Int32_Array(counts));
        r.set("points", Int32_Array(points));
        r.set("lengths", val::global("Float64Array")
                             .new_(emscripten::typed_memory_view(lengths.size(),
                                                                 lengths.empty() ? nullptr : lengths.data())));
        return r;
    }

    // For drawing: every wall accepted, in insertion order (x1, y1, x2, y2 each).
    val Walls() const {
        std::vector<int> flat;
        if (Level.World)
            for (const cHV_Wall& w : Level.World->Get_Level_Walls())
                flat.insert(flat.end(), {w.p0.x, w.p0.y, w.p1.x, w.p1.y});
        return Int32_Array(flat);
    }

    // Every area's bounds (xmin, ymin, xmax, ymax), in numbering order: the
    // k-th (from 0) is area -(k+1).
    val Areas() const {
        std::vector<int> flat;
        if (Level.World)
            for (const cSquarePortal* a : Level.World->Areas)
                flat.insert(flat.end(), {a->Bounds.Min.x, a->Bounds.Min.y, a->Bounds.Max.x, a->Bounds.Max.y});
        return Int32_Array(flat);
    }

    // Every portal's segment (x1, y1, x2, y2), in creation order: the k-th is portal k.
    val Portals() const {
        std::vector<int> flat;
        if (Level.World)
            for (const cPortal* p : Level.World->Portals) {
                const cHV_Seg& s = p->Segment;
                flat.insert(flat.end(), {s.p0.x, s.p0.y, s.p1.x, s.p1.y});
            }
        return Int32_Array(flat);
    }

    // Every waypoint's position (x, y), area by area.
    val Waypoints() const {
        std::vector<int> flat;
        if (Level.World)
            for (const cSquarePortal* a : Level.World->Areas)
                for (const cAligned_WayPoint* w : a->WayPoints) flat.insert(flat.end(), {w->Position.x, w->Position.y});
        return Int32_Array(flat);
    }

    // Whether each area lies in solid space, one flag per area in the
    // order of Areas().
    val Solid_Areas() const {
        std::vector<unsigned char> flags;
        if (Level.World) {
            flags.reserve(Level.World->Areas.size());
            for (const cSquarePortal* a : Level.World->Areas) flags.push_back(a->Solid ? 1 : 0);
        }
        return val::global("Uint8Array")
            .new_(emscripten::typed_memory_view(flags.size(), flags.empty() ? nullptr : flags.data()));
    }

    // Whether (x, y) lies in solid space (a point on the wall around a solid
    // region stands on its face, not in it).
    bool Is_Solid(int x, int y) const { return Level.World && Level.World->Is_Solid(cPoint2D(x, y)); }

    int N_Doors() const { return Level.World ? Level.World->N_Doors() : 0; }

    // The world, for the edits' block below (null before a level is made).
    cGame_World* Edit_World() { return Level.World.get(); }

    // Every door, in numbering order: x1, y1, x2, y2 and 1 when open, 0 when
    // closed.
    val Doors() const {
        std::vector<int> flat;
        if (Level.World) {
            const std::vector<cHV_Wall>& doors = Level.World->Get_Level_Doors();
            for (std::size_t d = 0; d < doors.size(); ++d) {
                const cHV_Wall& w = doors[d];
                flat.insert(flat.end(), {w.p0.x, w.p0.y, w.p1.x, w.p1.y, Level.World->Is_Door_Open(int(d)) ? 1 : 0});
            }
        }
        return Int32_Array(flat);
    }

    // Opens or closes door id; false for a number the level has no door for.
    bool Set_Door(int id, bool open) { return Level.World && Level.World->Set_Door(id, open); }

    bool Is_Door_Open(int id) const { return Level.World && Level.World->Is_Door_Open(id); }

private:
    cTool_Level Level;     // the world, its name, and how its load and build went
    std::vector<cProblem> Problems;
    std::vector<std::string> Notes;  // the importer's, for a map
    double Import_Ms = 0;  // reading and converting a map
    double Load_Ms = 0;    // reading the level text and inserting the walls
    double Build_Ms = 0;   // areas, portals, waypoints, solid space

    // Loads text into a new world and builds it, whatever the loader
    // answered, as bsplevel does; true when both went through. Otherwise
    // Problems says why, as the tool does: where the loader stopped, then the
    // first wall, door or solid point that the world refused, with its line.
    bool Load(const std::string& text, const std::string& name) {
        if (Level.World) {
            Problems = {{"load", 0, "the level is already made"}};
            return false;
        }
        Level.File = name;
        Level.World.reset(new cGame_World());
        double start = emscripten_get_now();
        // The world's own rectangle; read strictly, as bsplevel reads.
        Level.Load_Result = Load_Level_Text(text, Level.File, *Level.World);
        Message_Sink() << Level.Load_Result.Messages;
        Load_Ms = emscripten_get_now() - start;
        Level.Loaded = Level.Load_Result;
        start = emscripten_get_now();
        Level.Build_Status = Level.World->Build();
        Build_Ms = emscripten_get_now() - start;
        Level.Built = Level.World->Is_Built();
        Level.Bounds = Level.World->Get_Bounds();
        Problems.clear();
        const cLevel_Problem load = Load_Problem(Level), build = Build_Problem(Level);
        if (load) Problems.push_back({"load", load.Line, load.Reason});
        if (build) Problems.push_back({"build", build.Line, build.Reason});
        return Problems.empty();
    }

#if BSP_WEB_TILED
    // The level a map's blocked space makes, as the tool writes it, loaded
    // and built; start is when the import began.
    val Import_Space(const cBlocked_Space& space, bool solid, const std::string& name, double start,
                     const std::ostringstream& messages) {
        const std::vector<cGrid_Wall> walls = Order_Walls(Trace_Walls(space), cWall_Order::BALANCED);
        const std::vector<cPoint2D> rock = solid ? Solid_Points(space) : std::vector<cPoint2D>();
        std::ostringstream level;
        Write_Level(level, space.Width, space.Height, walls, solid ? &rock : nullptr);
        Import_Ms = emscripten_get_now() - start;
        const bool done = Load(level.str(), name);
        return Result(done, messages.str());
    }
#endif

    val Result(bool done, const std::string& messages) const {
        val r = val::object();
        r.set("ok", done);
        r.set("messages", messages);
        r.set("notes", String_Array(Notes));
        val problems = val::array();
        for (const cProblem& p : Problems) problems.call<void>("push", Problem(p));
        r.set("problems", problems);
        return r;
    }

    static val Problem(const cProblem& p) {
        val r = val::object();
        r.set("stage", p.Stage);
        r.set("line", p.Line);
        r.set("reason", p.Reason);
        return r;
    }

    static val Refuse(const std::string& stage, int line, const std::string& reason, const std::string& messages) {
        val r = val::object();
        r.set("ok", false);
        r.set("messages", messages);
        r.set("notes", val::array());
        val problems = val::array();
        problems.call<void>("push", Problem({stage, line, reason}));
        r.set("problems", problems);
        return r;
    }
};

// Whether the engine under the bindings has these features yet; the
// JavaScript API and the viewer enable what is there.
val Features() {
    val f = val::object();
    f.set("shortestPath", true);   // a route for an agent of a given size
    f.set("doors", true);          // doors that open and close on a built level
    f.set("solidSpace", true);     // solid regions marked at the build
    f.set("tiledMaps", bool(BSP_WEB_TILED));  // levels from Tiled maps (see web/CMakeLists.txt)
    f.set("ldtkProjects", bool(BSP_WEB_TILED));  // levels from LDtk projects, built with the same libraries
    return f;
}

// What a text holds, told by its beginning as Open_Level tells a file's:
// "grid" (a grid map's header), "tiled" (a Tiled map, XML or JSON), "ldtk"
// (an LDtk project) or "level" (anything else).
std::string Format_Of(const std::string& text) {
    switch (Format_Of_Text(text.substr(0, 65536))) {
    case cLevel_Format::GRID:
        return "grid";
    case cLevel_Format::TILED:
        return "tiled";
    case cLevel_Format::LDTK:
        return "ldtk";
    default:
        return "level";
    }
}

#if BSP_WEB_TILED
// What a Tiled map holds, for choosing its collision layer: {ok, error,
// listing: {width, height, tileWidth, tileHeight, infinite, layers: [{path,
// kind, tiles, objects, properties, use}], tilesets: [{name, source,
// firstGid, tileCount, shapeTiles, shapes, shapeKinds, solidTiles}], text}},
// text as bsplevel import-tiled --list prints it.
val List_Tiled(const std::string& map_text, const val& options, const val& read) {
    cTiled_Listing listing;
    std::string error;
    val r = val::object();
    std::ostringstream messages;
    cMessage_Redirect capture(&messages);
    const bool ok = List_Tiled_Text(map_text, Tiled_Options_Of(options), Files_Reader(read), listing, error);
    r.set("ok", ok);
    r.set("error", error);
    if (!ok) return r;
    val l = val::object();
    l.set("width", double(listing.Width));
    l.set("height", double(listing.Height));
    l.set("tileWidth", double(listing.Tile_Width));
    l.set("tileHeight", double(listing.Tile_Height));
    l.set("infinite", listing.Infinite);
    val layers = val::array();
    for (const cTiled_Layer_Entry& e : listing.Layers) {
        val layer = val::object();
        layer.set("path", e.Path);
        layer.set("kind", e.Kind);
        layer.set("tiles", double(e.Tiles));
        layer.set("objects", double(e.Objects));
        layer.set("properties", e.Properties);
        layer.set("use", e.Use);
        layers.call<void>("push", layer);
    }
    l.set("layers", layers);
    val tilesets = val::array();
    for (const cTiled_Tileset_Entry& e : listing.Tilesets) {
        val tileset = val::object();
        tileset.set("name", e.Name);
        tileset.set("source", e.Source);
        tileset.set("firstGid", double(e.First_Gid));
        tileset.set("tileCount", double(e.Tile_Count));
        tileset.set("shapeTiles", double(e.Shape_Tiles));
        tileset.set("shapes", double(e.Shapes));
        tileset.set("shapeKinds", e.Shape_Kinds);
        tileset.set("solidTiles", e.Solid_Tiles);
        tilesets.call<void>("push", tileset);
    }
    l.set("tilesets", tilesets);
    l.set("text", Format_Tiled_Listing(listing));
    r.set("listing", l);
    return r;
}

// What an LDtk project holds, for choosing its level: {ok, error, listing:
// {levels: [{identifier, worldX, worldY, width, height, source, layers}],
// values: [{layer, value, identifier, chosen}], text}}, text as bsplevel
// import-ldtk --list prints it.
val List_Ldtk(const std::string& project_text, const val& options, const val& read) {
    cLdtk_Listing listing;
    std::string error;
    val r = val::object();
    std::ostringstream messages;
    cMessage_Redirect capture(&messages);
    const bool ok = List_Ldtk_Text(project_text, Ldtk_Options_Of(options), Files_Reader(read), listing, error);
    r.set("ok", ok);
    r.set("error", error);
    if (!ok) return r;
    val l = val::object();
    val levels = val::array();
    for (const cLdtk_Level_Entry& e : listing.Levels) {
        val level = val::object();
        level.set("identifier", e.Identifier);
        level.set("worldX", double(e.World_X));
        level.set("worldY", double(e.World_Y));
        level.set("width", double(e.Width));
        level.set("height", double(e.Height));
        level.set("source", e.Source);
        level.set("layers", e.Layers);
        levels.call<void>("push", level);
    }
    l.set("levels", levels);
    val values = val::array();
    for (const cLdtk_Value_Entry& e : listing.Values) {
        val value = val::object();
        value.set("layer", e.Layer);
        value.set("value", double(e.Value));
        value.set("identifier", e.Identifier);
        value.set("chosen", e.Chosen);
        values.call<void>("push", value);
    }
    l.set("values", values);
    l.set("text", Format_Ldtk_Listing(listing));
    r.set("listing", l);
    return r;
}
#endif

}  // namespace

EMSCRIPTEN_BINDINGS(bsp_levels) {
    emscripten::function("Features", &Features);
    emscripten::function("Format_Of", &Format_Of);
#if BSP_WEB_TILED
    emscripten::function("List_Tiled", &List_Tiled);
    emscripten::function("List_Ldtk", &List_Ldtk);
#endif
    emscripten::constant("COORD_LIMIT", COORD_LIMIT);
    emscripten::class_<cWeb_Level>("cWeb_Level")
        .constructor<>()
        .function("Load_Text", &cWeb_Level::Load_Text)
        .function("Import_Grid_Map", &cWeb_Level::Import_Grid_Map)
#if BSP_WEB_TILED
        .function("Import_Tiled_Map", &cWeb_Level::Import_Tiled_Map)
        .function("Import_Ldtk_Map", &cWeb_Level::Import_Ldtk_Map)
#endif
        .function("Notes", &cWeb_Level::Notes_Of)
        .function("Info", &cWeb_Level::Info)
        .function("Timings", &cWeb_Level::Timings)
        .function("Find_Path", &cWeb_Level::Find_Path)
        .function("Find_Shortest_Path", &cWeb_Level::Find_Shortest_Path)
        .function("Intersect_Segment", &cWeb_Level::Intersect_Segment)
        .function("Intersect_Ball", &cWeb_Level::Intersect_Ball)
        .function("Walls", &cWeb_Level::Walls)
        .function("Areas", &cWeb_Level::Areas)
        .function("Portals", &cWeb_Level::Portals)
        .function("Waypoints", &cWeb_Level::Waypoints)
        .function("Solid_Areas", &cWeb_Level::Solid_Areas)
        .function("Is_Solid", &cWeb_Level::Is_Solid)
        .function("N_Doors", &cWeb_Level::N_Doors)
        .function("Doors", &cWeb_Level::Doors)
        .function("Set_Door", &cWeb_Level::Set_Door)
        .function("Is_Door_Open", &cWeb_Level::Is_Door_Open)
        // Crowds.
        .function("Standing_Point", &cWeb_Level::Standing_Point)
        .function("Crowd", &cWeb_Level::Crowd);
}

// ------------------------------------------------------------------ edits
//
// Walls and boxes added to the built level and removed again (the viewer's
// edit mode): free functions of a level, bound on their own.
namespace {

// Adds the outline of the box with corners (x1, y1), (x2, y2): its id, or
// -1 - the refusal's status (EDIT_STATUS).
int Web_Add_Box(cWeb_Level& level, int x1, int y1, int x2, int y2) {
    cGame_World* world = level.Edit_World();
    if (world == nullptr) return -1 - int(EDIT_NOT_BUILT);
    std::ostringstream messages;
    cMessage_Redirect capture(&messages);
    int id = -1;
    const EDIT_STATUS status = world->Add_Box(cPoint2D(x1, y1), cPoint2D(x2, y2), &id);
    return status == EDIT_DONE ? id : -1 - int(status);
}

// Adds a wall: as Web_Add_Box.
int Web_Add_Wall(cWeb_Level& level, int x1, int y1, int x2, int y2) {
    cGame_World* world = level.Edit_World();
    if (world == nullptr) return -1 - int(EDIT_NOT_BUILT);
    std::ostringstream messages;
    cMessage_Redirect capture(&messages);
    int id = -1;
    const EDIT_STATUS status = world->Add_Wall(cHV_Wall(cPoint2D(x1, y1), cPoint2D(x2, y2)), &id);
    return status == EDIT_DONE ? id : -1 - int(status);
}

// Takes an edit away: its status (EDIT_DONE, EDIT_UNKNOWN_ID).
int Web_Remove_Edit(cWeb_Level& level, int id) {
    cGame_World* world = level.Edit_World();
    if (world == nullptr) return int(EDIT_UNKNOWN_ID);
    std::ostringstream messages;
    cMessage_Redirect capture(&messages);
    return int(world->Remove_Edit(id));
}

// The edits present: id, then the extent of its walls x1, y1, x2, y2, five
// numbers each, in the order of the ids.
val Web_Edits(cWeb_Level& level) {
    std::vector<int> flat;
    if (const cGame_World* world = level.Edit_World())
        for (int id : world->Edit_Ids()) {
            const std::vector<cHV_Wall> walls = world->Edit_Walls(id);
            cRect2D r(walls.front().p0, walls.front().p1);
            for (const cHV_Wall& w : walls)
                r = cRect2D(cPoint2D(std::min({r.Min.x, w.p0.x, w.p1.x}), std::min({r.Min.y, w.p0.y, w.p1.y})),
                            cPoint2D(std::max({r.Max.x, w.p0.x, w.p1.x}), std::max({r.Max.y, w.p0.y, w.p1.y})));
            flat.insert(flat.end(), {id, r.Min.x, r.Min.y, r.Max.x, r.Max.y});
        }
    return val::global("Int32Array").new_(emscripten::typed_memory_view(flat.size(), flat.empty() ? nullptr : flat.data()));
}

// Whether adding the box would cut every route from start to goal for the
// half-size (BLOCK_STATUS), the level unchanged.
int Web_Would_Block(cWeb_Level& level, int x1, int y1, int x2, int y2, int sx, int sy, int gx, int gy, int half_size) {
    const cGame_World* world = level.Edit_World();
    if (world == nullptr) return int(BLOCK_NO_ROUTE);
    std::ostringstream messages;
    cMessage_Redirect capture(&messages);
    return int(world->Would_Block(cPoint2D(x1, y1), cPoint2D(x2, y2), cPoint2D(sx, sy), cPoint2D(gx, gy), half_size));
}

}  // namespace

EMSCRIPTEN_BINDINGS(bsp_levels_edits) {
    emscripten::function("Add_Box", &Web_Add_Box);
    emscripten::function("Add_Wall", &Web_Add_Wall);
    emscripten::function("Remove_Edit", &Web_Remove_Edit);
    emscripten::function("Edits", &Web_Edits);
    emscripten::function("Would_Block", &Web_Would_Block);
}
