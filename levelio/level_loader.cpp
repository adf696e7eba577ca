#include "level_loader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>

#include "game_bsp.h"
#include "messages.h"

namespace bsp_levels {

namespace {

// Reads the whole file; false when it cannot be opened or read.
bool Read_File(const char* file_name, std::string& text) {
    std::error_code ec;
    if (std::filesystem::is_directory(file_name, ec)) return false;
    std::ifstream file(file_name, std::ios::in | std::ios::binary);
    if (!file.is_open()) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// Windows line endings: drop the carriage return of every CR LF pair.
void Drop_Carriage_Returns(std::string& text) {
    std::string::size_type out = 0;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        text[out++] = text[i];
    }
    text.resize(out);
}

// Where in the text the stream stands (its end once it reached it).
std::streamoff Position(std::istream& in, std::streamoff size) {
    if (!in.good()) return size;
    const std::streamoff at = std::streamoff(in.tellg());
    return at < 0 ? size : at;
}

// The line, counted from 1, that holds the character at offset at.
int Line_Of(const std::string& text, std::streamoff at) {
    const auto end = text.begin() + std::min<std::streamoff>(at, std::streamoff(text.size()));
    return 1 + int(std::count(text.begin(), end, '\n'));
}

// Why the world refused a wall for its limits, in a few words.
std::string Limit_Reason(const cGame_World& world) {
    const cWorld_Limits& limits = world.Get_Limits();
    const std::int64_t items = std::int64_t(world.Get_Level_Walls().size()) + world.N_Doors();
    if (world.Insert_Work() >= limits.Insert_Steps + limits.Insert_Steps_Per_Wall * items)
        return "beyond the world's limits: the " + std::to_string(items) + " walls before it took " +
               std::to_string(world.Insert_Work()) +
               " steps to insert (walls in sorted order make the tree deep, walls crossing one another cut each "
               "other into many pieces; bsplevel import-grid orders walls)";
    return "beyond the world's limits: the " + std::to_string(items) + " walls before it cut one another into " +
           std::to_string(world.N_Nodes) + " pieces";
}

cLoad_Result Failure(LOAD_STATUS status, int line, const std::string& reason) {
    cLoad_Result r;
    r.Status = status;
    r.Line = line;
    r.Reason = reason;
    return r;
}

}  // namespace

cLoad_Result cLevel_Loader::Load(const char* file_name, cGame_World* world) {
    std::string text;
    if (file_name == nullptr) file_name = "";
    if (world == nullptr || !Read_File(file_name, text)) {
        Message_Sink() << "error while opening file : " << file_name << "\n";
        Message_Sink() << "error loading \n";
        return Failure(LOAD_CANNOT_OPEN, 0, "cannot open the file");
    }
    return Load_Text(text, file_name, world);
}

cLoad_Result cLevel_Loader::Load(std::istream& in, const char* name, cGame_World* world) {
    if (name == nullptr) name = "";
    std::string text(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
    if (world == nullptr || in.bad()) {
        Message_Sink() << "error while opening file : " << name << "\n";
        Message_Sink() << "error loading \n";
        return Failure(LOAD_CANNOT_OPEN, 0, "cannot read the level");
    }
    return Load_Text(text, name, world);
}

cLoad_Result Load_Level(const std::string& file_name, cGame_World& world, const cLoad_Options& options) {
    std::string text;
    if (!Read_File(file_name.c_str(), text)) {
        cLoad_Result r = Failure(LOAD_CANNOT_OPEN, 0, "cannot open the file");
        return r;
    }
    return Load_Level_Text(text, file_name, world, options);
}

cLoad_Result Load_Level_Text(const std::string& text, const std::string& name, cGame_World& world,
                             const cLoad_Options& options) {
    std::ostringstream messages;
    cLoad_Result r;
    {
        const cMessage_Redirect keep(&messages, true);
        if (!world.Has_Own_Bounds()) world.Set_Bounds(DEFAULT_WORLD_BOUNDS);
        cLevel_Loader loader;
        loader.Own_Bounds = &world;
        loader.Strict = options.Strict;
        std::string copy(text);
        r = loader.Load_Text(copy, name.c_str(), &world);
    }
    r.Messages = messages.str();
    return r;
}

cLoad_Result cLevel_Loader::Load_Text(std::string& text, const char* name, cGame_World* world) {
    // A UTF-8 byte order mark, as some editors write one, is no item.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    Drop_Carriage_Returns(text);
    std::istringstream in(text);
    const std::streamoff size = std::streamoff(text.size());
    Text_Size = size;

    enum { NONE, AREA, WALLS, SOLID, DOORS } section = NONE;
    int line = 0;
    // The lines of the walls accepted, counted as the reading moves on.
    std::vector<int> wall_lines;
    std::streamoff counted_to = 0;
    int line_of_counted = 1;
    std::vector<int> door_lines, solid_lines;
    auto with_wall_lines = [&](cLoad_Result r) {
        r.Wall_Lines = std::move(wall_lines);
        r.Door_Lines = std::move(door_lines);
        r.Solid_Lines = std::move(solid_lines);
        return r;
    };
    for (;;) {
        while (in.peek() == '\n') {
            in.get();
            ++line;
        }
        if (in.peek() == std::char_traits<char>::eof()) {
            if (Strict && section == NONE)
                return with_wall_lines(Failure(LOAD_NO_LEVEL, 1, "the file is empty: no <AREA>, <WALLS>, <SOLID> or <DOORS> tag"));
            return with_wall_lines(cLoad_Result());
        }
        if (in.peek() == '<') {
            const std::streamoff tag_at = Position(in, size);
            char tag[100] = {};
            in.getline(tag, sizeof tag);
            ++line;
            // Compare every character read, so that a NUL byte cannot hide
            // what follows the tag.
            std::streamsize length = in.gcount();
            if (!in.eof() && !in.fail()) --length;  // the line feed was consumed, not stored
            const std::string text_of_tag(tag, std::size_t(length));
            if (text_of_tag == "<AREA>") {
                section = AREA;
            } else if (text_of_tag == "<WALLS>") {
                section = WALLS;
            } else if (text_of_tag == "<SOLID>") {
                section = SOLID;
            } else if (text_of_tag == "<DOORS>") {
                section = DOORS;
            } else {
                // The tag as the file has it, up to its line's end.
                const std::string::size_type from = std::string::size_type(tag_at);
                const std::string::size_type stop = text.find('\n', from);
                const std::string shown = text.substr(from, stop == std::string::npos ? stop : stop - from);
                return with_wall_lines(Failure(LOAD_UNKNOWN_TAG, Line_Of(text, tag_at), "unknown tag '" + shown + "'"));
            }
        }
        Out_Of_Range = false;
        bool ok = false;
        if (section == AREA) {
            ok = Read_Area_Item(in);
        } else if (section == WALLS || section == SOLID || section == DOORS) {
            in >> std::ws;  // the item's line is that of its first token
            const std::streamoff item_at = Position(in, size);
            line_of_counted += int(std::count(text.begin() + counted_to, text.begin() + item_at, '\n'));
            counted_to = item_at;
            Dropped.clear();
            Over_Limit.clear();
            if (section == WALLS) {
                const std::size_t walls_before = world->Get_Level_Walls().size();
                ok = Read_Wall_Item(in, world);
                if (world->Get_Level_Walls().size() > walls_before) wall_lines.push_back(line_of_counted);
            } else if (section == DOORS) {
                const int doors_before = world->N_Doors();
                ok = Read_Door_Item(in, world);
                if (world->N_Doors() > doors_before) door_lines.push_back(line_of_counted);
            } else {
                const std::size_t points_before = world->Get_Solid_Points().size();
                ok = Read_Solid_Item(in, world);
                if (world->Get_Solid_Points().size() > points_before) solid_lines.push_back(line_of_counted);
            }
        } else {
            const int at = Line_Of(text, Position(in, size));
            std::string rest;
            std::getline(in, rest);
            return with_wall_lines(Failure(LOAD_NO_TAG, at, "an item before the first tag line"));
        }
        if (ok && !Dropped.empty())
            return with_wall_lines(Failure(LOAD_DROPPED_ITEM, line_of_counted, Dropped));
        if (ok && !Over_Limit.empty() && Own_Bounds != nullptr)
            return with_wall_lines(Failure(LOAD_OVER_LIMIT, line_of_counted, Over_Limit));
        if (!ok) {
            Report_Read_Error(line, name);
            std::string reason;
            if (Out_Of_Range)
                reason = "number " + std::to_string(Bad_Number) + " outside the coordinate range \xC2\xB1" +
                         std::to_string(COORD_LIMIT);
            else if (Token_At >= size)
                reason = "the file ends where an item was expected";
            else
                reason = section == AREA    ? "malformed area item"
                         : section == SOLID ? "malformed solid point"
                         : section == DOORS ? "malformed door item"
                                            : "malformed wall item";
            return with_wall_lines(Failure(LOAD_BAD_ITEM, Line_Of(text, Token_At), reason));
        }
        if (in.eof()) return with_wall_lines(cLoad_Result());
    }
}

bool cLevel_Loader::Expect(std::istream& in, char expected) {
    in >> std::ws;
    Token_At = Position(in, Text_Size);
    char c;
    return bool(in >> c) && c == expected;
}

bool cLevel_Loader::Read_Number(std::istream& in, int& value) {
    in >> std::ws;
    Token_At = Position(in, Text_Size);
    // Read wider than int, so that a number beyond int's range is told apart.
    long long v;
    if (!(in >> v)) return false;
    if (v < -COORD_LIMIT || v > COORD_LIMIT) {
        Out_Of_Range = true;
        Bad_Number = v;
        return false;
    }
    value = int(v);
    return true;
}

bool cLevel_Loader::Read_Point(int& x, int& y, std::istream& in) {
    return Expect(in, '[') && Read_Number(in, x) && Expect(in, ',') && Read_Number(in, y) && Expect(in, ']');
}

bool cLevel_Loader::Read_Area_Item(std::istream& in) {
    int x, y;
    if (!Read_Point(x, y, in)) return false;
    const cRect2D area(cPoint2D(0, 0), cPoint2D(x, y));
    if (Own_Bounds != nullptr)
        Own_Bounds->Set_Bounds(area);
    else
        WORLD_BOUNDS = area;
    return true;
}

bool cLevel_Loader::Read_Segment(cHV_Wall& segment, std::istream& in) {
    int x1, y1, x2, y2;
    if (!Read_Point(x1, y1, in) || !Expect(in, '-') || !Expect(in, '>') || !Read_Point(x2, y2, in))
        return false;
    segment = cHV_Wall(cPoint2D(x1, y1), cPoint2D(x2, y2));
    return true;
}

bool cLevel_Loader::Read_Checked_Segment(cHV_Wall& segment, std::istream& in, const char* kind) {
    if (!Strict) return Read_Segment(segment, in);
    int x1, y1, x2, y2;
    if (!Read_Point(x1, y1, in) || !Expect(in, '-') || !Expect(in, '>') || !Read_Point(x2, y2, in))
        return false;
    const cPoint2D a(x1, y1), b(x2, y2);
    std::ostringstream why;
    if (x1 != x2 && y1 != y2)
        why << kind << " " << a << "->" << b << " is neither horizontal nor vertical";
    else if (a == b)
        why << kind << " " << a << "->" << b << " has zero length";
    Dropped = why.str();
    if (Dropped.empty()) segment = cHV_Wall(a, b);
    return true;
}

bool cLevel_Loader::Read_Wall_Item(std::istream& in, cGame_World* world) {
    cHV_Wall wall;
    if (!Read_Checked_Segment(wall, in, "wall")) return false;
    if (Dropped.empty() && world->Insert(wall) == INSERT_OVER_LIMIT) Over_Limit = Limit_Reason(*world);
    return true;
}

bool cLevel_Loader::Read_Solid_Item(std::istream& in, cGame_World* world) {
    int x, y;
    if (!Read_Point(x, y, in)) return false;
    world->Add_Solid_Point(cPoint2D(x, y));
    return true;
}

bool cLevel_Loader::Read_Door_Item(std::istream& in, cGame_World* world) {
    cHV_Wall door;
    if (!Read_Checked_Segment(door, in, "door")) return false;
    if (Dropped.empty() && world->Add_Door(door) == INSERT_OVER_LIMIT) Over_Limit = Limit_Reason(*world);
    return true;
}

void cLevel_Loader::Report_Read_Error(int line, const char* file_name) {
    std::ostringstream msg;
    msg << "ERROR while reading file : " << file_name << " at line " << line << "\n";
    Message_Sink() << msg.str();
}

}  // namespace bsp_levels
