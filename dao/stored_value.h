// Values as the engine stores them: the one place that decides how a
// Variant held in a field's type becomes an SQLite value and back. The
// engine's recordsets use it, and so does any writer outside the engine that
// must produce files the engine reads exactly as its own (the Access import).
#pragma once

#include <sqlite3.h>

#include "dao/schema.h"
#include "platform/variant.h"

namespace calvora::dao {

// Binds a value held in a field's type (see ConvertForField) as SQLite
// stores it by the on-disk convention.
//
// MEMO is the one text type that SQLite gives numeric affinity (its name
// holds none of CHAR, CLOB, TEXT), so SQLite would turn a memo text such as
// "1.50" or "007" into a number and lose its spelling. A memo text that
// looks like a number is therefore bound as a blob of its UTF-8 bytes, which
// affinity leaves alone; ReadStored gives it back as text.
//
// lifetime: SQLITE_TRANSIENT (SQLite copies texts and blobs), or
// SQLITE_STATIC when value stays alive and unchanged until the statement is
// stepped and its bindings cleared or replaced.
void BindStored(sqlite3_stmt* stmt, int index, const Variant& value, const ColumnType& type,
                sqlite3_destructor_type lifetime = SQLITE_TRANSIENT);
// The same value as the result of an SQL function, stored as BindStored
// binds it.
void ResultStored(sqlite3_context* context, const Variant& value, const ColumnType& type);
// The stored value of a result column in its natural Variant: Null, Long (or
// Double beyond 32 bits), Double, Text or Binary; a blob in a Memo column is
// Text. A whole number in a Boolean field, or in a Byte or Integer field that
// holds it, comes as ConvertForField makes it for that field.
Variant ReadStored(sqlite3_stmt* stmt, int column, const ColumnType& type);

}  // namespace calvora::dao
