#include "svg_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <sstream>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace bsp_levels {

namespace {

// Writes coordinates and lengths with a fixed number of decimals, trailing
// zeros dropped.
class cNumber_Format {
public:
    explicit cNumber_Format(int decimals) : Decimals(decimals) {}

    std::string operator()(double v) const {
        std::ostringstream s;
        s.setf(std::ios::fixed);
        s.precision(Decimals);
        s << v;
        std::string t = s.str();
        if (t.find('.') != std::string::npos) {
            while (!t.empty() && t.back() == '0') t.pop_back();
            if (!t.empty() && t.back() == '.') t.pop_back();
        }
        if (t == "-0") t = "0";
        return t;
    }

private:
    int Decimals;
};

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // Control characters are not allowed in XML 1.0 text.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
            else out += '?';
        }
    }
    return out;
}

// The extent of the drawing, in level units.
struct cExtent {
    double X0, Y0, X1, Y1;
    void Add(double x, double y) {
        X0 = std::min(X0, x);
        Y0 = std::min(Y0, y);
        X1 = std::max(X1, x);
        Y1 = std::max(Y1, y);
    }
    void Add(const cPoint2D& p) { Add(p.x, p.y); }
};

// Width of a label in level units, for a font of size f (a generous average
// for digits and a minus sign in a sans-serif font).
double Text_Width(const std::string& text, double f) { return 0.62 * f * double(text.size()); }

// The boxes of the labels written so far, so that no two labels overlap.
class cLabel_Space {
public:
    explicit cLabel_Space(double cell) : Cell(cell) {}

    // Takes the box [x0,x1] x [y0,y1] when it meets no box taken before.
    bool Take(double x0, double y0, double x1, double y1) {
        const long long i0 = Index(x0), i1 = Index(x1), j0 = Index(y0), j1 = Index(y1);
        for (long long i = i0; i <= i1; ++i)
            for (long long j = j0; j <= j1; ++j) {
                const auto it = Cells.find({i, j});
                if (it == Cells.end()) continue;
                for (const cBox& b : it->second)
                    if (x0 < b.X1 && b.X0 < x1 && y0 < b.Y1 && b.Y0 < y1) return false;
            }
        for (long long i = i0; i <= i1; ++i)
            for (long long j = j0; j <= j1; ++j) Cells[{i, j}].push_back({x0, y0, x1, y1});
        return true;
    }

private:
    struct cBox {
        double X0, Y0, X1, Y1;
    };
    double Cell;
    std::map<std::pair<long long, long long>, std::vector<cBox>> Cells;

    long long Index(double v) const { return static_cast<long long>(std::floor(v / Cell)); }
};

// The colour of the i-th path or route. The first ones are picked to stand
// apart from one another and from the red of failures and blocked squares,
// the green of clear answers, the orange of portals, the purple of
// waypoints and the grey of rock; after them the hues go round the circle
// by the golden angle, so that no two queries share a colour.
std::string Query_Colour(std::size_t i) {
    static const char* const colours[] = {"#1f63c6", "#00897b", "#c2185b", "#b07800",
                                          "#512da8", "#0097a7", "#795548", "#689f38"};
    const std::size_t n = sizeof colours / sizeof colours[0];
    if (i < n) return colours[i];
    const double hue = std::fmod(double(i - n) * 137.50776405, 360.0);
    std::ostringstream s;
    s.setf(std::ios::fixed);
    s.precision(3);
    s << "hsl(" << hue << ",75%,38%)";
    return s.str();
}

const char* const LAYER_NAMES[] = {"walls", "areas", "portals", "waypoints", "solid"};

bool& Layer(cSvg_Layers& layers, std::size_t i) {
    bool* const flags[] = {&layers.Walls, &layers.Areas, &layers.Portals, &layers.Waypoints, &layers.Solid};
    return *flags[i];
}

// A horizontal or vertical line of the picture, A before B.
struct cLine {
    cPoint2D A, B;
};

// The part of an axis-parallel segment (ends ordered) inside v, if any.
bool Clip_Line(const cPoint2D& a, const cPoint2D& b, const cRect2D& v, cLine& out) {
    if (b.x < v.Min.x || a.x > v.Max.x || b.y < v.Min.y || a.y > v.Max.y) return false;
    out.A = cPoint2D(std::max(a.x, v.Min.x), std::max(a.y, v.Min.y));
    out.B = cPoint2D(std::min(b.x, v.Max.x), std::min(b.y, v.Max.y));
    return true;
}

// The part of r inside v, when it has an inside.
bool Clip_Rect(const cRect2D& r, const cRect2D& v, cRect2D& out) {
    out.Min = cPoint2D(std::max(r.Min.x, v.Min.x), std::max(r.Min.y, v.Min.y));
    out.Max = cPoint2D(std::min(r.Max.x, v.Max.x), std::min(r.Max.y, v.Max.y));
    return out.Min.x < out.Max.x && out.Min.y < out.Max.y;
}

// The directed sides of the union's outline that lie on lines of one
// direction. A piece is a rectangle's side on line Line from From to To,
// with the rectangle on the side of greater coordinate across the line
// (Inside +1) or of smaller (-1). Where exactly one kind covers the line it
// is on the outline; where both do, two rectangles meet.
struct cSide_Piece {
    int Line, From, To, Inside;
};

void Outline_Sides(std::vector<cSide_Piece>& pieces, bool horizontal,
                   std::vector<std::pair<cPoint2D, cPoint2D>>& sides) {
    std::sort(pieces.begin(), pieces.end(), [](const cSide_Piece& a, const cSide_Piece& b) {
        return std::tie(a.Line, a.From) < std::tie(b.Line, b.From);
    });
    auto point = [horizontal](long long along, int line) {
        return horizontal ? cPoint2D(int(along), line) : cPoint2D(line, int(along));
    };
    // The union lies left of every side when y grows upward: a horizontal
    // side with the union above it runs toward greater x, a vertical side
    // with the union on its greater-x side runs toward smaller y.
    auto emit = [&](int line, long long from, long long to, int inside) {
        const bool forward = horizontal ? inside > 0 : inside < 0;
        if (forward) sides.emplace_back(point(from, line), point(to, line));
        else sides.emplace_back(point(to, line), point(from, line));
    };
    std::vector<std::pair<long long, int>> events;  // position, change of coverage (+-1 greater, +-2 smaller)
    for (std::size_t i = 0; i < pieces.size();) {
        std::size_t j = i;
        events.clear();
        for (; j < pieces.size() && pieces[j].Line == pieces[i].Line; ++j) {
            const int kind = pieces[j].Inside > 0 ? 1 : 2;
            events.emplace_back(pieces[j].From, kind);
            events.emplace_back(pieces[j].To, -kind);
        }
        std::sort(events.begin(), events.end());
        int greater = 0, smaller = 0;
        int run_inside = 0;
        long long run_from = 0;
        for (std::size_t k = 0; k < events.size();) {
            const long long at = events[k].first;
            for (; k < events.size() && events[k].first == at; ++k) {
                const int d = events[k].second;
                if (d == 1 || d == -1) greater += d;
                else smaller += d / 2;
            }
            const int inside = (greater > 0) == (smaller > 0) ? 0 : (greater > 0 ? 1 : -1);
            if (inside == run_inside) continue;
            if (run_inside != 0) emit(pieces[i].Line, run_from, at, run_inside);
            run_inside = inside;
            run_from = at;
        }
        i = j;
    }
}

std::uint64_t Key(const cPoint2D& p) {
    return (std::uint64_t(std::uint32_t(p.x)) << 32) | std::uint32_t(p.y);
}

// Appends a path's commands for the loops: a move to the first corner, then
// relative steps along each side, closed.
void Write_Loops(std::ostream& s, const std::vector<std::vector<cPoint2D>>& loops) {
    for (const std::vector<cPoint2D>& loop : loops) {
        s << 'M' << loop[0].x << ' ' << loop[0].y;
        for (std::size_t k = 1; k < loop.size(); ++k) {
            const long long dx = (long long)loop[k].x - loop[k - 1].x, dy = (long long)loop[k].y - loop[k - 1].y;
            if (dx != 0) s << 'h' << dx;
            else s << 'v' << dy;
        }
        s << 'z';
    }
}

// Appends a move and one step along an axis-parallel line.
void Write_Line(std::ostream& s, const cLine& l) {
    s << 'M' << l.A.x << ' ' << l.A.y;
    if (l.A.y == l.B.y && l.A.x != l.B.x) s << 'h' << (long long)l.B.x - l.A.x;
    else s << 'v' << (long long)l.B.y - l.A.y;
}

// A large layer is cut into the tiles of a grid over the drawing, one path
// for each tile: a browser paints a picture in tiles of its own, and each
// of them then goes through the few paths that meet it instead of all the
// layer's lines.
class cTiles {
public:
    cTiles(const cExtent& e, int n) : N(n) {
        X0 = Clamp(std::floor(e.X0));
        Y0 = Clamp(std::floor(e.Y0));
        W = std::max(1LL, (Clamp(std::ceil(e.X1)) - X0 + n - 1) / n);
        H = std::max(1LL, (Clamp(std::ceil(e.Y1)) - Y0 + n - 1) / n);
        Paths.resize(std::size_t(n) * std::size_t(n));
    }

    int Count() const { return N * N; }
    // The path of the tile holding p (the outer tiles hold what lies beyond).
    std::ostringstream& Of(const cPoint2D& p) {
        return Paths[std::size_t(Index(p.y - Y0, H) * N + Index(p.x - X0, W))];
    }
    std::ostringstream& At(int i) { return Paths[std::size_t(i)]; }
    // Tile i, reaching `over` units into the tiles after it, so that fills
    // cut at a tile's edge overlap and leave no seam.
    cRect2D Rect(int i, int over) const {
        const long long x = X0 + (i % N) * W, y = Y0 + (i / N) * H;
        return cRect2D(cPoint2D(Int(x), Int(y)), cPoint2D(Int(x + W + over), Int(y + H + over)));
    }
    // Writes each tile's path with the given class.
    void Write(std::ostream& s, const char* cls) const {
        for (const std::ostringstream& p : Paths) {
            const std::string d = p.str();
            if (!d.empty()) s << "<path class=\"" << cls << "\" d=\"" << d << "\"/>\n";
        }
    }

private:
    int N;
    long long X0, Y0, W, H;
    std::vector<std::ostringstream> Paths;

    static constexpr long long LOW = std::numeric_limits<int>::min(), HIGH = std::numeric_limits<int>::max();
    static long long Clamp(double v) { return (long long)std::max<double>(LOW, std::min<double>(HIGH, v)); }
    static int Int(long long v) { return int(std::max(LOW, std::min(HIGH, v))); }
    long long Index(long long offset, long long size) const {
        return std::max(0LL, std::min<long long>(N - 1, offset < 0 ? 0 : offset / size));
    }
};

}  // namespace

bool Parse_Svg_Layers(const std::string& text, cSvg_Layers& layers, std::string& error) {
    cSvg_Layers chosen;
    const std::size_t n = sizeof LAYER_NAMES / sizeof LAYER_NAMES[0];
    for (std::size_t i = 0; i < n; ++i) Layer(chosen, i) = false;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        const std::string name = text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        std::size_t i = 0;
        while (i < n && name != LAYER_NAMES[i]) ++i;
        if (name.empty()) {
            error = "an empty layer name in '" + text + "'";
            return false;
        }
        if (i == n) {
            error = "unknown layer '" + name + "' (the layers are walls, areas, portals, waypoints, solid)";
            return false;
        }
        if (Layer(chosen, i)) {
            error = "layer '" + name + "' named twice";
            return false;
        }
        Layer(chosen, i) = true;
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    layers = chosen;
    return true;
}

std::string Svg_Layer_Names(const cSvg_Layers& layers) {
    cSvg_Layers l = layers;
    std::string names;
    for (std::size_t i = 0; i < sizeof LAYER_NAMES / sizeof LAYER_NAMES[0]; ++i)
        if (Layer(l, i)) names += (names.empty() ? "" : ",") + std::string(LAYER_NAMES[i]);
    return names;
}

bool Is_Solid_Area(const cSquarePortal& area) { return area.Solid; }

std::vector<std::vector<cPoint2D>> Union_Outline(const std::vector<cRect2D>& rects) {
    std::vector<cSide_Piece> horizontal, vertical;
    for (const cRect2D& r : rects) {
        if (r.Min.x >= r.Max.x || r.Min.y >= r.Max.y) continue;
        horizontal.push_back({r.Min.y, r.Min.x, r.Max.x, 1});
        horizontal.push_back({r.Max.y, r.Min.x, r.Max.x, -1});
        vertical.push_back({r.Min.x, r.Min.y, r.Max.y, 1});
        vertical.push_back({r.Max.x, r.Min.y, r.Max.y, -1});
    }
    std::vector<std::pair<cPoint2D, cPoint2D>> sides;
    Outline_Sides(horizontal, true, sides);
    Outline_Sides(vertical, false, sides);

    // Every corner has as many sides leaving it as reaching it: following
    // sides from corner to corner closes loops. Where two loops touch at a
    // corner either way on is right; the winding number stays the same.
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> leaving;
    leaving.reserve(sides.size());
    for (std::size_t i = sides.size(); i-- > 0;) leaving[Key(sides[i].first)].push_back(i);
    std::vector<char> used(sides.size(), 0);
    std::vector<std::vector<cPoint2D>> loops;
    for (std::size_t i = 0; i < sides.size(); ++i) {
        if (used[i]) continue;
        used[i] = 1;
        std::vector<cPoint2D> loop{sides[i].first};
        cPoint2D at = sides[i].second;
        while (!(at == loop[0])) {
            loop.push_back(at);
            std::vector<std::size_t>& next = leaving[Key(at)];
            while (!next.empty() && used[next.back()]) next.pop_back();
            if (next.empty()) break;  // cannot happen for rectangles with disjoint interiors
            const std::size_t k = next.back();
            next.pop_back();
            used[k] = 1;
            at = sides[k].second;
        }
        loops.push_back(std::move(loop));
    }
    return loops;
}

void Write_Svg(std::ostream& out, const cGame_World& world, const cRect2D& bounds, const std::string& caption,
               const cSvg_Queries& queries, const cSvg_Options& options) {
    const std::vector<cHV_Wall>& level_walls = world.Get_Level_Walls();

    // The part drawn: the view, or the world with every query.
    cRect2D view;
    cExtent e{double(bounds.Min.x), double(bounds.Min.y), double(bounds.Max.x), double(bounds.Max.y)};
    if (options.Has_View) {
        view.Min = cPoint2D(std::min(options.View.Min.x, options.View.Max.x),
                            std::min(options.View.Min.y, options.View.Max.y));
        view.Max = cPoint2D(std::max(options.View.Min.x, options.View.Max.x),
                            std::max(options.View.Min.y, options.View.Max.y));
        e = cExtent{double(view.Min.x), double(view.Min.y), double(view.Max.x), double(view.Max.y)};
    } else {
        for (const cHV_Wall& w : level_walls) {
            e.Add(w.p0);
            e.Add(w.p1);
        }
        for (const cSvg_Path& p : queries.Paths) {
            e.Add(p.Start);
            e.Add(p.Goal);
            for (const cPoint2D& q : p.Points) e.Add(q);
        }
        for (const cSvg_Route& r : queries.Routes) {
            const double h = r.Half_Size;
            e.Add(r.Start.x - h, r.Start.y - h);
            e.Add(r.Start.x + h, r.Start.y + h);
            e.Add(r.Goal.x - h, r.Goal.y - h);
            e.Add(r.Goal.x + h, r.Goal.y + h);
            for (const cPoint2D& q : r.Points) e.Add(q);
        }
        for (const cSvg_Nearest& n : queries.Nearest) {
            const double h = n.Half_Size;
            e.Add(n.Point);
            if (n.Status == ROUTE_FOUND) {
                e.Add(n.Place.x - h, n.Place.y - h);
                e.Add(n.Place.x + h, n.Place.y + h);
            }
        }
        for (const cSvg_Segment& s : queries.Segments) {
            e.Add(s.A);
            e.Add(s.B);
        }
        for (const cSvg_Ball& b : queries.Balls) {
            const double r = b.Radius < 0 ? -double(b.Radius) : double(b.Radius);
            e.Add(b.Centre.x - r, b.Centre.y - r);
            e.Add(b.Centre.x + r, b.Centre.y + r);
        }
        // Nothing is left out.
        view.Min = cPoint2D(std::numeric_limits<int>::min(), std::numeric_limits<int>::min());
        view.Max = cPoint2D(std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
    }
    const double span = std::max({e.X1 - e.X0, e.Y1 - e.Y0, 1.0});

    // The level's parts in the view, cut at its edges.
    std::vector<cLine> walls;
    for (const cHV_Wall& w : level_walls) {
        cLine l;
        if (Clip_Line(w.p0, w.p1, view, l)) walls.push_back(l);
    }
    struct cArea_In_View {
        const cSquarePortal* Area;
        cRect2D Rect;  // the part in view
        bool Solid;
    };
    std::vector<cArea_In_View> areas;
    int n_solid = 0;
    for (const cSquarePortal* a : world.Areas) {
        cRect2D r;
        if (!Clip_Rect(a->Bounds, view, r)) continue;
        areas.push_back({a, r, Is_Solid_Area(*a)});
        n_solid += areas.back().Solid ? 1 : 0;
    }
    const bool large = int(areas.size()) > SVG_LARGE_DRAWING || int(walls.size()) > SVG_LARGE_DRAWING;
    cSvg_Layers layers = options.Layers;
    if (!options.Has_Layers) {
        layers = cSvg_Layers();
        if (large) layers.Areas = layers.Portals = layers.Waypoints = false;
    }
    // Inside rock there is nothing to walk: its areas, portals and waypoints
    // are not drawn over it.
    const bool rock = layers.Solid && n_solid > 0;
    auto hidden = [&](const cSquarePortal* a) { return a == nullptr || (rock && Is_Solid_Area(*a)); };

    // The longest side is drawn on `pixels` picture pixels; every stroke and
    // font is given in pixels and turned into level units with u, so that a
    // picture looks alike whatever the size of the part drawn.
    const double pixels = walls.size() <= 500 ? 900 : 1800;
    const double u = span / pixels;
    // Two significant digits for the thinnest stroke, whatever the level's scale.
    const cNumber_Format Num(std::max(2, int(std::ceil(-std::log10(u))) + 2));
    // Lines must leave the narrow ways of the level open: the wall and query
    // strokes stay below fractions of a typical narrow free area's width
    // (the first quartile of the free areas' shorter sides).
    std::vector<int> narrow;
    for (const cArea_In_View& a : areas)
        if (!a.Solid) {
            const cRect2D& r = a.Area->Bounds;
            narrow.push_back(std::min(r.Max.x - r.Min.x, r.Max.y - r.Min.y));
        }
    double way = 0;
    if (!narrow.empty()) {
        std::nth_element(narrow.begin(), narrow.begin() + narrow.size() / 4, narrow.end());
        way = narrow[narrow.size() / 4];
    }
    // Never below half a pixel, though: a way narrower than a pixel is not
    // seen whatever its walls.
    auto fit = [&](double width, double share) {
        return way > 0 ? std::min(width, std::max(share * way, 0.5 * u)) : width;
    };
    // A large picture is shown shrunk, often to half its size: the text
    // around the world and the queries' lines are drawn larger to stay
    // readable there. Ids keep their size, to fit in as many areas as they can.
    const double big = pixels > 900 ? 1.6 : 1.0;
    const double area_font = 12 * u, portal_font = 10 * u, caption_font = 14 * u * big;
    const double wall_width = fit((walls.size() <= 500 ? 3.0 : 1.6) * u, 0.25);
    const double path_width = fit(2.5 * u * big, 0.4), route_width = fit(2.2 * u * big, 0.4);
    const double dot = fit(3.2 * u, 0.3), end_dot = fit(4.5 * u, 0.4), start_dot = fit(4 * u, 0.4);
    const double side = 0.03 * span + 8 * u;
    const std::size_t n_queries = queries.Paths.size() + queries.Routes.size() + queries.Nearest.size();
    // Below the legend, one line for each path and route.
    const double line = 1.4 * caption_font;
    const double top = side + 2.2 * caption_font, bottom = side + 2.2 * caption_font + double(n_queries) * line;
    const double vx = e.X0 - side, vy = e.Y0 - top;
    const double vw = (e.X1 - e.X0) + 2 * side, vh = (e.Y1 - e.Y0) + top + bottom;

    std::ostringstream s;
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << Num(vw / u) << "\" height=\""
      << Num(vh / u) << "\" viewBox=\"" << Num(vx) << ' ' << Num(vy) << ' ' << Num(vw) << ' ' << Num(vh) << "\">\n";
    s << "<title>" << Escape(caption) << "</title>\n";
    if (large && !options.Has_Layers)
        s << "<!-- A large drawing (" << areas.size() << " areas, " << walls.size()
          << " walls in view): areas, portals and waypoints are left out by default. Name the layers to draw "
             "them: layers walls,areas,portals,waypoints,solid -->\n";
    const std::string halo = "paint-order:stroke;stroke:#ffffff;stroke-width:" + Num(2.5 * u) +
                             ";stroke-linejoin:round;font-family:sans-serif";
    s << "<style>\n"
      << ".bounds{fill:#fbfbf8;stroke:#b0b0b0;stroke-width:" << Num(1 * u) << "}\n"
      << (rock ? ".rock{fill:#a59d91;stroke:none}\n" : "")
      << ".area,.areas{fill:none;stroke:#9ecae1;stroke-width:" << Num(fit(0.8 * u, 0.1)) << "}\n"
      << ".area-id{fill:#3b7fb6;text-anchor:middle;font-size:" << Num(area_font) << "px;" << halo << "}\n"
      << ".portal,.portals{fill:none;stroke:#f28e2b;stroke-width:" << Num(fit(2.2 * u, 0.3)) << "}\n"
      << ".portal-id{fill:#b8500a;text-anchor:middle;font-size:" << Num(portal_font) << "px;" << halo << "}\n"
      << ".waypoint{fill:#8e44ad}\n"
      << ".waypoints{fill:none;stroke:#8e44ad;stroke-linecap:round;stroke-width:" << Num(fit(4.4 * u, 0.6)) << "}\n"
      << ".wall,.walls{fill:none;stroke:#1c1c1c;stroke-width:" << Num(wall_width) << ";stroke-linecap:square}\n"
      << ".door{fill:none;stroke:#b5651d;stroke-width:" << Num(wall_width * 1.6) << ";stroke-linecap:butt}\n"
      << ".door-open{fill:none;stroke:#b5651d;stroke-width:" << Num(wall_width) << ";stroke-linecap:butt;"
      << "stroke-dasharray:" << Num(wall_width * 2) << "}\n"
      << ".path{fill:none;stroke:#1f63c6;stroke-width:" << Num(path_width) << ";stroke-linejoin:round}\n"
      << ".path-none{fill:none;stroke:#d62728;stroke-width:" << Num(fit(1.5 * u, 0.3)) << ";stroke-dasharray:"
      << Num(4 * u) << "}\n"
      << ".path-point{fill:#1f63c6}\n"
      << ".path-start{fill:#ffffff;stroke:#1f63c6;stroke-width:" << Num(fit(2 * u, 0.15)) << "}\n"
      << ".route{fill:none;stroke-width:" << Num(route_width) << ";stroke-linejoin:round}\n"
      << ".route-none{fill:none;stroke:#d62728;stroke-width:" << Num(fit(1.5 * u, 0.3)) << ";stroke-dasharray:"
      << Num(4 * u) << "}\n"
      << ".route-start{fill:#ffffff;stroke-width:" << Num(fit(2 * u, 0.15)) << "}\n"
      << ".route-partial{fill:none;stroke-width:" << Num(route_width) << ";stroke-linejoin:round;stroke-dasharray:"
      << Num(3 * route_width) << ' ' << Num(1.6 * route_width) << "}\n"
      << ".route-gap{fill:none;stroke:#d62728;stroke-width:" << Num(fit(1.2 * u, 0.25)) << ";stroke-dasharray:"
      << Num(1.5 * u) << ' ' << Num(2.5 * u) << "}\n"
      << ".unreached{fill:none;stroke:#d62728;stroke-width:" << Num(fit(2 * u * big, 0.3)) << ";stroke-linecap:round}\n"
      << ".nearest-asked{fill:#ffffff;stroke-width:" << Num(fit(1.5 * u, 0.15)) << "}\n"
      << ".nearest-move{fill:none;stroke-width:" << Num(fit(1.2 * u, 0.2)) << ";stroke-dasharray:" << Num(2 * u)
      << ' ' << Num(1.5 * u) << "}\n"
      << ".agent{fill-opacity:0.12;stroke-width:" << Num(1 * u) << "}\n"
      << ".agent-blocked{fill:#d62728;fill-opacity:0.2;stroke:#d62728;stroke-width:" << Num(1.2 * u) << "}\n"
      << ".segment{stroke:#6b6b6b;stroke-width:" << Num(1.5 * u) << ";stroke-dasharray:" << Num(4 * u) << "}\n"
      << ".segment-clear{stroke:#2ca02c;stroke-width:" << Num(2 * u) << "}\n"
      << ".segment-run{stroke:#d62728;stroke-width:" << Num(2 * u) << "}\n"
      << ".hit{fill:#d62728;stroke:#ffffff;stroke-width:" << Num(1 * u) << "}\n"
      << ".ball-clear{fill:#2ca02c;fill-opacity:0.25;stroke:#2ca02c;stroke-width:" << Num(1.5 * u) << "}\n"
      << ".ball-touch{fill:#d62728;fill-opacity:0.25;stroke:#d62728;stroke-width:" << Num(1.5 * u) << "}\n"
      << ".caption{fill:#222222;font-size:" << Num(caption_font) << "px;font-family:sans-serif}\n"
      << ".path-label,.route-label,.nearest-label{font-size:" << Num(caption_font) << "px;font-family:sans-serif}\n"
      << ".swatch{stroke-width:" << Num(3 * u * big) << "}\n"
      << "</style>\n";
    if (options.Has_View) {
        s << "<clipPath id=\"view\"><rect x=\"" << view.Min.x << "\" y=\"" << view.Min.y << "\" width=\""
          << (long long)view.Max.x - view.Min.x << "\" height=\"" << (long long)view.Max.y - view.Min.y
          << "\"/></clipPath>\n<g clip-path=\"url(#view)\">\n";
    }

    // The world rectangle, free space.
    cRect2D world_part;
    if (Clip_Rect(bounds, view, world_part))
        s << "<rect class=\"bounds\" x=\"" << world_part.Min.x << "\" y=\"" << world_part.Min.y << "\" width=\""
          << (long long)world_part.Max.x - world_part.Min.x << "\" height=\""
          << (long long)world_part.Max.y - world_part.Min.y << "\"/>\n";

    // Solid rock: the solid areas merged into as few shapes as their union has.
    // A large drawing of one tile would be one path: the cut costs nothing.
    const int n_tiles = large ? 8 : 1;
    if (rock) {
        cTiles tiles(e, n_tiles);
        std::vector<std::vector<cRect2D>> solid(std::size_t(tiles.Count()));
        const int over = int(std::ceil(u));
        for (const cArea_In_View& a : areas)
            if (a.Solid)
                for (int t = 0; t < tiles.Count(); ++t) {
                    cRect2D r;
                    if (Clip_Rect(a.Rect, tiles.Rect(t, over), r)) solid[std::size_t(t)].push_back(r);
                }
        for (int t = 0; t < tiles.Count(); ++t) Write_Loops(tiles.At(t), Union_Outline(solid[std::size_t(t)]));
        tiles.Write(s, "rock");
    }

    cLabel_Space labels(4 * area_font);
    // Areas, then the ids that fit inside them.
    if (layers.Areas) {
        s << "<g id=\"areas\">\n";
        if (large) {
            cTiles tiles(e, n_tiles);
            for (const cArea_In_View& a : areas)
                if (!hidden(a.Area))
                    Write_Loops(tiles.Of(a.Rect.Min), {{a.Rect.Min, cPoint2D(a.Rect.Max.x, a.Rect.Min.y), a.Rect.Max,
                                                        cPoint2D(a.Rect.Min.x, a.Rect.Max.y)}});
            tiles.Write(s, "areas");
        } else {
            // An area's sides lie under walls and portals: its outline is
            // drawn a little inside, where there is room.
            const double inset = 1.5 * u;
            for (const cArea_In_View& a : areas) {
                if (hidden(a.Area)) continue;
                const cRect2D& r = a.Rect;
                const double w = double(r.Max.x) - r.Min.x, h = double(r.Max.y) - r.Min.y;
                const double d = w > 4 * inset && h > 4 * inset ? inset : 0;
                s << "<rect class=\"area\" x=\"" << Num(r.Min.x + d) << "\" y=\"" << Num(r.Min.y + d)
                  << "\" width=\"" << Num(w - 2 * d) << "\" height=\"" << Num(h - 2 * d) << "\"/>\n";
            }
        }
        for (const cArea_In_View& a : areas) {
            if (hidden(a.Area)) continue;
            const cRect2D& r = a.Rect;
            const std::string id = std::to_string(a.Area->Id);
            const double w = double(r.Max.x) - r.Min.x, h = double(r.Max.y) - r.Min.y;
            const double tw = Text_Width(id, area_font), cx = r.Min.x + w / 2, cy = r.Min.y + h / 2;
            if (w < tw + area_font || h < 1.6 * area_font) continue;
            if (!labels.Take(cx - tw / 2, cy - 0.5 * area_font, cx + tw / 2, cy + 0.5 * area_font)) continue;
            s << "<text class=\"area-id\" x=\"" << Num(cx) << "\" y=\"" << Num(cy + 0.35 * area_font) << "\">" << id
              << "</text>\n";
        }
        s << "</g>\n";
    }

    // Portals and waypoints.
    std::vector<std::pair<const cPortal*, cLine>> portals;
    if (layers.Portals)
        for (const cPortal* p : world.Portals) {
            cLine l;
            if (!hidden(p->Area1) && !hidden(p->Area2) && Clip_Line(p->Segment.p0, p->Segment.p1, view, l))
                portals.emplace_back(p, l);
        }
    if (layers.Portals) {
        s << "<g id=\"portals\">\n";
        if (large) {
            cTiles tiles(e, n_tiles);
            for (const auto& p : portals) Write_Line(tiles.Of(p.second.A), p.second);
            tiles.Write(s, "portals");
        } else {
            for (const auto& p : portals)
                s << "<line class=\"portal\" x1=\"" << p.second.A.x << "\" y1=\"" << p.second.A.y << "\" x2=\""
                  << p.second.B.x << "\" y2=\"" << p.second.B.y << "\"/>\n";
        }
        s << "</g>\n";
    }
    if (layers.Waypoints) {
        s << "<g id=\"waypoints\">\n";
        cTiles tiles(e, n_tiles);
        for (const cArea_In_View& a : areas) {
            if (hidden(a.Area)) continue;
            for (const cAligned_WayPoint* w : a.Area->WayPoints) {
                if (!view.In(w->Position)) continue;
                if (large)
                    tiles.Of(w->Position) << 'M' << w->Position.x << ' ' << w->Position.y << "h0";
                else
                    s << "<circle class=\"waypoint\" cx=\"" << w->Position.x << "\" cy=\"" << w->Position.y
                      << "\" r=\"" << Num(fit(2.2 * u, 0.3)) << "\"/>\n";
            }
        }
        tiles.Write(s, "waypoints");
        s << "</g>\n";
    }

    // Walls, over the areas' outlines.
    if (layers.Walls) {
        s << "<g id=\"walls\">\n";
        if (large) {
            cTiles tiles(e, n_tiles);
            for (const cLine& w : walls) Write_Line(tiles.Of(w.A), w);
            tiles.Write(s, "walls");
        } else {
            for (const cLine& w : walls)
                s << "<line class=\"wall\" x1=\"" << w.A.x << "\" y1=\"" << w.A.y << "\" x2=\"" << w.B.x
                  << "\" y2=\"" << w.B.y << "\"/>\n";
        }
        s << "</g>\n";
    }

    // Doors over the walls: closed ones drawn full, open ones dashed, each
    // with its number and state as its title.
    const std::vector<cHV_Wall>& level_doors = world.Get_Level_Doors();
    int n_doors_drawn = 0, n_open_drawn = 0;
    if (layers.Walls && !level_doors.empty()) {
        s << "<g id=\"doors\">\n";
        for (std::size_t d = 0; d < level_doors.size(); ++d) {
            cLine l;
            if (!Clip_Line(level_doors[d].p0, level_doors[d].p1, view, l)) continue;
            const bool open = world.Is_Door_Open(int(d));
            ++n_doors_drawn;
            n_open_drawn += open ? 1 : 0;
            s << "<line class=\"" << (open ? "door-open" : "door") << "\" x1=\"" << l.A.x << "\" y1=\"" << l.A.y
              << "\" x2=\"" << l.B.x << "\" y2=\"" << l.B.y << "\"><title>door " << d << (open ? " (open)" : " (closed)")
              << "</title></line>\n";
        }
        s << "</g>\n";
    }

    // Portal ids beside their portals, a quarter of the way from their first
    // end (paths run through the portals' middles): above a horizontal
    // portal, right of a vertical one.
    if (layers.Portals) {
        s << "<g id=\"portal-ids\">\n";
        for (const auto& pl : portals) {
            const cPortal* p = pl.first;
            const cLine& g = pl.second;
            const bool horizontal = p->Segment.Horizontal;
            const std::string id = std::to_string(p->Id);
            const double length = double(g.B.x) - g.A.x + (double(g.B.y) - g.A.y);
            const double tw = Text_Width(id, portal_font), f = portal_font;
            // The area on the label's side must hold it too.
            double room = 0;
            for (const cSquarePortal* a : {p->Area1, p->Area2}) {
                if (a == nullptr) continue;
                const cRect2D& r = a->Bounds;
                if (horizontal && r.Max.y == g.A.y) room = std::max(room, double(r.Max.y) - r.Min.y);
                if (!horizontal && r.Min.x == g.A.x) room = std::max(room, double(r.Max.x) - r.Min.x);
            }
            const double mx = (3.0 * g.A.x + g.B.x) / 4, my = (3.0 * g.A.y + g.B.y) / 4;
            if (horizontal) {
                if (length / 2 < tw + f || room < 1.6 * f) continue;
                if (!labels.Take(mx - tw / 2, my - 1.3 * f, mx + tw / 2, my - 0.2 * f)) continue;
                s << "<text class=\"portal-id\" x=\"" << Num(mx) << "\" y=\"" << Num(my - 0.4 * f) << "\">";
            } else {
                if (length / 2 < 2 * f || room < tw + f) continue;
                if (!labels.Take(mx + 0.3 * f, my - 0.55 * f, mx + 0.5 * f + tw, my + 0.55 * f)) continue;
                s << "<text class=\"portal-id\" style=\"text-anchor:start\" x=\"" << Num(mx + 0.4 * f) << "\" y=\""
                  << Num(my + 0.35 * f) << "\">";
            }
            s << id << "</text>\n";
        }
        s << "</g>\n";
    }

    // The queries. A line with many corners gets no dot at each of them:
    // they would hide it.
    const std::size_t many = 300;
    s << "<g id=\"queries\">\n";
    for (const cSvg_Ball& b : queries.Balls) {
        s << "<circle class=\"" << (b.Touch ? "ball-touch" : "ball-clear") << "\" cx=\"" << b.Centre.x << "\" cy=\""
          << b.Centre.y << "\" r=\"" << (b.Radius < 0 ? -double(b.Radius) : double(b.Radius)) << "\"/>\n";
        s << "<circle class=\"" << (b.Touch ? "ball-touch" : "ball-clear") << "\" cx=\"" << b.Centre.x
          << "\" cy=\"" << b.Centre.y << "\" r=\"" << Num(1.5 * u) << "\"/>\n";
    }
    for (const cSvg_Segment& g : queries.Segments) {
        s << "<line class=\"segment\" x1=\"" << g.A.x << "\" y1=\"" << g.A.y << "\" x2=\"" << g.B.x << "\" y2=\""
          << g.B.y << "\"/>\n";
        const cPoint2D end = g.Hit ? g.Hit_Point : g.B;
        s << "<line class=\"" << (g.Hit ? "segment-run" : "segment-clear") << "\" x1=\"" << g.A.x << "\" y1=\""
          << g.A.y << "\" x2=\"" << end.x << "\" y2=\"" << end.y << "\"/>\n";
        if (g.Hit)
            s << "<circle class=\"hit\" cx=\"" << g.Hit_Point.x << "\" cy=\"" << g.Hit_Point.y << "\" r=\""
              << Num(4 * u) << "\"/>\n";
    }
    // Paths take the first colours, routes the next ones.
    std::vector<std::string> labels_text;
    for (std::size_t i = 0; i < queries.Paths.size(); ++i) {
        const cSvg_Path& p = queries.Paths[i];
        const std::string colour = Query_Colour(i);
        std::string label = (p.Found ? "path from " : "no path from ") +
                            ("(" + std::to_string(p.Start.x) + "," + std::to_string(p.Start.y) + ") to (") +
                            std::to_string(p.Goal.x) + "," + std::to_string(p.Goal.y) + ")";
        if (p.Found) {
            double length = 0;
            cPoint2D at = p.Start;
            for (const cPoint2D& q : p.Points) {
                length += std::hypot(double(q.x) - at.x, double(q.y) - at.y);
                at = q;
            }
            label += ": " + std::to_string(p.Points.size()) + (p.Points.size() == 1 ? " point" : " points") +
                     ", length " + cNumber_Format(2)(length);
        }
        labels_text.push_back(label);
        s << "<g class=\"path-query\">\n<title>" << Escape(label) << "</title>\n";
        if (p.Found) {
            s << "<polyline class=\"path\" style=\"stroke:" << colour << "\" points=\"" << p.Start.x << ','
              << p.Start.y;
            for (const cPoint2D& q : p.Points) s << ' ' << q.x << ',' << q.y;
            s << "\"/>\n";
            for (std::size_t k = 0; k < p.Points.size(); ++k) {
                const bool goal = k + 1 == p.Points.size();  // the goal, last, a little larger
                if (!goal && p.Points.size() > many) continue;
                s << "<circle class=\"path-point\" style=\"fill:" << colour << "\" cx=\"" << p.Points[k].x
                  << "\" cy=\"" << p.Points[k].y << "\" r=\"" << Num(goal ? end_dot : dot) << "\"/>\n";
            }
        } else {
            s << "<line class=\"path-none\" style=\"stroke:" << colour << "\" x1=\"" << p.Start.x << "\" y1=\""
              << p.Start.y << "\" x2=\"" << p.Goal.x << "\" y2=\"" << p.Goal.y << "\"/>\n";
        }
        s << "<circle class=\"path-start\" style=\"stroke:" << colour << "\" cx=\"" << p.Start.x << "\" cy=\""
          << p.Start.y << "\" r=\"" << Num(start_dot) << "\"/>\n</g>\n";
    }
    for (std::size_t i = 0; i < queries.Routes.size(); ++i) {
        const cSvg_Route& r = queries.Routes[i];
        const std::string colour = Query_Colour(queries.Paths.size() + i);
        const bool partial = r.Status == ROUTE_PARTIAL;
        const bool found = r.Status == ROUTE_FOUND || partial;
        const double h = r.Half_Size;
        labels_text.push_back(r.Label);
        s << "<g class=\"route-query\">\n<title>" << Escape(r.Label) << "</title>\n";
        // The agent's square where the route starts, bends and ends; where
        // there is no route, at both ends, in red at an end that is blocked.
        std::vector<std::pair<cPoint2D, bool>> squares;  // centre, blocked
        if (found) {
            squares.emplace_back(r.Start, false);
            if (r.Points.size() <= many)
                for (const cPoint2D& q : r.Points) squares.emplace_back(q, false);
            else
                squares.emplace_back(r.Points.back(), false);
        } else if (r.Status != ROUTE_OUTSIDE) {
            squares.emplace_back(r.Start, r.Status == ROUTE_START_BLOCKED);
            squares.emplace_back(r.Goal, r.Status == ROUTE_GOAL_BLOCKED);
        }
        if (h > 0)
            for (const auto& q : squares) {
                s << "<rect class=\"" << (q.second ? "agent-blocked" : "agent") << '"';
                if (!q.second) s << " style=\"fill:" << colour << ";stroke:" << colour << '"';
                s << " x=\"" << Num(q.first.x - h) << "\" y=\"" << Num(q.first.y - h) << "\" width=\"" << Num(2 * h)
                  << "\" height=\"" << Num(2 * h) << "\"/>\n";
            }
        if (partial) {
            // The goal not reached: crossed out in red, a dotted red line to
            // it from where the route stops.
            const cPoint2D end = r.Points.empty() ? r.Start : r.Points.back();
            const double x = std::max(end_dot * 1.4, std::min(h, 6 * end_dot));
            s << "<line class=\"route-gap\" x1=\"" << end.x << "\" y1=\"" << end.y << "\" x2=\"" << r.Goal.x
              << "\" y2=\"" << r.Goal.y << "\"/>\n";
            s << "<path class=\"unreached\" d=\"M" << Num(r.Goal.x - x) << ',' << Num(r.Goal.y - x) << 'L'
              << Num(r.Goal.x + x) << ',' << Num(r.Goal.y + x) << 'M' << Num(r.Goal.x - x) << ','
              << Num(r.Goal.y + x) << 'L' << Num(r.Goal.x + x) << ',' << Num(r.Goal.y - x) << "\"/>\n";
        }
        if (found) {
            s << "<polyline class=\"" << (partial ? "route-partial" : "route") << "\" style=\"stroke:" << colour
              << "\" points=\"" << r.Start.x << ',' << r.Start.y;
            for (const cPoint2D& q : r.Points) s << ' ' << q.x << ',' << q.y;
            s << "\"/>\n";
            // Corner dots small enough to leave the squares' outlines in view.
            const double corner = h > 0 ? std::max(std::min(1.0 * u, dot), std::min(dot, 0.4 * h)) : dot;
            for (std::size_t k = 0; k < r.Points.size(); ++k) {
                const bool goal = k + 1 == r.Points.size();
                if (!goal && r.Points.size() > many) continue;
                s << "<circle class=\"route-point\" style=\"fill:" << colour << "\" cx=\"" << r.Points[k].x
                  << "\" cy=\"" << r.Points[k].y << "\" r=\"" << Num(goal ? 1.4 * corner : corner) << "\"/>\n";
            }
        } else {
            s << "<line class=\"route-none\" style=\"stroke:" << colour << "\" x1=\"" << r.Start.x << "\" y1=\""
              << r.Start.y << "\" x2=\"" << r.Goal.x << "\" y2=\"" << r.Goal.y << "\"/>\n";
        }
        const double start_r = h > 0 ? std::max(std::min(1.5 * u, start_dot), std::min(start_dot, 0.6 * h)) : start_dot;
        s << "<circle class=\"route-start\" style=\"stroke:" << colour << "\" cx=\"" << r.Start.x << "\" cy=\""
          << r.Start.y << "\" r=\"" << Num(start_r) << "\"/>\n</g>\n";
    }
    // The nearest places: the point asked hollow, a dashed line to the place,
    // the agent's square there and a dot at its centre; a red cross where
    // there is none.
    for (std::size_t i = 0; i < queries.Nearest.size(); ++i) {
        const cSvg_Nearest& n = queries.Nearest[i];
        const std::string colour = Query_Colour(queries.Paths.size() + queries.Routes.size() + i);
        const double h = n.Half_Size;
        labels_text.push_back(n.Label);
        s << "<g class=\"nearest-query\">\n<title>" << Escape(n.Label) << "</title>\n";
        if (n.Status == ROUTE_FOUND) {
            if (h > 0)
                s << "<rect class=\"agent\" style=\"fill:" << colour << ";stroke:" << colour << "\" x=\""
                  << Num(n.Place.x - h) << "\" y=\"" << Num(n.Place.y - h) << "\" width=\"" << Num(2 * h)
                  << "\" height=\"" << Num(2 * h) << "\"/>\n";
            if (!(n.Place == n.Point))
                s << "<line class=\"nearest-move\" style=\"stroke:" << colour << "\" x1=\"" << n.Point.x
                  << "\" y1=\"" << n.Point.y << "\" x2=\"" << n.Place.x << "\" y2=\"" << n.Place.y << "\"/>\n";
            s << "<circle class=\"nearest-place\" style=\"fill:" << colour << "\" cx=\"" << n.Place.x << "\" cy=\""
              << n.Place.y << "\" r=\"" << Num(end_dot) << "\"/>\n";
        } else {
            const double x = 1.4 * end_dot;
            s << "<path class=\"unreached\" d=\"M" << Num(n.Point.x - x) << ',' << Num(n.Point.y - x) << 'L'
              << Num(n.Point.x + x) << ',' << Num(n.Point.y + x) << 'M' << Num(n.Point.x - x) << ','
              << Num(n.Point.y + x) << 'L' << Num(n.Point.x + x) << ',' << Num(n.Point.y - x) << "\"/>\n";
        }
        s << "<circle class=\"nearest-asked\" style=\"stroke:" << colour << "\" cx=\"" << n.Point.x << "\" cy=\""
          << n.Point.y << "\" r=\"" << Num(start_dot) << "\"/>\n</g>\n";
    }
    s << "</g>\n";
    if (options.Has_View) s << "</g>\n";

    // Caption above the drawing, legend below it: what the drawing shows,
    // then a line for each path and route in its colour.
    std::string shown = caption;
    if (options.Has_View)
        shown += ", view (" + std::to_string(view.Min.x) + "," + std::to_string(view.Min.y) + ")-(" +
                 std::to_string(view.Max.x) + "," + std::to_string(view.Max.y) + ")";
    s << "<text class=\"caption\" x=\"" << Num(e.X0) << "\" y=\"" << Num(e.Y0 - side * 0.5 - 0.6 * caption_font)
      << "\">" << Escape(shown) << "</text>\n";
    const double legend_y = e.Y1 + side * 0.5 + 1.3 * caption_font;
    s << "<text class=\"caption\" x=\"" << Num(e.X0) << "\" y=\"" << Num(legend_y) << "\">";
    std::vector<std::pair<std::string, std::string>> legend;  // colour, name
    if (layers.Walls) legend.emplace_back("#1c1c1c", "walls");
    if (n_doors_drawn > n_open_drawn) legend.emplace_back("#b5651d", "closed doors");
    if (n_open_drawn > 0) legend.emplace_back("#b5651d", "open doors (dashed)");
    if (rock)
        legend.emplace_back("#8a8174",
                            "solid rock (" + std::to_string(n_solid) + (n_solid == 1 ? " area)" : " areas)"));
    if (layers.Areas) legend.emplace_back("#3b7fb6", "areas (id)");
    if (layers.Portals) legend.emplace_back("#d9731c", "portals (id)");
    if (layers.Waypoints) legend.emplace_back("#8e44ad", "waypoints");
    if (!queries.Segments.empty() || !queries.Balls.empty()) {
        legend.emplace_back("#d62728", "hit / touch");
        legend.emplace_back("#2ca02c", "no hit / clear");
    }
    bool any_partial = false, any_nearest_none = false;
    for (const cSvg_Route& r : queries.Routes) any_partial = any_partial || r.Status == ROUTE_PARTIAL;
    for (const cSvg_Nearest& n : queries.Nearest) any_nearest_none = any_nearest_none || n.Status != ROUTE_FOUND;
    if (!queries.Routes.empty() || !queries.Nearest.empty()) legend.emplace_back("#555555", "agent's square");
    if (any_partial) legend.emplace_back("#d62728", "goal not reached (partial route dashed)");
    if (any_nearest_none) legend.emplace_back("#d62728", "no place (crossed)");
    for (std::size_t i = 0; i < legend.size(); ++i)
        s << (i == 0 ? "" : "  ") << "<tspan fill=\"" << legend[i].first << "\">" << Escape(legend[i].second)
          << "</tspan>";
    s << "</text>\n";
    for (std::size_t i = 0; i < labels_text.size(); ++i) {
        const std::string colour = Query_Colour(i);
        const double y = legend_y + (double(i) + 1) * line;
        s << "<line class=\"swatch\" style=\"stroke:" << colour << "\" x1=\"" << Num(e.X0) << "\" y1=\""
          << Num(y - 0.35 * caption_font) << "\" x2=\"" << Num(e.X0 + 1.6 * caption_font) << "\" y2=\""
          << Num(y - 0.35 * caption_font) << "\"/>\n";
        const std::size_t routes_end = queries.Paths.size() + queries.Routes.size();
        s << "<text class=\""
          << (i < queries.Paths.size() ? "path-label" : i < routes_end ? "route-label" : "nearest-label")
          << "\" style=\"fill:"
          << colour << "\" x=\"" << Num(e.X0 + 2.1 * caption_font) << "\" y=\"" << Num(y) << "\">"
          << Escape(labels_text[i]) << "</text>\n";
    }
    s << "</svg>\n";
    out << s.str();
}

}  // namespace bsp_levels
