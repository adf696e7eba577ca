// The wall tree: insertion order and ids, splitting, walls kept on a
// divider's line, the two point lookups, printing and deep trees.
#include <gtest/gtest.h>

#include "bsp.h"
#include "test_support.h"

namespace {

typedef cBSP_Node<cHV_Wall> cNode;

TEST(BspTree, FirstInsertionMakesTheRoot) {
    cBSP_Tree<cHV_Wall> tree;
    tree.Insert(Wall(0, 50, 100, 50));
    ASSERT_NE(tree.Root, nullptr);
    EXPECT_EQ(tree.Root->Id, 0);
    EXPECT_EQ(tree.N_Nodes, 1);
    EXPECT_TRUE(tree.Root->Is_Leaf());
}

TEST(BspTree, SpanningWallGivesFrontPieceTheLowerId) {
    cBSP_Tree<cHV_Wall> tree;
    cCapture_Messages out;
    tree.Insert(Wall(50, 0, 50, 100));
    tree.Insert(Wall(0, 20, 100, 20));
    ASSERT_NE(tree.Root->Front, nullptr);
    ASSERT_NE(tree.Root->Back, nullptr);
    EXPECT_EQ(tree.Root->Front->Id, 1);
    EXPECT_EQ(tree.Root->Front->Item.p0, cPoint2D(0, 20));
    EXPECT_EQ(tree.Root->Front->Item.p1, cPoint2D(50, 20));
    EXPECT_EQ(tree.Root->Back->Id, 2);
    EXPECT_EQ(tree.Root->Back->Item.p0, cPoint2D(50, 20));
    EXPECT_EQ(tree.Root->Back->Item.p1, cPoint2D(100, 20));
    EXPECT_EQ(tree.N_Nodes, 3);
    EXPECT_EQ(out.str(), "");
}

TEST(BspTree, FrontPieceAndItsDescendantsAreNumberedBeforeTheBackPiece) {
    // Root x=50; its front holds y=50. A wall crossing both lines is cut in
    // three: the two front pieces are created before the back piece.
    cBSP_Tree<cHV_Wall> tree;
    tree.Insert(Wall(50, 0, 50, 100));  // 0
    tree.Insert(Wall(0, 50, 40, 50));   // 1, front of the root
    tree.Insert(Wall(30, 10, 30, 90));  // front of the root, crosses y=50
    tree.Insert(Wall(10, 70, 90, 70));  // crosses x=50, then x=30 in front
    const cNode* y50 = tree.Root->Front;
    ASSERT_NE(y50, nullptr);
    // (30,10)-(30,90) was cut by y=50 into ids 2 (front) and 3 (back).
    EXPECT_EQ(y50->Front->Id, 2);
    EXPECT_EQ(y50->Back->Id, 3);
    // (10,70)-(50,70) goes to the front of the root, back of y=50, where
    // x=30 cuts it: (10,70)-(30,70) id 4, (30,70)-(50,70) id 5; only then
    // the root's back piece (50,70)-(90,70) gets id 6.
    EXPECT_EQ(y50->Back->Front->Id, 4);
    EXPECT_EQ(y50->Back->Back->Id, 5);
    EXPECT_EQ(tree.Root->Back->Id, 6);
    EXPECT_EQ(tree.Root->Back->Item.p0, cPoint2D(50, 70));
    EXPECT_EQ(tree.N_Nodes, 7);
}

TEST(BspTree, WallsOnADividersLineAreKeptWithIt) {
    // A wall with a doorway: both halves stay, the second one in the first
    // one's node, and nothing is written.
    cBSP_Tree<cHV_Wall> tree;
    cCapture_Messages out;
    tree.Insert(Wall(0, 50, 40, 50));
    tree.Insert(Wall(60, 50, 100, 50));
    tree.Insert(Wall(40, 50, 40, 50 + 0));  // zero length: reported by the wall itself
    EXPECT_EQ(tree.N_Nodes, 1);
    ASSERT_EQ(tree.Root->Line_Walls.size(), 2u);
    EXPECT_EQ(tree.Root->Line_Walls[0].p0, cPoint2D(60, 50));
    EXPECT_EQ(tree.Root->Line_Walls[0].p1, cPoint2D(100, 50));
    EXPECT_EQ(tree.Root->Line_Walls[1].p0, cPoint2D(40, 50));
    EXPECT_EQ(out.str(),
              "WARNING : cHV_Wall( cPoint2D &A, cPoint2D &B):cWall(A,B) \n"
              "le cHV_Wall a une longueur tres petite ... \n"
              "[40,50]-->[40,50]\n");
}

TEST(BspTree, PiecesOfASplitCanLandOnADeeperLine) {
    // The front piece of a split reaches a node whose line holds it.
    cBSP_Tree<cHV_Wall> tree;
    tree.Insert(Wall(50, 0, 50, 100));
    tree.Insert(Wall(0, 30, 20, 30));
    tree.Insert(Wall(30, 30, 80, 30));
    EXPECT_EQ(tree.N_Nodes, 3);
    ASSERT_EQ(tree.Root->Front->Line_Walls.size(), 1u);
    EXPECT_EQ(tree.Root->Front->Line_Walls[0].p0, cPoint2D(30, 30));
    EXPECT_EQ(tree.Root->Front->Line_Walls[0].p1, cPoint2D(50, 30));
    EXPECT_EQ(tree.Root->Back->Item.p0, cPoint2D(50, 30));
}

TEST(BspTree, InsertionOrderShapesTheTree) {
    cBSP_Tree<cHV_Wall> a, b;
    a.Insert(Wall(0, 50, 100, 50));
    a.Insert(Wall(50, 0, 50, 100));
    b.Insert(Wall(50, 0, 50, 100));
    b.Insert(Wall(0, 50, 100, 50));
    EXPECT_EQ(a.N_Nodes, 3);
    EXPECT_EQ(b.N_Nodes, 3);
    EXPECT_TRUE(a.Root->Item.Horizontal);
    EXPECT_FALSE(b.Root->Item.Horizontal);
}

TEST(BspTree, LookupsFollowTheDividersLines) {
    cBSP_Tree<cHV_Wall> tree;
    tree.Insert(Wall(0, 50, 10, 50));   // 0: root, line y=50
    tree.Insert(Wall(50, 0, 50, 20));   // 1: front of the root, line x=50
    tree.Insert(Wall(70, 60, 70, 100)); // 2: back of the root, line x=70
    const cNode* root = tree.Root;
    struct Case {
        cPoint2D p;
        const cNode* where_is;
        const cNode* where_is_leaf;
    };
    const Case cases[] = {
        // On the root's line far beyond its end points: the root itself.
        {{500, 50}, root, root->Front},
        // Below the root's line every point ends in the leaf node 1, even one
        // on its line.
        {{50, 40}, root->Front, root->Front},
        {{20, 10}, root->Front, root->Front},
        {{60, 10}, root->Front, root->Front},
        {{80, 60}, root->Back, root->Back},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tree.Where_Is(c.p), c.where_is) << c.p;
        EXPECT_EQ(tree.Where_Is_Leaf(c.p), c.where_is_leaf) << c.p;
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
struct Odd_Item {
    int position = POINT_FRONT;
    int divider = DIVIDER_FRONT;
    BSP_POSITION_DIVIDER Get_Position_Divider_And_Split(const Odd_Item&, Odd_Item&, Odd_Item&) const {
        return static_cast<BSP_POSITION_DIVIDER>(divider);
    }
    BSP_POSITION_POINT Get_Position_Point(const cPoint2D&) const {
        return static_cast<BSP_POSITION_POINT>(position);
    }
};

TEST(BspTree, UnknownClassificationsAreReported) {
    cBSP_Tree<Odd_Item> tree;
    Odd_Item root;
    root.divider = 9;
    root.position = 9;
    tree.Insert(root);
    cCapture_Messages out;
    tree.Insert(Odd_Item());
    EXPECT_EQ(tree.N_Nodes, 1);
    EXPECT_EQ(out.str(), "ERROR : class cBSP_Tree : unknown position of the divider \n");

    // Give the root a child so that the lookups consult its divider.
    tree.Root->Front = new cBSP_Node<Odd_Item>(Odd_Item(), 1);
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
