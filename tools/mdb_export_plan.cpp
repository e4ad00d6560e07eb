#include "tools/mdb_export_plan.h"

#include <cstring>

#include "platform/text.h"
#include "tools/jet_image.h"
#include "tools/mdb_export_source.h"
#include "tools/mdb_reader.h"

namespace fs = std::filesystem;

namespace calvora::mdbexport {

namespace {

using mdbimport::Quoted;

constexpr size_t kVersionOffset = 0x14;
constexpr unsigned char kJet4 = 0x01;

std::string Q(const fs::path& p) {
    return Quoted(p.string());
}

// Refuses, before anything is read with mdbtools, the Access files this
// writer does not write: other formats than Jet 4, and encrypted files.
std::unique_ptr<MdbHandle, ExportPlan::MdbClose> OpenJet4(const fs::path& file,
                                                          const std::string& bytes) {
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
    std::unique_ptr<MdbHandle, ExportPlan::MdbClose> mdb(mdb_open(file.c_str(), MDB_NOFLAGS));
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

}  // namespace

std::string Counted(int64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

ExportPlan MakePlan(const fs::path& database, const fs::path& access,
                    const std::string& accessBytes) {
    ExportPlan plan;
    plan.mdb = OpenJet4(access, accessBytes);
    mdbimport::AccessReader reader(access);
    plan.ours = ReadProjectTables(database);
    for (const TableRecords& ours : plan.ours) {
        TablePlan& t = plan.tables.emplace_back();
        t.ours = &ours;
        for (const ImportTable& table : reader.Tables()) {
            if (EqualsNoCase(table.name, ours.table.name))
                t.before = table;
        }
        if (!t.before)
            continue;
        bool same =
            SameFields(*t.before, ours.table) && t.before->recordCount == ours.table.recordCount;
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
            throw ExportFailure(Q(access) + " has no catalog entry for " + Quoted(t.before->name));
        t.outcome = HasIndexes(t.entry) ? Outcome::Refused : Outcome::Replaced;
    }
    return plan;
}

void ReportPlan(const ExportPlan& plan, std::ostream& out) {
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
                    << Counted(t.ours->table.recordCount, "record") << " (before "
                    << std::to_string(t.before->recordCount) << ")\n";
                for (const std::string& change : t.changes)
                    out << "  " << change << "\n";
                break;
        }
    }
}

}  // namespace calvora::mdbexport
