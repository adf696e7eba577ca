// Everything a world shows of itself, as text, for comparing two worlds
// (the two engines, in the tests and the level fuzzer).
#ifndef WORLD_TEXT_H
#define WORLD_TEXT_H

#include <sstream>
#include <string>

#include "game_bsp.h"
#include "messages.h"

using namespace bsp_levels;

// Whether it is built, its counts and bounds, the dump from the root, and
// every portal's and waypoint's neighbours in the order a search takes them.
inline std::string World_Text(cGame_World& world) {
    std::ostringstream out;
    out << "built " << world.Is_Built() << " walls " << world.Get_Level_Walls().size() << " nodes " << world.N_Nodes
        << " areas " << world.N_Areas << " portals " << world.N_Portals << " bounds " << world.Get_Bounds() << "\n";
    if (world.Root != nullptr) {
        std::ostringstream dump;
        {
            cMessage_Redirect to_dump(&dump);
            world.Root->Print();
        }
        out << "dump:\n" << dump.str();
    }
    auto name = [](const cA_Star_Node* n) {
        const cPortal* p = dynamic_cast<const cPortal*>(n);
        std::ostringstream s;
        if (p != nullptr && p->Id >= 0) s << 'P' << p->Id; else s << 'W' << n->Position;
        return s.str();
    };
    auto neighbours = [&](cPortal* p) {
        cNode_List list;
        if (p->Area1 != nullptr && p->Area2 != nullptr) p->Get_Neighbours(list);
        std::string s;
        for (const cA_Star_Node* n : list) s += " " + name(n);
        return s;
    };
    for (cPortal* p : world.Portals) out << name(p) << " at " << p->Position << ":" << neighbours(p) << "\n";
    for (cSquarePortal* a : world.Areas)
        for (cAligned_WayPoint* w : a->WayPoints) out << "area " << a->Id << " " << name(w) << ":" << neighbours(w) << "\n";
    return out.str();
}

#endif
