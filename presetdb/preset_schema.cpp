#include "presetdb/preset_schema.h"

#include "dao/conversion.h"
#include "platform/failure.h"

namespace calvora {

int32_t PartNumber(const Variant& value, const std::string& fieldText) {
    Variant part =
        dao::ConvertForField(value, dao::ColumnType{dao::DataType::Long, 4, false}, fieldText);
    if (part.IsNull())
        RaiseRuntime(err::kInvalidUseOfNull, "Invalid use of Null: " + fieldText + " is empty.");
    const int32_t p = part.AsLong();
    if (p < 1 || p > kMaxPart)
        RaiseRuntime(err::kSubscript, "Subscript out of range: " + fieldText + " is " +
                                          std::to_string(p) + ", parts run from 1 to " +
                                          std::to_string(kMaxPart) + ".");
    return p;
}

}  // namespace calvora
