#include "ldtk_import.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "import_support.h"

namespace bsp_levels {

namespace {

using cJson = nlohmann::json;

// A project refused, with the reason; thrown below the public functions and
// turned into their error string there.
struct cRefusal {
    std::string Reason;
};

[[noreturn]] void Refuse(const std::string& reason) { throw cRefusal{reason}; }

std::string Quote(const std::string& text) { return Quote_Name(text); }

const char* const COLLISION_WORDS[] = {"wall", "collision", "solid"};

// The most cells an IntGrid layer in the form of LDtk before 1.0 may claim.
const std::int64_t LEGACY_CELL_LIMIT = std::int64_t(1) << 24;

bool Collision_Word(const std::string& name) {
    for (const char* word : COLLISION_WORDS)
        if (Holds_Word(name, word)) return true;
    return false;
}

// ================================================================ JSON

cJson Parse_Json(const std::string& text, const std::string& where) {
    try {
        return cJson::parse(text);
    } catch (const cJson::exception& e) {  // a parse error, or a number beyond a double
        std::string what = e.what();
        const std::size_t end = what.find("] ");
        if (what.compare(0, 1, "[") == 0 && end != std::string::npos) what = what.substr(end + 2);
        for (char& c : what)
            if (c == '\n' || c == '\r') c = ' ';
        Refuse(where + "malformed JSON: " + what);
    }
}

const cJson* Member(const cJson& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

std::int64_t Int(const cJson& object, const char* key, const std::string& where, bool required = true,
                 std::int64_t fallback = 0) {
    const cJson* v = Member(object, key);
    if (v == nullptr) {
        if (required) Refuse(where + " has no " + key);
        return fallback;
    }
    const std::int64_t limit = std::numeric_limits<int>::max();
    if (v->is_number_integer()) {
        if (v->is_number_unsigned() ? v->get<std::uint64_t>() <= std::uint64_t(limit)
                                    : v->get<std::int64_t>() >= -limit - 1 && v->get<std::int64_t>() <= limit)
            return v->get<std::int64_t>();
    } else if (v->is_number_float()) {
        const double d = v->get<double>();
        if (std::isfinite(d) && d == std::floor(d) && std::abs(d) <= double(limit)) return std::int64_t(d);
    }
    Refuse(where + ": " + key + " is not an integer");
}

std::string String(const cJson& object, const char* key, const std::string& where) {
    const cJson* v = Member(object, key);
    if (v == nullptr) return "";
    if (!v->is_string()) Refuse(where + ": " + key + " is not a string");
    return v->get<std::string>();
}

const cJson* Array(const cJson& object, const char* key, const std::string& where) {
    const cJson* v = Member(object, key);
    if (v != nullptr && !v->is_array()) Refuse(where + ": " + key + " is not an array");
    return v;
}

// ================================================================ the project

struct cValue {
    std::int64_t Value = 0;
    std::string Identifier;
    bool Chosen = false;
};

struct cLayer_Def {
    std::int64_t Uid = -1;
    std::string Identifier, Type;
    std::vector<cValue> Values;
};

struct cLevel {
    const cJson* Json = nullptr;  // in the project
    std::string Identifier, Source;
};

struct cProject {
    cJson Json;
    std::vector<cLayer_Def> Defs;
    std::vector<cLevel> Levels;
};

void Read_Project(const std::string& text, cProject& project) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) Refuse("the project is empty");
    project.Json = Parse_Json(text, "");
    const cJson& root = project.Json;
    if (!root.is_object() || (Member(root, "levels") == nullptr && Member(root, "worlds") == nullptr))
        Refuse("not an LDtk project: no levels");
    if (const cJson* defs = Member(root, "defs"))
        if (const cJson* layers = Array(*defs, "layers", "the layer definitions"))
            for (const cJson& l : *layers) {
                cLayer_Def def;
                def.Identifier = String(l, "identifier", "a layer definition");
                const std::string where = "layer definition " + Quote(def.Identifier);
                def.Uid = Int(l, "uid", where, false, -1);
                def.Type = String(l, Member(l, "__type") ? "__type" : "type", where);
                if (const cJson* values = Array(l, "intGridValues", where))
                    for (const cJson& v : *values) {
                        cValue value;
                        value.Value = Int(v, "value", where + " value");
                        value.Identifier = String(v, "identifier", where + " value");
                        def.Values.push_back(value);
                    }
                project.Defs.push_back(def);
            }
    auto add_levels = [&](const cJson& holder, const std::string& where) {
        if (const cJson* levels = Array(holder, "levels", where))
            for (const cJson& l : *levels) {
                if (!l.is_object()) Refuse("a level is not an object");
                cLevel level;
                level.Json = &l;
                level.Identifier = String(l, "identifier", "a level");
                level.Source = String(l, "externalRelPath", "level " + Quote(level.Identifier));
                project.Levels.push_back(level);
            }
    };
    add_levels(root, "the project");
    if (const cJson* worlds = Array(root, "worlds", "the project"))
        for (const cJson& w : *worlds) add_levels(w, "a world");
}

// Marks the chosen values; with check, refuses a Values entry that names no value.
void Choose_Values(cProject& project, const cLdtk_Options& options, bool check) {
    std::vector<bool> used(options.Values.size(), false);
    for (cLayer_Def& def : project.Defs)
        for (cValue& v : def.Values) {
            if (options.Values.empty()) {
                v.Chosen = v.Identifier.empty() ? Collision_Word(def.Identifier) : Collision_Word(v.Identifier);
                continue;
            }
            for (std::size_t i = 0; i < options.Values.size(); ++i)
                if (Same_Name(options.Values[i], v.Identifier) || options.Values[i] == std::to_string(v.Value)) {
                    v.Chosen = true;
                    used[i] = true;
                }
        }
    if (!check) return;
    for (std::size_t i = 0; i < used.size(); ++i)
        if (!used[i]) {
            std::string values;
            for (const cLayer_Def& def : project.Defs)
                for (const cValue& v : def.Values)
                    values += (values.empty() ? "" : ", ") + Quote(def.Identifier) + " " + std::to_string(v.Value) +
                              (v.Identifier.empty() ? "" : " " + Quote(v.Identifier));
            Refuse("no IntGrid value is named " + Quote(options.Values[i]) + " (" +
                   (values.empty() ? std::string("the project defines no IntGrid value") : "IntGrid values: " + values) + ")");
        }
}

std::string Level_Names(const cProject& project) {
    std::string names;
    for (std::size_t i = 0; i < project.Levels.size(); ++i) {
        if (i == 12) {
            names += ", ...";
            break;
        }
        names += (i == 0 ? "" : ", ") + Quote(project.Levels[i].Identifier);
    }
    return names;
}

const cLevel& Find_Level(const cProject& project, const std::string& name) {
    if (project.Levels.empty()) Refuse("the project has no levels");
    if (name.empty()) return project.Levels.front();
    for (const cLevel& l : project.Levels)
        if (l.Identifier == name) return l;
    Refuse("no level named " + Quote(name) + " (levels: " + Level_Names(project) + ")");
}

// The level's own JSON: in the project, or read from its file (kept in holder).
const cJson& Level_Json(const cLevel& level, const cLdtk_File_Reader& read_files, cJson& holder) {
    if (Member(*level.Json, "layerInstances") != nullptr || level.Source.empty()) return *level.Json;
    const std::string where = "level " + Quote(level.Identifier) + ": " + Quote(level.Source);
    std::string text, error;
    if (!read_files) Refuse(where + ": files beside the project are not read here");
    if (!read_files(level.Source, text, error)) Refuse(where + ": " + One_Line(error));
    holder = Parse_Json(text, where + ": ");
    if (!holder.is_object()) Refuse(where + ": not a level");
    return holder;
}

const cLayer_Def* Find_Def(const cProject& project, const cJson& layer) {
    const std::int64_t uid = Int(layer, "layerDefUid", "a layer", false, -1);
    const std::string identifier = String(layer, "__identifier", "a layer");
    for (const cLayer_Def& d : project.Defs)
        if (uid >= 0 && d.Uid == uid) return &d;
    for (const cLayer_Def& d : project.Defs)
        if (d.Identifier == identifier) return &d;
    return nullptr;
}

// An IntGrid layer's cells, row by row (0: empty).
std::vector<std::int64_t> Cells(const cJson& layer, std::int64_t columns, std::int64_t rows, const std::string& where) {
    const std::int64_t count = columns * rows;
    std::vector<std::int64_t> cells;
    if (const cJson* csv = Array(layer, "intGridCsv", where)) {
        if (std::int64_t(csv->size()) != count)
            Refuse(where + ": intGridCsv holds " + std::to_string(csv->size()) + " cells, __cWid x __cHei is " +
                   std::to_string(count));
        cells.reserve(csv->size());
        for (const cJson& v : *csv) {
            if (!v.is_number_integer() || (v.is_number_unsigned() ? v.get<std::uint64_t>() > 0x7fffffffu : v.get<std::int64_t>() < 0))
                Refuse(where + ": intGridCsv holds something other than a value");
            cells.push_back(v.get<std::int64_t>());
        }
        return cells;
    }
    // The old form lists only the cells set, so the layer's size is a claim:
    // bounded before it is trusted for an allocation.
    if (count > LEGACY_CELL_LIMIT)
        Refuse(where + ": " + std::to_string(columns) + " x " + std::to_string(rows) + " cells, more than " +
               std::to_string(LEGACY_CELL_LIMIT) + " in the intGrid form of LDtk before 1.0");
    cells.assign(std::size_t(count), 0);
    if (const cJson* old = Array(layer, "intGrid", where))
        for (const cJson& c : *old) {
            const std::int64_t at = Int(c, "coordId", where), v = Int(c, "v", where);
            if (at < 0 || at >= count || v < 0) Refuse(where + ": intGrid holds cell " + std::to_string(at) + " value " + std::to_string(v));
            cells[std::size_t(at)] = v + 1;
        }
    return cells;
}

// "1 \"walls\", 2": the layer's values that are chosen, or not, or all.
std::string Describe_Values(const cLayer_Def& def, int chosen) {
    std::string out;
    for (const cValue& v : def.Values)
        if (chosen < 0 || int(v.Chosen) == chosen)
            out += (out.empty() ? "" : ", ") + std::to_string(v.Value) + (v.Identifier.empty() ? "" : " " + Quote(v.Identifier));
    return out;
}

// ================================================================ blocked space

void Build(const cProject& project, const cLdtk_Options& options, const cLdtk_File_Reader& read_files, cLdtk_Map& map) {
    if (options.Scale < 1) Refuse("the scale must be at least 1");
    const cLevel& level = Find_Level(project, options.Level);
    const std::string level_where = "level " + Quote(level.Identifier);
    cJson holder;
    const cJson& json = Level_Json(level, read_files, holder);
    map.Level = level.Identifier;
    map.World_X = Int(*level.Json, "worldX", level_where, false);
    map.World_Y = Int(*level.Json, "worldY", level_where, false);
    const std::int64_t width = Int(json, "pxWid", level_where), height = Int(json, "pxHei", level_where);
    if (width < 1 || height < 1) Refuse(level_where + " measures " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
    if (width * options.Scale > COORD_LIMIT || height * options.Scale > COORD_LIMIT)
        Refuse("the level would measure " + std::to_string(width * options.Scale) + " x " +
               std::to_string(height * options.Scale) + " units, beyond the coordinate limit " + std::to_string(COORD_LIMIT));
    const std::int64_t scale = options.Scale;
    map.Space.Width = int(width * scale);
    map.Space.Height = int(height * scale);
    const cJson* layers = Array(json, "layerInstances", level_where);
    std::string intgrids;  // for messages: the IntGrid layers and their values
    if (layers != nullptr)
        for (const cJson& layer : *layers) {
            const std::string identifier = String(layer, "__identifier", level_where + " layer");
            const std::string where = "layer " + Quote(identifier);
            const std::string type = String(layer, "__type", where);
            if (type == "Entities") {
                const cJson* entities = Array(layer, "entityInstances", where);
                map.Notes.push_back(where + ": " + Count_Of(entities ? std::int64_t(entities->size()) : 0, "entity", "entities") + " skipped");
                continue;
            }
            if (type != "IntGrid") {
                map.Notes.push_back(where + ": " + (type.empty() ? std::string("layer") : type + " layer") + " skipped");
                continue;
            }
            const cLayer_Def* def = Find_Def(project, layer);
            intgrids += (intgrids.empty() ? "" : "; ") + Quote(identifier) + " " +
                        (def && !def->Values.empty() ? Describe_Values(*def, -1) : std::string("(no values defined)"));
            const std::string chosen = def ? Describe_Values(*def, 1) : "";
            if (chosen.empty()) {
                map.Notes.push_back(where + ": IntGrid layer without collision values, skipped");
                continue;
            }
            const std::int64_t columns = Int(layer, "__cWid", where), rows = Int(layer, "__cHei", where);
            const std::int64_t grid = Int(layer, "__gridSize", where);
            if (columns < 0 || rows < 0 || grid < 1 || grid > COORD_LIMIT)
                Refuse(where + ": " + std::to_string(columns) + " x " + std::to_string(rows) + " cells of " +
                       std::to_string(grid) + " pixels");
            const std::int64_t offset_x = Int(layer, "__pxTotalOffsetX", where, false);
            const std::int64_t offset_y = Int(layer, "__pxTotalOffsetY", where, false);
            const std::vector<std::int64_t> cells = Cells(layer, columns, rows, where);
            auto is_chosen = [&](std::int64_t v) {
                for (const cValue& value : def->Values)
                    if (value.Value == v) return value.Chosen;
                return false;
            };
            // Cells beyond the level are cut off: keep coordinates within it.
            auto unit_x = [&](std::int64_t px) { return int(std::min(std::max(px, std::int64_t(0)), width) * scale); };
            auto unit_y = [&](std::int64_t py) { return int(std::min(std::max(py, std::int64_t(0)), height) * scale); };
            std::int64_t blocking = 0, covered = 0;
            const std::int64_t level_area = std::int64_t(map.Space.Width) * map.Space.Height;
            for (std::int64_t r = 0; r < rows; ++r) {
                const std::int64_t top = offset_y + r * grid, bottom = top + grid;
                for (std::int64_t c = 0; c < columns;) {
                    if (!is_chosen(cells[std::size_t(r * columns + c)])) {
                        ++c;
                        continue;
                    }
                    const std::int64_t start = c;
                    while (c < columns && is_chosen(cells[std::size_t(r * columns + c)])) ++c;
                    blocking += c - start;
                    const cBlocked_Box box{unit_x(offset_x + start * grid), unit_y(top), unit_x(offset_x + c * grid), unit_y(bottom)};
                    if (box.X1 < box.X2 && box.Y1 < box.Y2) {
                        map.Space.Boxes.push_back(box);
                        covered = std::min(covered + std::int64_t(box.X2 - box.X1) * (box.Y2 - box.Y1), level_area);
                    }
                }
            }
            if (blocking > 0 && covered >= level_area)
                Refuse(where + ": values " + chosen + " fill every cell of " + level_where +
                       ", so it would have no free space (choose the values with --values; its values: " +
                       Describe_Values(*def, -1) + ")");
            map.Notes.push_back(where + ": " + Count_Of(blocking, "cell") + " of values " + chosen + " " + Blocks_Verb(blocking));
        }
    if (map.Space.Boxes.empty()) {
        const std::string how = options.Values.empty()
                                    ? "no IntGrid value named wall, collision or solid is set in it"
                                    : "none of the values chosen is set in it";
        Refuse(level_where + ": nothing is collision: " + how + "; choose values with --values (IntGrid layers: " +
               (intgrids.empty() ? std::string("none") : intgrids) + ")");
    }
    const std::int64_t cells = Compressed_Cells(map.Space);
    if (cells > LDTK_CELL_LIMIT)
        Refuse("the blocked space would be cut into " + std::to_string(cells) + " cells, more than " +
               std::to_string(LDTK_CELL_LIMIT));
    if (!Has_Free_Space(map.Space))
        Refuse(level_where + ": the collision covers the whole level, so it would have no free space");
}

cLdtk_Listing Make_Listing(const cProject& project, const cLdtk_File_Reader& read_files) {
    cLdtk_Listing listing;
    for (const cLevel& level : project.Levels) {
        cLdtk_Level_Entry e;
        e.Identifier = level.Identifier;
        e.Source = level.Source;
        try {
            const std::string where = "level " + Quote(level.Identifier);
            e.World_X = Int(*level.Json, "worldX", where, false);
            e.World_Y = Int(*level.Json, "worldY", where, false);
            cJson holder;
            const cJson& json = Level_Json(level, read_files, holder);
            e.Width = Int(json, "pxWid", where, false);
            e.Height = Int(json, "pxHei", where, false);
            if (const cJson* layers = Array(json, "layerInstances", where))
                for (const cJson& layer : *layers) {
                    const std::string identifier = String(layer, "__identifier", where);
                    const std::string type = String(layer, "__type", where);
                    std::string text = type + " " + Quote(identifier);
                    if (type == "IntGrid") {
                        const std::int64_t columns = Int(layer, "__cWid", where), rows = Int(layer, "__cHei", where);
                        std::int64_t set = 0;
                        for (const std::int64_t v : Cells(layer, std::max<std::int64_t>(columns, 0), std::max<std::int64_t>(rows, 0), where))
                            set += v != 0 ? 1 : 0;
                        text += " " + std::to_string(columns) + " x " + std::to_string(rows) + " cells of " +
                                std::to_string(Int(layer, "__gridSize", where)) + " pixels, " + std::to_string(set) + " set";
                    } else if (type == "Entities") {
                        const cJson* entities = Array(layer, "entityInstances", where);
                        text += " " + std::to_string(entities ? entities->size() : 0) + " entities";
                    }
                    e.Layers += (e.Layers.empty() ? "" : "; ") + text;
                }
        } catch (const cRefusal& r) {
            e.Layers = "cannot be read: " + r.Reason;
        }
        listing.Levels.push_back(e);
    }
    for (const cLayer_Def& def : project.Defs)
        for (const cValue& v : def.Values) listing.Values.push_back({def.Identifier, v.Value, v.Identifier, v.Chosen});
    return listing;
}

}  // namespace

bool Read_Ldtk_Text(const std::string& text, const cLdtk_Options& options, const cLdtk_File_Reader& read_files,
                    cLdtk_Map& map, std::string& error) {
    map = cLdtk_Map();
    try {
        cProject project;
        Read_Project(text, project);
        Choose_Values(project, options, true);
        Build(project, options, read_files, map);
        return true;
    } catch (const cRefusal& r) {
        error = r.Reason;
        map = cLdtk_Map();
        return false;
    }
}

bool Read_Ldtk_Map(const std::string& file_name, const cLdtk_Options& options, cLdtk_Map& map, std::string& error) {
    std::string text;
    if (!Read_Whole_File(file_name, text)) {
        map = cLdtk_Map();
        error = "cannot read the project";
        return false;
    }
    return Read_Ldtk_Text(text, options, Folder_Reader(file_name), map, error);
}

bool List_Ldtk_Text(const std::string& text, const cLdtk_Options& options, const cLdtk_File_Reader& read_files,
                    cLdtk_Listing& listing, std::string& error) {
    listing = cLdtk_Listing();
    try {
        cProject project;
        Read_Project(text, project);
        Choose_Values(project, options, false);
        listing = Make_Listing(project, read_files);
        return true;
    } catch (const cRefusal& r) {
        error = r.Reason;
        listing = cLdtk_Listing();
        return false;
    }
}

bool List_Ldtk_Map(const std::string& file_name, const cLdtk_Options& options, cLdtk_Listing& listing,
                   std::string& error) {
    std::string text;
    if (!Read_Whole_File(file_name, text)) {
        listing = cLdtk_Listing();
        error = "cannot read the project";
        return false;
    }
    return List_Ldtk_Text(text, options, Folder_Reader(file_name), listing, error);
}

std::string Format_Ldtk_Listing(const cLdtk_Listing& listing) {
    std::ostringstream out;
    for (const cLdtk_Level_Entry& l : listing.Levels) {
        out << "level " << Quote_Name(l.Identifier) << ": " << l.Width << " x " << l.Height << " pixels at (" << l.World_X
            << "," << l.World_Y << ")";
        if (!l.Source.empty()) out << ", in " << One_Line(l.Source);
        out << "; " << (l.Layers.empty() ? std::string("no layers") : One_Line(l.Layers)) << "\n";
    }
    for (const cLdtk_Value_Entry& v : listing.Values) {
        out << "value " << Quote_Name(v.Layer) << " " << v.Value;
        if (!v.Identifier.empty()) out << " " << Quote_Name(v.Identifier);
        out << ": " << (v.Chosen ? "collision" : "not collision") << "\n";
    }
    return out.str();
}

}  // namespace bsp_levels
