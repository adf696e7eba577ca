#include "route/route_queries.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <system_error>
#include <thread>
#include <utility>

#include "route/route_search.h"

namespace bsp_levels {

ROUTE_STATUS Route_Status_Of(ROUTE_SEARCH_RESULT result) {
    switch (result) {
    case SEARCH_FOUND:
        return ROUTE_FOUND;
    case SEARCH_START_BLOCKED:
        return ROUTE_START_BLOCKED;
    case SEARCH_GOAL_BLOCKED:
        return ROUTE_GOAL_BLOCKED;
    default:
        return ROUTE_NONE;
    }
}

namespace {

// The nearest places to a point offered so far, every one at the least
// squared distance kept.
class cNearest {
public:
    void Offer(std::int64_t d2, const cPoint2D& q) {
        if (d2 < Best) {
            Best = d2;
            Ties.assign(1, q);
        } else if (d2 == Best && std::find(Ties.begin(), Ties.end(), q) == Ties.end()) {
            Ties.push_back(q);
        }
    }
    // The ties in order of y, then x.
    void Sort() {
        std::sort(Ties.begin(), Ties.end(),
                  [](const cPoint2D& a, const cPoint2D& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    }
    std::int64_t Best = std::numeric_limits<std::int64_t>::max();
    std::vector<cPoint2D> Ties;
};

cPoint2D Clamp(const cPoint2D& p, int x0, int y0, int x1, int y1) {
    return cPoint2D(std::min(std::max(p.x, x0), x1), std::min(std::max(p.y, y0), y1));
}

// The squared distance from p to the cell's rectangle once the perturbation
// vanishes.
std::int64_t Cell_Distance2(const cRoute_Cell& c, const cPoint2D& p) {
    return Square_Distance(p, Clamp(p, c.X_Lo.V, c.Y_Lo.V, c.X_Hi.V, c.Y_Hi.V));
}

// Offers the places of a cell (route_queries.h) nearest to p: the cell's
// point nearest to p, or, when that point lies in solid space, the nearest
// points of the cell's parts out of the rock. With rock false the cell is
// known to lie out of the rock.
void Offer_Cell(const cGame_World& world, const cRoute_Mesh& mesh, int cell, const cPoint2D& p, bool rock,
                cNearest& nearest) {
    const cRoute_Cell& c = mesh.Cells()[std::size_t(cell)];
    const int x0 = c.X_Lo.V, y0 = c.Y_Lo.V, x1 = c.X_Hi.V, y1 = c.Y_Hi.V;
    const cPoint2D q = Clamp(p, x0, y0, x1, y1);
    const std::int64_t d2 = Square_Distance(p, q);
    if (d2 > nearest.Best) return;
    if (!rock || !world.Solid_As_Built(q)) {
        nearest.Offer(d2, q);
        return;
    }
    // A closed box within the cell's rectangle: its point nearest to p,
    // when out of the rock.
    auto offer = [&](int ax, int ay, int bx, int by) {
        const cPoint2D r = Clamp(p, ax, ay, bx, by);
        const std::int64_t e2 = Square_Distance(p, r);
        if (e2 <= nearest.Best && !world.Solid_As_Built(r)) nearest.Offer(e2, r);
    };
    // The part of a wall or door within the rectangle: a stretch of the
    // rock's face.
    auto offer_segment = [&](const cHV_Wall& w) {
        const int ax = std::max(std::min(w.p0.x, w.p1.x), x0), bx = std::min(std::max(w.p0.x, w.p1.x), x1);
        const int ay = std::max(std::min(w.p0.y, w.p1.y), y0), by = std::min(std::max(w.p0.y, w.p1.y), y1);
        if (ax <= bx && ay <= by) offer(ax, ay, bx, by);
    };
    const std::vector<cHV_Wall>& doors = world.Get_Level_Doors();
    if (mesh.Half_Size() == 0) {
        // The outline's stretches between portals lie on walls (or on the
        // world's border, where only the walls and doors along it count);
        // a portal into a door's cell lies on the door.
        const tBig_Vector<cRoute_Portal>& portals = mesh.Portals();
        auto side = [&](int first, int count, bool vertical, int at, int lo, int hi, bool far_above) {
            const bool border = vertical ? (at == world.Get_Bounds().Min.x || at == world.Get_Bounds().Max.x)
                                         : (at == world.Get_Bounds().Min.y || at == world.Get_Bounds().Max.y);
            auto stretch = [&](int a, int b) {
                if (a > b) return;
                if (!border) {
                    if (vertical)
                        offer(at, a, at, b);
                    else
                        offer(a, at, b, at);
                    return;
                }
                const int bx0 = vertical ? at : a, by0 = vertical ? a : at, bx1 = vertical ? at : b, by1 = vertical ? b : at;
                for (const cHV_Wall& w : mesh.Border_Walls()) {
                    const int ax = std::max(std::min(w.p0.x, w.p1.x), bx0), cx = std::min(std::max(w.p0.x, w.p1.x), bx1);
                    const int ay = std::max(std::min(w.p0.y, w.p1.y), by0), cy = std::min(std::max(w.p0.y, w.p1.y), by1);
                    if (ax <= cx && ay <= cy) offer(ax, ay, cx, cy);
                }
            };
            int from = lo;
            for (int i = first; i < first + count; ++i) {
                const cRoute_Portal& q = portals[std::size_t(i)];
                stretch(from, q.Lo.V);
                if ((mesh.Cell_Flags(far_above ? q.Above : q.Below) & CELL_DOORS) != 0) {
                    if (vertical)
                        offer(at, q.Lo.V, at, q.Hi.V);
                    else
                        offer(q.Lo.V, at, q.Hi.V, at);
                }
                from = q.Hi.V;
            }
            stretch(from, hi);
        };
        side(c.First_Bottom, c.N_Bottom, false, y0, x0, x1, false);
        side(c.First_Top, c.N_Top, false, y1, x0, x1, true);
        const cRoute_Sides none;
        const cRoute_Sides& s = c.Sides >= 0 ? mesh.Side_Links(c) : none;
        side(s.First_Left, s.N_Left, true, x0, y0, y1, false);
        side(s.First_Right, s.N_Right, true, x1, y0, y1, true);
        return;
    }
    if (c.Doors < 0) return;  // wholly in the rock
    // Within doors' grown outlines: the doors' lines across the cell cut it
    // into pieces, each in or out of the rock.
    std::vector<int> xs{x0, x1}, ys{y0, y1};
    const int* list = mesh.Door_List(c);
    for (int i = 1; i <= list[0]; ++i) {
        const cHV_Wall& d = doors[std::size_t(list[i])];
        offer_segment(d);
        if (d.p0.x == d.p1.x && x0 < d.p0.x && d.p0.x < x1) xs.push_back(d.p0.x);
        if (d.p0.y == d.p1.y && y0 < d.p0.y && d.p0.y < y1) ys.push_back(d.p0.y);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    if (xs.size() == 1) xs.push_back(xs[0]);  // a cell of no width
    if (ys.size() == 1) ys.push_back(ys[0]);
    for (std::size_t i = 0; i + 1 < xs.size(); ++i)
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) offer(xs[i], ys[j], xs[i + 1], ys[j + 1]);
}

// The nearest places to p anywhere (the agent standing there, whether or
// not it can get there).
void Nearest_Places(const cGame_World& world, const cRoute_Mesh& mesh, const unsigned char* door_open,
                    const cPoint2D& p, cNearest& nearest) {
    mesh.Visit_Nearest_Cells(p, [&](int cell, std::int64_t d2) {
        if (d2 > nearest.Best) return false;  // every cell after it lies farther
        if (mesh.Passable(cell, door_open)) Offer_Cell(world, mesh, cell, p, world.N_Solid_Areas > 0, nearest);
        return true;
    });
    nearest.Sort();
}

// Every open cell the agent can reach from the cells given, through portals.
void Flood(const cRoute_Mesh& mesh, const std::vector<int>& from, const unsigned char* door_open,
           std::vector<int>& reached) {
    thread_local std::vector<std::uint32_t> seen;
    thread_local std::uint32_t stamp = 0;
    const tBig_Vector<cRoute_Cell>& cells = mesh.Cells();
    const tBig_Vector<cRoute_Portal>& portals = mesh.Portals();
    if (seen.size() < cells.size()) seen.resize(cells.size(), 0);
    if (++stamp == 0) {
        std::fill(seen.begin(), seen.end(), 0);
        stamp = 1;
    }
    reached.clear();
    auto reach = [&](int cell) {
        if (seen[std::size_t(cell)] == stamp || !mesh.Passable(cell, door_open)) return;
        seen[std::size_t(cell)] = stamp;
        reached.push_back(cell);
    };
    for (int cell : from) reach(cell);
    for (std::size_t i = 0; i < reached.size(); ++i) {
        const cRoute_Cell& c = cells[std::size_t(reached[i])];
        for (int k = c.First_Bottom; k < c.First_Bottom + c.N_Bottom; ++k) reach(portals[std::size_t(k)].Below);
        for (int k = c.First_Top; k < c.First_Top + c.N_Top; ++k) reach(portals[std::size_t(k)].Above);
        if (c.Sides >= 0) {
            const cRoute_Sides& s = mesh.Side_Links(c);
            for (int k = s.First_Left; k < s.First_Left + s.N_Left; ++k) reach(portals[std::size_t(k)].Below);
            for (int k = s.First_Right; k < s.First_Right + s.N_Right; ++k) reach(portals[std::size_t(k)].Above);
        }
    }
}

// The nearest places to p among the cells the agent reaches from a place
// out of the rock, nearest cells first. The rock is closed by walls and
// doors: while no door is open, those cells lie out of it.
void Nearest_Places_In(const cGame_World& world, const cRoute_Mesh& mesh, const unsigned char* door_open,
                       const std::vector<int>& cells, const cPoint2D& p, cNearest& nearest) {
    bool rock = world.N_Solid_Areas > 0 && door_open != nullptr;
    if (rock) {
        const unsigned char* end = door_open + world.N_Doors();
        rock = std::find_if(door_open, end, [](unsigned char open) { return open != 0; }) != end;
    }
    std::vector<std::pair<std::int64_t, int>> heap;
    heap.reserve(cells.size());
    for (int cell : cells) heap.push_back({Cell_Distance2(mesh.Cells()[std::size_t(cell)], p), cell});
    auto later = [](const std::pair<std::int64_t, int>& a, const std::pair<std::int64_t, int>& b) {
        return a.first > b.first;
    };
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty() && heap.front().first <= nearest.Best) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Offer_Cell(world, mesh, heap.back().second, p, rock, nearest);
        heap.pop_back();
    }
    nearest.Sort();
}

bool Outside(const cGame_World& world, const cPoint2D& p) {
    return !In_Coordinate_Range(p) || !world.Get_Bounds().In(p);
}

}  // namespace

ROUTE_STATUS Partial_Route(const cGame_World& world, const cRoute_Mesh& mesh, const unsigned char* door_open,
                           const cPoint2D& start, const cPoint2D& goal, std::vector<cPoint2D>& path, double* length) {
    path.clear();
    if (length != nullptr) *length = 0;
    if (Outside(world, start) || !In_Coordinate_Range(goal)) return ROUTE_OUTSIDE;
    if (world.Solid_As_Built(start)) return ROUTE_START_BLOCKED;
    thread_local std::vector<int> cells;
    // Where to head for: the goal when the agent may stand there, else the
    // places nearest to it.
    thread_local std::vector<cPoint2D> targets;
    targets.clear();
    bool at_goal = false;
    if (!Outside(world, goal) && !world.Solid_As_Built(goal)) {
        Route_Cells_At(mesh, goal, door_open, cells);
        at_goal = !cells.empty();
    }
    if (at_goal) {
        targets.push_back(goal);
    } else {
        cNearest places;
        Nearest_Places(world, mesh, door_open, goal, places);
        targets = places.Ties;
    }
    double found = 0;
    int reached = -1;
    switch (Search_Route_Near(mesh, start, targets, goal, door_open, path, found, reached)) {
    case SEARCH_FOUND:
        if (length != nullptr) *length = found;
        return at_goal ? ROUTE_FOUND : ROUTE_PARTIAL;
    case SEARCH_START_BLOCKED:
        return ROUTE_START_BLOCKED;
    default:
        break;
    }
    // None of them can be reached: the nearest places among those the agent
    // can reach, and the shortest route to one of them, read off what the
    // search kept where it can.
    thread_local std::vector<int> reach;
    Flood(mesh, Near_Start_Cells(), door_open, reach);
    cNearest places;
    Nearest_Places_In(world, mesh, door_open, reach, goal, places);
    std::vector<cPoint2D> corners;
    double best = 0;
    std::vector<cPoint2D> unread;
    for (const cPoint2D& e : places.Ties) {
        double l = 0;
        if (!Near_Route(mesh, e, door_open, corners, l)) {
            unread.push_back(e);
        } else if (path.empty() || l < best) {
            best = l;
            path = corners;
        }
    }
    for (const cPoint2D& e : unread) {
        double l = 0;
        if (Search_Route(mesh, start, e, door_open, corners, l) == SEARCH_FOUND && (path.empty() || l < best)) {
            best = l;
            path = corners;
        }
    }
    if (path.empty()) return ROUTE_NONE;  // not met: every place kept lies in a cell the agent reaches
    if (length != nullptr) *length = best;
    return ROUTE_PARTIAL;
}

ROUTE_STATUS Nearest_Goal_Route(const cGame_World& world, const cRoute_Mesh& mesh, const unsigned char* door_open,
                                const cPoint2D& start, const std::vector<cPoint2D>& goals, std::vector<cPoint2D>& path,
                                double* length, int* goal) {
    path.clear();
    if (length != nullptr) *length = 0;
    if (goal != nullptr) *goal = -1;
    if (Outside(world, start)) return ROUTE_OUTSIDE;
    if (world.Solid_As_Built(start)) return ROUTE_START_BLOCKED;
    std::vector<int> cells;
    Route_Cells_At(mesh, start, door_open, cells);
    if (cells.empty()) return ROUTE_START_BLOCKED;
    if (goals.empty()) return ROUTE_NONE;
    // The goals the agent may stand at, and their numbers among goals.
    std::vector<cPoint2D> usable;
    std::vector<int> number;
    bool all_outside = true;
    for (std::size_t i = 0; i < goals.size(); ++i) {
        if (Outside(world, goals[i])) continue;
        all_outside = false;
        if (world.Solid_As_Built(goals[i])) continue;
        usable.push_back(goals[i]);
        number.push_back(int(i));
    }
    if (all_outside) return ROUTE_OUTSIDE;
    double found = 0;
    int reached = -1;
    const ROUTE_SEARCH_RESULT result = Search_Route_Any(mesh, start, usable, door_open, path, found, reached);
    if (result == SEARCH_FOUND) {
        if (length != nullptr) *length = found;
        if (goal != nullptr) *goal = number[std::size_t(reached)];
    }
    return Route_Status_Of(result);
}

ROUTE_STATUS Standing_Point(const cGame_World& world, const cRoute_Mesh& mesh, const unsigned char* door_open,
                            const cPoint2D& p, cPoint2D& place) {
    cNearest places;
    Nearest_Places(world, mesh, door_open, p, places);
    if (places.Ties.empty()) return ROUTE_NO_PLACE;
    place = places.Ties.front();
    return ROUTE_FOUND;
}

void Route_Batch(const cGame_World& world, const std::vector<cRoute_Request>& requests,
                 std::vector<cRoute_Result>& answers, int threads) {
    const std::size_t n = requests.size();
    answers.resize(n);
    // The structures of every size asked for, before the threads start.
    std::vector<int> sizes;
    for (const cRoute_Request& r : requests)
        if (std::find(sizes.begin(), sizes.end(), r.Half_Size) == sizes.end()) {
            sizes.push_back(r.Half_Size);
            world.Prepare_Agent(r.Half_Size);
        }
    std::atomic<std::size_t> next(0);
    auto work = [&] {
        for (std::size_t i = next++; i < n; i = next++) {
            const cRoute_Request& r = requests[i];
            cRoute_Result& a = answers[i];
            a.Status = world.Find_Shortest_Path(r.Start, r.Goal, r.Half_Size, r.Options, a.Path, &a.Length);
        }
    };
    // The calling thread is one of them. More threads than the machine runs
    // at once would only share its cores, each with a search state as large
    // as the map's route structures call for: no more are started.
    const unsigned cores = std::thread::hardware_concurrency();
    const std::size_t most = std::min(std::size_t(threads < 1 ? 1 : threads), std::size_t(cores > 0 ? cores : 8));
    const std::size_t helpers = n <= 1 ? 0 : std::min(most, n) - 1;
    std::vector<std::thread> pool;
    try {
        for (std::size_t t = 0; t < helpers; ++t) pool.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: those running and this one do the rest.
    }
    work();
    for (std::thread& t : pool) t.join();
}

}  // namespace bsp_levels
