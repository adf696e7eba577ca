// bsplevel's query commands, one question each about a built level: path,
// route (partial routes too), segment, ball, nearest and route-any.
#include "bsplevel_commands.h"

#include <sstream>

namespace bsp_levels {

namespace {

std::vector<cValue_Def> Level_And_Two_Points() {
    return {Text("LEVEL"), Integer("X1"), Integer("Y1"), Integer("X2"), Integer("Y2")};
}

int Run_Path(const cParsed_Args& a, cIo& io) {
    const cPoint2D start = a.Point_At(1), goal = a.Point_At(3);
    cTool_Level level = Load_Level_For(a, io);
    std::vector<cPoint2D> path;
    const bool found = level.World->Find_Path(start, goal, path);
    std::ostringstream s;
    if (a.Has("--json")) {
        s << Json_Line(Path_Json(found, path));
    } else if (found) {
        for (const cPoint2D& p : path) s << p.x << ' ' << p.y << "\n";
    } else {
        s << "none\n";
    }
    io.Out << s.str();
    if (!found) io.Err << "bsplevel: path: " << Path_Reason(*level.World, start, goal) << "\n";
    return found ? 0 : 1;
}

// The route's corners, one "X Y" per line, then "length L".
std::string Route_Lines(const cRoute_Answer& r) {
    std::ostringstream s;
    for (const cPoint2D& p : r.Path) s << p.x << ' ' << p.y << "\n";
    s << "length " << Length_Text(r.Length) << "\n";
    return s.str();
}

int Run_Route(const cParsed_Args& a, cIo& io) {
    const cPoint2D start = a.Point_At(1), goal = a.Point_At(3);
    const int half_size = a.Int("--agent", 0);
    const bool partial = a.Has("--partial-route");
    cTool_Level level = Load_Level_For(a, io);
    const cRoute_Answer r = partial ? Find_Partial_Route(*level.World, start, goal, half_size)
                                    : Find_Route(*level.World, start, goal, half_size);
    const bool found = r.Status == ROUTE_FOUND;
    if (r.Status == ROUTE_BAD_SIZE) Fail(*a.Command, Route_Reason(*level.World, r.Status, start, goal, half_size));
    // A partial route that stays at the start has no corner: it ends there.
    const cPoint2D end = r.Path.empty() ? start : r.Path.back();
    std::ostringstream s;
    if (a.Has("--json")) {
        cJson json = Route_Json(r);
        if (r.Status == ROUTE_PARTIAL) json["end"] = {end.x, end.y};
        s << Json_Line(json);
    } else if (found) {
        s << Route_Lines(r);
    } else if (r.Status == ROUTE_PARTIAL) {
        s << "partial\n" << Route_Lines(r) << "end " << end.x << ' ' << end.y << "\n";
    } else {
        s << "none\n";
    }
    io.Out << s.str();
    if (r.Status == ROUTE_PARTIAL)
        io.Err << "bsplevel: route: " << Partial_Reason(*level.World, start, goal, half_size, end) << "\n";
    else if (!found)
        io.Err << "bsplevel: route: " << Route_Reason(*level.World, r.Status, start, goal, half_size) << "\n";
    return found ? 0 : 1;
}

int Run_Nearest(const cParsed_Args& a, cIo& io) {
    const cPoint2D p = a.Point_At(1);
    const int half_size = a.Int("--agent", 0);
    cTool_Level level = Load_Level_For(a, io);
    const cPlace_Answer place = Find_Place(*level.World, p, half_size);
    const bool found = place.Status == ROUTE_FOUND;
    std::ostringstream s;
    if (a.Has("--json"))
        s << Json_Line(Place_Json(place));
    else if (found)
        s << place.Place.x << ' ' << place.Place.y << "\ndistance " << Length_Text(place.Distance) << "\n";
    else
        s << "none\n";
    io.Out << s.str();
    if (!found) io.Err << "bsplevel: nearest: " << Place_Reason(place, half_size) << "\n";
    return found ? 0 : 1;
}

int Run_Route_Any(const cParsed_Args& a, cIo& io) {
    const cPoint2D start = a.Point_At(1);
    std::vector<cPoint2D> goals;
    for (std::size_t i = 3; i + 1 < a.Positional.size(); i += 2) goals.push_back(a.Point_At(i));
    const int half_size = a.Int("--agent", 0);
    cTool_Level level = Load_Level_For(a, io);
    const cRoute_Any_Answer r = Find_Route_Any(*level.World, start, goals, half_size);
    const bool found = r.Status == ROUTE_FOUND;
    std::ostringstream s;
    if (a.Has("--json"))
        s << Json_Line(Route_Any_Json(r));
    else if (found)
        s << "goal " << r.Goal << "\n" << Route_Lines(r);
    else
        s << "none\n";
    io.Out << s.str();
    if (!found)
        io.Err << "bsplevel: route-any: " << Route_Any_Reason(*level.World, r.Status, start, goals, half_size) << "\n";
    return found ? 0 : 1;
}

int Run_Segment(const cParsed_Args& a, cIo& io) {
    const cSeg seg(a.Point_At(1), a.Point_At(3));
    cTool_Level level = Load_Level_For(a, io);
    cPoint2D hit;
    const bool found = a.Has("--limit") ? level.World->Intersect_Segment(seg, hit, Square_Limit(a.Int("--limit", 0)))
                                        : level.World->Intersect_Segment(seg, hit);
    std::ostringstream s;
    if (a.Has("--json")) {
        s << Json_Line(Segment_Json(found, hit));
    } else if (found) {
        s << "hit " << hit.x << ' ' << hit.y << "\n";
    } else {
        s << "no hit\n";
    }
    io.Out << s.str();
    return found ? 0 : 1;
}

int Run_Ball(const cParsed_Args& a, cIo& io) {
    const cPoint2D centre = a.Point_At(1);
    const int radius = a.Int_At(3);
    cTool_Level level = Load_Level_For(a, io);
    const bool touch = level.World->Intersect_Ball(centre.x, centre.y, radius);
    if (a.Has("--json"))
        io.Out << Json_Line(Ball_Json(touch));
    else
        io.Out << (touch ? "touch\n" : "clear\n");
    return touch ? 0 : 1;
}

}  // namespace

const cCommand_Def& Path_Command() {
    static const cCommand_Def command{
        "path",
        "the route: the points to head for, one \"X Y\" per line",
        Level_And_Two_Points(),
        true,
        {Json_Option("{\"found\":true,\"path\":[[x,y],...]} ({\"found\":false,\"path\":[]})")},
        "The route from (X1,Y1) to (X2,Y2): the points to head for, one \"X Y\" per line.\n"
        "The start is not among them; the last point is the goal. When both points lie\n"
        "in one area the route is the goal alone. No route passes a closed door or\n"
        "starts or ends in solid space. Without a route it prints \"none\" and one line\n"
        "on standard error saying why: no route, or the start or the goal lies outside\n"
        "the world or in solid space.\n",
        "Exit status 0 when a route exists, 1 when none does.\n"
        "Example: bsplevel path test_levels/level_test_pathfinder_4.txt 55 82 63 83\n",
        Run_Path};
    return command;
}

const cCommand_Def& Route_Command() {
    static const cCommand_Def command{
        "route",
        "the shortest route for a square agent of half-size H (default 0): its corners, one \"X Y\" per line, then "
        "\"length L\"",
        Level_And_Two_Points(),
        true,
        {Option("--agent", {Half_Size("H")}, "the agent's half-size, 0 (the default) to 100000000"),
         Flag("--partial-route",
              "when the goal cannot be reached (no way through, the agent does not fit there, it lies in solid "
              "space or outside the world), prints \"partial\", then the shortest route to the reachable point "
              "nearest to the goal as a route is printed, then \"end X Y\", that point"),
         Json_Option("{\"status\":\"found\",\"length\":L,\"path\":[[x,y],...]}; without a route the status is none, "
                     "start_blocked, goal_blocked or outside, with \"length\":null and \"path\":[]; a partial "
                     "route has \"status\":\"partial\", its length and path, and \"end\":[x,y]")},
        "The shortest route from (X1,Y1) to (X2,Y2) for a square agent of half-size H\n"
        "centred on the route: the square, open, never meets a wall or a closed door\n"
        "and never leaves the world. With H = 0 the route may touch walls and run along\n"
        "them but never crosses one. Prints the route's corners, one \"X Y\" per line,\n"
        "the start left out and the goal last, then \"length L\" (twelve significant\n"
        "digits). Without a route it prints \"none\" and one line on standard error\n"
        "saying why: no route, the start's or the goal's square meets a wall (or\n"
        "crosses the world's border), a point lies in solid space, or a point lies\n"
        "outside the world.\n"
        "A round agent of radius r is served, conservatively, by H = r: the square\n"
        "holds the disc.\n"
        "With --partial-route a goal that cannot be reached still gets a route, to the\n"
        "point nearest to the goal that the agent can reach (out of solid space; among\n"
        "equally near points the one of the shortest route): \"partial\", the route's\n"
        "corners, \"length L\", \"end X Y\", and one line on standard error saying why\n"
        "the goal cannot be reached and how far from it the route ends. A start where\n"
        "the agent does not fit, or outside the world, still gets \"none\".\n",
        "Exit status 0 when a route reaches the goal, 1 when none does (a partial route\n"
        "included).\n"
        "Example: bsplevel route test_levels/level_test_pathfinder_4.txt 55 82 63 83 \\\n"
        "             --agent 2\n"
        "         bsplevel route test_levels/level_test_pathfinder_4.txt 55 82 63 83 \\\n"
        "             --agent 4 --partial-route\n",
        Run_Route};
    return command;
}

const cCommand_Def& Nearest_Command() {
    static const cCommand_Def command{
        "nearest",
        "the nearest place to (X,Y) where an agent of half-size H (default 0) has room: \"X Y\", then "
        "\"distance D\"",
        {Text("LEVEL"), Integer("X"), Integer("Y")},
        true,
        {Option("--agent", {Half_Size("H")}, "the agent's half-size, 0 (the default) to 100000000"),
         Json_Option("{\"status\":\"found\",\"place\":[x,y],\"distance\":D}; without a place the status is "
                     "no_place (or outside, none) with \"place\":null and \"distance\":null")},
        "The point nearest to (X,Y) where a square agent of half-size H has room: its\n"
        "square meets no wall or closed door and stays in the world, and its centre is\n"
        "not in solid space (with H = 0, any point of the world out of solid space,\n"
        "walls included). (X,Y) itself when the agent fits there; among equally near\n"
        "points the least Y, then the least X. (X,Y) may lie outside the world. Prints\n"
        "the place as \"X Y\", then \"distance D\" (twelve significant digits), or\n"
        "\"none\" and one line on standard error when the agent fits nowhere in the\n"
        "world (or the point lies beyond the coordinate range).\n"
        "Where a click lands inside rock or too near a wall, this is the place to send\n"
        "the unit instead.\n",
        "Exit status 0 when there is a place, 1 when there is none.\n"
        "Example: bsplevel nearest test_levels/level_test_pathfinder_4.txt 63 83 \\\n"
        "             --agent 4\n",
        Run_Nearest};
    return command;
}

const cCommand_Def& Route_Any_Command() {
    static const cCommand_Def command{
        "route-any",
        "the shortest route to whichever goal is nearest by route length: \"goal N\" (counted from 0), the corners, "
        "then \"length L\"",
        {Text("LEVEL"), Integer("X"), Integer("Y"), Integer("GX"), Integer("GY")},
        true,
        {Option("--agent", {Half_Size("H")}, "the agent's half-size, 0 (the default) to 100000000"),
         Json_Option("{\"status\":\"found\",\"goal\":N,\"length\":L,\"path\":[[x,y],...]}; without a route the "
                     "status is none, start_blocked, goal_blocked or outside, with \"goal\":null, \"length\":null "
                     "and \"path\":[]")},
        "The shortest route from (X,Y) for a square agent of half-size H, as route finds\n"
        "it, to whichever of the goals (GX,GY) is nearest by route length, in one\n"
        "search. Prints \"goal N\", the goal's number in the list counted from 0 (among\n"
        "equally near goals, any), then the route's corners, one \"X Y\" per line, and\n"
        "\"length L\". Goals where the agent cannot stand (outside the world, in solid\n"
        "space, where its square meets a wall) are passed over. Without a route it\n"
        "prints \"none\" and one line on standard error saying why: the start is\n"
        "blocked or outside the world, no goal has room for the agent, every goal lies\n"
        "outside the world, or none is reachable.\n",
        "Exit status 0 when a route exists, 1 when none does.\n"
        "Example: bsplevel route-any test_levels/level_test_pathfinder_4.txt 55 82 \\\n"
        "             63 83 10 10 90 10 --agent 2\n",
        Run_Route_Any,
        2};
    return command;
}

const cCommand_Def& Segment_Command() {
    static const cCommand_Def command{
        "segment",
        "\"hit X Y\" (the first wall point met) or \"no hit\"",
        Level_And_Two_Points(),
        true,
        {Option("--limit", {Integer("N", 0)},
                "stops after the first point at distance N or more from the start (N >= 0; the library's squared "
                "limit N*N)"),
         Json_Option("{\"hit\":true,\"x\":X,\"y\":Y} or {\"hit\":false}")},
        "Walks the grid points of the segment from (X1,Y1) to (X2,Y2) and prints the\n"
        "first one that lies on a wall or a closed door as \"hit X Y\", or \"no hit\".\n"
        "The start point is never tested, the end point is; a segment whose ends lie\n"
        "in one area answers \"no hit\" at once.\n",
        "Exit status 0 for a hit, 1 for no hit.\n"
        "Example: bsplevel segment test_levels/level_test_intersections.txt 10 10 90 90\n",
        Run_Segment};
    return command;
}

const cCommand_Def& Ball_Command() {
    static const cCommand_Def command{
        "ball",
        "\"touch\" or \"clear\"",
        {Text("LEVEL"), Integer("X"), Integer("Y"), Integer("R", 0)},
        true,
        {Json_Option("{\"touch\":true} or {\"touch\":false}")},
        "Prints \"touch\" when a wall or a closed door lies closer than R to (X,Y), or\n"
        "the centre lies in solid space, and \"clear\" otherwise (a wall exactly R away\n"
        "does not touch). R must not be negative.\n",
        "Exit status 0 for touch, 1 for clear.\n"
        "Example: bsplevel ball test_levels/level_test_intersections.txt 50 50 10\n",
        Run_Ball};
    return command;
}

}  // namespace bsp_levels
