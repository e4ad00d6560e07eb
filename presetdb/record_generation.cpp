// Record generation: every source definition once per valid machine.
//
// The source query is read once, whole, into memory; then the records of
// each valid machine are appended in ID order, numbered 1, 2, 3, ... in one
// 16-bit sequence across all machines. Text values get the machine name in
// place of "###machine"; var_name values are formed from the part's template
// of the current project kind, and the unit database's records named in the
// other kind's naming are renamed on the way (one connection to the unit
// database serves the whole generation, see unit_session.h).
#include "presetdb/record_generation.h"

#include <array>
#include <vector>

#include "dao/conversion.h"
#include "errors/error_protocol.h"
#include "platform/text.h"
#include "presetdb/event_pacer.h"
#include "presetdb/name_resolution.h"
#include "presetdb/preset_schema.h"
#include "presetdb/unit_session.h"
#include "settings/command_line.h"
#include "settings/file_locations.h"
#include "settings/ini_access.h"
#include "settings/machines.h"

namespace calvora {

namespace {

constexpr const char* kSourceQuery =
    "SELECT Source_PRESET_DEFS.* From Source_PRESET_DEFS ORDER BY Source_PRESET_DEFS.ID";

// Every field value of every source record, read before generation starts.
struct SourceValues {
    int32_t fieldCount = 0;
    std::vector<std::vector<Variant>> records;  // [record 0..n-1][field]

    const Variant& At(size_t record, int32_t field) const {
        if (field >= fieldCount)
            RaiseRuntime(err::kSubscript, "Subscript out of range: PRESET_DEFS has a field " +
                                              std::to_string(field) +
                                              " that Source_PRESET_DEFS lacks (it has " +
                                              std::to_string(fieldCount) + " fields).");
        return records[record][field];
    }
};

// The fields of PRESET_DEFS, looked up once for all records. A table without
// ID or part leaves those Nothing, and each record looks them up by name
// again, failing as it would have.
struct TargetFields {
    std::vector<dao::Field> fields;
    std::vector<bool> isVarName;
    dao::Field id;
    dao::Field part;
    // The match keys of the takeover, for the run's account.
    dao::Field machineType;
    dao::Field varName;
    dao::Field offset;

    // The keys of the record being built (Empty where the table lacks one).
    PresetKey Key() const {
        auto value = [](const dao::Field& f) { return f ? f.Value() : Variant(); };
        return {value(machineType), value(varName), value(offset)};
    }

    static dao::Field Named(const dao::Field& known, dao::Recordset& target, const char* name) {
        return known ? known : target.Fields().Item(name);
    }
};

int16_t RecordCount16(const dao::Recordset& source) {
    int32_t count = source.RecordCount();
    if (count > INT16_MAX)
        RaiseRuntime(err::kOverflow, "Overflow: Source_PRESET_DEFS holds " + std::to_string(count) +
                                         " records; at most 32767 can be generated from.");
    return static_cast<int16_t>(count);
}

void ReadSource(Proc& proc, dao::Recordset& source, int16_t n, SourceValues& values,
                EventPacer& pacer) {
    proc.Step([&] { source.MoveFirst(); });
    proc.Step([&] {
        values.fieldCount = source.Fields().Count();
        values.records.assign(n, std::vector<Variant>(values.fieldCount));
    });
    for (size_t r = 0; r < values.records.size(); ++r) {
        for (int32_t i = 0; i < values.fieldCount; ++i) {
            proc.Step([&] { values.records[r][i] = source.Fields().Item(i).Value(); });
            pacer.Yield();
        }
        proc.Step([&] { source.MoveNext(); });
    }
    proc.Step([&] { source.MoveFirst(); });
}

bool MachineValid(RunState& run, const std::string& validMachines, const std::string& machine,
                  size_t m) {
    if (GetStartModeIntegrated(run)) {
        // A plain substring test: "M1" is valid in "M10", separators play no part.
        std::string valid = UCase(validMachines);
        return valid == "ALL" || (!valid.empty() && InStr(valid, UCase(machine)) > 0);
    }
    return LoadIniBoolean(run, "Project", "ForMachine" + std::to_string(m), GetCFGPath(run), false);
}

// The part number of the record being built, 1..50.
int32_t PartOfRecord(const dao::Field& partField) {
    return PartNumber(partField.Value(), "PRESET_DEFS.part");
}

// The var_name of the current project kind, formed from the part's template;
// renames the other kind's name to it in the unit database.
std::string ResolveVarName(RunState& run, const dao::Field& partField, const std::string& varName,
                           const std::string& machine, UnitDatabaseSession& unitSession) {
    int32_t p = PartOfRecord(partField);
    std::array<std::string, 2> names;
    for (int k = 0; k < 2; ++k) {
        names[k] = ReplaceSearchItem(run, run.PartVarNames[k][p], kVarNamePlaceholder, varName);
        // A template may name the machine twice.
        names[k] = ReplaceSearchItem(run, names[k], kMachinePlaceholder, machine);
        names[k] = ReplaceSearchItem(run, names[k], kMachinePlaceholder, machine);
    }
    VarNameInQuelleErsetzen(run, names[0], names[1], &unitSession);
    return names[run.StudioProject == 1 ? 1 : 0];
}

void GenerateRecord(Proc& proc, dao::Recordset& target, TargetFields& targetFields,
                    const SourceValues& values, size_t r, const std::string& machine,
                    int16_t& nextId, UnitDatabaseSession& unitSession, EventPacer& pacer) {
    RunState& run = proc.Run();
    pacer.Yield();
    proc.Step([&] { target.AddNew(); });
    proc.Step([&] {
        TargetFields::Named(targetFields.id, target, "ID").SetValue(Variant::Integer(nextId));
    });
    proc.Step([&] {
        if (nextId == INT16_MAX)
            RaiseRuntime(err::kOverflow,
                         "Overflow: more than 32767 records for PRESET_DEFS; the IDs of the "
                         "further records repeat 32767.");
        ++nextId;
    });
    for (size_t i = 1; i < targetFields.fields.size(); ++i) {
        pacer.Yield();
        // One step per field: a field whose value cannot be formed stays empty.
        proc.Step([&] {
            const Variant& v = values.At(r, static_cast<int32_t>(i));
            if (!v.IsText()) {
                targetFields.fields[i].SetValue(v);
                return;
            }
            std::string newValue =
                targetFields.isVarName[i]
                    ? ResolveVarName(run, TargetFields::Named(targetFields.part, target, "part"),
                                     v.AsText(), machine, unitSession)
                    : ReplaceSearchItem(run, v.AsText(), kMachinePlaceholder, machine);
            targetFields.fields[i].SetValue(Variant::Text(std::move(newValue)));
        });
    }
    PresetKey key;
    proc.Quietly([&] { key = targetFields.Key(); });
    proc.Step([&] {
        target.Update();
        run.Account.NoteGenerated(std::move(key));
    });
}

}  // namespace

bool CreateRecordSets(RunState& run, dao::Database& db) {
    Proc proc(run, "CreateRecordSets");
    EventPacer pacer(run.ui());

    std::string validMachines;
    proc.Step([&] { validMachines = GetValidMachines(run); });
    dao::Recordset target;
    dao::Recordset source;
    proc.Step([&] { target = db.OpenRecordset(kPresetTable); });
    proc.Step([&] { source = db.OpenRecordset(kSourceQuery); });
    int16_t n = 0;
    proc.Step([&] { n = RecordCount16(source); });
    SourceValues values;
    if (n > 0)
        ReadSource(proc, source, n, values, pacer);
    proc.Step([&] { source.Close(); });
    if (n <= 0)
        return true;

    TargetFields targetFields;
    proc.Step([&] {
        dao::Fields fields = target.Fields();
        for (int32_t i = 0; i < fields.Count(); ++i) {
            targetFields.fields.push_back(fields.Item(i));
            targetFields.isVarName.push_back(UCase(targetFields.fields.back().Name()) ==
                                             "VAR_NAME");
        }
        if (fields.Contains("ID"))
            targetFields.id = fields.Item("ID");
        if (fields.Contains("part"))
            targetFields.part = fields.Item("part");
        for (auto [field, name] : {std::pair{&targetFields.machineType, "machine_type"},
                                   {&targetFields.varName, "var_name"},
                                   {&targetFields.offset, "offset_or_bitno"}})
            if (fields.Contains(name))
                *field = fields.Item(name);
    });

    UnitDatabaseSession unitSession(run);
    int16_t nextId = 1;
    for (size_t m = 1; m < run.ExistingMachines.size(); ++m) {
        const std::string machine = run.ExistingMachines[m];
        const bool valid = MachineValid(run, validMachines, machine, m) && machine != "-";
        run.Account.NoteMachine(machine, valid);
        if (!valid)
            continue;
        for (size_t r = 0; r < values.records.size(); ++r)
            GenerateRecord(proc, target, targetFields, values, r, machine, nextId, unitSession,
                           pacer);
    }
    return unitSession.Close();
}

}  // namespace calvora
