// The regenerated PRESET_DEFS held in memory.
//
// Record generation builds every record here, the takeover completes them,
// and only then is each record written, once. Writing a record and then
// changing it costs as much again as writing it, and the takeover would
// change most of them; holding the table in memory also lets the takeover
// find a record by its keys in a hash map instead of a query per row.
//
// The values held are already converted to their field's type, as the
// engine converts a value written into the field, so a value that cannot be
// stored fails where it is formed, at the step that forms it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dao/conversion.h"
#include "dao/database.h"
#include "dao/schema.h"
#include "errors/error_protocol.h"
#include "platform/variant.h"

namespace calvora {

struct PresetTable {
    std::vector<std::string> fieldNames;  // PRESET_DEFS's fields, in their order
    std::vector<dao::ColumnType> fieldTypes;
    std::vector<std::string> fieldTexts;        // "PRESET_DEFS.<name>", naming a field in failures
    std::vector<std::vector<Variant>> records;  // [record][field], in the order written

    // Reads the fields (names and types) of db's PRESET_DEFS; no records.
    // Raises what opening the table raises (3078 without it).
    static PresetTable FieldsOf(dao::Database& db);

    // The position of the field named name (letter case ignored, as the
    // engine finds fields), or -1.
    int32_t Find(std::string_view name) const;
    // As Find; raises 3265 when there is no such field.
    size_t Item(std::string_view name) const;
    // value converted to field i's type. Raises 3421 or 3163 as writing it
    // into the field would. Inline: generation converts every value of every
    // record, nearly all of them already of their field's type.
    Variant Converted(size_t i, const Variant& value) const {
        return dao::ConvertForField(value, fieldTypes[i], fieldTexts[i]);
    }
    // The same for a value no longer needed: moved, not copied, when it is
    // already of the field's type.
    Variant Converted(size_t i, Variant&& value) const {
        return dao::ConvertForField(std::move(value), fieldTypes[i], fieldTexts[i]);
    }
};

// Appends every record of table to db's PRESET_DEFS, each as one step of
// proc. A record that cannot be stored is reported and left out.
void WritePresetTable(Proc& proc, dao::Database& db, const PresetTable& table);

}  // namespace calvora
