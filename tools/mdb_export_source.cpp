#include "tools/mdb_export_source.h"

#include "dao/dao.h"
#include "platform/failure.h"

namespace calvora::mdbexport {

namespace {

using mdbimport::Quoted;

FieldValue ValueOf(const Variant& v) {
    switch (v.Type()) {
        case VarType::Boolean:
            return int64_t{v.AsBoolean() ? -1 : 0};
        case VarType::Byte:
            return int64_t{v.AsByte()};
        case VarType::Integer:
            return int64_t{v.AsInteger()};
        case VarType::Long:
            return int64_t{v.AsLong()};
        case VarType::Currency:
            return static_cast<double>(v.AsCurrency().scaled) / 10000.0;
        case VarType::Single:
            return static_cast<double>(v.AsSingle());
        case VarType::Double:
            return v.AsDouble();
        case VarType::Date:
            return dao::DateToText(v.AsDate());
        case VarType::String:
            return std::string(v.AsText());
        case VarType::Binary: {
            const Bytes& bytes = v.AsBinary();
            return mdbimport::Blob{std::string(bytes.begin(), bytes.end())};
        }
        case VarType::Empty:
        case VarType::Null:
            break;
    }
    return std::monostate{};
}

ImportField FieldOf(const dao::Field& f) {
    ImportField field;
    field.name = f.Name();
    field.type = f.Type();
    field.size = f.Size();
    field.counter = dao::ParseDeclaredType(f.DeclaredType()).counter;
    return field;
}

}  // namespace

std::vector<TableRecords> ReadProjectTables(const std::filesystem::path& file) {
    std::vector<TableRecords> tables;
    const std::string where = Quoted(file.string()) + ": ";
    std::string place;  // the table, field and record being read
    try {
        auto db = dao::OpenDatabaseReadOnly(file);
        auto defs = db.TableDefs();
        for (int32_t t = 0; t < defs.Count(); ++t) {
            TableRecords records;
            records.table.name = defs.Item(t).Name();
            records.source = Quoted(file.string());
            place = "table " + Quoted(records.table.name) + ": ";
            auto rs = db.OpenRecordset(records.table.name);
            auto fields = rs.Fields();
            for (int32_t i = 0; i < fields.Count(); ++i)
                records.table.fields.push_back(FieldOf(fields.Item(i)));
            for (int64_t record = 1; !rs.Eof(); ++record, rs.MoveNext()) {
                std::vector<FieldValue>& row = records.rows.emplace_back();
                for (int32_t i = 0; i < fields.Count(); ++i) {
                    place = "table " + Quoted(records.table.name) + ", field " +
                            Quoted(records.table.fields[static_cast<size_t>(i)].name) +
                            ", record " + std::to_string(record) + ": ";
                    row.push_back(ValueOf(fields.Item(i).Value()));
                }
            }
            records.table.recordCount = static_cast<int64_t>(records.rows.size());
            tables.push_back(std::move(records));
            place.clear();
        }
        db.Close();
    } catch (const Failure& f) {
        throw ExportFailure(where + place + f.Description() + " (error " +
                            std::to_string(f.Number()) + ")");
    }
    return tables;
}

}  // namespace calvora::mdbexport
