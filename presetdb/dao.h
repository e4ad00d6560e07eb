// The preset database engine: a DAO-style object model over SQLite.
//
//   auto db = dao::OpenDatabase(path);                 // 3024, 3343, 3051, 3045
//   auto rs = db.OpenRecordset("PRESET_DEFS");         // or a SELECT text
//   while (!rs.Eof()) {
//       rs.Edit();
//       rs.Fields().Item("var_name").SetValue(Variant::Text("x"));
//       rs.Update();
//       rs.MoveNext();
//   }
//   db.Close();                                        // commits
//
// dao_database.h  opening, transactions, table definitions, indexes
// dao_tabledef.h  table definitions and field collections
// dao_field.h     fields: name, type, size, properties, value
// dao_recordset.h records: moving, reading, editing, adding
// dao_dialect.h   the SQL the engine understands
// dao_schema.h    the on-disk convention of declared types
// dao_conversion.h how values convert to a field's type
// dao_types.h     type codes and failure numbers
#pragma once

#include "presetdb/dao_conversion.h"
#include "presetdb/dao_database.h"
#include "presetdb/dao_dialect.h"
#include "presetdb/dao_field.h"
#include "presetdb/dao_recordset.h"
#include "presetdb/dao_schema.h"
#include "presetdb/dao_tabledef.h"
#include "presetdb/dao_types.h"
