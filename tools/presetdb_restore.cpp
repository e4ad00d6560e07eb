#include "tools/presetdb_restore.h"

#include <chrono>
#include <filesystem>

#include "account/history.h"
#include "dao/dao.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/json_text.h"
#include "tools/presetdb_history.h"

namespace fs = std::filesystem;

namespace calvora::tool {

namespace {

// Reads every record of every table, so that a file that opens but is
// damaged further in is refused before it replaces anything.
void ReadWhole(const fs::path& file) {
    dao::Database db = dao::OpenDatabaseReadOnly(file);
    dao::TableDefs defs = db.TableDefs();
    for (int32_t i = 0; i < defs.Count(); ++i) {
        dao::Recordset rs = db.OpenRecordset(defs.Item(i).Name());
        dao::Fields fields = rs.Fields();
        for (; !rs.Eof(); rs.MoveNext())
            for (int32_t f = 0; f < fields.Count(); ++f)
                fields.Item(f).Value();
        rs.Close();
    }
    db.Close();
}

const history::KeptRun* Choose(const std::vector<history::KeptRun>& runs, const std::string& run) {
    for (const history::KeptRun& kept : runs)
        if (!kept.backup.empty() && (run.empty() || kept.stamp == run))
            return &kept;
    return nullptr;
}

}  // namespace

int RunRestore(const RestoreOptions& options, std::ostream& out, std::ostream& err) {
    const fs::path folder = history::FolderOf(options.project, kUnit);
    const fs::path unitDatabase = folder.parent_path() / (std::string(kUnit) + ".mdb");
    std::vector<history::KeptRun> runs = history::ListRuns(folder, kUnit);
    const history::KeptRun* chosen = Choose(runs, options.run);
    if (!chosen) {
        err << "presetdb: no backup " << (options.run.empty() ? "" : "of run " + options.run + " ")
            << "in " << folder.string() << "\n";
        return kFailure;
    }
    const fs::path backup = chosen->backup;
    return Guarded(err, [&] {
        try {
            ReadWhole(backup);
        } catch (const Failure& f) {
            throw Failure(f.Number(), f.Source(),
                          "the backup " + backup.string() +
                              " is not a usable database, nothing "
                              "was restored: " +
                              f.Description());
        }
        auto now = std::chrono::system_clock::now();
        std::string name = history::ReserveRun(folder, kUnit, history::FileStamp(now));
        std::string kept = "none";
        std::error_code ec;
        if (fs::exists(unitDatabase, ec)) {
            history::KeepBackup(unitDatabase, folder, name);
            kept = name + history::kBackupSuffix;
        }
        const std::string restored = backup.filename().string();
        history::WriteReportFiles(
            folder, name,
            "Unit: " + std::string(kUnit) + "\nStarted: " + history::DisplayTime(now) +
                "\nMode: restore\nExit code: 0\nPublished: yes\nBackup: " + kept +
                "\nRestored: " + restored + "\n",
            "{\n  \"unit\": " + JsonString(kUnit) + ",\n  \"started\": " +
                JsonString(history::DisplayTime(now)) + ",\n  \"mode\": \"restore\",\n" +
                "  \"backup\": " + (kept == "none" ? "null" : JsonString(kept)) +
                ",\n  \"restored\": " + JsonString(restored) + "\n}\n");
        CopyFileAtomically(backup, unitDatabase, unitDatabase.string(), backup.string());
        out << "restored " << restored << " as " << unitDatabase.string()
            << "; the database it replaced is kept as " << kept << "\n";
    });
}

void AddRestoreCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& exitCode) {
    auto options = std::make_shared<RestoreOptions>();
    CLI::App* cmd = app.add_subcommand(
        "restore", "a kept backup put back as the unit database, the current one kept first");
    cmd->add_option("PROJECT", options->project, "the project folder")->required();
    cmd->add_option("RUN", options->run, "the run as history lists it (default: the newest)");
    cmd->callback([options, &out, &err, &exitCode] { exitCode = RunRestore(*options, out, err); });
}

}  // namespace calvora::tool
