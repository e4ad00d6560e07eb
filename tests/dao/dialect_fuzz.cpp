// libFuzzer target for the engine's SQL dialect parser: any bytes as a
// SELECT text against two fixed tables. Besides surviving (no crash, no
// hang, no sanitizer report), a text may only fail with a Failure, and a
// translation must use no parameter beyond the text's literals and must
// translate alike for the same text read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dao/dialect.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace {

using calvora::dao::ColumnType;
using calvora::dao::DataType;
using calvora::dao::TableColumns;

const TableColumns kPresets{
    "PRESET_DEFS",
    {"ID", "part", "machine_type", "var_name", "offset_or_bitno", "text", "min", "note"},
    {ColumnType{DataType::Long, 4}, ColumnType{DataType::Integer, 2},
     ColumnType{DataType::Text, 50}, ColumnType{DataType::Text, 100}, ColumnType{DataType::Long, 4},
     ColumnType{DataType::Text, 255}, ColumnType{DataType::Double, 8},
     ColumnType{DataType::Memo, 0}}};
const TableColumns kSource{"Source_DEFS",
                           {"System", "Part", "Var_Name"},
                           {ColumnType{DataType::Text, 50}, ColumnType{DataType::Integer, 2},
                            ColumnType{DataType::Text, 100}}};

const TableColumns* Lookup(std::string_view name) {
    for (const TableColumns* table : {&kPresets, &kSource})
        if (calvora::EqualsNoCase(name, table->name))
            return table;
    return nullptr;
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string sql(reinterpret_cast<const char*>(data), size);
    try {
        calvora::dao::SelectText text(sql);
        const size_t literals = text.Literals().size();
        const calvora::dao::TranslatedQuery query = text.Translate(Lookup);
        Check(query.sql.find("?" + std::to_string(literals + 1)) == std::string::npos);
        Check(query.sql.rfind("SELECT ", 0) == 0);
        calvora::dao::SelectText again(sql);
        Check(again.Translate(Lookup).sql == query.sql);
    } catch (const calvora::Failure&) {
        // Refusing a text is the parser's answer to bad input.
    }
    return 0;
}
