// A* search over the nodes of a level's search graph.
//
// The open list is a linked list kept in ascending F: among equal F the node
// inserted first is taken first, and a node whose cost drops while it waits
// keeps its place. A closed node reached again by a strictly cheaper route is
// opened again. The search writes Parent, G and H into the nodes it reaches.
#ifndef A_STAR_H
#define A_STAR_H

#include "game_graph.h"

namespace bsp_levels {

class cA_Star {
public:
    // Searches a cheapest route from start to goal. On success puts the route,
    // from the first node after start to goal, in front of route's contents
    // and returns true; returns false, with route untouched, when goal cannot
    // be reached.
    bool Search(cA_Star_Node* start, cA_Star_Node* goal, cNode_List& route) const;
    // Walks back from destination along Parent and puts the nodes, all but
    // the one without Parent, at the front of route.
    void Build_Path(cA_Star_Node* destination, cNode_List& route) const;
};

}  // namespace bsp_levels

#endif
