#include "bench/account_cost.h"

#include <chrono>
#include <string>

#include "account/history.h"
#include "account/report.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

calvora::PresetKey Key(int i) {
    using calvora::Variant;
    const std::string machine = std::string("M").append(std::to_string(i % 3 + 1));
    return {
        Variant::Text(machine),
        Variant::Text(std::string("W_").append(machine).append("_var").append(std::to_string(i))),
        Variant::Long(i)};
}

// Notes what a run of so many records notes, writes its report and returns
// the time it took.
double Report(const std::filesystem::path& folder, const std::string& name, int records,
              bool dropped) {
    using calvora::Variant;
    auto start = Clock::now();
    calvora::RunAccount account;
    for (int m = 1; m <= 3; ++m)
        account.NoteMachine(std::string("M").append(std::to_string(m)), true);
    for (int i = 0; i < records; ++i) {
        account.NoteGenerated(Key(i));
        if (dropped)
            account.NoteDropped({Key(i + records),
                                 {Variant::Double(i), Variant::Double(100), Variant::Double(1),
                                  Variant::Double(99), Variant::Integer(3)}});
        else
            account.NoteTuned(static_cast<size_t>(i));
    }
    calvora::RunReport report{"Calvora", "2026-12-07 13:45:01", "silent", 0, account};
    calvora::history::WriteReportFiles(folder, name, calvora::ReportText(report),
                                       calvora::ReportJson(report));
    calvora::SummaryLine(report, name);
    return Since(start);
}

}  // namespace

AccountCost MeasureAccount(const std::filesystem::path& unitDatabase,
                           const std::filesystem::path& folder, int records) {
    std::filesystem::create_directories(folder);
    AccountCost cost;
    auto start = Clock::now();
    calvora::history::KeepBackup(unitDatabase, folder, "Calvora.backup");
    cost.backupSeconds = Since(start);
    cost.tunedReportSeconds = Report(folder, "Calvora.tuned", records, false);
    cost.droppedReportSeconds = Report(folder, "Calvora.dropped", records, true);
    return cost;
}
