// The commands of the presetdb tool that look into and make databases. Each
// Add...Command registers one command on the parser (see presetdb_cli.h);
// when the command line names it, it runs during parsing, writes its result
// to out and raises Failure (exit code 2) when it cannot complete.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>

namespace calvora::tool {

// tables FILE: one row per table: its name and its record count.
void AddTablesCommand(CLI::App& app, std::ostream& out);

// schema FILE [TABLE]: one row per field: table, position, name, type code,
// type name, size and declared type.
void AddSchemaCommand(CLI::App& app, std::ostream& out);

// dump FILE TABLE: the table's records. An unknown table raises 3265 naming
// the tables the file has.
void AddDumpCommand(CLI::App& app, std::ostream& out);

// sql FILE STATEMENT: the records a SELECT of the program's dialect gives.
// A statement outside the dialect raises 3075 (3129 when it is no SELECT)
// saying what the dialect accepts and that the sqlite3 shell reads the same
// file; an unknown table raises 3078 naming the tables the file has.
void AddSqlCommand(CLI::App& app, std::ostream& out);

// create FILE SCRIPT.sql: a new database from a plain SQLite script (see
// presetdb_create.h).
void AddCreateCommand(CLI::App& app, std::ostream& out);

}  // namespace calvora::tool
