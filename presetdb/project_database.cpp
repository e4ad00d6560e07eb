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
    try {
        return dao::OpenDatabase(*host);
    } catch (const Failure& f) {
        // The engine names the host file; the project's users know it by its
        // Windows path, which leads, the host path following for whoever
        // looks on the host.
        const std::string hostQuoted = "'" + host->string() + "'";
        std::string description = f.Description();
        const size_t at = description.find(hostQuoted);
        if (at == std::string::npos)
            throw;
        description.replace(at, hostQuoted.size(),
                            "'" + std::string(winPath) + "' (" + host->string() + ")");
        throw Failure(f.Number(), f.Source(), description);
    }
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
