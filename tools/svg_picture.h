// An SVG picture of a built level: solid rock, walls, areas with their ids,
// portals with their ids, waypoints, and the answers of a few queries drawn
// on top.
#ifndef SVG_PICTURE_H
#define SVG_PICTURE_H

#include <ostream>
#include <string>
#include <vector>

#include "game_bsp.h"

namespace bsp_levels {

struct cSvg_Path {
    cPoint2D Start, Goal;
    bool Found = false;
    std::vector<cPoint2D> Points;  // the library's path: without the start, ending with the goal
};

// A shortest route for a square agent. A partial one (Status
// ROUTE_PARTIAL) ends short of the goal, at the reachable point nearest to
// it: it is drawn dashed, with the goal it did not reach crossed out.
struct cSvg_Route {
    cPoint2D Start, Goal;
    int Half_Size = 0;
    bool Partial = false;  // asked as a partial route
    ROUTE_STATUS Status = ROUTE_NONE;
    std::vector<cPoint2D> Points;  // the corners after the start, ending with the goal (or where it stops)
    double Length = 0;
    std::string Label;  // its line in the legend: its length, or why there is none
};

// The nearest place to a point where a square agent has room.
struct cSvg_Nearest {
    cPoint2D Point;
    int Half_Size = 0;
    ROUTE_STATUS Status = ROUTE_NONE;
    cPoint2D Place;     // with ROUTE_FOUND
    std::string Label;  // its line in the legend
};

struct cSvg_Segment {
    cPoint2D A, B;
    bool Hit = false;
    cPoint2D Hit_Point;
};

struct cSvg_Ball {
    cPoint2D Centre;
    int Radius = 0;
    bool Touch = false;
};

struct cSvg_Queries {
    std::vector<cSvg_Path> Paths;
    std::vector<cSvg_Route> Routes;
    std::vector<cSvg_Segment> Segments;
    std::vector<cSvg_Ball> Balls;
    std::vector<cSvg_Nearest> Nearest;
};

// What a picture shows of the level itself.
struct cSvg_Layers {
    bool Walls = true;
    bool Areas = true;      // outlines and ids
    bool Portals = true;    // lines and ids
    bool Waypoints = true;
    bool Solid = true;      // solid rock shaded; nothing of the areas inside it is drawn
};

// Reads a comma-separated list of layer names (walls, areas, portals,
// waypoints, solid), each at most once. On failure, error says why.
bool Parse_Svg_Layers(const std::string& text, cSvg_Layers& layers, std::string& error);

// The layer names in the order Parse_Svg_Layers knows them, comma-separated.
std::string Svg_Layer_Names(const cSvg_Layers& layers);

// A drawing of more areas or walls than this (in the drawn part) is large:
// its default layers leave out areas, portals and waypoints, and each layer
// is written as one compact element.
constexpr int SVG_LARGE_DRAWING = 2000;

struct cSvg_Options {
    // The part of the level drawn, corners included; everything else is
    // left out. Without it the picture holds the world and every query.
    bool Has_View = false;
    cRect2D View;
    // What is drawn of the level; by default everything, or on a large
    // drawing walls and solid rock only.
    bool Has_Layers = false;
    cSvg_Layers Layers;
};

// Whether an area lies in solid rock.
bool Is_Solid_Area(const cSquarePortal& area);

// The outline of a union of rectangles whose interiors are disjoint (empty
// ones are ignored): closed loops of corners, each loop's last corner joined
// to its first. Every side is horizontal or vertical, no two sides in a row
// lie on one line, and the union lies on the left of every side when y
// grows upward (so the winding number is 1 inside the union, 0 outside).
std::vector<std::vector<cPoint2D>> Union_Outline(const std::vector<cRect2D>& rects);

// Draws the world within bounds (widened to hold every query, or the view
// alone) with a margin. The level's y axis points down the picture, as the
// rows of a grid map do. In a drawing that is not large every level wall is
// one element of class "wall", every area one of class "area" and every
// portal one of class "portal"; a large one draws each layer as one path
// (classes "walls", "areas", "portals", "waypoints") and says in a comment
// which layers its defaults left out. Solid rock is one path of class "rock".
// Ids are written only where their text fits inside the area or along the
// portal. Each path, route and nearest place gets a colour of its own (in
// that order) and a line in the legend under the picture. caption names the level; a world that is not
// built shows its walls and says so.
void Write_Svg(std::ostream& out, const cGame_World& world, const cRect2D& bounds, const std::string& caption,
               const cSvg_Queries& queries, const cSvg_Options& options = cSvg_Options());

}  // namespace bsp_levels

#endif
