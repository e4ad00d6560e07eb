// The takeover runs in two stages. The machine copy is read whole into a
// buffer and its recordset released before anything is written; then, row by
// row, the regenerated record with the same machine_type, var_name and
// offset_or_bitno receives the five tuned values. Everything else in the
// regenerated table stays as generated.
//
// Two guards stop data from being lost silently: a machine copy with fields
// beyond the standard 15 while no additional fields are set up asks before
// going on, and an additional field missing from the regenerated table ends
// the program before any value is written.
#include "presetdb/takeover.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dao/dialect.h"
#include "dao/recordset.h"
#include "dao/tabledef.h"
#include "dao/types.h"
#include "errors/error_protocol.h"
#include "errors/logs.h"
#include "platform/process.h"
#include "platform/text.h"
#include "presetdb/event_pacer.h"
#include "presetdb/preset_schema.h"
#include "settings/file_locations.h"

namespace calvora {

namespace {

const std::string kBreak = kMessageBreak;
const std::string kQuote = "\"";
const std::string kDatabaseError = "Database-Error - Contact Administrator!";

constexpr int32_t kStandardFieldCount = 15;

// One machine-copy record, by standard field position (see kColumnFields).
constexpr size_t kColumnCount = 15;
using Row = std::array<Variant, kColumnCount>;

constexpr size_t kMachineTypeColumn = 1;
constexpr size_t kVarNameColumn = 3;
constexpr size_t kCategoryColumn = 4;
constexpr size_t kOffsetColumn = 7;

// The machine copy's field read into each column. Column 4, the category, is
// read from "categorie" instead where an older machine copy still has that
// field; column 6 is never filled.
constexpr std::array<const char*, kColumnCount> kColumnFields = {
    "ID",          "machine_type", "type",    "var_name",
    "category_id", "isBitArray",   nullptr,   "offset_or_bitno",
    "text",        "page_name",    "abs_min", "abs_max",
    "min",         "max",          "pass"};

// The values taken over, from columns 10 to 14.
constexpr size_t kFirstValueColumn = 10;
constexpr std::array<const char*, 5> kValueFields = {"abs_min", "abs_max", "min", "max", "pass"};

std::string UnitUpper(RunState& run) {
    return UCase(GetOCXName(run));
}

// The warning that fields beyond the standard ones will not be taken over,
// its lines joined by lineBreak.
std::string ExtraFieldWarning(RunState& run, const std::string& lineBreak) {
    return "WARNING!" + lineBreak +
           "Machinecopy contains data in fields that won't be taken over!" + lineBreak +
           "Configurationfile " + kQuote + UnitUpper(run) + ".CFG" + kQuote + ", missing entry " +
           kQuote + "DataBaseAdditionalFields " + kQuote + lineBreak +
           "If you continue now this data will be lost." + lineBreak + "Continue?";
}

// The error 9999 the takeover raises when it must not go on.
Failure DatabaseError(RunState& run) {
    return Failure(err::kProgramError, ProgramName(run.process()), kDatabaseError);
}

// Silent mode only notes the warning; otherwise the user decides, and No
// ends the program before anything is written.
void WarnOfExtraFields(Proc& proc) {
    RunState& run = proc.Run();
    if (run.SilentMode) {
        proc.Step([&] { WriteServiceLog(run, ExtraFieldWarning(run, "")); });
        return;
    }
    int answer = box::kNo;
    proc.Step([&] {
        answer = run.ui().MsgBox(ExtraFieldWarning(run, kBreak), box::kYesNoWarnNo,
                                 ProgramName(run.process()));
    });
    if (answer == box::kYes) {
        return;
    }
    proc.Step([&] {
        std::string program = ProgramName(run.process());
        std::string unit = UnitUpper(run);
        std::string restart = UCase(ProgramFolder(run.process()) + "\\" + program + ".EXE!");
        WriteErrorLog(run, program + " :" + kDatabaseError + " Configurationprogram " + kQuote +
                               unit + kQuote + " terminated." + " Please check Configuration in " +
                               kQuote + unit + ".CFG" + kQuote + " Restart " + restart);
    });
    proc.Raise(DatabaseError(run), true);
}

// Runs one reading step; a failure is reported as any step's and also
// clears whole: a record not read is a record whose values are not carried.
// A field the machine copy does not have (3265) holds no value to lose.
template <class F>
void ReadStep(Proc& proc, bool& whole, F&& step) {
    proc.StepOr(std::forward<F>(step), [&](const Failure& f) {
        if (f.Number() != dao::err::kItemNotFound) {
            whole = false;
        }
        proc.Raise(f, false);
    });
}

// The number of records to read: the walk from the first record stops where
// it passes the end, at most one record beyond the count the recordset gives.
// A table without records has nothing to read (moving to its first record
// fails and is reported).
int32_t CountRecords(Proc& proc, dao::Recordset& machineCopy, bool& whole) {
    int32_t n = 0;
    ReadStep(proc, whole, [&] { n = machineCopy.RecordCount(); });
    proc.Step([&] { machineCopy.MoveFirst(); });
    if (n <= 0) {
        return 0;
    }
    int32_t i = 1;
    for (; i <= n; ++i) {
        ReadStep(proc, whole, [&] { machineCopy.MoveNext(); });
        if (proc.Test([&] { return machineCopy.Eof(); })) {
            break;
        }
    }
    return i;
}

// Reads the machine copy whole, before anything is written; whole is
// cleared when a record or field could not be read.
std::vector<Row> ReadMachineCopy(Proc& proc, dao::Recordset& machineCopy, bool& whole) {
    RunState& run = proc.Run();
    std::array<const char*, kColumnCount> columnFields = kColumnFields;
    proc.Step([&] {
        dao::Fields fields = machineCopy.Fields();
        for (int32_t i = 0; i < fields.Count(); ++i) {
            if (EqualsNoCase(fields.Item(i).Name(), "categorie")) {
                columnFields[kCategoryColumn] = "categorie";
            }
        }
    });

    int32_t n = CountRecords(proc, machineCopy, whole);
    EventPacer pacer(run.ui());
    std::vector<Row> rows;
    if (n <= 0) {
        return rows;
    }
    ReadStep(proc, whole, [&] { machineCopy.MoveFirst(); });
    ReadStep(proc, whole, [&] { rows.resize(static_cast<size_t>(n)); });
    // A field found once is kept (its value follows the current record); a
    // field not found is looked for again on every record, and fails there.
    std::array<dao::Field, kColumnCount> found;
    for (Row& row : rows) {
        proc.Step([&] { pacer.Yield(); });
        for (size_t column = 0; column < kColumnCount; ++column) {
            if (columnFields[column] == nullptr) {
                continue;
            }
            ReadStep(proc, whole, [&] {
                if (!found[column]) {
                    found[column] = machineCopy.Fields().Item(columnFields[column]);
                }
                row[column] = found[column].Value();
            });
        }
        ReadStep(proc, whole, [&] { machineCopy.MoveNext(); });
    }
    return rows;
}

// The text a key stands as in the match statement, or nothing when it could
// not stand there as what it is. A text key becomes a quoted literal (see
// MatchStatement), so any text stands whole; the offset stands bare, so it
// must be a number (see OffsetNumber). Null and Empty stand as an empty text (which
// leaves an offset missing and the row unmatched).
std::optional<std::string> KeyText(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) {
        return std::string();
    }
    if (v.IsText()) {
        return v.AsText();
    }
    if (v.Type() == VarType::Currency) {
        return NumberToText(Variant::Double(v.NumericValue()));
    }
    if (v.IsNumeric() && v.Type() != VarType::Boolean) {
        return NumberToText(v);
    }
    return std::nullopt;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The offset as the statement reads a number standing bare: blanks around it
// and a leading plus change nothing, an exponent is part of the number.
// Nothing when the text is no number: then it could change the statement's
// meaning (a field name, more SQL) and the row is skipped.
std::optional<std::string> OffsetNumber(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    if (s.starts_with('+')) {
        s.remove_prefix(1);
    }
    size_t i = s.starts_with('-') ? 1 : 0;
    size_t digits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) {
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && IsDigit(s[i]); ++i, ++digits) {
        }
    }
    if (digits > 0 && i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            ++j;
        }
        size_t exponentDigits = 0;
        for (; j < s.size() && IsDigit(s[j]); ++j, ++exponentDigits) {
        }
        if (exponentDigits > 0) {
            i = j;
        }
    }
    if (digits == 0 || i != s.size()) {
        return std::nullopt;
    }
    return std::string(s);
}

// The match statement of one machine-copy row, or nothing when its keys
// cannot stand in it unchanged.
std::optional<std::string> MatchStatement(const std::string& addFieldsSql, const Row& row) {
    std::optional<std::string> machineType = KeyText(row[kMachineTypeColumn]);
    std::optional<std::string> varName = KeyText(row[kVarNameColumn]);
    std::optional<std::string> offsetText = KeyText(row[kOffsetColumn]);
    std::optional<std::string> offset = offsetText ? OffsetNumber(*offsetText) : std::nullopt;
    if (!machineType || !varName || !offset) {
        return std::nullopt;
    }
    return "SELECT PRESET_DEFS.ID, PRESET_DEFS.machine_type, PRESET_DEFS.type,"
           " PRESET_DEFS.var_name, PRESET_DEFS.category_id, PRESET_DEFS.isBitArray,"
           " PRESET_DEFS.offset_or_bitno, PRESET_DEFS.text, PRESET_DEFS.page_name,"
           " PRESET_DEFS.abs_min, PRESET_DEFS.abs_max, PRESET_DEFS.min, PRESET_DEFS.max,"
           " PRESET_DEFS.pass" +
           addFieldsSql + " From PRESET_DEFS " +
           " WHERE (((PRESET_DEFS.machine_type)=" + dao::QuotedLiteral(*machineType) + ")" +
           " AND ((PRESET_DEFS.var_name)=" + dao::QuotedLiteral(*varName) + ") " +
           " AND ((PRESET_DEFS.offset_or_bitno)=" + *offset + "));";
}

// Every additional field must exist, spelled exactly, in the regenerated
// table (its first field is not examined); the values of a field the
// configuration demands but the table lacks would otherwise be lost, so a
// missing one ends the program, even when a silent run's dialog would go on.
void CheckAdditionalFields(Proc& proc, dao::Database& source) {
    RunState& run = proc.Run();
    if (!run.AddFieldNames) {
        return;
    }
    std::vector<std::string> targetFields;
    bool listed = false;
    proc.Step([&] {
        dao::Fields fields = source.TableDefs().Item(kPresetTable).Fields();
        for (int32_t i = 1; i < fields.Count(); ++i) {
            targetFields.push_back(fields.Item(i).Name());
        }
        listed = true;
    });
    // A table whose fields cannot be read (the workspace never opened) has
    // been reported; it proves no field missing, and nothing is published.
    if (!listed) {
        return;
    }
    const std::vector<std::string>& names = *run.AddFieldNames;
    for (size_t j = 1; j < names.size(); ++j) {
        if (std::find(targetFields.begin(), targetFields.end(), names[j]) != targetFields.end()) {
            continue;
        }
        proc.Step([&] {
            std::string unit = UnitUpper(run);
            WriteErrorLog(run, "Conflict while attempting to extend database!" +
                                   std::string("Configurationsfile ") + kQuote + unit + ".CFG" +
                                   kQuote + ", demanded field " + kQuote + UCase(names[j]) +
                                   kQuote + "missing in machinecopy-database" + kBreak +
                                   "Configuration of " + kQuote + unit + kQuote + " aborted.");
        });
        proc.Raise(DatabaseError(run), true);
        EndProgram(exitcode::kEndedByError);
    }
}

PresetKey KeyOf(const Row& row) {
    return {row[kMachineTypeColumn], row[kVarNameColumn], row[kOffsetColumn]};
}

// A machine-copy row that reached no regenerated record: its tuned values
// are not in the published table, so the run's account lists them.
void NoteDropped(RunState& run, const Row& row) {
    DroppedRecord dropped{KeyOf(row), {}};
    for (size_t k = 0; k < kValueFields.size(); ++k) {
        dropped.values[k] = row[kFirstValueColumn + k];
    }
    run.Account.NoteDropped(std::move(dropped));
}

// Notes a row whose min or max lies outside the abs_min..abs_max that the
// matched record has from its template (the template was narrowed after the
// machine was tuned). Only numbers are compared.
void NoteOutOfRange(RunState& run, dao::Recordset& match, const Row& row) {
    const Variant& min = row[kFirstValueColumn + 2];
    const Variant& max = row[kFirstValueColumn + 3];
    Variant absMin = match.Fields().Item("abs_min").Value();
    Variant absMax = match.Fields().Item("abs_max").Value();
    auto number = [](const Variant& v) { return v.IsNumeric() && v.Type() != VarType::Boolean; };
    auto outside = [&](const Variant& v) {
        return number(v) && ((number(absMin) && v.NumericValue() < absMin.NumericValue()) ||
                             (number(absMax) && v.NumericValue() > absMax.NumericValue()));
    };
    if (outside(min) || outside(max)) {
        run.Account.NoteOutOfRange({KeyOf(row), min, max, absMin, absMax});
    }
}

// Writes the row's five values into the first record its query selects. A
// row whose query cannot be made or opened is skipped without a word.
void TakeOverRow(Proc& proc, dao::Database& source, const Row& row) {
    RunState& run = proc.Run();
    dao::Recordset match;
    proc.Quietly([&] {
        std::optional<std::string> statement = MatchStatement(run.AddFieldsSQL, row);
        if (statement) {
            match = source.OpenRecordset(*statement);
        }
    });
    if (!match) {
        NoteDropped(run, row);
        return;
    }
    if (proc.Test([&] { return match.RecordCount() > 0; })) {
        proc.Quietly([&] { NoteOutOfRange(run, match, row); });
        proc.Step([&] { match.Edit(); });
        for (size_t k = 0; k < kValueFields.size(); ++k) {
            proc.Step(
                [&] { match.Fields().Item(kValueFields[k]).SetValue(row[kFirstValueColumn + k]); });
        }
        proc.Step([&] {
            match.Update();
            run.Account.NoteTuned(KeyOf(row));
        });
    } else {
        NoteDropped(run, row);
    }
}

}  // namespace

std::optional<int64_t> TakeoverMachineCopyMDBData(RunState& run, dao::Database& source,
                                                  dao::Recordset& machineCopy) {
    Proc proc(run, "TakeoverMachineCopyMDBData");

    int32_t fieldCount = 0;
    proc.Step([&] { fieldCount = machineCopy.Fields().Count(); });
    if (proc.Test([&] { return fieldCount > kStandardFieldCount && run.AddFieldCount == 0; })) {
        WarnOfExtraFields(proc);
    }
    if (!machineCopy) {
        return std::nullopt;
    }

    bool whole = true;
    std::vector<Row> rows = ReadMachineCopy(proc, machineCopy, whole);
    machineCopy = dao::Recordset();

    // An index on the match keys, so that each row's query finds its records
    // without reading the whole table; the source database is published
    // afterwards, so the index is temporary. Without it the takeover is
    // slower, never different, so a table that cannot take it (keys missing)
    // is left to the queries to fail on.
    try {
        source.CreateTemporaryIndex("Calvora_TakeoverMatch", kPresetTable,
                                    {"machine_type", "var_name", "offset_or_bitno"});
    } catch (const Failure&) {
    }
    // The regenerated table's fields do not change while the rows are
    // written, so one check answers for all rows; it runs also for an empty
    // machine copy, whose next run would otherwise find the field missing.
    CheckAdditionalFields(proc, source);
    for (const Row& row : rows) {
        TakeOverRow(proc, source, row);
    }
    if (!whole) {
        return std::nullopt;
    }
    return static_cast<int64_t>(rows.size());
}

}  // namespace calvora
