#include "tools/presetdb_history.h"

#include <fstream>
#include <sstream>

#include "account/history.h"
#include "account/report.h"

namespace calvora::tool {

namespace {

std::string ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A count of the report as a number, other values as text.
Variant HeaderValue(const std::string& text) {
    if (!text.empty() && text.size() < 10 &&
        text.find_first_not_of("0123456789") == std::string::npos)
        return Variant::Long(std::stoi(text));
    return Variant::Text(text);
}

}  // namespace

int RunHistory(const HistoryOptions& options, std::ostream& out, std::ostream& err) {
    std::filesystem::path folder = history::FolderOf(options.project, kUnit);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        err << "presetdb: no history folder " << folder.string() << "\n";
        return kFailure;
    }
    // Columns and the report header keys they show.
    const std::vector<std::pair<std::string, std::string>> columns = {
        {"time", "Started"},
        {"mode", "Mode"},
        {"exit_code", "Exit code"},
        {"records", "Records"},
        {"tuned", "Tuned values kept"},
        {"dropped", "Dropped"},
        {"new", "New records"},
        {"out_of_range", "Out of range"},
        {"failures", "Failures"},
        {"published", "Published"}};
    std::vector<std::string> names = {"run"};
    for (const auto& column : columns)
        names.push_back(column.first);
    names.push_back("backup");
    RowWriter writer(names, options.format, out);
    for (const history::KeptRun& run : history::ListRuns(folder, kUnit)) {
        std::map<std::string, std::string> header;
        if (!run.report.empty())
            header = ReadReportHeader(ReadWhole(run.report));
        std::vector<Variant> row = {Variant::Text(run.stamp)};
        for (const auto& column : columns) {
            auto at = header.find(column.second);
            row.push_back(at == header.end() ? Variant::Null() : HeaderValue(at->second));
        }
        row.push_back(Variant::Text(run.backup.empty() ? "no" : "yes"));
        writer.Row(row);
    }
    writer.End();
    return kSuccess;
}

int RunHistoryCommand(const Args& words, std::ostream& out, std::ostream& err) {
    Args args = words;
    std::optional<OutputFormat> format = TakeFormat(args);
    if (!format || args.size() != 1) {
        err << "usage: presetdb history PROJECT [--csv|--json]\n";
        return kUsageError;
    }
    return RunHistory({args[0], *format}, out, err);
}

}  // namespace calvora::tool
