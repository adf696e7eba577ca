// The doors of a built world. A door divides the world like a wall, so the
// areas and the portals are those of a world where every door is a wall;
// what the doors add lies beside them: the stretches of area sides that lie
// under doors only (no wall), paired across the line into door portals, the
// waypoints a door portal needs to reach a portal on its own line, and the
// links that join them to the search graph. A node of this layer can be
// entered only while every door under it is open.
#ifndef DOORS_DOOR_LAYER_H
#define DOORS_DOOR_LAYER_H

#include <unordered_map>
#include <vector>

#include "game_graph.h"
#include "geo_utils.h"

namespace bsp_levels {

class cSquarePortal;

class cDoor_Layer {
public:
    cDoor_Layer() = default;
    ~cDoor_Layer();
    cDoor_Layer(const cDoor_Layer&) = delete;
    cDoor_Layer& operator=(const cDoor_Layer&) = delete;

    // ---- build
    // A stretch of one of area's sides that lies under the given doors and
    // under no wall; below tells that the area lies on the smaller
    // coordinate's side of the stretch's line.
    void Record(cSquarePortal* area, const cHV_Seg& stretch, bool below, const std::vector<int>& doors);
    // Pairs the stretches recorded on either side of each line into door
    // portals, numbered from first_id on, and links them.
    void Build(int first_id, int n_areas, int n_doors);

    // ---- what the queries use
    // The layer's nodes: the door portals first, then the waypoints.
    std::vector<cPortal*> Nodes;
    int N_Door_Portals = 0;
    // The doors each node lies under.
    std::vector<std::vector<int>> Needs;
    // The links between a node of the layer and any node (of the layer or
    // of the world's graph), both ways, in the order made.
    struct cLink {
        cPortal* From;
        cPortal* To;
    };
    std::vector<cLink> Links;
    // By area (-Id - 1): the door portals (node numbers) on its sides.
    std::vector<std::vector<int>> Area_Door_Portals;
    // By door: the nodes that lie under it.
    std::vector<std::vector<int>> Of_Door;

    // The node number of n in the layer, or -1.
    int Node_Of(const cA_Star_Node* n) const;
    bool Enterable(int node, const unsigned char* open) const;
    // The open door portals of an area, in order.
    void Open_Door_Portals(const cSquarePortal* area, const unsigned char* open, std::vector<cPortal*>& out) const;

    // The reference engine's neighbour lists, after door's state changed:
    // every node touched by the door's nodes gets, after its own neighbours,
    // the layer's links to nodes that can be entered, in the order made.
    void Relink(int door, const unsigned char* open);

private:
    struct cRecord {
        cSquarePortal* Area;
        bool Horizontal;
        int Line, Lo, Hi;
        bool Below;
        std::vector<int> Doors;
    };
    int Add_Node(cPortal* node, const std::vector<int>& needs);
    void Link(cSquarePortal* area, cPortal* a, cPortal* b);
    void Relink_Node(cPortal* node, const unsigned char* open);

    std::vector<cRecord> Records;
    std::unordered_map<const cA_Star_Node*, int> Index;
    std::unordered_map<const cA_Star_Node*, std::vector<cPortal*>> Out;
};

}  // namespace bsp_levels

#endif
