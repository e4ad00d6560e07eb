#include "presetdb/unit_session.h"

#include "errors/error_protocol.h"
#include "presetdb/project_database.h"
#include "settings/file_locations.h"

namespace calvora {

namespace {
constexpr const char* kRenameIndex = "calvora_rename_var_name";
}

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
        db_.CreateIndex(kRenameIndex, "PRESET_DEFS", {"var_name"});
        indexed_ = true;
    } catch (const Failure&) {
        // Without the table or the field the renaming query fails and reports.
    }
}

UnitDatabaseSession::~UnitDatabaseSession() {
    try {
        DropIndexAndClose();
    } catch (const Failure&) {
        // Nothing to report to any more; the engine keeps the last commit.
    }
}

void UnitDatabaseSession::Close() {
    Proc proc(run_, "VarNameInQuelleErsetzen");
    proc.Step([&] { DropIndexAndClose(); });
}

void UnitDatabaseSession::DropIndexAndClose() {
    if (!db_)
        return;
    // Whatever happens below, this session is over: a failed commit must not
    // be retried by the destructor.
    dao::Database db = std::move(db_);
    db_ = dao::Database();
    if (indexed_) {
        indexed_ = false;
        db.DropIndex(kRenameIndex);
    }
    db.Close();
}

}  // namespace calvora
