// The answers of bsplevel's queries as the query commands, batch and the
// picture write them alike: points and lengths as text, the reasons for no
// route, the JSON objects; and the output to a file or standard output.
#include "bsplevel_commands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "level_open.h"

namespace bsp_levels {

std::string Json_Line(const cJson& object) {
    return object.dump(-1, ' ', false, cJson::error_handler_t::replace) + "\n";
}

void Write_Output(const cCommand_Def& c, const std::string& file, const std::string& text, cIo& io) {
    if (file == "-") {
        io.Out << text;
        return;
    }
    std::ofstream f(file, std::ios::out | std::ios::binary | std::ios::trunc);
    if (f.is_open()) f << text;
    if (f.is_open()) f.close();
    if (!f) Fail(c, "cannot write '" + file + "'");
}

std::string Point_Text(const cPoint2D& p) { return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")"; }

// Twelve significant digits, far finer than any caller needs.
std::string Length_Text(double length) {
    char text[40];
    std::snprintf(text, sizeof text, "%.12g", length);
    return text;
}

cRoute_Answer Find_Route(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal, int half_size) {
    cRoute_Answer answer;
    answer.Status = world.Find_Shortest_Path(start, goal, half_size, answer.Path, &answer.Length);
    return answer;
}

cRoute_Answer Find_Partial_Route(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal,
                                 int half_size) {
    cRoute_Options options;
    options.Partial = true;
    cRoute_Answer answer;
    answer.Status = world.Find_Shortest_Path(start, goal, half_size, options, answer.Path, &answer.Length);
    return answer;
}

namespace {

double Between(const cPoint2D& a, const cPoint2D& b) { return std::hypot(double(a.x) - b.x, double(a.y) - b.y); }

}  // namespace

std::string Partial_Reason(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal, int half_size,
                           const cPoint2D& end) {
    // The reason the query without partial routes would give, found without
    // running it again: where the goal lies, then whether the agent fits there.
    ROUTE_STATUS why = ROUTE_NONE;
    cPoint2D place;
    if (!In_Coordinate_Range(goal) || !world.Get_Bounds().In(goal))
        why = ROUTE_OUTSIDE;
    else if (world.Is_Solid(goal) || world.Find_Standing_Point(goal, half_size, place) != ROUTE_FOUND || place != goal)
        why = ROUTE_GOAL_BLOCKED;
    return Route_Reason(world, why, start, goal, half_size) + "; the partial route ends at " + Point_Text(end) + ", " +
           Length_Text(Between(end, goal)) + " from the goal";
}

cPlace_Answer Find_Place(const cGame_World& world, const cPoint2D& p, int half_size) {
    cPlace_Answer a;
    a.Asked = p;
    a.Status = world.Find_Standing_Point(p, half_size, a.Place);
    if (a.Status == ROUTE_FOUND) a.Distance = Between(p, a.Place);
    return a;
}

std::string Place_Reason(const cPlace_Answer& a, int half_size) {
    if (a.Status == ROUTE_OUTSIDE)
        return "the point " + Point_Text(a.Asked) + " lies beyond the coordinate range (-" +
               std::to_string(COORD_LIMIT) + " to " + std::to_string(COORD_LIMIT) + ")";
    if (a.Status == ROUTE_BAD_SIZE) {
        const cValue_Def h = Half_Size("H");
        return "the half-size " + std::to_string(half_size) + " " + Range_Error(half_size, h.Min, h.Max);
    }
    if (a.Status == ROUTE_NO_PLACE)
        return "no place in the world has room for an agent of half-size " + std::to_string(half_size);
    return "the world is not built";
}

cRoute_Any_Answer Find_Route_Any(const cGame_World& world, const cPoint2D& start, const std::vector<cPoint2D>& goals,
                                 int half_size) {
    cRoute_Any_Answer answer;
    answer.Status = world.Find_Nearest_Goal(start, goals, half_size, answer.Path, &answer.Length, &answer.Goal);
    if (answer.Status != ROUTE_FOUND) answer.Goal = -1;
    return answer;
}

std::string Route_Any_Reason(const cGame_World& world, ROUTE_STATUS status, const cPoint2D& start,
                             const std::vector<cPoint2D>& goals, int half_size) {
    // One goal: the single route's reason.
    if (goals.size() == 1) return Route_Reason(world, status, start, goals[0], half_size);
    const std::string agent = "an agent of half-size " + std::to_string(half_size);
    const cRect2D& b = world.Get_Bounds();
    const bool start_outside = !In_Coordinate_Range(start) || !b.In(start);
    switch (status) {
    case ROUTE_OUTSIDE:
        if (start_outside) return Route_Reason(world, status, start, start, half_size);
        return "every goal lies outside the world " + Rect_Text(b);
    case ROUTE_GOAL_BLOCKED:
        return "no goal has room for " + agent + " (each lies outside the world, in solid space or where the "
               "agent's square meets a wall)";
    case ROUTE_START_BLOCKED:
    case ROUTE_BAD_SIZE: return Route_Reason(world, status, start, start, half_size);
    case ROUTE_FOUND:
    case ROUTE_NONE: break;
    }
    if (!world.Is_Built()) return "the world is not built";
    return "no route from " + Point_Text(start) + " to any of the " + std::to_string(goals.size()) + " goals for " +
           agent;
}

std::string Route_Status_Word(ROUTE_STATUS status) {
    std::string word = Route_Status_Name(status);
    std::replace(word.begin(), word.end(), '_', '-');
    return word;
}

std::string Route_Status_Name(ROUTE_STATUS status) {
    if (status == ROUTE_PARTIAL) return "partial";
    if (status == ROUTE_NO_PLACE) return "no_place";
    if (status == ROUTE_STALE) return "stale";
    switch (status) {
    case ROUTE_FOUND: return "found";
    case ROUTE_START_BLOCKED: return "start_blocked";
    case ROUTE_GOAL_BLOCKED: return "goal_blocked";
    case ROUTE_OUTSIDE: return "outside";
    case ROUTE_BAD_SIZE: return "bad_size";
    case ROUTE_NONE: break;
    }
    return "none";
}

// The start or goal whose square meets a wall (or crosses the world's
// border, which bounds the agent too), the point outside the world, or no
// way between them.
std::string Route_Reason(const cGame_World& world, ROUTE_STATUS status, const cPoint2D& start, const cPoint2D& goal,
                         int half_size) {
    const std::string agent = "an agent of half-size " + std::to_string(half_size);
    const cRect2D& b = world.Get_Bounds();
    switch (status) {
    case ROUTE_START_BLOCKED:
    case ROUTE_GOAL_BLOCKED: {
        const bool at_start = status == ROUTE_START_BLOCKED;
        const cPoint2D& p = at_start ? start : goal;
        if (world.Is_Solid(p)) return std::string(at_start ? "the start " : "the goal ") + Point_Text(p) + " lies in solid space";
        const std::int64_t h = half_size;
        const bool crosses = p.x - h < b.Min.x || p.x + h > b.Max.x || p.y - h < b.Min.y || p.y + h > b.Max.y;
        return std::string(at_start ? "the start " : "the goal ") + Point_Text(p) + " is blocked for " + agent +
               ": its square " + (crosses ? "crosses the world's border" : "meets a wall");
    }
    case ROUTE_OUTSIDE: {
        const bool start_outside = !In_Coordinate_Range(start) || !b.In(start);
        return std::string(start_outside ? "the start " : "the goal ") + Point_Text(start_outside ? start : goal) +
               " lies outside the world " + Rect_Text(b);
    }
    case ROUTE_BAD_SIZE: {
        const cValue_Def h = Half_Size("H");
        return "the half-size " + std::to_string(half_size) + " " + Range_Error(half_size, h.Min, h.Max);
    }
    case ROUTE_FOUND:
    case ROUTE_NONE: break;
    }
    return "no route from " + Point_Text(start) + " to " + Point_Text(goal) + " for " + agent;
}

std::string Path_Reason(const cGame_World& world, const cPoint2D& start, const cPoint2D& goal) {
    if (!world.Is_Built()) return "the world is not built";
    const cRect2D& b = world.Get_Bounds();
    for (const cPoint2D* p : {&start, &goal}) {
        const std::string which = p == &start ? "the start " : "the goal ";
        if (!In_Coordinate_Range(*p) || !b.In(*p))
            return which + Point_Text(*p) + " lies outside the world " + Rect_Text(b);
        if (world.Is_Solid(*p)) return which + Point_Text(*p) + " lies in solid space";
    }
    return "no route from " + Point_Text(start) + " to " + Point_Text(goal);
}

std::int64_t Square_Limit(int limit) { return std::int64_t(limit) * limit; }

namespace {

cJson Points_Json(const std::vector<cPoint2D>& points) {
    cJson list = cJson::array();
    for (const cPoint2D& p : points) list.push_back({p.x, p.y});
    return list;
}

// A route's length: the number Length_Text writes, a whole number without a
// fraction ("length":100, "length":111.012913932).
cJson Length_Json(double length) {
    const double shown = std::strtod(Length_Text(length).c_str(), nullptr);
    if (shown == std::floor(shown) && std::fabs(shown) < 1e15) return cJson(std::int64_t(shown));
    return cJson(shown);
}

}  // namespace

cJson Path_Json(bool found, const std::vector<cPoint2D>& path) {
    return cJson{{"found", found}, {"path", Points_Json(path)}};
}

cJson Route_Json(const cRoute_Answer& r) {
    const bool routed = r.Status == ROUTE_FOUND || r.Status == ROUTE_PARTIAL;
    cJson answer{{"status", Route_Status_Name(r.Status)},
                 {"length", routed ? Length_Json(r.Length) : cJson(nullptr)},
                 {"path", Points_Json(r.Path)}};
    if (r.Status == ROUTE_PARTIAL && !r.Path.empty()) answer["end"] = {r.Path.back().x, r.Path.back().y};
    return answer;
}

cJson Place_Json(const cPlace_Answer& a) {
    const bool found = a.Status == ROUTE_FOUND;
    return cJson{{"status", Route_Status_Name(a.Status)},
                 {"place", found ? cJson{a.Place.x, a.Place.y} : cJson(nullptr)},
                 {"distance", found ? Length_Json(a.Distance) : cJson(nullptr)}};
}

cJson Route_Any_Json(const cRoute_Any_Answer& r) {
    const bool found = r.Status == ROUTE_FOUND;
    return cJson{{"status", Route_Status_Name(r.Status)},
                 {"goal", found ? cJson(r.Goal) : cJson(nullptr)},
                 {"length", found ? Length_Json(r.Length) : cJson(nullptr)},
                 {"path", Points_Json(r.Path)}};
}

cJson Segment_Json(bool found, const cPoint2D& hit) {
    cJson answer{{"hit", found}};
    if (found) {
        answer["x"] = hit.x;
        answer["y"] = hit.y;
    }
    return answer;
}

cJson Ball_Json(bool touch) { return cJson{{"touch", touch}}; }

}  // namespace bsp_levels
