#include "level_loader.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

#include "game_bsp.h"
#include "messages.h"

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

bool Expect(std::istream& in, char expected) {
    char c;
    return bool(in >> c) && c == expected;
}

bool Read_Number(std::istream& in, int& value) {
    int v;
    if (!(in >> v)) return false;
    if (v < -COORD_LIMIT || v > COORD_LIMIT) return false;
    value = v;
    return true;
}

}  // namespace

bool cLevel_Loader::Load(const char* file_name, cGame_World* world) {
    std::string text;
    if (file_name == nullptr) file_name = "";
    if (world == nullptr || !Read_File(file_name, text)) {
        Message_Sink() << "error while opening file : " << file_name << "\n";
        Message_Sink() << "error loading \n";
        return false;
    }
    Drop_Carriage_Returns(text);
    std::istringstream in(text);

    enum { NONE, AREA, WALLS } section = NONE;
    int line = 0;
    for (;;) {
        while (in.peek() == '\n') {
            in.get();
            ++line;
        }
        if (in.peek() == std::char_traits<char>::eof()) return true;
        if (in.peek() == '<') {
            char tag[100] = {};
            in.getline(tag, sizeof tag);
            ++line;
            // Compare every character read, so that a NUL byte cannot hide
            // what follows the tag.
            std::streamsize length = in.gcount();
            if (!in.eof() && !in.fail()) --length;  // the line feed was consumed, not stored
            const std::string text_of_tag(tag, std::size_t(length));
            if (text_of_tag == "<AREA>")
                section = AREA;
            else if (text_of_tag == "<WALLS>")
                section = WALLS;
            else
                return false;
        }
        bool ok = false;
        if (section == AREA) {
            ok = Read_Area_Item(in);
        } else if (section == WALLS) {
            ok = Read_Wall_Item(in, world);
        } else {
            std::string rest;
            std::getline(in, rest);
            return false;
        }
        if (!ok) {
            Report_Read_Error(line, file_name);
            return false;
        }
        if (in.eof()) return true;
    }
}

bool cLevel_Loader::Read_Point(int& x, int& y, std::istream& in) {
    return Expect(in, '[') && Read_Number(in, x) && Expect(in, ',') && Read_Number(in, y) &&
           Expect(in, ']');
}

bool cLevel_Loader::Read_Area_Item(std::istream& in) {
    int x, y;
    if (!Read_Point(x, y, in)) return false;
    WORLD_BOUNDS = cRect2D(cPoint2D(0, 0), cPoint2D(x, y));
    return true;
}

bool cLevel_Loader::Read_Wall_Item(std::istream& in, cGame_World* world) {
    int x1, y1, x2, y2;
    if (!Read_Point(x1, y1, in) || !Expect(in, '-') || !Expect(in, '>') || !Read_Point(x2, y2, in))
        return false;
    world->Insert(cHV_Wall(cPoint2D(x1, y1), cPoint2D(x2, y2)));
    return true;
}

void cLevel_Loader::Report_Read_Error(int line, const char* file_name) {
    std::ostringstream msg;
    msg << "ERROR while reading file : " << file_name << " at line " << line << "\n";
    Message_Sink() << msg.str();
}
