// Opening a database of the project by its Windows path.
#pragma once

#include <string_view>

#include "errors/run_state.h"
#include "presetdb/dao_database.h"

namespace calvora {

// dao::OpenDatabase on the host file behind winPath. Raises 3024 when the
// path lies on a drive that is not mapped, and whatever OpenDatabase raises.
dao::Database OpenProjectDatabase(RunState& run, std::string_view winPath);

}  // namespace calvora
