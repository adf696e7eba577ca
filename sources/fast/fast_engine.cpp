#include "fast/fast_engine.h"

#include "doors/door_layer.h"
#include "fast/fast_search.h"

namespace bsp_levels {

void cFast_Engine::Record_Sides(const cSquarePortal* area, const std::array<cWall_Node*, 4>& sides) {
    const std::size_t at = std::size_t(-area->Id - 1);
    if (Sides.size() <= at) Sides.resize(at + 1, {{NULL, NULL, NULL, NULL}});
    Sides[at] = sides;
}

cFast_Engine::cWall_Node* cFast_Engine::Side_Node(const cSquarePortal* area, int side) const {
    const std::size_t at = std::size_t(-area->Id - 1);
    return at < Sides.size() ? Sides[at][std::size_t(side)] : NULL;
}

void cFast_Engine::Build_Done(const cBuilt_World& world) {
    World = world;
    Graph.Build(*World.Portals, *World.Areas, World.Door_Layer);
    Walls.Build(*World.Walls, World.Bounds);
    Door_Lines.Build(*World.Doors);
    Areas.Build(*World.Areas, World.Bounds);
    // What only the build needed.
    Portal_Lines.Clear();
    std::vector<std::array<cWall_Node*, 4>>().swap(Sides);
}

cSquarePortal* cFast_Engine::Area_Of(const cPoint2D& p) const {
    cSquarePortal* area = Areas.Find(p);
    return area != NULL ? area : World.Tree->Area_Of(p);
}

bool cFast_Engine::Find_Path(const cPoint2D& start, const cSquarePortal* start_area, const cPoint2D& goal,
                             const cSquarePortal* goal_area, std::vector<cPoint2D>& path) const {
    if (World.Door_Layer == NULL) return Fast_Search(Graph, start, start_area->Portals, goal, goal_area->Portals, path);
    // The open door portals of the two areas, kept per thread.
    thread_local std::vector<cPortal*> start_doors, goal_doors;
    World.Door_Layer->Open_Door_Portals(start_area, start_doors);
    World.Door_Layer->Open_Door_Portals(goal_area, goal_doors);
    return Fast_Search(Graph, start, start_area->Portals, goal, goal_area->Portals, path,
                       World.Door_Layer->Closed.data(), &start_doors, &goal_doors);
}

bool cFast_Engine::Walk_Segment(const cPoint2D& a, const cPoint2D& b, const cSquarePortal* area,
                                std::int64_t limit, cPoint2D& hit) const {
    return bsp_levels::Walk_Segment(a, b, area, limit, World.Bounds, Walls, Door_Lines, World.Door_Open, *this,
                          hit);
}

std::size_t cFast_Engine::Graph_Footprint() const {
    return Graph.Position.capacity() * sizeof(cPoint2D) + Graph.First.capacity() * sizeof(int) +
           Graph.Neighbour.capacity() * sizeof(int) + Graph.Of_Portal.capacity() * sizeof(int) +
           Graph.Is_Portal.capacity() +
           (Graph.Door_First.capacity() + Graph.Door_Neighbour.capacity() + 2 * Graph.Need.capacity()) * sizeof(int);
}

}  // namespace bsp_levels
