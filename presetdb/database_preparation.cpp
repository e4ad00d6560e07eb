// WorkOnMDB: the one run over the unit's preset databases.
//
// The unit's source database is the workspace: PRESET_DEFS is rebuilt there
// from the schema of Source_PRESET_DEFS, filled by record generation and
// completed by the takeover of the values kept in the unit database. Only
// then is the workspace published: closed (so all its changes are committed
// and the file is whole) and copied over the unit database, which the copy
// replaces atomically. The unit database is therefore at every moment either
// the one from before the run or the complete new one.
//
// The source database gets its last-write time back after the run, so that
// the project's tools do not see a changed template.
#include "presetdb/database_preparation.h"

#include <optional>
#include <string>

#include "dao/conversion.h"
#include "errors/error_protocol.h"
#include "platform/text.h"
#include "presetdb/additional_fields.h"
#include "presetdb/name_resolution.h"
#include "presetdb/preset_schema.h"
#include "presetdb/project_database.h"
#include "presetdb/record_generation.h"
#include "presetdb/record_walk.h"
#include "presetdb/run_history.h"
#include "presetdb/takeover.h"
#include "settings/file_locations.h"
#include "settings/ini_access.h"

namespace calvora {

namespace {

constexpr const char* kCrLf = "\r\n";
// The template that leaves a definition's variable name unchanged; in part 1
// of both kinds it also marks a Source_DEFS that was not read cleanly.
constexpr const char* kPlainVarName = kVarNamePlaceholder;

void ShowMachineCopyMissing(RunState& run, const std::string& unitPath) {
    std::string file = unitPath.substr(unitPath.rfind('\\') + 1);
    run.ui().MsgBox(std::string("Konnte die Datei:\"") + file + "\" in der Vorlage nicht finden!" +
                        kCrLf + kCrLf +
                        "Ist das Bild in der Vorlage noch nicht vorhanden (also neu)?" + kCrLf +
                        "Dann ist diese Meldung völlig normal und es wird eine neue Datei mit den "
                        "Standardwerten erzeugt.",
                    box::kOkInformation, "");
}

// Whether a Source_DEFS record's System names project kind 0 or 1 (a Null
// names neither).
bool SystemIs(const Variant& system, int kind) {
    return system.IsText() && UCase(system.AsText()) == (kind == 1 ? "VISIWINSTUDIO" : "VISIWIN32");
}

// PartVarNames(k, Part) = Var_Name of the current Source_DEFS record.
void StoreVarName(RunState& run, dao::Recordset& rs, int kind) {
    const int32_t p = PartNumber(rs.Fields().Item("Part").Value(), "Source_DEFS.Part");
    Variant varName = rs.Fields().Item("Var_Name").Value();
    if (varName.IsNull() || varName.IsEmpty())
        RaiseRuntime(err::kInvalidUseOfNull, "Invalid use of Null: Source_DEFS.Var_Name of part " +
                                                 std::to_string(p) + " is empty.");
    run.PartVarNames[kind][p] =
        varName.IsText() ? varName.AsText()
                         : dao::ConvertForField(varName, dao::ColumnType{dao::DataType::Memo, 0},
                                                "Source_DEFS.Var_Name")
                               .AsText();
}

// Source_DEFS into PartVarNames. From the opened recordset until the
// database is closed, any failure only marks part 1 of both kinds with the
// plain template and reading goes on, without a message.
void ReadSourceDefs(Proc& proc, const std::string& sourcePath) {
    RunState& run = proc.Run();
    dao::Database db;
    dao::Recordset rs;
    proc.Step([&] { db = OpenProjectDatabase(run, sourcePath); });
    proc.Step([&] { rs = db.OpenRecordset(kSourceDefsTable); });
    auto markUnclean = [&run](const Failure&) {
        run.PartVarNames[0][1] = kPlainVarName;
        run.PartVarNames[1][1] = kPlainVarName;
    };
    auto step = [&](auto&& f) { proc.StepOr(f, markUnclean); };
    WalkRecords(rs, step, [&] {
        for (int kind = 0; kind <= 1; ++kind) {
            // A failing test enters its block, as the protocol has it.
            bool matches = true;
            step([&] { matches = SystemIs(rs.Fields().Item("System").Value(), kind); });
            if (matches)
                step([&] { StoreVarName(run, rs, kind); });
        }
    });
    step([&] { rs.Close(); });
    step([&] { db.Close(); });
}

// PRESET_DEFS dropped (exact name only) and created anew with the
// fields of Source_PRESET_DEFS: name, type and size, nothing else.
void RebuildPresetDefs(Proc& proc, dao::Database& db) {
    int32_t tableCount = 0;
    proc.Step([&] { tableCount = db.TableDefs().Count(); });
    for (int32_t i = 0; i < tableCount; ++i) {
        bool deleted = false;
        proc.Step([&] {
            if (db.TableDefs().Item(i).Name() != kPresetTable)
                return;
            db.TableDefs().Delete(kPresetTable);
            deleted = true;
        });
        if (deleted) {
            proc.Step([&] { db.TableDefs().Refresh(); });
            break;
        }
    }
    dao::TableDef sourceDef;
    dao::TableDef newDef;
    proc.Step([&] { sourceDef = db.TableDefs().Item(kSourcePresetTable); });
    proc.Step([&] { newDef = db.CreateTableDef(kPresetTable); });
    int32_t fieldCount = 0;
    proc.Step([&] { fieldCount = sourceDef.Fields().Count(); });
    for (int32_t i = 0; i < fieldCount; ++i) {
        proc.Step([&] {
            dao::Field field = sourceDef.Fields().Item(i);
            newDef.Fields().Append(newDef.CreateField(field.Name(), field.Type(), field.Size()));
        });
    }
    proc.Step([&] { db.TableDefs().Append(newDef); });
    proc.Step([&] { db.TableDefs().Refresh(); });
}

// The values kept in the unit database taken over into the
// workspace, when the unit database holds a PRESET_DEFS.
void TakeOver(Proc& proc, dao::Database& source, const std::string& unitPath) {
    RunState& run = proc.Run();
    if (!proc.Test([&] { return !unitPath.empty() && run.files().Exists(unitPath); }))
        return;
    dao::Database unit;
    proc.Step([&] { unit = OpenProjectDatabase(run, unitPath); });
    if (unit) {
        bool hasPresetDefs = false;
        proc.Step([&] {
            dao::TableDefs defs = unit.TableDefs();
            for (int32_t i = 0; i < defs.Count() && !hasPresetDefs; ++i)
                hasPresetDefs = defs.Item(i).Name() == kPresetTable;
        });
        if (hasPresetDefs) {
            dao::Recordset machineCopy;
            proc.Step([&] { machineCopy = unit.OpenRecordset(kPresetTable); });
            if (machineCopy) {
                GetAddFields(run);
                TakeoverMachineCopyMDBData(run, source, machineCopy);
            }
        }
    }
    proc.Step([&] { unit.Close(); });
}

}  // namespace

void WorkOnMDB(RunState& run) {
    // The procedure names itself only once Source_DEFS has been read.
    Proc proc(run);

    std::string sourcePath;
    std::string unitPath;
    std::string machineCopyPath;
    proc.Step([&] { sourcePath = GetPathSourceOCXMDB(run); });
    proc.Step([&] { unitPath = GetPathOCXMDB(run); });
    proc.Step(
        [&] { machineCopyPath = GetPathMachineCopyMDB(run, GetTRXConfigurationIniPath(run)); });

    proc.Step([&] {
        run.StudioProject = !run.IntegratedMode && LoadIniBoolean(run, "Project", "VWStudio",
                                                                  run.ProgramIniPath, false)
                                ? 1
                                : 0;
    });

    if (sourcePath.empty())
        return;
    // Everything from here may change the unit database: the machine copy
    // over it, the renames, the publish.
    KeepUnitDatabase(run, unitPath);

    // Not kept when the file cannot be opened for writing; then not restored.
    std::optional<FileTime> keptWriteTime;
    proc.Step([&] { keptWriteTime = run.files().LastWriteTime(sourcePath); });

    if (run.IntegratedMode) {
        if (proc.Test(
                [&] { return machineCopyPath.empty() || !run.files().Exists(machineCopyPath); }))
            proc.Step([&] { ShowMachineCopyMissing(run, unitPath); });
        else
            proc.Step([&] { CopyDatabaseFile(run, machineCopyPath, unitPath); });
    }

    ReadSourceDefs(proc, sourcePath);
    proc.SetName("WorkOnMDB");

    dao::Database db;
    proc.Step([&] { db = OpenProjectDatabase(run, sourcePath); });
    RebuildPresetDefs(proc, db);
    CategorieNachCategoryID(run);
    CreateRecordSets(run, db);
    TakeOver(proc, db, unitPath);
    // Closing commits. A workspace whose commit failed still holds what it
    // held before this run, and publishing that would overwrite the unit
    // database's values with stale ones: it is not published.
    bool committed = false;
    proc.Step([&] {
        db.Close();
        committed = true;
    });

    if (committed)
        proc.Step([&] {
            CopyDatabaseFile(run, GetPathSourceOCXMDB(run), GetPathOCXMDB(run));
            run.Account.NotePublished();
        });
    if (run.Account.Published())
        PruneHistory(run);

    if (keptWriteTime)
        proc.Step([&] { run.files().SetLastWriteTime(sourcePath, *keptWriteTime); });
}

}  // namespace calvora
