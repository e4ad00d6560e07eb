#include "tools/jet_columns.h"

// glib first: mdbtools.h includes it inside extern "C", where glib's C++
// parts would not compile; its include guard then makes that inner include empty.
#include <glib.h>
#include <mdbtools.h>

namespace calvora::mdbexport {

unsigned char AccessType(dao::DataType type) {
    switch (type) {
        case dao::DataType::Boolean:
            return MDB_BOOL;
        case dao::DataType::Byte:
            return MDB_BYTE;
        case dao::DataType::Integer:
            return MDB_INT;
        case dao::DataType::Long:
            return MDB_LONGINT;
        case dao::DataType::Currency:
            return MDB_MONEY;
        case dao::DataType::Single:
            return MDB_FLOAT;
        case dao::DataType::Double:
            return MDB_DOUBLE;
        case dao::DataType::Date:
            return MDB_DATETIME;
        case dao::DataType::Text:
            return MDB_TEXT;
        case dao::DataType::LongBinary:
            return MDB_OLE;
        case dao::DataType::Memo:
            return MDB_MEMO;
        case dao::DataType::Guid:
            return MDB_REPID;
    }
    return 0;
}

bool IsLongValue(dao::DataType type) {
    return type == dao::DataType::Memo || type == dao::DataType::LongBinary;
}

bool IsFixed(dao::DataType type) {
    return type != dao::DataType::Text && !IsLongValue(type);
}

uint16_t ColumnLength(const ImportField& field) {
    if (field.type == dao::DataType::Boolean)
        return 0;
    if (field.type == dao::DataType::Text)
        return static_cast<uint16_t>(field.size * 2);
    return static_cast<uint16_t>(dao::FixedSizeOf(field.type));
}

}  // namespace calvora::mdbexport
