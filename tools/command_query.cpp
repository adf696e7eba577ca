// bsplevel's query commands, one question each about a built level: path,
// route, segment and ball.
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

int Run_Route(const cParsed_Args& a, cIo& io) {
    const cPoint2D start = a.Point_At(1), goal = a.Point_At(3);
    const int half_size = a.Int("--agent", 0);
    cTool_Level level = Load_Level_For(a, io);
    const cRoute_Answer r = Find_Route(*level.World, start, goal, half_size);
    const bool found = r.Status == ROUTE_FOUND;
    if (r.Status == ROUTE_BAD_SIZE) Fail(*a.Command, Route_Reason(*level.World, r.Status, start, goal, half_size));
    std::ostringstream s;
    if (a.Has("--json")) {
        s << Json_Line(Route_Json(r));
    } else if (found) {
        for (const cPoint2D& p : r.Path) s << p.x << ' ' << p.y << "\n";
        s << "length " << Length_Text(r.Length) << "\n";
    } else {
        s << "none\n";
    }
    io.Out << s.str();
    if (!found) io.Err << "bsplevel: route: " << Route_Reason(*level.World, r.Status, start, goal, half_size) << "\n";
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
         Json_Option("{\"status\":\"found\",\"length\":L,\"path\":[[x,y],...]}; without a route the status is none, "
                     "start_blocked, goal_blocked or outside, with \"length\":null and \"path\":[]")},
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
        "holds the disc.\n",
        "Exit status 0 when a route exists, 1 when none does.\n"
        "Example: bsplevel route test_levels/level_test_pathfinder_4.txt 55 82 63 83 \\\n"
        "             --agent 2\n",
        Run_Route};
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
