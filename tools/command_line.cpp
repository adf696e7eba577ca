// The command line of bsplevel: the options shared by commands, the parser
// that checks a command line against a command's table, and the usage lines
// and help texts made from the same table.
#include "bsplevel_commands.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "parse_int.h"

namespace bsp_levels {

// ================================================================ shared options

cValue_Def Text(const std::string& name) {
    cValue_Def v;
    v.Name = name;
    return v;
}

cValue_Def Integer(const std::string& name, std::optional<int> min, std::optional<int> max) {
    cValue_Def v = Text(name);
    v.Integer = true;
    v.Min = min;
    v.Max = max;
    return v;
}

cValue_Def Choice(const std::string& name, const std::vector<std::string>& choices) {
    cValue_Def v = Text(name);
    v.Choices = choices;
    return v;
}

cOption_Def Option(const std::string& name, const std::vector<cValue_Def>& values, const std::string& help) {
    cOption_Def o;
    o.Name = name;
    o.Values = values;
    o.Help = help;
    return o;
}

cOption_Def Flag(const std::string& name, const std::string& help) { return Option(name, {}, help); }

cValue_Def Half_Size(const std::string& name) { return Integer(name, 0, COORD_LIMIT); }

cOption_Def Json_Option(const std::string& help) { return Flag("--json", help); }

const std::vector<cOption_Def>& Level_Options() {
    static const std::vector<cOption_Def> options = {
        Option("--open", {Integer("D")},
               "opens door D before answering (the doors are numbered 0, 1, ... in the level's order and are "
               "closed when loaded); may be given several times; a door the level lacks is an error")
            .Repeatable(),
        Flag("--partial",
             "answers from what was read and built all the same when the level is not whole: a level that stops "
             "early is built from what was read before the stop, a world that refused its build answers every "
             "query with none, no hit or clear. Every problem's line is still written to standard error, and the "
             "status is the answer's. A map given for a level stays an error"),
    };
    return options;
}

const std::vector<cOption_Def>& Common_Options() {
    static const std::vector<cOption_Def> options = {
        Flag("--verbose", "also writes the library's own messages (the loader's and the build's) to standard "
                          "error, before the tool's error line"),
        Flag("--help", "prints this help and does nothing else (also -h)"),
    };
    return options;
}

std::vector<cOption_Def> Options_Of(const cCommand_Def& c) {
    std::vector<cOption_Def> options = c.Options;
    if (c.Loads_Level) options.insert(options.end(), Level_Options().begin(), Level_Options().end());
    options.insert(options.end(), Common_Options().begin(), Common_Options().end());
    return options;
}

// ================================================================ errors and values

void Fail(const cCommand_Def& c, const std::string& message) { throw cCli_Error{c.Name + ": " + message}; }

std::string Range_Error(int v, const std::optional<int>& min, const std::optional<int>& max) {
    if (min && v < *min) return *min == 0 ? "must not be negative" : "must be at least " + std::to_string(*min);
    if (max && v > *max) return "must be at most " + std::to_string(*max);
    return "";
}

namespace {

// "balanced, longest or scan", "--open D and --partial".
std::string Word_List(const std::vector<std::string>& words, const std::string& last_joint) {
    std::string list;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) list += i + 1 == words.size() ? " " + last_joint + " " : ", ";
        list += words[i];
    }
    return list;
}

// Checks one value against its definition; label names it in the error
// ("--limit N", "Y2", "--order").
void Check_Value(const cCommand_Def& c, const std::string& label, const cValue_Def& def, const std::string& text) {
    if (def.Integer) {
        int v = 0;
        if (!Parse_Int(text, v)) Fail(c, label + " must be an integer, got '" + text + "'");
        const std::string range = Range_Error(v, def.Min, def.Max);
        if (!range.empty()) Fail(c, label + " " + range + ", got '" + text + "'");
    }
    if (!def.Choices.empty() && std::find(def.Choices.begin(), def.Choices.end(), text) == def.Choices.end())
        Fail(c, label + " must be " + Word_List(def.Choices, "or") + ", got '" + text + "'");
}

// How a value is shown: its name, or its choices.
std::string Value_Text(const cValue_Def& v) {
    if (v.Choices.empty()) return v.Name;
    std::string text;
    for (const std::string& choice : v.Choices) text += (text.empty() ? "" : "|") + choice;
    return text;
}

// An option's name and values: "--route X1 Y1 X2 Y2".
std::string Option_Text(const cOption_Def& o) {
    std::string text = o.Name;
    for (const cValue_Def& v : o.Values) text += " " + Value_Text(v);
    return text;
}

// An option's value named in an error: "--limit N", "--order" for a choice.
std::string Value_Label(const cOption_Def& o, const cValue_Def& v) {
    return v.Choices.empty() ? o.Name + " " + v.Name : o.Name;
}

const cOption_Def* Find_Option(const std::vector<cOption_Def>& options, const std::string& name) {
    for (const cOption_Def& o : options)
        if (o.Name == name) return &o;
    return nullptr;
}

// Options shown in the usage line, each one item, with those that qualify
// another nested in its brackets: [--route X1 Y1 X2 Y2 [--agent H]]...
// --help, which every command takes, is left to the options' list.
std::vector<std::string> Options_Usage(const std::vector<cOption_Def>& options) {
    std::vector<std::string> usage;
    for (const cOption_Def& o : options) {
        if (!o.Qualifies.empty() || o.Name == "--help") continue;
        std::string item = Option_Text(o);
        for (const cOption_Def& q : options)
            if (q.Qualifies == o.Name) item += " [" + Option_Text(q) + "]";
        if (!o.Required) item = "[" + item + "]";
        if (o.Repeat) item += "...";
        usage.push_back(item);
    }
    return usage;
}

// A command's name and positional arguments, then the items.
std::vector<std::string> Usage_Items(const cCommand_Def& c, const std::vector<cOption_Def>& options) {
    std::vector<std::string> items = {c.Name};
    for (const cValue_Def& p : c.Positional) items.push_back(Value_Text(p));
    if (c.Repeat_Last > 0) {
        std::string group;
        for (std::size_t i = c.Positional.size() - c.Repeat_Last; i < c.Positional.size(); ++i)
            group += (group.empty() ? "" : " ") + Value_Text(c.Positional[i]);
        items.push_back("[" + group + "]...");
    }
    for (const std::string& item : Options_Usage(options)) items.push_back(item);
    return items;
}

// Items joined by blanks; with keep_whole, each item's own blanks are marked
// so that Wrap does not break it.
const char UNBROKEN = '\x01';
std::string Join(const std::vector<std::string>& items, bool keep_whole = false) {
    std::string text;
    for (std::string item : items) {
        if (keep_whole) std::replace(item.begin(), item.end(), ' ', UNBROKEN);
        text += (text.empty() ? "" : " ") + item;
    }
    return text;
}

// Words of text wrapped into lines of at most width characters, each line
// but the first indented by indent blanks; '\n' in text ends a line.
std::string Wrap(const std::string& text, std::size_t first_column, std::size_t indent, std::size_t width = 79) {
    std::string out;
    std::size_t column = first_column;
    bool line_empty = true;
    std::istringstream lines(text);
    bool first_line = true;
    for (std::string line; std::getline(lines, line);) {
        if (!first_line) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
            line_empty = true;
        }
        first_line = false;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            if (!line_empty && column + 1 + word.size() > width) {
                out += "\n" + std::string(indent, ' ');
                column = indent;
                line_empty = true;
            }
            if (!line_empty) {
                out += ' ';
                ++column;
            }
            std::replace(word.begin(), word.end(), UNBROKEN, ' ');
            out += word;
            column += word.size();
            line_empty = false;
        }
    }
    return out;
}

// The options' list of a help: each option with its values, its help
// beside it or, for a long name, below it.
std::string Options_Help(const std::vector<cOption_Def>& options) {
    std::size_t column = 0;
    for (const cOption_Def& o : options) column = std::max(column, Option_Text(o).size());
    column = std::min<std::size_t>(column, 22) + 5;
    std::string help;
    for (const cOption_Def& o : options) {
        const std::string name = "  " + Option_Text(o);
        help += name;
        if (name.size() + 2 > column) {
            help += "\n" + std::string(column, ' ');
        } else {
            help += std::string(column - name.size(), ' ');
        }
        help += Wrap(o.Help, column, column) + "\n";
    }
    return help;
}

// Added to the help of every command that loads a level.
const char* const LEVEL_CONTRACT =
    "A level that does not load whole is an error: a malformed item, an unknown\n"
    "tag, a number out of range, an item before the first tag line, a wall or door\n"
    "that is neither horizontal nor vertical or has zero length, or a file without\n"
    "any tag (an empty file, blank lines only). So is a build the world refuses: a\n"
    "wall or door outside the world, a solid point outside it or on a wall, solid\n"
    "points that mark the whole world. The error is one line on standard error,\n"
    "FILE:LINE: REASON, the line counted from 1, status 2, and no answer (--partial\n"
    "answers all the same). A map given for a level gets \"FILE looks like a grid\n"
    "map: use import-grid\" (or \"... Tiled map: use import-tiled\", \"... LDtk\n"
    "project: use import-ldtk\").\n"
    "A level file may begin with a UTF-8 byte order mark and end its lines with\n"
    "CR LF.\n";

}  // namespace

// ================================================================ parsed arguments

int Checked_Int(const std::string& text) {
    int v = 0;
    Parse_Int(text, v);
    return v;
}

const std::vector<std::vector<std::string>>& cParsed_Args::All(const std::string& name) const {
    static const std::vector<std::vector<std::string>> none;
    const auto it = Options.find(name);
    return it == Options.end() ? none : it->second;
}

const std::string& cParsed_Args::Text(const std::string& name) const { return All(name).at(0).at(0); }

int cParsed_Args::Int(const std::string& name, int fallback) const {
    return Has(name) ? Checked_Int(Text(name)) : fallback;
}

int cParsed_Args::Int_At(std::size_t i) const { return Checked_Int(Positional.at(i)); }

cPoint2D cParsed_Args::Point_At(std::size_t first) const { return cPoint2D(Int_At(first), Int_At(first + 1)); }

// ================================================================ the parser

// A value that starts with '-' and a digit (a negative number), and "-"
// alone, are positional arguments; anything else that starts with '-' is an
// option's name. An option's (first) value may be joined to its name with
// '=': --limit=5 is --limit 5.
cParsed_Args Parse(const cCommand_Def& c, const std::vector<std::string>& args) {
    const std::vector<cOption_Def> options = Options_Of(c);
    cParsed_Args parsed;
    parsed.Command = &c;
    // For options that others qualify: the qualifiers given since its
    // latest occurrence.
    std::map<std::string, std::set<std::string>> qualified;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool long_form = a.size() > 2 && a.compare(0, 2, "--") == 0;
        // "-o", "-x": an option's name, known or not; "-5", "-": a value.
        const bool looks_like_option =
            long_form || (a.size() > 1 && a[0] == '-' && !std::isdigit(static_cast<unsigned char>(a[1])));
        const std::string::size_type equals = long_form ? a.find('=') : std::string::npos;
        const std::string name = a.substr(0, equals);
        const cOption_Def* option = Find_Option(options, name);
        if (option == nullptr) {
            if (looks_like_option) Fail(c, "unknown option '" + name + "' (usage: " + Usage(c) + ")");
            if (parsed.Positional.size() >= c.Positional.size() && c.Repeat_Last == 0)
                Fail(c, "unexpected argument '" + a + "' (usage: " + Usage(c) + ")");
            parsed.Positional.push_back(a);
            continue;
        }
        if (equals != std::string::npos && option->Values.empty()) Fail(c, name + " takes no value, got '" + a + "'");
        if (!option->Qualifies.empty()) {
            const auto q = qualified.find(option->Qualifies);
            if (q == qualified.end()) Fail(c, Option_Text(*option) + " must follow a " + option->Qualifies);
            if (!q->second.insert(name).second) Fail(c, name + " given twice for one " + option->Qualifies);
        } else if (!option->Repeat && parsed.Has(name)) {
            Fail(c, name + " given twice");
        }
        qualified[name].clear();
        std::vector<std::string> values;
        for (const cValue_Def& value : option->Values) {
            if (values.empty() && equals != std::string::npos) {
                values.push_back(a.substr(equals + 1));
            } else {
                if (i + 1 >= args.size()) {
                    std::string names;
                    for (const cValue_Def& v : option->Values) names += " " + v.Name;
                    Fail(c, name + " needs" + names);
                }
                values.push_back(args[++i]);
            }
            Check_Value(c, Value_Label(*option, value), value, values.back());
        }
        parsed.Options[name].push_back(values);
        parsed.In_Order.emplace_back(name, values);
    }
    if (parsed.Positional.size() < c.Positional.size())
        Fail(c, "missing " + c.Positional[parsed.Positional.size()].Name + " (usage: " + Usage(c) + ")");
    for (std::size_t i = 0; i < parsed.Positional.size(); ++i) {
        const std::size_t first_repeated = c.Positional.size() - c.Repeat_Last;
        const std::size_t k = i < c.Positional.size() ? i : first_repeated + (i - c.Positional.size()) % c.Repeat_Last;
        Check_Value(c, c.Positional[k].Name, c.Positional[k], parsed.Positional[i]);
    }
    if (c.Repeat_Last > 0 && (parsed.Positional.size() - c.Positional.size()) % c.Repeat_Last != 0) {
        const std::size_t missing = c.Positional.size() - c.Repeat_Last +
                                    (parsed.Positional.size() - c.Positional.size()) % c.Repeat_Last;
        Fail(c, "missing " + c.Positional[missing].Name + " after '" + parsed.Positional.back() + "' (usage: " +
                    Usage(c) + ")");
    }
    for (const cOption_Def& o : options)
        if (o.Required && !parsed.Has(o.Name) && (o.Unless.empty() || !parsed.Has(o.Unless)))
            Fail(c, "missing " + Option_Text(o) + " (usage: " + Usage(c) + ")");
    return parsed;
}

// ================================================================ usage and help

std::string Usage(const cCommand_Def& c) { return "bsplevel " + Join(Usage_Items(c, Options_Of(c))); }

std::string Command_Help(const cCommand_Def& c) {
    std::string help = "usage: bsplevel " + Wrap(Join(Usage_Items(c, Options_Of(c)), true), 16, 7) + "\n\n" + c.Help +
                       "\nOptions:\n" + Options_Help(Options_Of(c));
    if (c.Loads_Level) help += "\n" + std::string(LEVEL_CONTRACT);
    if (!c.After.empty()) help += "\n" + c.After;
    return help;
}

std::string General_Help() {
    std::string help =
        "bsplevel: ask a level file questions, draw it, or make one from a grid map, a\n"
        "Tiled map or an LDtk project\n"
        "\n"
        "usage: bsplevel COMMAND ARGUMENTS...      (bsplevel COMMAND --help for details)\n"
        "       bsplevel --version                 prints the version\n"
        "\n"
        "Commands:\n";
    for (const cCommand_Def* c : Commands()) {
        help += "  " + Wrap(Join(Usage_Items(*c, c->Options), true), 2, 6) + "\n";
        help += "      " + Wrap(c->Summary, 6, 6) + "\n";
    }
    std::vector<std::string> level_options, common_options;
    for (const cOption_Def& o : Level_Options()) level_options.push_back(Option_Text(o));
    for (const cOption_Def& o : Common_Options()) common_options.push_back(Option_Text(o));
    help += "\n" +
            Wrap("Every command that loads a LEVEL also takes " + Word_List(level_options, "and") + "; every command takes " +
                     Word_List(common_options, "and") + ".",
                 0, 0) +
            "\n";
    help +=
        "\n"
        "Coordinates and lengths are whole numbers. An option's value may follow it\n"
        "or be joined to it with '=': --limit 5 or --limit=5. Standard output carries\n"
        "only answers; an error is one line on standard error, and the library's own\n"
        "messages are written there only with --verbose.\n"
        "\n"
        "A level that does not load whole (a malformed item, an unknown tag, a wall\n"
        "that is neither horizontal nor vertical or has zero length, a file without\n"
        "any tag, ...) or whose build the world refuses is an error for every command:\n"
        "one line FILE:LINE: REASON (\"level.txt:3: unknown tag '<WALL>'\",\n"
        "\"level.txt:5: wall outside the world [0,0]-[100,100]\"). info describes what\n"
        "it could load first. --partial answers from what was read instead. A map\n"
        "given for a level gets \"FILE looks like a grid map: use import-grid\" (or\n"
        "Tiled map, import-tiled; LDtk project, import-ldtk), and the importers name\n"
        "the right command too.\n"
        "\n"
        "Exit status: 0 for a success or a positive answer (a route, a hit, a touch),\n"
        "1 for a negative answer (no route, no hit, clear), 2 for an error (unknown\n"
        "command, missing or malformed argument, unreadable file, a level that did\n"
        "not load whole or build, a map given for a level, malformed batch line).\n";
    return help;
}

}  // namespace bsp_levels
