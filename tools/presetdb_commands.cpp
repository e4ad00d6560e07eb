#include "tools/presetdb_commands.h"

#include <memory>
#include <string>
#include <vector>

#include "dao/dao.h"
#include "platform/failure.h"
#include "platform/text.h"
#include "tools/presetdb_cli.h"
#include "tools/presetdb_create.h"
#include "tools/presetdb_format.h"

namespace calvora::tool {

namespace {

constexpr const char* kSqlForm =
    "The statement is a SELECT in the dialect the program sends, nothing more:\n"
    "  SELECT * | field, ... FROM table [WHERE condition] [ORDER BY field [ASC|DESC], ...]\n"
    "  condition: field = value, joined by AND, in any parentheses;\n"
    "  value: a field, \"text\", 'text' or a number; text equality ignores case.\n"
    "Fields may be written table.field or [field]. OR, <, >, LIKE, functions and\n"
    "joins are not supported: for those use the sqlite3 shell on the same file\n"
    "(it is an SQLite database).\n"
    "Example:\n"
    "  presetdb sql Calvora.mdb 'SELECT var_name, min, max FROM PRESET_DEFS\n"
    "      WHERE machine_type = \"Extruder1\" AND part = 1 ORDER BY var_name'";

constexpr const char* kSqliteHint =
    "; for other queries use the sqlite3 shell on the same file: it is an SQLite database";

const char* TypeName(dao::DataType type) {
    switch (type) {
        case dao::DataType::Boolean:
            return "Boolean";
        case dao::DataType::Byte:
            return "Byte";
        case dao::DataType::Integer:
            return "Integer";
        case dao::DataType::Long:
            return "Long";
        case dao::DataType::Currency:
            return "Currency";
        case dao::DataType::Single:
            return "Single";
        case dao::DataType::Double:
            return "Double";
        case dao::DataType::Date:
            return "Date";
        case dao::DataType::Text:
            return "Text";
        case dao::DataType::LongBinary:
            return "LongBinary";
        case dao::DataType::Memo:
            return "Memo";
        case dao::DataType::Guid:
            return "GUID";
    }
    return "?";
}

// The arguments a command takes, filled in by the parser.
struct Words {
    std::string file;
    std::string second;  // TABLE, STATEMENT or SCRIPT, by command
};

std::vector<dao::TableDef> AllTables(dao::Database& db) {
    dao::TableDefs defs = db.TableDefs();
    std::vector<dao::TableDef> tables;
    for (int32_t i = 0; i < defs.Count(); ++i)
        tables.push_back(defs.Item(i));
    return tables;
}

std::string TableList(dao::Database& db) {
    std::string list;
    for (const dao::TableDef& table : AllTables(db))
        list += (list.empty() ? "" : ", ") + table.Name();
    return list.empty() ? "it has no tables" : "its tables: " + list;
}

// The table of that case-blind name; 3265 naming the tables there are.
dao::TableDef FindTable(dao::Database& db, const std::string& file, const std::string& name) {
    for (const dao::TableDef& table : AllTables(db))
        if (EqualsNoCase(table.Name(), name))
            return table;
    throw Failure(dao::err::kItemNotFound, dao::kSourceTableDefs,
                  "There is no table '" + name + "' in '" + file + "'; " + TableList(db));
}

}  // namespace

void AddTablesCommand(CLI::App& app, std::ostream& out) {
    auto words = std::make_shared<Words>();
    CLI::App* cmd = app.add_subcommand("tables", "the tables and their record counts");
    cmd->add_option("FILE", words->file, "the database")->required();
    auto format = AddOutputOptions(*cmd);
    cmd->callback([words, format, &out] {
        auto db = dao::OpenDatabaseReadOnly(words->file);
        RowWriter writer(*format, out, {"table", "records"});
        for (const dao::TableDef& table : AllTables(db))
            writer.Write({Variant::Text(table.Name()),
                          Variant::Long(db.OpenRecordset(table.Name()).RecordCount())});
        writer.Finish();
        db.Close();
    });
}

void AddSchemaCommand(CLI::App& app, std::ostream& out) {
    auto words = std::make_shared<Words>();
    CLI::App* cmd = app.add_subcommand(
        "schema", "the fields: table, position, name, type code, type name, size, declared type");
    cmd->add_option("FILE", words->file, "the database")->required();
    cmd->add_option("TABLE", words->second, "only this table (any letter case)");
    auto format = AddOutputOptions(*cmd);
    cmd->callback([words, format, &out] {
        auto db = dao::OpenDatabaseReadOnly(words->file);
        const std::vector<dao::TableDef> tables =
            words->second.empty()
                ? AllTables(db)
                : std::vector<dao::TableDef>{FindTable(db, words->file, words->second)};
        RowWriter writer(
            *format, out,
            {"table", "position", "field", "type", "type_name", "size", "declared_type"});
        for (const dao::TableDef& table : tables) {
            dao::Fields fields = table.Fields();
            for (int32_t i = 0; i < fields.Count(); ++i) {
                const dao::Field f = fields.Item(i);
                writer.Write({Variant::Text(table.Name()), Variant::Long(i),
                              Variant::Text(f.Name()),
                              Variant::Long(static_cast<int32_t>(f.Type())),
                              Variant::Text(TypeName(f.Type())), Variant::Long(f.Size()),
                              Variant::Text(f.DeclaredType())});
            }
        }
        writer.Finish();
        db.Close();
    });
}

void AddDumpCommand(CLI::App& app, std::ostream& out) {
    auto words = std::make_shared<Words>();
    CLI::App* cmd = app.add_subcommand("dump", "the records of a table");
    cmd->add_option("FILE", words->file, "the database")->required();
    cmd->add_option("TABLE", words->second, "the table (any letter case)")->required();
    auto format = AddOutputOptions(*cmd);
    cmd->callback([words, format, &out] {
        auto db = dao::OpenDatabaseReadOnly(words->file);
        auto rs = db.OpenRecordset(FindTable(db, words->file, words->second).Name());
        WriteRecords(rs, *format, out);
        db.Close();
    });
}

void AddSqlCommand(CLI::App& app, std::ostream& out) {
    auto words = std::make_shared<Words>();
    CLI::App* cmd =
        app.add_subcommand("sql", "the records of a SELECT, in the dialect the program sends");
    cmd->add_option("FILE", words->file, "the database")->required();
    cmd->add_option("STATEMENT", words->second, "the SELECT (see below)")->required();
    auto format = AddOutputOptions(*cmd);
    cmd->footer(std::string(kSqlForm) + "\n\n" + kFormatsHelp);
    cmd->callback([words, format, &out] {
        auto db = dao::OpenDatabaseReadOnly(words->file);
        try {
            if (!dao::IsSelectText(words->second))
                throw Failure(
                    dao::err::kInvalidStatement, dao::kSourceDatabase,
                    "Invalid SQL statement; only SELECT is supported: '" + words->second + "'");
            auto rs = db.OpenRecordset(words->second);
            WriteRecords(rs, *format, out);
        } catch (const Failure& f) {
            if (f.Number() == dao::err::kInputTableNotFound)
                throw Failure(f.Number(), f.Source(), f.Description() + "; " + TableList(db));
            if (f.Number() == dao::err::kSyntaxError || f.Number() == dao::err::kInvalidStatement)
                throw Failure(f.Number(), f.Source(), f.Description() + kSqliteHint);
            throw;
        }
        db.Close();
    });
}

void AddCreateCommand(CLI::App& app, std::ostream& out) {
    auto words = std::make_shared<Words>();
    CLI::App* cmd = app.add_subcommand(
        "create", "a new database from a plain SQLite script; FILE must not exist");
    cmd->add_option("FILE", words->file, "the new database")->required();
    cmd->add_option("SCRIPT", words->second, "the SQLite script (a regular file)")->required();
    cmd->footer(kCreateHelp);
    cmd->callback([words, &out] {
        CreateDatabaseFromScript(words->file, words->second);
        out << "created " << words->file << "\n";
    });
}

}  // namespace calvora::tool
