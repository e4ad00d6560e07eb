#include "tools/jet_image.h"

#include <cstring>

#include "tools/jet_usage_map.h"
#include "tools/jet_values.h"
#include "tools/mdb_values.h"

namespace calvora::mdbexport {

namespace {

constexpr uint32_t kMapPage = 1;  // the allocation map is record 0 of page 1
constexpr size_t kRowCountOffset = 12;
constexpr size_t kRowOffsetMask = 0x1fff;
// Jet 4 files end at 2 GB.
constexpr uint32_t kMaxPages = 0x80000000u / kPageSize;

}  // namespace

JetImage::JetImage(std::string bytes, std::string fileName)
    : bytes_(std::move(bytes)), file_(std::move(fileName)) {
    if (bytes_.size() % kPageSize != 0 || PageCount() <= kMapPage)
        throw ExportFailure(file_ + " is damaged: it is not a whole number of pages");
    const RowSpan map = Row(kMapPage, 0);
    const std::string_view record(bytes_.data() + kMapPage * kPageSize + map.start,
                                  map.end - map.start);
    for (uint32_t page : MapPages(*this, record)) {
        if (page < PageCount())
            free_.insert(page);
    }
}

unsigned char* JetImage::Page(uint32_t page) {
    return reinterpret_cast<unsigned char*>(bytes_.data()) + size_t{page} * kPageSize;
}

const unsigned char* JetImage::Page(uint32_t page) const {
    return reinterpret_cast<const unsigned char*>(bytes_.data()) + size_t{page} * kPageSize;
}

uint32_t JetImage::RowCount(uint32_t page) const {
    return static_cast<uint32_t>(mdbimport::ReadInt16(Page(page) + kRowCountOffset)) & 0xffff;
}

RowSpan JetImage::Row(uint32_t page, uint32_t row) const {
    const std::string where = file_ + " is damaged: page " + std::to_string(page);
    if (page >= PageCount() || row >= RowCount(page) ||
        kRowCountOffset + 2 + 2 * (size_t{row} + 1) > kPageSize) {
        throw ExportFailure(where + " has no record " + std::to_string(row));
    }
    const unsigned char* p = Page(page);
    auto offset = [&](uint32_t r) {
        return static_cast<size_t>(mdbimport::ReadInt16(p + kRowCountOffset + 2 + 2 * r)) &
               kRowOffsetMask;
    };
    RowSpan span{offset(row), row == 0 ? kPageSize : offset(row - 1)};
    if (span.start > span.end || span.end > kPageSize)
        throw ExportFailure(where + ", record " + std::to_string(row) + " lies outside the page");
    return span;
}

uint32_t JetImage::Allocate() {
    uint32_t page = 0;
    if (!free_.empty()) {
        page = *free_.begin();
        free_.erase(free_.begin());
    } else {
        page = PageCount();
        if (page >= kMaxPages) {
            throw PageLimitFailure(
                "the data needs more pages than an Access file can address "
                "(2 GB)");
        }
        bytes_.resize(bytes_.size() + kPageSize);
    }
    std::memset(Page(page), 0, kPageSize);
    return page;
}

void JetImage::GiveBack(uint32_t page) {
    std::memset(Page(page), 0, kPageSize);
    free_.insert(page);
}

void JetImage::WriteAllocationMap() {
    const RowSpan map = Row(kMapPage, 0);
    unsigned char* record = Page(kMapPage) + map.start;
    const size_t size = map.end - map.start;
    if (size < 5)
        throw ExportFailure(file_ + " is damaged: its page allocation map is cut short");
    if (record[0] == kInlineMap) {
        // The window moves forward when the file has grown past it; the
        // pages it then leaves behind count as in use, as they are.
        const uint32_t window = static_cast<uint32_t>(size - 5) * 8;
        uint32_t start = static_cast<uint32_t>(mdbimport::ReadInt32(record + 1));
        if (PageCount() > start + window)
            start = (PageCount() - window + 7) / 8 * 8;
        PutUnsigned(record + 1, start, 4);
        std::memset(record + 5, 0, size - 5);
        for (uint32_t i = 0; i < window; ++i) {
            const uint32_t page = start + i;
            if (page >= PageCount() || free_.count(page))
                record[5 + i / 8] |= static_cast<unsigned char>(1 << i % 8);
        }
        return;
    }
    // A reference map keeps its map pages; every page of the file must lie
    // on one of them. Bits past the end of the file stay as they were.
    for (uint32_t page = 0; page < PageCount(); ++page) {
        const size_t slot = 1 + 4 * size_t{page / kPagesPerMapPage};
        const uint32_t mapPage =
            slot + 4 <= size ? static_cast<uint32_t>(mdbimport::ReadInt32(record + slot)) : 0;
        if (mapPage == 0 || mapPage >= PageCount()) {
            throw ExportFailure(file_ + ": its page allocation map does not reach page " +
                                std::to_string(page));
        }
        const uint32_t bit = page % kPagesPerMapPage;
        unsigned char& byte = Page(mapPage)[4 + bit / 8];
        if (free_.count(page))
            byte |= static_cast<unsigned char>(1 << bit % 8);
        else
            byte &= static_cast<unsigned char>(~(1 << bit % 8));
    }
}

}  // namespace calvora::mdbexport
