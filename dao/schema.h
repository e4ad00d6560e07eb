// The on-disk convention: a column's declared type carries its field type
// and size, so any SQLite client can write a database this engine reads.
//
//   declared type   Type         Size   stored as
//   BIT             1 Boolean    1      integer 0 or -1
//   BYTE            2 Byte       1      integer 0..255
//   SHORT           3 Integer    2      integer
//   LONG            4 Long       4      integer
//   COUNTER         4 Long       4      integer, numbered max + 1 on AddNew
//   CURRENCY        5 Currency   8      real, 4 decimals
//   SINGLE          6 Single     4      real
//   DOUBLE          7 Double     8      real
//   DATETIME        8 Date       8      text YYYY-MM-DD HH:MM:SS
//   TEXT(n)         10 Text      n      text (TEXT without size: 255)
//   LONGBINARY      11 Binary    0      blob
//   MEMO            12 Memo      0      text
//   GUID            15 GUID      16     text {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
//
// Declared types match case-blind. A column declared otherwise (written by a
// client that did not follow the convention) is read by SQLite's affinity
// rule: a type containing INT is Long, REAL/FLOA/DOUB Double, CHAR/CLOB/TEXT
// Memo, anything else (BLOB, none) LongBinary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dao/types.h"

namespace calvora::dao {

struct ColumnType {
    DataType type = DataType::Text;
    int32_t size = 255;    // the DAO Size: characters for Text, bytes otherwise
    bool counter = false;  // declared COUNTER
    friend bool operator==(const ColumnType&, const ColumnType&) = default;
};

// The field type of a declared column type.
ColumnType ParseDeclaredType(std::string_view declared);

// The declared type the engine writes for a field created with this type and
// size: Text gives TEXT(size); every other type its fixed name (the size is
// ignored). A counter gives COUNTER. Raises 3259 for a type code outside the
// table above and 5 for a Text size outside 1..255.
std::string DeclaredTypeFor(DataType type, int32_t size, bool counter = false);

// The fixed Size of a type (Text: 255, its largest; Memo and LongBinary: 0).
int32_t FixedSizeOf(DataType type);

}  // namespace calvora::dao
