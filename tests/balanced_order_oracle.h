// The balanced wall order as first written: the model tree replayed with
// every slot's pieces sorted afresh and every candidate line's cost counted
// over all of them, each wall's pieces sent down from the root. Slow (its
// time grows with the pieces times the candidates, level after level) but
// plain; the tests hold the importer's Order_Walls to its answers.
#ifndef BALANCED_ORDER_ORACLE_H
#define BALANCED_ORDER_ORACLE_H

#include <algorithm>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "grid_import.h"

namespace balanced_oracle {

using bsp_levels::cGrid_Wall;

// The balanced order replays, in a light model of the level's tree, what the
// library's insertion does with the walls written so far: every wall is cut
// by the lines of the walls written before it that it crosses, a piece lying
// on such a line stays with that line's node, and every other piece becomes a
// node in the empty slot it reaches. The model keeps, in each empty slot, the
// pieces of the walls not yet written that would reach it. Slots are visited
// breadth first; an empty slot that still expects pieces gets the line that
// divides them best, and the wall holding that line is written next (all its
// pieces land at once, each in the slot it reaches).
//
// "Best" weighs a balance term against the cost of cutting. How much each
// matters depends on the map, so the order is made with a few weightings and
// the one whose model tree has the fewest nodes is kept.
struct cWeighting {
    bool By_Lines;  // count lines rather than pieces
    int Cut;        // weight of a cut piece, or of a line left with pieces on both sides
    int On;         // bonus for a piece that lies on the candidate line
};

class cBalanced_Order {
public:
    cBalanced_Order(const std::vector<cGrid_Wall>& walls, const cWeighting& weighting)
        : Walls(walls), Weights(weighting), Written(walls.size(), false) {}

    std::vector<cGrid_Wall> Run() {
        Nodes.emplace_back();
        Nodes[0].Depth = 1;
        for (std::size_t i = 0; i < Walls.size(); ++i) Nodes[0].Pending.push_back(Whole(int(i)));
        std::deque<int> queue{0};
        while (!queue.empty()) {
            const int n = queue.front();
            queue.pop_front();
            if (!Nodes[std::size_t(n)].Split) {
                if (Nodes[std::size_t(n)].Pending.empty()) continue;  // stays an area
                Write(Choose_Divider(Nodes[std::size_t(n)].Pending));
            }
            queue.push_back(Nodes[std::size_t(n)].Front);
            queue.push_back(Nodes[std::size_t(n)].Back);
        }
        // Walls whose every piece lies on an earlier line add no node; they
        // go last, in traced order.
        for (std::size_t i = 0; i < Walls.size(); ++i)
            if (!Written[i]) Order.push_back(Walls[i]);
        return Order;
    }

    // The model tree's wall nodes and depth (wall nodes on the longest way down).
    int Wall_Nodes() const { return Split_Nodes; }
    int Depth() const { return Max_Depth; }

private:
    // A piece of a wall: the stretch [A, B] along its line.
    struct cPiece {
        int Wall;
        bool Horizontal;
        int Line;  // y of a horizontal piece, x of a vertical one
        int A, B;  // extent along the line, A < B
    };
    struct cNode {
        bool Split = false;
        bool Horizontal = false;
        int Line = 0;
        int Depth = 0;
        int Front = -1, Back = -1;
        std::vector<cPiece> Pending;  // pieces of unwritten walls that reach this empty slot
    };
    enum Side { FRONT, BACK, SPANNING, ON };

    const std::vector<cGrid_Wall>& Walls;
    const cWeighting Weights;
    std::vector<bool> Written;
    std::vector<cGrid_Wall> Order;
    std::vector<cNode> Nodes;
    int Split_Nodes = 0;
    int Max_Depth = 0;

    cPiece Whole(int i) const {
        const cGrid_Wall& w = Walls[std::size_t(i)];
        return w.Is_Horizontal() ? cPiece{i, true, w.Y1, w.X1, w.X2} : cPiece{i, false, w.X1, w.Y1, w.Y2};
    }

    // Where p lies against a divider line, as the library's walls classify.
    static Side Classify(const cPiece& p, bool horizontal, int line) {
        if (p.Horizontal == horizontal) return p.Line < line ? FRONT : p.Line > line ? BACK : ON;
        if (p.B <= line) return FRONT;
        if (p.A >= line) return BACK;
        return SPANNING;
    }

    // Hands p on to the children of the split node n.
    static void Pass_Down(const cNode& n, const cPiece& p, std::vector<std::pair<int, cPiece>>& to) {
        switch (Classify(p, n.Horizontal, n.Line)) {
        case FRONT: to.emplace_back(n.Front, p); break;
        case BACK: to.emplace_back(n.Back, p); break;
        case SPANNING:
            to.emplace_back(n.Front, cPiece{p.Wall, p.Horizontal, p.Line, p.A, n.Line});
            to.emplace_back(n.Back, cPiece{p.Wall, p.Horizontal, p.Line, n.Line, p.B});
            break;
        case ON: break;  // kept with the node's line
        }
    }

    // Writes wall i: each of its pieces splits the empty slot it reaches.
    void Write(int i) {
        Written[std::size_t(i)] = true;
        Order.push_back(Walls[std::size_t(i)]);
        std::vector<std::pair<int, cPiece>> pending{{0, Whole(i)}};
        while (!pending.empty()) {
            const int n = pending.back().first;
            const cPiece p = pending.back().second;
            pending.pop_back();
            if (Nodes[std::size_t(n)].Split) {
                Pass_Down(Nodes[std::size_t(n)], p, pending);
                continue;
            }
            // p becomes the node's divider; the slot's other pieces move on.
            const int front = int(Nodes.size()), back = front + 1;
            Nodes.emplace_back();
            Nodes.emplace_back();
            cNode& node = Nodes[std::size_t(n)];
            node.Split = true;
            node.Horizontal = p.Horizontal;
            node.Line = p.Line;
            node.Front = front;
            node.Back = back;
            Nodes[std::size_t(front)].Depth = Nodes[std::size_t(back)].Depth = node.Depth + 1;
            ++Split_Nodes;
            Max_Depth = std::max(Max_Depth, node.Depth);
            std::vector<cPiece> waiting;
            waiting.swap(node.Pending);
            std::vector<std::pair<int, cPiece>> moved;
            for (const cPiece& q : waiting)
                if (q.Wall != i) Pass_Down(Nodes[std::size_t(n)], q, moved);
            for (const auto& m : moved) Nodes[std::size_t(m.first)].Pending.push_back(m.second);
        }
    }

    // The cost of dividing pieces (sorted by line) by a line: the imbalance
    // between the two sides plus the weighted cuts, less the bonus for the
    // pieces that vanish into the line. Counted in pieces, a cut is a piece
    // crossing the line; counted in lines (each line is at best one node per
    // region), a cut is a line left with pieces on both sides.
    std::int64_t Cost(const std::vector<cPiece>& pieces, bool horizontal, int line) const {
        std::int64_t front = 0, back = 0, cut = 0, on = 0;
        std::size_t i = 0;
        while (i < pieces.size()) {
            int sides = 0;  // 1 front, 2 back, 4 on
            std::size_t j = i;
            for (; j < pieces.size() && pieces[j].Horizontal == pieces[i].Horizontal && pieces[j].Line == pieces[i].Line;
                 ++j) {
                const Side side = Classify(pieces[j], horizontal, line);
                sides |= side == FRONT ? 1 : side == BACK ? 2 : side == SPANNING ? 3 : 4;
                if (!Weights.By_Lines) {
                    front += side == FRONT || side == SPANNING;
                    back += side == BACK || side == SPANNING;
                    cut += side == SPANNING;
                    on += side == ON;
                }
            }
            if (Weights.By_Lines && sides != 4) {
                front += (sides & 1) != 0;
                back += (sides & 2) != 0;
                cut += sides == 3;
            }
            i = j;
        }
        return Weights.Cut * cut + (front > back ? front - back : back - front) - Weights.On * on;
    }

    // The wall whose line divides the pieces at lowest cost. Candidate lines:
    // every line when there are few, otherwise lines at evenly spaced ranks
    // of each orientation's pieces. A wall found whole here is preferred to a
    // piece of one, so that no other piece of it lands elsewhere.
    int Choose_Divider(const std::vector<cPiece>& pending) const {
        std::vector<cPiece> pieces = pending;
        std::sort(pieces.begin(), pieces.end(), [](const cPiece& a, const cPiece& b) {
            return a.Horizontal != b.Horizontal ? a.Horizontal < b.Horizontal : a.Line < b.Line;
        });
        std::vector<std::pair<bool, int>> candidates;
        for (const bool horizontal : {false, true}) {
            const auto first = std::find_if(pieces.begin(), pieces.end(),
                                            [=](const cPiece& p) { return p.Horizontal == horizontal; });
            const auto last = std::find_if(first, pieces.end(),
                                           [=](const cPiece& p) { return p.Horizontal != horizontal; });
            const std::size_t count = std::size_t(last - first), samples = 24;
            if (count <= 2 * samples) {
                for (auto p = first; p != last; ++p) candidates.emplace_back(horizontal, p->Line);
            } else {
                for (std::size_t k = 1; k < samples; ++k) candidates.emplace_back(horizontal, first[count * k / samples].Line);
            }
        }
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

        std::int64_t best_cost = 0;
        std::pair<bool, int> best{true, 0};
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            const std::int64_t cost = Cost(pieces, candidates[k].first, candidates[k].second);
            if (k == 0 || cost < best_cost) {
                best_cost = cost;
                best = candidates[k];
            }
        }
        int chosen = -1;
        for (const cPiece& p : pending) {
            if (p.Horizontal != best.first || p.Line != best.second) continue;
            const cPiece whole = Whole(p.Wall);
            if (p.A == whole.A && p.B == whole.B) return p.Wall;
            if (chosen < 0) chosen = p.Wall;
        }
        return chosen;
    }
};

inline std::vector<cGrid_Wall> Balanced(const std::vector<cGrid_Wall>& walls) {
    // Pieces with a heavy cut weight suit long walls (mazes), pieces with a
    // bonus for the line's own pieces suit many short collinear walls
    // (scattered obstacles), lines suit rooms and corridors.
    const cWeighting weightings[] = {{false, 16, 0}, {false, 16, 8}, {true, 4, 0}};
    std::vector<cGrid_Wall> best;
    int best_nodes = 0, best_depth = 0;
    for (const cWeighting& w : weightings) {
        cBalanced_Order order(walls, w);
        std::vector<cGrid_Wall> walls_in_order = order.Run();
        if (best.empty() || order.Wall_Nodes() < best_nodes ||
            (order.Wall_Nodes() == best_nodes && order.Depth() < best_depth)) {
            best.swap(walls_in_order);
            best_nodes = order.Wall_Nodes();
            best_depth = order.Depth();
        }
    }
    return best;
}


}  // namespace balanced_oracle

#endif
