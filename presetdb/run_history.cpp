// The history folder lies beside the unit database, so a project carries its
// own history wherever it is copied. A run reserves its name there when it
// first needs it (the backup, else the report at its end), from the time the
// run started.
#include "presetdb/run_history.h"

#include <filesystem>

#include "account/history.h"
#include "account/report.h"
#include "errors/error_protocol.h"
#include "platform/process.h"
#include "settings/file_locations.h"
#include "settings/ini_access.h"

namespace fs = std::filesystem;

namespace calvora {

namespace {

constexpr int16_t kDefaultKeep = 10;

std::string HistoryFolderOf(const std::string& unitPath) {
    size_t slash = unitPath.rfind('\\');
    return (slash == std::string::npos ? std::string() : unitPath.substr(0, slash + 1)) +
           history::kFolderName;
}

// The unit's name is its folder's, which holds the history folder.
std::string UnitNameOf(const RunAccount& account) {
    const std::string& folder = account.HistoryFolder();
    std::string unitFolder = folder.substr(0, folder.rfind('\\'));
    return unitFolder.substr(unitFolder.rfind('\\') + 1);
}

fs::path HostOf(RunState& run, const std::string& winPath) {
    std::optional<fs::path> host = run.files().ToHost(winPath);
    if (!host)
        RaiseRuntime(err::kPathNotFound, "Path not found: " + winPath);
    return *host;
}

// Reserves the run's name in the history folder when it has none yet.
void ReserveRunName(RunState& run) {
    if (!run.Account.RunName().empty())
        return;
    run.Account.NoteRunName(history::ReserveRun(HostOf(run, run.Account.HistoryFolder()),
                                                UnitNameOf(run.Account),
                                                history::FileStamp(run.Account.Started())));
}

const char* ModeName(const RunState& run) {
    return run.SilentMode ? "silent" : run.IntegratedMode ? "integrated" : "standalone";
}

}  // namespace

void KeepUnitDatabase(RunState& run, const std::string& unitPath) {
    Proc proc(run, "KeepUnitDatabase");
    if (!run.Account.HistoryFolder().empty())
        return;
    run.Account.NoteHistoryFolder(HistoryFolderOf(unitPath));
    if (!proc.Test([&] { return run.files().Exists(unitPath); }))
        return;
    proc.Step([&] {
        ReserveRunName(run);
        history::KeepBackup(HostOf(run, unitPath), HostOf(run, run.Account.HistoryFolder()),
                            run.Account.RunName());
        run.Account.NoteBackup(run.Account.RunName() + history::kBackupSuffix);
    });
}

void PruneHistory(RunState& run) {
    if (run.Account.HistoryFolder().empty() || run.Account.RunName().empty())
        return;
    try {
        // A missing entry reads as -1.
        int16_t keep = LoadIniInteger(run, "History", "Keep", GetCFGPath(run), false);
        history::PruneRuns(HostOf(run, run.Account.HistoryFolder()), UnitNameOf(run.Account),
                           keep < 0 ? kDefaultKeep : keep, run.Account.RunName());
    } catch (const Failure&) {
        // Old runs kept longer than asked do no harm; the next run prunes them.
    }
}

std::string FinishRunReport(RunState& run, int exitCode) {
    RunReport report{"", history::DisplayTime(run.Account.Started()), ModeName(run), exitCode,
                     run.Account};
    std::string reportPath;
    if (run.Account.HistoryFolder().empty()) {
        // The run ended before it knew its unit folder: the unit name comes
        // from the program's, as GetOCXName has it, without its reporting.
        std::string program = ProgramName(run.process());
        report.unit = program.size() > 7 ? program.substr(0, program.size() - 7) : program;
    } else {
        report.unit = UnitNameOf(run.Account);
        try {
            ReserveRunName(run);
            history::WriteReportFiles(HostOf(run, run.Account.HistoryFolder()),
                                      run.Account.RunName(), ReportText(report),
                                      ReportJson(report));
            reportPath = run.Account.HistoryFolder() + "\\" + run.Account.RunName() +
                         history::kReportTextSuffix;
        } catch (const std::exception&) {
            // The summary line says so; the run's outcome stands as it is.
        }
    }
    return SummaryLine(report, reportPath);
}

}  // namespace calvora
