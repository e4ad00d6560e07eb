#include "account/report.h"

#include <cmath>
#include <cstdio>
#include <optional>

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

// A text in the text report with backslash, quote and control characters
// escaped, so that it stays on its line.
std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

// A text value in the text report: escaped, in double quotes.
std::string QuotedText(std::string_view text) {
    return std::string("\"").append(Escaped(text)).append("\"");
}

std::string TextValue(const Variant& v) {
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Null:
            return "NULL";
        case VarType::Boolean:
            return v.AsBoolean() ? "True" : "False";
        case VarType::String:
            return QuotedText(v.AsText());
        case VarType::Binary:
            return "0x" + HexText(v.AsBinary());
        default:
            return NumberText(v).value_or("NaN");
    }
}

std::string JsonValue(const Variant& v) {
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Null:
            return "null";
        case VarType::Boolean:
            return v.AsBoolean() ? "true" : "false";
        case VarType::String:
            return JsonString(v.AsText());
        case VarType::Binary:
            return JsonString(HexText(v.AsBinary()));
        default:
            return NumberText(v).value_or("null");
    }
}

std::string KeyText(const PresetKey& key) {
    return TextValue(key.machineType) + " " + TextValue(key.varName) + " offset " +
           TextValue(key.offset);
}

std::string KeyJson(const PresetKey& key) {
    return "\"machine_type\": " + JsonValue(key.machineType) +
           ", \"var_name\": " + JsonValue(key.varName) +
           ", \"offset_or_bitno\": " + JsonValue(key.offset);
}

// Writes a JSON array of items, each on its own line.
template <class Items, class Item>
void JsonList(std::string& out, const char* name, const Items& items, Item item) {
    out += std::string("  ") + JsonString(name) + ": [";
    bool first = true;
    for (const auto& each : items) {
        out += first ? "\n    " : ",\n    ";
        out += item(each);
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
    const std::vector<PresetKey> newRecords = a.NewRecords();
    std::string out;
    auto line = [&out](const std::string& text) { out += text + "\n"; };
    auto count = [](size_t n) { return std::to_string(n); };

    line("Unit: " + Escaped(report.unit));
    line("Started: " + report.started);
    line("Mode: " + report.mode);
    line("Exit code: " + std::to_string(report.exitCode));
    line(std::string("Published: ") + (a.Published() ? "yes" : "no"));
    line("Backup: " + (a.Backup().empty() ? std::string("none") : Escaped(a.Backup())));
    line("Machines: " + count(a.Machines().size()) + " (" + std::to_string(ValidMachines(a)) +
         " valid)");
    line("Records: " + std::to_string(a.Records()));
    line("Renamed: " + count(a.Renames().size()));
    line("Tuned values kept: " + std::to_string(a.Tuned()));
    line("Dropped: " + count(a.Dropped().size()));
    line("New records: " + count(newRecords.size()));
    line("Out of range: " + count(a.OutOfRange().size()));
    line("Failures: " + count(a.Failures().size()));

    line("");
    line("Machines (records generated):");
    for (const MachineAccount& m : a.Machines())
        line("  " + QuotedText(m.name) + (m.valid ? " valid, " : " not valid, ") +
             std::to_string(m.records) + " records");

    line("");
    line("Names renamed in the unit database (old -> new):");
    for (const RenameAccount& r : a.Renames())
        line("  " + QuotedText(r.oldName) + " -> " + QuotedText(r.newName) + " (" +
             std::to_string(r.records) + " records)");

    line("");
    line("Dropped machine-copy records, their tuned values are not in the published table");
    line("(abs_min, abs_max, min, max, pass):");
    for (const DroppedRecord& d : a.Dropped()) {
        std::string values;
        for (size_t i = 0; i < d.values.size(); ++i)
            values += (i ? ", " : "") + TextValue(d.values[i]);
        line("  " + KeyText(d.key) + ": " + values);
    }

    line("");
    line("New records, with the template's values:");
    for (const PresetKey& key : newRecords)
        line("  " + KeyText(key));

    line("");
    line("Taken-over min or max outside the template's abs_min..abs_max:");
    for (const OutOfRangeRecord& r : a.OutOfRange())
        line("  " + KeyText(r.key) + ": min " + TextValue(r.min) + ", max " + TextValue(r.max) +
             ", template range " + TextValue(r.absMin) + " .. " + TextValue(r.absMax));

    line("");
    line("Failures reported (number, procedure, description):");
    for (const ReportedFailure& f : a.Failures())
        line("  " + std::to_string(f.number) + " " + QuotedText(f.procedure) + " " +
             QuotedText(f.description));
    return out;
}

std::string ReportJson(const RunReport& report) {
    const RunAccount& a = report.account;
    const std::vector<PresetKey> newRecords = a.NewRecords();
    std::string out = "{\n";
    auto field = [&out](const char* name, const std::string& json) {
        out += std::string("  ") + JsonString(name) + ": " + json + ",\n";
    };
    field("unit", JsonString(report.unit));
    field("started", JsonString(report.started));
    field("mode", JsonString(report.mode));
    field("exitCode", std::to_string(report.exitCode));
    field("published", a.Published() ? "true" : "false");
    field("backup", a.Backup().empty() ? "null" : JsonString(a.Backup()));
    field("records", std::to_string(a.Records()));
    field("tuned", std::to_string(a.Tuned()));
    field("droppedCount", std::to_string(a.Dropped().size()));
    field("newCount", std::to_string(newRecords.size()));
    field("outOfRangeCount", std::to_string(a.OutOfRange().size()));
    field("failureCount", std::to_string(a.Failures().size()));
    JsonList(out, "machines", a.Machines(), [](const MachineAccount& m) {
        return "{\"name\": " + JsonString(m.name) + ", \"valid\": " + (m.valid ? "true" : "false") +
               ", \"records\": " + std::to_string(m.records) + "}";
    });
    JsonList(out, "renamed", a.Renames(), [](const RenameAccount& r) {
        return "{\"old\": " + JsonString(r.oldName) + ", \"new\": " + JsonString(r.newName) +
               ", \"records\": " + std::to_string(r.records) + "}";
    });
    JsonList(out, "dropped", a.Dropped(), [](const DroppedRecord& d) {
        std::string text = std::string("{").append(KeyJson(d.key));
        for (size_t i = 0; i < d.values.size(); ++i)
            text += ", " + JsonString(kTunedFields[i]) + ": " + JsonValue(d.values[i]);
        return text + "}";
    });
    JsonList(out, "new", newRecords,
             [](const PresetKey& k) { return std::string("{").append(KeyJson(k)).append("}"); });
    JsonList(out, "outOfRange", a.OutOfRange(), [](const OutOfRangeRecord& r) {
        return "{" + KeyJson(r.key) + ", \"min\": " + JsonValue(r.min) +
               ", \"max\": " + JsonValue(r.max) + ", \"abs_min\": " + JsonValue(r.absMin) +
               ", \"abs_max\": " + JsonValue(r.absMax) + "}";
    });
    JsonList(out, "failures", a.Failures(), [](const ReportedFailure& f) {
        return "{\"number\": " + std::to_string(f.number) +
               ", \"procedure\": " + JsonString(f.procedure) +
               ", \"description\": " + JsonString(f.description) + "}";
    });
    // The last list ends the object without a trailing comma.
    out.resize(out.size() - 2);
    return out + "\n}\n";
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
