#include "presetdb/unit_renames.h"

#include <algorithm>

#include "dao/conversion.h"
#include "dao/recordset.h"
#include "errors/error_protocol.h"
#include "platform/text.h"
#include "presetdb/preset_schema.h"
#include "presetdb/project_database.h"
#include "settings/file_locations.h"

namespace calvora {

namespace {

// Reads and writes the one field the renames touch, in table order.
constexpr const char* kNamesQuery = "SELECT PRESET_DEFS.var_name From PRESET_DEFS";
constexpr const char* kVarNameText = "PRESET_DEFS.var_name";

}  // namespace

void UnitRenames::Link(const std::string& key, size_t r) {
    next_[r] = kNone;
    auto [at, added] = byName_.try_emplace(key, Chain{r, r});
    if (!added) {
        next_[at->second.last] = r;
        at->second.last = r;
    }
}

void UnitRenames::Start() {
    if (started_)
        return;
    started_ = true;
    const std::string unitPath = GetPathOCXMDB(run_);
    if (unitPath.empty() || !run_.files().Exists(unitPath))
        return;
    present_ = true;
    try {
        db_ = OpenProjectDatabase(run_, unitPath);
    } catch (const Failure& f) {
        openFailure_ = f;
        return;
    }
    try {
        namesRs_ = db_.OpenRecordset(kNamesQuery);
        dao::Field varName = namesRs_.Fields().Item(0);
        varNameType_ = dao::ParseDeclaredType(varName.DeclaredType());
        const int32_t count = namesRs_.RecordCount();
        names_.reserve(static_cast<size_t>(count));
        while (!namesRs_.Eof()) {
            std::vector<std::vector<Variant>> rows = namesRs_.GetRows(count);
            for (std::vector<Variant>& row : rows)
                names_.push_back(std::move(row[0]));
            // A name that cannot be read raises here, as reading it alone does.
            if (rows.empty()) {
                names_.push_back(varName.Value());
                namesRs_.MoveNext();
            }
        }
    } catch (const Failure& f) {
        queryFailure_ = f;
    }
    next_.assign(names_.size(), kNone);
    byName_.reserve(names_.size());
    for (size_t r = 0; r < names_.size(); ++r)
        if (names_[r].IsText())
            Link(UCase(names_[r].AsText()), r);
    changed_.assign(names_.size(), false);
}

void UnitRenames::Rename(const std::string& name0, const std::string& name1) {
    Proc proc(run_, "VarNameInQuelleErsetzen");
    const std::string& lookFor = run_.StudioProject == 1 ? name0 : name1;
    const std::string& writeAs = run_.StudioProject == 1 ? name1 : name0;
    Start();
    if (!present_)
        return;
    if (openFailure_) {
        proc.Raise(*openFailure_, false);
        return;
    }
    // The name stands in the query as a quoted literal (a quote inside
    // doubled), so every name is looked for as it is.
    std::optional<std::string> key;
    proc.Step([&] {
        if (queryFailure_)
            throw *queryFailure_;
        key = UCase(lookFor);
    });
    if (!key)
        return;
    auto found = byName_.find(*key);
    if (found == byName_.end())
        return;
    size_t r = found->second.first;
    byName_.erase(found);
    // The new name as the field holds it, the same for every record renamed;
    // a name the field cannot hold fails on each of them.
    std::optional<Variant> stored;
    std::optional<Failure> refused;
    try {
        stored = dao::ConvertForField(Variant::Text(writeAs), varNameType_, kVarNameText);
    } catch (const Failure& f) {
        refused = f;
    }
    const std::string storedKey = stored && stored->IsText() ? UCase(stored->AsText()) : "";
    while (r != kNone) {
        const size_t after = next_[r];
        bool renamed = false;
        proc.Step([&] {
            if (refused)
                throw *refused;
            Variant before = std::move(names_[r]);
            names_[r] = *stored;
            changed_[r] = true;
            renamed = true;
            // A name rewritten as itself (both kinds alike) is no rename for
            // the run's account.
            if (before.AsText() != writeAs)
                run_.Account.NoteRename(before.AsText(), writeAs);
        });
        // A record not renamed, or renamed to a value that is no text,
        // stays found by its old name.
        if (renamed && names_[r].IsText())
            Link(storedKey, r);
        else
            Link(*key, r);
        r = after;
    }
}

void UnitRenames::Write() {
    if (!db_)
        return;
    // Whatever happens below, the renames are over: a failed write must not
    // be retried by the destructor.
    dao::Database db = std::move(db_);
    db_ = dao::Database();
    dao::Recordset rs = std::move(namesRs_);
    namesRs_ = dao::Recordset();
    std::vector<bool> changed = std::move(changed_);
    changed_.clear();
    // Without a rename the file is not written at all: it stays byte for
    // byte as it was, its time stamp included.
    if (std::find(changed.begin(), changed.end(), true) == changed.end()) {
        db.Discard();
        return;
    }
    try {
        rs.EditField(0, names_, changed);
        rs.Close();
        db.Close();
    } catch (const Failure&) {
        // All of the renames or none: the takeover matched on the new names.
        db.Discard();
        throw;
    }
}

UnitRenames::~UnitRenames() {
    try {
        Write();
    } catch (const Failure&) {
        // Nothing to report to any more.
    }
}

bool UnitRenames::Close() {
    Proc proc(run_, "VarNameInQuelleErsetzen");
    bool stored = false;
    proc.Step([&] {
        Write();
        stored = true;
    });
    return stored;
}

}  // namespace calvora
