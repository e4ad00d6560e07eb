#include "dao/database.h"

#include "dao/detail/connection.h"
#include "dao/detail/nocase.h"
#include "dao/detail/recordset_impl.h"
#include "dao/detail/tabledef_impl.h"
#include "dao/dialect.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::dao {

namespace detail {

class TableDefsImpl {
  public:
    explicit TableDefsImpl(std::shared_ptr<Connection> conn) : conn(std::move(conn)) {}

    std::vector<std::string> Names() const {
        conn->CheckOpen(kSourceTableDefs);
        return conn->TableNames();
    }

    TableDef Stored(const std::string& name) const {
        return TableDef(std::make_shared<TableDefImpl>(conn, name, true));
    }

    std::shared_ptr<Connection> conn;
};

}  // namespace detail

namespace {

[[noreturn]] void RaiseNoTable(std::string_view name, const detail::Connection& conn) {
    throw Failure(err::kItemNotFound, kSourceTableDefs,
                  "Item not found in this collection: table '" + std::string(name) + "' in " +
                      conn.FileText());
}

// The connection of a collection that exists on an open database; raises 91
// for Nothing and 3420 after the database was closed.
detail::Connection& OpenConnection(const std::shared_ptr<detail::TableDefsImpl>& impl) {
    if (!impl)
        detail::RaiseNothing(kSourceTableDefs, "table definitions collection");
    impl->conn->CheckOpen(kSourceTableDefs);
    return *impl->conn;
}

}  // namespace

int32_t TableDefs::Count() const {
    if (!impl_)
        detail::RaiseNothing(kSourceTableDefs, "table definitions collection");
    return static_cast<int32_t>(impl_->Names().size());
}

TableDef TableDefs::Item(int32_t index) const {
    const int32_t count = Count();
    if (index < 0 || index >= count)
        throw Failure(err::kItemNotFound, kSourceTableDefs,
                      "Item not found in this collection: table number " + std::to_string(index) +
                          " (the database holds " + std::to_string(count) + ")");
    return impl_->Stored(impl_->Names()[index]);
}

TableDef TableDefs::Item(std::string_view name) const {
    detail::Connection& conn = OpenConnection(impl_);
    const detail::TableInfo* info = conn.FindTable(name);
    if (!info)
        RaiseNoTable(name, conn);
    return impl_->Stored(info->name);
}

bool TableDefs::Contains(std::string_view name) const {
    return OpenConnection(impl_).FindTable(name) != nullptr;
}

void TableDefs::Append(const TableDef& def) {
    detail::Connection& conn = OpenConnection(impl_);
    detail::TableDefImpl& target = def.Impl();
    detail::StoreTableDef(conn, target);
    target.conn = impl_->conn;
}

void TableDefs::Delete(std::string_view name) {
    detail::Connection& conn = OpenConnection(impl_);
    const detail::TableInfo* info = conn.FindTable(name);
    if (!info)
        RaiseNoTable(name, conn);
    conn.Exec("DROP TABLE " + detail::QuoteName(info->name), kSourceTableDefs);
}

void TableDefs::Refresh() {
    // The collection is read from the file whenever it is asked; refreshing
    // only checks that it can be.
    OpenConnection(impl_);
}

Database::Database(std::shared_ptr<detail::Connection> conn) : conn_(std::move(conn)) {}

Database::~Database() {
    if (conn_)
        conn_->CloseNoThrow();
}

Database::Database(Database&&) noexcept = default;

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        if (conn_)
            conn_->CloseNoThrow();
        conn_ = std::move(other.conn_);
    }
    return *this;
}

detail::Connection& Database::Conn() const {
    if (!conn_)
        detail::RaiseNothing(kSourceDatabase, "database");
    return *conn_;
}

const std::filesystem::path& Database::Path() const {
    return Conn().Path();
}

Recordset Database::OpenRecordset(std::string_view source) {
    Conn().CheckOpen(kSourceDatabase);
    if (const detail::TableInfo* table = IsSelectText(source) ? nullptr : conn_->FindTable(source))
        return detail::OpenTableRecordset(conn_, *table);
    // Not a table: a text with blanks is taken for SQL, so that a statement
    // other than SELECT is reported as such (3129).
    if (source.find_first_of(" \t\r\n") != std::string_view::npos)
        return detail::OpenQueryRecordset(conn_, source);
    return detail::OpenTableRecordset(conn_, conn_->Table(source, kSourceDatabase));
}

dao::TableDefs Database::TableDefs() {
    Conn().CheckOpen(kSourceDatabase);
    return dao::TableDefs(std::make_shared<detail::TableDefsImpl>(conn_));
}

TableDef Database::CreateTableDef(std::string_view name) {
    Conn().CheckOpen(kSourceDatabase);
    return TableDef(std::make_shared<detail::TableDefImpl>(conn_, std::string(name), false));
}

void Database::CheckIntegrity() {
    detail::Connection& conn = Conn();
    conn.CheckOpen(kSourceDatabase);
    sqlite3_stmt* check = conn.Prepare("PRAGMA integrity_check", kSourceDatabase);
    std::string found;
    // The check lists its findings one per row, or the single row "ok".
    while (conn.Step(check, kSourceDatabase, "the integrity check of ", conn.FileText())) {
        const unsigned char* text = sqlite3_column_text(check, 0);
        const std::string row = text ? reinterpret_cast<const char*>(text) : "";
        if (row != "ok")
            found += (found.empty() ? "" : "; ") + row;
    }
    if (!found.empty())
        throw Failure(err::kDatabaseDamaged, kSourceDatabase,
                      "The database '" + conn.FileText() + "' is damaged: " + found);
}

void Database::Discard() noexcept {
    if (conn_)
        conn_->Discard();
}

void Database::Close() {
    if (conn_)
        conn_->Close();
}

Database OpenDatabase(const std::filesystem::path& file, std::string_view nameInMessages) {
    return Database(
        detail::Connection::Open(file, detail::Connection::Access::ReadWrite, nameInMessages));
}

Database OpenDatabaseReadOnly(const std::filesystem::path& file) {
    return Database(detail::Connection::Open(file, detail::Connection::Access::ReadOnly));
}

}  // namespace calvora::dao
