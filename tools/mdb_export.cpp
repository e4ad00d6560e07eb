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

std::string Q(const fs::path& p) {
    return Quoted(p.string());
}

std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw ExportFailure(Q(file) + " cannot be read");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Check(const ExportOptions& o, std::ostream& out) {
    const ExportPlan plan = MakePlan(o.database, o.into, ReadWhole(o.into));
    out << "Export of " << Q(o.database) << " into a copy of " << Q(o.into) << ":\n";
    ReportPlan(plan, out);
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

}  // namespace

void AddExportCommand(CLI::App& app, std::ostream& out) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* cmd = app.add_subcommand(
        "export", "a copy of a Jet 4 Access file with DB's tables written into it");
    CLI::Option* check =
        cmd->add_flag("--check", options->check,
                      "say what would be replaced, left out or refused; write nothing");
    CLI::Option* force = cmd->add_flag("--force", options->force, "replace an existing TARGET");
    cmd->add_option("DB", options->database, "the database to export (this program's format)")
        ->required();
    cmd->add_option("--into", options->into, "the Access file (.mdb, Jet 4) the target copies")
        ->required();
    CLI::Option* target = cmd->add_option("--out", options->out, "the Access file written");
    check->excludes(force)->excludes(target);
    cmd->footer(
        "Forms: export [--force] DB --into ACCESS.mdb --out TARGET.mdb |\n"
        "       export --check DB --into ACCESS.mdb\n"
        "TARGET appears only complete; on failure nothing is written. ACCESS itself is\n"
        "never written over.");
    cmd->callback([options, target, &out] {
        if (!options->check && target->count() == 0)
            throw CLI::RequiredError("--out (or --check)");
        if (options->check)
            Check(*options, out);
        else
            Export(*options, out);
    });
}

}  // namespace calvora
