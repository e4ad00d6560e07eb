// Record generation: every source definition once per valid machine.
//
// The source query is read once, whole, into memory; then the records of
// each valid machine are formed in ID order, numbered 1, 2, 3, ... in one
// 16-bit sequence across all machines, and kept in memory for the takeover
// (preset_table.h). Text values get the machine name in place of
// "###machine"; var_name values are formed from the part's template of the
// current project kind, and the unit database's records named in the other
// kind's naming are renamed on the way (unit_renames.h).
#include "presetdb/record_generation.h"

#include <array>
#include <vector>

#include "errors/error_protocol.h"
#include "platform/text.h"
#include "presetdb/event_pacer.h"
#include "presetdb/name_resolution.h"
#include "presetdb/preset_schema.h"
#include "presetdb/record_walk.h"
#include "presetdb/unit_renames.h"
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

// The positions of the fields every record needs, found once.
struct TargetFields {
    std::vector<bool> isVarName;
    int32_t id = -1;
    int32_t part = -1;
    // The takeover's match keys, for the run's account.
    int32_t machineType = -1;
    int32_t varName = -1;
    int32_t offset = -1;

    explicit TargetFields(const PresetTable& table)
        : id(table.Find("ID")),
          part(table.Find("part")),
          machineType(table.Find("machine_type")),
          varName(table.Find("var_name")),
          offset(table.Find("offset_or_bitno")) {
        for (const std::string& name : table.fieldNames)
            isVarName.push_back(UCase(name) == "VAR_NAME");
    }
    // The position found, or the failure of looking name up (3265).
    size_t Item(const PresetTable& table, int32_t found, const char* name) const {
        return found >= 0 ? static_cast<size_t>(found) : table.Item(name);
    }
};

// A key field of a record (Empty where the table lacks it).
Variant KeyField(const std::vector<Variant>& record, int32_t field) {
    return field >= 0 ? record[static_cast<size_t>(field)] : Variant();
}

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
    // The fields, taken once: a field's value follows the current record.
    std::vector<dao::Field> fields;
    proc.Step([&] {
        values.fieldCount = source.Fields().Count();
        values.records.assign(n, std::vector<Variant>(values.fieldCount));
        for (int32_t i = 0; i < values.fieldCount; ++i)
            fields.push_back(source.Fields().Item(i));
    });
    ReadRecords(
        source, values.records.size(), [&](auto&& f) { proc.Step(f); },
        [&](size_t r, std::vector<Variant>& row) { values.records[r] = std::move(row); },
        [&](size_t r) {
            for (int32_t i = 0; i < values.fieldCount; ++i) {
                proc.Step([&] { values.records[r][i] = fields.at(i).Value(); });
                pacer.Yield();
            }
            proc.Step([&] { source.MoveNext(); });
        },
        [&] { pacer.Yield(); });
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

// A source record's var_name templates of both kinds with its name put in:
// the same for every machine, so formed once, where forming them reported
// nothing (a failure is reported again for every machine).
struct NamedTemplates {
    std::array<int32_t, 2> part = {0, 0};  // the part formed for; 0: none
    std::array<std::string, 2> names;
};

// The var_name of the current project kind, formed from the part's template;
// renames the other kind's name to it in the unit database.
std::string ResolveVarName(RunState& run, const Variant& part, std::string_view varName,
                           const std::string& machine, UnitRenames& renames,
                           NamedTemplates& named) {
    int32_t p = PartNumber(part, "PRESET_DEFS.part");
    std::array<std::string, 2> names;
    for (int k = 0; k < 2; ++k) {
        if (named.part[k] == p) {
            names[k] = named.names[k];
        } else {
            names[k] = run.PartVarNames[k][p];
            const int reported = run.FailuresReported;
            ReplaceSearchItem(run, names[k], kVarNamePlaceholder, varName);
            if (run.FailuresReported == reported) {
                named.part[k] = p;
                named.names[k] = names[k];
            }
        }
        // A template may name the machine twice.
        ReplaceSearchItem(run, names[k], kMachinePlaceholder, machine);
        ReplaceSearchItem(run, names[k], kMachinePlaceholder, machine);
    }
    renames.Rename(names[0], names[1]);
    return std::move(names[run.StudioProject == 1 ? 1 : 0]);
}

// One record, formed in memory and appended to table once complete; a field
// whose value cannot be formed or stored stays empty (Null).
void GenerateRecord(Proc& proc, PresetTable& table, const TargetFields& fields,
                    const SourceValues& values, size_t r, const std::string& machine,
                    int16_t& nextId, UnitRenames& renames, NamedTemplates& named,
                    EventPacer& pacer) {
    RunState& run = proc.Run();
    const size_t fieldCount = table.fieldNames.size();
    pacer.Yield();
    std::vector<Variant> record(fieldCount, Variant::Null());
    proc.Step([&] {
        const size_t id = fields.Item(table, fields.id, "ID");
        record[id] = table.Converted(id, Variant::Integer(nextId));
    });
    proc.Step([&] {
        if (nextId == INT16_MAX)
            RaiseRuntime(err::kOverflow,
                         "Overflow: more than 32767 records for PRESET_DEFS; the IDs of the "
                         "further records repeat 32767.");
        ++nextId;
    });
    for (size_t i = 1; i < fieldCount; ++i) {
        pacer.Yield();
        proc.Step([&] {
            const Variant& v = values.At(r, static_cast<int32_t>(i));
            if (!v.IsText()) {
                record[i] = table.Converted(i, v);
                return;
            }
            std::string newValue;
            if (fields.isVarName[i]) {
                newValue = ResolveVarName(run, record[fields.Item(table, fields.part, "part")],
                                          v.AsText(), machine, renames, named);
            } else {
                newValue = v.AsText();
                ReplaceSearchItem(run, newValue, kMachinePlaceholder, machine);
            }
            record[i] = table.Converted(i, Variant::Text(newValue));
        });
    }
    run.Account.NoteGenerated({KeyField(record, fields.machineType),
                               KeyField(record, fields.varName), KeyField(record, fields.offset)});
    table.records.push_back(std::move(record));
}

}  // namespace

GeneratedRecords CreateRecordSets(RunState& run, dao::Database& db) {
    Proc proc(run, "CreateRecordSets");
    EventPacer pacer(run.ui());

    std::string validMachines;
    proc.Step([&] { validMachines = GetValidMachines(run); });
    GeneratedRecords generated;
    PresetTable& table = generated.table;
    dao::Recordset source;
    proc.Step([&] { table = PresetTable::FieldsOf(db); });
    proc.Step([&] { source = db.OpenRecordset(kSourceQuery); });
    int16_t n = 0;
    proc.Step([&] { n = RecordCount16(source); });
    SourceValues values;
    if (n > 0)
        ReadSource(proc, source, n, values, pacer);
    proc.Step([&] { source.Close(); });
    if (n <= 0)
        return generated;

    const TargetFields fields(table);
    UnitRenames renames(run);
    std::vector<NamedTemplates> named(values.records.size());
    int16_t nextId = 1;
    for (size_t m = 1; m < run.ExistingMachines.size(); ++m) {
        const std::string machine = run.ExistingMachines[m];
        const bool valid = MachineValid(run, validMachines, machine, m) && machine != "-";
        run.Account.NoteMachine(machine, valid);
        if (!valid)
            continue;
        for (size_t r = 0; r < values.records.size(); ++r)
            GenerateRecord(proc, table, fields, values, r, machine, nextId, renames, named[r],
                           pacer);
    }
    generated.renamesStored = renames.Close();
    return generated;
}

}  // namespace calvora
