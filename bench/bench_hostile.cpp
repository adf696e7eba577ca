// Levels made to cost as much as possible, one per run, so that the peak
// resident size is the level's own (bench/compare.py --hostile runs every
// case):
//
//     bench_hostile --case NAME [--size N]
//
//   comb          one line of N short walls with gaps (default 4,000)
//   comb-row      a grid map of (2N+1) x 41 cells whose row 20 blocks every
//                 other cell (default N = 4,000: 8,001 x 41)
//   doors         N disjoint doors on one line (default 2,000)
//   nested-doors  N doors [50,i]->[50,N+1] (default 2,000)
//   sorted        N parallel full-width walls in sorted order (default 200,000)
//   grid          N full horizontal and N full vertical walls (default 3,000)
//   tiled-bomb    a N x N Tiled map whose layer is zlib data of zeros
//                 (default 100,000; the data unpacks to 1 GiB)
//   agent-sizes   a 1024 x 1024 generated map, route queries for N agent
//                 sizes in turn while another thread asks for a size made
//                 before (default 200)
//
// The level is written to a file, opened with Open_Level and asked a path, a
// shortest route for half-sizes 0 and 2, a segment and a ball between two
// points near its opposite corners. The figures go to stdout as one JSON
// object: answered (the level opened) or the one-line reason it was refused,
// cpu_ms and wall_ms of the whole run, peak_rss_bytes, and for agent-sizes
// the kept sizes and the other thread's longest wait.
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "grid_map_gen.h"
#include "hostile_level_texts.h"
#include "level_open.h"

using namespace bsp_levels;
using namespace hostile;

namespace {

std::string Tiled_Bomb(int n) {
    // 1 GiB of zeros, packed a chunk at a time.
    z_stream z{};
    deflateInit(&z, 9);
    const std::vector<unsigned char> zeros(std::size_t(1) << 24, 0);
    std::vector<unsigned char> packed;
    std::vector<unsigned char> buffer(std::size_t(1) << 16);
    for (int chunk = 0; chunk < 64; ++chunk) {
        z.next_in = const_cast<unsigned char*>(zeros.data());
        z.avail_in = uInt(zeros.size());
        const int flush = chunk == 63 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            deflate(&z, flush);
            packed.insert(packed.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    static const char* const digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;
    for (std::size_t i = 0; i < packed.size(); i += 3) {
        const std::uint32_t a = packed[i], b = i + 1 < packed.size() ? packed[i + 1] : 0,
                            c = i + 2 < packed.size() ? packed[i + 2] : 0;
        const std::uint32_t quad = a << 16 | b << 8 | c;
        base64 += digits[quad >> 18 & 63];
        base64 += digits[quad >> 12 & 63];
        base64 += i + 1 < packed.size() ? digits[quad >> 6 & 63] : '=';
        base64 += i + 2 < packed.size() ? digits[quad & 63] : '=';
    }
    const std::string side = std::to_string(n);
    return "<?xml version=\"1.0\"?>\n<map version=\"1.10\" orientation=\"orthogonal\" width=\"" + side +
           "\" height=\"" + side + "\" tilewidth=\"16\" tileheight=\"16\" infinite=\"0\">\n"
           " <tileset firstgid=\"1\" name=\"t\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"1\" columns=\"1\"/>\n"
           " <layer id=\"1\" name=\"Collision\" width=\"" + side + "\" height=\"" + side +
           "\">\n  <data encoding=\"base64\" compression=\"zlib\">" + base64 + "</data>\n </layer>\n</map>\n";
}

double Cpu_Ms() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

std::int64_t Peak_Rss() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::int64_t(usage.ru_maxrss) * 1024;
}

std::string Json_Text(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;
        out += c;
    }
    return out + "\"";
}

// Opens the file and asks it the usual questions; the reason it was refused,
// or empty.
std::string Open_And_Ask(const std::string& file) {
    const cOpen_Result r = Open_Level(file);
    if (!r) return r.Error();
    const cRect2D& w = r.World->Get_Bounds();
    const cPoint2D a(w.Min.x + 3, w.Min.y + 3), b(w.Max.x - 3, w.Max.y - 3);
    std::vector<cPoint2D> path;
    r.World->Find_Path(a, b, path);
    r.World->Find_Shortest_Path(a, b, 0, path);
    r.World->Find_Shortest_Path(a, b, 2, path);
    cPoint2D hit;
    r.World->Intersect_Segment(cSeg(a, b), hit);
    r.World->Intersect_Ball((a.x + b.x) / 2, (a.y + b.y) / 2, 5);
    return std::string();
}

}  // namespace

int main(int argc, char** argv) {
    std::string name;
    int size = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--case") == 0) name = argv[i + 1];
        if (std::strcmp(argv[i], "--size") == 0) size = std::atoi(argv[i + 1]);
    }
    struct cCase {
        const char* Name;
        int Default_Size;
        std::string (*Text)(int);
        const char* Extension;
    };
    const cCase cases[] = {
        {"comb", 4000, Comb, ".txt"},
        {"comb-row", 4000, Comb_Row_Map, ".map"},
        {"doors", 2000, Doors_On_A_Line, ".txt"},
        {"nested-doors", 2000, Nested_Doors, ".txt"},
        {"sorted", 200000, Sorted_Walls, ".txt"},
        {"grid", 3000, Crossing_Grid, ".txt"},
        {"tiled-bomb", 100000, Tiled_Bomb, ".tmx"},
        {"agent-sizes", 200, nullptr, ".map"},
    };
    const cCase* chosen = nullptr;
    for (const cCase& c : cases)
        if (name == c.Name) chosen = &c;
    if (chosen == nullptr) {
        std::cerr << "usage: bench_hostile --case comb|comb-row|doors|nested-doors|sorted|grid|tiled-bomb|agent-sizes "
                     "[--size N]\n";
        return 2;
    }
    if (size <= 0) size = chosen->Default_Size;
    const std::string file =
        (std::filesystem::temp_directory_path() / ("bench_hostile_" + name + chosen->Extension)).string();
    std::ostringstream json;
    json << "{\"case\":" << Json_Text(name) << ",\"size\":" << size;
    if (chosen->Text != nullptr) {
        {
            std::ofstream out(file, std::ios::binary);
            out << chosen->Text(size);
        }
        json << ",\"file_bytes\":" << std::filesystem::file_size(file);
        const auto wall_start = std::chrono::steady_clock::now();
        const double cpu_start = Cpu_Ms();
        const std::string refused = Open_And_Ask(file);
        const double cpu = Cpu_Ms() - cpu_start;
        const double wall =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_start).count();
        json << ",\"answered\":" << (refused.empty() ? "true" : "false") << ",\"reason\":" << Json_Text(refused)
             << ",\"cpu_ms\":" << cpu << ",\"wall_ms\":" << wall;
    } else {
        // Route queries for many agent sizes on a large map, while another
        // thread keeps asking for a size made before.
        {
            std::ofstream out(file, std::ios::binary);
            const cGrid_Map map = grid_maps::Rooms_Map(1024, 1);
            out << "type octile\nheight " << map.Height << "\nwidth " << map.Width << "\nmap\n";
            for (const std::string& row : map.Rows) out << row << "\n";
        }
        const cOpen_Result r = Open_Level(file);
        if (!r) {
            std::cerr << r.Error() << "\n";
            return 1;
        }
        const cGame_World& world = *r.World;
        const cRect2D& w = world.Get_Bounds();
        std::vector<cPoint2D> path;
        world.Find_Shortest_Path(cPoint2D(w.Min.x + 15, w.Min.y + 15), cPoint2D(w.Max.x - 15, w.Max.y - 15), 0, path);
        std::atomic<bool> done{false};
        std::atomic<std::int64_t> longest_wait_us{0};
        std::thread other([&] {
            std::vector<cPoint2D> p;
            while (!done) {
                const auto t0 = std::chrono::steady_clock::now();
                world.Find_Shortest_Path(cPoint2D(w.Min.x + 15, w.Min.y + 15), cPoint2D(w.Min.x + 95, w.Min.y + 95), 0, p);
                const std::int64_t us = std::chrono::duration_cast<std::chrono::microseconds>(
                                            std::chrono::steady_clock::now() - t0).count();
                if (us > longest_wait_us) longest_wait_us = us;
            }
        });
        const auto wall_start = std::chrono::steady_clock::now();
        const double cpu_start = Cpu_Ms();
        for (int h = 1; h <= size; ++h)
            world.Find_Shortest_Path(cPoint2D(w.Min.x + 15 + h, w.Min.y + 15 + h),
                                     cPoint2D(w.Max.x - 15 - h, w.Max.y - 15 - h), h, path);
        const double cpu = Cpu_Ms() - cpu_start;
        const double wall =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_start).count();
        done = true;
        other.join();
        json << ",\"answered\":true,\"reason\":\"\",\"cpu_ms\":" << cpu << ",\"wall_ms\":" << wall
             << ",\"kept_sizes\":" << world.Kept_Agent_Sizes() << ",\"longest_other_query_ms\":"
             << double(longest_wait_us.load()) / 1000.0;
    }
    json << ",\"peak_rss_bytes\":" << Peak_Rss() << "}";
    std::cout << json.str() << "\n";
    std::remove(file.c_str());
    return 0;
}
