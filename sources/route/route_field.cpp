// cRoute_Field: one search from the goal over everything the agent can
// reach (Search_Ways), whose record answers the route from any start.
//
// The search is symmetric: the shortest route from a start to the goal is
// the shortest route from the goal to the start, walked backwards. The
// record keeps, for every cell, the cones through which a root sees into
// it, and for every portal end the best root there; the route from a start
// is the best of the ways into the start's cells (Way_From), then the roots
// back to the goal. The statuses come in the order Find_Shortest_Path gives
// them: the size, the build, a point outside the world, the start in solid
// space, the goal in solid space, no room at the start, no room at the
// goal, no route.
#include <cstring>
#include <memory>

#include "game_bsp.h"
#include "route/route_mesh.h"
#include "route/route_search.h"

namespace bsp_levels {

struct cRoute_Field::cData {
    const cGame_World* World = nullptr;
    std::shared_ptr<const cRoute_Mesh> Mesh;
    cPoint2D Goal;
    int Half_Size = 0;
    // What the goal allows (cRoute_Field::Build), and whether it lies in
    // solid space.
    ROUTE_STATUS Status = ROUTE_NONE;
    bool Goal_Solid = false;
    // The world as the field was built for it: built or not, the doors.
    bool World_Built = false;
    std::vector<unsigned char> Doors;
    std::uint64_t Edits = 0;  // the world's edit count
    // The version of the edited world the field answers on (none when the
    // world was not edited): held weakly, for a version the world has let
    // go of is one an edit replaced, and the field is stale then anyway.
    bool Edited = false;
    std::weak_ptr<const cGame_World> Version;
    cRoute_Ways Ways;
};

cRoute_Field::cRoute_Field() = default;
cRoute_Field::~cRoute_Field() = default;
cRoute_Field::cRoute_Field(cRoute_Field&&) noexcept = default;
cRoute_Field& cRoute_Field::operator=(cRoute_Field&&) noexcept = default;

ROUTE_STATUS cRoute_Field::Build(const cGame_World& world, const cPoint2D& goal, int half_size) {
    // Built again, the field keeps its storage.
    std::unique_ptr<cData> d = Data ? std::move(Data) : std::unique_ptr<cData>(new cData());
    d->Ways.Clear();
    d->Mesh.reset();
    d->Goal_Solid = false;
    d->World = &world;
    d->Goal = goal;
    d->Half_Size = half_size;
    d->World_Built = world.Is_Built();
    d->Doors = world.Door_Open;
    // The edit count first: an edit published after it makes the field
    // stale, whichever version the rest is taken from.
    d->Edits = world.Edit_Count();
    const std::shared_ptr<const cGame_World> version = world.Edited();
    d->Edited = version != nullptr;
    d->Version = version;
    const cGame_World& at = version ? *version : world;
    d->Status = [&] {
        if (half_size < 0 || half_size > COORD_LIMIT) return ROUTE_BAD_SIZE;
        if (!world.Is_Built()) return ROUTE_NONE;
        if (!In_Coordinate_Range(goal) || !world.Get_Bounds().In(goal)) return ROUTE_OUTSIDE;
        d->Mesh = at.Agent_Mesh(half_size);
        d->Goal_Solid = at.Solid_As_Built(goal);
        if (d->Goal_Solid) return ROUTE_GOAL_BLOCKED;
        const unsigned char* doors = d->Doors.empty() ? nullptr : d->Doors.data();
        if (Search_Ways(*d->Mesh, goal, doors, d->Ways) == SEARCH_START_BLOCKED) return ROUTE_GOAL_BLOCKED;
        return ROUTE_FOUND;
    }();
    Data = std::move(d);
    return Data->Status;
}

bool cRoute_Field::Is_Stale() const {
    if (!Data) return false;
    const cGame_World& world = *Data->World;
    return world.Is_Built() != Data->World_Built || world.Door_Open != Data->Doors ||
           world.Edit_Count() != Data->Edits;
}

ROUTE_STATUS cRoute_Field::Route(const cPoint2D& start, std::vector<cPoint2D>& path, double* length) const {
    path.clear();
    if (length != nullptr) *length = 0;
    if (!Data) return ROUTE_NONE;
    if (Is_Stale()) return ROUTE_STALE;
    const cData& d = *Data;
    if (d.Status == ROUTE_BAD_SIZE || d.Status == ROUTE_NONE) return d.Status;
    const cGame_World& world = *d.World;
    if (!In_Coordinate_Range(start) || !world.Get_Bounds().In(start) || d.Status == ROUTE_OUTSIDE) return ROUTE_OUTSIDE;
    const std::shared_ptr<const cGame_World> version = d.Version.lock();
    if (d.Edited && !version) return ROUTE_STALE;
    if ((version ? *version : world).Solid_As_Built(start)) return ROUTE_START_BLOCKED;
    if (d.Goal_Solid) return ROUTE_GOAL_BLOCKED;
    const unsigned char* doors = d.Doors.empty() ? nullptr : d.Doors.data();
    if (d.Status == ROUTE_GOAL_BLOCKED) {
        std::vector<int> cells;
        Route_Cells_At(*d.Mesh, start, doors, cells);
        return cells.empty() ? ROUTE_START_BLOCKED : ROUTE_GOAL_BLOCKED;
    }
    double found = 0;
    switch (Way_From(*d.Mesh, d.Ways, start, doors, path, found)) {
    case SEARCH_FOUND:
        if (length != nullptr) *length = found;
        return ROUTE_FOUND;
    case SEARCH_START_BLOCKED:
        return ROUTE_START_BLOCKED;
    default:
        return ROUTE_NONE;
    }
}

cPoint2D cRoute_Field::Goal() const { return Data ? Data->Goal : cPoint2D(); }

int cRoute_Field::Half_Size() const { return Data ? Data->Half_Size : 0; }

std::size_t cRoute_Field::Footprint() const {
    return Data ? sizeof(cData) + Data->Doors.capacity() + Data->Ways.Footprint() : 0;
}

}  // namespace bsp_levels
