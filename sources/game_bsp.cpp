#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "game_bsp.h"
#include "messages.h"

#include <algorithm>
#include <array>
#include <map>
#include <condition_variable>
#include <mutex>
#include <set>
#include <cmath>
#include <sstream>

#include "doors/door_layer.h"
#include "edits/world_edits.h"
#include "fast/fast_engine.h"
#include "fast/wall_index.h"
#include "route/route_mesh.h"
#include "route/route_queries.h"
#include "route/route_search.h"
#include "line_walker.h"

namespace bsp_levels {

template class cBSP_Node<cHV_Wall>;
template class cBSP_Tree<cHV_Wall>;

const cRect2D DEFAULT_WORLD_BOUNDS(cPoint2D(0, 0), cPoint2D(100, 100));
cRect2D WORLD_BOUNDS = DEFAULT_WORLD_BOUNDS;

namespace {

// Coordinate of p along a line of the given orientation, and across it.
int Along(const cPoint2D& p, bool horizontal) { return horizontal ? p.x : p.y; }
int Across(const cPoint2D& p, bool horizontal) { return horizontal ? p.y : p.x; }

// Whether a rectangle has positive width and height (an area of zero extent
// holds no space and gets no portal).
bool Has_Extent(const cRect2D& r) { return r.Min.x != r.Max.x && r.Min.y != r.Max.y; }

// The point at coordinate v along the line of side.
cPoint2D On_Line_Of(const cHV_Seg& side, int v) {
    return side.Horizontal ? cPoint2D(v, side.p0.y) : cPoint2D(side.p0.x, v);
}

}  // namespace

// ====================================================================== area

cSquarePortal::cSquarePortal(const cRect2D& bounds) : Bounds(bounds) {}

cSquarePortal::~cSquarePortal() {
    for (cHV_Seg* w : Walls) delete w;
    for (cAligned_WayPoint* w : WayPoints) delete w;
    Walls.clear();
    Portals.clear();
    WayPoints.clear();
}

void cSquarePortal::Print() {
    assert(Front == NULL && Back == NULL);
    std::ostringstream out;
    out << "[Leaf:" << Id << "]]-> Area " << Bounds << "\n";
    out << "\t\tn_walls =" << Walls.size() << "\n";
    out << "\t\tn_portals =" << Portals.size() << "\n";
    out << "       walls : \n";
    for (const cHV_Seg* w : Walls) out << "\t\t\t-> " << *w << "\n";
    out << "       portals : \n";
    for (const cPortal* p : Portals) out << "\t\t\t-> " << *p << "\n";
    Message_Sink() << out.str();
}

void cSquarePortal::Split_By_Wall(const cHV_Wall& wall, cSquarePortal*& front,
                                  cSquarePortal*& back) const {
    cRect2D f, b;
    Split_Rect(Bounds, wall, f, b);
    front = new cSquarePortal(f);
    back = new cSquarePortal(b);
}

void cSquarePortal::Split_Rect(const cRect2D& r, const cHV_Wall& wall, cRect2D& front, cRect2D& back) {
    const cPoint2D& lo = r.Min;
    const cPoint2D& hi = r.Max;
    if (wall.Horizontal) {
        const int Y = wall.p0.y;
        front = cRect2D(lo, cPoint2D(hi.x, Y));
        back = cRect2D(cPoint2D(lo.x, Y), hi);
    } else {
        const int X = wall.p0.x;
        front = cRect2D(lo, cPoint2D(X, hi.y));
        back = cRect2D(cPoint2D(X, lo.y), hi);
    }
}

void cSquarePortal::Get_Center(cPoint2D& p) const {
    Bounds.Get_Center(p);
    assert(Bounds.In(p));
}

void cSquarePortal::Add_Wall(const cSeg& w) {
    assert(Bounds.In(w.Get_p0() ));
    assert(Bounds.In(w.Get_p1() ));
    Walls.push_back(new cHV_Seg(w.p0, w.p1));
}

void cSquarePortal::Add_Portal(cPortal* portal) {
    assert(portal != NULL);
    assert(Bounds.In(portal->Segment.Get_p0()));
    assert(Bounds.In(portal->Segment.Get_p1()));
    if (!Crowded && int(Portals.size()) == CROWDED_AREA_PORTALS) {
        // Two portals are neighbours through one area only (two areas share
        // at most one line), so these links are all this area's.
        for (cPortal* a : Portals)
            for (cPortal* b : Portals)
                if (a != b) a->Remove_Neighbour(b);
        Crowded = true;
    }
    if (!Crowded) {
        for (cPortal* other : Portals) {
            if (!portal->Segment.Is_On_Same_Line(other->Segment)) {
                other->Add_Neighbour(portal);
                portal->Add_Neighbour(other);
            }
        }
    }
    Portals.push_back(portal);
}

namespace {

// The border line of the area on which both points stand: horizontal or
// not, and its coordinate. False when they share none.
bool Shared_Side(const cRect2D& Bounds, const cPoint2D& a, const cPoint2D& b, bool& horizontal, int& line) {
    if (a.y == b.y && (a.y == Bounds.Min.y || a.y == Bounds.Max.y)) {
        horizontal = true;
        line = a.y;
        return true;
    }
    if (a.x == b.x && (a.x == Bounds.Min.x || a.x == Bounds.Max.x)) {
        horizontal = false;
        line = a.x;
        return true;
    }
    return false;
}

// Both points stand on one border line of the area, with a wall piece of
// the area between them.
bool Wall_Between(const cSquarePortal& area, const cPoint2D& a, const cPoint2D& b) {
    bool horizontal;
    int line;
    if (a == b || !Shared_Side(area.Bounds, a, b, horizontal, line)) return false;
    const int lo = std::min(Along(a, horizontal), Along(b, horizontal));
    const int hi = std::max(Along(a, horizontal), Along(b, horizontal));
    for (const cHV_Seg* w : area.Walls) {
        if (w->Horizontal != horizontal || Across(w->p0, horizontal) != line) continue;
        if (std::max(lo, Along(w->p0, horizontal)) < std::min(hi, Along(w->p1, horizontal))) return true;
    }
    return false;
}

}  // namespace

bool cSquarePortal::Needs_WayPoint(const cPortal* A, const cPortal* B) const {
    return A->Segment.Is_On_Same_Line(B->Segment) || Wall_Between(*this, A->Position, B->Position);
}

cPoint2D cSquarePortal::WayPoint_Position(const cPortal* A, const cPortal* B) const {
    bool horizontal = false;
    int line = 0;
    if (A->Segment.Is_On_Same_Line(B->Segment)) {
        horizontal = A->Segment.Horizontal;
        line = Across(A->Segment.p0, horizontal);
    } else {
        Shared_Side(Bounds, A->Position, B->Position, horizontal, line);
    }
    cPoint2D M1, M2, M;
    A->Segment.Get_Middle(M1);
    B->Segment.Get_Middle(M2);
    cHV_Seg(M1, M2).Get_Middle(M);
    // The waypoint stands inside the area, up to 40 units from M across the
    // side the portals stand on, away from it.
    const int lo = horizontal ? Bounds.Min.y : Bounds.Min.x;
    const int hi = horizontal ? Bounds.Max.y : Bounds.Max.x;
    int reach = std::min(40, hi - lo);
    // The waypoint must not stand on the area's border beside the side:
    // when M is a corner (the portals stand one unit apart) it takes the
    // other portal's place along the side, and when both are corners (the
    // side is one unit long) it stays one unit in.
    const int along_lo = horizontal ? Bounds.Min.x : Bounds.Min.y;
    const int along_hi = horizontal ? Bounds.Max.x : Bounds.Max.y;
    int along = Along(M, horizontal);
    if (along == along_lo || along == along_hi) {
        const int other = along == Along(M1, horizontal) ? Along(M2, horizontal) : Along(M1, horizontal);
        if (other != along_lo && other != along_hi)
            along = other;
        else
            reach = std::min(reach, 1);
    }
    const int across = line == hi ? line - reach : line + reach;
    return horizontal ? cPoint2D(along, across) : cPoint2D(across, along);
}

cRail cSquarePortal::Rail(const std::vector<cPortal*>& portals) const {
    cRail rail;
    // Along the area's longer extent; the two border lines across it.
    const bool along_x = Bounds.Max.x - Bounds.Min.x >= Bounds.Max.y - Bounds.Min.y;
    const int lo = along_x ? Bounds.Min.y : Bounds.Min.x, hi = along_x ? Bounds.Max.y : Bounds.Max.x;
    auto point = [&](int along, int across) { return along_x ? cPoint2D(along, across) : cPoint2D(across, along); };
    struct cFoot {
        int Along, Across, Portal;
    };
    std::vector<cFoot> feet;
    for (std::size_t k = 0; k < portals.size(); ++k) {
        const cPoint2D& m = portals[k]->Position;
        const int along = along_x ? m.x : m.y, across = along_x ? m.y : m.x;
        feet.push_back({along, across == lo ? hi : lo, int(k)});
    }
    std::sort(feet.begin(), feet.end(), [](const cFoot& a, const cFoot& b) {
        return a.Along != b.Along ? a.Along < b.Along : a.Across < b.Across;
    });
    int last = -1;
    for (const cFoot& f : feet) {
        const int at = int(rail.Points.size());
        rail.Points.push_back(point(f.Along, f.Across));
        rail.Links.emplace_back(at, -1 - f.Portal);
        if (last >= 0) {
            const cPoint2D& p = rail.Points[std::size_t(last)];
            const int p_across = along_x ? p.y : p.x;
            if (p_across != f.Across) {
                rail.Links.emplace_back(last, at);
            } else {
                // Two feet on one line: through a point on the other.
                const int p_along = along_x ? p.x : p.y;
                const int zig = int(rail.Points.size());
                rail.Points.push_back(point(p_along + (f.Along - p_along) / 2, f.Across == lo ? hi : lo));
                rail.Links.emplace_back(last, zig);
                rail.Links.emplace_back(zig, at);
            }
        }
        last = at;
    }
    return rail;
}

void cSquarePortal::Link_Aligned_Portals(cWorld_Pool* pool) {
    auto make = [this, pool](const cPoint2D& p) {
        return pool != nullptr ? pool->New<cAligned_WayPoint>(p, this, cNode_Allocator(pool))
                               : new cAligned_WayPoint(p, this);
    };
    if (Crowded && Has_Inside()) {
        cPoint2D centre;
        Get_Center(centre);
        cAligned_WayPoint* hub = make(centre);
        WayPoints.push_back(hub);
        for (cPortal* p : Portals) {
            p->Add_Neighbour(hub);
            hub->Add_Neighbour(p);
        }
        return;
    }
    if (Crowded) {
        const cRail rail = Rail(Portals);
        const std::size_t first = WayPoints.size();
        WayPoints.reserve(first + rail.Points.size());
        for (const cPoint2D& p : rail.Points) WayPoints.push_back(make(p));
        auto node = [&](int i) -> cPortal* {
            return i >= 0 ? static_cast<cPortal*>(WayPoints[first + std::size_t(i)]) : Portals[std::size_t(-1 - i)];
        };
        for (const std::pair<int, int>& l : rail.Links) {
            node(l.first)->Add_Neighbour(node(l.second));
            node(l.second)->Add_Neighbour(node(l.first));
        }
        return;
    }
    for (cPortal* A : Portals) {
        for (cPortal* B : Portals) {
            // Each unordered pair once, in creation order of the portals.
            if (!(A->Id < B->Id)) continue;
            if (!Needs_WayPoint(A, B)) continue;
            if (!A->Segment.Is_On_Same_Line(B->Segment)) {
                // A portal one unit long stands at an end of its segment,
                // which may be a corner of the area: the step to a portal on
                // that corner's other side would run along the side, through
                // its wall. The two are joined through a waypoint instead.
                A->Remove_Neighbour(B);
                B->Remove_Neighbour(A);
            }
            cAligned_WayPoint* W = make(WayPoint_Position(A, B));
            WayPoints.push_back(W);
            A->Add_Neighbour(W);
            B->Add_Neighbour(W);
            // The waypoint leads on to both portals, A first.
            W->Add_Neighbour(A);
            W->Add_Neighbour(B);
        }
    }
    WayPoints.shrink_to_fit();  // no more come
}

// ===================================================================== world

cGame_World::cSquares_Done::operator bool() const { return World->Stage != NOTHING_BUILT; }

// The free space of a built world for each agent half-size, made on the
// first query of that size.
class cAgent_Meshes {
public:
    // The structures of a half-size, made now when they are not kept. A
    // thread making one holds no lock while it works: queries for the sizes
    // kept go on, and only queries for the same size wait for it.
    std::shared_ptr<const cRoute_Mesh> Get(const cGame_World& world, int half_size) {
        std::unique_lock<std::mutex> lock(Guard);
        for (;;) {
            const auto kept = Meshes.find(half_size);
            if (kept != Meshes.end()) {
                kept->second.Used = ++Clock;
                return kept->second.Mesh;
            }
            if (Making.count(half_size) == 0) break;
            Made.wait(lock);  // another thread is making this size
        }
        Making.insert(half_size);
        lock.unlock();
        std::shared_ptr<cRoute_Mesh> made;
        try {
            made = std::make_shared<cRoute_Mesh>();
            made->Build(world.Get_Level_Walls(), world.Get_Level_Doors(), world.Get_Bounds(), half_size);
        } catch (...) {
            lock.lock();
            Making.erase(half_size);
            Made.notify_all();
            throw;
        }
        lock.lock();
        Making.erase(half_size);
        cKept& entry = Meshes[half_size];
        entry.Mesh = made;
        entry.Used = ++Clock;
        Evict();
        Made.notify_all();
        return made;
    }
    // The structures of a half-size when kept, else null.
    std::shared_ptr<const cRoute_Mesh> Find(int half_size) {
        std::lock_guard<std::mutex> lock(Guard);
        const auto kept = Meshes.find(half_size);
        return kept == Meshes.end() ? nullptr : kept->second.Mesh;
    }
    void Set_Capacity(int sizes) {
        std::lock_guard<std::mutex> lock(Guard);
        Capacity = std::max(1, sizes);
        Evict();
    }
    int Capacity_Now() {
        std::lock_guard<std::mutex> lock(Guard);
        return Capacity;
    }
    bool Release(int half_size) {
        std::lock_guard<std::mutex> lock(Guard);
        return Meshes.erase(half_size) > 0;
    }
    int Kept() {
        std::lock_guard<std::mutex> lock(Guard);
        return int(Meshes.size());
    }
    // Keeps structures made elsewhere for a half-size (made from this
    // world's walls, doors and rectangle).
    void Put(int half_size, std::shared_ptr<const cRoute_Mesh> mesh) {
        std::lock_guard<std::mutex> lock(Guard);
        cKept& entry = Meshes[half_size];
        entry.Mesh = std::move(mesh);
        entry.Used = ++Clock;
        Evict();
    }
    std::vector<int> Sizes() {
        std::lock_guard<std::mutex> lock(Guard);
        std::vector<int> sizes;
        for (const auto& kept : Meshes) sizes.push_back(kept.first);
        return sizes;
    }

private:
    struct cKept {
        std::shared_ptr<const cRoute_Mesh> Mesh;
        std::uint64_t Used = 0;
    };
    // Drops the least recently used sizes beyond the capacity; a query
    // still searching one keeps it alive until it finishes.
    void Evict() {
        while (int(Meshes.size()) > Capacity) {
            auto oldest = Meshes.begin();
            for (auto it = Meshes.begin(); it != Meshes.end(); ++it)
                if (it->second.Used < oldest->second.Used) oldest = it;
            Meshes.erase(oldest);
        }
    }

    std::mutex Guard;
    std::condition_variable Made;
    std::map<int, cKept> Meshes;
    std::set<int> Making;  // sizes some thread is making now
    std::uint64_t Clock = 0;
    int Capacity = DEFAULT_AGENT_SIZES;
};

// The tree's own lookup, for the points the fast engine's locator leaves to
// the tree's rules.
class cTree_Lookup final : public cArea_Finder {
public:
    explicit cTree_Lookup(const cGame_World& world) : World(world) {}
    cSquarePortal* Area_Of(const cPoint2D& p) const override { return World.Area_At(p); }

private:
    const cGame_World& World;
};

cGame_World::cGame_World(cEngine engine) : Agents(new cAgent_Meshes()), Edits(new cWorld_Edits()) {
    Node_Pool = &Pool;
    if (engine == cEngine::FAST) {
        Fast.reset(new cFast_Engine());
        Tree.reset(new cTree_Lookup(*this));
    }
}

cGame_World::~cGame_World() {
    Doors.reset();  // its waypoints hang in the portals' lists
    // Portals, waypoints and wall pieces live in the pool with their
    // neighbour lists' entries: they hold nothing else, and go with it. Tree
    // nodes and areas hold vectors: each is taken apart in place.
    Portals.clear();
    std::vector<Node*> pending;
    if (Root != NULL) pending.push_back(Root);
    while (!pending.empty()) {
        Node* n = pending.back();
        pending.pop_back();
        if (Stage != NOTHING_BUILT && n->Is_Leaf()) continue;  // an area: below
        if (n->Front != NULL) pending.push_back(n->Front);
        if (n->Back != NULL) pending.push_back(n->Back);
        n->Front = n->Back = NULL;
        n->~Node();
    }
    for (cSquarePortal* area : Areas) {
        area->Walls.clear();
        area->WayPoints.clear();
        area->~cSquarePortal();
    }
    Areas.clear();
    Root = NULL;
}

cEngine cGame_World::Get_Engine() const { return Fast ? cEngine::FAST : cEngine::REFERENCE; }

std::size_t cGame_World::Engine_Footprint() const { return Fast ? Fast->Footprint() : 0; }

bool In_Coordinate_Range(const cPoint2D& p) {
    return -COORD_LIMIT <= p.x && p.x <= COORD_LIMIT && -COORD_LIMIT <= p.y && p.y <= COORD_LIMIT;
}

INSERT_STATUS cGame_World::Insert(const cHV_Wall& wall) {
    if (Stage != NOTHING_BUILT) {
        std::ostringstream msg;
        msg << "ERROR : void cGame_World::Insert( cHV_Wall & w ) : the world is already built, " << wall
            << " is not inserted !!! \n";
        Message_Sink() << msg.str();
        return INSERT_ALREADY_BUILT;
    }
    if (!wall.Is_Valid_HV()) {
        std::ostringstream msg;
        msg << "ERROR : void cGame_World::Insert( cHV_Wall & w ) : " << wall
            << " is neither horizontal nor vertical, it is not inserted !!! \n";
        Message_Sink() << msg.str();
        return INSERT_NOT_HV;
    }
    if (Check_Limits(wall, "wall") != INSERT_DONE) return INSERT_OVER_LIMIT;
    cHV_Wall plain = wall;
    plain.Door = -1;
    Level_Walls.push_back(plain);
    cBSP_Tree<cHV_Wall>::Insert(plain);
    return INSERT_DONE;
}

INSERT_STATUS cGame_World::Add_Door(const cHV_Wall& door) {
    if (Stage != NOTHING_BUILT) {
        std::ostringstream msg;
        msg << "ERROR : cGame_World::Add_Door() : the world is already built, the door " << door
            << " is not added !!! \n";
        Message_Sink() << msg.str();
        return INSERT_ALREADY_BUILT;
    }
    if (!door.Is_Valid_HV()) {
        std::ostringstream msg;
        msg << "ERROR : cGame_World::Add_Door() : the door " << door
            << " is neither horizontal nor vertical, it is not added !!! \n";
        Message_Sink() << msg.str();
        return INSERT_NOT_HV;
    }
    if (Check_Limits(door, "door") != INSERT_DONE) return INSERT_OVER_LIMIT;
    cHV_Wall piece = door;
    piece.Door = int(Level_Doors.size());
    Level_Doors.push_back(piece);
    Door_Open.push_back(0);
    cBSP_Tree<cHV_Wall>::Insert(piece);
    return INSERT_DONE;
}

INSERT_STATUS cGame_World::Check_Limits(const cHV_Wall& wall, const char* what) {
    const std::int64_t steps = Insert_Work();
    const std::int64_t items = std::int64_t(Level_Walls.size() + Level_Doors.size());
    const std::int64_t step_limit = Limits.Insert_Steps + Limits.Insert_Steps_Per_Wall * items;
    const std::int64_t node_limit = Limits.Tree_Nodes + Limits.Tree_Nodes_Per_Wall * items;
    const bool too_deep = steps >= step_limit, too_large = N_Nodes >= node_limit;
    if (!too_deep && !too_large) return INSERT_DONE;
    if (!Limit_Reported) {
        Limit_Reported = true;
        std::ostringstream msg;
        msg << "ERROR : cGame_World::Insert() : the level goes beyond the world's limits ("
            << (too_deep ? "insertion steps " + std::to_string(steps) + " of " + std::to_string(step_limit)
                         : "tree nodes " + std::to_string(N_Nodes) + " of " + std::to_string(node_limit))
            << "), the " << what << " " << wall << " and every later one are not inserted !!! \n";
        Message_Sink() << msg.str();
    }
    return INSERT_OVER_LIMIT;
}

INSERT_STATUS cGame_World::Add_Solid_Point(const cPoint2D& p) {
    if (Stage != NOTHING_BUILT) {
        std::ostringstream msg;
        msg << "ERROR : cGame_World::Add_Solid_Point() : the world is already built, the solid point " << p
            << " is not added !!! \n";
        Message_Sink() << msg.str();
        return INSERT_ALREADY_BUILT;
    }
    Solid_Points.push_back(p);
    return INSERT_DONE;
}

bool cGame_World::Set_Bounds(const cRect2D& bounds) {
    if (Stage != NOTHING_BUILT) return false;
    Own_Bounds = true;
    Own_Rect = bounds;
    return true;
}

const cRect2D& cGame_World::Build_Bounds() const { return Own_Bounds ? Own_Rect : WORLD_BOUNDS; }

bool cGame_World::Set_Door(int id, bool open) {
    if (id < 0 || id >= N_Doors()) return false;
    const unsigned char state = open ? 1 : 0;
    if (Door_Open[std::size_t(id)] == state) return true;
    Door_Open[std::size_t(id)] = state;
    if (Doors) {
        // The door portals under the door count its state; the fast engine
        // reads the counts during its searches, the reference search follows
        // the nodes' own lists.
        Doors->Set_Door(id, open);
        if (!Fast) Doors->Relink(id);
    }
    Edits->Set_Door(id, open);
    return true;
}

bool cGame_World::Is_Door_Open(int id) const {
    return id >= 0 && id < N_Doors() && Door_Open[std::size_t(id)] != 0;
}

int cGame_World::Door_Pieces(int id) const {
    if (id < 0 || id >= N_Doors() || !Doors) return 0;
    return Doors->Pieces(id);
}

BUILD_STATUS cGame_World::Build() {
    if (Is_Built()) return BUILD_DONE;
    if (Stage == NOTHING_BUILT) {
        const BUILD_STATUS solid = Check_Solid_Points();
        if (solid != BUILD_DONE) return solid;  // refused: the world stays as it was
    }
    Decorate_With_Square_Portals();
    if (!Squares_Done) return BUILD_WALL_OUTSIDE;  // refused: the world stays as it was
    Decorate_With_Walls_And_Portals();
    Link_Aligned_Portals();
    return Flood_Solid();
}

BUILD_STATUS cGame_World::Check_Solid_Points() const {
    if (Solid_Points.empty()) return BUILD_DONE;
    // The tree has no areas yet: look the points up among the walls and
    // doors by line.
    // A wall outside the world is the first step's to refuse.
    if (First_Outside() != NULL) return BUILD_DONE;
    std::vector<cHV_Wall> all(Level_Walls);
    all.insert(all.end(), Level_Doors.begin(), Level_Doors.end());
    cWall_Index walls;
    walls.Build(all, Build_Bounds());
    for (const cPoint2D& p : Solid_Points) {
        const bool outside = !Build_Bounds().In(p);
        if (outside || walls.Contains(p)) {
            std::ostringstream msg;
            msg << "ERROR : cGame_World::Build() : the solid point " << p;
            if (outside)
                msg << " lies outside the world " << Build_Bounds();
            else
                msg << " lies on a wall";
            msg << ", the world is not built !!! \n";
            Message_Sink() << msg.str();
            return outside ? BUILD_SOLID_OUTSIDE : BUILD_SOLID_ON_WALL;
        }
    }
    return BUILD_DONE;
}

BUILD_STATUS cGame_World::Flood_Solid() {
    if (Solid_Points.empty()) return BUILD_DONE;
    // Every area a solid point reaches through portals; doors count as walls.
    std::vector<cSquarePortal*> pending;
    for (const cPoint2D& p : Solid_Points) {
        cSquarePortal* area = Space_At(p, Locate(p));
        if (area != NULL && !area->Solid) {
            area->Solid = true;
            ++N_Solid_Areas;
            pending.push_back(area);
        }
        while (!pending.empty()) {
            cSquarePortal* a = pending.back();
            pending.pop_back();
            for (cPortal* portal : a->Portals) {
                cSquarePortal* next = portal->Area1 == a ? portal->Area2 : portal->Area1;
                if (next == NULL || next->Solid) continue;
                next->Solid = true;
                ++N_Solid_Areas;
                pending.push_back(next);
            }
        }
    }
    // Areas of zero width or height hold no space: the world is all solid
    // when every other area is.
    int spaces = 0, solid_spaces = 0;
    for (const cSquarePortal* area : Areas)
        if (Has_Extent(area->Bounds)) {
            ++spaces;
            solid_spaces += area->Solid ? 1 : 0;
        }
    if (solid_spaces < spaces) return BUILD_DONE;
    std::ostringstream msg;
    msg << "ERROR : cGame_World::Build() : the solid points reach every area of the world, no wall closes "
           "their region; the world is built without solid space !!! \n";
    Message_Sink() << msg.str();
    for (cSquarePortal* area : Areas) area->Solid = false;
    N_Solid_Areas = 0;
    return BUILD_SOLID_EVERYWHERE;
}

// ------------------------------------------------------------ area partition

const cHV_Wall* cGame_World::First_Outside() const {
    for (const std::vector<cHV_Wall>* pieces : {&Level_Walls, &Level_Doors})
        for (const cHV_Wall& w : *pieces)
            if (!Build_Bounds().In(w.p0) || !Build_Bounds().In(w.p1)) return &w;
    return NULL;
}

void cGame_World::Decorate_With_Square_Portals() {
    if (Stage != NOTHING_BUILT) return;
    // A wall outside the world rectangle would make areas overlap.
    if (const cHV_Wall* w = First_Outside()) {
        std::ostringstream msg;
        msg << "ERROR : void cGame_World::Build() : " << (w->Door >= 0 ? "the door " : "the wall ") << *w
            << " lies outside the world " << Build_Bounds() << ", the world is not built !!! \n";
        Message_Sink() << msg.str();
        return;
    }
    Stage = SQUARES_BUILT;
    Built_Bounds = Build_Bounds();
    if (Root == NULL) {
        // A world without walls is one area.
        cSquarePortal* region = Pool.New<cSquarePortal>(Build_Bounds());
        ++N_Areas;
        region->Id = -N_Areas;
        Root = region;
        Areas.push_back(region);
        return;
    }
    // One area a node, and one more.
    Areas.reserve(std::size_t(N_Nodes) + 1);
    if (Fast) Fast->Expect_Areas(std::size_t(N_Nodes) + 1);
    Decorate_Region(Root, Build_Bounds());
}

void cGame_World::Decorate_Node(Node* node, cSquarePortal* region) {
    const cRect2D bounds = region->Bounds;
    delete region;
    Decorate_Region(node, bounds);
}

void cGame_World::Decorate_Region(Node* node, const cRect2D& region) {
    // A pending entry is a region waiting for the child slot of a node, with
    // the nodes whose lines cut its sides (y = ymin, x = xmax, y = ymax,
    // x = xmin). The front half of every split is handled completely before
    // the back half, so areas are numbered in depth-first order, front first.
    typedef std::array<Node*, 4> tSides;
    struct cPending {
        Node* Parent;
        bool Back;
        cRect2D Region;
        tSides Sides;
    };
    std::vector<cPending> pending;
    auto split = [&pending](Node* n, const cRect2D& r, const tSides& sides) {
        n->Line_Walls.shrink_to_fit();  // complete since the last wall came in
        cRect2D front, back;
        cSquarePortal::Split_Rect(r, n->Item, front, back);
        // Each half keeps the region's cut sides and gains n's cut.
        tSides front_sides = sides, back_sides = sides;
        front_sides[n->Item.Horizontal ? 2 : 1] = n;
        back_sides[n->Item.Horizontal ? 0 : 3] = n;
        pending.push_back({n, true, back, back_sides});
        pending.push_back({n, false, front, front_sides});
    };
    split(node, region, tSides{{NULL, NULL, NULL, NULL}});
    while (!pending.empty()) {
        const cPending p = pending.back();
        pending.pop_back();
        Node*& slot = p.Back ? p.Parent->Back : p.Parent->Front;
        if (slot != NULL) {
            split(slot, p.Region, p.Sides);
            continue;
        }
        cSquarePortal* area = Pool.New<cSquarePortal>(p.Region);
        slot = area;
        ++N_Areas;
        area->Id = -N_Areas;
        Areas.push_back(area);
        if (Fast) Fast->Record_Sides(area, p.Sides);
    }
}

// ------------------------------------------------------ walls and portals

void cGame_World::Decorate_With_Walls_And_Portals() {
    if (!Squares_Done) {
        Message_Sink() << " ERROR : void cGame_World::Decorate_With_Walls_And_Portals() \n";
        Message_Sink() << " l'arbre doit d'abord etre d\xE9" "cor\xE9 avec les cSquarePortals !!! \n";
        return;
    }
    if (Stage != SQUARES_BUILT) return;
    Stage = PORTALS_BUILT;
    if (!Level_Doors.empty()) Doors.reset(new cDoor_Layer());
    // An area's wall pieces are gathered first and stored at once, in a
    // list of their number.
    std::vector<cHV_Seg*> pieces;
    for (cSquarePortal* area : Areas) {
        cHV_Seg sides[4];
        area->Bounds.Get_Side_Ymin(sides[0]);
        area->Bounds.Get_Side_Xmax(sides[1]);
        area->Bounds.Get_Side_Ymax(sides[2]);
        area->Bounds.Get_Side_Xmin(sides[3]);
        pieces.clear();
        for (int i = 0; i < 4; ++i) {
            // The node that cut the side during the partition is the one the
            // descent finds: no two nodes on one path share a line. A side
            // that no cut made lies on the world's border.
            Node* cut = Fast ? Fast->Side_Node(area, i) : NULL;
            if (cut == NULL)
                cut = sides[i].p0 != sides[i].p1 ? Find_Side_Node(sides[i]) : NULL;
            if (cut != NULL && sides[i].p0 != sides[i].p1) Decorate_Side(area, sides[i], cut, pieces);
        }
        area->Walls.insert(area->Walls.end(), pieces.begin(), pieces.end());
        area->Portals.shrink_to_fit();
    }
}

cGame_World::Node* cGame_World::Find_Side_Node(const cHV_Seg& side) const {
    // Descend with both ends of the side: a divider that the side touches at
    // one end only does not hold it, so the walk goes on toward the other end.
    Node* node = Root;
    while (node != NULL && !node->Is_Leaf()) {
        const BSP_POSITION_POINT a = node->Item.Get_Position_Point(side.p0);
        const BSP_POSITION_POINT b = node->Item.Get_Position_Point(side.p1);
        if (a == POINT_ON && b == POINT_ON) return node;
        const bool front = a == POINT_FRONT || b == POINT_FRONT;
        const bool back = a == POINT_BACK || b == POINT_BACK;
        assert(!(front && back));  // an area's side never crosses a divider's line
        node = front ? node->Front : node->Back;
    }
    return NULL;
}

void cGame_World::Decorate_Side(cSquarePortal* area, const cHV_Seg& side) {
    assert(area != NULL);
    if (side.p0 == side.p1) return;  // the side of an area of zero extent holds nothing
    Node* node = Find_Side_Node(side);
    if (node != NULL) Decorate_Side(area, side, node, area->Walls);
}

void cGame_World::Decorate_Side(cSquarePortal* area, const cHV_Seg& side, Node* node, std::vector<cHV_Seg*>& pieces) {

    // The stretches of the side that the walls on its line cover. A wall of
    // zero length covers the single point it stands on.
    const bool horizontal = side.Horizontal;
    const int s0 = Along(side.p0, horizontal), s1 = Along(side.p1, horizontal);
    std::vector<cHV_Seg>& covered = Covered;
    covered.clear();
    auto cover = [&](const cHV_Wall& w) {
        const int w0 = std::min(Along(w.p0, horizontal), Along(w.p1, horizontal));
        const int w1 = std::max(Along(w.p0, horizontal), Along(w.p1, horizontal));
        const int lo = std::max(s0, w0), hi = std::min(s1, w1);
        if (lo <= hi) covered.emplace_back(On_Line_Of(side, lo), On_Line_Of(side, hi));
    };
    cover(node->Item);
    for (const cHV_Wall& w : node->Line_Walls) cover(w);
    std::sort(covered.begin(), covered.end(), [horizontal](const cHV_Seg& a, const cHV_Seg& b) {
        const int a0 = Along(a.p0, horizontal), b0 = Along(b.p0, horizontal);
        return a0 != b0 ? a0 < b0 : Along(a.p1, horizontal) < Along(b.p1, horizontal);
    });

    // Wall pieces: the covered stretches of positive length, merged where
    // they overlap or touch.
    bool open = false;
    cHV_Seg piece;
    for (const cHV_Seg& c : covered) {
        if (c.p0 == c.p1) continue;
        if (open && Along(c.p0, horizontal) <= Along(piece.p1, horizontal)) {
            if (Along(c.p1, horizontal) > Along(piece.p1, horizontal)) piece.Set(piece.p0, c.p1);
            continue;
        }
        if (open) pieces.push_back(New_Wall_Piece(area, piece));
        piece = c;
        open = true;
    }
    if (open) pieces.push_back(New_Wall_Piece(area, piece));

    // No portal leads out of the world, nor into or out of an area of zero
    // width or height.
    const cRect2D& b = Built_Bounds;
    const bool on_border = horizontal ? (side.p0.y == b.Min.y || side.p0.y == b.Max.y)
                                      : (side.p0.x == b.Min.x || side.p0.x == b.Max.x);
    const bool flat = !Has_Extent(area->Bounds);
    if (on_border || flat) return;
    Add_Side_Portals(area, side, covered);
    if (!Level_Doors.empty()) Record_Door_Stretches(area, side, node);
}

void cGame_World::Record_Door_Stretches(cSquarePortal* area, const cHV_Seg& side, Node* node) {
    // The side is cut at every end of a door or a wall on its line; each
    // piece of positive length that lies under doors and under no wall is
    // a door stretch, joined with its neighbour when both lie under the same
    // doors and no wall point separates them. Two neighbouring pieces lie
    // under the same doors unless a door of positive length ends where they
    // meet. A sweep over the cuts: time in proportion to the walls and doors
    // on the line, however they nest.
    const bool horizontal = side.Horizontal;
    const int s0 = Along(side.p0, horizontal), s1 = Along(side.p1, horizontal);
    struct cCover {
        int Lo, Hi;
        bool Door;
    };
    std::vector<cCover> covers;
    bool any_door = false;
    auto add = [&](const cHV_Wall& w) {
        const int lo = std::max(s0, std::min(Along(w.p0, horizontal), Along(w.p1, horizontal)));
        const int hi = std::min(s1, std::max(Along(w.p0, horizontal), Along(w.p1, horizontal)));
        if (lo > hi) return;
        covers.push_back({lo, hi, w.Door >= 0});
        any_door = any_door || w.Door >= 0;
    };
    add(node->Item);
    for (const cHV_Wall& w : node->Line_Walls) add(w);
    if (!any_door) return;
    std::vector<int> cuts;
    for (const cCover& c : covers) {
        cuts.push_back(c.Lo);
        cuts.push_back(c.Hi);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    const std::size_t n = cuts.size();
    auto at = [&](int v) { return std::size_t(std::lower_bound(cuts.begin(), cuts.end(), v) - cuts.begin()); };
    // By piece (between cuts k and k + 1): changes of the wall and door
    // counts; by cut: a wall point there, a door's end there.
    std::vector<int> walls(n + 1, 0), doors(n + 1, 0);
    std::vector<int> wall_point(n + 1, 0);
    std::vector<char> door_end(n, 0);
    for (const cCover& c : covers) {
        const std::size_t lo = at(c.Lo), hi = at(c.Hi);
        if (c.Door) {
            if (lo == hi) continue;  // a door of zero length lies over no piece
            ++doors[lo];
            --doors[hi];
            door_end[lo] = door_end[hi] = 1;
        } else {
            ++walls[lo];
            --walls[hi];
            ++wall_point[lo];
            --wall_point[hi + 1];
        }
    }
    const bool below = horizontal ? area->Bounds.Max.y == side.p0.y : area->Bounds.Max.x == side.p0.x;
    bool open = false;
    int run_lo = 0, run_hi = 0;
    auto flush = [&]() {
        if (open) Doors->Record(area, cHV_Seg(On_Line_Of(side, run_lo), On_Line_Of(side, run_hi)), below);
        open = false;
    };
    int wall_count = 0, door_count = 0, point_count = 0;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        wall_count += walls[k];
        door_count += doors[k];
        point_count += wall_point[k];
        const int lo = cuts[k], hi = cuts[k + 1];
        if (wall_count > 0 || door_count == 0) {
            flush();
            continue;
        }
        // A wall point at lo (a wall ending there, or one of zero length)
        // separates this piece from the one before.
        if (open && run_hi == lo && !door_end[k] && point_count == 0) {
            run_hi = hi;
            continue;
        }
        flush();
        open = true;
        run_lo = lo;
        run_hi = hi;
    }
    flush();
}

void cGame_World::Add_Side_Portals(cSquarePortal* area, const cHV_Seg& side,
                                   const std::vector<cHV_Seg>& covered) {
    // Every open stretch of positive length between the covered ones becomes
    // a portal, in order along the side.
    const bool horizontal = side.Horizontal;
    int from = Along(side.p0, horizontal);
    for (const cHV_Seg& c : covered) {
        const int lo = Along(c.p0, horizontal), hi = Along(c.p1, horizontal);
        if (lo > from) Insert_Portal(area, cHV_Seg(On_Line_Of(side, from), On_Line_Of(side, lo)));
        from = std::max(from, hi);
    }
    const int to = Along(side.p1, horizontal);
    if (to > from) Insert_Portal(area, cHV_Seg(On_Line_Of(side, from), On_Line_Of(side, to)));
}

void cGame_World::Insert_Portal(cSquarePortal* area, const cHV_Seg& seg) {
    assert(area != NULL);
    cPortal* current_portal = NULL;
    cHV_Seg inter;
    if (Fast) {
        // The index finds the portal the walk below would stop at.
        current_portal = Fast->First_Overlapping_Portal(seg);
        if (current_portal != NULL && seg.Is_Same(current_portal->Segment)) {
            assert(current_portal->Area1 != NULL || current_portal->Area2 != NULL);
            current_portal->Add_Area(area);
            area->Add_Portal(current_portal);
            return;
        }
        if (current_portal != NULL) current_portal->Segment.Intersection(seg, inter);
    } else {
        for (std::vector<cPortal*>::iterator Portals_Itr = Portals.begin(); Portals_Itr != Portals.end();
             ++Portals_Itr) {
            if (seg.Is_Same((*Portals_Itr)->Segment)) {
                assert((*Portals_Itr)->Area1 != NULL || (*Portals_Itr)->Area2 != NULL);
                (*Portals_Itr)->Add_Area(area);
                area->Add_Portal(*Portals_Itr);
                return;
            }
            if ((*Portals_Itr)->Segment.Intersection(seg, inter) && inter.p0 != inter.p1) {
                current_portal = *Portals_Itr;
                break;
            }
        }
    }
    if (current_portal == NULL) {
        Add_New_Portal(area, seg);
        return;
    }

    // An existing portal overlaps seg along inter: cut it down to inter,
    // join it, and place the rest of seg in pieces.
    if (!inter.Is_Same(current_portal->Segment)) Split_Portal(current_portal, inter);
    assert(current_portal->Segment == inter);
    cHV_Seg before, after;
    switch (seg.Subtract(inter, before, after)) {
    case 1:
        current_portal->Add_Area(area);
        area->Add_Portal(current_portal);
        break;
    case 2:
        Insert_Portal(area, inter);
        Insert_Portal(area, before);
        Insert_Portal(area, after);
        break;
    case 3:
        Insert_Portal(area, inter);
        Insert_Portal(area, before);
        break;
    case 4:
        Insert_Portal(area, inter);
        Insert_Portal(area, after);
        break;
    default:
        assert(0);
    }
}

cHV_Seg* cGame_World::New_Wall_Piece(const cSquarePortal* area, const cHV_Seg& w) {
    assert(area->Bounds.In(w.p0));
    assert(area->Bounds.In(w.p1));
    return Pool.New<cHV_Seg>(w.p0, w.p1);
}

cPortal* cGame_World::Add_New_Portal(cSquarePortal* area, const cHV_Seg& seg) {
    cPortal* portal = Pool.New<cPortal>(seg, area, N_Portals, cNode_Allocator(&Pool));
    Portals.push_back(portal);
    ++N_Portals;
    if (Fast) Fast->Portal_Added(portal);
    area->Add_Portal(portal);
    return portal;
}

void cGame_World::Split_Portal(cPortal* p, const cHV_Seg& seg) {
    assert(p->Segment.Contient(seg ));
    assert(p->Segment.Contient(seg));
    cHV_Seg before, after;
    const int r = p->Segment.Subtract(seg, before, after);
    if (r < 2 || r > 4) assert(0);
    // The portal object keeps the common stretch; the cut-off pieces become
    // new portals of its first area.
    if (Fast) Fast->Portal_Changing(p);
    p->Segment.Set(seg.p0, seg.p1);
    if (Fast) Fast->Portal_Changed(p);
    p->Segment.Get_Middle(p->Position);
    if (r == 2 || r == 3) Add_New_Portal(p->Area1, before);
    if (r == 2 || r == 4) Add_New_Portal(p->Area1, after);
}

void cGame_World::Link_Aligned_Portals() {
    if (Stage != PORTALS_BUILT) return;
    Stage = WAYPOINTS_BUILT;
    for (cSquarePortal* area : Areas) area->Link_Aligned_Portals(&Pool);
    // The world's lists grew as the build found their items; none grows again.
    // (Each area's lists were fitted as it was decorated, each node's
    // Line_Walls as the partition passed it.)
    Level_Walls.shrink_to_fit();
    Areas.shrink_to_fit();
    Portals.shrink_to_fit();
    if (Doors) {
        // Door portals are numbered after the world's portals.
        Doors->Build(N_Portals, N_Areas, Level_Doors);
        for (int d = 0; d < N_Doors(); ++d) {
            if (Door_Open[std::size_t(d)] == 0) continue;
            Doors->Set_Door(d, true);
            if (!Fast) Doors->Relink(d);
        }
    }
    if (Fast) {
        cBuilt_World built;
        built.Areas = &Areas;
        built.Portals = &Portals;
        built.Walls = &Level_Walls;
        built.Doors = &Level_Doors;
        built.Bounds = Built_Bounds;
        built.Door_Layer = Doors.get();
        built.Door_Open = Door_Open.data();
        built.Tree = Tree.get();
        Fast->Build_Done(built);
    }
}

std::size_t cGame_World::Pool_Footprint() const { return Pool.Footprint(); }

// ==================================================================== queries

cSquarePortal* cGame_World::Area_At(const cPoint2D& p) const {
    if (!Squares_Done) return NULL;
    return static_cast<cSquarePortal*>(Where_Is_Leaf(p));
}

cSquarePortal* cGame_World::Locate(const cPoint2D& p) const {
    if (Fast && Is_Built()) {
        cSquarePortal* area = Fast->Locate(p);
        if (area != NULL) return area;
    }
    return Area_At(p);
}

bool cGame_World::Wall_Within(const cPoint2D& c, std::int64_t r2) const {
    // Walls lie on their node's line, inside the node's region. A node's
    // walls, and the subtree beyond its line, matter only when the disc
    // reaches across that line; a point on the line reaches both sides.
    std::vector<const Node*> pending;
    if (Root != NULL) pending.push_back(Root);
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        // Areas are the leaves once made; before, every node is a wall's.
        if (Stage != NOTHING_BUILT && node->Is_Leaf()) continue;
        const cHV_Wall& divider = node->Item;
        const std::int64_t across = divider.Horizontal ? std::int64_t(c.y) - divider.p0.y
                                                       : std::int64_t(c.x) - divider.p0.x;
        if (across * across < r2) {
            if (!Is_Open(divider) && Square_Distance_To_Box(divider.p0, divider.p1, c) < r2) return true;
            for (const cHV_Wall& w : node->Line_Walls)
                if (!Is_Open(w) && Square_Distance_To_Box(w.p0, w.p1, c) < r2) return true;
            if (node->Back) pending.push_back(node->Back);
            if (node->Front) pending.push_back(node->Front);
        } else if (across < 0) {
            if (node->Front) pending.push_back(node->Front);
        } else {
            if (node->Back) pending.push_back(node->Back);
        }
    }
    return false;
}

bool cGame_World::Is_On_Wall(const cPoint2D& p) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Is_On_Wall(p);
    return Wall_Within(p, 1);
}

cSquarePortal* cGame_World::Space_At(const cPoint2D& p, cSquarePortal* area) const {
    // An area of zero height (width) lies along the world's lower (left)
    // border, under a wall on the border line; the border's points it holds
    // are the border of the area above it (right of it). In the world's
    // corner the step goes both ways.
    cPoint2D q = p;
    for (int step = 0; step < 2 && area != NULL && !Has_Extent(area->Bounds); ++step) {
        const cRect2D& r = area->Bounds;
        if (r.Min.y == r.Max.y && q.y < Built_Bounds.Max.y)
            ++q.y;
        else if (r.Min.x == r.Max.x && q.x < Built_Bounds.Max.x)
            ++q.x;
        else
            break;
        area = Locate(q);
    }
    return area;
}

bool cGame_World::In_Solid(const cPoint2D& p, cSquarePortal* area) const {
    area = Space_At(p, area);
    if (area == NULL || !area->Solid || Wall_Within(p, 1)) return false;
    // A door, open or closed, is a stretch of the rock's face, as a wall is.
    for (const cHV_Wall& d : Level_Doors)
        if (Square_Distance_To_Box(d.p0, d.p1, p) == 0) return false;
    return true;
}

bool cGame_World::Is_Solid(const cPoint2D& p) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Is_Solid(p);
    return Solid_As_Built(p);
}

bool cGame_World::Solid_As_Built(const cPoint2D& p) const {
    if (N_Solid_Areas == 0 || !Is_Built() || !In_Coordinate_Range(p) || !Built_Bounds.In(p)) return false;
    return In_Solid(p, Locate(p));
}

bool cGame_World::Find_Path(const cPoint2D& start, const cPoint2D& goal, std::vector<cPoint2D>& path) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Find_Path(start, goal, path);
    path.clear();
    if (!Is_Built() || !In_Coordinate_Range(start) || !In_Coordinate_Range(goal)) return false;
    // A point outside the world lies in no area: the area the tree gives it
    // does not hold it, and a step from it could cross the world's border.
    if (!Built_Bounds.In(start) || !Built_Bounds.In(goal)) return false;
    cSquarePortal* start_area = Locate(start);
    cSquarePortal* goal_area = Locate(goal);
    if (start_area == NULL || goal_area == NULL) return false;
    // No route leads into or out of solid space.
    if (N_Solid_Areas > 0 && (In_Solid(start, start_area) || In_Solid(goal, goal_area))) return false;
    if (start_area == goal_area) {
        path.push_back(goal);
        return true;
    }
    if (Fast) return Fast->Find_Path(start, start_area, goal, goal_area, path);

    // The reference search runs on the shared nodes: it hooks the goal into
    // its area's portals (and open door portals) for this search only and
    // unhooks it afterwards.
    cPoint_Node start_node(start_area, start);
    cPoint_Node goal_node(goal_area, goal);
    if (Doors) {
        Doors->Open_Door_Portals(start_area, start_node.Door_Portals);
        Doors->Open_Door_Portals(goal_area, goal_node.Door_Portals);
    }
    cNode_List goal_portals;
    goal_node.Get_Neighbours(goal_portals);
    for (cA_Star_Node* portal : goal_portals) static_cast<cPortal*>(portal)->Add_Neighbour(&goal_node);

    cNode_List route;
    const bool ok = Path_Finder.Search(&start_node, &goal_node, route);
    if (ok)
        for (const cA_Star_Node* node : route) path.push_back(node->Position);

    for (cA_Star_Node* portal : goal_portals) static_cast<cPortal*>(portal)->Remove_Neighbour(&goal_node);
    return ok;
}

ROUTE_STATUS cGame_World::Find_Shortest_Path(const cPoint2D& start, const cPoint2D& goal, int half_size,
                                             std::vector<cPoint2D>& path, double* length) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited())
        return edited->Find_Shortest_Path(start, goal, half_size, path, length);
    path.clear();
    if (length != NULL) *length = 0;
    if (half_size < 0 || half_size > COORD_LIMIT) return ROUTE_BAD_SIZE;
    if (!Is_Built()) return ROUTE_NONE;
    if (!In_Coordinate_Range(start) || !In_Coordinate_Range(goal) || !Built_Bounds.In(start) ||
        !Built_Bounds.In(goal))
        return ROUTE_OUTSIDE;
    if (Solid_As_Built(start)) return ROUTE_START_BLOCKED;
    if (Solid_As_Built(goal)) return ROUTE_GOAL_BLOCKED;
    const std::shared_ptr<const cRoute_Mesh> mesh = Agents->Get(*this, half_size);
    double found_length = 0;
    const ROUTE_SEARCH_RESULT result = Search_Route(*mesh, start, goal, Route_Doors(), path, found_length);
    if (result == SEARCH_FOUND && length != NULL) *length = found_length;
    return Route_Status_Of(result);
}

void cGame_World::Set_Agent_Sizes_Kept(int sizes) {
    Agents->Set_Capacity(sizes);
    Edits->Set_Agent_Sizes_Kept(sizes);
}

int cGame_World::Agent_Sizes_Kept() const { return Agents->Capacity_Now(); }

bool cGame_World::Release_Agent(int half_size) {
    const bool edited = Edits->Release_Agent(half_size);
    return Agents->Release(half_size) || edited;
}

int cGame_World::Kept_Agent_Sizes() const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Kept_Agent_Sizes();
    return Agents->Kept();
}

std::vector<int> cGame_World::Kept_Sizes() const { return Agents->Sizes(); }

int cGame_World::Agents_Capacity() const { return Agents->Capacity_Now(); }

void cGame_World::Adopt_Agent(int half_size, std::shared_ptr<const cRoute_Mesh> mesh) {
    Agents->Put(half_size, std::move(mesh));
}

void cGame_World::Prepare_Agent(int half_size) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Prepare_Agent(half_size);
    if (Is_Built() && half_size >= 0 && half_size <= COORD_LIMIT) Agents->Get(*this, half_size);
}

std::shared_ptr<const cRoute_Mesh> cGame_World::Agent_Mesh(int half_size) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Agent_Mesh(half_size);
    return Agents->Get(*this, half_size);
}

std::size_t cGame_World::Agent_Footprint(int half_size) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Agent_Footprint(half_size);
    const std::shared_ptr<const cRoute_Mesh> mesh = Agents->Find(half_size);
    return mesh ? mesh->Footprint() : 0;
}

ROUTE_STATUS cGame_World::Find_Shortest_Path(const cPoint2D& start, const cPoint2D& goal, int half_size,
                                             const cRoute_Options& options, std::vector<cPoint2D>& path,
                                             double* length) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited())
        return edited->Find_Shortest_Path(start, goal, half_size, options, path, length);
    if (!options.Partial) return Find_Shortest_Path(start, goal, half_size, path, length);
    path.clear();
    if (length != NULL) *length = 0;
    if (half_size < 0 || half_size > COORD_LIMIT) return ROUTE_BAD_SIZE;
    if (!Is_Built()) return ROUTE_NONE;
    return Partial_Route(*this, *Agents->Get(*this, half_size), Route_Doors(), start, goal, path, length);
}

ROUTE_STATUS cGame_World::Find_Nearest_Goal(const cPoint2D& start, const std::vector<cPoint2D>& goals, int half_size,
                                            std::vector<cPoint2D>& path, double* length, int* goal) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited())
        return edited->Find_Nearest_Goal(start, goals, half_size, path, length, goal);
    path.clear();
    if (length != NULL) *length = 0;
    if (goal != NULL) *goal = -1;
    if (half_size < 0 || half_size > COORD_LIMIT) return ROUTE_BAD_SIZE;
    if (!Is_Built()) return ROUTE_NONE;
    return Nearest_Goal_Route(*this, *Agents->Get(*this, half_size), Route_Doors(), start, goals, path, length, goal);
}

ROUTE_STATUS cGame_World::Find_Standing_Point(const cPoint2D& p, int half_size, cPoint2D& place) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited())
        return edited->Find_Standing_Point(p, half_size, place);
    if (half_size < 0 || half_size > COORD_LIMIT) return ROUTE_BAD_SIZE;
    if (!Is_Built()) return ROUTE_NONE;
    if (!In_Coordinate_Range(p)) return ROUTE_OUTSIDE;
    return Standing_Point(*this, *Agents->Get(*this, half_size), Route_Doors(), p, place);
}

void cGame_World::Find_Shortest_Paths(const std::vector<cRoute_Request>& requests, std::vector<cRoute_Result>& answers,
                                      int threads) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited())
        return edited->Find_Shortest_Paths(requests, answers, threads);
    Route_Batch(*this, requests, answers, threads);
}

bool cGame_World::Intersect_Segment(const cSeg& seg, cPoint2D& hit) const {
    return Intersect_Segment(seg, hit, seg.Get_Square_Length());
}

bool cGame_World::Intersect_Segment(const cSeg& seg, cPoint2D& hit, std::int64_t limit) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Intersect_Segment(seg, hit, limit);
    const cPoint2D A = seg.p0, B = seg.p1;
    if (!Is_Built() || !In_Coordinate_Range(A) || !In_Coordinate_Range(B)) return false;
    const cSquarePortal* area_a = Locate(A);
    const cSquarePortal* area_b = Locate(B);
    if (area_a == NULL || area_b == NULL) return false;
    if (area_a == area_b) return false;  // inside one convex area: no wall between
    if (A == B) return false;
    if (Fast) return Fast->Walk_Segment(A, B, area_a, limit, hit);
    cLine_Walker walker;
    walker.Start(A, B);
    cPoint2D current = A;
    std::int64_t d2 = 0;
    bool done = false;
    for (;;) {
        if (done) return false;
        if (d2 >= limit) return false;
        done = walker.Next(current);
        d2 = Square_Distance(current, A);
        if (Wall_Within(current, 1)) {
            hit = current;
            return true;
        }
    }
}

bool cGame_World::Intersect_Ball(int x, int y, int radius) const {
    if (const std::shared_ptr<const cGame_World> edited = Edited()) return edited->Intersect_Ball(x, y, radius);
    const cPoint2D centre(x, y);
    if (!Is_Built() || !In_Coordinate_Range(centre)) return false;
    if (Solid_As_Built(centre)) return true;
    return Wall_Within(centre, std::int64_t(radius) * radius);
}

}  // namespace bsp_levels
