#include "tools/mdb_import.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/failure.h"
#include "platform/files.h"
#include "tools/mdb_convert.h"
#include "tools/mdb_reader.h"
#include "tools/mdb_schema.h"

namespace fs = std::filesystem;

namespace calvora {

namespace {

using mdbimport::ImportFailure;

constexpr int kSuccess = 0;
constexpr int kUsageError = 1;
constexpr int kFailure = 2;

constexpr const char* kUsage =
    "usage: presetdb import [--force] SOURCE.mdb TARGET\n"
    "       presetdb import [--force] --in-place SOURCE.mdb\n"
    "       presetdb import --check SOURCE.mdb\n";

struct Options {
    bool force = false;
    bool inPlace = false;
    bool check = false;
    bool help = false;
    std::vector<fs::path> paths;
};

// nullopt (with the problem named) when the words do not form one of the
// three command forms.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& problem) {
    Options o;
    for (const std::string& a : args) {
        if (a == "--force") {
            o.force = true;
        } else if (a == "--in-place") {
            o.inPlace = true;
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a.size() > 1 && a[0] == '-') {
            problem = "unknown option " + a;
            return std::nullopt;
        } else {
            o.paths.emplace_back(a);
        }
    }
    if (o.help)
        return o;
    if (o.check && (o.force || o.inPlace)) {
        problem = "--check writes nothing and takes no --force or --in-place";
    } else if (o.check && o.paths.size() != 1) {
        problem = "--check takes one Access file";
    } else if (o.inPlace && o.paths.size() != 1) {
        problem = "--in-place takes one Access file";
    } else if (!o.check && !o.inPlace && o.paths.size() != 2) {
        problem = "give the Access file and the target";
    }
    if (!problem.empty())
        return std::nullopt;
    return o;
}

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

void ConvertInPlace(const fs::path& source, bool force, std::ostream& out) {
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

int RunImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string problem;
    const std::optional<Options> options = ParseOptions(args, problem);
    if (!options) {
        err << "presetdb import: " << problem << "\n" << kUsage;
        return kUsageError;
    }
    if (options->help) {
        out << kUsage;
        return kSuccess;
    }
    try {
        if (options->check) {
            Check(options->paths[0], out);
        } else if (options->inPlace) {
            ConvertInPlace(options->paths[0], options->force, out);
        } else {
            Convert(options->paths[0], options->paths[1], options->force, out);
        }
    } catch (const std::exception& e) {
        err << "presetdb import: " << e.what() << "\n";
        return kFailure;
    }
    return kSuccess;
}

}  // namespace calvora
