// The level a bsplevel command works on: loaded, built, and judged. A level
// that is not whole is an error in one line, FILE:LINE: REASON; a grid map,
// a Tiled map or an LDtk project given for a level is named as one;
// --partial answers from what was read all the same; --open opens doors
// before the answers.
#include "bsplevel_commands.h"

#include "level_open.h"

namespace bsp_levels {

std::string Map_Given(const std::string& file, cLevel_Format kind) {
    switch (kind) {
    case cLevel_Format::GRID: return file + " looks like a grid map: use import-grid";
    case cLevel_Format::TILED: return file + " looks like a Tiled map: use import-tiled";
    case cLevel_Format::LDTK: return file + " looks like an LDtk project: use import-ldtk";
    default: return file + " looks like a level file: it needs no import (try bsplevel info " + file + ")";
    }
}

cLevel_Verdict Judge(const cTool_Level& level) {
    cLevel_Verdict verdict;
    const cLevel_Problem load = Load_Problem(level), build = Build_Problem(level);
    if (load && level.Load_Result.Status != LOAD_CANNOT_OPEN) {
        const cLevel_Format kind = Format_Of_File(level.File);
        if (kind != cLevel_Format::LEVEL) {
            verdict.Is_Map = true;
            verdict.Lines.push_back(Map_Given(level.File, kind));
            return verdict;
        }
    }
    if (load) verdict.Lines.push_back(Problem_Text(level.File, load));
    if (build) verdict.Lines.push_back(Problem_Text(level.File, build));
    return verdict;
}

std::string Problem_Words(const cLevel_Problem& p) {
    return (p.Line > 0 ? "line " + std::to_string(p.Line) + ": " : std::string()) + p.Reason;
}

cTool_Level Read_Level_Of(const cParsed_Args& a) {
    const std::string& file = a.Positional.at(0);
    if (!Is_Readable_File(file)) Fail(*a.Command, "cannot read level file '" + file + "'");
    return Load_Tool_Level(file);
}

bool Answers_Anyway(const cParsed_Args& a, const cLevel_Verdict& verdict) {
    return verdict.Lines.empty() || (a.Has("--partial") && !verdict.Is_Map);
}

void Open_Doors(const cParsed_Args& a, cGame_World& world) {
    for (const std::vector<std::string>& values : a.All("--open")) {
        if (!world.Set_Door(Checked_Int(values[0]), true))
            Fail(*a.Command, "--open " + values[0] + ": no such door (the level has " + std::to_string(world.N_Doors()) +
                                 (world.N_Doors() == 1 ? " door" : " doors") + ", numbered from 0)");
    }
}

cTool_Level Load_Level_For(const cParsed_Args& a, cIo& io) {
    cTool_Level level = Read_Level_Of(a);
    const cLevel_Verdict verdict = Judge(level);
    if (!Answers_Anyway(a, verdict)) throw cLevel_Error{verdict.Lines[0]};
    for (const std::string& line : verdict.Lines) io.Err << line << "\n";
    Open_Doors(a, *level.World);
    return level;
}

}  // namespace bsp_levels
