// Opening a database of the project by its Windows path.
#pragma once

#include <string_view>

#include "dao/database.h"
#include "errors/run_state.h"

namespace calvora {

// dao::OpenDatabase on the host file behind winPath. Raises 3024 when the
// path lies on a drive that is not mapped, and whatever OpenDatabase raises.
// Every failure of the database, at the open and later, names the file by
// winPath, the host path after it in parentheses.
dao::Database OpenProjectDatabase(RunState& run, std::string_view winPath);

// Files::CopyFile of one database file over another, after any rollback
// journal that a program ended in the middle of a transaction left beside
// either file has been settled. Such a journal belongs to the file it lies
// beside: a copy made without it is half a transaction, and a file copied in
// beside it would, on its next open, get the old file's pages written into
// it. Each file with a journal is therefore opened once (the engine rolls
// the journal back) and closed; a file that cannot be opened keeps its
// journal, and a journal without its file is removed. Raises what CopyFile
// raises.
void CopyDatabaseFile(RunState& run, std::string_view source, std::string_view target);

}  // namespace calvora
