#include <algorithm>
#include <cstddef>
#include <deque>
#include <stdexcept>

#include "dao/conversion.h"
#include "dao/detail/field_impl.h"
#include "dao/detail/nocase.h"
#include "dao/detail/recordset_impl.h"
#include "dao/stored_value.h"
#include "platform/failure.h"

namespace calvora::dao::detail {

void RecordsetImpl::SetValue(size_t i, const Variant& value) {
    Check();
    if (mode == Mode::None)
        throw Failure(
            err::kUpdateWithoutEdit, kSourceRecordset,
            "Update or CancelUpdate without AddNew or Edit: writing field " + FieldText(i));
    buffer[i] = ConvertForField(value, (*columns)[i].type, FieldText(i));
    dirty[i] = true;
}

void RecordsetImpl::Begin(Mode m) {
    mode = m;
    buffer.assign(columns->size(), Variant::Null());
    dirty.assign(columns->size(), false);
}

void RecordsetImpl::Edit() {
    Check();
    if (eof || bof)
        RaiseNoCurrent("Edit");
    Begin(Mode::Edit);
}

void RecordsetImpl::AddNew() {
    Check();
    Begin(Mode::Add);
}

void RecordsetImpl::Update() {
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

void RecordsetImpl::StoreEdit() {
    if (std::find(dirty.begin(), dirty.end(), true) == dirty.end())
        return;
    sqlite3_stmt* kept = nullptr;
    for (const auto& [fields, statement] : updates->byFields)
        if (fields == dirty)
            kept = statement;
    if (!kept) {
        kept = conn->Kept(UpdateSql(), kSourceRecordset);
        updates->byFields.emplace_back(dirty, kept);
    }
    sqlite3_stmt* stmt = conn->Ready(kept, kSourceRecordset);
    const int params = BindDirty(stmt);
    Row& row = Current();
    sqlite3_bind_int64(stmt, params + 1, row.rowid);
    conn->Step(stmt, kSourceRecordset, "updating a record of ", table);
    sqlite3_reset(stmt);
    if (sqlite3_changes(sqlite3_db_handle(stmt)) == 0)
        RaiseNoCurrent("the edited record was deleted");
    for (size_t i = 0; i < columns->size(); ++i)
        if (dirty[i])
            row.values[i] = buffer[i];
}

int RecordsetImpl::BindDirty(sqlite3_stmt* stmt) const {
    int index = 0;
    for (size_t i = 0; i < columns->size(); ++i)
        if (dirty[i])
            BindStored(stmt, ++index, buffer[i], (*columns)[i].type, SQLITE_STATIC);
    return index;
}

std::string RecordsetImpl::UpdateSql() const {
    std::string sql = "UPDATE ";
    sql += QuoteName(table);
    sql += " SET ";
    size_t params = 0;
    for (size_t i = 0; i < columns->size(); ++i) {
        if (!dirty[i])
            continue;
        if (params)
            sql += ", ";
        sql += QuoteName((*columns)[i].name);
        sql += " = ";
        sql += ParamName(++params);
    }
    sql += " WHERE ";
    sql += rowidAlias;
    sql += " = ";
    sql += ParamName(params + 1);
    return sql;
}

std::string RecordsetImpl::InsertSql() const {
    std::string names;
    std::string values;
    int params = 0;
    auto add = [&](const std::string& name, const std::string& value) {
        names += (names.empty() ? "" : ", ") + QuoteName(name);
        values += (values.empty() ? "" : ", ") + value;
    };
    for (size_t i = 0; i < columns->size(); ++i)
        if (dirty[i])
            add((*columns)[i].name, ParamName(++params));
    // A COUNTER left unset numbers itself, as the Jet engine's auto-number.
    for (const std::string& counter : counters)
        if (!IsSet(counter))
            add(counter, "(SELECT coalesce(max(" + QuoteName(counter) + "), 0) + 1 FROM " +
                             QuoteName(table) + ")");
    return "INSERT INTO " + QuoteName(table) +
           (names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + values + ")");
}

sqlite3_stmt* RecordsetImpl::InsertStatement() {
    if (!insertStmt || insertFields != dirty) {
        insertStmt = conn->Kept(InsertSql(), kSourceRecordset);
        insertFields = dirty;
    }
    // The statement's parameters are the fields written, each bound anew.
    return conn->ReadyToRebind(insertStmt, kSourceRecordset);
}

void RecordsetImpl::Insert(sqlite3_stmt* stmt) {
    conn->Step(stmt, kSourceRecordset, "adding a record to ", table);
    sqlite3_reset(stmt);
    if (isQuery)
        rows.push_back(ReadBack(sqlite3_last_insert_rowid(sqlite3_db_handle(stmt))));
}

void RecordsetImpl::StoreNew() {
    sqlite3_stmt* stmt = InsertStatement();
    BindDirty(stmt);
    Insert(stmt);
}

void RecordsetImpl::AddRecord(const std::vector<Variant>& values) {
    Check();
    if (values.size() > columns->size())
        RaiseNoFieldNumber(static_cast<int64_t>(columns->size()),
                           static_cast<int64_t>(columns->size()));
    mode = Mode::None;
    dirty.assign(columns->size(), false);
    std::fill(dirty.begin(), dirty.begin() + static_cast<std::ptrdiff_t>(values.size()), true);
    // Only the values not yet in their field's form are converted, into the
    // buffer, all of them before anything is bound; every value is bound
    // where it lies, without a copy, since it outlives the step.
    buffer.resize(columns->size());
    for (size_t i = 0; i < values.size(); ++i)
        if (!HoldsFieldValue(values[i], (*columns)[i].type))
            buffer[i] = ConvertForField(values[i], (*columns)[i].type, FieldText(i));
    sqlite3_stmt* stmt = InsertStatement();
    for (size_t i = 0; i < values.size(); ++i) {
        const ColumnType& type = (*columns)[i].type;
        const Variant& value = HoldsFieldValue(values[i], type) ? values[i] : buffer[i];
        BindStored(stmt, static_cast<int>(i) + 1, value, type, SQLITE_STATIC);
    }
    Insert(stmt);
}

void RecordsetImpl::EditField(size_t field, const std::vector<Variant>& values,
                              const std::vector<bool>& edited) {
    Check();
    if (field >= columns->size())
        RaiseNoFieldNumber(static_cast<int64_t>(field), static_cast<int64_t>(columns->size()));
    if (!isQuery)
        throw std::logic_error("EditField on a table-type recordset, which holds no records");
    mode = Mode::None;
    const ColumnInfo& column = (*columns)[field];
    const size_t count = std::min({rows.size(), values.size(), edited.size()});
    // Every value in its field's form before anything is written: one the
    // field cannot hold fails as SetValue does, and no record changes. Only
    // the few not yet in that form are copied.
    Connection::FieldEdits edits{column.type, {}};
    edits.byRowid.reserve(count);
    std::deque<Variant> converted;
    for (size_t r = 0; r < count; ++r) {
        if (!edited[r])
            continue;
        const Variant* value = &values[r];
        if (!HoldsFieldValue(*value, column.type))
            value = &converted.emplace_back(ConvertForField(*value, column.type, FieldText(field)));
        edits.byRowid.insert_or_assign(rows[r].rowid, value);
    }
    if (edits.byRowid.empty())
        return;
    sqlite3_stmt* stmt =
        conn->Prepare("UPDATE " + QuoteName(table) + " SET " + QuoteName(column.name) +
                          " = calvora_edited_value(" + rowidAlias + ") WHERE calvora_is_edited(" +
                          rowidAlias + ")",
                      kSourceRecordset);
    const int64_t changed =
        conn->RunEdits(stmt, edits, kSourceRecordset, "updating records of ", table);
    // As for Update, a record deleted meanwhile is no current record.
    if (changed < static_cast<int64_t>(edits.byRowid.size()))
        RaiseNoCurrent("an edited record was deleted");
    for (size_t r = 0; r < count; ++r)
        if (edited[r])
            rows[r].values[field] = *edits.byRowid.at(rows[r].rowid);
}

bool RecordsetImpl::IsSet(const std::string& name) const {
    for (size_t i = 0; i < columns->size(); ++i)
        if (dirty[i] && SameName((*columns)[i].name, name))
            return true;
    return false;
}

RecordsetImpl::Row RecordsetImpl::ReadBack(int64_t rowid) {
    std::string sql = "SELECT " + rowidAlias;
    for (const ColumnInfo& column : *columns)
        sql += ", " + QuoteName(column.name);
    sql += " FROM " + QuoteName(table) + " WHERE " + rowidAlias + " = ?1";
    sqlite3_stmt* stmt = conn->Prepare(sql, kSourceRecordset);
    sqlite3_bind_int64(stmt, 1, rowid);
    conn->Step(stmt, kSourceRecordset, "reading back the record added to ", table);
    Row row;
    ReadRow(stmt, row);
    sqlite3_reset(stmt);
    return row;
}

}  // namespace calvora::dao::detail
