#include "presetdb/project_database.h"

#include <string>

#include "platform/failure.h"
#include "presetdb/dao_types.h"

namespace calvora {

dao::Database OpenProjectDatabase(RunState& run, std::string_view winPath) {
    auto host = run.files().ToHost(winPath);
    if (!host)
        throw Failure(dao::err::kDatabaseNotFound, dao::kSourceEngine,
                      "Could not find the database file '" + std::string(winPath) +
                          "': its drive is not mapped.");
    return dao::OpenDatabase(*host);
}

}  // namespace calvora
