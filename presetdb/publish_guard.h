// Whether the workspace may be published over the unit database.
//
// Publishing replaces the unit database whole, and with it the values tuned
// on the machine. That is only right when the workspace carries them: it was
// opened, its PRESET_DEFS rebuilt and filled, its changes committed, and the
// file is sound; the unit database's records were all read by the takeover
// (a file that could not be opened, read or locked may hold values nobody
// saw), the renames made in it for this run are stored (otherwise the
// takeover matched on the old names), and the new table is not empty while
// the old one held records. Every other case keeps the unit database as it
// is, byte for byte, and says why.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dao/database.h"
#include "errors/run_state.h"

namespace calvora {

// What a run learned, on its way to the publish, about the two databases.
// Each flag starts at the value that refuses, so a step that never ran
// counts as failed.
struct PublishFacts {
    bool workspaceOpened = false;
    bool tableRebuilt = false;
    bool renamesStored = false;
    // The unit database was missing, held no PRESET_DEFS, or its PRESET_DEFS
    // was read whole by the takeover; unitRecords is then its record count.
    bool unitRead = false;
    int64_t unitRecords = 0;
    bool workspaceCommitted = false;
};

// Opens the committed workspace (sourcePath, a Windows path) once more,
// without changing it, and returns why it must not be published: a failed
// integrity check, or an empty PRESET_DEFS where the unit database held
// records; or why the facts refuse. Nothing when it may be published. Never
// raises: a workspace that cannot be examined is refused.
std::optional<std::string> PublishRefusal(RunState& run, const PublishFacts& facts,
                                          const std::string& sourcePath);

// The number of records of PRESET_DEFS in db, 0 when it has no such table.
// Raises what reading raises.
int64_t PresetRecordCount(dao::Database& db);

}  // namespace calvora
