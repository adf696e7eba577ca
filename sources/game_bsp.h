// The game world: one level in memory. It is the BSP tree of the level's
// walls; its build cuts the world rectangle into rectangular areas hung as the
// tree's leaves, gives every area the wall pieces and portals on its sides and
// links the portals into the search graph. A built world answers path,
// segment and ball queries.
#ifndef GAME_BSP_H
#define GAME_BSP_H

#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "a_star.h"
#include "bsp.h"
#include "game_graph.h"
#include "geo_utils.h"
#include "hv_wall.h"

// The extent of the first area of every world built from now on. It starts as
// [0,0]-[100,100]; the level loader overwrites it when a level has an area
// item, and nothing resets it.
extern cRect2D WORLD_BOUNDS;

// Which algorithms a world runs. Both give the same answers in every
// respect (areas, portals and their ids and orders, waypoints, routes, hits,
// messages). REFERENCE runs the straightforward algorithms: every portal
// placed walks the list of all portals, a path query keeps its open and
// closed sets in linked lists and writes the search fields of the shared
// nodes, and a segment query descends the tree at every grid point. FAST,
// the default, indexes portals by line, searches on flat arrays with its own
// per-query state (so several threads may query one built world at once) and
// steps a segment from area to area.
enum class cEngine { FAST, REFERENCE };

// A rectangular area, hung in the wall tree as a leaf.
class cSquarePortal : public cBSP_Node<cHV_Wall> {
public:
    cRect2D Bounds;                 // the area, borders included
    std::vector<cHV_Seg*> Walls;    // wall pieces on the sides (owned)
    std::vector<cPortal*> Portals;  // portals on the sides (owned by the world)
    // Waypoints between aligned portals of this area (owned).
    std::vector<cAligned_WayPoint*> WayPoints;

    explicit cSquarePortal(const cRect2D& bounds);
    ~cSquarePortal() override;

    // Writes the area's block: bounds, wall pieces and portals.
    void Print() override;

    // Two new areas, the halves of Bounds on either side of the wall's line.
    void Split_By_Wall(const cHV_Wall& wall, cSquarePortal*& front, cSquarePortal*& back) const;
    // The centre of Bounds, halves rounded toward zero.
    void Get_Center(cPoint2D& p) const;
    // Adds a wall piece lying on the area's border.
    void Add_Wall(const cSeg& w);
    // Adds a portal and makes it a neighbour of every portal of the area that
    // does not lie on its line.
    void Add_Portal(cPortal* portal);
    // Places a waypoint between every two portals of the area that lie on one
    // line, and between two portals that stand on one side of the area with a
    // wall piece between them (no longer neighbours then).
    void Link_Aligned_Portals();

private:
    friend class cGame_World;
    // For each side (y = ymin, x = xmax, y = ymax, x = xmin), the node whose
    // divider cut the region along it during the partition; null for a side
    // that no cut made.
    cBSP_Node<cHV_Wall>* Side_Nodes[4] = {nullptr, nullptr, nullptr, nullptr};

    // The border line of the area on which both points stand: horizontal or
    // not, and its coordinate. False when they share none.
    bool Shared_Side(const cPoint2D& a, const cPoint2D& b, bool& horizontal, int& line) const;
    // Both points stand on one border line of the area, with a wall piece of
    // the area between them.
    bool Wall_Between(const cPoint2D& a, const cPoint2D& b) const;
};

// Every wall of a level by line, for testing grid points: on each
// horizontal line y (each vertical line x) the stretches of x (of y) that
// walls cover, merged and in order.
class cWall_Index {
public:
    void Build(const std::vector<cHV_Wall>& walls, const cRect2D& world);
    // Whether a wall contains p.
    bool Contains(const cPoint2D& p) const { return horizontal_.Covers(p.y, p.x) || vertical_.Covers(p.x, p.y); }

private:
    // The walls of one orientation, line by line.
    struct Lines {
        std::vector<int> line;   // the coordinates of the lines that hold walls, in order
        std::vector<int> first;  // line[i]'s stretches: stretch[first[i]] .. stretch[first[i + 1] - 1]
        std::vector<std::pair<int, int>> stretch;
        // Where the world is narrow enough, slot[c - origin] is the index in
        // line of the line at c, or -1; elsewhere line is searched.
        int origin = 0;
        std::vector<int> slot;

        // walls: (line, (from, to)) pairs.
        void Build(std::vector<std::pair<int, std::pair<int, int>>>& walls, int lo, int hi);
        bool Covers(int c, int v) const;
    };
    Lines horizontal_, vertical_;
};

// The areas of a built world in a grid of buckets, for finding the area of a
// point without descending the tree. A point strictly inside an area has
// that area; a point on borders has the one area that holds it without
// standing on its smaller-coordinate side across a divider (the tree sends a
// point on a divider's line to the front side). Where that does not decide
// (ties at the world's border), the grid says so and the tree decides.
class cArea_Grid {
public:
    void Build(const std::vector<cSquarePortal*>& areas, const cRect2D& world);
    // The area the tree's lookup gives p, or null when the grid cannot tell.
    cSquarePortal* Find(const cPoint2D& p) const;

private:
    int Bucket(int v, int lo, int count) const;
    cRect2D world_;
    std::int64_t cell_ = 1;
    int columns_ = 0, rows_ = 0;
    std::vector<int> first_;  // the areas of bucket b: areas_[first_[b]] .. areas_[first_[b + 1] - 1]
    std::vector<cSquarePortal*> areas_;
};

class cGame_World : public cBSP_Tree<cHV_Wall> {
public:
    std::vector<cSquarePortal*> Areas;  // every area, in numbering order (-1 first)
    std::vector<cPortal*> Portals;      // every portal, in creation order (owned)
    int N_Areas = 0;
    int N_Portals = 0;
    bool Squares_Done = false;
    cA_Star Path_Finder;

    cGame_World() = default;
    explicit cGame_World(cEngine engine) : Engine(engine) {}
    ~cGame_World();
    cEngine Get_Engine() const { return Engine; }

    // Inserts a wall into the wall tree. Refused, with a message, once the
    // world is built and for a wall that is neither horizontal nor vertical.
    void Insert(const cHV_Wall& wall);

    // Cuts the world into areas, decorates them with walls and portals and
    // links aligned portals. Refused, with a message, when a wall lies outside
    // WORLD_BOUNDS: the world then stays unbuilt. Does nothing on a built world.
    void Build();
    // Built: all three build steps have run.
    bool Is_Built() const { return Stage == WAYPOINTS_BUILT; }

    // Build step 1: areas under every free child slot, numbered -1, -2, ...
    // Refused when a wall lies outside WORLD_BOUNDS.
    void Decorate_With_Square_Portals();
    // Partitions region (an area holding node's region, not yet attached) by
    // node's subtree. region is released.
    void Decorate_Node(Node* node, cSquarePortal* region);

    // Build step 2: wall pieces and portals on every side of every area.
    void Decorate_With_Walls_And_Portals();
    void Decorate_Side(cSquarePortal* area, const cHV_Seg& side);
    // The parts of side outside the covered stretch inter become portals.
    void Add_Side_Portals(cSquarePortal* area, const cHV_Seg& side, const cHV_Seg& inter);
    // The same for several covered stretches (single points included), given
    // in order along side: every open stretch of positive length between them
    // becomes a portal.
    void Add_Side_Portals(cSquarePortal* area, const cHV_Seg& side, const std::vector<cHV_Seg>& covered);
    // Gives area the portals that cover seg exactly, finding, cutting or
    // creating them. Returns the portal when seg matched one portal, null when
    // seg was handled in pieces.
    cPortal* Insert_Portal(cSquarePortal* area, const cHV_Seg& seg);
    // Shrinks p to the stretch seg of its segment; the rest become new portals.
    void Split_Portal(cPortal* p, const cHV_Seg& seg);

    // Build step 3: waypoints between aligned portals of every area.
    void Link_Aligned_Portals();

    // The queries answer false (no route, no hit, no touch) on a world that
    // is not built and for points outside the coordinate range.

    // Route from start to goal: the points to head for, ending with goal.
    // Returns false, with path empty, when no route exists, and when start or
    // goal lies outside the rectangle the world was built with.
    bool Find_Path(const cPoint2D& start, const cPoint2D& goal, std::vector<cPoint2D>& path);

    // Walks seg from p0 to p1 and reports the first grid point that lies on a
    // wall. The walk stops once a point at squared distance limit or more from
    // p0 has been tested.
    bool Intersect_Segment(const cSeg& seg, cPoint2D& hit);
    bool Intersect_Segment(const cSeg& seg, cPoint2D& hit, std::int64_t limit);
    // True when a wall lies closer than |radius| to (x, y).
    bool Intersect_Ball(int x, int y, int radius);

    // The area holding p (a point on a divider's line belongs to its front
    // side), or null when the world has no area.
    cSquarePortal* Area_At(const cPoint2D& p) const;
    // True when any wall of the world contains p.
    bool Is_On_Wall(const cPoint2D& p) const;
    // The rectangle the world was built with.
    const cRect2D& Get_Bounds() const { return Built_Bounds; }
    // Every wall accepted by Insert, in insertion order.
    const std::vector<cHV_Wall>& Get_Level_Walls() const { return Level_Walls; }

private:
    // Area_At, through the fast engine's grid when it can tell.
    cSquarePortal* Locate(const cPoint2D& p) const;
    // Whether a wall of the world lies at a squared distance below r2 from c.
    bool Wall_Within(const cPoint2D& c, std::int64_t r2) const;
    // The node whose divider's line holds side, or null when no wall's line does.
    Node* Find_Side_Node(const cHV_Seg& side) const;
    // Gives area the wall pieces and portals of side, whose line node holds.
    void Decorate_Side(cSquarePortal* area, const cHV_Seg& side, Node* node);
    // The portal that Insert_Portal's walk over all portals would stop at for
    // seg: the first in creation order overlapping seg along a positive
    // length. Found through the index of portals by line.
    cPortal* First_Overlapping_Portal(const cHV_Seg& seg) const;
    void Index_Portal(cPortal* portal);
    void Unindex_Portal(const cPortal* portal);
    // Creates a portal on seg for area, with the next Id.
    cPortal* Add_New_Portal(cSquarePortal* area, const cHV_Seg& seg);
    // The fast segment walk from a, whose area is area, to b: it jumps across
    // each area's inside, where no wall can be, and tests the points on area
    // borders against the wall index.
    bool Walk_Areas(const cPoint2D& a, const cPoint2D& b, const cSquarePortal* area, std::int64_t limit,
                    cPoint2D& hit) const;

    // How far the build has gone; each step runs once.
    enum Build_Stage { NOTHING_BUILT, SQUARES_BUILT, PORTALS_BUILT, WAYPOINTS_BUILT };
    Build_Stage Stage = NOTHING_BUILT;
    cEngine Engine = cEngine::FAST;
    cRect2D Built_Bounds;
    std::vector<cHV_Wall> Level_Walls;
    // The fast engine's search graph and wall index, built with the world.
    cSearch_Graph Graph;
    cWall_Index Wall_Index;
    cArea_Grid Area_Grid;
    // The fast engine's portals by line (orientation and coordinate), each
    // line's portals by the coordinate where they start; on one line portals
    // overlap in one point at most.
    std::unordered_map<std::int64_t, std::map<int, cPortal*>> Portal_Lines;
};

// Whether a point lies within the coordinate range the library supports.
bool In_Coordinate_Range(const cPoint2D& p);

#endif
