#include "tools/jet_page_filler.h"

#include <cstring>

#include "tools/jet_values.h"

namespace calvora::mdbexport {

uint32_t PageFiller::Add(const unsigned char* record, size_t size) {
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

std::set<uint32_t> PageFiller::PagesWithSpace() const {
    if (current_ == 0 || rows_ == kMaxRowsPerPage || FreeSpace() < 2)
        return {};
    return {current_};
}

void PageFiller::NewPage() {
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

}  // namespace calvora::mdbexport
