#include "dao/stored_value.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "dao/conversion.h"

namespace calvora::dao {

namespace {

// True when SQLite's numeric affinity might turn the text into a number: a
// generous test (blanks, signs, digits, points, exponents and a digit).
bool MightLookNumeric(std::string_view text) {
    bool digit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (!std::strchr(" \t\n\r\f\v+-.eE", c))
            return false;
    }
    return digit;
}

}  // namespace

void BindStored(sqlite3_stmt* stmt, int index, const Variant& value, const ColumnType& type,
                sqlite3_destructor_type lifetime) {
    switch (value.Type()) {
        case VarType::Empty:
        case VarType::Null:
            sqlite3_bind_null(stmt, index);
            break;
        case VarType::Boolean:
            sqlite3_bind_int(stmt, index, value.AsBoolean() ? -1 : 0);
            break;
        case VarType::Byte:
        case VarType::Integer:
        case VarType::Long:
            sqlite3_bind_int64(stmt, index, static_cast<int64_t>(value.NumericValue()));
            break;
        case VarType::Currency:
        case VarType::Single:
        case VarType::Double:
            sqlite3_bind_double(stmt, index, value.NumericValue());
            break;
        case VarType::Date:
            sqlite3_bind_text(stmt, index, DateToText(value.AsDate()).c_str(), -1,
                              SQLITE_TRANSIENT);
            break;
        case VarType::String:
            if (type.type == DataType::Memo && MightLookNumeric(value.AsText()))
                sqlite3_bind_blob(stmt, index, value.AsText().data(),
                                  static_cast<int>(value.AsText().size()), lifetime);
            else
                sqlite3_bind_text(stmt, index, value.AsText().data(),
                                  static_cast<int>(value.AsText().size()), lifetime);
            break;
        case VarType::Binary:
            // An empty vector may have no buffer at all, and a blob bound
            // from none is stored as Null: an empty value stays empty.
            if (value.AsBinary().empty())
                sqlite3_bind_zeroblob(stmt, index, 0);
            else
                sqlite3_bind_blob(stmt, index, value.AsBinary().data(),
                                  static_cast<int>(value.AsBinary().size()), lifetime);
            break;
    }
}

Variant ReadStored(sqlite3_stmt* stmt, int column, const ColumnType& type) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER: {
            const int64_t v = sqlite3_column_int64(stmt, column);
            if (v >= INT32_MIN && v <= INT32_MAX)
                return Variant::Long(static_cast<int32_t>(v));
            return Variant::Double(static_cast<double>(v));
        }
        case SQLITE_FLOAT:
            return Variant::Double(sqlite3_column_double(stmt, column));
        case SQLITE_TEXT: {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            return Variant::Text(std::string(text, sqlite3_column_bytes(stmt, column)));
        }
        case SQLITE_BLOB: {
            if (type.type == DataType::Memo) {
                const char* text = static_cast<const char*>(sqlite3_column_blob(stmt, column));
                return Variant::Text(std::string(text, sqlite3_column_bytes(stmt, column)));
            }
            const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, column));
            return Variant::Binary(Bytes(data, data + sqlite3_column_bytes(stmt, column)));
        }
        default:
            return Variant::Null();
    }
}

}  // namespace calvora::dao
