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
    RowWriter writer(options.format, out, names);
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
        writer.Write(row);
    }
    writer.Finish();
    return kSuccess;
}

void AddHistoryCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& exitCode) {
    auto options = std::make_shared<HistoryOptions>();
    CLI::App* cmd = app.add_subcommand("history", "the kept runs of a project, newest first");
    cmd->add_option("PROJECT", options->project, "the project folder")->required();
    std::shared_ptr<OutputFormat> format = AddOutputOptions(*cmd);
    cmd->callback([options, format, &out, &err, &exitCode] {
        options->format = *format;
        exitCode = RunHistory(*options, out, err);
    });
}

}  // namespace calvora::tool
