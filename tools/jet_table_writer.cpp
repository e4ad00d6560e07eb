#include "tools/jet_table_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "platform/text.h"
#include "presetdb/dao_conversion.h"
#include "tools/jet_usage_map.h"
#include "tools/jet_values.h"
#include "tools/mdb_values.h"

namespace calvora::mdbexport {

namespace {

using mdbimport::Quoted;
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
constexpr size_t kRealIndexSize = 12;
constexpr size_t kColumnSize = 25;
constexpr uint16_t kEndOfLongValueMaps = 0xffff;

// Column flags.
constexpr unsigned char kFixedColumn = 0x01;
constexpr unsigned char kNullableColumn = 0x02;
constexpr unsigned char kAutoNumberColumn = 0x04;
constexpr uint16_t kGeneralSortOrder = 0x0409;

// Data and long-value pages.
constexpr size_t kRowCountOffset = 12;
constexpr size_t kDataHeader = 14;
constexpr uint32_t kMaxRowsPerPage = 255;
constexpr size_t kMaxRecordSize = 4060;  // what Access itself writes at most
constexpr size_t kInlineLongValue = 64;  // longer values go onto long-value pages
constexpr size_t kLongValueHeader = 12;
constexpr size_t kMaxLongValueRow = kPageSize - kDataHeader - 2 - 4;
constexpr uint32_t kMaxLongValue = 0x3fffff;  // the reference has 22 bits of length
constexpr unsigned char kLongValueInline = 0x80;
constexpr unsigned char kLongValueSinglePage = 0x40;
constexpr unsigned char kLongValueChain = 0x00;

struct OldColumn {
    unsigned char type = 0;
    std::string misc;  // sort order, its version, flags, compression
};

// What the old definition says that the new one keeps or gives back.
struct OldDefinition {
    std::string bytes;                   // the definition, continuation pages appended
    std::vector<uint32_t> continuation;  // its further pages
    std::vector<uint32_t> maps;          // page/row of every usage map record
    std::map<std::string, OldColumn> columns;
};

unsigned char AccessType(dao::DataType type) {
    switch (type) {
        case dao::DataType::Boolean:
            return MDB_BOOL;
        case dao::DataType::Byte:
            return MDB_BYTE;
        case dao::DataType::Integer:
            return MDB_INT;
        case dao::DataType::Long:
            return MDB_LONGINT;
        case dao::DataType::Currency:
            return MDB_MONEY;
        case dao::DataType::Single:
            return MDB_FLOAT;
        case dao::DataType::Double:
            return MDB_DOUBLE;
        case dao::DataType::Date:
            return MDB_DATETIME;
        case dao::DataType::Text:
            return MDB_TEXT;
        case dao::DataType::LongBinary:
            return MDB_OLE;
        case dao::DataType::Memo:
            return MDB_MEMO;
        case dao::DataType::Guid:
            return MDB_REPID;
    }
    return 0;
}

bool IsLongValue(dao::DataType type) {
    return type == dao::DataType::Memo || type == dao::DataType::LongBinary;
}

bool IsFixed(dao::DataType type) {
    return type != dao::DataType::Text && !IsLongValue(type);
}

// Bytes a column takes in a record (Text: its size in UTF-16 bytes). A
// Boolean lives in the null mask and takes none, though Jet states 1.
uint16_t ColumnLength(const ImportField& field) {
    if (field.type == dao::DataType::Boolean)
        return 0;
    if (field.type == dao::DataType::Text)
        return static_cast<uint16_t>(field.size * 2);
    return static_cast<uint16_t>(dao::FixedSizeOf(field.type));
}

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
    std::vector<OldColumn> defs;
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

// Fills pages of one kind with records, from the end of each page down, as
// Jet lays them out; a new page when the record does not fit.
class PageFiller {
  public:
    PageFiller(JetImage& image, uint32_t owner) : image_(image), owner_(owner) {}

    // Places record; returns its page and row as Jet refers to them.
    uint32_t Add(const unsigned char* record, size_t size) {
        if (current_ == 0 || rows_ == kMaxRowsPerPage || FreeSpace() < size + 2)
            NewPage();
        unsigned char* page = image_.Page(current_);
        top_ -= size;
        std::memcpy(page + top_, record, size);
        PutUnsigned(page + kRowCountOffset + 2 + 2 * rows_, top_, 2);
        ++rows_;
        PutUnsigned(page + kRowCountOffset, rows_, 2);
        PutUnsigned(page + 2, FreeSpace(), 2);
        return current_ << 8 | (rows_ - 1);
    }

    const std::set<uint32_t>& Pages() const { return pages_; }
    // The last page, the only one with room worth looking for.
    std::set<uint32_t> PagesWithSpace() const {
        if (current_ == 0 || rows_ == kMaxRowsPerPage || FreeSpace() < 2)
            return {};
        return {current_};
    }

  private:
    size_t FreeSpace() const { return top_ - (kDataHeader + 2 * size_t{rows_}); }

    void NewPage() {
        current_ = image_.Allocate();
        pages_.insert(current_);
        unsigned char* page = image_.Page(current_);
        page[0] = 0x01;
        page[1] = 0x01;
        PutUnsigned(page + 4, owner_, 4);
        rows_ = 0;
        top_ = kPageSize;
        PutUnsigned(page + 2, FreeSpace(), 2);
    }

    JetImage& image_;
    uint32_t owner_;
    uint32_t current_ = 0;
    uint32_t rows_ = 0;
    size_t top_ = kPageSize;
    std::set<uint32_t> pages_;
};

// "LVAL" in place of the owning table's page marks a long-value page.
constexpr uint32_t kLongValueOwner = 0x4c41564c;

struct TableDefFree {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

class RecordWriter {
  public:
    RecordWriter(JetImage& image, MdbCatalogEntry* entry, const TableRecords& records)
        : image_(image),
          table_(records.table),
          where_(records.source + ": table " + Quoted(table_.name) + ", "),
          data_(image, static_cast<uint32_t>(entry->table_pg)),
          packer_(mdb_alloc_tabledef(entry)) {
        for (const ImportField& field : table_.fields) {
            if (!IsFixed(field.type))
                ++packer_->num_var_cols;
            longValues_.emplace_back(IsLongValue(field.type)
                                         ? std::make_unique<PageFiller>(image, kLongValueOwner)
                                         : nullptr);
        }
    }

    void Write(const std::vector<FieldValue>& row, int64_t record) {
        const size_t n = table_.fields.size();
        std::vector<std::string> stored(n);
        std::vector<MdbField> fields(n);
        size_t size = 8 + 2 * n;
        for (size_t i = 0; i < n; ++i) {
            const ImportField& field = table_.fields[i];
            MdbField& f = fields[i];
            f.colnum = static_cast<int>(i);
            f.is_fixed = IsFixed(field.type);
            f.is_null = !Encode(field, i < row.size() ? row[i] : FieldValue{}, record, stored[i]);
            // A fixed field keeps its place in the record when it is null.
            if (f.is_fixed)
                stored[i].resize(ColumnLength(field), '\0');
            f.value = stored[i].data();
            f.siz = static_cast<int>(stored[i].size());
            size += stored[i].size();
        }
        std::vector<unsigned char> buffer(size);
        const auto packed = static_cast<size_t>(
            mdb_pack_row(packer_.get(), buffer.data(), static_cast<unsigned>(n), fields.data()));
        if (packed > kMaxRecordSize) {
            throw ExportFailure(where_ + "record " + std::to_string(record) + " needs " +
                                std::to_string(packed) +
                                " bytes, more than an Access record holds (" +
                                std::to_string(kMaxRecordSize) + ")");
        }
        data_.Add(buffer.data(), packed);
    }

    // Write, naming the record that no longer finds a page.
    void WriteNumbered(const std::vector<FieldValue>& row, int64_t record) {
        try {
            Write(row, record);
        } catch (const PageLimitFailure& f) {
            throw ExportFailure(where_ + "record " + std::to_string(record) + ": " + f.what());
        }
    }

    const PageFiller& Data() const { return data_; }
    const PageFiller* LongValues(size_t column) const { return longValues_[column].get(); }
    int64_t HighestCounter() const { return highestCounter_; }

  private:
    [[noreturn]] void Fail(const ImportField& field, int64_t record, const std::string& why) const {
        throw ExportFailure(where_ + "field " + Quoted(field.name) + ", record " +
                            std::to_string(record) + ": " + why);
    }

    int64_t Whole(const ImportField& field, const FieldValue& v, int64_t record, int64_t low,
                  int64_t high, const char* type) const {
        const auto* whole = std::get_if<int64_t>(&v);
        if (!whole)
            Fail(field, record,
                 std::string("the value is not a whole number for an Access ") + type);
        if (*whole < low || *whole > high) {
            Fail(field, record,
                 "the value " + std::to_string(*whole) + " does not fit an Access " + type + " (" +
                     std::to_string(low) + " to " + std::to_string(high) + ")");
        }
        return *whole;
    }

    double Real(const ImportField& field, const FieldValue& v, int64_t record) const {
        const auto* real = std::get_if<double>(&v);
        if (const auto* whole = std::get_if<int64_t>(&v))
            return static_cast<double>(*whole);
        if (!real || !std::isfinite(*real))
            Fail(field, record, "the value is not a finite number");
        return *real;
    }

    const std::string& Text(const ImportField& field, const FieldValue& v, int64_t record) const {
        const auto* text = std::get_if<std::string>(&v);
        if (!text)
            Fail(field, record, "the value is not a text");
        return *text;
    }

    // The stored bytes of one value; false for Null (and a false Boolean,
    // which Jet keeps as a cleared bit of the null mask).
    bool Encode(const ImportField& field, const FieldValue& v, int64_t record, std::string& out) {
        if (field.type == dao::DataType::Boolean) {
            const auto* whole = std::get_if<int64_t>(&v);
            return whole && *whole != 0;
        }
        if (std::holds_alternative<std::monostate>(v))
            return false;
        const int width = ColumnLength(field);
        out.assign(static_cast<size_t>(IsFixed(field.type) ? width : 0), '\0');
        auto* p = reinterpret_cast<unsigned char*>(out.data());
        switch (field.type) {
            case dao::DataType::Byte:
                PutUnsigned(p, static_cast<uint64_t>(Whole(field, v, record, 0, 255, "Byte")), 1);
                break;
            case dao::DataType::Integer:
                PutUnsigned(
                    p,
                    static_cast<uint64_t>(Whole(field, v, record, INT16_MIN, INT16_MAX, "Integer")),
                    2);
                break;
            case dao::DataType::Long: {
                const int64_t n = Whole(field, v, record, INT32_MIN, INT32_MAX, "Long Integer");
                if (field.counter)
                    highestCounter_ = std::max(highestCounter_, n);
                PutUnsigned(p, static_cast<uint64_t>(n), 4);
                break;
            }
            case dao::DataType::Currency: {
                const double amount = Real(field, v, record);
                if (std::fabs(amount) > 922337203685477.5807)
                    Fail(field, record, "the amount does not fit an Access Currency");
                PutUnsigned(p, static_cast<uint64_t>(std::llround(amount * 10000.0)), 8);
                break;
            }
            case dao::DataType::Single: {
                const double real = Real(field, v, record);
                if (std::fabs(real) > 3.402823466e38)
                    Fail(field, record, "the value does not fit an Access Single");
                PutUnsigned(p, std::bit_cast<uint32_t>(static_cast<float>(real)), 4);
                break;
            }
            case dao::DataType::Double:
                PutUnsigned(p, std::bit_cast<uint64_t>(Real(field, v, record)), 8);
                break;
            case dao::DataType::Date: {
                Date date;
                if (!dao::TextToDate(Text(field, v, record), date))
                    Fail(field, record, "the value is not a date");
                PutUnsigned(p, std::bit_cast<uint64_t>(date.serial), 8);
                break;
            }
            case dao::DataType::Guid: {
                const auto guid = GuidBytes(Text(field, v, record));
                if (!guid)
                    Fail(field, record, "the value is not a Replication ID");
                out = *guid;
                break;
            }
            case dao::DataType::Text: {
                size_t units = 0;
                out = Utf16Bytes(Text(field, v, record), units);
                if (units > static_cast<size_t>(field.size)) {
                    Fail(field, record,
                         "the text has " + std::to_string(units) +
                             " characters, more than the field size " + std::to_string(field.size));
                }
                break;
            }
            case dao::DataType::Memo: {
                size_t units = 0;
                out = LongValue(field, Utf16Bytes(Text(field, v, record), units), record);
                break;
            }
            case dao::DataType::LongBinary: {
                const auto* blob = std::get_if<mdbimport::Blob>(&v);
                if (!blob)
                    Fail(field, record, "the value is not binary");
                out = LongValue(field, blob->bytes, record);
                break;
            }
            case dao::DataType::Boolean:
                break;
        }
        return true;
    }

    // The 12-byte reference of a memo or OLE value, the value itself after
    // it when it is short, else on the field's long-value pages.
    std::string LongValue(const ImportField& field, const std::string& bytes, int64_t record) {
        if (bytes.size() > kMaxLongValue)
            Fail(field, record, "the value is longer than an Access record refers to");
        std::string ref(kLongValueHeader, '\0');
        PutUnsigned(ref, 0, bytes.size(), 3);
        if (bytes.size() <= kInlineLongValue) {
            ref[3] = static_cast<char>(kLongValueInline);
            return ref + bytes;
        }
        PageFiller& pages = *longValues_[ColumnOf(field)];
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        if (bytes.size() <= kMaxLongValueRow + 4) {
            ref[3] = static_cast<char>(kLongValueSinglePage);
            PutUnsigned(ref, 4, pages.Add(data, bytes.size()), 4);
            return ref;
        }
        // A chain: each piece starts with the page and row of the next, so
        // the pieces are written last first.
        const size_t piece = kMaxLongValueRow;
        uint32_t next = 0;
        for (size_t start = (bytes.size() - 1) / piece * piece;; start -= piece) {
            std::string row(4, '\0');
            PutUnsigned(row, 0, next, 4);
            row.append(bytes, start, piece);
            next = pages.Add(reinterpret_cast<const unsigned char*>(row.data()), row.size());
            if (start == 0)
                break;
        }
        ref[3] = static_cast<char>(kLongValueChain);
        PutUnsigned(ref, 4, next, 4);
        return ref;
    }

    size_t ColumnOf(const ImportField& field) const {
        return static_cast<size_t>(&field - table_.fields.data());
    }

    JetImage& image_;
    const ImportTable& table_;
    std::string where_;
    PageFiller data_;
    std::unique_ptr<MdbTableDef, TableDefFree> packer_;
    std::vector<std::unique_ptr<PageFiller>> longValues_;
    int64_t highestCounter_ = 0;
};

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

    RecordWriter writer(image, entry, records);
    int64_t record = 0;
    for (const std::vector<FieldValue>& row : records.rows)
        writer.WriteNumbered(row, ++record);

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
        PutUnsigned(c, 7, fixed ? 0 : varColumns, 2);
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
        PutUnsigned(c, 21, fixed ? fixedOffset : 0, 2);
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
    if (def.size() > kPageSize) {
        throw ExportFailure(where + "its definition needs " + std::to_string(def.size()) +
                            " bytes, more than one page");
    }
    const auto fields = static_cast<uint16_t>(table.fields.size());
    PutUnsigned(def, 2, kPageSize - def.size(), 2);
    PutUnsigned(def, 4, 0, 4);  // the definition now fits its first page
    PutUnsigned(def, kDefLength, def.size() - kDefHeader, 4);
    PutUnsigned(def, kDefRecordCount, records.rows.size(), 4);
    const auto lastNumber = static_cast<uint32_t>(
        ReadInt32(reinterpret_cast<const unsigned char*>(old.bytes.data()) + kDefAutoNumber));
    PutUnsigned(def, kDefAutoNumber,
                std::max<int64_t>(writer.HighestCounter(), static_cast<int64_t>(lastNumber)), 4);
    PutUnsigned(def, kDefMaxColumns, fields, 2);
    PutUnsigned(def, kDefVarColumns, varColumns, 2);
    PutUnsigned(def, kDefColumns, fields, 2);
    PutUnsigned(def, kDefUsedPages, maps[0], 4);
    PutUnsigned(def, kDefFreePages, maps[1], 4);
    unsigned char* page = image.Page(defPage);
    std::memset(page, 0, kPageSize);
    std::memcpy(page, def.data(), def.size());
}

}  // namespace calvora::mdbexport
