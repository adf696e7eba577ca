#ifdef NDEBUG
#undef NDEBUG  // the library's assertions guard invariants in every build
#endif
#include <cassert>

#include "doors/door_layer.h"

#include <algorithm>
#include <unordered_set>

#include "square_portal.h"

namespace bsp_levels {

cDoor_Layer::~cDoor_Layer() {
    for (cPortal* n : Nodes) delete n;
}

void cDoor_Layer::Record(cSquarePortal* area, const cHV_Seg& stretch, bool below) {
    cRecord r;
    r.Area = area;
    r.Horizontal = stretch.Horizontal;
    r.Line = stretch.Horizontal ? stretch.p0.y : stretch.p0.x;
    r.Lo = stretch.Horizontal ? stretch.p0.x : stretch.p0.y;
    r.Hi = stretch.Horizontal ? stretch.p1.x : stretch.p1.y;
    r.Below = below;
    Records.push_back(r);
}

int cDoor_Layer::Add_Node(cPortal* node, cNeed need) {
    const int n = int(Nodes.size());
    Nodes.push_back(node);
    Needs.push_back(need);
    Index[node] = n;
    for (int s : {need.A, need.B})
        if (s >= 0 && s != n) Dependent[std::size_t(s)].push_back(n);
    return n;
}

void cDoor_Layer::Link(cSquarePortal* area, cPortal* a, cPortal* b) {
    if (!area->Needs_WayPoint(a, b)) {
        Links.push_back({a, b});
        Links.push_back({b, a});
        return;
    }
    // The waypoint lies over what its two ends lie over.
    cNeed need;
    const int na = Node_Of(a), nb = Node_Of(b);
    need.A = na >= 0 && na < N_Door_Portals ? na : -1;
    need.B = nb >= 0 && nb < N_Door_Portals ? nb : -1;
    cAligned_WayPoint* w = new cAligned_WayPoint(area->WayPoint_Position(a, b), area);
    Add_Node(w, need);
    Links.push_back({a, w});
    Links.push_back({b, w});
    Links.push_back({w, a});
    Links.push_back({w, b});
}

cPortal* cDoor_Layer::Hub(cSquarePortal* area) {
    // A crowded area's own hub serves its door portals too.
    if (area->Crowded) return area->WayPoints.front();
    cPortal*& hub = Hubs[area];
    if (hub == nullptr) {
        cPoint2D centre;
        area->Get_Center(centre);
        hub = new cAligned_WayPoint(centre, area);
        Add_Node(hub, cNeed());
        for (cPortal* p : area->Portals) {
            Links.push_back({hub, p});
            Links.push_back({p, hub});
        }
    }
    return hub;
}

void cDoor_Layer::Build(int first_id, int n_areas, const std::vector<cHV_Wall>& doors) {
    Area_Door_Portals.assign(std::size_t(n_areas), {});
    // Stretches on one line, each side's in order along it; the areas on one
    // side of a line do not overlap, so a sweep pairs them. Lines come in
    // order too, so the door portals are made in the order (orientation,
    // line, position).
    std::sort(Records.begin(), Records.end(), [](const cRecord& a, const cRecord& b) {
        if (a.Horizontal != b.Horizontal) return a.Horizontal < b.Horizontal;
        if (a.Line != b.Line) return a.Line < b.Line;
        if (a.Below != b.Below) return a.Below < b.Below;
        return a.Lo < b.Lo;
    });
    struct cPlace {
        bool Horizontal;
        int Line, Lo, Hi;
    };
    std::vector<cPlace> places;  // by door portal
    std::size_t i = 0;
    while (i < Records.size()) {
        std::size_t j = i;
        while (j < Records.size() && Records[j].Horizontal == Records[i].Horizontal &&
               Records[j].Line == Records[i].Line)
            ++j;
        std::size_t mid = i;
        while (mid < j && !Records[mid].Below) ++mid;
        // [i, mid): areas above the line; [mid, j): areas below it.
        std::size_t a = i, b = mid;
        while (a < mid && b < j) {
            const cRecord& up = Records[a];
            const cRecord& down = Records[b];
            const int lo = std::max(up.Lo, down.Lo), hi = std::min(up.Hi, down.Hi);
            if (lo < hi) {
                const cPoint2D p0 = up.Horizontal ? cPoint2D(lo, up.Line) : cPoint2D(up.Line, lo);
                const cPoint2D p1 = up.Horizontal ? cPoint2D(hi, up.Line) : cPoint2D(up.Line, hi);
                cPortal* portal = new cPortal(cHV_Seg(p0, p1), down.Area, first_id + N_Door_Portals);
                portal->Add_Area(up.Area);
                const int k = N_Door_Portals++;
                Dependent.emplace_back();
                cNeed own;
                own.A = k;
                const int n = Add_Node(portal, own);
                assert(n == k);
                places.push_back({up.Horizontal, up.Line, lo, hi});
                Area_Door_Portals[std::size_t(-down.Area->Id - 1)].push_back(n);
                Area_Door_Portals[std::size_t(-up.Area->Id - 1)].push_back(n);
            }
            if (up.Hi < down.Hi)
                ++a;
            else
                ++b;
        }
        i = j;
    }
    std::vector<cRecord>().swap(Records);

    // The door portals under each door: those of its line within its
    // extent, one range. Every door is closed.
    auto before = [](const cPlace& p, const cPlace& key) {
        if (p.Horizontal != key.Horizontal) return p.Horizontal < key.Horizontal;
        if (p.Line != key.Line) return p.Line < key.Line;
        return p.Lo < key.Lo;
    };
    Door_Range.assign(doors.size(), cRange());
    std::vector<int> change(std::size_t(N_Door_Portals) + 1, 0);
    for (std::size_t d = 0; d < doors.size(); ++d) {
        const cHV_Wall& door = doors[d];
        const bool horizontal = door.p0.y == door.p1.y && door.p0.x != door.p1.x;
        const int line = horizontal ? door.p0.y : door.p0.x;
        const int lo = horizontal ? std::min(door.p0.x, door.p1.x) : std::min(door.p0.y, door.p1.y);
        const int hi = horizontal ? std::max(door.p0.x, door.p1.x) : std::max(door.p0.y, door.p1.y);
        if (lo >= hi) continue;  // a door of zero length lies over no stretch
        const cPlace from{horizontal, line, lo, lo}, to{horizontal, line, hi, hi};
        const int first = int(std::lower_bound(places.begin(), places.end(), from, before) - places.begin());
        int end = int(std::lower_bound(places.begin(), places.end(), to, before) - places.begin());
        // A door portal starting inside the door ends inside it: the
        // stretches are cut at every end of a door.
        while (end > first && places[std::size_t(end - 1)].Hi > hi) --end;
        Door_Range[d] = {first, end};
        ++change[std::size_t(first)];
        --change[std::size_t(end)];
    }
    Closed.assign(std::size_t(N_Door_Portals), 0);
    for (int k = 0, run = 0; k < N_Door_Portals; ++k) Closed[std::size_t(k)] = run += change[std::size_t(k)];

    // A crowded area too thin for a hub: a rail through all its portals,
    // the world's and the doors'; its waypoints need no door.
    auto crowded = [&](const cSquarePortal* area) {
        const std::vector<int>& others = Area_Door_Portals[std::size_t(-area->Id - 1)];
        return area->Crowded || int(area->Portals.size() + others.size()) > CROWDED_AREA_PORTALS;
    };
    for (std::size_t a = 0; a < Area_Door_Portals.size(); ++a) {
        if (Area_Door_Portals[a].empty()) continue;
        cSquarePortal* area = Nodes[std::size_t(Area_Door_Portals[a].front())]->Area1;
        if (-area->Id - 1 != int(a)) area = Nodes[std::size_t(Area_Door_Portals[a].front())]->Area2;
        if (!crowded(area) || area->Has_Inside()) continue;
        std::vector<cPortal*> portals(area->Portals);
        for (int n : Area_Door_Portals[a]) portals.push_back(Nodes[std::size_t(n)]);
        const cRail rail = area->Rail(portals);
        std::vector<cPortal*> made;
        for (const cPoint2D& p : rail.Points) {
            made.push_back(new cAligned_WayPoint(p, area));
            Add_Node(made.back(), cNeed());
        }
        for (const std::pair<int, int>& l : rail.Links) {
            cPortal* from = l.first >= 0 ? made[std::size_t(l.first)] : portals[std::size_t(-1 - l.first)];
            cPortal* to = l.second >= 0 ? made[std::size_t(l.second)] : portals[std::size_t(-1 - l.second)];
            Links.push_back({from, to});
            Links.push_back({to, from});
        }
    }

    // Each door portal reaches the portals of both its areas and the door
    // portals made before it there; waypoints stand between those on one
    // line. In a crowded area, it reaches the area's hub instead, or lies
    // on its rail.
    const int n_portals = N_Door_Portals;
    for (int k = 0; k < n_portals; ++k) {
        cPortal* door = Nodes[std::size_t(k)];
        for (cSquarePortal* area : {door->Area1, door->Area2}) {
            const std::vector<int>& others = Area_Door_Portals[std::size_t(-area->Id - 1)];
            if (crowded(area)) {
                if (!area->Has_Inside()) continue;
                cPortal* hub = Hub(area);
                Links.push_back({door, hub});
                Links.push_back({hub, door});
                continue;
            }
            for (cPortal* p : area->Portals) Link(area, door, p);
            for (int other : others)
                if (other < k) Link(area, door, Nodes[std::size_t(other)]);
        }
    }
    for (const cLink& l : Links) Out[l.From].push_back(l.To);
}

int cDoor_Layer::Node_Of(const cA_Star_Node* n) const {
    const auto it = Index.find(n);
    return it == Index.end() ? -1 : it->second;
}

int cDoor_Layer::Pieces(int door) const {
    if (door < 0 || std::size_t(door) >= Door_Range.size()) return 0;
    return Door_Range[std::size_t(door)].End - Door_Range[std::size_t(door)].First;
}

void cDoor_Layer::Set_Door(int door, bool open) {
    if (door < 0 || std::size_t(door) >= Door_Range.size()) return;
    const cRange r = Door_Range[std::size_t(door)];
    for (int k = r.First; k < r.End; ++k) Closed[std::size_t(k)] += open ? -1 : 1;
}

void cDoor_Layer::Open_Door_Portals(const cSquarePortal* area, std::vector<cPortal*>& out) const {
    out.clear();
    const std::size_t at = std::size_t(-area->Id - 1);
    if (at >= Area_Door_Portals.size()) return;
    for (int n : Area_Door_Portals[at])
        if (Enterable(n)) out.push_back(Nodes[std::size_t(n)]);
}

void cDoor_Layer::Relink_Node(cPortal* node) {
    const auto it = Out.find(node);
    if (it == Out.end()) return;
    for (cPortal* t : it->second) node->Remove_Neighbour(t);
    for (cPortal* t : it->second) {
        const int n = Node_Of(t);
        if (n < 0 || Enterable(n)) node->Add_Neighbour(t);
    }
}

void cDoor_Layer::Relink(int door) {
    if (door < 0 || std::size_t(door) >= Door_Range.size()) return;
    std::vector<cPortal*> touched;
    std::unordered_set<cPortal*> seen;
    auto touch = [&](int n) {
        cPortal* node = Nodes[std::size_t(n)];
        if (seen.insert(node).second) touched.push_back(node);
        const auto it = Out.find(node);
        if (it == Out.end()) return;
        for (cPortal* t : it->second)
            if (seen.insert(t).second) touched.push_back(t);
    };
    const cRange r = Door_Range[std::size_t(door)];
    for (int k = r.First; k < r.End; ++k) {
        touch(k);
        for (int w : Dependent[std::size_t(k)]) touch(w);
    }
    for (cPortal* node : touched) Relink_Node(node);
}

}  // namespace bsp_levels
