// The takeover runs in two stages. The machine copy is read whole into a
// buffer and its recordset released before anything is written; then, row by
// row, the regenerated record with the same machine_type, var_name and
// offset_or_bitno receives the five tuned values. Everything else in the
// regenerated table stays as generated.
//
// The regenerated table is still in memory (preset_table.h). Each row's
// match query of the procedure is answered from a hash map of the first
// record per key, the keys compared as the engine compares them in that
// query: texts without regard to case, the offset as a number.
//
// Two guards stop data from being lost silently: a machine copy with fields
// beyond the standard 15 while no additional fields are set up asks before
// going on, and an additional field missing from the regenerated table ends
// the program before any value is written.
#include "presetdb/takeover.h"

#include <algorithm>
#include <array>
#include <boost/unordered/unordered_flat_map.hpp>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dao/recordset.h"
#include "dao/tabledef.h"
#include "dao/types.h"
#include "errors/error_protocol.h"
#include "errors/logs.h"
#include "platform/process.h"
#include "platform/text.h"
#include "presetdb/event_pacer.h"
#include "presetdb/preset_schema.h"
#include "presetdb/record_walk.h"
#include "settings/file_locations.h"

namespace calvora {

namespace {

const std::string kBreak = kMessageBreak;
const std::string kQuote = "\"";
const std::string kDatabaseError = "Database-Error - Contact Administrator!";

constexpr int32_t kStandardFieldCount = 15;

// The machine copy's fields by standard field position (see kColumnFields).
constexpr size_t kColumnCount = 15;
constexpr size_t kCategoryColumn = 4;

// One machine-copy record as the takeover keeps it: its three keys and the
// five values it carries over. The other fields are read all the same (a
// value that cannot be read is reported), but nothing needs them afterwards,
// and at the record limit each kept field costs a megabyte.
constexpr size_t kKeptCount = 8;
using Row = std::array<Variant, kKeptCount>;
constexpr size_t kMachineTypeSlot = 0;
constexpr size_t kVarNameSlot = 1;
constexpr size_t kOffsetSlot = 2;
constexpr size_t kFirstValueSlot = 3;  // abs_min, abs_max, min, max, pass
// The slot each column is kept in, or -1.
constexpr std::array<int, kColumnCount> kSlotOf = {-1, 0,  -1, 1, -1, -1, -1, 2,
                                                   -1, -1, 3,  4, 5,  6,  7};

// The machine copy's field read into each column. Column 4, the category, is
// read from "categorie" instead where an older machine copy still has that
// field; column 6 is never filled.
constexpr std::array<const char*, kColumnCount> kColumnFields = {
    "ID",          "machine_type", "type",    "var_name",
    "category_id", "isBitArray",   nullptr,   "offset_or_bitno",
    "text",        "page_name",    "abs_min", "abs_max",
    "min",         "max",          "pass"};

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

// The number of records to read. The procedure walks from the first record
// until it passes the end, which for the exact count of a table-type
// recordset (the engine's counts are exact) is where the count says: the
// walk is not repeated. A table without records has nothing to read
// (moving to its first record fails and is reported).
int32_t CountRecords(Proc& proc, dao::Recordset& machineCopy, bool& whole) {
    int32_t n = 0;
    ReadStep(proc, whole, [&] { n = machineCopy.RecordCount(); });
    proc.Step([&] { machineCopy.MoveFirst(); });
    return n > 0 ? n : 0;
}

// Reads the machine copy whole, before anything is written; whole is
// cleared when a record or field could not be read.
std::vector<Row> ReadMachineCopy(Proc& proc, dao::Recordset& machineCopy, bool& whole) {
    RunState& run = proc.Run();
    std::array<const char*, kColumnCount> columnFields = kColumnFields;
    // The position of each column's field, when the machine copy has them all.
    std::optional<std::array<int32_t, kColumnCount>> positions;
    proc.Step([&] {
        dao::Fields fields = machineCopy.Fields();
        for (int32_t i = 0; i < fields.Count(); ++i) {
            if (EqualsNoCase(fields.Item(i).Name(), "categorie")) {
                columnFields[kCategoryColumn] = "categorie";
            }
        }
        std::array<int32_t, kColumnCount> found;
        for (size_t column = 0; column < kColumnCount; ++column) {
            found[column] = columnFields[column] ? fields.Find(columnFields[column]) : -1;
            if (columnFields[column] && found[column] < 0) {
                return;
            }
        }
        positions = found;
    });

    int32_t n = CountRecords(proc, machineCopy, whole);
    EventPacer pacer(run.ui());
    std::vector<Row> rows;
    if (n <= 0) {
        return rows;
    }
    ReadStep(proc, whole, [&] { machineCopy.MoveFirst(); });
    // Records are read in order, each appended as its row.
    size_t count = 0;
    ReadStep(proc, whole, [&] {
        rows.reserve(static_cast<size_t>(n));
        count = static_cast<size_t>(n);
    });
    // A field found once is kept (its value follows the current record); a
    // field not found is looked for again on every record, and fails there.
    std::array<dao::Field, kColumnCount> found;
    auto readAlone = [&](size_t) {
        Row& row = rows.emplace_back();
        for (size_t column = 0; column < kColumnCount; ++column) {
            if (columnFields[column] == nullptr) {
                continue;
            }
            ReadStep(proc, whole, [&] {
                if (!found[column]) {
                    found[column] = machineCopy.Fields().Item(columnFields[column]);
                }
                Variant value = found[column].Value();
                if (kSlotOf[column] >= 0) {
                    row[static_cast<size_t>(kSlotOf[column])] = std::move(value);
                }
            });
        }
        ReadStep(proc, whole, [&] { machineCopy.MoveNext(); });
    };
    auto yield = [&] { proc.Step([&] { pacer.Yield(); }); };
    if (!positions) {
        for (size_t r = 0; r < count; ++r) {
            yield();
            readAlone(r);
        }
        return rows;
    }
    ReadRecords(
        machineCopy, count, [&](auto&& f) { ReadStep(proc, whole, f); },
        [&](size_t, std::vector<Variant>& values) {
            Row& row = rows.emplace_back();
            for (size_t column = 0; column < kColumnCount; ++column) {
                if (kSlotOf[column] >= 0) {
                    row[static_cast<size_t>(kSlotOf[column])] =
                        std::move(values[static_cast<size_t>((*positions)[column])]);
                }
            }
        },
        readAlone, yield);
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
        return std::string(v.AsText());
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

// The fields the match query selects: without one of them the query cannot
// be opened and no row is taken over.
bool HasMatchFields(const PresetTable& table, const RunState& run) {
    for (const char* name : kColumnFields) {
        if (name != nullptr && table.Find(name) < 0) {
            return false;
        }
    }
    if (run.AddFieldNames) {
        for (size_t j = 1; j < run.AddFieldNames->size(); ++j) {
            const std::string& name = (*run.AddFieldNames)[j];
            if (name.empty() || table.Find(name) < 0) {
                return false;
            }
        }
    }
    return true;
}

// The hash key of the three match keys is the two texts, each ended by a
// byte no text holds, and the bytes of the offset's number. It is built in
// one buffer: a table at the record limit makes tens of thousands.

// Appends the offset's number to key; -0 and 0 are the same number.
void AppendNumberKey(std::string& key, double offset) {
    const double number = offset == 0 ? 0.0 : offset;
    key.append(reinterpret_cast<const char*>(&number), sizeof number);
}

// Appends a text key of a machine-copy row as the query's text literal
// holds it (KeyText), upper-cased, since the engine compares texts without
// regard to case. False when the value cannot stand in the query.
bool AppendRowText(std::string& key, const Variant& v) {
    if (v.IsText()) {
        AppendUCase(key, v.AsText());
    } else {
        const std::optional<std::string> text = KeyText(v);
        if (!text)
            return false;
        AppendUCase(key, *text);
    }
    key.push_back('\0');
    return true;
}

// Appends a text key of a regenerated record as the query's text literal
// meets it: a text upper-cased, a number as its text. False for Null and
// any other value, which equal no literal.
bool AppendRecordText(std::string& key, const Variant& v) {
    if (v.IsText())
        AppendUCase(key, v.AsText());
    else if (v.IsNumeric() && v.Type() != VarType::Boolean)
        key += NumberToText(v.Type() == VarType::Currency ? Variant::Double(v.NumericValue()) : v);
    else
        return false;
    key.push_back('\0');
    return true;
}

// Sets key to the key a machine-copy row's query looks for; false when its
// keys cannot stand in the query unchanged.
bool RowKey(const Row& row, std::string& key) {
    key.clear();
    if (!AppendRowText(key, row[kMachineTypeSlot]) || !AppendRowText(key, row[kVarNameSlot])) {
        return false;
    }
    // A whole number stands in the statement as its digits, which read back
    // as the same number: the common offset needs no text.
    const Variant& offset = row[kOffsetSlot];
    const VarType type = offset.Type();
    if (type == VarType::Byte || type == VarType::Integer || type == VarType::Long) {
        AppendNumberKey(key, offset.NumericValue());
        return true;
    }
    std::optional<std::string> offsetText = KeyText(offset);
    std::optional<std::string> number = offsetText ? OffsetNumber(*offsetText) : std::nullopt;
    if (!number) {
        return false;
    }
    AppendNumberKey(key, std::strtod(number->c_str(), nullptr));
    return true;
}

// Appends to key the key of a regenerated record, as its fields compare with
// a query's; false, and key unchanged, when the record can match no query.
bool AppendRecordKey(std::string& key, const std::vector<Variant>& record,
                     const std::array<size_t, 3>& keyFields) {
    const Variant& offset = record[keyFields[2]];
    if (!offset.IsNumeric() || offset.Type() == VarType::Boolean)
        return false;
    const size_t start = key.size();
    if (!AppendRecordText(key, record[keyFields[0]]) ||
        !AppendRecordText(key, record[keyFields[1]])) {
        key.resize(start);
        return false;
    }
    AppendNumberKey(key, offset.NumericValue());
    return true;
}

// Every additional field must exist, spelled exactly, in the regenerated
// table (its first field is not examined); the values of a field the
// configuration demands but the table lacks would otherwise be lost, so a
// missing one ends the program, even when a silent run's dialog would go on.
void CheckAdditionalFields(Proc& proc, const PresetTable& table) {
    RunState& run = proc.Run();
    if (!run.AddFieldNames) {
        return;
    }
    // A table whose fields could not be read (the workspace never opened)
    // has been reported; it proves no field missing, and nothing is
    // published.
    if (table.fieldNames.empty()) {
        return;
    }
    const std::vector<std::string> targetFields(table.fieldNames.begin() + 1,
                                                table.fieldNames.end());
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

// The first regenerated record of each key: a query for the key would
// return it first (records are written in this order). The keys are kept
// one after the other in one text, so that a table at the record limit
// makes no allocation per key.
class FirstRecords {
  public:
    explicit FirstRecords(const PresetTable& table) {
        const std::array<size_t, 3> keyFields = {table.Item("machine_type"), table.Item("var_name"),
                                                 table.Item("offset_or_bitno")};
        struct Span {
            size_t at, size, record;
        };
        std::vector<Span> spans;
        spans.reserve(table.records.size());
        for (size_t r = 0; r < table.records.size(); ++r) {
            const size_t at = keys_.size();
            if (AppendRecordKey(keys_, table.records[r], keyFields))
                spans.push_back({at, keys_.size() - at, r});
        }
        // Only now that the text is complete do views into it stay valid.
        first_.reserve(spans.size());
        for (const Span& span : spans)
            first_.try_emplace(std::string_view(keys_).substr(span.at, span.size), span.record);
    }
    FirstRecords(const FirstRecords&) = delete;
    FirstRecords& operator=(const FirstRecords&) = delete;

    // The record of key, or nothing.
    std::optional<size_t> Find(std::string_view key) const {
        auto found = first_.find(key);
        if (found == first_.end())
            return std::nullopt;
        return found->second;
    }

  private:
    std::string keys_;
    boost::unordered_flat_map<std::string_view, size_t, std::hash<std::string_view>> first_;
};

PresetKey KeyOf(const Row& row) {
    return {row[kMachineTypeSlot], row[kVarNameSlot], row[kOffsetSlot]};
}

// A machine-copy row that reached no regenerated record: its tuned values
// are not in the published table, so the run's account lists them.
void NoteDropped(RunState& run, const Row& row) {
    DroppedRecord dropped{KeyOf(row), {}};
    for (size_t k = 0; k < kValueFields.size(); ++k) {
        dropped.values[k] = row[kFirstValueSlot + k];
    }
    run.Account.NoteDropped(std::move(dropped));
}

// Notes a row whose min or max lies outside the abs_min..abs_max that the
// matched record holds before the row's values are written (the template
// was narrowed after the machine was tuned). Only numbers are compared.
void NoteOutOfRange(RunState& run, const Variant& absMin, const Variant& absMax, const Row& row) {
    const Variant& min = row[kFirstValueSlot + 2];
    const Variant& max = row[kFirstValueSlot + 3];
    auto number = [](const Variant& v) { return v.IsNumeric() && v.Type() != VarType::Boolean; };
    auto outside = [&](const Variant& v) {
        return number(v) && ((number(absMin) && v.NumericValue() < absMin.NumericValue()) ||
                             (number(absMax) && v.NumericValue() > absMax.NumericValue()));
    };
    if (outside(min) || outside(max)) {
        run.Account.NoteOutOfRange({KeyOf(row), min, max, absMin, absMax});
    }
}

// The regenerated table's fields that the takeover reads and writes, found
// once (-1 where the table lacks one).
struct TakeoverFields {
    std::array<int32_t, kValueFields.size()> values;

    explicit TakeoverFields(const PresetTable& table) {
        for (size_t k = 0; k < kValueFields.size(); ++k) {
            values[k] = table.Find(kValueFields[k]);
        }
    }
};

Variant FieldOf(const std::vector<Variant>& record, int32_t field) {
    return field >= 0 ? record[static_cast<size_t>(field)] : Variant();
}

// Writes the row's five values into the first record its query would
// select. A row whose query cannot be made finds none, without a word.
void TakeOverRow(Proc& proc, PresetTable& table, const FirstRecords* first,
                 const TakeoverFields& fields, const Row& row, std::string& key) {
    RunState& run = proc.Run();
    std::optional<size_t> found;
    if (first && RowKey(row, key)) {
        found = first->Find(key);
    }
    if (!found) {
        NoteDropped(run, row);
        return;
    }
    std::vector<Variant>& record = table.records[*found];
    NoteOutOfRange(run, FieldOf(record, fields.values[0]), FieldOf(record, fields.values[1]), row);
    for (size_t k = 0; k < kValueFields.size(); ++k) {
        proc.Step([&] {
            const size_t i = fields.values[k] >= 0 ? static_cast<size_t>(fields.values[k])
                                                   : table.Item(kValueFields[k]);
            record[i] = table.Converted(i, row[kFirstValueSlot + k]);
        });
    }
    run.Account.NoteTuned(*found);
}

}  // namespace

std::optional<int64_t> TakeoverMachineCopyMDBData(RunState& run, PresetTable& target,
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

    // The regenerated table's fields do not change while the rows are
    // written, so one check answers for all rows; it runs also for an empty
    // machine copy, whose next run would otherwise find the field missing.
    CheckAdditionalFields(proc, target);
    std::optional<FirstRecords> first;
    if (HasMatchFields(target, run)) {
        first.emplace(target);
    }
    const TakeoverFields fields(target);
    // Rows in the machine copy's order: the last row naming a record wins.
    std::string key;  // each row's, made in one buffer
    for (const Row& row : rows) {
        TakeOverRow(proc, target, first ? &*first : nullptr, fields, row, key);
    }
    if (!whole) {
        return std::nullopt;
    }
    return static_cast<int64_t>(rows.size());
}

}  // namespace calvora
