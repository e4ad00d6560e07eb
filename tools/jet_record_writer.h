// Writing the records of one table onto new data pages of a Jet 4 file:
// each value in its stored form, memo and OLE values longer than 64 bytes
// on long-value pages of their field (one record when the value fits a
// page, else a chain of pieces, each naming the next), and the record packed
// by mdbtools (fixed fields, variable fields, their offsets, the null mask).
#pragma once

#include "tools/jet_columns.h"
#include "tools/jet_page_filler.h"
#include "tools/jet_table_records.h"

// glib first: mdbtools.h includes it inside extern "C", where glib's C++
// parts would not compile; its include guard then makes that inner include empty.
#include <glib.h>
#include <mdbtools.h>

#include <memory>
#include <string>
#include <vector>

namespace calvora::mdbexport {

class RecordWriter {
  public:
    // Records of table go onto pages of image owned by the definition of
    // entry (a catalog entry of the same file, opened by mdbtools); source
    // names the file the values come from in failure messages.
    RecordWriter(JetImage& image, MdbCatalogEntry* entry, const ImportTable& table,
                 std::string source);

    // Writes one record, values in field order (missing ones Null). Raises
    // ExportFailure naming table, field and record (counted from 1) for a
    // value its field cannot hold (a number out of range, a text longer than
    // the field, a text that is no date or GUID, a long value past 4 MB), for
    // a record longer than Access allows, and when the file would outgrow
    // what Jet addresses.
    void Write(const std::vector<FieldValue>& row, int64_t record);

    const PageFiller& Data() const { return data_; }
    // The long-value pages of column column; nullptr for a column that is
    // neither Memo nor OLE.
    const PageFiller* LongValues(size_t column) const { return longValues_[column].get(); }
    // The highest value written to the AutoNumber field, 0 without one.
    int64_t HighestCounter() const { return highestCounter_; }

  private:
    struct TableDefFree {
        void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
    };

    void Pack(const std::vector<FieldValue>& row, int64_t record);
    [[noreturn]] void Fail(const ImportField& field, int64_t record, const std::string& why) const;
    int64_t Whole(const ImportField& field, const FieldValue& v, int64_t record, int64_t low,
                  int64_t high, const char* type) const;
    double Real(const ImportField& field, const FieldValue& v, int64_t record) const;
    const std::string& Text(const ImportField& field, const FieldValue& v, int64_t record) const;
    bool Encode(const ImportField& field, const FieldValue& v, int64_t record, std::string& out);
    std::string LongValue(const ImportField& field, const std::string& bytes, int64_t record);

    const ImportTable& table_;
    std::string where_;
    PageFiller data_;
    // mdbtools packs a record after a table definition; only its count of
    // variable fields and its file are read.
    std::unique_ptr<MdbTableDef, TableDefFree> packer_;
    std::vector<std::unique_ptr<PageFiller>> longValues_;
    int64_t highestCounter_ = 0;
};

}  // namespace calvora::mdbexport
