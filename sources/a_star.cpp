#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "a_star.h"

namespace bsp_levels {

bool cA_Star::Search(cA_Star_Node* start, cA_Star_Node* goal, cNode_List& route) const {
    assert(start != NULL);
    assert(goal != NULL);
    cNode_List open, closed, neighbours;

    start->G = 0;
    start->H = float(start->Get_Heuristic(goal));
    start->Parent = NULL;
    open.Insert_Sorted(start);

    while (!open.empty()) {
        cA_Star_Node* current = open.front();
        open.pop_front();
        if (current == goal) {
            Build_Path(goal, route);
            return true;
        }
        closed.push_front(current);
        current->Get_Neighbours(neighbours);
        for (cA_Star_Node* node : neighbours) {
            const bool in_open = open.Contain(node);
            const bool in_closed = closed.Contain(node);
            // The step cost and the current G are added in double precision
            // and the sum is rounded once.
            const float new_g = float(current->Get_Cost(node) + double(current->G));
            if ((in_open || in_closed) && !(new_g < node->G)) continue;
            node->Parent = current;
            node->G = new_g;
            node->H = float(node->Get_Heuristic(goal));
            if (in_closed) closed.remove(node);
            if (!in_open) open.Insert_Sorted(node);
        }
    }
    return false;
}

void cA_Star::Build_Path(cA_Star_Node* destination, cNode_List& route) const {
    assert(destination != NULL);
    for (cA_Star_Node* node = destination; node->Parent != NULL; node = node->Parent)
        route.push_front(node);
}

}  // namespace bsp_levels
