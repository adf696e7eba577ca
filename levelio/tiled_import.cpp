#include "tiled_import.h"

#include <tinyxml2.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "import_support.h"
#include "parse_int.h"

namespace bsp_levels {

namespace {

using cJson = nlohmann::json;
using tinyxml2::XMLElement;

// A map refused, with the reason. Thrown anywhere below the public functions
// and turned into their error string there.
struct cRefusal {
    std::string Reason;
};

[[noreturn]] void Refuse(const std::string& reason) { throw cRefusal{reason}; }

std::string Quote(const std::string& text) { return Quote_Name(text); }

// The high bits of a gid: horizontal, vertical and anti-diagonal flip, and
// the hexagonal maps' 120 degree rotation. The rest is the tile's global id.
const std::uint32_t FLIP_H = 0x80000000u, FLIP_V = 0x40000000u, FLIP_D = 0x20000000u, ROTATE_HEX = 0x10000000u;
const std::uint32_t FLAG_BITS = FLIP_H | FLIP_V | FLIP_D | ROTATE_HEX;

// The tile properties that mark blocking tiles when no Solid_Property is given.
const char* const SOLID_PROPERTIES[] = {"collision", "collides", "solid", "wall"};

// Layer groups nest at most this deep; a polygon has at most this many points.
const int GROUP_DEPTH_LIMIT = 64;
const std::size_t POINT_LIMIT = 4096;

// ================================================================ the map as read

enum class cKind { RECTANGLE, POLYGON, POLYLINE, ELLIPSE, CAPSULE, POINT, TEXT };

// The fields an object states itself; a template instance takes the others
// from its template.
enum : unsigned {
    HAS_NAME = 1,
    HAS_CLASS = 2,
    HAS_X = 4,
    HAS_Y = 8,
    HAS_WIDTH = 16,
    HAS_HEIGHT = 32,
    HAS_ROTATION = 64,
    HAS_GID = 128,
    HAS_SHAPE = 256,
};

struct cObject {
    std::int64_t Id = 0;
    std::string Name, Class;
    cKind Kind = cKind::RECTANGLE;
    double X = 0, Y = 0, Width = 0, Height = 0, Rotation = 0;
    std::uint32_t Gid = 0;                          // with its flip bits; 0: not a tile object
    bool Template_Gid = false;                      // Gid is its template's, in the template's tileset
    std::vector<std::pair<double, double>> Points;  // polygons and polylines, relative to X, Y
    std::string Template;                           // the template's path, as the map writes it
    unsigned Has = 0;
    std::string Error;  // why the object could not be read; raised only when it is used

    std::string Label() const { return "object " + std::to_string(Id) + (Name.empty() ? "" : " " + Quote(Name)); }
};

// A tile that its tileset describes.
struct cTile_Info {
    std::string Class;
    double Width = 0, Height = 0;        // its own image's size; 0: the tileset's tile size
    std::vector<cObject> Shapes;         // its collision shapes
    std::vector<std::string> True_Bools;  // its bool properties that are true
};

struct cTileset {
    std::string Name, Source;
    std::int64_t First_Gid = 0;
    std::int64_t Count = -1;  // tiles; -1: not said, up to the next tileset
    double Tile_Width = 0, Tile_Height = 0;
    double Offset_X = 0, Offset_Y = 0;  // its tile offset
    bool Grid_Size = false;             // tiles drawn at the map's grid size
    bool Aspect_Fit = false;            // ... keeping their aspect
    std::string Alignment;              // tile objects' anchor; empty: bottom left
    std::map<std::int64_t, cTile_Info> Tiles;

    const cTile_Info* Tile(std::int64_t local) const {
        const auto it = Tiles.find(local);
        return it == Tiles.end() ? nullptr : &it->second;
    }
};

// A rectangle of a tile layer's cells (a finite map's layer is one, at 0,0)
// and how to get its gids, row by row; Gids refuses malformed data. count
// is the number of cells the chunk claims, a bound for decompression only.
struct cChunk {
    std::int64_t X = 0, Y = 0, Width = 0, Height = 0;
    std::function<std::vector<std::uint32_t>(std::int64_t count)> Gids;
};

enum class cLayer_Kind { TILE, OBJECT, IMAGE, GROUP };

struct cLayer {
    cLayer_Kind Kind = cLayer_Kind::TILE;
    std::string Name, Path;  // Path: "Group/Name"
    std::vector<std::string> Groups;  // the paths of the groups holding it, outermost first
    bool Marked = false;     // its name, its collision property or a group's says collision
    double Offset_X = 0, Offset_Y = 0;  // summed through its groups
    std::string Properties;  // for the listing
    std::vector<cChunk> Chunks;
    std::vector<cObject> Objects;
    std::string Error;  // why the layer could not be read; raised only when it is used
};

struct cModel {
    bool Infinite = false;
    std::int64_t Width = 0, Height = 0;  // tiles, of a finite map
    std::int64_t Tile_Width = 0, Tile_Height = 0;
    std::vector<cTileset> Tilesets;
    std::vector<cLayer> Layers;
};

void Check_Orientation(const std::string& orientation) {
    if (orientation == "orthogonal") return;
    const bool plain = !orientation.empty() && orientation.size() <= 20 &&
                       std::all_of(orientation.begin(), orientation.end(),
                                   [](char c) { return std::islower(static_cast<unsigned char>(c)) != 0; });
    Refuse((plain ? orientation : Quote(orientation)) + " maps are not supported (only orthogonal maps are)");
}

// Whether a layer's or group's name or properties mark it for collision.
bool Marks_Collision(const std::string& name, bool property) { return property || Holds_Word(name, "collision"); }

// ================================================================ tile data

// Tile numbers separated by commas, blanks and line ends.
std::vector<std::uint32_t> Parse_Csv(const char* text) {
    std::vector<std::uint32_t> gids;
    if (text == nullptr) return gids;
    const char* p = text;
    auto skip_blanks = [&]() {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    };
    skip_blanks();
    while (*p != '\0') {
        if (*p < '0' || *p > '9') Refuse(std::string("CSV data: ") + Quote(std::string(p, std::min<std::size_t>(std::strlen(p), 12))) + " is not a tile number");
        std::uint64_t value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + std::uint64_t(*p++ - '0');
            if (value > 0xffffffffu) Refuse("CSV data: a tile number beyond 32 bits");
        }
        gids.push_back(std::uint32_t(value));
        skip_blanks();
        if (*p == ',') {
            ++p;
            skip_blanks();
        } else if (*p != '\0') {
            Refuse(std::string("CSV data: ") + Quote(std::string(p, std::min<std::size_t>(std::strlen(p), 12))) +
                   " where a comma was due");
        }
    }
    return gids;
}

int Base64_Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Base64 with its padding; blanks and line ends anywhere are skipped.
std::string Decode_Base64(const std::string& text) {
    std::string letters;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') letters += c;
    if (letters.size() % 4 != 0)
        Refuse("base64 data is truncated: " + std::to_string(letters.size()) + " characters, not a multiple of 4");
    std::string bytes;
    bytes.reserve(letters.size() / 4 * 3);
    for (std::size_t i = 0; i < letters.size(); i += 4) {
        int v[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = letters[i + std::size_t(k)];
            const bool last_quad = i + 4 == letters.size();
            if (c == '=' && last_quad && k >= 2 && (k == 3 || letters[i + 3] == '=')) {
                v[k] = 0;
                ++padding;
                continue;
            }
            v[k] = Base64_Value(c);
            if (v[k] < 0 || padding > 0) Refuse("base64 data holds " + Quote(std::string(1, c)) + ", not a base64 character");
        }
        const std::uint32_t quad = std::uint32_t(v[0]) << 18 | std::uint32_t(v[1]) << 12 | std::uint32_t(v[2]) << 6 |
                                   std::uint32_t(v[3]);
        bytes += char(quad >> 16);
        if (padding < 2) bytes += char((quad >> 8) & 0xff);
        if (padding < 1) bytes += char(quad & 0xff);
    }
    return bytes;
}

// Inflates a zlib or gzip stream. At most limit + 1 bytes are made, so a
// stream that unpacks to far more than the layer holds costs no more.
std::string Inflate(const std::string& packed, bool gzip, std::size_t limit) {
    const char* what = gzip ? "gzip data" : "zlib data";
    z_stream stream{};
    if (inflateInit2(&stream, gzip ? 15 + 16 : 15) != Z_OK) Refuse(std::string(what) + ": cannot start inflating");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = uInt(packed.size());
    std::string out;
    int status = Z_OK;
    while (out.size() <= limit) {
        const std::size_t had = out.size(), step = std::min<std::size_t>(limit + 1 - had, 1 << 16);
        out.resize(had + step);
        stream.next_out = reinterpret_cast<Bytef*>(&out[had]);
        stream.avail_out = uInt(step);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(had + step - stream.avail_out);
        if (status == Z_STREAM_END) break;
        if (status == Z_OK) continue;
        std::string reason = std::string(what) +
                             (status == Z_BUF_ERROR && stream.avail_in == 0 ? " is truncated" : " is corrupt");
        if (status != Z_BUF_ERROR && stream.msg != nullptr) reason += std::string(" (") + stream.msg + ")";
        inflateEnd(&stream);
        Refuse(reason);
    }
    inflateEnd(&stream);
    return out;
}

// Base64 text, optionally compressed, of little-endian 32-bit gids.
std::vector<std::uint32_t> Decode_Base64_Gids(const std::string& text, const std::string& compression,
                                              std::int64_t count) {
    if (compression == "zstd") Refuse("zstd compression is not supported");
    if (!compression.empty() && compression != "zlib" && compression != "gzip")
        Refuse("unknown compression " + Quote(compression) + " (supported: zlib, gzip, none)");
    std::string bytes = Decode_Base64(text);
    if (!compression.empty()) {
        const std::size_t limit = std::size_t(std::min<std::int64_t>(count, std::int64_t(1) << 40)) * 4;
        bytes = Inflate(bytes, compression == "gzip", limit);
        if (bytes.size() > limit)
            Refuse("the data unpacks to more than " + std::to_string(count) + " tiles, width x height is " +
                   std::to_string(count));
    }
    if (bytes.size() % 4 != 0)
        Refuse("the data holds " + std::to_string(bytes.size()) + " bytes, not a whole number of 4-byte tiles");
    std::vector<std::uint32_t> gids(bytes.size() / 4);
    for (std::size_t i = 0; i < gids.size(); ++i) {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data()) + 4 * i;
        gids[i] = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    }
    return gids;
}

// ================================================================ XML

// The attribute's text, or null.
const char* Attr(const XMLElement* e, const char* name) { return e->Attribute(name); }

std::int64_t Xml_Int(const XMLElement* e, const char* name, const std::string& where, std::int64_t fallback,
                     bool required = false) {
    const char* text = Attr(e, name);
    if (text == nullptr) {
        if (required) Refuse(where + " has no " + name);
        return fallback;
    }
    int value = 0;
    if (!Parse_Int(text, value)) Refuse(where + ": " + name + " " + Quote(text) + " is not an integer");
    return value;
}

double Xml_Number(const XMLElement* e, const char* name, const std::string& where) {
    const char* text = Attr(e, name);
    if (text == nullptr) return 0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value))
        Refuse(where + ": " + name + " " + Quote(text) + " is not a number");
    return value;
}

std::uint32_t Xml_Gid(const XMLElement* e) {
    const char* text = Attr(e, "gid");
    if (text == nullptr) return 0;
    std::uint64_t value = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9' && value <= 0xffffffffu; ++p) value = value * 10 + std::uint64_t(*p - '0');
    if (p == text || *p != '\0' || value > 0xffffffffu) Refuse("tile gid " + Quote(text) + " is not a tile number");
    return std::uint32_t(value);
}

// Whether the element has the bool property name with value true.
bool Xml_Bool_Property(const XMLElement* e, const std::string& name) {
    for (const XMLElement* list = e->FirstChildElement("properties"); list != nullptr;
         list = list->NextSiblingElement("properties"))
        for (const XMLElement* p = list->FirstChildElement("property"); p != nullptr; p = p->NextSiblingElement("property")) {
            const char* n = Attr(p, "name");
            const char* type = Attr(p, "type");
            const char* value = Attr(p, "value");
            if (n != nullptr && n == name && type != nullptr && std::string(type) == "bool" && value != nullptr &&
                std::string(value) == "true")
                return true;
        }
    return false;
}

std::string Xml_Error(const tinyxml2::XMLDocument& doc) {
    std::string name = doc.ErrorName();
    for (const char* prefix : {"XML_ERROR_", "XML_"})
        if (name.compare(0, std::strlen(prefix), prefix) == 0) {
            name = name.substr(std::strlen(prefix));
            break;
        }
    for (char& c : name) c = c == '_' ? ' ' : char(std::tolower(static_cast<unsigned char>(c)));
    return "malformed XML: line " + std::to_string(doc.ErrorLineNum()) + ": " + name;
}

// ================================================================ JSON

const cJson* Member(const cJson& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::int64_t Json_Int(const cJson& object, const char* key, const std::string& where, std::int64_t fallback,
                      bool required = false) {
    const cJson* v = Member(object, key);
    if (v == nullptr) {
        if (required) Refuse(where + " has no " + key);
        return fallback;
    }
    const std::int64_t limit = std::numeric_limits<int>::max();
    if (v->is_number_unsigned() && v->get<std::uint64_t>() <= std::uint64_t(limit)) return v->get<std::int64_t>();
    if (v->is_number_integer() && !v->is_number_unsigned() && v->get<std::int64_t>() >= -limit - 1)
        return v->get<std::int64_t>();
    Refuse(where + ": " + key + " is not an integer");
}

double Json_Number(const cJson& object, const char* key, const std::string& where) {
    const cJson* v = Member(object, key);
    if (v == nullptr) return 0;
    if (!v->is_number()) Refuse(where + ": " + key + " is not a number");
    const double value = v->get<double>();
    if (!std::isfinite(value)) Refuse(where + ": " + key + " is not a number");
    return value;
}

std::string Json_String(const cJson& object, const char* key, const std::string& where) {
    const cJson* v = Member(object, key);
    if (v == nullptr || v->is_null()) return "";
    if (!v->is_string()) Refuse(where + ": " + key + " is not a string");
    return v->get<std::string>();
}

const cJson* Json_Array(const cJson& object, const char* key, const std::string& where) {
    const cJson* v = Member(object, key);
    if (v == nullptr || v->is_null()) return nullptr;
    if (!v->is_array()) Refuse(where + ": " + key + " is not an array");
    return v;
}

// Maps of Tiled before 1.2 wrote properties as one object, {"name": value}.
bool Json_Old_Bool(const cJson& object, const std::string& name) {
    const cJson* list = Member(object, "properties");
    if (list == nullptr || !list->is_object()) return false;
    const cJson* value = Member(*list, name.c_str());
    return value != nullptr && value->is_boolean() && value->get<bool>();
}

bool Json_Bool_Property(const cJson& object, const std::string& name) {
    if (Json_Old_Bool(object, name)) return true;
    const cJson* list = Member(object, "properties");
    if (list == nullptr || !list->is_array()) return false;
    for (const cJson& p : *list) {
        const cJson* n = Member(p, "name");
        const cJson* value = Member(p, "value");
        if (n != nullptr && n->is_string() && n->get<std::string>() == name && value != nullptr && value->is_boolean() &&
            value->get<bool>())
            return true;
    }
    return false;
}

std::uint32_t Json_Gid(const cJson& v) {
    if (!v.is_number_unsigned() || v.get<std::uint64_t>() > 0xffffffffu) {
        if (v.is_number_integer() && v.get<std::int64_t>() == 0) return 0;
        Refuse("the data holds something other than a tile number");
    }
    return std::uint32_t(v.get<std::uint64_t>());
}

cJson Parse_Json(const std::string& text) {
    try {
        return cJson::parse(text);
    } catch (const cJson::exception& e) {  // a parse error, or a number beyond a double
        std::string what = e.what();
        const std::size_t end = what.find("] ");
        if (what.compare(0, 1, "[") == 0 && end != std::string::npos) what = what.substr(end + 2);
        for (char& c : what)
            if (c == '\n' || c == '\r') c = ' ';
        Refuse("malformed JSON: " + what);
    }
}


// ================================================================ properties

// "name=value, ..." of an element's <properties>, for the listing.
std::string Xml_Properties(const XMLElement* e) {
    std::string out;
    for (const XMLElement* list = e->FirstChildElement("properties"); list != nullptr;
         list = list->NextSiblingElement("properties"))
        for (const XMLElement* p = list->FirstChildElement("property"); p != nullptr; p = p->NextSiblingElement("property")) {
            const char* n = Attr(p, "name");
            const char* value = Attr(p, "value");
            out += (out.empty() ? "" : ", ") + std::string(n ? n : "") + "=" +
                   (value ? value : (p->GetText() ? p->GetText() : ""));
        }
    return One_Line(out);
}

// The names of an element's bool properties that are true.
std::vector<std::string> Xml_True_Bools(const XMLElement* e) {
    std::vector<std::string> names;
    for (const XMLElement* list = e->FirstChildElement("properties"); list != nullptr;
         list = list->NextSiblingElement("properties"))
        for (const XMLElement* p = list->FirstChildElement("property"); p != nullptr; p = p->NextSiblingElement("property")) {
            const char* n = Attr(p, "name");
            const char* type = Attr(p, "type");
            const char* value = Attr(p, "value");
            if (n != nullptr && type != nullptr && std::string(type) == "bool" && value != nullptr &&
                std::string(value) == "true")
                names.push_back(n);
        }
    return names;
}

std::string Json_Properties(const cJson& object) {
    const cJson* list = Member(object, "properties");
    std::string out;
    if (list != nullptr && list->is_object())
        for (auto it = list->begin(); it != list->end(); ++it)
            out += (out.empty() ? "" : ", ") + it.key() + "=" +
                   (it.value().is_string() ? it.value().get<std::string>() : it.value().dump());
    if (list == nullptr || !list->is_array()) return One_Line(out);
    for (const cJson& p : *list) {
        const cJson* n = Member(p, "name");
        const cJson* value = Member(p, "value");
        std::string text;
        if (value != nullptr) text = value->is_string() ? value->get<std::string>() : value->dump();
        out += (out.empty() ? "" : ", ") + (n && n->is_string() ? n->get<std::string>() : "") + "=" + text;
    }
    return One_Line(out);
}

std::vector<std::string> Json_True_Bools(const cJson& object) {
    std::vector<std::string> names;
    const cJson* list = Member(object, "properties");
    if (list != nullptr && list->is_object())
        for (auto it = list->begin(); it != list->end(); ++it)
            if (it.value().is_boolean() && it.value().get<bool>()) names.push_back(it.key());
    if (list == nullptr || !list->is_array()) return names;
    for (const cJson& p : *list) {
        const cJson* n = Member(p, "name");
        const cJson* value = Member(p, "value");
        if (n != nullptr && n->is_string() && value != nullptr && value->is_boolean() && value->get<bool>())
            names.push_back(n->get<std::string>());
    }
    return names;
}

bool Has_Name(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// ================================================================ objects

// "x,y x,y ..."
std::vector<std::pair<double, double>> Parse_Points(const char* text) {
    std::vector<std::pair<double, double>> points;
    if (text == nullptr) Refuse("a polygon or polyline without points");
    const char* p = text;
    for (;;) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
        if (*p == '\0') break;
        char* end = nullptr;
        const double x = std::strtod(p, &end);
        if (end == p || *end != ',') Refuse("malformed points " + Quote(text));
        p = end + 1;
        const double y = std::strtod(p, &end);
        if (end == p || (*end != '\0' && *end != ' ' && *end != '\t' && *end != '\r' && *end != '\n') ||
            !std::isfinite(x) || !std::isfinite(y))
            Refuse("malformed points " + Quote(text));
        p = end;
        if (points.size() == POINT_LIMIT) Refuse("more than " + std::to_string(POINT_LIMIT) + " points");
        points.emplace_back(x, y);
    }
    return points;
}

// Reads an object; what cannot be read is kept in Error, for the object may
// be skipped.
cObject Xml_Object(const XMLElement* o) {
    cObject object;
    try {
        if (const char* name = Attr(o, "name")) {
            object.Name = name;
            object.Has |= HAS_NAME;
        }
        object.Id = Xml_Int(o, "id", "an object", 0);
        // An empty class is no class (Tiled writes type="" on every object).
        for (const char* key : {"class", "type"})
            if (const char* c = Attr(o, key))
                if (*c != '\0') {
                    object.Class = c;
                    object.Has |= HAS_CLASS;
                    break;
                }
        if (const char* t = Attr(o, "template")) object.Template = t;
        const std::pair<const char*, unsigned> numbers[] = {
            {"x", HAS_X}, {"y", HAS_Y}, {"width", HAS_WIDTH}, {"height", HAS_HEIGHT}, {"rotation", HAS_ROTATION}};
        double* fields[] = {&object.X, &object.Y, &object.Width, &object.Height, &object.Rotation};
        for (std::size_t i = 0; i < 5; ++i)
            if (Attr(o, numbers[i].first)) {
                *fields[i] = Xml_Number(o, numbers[i].first, "the object");
                object.Has |= numbers[i].second;
            }
        if (Attr(o, "gid")) {
            object.Gid = Xml_Gid(o);
            object.Has |= HAS_GID;
        }
        for (const XMLElement* c = o->FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) {
            const std::string kind = c->Name();
            const std::pair<const char*, cKind> kinds[] = {{"ellipse", cKind::ELLIPSE}, {"point", cKind::POINT},
                                                          {"text", cKind::TEXT},       {"capsule", cKind::CAPSULE},
                                                          {"polygon", cKind::POLYGON}, {"polyline", cKind::POLYLINE}};
            for (const auto& k : kinds)
                if (kind == k.first) {
                    object.Kind = k.second;
                    object.Has |= HAS_SHAPE;
                    if (k.second == cKind::POLYGON || k.second == cKind::POLYLINE)
                        object.Points = Parse_Points(Attr(c, "points"));
                }
        }
    } catch (const cRefusal& r) {
        object.Error = r.Reason;
    }
    return object;
}

cObject Json_Object(const cJson& o) {
    cObject object;
    try {
        if (!o.is_object()) Refuse("not a JSON object");
        if (Member(o, "name")) {
            object.Name = Json_String(o, "name", "the object");
            object.Has |= HAS_NAME;
        }
        object.Id = Json_Int(o, "id", "an object", 0);
        for (const char* key : {"class", "type"}) {
            object.Class = Json_String(o, key, "the object");
            if (!object.Class.empty()) {
                object.Has |= HAS_CLASS;
                break;
            }
        }
        object.Template = Json_String(o, "template", "the object");
        const std::pair<const char*, unsigned> numbers[] = {
            {"x", HAS_X}, {"y", HAS_Y}, {"width", HAS_WIDTH}, {"height", HAS_HEIGHT}, {"rotation", HAS_ROTATION}};
        double* fields[] = {&object.X, &object.Y, &object.Width, &object.Height, &object.Rotation};
        for (std::size_t i = 0; i < 5; ++i)
            if (Member(o, numbers[i].first)) {
                *fields[i] = Json_Number(o, numbers[i].first, "the object");
                object.Has |= numbers[i].second;
            }
        if (const cJson* gid = Member(o, "gid")) {
            object.Gid = Json_Gid(*gid);
            object.Has |= HAS_GID;
        }
        auto flag = [&](const char* key) {
            const cJson* v = Member(o, key);
            return v != nullptr && (v->is_boolean() ? v->get<bool>() : !v->is_null());
        };
        const std::pair<const char*, cKind> flags[] = {{"ellipse", cKind::ELLIPSE},
                                                       {"point", cKind::POINT},
                                                       {"text", cKind::TEXT},
                                                       {"capsule", cKind::CAPSULE}};
        for (const auto& f : flags)
            if (flag(f.first)) {
                object.Kind = f.second;
                object.Has |= HAS_SHAPE;
            }
        const cJson* polygon = Json_Array(o, "polygon", "the object");
        const cJson* polyline = Json_Array(o, "polyline", "the object");
        if (polygon != nullptr && polyline != nullptr) Refuse("an object both polygon and polyline");
        if (const cJson* points = polygon ? polygon : polyline) {
            object.Kind = polygon ? cKind::POLYGON : cKind::POLYLINE;
            object.Has |= HAS_SHAPE;
            if (points->size() > POINT_LIMIT) Refuse("more than " + std::to_string(POINT_LIMIT) + " points");
            for (const cJson& p : *points) {
                if (!p.is_object()) Refuse("a point is not an object");
                object.Points.emplace_back(Json_Number(p, "x", "the object"), Json_Number(p, "y", "the object"));
            }
        }
    } catch (const cRefusal& r) {
        object.Error = r.Reason;
    }
    return object;
}

// The instance's own fields over its template's object.
cObject Merge_Template(const cObject& instance, const cObject& from_template) {
    cObject o = from_template;
    o.Id = instance.Id;
    o.Template.clear();
    if (instance.Has & HAS_NAME) o.Name = instance.Name;
    if (instance.Has & HAS_CLASS) o.Class = instance.Class;
    if (instance.Has & HAS_X) o.X = instance.X;
    if (instance.Has & HAS_Y) o.Y = instance.Y;
    if (instance.Has & HAS_WIDTH) o.Width = instance.Width;
    if (instance.Has & HAS_HEIGHT) o.Height = instance.Height;
    if (instance.Has & HAS_ROTATION) o.Rotation = instance.Rotation;
    o.Template_Gid = (from_template.Has & HAS_GID) != 0;
    if (instance.Has & HAS_GID) {
        o.Gid = instance.Gid;
        o.Template_Gid = false;
    }
    if (instance.Has & HAS_SHAPE) {
        o.Kind = instance.Kind;
        o.Points = instance.Points;
    }
    o.Has |= instance.Has;
    if (o.Error.empty()) o.Error = instance.Error;
    return o;
}

// ================================================================ tilesets

bool Is_Xml(const std::string& text) {
    std::size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    return i < text.size() && text[i] == '<';
}

double Xml_Double(const XMLElement* e, const char* name, const std::string& where, double fallback = 0) {
    return Attr(e, name) ? Xml_Number(e, name, where) : fallback;
}

void Read_Xml_Tileset(const XMLElement* t, const std::string& where, cTileset& tileset) {
    if (const char* name = Attr(t, "name")) tileset.Name = name;
    const std::int64_t count = Xml_Int(t, "tilecount", where, -1);
    tileset.Tile_Width = Xml_Double(t, "tilewidth", where);
    tileset.Tile_Height = Xml_Double(t, "tileheight", where);
    if (const XMLElement* offset = t->FirstChildElement("tileoffset")) {
        tileset.Offset_X = Xml_Double(offset, "x", where);
        tileset.Offset_Y = Xml_Double(offset, "y", where);
    }
    tileset.Grid_Size = Attr(t, "tilerendersize") && std::string(Attr(t, "tilerendersize")) == "grid";
    tileset.Aspect_Fit = Attr(t, "fillmode") && std::string(Attr(t, "fillmode")) == "preserve-aspect-fit";
    if (const char* a = Attr(t, "objectalignment")) tileset.Alignment = a;
    std::int64_t largest = -1;
    for (const XMLElement* tile = t->FirstChildElement("tile"); tile != nullptr; tile = tile->NextSiblingElement("tile")) {
        const std::int64_t id = Xml_Int(tile, "id", where + " tile", 0, true);
        if (id < 0) Refuse(where + ": a tile id below 0");
        largest = std::max(largest, id);
        cTile_Info& info = tileset.Tiles[id];
        const std::string tile_where = where + " tile " + std::to_string(id);
        for (const char* key : {"type", "class"})
            if (Attr(tile, key)) info.Class = Attr(tile, key);
        if (const XMLElement* image = tile->FirstChildElement("image")) {
            info.Width = Xml_Double(image, "width", tile_where);
            info.Height = Xml_Double(image, "height", tile_where);
        }
        info.Width = Xml_Double(tile, "width", tile_where, info.Width);
        info.Height = Xml_Double(tile, "height", tile_where, info.Height);
        info.True_Bools = Xml_True_Bools(tile);
        for (const XMLElement* group = tile->FirstChildElement("objectgroup"); group != nullptr;
             group = group->NextSiblingElement("objectgroup"))
            for (const XMLElement* o = group->FirstChildElement("object"); o != nullptr; o = o->NextSiblingElement("object"))
                info.Shapes.push_back(Xml_Object(o));
    }
    tileset.Count = count < 0 ? -1 : std::max(count, largest + 1);
}

void Read_Json_Tileset(const cJson& t, const std::string& where, cTileset& tileset) {
    tileset.Name = Json_String(t, "name", where);
    const std::int64_t count = Json_Int(t, "tilecount", where, -1);
    tileset.Tile_Width = Json_Number(t, "tilewidth", where);
    tileset.Tile_Height = Json_Number(t, "tileheight", where);
    if (const cJson* offset = Member(t, "tileoffset")) {
        tileset.Offset_X = Json_Number(*offset, "x", where);
        tileset.Offset_Y = Json_Number(*offset, "y", where);
    }
    tileset.Grid_Size = Json_String(t, "tilerendersize", where) == "grid";
    tileset.Aspect_Fit = Json_String(t, "fillmode", where) == "preserve-aspect-fit";
    tileset.Alignment = Json_String(t, "objectalignment", where);
    std::int64_t largest = -1;
    auto read_tile = [&](const cJson& tile, std::int64_t id) {
        if (id < 0) Refuse(where + ": a tile id below 0");
        largest = std::max(largest, id);
        cTile_Info& info = tileset.Tiles[id];
        const std::string tile_where = where + " tile " + std::to_string(id);
        for (const char* key : {"type", "class"})
            if (Member(tile, key)) info.Class = Json_String(tile, key, tile_where);
        info.Width = Json_Number(tile, Member(tile, "width") ? "width" : "imagewidth", tile_where);
        info.Height = Json_Number(tile, Member(tile, "height") ? "height" : "imageheight", tile_where);
        const std::vector<std::string> bools = Json_True_Bools(tile);
        info.True_Bools.insert(info.True_Bools.end(), bools.begin(), bools.end());
        if (const cJson* group = Member(tile, "objectgroup"))
            if (const cJson* objects = Json_Array(*group, "objects", tile_where))
                for (const cJson& o : *objects) info.Shapes.push_back(Json_Object(o));
    };
    // Tiled before 1.2 wrote "tiles" and "tileproperties" as objects keyed
    // by the tile's id.
    auto old_id = [&](const std::string& key) {
        int id = 0;
        if (!Parse_Int(key.c_str(), id)) Refuse(where + ": tile id " + Quote(key) + " is not an integer");
        return std::int64_t(id);
    };
    const cJson* tiles = Member(t, "tiles");
    if (tiles != nullptr && tiles->is_object()) {
        for (auto it = tiles->begin(); it != tiles->end(); ++it) read_tile(it.value(), old_id(it.key()));
    } else if ((tiles = Json_Array(t, "tiles", where)) != nullptr) {
        for (const cJson& tile : *tiles) read_tile(tile, Json_Int(tile, "id", where + " tile", 0, true));
    }
    if (const cJson* old = Member(t, "tileproperties"))
        if (old->is_object())
            for (auto it = old->begin(); it != old->end(); ++it) {
                const std::int64_t id = old_id(it.key());
                if (id < 0) Refuse(where + ": a tile id below 0");
                largest = std::max(largest, id);
                if (it.value().is_object())
                    for (auto p = it.value().begin(); p != it.value().end(); ++p)
                        if (p.value().is_boolean() && p.value().get<bool>()) tileset.Tiles[id].True_Bools.push_back(p.key());
            }
    tileset.Count = count < 0 ? -1 : std::max(count, largest + 1);
}

// Reads a file the map names, XML or JSON, told by its text; refuses with
// where when it cannot.
struct cDocument {
    std::unique_ptr<tinyxml2::XMLDocument> Xml;
    cJson Json;
};

cDocument Read_Document(const std::string& source, const cTileset_Reader& read_files, const std::string& where) {
    std::string text, error;
    if (!read_files) Refuse(where + ": files beside the map are not read here");
    if (!read_files(source, text, error)) Refuse(where + ": " + One_Line(error));
    cDocument doc;
    if (Is_Xml(text)) {
        doc.Xml.reset(new tinyxml2::XMLDocument());
        doc.Xml->Parse(text.data(), text.size());
        if (doc.Xml->Error()) Refuse(where + ": " + Xml_Error(*doc.Xml));
    } else {
        try {
            doc.Json = Parse_Json(text);
        } catch (const cRefusal& r) {
            Refuse(where + ": " + r.Reason);
        }
    }
    return doc;
}

// An external tileset: XML (<tileset>) or JSON.
void Read_External_Tileset(const std::string& source, const cTileset_Reader& read_files, cTileset& tileset) {
    const std::string where = "tileset " + Quote(source);
    tileset.Source = source;
    const cDocument doc = Read_Document(source, read_files, where);
    if (doc.Xml) {
        const XMLElement* root = doc.Xml->RootElement();
        if (root == nullptr || std::string(root->Name()) != "tileset") Refuse(where + ": not a tileset");
        Read_Xml_Tileset(root, where, tileset);
    } else {
        if (!doc.Json.is_object()) Refuse(where + ": not a tileset");
        Read_Json_Tileset(doc.Json, where, tileset);
    }
}

// A template's object (.tx XML or .tj JSON); refuses when it cannot be read.
cObject Read_Template(const std::string& source, const cTileset_Reader& read_files) {
    const std::string where = "template " + Quote(source);
    const cDocument doc = Read_Document(source, read_files, where);
    cObject o;
    if (doc.Xml) {
        const XMLElement* root = doc.Xml->RootElement();
        const XMLElement* object = root ? root->FirstChildElement("object") : nullptr;
        if (root == nullptr || std::string(root->Name()) != "template" || object == nullptr)
            Refuse(where + ": not a template");
        o = Xml_Object(object);
    } else {
        const cJson* object = Member(doc.Json, "object");
        if (object == nullptr || !object->is_object()) Refuse(where + ": not a template");
        o = Json_Object(*object);
    }
    if (!o.Error.empty()) Refuse(where + ": " + o.Error);
    return o;
}

// ================================================================ XML maps

class cXml_Reader {
public:
    cXml_Reader(const cTileset_Reader& read_files, cModel& model) : Read_Files(read_files), Model(model) {}

    void Read(const tinyxml2::XMLDocument& doc) {
        const XMLElement* map = doc.RootElement();
        if (map == nullptr || std::string(map->Name()) != "map")
            Refuse(std::string("not a Tiled map: the root element is <") + (map ? map->Name() : "") + ">, not <map>");
        const char* orientation = Attr(map, "orientation");
        if (orientation == nullptr) Refuse("the map has no orientation");
        Check_Orientation(orientation);
        Model.Infinite = Xml_Int(map, "infinite", "the map", 0) != 0;
        Model.Tile_Width = Xml_Int(map, "tilewidth", "the map", 0, true);
        Model.Tile_Height = Xml_Int(map, "tileheight", "the map", 0, true);
        Model.Width = Xml_Int(map, "width", "the map", 0, !Model.Infinite);
        Model.Height = Xml_Int(map, "height", "the map", 0, !Model.Infinite);
        for (const XMLElement* t = map->FirstChildElement("tileset"); t != nullptr; t = t->NextSiblingElement("tileset"))
            Read_Tileset_Element(t);
        cLayer top;
        Read_Layers(map, top, 0);
    }

private:
    const cTileset_Reader& Read_Files;
    cModel& Model;

    void Read_Tileset_Element(const XMLElement* t) {
        cTileset tileset;
        tileset.First_Gid = Xml_Int(t, "firstgid", "a tileset", 0, true);
        if (tileset.First_Gid < 1) Refuse("a tileset's firstgid is below 1");
        if (const char* source = Attr(t, "source"))
            Read_External_Tileset(source, Read_Files, tileset);
        else
            Read_Xml_Tileset(t, "tileset " + Quote(Attr(t, "name") ? Attr(t, "name") : ""), tileset);
        Model.Tilesets.push_back(tileset);
    }

    // A layer's name, path, mark and offsets, from its parent group.
    static cLayer Start_Layer(const XMLElement* e, const cLayer& parent, cLayer_Kind kind) {
        cLayer layer;
        layer.Kind = kind;
        layer.Name = Attr(e, "name") ? Attr(e, "name") : "";
        layer.Groups = parent.Groups;
        if (!parent.Path.empty()) layer.Groups.push_back(parent.Path);
        layer.Path = parent.Path.empty() ? layer.Name : parent.Path + "/" + layer.Name;
        layer.Marked = parent.Marked || Marks_Collision(layer.Name, Xml_Bool_Property(e, "collision"));
        layer.Properties = Xml_Properties(e);
        if (const char* c = Attr(e, "class")) layer.Properties = "class=" + One_Line(c) + (layer.Properties.empty() ? "" : ", " + layer.Properties);
        layer.Offset_X = parent.Offset_X;
        layer.Offset_Y = parent.Offset_Y;
        try {
            layer.Offset_X += Xml_Double(e, "offsetx", "layer " + Quote(layer.Name));
            layer.Offset_Y += Xml_Double(e, "offsety", "layer " + Quote(layer.Name));
        } catch (const cRefusal& r) {
            layer.Error = r.Reason;
        }
        return layer;
    }

    void Read_Layers(const XMLElement* parent, const cLayer& group, int depth) {
        if (depth > GROUP_DEPTH_LIMIT) Refuse("layer groups nested deeper than " + std::to_string(GROUP_DEPTH_LIMIT));
        for (const XMLElement* e = parent->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
            const std::string kind = e->Name();
            if (kind == "layer") {
                Read_Tile_Layer(e, Start_Layer(e, group, cLayer_Kind::TILE));
            } else if (kind == "objectgroup") {
                cLayer layer = Start_Layer(e, group, cLayer_Kind::OBJECT);
                for (const XMLElement* o = e->FirstChildElement("object"); o != nullptr; o = o->NextSiblingElement("object"))
                    layer.Objects.push_back(Xml_Object(o));
                Model.Layers.push_back(layer);
            } else if (kind == "imagelayer") {
                Model.Layers.push_back(Start_Layer(e, group, cLayer_Kind::IMAGE));
            } else if (kind == "group") {
                const cLayer inner = Start_Layer(e, group, cLayer_Kind::GROUP);
                Model.Layers.push_back(inner);
                Read_Layers(e, inner, depth + 1);
            }
        }
    }

    void Read_Tile_Layer(const XMLElement* e, cLayer layer) {
        const std::string where = "layer " + Quote(layer.Name);
        try {
            const XMLElement* data = e->FirstChildElement("data");
            const std::string encoding = data && Attr(data, "encoding") ? Attr(data, "encoding") : "";
            const std::string compression = data && Attr(data, "compression") ? Attr(data, "compression") : "";
            if (Model.Infinite) {
                for (const XMLElement* c = data ? data->FirstChildElement("chunk") : nullptr; c != nullptr;
                     c = c->NextSiblingElement("chunk")) {
                    cChunk chunk;
                    chunk.X = Xml_Int(c, "x", where + " chunk", 0, true);
                    chunk.Y = Xml_Int(c, "y", where + " chunk", 0, true);
                    chunk.Width = Xml_Int(c, "width", where + " chunk", 0, true);
                    chunk.Height = Xml_Int(c, "height", where + " chunk", 0, true);
                    chunk.Gids = Decoder(c, encoding, compression);
                    layer.Chunks.push_back(chunk);
                }
            } else {
                cChunk chunk;
                chunk.Width = Xml_Int(e, "width", where, Model.Width);
                chunk.Height = Xml_Int(e, "height", where, Model.Height);
                if (data == nullptr)
                    chunk.Gids = [](std::int64_t) -> std::vector<std::uint32_t> { Refuse("the layer has no <data>"); };
                else
                    chunk.Gids = Decoder(data, encoding, compression);
                layer.Chunks.push_back(chunk);
            }
        } catch (const cRefusal& r) {
            layer.Error = r.Reason;
            layer.Chunks.clear();
        }
        Model.Layers.push_back(layer);
    }

    static std::function<std::vector<std::uint32_t>(std::int64_t)> Decoder(const XMLElement* e,
                                                                         const std::string& encoding,
                                                                         const std::string& compression) {
        return [=](std::int64_t count) {
            if (encoding.empty()) {
                std::vector<std::uint32_t> gids;
                for (const XMLElement* t = e->FirstChildElement("tile"); t != nullptr; t = t->NextSiblingElement("tile"))
                    gids.push_back(Xml_Gid(t));
                return gids;
            }
            if (encoding == "csv") return Parse_Csv(e->GetText());
            if (encoding == "base64") return Decode_Base64_Gids(e->GetText() ? e->GetText() : "", compression, count);
            Refuse("unknown encoding " + Quote(encoding) + " (supported: csv, base64, <tile> elements)");
        };
    }
};

// ================================================================ JSON maps

class cJson_Reader {
public:
    cJson_Reader(const cTileset_Reader& read_files, cModel& model) : Read_Files(read_files), Model(model) {}

    void Read(const cJson& map) {
        if (!map.is_object()) Refuse("not a Tiled map: the JSON text is not an object");
        const std::string type = Json_String(map, "type", "the map");
        if (!type.empty() && type != "map") Refuse("not a Tiled map: its type is " + Quote(type));
        const cJson* orientation = Member(map, "orientation");
        if (orientation == nullptr || !orientation->is_string()) Refuse("the map has no orientation");
        Check_Orientation(orientation->get<std::string>());
        const cJson* infinite = Member(map, "infinite");
        if (infinite != nullptr && !infinite->is_boolean()) Refuse("the map: infinite is not true or false");
        Model.Infinite = infinite != nullptr && infinite->get<bool>();
        Model.Tile_Width = Json_Int(map, "tilewidth", "the map", 0, true);
        Model.Tile_Height = Json_Int(map, "tileheight", "the map", 0, true);
        Model.Width = Json_Int(map, "width", "the map", 0, !Model.Infinite);
        Model.Height = Json_Int(map, "height", "the map", 0, !Model.Infinite);
        if (const cJson* tilesets = Json_Array(map, "tilesets", "the map"))
            for (const cJson& t : *tilesets) Read_Tileset_Object(t);
        cLayer top;
        Read_Layers(map, top, 0);
    }

private:
    const cTileset_Reader& Read_Files;
    cModel& Model;

    void Read_Tileset_Object(const cJson& t) {
        if (!t.is_object()) Refuse("a tileset is not an object");
        cTileset tileset;
        tileset.First_Gid = Json_Int(t, "firstgid", "a tileset", 0, true);
        if (tileset.First_Gid < 1) Refuse("a tileset's firstgid is below 1");
        const std::string source = Json_String(t, "source", "a tileset");
        if (!source.empty())
            Read_External_Tileset(source, Read_Files, tileset);
        else
            Read_Json_Tileset(t, "tileset " + Quote(Json_String(t, "name", "a tileset")), tileset);
        Model.Tilesets.push_back(tileset);
    }

    static cLayer Start_Layer(const cJson& e, const cLayer& parent, cLayer_Kind kind) {
        cLayer layer;
        layer.Kind = kind;
        const cJson* name = Member(e, "name");
        layer.Name = name && name->is_string() ? name->get<std::string>() : "";
        layer.Groups = parent.Groups;
        if (!parent.Path.empty()) layer.Groups.push_back(parent.Path);
        layer.Path = parent.Path.empty() ? layer.Name : parent.Path + "/" + layer.Name;
        layer.Marked = parent.Marked || Marks_Collision(layer.Name, Json_Bool_Property(e, "collision"));
        layer.Properties = Json_Properties(e);
        const cJson* c = Member(e, "class");
        if (c != nullptr && c->is_string() && !c->get<std::string>().empty())
            layer.Properties = "class=" + One_Line(c->get<std::string>()) + (layer.Properties.empty() ? "" : ", " + layer.Properties);
        layer.Offset_X = parent.Offset_X;
        layer.Offset_Y = parent.Offset_Y;
        try {
            layer.Offset_X += Json_Number(e, "offsetx", "layer " + Quote(layer.Name));
            layer.Offset_Y += Json_Number(e, "offsety", "layer " + Quote(layer.Name));
        } catch (const cRefusal& r) {
            layer.Error = r.Reason;
        }
        return layer;
    }

    void Read_Layers(const cJson& parent, const cLayer& group, int depth) {
        if (depth > GROUP_DEPTH_LIMIT) Refuse("layer groups nested deeper than " + std::to_string(GROUP_DEPTH_LIMIT));
        const cJson* layers = Json_Array(parent, "layers", depth == 0 ? "the map" : "a group");
        if (layers == nullptr) return;
        for (const cJson& e : *layers) {
            if (!e.is_object()) Refuse("a layer is not an object");
            const cJson* type = Member(e, "type");
            const std::string kind = type && type->is_string() ? type->get<std::string>() : "";
            if (kind == "tilelayer") {
                Read_Tile_Layer(e, Start_Layer(e, group, cLayer_Kind::TILE));
            } else if (kind == "objectgroup") {
                cLayer layer = Start_Layer(e, group, cLayer_Kind::OBJECT);
                const cJson* objects = Member(e, "objects");
                if (objects != nullptr && objects->is_array())
                    for (const cJson& o : *objects) layer.Objects.push_back(Json_Object(o));
                Model.Layers.push_back(layer);
            } else if (kind == "imagelayer") {
                Model.Layers.push_back(Start_Layer(e, group, cLayer_Kind::IMAGE));
            } else if (kind == "group") {
                const cLayer inner = Start_Layer(e, group, cLayer_Kind::GROUP);
                Model.Layers.push_back(inner);
                Read_Layers(e, inner, depth + 1);
            }
        }
    }

    void Read_Tile_Layer(const cJson& e, cLayer layer) {
        const std::string where = "layer " + Quote(layer.Name);
        try {
            const std::string encoding = Json_String(e, "encoding", where);
            const std::string compression = Json_String(e, "compression", where);
            if (Model.Infinite) {
                if (const cJson* chunks = Json_Array(e, "chunks", where)) {
                    for (const cJson& c : *chunks) {
                        if (!c.is_object()) Refuse(where + ": a chunk is not an object");
                        cChunk chunk;
                        chunk.X = Json_Int(c, "x", where + " chunk", 0, true);
                        chunk.Y = Json_Int(c, "y", where + " chunk", 0, true);
                        chunk.Width = Json_Int(c, "width", where + " chunk", 0, true);
                        chunk.Height = Json_Int(c, "height", where + " chunk", 0, true);
                        chunk.Gids = Decoder(Member(c, "data"), encoding, compression);
                        layer.Chunks.push_back(chunk);
                    }
                }
            } else {
                cChunk chunk;
                chunk.Width = Json_Int(e, "width", where, Model.Width);
                chunk.Height = Json_Int(e, "height", where, Model.Height);
                chunk.Gids = Decoder(Member(e, "data"), encoding, compression);
                layer.Chunks.push_back(chunk);
            }
        } catch (const cRefusal& r) {
            layer.Error = r.Reason;
            layer.Chunks.clear();
        }
        Model.Layers.push_back(layer);
    }

    static std::function<std::vector<std::uint32_t>(std::int64_t)> Decoder(const cJson* data,
                                                                         const std::string& encoding,
                                                                         const std::string& compression) {
        return [=](std::int64_t count) {
            if (data == nullptr) Refuse("the layer has no data");
            if (encoding.empty() || encoding == "csv") {
                if (!data->is_array()) Refuse("the data is not an array of tile numbers");
                std::vector<std::uint32_t> gids;
                gids.reserve(data->size());
                for (const cJson& v : *data) gids.push_back(Json_Gid(v));
                return gids;
            }
            if (encoding == "base64") {
                if (!data->is_string()) Refuse("base64 data is not a string");
                return Decode_Base64_Gids(data->get<std::string>(), compression, count);
            }
            Refuse("unknown encoding " + Quote(encoding) + " (supported: csv, base64)");
        };
    }
};

// Reads the text of a map into the model; the documents must outlive it
// (its decoders read from them).
void Read_Model(const std::string& text, const cTileset_Reader& read_files, tinyxml2::XMLDocument& xml, cJson& json,
                cModel& model) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) Refuse("the map is empty");
    if (Is_Xml(text)) {
        xml.Parse(text.data(), text.size());
        if (xml.Error()) Refuse(Xml_Error(xml));
        cXml_Reader(read_files, model).Read(xml);
    } else {
        json = Parse_Json(text);
        cJson_Reader(read_files, model).Read(json);
    }
}

// ================================================================ shapes

using cPixel = std::pair<double, double>;

struct cUnit_Point {
    std::int64_t X, Y;
};

struct cBox64 {
    std::int64_t X1, Y1, X2, Y2;
};

struct cWall64 {
    std::int64_t X1, Y1, X2, Y2;
};

// What one shape gives in level units.
struct cPieces {
    std::vector<cBox64> Boxes;
    std::vector<cWall64> Walls;
};

// An object's outline in pixels, rotated about its position: a closed ring
// (rectangles, polygons) or an open line (polylines).
struct cOutline {
    std::vector<cPixel> Points;
    bool Closed = true;
    bool Rectangle = false;
    const char* Boxed = nullptr;  // ellipses, capsules: only their box is known
    const char* None = nullptr;   // points, text: no shape at all
};

// Where a tile object's position lies on its box: fractions of its width and
// height from the top left (bottom left unless the tileset says otherwise).
void Anchor(const std::string& alignment, double& fx, double& fy) {
    static const std::pair<const char*, std::pair<double, double>> anchors[] = {
        {"topleft", {0, 0}}, {"top", {0.5, 0}},      {"topright", {1, 0}}, {"left", {0, 0.5}},       {"center", {0.5, 0.5}},
        {"right", {1, 0.5}}, {"bottomleft", {0, 1}}, {"bottom", {0.5, 1}}, {"bottomright", {1, 1}}};
    fx = 0;
    fy = 1;
    for (const auto& a : anchors)
        if (alignment == a.first) {
            fx = a.second.first;
            fy = a.second.second;
        }
}

// Turns points clockwise (y down) by degrees about (cx, cy); multiples of 90
// degrees are exact.
void Rotate(std::vector<cPixel>& points, double cx, double cy, double degrees) {
    if (degrees == 0) return;
    double c = 0, s = 0;
    const double quarters = degrees / 90;
    if (std::nearbyint(quarters) == quarters && std::abs(quarters) < 1e9) {
        const int k = int(((std::int64_t(quarters) % 4) + 4) % 4);
        const int cosines[] = {1, 0, -1, 0}, sines[] = {0, 1, 0, -1};
        c = cosines[k];
        s = sines[k];
    } else {
        const double r = degrees * 3.14159265358979323846 / 180;
        c = std::cos(r);
        s = std::sin(r);
    }
    for (cPixel& p : points) {
        const double dx = p.first - cx, dy = p.second - cy;
        p = {cx + dx * c - dy * s, cy + dx * s + dy * c};
    }
}

cOutline Outline(const cObject& o, const std::string& alignment) {
    cOutline out;
    double left = o.X, top = o.Y;
    if (o.Gid != 0 && o.Kind == cKind::RECTANGLE) {
        double fx = 0, fy = 1;
        Anchor(alignment, fx, fy);
        left -= fx * o.Width;
        top -= fy * o.Height;
    }
    switch (o.Kind) {
        case cKind::POLYGON:
        case cKind::POLYLINE:
            out.Closed = o.Kind == cKind::POLYGON;
            for (const cPixel& p : o.Points) out.Points.emplace_back(o.X + p.first, o.Y + p.second);
            break;
        case cKind::POINT:
            out.None = "points";
            return out;
        case cKind::TEXT:
            out.None = "text objects";
            return out;
        default:
            out.Rectangle = o.Kind == cKind::RECTANGLE;
            if (o.Kind == cKind::ELLIPSE) out.Boxed = "ellipses";
            if (o.Kind == cKind::CAPSULE) out.Boxed = "capsules";
            out.Points = {{left, top}, {left + o.Width, top}, {left + o.Width, top + o.Height}, {left, top + o.Height}};
            break;
    }
    Rotate(out.Points, o.X, o.Y, o.Rotation);
    return out;
}

// A pixel coordinate times the scale, rounded to a whole unit and kept far
// from overflow (anything that far out is cut off later).
std::int64_t Unit(double v) {
    const double limit = 4e12;
    if (!(v > -limit)) return -std::int64_t(limit);
    if (!(v < limit)) return std::int64_t(limit);
    return std::int64_t(std::nearbyint(v));
}

// The inside of a ring whose edges are all horizontal or vertical, as boxes,
// by the even-odd rule: one strip between each two neighbouring y of its
// corners, cut by the vertical edges that cross it.
std::vector<cBox64> Fill(const std::vector<cUnit_Point>& ring) {
    struct cEdge {
        std::int64_t X, Y1, Y2;
    };
    std::vector<cEdge> edges;
    std::vector<std::int64_t> ys;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const cUnit_Point a = ring[i], b = ring[(i + 1) % ring.size()];
        ys.push_back(a.Y);
        if (a.X == b.X && a.Y != b.Y) edges.push_back({a.X, std::min(a.Y, b.Y), std::max(a.Y, b.Y)});
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<cBox64> boxes;
    std::vector<std::int64_t> xs;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
        xs.clear();
        for (const cEdge& e : edges)
            if (e.Y1 <= ys[k] && e.Y2 >= ys[k + 1]) xs.push_back(e.X);
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
            if (xs[i] < xs[i + 1]) boxes.push_back({xs[i], ys[k], xs[i + 1], ys[k + 1]});
    }
    return boxes;
}

// The exact pieces of an outline in level units, or why there are none: a
// closed ring blocks its inside (its edges are walls when it has none), an
// open line gives its edges as walls.
std::string Exact_Pieces(const cOutline& outline, const std::vector<cUnit_Point>& points, double rotation,
                         cPieces& pieces) {
    if (outline.Boxed) return std::string(outline.Boxed) + " are not supported";
    const std::size_t n = points.size();
    const std::size_t edges = n < 2 ? 0 : (outline.Closed && n >= 3 ? n : n - 1);
    for (std::size_t i = 0; i < edges; ++i) {
        const cUnit_Point a = points[i], b = points[(i + 1) % n];
        if (a.X != b.X && a.Y != b.Y) {
            if (outline.Rectangle) {
                std::ostringstream angle;
                angle << rotation;
                return "rectangles rotated by " + angle.str() + " degrees are not supported";
            }
            return std::string(outline.Closed ? "polygons" : "polylines") + " with diagonal edges are not supported";
        }
    }
    if (outline.Closed && n >= 3) {
        pieces.Boxes = Fill(points);
        if (!pieces.Boxes.empty()) return "";
        if (outline.Rectangle) return "rectangles without width or height are not supported";
    }
    for (std::size_t i = 0; i < edges; ++i) {
        const cUnit_Point a = points[i], b = points[(i + 1) % n];
        if (a.X == b.X && a.Y == b.Y) continue;
        pieces.Walls.push_back({std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)});
    }
    return "";
}

// The box around the points; empty when they span no area.
bool Bounding_Box(const std::vector<cUnit_Point>& points, cBox64& box) {
    if (points.empty()) return false;
    box = {points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (const cUnit_Point& p : points) {
        box.X1 = std::min(box.X1, p.X);
        box.Y1 = std::min(box.Y1, p.Y);
        box.X2 = std::max(box.X2, p.X);
        box.Y2 = std::max(box.Y2, p.Y);
    }
    return box.X1 < box.X2 && box.Y1 < box.Y2;
}

// ================================================================ blocked space

// What the import does with a layer.
enum class cRole {
    NONE,         // not used
    COLLISION,    // a collision layer: every tile or object blocks
    TILES,        // a tile layer: its tiles with shapes or a solid property block
    CLASSES,      // an object layer: its objects of a collision class block
};

class cSpace_Builder {
public:
    cSpace_Builder(const cModel& model, const cTiled_Options& options, const cTileset_Reader& read_files, cTiled_Map& map)
        : Model(model), Options(options), Read_Files(read_files), Map(map) {
        for (const cTileset& t : Model.Tilesets) Tilesets.push_back(&t);
        std::stable_sort(Tilesets.begin(), Tilesets.end(),
                         [](const cTileset* a, const cTileset* b) { return a->First_Gid < b->First_Gid; });
    }

    void Build() {
        if (Options.Scale < 1) Refuse("the scale must be at least 1");
        for (const std::int64_t size : {Model.Tile_Width, Model.Tile_Height})
            if (size < 1 || size > COORD_LIMIT)
                Refuse("the tile size " + std::to_string(Model.Tile_Width) + " x " + std::to_string(Model.Tile_Height) +
                       " is not between 1 and " + std::to_string(COORD_LIMIT));
        Choose_Roles(true);
        Find_Extent();
        for (std::size_t i = 0; i < Model.Layers.size(); ++i) Use_Layer(Model.Layers[i], Roles[i]);
        for (const auto& t : Boxed_Tiles)
            Map.Notes.push_back("tileset " + Quote(t.first->Name.empty() ? t.first->Source : t.first->Name) + ": " +
                                Count_Of(std::int64_t(t.second.size()), "tile") + (t.second.size() == 1 ? " has" : " have") +
                                " shapes that are not rectangles or straight polygons (ellipses, slopes, turned "
                                "shapes); each blocks its bounding box");
        for (const auto& t : Skipped_Shapes)
            Map.Notes.push_back("tileset " + Quote(t.first->Name.empty() ? t.first->Source : t.first->Name) + ": " +
                                Count_Of(t.second, "collision shape") + " of other classes skipped");
        if (Map.Space.Boxes.empty() && Map.Space.Walls.empty())
            Refuse(!Empty_Reason.empty() ? Empty_Reason
                   : Used_Layers.empty() ? Nothing_Blocks()
                                         : "the collision lies wholly outside the map, so it blocks nothing (" + Used() + ")");
        const std::int64_t cells = Compressed_Cells(Map.Space);
        if (cells > TILED_CELL_LIMIT)
            Refuse("the blocked space would be cut into " + std::to_string(cells) + " cells, more than " +
                   std::to_string(TILED_CELL_LIMIT));
        if (!Has_Free_Space(Map.Space))
            Refuse("the collision covers the whole map, so the level would have no free space (" + Used() + ")");
    }

    // The role of each layer of the model; with check, refuses a Layer that
    // names no layer and a Solid_Property that no tile has.
    void Choose_Roles(bool check) {
        Roles.assign(Model.Layers.size(), cRole::NONE);
        bool any = false;
        for (std::size_t i = 0; i < Model.Layers.size(); ++i) {
            const cLayer& l = Model.Layers[i];
            if (l.Kind != cLayer_Kind::TILE && l.Kind != cLayer_Kind::OBJECT) continue;
            if (!Options.Layer.empty()) {
                bool named = l.Name == Options.Layer || l.Path == Options.Layer;
                for (const std::string& g : l.Groups) {
                    const std::size_t slash = g.rfind('/');
                    named = named || g == Options.Layer || g.substr(slash == std::string::npos ? 0 : slash + 1) == Options.Layer;
                }
                if (named) Roles[i] = cRole::COLLISION;
                any = any || named;
            } else if (l.Marked) {
                Roles[i] = cRole::COLLISION;
            } else {
                Roles[i] = l.Kind == cLayer_Kind::TILE ? cRole::TILES : cRole::CLASSES;
            }
        }
        if (!check) return;
        if (!Options.Layer.empty() && !any)
            Refuse("no layer named " + Quote(Options.Layer) + " (" + Layer_Names() + ")");
        if (!Options.Solid_Property.empty()) {
            std::set<std::string> names;
            bool found = false;
            for (const cTileset* t : Tilesets)
                for (const auto& tile : t->Tiles) {
                    names.insert(tile.second.True_Bools.begin(), tile.second.True_Bools.end());
                    found = found || Has_Name(tile.second.True_Bools, Options.Solid_Property);
                }
            if (!found) {
                std::string list;
                for (const std::string& n : names) list += (list.empty() ? "" : ", ") + Quote(n);
                Refuse("no tile of the tilesets has the bool property " + Quote(Options.Solid_Property) + " = true (" +
                       (list.empty() ? std::string("no tile has a bool property that is true") : "bool properties that tiles have: " + list) +
                       ")");
            }
        }
    }

    std::vector<cRole> Roles;

    // Whether some tile of the tilesets has shapes or a solid property.
    bool Any_Blocking_Tile() const {
        for (const cTileset* t : Tilesets)
            for (const auto& tile : t->Tiles)
                if (!tile.second.Shapes.empty() || Solid(&tile.second)) return true;
        return false;
    }

    // The class that decides whether an object of another layer is collision:
    // its own, else its template's, else its tile's. False when the template
    // that would tell cannot be read (reason says why).
    bool Class_Of(const cObject& o, std::string& name, std::string& reason) {
        if (o.Has & HAS_CLASS) {
            name = o.Class;
            return true;
        }
        const cObject* resolved = &o;
        if (!o.Template.empty()) {
            const cTemplate& t = Template(o.Template);
            if (!t.Error.empty()) {
                reason = t.Error;
                return false;
            }
            if (t.Object.Has & HAS_CLASS) {
                name = t.Object.Class;
                return true;
            }
            resolved = &t.Object;
        }
        name.clear();
        if (resolved->Gid != 0 && resolved->Template.empty() && o.Template.empty()) {
            std::int64_t local = 0;
            if (const cTileset* ts = Find_Tileset(resolved->Gid & ~FLAG_BITS, local))
                if (const cTile_Info* info = ts->Tile(local)) name = info->Class;
        }
        return true;
    }

    bool Collision_Class(const std::string& name) const {
        if (name.empty()) return false;
        for (const std::string& c : Options.Object_Classes)
            if (Same_Name(c, name)) return true;
        return false;
    }

    bool Solid(const cTile_Info* info) const {
        if (info == nullptr) return false;
        if (!Options.Solid_Property.empty()) return Has_Name(info->True_Bools, Options.Solid_Property);
        for (const char* name : SOLID_PROPERTIES)
            if (Has_Name(info->True_Bools, name)) return true;
        return false;
    }

    // The tileset of a gid (flags cleared) and the tile's local id; null
    // beyond the tilesets.
    const cTileset* Find_Tileset(std::int64_t gid, std::int64_t& local) const {
        const auto after = std::upper_bound(Tilesets.begin(), Tilesets.end(), gid,
                                            [](std::int64_t g, const cTileset* t) { return g < t->First_Gid; });
        const cTileset* tileset = after == Tilesets.begin() ? nullptr : *(after - 1);
        if (tileset == nullptr) return nullptr;
        local = gid - tileset->First_Gid;
        if (tileset->Count >= 0 && local >= tileset->Count) return nullptr;
        return tileset;
    }

    // "tile "Ground", object "Spawns", ...": the map's tile and object layers.
    std::string Layer_Names() const {
        std::string names;
        int listed = 0;
        for (const cLayer& l : Model.Layers) {
            if (l.Kind != cLayer_Kind::TILE && l.Kind != cLayer_Kind::OBJECT) continue;
            if (listed++ == 12) {
                names += ", ...";
                break;
            }
            names += (names.empty() ? "" : ", ") + std::string(l.Kind == cLayer_Kind::TILE ? "tile " : "object ") + Quote(l.Path);
        }
        return names.empty() ? "the map has no tile or object layer" : "layers: " + names;
    }

private:
    struct cTemplate {
        cObject Object;
        std::string Error;
    };

    // A tile's shapes placed at a cell: level units from the cell's top left.
    struct cPlaced {
        std::vector<cBox64> Boxes;
        std::vector<cWall64> Walls;
    };

    const cModel& Model;
    const cTiled_Options& Options;
    const cTileset_Reader& Read_Files;
    cTiled_Map& Map;
    // The map's extent in tiles: [X0,X1) x [Y0,Y1).
    std::int64_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    std::int64_t Tiles_Read = 0;  // width x height of every layer or chunk read so far
    std::vector<const cTileset*> Tilesets;  // by first gid
    std::map<std::string, cTemplate> Templates;
    std::map<std::uint32_t, cPlaced> Placed;  // by gid with its flips
    std::map<const cTileset*, std::set<std::int64_t>> Boxed_Tiles;
    std::map<const cTileset*, std::int64_t> Skipped_Shapes;
    std::set<std::pair<const cTileset*, std::int64_t>> Counted_Skips;
    std::vector<std::string> Used_Layers;  // for messages: what blocks
    std::string Empty_Reason;              // the first collision layer that blocks nothing

    // A collision layer that blocks nothing refuses the map when nothing else
    // blocks either; otherwise (a layer left empty in a map whose tiles carry
    // the collision) it is noted.
    void Empty_Layer(const std::string& where, const std::string& reason) {
        if (Empty_Reason.empty()) Empty_Reason = reason;
        Map.Notes.push_back(where + ": collision layer that blocks nothing");
    }

    const cTemplate& Template(const std::string& source) {
        auto it = Templates.find(source);
        if (it != Templates.end()) return it->second;
        cTemplate t;
        try {
            t.Object = Read_Template(source, Read_Files);
        } catch (const cRefusal& r) {
            t.Error = r.Reason;
        }
        return Templates.emplace(source, t).first->second;
    }

    std::string Used() const {
        std::string used;
        for (const std::string& u : Used_Layers) used += (used.empty() ? "" : ", ") + u;
        return used.empty() ? "nothing is collision" : "collision: " + used;
    }

    std::string Nothing_Blocks() const {
        std::string classes;
        for (const std::string& c : Options.Object_Classes) classes += (classes.empty() ? "" : ", ") + Quote(c);
        if (!Options.Layer.empty()) return "layer " + Quote(Options.Layer) + " blocks nothing (" + Layer_Names() + ")";
        return "nothing in the map is collision: no tile placed has collision shapes or a bool property " +
               (Options.Solid_Property.empty() ? std::string("collision, collides, solid or wall")
                                               : Quote(Options.Solid_Property)) +
               " = true, no layer's name holds \"collision\" nor has the bool property collision = true, and no "
               "object has the class " +
               (classes.empty() ? std::string("(none given)") : classes) + "; choose a layer with --layer NAME (" +
               Layer_Names() + ")";
    }

    void Find_Extent() {
        const std::int64_t int_limit = std::numeric_limits<int>::max();
        if (!Model.Infinite) {
            if (Model.Width < 1 || Model.Height < 1)
                Refuse("the map measures " + std::to_string(Model.Width) + " x " + std::to_string(Model.Height) +
                       " tiles");
            X1 = Model.Width;
            Y1 = Model.Height;
        } else {
            bool any = false;
            for (const cLayer& l : Model.Layers)
                for (const cChunk& c : l.Chunks) {
                    if (c.Width < 1 || c.Height < 1 || c.Width > int_limit || c.Height > int_limit)
                        Refuse("layer " + Quote(l.Name) + ": a chunk of " + std::to_string(c.Width) + " x " +
                               std::to_string(c.Height) + " tiles");
                    X0 = any ? std::min(X0, c.X) : c.X;
                    Y0 = any ? std::min(Y0, c.Y) : c.Y;
                    X1 = any ? std::max(X1, c.X + c.Width) : c.X + c.Width;
                    Y1 = any ? std::max(Y1, c.Y + c.Height) : c.Y + c.Height;
                    any = true;
                }
            if (!any) Refuse("the infinite map has no chunks, so no extent");
        }
        // Tiles at most 2^33 and tile sizes at most COORD_LIMIT: no overflow.
        const std::int64_t width = (X1 - X0) * Model.Tile_Width, height = (Y1 - Y0) * Model.Tile_Height;
        if (width > COORD_LIMIT || height > COORD_LIMIT)
            Refuse("the map measures " + std::to_string(width) + " x " + std::to_string(height) +
                   " pixels, beyond the coordinate limit " + std::to_string(COORD_LIMIT));
        if (width * Options.Scale > COORD_LIMIT || height * Options.Scale > COORD_LIMIT)
            Refuse("the level would measure " + std::to_string(width * Options.Scale) + " x " +
                   std::to_string(height * Options.Scale) + " units, beyond the coordinate limit " +
                   std::to_string(COORD_LIMIT));
        Map.Origin_X = X0 * Model.Tile_Width;
        Map.Origin_Y = Y0 * Model.Tile_Height;
        Map.Space.Width = int(width * Options.Scale);
        Map.Space.Height = int(height * Options.Scale);
    }

    // A map pixel coordinate in level units.
    std::int64_t Level_X(double px) const { return Unit((px - double(Map.Origin_X)) * Options.Scale); }
    std::int64_t Level_Y(double py) const { return Unit((py - double(Map.Origin_Y)) * Options.Scale); }

    void Count_Piece() const {
        if (std::int64_t(Map.Space.Boxes.size() + Map.Space.Walls.size()) >= TILED_PIECE_LIMIT)
            Refuse("the collision would hold more than " + std::to_string(TILED_PIECE_LIMIT) + " boxes and walls");
    }

    // Adds the part of a box inside the world; whether there was one.
    bool Add_Box(const cBox64& b) {
        const std::int64_t x1 = std::max<std::int64_t>(b.X1, 0), y1 = std::max<std::int64_t>(b.Y1, 0);
        const std::int64_t x2 = std::min<std::int64_t>(b.X2, Map.Space.Width), y2 = std::min<std::int64_t>(b.Y2, Map.Space.Height);
        if (x1 >= x2 || y1 >= y2) return false;
        Count_Piece();
        Map.Space.Boxes.push_back({int(x1), int(y1), int(x2), int(y2)});
        return true;
    }

    bool Add_Wall(const cWall64& w) {
        const std::int64_t width = Map.Space.Width, height = Map.Space.Height;
        if (w.Y1 == w.Y2) {
            if (w.Y1 < 0 || w.Y1 > height) return false;
            const std::int64_t x1 = std::max<std::int64_t>(w.X1, 0), x2 = std::min(w.X2, width);
            if (x1 >= x2) return false;
            Count_Piece();
            Map.Space.Walls.push_back({int(x1), int(w.Y1), int(x2), int(w.Y1)});
        } else {
            if (w.X1 < 0 || w.X1 > width) return false;
            const std::int64_t y1 = std::max<std::int64_t>(w.Y1, 0), y2 = std::min(w.Y2, height);
            if (y1 >= y2) return false;
            Count_Piece();
            Map.Space.Walls.push_back({int(w.X1), int(y1), int(w.X1), int(y2)});
        }
        return true;
    }

    void Use_Layer(const cLayer& layer, cRole role) {
        const std::string where = "layer " + Quote(layer.Name);
        if (role == cRole::NONE) return;
        if (layer.Kind == cLayer_Kind::TILE) {
            if (role == cRole::TILES && !Any_Blocking_Tile()) {
                Map.Notes.push_back(where + ": tile layer skipped (not marked for collision)");
                return;
            }
            if (!layer.Error.empty()) Refuse(where + ": " + layer.Error);
            const bool collision = role == cRole::COLLISION;
            std::int64_t tiles = 0, full = 0;
            const std::int64_t cells = Add_Tiles(layer, collision, tiles, full);
            if (!collision) {
                if (cells > 0) {
                    Map.Notes.push_back(where + ": " + Count_Of(cells, "tile") +
                                        " with collision shapes or a solid property " + Blocks_Verb(cells));
                    Used_Layers.push_back("tiles of " + where);
                }
                return;
            }
            if (cells == 0) {
                Empty_Layer(where, tiles == 0 ? where + " is a collision layer without tiles, so it blocks nothing (" +
                                                    Layer_Names() + ")"
                                              : where + ": none of its " + Count_Of(tiles, "tile") +
                                                    " has the bool property " + Quote(Options.Solid_Property) +
                                                    " = true, so it blocks nothing");
                return;
            }
            const std::int64_t map_cells = (X1 - X0) * (Y1 - Y0);
            if (full >= map_cells)
                Refuse(where + " blocks every one of the map's " + std::to_string(map_cells) +
                       " cells, so the level would have no free space (a ground layer? choose the collision layer "
                       "with --layer NAME; " + Layer_Names() + ")");
            Map.Notes.push_back(where + ": collision layer, " + Count_Of(cells, "tile") + " " + Blocks_Verb(cells));
            Used_Layers.push_back(where);
            return;
        }
        // An object layer.
        std::int64_t blocked = 0, skipped = 0;
        for (const cObject& o : layer.Objects) {
            if (role == cRole::COLLISION) {
                blocked += Add_Object(layer, Resolved(layer, o), "") ? 1 : 0;
                continue;
            }
            std::string name, reason;
            if (!Class_Of(o, name, reason)) {
                Map.Notes.push_back(where + ": " + o.Label() + ": " + reason + "; skipped");
                ++skipped;
                continue;
            }
            if (!Collision_Class(name)) {
                ++skipped;
                continue;
            }
            blocked += Add_Object(layer, Resolved(layer, o), " of class " + Quote(name)) ? 1 : 0;
        }
        if (role == cRole::COLLISION) {
            if (blocked == 0) {
                Empty_Layer(where, where + " is a collision layer that blocks nothing (" +
                                       (layer.Objects.empty() ? std::string("it holds no objects")
                                                              : "none of its " +
                                                                    Count_Of(std::int64_t(layer.Objects.size()), "object") +
                                                                    " lies inside the map") +
                                       "; " + Layer_Names() + ")");
                return;
            }
            Map.Notes.push_back(where + ": collision layer, " + Count_Of(blocked, "object") + " " + Blocks_Verb(blocked));
            Used_Layers.push_back(where);
            return;
        }
        std::string note;
        if (blocked > 0) {
            note = Count_Of(blocked, "object") + " of a collision class " + Blocks_Verb(blocked);
            Used_Layers.push_back("objects of " + where);
        }
        if (skipped > 0) note += (note.empty() ? "" : ", ") + Count_Of(skipped, "object") + " skipped";
        if (!note.empty()) Map.Notes.push_back(where + ": " + note);
    }

    // The object with its template's fields; refuses when the template cannot be read.
    cObject Resolved(const cLayer& layer, const cObject& o) {
        if (o.Template.empty()) return o;
        const cTemplate& t = Template(o.Template);
        if (!t.Error.empty()) Refuse("layer " + Quote(layer.Name) + ": " + o.Label() + ": " + t.Error);
        return Merge_Template(o, t.Object);
    }

    // Adds a collision object; refuses what it cannot take. Whether any part
    // of it lies inside the map.
    bool Add_Object(const cLayer& layer, const cObject& o, const std::string& what) {
        const std::string where = "layer " + Quote(layer.Name) + ": " + o.Label() + what;
        if (!o.Error.empty()) Refuse(where + ": " + o.Error);
        std::string alignment;  // a template's tile: its tileset is not the map's; bottom left
        if (o.Gid != 0 && !o.Template_Gid) {
            std::int64_t local = 0;
            const cTileset* tileset = Find_Tileset(o.Gid & ~FLAG_BITS, local);
            if (tileset == nullptr)
                Refuse(where + ": gid " + std::to_string(o.Gid & ~FLAG_BITS) + " is beyond the tilesets");
            alignment = tileset->Alignment;
        }
        const cOutline outline = Outline(o, alignment);
        if (outline.None) Refuse(where + ": " + outline.None + " are not supported in a collision layer");
        std::vector<cUnit_Point> points;
        for (const cPixel& p : outline.Points)
            points.push_back({Level_X(p.first + layer.Offset_X), Level_Y(p.second + layer.Offset_Y)});
        cPieces pieces;
        const std::string reason = Exact_Pieces(outline, points, o.Rotation, pieces);
        if (!reason.empty()) Refuse(where + ": " + reason);
        bool inside = false;
        for (const cBox64& b : pieces.Boxes) inside = Add_Box(b) || inside;
        for (const cWall64& w : pieces.Walls) inside = Add_Wall(w) || inside;
        return inside;
    }

    // A tile's shapes in level units from the top left of the cell where it
    // is placed, with its flips.
    const cPlaced& Place(std::uint32_t raw, const cTileset& tileset, std::int64_t local, const cTile_Info& info) {
        const std::uint32_t key = raw & ~ROTATE_HEX;
        auto it = Placed.find(key);
        if (it != Placed.end()) return it->second;
        cPlaced placed;
        const double grid_w = double(Model.Tile_Width), grid_h = double(Model.Tile_Height);
        double w = info.Width > 0 ? info.Width : tileset.Tile_Width, h = info.Height > 0 ? info.Height : tileset.Tile_Height;
        if (!(w > 0)) w = grid_w;
        if (!(h > 0)) h = grid_h;
        // Drawn at grid size: the image scaled into the cell.
        double sx = 1, sy = 1, ox = 0, oy = 0;
        if (tileset.Grid_Size) {
            sx = grid_w / w;
            sy = grid_h / h;
            if (tileset.Aspect_Fit) {
                sx = sy = std::min(sx, sy);
                ox = (grid_w - w * sx) / 2;
                oy = (grid_h - h * sy) / 2;
            }
            w = grid_w;
            h = grid_h;
        }
        const bool flip_d = (raw & FLIP_D) != 0, flip_h = (raw & FLIP_H) != 0, flip_v = (raw & FLIP_V) != 0;
        const double frame_w = flip_d ? h : w, frame_h = flip_d ? w : h;
        // Bottom left on the cell's bottom left; a turned tile keeps its
        // middle column, as Tiled draws it.
        const double left = tileset.Offset_X + (w - frame_w) / 2, top = grid_h - frame_h + tileset.Offset_Y;
        const std::string where = "tileset " + Quote(tileset.Name.empty() ? tileset.Source : tileset.Name) + " tile " +
                                  std::to_string(local);
        for (const cObject& shape : info.Shapes) {
            if (!shape.Error.empty()) Refuse(where + ": " + shape.Label() + ": " + shape.Error);
            if (!shape.Class.empty() && !Collision_Class(shape.Class)) {
                if (Counted_Skips.insert({&tileset, shape.Id * 1000003 + local}).second) ++Skipped_Shapes[&tileset];
                continue;
            }
            const cOutline outline = Outline(shape, "");
            if (outline.None) continue;
            std::vector<cUnit_Point> points;
            for (cPixel p : outline.Points) {
                double x = p.first * sx + ox, y = p.second * sy + oy;
                if (flip_d) std::swap(x, y);
                if (flip_h) x = frame_w - x;
                if (flip_v) y = frame_h - y;
                points.push_back({Unit((left + x) * Options.Scale), Unit((top + y) * Options.Scale)});
            }
            cPieces pieces;
            if (Exact_Pieces(outline, points, shape.Rotation, pieces).empty()) {
                placed.Boxes.insert(placed.Boxes.end(), pieces.Boxes.begin(), pieces.Boxes.end());
                placed.Walls.insert(placed.Walls.end(), pieces.Walls.begin(), pieces.Walls.end());
                continue;
            }
            cBox64 box{};
            if (Bounding_Box(points, box)) {
                placed.Boxes.push_back(box);
                Boxed_Tiles[&tileset].insert(local);
            }
        }
        return Placed.emplace(key, placed).first->second;
    }

    // Adds a tile layer's blocking tiles: tiles counts the cells holding a
    // tile, full those blocked whole; returns the cells that block.
    std::int64_t Add_Tiles(const cLayer& layer, bool collision, std::int64_t& tiles, std::int64_t& full) {
        std::int64_t blocking = 0;
        std::vector<cBox64> row;
        const std::int64_t tw = Model.Tile_Width, th = Model.Tile_Height;
        for (const cChunk& chunk : layer.Chunks) {
            std::string where = "layer " + Quote(layer.Name);
            if (Model.Infinite) where += ": chunk at (" + std::to_string(chunk.X) + "," + std::to_string(chunk.Y) + ")";
            if (chunk.Width < 1 || chunk.Height < 1)
                Refuse(where + ": " + std::to_string(chunk.Width) + " x " + std::to_string(chunk.Height) + " tiles");
            const std::int64_t count = chunk.Width * chunk.Height;
            if (count > Options.Max_Tiles - Tiles_Read)
                Refuse(where + ": " + std::to_string(chunk.Width) + " x " + std::to_string(chunk.Height) +
                       " tiles: the map's tile layers would hold more than " + std::to_string(Options.Max_Tiles) +
                       " tiles, the limit for a map");
            Tiles_Read += count;
            std::vector<std::uint32_t> gids;
            try {
                gids = chunk.Gids(count);
            } catch (const cRefusal& r) {
                Refuse(where + ": " + r.Reason);
            }
            if (std::int64_t(gids.size()) != count)
                Refuse(where + ": the data holds " + std::to_string(gids.size()) + " tiles, width x height is " +
                       std::to_string(count));
            for (std::int64_t r = 0; r < chunk.Height; ++r) {
                const std::int64_t y = chunk.Y + r;
                if (y < Y0 || y >= Y1) continue;  // past a finite map's edge
                row.clear();
                const std::int64_t top = Level_Y(double(y * th) + layer.Offset_Y);
                const std::int64_t bottom = Level_Y(double((y + 1) * th) + layer.Offset_Y);
                for (std::int64_t c = 0; c < chunk.Width; ++c) {
                    const std::int64_t x = chunk.X + c;
                    const std::uint32_t raw = gids[std::size_t(r * chunk.Width + c)];
                    const std::int64_t gid = raw & ~FLAG_BITS;
                    if (gid == 0 || x < X0 || x >= X1) continue;
                    ++tiles;
                    std::int64_t local = 0;
                    const cTileset* tileset = Find_Tileset(gid, local);
                    if (tileset == nullptr)
                        Refuse("layer " + Quote(layer.Name) + ": cell (" + std::to_string(x) + "," + std::to_string(y) +
                               ") holds gid " + std::to_string(gid) + ", beyond the tilesets");
                    const cTile_Info* info = tileset->Tile(local);
                    const bool shaped = info != nullptr && !info->Shapes.empty();
                    const bool blocks = collision ? Options.Solid_Property.empty() || Solid(info) : shaped || Solid(info);
                    if (!blocks) continue;
                    ++blocking;
                    const std::int64_t left = Level_X(double(x * tw) + layer.Offset_X);
                    if (!shaped) {
                        row.push_back({left, top, Level_X(double((x + 1) * tw) + layer.Offset_X), bottom});
                        ++full;
                        continue;
                    }
                    const cPlaced& placed = Place(raw, *tileset, local, *info);
                    for (const cBox64& b : placed.Boxes) row.push_back({left + b.X1, top + b.Y1, left + b.X2, top + b.Y2});
                    for (const cWall64& w : placed.Walls) Add_Wall({left + w.X1, top + w.Y1, left + w.X2, top + w.Y2});
                }
                // Neighbouring boxes of the same height merge into one.
                auto before = [](const cBox64& a, const cBox64& b) {
                    return std::tie(a.Y1, a.Y2, a.X1) < std::tie(b.Y1, b.Y2, b.X1);
                };
                if (!std::is_sorted(row.begin(), row.end(), before)) std::sort(row.begin(), row.end(), before);
                for (std::size_t i = 0; i < row.size();) {
                    cBox64 merged = row[i++];
                    while (i < row.size() && row[i].Y1 == merged.Y1 && row[i].Y2 == merged.Y2 && row[i].X1 <= merged.X2)
                        merged.X2 = std::max(merged.X2, row[i++].X2);
                    Add_Box(merged);
                }
            }
        }
        return blocking;
    }
};

// ================================================================ listing

cTiled_Listing Make_Listing(const cModel& model, const cTiled_Options& options, const cTileset_Reader& read_files) {
    cTiled_Listing listing;
    listing.Width = model.Width;
    listing.Height = model.Height;
    listing.Tile_Width = model.Tile_Width;
    listing.Tile_Height = model.Tile_Height;
    listing.Infinite = model.Infinite;
    cTiled_Map scratch;
    cSpace_Builder builder(model, options, read_files, scratch);
    builder.Choose_Roles(false);
    const bool blocking_tiles = builder.Any_Blocking_Tile();
    for (std::size_t i = 0; i < model.Layers.size(); ++i) {
        const cLayer& l = model.Layers[i];
        cTiled_Layer_Entry e;
        e.Path = l.Path;
        e.Properties = l.Properties;
        const cRole role = builder.Roles[i];
        switch (l.Kind) {
            case cLayer_Kind::TILE: {
                e.Kind = "tile";
                try {
                    if (!l.Error.empty()) Refuse(l.Error);
                    for (const cChunk& c : l.Chunks)
                        for (const std::uint32_t gid : c.Gids(std::max<std::int64_t>(c.Width, 0) * std::max<std::int64_t>(c.Height, 0)))
                            e.Tiles += (gid & ~FLAG_BITS) != 0 ? 1 : 0;
                } catch (const cRefusal&) {
                    e.Tiles = -1;
                }
                e.Use = role == cRole::COLLISION
                            ? (options.Solid_Property.empty() ? "collision tiles"
                                                             : "collision tiles with the bool property " + Quote(options.Solid_Property))
                            : role == cRole::TILES && blocking_tiles ? "its tiles with collision shapes or a solid property"
                                                                     : "not used";
                break;
            }
            case cLayer_Kind::OBJECT: {
                e.Kind = "object";
                e.Objects = std::int64_t(l.Objects.size());
                if (role == cRole::COLLISION) {
                    e.Use = "collision objects";
                } else if (role == cRole::CLASSES) {
                    std::int64_t taken = 0;
                    for (const cObject& o : l.Objects) {
                        std::string name, reason;
                        taken += builder.Class_Of(o, name, reason) && builder.Collision_Class(name) ? 1 : 0;
                    }
                    e.Use = taken == 0 ? "skipped"
                                       : Count_Of(taken, "object") + " of a collision class; " +
                                             std::to_string(e.Objects - taken) + " skipped";
                } else {
                    e.Use = "not used";
                }
                break;
            }
            case cLayer_Kind::IMAGE:
                e.Kind = "image";
                e.Use = "not used";
                break;
            case cLayer_Kind::GROUP:
                e.Kind = "group";
                break;
        }
        listing.Layers.push_back(e);
    }
    for (const cTileset& t : model.Tilesets) {
        cTiled_Tileset_Entry e;
        e.Name = t.Name;
        e.Source = t.Source;
        e.First_Gid = t.First_Gid;
        e.Tile_Count = t.Count;
        std::map<std::string, std::int64_t> kinds, bools;
        for (const auto& tile : t.Tiles) {
            if (!tile.second.Shapes.empty()) ++e.Shape_Tiles;
            for (const cObject& s : tile.second.Shapes) {
                ++e.Shapes;
                const char* names[] = {"rectangle", "polygon", "polyline", "ellipse", "capsule", "point", "text"};
                ++kinds[s.Gid != 0 ? "tile" : names[int(s.Kind)]];
            }
            for (const std::string& b : tile.second.True_Bools) ++bools[b];
        }
        for (const auto& k : kinds) e.Shape_Kinds += (e.Shape_Kinds.empty() ? "" : ", ") + k.first + " " + std::to_string(k.second);
        for (const auto& b : bools) e.Solid_Tiles += (e.Solid_Tiles.empty() ? "" : ", ") + b.first + " " + std::to_string(b.second);
        listing.Tilesets.push_back(e);
    }
    return listing;
}

}  // namespace

std::string Format_Tiled_Listing(const cTiled_Listing& listing) {
    std::ostringstream out;
    out << "map: ";
    if (listing.Infinite)
        out << "infinite";
    else
        out << listing.Width << " x " << listing.Height << " tiles";
    out << " of " << listing.Tile_Width << " x " << listing.Tile_Height << " pixels\n";
    for (const cTiled_Layer_Entry& l : listing.Layers) {
        out << "layer " << Quote_Name(l.Path) << ": " << l.Kind;
        if (l.Kind == "tile") out << ", " << (l.Tiles < 0 ? std::string("data unreadable") : Count_Of(l.Tiles, "tile"));
        if (l.Kind == "object") out << ", " << Count_Of(l.Objects, "object");
        if (!l.Properties.empty()) out << ", " << One_Line(l.Properties);
        if (!l.Use.empty()) out << "; " << One_Line(l.Use);
        out << "\n";
    }
    for (const cTiled_Tileset_Entry& t : listing.Tilesets) {
        out << "tileset " << Quote_Name(t.Name) << " (";
        if (!t.Source.empty()) out << One_Line(t.Source) << ", ";
        out << "first gid " << t.First_Gid;
        if (t.Tile_Count >= 0) out << ", " << Count_Of(t.Tile_Count, "tile");
        out << "): ";
        if (t.Shape_Tiles == 0)
            out << "no collision shapes";
        else
            out << Count_Of(t.Shape_Tiles, "tile") << " with collision shapes (" << One_Line(t.Shape_Kinds) << ")";
        if (!t.Solid_Tiles.empty()) out << "; bool properties true: " << One_Line(t.Solid_Tiles);
        out << "\n";
    }
    return out.str();
}

bool Read_Tiled_Text(const std::string& text, const cTiled_Options& options, const cTileset_Reader& read_files,
                     cTiled_Map& map, std::string& error) {
    map = cTiled_Map();
    try {
        // The documents outlive the model, whose decoders read from them.
        cModel model;
        tinyxml2::XMLDocument xml;
        cJson json;
        Read_Model(text, read_files, xml, json, model);
        cSpace_Builder(model, options, read_files, map).Build();
        return true;
    } catch (const cRefusal& r) {
        error = r.Reason;
        map = cTiled_Map();
        return false;
    }
}

bool List_Tiled_Text(const std::string& text, const cTiled_Options& options, const cTileset_Reader& read_files,
                     cTiled_Listing& listing, std::string& error) {
    listing = cTiled_Listing();
    try {
        cModel model;
        tinyxml2::XMLDocument xml;
        cJson json;
        Read_Model(text, read_files, xml, json, model);
        listing = Make_Listing(model, options, read_files);
        return true;
    } catch (const cRefusal& r) {
        error = r.Reason;
        listing = cTiled_Listing();
        return false;
    }
}


bool Read_Tiled_Map(const std::string& file_name, const cTiled_Options& options, cTiled_Map& map, std::string& error) {
    std::string text;
    if (!Read_Whole_File(file_name, text)) {
        map = cTiled_Map();
        error = "cannot read the map";
        return false;
    }
    return Read_Tiled_Text(text, options, Folder_Reader(file_name), map, error);
}

bool List_Tiled_Map(const std::string& file_name, const cTiled_Options& options, cTiled_Listing& listing,
                    std::string& error) {
    std::string text;
    if (!Read_Whole_File(file_name, text)) {
        listing = cTiled_Listing();
        error = "cannot read the map";
        return false;
    }
    return List_Tiled_Text(text, options, Folder_Reader(file_name), listing, error);
}

}  // namespace bsp_levels
