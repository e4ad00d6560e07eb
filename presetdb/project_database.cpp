#include "presetdb/project_database.h"

#include <filesystem>
#include <string>

#include "dao/types.h"
#include "platform/failure.h"

namespace calvora {

dao::Database OpenProjectDatabase(RunState& run, std::string_view winPath) {
    auto host = run.files().ToHost(winPath);
    if (!host)
        throw Failure(dao::err::kDatabaseNotFound, dao::kSourceEngine,
                      "Could not find the database file '" + std::string(winPath) +
                          "': its drive is not mapped.");
    // The project's users know the file by its Windows path; the host path
    // follows for whoever looks on the host.
    std::string shown = "'";
    shown.append(winPath).append("' (").append(host->string()).append(")");
    return dao::OpenDatabase(*host, shown);
}

namespace {

void SettleJournal(RunState& run, std::string_view winPath) {
    auto host = run.files().ToHost(winPath);
    if (!host)
        return;
    std::filesystem::path journal = host->string() + "-journal";
    std::error_code ec;
    if (!std::filesystem::exists(journal, ec))
        return;
    if (!std::filesystem::exists(*host, ec)) {
        std::filesystem::remove(journal, ec);
        return;
    }
    try {
        dao::OpenDatabase(*host).Close();
    } catch (const Failure&) {
        // Locked or not a database: the journal is not ours to judge.
    }
}

}  // namespace

void CopyDatabaseFile(RunState& run, std::string_view source, std::string_view target) {
    SettleJournal(run, source);
    SettleJournal(run, target);
    run.files().CopyFile(source, target);
}

}  // namespace calvora
