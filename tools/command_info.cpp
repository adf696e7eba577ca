// bsplevel's commands that describe a level: info (what was loaded and
// built, in numbers) and dump (the library's dump of the tree).
#include "bsplevel_commands.h"

#include <cmath>
#include <sstream>

#include "level_open.h"
#include "messages.h"

namespace bsp_levels {

namespace {

// Describes what was loaded and built, even from a level that is not whole;
// that is then an error all the same (status 2), unless --partial is given.
// A map given for a level is not described: its line says what it is.
int Run_Info(const cParsed_Args& a, cIo& io) {
    cTool_Level level = Read_Level_Of(a);
    const cLevel_Verdict verdict = Judge(level);
    if (verdict.Is_Map) throw cLevel_Error{verdict.Lines[0]};
    Open_Doors(a, *level.World);
    const cLevel_Problem load = Load_Problem(level), build = Build_Problem(level);
    // Milliseconds to the microsecond.
    auto ms = [](double t) { return std::round(t * 1000) / 1000; };
    const cLevel_Stats st = Get_Stats(*level.World);
    const cRect2D& b = level.Bounds;
    std::ostringstream s;
    if (a.Has("--json")) {
        cJson info{{"level", level.File},
                   {"loaded", level.Loaded},
                   {"built", level.Built},
                   {"bounds", {b.Min.x, b.Min.y, b.Max.x, b.Max.y}},
                   {"walls", st.Walls},
                   {"wall_nodes", st.Wall_Nodes},
                   {"tree_depth", st.Tree_Depth},
                   {"areas", st.Areas},
                   {"portals", st.Portals},
                   {"waypoints", st.Waypoints},
                   {"solid_areas", st.Solid_Areas},
                   {"doors", st.Doors},
                   {"door_pieces", st.Door_Pieces},
                   {"open_doors", st.Open_Doors}};
        if (a.Has("--time")) {
            info["load_ms"] = ms(level.Load_Ms);
            info["build_ms"] = ms(level.Build_Ms);
        }
        if (!verdict.Lines.empty()) info["error"] = verdict.Lines[0];
        s << Json_Line(info);
    } else {
        s << "level: " << level.File << "\n";
        s << "loaded: " << (load ? "no, " + Problem_Words(load) + "; the world holds what was read" : "yes") << "\n";
        // Solid points that mark the whole world leave it built without solid space.
        s << "built: "
          << (!build ? (level.Built ? "yes" : "no")  // a level beyond the world's limits is not built
                     : level.Built ? "yes, without solid space: " + Problem_Words(build) : "no, " + Problem_Words(build))
          << "\n";
        s << "bounds: " << b.Min.x << ' ' << b.Min.y << ' ' << b.Max.x << ' ' << b.Max.y << "\n";
        s << "walls read: " << st.Walls << "\n";
        s << "wall nodes: " << st.Wall_Nodes << "\n";
        s << "tree depth: " << st.Tree_Depth << "\n";
        s << "areas: " << st.Areas << "\n";
        s << "portals: " << st.Portals << "\n";
        s << "waypoints: " << st.Waypoints << "\n";
        s << "solid areas: " << st.Solid_Areas << "\n";
        s << "doors: " << st.Doors << " (" << st.Door_Pieces << " pieces, " << st.Open_Doors << " open)\n";
        if (a.Has("--time")) s << "load time: " << level.Load_Ms << " ms\nbuild time: " << level.Build_Ms << " ms\n";
    }
    io.Out << s.str();
    if (Answers_Anyway(a, verdict)) {
        for (const std::string& line : verdict.Lines) io.Err << line << "\n";
        return 0;
    }
    io.Err << verdict.Lines[0] << "\n";
    return 2;
}

int Run_Dump(const cParsed_Args& a, cIo& io) {
    cTool_Level level = Load_Level_For(a, io);
    if (level.World->Root != nullptr) {
        cMessage_Redirect to_out(&io.Out);
        level.World->Root->Print();
    }
    return 0;
}

}  // namespace

const cCommand_Def& Info_Command() {
    static const cCommand_Def command{
        "info",
        "bounds, walls read, wall nodes, tree depth, areas, portals, waypoints, solid areas, doors, load and build "
        "state",
        {Text("LEVEL")},
        true,
        {Json_Option("one JSON object instead: level, loaded, built, bounds [xmin,ymin,xmax,ymax], walls, "
                     "wall_nodes, tree_depth, areas, portals, waypoints, solid_areas, doors, door_pieces, open_doors, "
                     "with --time load_ms and build_ms, and error (the error's line) when the level is not whole"),
         Flag("--time",
              "adds the load time (reading the file and inserting the walls) and the build time (areas, portals, "
              "waypoints, solid space), processor time in milliseconds")},
        "Loads and builds LEVEL and describes the world, one \"key: value\" per line:\n"
        "  level:        the level file\n"
        "  loaded:       yes, or \"no, line N: REASON; the world holds what was read\"\n"
        "                when the loader stopped early (the world is then built from\n"
        "                what was read, unless it went beyond the world's limits)\n"
        "  built:        yes, or \"no, line N: REASON\" when the world refused its build\n"
        "                (\"yes, without solid space: line N: REASON\" when the solid\n"
        "                points mark the whole world; \"no\" when the level went\n"
        "                beyond the world's limits and was not built)\n"
        "  bounds:       the world's rectangle, XMIN YMIN XMAX YMAX\n"
        "  walls read:   the walls the world holds, doors not counted\n"
        "  wall nodes:   the tree's wall nodes (wall pieces that divide; pieces on an\n"
        "                earlier wall's line add none)\n"
        "  tree depth:   the most wall nodes on one way from the root to an area\n"
        "  areas:        the areas (the tree's leaves)\n"
        "  portals:      the open stretches between neighbouring areas\n"
        "  waypoints:    the points inside areas that join two portals on one side\n"
        "  solid areas:  the areas in solid space\n"
        "  doors:        \"D (P pieces, O open)\": the doors, the stretches under them\n"
        "                between two areas, the doors open (by --open)\n"
        "  load time:    with --time, in ms\n"
        "  build time:   with --time, in ms\n",
        "Exit status 0; 2, after the description, when the level is not whole (0 with\n"
        "--partial, the level's lines on standard error). A map given for a level is\n"
        "not described: its one line says what it is.\n"
        "Example: bsplevel info test_levels/level_test_pathfinder_4.txt\n",
        Run_Info};
    return command;
}

const cCommand_Def& Dump_Command() {
    static const cCommand_Def command{
        "dump",
        "the tree dump from the root",
        {Text("LEVEL")},
        true,
        {},
        "Prints the library's dump of the built tree from the root: a line\n"
        "\"FRONT] <---> [BACK] \" per wall node, with the ids of its children (areas\n"
        "have negative ids), and a block per area with its bounds, wall pieces and\n"
        "portals. Front children come before back children.\n",
        "Exit status 0.\n"
        "Example: bsplevel dump test_levels/level_test_pathfinder_4.txt\n",
        Run_Dump};
    return command;
}

}  // namespace bsp_levels
