// The edits of a built world: the walls and boxes added while the game runs,
// by id, and the world they make with the level, which the queries answer on.
//
// Versions. The edits present and their world form one version, never
// changed once published but for the doors' states (which change only while
// no query runs, as on any world). An edit makes the next version beside the
// current one, without any lock that a query waits on, and publishes it by
// swapping one pointer; a query takes the current version when it starts and
// keeps it until it finishes, so queries on other threads go on during an
// edit and never see half of one. Edits wait for each other.
#ifndef EDITS_WORLD_EDITS_H
#define EDITS_WORLD_EDITS_H

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "game_bsp.h"

namespace bsp_levels {

// The walls of the outline of the box with corners a and b (in any order):
// its four sides, one wall when it has no width or height.
std::vector<cHV_Wall> Box_Walls(const cPoint2D& a, const cPoint2D& b);

class cWorld_Edits {
public:
    // One version: the edits present, by id, and the world they make with
    // the level (null when none is present).
    struct cVersion {
        std::map<int, std::vector<cHV_Wall>> Walls;
        std::shared_ptr<cGame_World> World;
        std::uint64_t Count = 0;  // edits made before this version
    };

    // The world of the current version, or null (cheap when no edit was
    // ever made).
    std::shared_ptr<const cGame_World> World() const {
        if (!Ever.load(std::memory_order_acquire)) return nullptr;
        std::lock_guard<std::mutex> lock(Guard);
        return Current ? Current->World : nullptr;
    }
    std::shared_ptr<const cVersion> Version() const {
        std::lock_guard<std::mutex> lock(Guard);
        return Current;
    }

    // what names the call in messages.
    EDIT_STATUS Add(const cGame_World& level, const std::vector<cHV_Wall>& walls, int* id, const char* what);
    EDIT_STATUS Remove(const cGame_World& level, int id);

    // The world of the level with the edits given plus the walls extra,
    // built, its doors in the level's states; null when the limits refuse it.
    static std::shared_ptr<cGame_World> Make_World(const cGame_World& level,
                                                   const std::map<int, std::vector<cHV_Wall>>& edits,
                                                   const std::vector<cHV_Wall>& extra);

    // Keeps the current version's world in step with the level.
    void Set_Door(int id, bool open);
    void Set_Agent_Sizes_Kept(int sizes);
    bool Release_Agent(int half_size);

private:
    // Publishes the version made of walls (the next count).
    EDIT_STATUS Publish(const cGame_World& level, std::map<int, std::vector<cHV_Wall>>&& walls, const char* what);

    mutable std::mutex Guard;  // the current pointer, and nothing else
    std::shared_ptr<const cVersion> Current;
    std::atomic<bool> Ever{false};
    std::mutex Writer;  // one edit at a time
    int Next_Id = 0;
};

}  // namespace bsp_levels

#endif
