#include "tools/mdb_export.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "platform/failure.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tools/jet_image.h"
#include "tools/jet_table_writer.h"
#include "tools/mdb_export_source.h"
#include "tools/mdb_reader.h"

namespace fs = std::filesystem;

namespace calvora {

namespace {

using mdbexport::ExportFailure;
using mdbexport::TableRecords;
using mdbimport::FieldValue;
using mdbimport::ImportField;
using mdbimport::ImportTable;
using mdbimport::Quoted;

constexpr int kSuccess = 0;
constexpr int kUsageError = 1;
constexpr int kFailure = 2;

constexpr const char* kUsage =
    "usage: presetdb export [--force] DB --into ACCESS.mdb --out TARGET.mdb\n"
    "       presetdb export --check DB --into ACCESS.mdb\n";

constexpr size_t kVersionOffset = 0x14;
constexpr unsigned char kJet4 = 0x01;

std::string Q(const fs::path& p) {
    return Quoted(p.string());
}

std::string Plural(int64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw ExportFailure(Q(file) + " cannot be read");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct MdbClose {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbClose>;

// Refuses, before anything is read with mdbtools, the Access files this
// writer does not write: other formats than Jet 4, and encrypted files.
MdbPtr OpenJet4(const fs::path& file, const std::string& bytes) {
    const bool jet =
        bytes.size() > kVersionOffset && std::memcmp(bytes.data() + 4, "Standard Jet DB", 15) == 0;
    const bool ace =
        bytes.size() > kVersionOffset && std::memcmp(bytes.data() + 4, "Standard ACE DB", 15) == 0;
    if (ace || (jet && static_cast<unsigned char>(bytes[kVersionOffset]) > kJet4)) {
        throw ExportFailure(Q(file) +
                            " is an Access 2007 or later database (.accdb); only Jet 4 .mdb "
                            "files (Access 2000 to 2003) are written");
    }
    if (jet && bytes[kVersionOffset] == 0) {
        throw ExportFailure(Q(file) +
                            " is a Jet 3 database (Access 97); only Jet 4 .mdb files (Access "
                            "2000 to 2003) are written");
    }
    if (!jet)
        return nullptr;  // the reader names what the file is instead
    MdbPtr mdb(mdb_open(file.c_str(), MDB_NOFLAGS));
    if (!mdb)
        throw ExportFailure(Q(file) + " is damaged: its header cannot be read");
    if (mdb->f->db_key != 0)
        throw ExportFailure(Q(file) + " is encrypted; encrypted databases are not written");
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw ExportFailure(Q(file) + " is damaged: its list of tables cannot be read");
    return mdb;
}

MdbCatalogEntry* EntryOf(MdbHandle* mdb, const std::string& name) {
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && name == entry->object_name)
            return entry;
    }
    return nullptr;
}

bool HasIndexes(MdbCatalogEntry* entry) {
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> def(mdb_read_table(entry),
                                                             mdb_free_tabledef);
    if (!def) {
        throw ExportFailure(std::string("the definition of table ") + Quoted(entry->object_name) +
                            " cannot be read (the file is damaged)");
    }
    return def->num_idxs != 0 || def->num_real_idxs != 0;
}

enum class Outcome { Same, Replaced, LeftOut, Refused };

struct TablePlan {
    const TableRecords* ours = nullptr;
    std::optional<ImportTable> before;  // the Access file's table
    MdbCatalogEntry* entry = nullptr;
    Outcome outcome = Outcome::LeftOut;
    std::vector<std::string> changes;  // of the fields
    int64_t recordsBefore = 0;
};

std::string TypeText(const ImportField& f) {
    return mdbimport::DeclaredType(f);
}

std::vector<std::string> FieldChanges(const ImportTable& before, const ImportTable& after) {
    std::vector<std::string> changes;
    auto find = [](const ImportTable& t, const std::string& name) -> const ImportField* {
        for (const ImportField& f : t.fields) {
            if (EqualsNoCase(f.name, name))
                return &f;
        }
        return nullptr;
    };
    // A field whose name is new, standing where one that goes away stood,
    // is that field renamed.
    auto renamed = [&](size_t i) {
        return i < before.fields.size() && i < after.fields.size() &&
               !find(after, before.fields[i].name) && !find(before, after.fields[i].name);
    };
    for (size_t i = 0; i < before.fields.size(); ++i) {
        const ImportField& f = before.fields[i];
        if (!find(after, f.name) && !renamed(i))
            changes.push_back("field " + f.name + " " + TypeText(f) + " removed");
    }
    for (size_t i = 0; i < after.fields.size(); ++i) {
        const ImportField& f = after.fields[i];
        const ImportField* old = renamed(i) ? &before.fields[i] : find(before, f.name);
        if (!old) {
            changes.push_back("field " + f.name + " " + TypeText(f) + " added");
        } else if (old->name != f.name || TypeText(*old) != TypeText(f)) {
            changes.push_back("field " + old->name + " " + TypeText(*old) + " becomes " + f.name +
                              " " + TypeText(f));
        }
    }
    bool sameOrder = before.fields.size() == after.fields.size();
    for (size_t i = 0; sameOrder && i < after.fields.size(); ++i)
        sameOrder = EqualsNoCase(before.fields[i].name, after.fields[i].name);
    if (changes.empty() && !sameOrder)
        changes.push_back("fields in a new order");
    return changes;
}

bool SameFields(const ImportTable& a, const ImportTable& b) {
    if (a.fields.size() != b.fields.size())
        return false;
    for (size_t i = 0; i < a.fields.size(); ++i) {
        const ImportField& x = a.fields[i];
        const ImportField& y = b.fields[i];
        if (x.name != y.name || x.type != y.type || x.size != y.size || x.counter != y.counter)
            return false;
    }
    return true;
}

struct Plan {
    MdbPtr mdb;
    std::vector<TableRecords> ours;
    std::vector<TablePlan> tables;
};

Plan MakePlan(const ExportOptions& o, const std::string& accessBytes) {
    Plan plan;
    plan.mdb = OpenJet4(o.into, accessBytes);
    mdbimport::AccessReader reader(o.into);
    plan.ours = mdbexport::ReadProjectTables(o.database);
    for (const TableRecords& ours : plan.ours) {
        TablePlan& t = plan.tables.emplace_back();
        t.ours = &ours;
        for (const ImportTable& table : reader.Tables()) {
            if (EqualsNoCase(table.name, ours.table.name))
                t.before = table;
        }
        if (!t.before)
            continue;
        t.recordsBefore = t.before->recordCount;
        bool same = SameFields(*t.before, ours.table) && t.recordsBefore == ours.table.recordCount;
        if (same) {
            reader.ReadRecords(*t.before, [&](const std::vector<FieldValue>& values, int64_t n) {
                same = same && values == ours.rows[static_cast<size_t>(n - 1)];
            });
        }
        if (same) {
            t.outcome = Outcome::Same;
            continue;
        }
        t.changes = FieldChanges(*t.before, ours.table);
        t.entry = EntryOf(plan.mdb.get(), t.before->name);
        if (!t.entry)
            throw ExportFailure(Q(o.into) + " has no catalog entry for " + Quoted(t.before->name));
        t.outcome = HasIndexes(t.entry) ? Outcome::Refused : Outcome::Replaced;
    }
    return plan;
}

constexpr const char* kIndexRefusal =
    "it has indexes in the Access file, which this export does not rebuild";

void Report(const Plan& plan, std::ostream& out) {
    for (const TablePlan& t : plan.tables) {
        const std::string& name = t.ours->table.name;
        switch (t.outcome) {
            case Outcome::Same:
                out << "table " << name << ": unchanged\n";
                break;
            case Outcome::LeftOut:
                out << "table " << name << ": left out (the Access file has no such table)\n";
                break;
            case Outcome::Refused:
                out << "table " << name << ": refused: " << kIndexRefusal << "\n";
                break;
            case Outcome::Replaced:
                out << "table " << name << ": replaced, "
                    << Plural(t.ours->table.recordCount, "record") << " (before "
                    << std::to_string(t.recordsBefore) << ")\n";
                for (const std::string& change : t.changes)
                    out << "  " << change << "\n";
                break;
        }
    }
}

void Export(const ExportOptions& o, std::ostream& out) {
    std::error_code ec;
    if (fs::equivalent(o.into, o.out, ec))
        throw ExportFailure(Q(o.out) + " is the Access file itself; write to another file");
    if (fs::exists(fs::symlink_status(o.out, ec)) && !o.force)
        throw ExportFailure(Q(o.out) + " already exists; use --force to replace it");
    const std::string bytes = ReadWhole(o.into);
    const Plan plan = MakePlan(o, bytes);
    for (const TablePlan& t : plan.tables) {
        if (t.outcome == Outcome::Refused) {
            throw ExportFailure(Q(o.into) + ": table " + Quoted(t.before->name) +
                                " would change, but " + kIndexRefusal);
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
    Report(plan, out);
    out << "Exported " << Q(o.database) << " into " << Q(o.out) << ": " << Plural(replaced, "table")
        << " replaced.\n";
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
            const Plan plan = MakePlan(options, ReadWhole(options.into));
            out << "Export of " << Q(options.database) << " into a copy of " << Q(options.into)
                << ":\n";
            Report(plan, out);
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
