// The engine's side of TableDef: a new definition collects its fields until
// it is appended; a stored one reads its fields from the file on every use,
// so renames and appends through any handle are seen at once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dao/detail/connection.h"
#include "dao/detail/field_impl.h"

namespace calvora::dao::detail {

class TableDefImpl {
  public:
    TableDefImpl(std::shared_ptr<Connection> conn, std::string name, bool stored)
        : conn(std::move(conn)), name(std::move(name)), stored(stored) {}

    // The stored table as the file has it now. Raises 3420 when the
    // database is closed, 3265 when the table is gone.
    const TableInfo& Info() const;

    std::shared_ptr<Connection> conn;
    std::string name;
    bool stored;
    std::vector<std::shared_ptr<NewFieldImpl>> pending;  // fields of a new definition
};

// Creates the stored table of a new definition (TableDefs::Append).
void StoreTableDef(Connection& conn, TableDefImpl& def);

// Raises 3125 when name is empty.
void CheckName(std::string_view name, const char* source, const char* what);

}  // namespace calvora::dao::detail
