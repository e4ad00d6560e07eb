// Turning one record of an Access table, as mdbtools cracks it into fields,
// into the values of the SQLite convention (see mdb_schema.h).
//
// Values come from the stored bytes: numbers little-endian, texts in Jet's
// own encodings, memo and OLE values followed from their 12-byte reference
// to the pages that hold them. Only the pages of the handle are read.
#pragma once

// glib first: mdbtools.h includes it inside extern "C", where glib's C++
// parts would not compile; its include guard then makes that inner include empty.
#include <glib.h>
#include <mdbtools.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mdb_schema.h"

namespace calvora::mdbimport {

// True when every non-null value of a cracked record lies inside the record:
// mdbtools takes the places of the values from offsets stored in the record,
// and in a damaged file these can point past it, even past the page.
bool WithinRecord(const std::vector<MdbField>& stored, const std::vector<ImportField>& fields,
                  int recordStart, size_t recordSize);

class RecordDecoder {
  public:
    // where starts every failure message (file and table).
    RecordDecoder(MdbHandle* mdb, bool jet4, std::string where)
        : mdb_(mdb), jet4_(jet4), where_(std::move(where)) {}

    // The value of one field of record number record (counted from 1), whose
    // bytes WithinRecord has accepted. A Boolean is never null (Jet keeps it
    // in the null mask: a set bit is true, stored as -1). Raises
    // ImportFailure naming field and record for a value the field type
    // cannot hold unchanged (text longer than its size, NaN, a date outside
    // Jet's range, a currency amount beyond 2^53 ten-thousandths) and for
    // damaged values (malformed UTF-16, a broken memo or OLE chain).
    FieldValue Value(const ImportField& field, const MdbField& stored, int64_t record) const;

  private:
    [[noreturn]] void Fail(const ImportField& field, int64_t record, const std::string& why) const;
    double Number(const ImportField& field, int64_t record, double v) const;
    std::string LongValue(const ImportField& field, int64_t record, const unsigned char* ref,
                          size_t size) const;
    std::string Text(const ImportField& field, int64_t record, std::string_view stored) const;

    MdbHandle* mdb_;
    bool jet4_;
    std::string where_;
};

}  // namespace calvora::mdbimport
