// An SVG picture of a built level: walls, areas with their ids, portals with
// their ids, waypoints, and the answers of a few queries drawn on top.
#ifndef SVG_PICTURE_H
#define SVG_PICTURE_H

#include <ostream>
#include <string>
#include <vector>

#include "game_bsp.h"

struct cSvg_Path {
    cPoint2D Start, Goal;
    bool Found = false;
    std::vector<cPoint2D> Points;  // the library's path: without the start, ending with the goal
};

// A shortest route for a square agent.
struct cSvg_Route {
    cPoint2D Start, Goal;
    int Half_Size = 0;
    ROUTE_STATUS Status = ROUTE_NONE;
    std::vector<cPoint2D> Points;  // the corners after the start, ending with the goal
    double Length = 0;
    std::string Label;  // one line under the picture: its length, or why there is none
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
};

// Draws the world within bounds (widened to hold every query) with a margin.
// The level's y axis points down the picture, as the rows of a grid map do.
// Every level wall is one element of class "wall", every area one of class
// "area" and every portal one of class "portal". Ids are written only where
// their text fits inside the area or along the portal. caption names the
// level; a world that is not built shows its walls and says so.
void Write_Svg(std::ostream& out, const cGame_World& world, const cRect2D& bounds, const std::string& caption,
               const cSvg_Queries& queries);

#endif
