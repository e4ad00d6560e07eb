#include "presetdb/dao_recordset.h"

#include <algorithm>

#include "platform/failure.h"
#include "platform/text.h"
#include "presetdb/dao_conversion.h"
#include "presetdb/dao_dialect.h"
#include "presetdb/engine_field_impl.h"
#include "presetdb/engine_nocase.h"
#include "presetdb/engine_recordset_impl.h"

namespace calvora::dao {

namespace detail {

// The recordset's state. Records are held as stored (natural Variants) and
// converted to the field's type when read, so a value a client stored in
// another form fails at its own field, not at the move.
//
// A table-type recordset keeps only its current record and steps by rowid,
// so opening it costs nothing and it sees every record in the table when it
// moves; a query recordset selects its records at open.
class RecordsetImpl {
  public:
    struct Column {
        std::string name;
        ColumnType type;
        std::string declared;
    };
    struct Row {
        int64_t rowid = 0;
        std::vector<Variant> values;
    };

    std::shared_ptr<Connection> conn;
    std::string table;
    std::string rowidAlias;
    std::vector<Column> columns;
    bool isQuery = false;
    bool closed = false;

    // Table-type: the statements that find the first and the next record.
    std::string firstSql;
    std::string nextSql;
    // Query: the selected records, and the current one's index.
    std::vector<Row> rows;
    size_t pos = 0;

    Row current;
    bool eof = true;
    bool bof = true;

    enum class Mode { None, Edit, Add } mode = Mode::None;
    std::vector<Variant> buffer;
    std::vector<bool> dirty;

    // The table's COUNTER columns, numbered on AddNew when left unset.
    std::vector<std::string> counters;
    // The last INSERT and UPDATE texts with the fields they write: records
    // are mostly written field for field alike, and building the text anew
    // for each costs more than SQLite's insert itself.
    std::vector<bool> insertFields;
    std::string insertSql;
    std::vector<bool> updateFields;
    std::string updateSql;

    void Check() const {
        if (closed)
            throw Failure(
                err::kObjectClosed, kSourceRecordset,
                "Object invalid or no longer set: the recordset over " + table + " is closed");
        conn->CheckOpen(kSourceRecordset);
    }

    std::string FieldText(size_t i) const { return table + "." + columns[i].name; }

    [[noreturn]] void RaiseNoCurrent(const std::string& what) const {
        throw Failure(err::kNoCurrentRecord, kSourceRecordset,
                      "No current record in " + table + " (" + what + ")");
    }

    // Reads one record of a table-type recordset; false when there is none.
    bool Fetch(const std::string& sql, const int64_t* afterRowid) {
        sqlite3_stmt* stmt = conn->Prepare(sql, kSourceRecordset);
        if (afterRowid)
            sqlite3_bind_int64(stmt, 1, *afterRowid);
        if (!conn->Step(stmt, kSourceRecordset, "reading a record of " + table)) {
            sqlite3_reset(stmt);
            return false;
        }
        current = ReadRow(stmt);
        sqlite3_reset(stmt);
        return true;
    }

    Row ReadRow(sqlite3_stmt* stmt) const {
        Row row;
        row.rowid = sqlite3_column_int64(stmt, 0);
        row.values.reserve(columns.size());
        for (size_t i = 0; i < columns.size(); ++i)
            row.values.push_back(ReadStored(stmt, static_cast<int>(i) + 1, columns[i].type));
        return row;
    }

    void SetPosition(bool found) {
        eof = !found;
        bof = !found;
    }

    void MoveFirst() {
        Check();
        mode = Mode::None;
        if (isQuery) {
            if (rows.empty())
                RaiseNoCurrent("MoveFirst on a recordset without records");
            pos = 0;
            current = rows[0];
            SetPosition(true);
            return;
        }
        if (!Fetch(firstSql, nullptr))
            RaiseNoCurrent("MoveFirst on a table without records");
        SetPosition(true);
    }

    void MoveNext() {
        Check();
        if (eof)
            RaiseNoCurrent("MoveNext past the last record");
        mode = Mode::None;
        bof = false;
        if (isQuery) {
            eof = ++pos >= rows.size();
            if (!eof)
                current = rows[pos];
            return;
        }
        eof = !Fetch(nextSql, &current.rowid);
    }

    int32_t RecordCount() {
        Check();
        if (isQuery)
            return static_cast<int32_t>(rows.size());
        sqlite3_stmt* stmt =
            conn->Prepare("SELECT count(*) FROM " + QuoteName(table), kSourceRecordset);
        conn->Step(stmt, kSourceRecordset, "counting the records of " + table);
        const int64_t count = sqlite3_column_int64(stmt, 0);
        sqlite3_reset(stmt);
        return static_cast<int32_t>(count);
    }

    Variant Value(size_t i) const {
        Check();
        if (mode != Mode::None && dirty[i])
            return buffer[i];
        if (mode == Mode::Add)
            return Variant::Null();
        if (eof || bof)
            RaiseNoCurrent("reading field " + columns[i].name);
        return ConvertForField(current.values[i], columns[i].type, FieldText(i));
    }

    void SetValue(size_t i, const Variant& value) {
        Check();
        if (mode == Mode::None)
            throw Failure(
                err::kUpdateWithoutEdit, kSourceRecordset,
                "Update or CancelUpdate without AddNew or Edit: writing field " + FieldText(i));
        buffer[i] = ConvertForField(value, columns[i].type, FieldText(i));
        dirty[i] = true;
    }

    void Begin(Mode m) {
        mode = m;
        buffer.assign(columns.size(), Variant::Null());
        dirty.assign(columns.size(), false);
    }

    void Edit() {
        Check();
        if (eof || bof)
            RaiseNoCurrent("Edit");
        Begin(Mode::Edit);
    }

    void AddNew() {
        Check();
        Begin(Mode::Add);
    }

    void Update() {
        Check();
        if (mode == Mode::None)
            throw Failure(err::kUpdateWithoutEdit, kSourceRecordset,
                          "Update or CancelUpdate without AddNew or Edit on " + table);
        if (mode == Mode::Edit)
            StoreEdit();
        else
            StoreNew();
        mode = Mode::None;
    }

    void StoreEdit() {
        if (std::find(dirty.begin(), dirty.end(), true) == dirty.end())
            return;
        if (updateSql.empty() || updateFields != dirty) {
            updateSql = "UPDATE " + QuoteName(table) + " SET ";
            int params = 0;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (!dirty[i])
                    continue;
                updateSql += (params ? ", " : "") + QuoteName(columns[i].name) + " = " +
                             ParamName(params + 1);
                ++params;
            }
            updateSql += " WHERE " + rowidAlias + " = " + ParamName(params + 1);
            updateFields = dirty;
        }
        sqlite3_stmt* stmt = conn->Prepare(updateSql, kSourceRecordset);
        const int params = BindDirty(stmt);
        sqlite3_bind_int64(stmt, params + 1, current.rowid);
        conn->Step(stmt, kSourceRecordset, "updating a record of " + table);
        sqlite3_reset(stmt);
        if (sqlite3_changes(sqlite3_db_handle(stmt)) == 0)
            RaiseNoCurrent("the edited record was deleted");
        for (size_t i = 0; i < columns.size(); ++i)
            if (dirty[i])
                current.values[i] = buffer[i];
        if (isQuery)
            rows[pos] = current;
    }

    // Binds the written fields as ?1.. in field order; returns their number.
    int BindDirty(sqlite3_stmt* stmt) const {
        int index = 0;
        for (size_t i = 0; i < columns.size(); ++i)
            if (dirty[i])
                BindStored(stmt, ++index, buffer[i], columns[i].type);
        return index;
    }

    std::string InsertSql() const {
        std::string names;
        std::string values;
        int params = 0;
        auto add = [&](const std::string& name, const std::string& value) {
            names += (names.empty() ? "" : ", ") + QuoteName(name);
            values += (values.empty() ? "" : ", ") + value;
        };
        for (size_t i = 0; i < columns.size(); ++i)
            if (dirty[i])
                add(columns[i].name, ParamName(++params));
        // A COUNTER left unset numbers itself, as the Jet engine's auto-number.
        for (const std::string& counter : counters)
            if (!IsSet(counter))
                add(counter, "(SELECT coalesce(max(" + QuoteName(counter) + "), 0) + 1 FROM " +
                                 QuoteName(table) + ")");
        return "INSERT INTO " + QuoteName(table) +
               (names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + values + ")");
    }

    void StoreNew() {
        if (insertSql.empty() || insertFields != dirty) {
            insertSql = InsertSql();
            insertFields = dirty;
        }
        sqlite3_stmt* stmt = conn->Prepare(insertSql, kSourceRecordset);
        BindDirty(stmt);
        conn->Step(stmt, kSourceRecordset, "adding a record to " + table);
        sqlite3_reset(stmt);
        if (isQuery)
            rows.push_back(ReadBack(sqlite3_last_insert_rowid(sqlite3_db_handle(stmt))));
    }
    bool IsSet(const std::string& name) const {
        for (size_t i = 0; i < columns.size(); ++i)
            if (dirty[i] && SameName(columns[i].name, name))
                return true;
        return false;
    }

    // The stored form of a record just added (numbered counters included).
    Row ReadBack(int64_t rowid) {
        std::string sql = "SELECT " + rowidAlias;
        for (const Column& column : columns)
            sql += ", " + QuoteName(column.name);
        sql += " FROM " + QuoteName(table) + " WHERE " + rowidAlias + " = ?1";
        sqlite3_stmt* stmt = conn->Prepare(sql, kSourceRecordset);
        sqlite3_bind_int64(stmt, 1, rowid);
        conn->Step(stmt, kSourceRecordset, "reading back the record added to " + table);
        Row row = ReadRow(stmt);
        sqlite3_reset(stmt);
        return row;
    }
};

namespace {

class RecordsetFieldImpl : public FieldImpl {
  public:
    RecordsetFieldImpl(std::shared_ptr<RecordsetImpl> rs, size_t index)
        : rs_(std::move(rs)), index_(index) {}

    std::string Name() const override { return rs_->columns[index_].name; }
    void SetName(std::string_view) override {
        throw Failure(err::kInvalidOperation, kSourceField,
                      "Invalid operation: field " + rs_->FieldText(index_) +
                          " of a recordset cannot be renamed");
    }
    ColumnType Type() const override { return rs_->columns[index_].type; }
    std::string DeclaredType() const override { return rs_->columns[index_].declared; }
    Variant Value() const override { return rs_->Value(index_); }
    void SetValue(const Variant& value) override { rs_->SetValue(index_, value); }

  private:
    std::shared_ptr<RecordsetImpl> rs_;
    size_t index_;
};

class RecordsetFieldsImpl : public FieldsImpl {
  public:
    explicit RecordsetFieldsImpl(std::shared_ptr<RecordsetImpl> rs) : rs_(std::move(rs)) {}

    int32_t Count() const override {
        rs_->Check();
        return static_cast<int32_t>(rs_->columns.size());
    }
    Field Item(int32_t index) const override {
        return Field(std::make_shared<RecordsetFieldImpl>(rs_, static_cast<size_t>(index)));
    }
    int32_t Find(std::string_view name) const override {
        rs_->Check();
        for (size_t i = 0; i < rs_->columns.size(); ++i)
            if (SameName(rs_->columns[i].name, name))
                return static_cast<int32_t>(i);
        return -1;
    }

  private:
    std::shared_ptr<RecordsetImpl> rs_;
};

std::vector<std::string> CountersOf(const TableInfo& info) {
    std::vector<std::string> counters;
    for (const ColumnInfo& column : info.columns)
        if (column.type.counter)
            counters.push_back(column.name);
    return counters;
}

TableColumns ColumnsOf(const TableInfo& info) {
    TableColumns table{info.name, {}, {}};
    for (const ColumnInfo& column : info.columns) {
        table.columnNames.push_back(column.name);
        table.columnTypes.push_back(column.type);
    }
    return table;
}

}  // namespace

Recordset OpenTableRecordset(const std::shared_ptr<Connection>& conn, const TableInfo& table) {
    auto rs = std::make_shared<RecordsetImpl>();
    rs->conn = conn;
    rs->table = table.name;
    std::string columnList;
    for (const ColumnInfo& column : table.columns) {
        rs->columns.push_back({column.name, column.type, column.declared});
        columnList += ", " + QuoteName(column.name);
    }
    rs->counters = CountersOf(table);
    rs->rowidAlias = RowIdAlias(ColumnsOf(table).columnNames);
    const std::string select =
        "SELECT " + rs->rowidAlias + columnList + " FROM " + QuoteName(table.name);
    rs->firstSql = select + " ORDER BY " + rs->rowidAlias + " LIMIT 1";
    rs->nextSql =
        select + " WHERE " + rs->rowidAlias + " > ?1 ORDER BY " + rs->rowidAlias + " LIMIT 1";
    rs->SetPosition(rs->Fetch(rs->firstSql, nullptr));
    return Recordset(rs);
}

Recordset OpenQueryRecordset(const std::shared_ptr<Connection>& conn, std::string_view jetSql) {
    conn->CheckOpen(kSourceDatabase);
    const TableInfo* info = nullptr;
    TableColumns columns;
    const TranslatedQuery query =
        TranslateSelect(jetSql, [&](std::string_view name) -> const TableColumns* {
            info = conn->FindTable(name);
            if (!info)
                return nullptr;
            columns = ColumnsOf(*info);
            return &columns;
        });
    auto rs = std::make_shared<RecordsetImpl>();
    rs->conn = conn;
    rs->table = query.table;
    rs->isQuery = true;
    for (int position : query.columns) {
        const ColumnInfo& column = info->columns[position];
        rs->columns.push_back({column.name, column.type, column.declared});
    }
    rs->counters = CountersOf(*info);
    rs->rowidAlias = query.rowidAlias;
    sqlite3_stmt* stmt = conn->Prepare(query.sql, kSourceDatabase);
    for (size_t i = 0; i < query.params.size(); ++i)
        sqlite3_bind_text(stmt, static_cast<int>(i) + 1, query.params[i].data(),
                          static_cast<int>(query.params[i].size()), SQLITE_TRANSIENT);
    while (conn->Step(stmt, kSourceDatabase, "running the query on " + query.table))
        rs->rows.push_back(rs->ReadRow(stmt));
    sqlite3_reset(stmt);
    rs->SetPosition(!rs->rows.empty());
    if (!rs->rows.empty())
        rs->current = rs->rows[0];
    return Recordset(rs);
}

}  // namespace detail

detail::RecordsetImpl& Recordset::Impl() const {
    if (!impl_)
        detail::RaiseNothing(kSourceRecordset, "recordset");
    return *impl_;
}

dao::Fields Recordset::Fields() const {
    Impl().Check();
    return dao::Fields(std::make_shared<detail::RecordsetFieldsImpl>(impl_));
}

bool Recordset::Eof() const {
    Impl().Check();
    return impl_->eof;
}

bool Recordset::Bof() const {
    Impl().Check();
    return impl_->bof;
}

void Recordset::MoveFirst() {
    Impl().MoveFirst();
}

void Recordset::MoveNext() {
    Impl().MoveNext();
}

int32_t Recordset::RecordCount() const {
    return Impl().RecordCount();
}

void Recordset::Edit() {
    Impl().Edit();
}

void Recordset::AddNew() {
    Impl().AddNew();
}

void Recordset::Update() {
    Impl().Update();
}

void Recordset::CancelUpdate() {
    Impl().Check();
    impl_->mode = detail::RecordsetImpl::Mode::None;
}

void Recordset::Close() {
    Impl().closed = true;
    impl_.reset();
}

}  // namespace calvora::dao
