// The SVG picture: the outline of solid rock against a brute-force winding
// number, and through the bsplevel tool the view, the layers, the colours
// and legend of the queries, rock only where the level has solid space, and
// the size of a large level's picture. Pictures are read with tinyxml2.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bsplevel.h"
#include "bsplevel_run.h"
#include "svg_picture.h"

using namespace bsp_levels;

namespace {

// ------------------------------------------------------------ rock outline

// The winding number of the loops around (x, y), a point on no side: the
// signed crossings of the vertical sides to its right by the ray toward
// greater x (a side running toward greater y passes it counter-clockwise
// when y grows upward).
int Winding(const std::vector<std::vector<cPoint2D>>& loops, double x, double y) {
    int w = 0;
    for (const std::vector<cPoint2D>& loop : loops)
        for (std::size_t i = 0; i < loop.size(); ++i) {
            const cPoint2D& a = loop[i];
            const cPoint2D& b = loop[(i + 1) % loop.size()];
            if (a.x != b.x || a.x < x) continue;
            if (std::min(a.y, b.y) < y && y < std::max(a.y, b.y)) w += b.y > a.y ? 1 : -1;
        }
    return w;
}

// Checks the loops' shape: closed, every side horizontal or vertical and of
// some length, never two sides in a row on one line.
void Check_Loops(const std::vector<std::vector<cPoint2D>>& loops) {
    for (const std::vector<cPoint2D>& loop : loops) {
        ASSERT_GE(loop.size(), 4u);
        for (std::size_t i = 0; i < loop.size(); ++i) {
            const cPoint2D& a = loop[i];
            const cPoint2D& b = loop[(i + 1) % loop.size()];
            const cPoint2D& c = loop[(i + 2) % loop.size()];
            EXPECT_TRUE((a.x == b.x) != (a.y == b.y)) << "side " << a << " " << b;
            EXPECT_FALSE((a.x == b.x && b.x == c.x) || (a.y == b.y && b.y == c.y)) << "straight corner " << b;
        }
    }
}

// Cuts [0,w] x [0,h] into rectangles as a BSP tree does, each cut at a
// whole coordinate.
void Cut(const cRect2D& r, std::mt19937& random, int depth, std::vector<cRect2D>& out) {
    const int w = r.Max.x - r.Min.x, h = r.Max.y - r.Min.y;
    if (depth == 0 || (w < 2 && h < 2) || random() % 5 == 0) {
        out.push_back(r);
        return;
    }
    const bool vertical = h < 2 || (w >= 2 && random() % 2 == 0);
    if (vertical) {
        const int x = r.Min.x + 1 + int(random() % unsigned(w - 1));
        Cut(cRect2D(r.Min, cPoint2D(x, r.Max.y)), random, depth - 1, out);
        Cut(cRect2D(cPoint2D(x, r.Min.y), r.Max), random, depth - 1, out);
    } else {
        const int y = r.Min.y + 1 + int(random() % unsigned(h - 1));
        Cut(cRect2D(r.Min, cPoint2D(r.Max.x, y)), random, depth - 1, out);
        Cut(cRect2D(cPoint2D(r.Min.x, y), r.Max), random, depth - 1, out);
    }
}

TEST(SvgRockOutline, HandMadeUnions) {
    struct cCase {
        const char* Name;
        std::vector<cRect2D> Rects;
        std::size_t Loops;
        std::size_t Corners;
    };
    auto R = [](int x0, int y0, int x1, int y1) { return cRect2D(cPoint2D(x0, y0), cPoint2D(x1, y1)); };
    const cCase cases[] = {
        {"nothing", {}, 0, 0},
        {"empty rectangles only", {R(0, 0, 0, 5), R(1, 1, 4, 1)}, 0, 0},
        {"two halves of one square", {R(0, 0, 5, 10), R(5, 0, 10, 10)}, 1, 4},
        {"a T-junction: three pieces, one L", {R(0, 0, 4, 2), R(0, 2, 2, 4), R(2, 2, 2, 4)}, 1, 6},
        {"a ring around a hole", {R(0, 0, 9, 3), R(0, 6, 9, 9), R(0, 3, 3, 6), R(6, 3, 9, 6)}, 2, 8},
        {"corners touching only", {R(0, 0, 2, 2), R(2, 2, 4, 4)}, 2, 8},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<std::vector<cPoint2D>> loops = Union_Outline(c.Rects);
        Check_Loops(loops);
        EXPECT_EQ(loops.size(), c.Loops);
        std::size_t corners = 0;
        for (const auto& l : loops) corners += l.size();
        EXPECT_EQ(corners, c.Corners);
    }
    // The hole winds the other way: outside 0, rock 1, hole 0.
    const auto ring = Union_Outline({R(0, 0, 9, 3), R(0, 6, 9, 9), R(0, 3, 3, 6), R(6, 3, 9, 6)});
    EXPECT_EQ(Winding(ring, 1.5, 1.5), 1);
    EXPECT_EQ(Winding(ring, 4.5, 4.5), 0);
    EXPECT_EQ(Winding(ring, -1.5, 4.5), 0);
}

// On random cuttings with random rock, the winding number of the outline
// at every cell's centre is 1 in rock and 0 elsewhere.
TEST(SvgRockOutline, WindingNumberMatchesTheRockOnRandomCuttings) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const int w = 1 + int(random() % 16), h = 1 + int(random() % 16);
        const int x0 = int(random() % 41) - 20, y0 = int(random() % 41) - 20;
        std::vector<cRect2D> pieces, rock;
        Cut(cRect2D(cPoint2D(x0, y0), cPoint2D(x0 + w, y0 + h)), random, 8, pieces);
        const unsigned share = random() % 4;  // a quarter of rock up to all of it
        for (const cRect2D& r : pieces)
            if (random() % 4 <= share) rock.push_back(r);
        const std::vector<std::vector<cPoint2D>> loops = Union_Outline(rock);
        SCOPED_TRACE("round " + std::to_string(round));
        Check_Loops(loops);
        for (int x = x0 - 1; x <= x0 + w; ++x)
            for (int y = y0 - 1; y <= y0 + h; ++y) {
                const double cx = x + 0.5, cy = y + 0.5;
                bool in_rock = false;
                for (const cRect2D& r : rock)
                    in_rock = in_rock || (r.Min.x < cx && cx < r.Max.x && r.Min.y < cy && cy < r.Max.y);
                ASSERT_EQ(Winding(loops, cx, cy), in_rock ? 1 : 0) << "cell " << x << "," << y;
            }
    }
}

// ------------------------------------------------------------ through the tool

// The file is named after the test too: ctest runs the tests in parallel
// processes, which must not write one file at once.
std::string Temp_Level(const std::string& name, const std::string& text) {
    const std::string file = ::testing::TempDir() + "svg_picture_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

struct cElement {
    std::string Name;
    std::map<std::string, std::string> Attributes;
    std::string Text;  // all the text inside it

    const std::string& operator[](const std::string& a) const {
        static const std::string none;
        const auto it = Attributes.find(a);
        return it == Attributes.end() ? none : it->second;
    }
};

struct cPicture {
    std::vector<cElement> Elements;  // in document order
    std::vector<std::string> Comments;

    std::vector<cElement> Of_Class(const std::string& cls) const {
        std::vector<cElement> found;
        for (const cElement& e : Elements)
            if (e["class"] == cls) found.push_back(e);
        return found;
    }
    std::size_t Count(const std::string& cls) const { return Of_Class(cls).size(); }
    const cElement& Style() const {
        for (const cElement& e : Elements)
            if (e.Name == "style") return e;
        static const cElement none;
        return none;
    }
};

class cCollector : public tinyxml2::XMLVisitor {
public:
    explicit cCollector(cPicture& p) : P(p) {}
    bool VisitEnter(const tinyxml2::XMLElement& e, const tinyxml2::XMLAttribute* a) override {
        cElement element{e.Name(), {}, {}};
        for (; a != nullptr; a = a->Next()) element.Attributes[a->Name()] = a->Value();
        tinyxml2::XMLPrinter text;
        for (const tinyxml2::XMLNode* n = e.FirstChild(); n != nullptr; n = n->NextSibling())
            if (n->ToText() != nullptr) element.Text += n->Value();
            else if (n->ToElement() != nullptr && n->ToElement()->GetText() != nullptr)
                element.Text += n->ToElement()->GetText();
        P.Elements.push_back(element);
        return true;
    }
    bool Visit(const tinyxml2::XMLComment& c) override {
        P.Comments.push_back(c.Value());
        return true;
    }

private:
    cPicture& P;
};

cPicture Read_Picture(const std::string& svg) {
    tinyxml2::XMLDocument doc;
    cPicture p;
    EXPECT_EQ(doc.Parse(svg.c_str(), svg.size()), tinyxml2::XML_SUCCESS) << doc.ErrorStr();
    cCollector collect(p);
    doc.Accept(&collect);
    EXPECT_FALSE(p.Elements.empty());
    if (!p.Elements.empty()) {
        EXPECT_EQ(p.Elements[0].Name, "svg");
    }
    return p;
}

cPicture Draw(const std::vector<std::string>& args, std::string* text = nullptr) {
    const cResult r = Tool(args);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    if (text != nullptr) *text = r.Out;
    return Read_Picture(r.Out);
}

// A stroke width from the picture's style sheet.
double Stroke_Width(const cPicture& p, const std::string& rule) {
    const std::string& css = p.Style().Text;
    const auto at = css.find(rule + "{");
    if (at == std::string::npos) return -1;
    const auto w = css.find("stroke-width:", at);
    return std::stod(css.substr(w + 13));
}

std::string Line_Text(const cElement& e) { return e["x1"] + "," + e["y1"] + " " + e["x2"] + "," + e["y2"]; }
std::string Rect_Text(const cElement& e) { return e["x"] + " " + e["y"] + " " + e["width"] + " " + e["height"]; }

// World [0,0]-[100,100]: a closed box [20,40]-[40,60] of rock, a wall x=60
// from 0 to 70, a wall y=80 from 0 to 100 with a gap at [45,55].
const std::string BOX = "<AREA>\n[100,100]\n<WALLS>\n"
                        "[20,40]->[40,40]\n[20,60]->[40,60]\n[20,40]->[20,60]\n[40,40]->[40,60]\n"
                        "[60,0]->[60,70]\n[0,80]->[45,80]\n[55,80]->[100,80]\n";
const std::string SOLID = "<SOLID>\n[30,50]\n";

TEST(SvgPicture, ViewCutsTheLevelAndScalesItsLines) {
    const std::string level = Temp_Level("box.txt", BOX);
    const cPicture whole = Draw({"svg", level, "-o", "-"});
    const cPicture part = Draw({"svg", level, "-o", "-", "--view", "50", "30", "70", "90", "--path", "10", "10",
                                "90", "90"});

    // Walls cut at the view's edges; those outside left out.
    std::multiset<std::string> walls;
    for (const cElement& e : part.Of_Class("wall")) walls.insert(Line_Text(e));
    EXPECT_EQ(walls, (std::multiset<std::string>{"60,30 60,70", "55,80 70,80"}));
    EXPECT_EQ(whole.Count("wall"), 7u);
    // Areas and portals too: every rectangle lies in the view.
    ASSERT_GT(part.Count("area"), 0u);
    for (const cElement& e : part.Of_Class("area")) {
        EXPECT_GE(std::stod(e["x"]), 50);
        EXPECT_LE(std::stod(e["x"]) + std::stod(e["width"]), 70);
        EXPECT_GE(std::stod(e["y"]), 30);
        EXPECT_LE(std::stod(e["y"]) + std::stod(e["height"]), 90);
    }
    std::set<std::string> portals;
    for (const cElement& e : part.Of_Class("portal")) portals.insert(Line_Text(e));
    EXPECT_EQ(portals.count("50,80 55,80"), 1u);  // the gap [45,55] cut at x=50

    // The queries are cut by a clip to the view; the world's rectangle is cut.
    ASSERT_EQ(part.Count("bounds"), 1u);
    EXPECT_EQ(Rect_Text(part.Of_Class("bounds")[0]), "50 30 20 60");
    bool clipped = false;
    for (const cElement& e : part.Elements) clipped = clipped || e["clip-path"] == "url(#view)";
    EXPECT_TRUE(clipped);
    EXPECT_EQ(part.Count("path"), 1u);

    // The view fills the picture: it spans 60 units instead of 100, so
    // every line is thinner in level units by that ratio, and the picture's
    // pixel size is the same.
    EXPECT_NEAR(Stroke_Width(part, ".bounds") / Stroke_Width(whole, ".bounds"), 0.6, 0.01);
    EXPECT_NEAR(Stroke_Width(part, ".path") / Stroke_Width(whole, ".path"), 0.6, 0.01);
    std::istringstream box(part.Elements[0]["viewBox"]);
    double vx, vy, vw, vh;
    box >> vx >> vy >> vw >> vh;
    EXPECT_LT(vx, 50);
    EXPECT_GT(vx + vw, 70);
    EXPECT_LT(vx + vw - 70, 5);  // a margin, not the rest of the world
}

TEST(SvgPicture, ViewErrors) {
    const std::string level = Temp_Level("box.txt", BOX);
    const struct {
        std::vector<std::string> Args;
        std::string Err;
    } cases[] = {
        {{"--view", "10", "10", "10", "50"}, "bsplevel: svg: --view X1 Y1 X2 Y2 must have a width and a height\n"},
        {{"--view", "10", "10", "50"}, "bsplevel: svg: --view needs X1 Y1 X2 Y2\n"},
        {{"--view", "0", "0", "a", "5"}, "bsplevel: svg: --view X2 must be an integer, got 'a'\n"},
        {{"--layers", "walls,doors"},
         "bsplevel: svg: --layers: unknown layer 'doors' (the layers are walls, areas, portals, waypoints, solid)\n"},
        {{"--layers", "walls,,solid"}, "bsplevel: svg: --layers: an empty layer name in 'walls,,solid'\n"},
        {{"--layers", ""}, "bsplevel: svg: --layers: an empty layer name in ''\n"},
        {{"--layers", "solid,walls,solid"}, "bsplevel: svg: --layers: layer 'solid' named twice\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"svg", level, "-o", "-"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const cResult r = Tool(args);
        EXPECT_EQ(r.Status, 2) << c.Err;
        EXPECT_EQ(r.Err, c.Err);
        EXPECT_EQ(r.Out, "");
    }
    // Corners in any order name the same view.
    const cResult a = Tool({"svg", level, "-o", "-", "--view", "70", "90", "50", "30"});
    const cResult b = Tool({"svg", level, "-o", "-", "--view", "50", "30", "70", "90"});
    EXPECT_EQ(a.Status, 0);
    EXPECT_EQ(a.Out, b.Out);
}

TEST(SvgPicture, LayersChooseWhatIsDrawn) {
    const std::string level = Temp_Level("box_solid.txt", BOX + SOLID);
    const struct {
        std::string Layers;  // "" for the defaults
        std::vector<std::string> Present, Absent;
    } cases[] = {
        {"", {"wall", "rock", "area", "portal", "waypoint", "area-id"}, {}},
        {"walls", {"wall"}, {"rock", "area", "portal", "waypoint", "area-id", "portal-id"}},
        {"solid", {"rock"}, {"wall", "area", "portal", "waypoint"}},
        {"areas,portals", {"area", "portal", "area-id"}, {"wall", "rock", "waypoint"}},
        {"waypoints,walls", {"waypoint", "wall"}, {"area", "portal", "rock"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Layers);
        std::vector<std::string> args = {"svg", level, "-o", "-", "--segment", "5", "5", "95", "95"};
        if (!c.Layers.empty()) args.insert(args.end(), {"--layers", c.Layers});
        const cPicture p = Draw(args);
        for (const std::string& cls : c.Present) EXPECT_GT(p.Count(cls), 0u) << cls;
        for (const std::string& cls : c.Absent) EXPECT_EQ(p.Count(cls), 0u) << cls;
        // The queries and the world are drawn whatever the layers.
        EXPECT_EQ(p.Count("bounds"), 1u);
        EXPECT_EQ(p.Count("segment"), 1u);
        EXPECT_TRUE(p.Comments.empty());
    }
}

// The box's inside is rock when the level says so, and only then; nothing
// of its area is drawn over it, unless the rock layer is left out.
TEST(SvgPicture, RockOnlyWithSolidSpace) {
    const std::string plain = Temp_Level("box.txt", BOX), solid = Temp_Level("box_solid.txt", BOX + SOLID);
    std::string plain_text, solid_text;
    const cPicture without = Draw({"svg", plain, "-o", "-"}, &plain_text);
    const cPicture with = Draw({"svg", solid, "-o", "-"}, &solid_text);
    EXPECT_EQ(without.Count("rock"), 0u);
    EXPECT_EQ(plain_text.find("rock"), std::string::npos);
    const std::vector<cElement> rock = with.Of_Class("rock");
    ASSERT_EQ(rock.size(), 1u);
    EXPECT_EQ(rock[0]["d"], "M20 40h20v20h-20z");
    EXPECT_NE(solid_text.find("solid rock (1 area)"), std::string::npos);

    auto has_area = [](const cPicture& p, const std::string& rect) {
        for (const cElement& e : p.Of_Class("area"))
            if (Rect_Text(e) == rect) return true;
        return false;
    };
    const std::string inside = "20.167 40.167 19.667 19.667";  // the box's area, drawn just inside its sides
    EXPECT_TRUE(has_area(without, inside));
    EXPECT_FALSE(has_area(with, inside));
    EXPECT_EQ(with.Count("area"), without.Count("area") - 1);
    EXPECT_EQ(with.Count("wall"), without.Count("wall"));
    EXPECT_TRUE(has_area(Draw({"svg", solid, "-o", "-", "--layers", "walls,areas"}), inside));
}

// Two paths and nine routes: eleven colours, each query's line and its
// legend line in the same one, the legend giving its answer.
TEST(SvgPicture, EachPathAndRouteHasItsColourAndLegendLine) {
    const std::string level = Temp_Level("box.txt", BOX);
    std::vector<std::string> args = {"svg", level, "-o", "-", "--path", "10", "10", "90", "90", "--path", "10",
                                      "10", "30", "50"};
    for (int i = 0; i < 8; ++i)
        args.insert(args.end(),
                    {"--route", "10", std::to_string(10 + i), "90", "90", "--agent", std::to_string(i % 3)});
    args.insert(args.end(), {"--route", "10", "10", "30", "50"});
    const cPicture p = Draw(args);

    // The line or dashes of each query, in order: paths first.
    std::vector<std::string> drawn;
    for (const cElement& e : p.Elements)
        if (e["class"] == "path" || e["class"] == "path-none" || e["class"] == "route" || e["class"] == "route-none")
            drawn.push_back(e["style"]);
    ASSERT_EQ(drawn.size(), 11u);
    EXPECT_EQ(std::set<std::string>(drawn.begin(), drawn.end()).size(), 11u);
    EXPECT_EQ(drawn[0], "stroke:#1f63c6");
    EXPECT_EQ(p.Count("path-none"), 1u);   // (30,50) is in the closed box
    EXPECT_EQ(p.Count("route-none"), 1u);

    const std::vector<cElement> swatches = p.Of_Class("swatch");
    std::vector<cElement> labels = p.Of_Class("path-label");
    const std::vector<cElement> route_labels = p.Of_Class("route-label");
    labels.insert(labels.end(), route_labels.begin(), route_labels.end());
    ASSERT_EQ(swatches.size(), 11u);
    ASSERT_EQ(labels.size(), 11u);
    for (std::size_t i = 0; i < 11; ++i) {
        const std::string colour = drawn[i].substr(drawn[i].find(':') + 1);
        EXPECT_EQ(swatches[i]["style"], "stroke:" + colour) << i;
        EXPECT_EQ(labels[i]["style"], "fill:" + colour) << i;
    }
    EXPECT_EQ(labels[0].Text.rfind("path from (10,10) to (90,90): ", 0), 0u) << labels[0].Text;
    EXPECT_EQ(labels[1].Text, "no path from (10,10) to (30,50)");
    EXPECT_EQ(labels[2].Text.rfind("route from (10,10) to (90,90) for an agent of half-size 0: length ", 0), 0u);
    EXPECT_EQ(labels[10].Text.rfind("no route from (10,10) to (30,50)", 0), 0u) << labels[10].Text;
    // Each query's title is its legend line.
    std::vector<std::string> titles;
    for (const cElement& e : p.Elements)
        if (e.Name == "title") titles.push_back(e.Text);
    ASSERT_EQ(titles.size(), 12u);  // the picture's, then the queries'
    for (std::size_t i = 0; i < 11; ++i) EXPECT_EQ(titles[i + 1], labels[i].Text);
}

// A perfect maze of 256 x 256 rooms on a 513-cell square grid, corridors one
// cell wide: as many walls as a grid map of that size has.
std::string Maze_Map(unsigned seed) {
    const int rooms = 256, size = 2 * rooms + 1;
    std::vector<std::string> rows(std::size_t(size), std::string(std::size_t(size), '@'));
    std::mt19937 random(seed);
    std::vector<char> seen(std::size_t(rooms * rooms), 0);
    std::vector<int> stack{0};
    seen[0] = 1;
    rows[1][1] = '.';
    while (!stack.empty()) {
        const int at = stack.back(), x = at % rooms, y = at / rooms;
        int next[4], n = 0;
        const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
        for (int k = 0; k < 4; ++k) {
            const int nx = x + dx[k], ny = y + dy[k];
            if (nx >= 0 && ny >= 0 && nx < rooms && ny < rooms && !seen[std::size_t(ny * rooms + nx)]) next[n++] = k;
        }
        if (n == 0) {
            stack.pop_back();
            continue;
        }
        const int k = next[random() % unsigned(n)], nx = x + dx[k], ny = y + dy[k];
        seen[std::size_t(ny * rooms + nx)] = 1;
        rows[std::size_t(2 * ny + 1)][std::size_t(2 * nx + 1)] = '.';
        rows[std::size_t(y + ny + 1)][std::size_t(x + nx + 1)] = '.';
        stack.push_back(ny * rooms + nx);
    }
    std::string map = "type octile\nheight " + std::to_string(size) + "\nwidth " + std::to_string(size) + "\nmap\n";
    for (const std::string& row : rows) map += row + "\n";
    return map;
}

std::size_t Count_Moves(const cPicture& p, const std::string& cls) {
    std::size_t moves = 0;
    for (const cElement& e : p.Of_Class(cls)) moves += std::size_t(std::count(e["d"].begin(), e["d"].end(), 'M'));
    return moves;
}

// A count from info --json.
std::size_t Info_Count(const std::string& json, const std::string& key) {
    const auto at = json.find("\"" + key + "\":");
    return at == std::string::npos ? 0 : std::stoul(json.substr(at + key.size() + 3));
}

// A large level's picture with the default layers: under 3 MB, a few dozen
// elements, areas, portals and waypoints left out with a comment saying
// so, every wall drawn, rock shaded.
TEST(SvgPicture, LargeLevelStaysSmall) {
    const std::string map = Temp_Level("maze.map", Maze_Map(7)), level = Temp_Level("maze.txt", "");
    ASSERT_EQ(Tool({"import-grid", map, "-o", level, "--solid"}).Status, 0);
    const cResult info = Tool({"info", level, "--json"});
    ASSERT_EQ(info.Status, 0) << info.Err;
    const std::size_t walls = Info_Count(info.Out, "walls");
    ASSERT_GT(walls, 50000u);

    std::string text;
    const cPicture p = Draw({"svg", level, "-o", "-", "--route", "15", "15", "5115", "5115", "--agent", "2"}, &text);
    EXPECT_LT(text.size(), 3000000u);
    EXPECT_LT(p.Elements.size(), 300u);
    ASSERT_EQ(p.Comments.size(), 1u);
    EXPECT_NE(p.Comments[0].find("areas, portals and waypoints are left out"), std::string::npos) << p.Comments[0];
    EXPECT_EQ(p.Comments[0].find("--"), std::string::npos);
    for (const char* cls : {"area", "areas", "portal", "portals", "waypoint", "waypoints", "area-id", "wall"})
        EXPECT_EQ(p.Count(cls), 0u) << cls;
    EXPECT_EQ(Count_Moves(p, "walls"), walls);
    EXPECT_GT(p.Count("walls"), 1u);  // cut into tiles
    EXPECT_GT(p.Count("rock"), 1u);
    EXPECT_EQ(p.Count("route"), 1u);

    // Asked for, the left-out layers come as compact paths, and no comment.
    const cPicture all = Draw({"svg", level, "-o", "-", "--layers", "walls,areas,portals,waypoints"});
    EXPECT_TRUE(all.Comments.empty());
    EXPECT_EQ(Count_Moves(all, "areas"), Info_Count(info.Out, "areas"));
    EXPECT_EQ(Count_Moves(all, "portals"), Info_Count(info.Out, "portals"));
    EXPECT_EQ(all.Count("area"), 0u);

    // A part of it at a readable scale is not large: every layer, one
    // element for each wall.
    const cPicture part = Draw({"svg", level, "-o", "-", "--view", "0", "0", "400", "400"});
    EXPECT_TRUE(part.Comments.empty());
    EXPECT_GT(part.Count("wall"), 100u);
    EXPECT_GT(part.Count("area"), 100u);
    EXPECT_EQ(part.Count("walls"), 0u);
}

}  // namespace

namespace {

// Doors are drawn over the walls: closed ones full, open ones dashed, each
// titled with its number and state, with legend lines for what is shown.
TEST(SvgPicture, DoorsClosedAndOpen) {
    const std::string level = Temp_Level("doors.txt", "<AREA>\n[100,60]\n<WALLS>\n[50,0]->[50,20]\n[50,40]->[50,60]\n"
                                                      "[70,0]->[70,25]\n[70,35]->[70,60]\n<DOORS>\n[50,20]->[50,40]\n"
                                                      "[70,25]->[70,35]\n");
    std::string closed_text, open_text;
    const cPicture closed = Draw({"svg", level, "-o", "-"}, &closed_text);
    const cPicture open = Draw({"svg", level, "-o", "-", "--open", "1"}, &open_text);
    EXPECT_EQ(closed.Count("door"), 2u);
    EXPECT_EQ(closed.Count("door-open"), 0u);
    EXPECT_EQ(open.Count("door"), 1u);
    ASSERT_EQ(open.Count("door-open"), 1u);
    EXPECT_EQ(open.Of_Class("door-open")[0].Text, "door 1 (open)");
    EXPECT_EQ(open.Of_Class("door")[0].Text, "door 0 (closed)");
    EXPECT_NE(closed_text.find(">closed doors<"), std::string::npos);
    EXPECT_EQ(closed_text.find("open doors (dashed)"), std::string::npos);
    EXPECT_NE(open_text.find(">open doors (dashed)<"), std::string::npos);
    // Doors go with the walls' layer; a view leaves out the doors beyond it.
    EXPECT_EQ(Draw({"svg", level, "-o", "-", "--layers", "areas"}).Count("door"), 0u);
    EXPECT_EQ(Draw({"svg", level, "-o", "-", "--view", "0", "0", "60", "60"}).Count("door"), 1u);
}

}  // namespace
