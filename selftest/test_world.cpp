#include "game_bsp.h"
#include "level_loader.h"
#include "test_cases.h"

using namespace bsp_levels;

std::unique_ptr<cGame_World> Build_Test_World(const char* file) {
    std::unique_ptr<cGame_World> world(new cGame_World());
    cLevel_Loader loader;
    loader.Load(file, world.get());
    world->Build();
    return world;
}
