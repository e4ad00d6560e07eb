#include "tools/mdb_schema.h"

namespace calvora::mdbimport {

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string DeclaredType(const ImportField& field) {
    switch (field.type) {
        case type::kBoolean:
            return "BIT";
        case type::kByte:
            return "BYTE";
        case type::kInteger:
            return "SHORT";
        case type::kLong:
            return field.counter ? "COUNTER" : "LONG";
        case type::kCurrency:
            return "CURRENCY";
        case type::kSingle:
            return "SINGLE";
        case type::kDouble:
            return "DOUBLE";
        case type::kDate:
            return "DATETIME";
        case type::kText:
            return "TEXT(" + std::to_string(field.size) + ")";
        case type::kLongBinary:
            return "LONGBINARY";
        case type::kMemo:
            return "MEMO";
        case type::kGuid:
            return "GUID";
    }
    throw ImportFailure("field " + Quoted(field.name) + " has type " + std::to_string(field.type) +
                        ", which the SQLite format cannot hold");
}

int FixedSize(int typeCode) {
    switch (typeCode) {
        case type::kBoolean:
        case type::kByte:
            return 1;
        case type::kInteger:
            return 2;
        case type::kLong:
        case type::kSingle:
            return 4;
        case type::kCurrency:
        case type::kDouble:
        case type::kDate:
            return 8;
        case type::kGuid:
            return 16;
        default:
            return 0;
    }
}

}  // namespace calvora::mdbimport
