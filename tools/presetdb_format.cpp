#include "tools/presetdb_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dao/conversion.h"
#include "dao/tabledef.h"
#include "platform/json_text.h"
#include "platform/text.h"

namespace calvora::tool {

namespace {

bool IsNullValue(const Variant& v) {
    return v.Type() == VarType::Null || v.Type() == VarType::Empty;
}

std::string Base64(const Bytes& bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (n > 1)
            group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (n > 2)
            group |= bytes[i + 2];
        for (size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// Text output keeps one row per line and one value per column: the
// characters that would break them are escaped, the backslash doubled so
// that the escapes and the null marker stay unambiguous.
std::string TextField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string CsvField(const std::string& text) {
    if (!text.empty() && text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string JsonValue(const Variant& v) {
    switch (v.Type()) {
        case VarType::Null:
        case VarType::Empty:
            return "null";
        case VarType::Boolean:
            return v.AsBoolean() ? "true" : "false";
        case VarType::Binary:
            return "{\"$base64\": true, \"encoded\": \"" + Base64(v.AsBinary()) + "\"}";
        case VarType::Single:
        case VarType::Double: {
            // JSON has no infinities; they stay visible as strings.
            const double d = v.Type() == VarType::Single ? v.AsSingle() : v.AsDouble();
            return std::isfinite(d) ? ValueText(v, "") : JsonString(ValueText(v, ""));
        }
        case VarType::String:
        case VarType::Date:
            return JsonString(ValueText(v, ""));
        default:
            return ValueText(v, "");
    }
}

}  // namespace

std::string ValueText(const Variant& v, const std::string& nullText) {
    switch (v.Type()) {
        case VarType::Null:
        case VarType::Empty:
            return nullText;
        case VarType::Boolean:
            return v.AsBoolean() ? "True" : "False";
        case VarType::Binary:
            return HexText(v.AsBinary());
        default:
            // The engine's own conversion to text: plain numbers, Currency with
            // its decimals, dates in the stored form.
            return std::string(
                dao::ConvertForField(v, dao::ColumnType{dao::DataType::Memo, 0}, "").AsText());
    }
}

RowWriter::RowWriter(OutputFormat format, std::ostream& out, std::vector<std::string> names)
    : format_(format), out_(out), names_(std::move(names)) {
    switch (format_) {
        case OutputFormat::Text:
        case OutputFormat::Csv:
            for (size_t i = 0; i < names_.size(); ++i) {
                if (format_ == OutputFormat::Csv)
                    out_ << (i ? "," : "") << CsvField(names_[i]);
                else
                    out_ << (i ? "\t" : "") << TextField(names_[i]);
            }
            out_ << (format_ == OutputFormat::Csv ? "\r\n" : "\n");
            break;
        case OutputFormat::Json:
            out_ << "[";
            break;
        case OutputFormat::JsonLines:
            break;
    }
}

void RowWriter::Write(const std::vector<Variant>& values) {
    switch (format_) {
        case OutputFormat::Text:
            for (size_t i = 0; i < values.size(); ++i)
                out_ << (i ? "\t" : "")
                     << (IsNullValue(values[i]) ? std::string("\\N")
                                                : TextField(ValueText(values[i], "")));
            out_ << "\n";
            break;
        case OutputFormat::Csv:
            for (size_t i = 0; i < values.size(); ++i)
                out_ << (i ? "," : "")
                     << (IsNullValue(values[i]) ? "" : CsvField(ValueText(values[i], "")));
            out_ << "\r\n";
            break;
        case OutputFormat::Json:
        case OutputFormat::JsonLines:
            if (format_ == OutputFormat::Json)
                out_ << (first_ ? "\n  " : ",\n  ");
            out_ << "{";
            for (size_t i = 0; i < values.size(); ++i)
                out_ << (i ? ", " : "") << JsonString(names_[i]) << ": " << JsonValue(values[i]);
            out_ << "}";
            if (format_ == OutputFormat::JsonLines)
                out_ << "\n";
            break;
    }
    first_ = false;
}

void RowWriter::Finish() {
    if (format_ == OutputFormat::Json)
        out_ << (first_ ? "]\n" : "\n]\n");
}

void WriteRecords(dao::Recordset& rs, OutputFormat format, std::ostream& out) {
    dao::Fields fields = rs.Fields();
    const int32_t count = fields.Count();
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i)
        names.push_back(fields.Item(i).Name());
    RowWriter writer(format, out, std::move(names));
    std::vector<Variant> values(static_cast<size_t>(count));
    for (; !rs.Eof(); rs.MoveNext()) {
        for (int32_t i = 0; i < count; ++i)
            values[static_cast<size_t>(i)] = fields.Item(i).Value();
        writer.Write(values);
    }
    writer.Finish();
}

}  // namespace calvora::tool
