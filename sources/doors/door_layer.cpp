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

void cDoor_Layer::Record(cSquarePortal* area, const cHV_Seg& stretch, bool below, const std::vector<int>& doors) {
    cRecord r;
    r.Area = area;
    r.Horizontal = stretch.Horizontal;
    r.Line = stretch.Horizontal ? stretch.p0.y : stretch.p0.x;
    r.Lo = stretch.Horizontal ? stretch.p0.x : stretch.p0.y;
    r.Hi = stretch.Horizontal ? stretch.p1.x : stretch.p1.y;
    r.Below = below;
    r.Doors = doors;
    Records.push_back(std::move(r));
}

int cDoor_Layer::Add_Node(cPortal* node, const std::vector<int>& needs) {
    const int n = int(Nodes.size());
    Nodes.push_back(node);
    Needs.push_back(needs);
    Index[node] = n;
    for (int d : needs) Of_Door[std::size_t(d)].push_back(n);
    return n;
}

void cDoor_Layer::Link(cSquarePortal* area, cPortal* a, cPortal* b) {
    if (!area->Needs_WayPoint(a, b)) {
        Links.push_back({a, b});
        Links.push_back({b, a});
        return;
    }
    std::vector<int> needs;
    for (cPortal* p : {a, b}) {
        const int n = Node_Of(p);
        if (n >= 0) needs.insert(needs.end(), Needs[std::size_t(n)].begin(), Needs[std::size_t(n)].end());
    }
    std::sort(needs.begin(), needs.end());
    needs.erase(std::unique(needs.begin(), needs.end()), needs.end());
    cAligned_WayPoint* w = new cAligned_WayPoint(area->WayPoint_Position(a, b), area);
    Add_Node(w, needs);
    Links.push_back({a, w});
    Links.push_back({b, w});
    Links.push_back({w, a});
    Links.push_back({w, b});
}

void cDoor_Layer::Build(int first_id, int n_areas, int n_doors) {
    Area_Door_Portals.assign(std::size_t(n_areas), {});
    Of_Door.assign(std::size_t(n_doors), {});
    // Stretches on one line, each side's in order along it; the areas on one
    // side of a line do not overlap, so a sweep pairs them.
    std::sort(Records.begin(), Records.end(), [](const cRecord& a, const cRecord& b) {
        if (a.Horizontal != b.Horizontal) return a.Horizontal < b.Horizontal;
        if (a.Line != b.Line) return a.Line < b.Line;
        if (a.Below != b.Below) return a.Below < b.Below;
        return a.Lo < b.Lo;
    });
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
                assert(up.Doors == down.Doors);
                const cPoint2D p0 = up.Horizontal ? cPoint2D(lo, up.Line) : cPoint2D(up.Line, lo);
                const cPoint2D p1 = up.Horizontal ? cPoint2D(hi, up.Line) : cPoint2D(up.Line, hi);
                cPortal* portal = new cPortal(cHV_Seg(p0, p1), down.Area, first_id + N_Door_Portals);
                portal->Add_Area(up.Area);
                ++N_Door_Portals;
                const int n = Add_Node(portal, up.Doors);
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

    // Each door portal reaches the portals of both its areas and the door
    // portals made before it there; waypoints stand between those on one line.
    const int n_portals = N_Door_Portals;
    for (int k = 0; k < n_portals; ++k) {
        cPortal* door = Nodes[std::size_t(k)];
        for (cSquarePortal* area : {door->Area1, door->Area2}) {
            for (cPortal* p : area->Portals) Link(area, door, p);
            for (int other : Area_Door_Portals[std::size_t(-area->Id - 1)])
                if (other < k) Link(area, door, Nodes[std::size_t(other)]);
        }
    }
    for (const cLink& l : Links) Out[l.From].push_back(l.To);
}

int cDoor_Layer::Node_Of(const cA_Star_Node* n) const {
    const auto it = Index.find(n);
    return it == Index.end() ? -1 : it->second;
}

bool cDoor_Layer::Enterable(int node, const unsigned char* open) const {
    for (int d : Needs[std::size_t(node)])
        if (open[d] == 0) return false;
    return true;
}

void cDoor_Layer::Open_Door_Portals(const cSquarePortal* area, const unsigned char* open,
                                    std::vector<cPortal*>& out) const {
    out.clear();
    const std::size_t at = std::size_t(-area->Id - 1);
    if (at >= Area_Door_Portals.size()) return;
    for (int n : Area_Door_Portals[at])
        if (Enterable(n, open)) out.push_back(Nodes[std::size_t(n)]);
}

void cDoor_Layer::Relink_Node(cPortal* node, const unsigned char* open) {
    const auto it = Out.find(node);
    if (it == Out.end()) return;
    for (cPortal* t : it->second) node->Remove_Neighbour(t);
    for (cPortal* t : it->second) {
        const int n = Node_Of(t);
        if (n < 0 || Enterable(n, open)) node->Add_Neighbour(t);
    }
}

void cDoor_Layer::Relink(int door, const unsigned char* open) {
    if (door < 0 || std::size_t(door) >= Of_Door.size()) return;
    std::vector<cPortal*> touched;
    std::unordered_set<cPortal*> seen;
    for (int n : Of_Door[std::size_t(door)]) {
        cPortal* node = Nodes[std::size_t(n)];
        if (seen.insert(node).second) touched.push_back(node);
        const auto it = Out.find(node);
        if (it == Out.end()) continue;
        for (cPortal* t : it->second)
            if (seen.insert(t).second) touched.push_back(t);
    }
    for (cPortal* node : touched) Relink_Node(node, open);
}

}  // namespace bsp_levels
