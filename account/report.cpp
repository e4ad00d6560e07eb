#include "account/report.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/json_text.h"
#include "platform/text.h"

namespace calvora {

namespace {

// A number as plain text, or nothing for a value no JSON number can hold.
std::optional<std::string> NumberText(const Variant& v) {
    double value = v.Type() == VarType::Date ? v.AsDate().serial : v.NumericValue();
    if (!std::isfinite(value))
        return std::nullopt;
    if (v.Type() == VarType::Currency || v.Type() == VarType::Date)
        return NumberToText(Variant::Double(value));
    return NumberToText(v);
}

// Texts in the text report have backslash, quote and control characters
// escaped, so that each stays on its line.
constexpr std::string_view kControlEscape = "\\x";

// A text value in the text report: escaped, in double quotes.
void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    AppendEscaped(out, text, kControlEscape);
    out += '"';
}

template <class Integer>
void AppendNumber(std::string& out, Integer n) {
    char buffer[24];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, n).ptr;
    out.append(buffer, end);
}

void AppendTextValue(std::string& out, const Variant& v) {
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Null:
            out += "NULL";
            break;
        case VarType::Boolean:
            out += v.AsBoolean() ? "True" : "False";
            break;
        case VarType::String:
            AppendQuoted(out, v.AsText());
            break;
        case VarType::Binary:
            out.append("0x").append(HexText(v.AsBinary()));
            break;
        default:
            out += NumberText(v).value_or("NaN");
    }
}

void AppendJsonValue(std::string& out, const Variant& v) {
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Null:
            out += "null";
            break;
        case VarType::Boolean:
            out += v.AsBoolean() ? "true" : "false";
            break;
        case VarType::String:
            AppendJsonString(out, v.AsText());
            break;
        case VarType::Binary:
            AppendJsonString(out, HexText(v.AsBinary()));
            break;
        default:
            out += NumberText(v).value_or("null");
    }
}

void AppendKeyText(std::string& out, const PresetKey& key) {
    AppendTextValue(out, key.machineType);
    out += ' ';
    AppendTextValue(out, key.varName);
    out += " offset ";
    AppendTextValue(out, key.offset);
}

void AppendKeyJson(std::string& out, const PresetKey& key) {
    out += "\"machine_type\": ";
    AppendJsonValue(out, key.machineType);
    out += ", \"var_name\": ";
    AppendJsonValue(out, key.varName);
    out += ", \"offset_or_bitno\": ";
    AppendJsonValue(out, key.offset);
}

// Writes a JSON array of items, each on its own line: item(out, each)
// appends one.
template <class Items, class Item>
void JsonList(std::string& out, const char* name, const Items& items, Item item) {
    out += "  ";
    AppendJsonString(out, name);
    out += ": [";
    bool first = true;
    for (const auto& each : items) {
        out += first ? "\n    " : ",\n    ";
        item(out, each);
        first = false;
    }
    out += first ? "],\n" : "\n  ],\n";
}

int32_t ValidMachines(const RunAccount& account) {
    int32_t n = 0;
    for (const MachineAccount& m : account.Machines())
        n += m.valid ? 1 : 0;
    return n;
}

}  // namespace

std::string WithThousands(int64_t n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

std::string ReportText(const RunReport& report) {
    const RunAccount& a = report.account;
    const std::vector<PresetKey> newRecords = report.account.NewRecords();
    std::string out;
    auto line = [&out](const char* key, std::string_view value) {
        out.append(key).append(": ").append(value) += '\n';
    };
    auto count = [&out](const char* key, int64_t n) {
        out.append(key).append(": ");
        AppendNumber(out, n);
        out += '\n';
    };

    out += "Unit: ";
    AppendEscaped(out, report.unit, kControlEscape);
    out += '\n';
    line("Started", report.started);
    line("Mode", report.mode);
    count("Exit code", report.exitCode);
    line("Published", a.Published() ? "yes" : "no");
    if (a.Backup().empty()) {
        line("Backup", "none");
    } else {
        out += "Backup: ";
        AppendEscaped(out, a.Backup(), kControlEscape);
        out += '\n';
    }
    out += "Machines: ";
    AppendNumber(out, a.Machines().size());
    out += " (";
    AppendNumber(out, ValidMachines(a));
    out += " valid)\n";
    count("Records", a.Records());
    count("Renamed", static_cast<int64_t>(a.Renames().size()));
    count("Tuned values kept", a.Tuned());
    count("Dropped", static_cast<int64_t>(a.Dropped().size()));
    count("New records", static_cast<int64_t>(newRecords.size()));
    count("Out of range", static_cast<int64_t>(a.OutOfRange().size()));
    count("Failures", static_cast<int64_t>(a.Failures().size()));

    out += "\nMachines (records generated):\n";
    for (const MachineAccount& m : a.Machines()) {
        out += "  ";
        AppendQuoted(out, m.name);
        out += m.valid ? " valid, " : " not valid, ";
        AppendNumber(out, m.records);
        out += " records\n";
    }

    out += "\nNames renamed in the unit database (old -> new):\n";
    for (const RenameAccount& r : a.Renames()) {
        out += "  ";
        AppendQuoted(out, r.oldName);
        out += " -> ";
        AppendQuoted(out, r.newName);
        out += " (";
        AppendNumber(out, r.records);
        out += " records)\n";
    }

    out +=
        "\nDropped machine-copy records, their tuned values are not in the published table\n"
        "(abs_min, abs_max, min, max, pass):\n";
    for (const DroppedRecord& d : a.Dropped()) {
        out += "  ";
        AppendKeyText(out, d.key);
        out += ": ";
        for (size_t i = 0; i < d.values.size(); ++i) {
            if (i)
                out += ", ";
            AppendTextValue(out, d.values[i]);
        }
        out += '\n';
    }

    out += "\nNew records, with the template's values:\n";
    for (const PresetKey& key : newRecords) {
        out += "  ";
        AppendKeyText(out, key);
        out += '\n';
    }

    out += "\nTaken-over min or max outside the template's abs_min..abs_max:\n";
    for (const OutOfRangeRecord& r : a.OutOfRange()) {
        out += "  ";
        AppendKeyText(out, r.key);
        out += ": min ";
        AppendTextValue(out, r.min);
        out += ", max ";
        AppendTextValue(out, r.max);
        out += ", template range ";
        AppendTextValue(out, r.absMin);
        out += " .. ";
        AppendTextValue(out, r.absMax);
        out += '\n';
    }

    out += "\nFailures reported (number, procedure, description):\n";
    for (const ReportedFailure& f : a.Failures()) {
        out += "  ";
        AppendNumber(out, f.number);
        out += ' ';
        AppendQuoted(out, f.procedure);
        out += ' ';
        AppendQuoted(out, f.description);
        out += '\n';
    }
    return out;
}

std::string ReportJson(const RunReport& report) {
    const RunAccount& a = report.account;
    const std::vector<PresetKey> newRecords = report.account.NewRecords();
    std::string out = "{\n";
    // Each field's name and value are appended in place: field() opens it,
    // the caller appends the value, and the next field or list closes it.
    auto field = [&out](const char* name) {
        out += "  ";
        AppendJsonString(out, name);
        out += ": ";
    };
    auto close = [&out] { out += ",\n"; };
    auto number = [&](const char* name, int64_t n) {
        field(name);
        AppendNumber(out, n);
        close();
    };
    field("unit");
    AppendJsonString(out, report.unit);
    close();
    field("started");
    AppendJsonString(out, report.started);
    close();
    field("mode");
    AppendJsonString(out, report.mode);
    close();
    number("exitCode", report.exitCode);
    field("published");
    out += a.Published() ? "true" : "false";
    close();
    field("backup");
    if (a.Backup().empty())
        out += "null";
    else
        AppendJsonString(out, a.Backup());
    close();
    number("records", a.Records());
    number("tuned", a.Tuned());
    number("droppedCount", static_cast<int64_t>(a.Dropped().size()));
    number("newCount", static_cast<int64_t>(newRecords.size()));
    number("outOfRangeCount", static_cast<int64_t>(a.OutOfRange().size()));
    number("failureCount", static_cast<int64_t>(a.Failures().size()));
    JsonList(out, "machines", a.Machines(), [](std::string& o, const MachineAccount& m) {
        o += "{\"name\": ";
        AppendJsonString(o, m.name);
        o += m.valid ? ", \"valid\": true" : ", \"valid\": false";
        o += ", \"records\": ";
        AppendNumber(o, m.records);
        o += '}';
    });
    JsonList(out, "renamed", a.Renames(), [](std::string& o, const RenameAccount& r) {
        o += "{\"old\": ";
        AppendJsonString(o, r.oldName);
        o += ", \"new\": ";
        AppendJsonString(o, r.newName);
        o += ", \"records\": ";
        AppendNumber(o, r.records);
        o += '}';
    });
    JsonList(out, "dropped", a.Dropped(), [](std::string& o, const DroppedRecord& d) {
        o += '{';
        AppendKeyJson(o, d.key);
        for (size_t i = 0; i < d.values.size(); ++i) {
            o += ", ";
            AppendJsonString(o, kTunedFields[i]);
            o += ": ";
            AppendJsonValue(o, d.values[i]);
        }
        o += '}';
    });
    JsonList(out, "new", newRecords, [](std::string& o, const PresetKey& k) {
        o += '{';
        AppendKeyJson(o, k);
        o += '}';
    });
    JsonList(out, "outOfRange", a.OutOfRange(), [](std::string& o, const OutOfRangeRecord& r) {
        o += '{';
        AppendKeyJson(o, r.key);
        o += ", \"min\": ";
        AppendJsonValue(o, r.min);
        o += ", \"max\": ";
        AppendJsonValue(o, r.max);
        o += ", \"abs_min\": ";
        AppendJsonValue(o, r.absMin);
        o += ", \"abs_max\": ";
        AppendJsonValue(o, r.absMax);
        o += '}';
    });
    JsonList(out, "failures", a.Failures(), [](std::string& o, const ReportedFailure& f) {
        o += "{\"number\": ";
        AppendNumber(o, f.number);
        o += ", \"procedure\": ";
        AppendJsonString(o, f.procedure);
        o += ", \"description\": ";
        AppendJsonString(o, f.description);
        o += '}';
    });
    // The last list ends the object without a trailing comma.
    out.resize(out.size() - 2);
    out += "\n}\n";
    return out;
}

std::string SummaryLine(const RunReport& report, const std::string& reportPath) {
    const RunAccount& a = report.account;
    return report.unit + ": " + WithThousands(a.Records()) + " records, " +
           WithThousands(a.Tuned()) + " tuned values kept, " +
           WithThousands(static_cast<int64_t>(a.Dropped().size())) + " dropped - " +
           (reportPath.empty() ? std::string("no report written") : "report: " + reportPath);
}

std::map<std::string, std::string> ReadReportHeader(std::string_view reportFile) {
    std::map<std::string, std::string> header;
    size_t pos = 0;
    while (pos < reportFile.size()) {
        size_t end = reportFile.find('\n', pos);
        std::string_view line = reportFile.substr(
            pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? reportFile.size() : end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            break;
        size_t colon = line.find(": ");
        if (colon != std::string_view::npos)
            header[std::string(line.substr(0, colon))] = FromWindows1252(line.substr(colon + 2));
    }
    return header;
}

}  // namespace calvora
