#include "presetdb/publish_guard.h"

#include "platform/failure.h"
#include "presetdb/preset_schema.h"
#include "presetdb/project_database.h"

namespace calvora {

int64_t PresetRecordCount(dao::Database& db) {
    if (!db.TableDefs().Contains(kPresetTable))
        return 0;
    dao::Recordset rs = db.OpenRecordset(kPresetTable);
    const int64_t count = rs.RecordCount();
    rs.Close();
    return count;
}

std::optional<std::string> PublishRefusal(RunState& run, const PublishFacts& facts,
                                          const std::string& sourcePath) {
    if (!facts.workspaceOpened)
        return "the source database '" + sourcePath + "' could not be opened whole";
    if (!facts.tableRebuilt)
        return std::string("the table ") + kPresetTable + " could not be rebuilt in '" +
               sourcePath + "'";
    if (!facts.renamesStored)
        return "the renamed variable names could not be stored in the unit database";
    if (!facts.unitRead)
        return "the values kept in the unit database could not be read";
    if (!facts.workspaceCommitted)
        return "the changes to '" + sourcePath + "' could not be stored";
    int64_t generated = 0;
    try {
        dao::Database workspace = OpenProjectDatabase(run, sourcePath);
        workspace.CheckIntegrity();
        generated = PresetRecordCount(workspace);
        workspace.Close();
    } catch (const Failure& f) {
        return "the source database '" + sourcePath + "' failed its check: " + f.Description();
    }
    if (generated == 0 && facts.unitRecords > 0)
        return "no record was generated (no valid machine), while the unit database holds " +
               std::to_string(facts.unitRecords) + " records";
    return std::nullopt;
}

}  // namespace calvora
