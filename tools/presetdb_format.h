// Writing rows as the presetdb tool shows them: text for people, CSV, JSON
// and newline-delimited JSON for other programs. Every command that prints
// rows writes them through RowWriter, so all of them print alike.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "dao/recordset.h"
#include "platform/variant.h"

namespace calvora::tool {

enum class OutputFormat { Text, Csv, Json, JsonLines };

// How each format writes values, for the commands' --help.
inline constexpr const char* kFormatsHelp =
    "Output: text by default: a header line of field names, then one line per row,\n"
    "values separated by tabs; a tab, line break, carriage return or backslash inside a\n"
    "value is written \\t, \\n, \\r, \\\\, and a null value as \\N, which no text can give.\n"
    "--csv: RFC 4180, a null value is an empty field, an empty text is \"\".\n"
    "--json: one array of objects, --nl: one object per line; numbers stay numbers,\n"
    "Booleans true/false, null null, dates and texts strings, binary values\n"
    "{\"$base64\": true, \"encoded\": \"...\"}; bytes of a text that are not valid UTF-8\n"
    "become U+FFFD (the replacement character).";

class RowWriter {
  public:
    // Starts the output (the header line, the array's bracket).
    RowWriter(OutputFormat format, std::ostream& out, std::vector<std::string> names);

    // One row, values in the order of the names.
    void Write(const std::vector<Variant>& values);

    // Ends the output (the array's closing bracket); call once, after the last row.
    void Finish();

  private:
    OutputFormat format_;
    std::ostream& out_;
    std::vector<std::string> names_;
    bool first_ = true;
};

// Writes every record of rs from the current one to the end, fields named
// as the recordset names them.
void WriteRecords(dao::Recordset& rs, OutputFormat format, std::ostream& out);

// One value as text: numbers in plain notation, Booleans True/False, dates
// YYYY-MM-DD HH:MM:SS, binary data as hex digits, texts as they are; Null
// as nullText.
std::string ValueText(const Variant& v, const std::string& nullText);

}  // namespace calvora::tool
