#include "tools/presetdb_format.h"

#include <cstdio>

#include "dao/conversion.h"
#include "dao/tabledef.h"

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

std::string JsonString(const std::string& text) {
    std::string out = "\"";
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
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
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

void WriteRecords(dao::Recordset& rs, OutputFormat format, std::ostream& out) {
    dao::Fields fields = rs.Fields();
    const int32_t count = fields.Count();
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i)
        names.push_back(fields.Item(i).Name());

    if (format != OutputFormat::Json) {
        for (int32_t i = 0; i < count; ++i)
            out << (i ? (format == OutputFormat::Csv ? "," : "\t") : "")
                << (format == OutputFormat::Csv ? CsvField(names[i]) : names[i]);
        out << (format == OutputFormat::Csv ? "\r\n" : "\n");
    } else {
        out << "[";
    }
    bool first = true;
    for (; !rs.Eof(); rs.MoveNext()) {
        if (format == OutputFormat::Json) {
            out << (first ? "\n  {" : ",\n  {");
            for (int32_t i = 0; i < count; ++i)
                out << (i ? ", " : "") << JsonString(names[i]) << ": "
                    << JsonValue(fields.Item(i).Value());
            out << "}";
        } else {
            for (int32_t i = 0; i < count; ++i) {
                const Variant v = fields.Item(i).Value();
                if (format == OutputFormat::Csv)
                    out << (i ? "," : "") << CsvField(ValueText(v, ""));
                else
                    out << (i ? "\t" : "") << ValueText(v, "NULL");
            }
            out << (format == OutputFormat::Csv ? "\r\n" : "\n");
        }
        first = false;
    }
    if (format == OutputFormat::Json)
        out << (first ? "]\n" : "\n]\n");
}

}  // namespace calvora::tool
