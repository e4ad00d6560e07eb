#include "presetdb/preset_table.h"

#include "dao/recordset.h"
#include "platform/text.h"
#include "presetdb/preset_schema.h"

namespace calvora {

PresetTable PresetTable::FieldsOf(dao::Database& db) {
    PresetTable table;
    dao::Recordset rs = db.OpenRecordset(kPresetTable);
    dao::Fields fields = rs.Fields();
    for (int32_t i = 0; i < fields.Count(); ++i) {
        dao::Field field = fields.Item(i);
        table.fieldNames.push_back(field.Name());
        table.fieldTypes.push_back(dao::ParseDeclaredType(field.DeclaredType()));
        table.fieldTexts.push_back(std::string(kPresetTable) + "." + field.Name());
    }
    rs.Close();
    return table;
}

int32_t PresetTable::Find(std::string_view name) const {
    for (size_t i = 0; i < fieldNames.size(); ++i)
        if (EqualsNoCase(fieldNames[i], name))
            return static_cast<int32_t>(i);
    return -1;
}

size_t PresetTable::Item(std::string_view name) const {
    const int32_t i = Find(name);
    if (i < 0)
        throw Failure(dao::err::kItemNotFound, dao::kSourceFields,
                      "Item not found in this collection: field '" + std::string(name) + "'");
    return static_cast<size_t>(i);
}

void WritePresetTable(Proc& proc, dao::Database& db, const PresetTable& table) {
    if (table.records.empty())
        return;
    dao::Recordset target;
    proc.Step([&] { target = db.OpenRecordset(kPresetTable); });
    for (const std::vector<Variant>& record : table.records)
        proc.Step([&] { target.AddRecord(record); });
    proc.Step([&] { target.Close(); });
}

}  // namespace calvora
