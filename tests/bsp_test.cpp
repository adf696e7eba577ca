// The wall tree: insertion order and ids, splitting, walls kept on a
// divider's line, the two point lookups, printing and deep trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "bsp.h"
#include "test_support.h"

using namespace bsp_levels;

namespace {

typedef cBSP_Node<cHV_Wall> cNode;

// The tree as text, one line per node in id order: the id, H or V, the
// divider, the further walls kept on its line, and the ids of its children
// ("-" for an empty slot).
std::string Tree_Text(const cBSP_Tree<cHV_Wall>& tree) {
    std::vector<const cNode*> nodes;
    std::vector<const cNode*> pending;
    if (tree.Root != nullptr) pending.push_back(tree.Root);
    while (!pending.empty()) {
        const cNode* n = pending.back();
        pending.pop_back();
        nodes.push_back(n);
        if (n->Front != nullptr) pending.push_back(n->Front);
        if (n->Back != nullptr) pending.push_back(n->Back);
    }
    std::sort(nodes.begin(), nodes.end(), [](const cNode* a, const cNode* b) { return a->Id < b->Id; });
    std::ostringstream out;
    auto child = [](const cNode* n) { return n != nullptr ? std::to_string(n->Id) : std::string("-"); };
    for (const cNode* n : nodes) {
        out << n->Id << (n->Item.Horizontal ? " H " : " V ") << n->Item;
        if (!n->Line_Walls.empty()) {
            out << " on line";
            for (const cHV_Wall& w : n->Line_Walls) out << ' ' << w;
        }
        out << " front " << child(n->Front) << " back " << child(n->Back) << '\n';
    }
    return out.str();
}

// Insertion: the first wall is the root; a later wall is cut by the line of
// every node it crosses on its way down, each piece hangs in the free slot it
// reaches, numbered in order of creation (a front piece and the pieces made
// from it before the back piece), and a wall or piece lying on the line of a
// node it reaches is kept with that node.
TEST(BspTree, InsertionCutsNumbersAndKeepsWallsOnDividerLines) {
    struct cCase {
        const char* What;
        std::vector<cWall_Coords> Walls;
        std::string Tree;
        std::string Messages;
    };
    const cCase cases[] = {
        {"the first wall makes the root", {{0, 50, 100, 50}}, "0 H [0,50]-->[100,50] front - back -\n", ""},
        {"a wall on the smaller-y side of the root hangs in front",
         {{0, 50, 60, 50}, {60, 0, 60, 30}},
         "0 H [0,50]-->[60,50] front 1 back -\n"
         "1 V [60,0]-->[60,30] front - back -\n",
         ""},
        {"a spanning wall gives its front piece the lower id",
         {{50, 0, 50, 100}, {0, 20, 100, 20}},
         "0 V [50,0]-->[50,100] front 1 back 2\n"
         "1 H [0,20]-->[50,20] front - back -\n"
         "2 H [50,20]-->[100,20] front - back -\n",
         ""},
        // The last wall crosses x=50, then x=30 in front: its two front
        // pieces are created before its back piece.
        {"a front piece and its descendants come before the back piece",
         {{50, 0, 50, 100}, {0, 50, 40, 50}, {30, 10, 30, 90}, {10, 70, 90, 70}},
         "0 V [50,0]-->[50,100] front 1 back 6\n"
         "1 H [0,50]-->[40,50] front 2 back 3\n"
         "2 V [30,10]-->[30,50] front - back -\n"
         "3 V [30,50]-->[30,90] front 4 back 5\n"
         "4 H [10,70]-->[30,70] front - back -\n"
         "5 H [30,70]-->[50,70] front - back -\n"
         "6 H [50,70]-->[90,70] front - back -\n",
         ""},
        // A wall with a doorway: both halves stay, the second in the first
        // one's node, without a message; a wall of zero length reports itself.
        {"walls on the root's line are kept with it",
         {{0, 50, 40, 50}, {60, 50, 100, 50}, {40, 50, 40, 50}},
         "0 H [0,50]-->[40,50] on line [60,50]-->[100,50] [40,50]-->[40,50] front - back -\n",
         "WARNING : cHV_Wall( cPoint2D &A, cPoint2D &B):cWall(A,B) \n"
         "le cHV_Wall a une longueur tres petite ... \n"
         "[40,50]-->[40,50]\n"},
        {"a split piece reaches a deeper node whose line holds it",
         {{50, 0, 50, 100}, {0, 30, 20, 30}, {30, 30, 80, 30}},
         "0 V [50,0]-->[50,100] front 1 back 2\n"
         "1 H [0,30]-->[20,30] on line [30,30]-->[50,30] front - back -\n"
         "2 H [50,30]-->[80,30] front - back -\n",
         ""},
        {"a split piece overlapping the deeper node's wall is kept too",
         {{50, 0, 50, 100}, {0, 20, 40, 20}, {0, 20, 100, 20}},
         "0 V [50,0]-->[50,100] front 1 back 2\n"
         "1 H [0,20]-->[40,20] on line [0,20]-->[50,20] front - back -\n"
         "2 H [50,20]-->[100,20] front - back -\n",
         ""},
        // The order shapes the tree: the same two walls either way round.
        {"horizontal first",
         {{0, 50, 100, 50}, {50, 0, 50, 100}},
         "0 H [0,50]-->[100,50] front 1 back 2\n"
         "1 V [50,0]-->[50,50] front - back -\n"
         "2 V [50,50]-->[50,100] front - back -\n",
         ""},
        {"vertical first",
         {{50, 0, 50, 100}, {0, 50, 100, 50}},
         "0 V [50,0]-->[50,100] front 1 back 2\n"
         "1 H [0,50]-->[50,50] front - back -\n"
         "2 H [50,50]-->[100,50] front - back -\n",
         ""},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.What);
        cBSP_Tree<cHV_Wall> tree;
        cCapture_Messages out;
        for (const cWall_Coords& w : c.Walls) tree.Insert(Wall(w));
        EXPECT_EQ(Tree_Text(tree), c.Tree);
        EXPECT_EQ(tree.N_Nodes, int(std::count(c.Tree.begin(), c.Tree.end(), '\n')));
        EXPECT_EQ(out.str(), c.Messages);
    }
}

TEST(BspTree, LookupsFollowTheDividersLines) {
    cBSP_Tree<cHV_Wall> tree;
    tree.Insert(Wall(0, 50, 10, 50));   // 0: root, line y=50
    tree.Insert(Wall(50, 0, 50, 20));   // 1: front of the root, line x=50
    tree.Insert(Wall(70, 60, 70, 100)); // 2: back of the root, line x=70
    const cNode* root = tree.Root;
    struct cCase {
        cPoint2D P;
        const cNode* Where_Is;
        const cNode* Where_Is_Leaf;
    };
    const cCase cases[] = {
        // On the root's line far beyond its end points: the root itself.
        {{500, 50}, root, root->Front},
        // Below the root's line every point ends in the leaf node 1, even one
        // on its line.
        {{50, 40}, root->Front, root->Front},
        {{20, 10}, root->Front, root->Front},
        {{60, 10}, root->Front, root->Front},
        {{80, 60}, root->Back, root->Back},
    };
    for (const cCase& c : cases) {
        EXPECT_EQ(tree.Where_Is(c.P), c.Where_Is) << c.P;
        EXPECT_EQ(tree.Where_Is_Leaf(c.P), c.Where_Is_Leaf) << c.P;
    }
}

TEST(BspTree, LookupsInAnEmptyTree) {
    cBSP_Tree<cHV_Wall> tree;
    cCapture_Messages out;
    EXPECT_EQ(tree.Where_Is_Leaf(cPoint2D(1, 2)), nullptr);
    EXPECT_EQ(out.str(), "");
}

TEST(BspTreeDeathTest, WhereIsFromNoNodeIsAnInvariantBreach) {
    cBSP_Tree<cHV_Wall> tree;
    EXPECT_DEATH(tree.Where_Is(cPoint2D(1, 2)), "node != NULL");
    // Before a build a child slot may be empty: descending into it fails too.
    tree.Insert(Wall(0, 50, 100, 50));
    tree.Insert(Wall(50, 0, 50, 40));
    EXPECT_DEATH(tree.Where_Is(cPoint2D(1, 80)), "node != NULL");
}

// An item whose classifications can be set to values outside the enumerations.
struct cOdd_Item {
    int Position = POINT_FRONT;
    int Divider = DIVIDER_FRONT;
    BSP_POSITION_DIVIDER Get_Position_Divider_And_Split(const cOdd_Item&, cOdd_Item&, cOdd_Item&) const {
        return static_cast<BSP_POSITION_DIVIDER>(Divider);
    }
    BSP_POSITION_POINT Get_Position_Point(const cPoint2D&) const {
        return static_cast<BSP_POSITION_POINT>(Position);
    }
};

TEST(BspTree, UnknownClassificationsAreReported) {
    cBSP_Tree<cOdd_Item> tree;
    cOdd_Item root;
    root.Divider = 9;
    root.Position = 9;
    tree.Insert(root);
    cCapture_Messages out;
    tree.Insert(cOdd_Item());
    EXPECT_EQ(tree.N_Nodes, 1);
    EXPECT_EQ(out.str(), "ERROR : class cBSP_Tree : unknown position of the divider \n");

    // Give the root a child so that the lookups consult its divider.
    tree.Root->Front = new cBSP_Node<cOdd_Item>(cOdd_Item(), 1);
    cCapture_Messages lookups;
    EXPECT_EQ(tree.Where_Is(cPoint2D(0, 0)), nullptr);
    EXPECT_EQ(tree.Where_Is_Leaf(cPoint2D(0, 0)), nullptr);
    const std::string message = "ERROR 001 : cBSP_Node * Where_Is( cItem & item , cBSP_Node * node ) \n";
    EXPECT_EQ(lookups.str(), message + message);
}

TEST(BspTree, PrintOfANodeWithoutChildren) {
    cBSP_Tree<cHV_Wall> tree;
    tree.Insert(Wall(0, 50, 100, 50));
    cCapture_Messages out;
    tree.Root->Print();
    EXPECT_EQ(out.str(), "empty] <---> [empty] \n");
}

TEST(BspTree, PrintWalksFrontBeforeBack) {
    cBSP_Tree<cHV_Wall> tree;
    tree.Insert(Wall(50, 0, 50, 100));  // 0
    tree.Insert(Wall(0, 20, 100, 20));  // 1 front, 2 back
    tree.Insert(Wall(10, 0, 10, 10));   // 3 under 1
    cCapture_Messages out;
    tree.Root->Print();
    EXPECT_EQ(out.str(),
              "1] <---> [2] \n"        // root
              "3] <---> [empty] \n"    // node 1
              "empty] <---> [empty] \n"  // node 3
              "empty] <---> [empty] \n");  // node 2
}

TEST(BspTree, VeryDeepTreesDoNotExhaustTheStack) {
    // Walls in increasing order of y make a tree as deep as it has walls.
    const int n = 20000;
    cBSP_Tree<cHV_Wall> tree;
    for (int y = 1; y <= n; ++y) tree.Insert(Wall(0, y, 10, y));
    EXPECT_EQ(tree.N_Nodes, n);
    const cNode* deepest = tree.Where_Is_Leaf(cPoint2D(5, n + 5));
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(deepest->Id, n - 1);
    EXPECT_EQ(tree.Where_Is(cPoint2D(5, n)), deepest);
    // Destruction at the end of the test walks the whole depth as well.
}

}  // namespace
