#include "presetdb/unit_renames.h"

#include <algorithm>

#include "dao/conversion.h"
#include "dao/dialect.h"
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

// The text the renaming query is written as.
std::string RenameQuery(const std::string& lookFor) {
    return "SELECT PRESET_DEFS.* From PRESET_DEFS WHERE (((PRESET_DEFS.Var_Name)=" +
           std::string(1, '"') + lookFor + '"' + "))";
}

// The name the renaming query compares var_name with. Without a quote in it
// that is the name itself; a quote ends the literal early, so the engine's
// reading of the query text decides: a doubled quote stands for one, and a
// text that is no longer one literal is refused, since it would select
// records by conditions the name only smuggled in.
std::string LookedFor(const std::string& lookFor) {
    if (lookFor.find('"') == std::string::npos)
        return lookFor;
    const std::string query = RenameQuery(lookFor);
    const dao::SelectText text(query);
    std::vector<dao::SqlLiteral> literals = text.Literals();
    if (literals.size() != 1 || literals[0].number)
        throw Failure(dao::err::kSyntaxError, dao::kSourceDatabase,
                      "Syntax error in query expression: the variable name '" + lookFor +
                          "' does not stand in the renaming query as one text.");
    return literals[0].text;
}

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
    std::optional<std::string> key;
    proc.Step([&] {
        std::string looked = LookedFor(lookFor);
        if (queryFailure_)
            throw *queryFailure_;
        key = UCase(looked);
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
            names_[r] = dao::ConvertForField(Variant::Text(writeAs), varNameType_, kVarNameText);
            changed_[r] = true;
            renamed = true;
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
    if (std::find(changed.begin(), changed.end(), true) != changed.end()) {
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
    }
    db.Close();
}

UnitRenames::~UnitRenames() {
    try {
        Write();
    } catch (const Failure&) {
        // Nothing to report to any more.
    }
}

void UnitRenames::Close() {
    Proc proc(run_, "VarNameInQuelleErsetzen");
    proc.Step([&] { Write(); });
}

}  // namespace calvora
