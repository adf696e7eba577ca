// The texts of levels made to cost as much as possible, shared by the
// hostile benchmark and the hostile-levels test.
#ifndef BENCH_HOSTILE_LEVEL_TEXTS_H
#define BENCH_HOSTILE_LEVEL_TEXTS_H

#include <sstream>
#include <string>

namespace hostile {

// One line of n short walls with gaps.
inline std::string Comb(int n) {
    std::ostringstream out;
    out << "<AREA>\n[" << n * 20 + 10 << ",100]\n<WALLS>\n";
    for (int i = 0; i < n; ++i) out << "[" << i * 20 + 5 << ",50]->[" << i * 20 + 15 << ",50]\n";
    return out.str();
}

// The comb one unit beside a full-width wall.
inline std::string Thin_Comb(int n) {
    std::ostringstream out;
    out << "<AREA>\n[" << n * 20 + 10 << ",100]\n<WALLS>\n[0,51]->[" << n * 20 + 10 << ",51]\n";
    for (int i = 0; i < n; ++i) out << "[" << i * 20 + 5 << ",50]->[" << i * 20 + 15 << ",50]\n";
    return out.str();
}

// n disjoint doors on one line.
inline std::string Doors_On_A_Line(int n) {
    std::ostringstream out;
    out << "<AREA>\n[" << n * 20 + 10 << ",100]\n<DOORS>\n";
    for (int i = 0; i < n; ++i) out << "[" << i * 20 + 5 << ",50]->[" << i * 20 + 15 << ",50]\n";
    return out.str();
}

// n doors [50,i]->[50,n+1], each inside the next.
inline std::string Nested_Doors(int n) {
    std::ostringstream out;
    out << "<AREA>\n[100," << n + 2 << "]\n<DOORS>\n";
    for (int i = 0; i < n; ++i) out << "[50," << i << "]->[50," << n + 1 << "]\n";
    return out.str();
}

// n parallel full-width walls in sorted order.
inline std::string Sorted_Walls(int n) {
    std::ostringstream out;
    out << "<AREA>\n[1000," << n + 1 << "]\n<WALLS>\n";
    for (int i = 1; i <= n; ++i) out << "[0," << i << "]->[1000," << i << "]\n";
    return out.str();
}

// k full horizontal and k full vertical walls.
inline std::string Crossing_Grid(int k) {
    std::ostringstream out;
    out << "<AREA>\n[" << k + 1 << "," << k + 1 << "]\n<WALLS>\n";
    for (int i = 1; i <= k; ++i) out << "[0," << i << "]->[" << k + 1 << "," << i << "]\n";
    for (int i = 1; i <= k; ++i) out << "[" << i << ",0]->[" << i << "," << k + 1 << "]\n";
    return out.str();
}

// A grid map of (2n+1) x 41 cells whose middle row blocks every other cell.
inline std::string Comb_Row_Map(int n) {
    const int width = 2 * n + 1, height = 41;
    std::ostringstream out;
    out << "type octile\nheight " << height << "\nwidth " << width << "\nmap\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) out << (y == 20 && x % 2 == 0 ? '@' : '.');
        out << "\n";
    }
    return out.str();
}

}  // namespace hostile

#endif
