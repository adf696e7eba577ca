// Generated grid maps for the benchmarks: random blocked cells, mazes with
// corridors one cell wide, and dungeons of rooms joined by doors. Every
// generator is deterministic for a given seed.
#ifndef BENCH_GRID_MAP_GEN_H
#define BENCH_GRID_MAP_GEN_H

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "grid_import.h"

namespace grid_maps {

inline bsp_levels::cGrid_Map Empty_Map(int width, int height, char fill) {
    bsp_levels::cGrid_Map map;
    map.Width = width;
    map.Height = height;
    map.Rows.assign(std::size_t(height), std::string(std::size_t(width), fill));
    return map;
}

// Each cell blocked with the given chance, in percent.
inline bsp_levels::cGrid_Map Random_Map(int side, int percent_blocked, unsigned seed) {
    std::mt19937 rng(seed);
    bsp_levels::cGrid_Map map = Empty_Map(side, side, '.');
    for (std::string& row : map.Rows)
        for (char& c : row)
            if (int(rng() % 100) < percent_blocked) c = '@';
    return map;
}

// A perfect maze (one way between any two of its cells) carved by a
// depth-first walk: corridors and walls one cell wide, free cells at odd
// coordinates and between them; the first row and column are blocked, and
// the last ones too (two of each when the side is even).
inline bsp_levels::cGrid_Map Maze_Map(int side, unsigned seed) {
    std::mt19937 rng(seed);
    bsp_levels::cGrid_Map map = Empty_Map(side, side, '@');
    const int n = (side - 1) / 2;  // maze cells per row and per column
    if (n <= 0) return map;
    std::vector<char> seen(std::size_t(n) * std::size_t(n), 0);
    std::vector<std::pair<int, int>> stack{{0, 0}};
    seen[0] = 1;
    map.Rows[1][1] = '.';
    static const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    while (!stack.empty()) {
        const int i = stack.back().first, j = stack.back().second;
        int options[4], count = 0;
        for (int d = 0; d < 4; ++d) {
            const int a = i + steps[d][0], b = j + steps[d][1];
            if (a >= 0 && b >= 0 && a < n && b < n && !seen[std::size_t(b) * std::size_t(n) + std::size_t(a)])
                options[count++] = d;
        }
        if (count == 0) {
            stack.pop_back();
            continue;
        }
        const int d = options[rng() % unsigned(count)];
        const int a = i + steps[d][0], b = j + steps[d][1];
        seen[std::size_t(b) * std::size_t(n) + std::size_t(a)] = 1;
        map.Rows[std::size_t(2 * j + 1 + steps[d][1])][std::size_t(2 * i + 1 + steps[d][0])] = '.';
        map.Rows[std::size_t(2 * b + 1)][std::size_t(2 * a + 1)] = '.';
        stack.emplace_back(a, b);
    }
    return map;
}

// A dungeon: the map is cut by walls one cell thick, at gaps of 8 to 24
// cells, into rooms on a lattice of uneven rows and columns. A random
// spanning tree of the rooms gets a door (1 to 3 cells wide) in every wall
// it crosses, and about a third of the other walls between two rooms get one
// too, so every free cell is reachable. One room in five has a 2x2 pillar in
// its middle.
inline bsp_levels::cGrid_Map Rooms_Map(int side, unsigned seed) {
    std::mt19937 rng(seed);
    bsp_levels::cGrid_Map map = Empty_Map(side, side, '.');
    // The lines of wall cells, across the whole map.
    auto cuts = [&]() {
        std::vector<int> lines;
        for (int at = 8 + int(rng() % 17); at < side - 8; at += 9 + int(rng() % 17)) lines.push_back(at);
        return lines;
    };
    const std::vector<int> xs = cuts(), ys = cuts();
    for (int x : xs)
        for (int y = 0; y < side; ++y) map.Rows[std::size_t(y)][std::size_t(x)] = '@';
    for (int y : ys) map.Rows[std::size_t(y)].assign(std::size_t(side), '@');
    // Room (i, j) spans [lo, hi) in each direction between the cuts.
    auto span = [side](const std::vector<int>& lines, int i) {
        const int lo = i == 0 ? 0 : lines[std::size_t(i - 1)] + 1;
        const int hi = i == int(lines.size()) ? side : lines[std::size_t(i)];
        return std::make_pair(lo, hi);
    };
    const int nx = int(xs.size()) + 1, ny = int(ys.size()) + 1;
    // A door in the wall between room (i, j) and its neighbour to the right
    // (vertical) or below (not vertical).
    auto door = [&](int i, int j, bool vertical) {
        const std::pair<int, int> s = vertical ? span(ys, j) : span(xs, i);
        const int width = 1 + int(rng() % 3);
        const int room = s.second - s.first;
        const int at = s.first + 1 + int(rng() % unsigned(std::max(1, room - width - 1)));
        for (int k = at; k < std::min(at + width, s.second); ++k) {
            if (vertical)
                map.Rows[std::size_t(k)][std::size_t(xs[std::size_t(i)])] = '.';
            else
                map.Rows[std::size_t(ys[std::size_t(j)])][std::size_t(k)] = '.';
        }
    };
    // The spanning tree: a depth-first walk over the rooms.
    std::vector<char> seen(std::size_t(nx) * std::size_t(ny), 0);
    std::vector<char> opened(std::size_t(nx) * std::size_t(ny) * 2, 0);  // by room: right, down
    std::vector<std::pair<int, int>> stack{{0, 0}};
    seen[0] = 1;
    while (!stack.empty()) {
        const int i = stack.back().first, j = stack.back().second;
        int options[4][2], count = 0;
        const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto& st : steps) {
            const int a = i + st[0], b = j + st[1];
            if (a >= 0 && b >= 0 && a < nx && b < ny && !seen[std::size_t(b) * std::size_t(nx) + std::size_t(a)]) {
                options[count][0] = a;
                options[count][1] = b;
                ++count;
            }
        }
        if (count == 0) {
            stack.pop_back();
            continue;
        }
        const int pick = int(rng() % unsigned(count));
        const int a = options[pick][0], b = options[pick][1];
        seen[std::size_t(b) * std::size_t(nx) + std::size_t(a)] = 1;
        const int ri = std::min(i, a), rj = std::min(j, b);
        const bool vertical = a != i;
        opened[(std::size_t(rj) * std::size_t(nx) + std::size_t(ri)) * 2 + (vertical ? 0 : 1)] = 1;
        door(ri, rj, vertical);
        stack.emplace_back(a, b);
    }
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const std::size_t r = std::size_t(j) * std::size_t(nx) + std::size_t(i);
            if (i + 1 < nx && !opened[r * 2] && rng() % 3 == 0) door(i, j, true);
            if (j + 1 < ny && !opened[r * 2 + 1] && rng() % 3 == 0) door(i, j, false);
            if (rng() % 5 == 0) {
                const std::pair<int, int> sx = span(xs, i), sy = span(ys, j);
                if (sx.second - sx.first >= 8 && sy.second - sy.first >= 8) {
                    const int cx = (sx.first + sx.second) / 2, cy = (sy.first + sy.second) / 2;
                    for (int y = cy - 1; y <= cy; ++y)
                        for (int x = cx - 1; x <= cx; ++x) map.Rows[std::size_t(y)][std::size_t(x)] = '@';
                }
            }
        }
    return map;
}

// The kinds of generated maps, by name: "random10", "random25", "maze",
// "rooms". False for an unknown name.
inline bool Generate(const std::string& kind, int side, unsigned seed, bsp_levels::cGrid_Map& map) {
    if (kind == "random10")
        map = Random_Map(side, 10, seed);
    else if (kind == "random25")
        map = Random_Map(side, 25, seed);
    else if (kind == "maze")
        map = Maze_Map(side, seed);
    else if (kind == "rooms")
        map = Rooms_Map(side, seed);
    else
        return false;
    return true;
}

}  // namespace grid_maps

#endif
