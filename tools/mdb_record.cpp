#include "tools/mdb_record.h"

#include <cmath>

#include "platform/text.h"
#include "tools/mdb_values.h"

namespace calvora::mdbimport {

namespace {

// A memo or OLE value in a record is a 12-byte reference: a 3-byte length,
// a type byte, the page and row of the data, then 4 unused bytes.
constexpr int kLongValueHeader = 12;
constexpr unsigned kLongValueInline = 0x80;      // data follows the reference
constexpr unsigned kLongValueSinglePage = 0x40;  // data is one row elsewhere
constexpr unsigned kLongValueChain = 0x00;       // rows linked by a 4-byte pointer

// The bytes of a memo or OLE value from its reference in the record.
std::optional<std::string> LongValueBytes(MdbHandle* mdb, const unsigned char* ref, size_t size) {
    if (size == 0)
        return std::string();
    if (size < kLongValueHeader)
        return std::nullopt;
    const size_t length = static_cast<uint32_t>(ReadInt32(ref)) & 0x00ffffffu;
    const unsigned kind = ref[3];
    std::string bytes;
    if (kind == kLongValueInline) {
        bytes.assign(reinterpret_cast<const char*>(ref) + kLongValueHeader,
                     size - kLongValueHeader);
    } else if (kind == kLongValueSinglePage || kind == kLongValueChain) {
        int pageRow = ReadInt32(ref + 4);
        // A chain never has more links than bytes; the bound stops a looping chain.
        for (size_t links = 0; pageRow != 0; ++links) {
            void* page = nullptr;
            int offset = 0;
            size_t rowSize = 0;
            if (links > length || mdb_find_pg_row(mdb, pageRow, &page, &offset, &rowSize) != 0) {
                return std::nullopt;
            }
            const auto* row = static_cast<const unsigned char*>(page) + offset;
            if (kind == kLongValueSinglePage) {
                bytes.assign(reinterpret_cast<const char*>(row), rowSize);
                break;
            }
            if (rowSize < 4)
                return std::nullopt;
            pageRow = ReadInt32(row);
            bytes.append(reinterpret_cast<const char*>(row) + 4, rowSize - 4);
        }
    } else {
        return std::nullopt;
    }
    if (bytes.size() < length)
        return std::nullopt;
    bytes.resize(length);
    return bytes;
}

}  // namespace

bool WithinRecord(const std::vector<MdbField>& stored, const std::vector<ImportField>& fields,
                  int recordStart, size_t recordSize) {
    for (size_t i = 0; i < fields.size(); ++i) {
        const MdbField& f = stored[i];
        if (fields[i].type == dao::DataType::Boolean || f.is_null)
            continue;
        if (f.siz < 0 || f.start < recordStart ||
            static_cast<size_t>(f.start - recordStart) + static_cast<size_t>(f.siz) > recordSize) {
            return false;
        }
    }
    return true;
}

FieldValue RecordDecoder::Value(const ImportField& field, const MdbField& stored,
                                int64_t record) const {
    // Jet keeps a Boolean in the null mask: a set bit is true.
    if (field.type == dao::DataType::Boolean)
        return int64_t{stored.is_null ? 0 : -1};
    if (stored.is_null)
        return std::monostate{};
    const auto* p = static_cast<const unsigned char*>(stored.value);
    const auto size = static_cast<size_t>(stored.siz);
    const int32_t fixed = field.type == dao::DataType::Text ? 0 : dao::FixedSizeOf(field.type);
    if (fixed > 0 && size < static_cast<size_t>(fixed)) {
        Fail(field, record, "the stored value is cut short (the file is damaged)");
    }
    switch (field.type) {
        case dao::DataType::Byte:
            return int64_t{p[0]};
        case dao::DataType::Integer:
            return int64_t{ReadInt16(p)};
        case dao::DataType::Long:
            return int64_t{ReadInt32(p)};
        case dao::DataType::Currency: {
            auto amount = CurrencyValue(ReadInt64(p));
            if (!amount)
                Fail(field, record, "the amount has more digits than SQLite keeps");
            return *amount;
        }
        case dao::DataType::Single:
            return Number(field, record, ReadSingle(p));
        case dao::DataType::Double:
            return Number(field, record, ReadDouble(p));
        case dao::DataType::Date: {
            auto text = DateText(ReadDouble(p));
            if (!text)
                Fail(field, record, "the date lies outside 0100-01-01 .. 9999-12-31");
            return *text;
        }
        case dao::DataType::Guid:
            return GuidText(p);
        case dao::DataType::Text:
            return Text(field, record,
                        std::string_view(reinterpret_cast<const char*>(p), p ? size : 0));
        case dao::DataType::Memo:
            return Text(field, record, LongValue(field, record, p, size));
        case dao::DataType::LongBinary:
            return Blob{LongValue(field, record, p, size)};
        case dao::DataType::Boolean:
            break;  // read from the null mask above
    }
    Fail(field, record, "the field type is unknown");
}

void RecordDecoder::Fail(const ImportField& field, int64_t record, const std::string& why) const {
    throw ImportFailure(where_ + "field " + Quoted(field.name) + ", record " +
                        std::to_string(record) + ": " + why);
}

// SQLite would store NaN as null, which is not the value Access held.
double RecordDecoder::Number(const ImportField& field, int64_t record, double v) const {
    if (std::isnan(v))
        Fail(field, record, "the number is NaN, which SQLite stores as null");
    return v;
}

std::string RecordDecoder::LongValue(const ImportField& field, int64_t record,
                                     const unsigned char* ref, size_t size) const {
    auto bytes = LongValueBytes(mdb_, ref, size);
    if (!bytes)
        Fail(field, record, "the long value cannot be read (the file is damaged)");
    return std::move(*bytes);
}

std::string RecordDecoder::Text(const ImportField& field, int64_t record,
                                std::string_view stored) const {
    auto text = DecodeText(stored, jet4_);
    if (!text)
        Fail(field, record, "the text is not valid UTF-16 (the file is damaged)");
    if (field.type == dao::DataType::Text && Len(*text) > field.size) {
        Fail(field, record,
             "the text has " + std::to_string(Len(*text)) +
                 " characters, more than the field size " + std::to_string(field.size));
    }
    return std::move(*text);
}

}  // namespace calvora::mdbimport
