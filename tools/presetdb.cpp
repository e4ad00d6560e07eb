// presetdb: looking into and making the preset databases of the program.
//
// Exit codes: 0 success, 1 usage error, 2 failure (one message on stderr).
#include <iostream>
#include <string>
#include <vector>

#include "tools/mdb_import.h"
#include "tools/presetdb_commands.h"
#include "tools/presetdb_diff.h"
#include "tools/presetdb_history.h"
#include "tools/presetdb_preview.h"
#include "tools/presetdb_restore.h"

namespace {

constexpr const char* kUsage =
    "presetdb: inspect and create the preset databases (SQLite files named .mdb)\n"
    "\n"
    "usage: presetdb tables FILE\n"
    "           the tables and their record counts\n"
    "       presetdb schema FILE [TABLE]\n"
    "           the fields: position, name, type code, type, size, declared type\n"
    "       presetdb dump FILE TABLE [--csv|--json]\n"
    "           the records of a table\n"
    "       presetdb sql FILE 'STATEMENT' [--csv|--json]\n"
    "           the records of a SELECT, in the dialect the program sends\n"
    "           (\"double-quoted\" texts, case-blind text equality)\n"
    "       presetdb create FILE SCRIPT.sql\n"
    "           a new database from a plain SQLite script; FILE must not exist\n"
    "       presetdb import [--check] [--in-place] [--force] SOURCE.mdb [TARGET]\n"
    "           an Access (Jet) database converted to this format\n"
    "       presetdb diff OLD NEW [--table TABLE] [--key FIELD,...] [--csv|--json]\n"
    "           rows only in OLD, only in NEW, and changed fields (exit 0 equal,\n"
    "           1 different, 2 failure)\n"
    "       presetdb history PROJECT [--csv|--json]\n"
    "           the runs kept in the project's history folder, newest first\n"
    "       presetdb restore PROJECT [RUN]\n"
    "           a kept backup (default: the newest) back as the unit database\n"
    "       presetdb preview PROJECT [PROGRAM ARGUMENTS...]\n"
    "           the report of a run, leaving the project and its logs unchanged\n"
    "       presetdb --help\n"
    "\n"
    "Declared column types carry the field types: BIT, BYTE, SHORT, LONG, COUNTER,\n"
    "CURRENCY, SINGLE, DOUBLE, DATETIME, TEXT(n), LONGBINARY, MEMO, GUID.\n"
    "Exit codes: 0 success, 1 usage error, 2 failure.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace calvora::tool;
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::cerr << kUsage;
        return kUsageError;
    }
    const std::string& command = words[0];
    const Args args(words.begin() + 1, words.end());
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return kSuccess;
    }
    if (command == "tables")
        return RunTables(args, std::cout, std::cerr);
    if (command == "schema")
        return RunSchema(args, std::cout, std::cerr);
    if (command == "dump")
        return RunDump(args, std::cout, std::cerr);
    if (command == "sql")
        return RunSql(args, std::cout, std::cerr);
    if (command == "create")
        return RunCreate(args, std::cout, std::cerr);
    if (command == "import")
        return calvora::RunImportCommand(args, std::cout, std::cerr);
    if (command == "diff")
        return RunDiffCommand(args, std::cout, std::cerr);
    if (command == "history")
        return RunHistoryCommand(args, std::cout, std::cerr);
    if (command == "restore")
        return RunRestoreCommand(args, std::cout, std::cerr);
    if (command == "preview")
        return RunPreviewCommand(args, std::cout, std::cerr);
    std::cerr << "presetdb: unknown command '" << command << "'\n\n" << kUsage;
    return kUsageError;
}
