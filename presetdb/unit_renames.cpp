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
        dao::Recordset rs = db_.OpenRecordset(kNamesQuery);
        dao::Field varName = rs.Fields().Item(0);
        varNameType_ = dao::ParseDeclaredType(varName.DeclaredType());
        names_.reserve(static_cast<size_t>(rs.RecordCount()));
        byName_.reserve(static_cast<size_t>(rs.RecordCount()));
        for (; !rs.Eof(); rs.MoveNext()) {
            names_.push_back(varName.Value());
            if (names_.back().IsText())
                byName_[UCase(names_.back().AsText())].push_back(names_.size() - 1);
        }
        rs.Close();
    } catch (const Failure& f) {
        queryFailure_ = f;
    }
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
    std::vector<size_t> records = std::move(found->second);
    byName_.erase(found);
    std::vector<size_t> kept;
    for (size_t r : records) {
        bool renamed = false;
        proc.Step([&] {
            Variant before = names_[r];
            names_[r] = dao::ConvertForField(Variant::Text(writeAs), varNameType_, kVarNameText);
            changed_[r] = true;
            renamed = true;
            // A name rewritten as itself (both kinds alike) is no rename for
            // the run's account.
            if (before.AsText() != writeAs)
                run_.Account.NoteRename(before.AsText(), writeAs);
        });
        if (!renamed || !names_[r].IsText())
            kept.push_back(r);
        else
            byName_[UCase(names_[r].AsText())].push_back(r);
    }
    if (!kept.empty()) {
        std::vector<size_t>& old = byName_[*key];
        old.insert(old.end(), kept.begin(), kept.end());
    }
}

void UnitRenames::Write() {
    if (!db_)
        return;
    // Whatever happens below, the renames are over: a failed write must not
    // be retried by the destructor.
    dao::Database db = std::move(db_);
    db_ = dao::Database();
    std::vector<bool> changed = std::move(changed_);
    changed_.clear();
    // Without a rename the file is not written at all: it stays byte for
    // byte as it was, its time stamp included.
    if (std::find(changed.begin(), changed.end(), true) == changed.end()) {
        db.Discard();
        return;
    }
    try {
        dao::Recordset rs = db.OpenRecordset(kNamesQuery);
        dao::Field varName = rs.Fields().Item(0);
        for (size_t r = 0; r < changed.size() && !rs.Eof(); ++r, rs.MoveNext()) {
            if (!changed[r])
                continue;
            rs.Edit();
            varName.SetValue(names_[r]);
            rs.Update();
        }
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
