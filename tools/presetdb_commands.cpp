#include "tools/presetdb_commands.h"

#include <functional>
#include <iomanip>
#include <optional>

#include "dao/dao.h"
#include "platform/failure.h"
#include "tools/presetdb_create.h"
#include "tools/presetdb_format.h"

namespace calvora::tool {

namespace {

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

int Usage(std::ostream& err, const char* usage) {
    err << "usage: presetdb " << usage << "\n";
    return kUsageError;
}

}  // namespace

int Guarded(std::ostream& err, const std::function<void()>& body) {
    try {
        body();
        return kSuccess;
    } catch (const Failure& f) {
        err << "presetdb: error " << f.Number() << ": " << f.Description() << "\n";
        return kFailure;
    }
}

std::optional<OutputFormat> TakeFormat(Args& args) {
    OutputFormat format = OutputFormat::Text;
    for (auto it = args.begin(); it != args.end();) {
        if (*it == "--csv")
            format = OutputFormat::Csv;
        else if (*it == "--json")
            format = OutputFormat::Json;
        else if (it->rfind("--", 0) == 0)
            return std::nullopt;
        else {
            ++it;
            continue;
        }
        it = args.erase(it);
    }
    return format;
}

int RunTables(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1)
        return Usage(err, "tables FILE");
    return Guarded(err, [&] {
        auto db = dao::OpenDatabaseReadOnly(args[0]);
        auto defs = db.TableDefs();
        for (int32_t i = 0; i < defs.Count(); ++i) {
            const std::string name = defs.Item(i).Name();
            out << name << "\t" << db.OpenRecordset(name).RecordCount() << "\n";
        }
        db.Close();
    });
}

int RunSchema(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args.size() > 2)
        return Usage(err, "schema FILE [TABLE]");
    return Guarded(err, [&] {
        auto db = dao::OpenDatabaseReadOnly(args[0]);
        auto defs = db.TableDefs();
        std::vector<dao::TableDef> tables;
        if (args.size() == 2)
            tables.push_back(defs.Item(args[1]));
        else
            for (int32_t i = 0; i < defs.Count(); ++i)
                tables.push_back(defs.Item(i));
        for (const dao::TableDef& table : tables) {
            out << table.Name() << "\n";
            auto fields = table.Fields();
            for (int32_t i = 0; i < fields.Count(); ++i) {
                const dao::Field f = fields.Item(i);
                out << "  " << std::setw(3) << i << "  " << std::left << std::setw(24) << f.Name()
                    << std::right << std::setw(3) << static_cast<int>(f.Type()) << " " << std::left
                    << std::setw(11) << TypeName(f.Type()) << std::right << std::setw(4) << f.Size()
                    << "  " << f.DeclaredType() << "\n";
            }
        }
        db.Close();
    });
}

int RunDump(const Args& words, std::ostream& out, std::ostream& err) {
    Args args = words;
    const auto format = TakeFormat(args);
    if (!format || args.size() != 2)
        return Usage(err, "dump FILE TABLE [--csv|--json]");
    return Guarded(err, [&] {
        auto db = dao::OpenDatabaseReadOnly(args[0]);
        auto rs = db.OpenRecordset(db.TableDefs().Item(args[1]).Name());
        WriteRecords(rs, *format, out);
        db.Close();
    });
}

int RunSql(const Args& words, std::ostream& out, std::ostream& err) {
    Args args = words;
    const auto format = TakeFormat(args);
    if (!format || args.size() != 2)
        return Usage(err, "sql FILE 'STATEMENT' [--csv|--json]");
    return Guarded(err, [&] {
        auto db = dao::OpenDatabaseReadOnly(args[0]);
        if (!dao::IsSelectText(args[1]))
            throw Failure(dao::err::kInvalidStatement, dao::kSourceDatabase,
                          "Invalid SQL statement; only SELECT is supported: '" + args[1] + "'");
        auto rs = db.OpenRecordset(args[1]);
        WriteRecords(rs, *format, out);
        db.Close();
    });
}

int RunCreate(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2)
        return Usage(err, "create FILE SCRIPT.sql");
    return Guarded(err, [&] {
        CreateDatabaseFromScript(args[0], args[1]);
        out << "created " << args[0] << "\n";
    });
}

}  // namespace calvora::tool
