#include "tools/jet_table_definition.h"

#include <algorithm>

#include "platform/text.h"
#include "tools/jet_columns.h"
#include "tools/jet_values.h"
#include "tools/mdb_values.h"

namespace calvora::mdbexport {

namespace {

using mdbimport::ReadInt16;
using mdbimport::ReadInt32;

// Table definition page (offsets of Jet 4, as mdbtools documents them).
constexpr size_t kDefHeader = 8;  // page type, free space, next page
constexpr size_t kDefLength = 8;
constexpr size_t kDefRecordCount = 16;
constexpr size_t kDefAutoNumber = 20;
constexpr size_t kDefMaxColumns = 41;
constexpr size_t kDefVarColumns = 43;
constexpr size_t kDefColumns = 45;
constexpr size_t kDefIndexes = 47;
constexpr size_t kDefRealIndexes = 51;
constexpr size_t kDefUsedPages = 55;
constexpr size_t kDefFreePages = 59;
constexpr size_t kDefFixedPart = 63;
constexpr size_t kColumnSize = 25;
constexpr uint16_t kEndOfLongValueMaps = 0xffff;

// Column flags.
constexpr unsigned char kFixedColumn = 0x01;
constexpr unsigned char kNullableColumn = 0x02;
constexpr unsigned char kAutoNumberColumn = 0x04;
constexpr uint16_t kGeneralSortOrder = 0x0409;

}  // namespace

OldDefinition ReadOldDefinition(const JetImage& image, uint32_t defPage, const std::string& where) {
    OldDefinition old;
    const unsigned char* page = image.Page(defPage);
    if (page[0] != 0x02)
        throw ExportFailure(where + "its definition page is not one (the file is damaged)");
    old.bytes.assign(reinterpret_cast<const char*>(page), kPageSize);
    for (auto next = static_cast<uint32_t>(ReadInt32(page + 4)); next != 0;) {
        if (next >= image.PageCount() || old.continuation.size() > image.PageCount() ||
            image.Page(next)[0] != 0x02) {
            throw ExportFailure(where + "its definition is cut short (the file is damaged)");
        }
        old.continuation.push_back(next);
        old.bytes.append(reinterpret_cast<const char*>(image.Page(next)) + kDefHeader,
                         kPageSize - kDefHeader);
        next = static_cast<uint32_t>(ReadInt32(image.Page(next) + 4));
    }
    const auto* p = reinterpret_cast<const unsigned char*>(old.bytes.data());
    if (ReadInt32(p + kDefIndexes) != 0 || ReadInt32(p + kDefRealIndexes) != 0) {
        throw ExportFailure(where +
                            "it has indexes in the Access file; tables with indexes are not "
                            "written");
    }
    old.maps.push_back(static_cast<uint32_t>(ReadInt32(p + kDefUsedPages)));
    old.maps.push_back(static_cast<uint32_t>(ReadInt32(p + kDefFreePages)));
    const size_t columns = static_cast<uint16_t>(ReadInt16(p + kDefColumns));
    size_t at = kDefFixedPart + columns * kColumnSize;
    auto need = [&](size_t n) {
        if (at + n > old.bytes.size())
            throw ExportFailure(where + "its definition is cut short (the file is damaged)");
    };
    std::vector<OldDefinition::Column> defs;
    for (size_t i = 0; i < columns; ++i) {
        const size_t c = kDefFixedPart + i * kColumnSize;
        defs.push_back({p[c], old.bytes.substr(c + 11, 6)});
    }
    for (size_t i = 0; i < columns; ++i) {
        need(2);
        const size_t length = static_cast<uint16_t>(ReadInt16(p + at));
        need(2 + length);
        const auto name = mdbimport::DecodeText(old.bytes.substr(at + 2, length), true);
        if (name)
            old.columns[UCase(*name)] = defs[i];
        at += 2 + length;
    }
    for (;;) {
        need(2);
        if (static_cast<uint16_t>(ReadInt16(p + at)) == kEndOfLongValueMaps)
            break;
        need(10);
        old.maps.push_back(static_cast<uint32_t>(ReadInt32(p + at + 2)));
        old.maps.push_back(static_cast<uint32_t>(ReadInt32(p + at + 6)));
        at += 10;
    }
    return old;
}

std::string NewDefinition(const OldDefinition& old, const TableRecords& records,
                          const std::vector<uint32_t>& maps, int64_t highestCounter,
                          const std::string& where) {
    const ImportTable& table = records.table;
    // The definition: the old header (table kind, flags Jet keeps there),
    // then the new counts, columns, names and long-value maps.
    std::string def = old.bytes.substr(0, kDefFixedPart);
    const std::string columnTag = old.bytes.substr(12, 4);
    uint16_t varColumns = 0;
    uint16_t fixedOffset = 0;
    std::string names;
    std::string longValueMaps;
    size_t longValueIndex = 0;
    for (size_t i = 0; i < table.fields.size(); ++i) {
        const ImportField& field = table.fields[i];
        const bool fixed = IsFixed(field.type);
        std::string c(kColumnSize, '\0');
        c[0] = static_cast<char>(AccessType(field.type));
        c.replace(1, 4, columnTag);
        PutUnsigned(c, 5, i, 2);
        // A variable column's place in the record's offset table; Access
        // gives a fixed column the count of variable ones before it.
        PutUnsigned(c, 7, varColumns, 2);
        PutUnsigned(c, 9, i, 2);
        // A field of the same name and type keeps its sort order, flags and
        // Unicode compression setting; a new one gets Access's defaults.
        const auto same = old.columns.find(UCase(field.name));
        if (same != old.columns.end() && same->second.type == c[0]) {
            c.replace(11, 6, same->second.misc);
        } else if (field.type == dao::DataType::Text || field.type == dao::DataType::Memo) {
            PutUnsigned(c, 11, kGeneralSortOrder, 2);
        }
        unsigned char flags = static_cast<unsigned char>(c[15]);
        flags = static_cast<unsigned char>(flags & ~(kFixedColumn | kAutoNumberColumn)) |
                kNullableColumn | (fixed ? kFixedColumn : 0) |
                (field.counter ? kAutoNumberColumn : 0);
        c[15] = static_cast<char>(flags);
        // A Boolean has no place in the record (it lives in the null mask);
        // Access states offset 0 for it.
        const bool placed = fixed && field.type != dao::DataType::Boolean;
        PutUnsigned(c, 21, placed ? fixedOffset : 0, 2);
        PutUnsigned(c, 23, field.type == dao::DataType::Boolean ? 1 : ColumnLength(field), 2);
        def += c;
        if (fixed)
            fixedOffset = static_cast<uint16_t>(fixedOffset + ColumnLength(field));
        else
            ++varColumns;
        size_t units = 0;
        const std::string name = Utf16Bytes(field.name, units);
        std::string length(2, '\0');
        PutUnsigned(length, 0, name.size(), 2);
        names += length + name;
        if (IsLongValue(field.type)) {
            std::string entryBytes(10, '\0');
            PutUnsigned(entryBytes, 0, i, 2);
            PutUnsigned(entryBytes, 2, maps[2 + 2 * longValueIndex], 4);
            PutUnsigned(entryBytes, 6, maps[3 + 2 * longValueIndex], 4);
            longValueMaps += entryBytes;
            ++longValueIndex;
        }
    }
    def += names + longValueMaps;
    def += std::string("\xff\xff", 2);
    if (def.size() + kDefHeader > kPageSize) {
        throw ExportFailure(where + "its definition needs " + std::to_string(def.size()) +
                            " bytes, more than one page");
    }
    const auto fields = static_cast<uint16_t>(table.fields.size());
    // Jet states the page's free space less the 8 bytes of the page header.
    PutUnsigned(def, 2, kPageSize - def.size() - kDefHeader, 2);
    PutUnsigned(def, 4, 0, 4);  // the definition now fits its first page
    PutUnsigned(def, kDefLength, def.size(), 4);
    PutUnsigned(def, kDefRecordCount, records.rows.size(), 4);
    const auto lastNumber = static_cast<uint32_t>(
        ReadInt32(reinterpret_cast<const unsigned char*>(old.bytes.data()) + kDefAutoNumber));
    PutUnsigned(def, kDefAutoNumber,
                std::max<int64_t>(highestCounter, static_cast<int64_t>(lastNumber)), 4);
    PutUnsigned(def, kDefMaxColumns, fields, 2);
    PutUnsigned(def, kDefVarColumns, varColumns, 2);
    PutUnsigned(def, kDefColumns, fields, 2);
    PutUnsigned(def, kDefUsedPages, maps[0], 4);
    PutUnsigned(def, kDefFreePages, maps[1], 4);
    return def;
}

}  // namespace calvora::mdbexport
