// Filling data pages (type 0x01) with records, as Jet lays them out: the
// header, then the records' offsets growing down the page while the records
// themselves are placed from the end of the page upwards.
//
//   0x00 0x01 0x01, free space (2), owner (4), 0 (4), record count (2),
//        then one 2-byte offset per record
//
// The owner is the page of the table's definition; "LVAL" for a page of
// long values, 0 for a page of usage maps.
#pragma once

#include <cstdint>
#include <set>

#include "tools/jet_image.h"

namespace calvora::mdbexport {

inline constexpr size_t kRowCountOffset = 12;
inline constexpr size_t kDataHeader = 14;
inline constexpr uint32_t kMaxRowsPerPage = 255;  // a record's address has one byte for its row
inline constexpr uint32_t kLongValueOwner = 0x4c41564c;  // "LVAL"

class PageFiller {
  public:
    PageFiller(JetImage& image, uint32_t owner) : image_(image), owner_(owner) {}

    // Places a record of size bytes (at most kPageSize - kDataHeader - 2) on
    // the current page, or on a new page from image when it does not fit
    // there. Returns its address as Jet refers to it: page << 8 | row.
    uint32_t Add(const unsigned char* record, size_t size);

    // Every page filled so far, in the order they were taken.
    const std::set<uint32_t>& Pages() const { return pages_; }
    // The pages that still take a record: the last one, when it has room.
    std::set<uint32_t> PagesWithSpace() const;

  private:
    size_t FreeSpace() const { return top_ - (kDataHeader + 2 * size_t{rows_}); }
    void NewPage();

    JetImage& image_;
    uint32_t owner_;
    uint32_t current_ = 0;  // no page yet (page 0 is the file's header)
    uint32_t rows_ = 0;
    size_t top_ = kPageSize;
    std::set<uint32_t> pages_;
};

}  // namespace calvora::mdbexport
