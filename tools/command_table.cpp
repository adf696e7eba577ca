// The commands bsplevel knows, in the order its general help lists them. A
// new command is one line here (see bsplevel_commands.h).
#include "bsplevel_commands.h"

namespace bsp_levels {

const std::vector<const cCommand_Def*>& Commands() {
    static const std::vector<const cCommand_Def*> commands = {
        &Info_Command(),  &Path_Command(),  &Route_Command(),       &Route_Any_Command(),
        &Nearest_Command(), &Segment_Command(), &Ball_Command(),  &Dump_Command(),
        &Batch_Command(),       &Svg_Command(),
        &Import_Grid_Command(), &Import_Tiled_Command(), &Import_Ldtk_Command(),
    };
    return commands;
}

const cCommand_Def* Find_Command(const std::string& name) {
    for (const cCommand_Def* c : Commands())
        if (c->Name == name) return c;
    return nullptr;
}

}  // namespace bsp_levels
