// A built world of a grid map's traced walls (and doors), as the door and
// edit benchmarks make it, and a timer for their hand-timed loops.
#ifndef BENCH_GRID_WORLD_H
#define BENCH_GRID_WORLD_H

#include <chrono>
#include <memory>
#include <sstream>
#include <vector>

#include "game_bsp.h"
#include "grid_import.h"
#include "messages.h"

namespace grid_world {

// The fast engine's world of the walls (and doors) of a map traced at cell
// units a cell, built, its messages kept quiet.
inline std::unique_ptr<bsp_levels::cGame_World> Build(const bsp_levels::cGrid_Map& map, int cell,
                                                     const std::vector<bsp_levels::cGrid_Wall>& walls,
                                                     const std::vector<bsp_levels::cHV_Wall>& doors = {}) {
    using namespace bsp_levels;
    std::ostringstream quiet;
    cMessage_Redirect redirect(&quiet);
    std::unique_ptr<cGame_World> world(new cGame_World(cEngine::FAST));
    world->Set_Bounds(cRect2D(cPoint2D(0, 0), cPoint2D(map.Width * cell, map.Height * cell)));
    for (const cGrid_Wall& w : walls) world->Insert(cHV_Wall(cPoint2D(w.X1, w.Y1), cPoint2D(w.X2, w.Y2)));
    for (const cHV_Wall& d : doors) world->Add_Door(d);
    world->Build();
    return world;
}

inline double Ms_Since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace grid_world

#endif
