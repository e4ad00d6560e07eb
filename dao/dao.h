// The database engine: a DAO-style object model over SQLite. It knows
// nothing of runs or presets; callers use the headers of this folder and
// never dao/detail/.
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
// database.h     opening, transactions, table definitions, indexes
// tabledef.h     table definitions and field collections
// field.h        fields: name, type, size, properties, value
// recordset.h    records: moving, reading, editing, adding
// dialect.h      the SQL the engine understands
// schema.h       the on-disk convention of declared types
// conversion.h   how values convert to a field's type
// types.h        type codes and failure numbers
#pragma once

#include "dao/conversion.h"
#include "dao/database.h"
#include "dao/dialect.h"
#include "dao/field.h"
#include "dao/recordset.h"
#include "dao/schema.h"
#include "dao/tabledef.h"
#include "dao/types.h"
