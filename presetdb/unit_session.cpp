#include "presetdb/unit_session.h"

#include "dao/types.h"
#include "errors/error_protocol.h"
#include "presetdb/preset_schema.h"
#include "presetdb/project_database.h"
#include "settings/file_locations.h"

namespace calvora {

namespace {

bool IsPlainAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

// UCase of a plain ASCII text: a to z folded, nothing else changed. Cheaper
// than UCase, which decodes every character, for a lookup per generated name.
std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The upper-cased var_name values of PRESET_DEFS; nullopt when one of them is
// neither Null nor plain ASCII text. One query reads the one field of every
// record at once, where a walk of the table would read each whole record.
std::optional<std::unordered_set<std::string>> ReadNames(dao::Database& db) {
    std::unordered_set<std::string> names;
    dao::Recordset rs = db.OpenRecordset("SELECT PRESET_DEFS.var_name FROM PRESET_DEFS");
    dao::Field varName = rs.Fields().Item("var_name");
    for (; !rs.Eof(); rs.MoveNext()) {
        Variant value = varName.Value();
        if (value.IsNull())
            continue;
        if (!value.IsText() || !IsPlainAscii(value.AsText()))
            return std::nullopt;
        names.insert(AsciiUpper(value.AsText()));
    }
    rs.Close();
    return names;
}

}  // namespace

void UnitDatabaseSession::Start() {
    if (started_)
        return;
    started_ = true;
    std::string unitPath = GetPathOCXMDB(run_);
    try {
        if (unitPath.empty() || !run_.files().Exists(unitPath))
            return;
        db_ = OpenProjectDatabase(run_, unitPath);
    } catch (const Failure& f) {
        openFailure_ = f;
        return;
    }
    try {
        names_ = ReadNames(db_);
    } catch (const Failure&) {
        // Without the table or the field the renaming query fails and reports.
    }
}

void UnitDatabaseSession::PrepareRename(Proc& proc) {
    if (indexTried_ || !db_)
        return;
    indexTried_ = true;
    proc.StepOr(
        [&] { db_.CreateTemporaryIndex("calvora_rename_var_name", kPresetTable, {"var_name"}); },
        [&](const Failure& f) {
            if (f.Number() == dao::err::kCurrentlyLocked || f.Number() == dao::err::kFileInUse)
                proc.Raise(f, false);
        });
}

bool UnitDatabaseSession::MayMatch(const std::string& name) const {
    if (!names_ || !IsPlainAscii(name))
        return true;
    return names_->contains(AsciiUpper(name));
}

void UnitDatabaseSession::Renamed(const std::string& name) {
    renamed_ = true;
    if (!names_)
        return;
    if (IsPlainAscii(name))
        names_->insert(AsciiUpper(name));
    else
        names_.reset();
}

UnitDatabaseSession::~UnitDatabaseSession() {
    try {
        CloseDatabase();
    } catch (const Failure&) {
        // Nothing to report to any more; the engine keeps the last commit.
    }
}

bool UnitDatabaseSession::Close() {
    Proc proc(run_, "VarNameInQuelleErsetzen");
    bool stored = false;
    proc.Step([&] {
        CloseDatabase();
        stored = true;
    });
    return stored;
}

void UnitDatabaseSession::CloseDatabase() {
    if (!db_)
        return;
    // Whatever happens below, this session is over: a failed commit must not
    // be retried by the destructor.
    dao::Database db = std::move(db_);
    db_ = dao::Database();
    if (renamed_)
        db.Close();
    else
        db.Discard();
}

}  // namespace calvora
