#include "dao/stored_value.h"

#include <cstdint>
#include <cstring>
#include <string>
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

// The one decision how a value is stored, made for a statement's parameter
// and for a function's result alike: sink has the calls of both kinds.
template <class Sink>
void Store(const Variant& value, const ColumnType& type, Sink& sink) {
    switch (value.Type()) {
        case VarType::Empty:
        case VarType::Null:
            sink.Null();
            break;
        case VarType::Boolean:
            sink.Integer(value.AsBoolean() ? -1 : 0);
            break;
        case VarType::Byte:
        case VarType::Integer:
        case VarType::Long:
            sink.Integer(static_cast<int64_t>(value.NumericValue()));
            break;
        case VarType::Currency:
        case VarType::Single:
        case VarType::Double:
            sink.Real(value.NumericValue());
            break;
        case VarType::Date: {
            const std::string text = DateToText(value.AsDate());
            sink.Text(text.data(), text.size(), SQLITE_TRANSIENT);
            break;
        }
        case VarType::String:
            if (type.type == DataType::Memo && MightLookNumeric(value.AsText()))
                sink.Blob(value.AsText().data(), value.AsText().size());
            else
                sink.Text(value.AsText().data(), value.AsText().size(), sink.lifetime);
            break;
        case VarType::Binary:
            // An empty vector may have no buffer at all, and a blob made
            // from none is stored as Null: an empty value stays empty.
            if (value.AsBinary().empty())
                sink.EmptyBlob();
            else
                sink.Blob(value.AsBinary().data(), value.AsBinary().size());
            break;
    }
}

struct Parameter {
    sqlite3_stmt* stmt;
    int index;
    sqlite3_destructor_type lifetime;

    void Null() { sqlite3_bind_null(stmt, index); }
    void Integer(int64_t v) { sqlite3_bind_int64(stmt, index, v); }
    void Real(double v) { sqlite3_bind_double(stmt, index, v); }
    void Text(const char* text, size_t size, sqlite3_destructor_type how) {
        sqlite3_bind_text(stmt, index, text, static_cast<int>(size), how);
    }
    void Blob(const void* data, size_t size) {
        sqlite3_bind_blob(stmt, index, data, static_cast<int>(size), lifetime);
    }
    void EmptyBlob() { sqlite3_bind_zeroblob(stmt, index, 0); }
};

struct Result {
    sqlite3_context* context;
    // SQLite copies a result before the value it came from can change.
    sqlite3_destructor_type lifetime = SQLITE_TRANSIENT;

    void Null() { sqlite3_result_null(context); }
    void Integer(int64_t v) { sqlite3_result_int64(context, v); }
    void Real(double v) { sqlite3_result_double(context, v); }
    void Text(const char* text, size_t size, sqlite3_destructor_type how) {
        sqlite3_result_text(context, text, static_cast<int>(size), how);
    }
    void Blob(const void* data, size_t size) {
        sqlite3_result_blob(context, data, static_cast<int>(size), lifetime);
    }
    void EmptyBlob() { sqlite3_result_zeroblob(context, 0); }
};

}  // namespace

void BindStored(sqlite3_stmt* stmt, int index, const Variant& value, const ColumnType& type,
                sqlite3_destructor_type lifetime) {
    Parameter parameter{stmt, index, lifetime};
    Store(value, type, parameter);
}

void ResultStored(sqlite3_context* context, const Variant& value, const ColumnType& type) {
    Result result{context};
    Store(value, type, result);
}

Variant ReadStored(sqlite3_stmt* stmt, int column, const ColumnType& type) {
    // The column's value is taken once and read as a value: each
    // sqlite3_column_* call would look the column up again under the
    // connection's error handling, and a run reads hundreds of thousands.
    // Reading an unprotected value this way is safe on the connection's own
    // thread, which is the only one that uses it.
    sqlite3_value* value = sqlite3_column_value(stmt, column);
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER: {
            const int64_t v = sqlite3_value_int64(value);
            // In the field's own type where that holds the number, as reading
            // the field makes it anyway: the Boolean, Byte and Integer fields
            // of every record read then need no conversion.
            switch (type.type) {
                case DataType::Boolean:
                    return Variant::Boolean(v != 0);
                case DataType::Byte:
                    if (v >= 0 && v <= UINT8_MAX)
                        return Variant::Byte(static_cast<uint8_t>(v));
                    break;
                case DataType::Integer:
                    if (v >= INT16_MIN && v <= INT16_MAX)
                        return Variant::Integer(static_cast<int16_t>(v));
                    break;
                default:
                    break;
            }
            if (v >= INT32_MIN && v <= INT32_MAX)
                return Variant::Long(static_cast<int32_t>(v));
            return Variant::Double(static_cast<double>(v));
        }
        case SQLITE_FLOAT:
            return Variant::Double(sqlite3_value_double(value));
        case SQLITE_TEXT: {
            const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
            return Variant::Text(
                std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value))));
        }
        case SQLITE_BLOB: {
            const void* blob = sqlite3_value_blob(value);
            const size_t size = static_cast<size_t>(sqlite3_value_bytes(value));
            if (type.type == DataType::Memo)
                return Variant::Text(std::string_view(static_cast<const char*>(blob), size));
            const auto* data = static_cast<const uint8_t*>(blob);
            return Variant::Binary(Bytes(data, data + size));
        }
        default:
            return Variant::Null();
    }
}

}  // namespace calvora::dao
