// Edits of a built world: walls and boxes added and removed while the game
// runs. Each edit makes the world of the level and the edits present afresh,
// beside the current one, and publishes it; the queries answer on the
// published world (cWorld_Edits::cVersion).
#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "edits/world_edits.h"

#include <algorithm>
#include <climits>
#include <future>
#include <sstream>
#include <thread>

#include "messages.h"
#include "route/route_cut.h"
#include "route/route_mesh.h"
#include "route/route_search.h"

namespace bsp_levels {

std::vector<cHV_Wall> Box_Walls(const cPoint2D& a, const cPoint2D& b) {
    const cRect2D r(a, b);
    if (r.Min.x == r.Max.x || r.Min.y == r.Max.y) return {cHV_Wall(r.Min, r.Max)};
    return {cHV_Wall(r.Min, cPoint2D(r.Max.x, r.Min.y)), cHV_Wall(cPoint2D(r.Max.x, r.Min.y), r.Max),
            cHV_Wall(cPoint2D(r.Min.x, r.Max.y), r.Max), cHV_Wall(r.Min, cPoint2D(r.Min.x, r.Max.y))};
}

namespace {

// Whether the segment from a to b meets the closed rectangle r (integer
// points within twice the coordinate range: the products fit in 64 bits).
bool Segment_Meets_Rect(const cPoint2D& a, const cPoint2D& b, const cRect2D& r) {
    if (std::max(a.x, b.x) < r.Min.x || std::min(a.x, b.x) > r.Max.x || std::max(a.y, b.y) < r.Min.y ||
        std::min(a.y, b.y) > r.Max.y)
        return false;
    // The boxes overlap: the segment misses the rectangle only when every
    // corner lies strictly on one side of its line.
    const cPoint2D corners[] = {r.Min, cPoint2D(r.Max.x, r.Min.y), r.Max, cPoint2D(r.Min.x, r.Max.y)};
    int below = 0, above = 0;
    for (const cPoint2D& c : corners) {
        const std::int64_t cross = (std::int64_t(b.x) - a.x) * (std::int64_t(c.y) - a.y) -
                                   (std::int64_t(b.y) - a.y) * (std::int64_t(c.x) - a.x);
        below += cross < 0;
        above += cross > 0;
    }
    return below < 4 && above < 4;
}

void Report(const char* what, const std::string& why) {
    std::ostringstream msg;
    msg << "ERROR : cGame_World::" << what << "() : " << why << " !!! \n";
    Message_Sink() << msg.str();
}

}  // namespace

// ============================================================== versions

std::shared_ptr<cGame_World> cWorld_Edits::Make_World(const cGame_World& level,
                                                      const std::map<int, std::vector<cHV_Wall>>& edits,
                                                      const std::vector<cHV_Wall>& extra) {
    // The level's own build said what there was to say of it (solid points
    // that reach everywhere, say); the versions' builds say it again on
    // every edit, and a refusal is the edit's to report.
    std::ostringstream quiet;
    cMessage_Redirect to_quiet(&quiet, true);
    std::shared_ptr<cGame_World> world = std::make_shared<cGame_World>(level.Get_Engine());
    world->Set_Bounds(level.Get_Bounds());
    world->Set_Limits(level.Get_Limits());
    world->Set_Agent_Sizes_Kept(level.Agents_Capacity());
    bool refused = false;
    for (const cHV_Wall& w : level.Get_Level_Walls()) refused |= world->Insert(w) != INSERT_DONE;
    for (const auto& edit : edits)
        for (const cHV_Wall& w : edit.second) refused |= world->Insert(w) != INSERT_DONE;
    for (const cHV_Wall& w : extra) refused |= world->Insert(w) != INSERT_DONE;
    for (const cHV_Wall& d : level.Get_Level_Doors()) refused |= world->Add_Door(d) != INSERT_DONE;
    if (refused) return nullptr;
    for (const cPoint2D& p : level.Get_Solid_Points()) world->Add_Solid_Point(p);
    const BUILD_STATUS built = world->Build();
    // The edit's checks keep solid points off the walls; the level's own
    // build checked the rest.
    assert(built == BUILD_DONE || built == BUILD_SOLID_EVERYWHERE);
    (void)built;
    for (int d = 0; d < level.N_Doors(); ++d)
        if (level.Is_Door_Open(d)) world->Set_Door(d, true);
    return world;
}

EDIT_STATUS cWorld_Edits::Publish(const cGame_World& level, std::map<int, std::vector<cHV_Wall>>&& walls,
                                  const char* what) {
    std::shared_ptr<cVersion> next = std::make_shared<cVersion>();
    const std::shared_ptr<const cVersion> now = Version();
    next->Count = now ? now->Count + 1 : 1;
    if (!walls.empty()) {
        // The agent sizes kept before the edit are kept after it, made now
        // rather than on their next query: their route structures depend on
        // the walls, the doors and the rectangle only, so they are made on
        // threads of their own while this one builds the world.
        const std::vector<int> sizes = now && now->World ? now->World->Kept_Sizes() : level.Kept_Sizes();
        std::vector<cHV_Wall> all(level.Get_Level_Walls());
        for (const auto& edit : walls) all.insert(all.end(), edit.second.begin(), edit.second.end());
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        std::vector<std::future<std::shared_ptr<const cRoute_Mesh>>> meshes;
        for (std::size_t i = 0; i < sizes.size() && cores > 1; ++i) {
            const int h = sizes[i];
            meshes.push_back(std::async(std::launch::async, [&all, &level, h] {
                std::shared_ptr<cRoute_Mesh> mesh = std::make_shared<cRoute_Mesh>();
                mesh->Build(all, level.Get_Level_Doors(), level.Get_Bounds(), h);
                return std::shared_ptr<const cRoute_Mesh>(std::move(mesh));
            }));
        }
        next->World = Make_World(level, walls, {});
        for (std::size_t i = 0; i < meshes.size(); ++i) {
            std::shared_ptr<const cRoute_Mesh> mesh = meshes[i].get();
            if (next->World) next->World->Adopt_Agent(sizes[i], std::move(mesh));
        }
        if (!next->World) {
            Report(what, "the edit walls would take the level beyond the world's limits, nothing is changed");
            return EDIT_OVER_LIMIT;
        }
        if (meshes.empty())
            for (int h : sizes) next->World->Prepare_Agent(h);
    }
    next->Walls = std::move(walls);
    {
        std::lock_guard<std::mutex> lock(Guard);
        Current = std::move(next);
    }
    Ever.store(true, std::memory_order_release);
    return EDIT_DONE;
}

EDIT_STATUS cWorld_Edits::Add(const cGame_World& level, const std::vector<cHV_Wall>& walls, int* id,
                              const char* what) {
    std::lock_guard<std::mutex> writing(Writer);
    if (Next_Id == INT_MAX) {
        Report(what, "no edit id is left");
        return EDIT_OVER_LIMIT;
    }
    const std::shared_ptr<const cVersion> now = Version();
    std::map<int, std::vector<cHV_Wall>> next = now ? now->Walls : std::map<int, std::vector<cHV_Wall>>();
    next[Next_Id] = walls;
    const EDIT_STATUS status = Publish(level, std::move(next), what);
    if (status != EDIT_DONE) return status;
    if (id != nullptr) *id = Next_Id;
    ++Next_Id;
    return EDIT_DONE;
}

EDIT_STATUS cWorld_Edits::Remove(const cGame_World& level, int id) {
    std::lock_guard<std::mutex> writing(Writer);
    const std::shared_ptr<const cVersion> now = Version();
    if (!now || now->Walls.count(id) == 0) {
        Report("Remove_Edit", "no edit " + std::to_string(id) + " is present");
        return EDIT_UNKNOWN_ID;
    }
    std::map<int, std::vector<cHV_Wall>> next = now->Walls;
    next.erase(id);
    return Publish(level, std::move(next), "Remove_Edit");
}

void cWorld_Edits::Set_Door(int id, bool open) {
    std::lock_guard<std::mutex> writing(Writer);
    const std::shared_ptr<const cVersion> now = Version();
    if (now && now->World) now->World->Set_Door(id, open);
}

void cWorld_Edits::Set_Agent_Sizes_Kept(int sizes) {
    std::lock_guard<std::mutex> writing(Writer);
    const std::shared_ptr<const cVersion> now = Version();
    if (now && now->World) now->World->Set_Agent_Sizes_Kept(sizes);
}

bool cWorld_Edits::Release_Agent(int half_size) {
    std::lock_guard<std::mutex> writing(Writer);
    const std::shared_ptr<const cVersion> now = Version();
    return now && now->World && now->World->Release_Agent(half_size);
}

// ================================================================= world

std::shared_ptr<const cGame_World> cGame_World::Edited() const { return Edits->World(); }

EDIT_STATUS cGame_World::Check_Edit(const std::vector<cHV_Wall>& walls, const char* what) const {
    if (!Is_Built()) {
        Report(what, "the world is not built, nothing is changed");
        return EDIT_NOT_BUILT;
    }
    for (const cHV_Wall& w : walls) {
        std::ostringstream wall;
        wall << w;
        if (!w.Is_Valid_HV()) {
            Report(what, wall.str() + " is neither horizontal nor vertical, nothing is changed");
            return EDIT_NOT_HV;
        }
        if (!In_Coordinate_Range(w.p0) || !In_Coordinate_Range(w.p1) || !Built_Bounds.In(w.p0) ||
            !Built_Bounds.In(w.p1)) {
            Report(what, wall.str() + " leaves the world, nothing is changed");
            return EDIT_OUTSIDE;
        }
        for (const cPoint2D& p : Solid_Points)
            if (Square_Distance_To_Box(w.p0, w.p1, p) == 0) {
                Report(what, wall.str() + " holds a solid point of the level, nothing is changed");
                return EDIT_ON_SOLID_POINT;
            }
    }
    return EDIT_DONE;
}

EDIT_STATUS cGame_World::Add_Wall(const cHV_Wall& wall, int* id) {
    cHV_Wall plain(wall.p0, wall.p1);
    const EDIT_STATUS checked = Check_Edit({plain}, "Add_Wall");
    if (checked != EDIT_DONE) return checked;
    return Edits->Add(*this, {plain}, id, "Add_Wall");
}

EDIT_STATUS cGame_World::Add_Box(const cPoint2D& a, const cPoint2D& b, int* id) {
    const std::vector<cHV_Wall> walls = Box_Walls(a, b);
    const EDIT_STATUS checked = Check_Edit(walls, "Add_Box");
    if (checked != EDIT_DONE) return checked;
    return Edits->Add(*this, walls, id, "Add_Box");
}

EDIT_STATUS cGame_World::Remove_Edit(int id) { return Edits->Remove(*this, id); }

std::vector<cHV_Wall> cGame_World::Edit_Walls(int id) const {
    const std::shared_ptr<const cWorld_Edits::cVersion> now = Edits->Version();
    if (!now) return {};
    const auto found = now->Walls.find(id);
    return found == now->Walls.end() ? std::vector<cHV_Wall>() : found->second;
}

std::vector<cHV_Wall> cGame_World::Edit_Walls() const {
    std::vector<cHV_Wall> all;
    const std::shared_ptr<const cWorld_Edits::cVersion> now = Edits->Version();
    if (now)
        for (const auto& edit : now->Walls) all.insert(all.end(), edit.second.begin(), edit.second.end());
    return all;
}

std::vector<int> cGame_World::Edit_Ids() const {
    std::vector<int> ids;
    const std::shared_ptr<const cWorld_Edits::cVersion> now = Edits->Version();
    if (now)
        for (const auto& edit : now->Walls) ids.push_back(edit.first);
    return ids;
}

std::uint64_t cGame_World::Edit_Count() const {
    const std::shared_ptr<const cWorld_Edits::cVersion> now = Edits->Version();
    return now ? now->Count : 0;
}

std::size_t cGame_World::Edits_Footprint() const {
    const std::shared_ptr<const cWorld_Edits::cVersion> now = Edits->Version();
    if (!now) return 0;
    std::size_t bytes = sizeof(cWorld_Edits::cVersion);
    for (const auto& edit : now->Walls) bytes += 64 + edit.second.capacity() * sizeof(cHV_Wall);
    if (now->World) {
        const cGame_World& w = *now->World;
        bytes += sizeof(cGame_World) + w.Pool_Footprint() + w.Engine_Footprint();
        for (int h : w.Kept_Sizes()) bytes += w.Agent_Footprint(h);
    }
    return bytes;
}

BLOCK_STATUS cGame_World::Would_Block(const cPoint2D& a, const cPoint2D& b, const cPoint2D& start,
                                      const cPoint2D& goal, int half_size, ROUTE_STATUS* now) const {
    std::vector<cPoint2D> path;
    const ROUTE_STATUS status = Find_Shortest_Path(start, goal, half_size, path);
    if (now != nullptr) *now = status;
    if (!Is_Built() || status == ROUTE_BAD_SIZE) return BLOCK_NO_ROUTE;
    const std::vector<cHV_Wall> box = Box_Walls(a, b);
    if (Check_Edit(box, "Would_Block") != EDIT_DONE) return BLOCK_BAD_BOX;
    if (status != ROUTE_FOUND) return BLOCK_NO_ROUTE;
    const std::shared_ptr<const cWorld_Edits::cVersion> version = Edits->Version();
    // The route found stays a route with the box when it keeps clear of the
    // box grown by the half-size (closed): then the box cuts nothing, and
    // that is the common answer, at the cost of the route query. Solid space
    // can only shrink when walls come, unless the solid points reached
    // everywhere (no area solid): there a box may make the start solid.
    const cGame_World& now_world = version && version->World ? *version->World : *this;
    const bool solid_shrinks = Solid_Points.empty() || now_world.N_Solid_Areas > 0;
    if (solid_shrinks) {
        const cRect2D r(a, b);
        const cRect2D grown(cPoint2D(int(std::max<std::int64_t>(std::int64_t(r.Min.x) - half_size, INT_MIN)),
                                     int(std::max<std::int64_t>(std::int64_t(r.Min.y) - half_size, INT_MIN))),
                            cPoint2D(int(std::min<std::int64_t>(std::int64_t(r.Max.x) + half_size, INT_MAX)),
                                     int(std::min<std::int64_t>(std::int64_t(r.Max.y) + half_size, INT_MAX))));
        bool clear = true;
        cPoint2D from = start;
        for (const cPoint2D& to : path) {
            if (Segment_Meets_Rect(from, to, grown)) {
                clear = false;
                break;
            }
            from = to;
        }
        if (clear && !Segment_Meets_Rect(start, start, grown)) return BLOCK_OPEN;
        // Start and goal stay out of solid space, which holds no route: the
        // question is one of the agent's free space, asked of the size's
        // route structures as they are, cut where the box meets them (left
        // to a made mesh when start or goal lies next to the box).
        const ROUTE_CUT cut = Route_Cut(*now_world.Agent_Mesh(half_size), start, goal, box, Route_Doors());
        if (cut != CUT_UNKNOWN) return cut == CUT_OPEN ? BLOCK_OPEN : BLOCK_CUTS;
    }
    const std::map<int, std::vector<cHV_Wall>> none;
    const std::map<int, std::vector<cHV_Wall>>& edits = version ? version->Walls : none;
    if (Solid_Points.empty()) {
        // Without solid space the agent's free space is all there is to it:
        // the mesh of this one size with the box, and one search on it.
        std::vector<cHV_Wall> walls(Level_Walls);
        for (const auto& edit : edits) walls.insert(walls.end(), edit.second.begin(), edit.second.end());
        walls.insert(walls.end(), box.begin(), box.end());
        cRoute_Mesh mesh;
        mesh.Build(walls, Level_Doors, Built_Bounds, half_size);
        double length = 0;
        return Search_Route(mesh, start, goal, Route_Doors(), path, length) == SEARCH_FOUND ? BLOCK_OPEN
                                                                                          : BLOCK_CUTS;
    }
    // Solid space follows the walls: the world with the box, built.
    const std::shared_ptr<cGame_World> with_box = cWorld_Edits::Make_World(*this, edits, box);
    if (!with_box) return BLOCK_BAD_BOX;
    return with_box->Find_Shortest_Path(start, goal, half_size, path) == ROUTE_FOUND ? BLOCK_OPEN : BLOCK_CUTS;
}

}  // namespace bsp_levels
