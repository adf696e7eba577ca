// A* search over the nodes of a level's search graph.
//
// The open list is a linked list kept in ascending F: among equal F the node
// inserted first is taken first, and a node whose cost drops while it waits
// keeps its place. A closed node reached again by a strictly cheaper route is
// opened again. The search writes Parent, G and H into the nodes it reaches.
#ifndef A_STAR_H
#define A_STAR_H

#include "game_graph.h"

class cA_Star {
public:
    // Searches a cheapest route from start to goal. On success puts the route,
    // from the first node after start to goal, in front of route's contents
    // and returns true; returns false, with route untouched, when goal cannot
    // be reached.
    bool Search(cA_Star_Node* start, cA_Star_Node* goal, cNode_List& route);
    // Walks back from destination along Parent and puts the nodes, all but
    // the one without Parent, at the front of route.
    void Build_Path(cA_Star_Node* destination, cNode_List& route);
};

// The same search on a cSearch_Graph, with the same expansions, tie-breaks
// and roundings as cA_Star, for a start and a goal point joined to the graph
// as a path query joins them: the start reaches its area's portals, last
// first; each portal of the goal's area reaches the goal after all its other
// neighbours. It writes nothing into the graph: its state lives in arrays of
// the calling thread, reused from one search to the next, so searches on one
// graph may run in several threads at once.
//
// The open list keeps the linked list's behaviour (a node goes before the
// first node whose F is greater; a node whose F drops keeps its place) in a
// B+ tree ordered by list position, where each entry of an inner node knows
// the greatest F below it: every operation costs a logarithmic time.
class cFast_A_Star {
public:
    // On success fills path with the positions of the route after the start,
    // ending with goal, and returns true; otherwise returns false.
    static bool Search(const cSearch_Graph& graph, const cPoint2D& start, const std::vector<cPortal*>& start_portals,
                       const cPoint2D& goal, const std::vector<cPortal*>& goal_portals, std::vector<cPoint2D>& path);
};

#endif
