#include "dao/conversion.h"
#include "dao/detail/recordset_impl.h"
#include "dao/dialect.h"
#include "dao/stored_value.h"
#include "platform/failure.h"

namespace calvora::dao::detail {

void RecordsetImpl::Check() const {
    if (closed)
        throw Failure(
            err::kObjectClosed, kSourceRecordset,
            "Object invalid or no longer set: the recordset over " + table + " is closed");
    conn->CheckOpen(kSourceRecordset);
}

void RecordsetImpl::RaiseNoCurrent(const std::string& what) const {
    throw Failure(err::kNoCurrentRecord, kSourceRecordset,
                  "No current record in " + table + " (" + what + ")");
}

bool RecordsetImpl::FetchFirst() {
    sqlite3_stmt* stmt = conn->Prepare(firstSql, kSourceRecordset);
    if (!conn->Step(stmt, kSourceRecordset, "reading a record of ", table)) {
        sqlite3_reset(stmt);
        return false;
    }
    ReadRow(stmt, current);
    sqlite3_reset(stmt);
    return true;
}

bool RecordsetImpl::FetchNext() {
    sqlite3_stmt* stmt = conn->TakeRunning(walker);
    if (!stmt) {
        stmt = conn->Prepare(nextSql, kSourceRecordset);
        sqlite3_bind_int64(stmt, 1, current.rowid);
    }
    if (!conn->Step(stmt, kSourceRecordset, "reading a record of ", table)) {
        sqlite3_reset(stmt);
        return false;
    }
    ReadRow(stmt, current);
    conn->KeepRunning(stmt, walker);
    return true;
}

void RecordsetImpl::ReadRow(sqlite3_stmt* stmt, Row& row) const {
    row.rowid = sqlite3_column_int64(stmt, 0);
    row.values.resize(columns->size());
    for (size_t i = 0; i < columns->size(); ++i)
        row.values[i] = ReadStored(stmt, static_cast<int>(i) + 1, (*columns)[i].type);
}

void RecordsetImpl::SetPosition(bool found) {
    eof = !found;
    bof = !found;
}

void RecordsetImpl::MoveFirst() {
    Check();
    mode = Mode::None;
    if (isQuery) {
        if (rows.empty())
            RaiseNoCurrent("MoveFirst on a recordset without records");
        pos = 0;
        SetPosition(true);
        return;
    }
    if (!FetchFirst())
        RaiseNoCurrent("MoveFirst on a table without records");
    SetPosition(true);
}

void RecordsetImpl::MoveNext() {
    Check();
    if (eof)
        RaiseNoCurrent("MoveNext past the last record");
    mode = Mode::None;
    bof = false;
    if (isQuery) {
        eof = ++pos >= rows.size();
        return;
    }
    eof = !FetchNext();
}

int32_t RecordsetImpl::RecordCount() {
    Check();
    if (isQuery)
        return static_cast<int32_t>(rows.size());
    sqlite3_stmt* stmt =
        conn->Prepare("SELECT count(*) FROM " + QuoteName(table), kSourceRecordset);
    conn->Step(stmt, kSourceRecordset, "counting the records of ", table);
    const int64_t count = sqlite3_column_int64(stmt, 0);
    sqlite3_reset(stmt);
    return static_cast<int32_t>(count);
}

namespace {

// The type a stored value is read as: a stored text longer than a Text
// field's size (written by another client) is still read; only writing holds
// texts to the size.
ColumnType ReadType(const ColumnType& type) {
    return type.type == DataType::Text ? ColumnType{DataType::Memo, 0} : type;
}

}  // namespace

Variant RecordsetImpl::Value(size_t i) const {
    Check();
    if (mode != Mode::None && dirty[i])
        return buffer[i];
    if (mode == Mode::Add)
        return Variant::Null();
    if (eof || bof)
        RaiseNoCurrent("reading field " + (*columns)[i].name);
    return ConvertForField(Current().values[i], ReadType((*columns)[i].type), FieldText(i));
}

std::vector<std::vector<Variant>> RecordsetImpl::GetRows(int32_t count) {
    Check();
    mode = Mode::None;
    std::vector<std::vector<Variant>> rows;
    while (!eof && !bof && static_cast<int32_t>(rows.size()) < count) {
        std::vector<Variant>& current = Current().values;
        std::vector<Variant> values;
        // A table-type recordset reads its current record anew at every
        // move, so the values it holds as its fields hold them (nearly
        // always all of them) are handed over rather than copied: at the
        // record limit that is half a million values. A query's records
        // stay, to be moved to again.
        const bool handOver = !isQuery && HoldsFieldValues(current);
        if (handOver) {
            values = std::move(current);
        } else {
            values.reserve(columns->size());
            try {
                for (size_t i = 0; i < columns->size(); ++i)
                    values.push_back(
                        ConvertForField(current[i], ReadType((*columns)[i].type), FieldText(i)));
            } catch (const Failure&) {
                break;
            }
        }
        try {
            MoveNext();
        } catch (...) {
            // The record stays current, whole.
            if (handOver)
                Current().values = std::move(values);
            throw;
        }
        rows.push_back(std::move(values));
    }
    return rows;
}

bool RecordsetImpl::HoldsFieldValues(const std::vector<Variant>& values) const {
    for (size_t i = 0; i < columns->size(); ++i) {
        if (!HoldsFieldValue(values[i], ReadType((*columns)[i].type)))
            return false;
    }
    return true;
}

Recordset OpenTableRecordset(const std::shared_ptr<Connection>& conn, const TableInfo& table) {
    auto rs = std::make_shared<RecordsetImpl>();
    rs->conn = conn;
    rs->table = table.name;
    rs->columns = std::make_shared<const std::vector<ColumnInfo>>(table.columns);
    rs->fieldTexts = FieldTexts(table.name, table.columns);
    rs->updates = std::make_shared<UpdateStatements>();
    std::string columnList;
    for (const ColumnInfo& column : table.columns)
        columnList += ", " + QuoteName(column.name);
    rs->counters = table.Counters();
    rs->rowidAlias = RowIdAlias(table.Columns().columnNames);
    const std::string select =
        "SELECT " + rs->rowidAlias + columnList + " FROM " + QuoteName(table.name);
    rs->firstSql = select + " ORDER BY " + rs->rowidAlias + " LIMIT 1";
    rs->nextSql = select + " WHERE " + rs->rowidAlias + " > ?1 ORDER BY " + rs->rowidAlias;
    rs->walker = conn->NewWalker();
    rs->SetPosition(rs->FetchFirst());
    return Recordset(rs);
}

namespace {

// Whether the sort keys of stmt's current row (its last descending.size()
// columns) are whole numbers that the sort would place at or after previous
// (the keys of the row before, empty for the first row), which then takes
// them. Ties keep the table's order, as the sort itself breaks them by row id.
bool InSortOrder(sqlite3_stmt* stmt, const std::vector<bool>& descending,
                 std::vector<int64_t>& previous) {
    const int first = sqlite3_column_count(stmt) - static_cast<int>(descending.size());
    bool decided = previous.empty();
    previous.resize(descending.size());
    for (size_t k = 0; k < descending.size(); ++k) {
        sqlite3_value* value = sqlite3_column_value(stmt, first + static_cast<int>(k));
        if (sqlite3_value_type(value) != SQLITE_INTEGER)
            return false;
        const int64_t key = sqlite3_value_int64(value);
        if (!decided && key != previous[k]) {
            if ((key < previous[k]) != descending[k])
                return false;
            decided = true;
        }
        previous[k] = key;
    }
    return true;
}

}  // namespace

Recordset OpenQueryRecordset(const std::shared_ptr<Connection>& conn, std::string_view jetSql) {
    conn->CheckOpen(kSourceDatabase);
    const SelectText text(jetSql);
    const QueryPlan plan = conn->Plan(text);
    auto rs = std::make_shared<RecordsetImpl>();
    rs->conn = conn;
    rs->table = plan.query.table;
    rs->isQuery = true;
    rs->columns = plan.columns;
    rs->fieldTexts = plan.fieldTexts;
    rs->updates = plan.updates;
    rs->counters = plan.counters;
    rs->rowidAlias = plan.query.rowidAlias;
    const std::vector<SqlLiteral> literals = text.Literals();
    // Reads every row of stmt while accept(stmt) holds for it; false, and
    // the rows read kept, at the first it does not hold for.
    const auto readWhile = [&](sqlite3_stmt* stmt, auto&& accept) {
        conn->Ready(stmt, kSourceDatabase);
        // Bound after the statement is fetched: a real literal asks SQLite itself.
        for (size_t i = 0; i < literals.size(); ++i)
            conn->BindLiteral(stmt, static_cast<int>(i) + 1, literals[i]);
        bool accepted = true;
        while (accepted && conn->Step(stmt, kSourceDatabase, "running the query on ", rs->table)) {
            accepted = accept(stmt);
            if (accepted)
                rs->ReadRow(stmt, rs->rows.emplace_back());
        }
        sqlite3_reset(stmt);
        return accepted;
    };
    // Tables are mostly stored in the order they are sorted by (a template
    // by its ID): read in the table's order, the rows need no sort as long
    // as their keys come in order. The first key out of order (or not a
    // whole number) sends the query to the sort after all.
    std::vector<int64_t> previous;
    const auto inOrder = [&](sqlite3_stmt* stmt) {
        return InSortOrder(stmt, plan.query.descending, previous);
    };
    if (!plan.scan || !readWhile(plan.scan, inOrder)) {
        rs->rows.clear();
        readWhile(plan.statement, [](sqlite3_stmt*) { return true; });
    }
    rs->SetPosition(!rs->rows.empty());
    return Recordset(rs);
}

}  // namespace calvora::dao::detail
