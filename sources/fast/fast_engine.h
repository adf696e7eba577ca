// The fast engine of a world: what the world's build and queries call
// instead of their straightforward algorithms. It records, during the build,
// the portals by line and the node whose line cut each side of each area;
// once the world is built it lays out the search graph, the wall index and
// the area locator that the queries use.
#ifndef FAST_FAST_ENGINE_H
#define FAST_FAST_ENGINE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fast/area_locator.h"
#include "fast/portal_index.h"
#include "fast/search_graph.h"
#include "fast/segment_walk.h"
#include "fast/wall_index.h"
#include "bsp.h"
#include "square_portal.h"

namespace bsp_levels {

class cDoor_Layer;

// What the fast engine reads of a built world: its areas and portals, its
// walls and doors, its rectangle, its door layer and the doors' states, and
// the tree's own lookup for the points the locator leaves to the tree.
struct cBuilt_World {
    const std::vector<cSquarePortal*>* Areas = nullptr;
    const std::vector<cPortal*>* Portals = nullptr;
    const std::vector<cHV_Wall>* Walls = nullptr;
    const std::vector<cHV_Wall>* Doors = nullptr;
    cRect2D Bounds;
    const cDoor_Layer* Door_Layer = nullptr;  // null without doors
    const unsigned char* Door_Open = nullptr;  // by door, 1 when open; lives as long as the world
    const cArea_Finder* Tree = nullptr;
};

class cFast_Engine final : public cArea_Finder {
public:
    using cWall_Node = cBSP_Node<cHV_Wall>;

    // ---- build
    // The nodes whose lines cut area's sides (y = ymin, x = xmax, y = ymax,
    // x = xmin) during the partition; null for a side that no cut made.
    void Record_Sides(const cSquarePortal* area, const std::array<cWall_Node*, 4>& sides);
    // The partition will make this many areas.
    void Expect_Areas(std::size_t count) { Sides.reserve(count); }
    cWall_Node* Side_Node(const cSquarePortal* area, int side) const;
    void Portal_Added(cPortal* portal) { Portal_Lines.Add(portal); }
    // The portal's segment is about to change.
    void Portal_Changing(const cPortal* portal) { Portal_Lines.Remove(portal); }
    void Portal_Changed(cPortal* portal) { Portal_Lines.Add(portal); }
    cPortal* First_Overlapping_Portal(const cHV_Seg& seg) const { return Portal_Lines.First_Overlapping(seg); }
    // The world is built: lay out what the queries use, drop what only the
    // build needed.
    void Build_Done(const cBuilt_World& world);

    // ---- queries
    // The area the tree gives p, or null when the locator cannot tell.
    cSquarePortal* Locate(const cPoint2D& p) const { return Areas.Find(p); }
    cSquarePortal* Area_Of(const cPoint2D& p) const override;
    bool Find_Path(const cPoint2D& start, const cSquarePortal* start_area, const cPoint2D& goal,
                   const cSquarePortal* goal_area, std::vector<cPoint2D>& path) const;
    bool Walk_Segment(const cPoint2D& a, const cPoint2D& b, const cSquarePortal* area, std::int64_t limit,
                      cPoint2D& hit) const;

    std::size_t Footprint() const {
        return Walls.Footprint() + Door_Lines.Footprint() + Areas.Footprint() + Graph_Footprint();
    }

private:
    std::size_t Graph_Footprint() const;

    cBuilt_World World;
    cPortal_Index Portal_Lines;
    std::vector<std::array<cWall_Node*, 4>> Sides;  // by area, -Id - 1
    cSearch_Graph Graph;
    cWall_Index Walls;
    cDoor_Lines Door_Lines;
    cArea_Locator Areas;
};

}  // namespace bsp_levels

#endif
