#include "tools/presetdb_format.h"

#include <cstdio>

#include "dao/conversion.h"
#include "dao/tabledef.h"
#include "platform/json_text.h"

namespace calvora::tool {

namespace {

std::string Hex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
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
        case VarType::String:
        case VarType::Date:
        case VarType::Binary:
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
            return Hex(v.AsBinary());
        default:
            // The engine's own conversion to text: plain numbers, Currency with
            // its decimals, dates in the stored form.
            return dao::ConvertForField(v, dao::ColumnType{dao::DataType::Memo, 0}, "").AsText();
    }
}

RowWriter::RowWriter(std::vector<std::string> names, OutputFormat format, std::ostream& out)
    : names_(std::move(names)), format_(format), out_(out) {
    if (format_ == OutputFormat::Json) {
        out_ << "[";
        return;
    }
    for (size_t i = 0; i < names_.size(); ++i)
        out_ << (i ? (format_ == OutputFormat::Csv ? "," : "\t") : "")
             << (format_ == OutputFormat::Csv ? CsvField(names_[i]) : names_[i]);
    out_ << (format_ == OutputFormat::Csv ? "\r\n" : "\n");
}

void RowWriter::Row(const std::vector<Variant>& values) {
    if (format_ == OutputFormat::Json) {
        out_ << (first_ ? "\n  {" : ",\n  {");
        for (size_t i = 0; i < names_.size(); ++i)
            out_ << (i ? ", " : "") << JsonString(names_[i]) << ": " << JsonValue(values[i]);
        out_ << "}";
    } else {
        for (size_t i = 0; i < names_.size(); ++i) {
            if (format_ == OutputFormat::Csv)
                out_ << (i ? "," : "") << CsvField(ValueText(values[i], ""));
            else
                out_ << (i ? "\t" : "") << ValueText(values[i], "NULL");
        }
        out_ << (format_ == OutputFormat::Csv ? "\r\n" : "\n");
    }
    first_ = false;
}

void RowWriter::End() {
    if (format_ == OutputFormat::Json)
        out_ << (first_ ? "]\n" : "\n]\n");
}

void WriteRecords(dao::Recordset& rs, OutputFormat format, std::ostream& out) {
    dao::Fields fields = rs.Fields();
    const int32_t count = fields.Count();
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i)
        names.push_back(fields.Item(i).Name());
    RowWriter writer(names, format, out);
    std::vector<Variant> values(names.size());
    for (; !rs.Eof(); rs.MoveNext()) {
        for (int32_t i = 0; i < count; ++i)
            values[i] = fields.Item(i).Value();
        writer.Row(values);
    }
    writer.End();
}

}  // namespace calvora::tool
