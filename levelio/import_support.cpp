#include "import_support.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace bsp_levels {

std::string Quote_Name(const std::string& text) {
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

std::string One_Line(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f) {
            const char* hex = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::vector<std::string> Split_Names(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        std::size_t a = start, b = end;
        while (a < b && std::isspace(static_cast<unsigned char>(list[a]))) ++a;
        while (b > a && std::isspace(static_cast<unsigned char>(list[b - 1]))) --b;
        if (a < b) names.push_back(list.substr(a, b - a));
        start = end + 1;
    }
    return names;
}

std::string Count_Of(std::int64_t count, const std::string& noun, const std::string& plural) {
    return std::to_string(count) + " " + (count == 1 ? noun : plural.empty() ? noun + "s" : plural);
}

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool Same_Name(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

bool Holds_Word(const std::string& text, const std::string& word) {
    return Lower(text).find(Lower(word)) != std::string::npos;
}

bool Has_Free_Space(const cBlocked_Space& space) {
    if (space.Width < 1 || space.Height < 1) return false;
    // Boxes whose areas add up to less than the world's leave some of it
    // free, however they overlap: the usual case, decided without a grid.
    const std::int64_t world = std::int64_t(space.Width) * space.Height;
    std::int64_t covered = 0;
    for (const cBlocked_Box& b : space.Boxes) {
        const std::int64_t w = std::int64_t(std::min(b.X2, space.Width)) - std::max(b.X1, 0);
        const std::int64_t h = std::int64_t(std::min(b.Y2, space.Height)) - std::max(b.Y1, 0);
        if (w > 0 && h > 0) covered = std::min(covered + w * h, world);
    }
    if (covered < world) return true;
    std::vector<int> xs = {0, space.Width}, ys = {0, space.Height};
    for (const cBlocked_Box& b : space.Boxes) {
        xs.push_back(std::min(std::max(b.X1, 0), space.Width));
        xs.push_back(std::min(std::max(b.X2, 0), space.Width));
        ys.push_back(std::min(std::max(b.Y1, 0), space.Height));
        ys.push_back(std::min(std::max(b.Y2, 0), space.Height));
    }
    for (std::vector<int>* lines : {&xs, &ys}) {
        std::sort(lines->begin(), lines->end());
        lines->erase(std::unique(lines->begin(), lines->end()), lines->end());
    }
    const std::size_t columns = xs.size() - 1, rows = ys.size() - 1;
    std::vector<unsigned char> blocked(columns * rows, 0);
    auto index = [](const std::vector<int>& lines, int v) {
        v = std::min(std::max(v, lines.front()), lines.back());
        return std::size_t(std::lower_bound(lines.begin(), lines.end(), v) - lines.begin());
    };
    for (const cBlocked_Box& b : space.Boxes) {
        const std::size_t x1 = index(xs, std::min(b.X1, b.X2)), x2 = index(xs, std::max(b.X1, b.X2));
        const std::size_t y1 = index(ys, std::min(b.Y1, b.Y2)), y2 = index(ys, std::max(b.Y1, b.Y2));
        for (std::size_t y = y1; y < y2; ++y)
            std::fill(blocked.begin() + std::ptrdiff_t(y * columns + x1), blocked.begin() + std::ptrdiff_t(y * columns + x2),
                      1);
    }
    return std::find(blocked.begin(), blocked.end(), 0) != blocked.end();
}

bool Read_Whole_File(const std::string& path, std::string& text) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::function<bool(const std::string& name, std::string& text, std::string& why)> Folder_Reader(
    const std::string& file_name) {
    const std::filesystem::path folder = std::filesystem::path(file_name).parent_path();
    return [folder](const std::string& name, std::string& text, std::string& why) {
        const std::filesystem::path path = folder / name;
        if (!Read_Whole_File(path.string(), text)) {
            why = "cannot read " + path.string();
            return false;
        }
        return true;
    };
}

}  // namespace bsp_levels
