#include "tools/jet_table_writer.h"

#include <cstring>
#include <map>
#include <set>

#include "tools/jet_record_writer.h"
#include "tools/jet_table_definition.h"
#include "tools/jet_usage_map.h"

namespace calvora::mdbexport {

namespace {

using mdbimport::Quoted;

std::string_view RecordAt(const JetImage& image, uint32_t pageRow) {
    const RowSpan span = image.Row(pageRow >> 8, pageRow & 0xff);
    return {reinterpret_cast<const char*>(image.Page(pageRow >> 8)) + span.start,
            span.end - span.start};
}

// Gives back the pages the table had: those its maps list, the map pages of
// reference maps, the pages holding its map records when nothing else is on
// them, and the definition's continuation pages.
void GiveBackOldPages(JetImage& image, uint32_t defPage, const OldDefinition& old) {
    std::set<uint32_t> pages(old.continuation.begin(), old.continuation.end());
    std::map<uint32_t, uint32_t> mapRecordsOnPage;
    for (uint32_t pageRow : old.maps) {
        const std::string_view record = RecordAt(image, pageRow);
        for (uint32_t p : MapPages(image, record))
            pages.insert(p);
        for (uint32_t p : MapPagesOf(record))
            pages.insert(p);
        ++mapRecordsOnPage[pageRow >> 8];
    }
    for (auto [page, records] : mapRecordsOnPage) {
        if (image.RowCount(page) == records)
            pages.insert(page);
    }
    for (uint32_t page : pages) {
        // The header pages and the definition itself are never the table's to give.
        if (page > 2 && page != defPage && page < image.PageCount())
            image.GiveBack(page);
    }
}

// The page holding the table's usage map records, in the order the
// definition lists them.
std::vector<uint32_t> WriteMapPage(JetImage& image, const std::vector<std::string>& records) {
    PageFiller maps(image, 0);
    std::vector<uint32_t> places;
    for (const std::string& record : records) {
        places.push_back(
            maps.Add(reinterpret_cast<const unsigned char*>(record.data()), record.size()));
    }
    return places;
}

}  // namespace

void ReplaceTable(JetImage& image, MdbCatalogEntry* entry, const TableRecords& records) {
    const ImportTable& table = records.table;
    const std::string where = image.FileName() + ": table " + Quoted(table.name) + ": ";
    const auto defPage = static_cast<uint32_t>(entry->table_pg);
    const OldDefinition old = ReadOldDefinition(image, defPage, where);
    GiveBackOldPages(image, defPage, old);

    RecordWriter writer(image, entry, table, records.source);
    int64_t record = 0;
    for (const std::vector<FieldValue>& row : records.rows)
        writer.Write(row, ++record);

    // Usage maps: the table's pages and those with space, then per memo /
    // OLE field the same for its long-value pages.
    std::vector<std::string> mapRecords{MapRecord(image, writer.Data().Pages()),
                                        MapRecord(image, writer.Data().PagesWithSpace())};
    for (size_t i = 0; i < table.fields.size(); ++i) {
        if (const PageFiller* lv = writer.LongValues(i)) {
            mapRecords.push_back(MapRecord(image, lv->Pages()));
            mapRecords.push_back(MapRecord(image, lv->PagesWithSpace()));
        }
    }
    if (mapRecords.size() > kMaxRowsPerPage ||
        mapRecords.size() * (kMapRecordSize + 2) > kPageSize - kDataHeader) {
        throw ExportFailure(where +
                            "it has more memo and OLE fields than one page of usage "
                            "maps holds");
    }
    const std::vector<uint32_t> maps = WriteMapPage(image, mapRecords);

    const std::string def = NewDefinition(old, records, maps, writer.HighestCounter(), where);
    unsigned char* page = image.Page(defPage);
    std::memset(page, 0, kPageSize);
    std::memcpy(page, def.data(), def.size());
}

}  // namespace calvora::mdbexport
