// WorkOnMDB: the one run over the unit's preset databases.
//
// The unit's source database is the workspace: PRESET_DEFS is rebuilt there
// from the schema of Source_PRESET_DEFS; record generation forms its records
// in memory, the takeover of the values kept in the unit database completes
// them there, and then each is written once. Only
// then is the workspace published: closed (so all its changes are committed
// and the file is whole) and copied over the unit database, which the copy
// replaces atomically. The unit database is therefore at every moment either
// the one from before the run or the complete new one. A workspace that may
// not carry the machine's values is not published at all (publish_guard.h).
//
// The source database gets its last-write time back after the run, so that
// the project's tools do not see a changed template.
#include "presetdb/database_preparation.h"

#include <optional>
#include <string>

#include "dao/conversion.h"
#include "errors/error_protocol.h"
#include "platform/process.h"
#include "platform/text.h"
#include "presetdb/additional_fields.h"
#include "presetdb/name_resolution.h"
#include "presetdb/preset_schema.h"
#include "presetdb/project_database.h"
#include "presetdb/publish_guard.h"
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
// fields of Source_PRESET_DEFS: name, type and size, nothing else. True when
// the new table was stored.
bool RebuildPresetDefs(Proc& proc, dao::Database& db) {
    auto step = [&](auto&& f) { proc.Step(f); };
    CountedLoop(
        step, [&] { return db.TableDefs().Count(); },
        [&](int32_t i) {
            bool deleted = false;
            proc.Step([&] {
                if (db.TableDefs().Item(i).Name() != kPresetTable)
                    return;
                db.TableDefs().Delete(kPresetTable);
                deleted = true;
            });
            if (deleted)
                proc.Step([&] { db.TableDefs().Refresh(); });
            return !deleted;
        });
    dao::TableDef sourceDef;
    dao::TableDef newDef;
    proc.Step([&] { sourceDef = db.TableDefs().Item(kSourcePresetTable); });
    proc.Step([&] { newDef = db.CreateTableDef(kPresetTable); });
    CountedLoop(
        step, [&] { return sourceDef.Fields().Count(); },
        [&](int32_t i) {
            proc.Step([&] {
                dao::Field field = sourceDef.Fields().Item(i);
                newDef.Fields().Append(
                    newDef.CreateField(field.Name(), field.Type(), field.Size()));
            });
            return true;
        });
    bool appended = false;
    proc.Step([&] {
        db.TableDefs().Append(newDef);
        appended = true;
    });
    proc.Step([&] { db.TableDefs().Refresh(); });
    return appended;
}

// The values kept in the unit database taken over into the
// workspace, when the unit database holds a PRESET_DEFS. Notes in facts
// whether every record it held was read.
void TakeOver(Proc& proc, PresetTable& table, const std::string& unitPath, PublishFacts& facts) {
    RunState& run = proc.Run();
    if (!proc.Test([&] { return !unitPath.empty() && run.files().Exists(unitPath); })) {
        facts.unitRead = true;
        return;
    }
    dao::Database unit;
    proc.Step([&] { unit = OpenProjectDatabase(run, unitPath); });
    if (unit) {
        bool listed = false;
        bool hasPresetDefs = false;
        proc.Step([&] {
            dao::TableDefs defs = unit.TableDefs();
            for (int32_t i = 0; i < defs.Count() && !hasPresetDefs; ++i)
                hasPresetDefs = defs.Item(i).Name() == kPresetTable;
            listed = true;
        });
        facts.unitRead = listed && !hasPresetDefs;
        if (hasPresetDefs) {
            dao::Recordset machineCopy;
            proc.Step([&] { machineCopy = unit.OpenRecordset(kPresetTable); });
            if (machineCopy) {
                GetAddFields(run);
                std::optional<int64_t> read = TakeoverMachineCopyMDBData(run, table, machineCopy);
                facts.unitRead = read.has_value();
                facts.unitRecords = read.value_or(0);
            }
        }
    }
    proc.Step([&] { unit.Close(); });
}

// Publishes the committed workspace unless the guard refuses; a refusal is
// reported as a failure of the run, and the unit database stays as it is.
void Publish(Proc& proc, const PublishFacts& facts, const std::string& sourcePath) {
    RunState& run = proc.Run();
    if (std::optional<std::string> refusal = PublishRefusal(run, facts, sourcePath)) {
        proc.Raise(Failure(err::kProgramError, ProgramName(run.process()),
                           "The unit database was left unchanged: " + *refusal + "."),
                   false);
        return;
    }
    proc.Step([&] {
        CopyDatabaseFile(run, GetPathSourceOCXMDB(run), GetPathOCXMDB(run));
        run.Account.NotePublished();
    });
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

    PublishFacts facts;
    dao::Database db;
    // A damaged workspace counts as not opened: nothing is generated from
    // it, so nothing is renamed in the unit database either.
    proc.Step([&] {
        dao::Database opened = OpenProjectDatabase(run, sourcePath);
        opened.CheckIntegrity();
        db = std::move(opened);
        facts.workspaceOpened = true;
    });
    facts.tableRebuilt = RebuildPresetDefs(proc, db);
    CategorieNachCategoryID(run);
    GeneratedRecords generated = CreateRecordSets(run, db);
    facts.renamesStored = generated.renamesStored;
    TakeOver(proc, generated.table, unitPath, facts);
    // Each record is written once, complete: generated and taken over.
    {
        Proc write(run, "CreateRecordSets");
        WritePresetTable(write, db, generated.table);
    }
    // Closing commits; a commit that failed leaves the workspace as it was
    // before this run.
    proc.Step([&] {
        db.Close();
        facts.workspaceCommitted = true;
    });
    Publish(proc, facts, sourcePath);
    if (run.Account.Published())
        PruneHistory(run);

    if (keptWriteTime)
        proc.Step([&] { run.files().SetLastWriteTime(sourcePath, *keptWriteTime); });
}

}  // namespace calvora
