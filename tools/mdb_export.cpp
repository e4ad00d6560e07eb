#include "tools/mdb_export.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "platform/failure.h"
#include "platform/files.h"
#include "tools/jet_image.h"
#include "tools/jet_table_writer.h"
#include "tools/mdb_export_plan.h"

namespace fs = std::filesystem;

namespace calvora {

namespace {

using mdbexport::Counted;
using mdbexport::ExportFailure;
using mdbexport::ExportPlan;
using mdbexport::MakePlan;
using mdbexport::Outcome;
using mdbexport::ReportPlan;
using mdbexport::TablePlan;
using mdbexport::TableRecords;
using mdbimport::Quoted;

constexpr int kSuccess = 0;
constexpr int kUsageError = 1;
constexpr int kFailure = 2;

constexpr const char* kUsage =
    "usage: presetdb export [--force] DB --into ACCESS.mdb --out TARGET.mdb\n"
    "       presetdb export --check DB --into ACCESS.mdb\n";

std::string Q(const fs::path& p) {
    return Quoted(p.string());
}

std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw ExportFailure(Q(file) + " cannot be read");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Export(const ExportOptions& o, std::ostream& out) {
    std::error_code ec;
    if (fs::equivalent(o.into, o.out, ec))
        throw ExportFailure(Q(o.out) + " is the Access file itself; write to another file");
    if (fs::exists(fs::symlink_status(o.out, ec)) && !o.force)
        throw ExportFailure(Q(o.out) + " already exists; use --force to replace it");
    const std::string bytes = ReadWhole(o.into);
    const ExportPlan plan = MakePlan(o.database, o.into, bytes);
    for (const TablePlan& t : plan.tables) {
        if (t.outcome == Outcome::Refused) {
            throw ExportFailure(Q(o.into) + ": table " + Quoted(t.before->name) +
                                " would change, but " + mdbexport::kIndexRefusal);
        }
    }
    mdbexport::JetImage image(bytes, Q(o.into));
    int64_t replaced = 0;
    for (const TablePlan& t : plan.tables) {
        if (t.outcome != Outcome::Replaced)
            continue;
        TableRecords records = *t.ours;
        records.table.name = t.before->name;
        mdbexport::ReplaceTable(image, t.entry, records);
        ++replaced;
    }
    image.WriteAllocationMap();
    try {
        ReplaceFileAtomically(o.out, image.Bytes(), o.out.string());
    } catch (const Failure& f) {
        throw ExportFailure(f.Description());
    }
    ReportPlan(plan, out);
    out << "Exported " << Q(o.database) << " into " << Q(o.out) << ": "
        << Counted(replaced, "table") << " replaced.\n";
}

std::optional<ExportOptions> Parse(const std::vector<std::string>& args, std::string& problem,
                                   bool& help) {
    ExportOptions o;
    std::vector<fs::path> paths;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--force") {
            o.force = true;
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--help" || a == "-h") {
            help = true;
        } else if ((a == "--into" || a == "--out") && i + 1 < args.size()) {
            (a == "--into" ? o.into : o.out) = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            problem = "unknown option or missing file: " + a;
            return std::nullopt;
        } else {
            paths.emplace_back(a);
        }
    }
    if (help)
        return o;
    if (paths.size() != 1)
        problem = "give one database to export";
    else if (o.into.empty())
        problem = "give the Access file with --into";
    else if (o.check && (o.force || !o.out.empty()))
        problem = "--check writes nothing and takes no --out or --force";
    else if (!o.check && o.out.empty())
        problem = "give the target with --out";
    if (!problem.empty())
        return std::nullopt;
    o.database = paths[0];
    return o;
}

}  // namespace

int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    try {
        if (options.check) {
            const ExportPlan plan =
                MakePlan(options.database, options.into, ReadWhole(options.into));
            out << "Export of " << Q(options.database) << " into a copy of " << Q(options.into)
                << ":\n";
            ReportPlan(plan, out);
        } else {
            Export(options, out);
        }
    } catch (const std::exception& e) {
        err << "presetdb export: " << e.what() << "\n";
        return kFailure;
    }
    return kSuccess;
}

int RunExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string problem;
    bool help = false;
    const std::optional<ExportOptions> options = Parse(args, problem, help);
    if (help) {
        out << kUsage;
        return kSuccess;
    }
    if (!options) {
        err << "presetdb export: " << problem << "\n" << kUsage;
        return kUsageError;
    }
    return RunExport(*options, out, err);
}

}  // namespace calvora
