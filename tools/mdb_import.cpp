#include "tools/mdb_import.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/failure.h"
#include "platform/files.h"
#include "tools/mdb_convert.h"
#include "tools/mdb_reader.h"
#include "tools/mdb_schema.h"

namespace fs = std::filesystem;

namespace calvora {

namespace {

using mdbimport::ImportFailure;

struct Options {
    bool force = false;
    bool inPlace = false;
    bool check = false;
    std::string source;
    std::string target;
};

std::string Quoted(const fs::path& p) {
    return mdbimport::Quoted(p.string());
}

std::string Plural(int64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

void RefuseExisting(const fs::path& file, bool force) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec)) || force)
        return;
    throw ImportFailure(Quoted(file) + " already exists; use --force to replace it");
}

// Writes bytes as file, whole or not at all.
void WriteWhole(const fs::path& file, const std::string& bytes) {
    try {
        ReplaceFileAtomically(file, bytes, file.string());
    } catch (const Failure& f) {
        throw ImportFailure(f.Description());
    }
}

void Check(const fs::path& source, std::ostream& out) {
    mdbimport::AccessReader reader(source);
    out << Quoted(source) << ": " << Plural(static_cast<int64_t>(reader.Tables().size()), "table")
        << "\n";
    for (const mdbimport::ImportTable& table : reader.Tables()) {
        out << "table " << table.name << ": " << Plural(table.recordCount, "record") << "\n";
        for (const mdbimport::ImportField& field : table.fields) {
            // std::to_string: the stream's locale could group digits.
            out << "  " << field.name << " " << mdbimport::DeclaredType(field) << " (type "
                << std::to_string(static_cast<int>(field.type)) << ", size "
                << std::to_string(field.size) << ")\n";
        }
    }
}

std::string Summary(const mdbimport::ConvertedDatabase& db) {
    return Plural(db.tables, "table") + ", " + Plural(db.records, "record");
}

void Convert(const fs::path& source, const fs::path& target, bool force, std::ostream& out) {
    std::error_code ec;
    if (fs::equivalent(source, target, ec)) {
        throw ImportFailure(Quoted(target) +
                            " is the Access file itself; use --in-place to convert it under its "
                            "own name");
    }
    RefuseExisting(target, force);
    const mdbimport::ConvertedDatabase db = mdbimport::ConvertAccessFile(source);
    WriteWhole(target, db.bytes);
    out << "Converted " << Quoted(source) << " to " << Quoted(target) << ": " << Summary(db)
        << ".\n";
}

void ConvertInPlace(const fs::path& named, bool force, std::ostream& out) {
    // Writing replaces a file by renaming over it; through a link that would
    // put the converted file in the link's place and leave the Access file
    // where the link pointed. The file the link points to is converted.
    std::error_code ec;
    const fs::path source =
        fs::is_symlink(fs::symlink_status(named, ec)) ? fs::canonical(named, ec) : named;
    if (ec)
        throw ImportFailure(Quoted(named) + " is a link to a file that does not exist");
    const fs::path backup = fs::path(source).concat(".jet.bak");
    RefuseExisting(backup, force);
    const mdbimport::ConvertedDatabase db = mdbimport::ConvertAccessFile(source);

    // The backup is complete before the source is replaced, so at every
    // moment one of the two files holds the Access original.
    std::ifstream in(source, std::ios::binary);
    if (!in)
        throw ImportFailure(Quoted(source) + " cannot be read");
    const std::string original{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    std::error_code timeUnknown;
    const fs::file_time_type written = fs::last_write_time(source, timeUnknown);
    WriteWhole(backup, original);
    WriteWhole(source, db.bytes);
    // Both files keep the original's last-write time: the program itself
    // keeps the source database's times across a run, so whatever looks at
    // them should not take the conversion for a change of the project.
    if (!timeUnknown) {
        std::error_code ignored;
        fs::last_write_time(backup, written, ignored);
        fs::last_write_time(source, written, ignored);
    }
    out << "Converted " << Quoted(source) << " in place: " << Summary(db)
        << "; the Access file is kept as " << Quoted(backup) << ".\n";
}

}  // namespace

void AddImportCommand(CLI::App& app, std::ostream& out) {
    auto options = std::make_shared<Options>();
    CLI::App* cmd =
        app.add_subcommand("import", "an Access (Jet) database converted to this format");
    CLI::Option* check = cmd->add_flag("--check", options->check,
                                       "list tables, fields and record counts; write nothing");
    CLI::Option* inPlace = cmd->add_flag(
        "--in-place", options->inPlace,
        "convert SOURCE under its own name, keeping the Access file as SOURCE.jet.bak");
    CLI::Option* force =
        cmd->add_flag("--force", options->force, "replace an existing TARGET or backup");
    cmd->add_option("SOURCE", options->source, "the Access database (.mdb)")->required();
    CLI::Option* target = cmd->add_option("TARGET", options->target, "the converted database");
    check->excludes(inPlace)->excludes(force)->excludes(target);
    inPlace->excludes(target);
    cmd->footer(
        "Forms: import [--force] SOURCE.mdb TARGET | import [--force] --in-place SOURCE.mdb |\n"
        "       import --check SOURCE.mdb\n"
        "A written file appears only complete; on failure nothing is changed. A SOURCE that\n"
        "is a symbolic link stays one: the file it points to is converted.");
    cmd->callback([options, target, &out] {
        if (options->check)
            Check(options->source, out);
        else if (options->inPlace)
            ConvertInPlace(options->source, options->force, out);
        else if (target->count() == 0)
            throw CLI::RequiredError("TARGET (or --in-place or --check)");
        else
            Convert(options->source, options->target, options->force, out);
    });
}

}  // namespace calvora
