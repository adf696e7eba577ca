// bsplevel svg, run in-process: one element per wall, area and portal of a
// small level, the queries drawn on top, the agent's squares of routes,
// partial routes and nearest places, odd file names, and an unbuilt world. The picture's finer points are in
// svg_picture_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "bsplevel_run.h"

using namespace bsp_levels;

namespace {

const std::string DATA = BSPLEVEL_TEST_DATA;
const std::string SMALL = DATA + "/small.txt";
const std::string CLOSED = DATA + "/closed.txt";
const std::string OUTSIDE = DATA + "/outside.txt";

struct cElement {
    std::string Name;
    std::map<std::string, std::string> Attributes;
};

// A small checker of well-formed XML: one root element, tags properly
// nested, attributes quoted and unique, only the predefined entities and
// character references, no '<' in text or attribute values. Collects the
// elements in document order.
class cXml_Checker {
public:
    explicit cXml_Checker(const std::string& text) : T(text) {}

    bool Check(std::vector<cElement>& elements, std::string& why) {
        if (T.compare(0, 5, "<?xml") == 0) {
            const auto end = T.find("?>");
            if (end == std::string::npos) return Fail(why, "unterminated XML declaration");
            P = end + 2;
        }
        std::vector<std::string> open;
        int roots = 0;
        while (P < T.size()) {
            const auto lt = T.find('<', P);
            const std::string text = T.substr(P, lt == std::string::npos ? std::string::npos : lt - P);
            if (!Text_Ok(text)) return Fail(why, "bad character data near offset " + std::to_string(P));
            if (open.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos)
                return Fail(why, "text outside the root element");
            if (lt == std::string::npos) break;
            P = lt + 1;
            if (T.compare(P, 3, "!--") == 0) {
                const auto end = T.find("-->", P);
                if (end == std::string::npos) return Fail(why, "unterminated comment");
                P = end + 3;
                continue;
            }
            if (T[P] == '/') {
                ++P;
                const std::string name = Name();
                Skip_Blanks();
                if (name.empty() || P >= T.size() || T[P] != '>') return Fail(why, "bad end tag");
                ++P;
                if (open.empty() || open.back() != name) return Fail(why, "end tag </" + name + "> does not match");
                open.pop_back();
                continue;
            }
            cElement e;
            e.Name = Name();
            if (e.Name.empty()) return Fail(why, "bad start tag near offset " + std::to_string(P));
            if (open.empty() && ++roots > 1) return Fail(why, "more than one root element");
            for (;;) {
                const bool blank = Skip_Blanks();
                if (P >= T.size()) return Fail(why, "unterminated tag");
                if (T.compare(P, 2, "/>") == 0) {
                    P += 2;
                    break;
                }
                if (T[P] == '>') {
                    ++P;
                    open.push_back(e.Name);
                    break;
                }
                if (!blank) return Fail(why, "attributes must be separated by blanks");
                const std::string name = Name();
                Skip_Blanks();
                if (name.empty() || P >= T.size() || T[P] != '=') return Fail(why, "bad attribute in <" + e.Name + ">");
                ++P;
                Skip_Blanks();
                if (P >= T.size() || (T[P] != '"' && T[P] != '\'')) return Fail(why, "unquoted attribute " + name);
                const char quote = T[P++];
                const auto end = T.find(quote, P);
                if (end == std::string::npos) return Fail(why, "unterminated attribute " + name);
                const std::string value = T.substr(P, end - P);
                if (value.find('<') != std::string::npos || !Text_Ok(value))
                    return Fail(why, "bad attribute value " + name);
                if (!e.Attributes.emplace(name, value).second) return Fail(why, "duplicate attribute " + name);
                P = end + 1;
            }
            elements.push_back(e);
        }
        if (!open.empty()) return Fail(why, "unclosed <" + open.back() + ">");
        if (roots != 1) return Fail(why, "no root element");
        return true;
    }

private:
    const std::string& T;
    std::size_t P = 0;

    static bool Fail(std::string& why, const std::string& reason) {
        why = reason;
        return false;
    }
    bool Skip_Blanks() {
        const std::size_t from = P;
        while (P < T.size() && std::isspace(static_cast<unsigned char>(T[P]))) ++P;
        return P > from;
    }
    std::string Name() {
        const std::size_t from = P;
        while (P < T.size() && (std::isalnum(static_cast<unsigned char>(T[P])) || T[P] == '_' || T[P] == ':' ||
                                T[P] == '-' || T[P] == '.'))
            ++P;
        return T.substr(from, P - from);
    }
    static bool Text_Ok(const std::string& text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '<') return false;
            if (text[i] != '&') continue;
            const auto semi = text.find(';', i);
            if (semi == std::string::npos) return false;
            const std::string ref = text.substr(i + 1, semi - i - 1);
            const bool known = ref == "amp" || ref == "lt" || ref == "gt" || ref == "quot" || ref == "apos" ||
                               (ref.size() > 1 && ref[0] == '#');
            if (!known) return false;
            i = semi;
        }
        return true;
    }
};

// The elements of a well-formed picture; fails the test when it is not one.
std::vector<cElement> Parse_Svg(const std::string& svg) {
    std::vector<cElement> elements;
    std::string why;
    EXPECT_TRUE(cXml_Checker(svg).Check(elements, why)) << why;
    EXPECT_FALSE(elements.empty());
    if (!elements.empty()) {
        EXPECT_EQ(elements[0].Name, "svg");
    }
    return elements;
}

std::vector<cElement> With_Class(const std::vector<cElement>& elements, const std::string& cls) {
    std::vector<cElement> found;
    for (const cElement& e : elements) {
        const auto it = e.Attributes.find("class");
        if (it != e.Attributes.end() && it->second == cls) found.push_back(e);
    }
    return found;
}

TEST(BsplevelSvgChecker, RejectsMalformedXml) {
    const char* const bad[] = {
        "<svg><line></svg>", "<svg><g></svg></g>", "<svg a=1/>", "<svg a=\"1\" a=\"2\"/>",
        "<svg>a & b</svg>",  "<svg/><svg/>",       "<svg>",      "<svg x=\"<\"/>",
    };
    for (const char* text : bad) {
        std::vector<cElement> elements;
        std::string why;
        EXPECT_FALSE(cXml_Checker(text).Check(elements, why)) << text;
    }
    std::vector<cElement> elements;
    std::string why;
    EXPECT_TRUE(cXml_Checker("<?xml version=\"1.0\"?>\n<svg a='1'><!-- c --><g>x &amp; y</g><line b=\"2\"/></svg>\n")
                    .Check(elements, why))
        << why;
    EXPECT_EQ(elements.size(), 3u);
}

TEST(BsplevelSvg, OneElementPerWallAreaAndPortalWithTheQueries) {
    const std::string file = Temp("small.svg");
    const cResult r = Tool({"svg", SMALL, "-o", file, "--path", "10", "10", "90", "10", "--segment", "10", "10", "90",
                          "10", "--ball", "40", "35", "11", "--ball", "40", "35", "10", "--path", "10", "10", "20",
                          "20"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "");
    const std::vector<cElement> svg = Parse_Svg(Read(file));

    const std::vector<cElement> walls = With_Class(svg, "wall");
    ASSERT_EQ(walls.size(), 2u);
    EXPECT_EQ(walls[0].Attributes.at("x1") + "," + walls[0].Attributes.at("y1") + " " + walls[0].Attributes.at("x2") +
                  "," + walls[0].Attributes.at("y2"),
              "50,0 50,40");
    EXPECT_EQ(With_Class(svg, "area").size(), 3u);
    EXPECT_EQ(With_Class(svg, "portal").size(), 2u);
    EXPECT_EQ(With_Class(svg, "area-id").size(), 3u);  // every area holds its id in a small level

    const std::vector<cElement> paths = With_Class(svg, "path");
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0].Attributes.at("points"), "10,10 40,30 50,50 90,10");
    EXPECT_EQ(paths[1].Attributes.at("points"), "10,10 20,20");
    EXPECT_EQ(With_Class(svg, "path-point").size(), 4u);
    const std::vector<cElement> hits = With_Class(svg, "hit");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].Attributes.at("cx") + " " + hits[0].Attributes.at("cy"), "50 10");
    const std::vector<cElement> touch = With_Class(svg, "ball-touch"), clear = With_Class(svg, "ball-clear");
    ASSERT_EQ(touch.size(), 2u);  // the circle and its centre
    ASSERT_EQ(clear.size(), 2u);
    EXPECT_EQ(touch[0].Attributes.at("r"), "11");
    EXPECT_EQ(clear[0].Attributes.at("r"), "10");
}

TEST(BsplevelSvg, NoRouteAndOddFileNames) {
    // A file name that XML must escape, and a path with no route.
    const std::string level = Temp("a&b<c>'\".txt");
    Write(level, Read(CLOSED));
    const cResult r = Tool({"svg", level, "-o", "-", "--path", "10", "10", "90", "10"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<cElement> svg = Parse_Svg(r.Out);
    EXPECT_EQ(With_Class(svg, "path").size(), 0u);
    EXPECT_EQ(With_Class(svg, "path-none").size(), 1u);
    EXPECT_EQ(With_Class(svg, "wall").size(), 1u);
    EXPECT_EQ(With_Class(svg, "area").size(), 2u);
    EXPECT_EQ(With_Class(svg, "portal").size(), 0u);
}

std::string Rect_Text(const cElement& e) {
    return e.Attributes.at("x") + " " + e.Attributes.at("y") + " " + e.Attributes.at("width") + " " +
           e.Attributes.at("height");
}

// Each route in a colour of its own, not the paths' blue, with the agent's
// square at the start, every corner and the goal; a route that does not
// exist is a dashed line with its reason in a title and under the picture,
// and the square of a blocked end in red.
TEST(BsplevelSvg, RoutesWithTheAgentsSquares) {
    const cResult r = Tool({"svg", SMALL, "-o", "-", "--route", "10", "10", "90", "10", "--path", "10", "10", "90",
                            "10", "--route", "10", "10", "90", "10", "--agent", "5", "--route", "20", "15", "80", "15",
                            "--agent", "11", "--route", "45", "10", "90", "10", "--agent", "6"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const std::vector<cElement> svg = Parse_Svg(r.Out);

    const std::vector<cElement> routes = With_Class(svg, "route");
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[0].Attributes.at("points"), "10,10 50,40 90,10");
    EXPECT_EQ(routes[1].Attributes.at("points"), "10,10 35,25 45,45 55,45 90,10");
    const std::string path_colour = "stroke:#1f63c6";
    EXPECT_NE(routes[0].Attributes.at("style"), routes[1].Attributes.at("style"));
    for (const cElement& e : routes) EXPECT_NE(e.Attributes.at("style"), path_colour);
    ASSERT_EQ(With_Class(svg, "path").size(), 1u);
    EXPECT_NE(r.Out.find(".path{fill:none;" + path_colour + ";"), std::string::npos);

    // Half-size 0 draws no square; half-size 5 one at the start and at each
    // of the four corners; the routes that do not exist one at each end.
    std::vector<std::string> squares;
    for (const cElement& e : With_Class(svg, "agent")) squares.push_back(Rect_Text(e));
    EXPECT_EQ(squares, (std::vector<std::string>{"5 5 10 10", "30 20 10 10", "40 40 10 10", "50 40 10 10",
                                                 "85 5 10 10", "9 4 22 22", "69 4 22 22", "84 4 12 12"}));
    const std::vector<cElement> blocked = With_Class(svg, "agent-blocked");
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_EQ(Rect_Text(blocked[0]), "39 4 12 12");
    EXPECT_EQ(With_Class(svg, "route-none").size(), 2u);
    EXPECT_EQ(With_Class(svg, "route-start").size(), 4u);
    EXPECT_EQ(With_Class(svg, "route-label").size(), 4u);
    EXPECT_EQ(With_Class(svg, "route-point").size(), 6u);
    for (const std::string label :
         {"route from (10,10) to (90,10) for an agent of half-size 5: length 111.012913932",
          "no route from (20,15) to (80,15) for an agent of half-size 11",
          "the start (45,10) is blocked for an agent of half-size 6: its square meets a wall"})
        EXPECT_NE(r.Out.find("<title>" + label + "</title>"), std::string::npos) << label;
}

// A partial route that stops short is dashed (class route-partial, not
// route) to where it stops, with the goal it did not reach crossed out and a
// dotted line to it; one that reaches its goal is drawn as any route. A
// nearest place is a dot at the place, the agent's square there and a
// dashed line from the point asked; none is a cross at the point.
TEST(BsplevelSvg, PartialRoutesAndNearestPlaces) {
    const cResult r =
        Tool({"svg", SMALL, "-o", "-", "--route", "10", "10", "52", "20", "--agent", "3", "--partial-route", "--route",
              "10", "10", "90", "10", "--partial-route", "--route", "10", "10", "52", "20", "--agent", "3", "--nearest",
              "52", "20", "3", "--nearest", "10", "10", "40", "--nearest", "20", "20", "0"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const std::vector<cElement> svg = Parse_Svg(r.Out);

    const std::vector<cElement> partial = With_Class(svg, "route-partial");
    ASSERT_EQ(partial.size(), 1u);
    EXPECT_EQ(partial[0].Attributes.at("points"), "10,10 33,27 47,43 53,43 53,20");
    const std::vector<cElement> routes = With_Class(svg, "route");
    ASSERT_EQ(routes.size(), 1u);
    EXPECT_EQ(routes[0].Attributes.at("points"), "10,10 50,40 90,10");
    EXPECT_EQ(With_Class(svg, "route-none").size(), 1u);  // the third, without --partial-route
    const std::vector<cElement> gap = With_Class(svg, "route-gap");
    ASSERT_EQ(gap.size(), 1u);
    EXPECT_EQ(gap[0].Attributes.at("x1") + "," + gap[0].Attributes.at("y1") + " " + gap[0].Attributes.at("x2") + "," +
                  gap[0].Attributes.at("y2"),
              "53,20 52,20");
    // Crossed out: the goal not reached and the point without a place.
    EXPECT_EQ(With_Class(svg, "unreached").size(), 2u);

    const std::vector<cElement> places = With_Class(svg, "nearest-place");
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0].Attributes.at("cx") + " " + places[0].Attributes.at("cy"), "53 20");
    EXPECT_EQ(places[1].Attributes.at("cx") + " " + places[1].Attributes.at("cy"), "20 20");
    EXPECT_EQ(With_Class(svg, "nearest-asked").size(), 3u);
    // Only the place that moved gets a line; only half-size 3 a square.
    EXPECT_EQ(With_Class(svg, "nearest-move").size(), 1u);
    std::vector<std::string> squares;
    for (const cElement& e : With_Class(svg, "agent")) squares.push_back(Rect_Text(e));
    EXPECT_EQ(std::count(squares.begin(), squares.end(), "50 17 6 6"), 2) << "the partial route's end and the place";
    EXPECT_EQ(With_Class(svg, "nearest-label").size(), 3u);
    for (const std::string label :
         {"partial route from (10,10) to (52,20) for an agent of half-size 3: length 78.8609909176, ends at (53,20), "
          "1 from the goal",
          "route from (10,10) to (90,10) for an agent of half-size 0: length 100",
          "nearest place to (52,20) for an agent of half-size 3: (53,20), 1 away",
          "no place in the world has room for an agent of half-size 40"})
        EXPECT_NE(r.Out.find("<title>" + label + "</title>"), std::string::npos) << label;
    EXPECT_NE(r.Out.find("goal not reached"), std::string::npos);
    EXPECT_NE(r.Out.find("no place (crossed)"), std::string::npos);
}

TEST(BsplevelSvg, UnbuiltWorldShowsItsWalls) {
    const cResult r = Tool({"svg", OUTSIDE, "-o", "-", "--ball", "50", "10", "5", "--partial"});
    ASSERT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("not built"), std::string::npos);
    const std::vector<cElement> svg = Parse_Svg(r.Out);
    EXPECT_EQ(With_Class(svg, "wall").size(), 2u);
    EXPECT_EQ(With_Class(svg, "area").size(), 0u);
    EXPECT_EQ(With_Class(svg, "ball-clear").size(), 2u);
}

}  // namespace
