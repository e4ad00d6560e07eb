// Replacing the fields and records of one table of a Jet 4 file in place.
//
// The table keeps its definition page (where the catalog points) and
// everything the catalog holds about it. Its definition is rewritten (field
// names, types, sizes, order, record count, the AutoNumber's last value),
// its records are written onto new data pages, memo and OLE values longer
// than 64 bytes onto long-value pages (one record when they fit a page,
// else a chain), and its usage maps (its pages, those with free space, and
// per memo / OLE field the long-value pages) onto a page of their own. The
// pages it had before are given back to the file.
//
// Only tables without indexes are written: an index would have to be
// rebuilt to match the records.
#pragma once

// glib first: mdbtools.h includes it inside extern "C", where glib's C++
// parts would not compile; its include guard then makes that inner include empty.
#include <glib.h>
#include <mdbtools.h>

#include "tools/jet_image.h"
#include "tools/jet_table_records.h"

namespace calvora::mdbexport {

// Writes records as the table whose definition is on page entry->table_pg.
// entry comes from the catalog of the same file, opened by mdbtools.
// Raises ExportFailure naming records.source, table, field and record
// (counted from 1) for a value its field cannot hold (a number out of
// range, a text longer than the field, a date or GUID of the wrong form),
// for a record longer than Access allows, when the table has indexes or its
// new definition needs more than a page, and when the file would outgrow
// what Jet addresses. image is then partly changed and must be dropped.
void ReplaceTable(JetImage& image, MdbCatalogEntry* entry, const TableRecords& records);

}  // namespace calvora::mdbexport
