// The engine's side of Recordset: its state and the opening of both kinds.
//
// Records are held as stored (natural Variants) and converted to the field's
// type when read, so a value a client stored in another form fails at its
// own field, not at the move.
//
// A table-type recordset keeps only its current record and steps by rowid,
// so opening it costs nothing and it sees every record in the table when it
// moves; a query recordset selects its records at open.
//
// recordset_moves.cpp opens, moves and reads; recordset_writes.cpp
// edits, adds and stores.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dao/detail/connection.h"
#include "dao/recordset.h"
#include "platform/variant.h"

namespace calvora::dao::detail {

class RecordsetImpl {
  public:
    struct Row {
        int64_t rowid = 0;
        std::vector<Variant> values;
    };
    enum class Mode { None, Edit, Add };

    std::shared_ptr<Connection> conn;
    std::string table;
    std::string rowidAlias;
    // The recordset's fields, shared with the plan or table they come from
    // (never changed once made: a schema change makes new ones).
    std::shared_ptr<const std::vector<ColumnInfo>> columns;
    std::shared_ptr<const std::vector<std::string>> fieldTexts;
    bool isQuery = false;
    bool closed = false;

    // Table-type: the statements that find the first record and the ones
    // after a rowid, and the walk's number with the connection.
    std::string firstSql;
    std::string nextSql;
    uint64_t walker = 0;
    // Query: the selected records, and the current one's index.
    std::vector<Row> rows;
    size_t pos = 0;
    // Table-type: the current record, read when moved to.
    Row current;
    bool eof = true;
    bool bof = true;

    Mode mode = Mode::None;
    std::vector<Variant> buffer;
    FieldFlags dirty;

    // The table's COUNTER columns, numbered on AddNew when left unset.
    std::vector<std::string> counters;
    // The last INSERT statement (kept by the connection) with the fields it
    // writes, and the UPDATE statements of the field list: records are mostly
    // written field for field alike, and building the text anew for each
    // costs more than SQLite's insert itself.
    FieldFlags insertFields;
    sqlite3_stmt* insertStmt = nullptr;
    std::shared_ptr<UpdateStatements> updates;

    // Raises 3420 when the recordset or its database is closed.
    void Check() const;
    const std::string& FieldText(size_t i) const { return (*fieldTexts)[i]; }
    [[noreturn]] void RaiseNoCurrent(const std::string& what) const;

    // recordset_moves.cpp
    void MoveFirst();
    void MoveNext();
    int32_t RecordCount();
    Variant Value(size_t i) const;
    std::vector<std::vector<Variant>> GetRows(int32_t count);
    // The current record, a query's where it stands among its records
    // (valid while neither EOF nor BOF).
    Row& Current() { return isQuery ? rows[pos] : current; }
    const Row& Current() const { return isQuery ? rows[pos] : current; }
    // Reads the statement's row into row.
    void ReadRow(sqlite3_stmt* stmt, Row& row) const;
    // Whether each of a record's values is what its field reads it as, so
    // that reading it converts nothing.
    bool HoldsFieldValues(const std::vector<Variant>& values) const;
    void SetPosition(bool found);
    // Reads the first record of a table-type recordset; false when there is none.
    bool FetchFirst();
    // Reads the record after the current one; false when there is none. The
    // statement is left running for the next move, which then only steps it
    // while the connection was not used otherwise (see Connection::KeepRunning).
    bool FetchNext();

    // recordset_writes.cpp
    void SetValue(size_t i, const Variant& value);
    void Edit();
    void AddNew();
    void Update();
    void AddRecord(const std::vector<Variant>& values);
    void EditField(size_t field, const std::vector<Variant>& values,
                   const std::vector<bool>& edited);

  private:
    void Begin(Mode m);
    void StoreEdit();
    void StoreNew();
    // The INSERT statement of the fields marked dirty, ready for binding:
    // its parameters are those fields, and the caller binds each of them.
    sqlite3_stmt* InsertStatement();
    // Steps the bound INSERT statement; a query recordset adds the record.
    void Insert(sqlite3_stmt* stmt);
    // Binds the written fields as ?1.. in field order, without copying them
    // (the buffer outlives the step); returns their number.
    int BindDirty(sqlite3_stmt* stmt) const;
    std::string InsertSql() const;
    std::string UpdateSql() const;
    bool IsSet(const std::string& name) const;
    // The stored form of a record just added (numbered counters included).
    Row ReadBack(int64_t rowid);
};

// A table-type recordset over every column of the table, in storage order.
Recordset OpenTableRecordset(const std::shared_ptr<Connection>& conn, const TableInfo& table);

// A query recordset over a SELECT text of the dialect (dialect.h).
Recordset OpenQueryRecordset(const std::shared_ptr<Connection>& conn, std::string_view jetSql);

}  // namespace calvora::dao::detail
