// The doors of a built world. A door divides the world like a wall, so the
// areas and the portals are those of a world where every door is a wall;
// what the doors add lies beside them: the stretches of area sides that lie
// under doors only (no wall), paired across the line into door portals, the
// waypoints a door portal needs to reach a portal on its own line, and the
// links that join them to the search graph. A node of this layer can be
// entered only while every door over it is open.
//
// Everything here grows in proportion to the doors and their portals, never
// with their products: the door portals of one line are consecutive and in
// order along it, so the portals under a door are one range of them, and
// each door portal keeps the number of closed doors over it, which a
// door's change updates along its range. A crowded area (see
// CROWDED_AREA_PORTALS) joins its door portals at a hub as it does its
// portals.
#ifndef DOORS_DOOR_LAYER_H
#define DOORS_DOOR_LAYER_H

#include <unordered_map>
#include <vector>

#include "game_graph.h"
#include "geo_utils.h"
#include "hv_wall.h"

namespace bsp_levels {

class cSquarePortal;

class cDoor_Layer {
public:
    cDoor_Layer() = default;
    ~cDoor_Layer();
    cDoor_Layer(const cDoor_Layer&) = delete;
    cDoor_Layer& operator=(const cDoor_Layer&) = delete;

    // ---- build
    // A stretch of one of area's sides that lies under doors and under no
    // wall; below tells that the area lies on the smaller coordinate's side
    // of the stretch's line.
    void Record(cSquarePortal* area, const cHV_Seg& stretch, bool below);
    // Pairs the stretches recorded on either side of each line into door
    // portals, numbered from first_id on, and links them. doors are the
    // level's doors, all closed.
    void Build(int first_id, int n_areas, const std::vector<cHV_Wall>& doors);

    // ---- what the queries use
    // The layer's nodes: the door portals first, then the waypoints.
    std::vector<cPortal*> Nodes;
    int N_Door_Portals = 0;
    // The links between a node of the layer and any node (of the layer or
    // of the world's graph), both ways, in the order made.
    struct cLink {
        cPortal* From;
        cPortal* To;
    };
    std::vector<cLink> Links;
    // By area (-Id - 1): the door portals (node numbers) on its sides.
    std::vector<std::vector<int>> Area_Door_Portals;
    // The door portals under each node, at most two (-1: none): a door
    // portal's own, a waypoint's two ends'. A node can be entered when no
    // closed door lies over them.
    struct cNeed {
        int A = -1, B = -1;
    };
    std::vector<cNeed> Needs;
    // By door portal: how many closed doors lie over it.
    std::vector<int> Closed;

    // The node number of n in the layer, or -1.
    int Node_Of(const cA_Star_Node* n) const;
    bool Enterable(int node) const {
        const cNeed& need = Needs[std::size_t(node)];
        return (need.A < 0 || Closed[std::size_t(need.A)] == 0) && (need.B < 0 || Closed[std::size_t(need.B)] == 0);
    }
    // The open door portals of an area, in order.
    void Open_Door_Portals(const cSquarePortal* area, std::vector<cPortal*>& out) const;
    // The door portals under a door: its pieces.
    int Pieces(int door) const;

    // A door opened or closed: the counts of the door portals under it.
    void Set_Door(int door, bool open);
    // The reference engine's neighbour lists, after door's state changed:
    // every node touched by the door's nodes gets, after its own neighbours,
    // the layer's links to nodes that can be entered, in the order made.
    void Relink(int door);

private:
    struct cRecord {
        cSquarePortal* Area;
        bool Horizontal;
        int Line, Lo, Hi;
        bool Below;
    };
    struct cRange {
        int First = 0, End = 0;  // door portals [First, End)
    };
    int Add_Node(cPortal* node, cNeed need);
    void Link(cSquarePortal* area, cPortal* a, cPortal* b);
    // The hub that joins the door portals of a crowded area, made on first use.
    cPortal* Hub(cSquarePortal* area);
    void Relink_Node(cPortal* node);

    std::vector<cRecord> Records;
    std::vector<cRange> Door_Range;           // by door
    std::vector<std::vector<int>> Dependent;  // by door portal: the waypoints over it
    std::unordered_map<const cA_Star_Node*, int> Index;
    std::unordered_map<const cA_Star_Node*, std::vector<cPortal*>> Out;
    std::unordered_map<const cSquarePortal*, cPortal*> Hubs;
};

}  // namespace bsp_levels

#endif
