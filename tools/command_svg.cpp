// bsplevel svg: a picture of the built level with the answers of the
// queries asked on the command line.
#include "bsplevel_commands.h"

#include <cmath>
#include <sstream>

#include "level_open.h"
#include "svg_picture.h"

namespace bsp_levels {

namespace {

cPoint2D Point_Of(const std::vector<std::string>& values, std::size_t first) {
    return cPoint2D(Checked_Int(values[first]), Checked_Int(values[first + 1]));
}

// The level named under the picture, and what is wrong with it.
std::string Caption(const cTool_Level& level, const cLevel_Stats& st) {
    std::string caption = level.File + ": " + std::to_string(st.Walls) + " walls, " + std::to_string(st.Areas) +
                          " areas, " + std::to_string(st.Portals) + " portals, " + std::to_string(st.Waypoints) +
                          " waypoints";
    const cLevel_Problem load = Load_Problem(level), build = Build_Problem(level);
    if (load) caption += " (the loader stopped early, " + Problem_Words(load) + ")";
    if (build)
        caption += std::string(level.Built ? " (built without solid space, " : " (not built, ") + Problem_Words(build) + ")";
    return caption;
}

int Run_Svg(const cParsed_Args& a, cIo& io) {
    const cCommand_Def& c = *a.Command;
    cSvg_Queries q;
    // --agent H gives the agent's half-size of the --route just before it.
    for (const auto& option : a.In_Order) {
        const std::vector<std::string>& v = option.second;
        if (option.first == "--route") {
            cSvg_Route r;
            r.Start = Point_Of(v, 0);
            r.Goal = Point_Of(v, 2);
            q.Routes.push_back(r);
        } else if (option.first == "--agent") {
            q.Routes.back().Half_Size = Checked_Int(v[0]);
        } else if (option.first == "--partial-route") {
            q.Routes.back().Partial = true;
        }
    }
    cSvg_Options options;
    if (a.Has("--view")) {
        const std::vector<std::string>& v = a.All("--view")[0];
        options.Has_View = true;
        options.View.Min = Point_Of(v, 0);
        options.View.Max = Point_Of(v, 2);
        if (options.View.Min.x == options.View.Max.x || options.View.Min.y == options.View.Max.y)
            Fail(c, "--view X1 Y1 X2 Y2 must have a width and a height");
    }
    if (a.Has("--layers")) {
        std::string error;
        options.Has_Layers = Parse_Svg_Layers(a.Text("--layers"), options.Layers, error);
        if (!options.Has_Layers) Fail(c, "--layers: " + error);
    }
    cTool_Level level = Load_Level_For(a, io);
    cGame_World& world = *level.World;
    for (const std::vector<std::string>& v : a.All("--path")) {
        cSvg_Path p;
        p.Start = Point_Of(v, 0);
        p.Goal = Point_Of(v, 2);
        p.Found = world.Find_Path(p.Start, p.Goal, p.Points);
        q.Paths.push_back(p);
    }
    for (cSvg_Route& r : q.Routes) {
        const cRoute_Answer answer = r.Partial ? Find_Partial_Route(world, r.Start, r.Goal, r.Half_Size)
                                               : Find_Route(world, r.Start, r.Goal, r.Half_Size);
        r.Status = answer.Status;
        r.Points = answer.Path;
        r.Length = answer.Length;
        const std::string route = "route from " + Point_Text(r.Start) + " to " + Point_Text(r.Goal) +
                                  " for an agent of half-size " + std::to_string(r.Half_Size);
        if (answer.Status == ROUTE_FOUND)
            r.Label = route + ": length " + Length_Text(r.Length);
        else if (answer.Status == ROUTE_PARTIAL) {
            const cPoint2D end = answer.Path.empty() ? r.Start : answer.Path.back();
            r.Label = "partial " + route + ": length " + Length_Text(r.Length) + ", ends at " + Point_Text(end) +
                      ", " + Length_Text(std::hypot(double(end.x) - r.Goal.x, double(end.y) - r.Goal.y)) +
                      " from the goal";
        }
        else
            r.Label = Route_Reason(world, answer.Status, r.Start, r.Goal, r.Half_Size);
    }
    for (const std::vector<std::string>& v : a.All("--nearest")) {
        cSvg_Nearest n;
        n.Point = Point_Of(v, 0);
        n.Half_Size = Checked_Int(v[2]);
        const cPlace_Answer place = Find_Place(world, n.Point, n.Half_Size);
        n.Status = place.Status;
        n.Place = place.Place;
        n.Label = place.Status == ROUTE_FOUND
                      ? "nearest place to " + Point_Text(n.Point) + " for an agent of half-size " +
                            std::to_string(n.Half_Size) + ": " + Point_Text(n.Place) + ", " +
                            Length_Text(place.Distance) + " away"
                      : Place_Reason(place, n.Half_Size);
        q.Nearest.push_back(n);
    }
    for (const std::vector<std::string>& v : a.All("--segment")) {
        cSvg_Segment g;
        g.A = Point_Of(v, 0);
        g.B = Point_Of(v, 2);
        g.Hit = world.Intersect_Segment(cSeg(g.A, g.B), g.Hit_Point);
        q.Segments.push_back(g);
    }
    for (const std::vector<std::string>& v : a.All("--ball")) {
        cSvg_Ball b;
        b.Centre = Point_Of(v, 0);
        b.Radius = Checked_Int(v[2]);
        b.Touch = world.Intersect_Ball(b.Centre.x, b.Centre.y, b.Radius);
        q.Balls.push_back(b);
    }
    std::ostringstream svg;
    Write_Svg(svg, world, level.Bounds, Caption(level, Get_Stats(world)), q, options);
    Write_Output(c, a.Text("-o"), svg.str(), io);
    return 0;
}

}  // namespace

const cCommand_Def& Svg_Command() {
    const cValue_Def X1 = Integer("X1"), Y1 = Integer("Y1"), X2 = Integer("X2"), Y2 = Integer("Y2");
    static const cCommand_Def command{
        "svg",
        "a picture of the built world and the queries",
        {Text("LEVEL")},
        true,
        {Option("-o", {Text("FILE.svg")}, "the picture's file; \"-o -\" writes it to standard output").Mandatory(),
         Option("--view", {X1, Y1, X2, Y2},
                "draws only the rectangle with corners (X1,Y1) and (X2,Y2), at the scale of a whole picture"),
         Option("--layers", {Text("LIST")},
                "what is drawn of the level, comma-separated from walls, areas, portals, waypoints, solid. By default all "
          "of them; when the part drawn holds more than 2000 areas or walls, walls and solid only (a comment in the "
          "file says so), each layer as one element"),
         Option("--path", {X1, Y1, X2, Y2}, "a path as the path command finds it").Repeatable(),
         Option("--route", {X1, Y1, X2, Y2}, "a shortest route as the route command finds it").Repeatable(),
         Option("--agent", {Half_Size("H")},
                "the half-size of the agent of the --route just before it (default 0): --route 5 5 95 95 --agent 3")
             .Qualifying("--route"),
         Flag("--partial-route",
              "the --route just before it may stop short: when its goal cannot be reached, the route to the "
              "reachable point nearest to the goal, as route --partial-route finds it")
             .Qualifying("--route"),
         Option("--segment", {X1, Y1, X2, Y2}, "a segment as the segment command walks it").Repeatable(),
         Option("--ball", {Integer("X"), Integer("Y"), Integer("R", 0)}, "a ball as the ball command asks it")
             .Repeatable(),
         Option("--nearest", {Integer("X"), Integer("Y"), Half_Size("H")},
                "the nearest place to (X,Y) with room for an agent of half-size H, as nearest --agent H finds it")
             .Repeatable()},
        "Draws the built world into FILE.svg: free space light, solid rock shaded\n"
        "(nothing of its areas drawn over it), the walls dark, closed doors as brown\n"
        "bars and open ones (--open) dashed, every area's rectangle in light blue with\n"
        "its id, every portal in orange with its id, waypoints as small purple dots,\n"
        "and on top each query asked. Each path and route has a colour of its own\n"
        "(blue, teal, magenta, amber, ...; paths first) and a line in the legend under\n"
        "the picture: a path is a line through its points from a hollow start, a route\n"
        "the same with the agent's square outlined at the start, at every bend and at\n"
        "the goal; one that does not exist is dashed, a blocked end's square red, the\n"
        "reason in the legend. A partial route (--partial-route) that stops short is\n"
        "drawn in long dashes to where it stops, the goal it did not reach crossed out\n"
        "in red with a dotted red line to it, the reason and the distance left in the\n"
        "legend. A nearest place is a dot (and the agent's square) at the place, a\n"
        "dashed line to it from the hollow point asked, and a red cross where there is\n"
        "none. A segment is dashed with the part up to its hit in red\n"
        "and the hit point marked (green when it hits nothing), a ball a circle, red\n"
        "when it touches and green when clear. Ids are written only where they fit.\n"
        "The level's y axis points down the picture. Strokes are scaled to the part\n"
        "drawn and kept thinner than the level's narrow ways.\n",
        "Exit status 0.\n"
        "Example: bsplevel svg test_levels/level_test_pathfinder_4.txt -o level.svg \\\n"
        "             --path 55 82 63 83\n"
        "         bsplevel svg maze.txt -o part.svg --view 0 0 640 640 \\\n"
        "             --layers walls,solid\n"
        "         bsplevel svg LEVEL -o stuck.svg --route 10 10 90 10 --agent 4 \\\n"
        "             --partial-route --nearest 52 20 4\n",
        Run_Svg};
    return command;
}

}  // namespace bsp_levels
