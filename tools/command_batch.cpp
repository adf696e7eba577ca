// bsplevel batch: one level built once, then queries read from standard
// input, one answer line each.
#include "bsplevel_commands.h"

#include <algorithm>
#include <sstream>

#include "parse_int.h"

namespace bsp_levels {

namespace {

// One batch line, split into blank-separated words.
std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

// A malformed batch line: why, answered on its own line.
struct cBad_Line {
    std::string Reason;
};

// One batch answer: its line of text and its fields in JSON.
struct cBatch_Answer {
    std::string Text;
    cJson Json;
};

int Number(const std::string& text) {
    int v = 0;
    if (!Parse_Int(text, v)) throw cBad_Line{"'" + text + "' is not an integer"};
    return v;
}

// A number in a range, named in the reason when it is not.
int Number_In(const std::string& text, const cValue_Def& def) {
    const int v = Number(text);
    const std::string range = Range_Error(v, def.Min, def.Max);
    if (!range.empty()) throw cBad_Line{def.Name + " " + range};
    return v;
}

// ------------------------------------------------------------ edits

const char* Edit_Status_Word(EDIT_STATUS status) {
    switch (status) {
    case EDIT_NOT_BUILT:
        return "not-built";
    case EDIT_NOT_HV:
        return "not-hv";
    case EDIT_OUTSIDE:
        return "outside";
    case EDIT_ON_SOLID_POINT:
        return "on-solid-point";
    case EDIT_UNKNOWN_ID:
        return "unknown-id";
    case EDIT_OVER_LIMIT:
        return "over-limit";
    default:
        return "done";
    }
}

// The edit lines (add-wall, add-box, remove, would-block): true with the
// answer when w is one of them.
bool Answer_Edit(cGame_World& world, const std::vector<std::string>& w, cBatch_Answer& answer) {
    const std::string& q = w[0];
    if (q == "add-wall" || q == "add-box") {
        if (w.size() != 5) throw cBad_Line{q + " needs X1 Y1 X2 Y2"};
        const cPoint2D a(Number(w[1]), Number(w[2])), b(Number(w[3]), Number(w[4]));
        int id = -1;
        const EDIT_STATUS status = q == "add-wall" ? world.Add_Wall(cHV_Wall(a, b), &id) : world.Add_Box(a, b, &id);
        if (status == EDIT_DONE)
            answer = {"edit " + std::to_string(id), cJson{{"edit", id}}};
        else
            answer = {"edit refused " + std::string(Edit_Status_Word(status)),
                      cJson{{"refused", Edit_Status_Word(status)}}};
        return true;
    }
    if (q == "remove") {
        if (w.size() != 2) throw cBad_Line{"remove needs ID"};
        const int id = Number(w[1]);
        const EDIT_STATUS status = world.Remove_Edit(id);
        if (status == EDIT_DONE)
            answer = {"removed " + std::to_string(id), cJson{{"removed", id}}};
        else
            answer = {"remove refused " + std::string(Edit_Status_Word(status)),
                      cJson{{"refused", Edit_Status_Word(status)}}};
        return true;
    }
    if (q == "would-block") {
        if (w.size() != 9 && w.size() != 10) throw cBad_Line{"would-block needs X1 Y1 X2 Y2 SX SY GX GY [H]"};
        const cPoint2D a(Number(w[1]), Number(w[2])), b(Number(w[3]), Number(w[4]));
        const cPoint2D start(Number(w[5]), Number(w[6])), goal(Number(w[7]), Number(w[8]));
        const int half_size = w.size() == 10 ? Number_In(w[9], Half_Size("H")) : 0;
        static const char* const words[] = {"open", "cuts", "no-route", "bad-box"};
        const char* word = words[world.Would_Block(a, b, start, goal, half_size)];
        answer = {std::string("would-block ") + word, cJson{{"block", word}}};
        return true;
    }
    return false;
}

// A route's corners and length on one line, after the words before it.
std::string Route_Line(const std::string& before, const cRoute_Answer& r) {
    std::ostringstream s;
    s << before;
    for (const cPoint2D& p : r.Path) s << ' ' << p.x << ' ' << p.y;
    s << " length " << Length_Text(r.Length);
    return s.str();
}

// route X1 Y1 X2 Y2 [H] [partial]: a partial route is answered "route partial
// X Y ... length L end X Y".
cBatch_Answer Answer_Route(const cGame_World& world, std::vector<std::string> w) {
    const bool partial = w.size() > 1 && w.back() == "partial";
    if (partial) w.pop_back();
    if (w.size() != 5 && w.size() != 6) throw cBad_Line{"route needs X1 Y1 X2 Y2 [H] [partial]"};
    const cPoint2D start(Number(w[1]), Number(w[2])), goal(Number(w[3]), Number(w[4]));
    const int half_size = w.size() == 6 ? Number_In(w[5], Half_Size("H")) : 0;
    const cRoute_Answer r =
        partial ? Find_Partial_Route(world, start, goal, half_size) : Find_Route(world, start, goal, half_size);
    if (r.Status == ROUTE_FOUND) return {Route_Line("route", r), Route_Json(r)};
    if (r.Status != ROUTE_PARTIAL) return {"route none " + Route_Status_Word(r.Status), Route_Json(r)};
    const cPoint2D end = r.Path.empty() ? start : r.Path.back();
    cJson json = Route_Json(r);
    json["end"] = {end.x, end.y};
    return {Route_Line("route partial", r) + " end " + std::to_string(end.x) + ' ' + std::to_string(end.y), json};
}

// nearest X Y [H]: "nearest X Y distance D" or "nearest none WHY".
cBatch_Answer Answer_Nearest(const cGame_World& world, const std::vector<std::string>& w) {
    if (w.size() != 3 && w.size() != 4) throw cBad_Line{"nearest needs X Y [H]"};
    const cPoint2D p(Number(w[1]), Number(w[2]));
    const int half_size = w.size() == 4 ? Number_In(w[3], Half_Size("H")) : 0;
    const cPlace_Answer a = Find_Place(world, p, half_size);
    if (a.Status != ROUTE_FOUND) return {"nearest none " + Route_Status_Word(a.Status), Place_Json(a)};
    return {"nearest " + std::to_string(a.Place.x) + ' ' + std::to_string(a.Place.y) + " distance " +
                Length_Text(a.Distance),
            Place_Json(a)};
}

// route-any X Y GX GY [GX GY]... [H]: the goals in pairs, then H when the
// count is odd; "route-any goal N X Y ... length L" or "route-any none WHY".
cBatch_Answer Answer_Route_Any(const cGame_World& world, const std::vector<std::string>& w) {
    if (w.size() < 5) throw cBad_Line{"route-any needs X Y GX GY [GX GY]... [H]"};
    const cPoint2D start(Number(w[1]), Number(w[2]));
    const bool sized = w.size() % 2 == 0;
    const std::size_t end = sized ? w.size() - 1 : w.size();
    std::vector<cPoint2D> goals;
    for (std::size_t i = 3; i < end; i += 2) goals.emplace_back(Number(w[i]), Number(w[i + 1]));
    const int half_size = sized ? Number_In(w.back(), Half_Size("H")) : 0;
    const cRoute_Any_Answer r = Find_Route_Any(world, start, goals, half_size);
    if (r.Status != ROUTE_FOUND) return {"route-any none " + Route_Status_Word(r.Status), Route_Any_Json(r)};
    return {Route_Line("route-any goal " + std::to_string(r.Goal), r), Route_Any_Json(r)};
}

// Answers one batch query; throws a cBad_Line for a malformed line.
cBatch_Answer Answer(cGame_World& world, const std::vector<std::string>& w) {
    const std::string& q = w[0];
    std::ostringstream s;
    if (q == "path") {
        if (w.size() != 5) throw cBad_Line{"path needs X1 Y1 X2 Y2"};
        const cPoint2D start(Number(w[1]), Number(w[2])), goal(Number(w[3]), Number(w[4]));
        std::vector<cPoint2D> path;
        const bool found = world.Find_Path(start, goal, path);
        s << "path";
        if (!found) s << " none";
        for (const cPoint2D& p : path) s << ' ' << p.x << ' ' << p.y;
        return {s.str(), Path_Json(found, path)};
    }
    if (q == "route") return Answer_Route(world, w);
    if (q == "nearest") return Answer_Nearest(world, w);
    if (q == "route-any") return Answer_Route_Any(world, w);
    if (q == "segment") {
        if (w.size() != 5 && w.size() != 6) throw cBad_Line{"segment needs X1 Y1 X2 Y2 [LIMIT]"};
        const cSeg seg(cPoint2D(Number(w[1]), Number(w[2])), cPoint2D(Number(w[3]), Number(w[4])));
        cPoint2D hit;
        const bool found = w.size() == 6 ? world.Intersect_Segment(seg, hit, Square_Limit(Number_In(w[5], Integer("LIMIT", 0))))
                                         : world.Intersect_Segment(seg, hit);
        if (found) s << "hit " << hit.x << ' ' << hit.y;
        return {found ? s.str() : "no hit", Segment_Json(found, hit)};
    }
    if (q == "door") {
        if (w.size() != 3 || (w[2] != "open" && w[2] != "close")) throw cBad_Line{"door needs D open|close"};
        const int d = Number(w[1]);
        const bool open = w[2] == "open";
        if (!world.Set_Door(d, open))
            throw cBad_Line{"no door " + w[1] + " (the level has " + std::to_string(world.N_Doors()) + ")"};
        return {"door " + std::to_string(d) + (open ? " open" : " closed"), cJson{{"door", d}, {"open", open}}};
    }
    if (q == "ball") {
        if (w.size() != 4) throw cBad_Line{"ball needs X Y R"};
        const int x = Number(w[1]), y = Number(w[2]), r = Number_In(w[3], Integer("R", 0));
        const bool touch = world.Intersect_Ball(x, y, r);
        return {touch ? "touch" : "clear", Ball_Json(touch)};
    }
    cBatch_Answer edit;
    if (Answer_Edit(world, w, edit)) return edit;
    throw cBad_Line{"unknown query '" + q +
                    "' (path, route, route-any, nearest, segment, ball, door, add-wall, add-box, remove or would-block)"};
}

// With --json each answer is one object that begins with the input line it
// answers and the query's name, then the fields the query's own --json
// writes; a malformed line gets {"line":N,"error":REASON}.
int Run_Batch(const cParsed_Args& a, cIo& io) {
    cTool_Level level = Load_Level_For(a, io);
    const bool json = a.Has("--json");
    std::string line;
    int number = 0, malformed = 0;
    while (std::getline(io.In, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> w = Words(line);
        if (w.empty() || w[0][0] == '#') continue;
        cJson object{{"line", number}};
        try {
            const cBatch_Answer answer = Answer(*level.World, w);
            if (json) {
                object["query"] = w[0];
                for (const auto& field : answer.Json.items()) object[field.key()] = field.value();
            } else {
                io.Out << answer.Text << "\n";
            }
        } catch (const cBad_Line& e) {
            ++malformed;
            object["error"] = e.Reason;
            if (!json) io.Out << "error: line " << number << ": " << e.Reason << "\n";
        }
        if (json) io.Out << Json_Line(object);
    }
    if (malformed > 0)
        Fail(*a.Command, std::to_string(malformed) + (malformed == 1 ? " malformed line" : " malformed lines") +
                             " in the input");
    return 0;
}

}  // namespace

const cCommand_Def& Batch_Command() {
    static const cCommand_Def command{
        "batch",
        "answers queries read from standard input, one line each",
        {Text("LEVEL")},
        true,
        {Json_Option("one JSON object per answer line instead: \"line\" (N), \"query\", then the fields of the "
                     "query's own --json, e.g.\n{\"line\":3,\"query\":\"route\",\"status\":\"found\",\"length\":100, "
                     "\"path\":[[50,40],[90,10]]}\n{\"line\":4,\"query\":\"door\",\"door\":0,\"open\":true}\na "
                     "malformed line gives {\"line\":N,\"error\":REASON}")},
        "Builds LEVEL once, then reads queries from standard input, one per line:\n"
        "  path X1 Y1 X2 Y2             answers \"path X Y X Y ...\" or \"path none\"\n"
        "  route X1 Y1 X2 Y2 [H] [partial]\n"
        "                               answers \"route X Y X Y ... length L\" or\n"
        "                               \"route none WHY\", WHY one of none,\n"
        "                               start-blocked, goal-blocked, outside (H as\n"
        "                               route's --agent, 0 when left out); with\n"
        "                               partial, a goal out of reach answers\n"
        "                               \"route partial X Y ... length L end X Y\"\n"
        "  route-any X Y GX GY [GX GY]... [H]\n"
        "                               answers \"route-any goal N X Y ... length L\"\n"
        "                               (N the nearest goal's number, from 0) or\n"
        "                               \"route-any none WHY\"; H is the word after\n"
        "                               the last whole pair\n"
        "  nearest X Y [H]              answers \"nearest X Y distance D\" (the\n"
        "                               nearest place with room for the agent) or\n"
        "                               \"nearest none no-place\"\n"
        "  segment X1 Y1 X2 Y2 [LIMIT]  answers \"hit X Y\" or \"no hit\" (LIMIT as\n"
        "                               segment's --limit)\n"
        "  ball X Y R                   answers \"touch\" or \"clear\"\n"
        "  door D open|close            opens or closes door D for the lines that\n"
        "                               follow; answers \"door D open\" or\n"
        "                               \"door D closed\"\n"
        "  add-wall X1 Y1 X2 Y2         adds a wall to the built level for the lines\n"
        "                               that follow; answers \"edit ID\" or \"edit\n"
        "                               refused WHY\", WHY one of not-hv, outside,\n"
        "                               on-solid-point, over-limit\n"
        "  add-box X1 Y1 X2 Y2          adds the outline of the box with those\n"
        "                               corners, as add-wall\n"
        "  remove ID                    takes an edit away again; answers \"removed\n"
        "                               ID\" or \"remove refused unknown-id\"\n"
        "  would-block X1 Y1 X2 Y2 SX SY GX GY [H]\n"
        "                               whether adding that box would cut every\n"
        "                               route from (SX,SY) to (GX,GY) (H as in\n"
        "                               route); answers \"would-block open\",\n"
        "                               \"cuts\", \"no-route\" or \"bad-box\"; the\n"
        "                               level is not changed\n"
        "Each query gets one answer line on standard output, in order. Blank lines and\n"
        "lines starting with '#' are skipped. A malformed line is answered with\n"
        "\"error: line N: REASON\" (N counts every input line from 1) and the run goes on.\n",
        "Exit status 0, or 2 when a line was malformed (with \"bsplevel: batch: K\n"
        "malformed lines in the input\" on standard error).\n"
        "Example: printf 'path 55 82 63 83\\nroute 55 82 63 83 2\\n' | \\\n"
        "             bsplevel batch LEVEL\n",
        Run_Batch};
    return command;
}

}  // namespace bsp_levels
