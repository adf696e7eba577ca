// The search graph of a built level. Its nodes are the portals (open
// stretches between two areas), the waypoints placed between two portals of
// one area that lie on one line, and, for one path query, a start and a goal
// point node. Every step costs the straight-line distance between the nodes'
// positions, and that distance to the goal is also the estimate.
#ifndef GAME_GRAPH_H
#define GAME_GRAPH_H

#include <cmath>
#include <list>
#include <ostream>
#include <vector>

#include "geo_utils.h"
#include "world_pool.h"

namespace bsp_levels {

class cSquarePortal;
class cNode_List;

// What the A* search knows of a node.
class cA_Star_Node {
public:
    cA_Star_Node* Parent = nullptr;  // predecessor on the best route found so far
    float G = 0;                     // cost of that route from the start
    float H = 0;                     // estimate of the cost to the goal
    cPoint2D Position;

    virtual double Get_Cost(cA_Star_Node* destination) = 0;
    virtual double Get_Heuristic(cA_Star_Node* destination) = 0;
    // Puts the nodes that one step reaches into list.
    virtual void Get_Neighbours(cNode_List& list) = 0;

    cA_Star_Node() = default;
    virtual ~cA_Star_Node() = default;
    cA_Star_Node(const cA_Star_Node&) = delete;
    cA_Star_Node& operator=(const cA_Star_Node&) = delete;

    double Get_F() const { return double(G) + double(H); }
};

// The allocator of node lists: a world's pool for the lists of the nodes it
// makes, the heap for every other list.
typedef cPool_Allocator<cA_Star_Node*> cNode_Allocator;

// A linked list of node pointers; it never owns the nodes.
class cNode_List : public std::list<cA_Star_Node*, cNode_Allocator> {
public:
    using std::list<cA_Star_Node*, cNode_Allocator>::list;
    cNode_List() = default;

    bool Contain(const cA_Star_Node* node) const;
    // Inserts node before the first element whose F is strictly greater than
    // node's F (rounded to single precision), or at the back: among equal F
    // the node inserted first stays first.
    void Insert_Sorted(cA_Star_Node* node);
};

// An open stretch of an area side, shared by the two areas it joins.
class cPortal : public cA_Star_Node {
public:
    cSquarePortal* Area1 = nullptr;
    cSquarePortal* Area2 = nullptr;
    cHV_Seg Segment;
    cNode_List Voisinage;  // the nodes one step reaches, newest first
    int Id;

    // lists: where Voisinage takes its entries (the heap by default).
    explicit cPortal(int id, const cNode_Allocator& lists = cNode_Allocator());
    cPortal(const cHV_Seg& segment, cSquarePortal* area, int id, const cNode_Allocator& lists = cNode_Allocator());

    // Records the second area the portal joins (or the first, when it has none).
    void Add_Area(cSquarePortal* new_area);
    void Add_Neighbour(cA_Star_Node* node);
    void Remove_Neighbour(cA_Star_Node* node);
    int Get_Id() const { return Id; }

    double Get_Cost(cA_Star_Node* destination) override;
    double Get_Heuristic(cA_Star_Node* destination) override;
    // Replaces list's contents with the neighbours, earliest added first.
    void Get_Neighbours(cNode_List& list) override;
};

std::ostream& operator<<(std::ostream& os, const cPortal& portal);

// A point inside an area between two portals that lie on one line, so that a
// route can go from one to the other through the area.
class cAligned_WayPoint : public cPortal {
public:
    cAligned_WayPoint(const cPoint2D& P, cSquarePortal* area, const cNode_Allocator& lists = cNode_Allocator());
};

// The start or goal of one path query.
class cPoint_Node : public cA_Star_Node {
public:
    cSquarePortal* Area;
    // The open door portals on the area's sides, reached after its portals.
    std::vector<cPortal*> Door_Portals;

    cPoint_Node(cSquarePortal* area, const cPoint2D& point);

    double Get_Cost(cA_Star_Node* destination) override;
    double Get_Heuristic(cA_Star_Node* destination) override;
    // Puts the area's portals, last first, then its open door portals in
    // order, in front of list's contents.
    void Get_Neighbours(cNode_List& list) override;
};

// Euclidean distance between two points.
inline double Distance(const cPoint2D& a, const cPoint2D& b) { return std::sqrt(double(Square_Distance(a, b))); }

}  // namespace bsp_levels

#endif
