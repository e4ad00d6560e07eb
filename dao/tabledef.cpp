#include "dao/tabledef.h"

#include "dao/detail/nocase.h"
#include "dao/detail/tabledef_impl.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::dao {

namespace detail {

namespace {

[[noreturn]] void RaiseDuplicate(std::string_view table, std::string_view field) {
    throw Failure(
        err::kDuplicateField, kSourceFields,
        "Field '" + std::string(field) + "' is defined twice in table " + std::string(table));
}

// A column of a stored table, followed by name so that a rename through this
// handle keeps it pointing at the same column.
class TableFieldImpl : public FieldImpl {
  public:
    TableFieldImpl(std::shared_ptr<TableDefImpl> def, std::string column)
        : def_(std::move(def)), column_(std::move(column)) {}

    std::string Name() const override { return column_; }

    ColumnType Type() const override { return def_->Info().columns[Position()].type; }
    std::string DeclaredType() const override { return def_->Info().columns[Position()].declared; }

    void SetName(std::string_view name) override {
        CheckName(name, kSourceField, "field");
        if (name == column_)
            return;
        const TableInfo& info = def_->Info();
        const int self = Position();
        const int other = info.Find(name);
        if (other >= 0 && other != self)
            RaiseDuplicate(info.name, name);
        const std::string table = QuoteName(info.name);
        Connection& conn = *def_->conn;
        if (other == self) {
            // A change of letter case only: SQLite calls the same name a
            // duplicate, so go by way of a name no field has.
            const std::string interim = column_ + "\x01rename";
            conn.Exec("ALTER TABLE " + table + " RENAME COLUMN " + QuoteName(column_) + " TO " +
                          QuoteName(interim),
                      kSourceField);
            column_ = interim;
        }
        conn.Exec("ALTER TABLE " + table + " RENAME COLUMN " + QuoteName(column_) + " TO " +
                      QuoteName(name),
                  kSourceField);
        column_ = name;
    }

  private:
    int Position() const {
        const TableInfo& info = def_->Info();
        const int position = info.Find(column_);
        if (position < 0)
            throw Failure(
                err::kItemNotFound, kSourceField,
                "Item not found in this collection: field '" + column_ + "' of table " + info.name);
        return position;
    }

    std::shared_ptr<TableDefImpl> def_;
    std::string column_;
};

class TableFieldsImpl : public FieldsImpl {
  public:
    explicit TableFieldsImpl(std::shared_ptr<TableDefImpl> def) : def_(std::move(def)) {}

    int32_t Count() const override {
        if (!def_->stored)
            return static_cast<int32_t>(def_->pending.size());
        return static_cast<int32_t>(def_->Info().columns.size());
    }

    Field Item(int32_t index) const override {
        if (!def_->stored)
            return Field(def_->pending[index]);
        return Field(std::make_shared<TableFieldImpl>(def_, def_->Info().columns[index].name));
    }

    int32_t Find(std::string_view name) const override {
        if (def_->stored)
            return def_->Info().Find(name);
        for (size_t i = 0; i < def_->pending.size(); ++i)
            if (SameName(def_->pending[i]->Name(), name))
                return static_cast<int32_t>(i);
        return -1;
    }

    void Append(const Field& field) override {
        auto fresh = std::dynamic_pointer_cast<NewFieldImpl>(field.Shared());
        if (!fresh || fresh->appended)
            throw Failure(
                err::kInvalidOperation, kSourceFields,
                "Invalid operation: field " + field.Name() + " already belongs to a table");
        CheckName(fresh->Name(), kSourceFields, "field");
        if (Find(fresh->Name()) >= 0)
            RaiseDuplicate(def_->name, fresh->Name());
        if (def_->stored) {
            const ColumnType type = fresh->Type();
            def_->conn->Exec("ALTER TABLE " + QuoteName(def_->Info().name) + " ADD COLUMN " +
                                 QuoteName(fresh->Name()) + " " +
                                 DeclaredTypeFor(type.type, type.size),
                             kSourceFields);
        } else {
            def_->pending.push_back(fresh);
        }
        fresh->appended = true;
    }

  private:
    std::shared_ptr<TableDefImpl> def_;
};

}  // namespace

void CheckName(std::string_view name, const char* source, const char* what) {
    if (name.empty())
        throw Failure(err::kInvalidName, source,
                      std::string("An empty ") + what + " name is not a valid name");
}

const TableInfo& TableDefImpl::Info() const {
    conn->CheckOpen(kSourceTableDef);
    if (const TableInfo* info = conn->FindTable(name))
        return *info;
    throw Failure(err::kItemNotFound, kSourceTableDef,
                  "Item not found in this collection: table '" + name + "' in " + conn->FileText());
}

void StoreTableDef(Connection& conn, TableDefImpl& def) {
    if (def.stored)
        throw Failure(err::kInvalidOperation, kSourceTableDefs,
                      "Invalid operation: table " + def.name + " is already stored");
    CheckName(def.name, kSourceTableDefs, "table");
    if (def.pending.empty())
        throw Failure(err::kNoFields, kSourceTableDefs,
                      "No field defined: cannot append table definition " + def.name);
    if (conn.FindTable(def.name))
        throw Failure(err::kTableExists, kSourceTableDefs,
                      "Table '" + def.name + "' already exists in " + conn.FileText());
    std::string sql = "CREATE TABLE " + QuoteName(def.name) + " (";
    for (size_t i = 0; i < def.pending.size(); ++i) {
        const ColumnType type = def.pending[i]->Type();
        sql += (i ? ", " : "") + QuoteName(def.pending[i]->Name()) + " " +
               DeclaredTypeFor(type.type, type.size);
    }
    conn.Exec(sql + ")", kSourceTableDefs);
    def.stored = true;
    def.pending.clear();
}

}  // namespace detail

detail::TableDefImpl& TableDef::Impl() const {
    if (!impl_)
        detail::RaiseNothing(kSourceTableDef, "table definition");
    return *impl_;
}

std::string TableDef::Name() const {
    return Impl().name;
}

dao::Fields TableDef::Fields() const {
    Impl();
    return dao::Fields(std::make_shared<detail::TableFieldsImpl>(impl_));
}

Field TableDef::CreateField(std::string_view name, DataType type, int32_t size) const {
    Impl();
    DeclaredTypeFor(type, size);  // validates type and size
    const int32_t fieldSize = type == DataType::Text ? size : FixedSizeOf(type);
    return Field(
        std::make_shared<detail::NewFieldImpl>(std::string(name), ColumnType{type, fieldSize}));
}

}  // namespace calvora::dao
