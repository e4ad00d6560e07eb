// Writing records as the presetdb tool shows them: aligned text for people,
// CSV and JSON for other programs.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "dao/recordset.h"
#include "platform/variant.h"

namespace calvora::tool {

enum class OutputFormat { Text, Csv, Json };

// Writes rows of values one at a time, in the format given (see
// WriteRecords for the three formats); End() closes a JSON array.
class RowWriter {
  public:
    RowWriter(std::vector<std::string> names, OutputFormat format, std::ostream& out);
    void Row(const std::vector<Variant>& values);
    void End();

  private:
    std::vector<std::string> names_;
    OutputFormat format_;
    std::ostream& out_;
    bool first_ = true;
};

// Writes every record from the current one to the end.
//   Text: a header line of field names, then one line per record, values
//         separated by tabs; Null shows as NULL.
//   Csv:  RFC 4180: a header line, comma separated, values quoted when they
//         hold a comma, quote or line break; Null is an empty value.
//   Json: an array of objects, field name to value: numbers and Booleans as
//         JSON numbers and true/false, Null as null, dates and texts as
//         strings, binary data as a string of hex digits.
void WriteRecords(dao::Recordset& rs, OutputFormat format, std::ostream& out);

// One value as text: numbers in plain notation, Booleans True/False, dates
// YYYY-MM-DD HH:MM:SS, binary data as hex digits; Null as nullText.
std::string ValueText(const Variant& v, const std::string& nullText);

}  // namespace calvora::tool
