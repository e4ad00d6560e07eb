// Recordsets: a table's records (table-type, from a table name) or the
// records a SELECT text selects (query, see dialect.h). Both are
// updatable: Edit / AddNew, field writes, Update write back to the table.
//
// Position: right after opening, the first record is current, or Eof() and
// Bof() are both true when there is none. MoveNext past the last record makes
// Eof() true. After AddNew + Update the record that was current before AddNew
// is current again; a table-type recordset sees the appended record at its
// end, a query recordset appends it to its own list.
//
// Order: a table-type recordset delivers records in the order they were
// stored; a query in its ORDER BY (then storage order).
//
// A table-type recordset reads each record when it becomes current, so it
// sees the table's records as they are when it moves; a query recordset
// selects its records when it is opened.
//
// Handles: copies refer to the same recordset; a default-constructed one is
// "Nothing" (every operation raises 91); after its database is closed every
// operation raises 3420.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dao/tabledef.h"
#include "platform/variant.h"

namespace calvora::dao {

namespace detail {
class RecordsetImpl;
}

class Recordset {
  public:
    Recordset() = default;
    explicit Recordset(std::shared_ptr<detail::RecordsetImpl> impl) : impl_(std::move(impl)) {}

    explicit operator bool() const { return impl_ != nullptr; }

    // The recordset's fields: all columns of the table in column order, or
    // the SELECT list's columns in its order.
    dao::Fields Fields() const;

    bool Eof() const;
    bool Bof() const;

    // Raises 3021 when the recordset has no records.
    void MoveFirst();
    // Raises 3021 when Eof() is already true.
    void MoveNext();

    // The exact number of records (a table-type recordset counts the table
    // now; a query its selected records plus those it appended).
    int32_t RecordCount() const;

    // Starts editing the current record. Raises 3021 without one.
    void Edit();
    // Starts a new record: every field Null (a COUNTER field is numbered at
    // Update when left Null).
    void AddNew();
    // Stores the record being edited (only the fields written) or added.
    // Raises 3020 without Edit or AddNew; 3218 when another program holds a
    // lock on the file; 3021 when the edited record was deleted meanwhile.
    void Update();
    // Drops the pending Edit or AddNew.
    void CancelUpdate();

    // Reading and writing many records: the same as the calls they stand for,
    // without a Field handle per value, for the long loops over a table.
    //
    // The values of at most count records from the current one on, each
    // record's as Fields().Item(i).Value() reads them, in field order; the
    // record after the last one returned becomes current (Eof() after the
    // last). Stops early, with that record current, at a record one of whose
    // values Value() would refuse, so that the caller meets the failure
    // reading that record field by field. Nothing at Eof(). Raises what
    // MoveNext raises.
    std::vector<std::vector<Variant>> GetRows(int32_t count);
    // AddNew, values[i] written into field i, and Update: the current record
    // stays. Raises what SetValue and Update raise (and 3265 for more values
    // than fields); then nothing is stored and no new record is pending.
    void AddRecord(const std::vector<Variant>& values);
    // Edit, Fields().Item(field).SetValue(values[r]) and Update on each
    // record r (counted from the first) with edited[r], in one statement,
    // for a query recordset (which selected its records when opened); a
    // table-type recordset throws std::logic_error. The current record
    // stays. Raises 3265 for no such field, what SetValue raises before
    // anything is written, and what Update raises (3021 when an edited
    // record was deleted meanwhile).
    void EditField(int32_t field, const std::vector<Variant>& values,
                   const std::vector<bool>& edited);

    // Releases the recordset; further use raises 91.
    void Close();

    detail::RecordsetImpl& Impl() const;  // for the engine's own use

  private:
    std::shared_ptr<detail::RecordsetImpl> impl_;
};

}  // namespace calvora::dao
