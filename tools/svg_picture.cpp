#include "svg_picture.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <utility>

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
        while (!t.empty() && t.back() == '0') t.pop_back();
        if (!t.empty() && t.back() == '.') t.pop_back();
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

// cExtent of the drawing, in level units.
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

// The colour of the i-th route: none of them is the blue of paths, the red
// of failures or the green of clear answers.
std::string Route_Colour(std::size_t i) {
    static const char* const colours[] = {"#00897b", "#c2185b", "#b07800", "#6d4c41"};
    return colours[i % (sizeof colours / sizeof colours[0])];
}

}  // namespace

void Write_Svg(std::ostream& out, const cGame_World& world, const cRect2D& bounds, const std::string& caption,
               const cSvg_Queries& queries) {
    const std::vector<cHV_Wall>& walls = world.Get_Level_Walls();

    cExtent e{double(bounds.Min.x), double(bounds.Min.y), double(bounds.Max.x), double(bounds.Max.y)};
    for (const cHV_Wall& w : walls) {
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
    for (const cSvg_Segment& s : queries.Segments) {
        e.Add(s.A);
        e.Add(s.B);
    }
    for (const cSvg_Ball& b : queries.Balls) {
        const double r = b.Radius < 0 ? -double(b.Radius) : double(b.Radius);
        e.Add(b.Centre.x - r, b.Centre.y - r);
        e.Add(b.Centre.x + r, b.Centre.y + r);
    }
    const double span = std::max({e.X1 - e.X0, e.Y1 - e.Y0, 1.0});

    // The longest side is drawn on `pixels` picture pixels; every stroke and
    // font is given in pixels and turned into level units with u, so that a
    // picture looks alike whatever the level's size.
    const double pixels = walls.size() <= 500 ? 900 : 1800;
    const double u = span / pixels;
    // Two significant digits for the thinnest stroke, whatever the level's scale.
    const cNumber_Format Num(std::max(2, int(std::ceil(-std::log10(u))) + 2));
    const double px_wall = walls.size() <= 500 ? 3.0 : 1.6;
    // A large picture is shown shrunk, often to half its size: the text
    // around the world and the queries' lines are drawn larger to stay
    // readable there. Ids keep their size, to fit in as many areas as they can.
    const double large = pixels > 900 ? 1.6 : 1.0;
    const double area_font = 12 * u, portal_font = 10 * u, caption_font = 14 * u * large;
    const double side = 0.03 * span + 8 * u;
    // Below the legend, one line for each route.
    const double line = 1.4 * caption_font;
    const double top = side + 2.2 * caption_font, bottom = side + 2.2 * caption_font + queries.Routes.size() * line;
    const double vx = e.X0 - side, vy = e.Y0 - top;
    const double vw = (e.X1 - e.X0) + 2 * side, vh = (e.Y1 - e.Y0) + top + bottom;

    std::ostringstream s;
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << Num(vw / u) << "\" height=\""
      << Num(vh / u) << "\" viewBox=\"" << Num(vx) << ' ' << Num(vy) << ' ' << Num(vw) << ' ' << Num(vh) << "\">\n";
    s << "<title>" << Escape(caption) << "</title>\n";
    const std::string halo = "paint-order:stroke;stroke:#ffffff;stroke-width:" + Num(2.5 * u) +
                             ";stroke-linejoin:round;font-family:sans-serif";
    s << "<style>\n"
      << ".bounds{fill:#fbfbf8;stroke:#b0b0b0;stroke-width:" << Num(1 * u) << "}\n"
      << ".area{fill:none;stroke:#9ecae1;stroke-width:" << Num(0.8 * u) << "}\n"
      << ".area-id{fill:#3b7fb6;text-anchor:middle;font-size:" << Num(area_font) << "px;" << halo << "}\n"
      << ".portal{stroke:#f28e2b;stroke-width:" << Num(2.2 * u) << "}\n"
      << ".portal-id{fill:#b8500a;text-anchor:middle;font-size:" << Num(portal_font) << "px;" << halo << "}\n"
      << ".waypoint{fill:#8e44ad}\n"
      << ".wall{stroke:#1c1c1c;stroke-width:" << Num(px_wall * u) << ";stroke-linecap:square}\n"
      << ".path{fill:none;stroke:#1f63c6;stroke-width:" << Num(2.5 * u * large) << ";stroke-linejoin:round}\n"
      << ".path-none{fill:none;stroke:#d62728;stroke-width:" << Num(1.5 * u) << ";stroke-dasharray:" << Num(4 * u)
      << "}\n"
      << ".path-point{fill:#1f63c6}\n"
      << ".path-start{fill:#ffffff;stroke:#1f63c6;stroke-width:" << Num(2 * u) << "}\n"
      << ".route{fill:none;stroke-width:" << Num(2.2 * u * large) << ";stroke-linejoin:round}\n"
      << ".route-none{fill:none;stroke:#d62728;stroke-width:" << Num(1.5 * u) << ";stroke-dasharray:" << Num(4 * u)
      << "}\n"
      << ".route-start{fill:#ffffff;stroke-width:" << Num(2 * u) << "}\n"
      << ".agent{fill-opacity:0.12;stroke-width:" << Num(1 * u) << "}\n"
      << ".agent-blocked{fill:#d62728;fill-opacity:0.2;stroke:#d62728;stroke-width:" << Num(1.2 * u) << "}\n"
      << ".segment{stroke:#6b6b6b;stroke-width:" << Num(1.5 * u) << ";stroke-dasharray:" << Num(4 * u) << "}\n"
      << ".segment-clear{stroke:#2ca02c;stroke-width:" << Num(2 * u) << "}\n"
      << ".segment-run{stroke:#d62728;stroke-width:" << Num(2 * u) << "}\n"
      << ".hit{fill:#d62728;stroke:#ffffff;stroke-width:" << Num(1 * u) << "}\n"
      << ".ball-clear{fill:#2ca02c;fill-opacity:0.25;stroke:#2ca02c;stroke-width:" << Num(1.5 * u) << "}\n"
      << ".ball-touch{fill:#d62728;fill-opacity:0.25;stroke:#d62728;stroke-width:" << Num(1.5 * u) << "}\n"
      << ".caption{fill:#222222;font-size:" << Num(caption_font) << "px;font-family:sans-serif}\n"
      << ".route-label{font-size:" << Num(caption_font) << "px;font-family:sans-serif}\n"
      << "</style>\n";

    // The world rectangle.
    s << "<rect class=\"bounds\" x=\"" << Num(bounds.Min.x) << "\" y=\"" << Num(bounds.Min.y) << "\" width=\""
      << Num(double(bounds.Max.x) - bounds.Min.x) << "\" height=\"" << Num(double(bounds.Max.y) - bounds.Min.y)
      << "\"/>\n";

    // Areas, then the ids that fit inside them.
    s << "<g id=\"areas\">\n";
    // An area's sides lie under walls and portals: its outline is drawn a
    // little inside, where there is room.
    const double inset = 1.5 * u;
    for (const cSquarePortal* a : world.Areas) {
        const cRect2D& r = a->Bounds;
        const double w = double(r.Max.x) - r.Min.x, h = double(r.Max.y) - r.Min.y;
        const double d = w > 4 * inset && h > 4 * inset ? inset : 0;
        s << "<rect class=\"area\" x=\"" << Num(r.Min.x + d) << "\" y=\"" << Num(r.Min.y + d) << "\" width=\""
          << Num(w - 2 * d) << "\" height=\"" << Num(h - 2 * d) << "\"/>\n";
    }
    cLabel_Space labels(4 * area_font);
    for (const cSquarePortal* a : world.Areas) {
        const cRect2D& r = a->Bounds;
        const std::string id = std::to_string(a->Id);
        const double w = double(r.Max.x) - r.Min.x, h = double(r.Max.y) - r.Min.y;
        const double tw = Text_Width(id, area_font), cx = r.Min.x + w / 2, cy = r.Min.y + h / 2;
        if (w < tw + area_font || h < 1.6 * area_font) continue;
        if (!labels.Take(cx - tw / 2, cy - 0.5 * area_font, cx + tw / 2, cy + 0.5 * area_font)) continue;
        s << "<text class=\"area-id\" x=\"" << Num(cx) << "\" y=\"" << Num(cy + 0.35 * area_font) << "\">" << id
          << "</text>\n";
    }
    s << "</g>\n";

    // Portals with their ids, waypoints.
    s << "<g id=\"portals\">\n";
    for (const cPortal* p : world.Portals) {
        const cHV_Seg& g = p->Segment;
        s << "<line class=\"portal\" x1=\"" << g.p0.x << "\" y1=\"" << g.p0.y << "\" x2=\"" << g.p1.x << "\" y2=\""
          << g.p1.y << "\"/>\n";
    }
    s << "</g>\n<g id=\"waypoints\">\n";
    for (const cSquarePortal* a : world.Areas)
        for (const cAligned_WayPoint* w : a->WayPoints)
            s << "<circle class=\"waypoint\" cx=\"" << w->Position.x << "\" cy=\"" << w->Position.y << "\" r=\""
              << Num(2.2 * u) << "\"/>\n";
    s << "</g>\n";

    // Walls, over the areas' outlines.
    s << "<g id=\"walls\">\n";
    for (const cHV_Wall& w : walls)
        s << "<line class=\"wall\" x1=\"" << w.p0.x << "\" y1=\"" << w.p0.y << "\" x2=\"" << w.p1.x << "\" y2=\""
          << w.p1.y << "\"/>\n";
    s << "</g>\n";

    // Portal ids beside their portals, a quarter of the way from their first
    // end (paths run through the portals' middles): above a horizontal
    // portal, right of a vertical one.
    s << "<g id=\"portal-ids\">\n";
    for (const cPortal* p : world.Portals) {
        const cHV_Seg& g = p->Segment;
        const std::string id = std::to_string(p->Id);
        const double length = double(g.p1.x) - g.p0.x + (double(g.p1.y) - g.p0.y);
        const double tw = Text_Width(id, portal_font), f = portal_font;
        // The area on the label's side must hold it too.
        double room = 0;
        for (const cSquarePortal* a : {p->Area1, p->Area2}) {
            if (a == nullptr) continue;
            const cRect2D& r = a->Bounds;
            if (g.Horizontal && r.Max.y == g.p0.y) room = std::max(room, double(r.Max.y) - r.Min.y);
            if (!g.Horizontal && r.Min.x == g.p0.x) room = std::max(room, double(r.Max.x) - r.Min.x);
        }
        const double mx = (3.0 * g.p0.x + g.p1.x) / 4, my = (3.0 * g.p0.y + g.p1.y) / 4;
        if (g.Horizontal) {
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

    // The queries.
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
    for (const cSvg_Path& p : queries.Paths) {
        if (p.Found) {
            s << "<polyline class=\"path\" points=\"" << p.Start.x << ',' << p.Start.y;
            for (const cPoint2D& q : p.Points) s << ' ' << q.x << ',' << q.y;
            s << "\"/>\n";
            for (std::size_t i = 0; i < p.Points.size(); ++i)  // the goal, last, a little larger
                s << "<circle class=\"path-point\" cx=\"" << p.Points[i].x << "\" cy=\"" << p.Points[i].y
                  << "\" r=\"" << Num((i + 1 == p.Points.size() ? 4.5 : 3.2) * u) << "\"/>\n";
        } else {
            s << "<line class=\"path-none\" x1=\"" << p.Start.x << "\" y1=\"" << p.Start.y << "\" x2=\"" << p.Goal.x
              << "\" y2=\"" << p.Goal.y << "\"/>\n";
        }
        s << "<circle class=\"path-start\" cx=\"" << p.Start.x << "\" cy=\"" << p.Start.y << "\" r=\"" << Num(4 * u)
          << "\"/>\n";
    }
    for (std::size_t i = 0; i < queries.Routes.size(); ++i) {
        const cSvg_Route& r = queries.Routes[i];
        const std::string colour = Route_Colour(i);
        const bool found = r.Status == ROUTE_FOUND;
        const double h = r.Half_Size;
        s << "<g class=\"route-query\">\n<title>" << Escape(r.Label) << "</title>\n";
        // The agent's square where the route starts, bends and ends; where
        // there is no route, at both ends, in red at an end that is blocked.
        std::vector<std::pair<cPoint2D, bool>> squares;  // centre, blocked
        if (found) {
            squares.emplace_back(r.Start, false);
            for (const cPoint2D& q : r.Points) squares.emplace_back(q, false);
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
        if (found) {
            s << "<polyline class=\"route\" style=\"stroke:" << colour << "\" points=\"" << r.Start.x << ','
              << r.Start.y;
            for (const cPoint2D& q : r.Points) s << ' ' << q.x << ',' << q.y;
            s << "\"/>\n";
            // Corner dots small enough to leave the squares' outlines in view.
            const double dot = h > 0 ? std::max(1.0 * u, std::min(3.2 * u, 0.4 * h)) : 3.2 * u;
            for (std::size_t k = 0; k < r.Points.size(); ++k)
                s << "<circle class=\"route-point\" style=\"fill:" << colour << "\" cx=\"" << r.Points[k].x
                  << "\" cy=\"" << r.Points[k].y << "\" r=\"" << Num(k + 1 == r.Points.size() ? 1.4 * dot : dot)
                  << "\"/>\n";
        } else {
            s << "<line class=\"route-none\" x1=\"" << r.Start.x << "\" y1=\"" << r.Start.y << "\" x2=\"" << r.Goal.x
              << "\" y2=\"" << r.Goal.y << "\"/>\n";
        }
        const double start_r = h > 0 ? std::max(1.5 * u, std::min(4 * u, 0.6 * h)) : 4 * u;
        s << "<circle class=\"route-start\" style=\"stroke:" << colour << "\" cx=\"" << r.Start.x << "\" cy=\""
          << r.Start.y << "\" r=\"" << Num(start_r) << "\"/>\n</g>\n";
    }
    s << "</g>\n";

    // Caption above the world, legend below it.
    s << "<text class=\"caption\" x=\"" << Num(e.X0) << "\" y=\"" << Num(e.Y0 - side * 0.5 - 0.6 * caption_font)
      << "\">" << Escape(caption) << "</text>\n";
    s << "<text class=\"caption\" x=\"" << Num(e.X0) << "\" y=\"" << Num(e.Y1 + side * 0.5 + 1.3 * caption_font)
      << "\"><tspan fill=\"#1c1c1c\">walls</tspan>  <tspan fill=\"#3b7fb6\">areas (id)</tspan>  "
      << "<tspan fill=\"#d9731c\">portals (id)</tspan>  <tspan fill=\"#8e44ad\">waypoints</tspan>  "
      << "<tspan fill=\"#1f63c6\">path</tspan>  <tspan fill=\"#d62728\">hit / touch</tspan>  "
      << "<tspan fill=\"#2ca02c\">no hit / clear</tspan>";
    if (!queries.Routes.empty()) s << "  <tspan fill=\"" << Route_Colour(0) << "\">route, agent's square</tspan>";
    s << "</text>\n";
    for (std::size_t i = 0; i < queries.Routes.size(); ++i)
        s << "<text class=\"route-label\" style=\"fill:" << Route_Colour(i) << "\" x=\"" << Num(e.X0) << "\" y=\""
          << Num(e.Y1 + side * 0.5 + 1.3 * caption_font + (double(i) + 1) * line) << "\">"
          << Escape(queries.Routes[i].Label) << "</text>\n";
    s << "</svg>\n";
    out << s.str();
}
