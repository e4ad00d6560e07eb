#include "tools/jet_record_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "dao/conversion.h"
#include "tools/jet_values.h"

namespace calvora::mdbexport {

namespace {

using mdbimport::Quoted;

constexpr size_t kMaxRecordSize = 4060;  // what Access itself writes at most
constexpr size_t kInlineLongValue = 64;  // longer values go onto long-value pages
constexpr size_t kLongValueHeader = 12;
// A piece of a chain: a whole page less its header, its offset and the
// 4-byte address of the next piece. A value alone on a page has those 4
// bytes more.
constexpr size_t kLongValuePiece = kPageSize - kDataHeader - 2 - 4;
constexpr uint32_t kMaxLongValue = 0x3fffff;  // the reference has 22 bits of length
constexpr unsigned char kLongValueInline = 0x80;
constexpr unsigned char kLongValueSinglePage = 0x40;
constexpr unsigned char kLongValueChain = 0x00;

}  // namespace

RecordWriter::RecordWriter(JetImage& image, MdbCatalogEntry* entry, const ImportTable& table,
                           std::string source)
    : table_(table),
      where_(source + ": table " + Quoted(table.name) + ", "),
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

void RecordWriter::Write(const std::vector<FieldValue>& row, int64_t record) {
    try {
        Pack(row, record);
    } catch (const PageLimitFailure& f) {
        throw ExportFailure(where_ + "record " + std::to_string(record) + ": " + f.what());
    }
}

void RecordWriter::Pack(const std::vector<FieldValue>& row, int64_t record) {
    const size_t n = table_.fields.size();
    std::vector<std::string> stored(n);
    std::vector<MdbField> fields(n);
    // Column count, end of data, variable count, an offset per field and
    // the null mask around the values.
    size_t size = 6 + 2 * n + (n + 7) / 8;
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
                            std::to_string(packed) + " bytes, more than an Access record holds (" +
                            std::to_string(kMaxRecordSize) + ")");
    }
    data_.Add(buffer.data(), packed);
}

void RecordWriter::Fail(const ImportField& field, int64_t record, const std::string& why) const {
    throw ExportFailure(where_ + "field " + Quoted(field.name) + ", record " +
                        std::to_string(record) + ": " + why);
}

int64_t RecordWriter::Whole(const ImportField& field, const FieldValue& v, int64_t record,
                            int64_t low, int64_t high, const char* type) const {
    const auto* whole = std::get_if<int64_t>(&v);
    if (!whole)
        Fail(field, record, std::string("the value is not a whole number for an Access ") + type);
    if (*whole < low || *whole > high) {
        Fail(field, record,
             "the value " + std::to_string(*whole) + " does not fit an Access " + type + " (" +
                 std::to_string(low) + " to " + std::to_string(high) + ")");
    }
    return *whole;
}

double RecordWriter::Real(const ImportField& field, const FieldValue& v, int64_t record) const {
    if (const auto* whole = std::get_if<int64_t>(&v))
        return static_cast<double>(*whole);
    const auto* real = std::get_if<double>(&v);
    if (!real || !std::isfinite(*real))
        Fail(field, record, "the value is not a finite number");
    return *real;
}

const std::string& RecordWriter::Text(const ImportField& field, const FieldValue& v,
                                      int64_t record) const {
    const auto* text = std::get_if<std::string>(&v);
    if (!text)
        Fail(field, record, "the value is not a text");
    return *text;
}

// The stored bytes of one value; false for Null (and a false Boolean,
// which Jet keeps as a cleared bit of the null mask).
bool RecordWriter::Encode(const ImportField& field, const FieldValue& v, int64_t record,
                          std::string& out) {
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
                p, static_cast<uint64_t>(Whole(field, v, record, INT16_MIN, INT16_MAX, "Integer")),
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
std::string RecordWriter::LongValue(const ImportField& field, const std::string& bytes,
                                    int64_t record) {
    if (bytes.size() > kMaxLongValue)
        Fail(field, record, "the value is longer than an Access record refers to");
    std::string ref(kLongValueHeader, '\0');
    PutUnsigned(ref, 0, bytes.size(), 3);
    if (bytes.size() <= kInlineLongValue) {
        ref[3] = static_cast<char>(kLongValueInline);
        return ref + bytes;
    }
    PageFiller& pages = *longValues_[static_cast<size_t>(&field - table_.fields.data())];
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() <= kLongValuePiece + 4) {
        ref[3] = static_cast<char>(kLongValueSinglePage);
        PutUnsigned(ref, 4, pages.Add(data, bytes.size()), 4);
        return ref;
    }
    // A chain: each piece starts with the page and row of the next, so
    // the pieces are written last first.
    const size_t piece = kLongValuePiece;
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

}  // namespace calvora::mdbexport
