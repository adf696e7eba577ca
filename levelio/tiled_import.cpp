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
#include <nlohmann/json.hpp>
#include <set>
#include <utility>
#include <vector>

#include "parse_int.h"

namespace bsp_levels {

namespace {

using cJson = nlohmann::json;
using tinyxml2::XMLElement;

// A map refused, with the reason. Thrown anywhere below Read_Tiled_Text and
// turned into its error string there.
struct cRefusal {
    std::string Reason;
};

[[noreturn]] void Refuse(const std::string& reason) { throw cRefusal{reason}; }

// A name or value from the map as it appears in a message: quoted, control
// characters escaped, cut when long, so that a message stays one line.
std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 60) {
            out += "...";
            break;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f || c == '"' || c == '\\') {
            const char* hex = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

// The high bits of a gid: horizontal, vertical and diagonal flip, and the
// hexagonal maps' rotation. The rest is the tile's global id.
const std::uint32_t FLAG_BITS = 0x80000000u | 0x40000000u | 0x20000000u | 0x10000000u;

// ================================================================ the map as read

struct cTileset {
    std::int64_t First_Gid = 0;
    std::int64_t Count = -1;              // tiles; -1: not said, up to the next tileset
    std::set<std::int64_t> Solid;         // local ids with the solid property true
};

// A rectangle of a tile layer's cells (a finite map's layer is one, at 0,0)
// and how to get its gids, row by row; Gids refuses malformed data. count
// is the number of cells the chunk claims, a bound for decompression only.
struct cChunk {
    std::int64_t X = 0, Y = 0, Width = 0, Height = 0;
    std::function<std::vector<std::uint32_t>(std::int64_t count)> Gids;
};

struct cTile_Layer {
    std::string Name;
    bool Marked = false;  // the bool property collision = true
    std::vector<cChunk> Chunks;
};

enum class cShape { RECTANGLE, POLYGON, POLYLINE };

struct cObject {
    std::string Label;  // object 12 "tree"
    cShape Shape = cShape::RECTANGLE;
    double X = 0, Y = 0, Width = 0, Height = 0;
    std::vector<std::pair<double, double>> Points;  // relative to X, Y
};

struct cModel {
    bool Infinite = false;
    std::int64_t Width = 0, Height = 0;  // tiles, of a finite map
    std::int64_t Tile_Width = 0, Tile_Height = 0;
    std::vector<cTileset> Tilesets;
    std::vector<cTile_Layer> Layers;
    std::vector<cObject> Objects;
};

// Layer groups nest at most this deep.
const int GROUP_DEPTH_LIMIT = 64;

std::string Object_Label(std::int64_t id, const std::string& name) {
    return "object " + std::to_string(id) + (name.empty() ? "" : " " + Quote(name));
}

[[noreturn]] void Refuse_Object(const std::string& label, const std::string& reason) { Refuse(label + ": " + reason); }

void Check_Orientation(const std::string& orientation) {
    if (orientation == "orthogonal") return;
    const bool plain = !orientation.empty() && orientation.size() <= 20 &&
                       std::all_of(orientation.begin(), orientation.end(),
                                   [](char c) { return std::islower(static_cast<unsigned char>(c)) != 0; });
    Refuse((plain ? orientation : Quote(orientation)) + " maps are not supported (only orthogonal maps are)");
}

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

bool Json_Bool_Property(const cJson& object, const std::string& name) {
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

// ================================================================ tilesets

bool Is_Xml(const std::string& text) {
    std::size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    return i < text.size() && text[i] == '<';
}

void Read_Xml_Tileset(const XMLElement* t, const std::string& where, const std::string& solid_property,
                      cTileset& tileset) {
    const std::int64_t count = Xml_Int(t, "tilecount", where, -1);
    std::int64_t largest = -1;
    for (const XMLElement* tile = t->FirstChildElement("tile"); tile != nullptr; tile = tile->NextSiblingElement("tile")) {
        const std::int64_t id = Xml_Int(tile, "id", where + " tile", 0, true);
        if (id < 0) Refuse(where + ": a tile id below 0");
        largest = std::max(largest, id);
        if (!solid_property.empty() && Xml_Bool_Property(tile, solid_property)) tileset.Solid.insert(id);
    }
    tileset.Count = count < 0 ? -1 : std::max(count, largest + 1);
}

void Read_Json_Tileset(const cJson& t, const std::string& where, const std::string& solid_property,
                       cTileset& tileset) {
    const std::int64_t count = Json_Int(t, "tilecount", where, -1);
    std::int64_t largest = -1;
    if (const cJson* tiles = Json_Array(t, "tiles", where)) {
        for (const cJson& tile : *tiles) {
            const std::int64_t id = Json_Int(tile, "id", where + " tile", 0, true);
            if (id < 0) Refuse(where + ": a tile id below 0");
            largest = std::max(largest, id);
            if (!solid_property.empty() && Json_Bool_Property(tile, solid_property)) tileset.Solid.insert(id);
        }
    }
    tileset.Count = count < 0 ? -1 : std::max(count, largest + 1);
}

// An external tileset: XML (<tileset>) or JSON, told by its text.
void Read_External_Tileset(const std::string& source, const cTileset_Reader& read_tileset,
                           const std::string& solid_property, cTileset& tileset) {
    const std::string where = "tileset " + Quote(source);
    std::string text, error;
    if (!read_tileset) Refuse(where + ": external tilesets are not read here");
    if (!read_tileset(source, text, error)) Refuse(where + ": " + error);
    if (Is_Xml(text)) {
        tinyxml2::XMLDocument doc;
        doc.Parse(text.data(), text.size());
        if (doc.Error()) Refuse(where + ": " + Xml_Error(doc));
        const XMLElement* root = doc.RootElement();
        if (root == nullptr || std::string(root->Name()) != "tileset") Refuse(where + ": not a tileset");
        Read_Xml_Tileset(root, where, solid_property, tileset);
    } else {
        cJson doc;
        try {
            doc = Parse_Json(text);
        } catch (const cRefusal& r) {
            Refuse(where + ": " + r.Reason);
        }
        if (!doc.is_object()) Refuse(where + ": not a tileset");
        Read_Json_Tileset(doc, where, solid_property, tileset);
    }
}

// ================================================================ XML maps

class cXml_Reader {
public:
    cXml_Reader(const cTiled_Options& options, const cTileset_Reader& read_tileset, cModel& model)
        : Options(options), Read_Tileset(read_tileset), Model(model) {}

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
        Read_Layers(map, 0);
    }

private:
    const cTiled_Options& Options;
    const cTileset_Reader& Read_Tileset;
    cModel& Model;

    void Read_Tileset_Element(const XMLElement* t) {
        cTileset tileset;
        tileset.First_Gid = Xml_Int(t, "firstgid", "a tileset", 0, true);
        if (tileset.First_Gid < 1) Refuse("a tileset's firstgid is below 1");
        if (const char* source = Attr(t, "source"))
            Read_External_Tileset(source, Read_Tileset, Options.Solid_Property, tileset);
        else
            Read_Xml_Tileset(t, "tileset " + Quote(Attr(t, "name") ? Attr(t, "name") : ""), Options.Solid_Property,
                             tileset);
        Model.Tilesets.push_back(tileset);
    }

    void Read_Layers(const XMLElement* parent, int depth) {
        if (depth > GROUP_DEPTH_LIMIT) Refuse("layer groups nested deeper than " + std::to_string(GROUP_DEPTH_LIMIT));
        for (const XMLElement* e = parent->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
            const std::string kind = e->Name();
            if (kind == "layer") Read_Tile_Layer(e);
            else if (kind == "objectgroup") Read_Objects(e);
            else if (kind == "group") Read_Layers(e, depth + 1);
        }
    }

    void Read_Tile_Layer(const XMLElement* e) {
        cTile_Layer layer;
        layer.Name = Attr(e, "name") ? Attr(e, "name") : "";
        layer.Marked = Xml_Bool_Property(e, "collision");
        const std::string where = "layer " + Quote(layer.Name);
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

    void Read_Objects(const XMLElement* group) {
        for (const XMLElement* o = group->FirstChildElement("object"); o != nullptr; o = o->NextSiblingElement("object")) {
            cObject object;
            const std::int64_t id = Xml_Int(o, "id", "an object", 0);
            object.Label = Object_Label(id, Attr(o, "name") ? Attr(o, "name") : "");
            if (Attr(o, "gid")) Refuse_Object(object.Label, "tile objects are not supported");
            if (Attr(o, "template")) Refuse_Object(object.Label, "templates are not supported");
            const XMLElement* points = nullptr;
            for (const XMLElement* c = o->FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) {
                const std::string kind = c->Name();
                if (kind == "properties") continue;
                if (kind == "ellipse") Refuse_Object(object.Label, "ellipses are not supported");
                if (kind == "point") Refuse_Object(object.Label, "points are not supported");
                if (kind == "text") Refuse_Object(object.Label, "text objects are not supported");
                if (kind == "capsule") Refuse_Object(object.Label, "capsules are not supported");
                if (kind == "polygon" || kind == "polyline") {
                    object.Shape = kind == "polygon" ? cShape::POLYGON : cShape::POLYLINE;
                    points = c;
                } else {
                    Refuse_Object(object.Label, "<" + kind + "> objects are not supported");
                }
            }
            if (Xml_Number(o, "rotation", object.Label) != 0)
                Refuse_Object(object.Label, "rotated objects are not supported");
            object.X = Xml_Number(o, "x", object.Label);
            object.Y = Xml_Number(o, "y", object.Label);
            object.Width = Xml_Number(o, "width", object.Label);
            object.Height = Xml_Number(o, "height", object.Label);
            if (points != nullptr) object.Points = Parse_Points(Attr(points, "points"), object.Label);
            Model.Objects.push_back(object);
        }
    }

    // "x,y x,y ..."
    static std::vector<std::pair<double, double>> Parse_Points(const char* text, const std::string& label) {
        std::vector<std::pair<double, double>> points;
        if (text == nullptr) Refuse_Object(label, "a polygon or polyline without points");
        const char* p = text;
        for (;;) {
            while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
            if (*p == '\0') break;
            char* end = nullptr;
            const double x = std::strtod(p, &end);
            if (end == p || *end != ',') Refuse_Object(label, "malformed points " + Quote(text));
            p = end + 1;
            const double y = std::strtod(p, &end);
            if (end == p || (*end != '\0' && *end != ' ' && *end != '\t' && *end != '\r' && *end != '\n') ||
                !std::isfinite(x) || !std::isfinite(y))
                Refuse_Object(label, "malformed points " + Quote(text));
            p = end;
            points.emplace_back(x, y);
        }
        return points;
    }
};

// ================================================================ JSON maps

class cJson_Reader {
public:
    cJson_Reader(const cTiled_Options& options, const cTileset_Reader& read_tileset, cModel& model)
        : Options(options), Read_Tileset(read_tileset), Model(model) {}

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
        Read_Layers(map, 0);
    }

private:
    const cTiled_Options& Options;
    const cTileset_Reader& Read_Tileset;
    cModel& Model;

    void Read_Tileset_Object(const cJson& t) {
        if (!t.is_object()) Refuse("a tileset is not an object");
        cTileset tileset;
        tileset.First_Gid = Json_Int(t, "firstgid", "a tileset", 0, true);
        if (tileset.First_Gid < 1) Refuse("a tileset's firstgid is below 1");
        const std::string source = Json_String(t, "source", "a tileset");
        if (!source.empty())
            Read_External_Tileset(source, Read_Tileset, Options.Solid_Property, tileset);
        else
            Read_Json_Tileset(t, "tileset " + Quote(Json_String(t, "name", "a tileset")), Options.Solid_Property,
                              tileset);
        Model.Tilesets.push_back(tileset);
    }

    void Read_Layers(const cJson& parent, int depth) {
        if (depth > GROUP_DEPTH_LIMIT) Refuse("layer groups nested deeper than " + std::to_string(GROUP_DEPTH_LIMIT));
        const cJson* layers = Json_Array(parent, "layers", depth == 0 ? "the map" : "a group");
        if (layers == nullptr) return;
        for (const cJson& layer : *layers) {
            if (!layer.is_object()) Refuse("a layer is not an object");
            const std::string kind = Json_String(layer, "type", "a layer");
            if (kind == "tilelayer") Read_Tile_Layer(layer);
            else if (kind == "objectgroup") Read_Objects(layer);
            else if (kind == "group") Read_Layers(layer, depth + 1);
        }
    }

    void Read_Tile_Layer(const cJson& e) {
        cTile_Layer layer;
        layer.Name = Json_String(e, "name", "a layer");
        layer.Marked = Json_Bool_Property(e, "collision");
        const std::string where = "layer " + Quote(layer.Name);
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

    void Read_Objects(const cJson& group) {
        const cJson* objects = Json_Array(group, "objects", "an object layer");
        if (objects == nullptr) return;
        for (const cJson& o : *objects) {
            if (!o.is_object()) Refuse("an object is not an object");
            cObject object;
            object.Label = Object_Label(Json_Int(o, "id", "an object", 0), Json_String(o, "name", "an object"));
            auto flag = [&](const char* key) {
                const cJson* v = Member(o, key);
                return v != nullptr && (v->is_boolean() ? v->get<bool>() : !v->is_null());
            };
            if (Member(o, "gid")) Refuse_Object(object.Label, "tile objects are not supported");
            if (Member(o, "template")) Refuse_Object(object.Label, "templates are not supported");
            if (flag("ellipse")) Refuse_Object(object.Label, "ellipses are not supported");
            if (flag("point")) Refuse_Object(object.Label, "points are not supported");
            if (Member(o, "text")) Refuse_Object(object.Label, "text objects are not supported");
            if (flag("capsule")) Refuse_Object(object.Label, "capsules are not supported");
            if (Json_Number(o, "rotation", object.Label) != 0)
                Refuse_Object(object.Label, "rotated objects are not supported");
            object.X = Json_Number(o, "x", object.Label);
            object.Y = Json_Number(o, "y", object.Label);
            object.Width = Json_Number(o, "width", object.Label);
            object.Height = Json_Number(o, "height", object.Label);
            const cJson* polygon = Json_Array(o, "polygon", object.Label);
            const cJson* polyline = Json_Array(o, "polyline", object.Label);
            if (polygon != nullptr && polyline != nullptr)
                Refuse_Object(object.Label, "an object both polygon and polyline");
            if (const cJson* points = polygon ? polygon : polyline) {
                object.Shape = polygon ? cShape::POLYGON : cShape::POLYLINE;
                for (const cJson& p : *points) {
                    if (!p.is_object()) Refuse_Object(object.Label, "a point is not an object");
                    object.Points.emplace_back(Json_Number(p, "x", object.Label), Json_Number(p, "y", object.Label));
                }
            }
            Model.Objects.push_back(object);
        }
    }
};

// ================================================================ blocked space

class cSpace_Builder {
public:
    cSpace_Builder(const cModel& model, const cTiled_Options& options, cTiled_Map& map)
        : Model(model), Options(options), Map(map) {}

    void Build() {
        if (Options.Scale < 1) Refuse("the scale must be at least 1");
        for (const std::int64_t size : {Model.Tile_Width, Model.Tile_Height})
            if (size < 1 || size > COORD_LIMIT)
                Refuse("the tile size " + std::to_string(Model.Tile_Width) + " x " + std::to_string(Model.Tile_Height) +
                       " is not between 1 and " + std::to_string(COORD_LIMIT));
        const cTile_Layer& layer = Collision_Layer();
        Find_Extent();
        Index_Tilesets();
        for (const cChunk& chunk : layer.Chunks) Add_Tiles(layer, chunk);
        for (const cObject& object : Model.Objects) Add_Object(object);
        const std::int64_t cells = Compressed_Cells(Map.Space);
        if (cells > TILED_CELL_LIMIT)
            Refuse("the blocked space would be cut into " + std::to_string(cells) + " cells, more than " +
                   std::to_string(TILED_CELL_LIMIT));
    }

private:
    const cModel& Model;
    const cTiled_Options& Options;
    cTiled_Map& Map;
    // The map's extent in tiles: [X0,X1) x [Y0,Y1).
    std::int64_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    std::vector<const cTileset*> Tilesets;  // by first gid

    const cTile_Layer& Collision_Layer() const {
        if (Model.Layers.empty()) Refuse("the map has no tile layer");
        std::string names;
        for (std::size_t i = 0; i < Model.Layers.size() && i <= 10; ++i)
            names += (i == 0 ? "" : ", ") + (i == 10 ? std::string("...") : Quote(Model.Layers[i].Name));
        std::vector<const cTile_Layer*> found;
        for (const cTile_Layer& l : Model.Layers) {
            std::string lower = l.Name;
            for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
            if (Options.Layer.empty() ? (lower.find("collision") != std::string::npos || l.Marked)
                                      : l.Name == Options.Layer)
                found.push_back(&l);
        }
        if (!Options.Layer.empty()) {
            if (found.empty()) Refuse("no tile layer named " + Quote(Options.Layer) + " (tile layers: " + names + ")");
            if (found.size() > 1) Refuse("several tile layers are named " + Quote(Options.Layer));
        } else {
            if (found.empty())
                Refuse("no collision layer: no tile layer's name says collision nor has the bool property collision = "
                       "true; choose one with --layer (tile layers: " + names + ")");
            if (found.size() > 1) {
                std::string several;
                for (const cTile_Layer* l : found) several += (several.empty() ? "" : ", ") + Quote(l->Name);
                Refuse("several collision layers (" + several + "); choose one with --layer");
            }
        }
        return *found[0];
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
            for (const cTile_Layer& l : Model.Layers)
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

    void Index_Tilesets() {
        for (const cTileset& t : Model.Tilesets) Tilesets.push_back(&t);
        std::stable_sort(Tilesets.begin(), Tilesets.end(),
                         [](const cTileset* a, const cTileset* b) { return a->First_Gid < b->First_Gid; });
    }

    // Whether the tile blocks; refuses a gid beyond the tilesets.
    bool Blocks(std::uint32_t raw, std::int64_t x, std::int64_t y, const cTile_Layer& layer) const {
        const std::int64_t gid = raw & ~FLAG_BITS;
        if (gid == 0) return false;
        const auto after = std::upper_bound(Tilesets.begin(), Tilesets.end(), gid,
                                            [](std::int64_t g, const cTileset* t) { return g < t->First_Gid; });
        const cTileset* tileset = after == Tilesets.begin() ? nullptr : *(after - 1);
        if (tileset == nullptr || (tileset->Count >= 0 && gid - tileset->First_Gid >= tileset->Count))
            Refuse("layer " + Quote(layer.Name) + ": cell (" + std::to_string(x) + "," + std::to_string(y) +
                   ") holds gid " + std::to_string(gid) + ", beyond the tilesets");
        return Options.Solid_Property.empty() || tileset->Solid.count(gid - tileset->First_Gid) != 0;
    }

    void Add_Tiles(const cTile_Layer& layer, const cChunk& chunk) {
        std::string where = "layer " + Quote(layer.Name);
        if (Model.Infinite) where += ": chunk at (" + std::to_string(chunk.X) + "," + std::to_string(chunk.Y) + ")";
        if (chunk.Width < 1 || chunk.Height < 1)
            Refuse(where + ": " + std::to_string(chunk.Width) + " x " + std::to_string(chunk.Height) + " tiles");
        const std::int64_t count = chunk.Width * chunk.Height;
        std::vector<std::uint32_t> gids;
        try {
            gids = chunk.Gids(count);
        } catch (const cRefusal& r) {
            Refuse(where + ": " + r.Reason);
        }
        if (std::int64_t(gids.size()) != count)
            Refuse(where + ": the data holds " + std::to_string(gids.size()) + " tiles, width x height is " +
                   std::to_string(count));
        const std::int64_t scale = Options.Scale;
        for (std::int64_t r = 0; r < chunk.Height; ++r) {
            const std::int64_t y = chunk.Y + r;
            std::int64_t c = 0;
            while (c < chunk.Width) {
                if (!Blocks(gids[std::size_t(r * chunk.Width + c)], chunk.X + c, y, layer)) {
                    ++c;
                    continue;
                }
                const std::int64_t start = c;
                while (c < chunk.Width && Blocks(gids[std::size_t(r * chunk.Width + c)], chunk.X + c, y, layer)) ++c;
                // Cells past a finite map's edge are left out.
                const std::int64_t x1 = std::max(chunk.X + start, X0), x2 = std::min(chunk.X + c, X1);
                if (x1 >= x2 || y < Y0 || y >= Y1) continue;
                Map.Space.Boxes.push_back(
                    {int((x1 - X0) * Model.Tile_Width * scale), int((y - Y0) * Model.Tile_Height * scale),
                     int((x2 - X0) * Model.Tile_Width * scale), int((y + 1 - Y0) * Model.Tile_Height * scale)});
            }
        }
    }

    // A pixel coordinate of the map in level units, rounded to the nearest
    // whole unit; far outside the world it is kept just outside.
    double Level_X(double px) const { return Level(px, double(Map.Origin_X), Map.Space.Width); }
    double Level_Y(double py) const { return Level(py, double(Map.Origin_Y), Map.Space.Height); }
    double Level(double p, double origin, int size) const {
        return std::min(std::max(Unclamped(p, origin), -1.0), double(size) + 1);
    }
    double Unclamped(double p, double origin) const {
        const double v = std::nearbyint((p - origin) * Options.Scale);
        return std::isfinite(v) ? v : -1.0;
    }

    void Add_Object(const cObject& o) {
        const int width = Map.Space.Width, height = Map.Space.Height;
        if (o.Shape == cShape::RECTANGLE) {
            if (o.Width < 0 || o.Height < 0) Refuse_Object(o.Label, "rectangles of negative size are not supported");
            const double x1 = Level_X(o.X), x2 = Level_X(o.X + o.Width), y1 = Level_Y(o.Y), y2 = Level_Y(o.Y + o.Height);
            const double ox = double(Map.Origin_X), oy = double(Map.Origin_Y);
            if (Unclamped(o.X, ox) == Unclamped(o.X + o.Width, ox) || Unclamped(o.Y, oy) == Unclamped(o.Y + o.Height, oy))
                Refuse_Object(o.Label, "rectangles without width or height are not supported");
            const int bx1 = int(std::max(x1, 0.0)), bx2 = int(std::min(x2, double(width)));
            const int by1 = int(std::max(y1, 0.0)), by2 = int(std::min(y2, double(height)));
            if (bx1 < bx2 && by1 < by2) Map.Space.Boxes.push_back({bx1, by1, bx2, by2});
            return;
        }
        const bool polygon = o.Shape == cShape::POLYGON;
        std::vector<cPoint2D> points;
        for (const auto& p : o.Points) {
            const double x = Level_X(o.X + p.first), y = Level_Y(o.Y + p.second);
            if (x < 0 || x > width || y < 0 || y > height)
                Refuse_Object(o.Label, std::string(polygon ? "the polygon" : "the polyline") + " reaches outside the map");
            points.emplace_back(int(x), int(y));
        }
        // A polyline's edges join its points; a polygon's also close it.
        std::size_t edges = points.empty() ? 0 : points.size() - 1;
        if (polygon && points.size() >= 3) ++edges;
        for (std::size_t i = 0; i < edges; ++i) {
            const cPoint2D a = points[i], b = points[(i + 1) % points.size()];
            if (a == b) continue;
            if (a.x != b.x && a.y != b.y)
                Refuse_Object(o.Label, std::string(polygon ? "polygons" : "polylines") +
                                           " with diagonal edges are not supported");
            Map.Space.Walls.push_back({std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
        }
    }
};

}  // namespace

bool Read_Tiled_Text(const std::string& text, const cTiled_Options& options, const cTileset_Reader& read_tileset,
                     cTiled_Map& map, std::string& error) {
    map = cTiled_Map();
    try {
        // The documents outlive the model, whose decoders read from them.
        cModel model;
        tinyxml2::XMLDocument xml;
        cJson json;
        if (text.find_first_not_of(" \t\r\n") == std::string::npos) Refuse("the map is empty");
        if (Is_Xml(text)) {
            xml.Parse(text.data(), text.size());
            if (xml.Error()) Refuse(Xml_Error(xml));
            cXml_Reader(options, read_tileset, model).Read(xml);
        } else {
            json = Parse_Json(text);
            cJson_Reader(options, read_tileset, model).Read(json);
        }
        cSpace_Builder(model, options, map).Build();
        return true;
    } catch (const cRefusal& r) {
        error = r.Reason;
        map = cTiled_Map();
        return false;
    }
}

bool Read_Tiled_Map(const std::string& file_name, const cTiled_Options& options, cTiled_Map& map, std::string& error) {
    auto read = [](const std::filesystem::path& path, std::string& text) {
        std::ifstream in(path, std::ios::in | std::ios::binary);
        if (!in) return false;
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    };
    std::string text;
    if (!read(file_name, text)) {
        map = cTiled_Map();
        error = "cannot read the map";
        return false;
    }
    const std::filesystem::path folder = std::filesystem::path(file_name).parent_path();
    const cTileset_Reader read_tileset = [&](const std::string& source, std::string& tileset, std::string& why) {
        const std::filesystem::path path = folder / source;
        if (std::filesystem::is_directory(path) || !read(path, tileset)) {
            why = "cannot read " + path.string();
            return false;
        }
        return true;
    };
    return Read_Tiled_Text(text, options, read_tileset, map, error);
}

}  // namespace bsp_levels
