// A binary space partitioning tree over the integer plane whose dividers are
// the stored items themselves. The first item inserted becomes the root; the
// tree is never rebalanced, so its shape is fixed by the order of insertion.
//
// cItem must provide default construction, copying and
//   BSP_POSITION_DIVIDER Get_Position_Divider_And_Split(const cItem& w, cItem& w_front, cItem& w_back) const
//   BSP_POSITION_POINT   Get_Position_Point(const cPoint2D& p) const
//
// Every walk over the tree (insertion, lookups, printing, destruction) is a
// loop with an explicit stack, so a tree as deep as it has items is fine.
#ifndef BSP_H
#define BSP_H

#include <cassert>
#include <cstdint>
#include <sstream>
#include <utility>
#include <vector>

#include "geo_utils.h"
#include "hv_wall.h"
#include "messages.h"
#include "world_pool.h"

namespace bsp_levels {

template <class cItem>
class cBSP_Node {
public:
    // Writes this node's line ("front id] <---> [back id] ") and then its
    // subtree, front before back; areas hung as leaves print their own block.
    virtual void Print();

    cBSP_Node* Front = nullptr;  // child on the front side of Item's line
    cBSP_Node* Back = nullptr;   // child on the back side
    cItem Item;                  // the divider (a default item in an area)
    int Id = -1;
    // Further items lying on Item's line, in insertion order. They divide
    // nothing more but are walls all the same.
    std::vector<cItem> Line_Walls;

    cBSP_Node() = default;
    cBSP_Node(const cItem& item, int id) : Item(item), Id(id) {}
    virtual ~cBSP_Node();
    cBSP_Node(const cBSP_Node&) = delete;
    cBSP_Node& operator=(const cBSP_Node&) = delete;

    bool Is_Leaf() const { return Front == nullptr && Back == nullptr; }

protected:
    void Print_Line() const;
};

template <class cItem>
class cBSP_Tree {
public:
    typedef cBSP_Node<cItem> Node;

    Node* Root = nullptr;
    int N_Nodes = 0;  // nodes created by insertion; also the next node's Id
    // The work of every insertion so far: one step for each divider an item
    // or a piece of it was classified against.
    std::int64_t Insert_Steps = 0;

    cBSP_Tree() = default;
    ~cBSP_Tree();
    cBSP_Tree(const cBSP_Tree&) = delete;
    cBSP_Tree& operator=(const cBSP_Tree&) = delete;

    // Stores a copy of item, or of the pieces that dividers cut it into.
    void Insert(const cItem& item);
    // The first node on the way down whose divider's line holds the point, or
    // the leaf reached when there is none. node must not be null.
    Node* Where_Is(const cPoint2D& item) { return Where_Is(item, Root); }
    Node* Where_Is(const cPoint2D& item, Node* node);
    // The leaf that holds the point; a point on a divider's line goes to the
    // front side. Null from an empty tree.
    Node* Where_Is_Leaf(const cPoint2D& item) const { return Where_Is_Leaf(item, Root); }
    Node* Where_Is_Leaf(const cPoint2D& item, Node* node) const;

protected:
    // Where Insert makes the nodes: the heap, or a pool that the derived
    // tree owns (it then takes the nodes apart itself before the pool goes,
    // and leaves Root null).
    cWorld_Pool* Node_Pool = nullptr;

private:
    // Descends from node toward the point; stops at a node whose divider's
    // line holds it when stop_on_line, else goes on to its front side.
    static Node* Descend(const cPoint2D& item, Node* node, bool stop_on_line);

};

// ------------------------------------------------------------------ node

template <class cItem>
cBSP_Node<cItem>::~cBSP_Node() {
    // Detach the subtrees and release them one node at a time; each node's
    // own destructor then finds no children and releases only what it owns.
    std::vector<cBSP_Node*> pending;
    if (Back) pending.push_back(Back);
    if (Front) pending.push_back(Front);
    Front = Back = nullptr;
    while (!pending.empty()) {
        cBSP_Node* n = pending.back();
        pending.pop_back();
        if (n->Back) pending.push_back(n->Back);
        if (n->Front) pending.push_back(n->Front);
        n->Front = n->Back = nullptr;
        delete n;
    }
}

template <class cItem>
void cBSP_Node<cItem>::Print_Line() const {
    std::ostringstream line;
    if (Front) line << Front->Id; else line << "empty";
    line << "] <---> [";
    if (Back) line << Back->Id; else line << "empty";
    line << "] \n";
    Message_Sink() << line.str();
}

template <class cItem>
void cBSP_Node<cItem>::Print() {
    std::vector<cBSP_Node*> pending{this};
    while (!pending.empty()) {
        cBSP_Node* n = pending.back();
        pending.pop_back();
        if (n != this && n->Is_Leaf()) {
            n->Print();  // a leaf prints in its own form
            continue;
        }
        n->Print_Line();
        if (n->Back) pending.push_back(n->Back);
        if (n->Front) pending.push_back(n->Front);
    }
}

// ------------------------------------------------------------------ tree

template <class cItem>
cBSP_Tree<cItem>::~cBSP_Tree() {
    delete Root;
    Root = nullptr;
}

template <class cItem>
void cBSP_Tree<cItem>::Insert(const cItem& item) {
    // The item descends from the root until it reaches an empty child slot.
    // When a divider cuts it, the front piece goes on at once and the back
    // piece waits; waiting pieces are taken last-in first-out, so the front
    // piece, and every node its descent creates, is placed before the back
    // piece.
    // Kept from call to call (a level inserts its walls one by one).
    thread_local std::vector<std::pair<Node**, cItem>> waiting;
    waiting.clear();
    Node** slot = &Root;
    cItem w = item;
    cItem w_front, w_back;  // receive the pieces of a split
    for (;;) {
        Node* node = *slot;
        if (node == nullptr) {
            *slot = Node_Pool != nullptr ? Node_Pool->New<Node>(w, N_Nodes) : new Node(w, N_Nodes);
            ++N_Nodes;
        } else {
            ++Insert_Steps;
            switch (node->Item.Get_Position_Divider_And_Split(w, w_front, w_back)) {
            case DIVIDER_FRONT:
                slot = &node->Front;
                continue;
            case DIVIDER_BACK:
                slot = &node->Back;
                continue;
            case DIVIDER_SPANNING:
                waiting.emplace_back(&node->Back, w_back);
                slot = &node->Front;
                w = w_front;
                continue;
            case DIVIDER_ON:
                node->Line_Walls.push_back(w);
                break;
            default:
                Message_Sink() << "ERROR : class cBSP_Tree : unknown position of the divider \n";
                break;
            }
        }
        if (waiting.empty()) return;
        slot = waiting.back().first;
        w = waiting.back().second;
        waiting.pop_back();
    }
}

template <class cItem>
cBSP_Node<cItem>* cBSP_Tree<cItem>::Where_Is(const cPoint2D& item, Node* node) {
    return Descend(item, node, true);
}

template <class cItem>
cBSP_Node<cItem>* cBSP_Tree<cItem>::Where_Is_Leaf(const cPoint2D& item, Node* node) const {
    return Descend(item, node, false);
}

template <class cItem>
cBSP_Node<cItem>* cBSP_Tree<cItem>::Descend(const cPoint2D& item, Node* node, bool stop_on_line) {
    for (;;) {
        if (stop_on_line) assert(node != NULL);  // the stopping lookup never meets an empty slot
        if (node == nullptr || node->Is_Leaf()) return node;
        switch (node->Item.Get_Position_Point(item)) {
        case POINT_ON:
            if (stop_on_line) return node;
            node = node->Front;  // a point on a divider's line belongs to its front side
            break;
        case POINT_FRONT:
            node = node->Front;
            break;
        case POINT_BACK:
            node = node->Back;
            break;
        default:
            Message_Sink() << "ERROR 001 : cBSP_Node * Where_Is( cItem & item , cBSP_Node * node ) \n";
            return nullptr;
        }
    }
}

// The library instantiates the wall tree once, with its assertions enabled.
extern template class cBSP_Node<cHV_Wall>;
extern template class cBSP_Tree<cHV_Wall>;

}  // namespace bsp_levels

#endif
