#include "tools/presetdb_cli.h"

#include "platform/failure.h"
#include "tools/jet_image.h"
#include "tools/mdb_export.h"
#include "tools/mdb_import.h"
#include "tools/mdb_schema.h"
#include "tools/presetdb_commands.h"
#include "tools/presetdb_diff.h"
#include "tools/presetdb_history.h"
#include "tools/presetdb_preview.h"
#include "tools/presetdb_restore.h"

namespace calvora::tool {

namespace {

constexpr const char* kDescription =
    "presetdb: inspect and create the preset databases (SQLite files named .mdb)";

constexpr const char* kFooter =
    "Declared column types carry the field types: BIT, BYTE, SHORT, LONG, COUNTER,\n"
    "CURRENCY, SINGLE, DOUBLE, DATETIME, TEXT(n), LONGBINARY, MEMO, GUID.\n"
    "Exit codes: 0 success, 1 usage error, 2 failure.\n"
    "'presetdb COMMAND --help' describes a command.";

// The command the words went furthest into: its usage is the one to show.
const CLI::App* InnermostCommand(const CLI::App& app) {
    const CLI::App* inner = &app;
    while (!inner->get_subcommands().empty())
        inner = inner->get_subcommands().front();
    return inner;
}

std::string CommandPath(const CLI::App* command) {
    std::string path = command->get_name();
    for (const CLI::App* parent = command->get_parent(); parent; parent = parent->get_parent())
        path = parent->get_name() + " " + path;
    return path;
}

int UsageError(const CLI::App& app, const CLI::ParseError& e, std::ostream& err) {
    const CLI::App* command = InnermostCommand(app);
    const std::string path = CommandPath(command);
    const auto formatter = std::dynamic_pointer_cast<CLI::Formatter>(app.get_formatter());
    // Parsing checks the required arguments before it complains about words
    // it did not know; the unknown word is the better clue.
    const std::vector<std::string> unknown = app.remaining(true);
    if (!unknown.empty() && dynamic_cast<const CLI::RequiredError*>(&e)) {
        err << path << ": unknown option or extra argument:";
        for (const std::string& word : unknown)
            err << " " << word;
        err << "\n";
    } else {
        err << path << ": " << e.what() << "\n";
    }
    if (formatter)
        err << formatter->make_usage(command, path);
    err << "Run '" << path << " --help' for more information.\n";
    // diff answers 1 for "different", so its usage errors are trouble (2),
    // as with diff and cmp.
    return command->get_name() == "diff" ? kFailure : kUsageError;
}

}  // namespace

std::shared_ptr<OutputFormat> AddOutputOptions(CLI::App& command) {
    auto format = std::make_shared<OutputFormat>(OutputFormat::Text);
    const auto choose = [format](OutputFormat chosen) {
        return [format, chosen](int64_t) {
            if (*format != OutputFormat::Text && *format != chosen)
                throw CLI::ValidationError("--csv, --json, --nl", "give at most one of them");
            *format = chosen;
        };
    };
    command.add_flag_function("--csv", choose(OutputFormat::Csv),
                              "write CSV (RFC 4180) with a header line");
    command.add_flag_function("--json", choose(OutputFormat::Json), "write one JSON array");
    command.add_flag_function("--nl", choose(OutputFormat::JsonLines),
                              "write one JSON object per line");
    command.footer(kFormatsHelp);
    return format;
}

int Guarded(std::ostream& err, const std::function<void()>& body) {
    try {
        body();
        return kSuccess;
    } catch (const Failure& f) {
        err << "presetdb: error " << f.Number() << ": " << f.Description() << "\n";
        return kFailure;
    }
}

int RunPresetdb(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    CLI::App app(kDescription, "presetdb");
    app.set_version_flag("--version,-V", std::string("presetdb ") + CALVORA_VERSION);
    app.require_subcommand(1);
    app.footer(kFooter);
    AddTablesCommand(app, out);
    AddSchemaCommand(app, out);
    AddDumpCommand(app, out);
    AddSqlCommand(app, out);
    AddCreateCommand(app, out);
    AddImportCommand(app, out);
    AddExportCommand(app, out);
    // The commands whose exit code says more than success or failure.
    int exitCode = kSuccess;
    AddDiffCommand(app, out, err, exitCode);
    AddHistoryCommand(app, out, err, exitCode);
    AddRestoreCommand(app, out, err, exitCode);
    AddPreviewCommand(app, out, err, exitCode);

    // CLI11 takes the words last first.
    std::vector<std::string> reversed(words.rbegin(), words.rend());
    try {
        app.parse(reversed);
        return exitCode;
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kSuccess;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return kSuccess;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << "\n";
        return kSuccess;
    } catch (const CLI::ParseError& e) {
        return UsageError(app, e, err);
    } catch (const Failure& f) {
        return Guarded(err, [&] { throw f; });
    } catch (const mdbimport::ImportFailure& e) {
        err << "presetdb import: " << e.what() << "\n";
        return kFailure;
    } catch (const mdbexport::ExportFailure& e) {
        err << "presetdb export: " << e.what() << "\n";
        return kFailure;
    } catch (const std::exception& e) {
        err << "presetdb: " << e.what() << "\n";
        return kFailure;
    }
}

}  // namespace calvora::tool
