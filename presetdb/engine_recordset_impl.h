// Opening recordsets (Database::OpenRecordset decides which kind).
#pragma once

#include <memory>
#include <string_view>

#include "presetdb/dao_recordset.h"
#include "presetdb/engine_connection.h"

namespace calvora::dao::detail {

// A table-type recordset over every column of the table, in storage order.
Recordset OpenTableRecordset(const std::shared_ptr<Connection>& conn, const TableInfo& table);

// A query recordset over a SELECT text of the dialect (dao_dialect.h).
Recordset OpenQueryRecordset(const std::shared_ptr<Connection>& conn, std::string_view jetSql);

}  // namespace calvora::dao::detail
