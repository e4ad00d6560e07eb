// A Jet 4 database file held in memory while tables in it are replaced, with
// the database's own page allocation.
//
// Jet keeps one allocation map for the whole file in the first record of
// page 1, where a set bit marks a free page. It is kept inline (a start
// page and a bitmap, see jet_usage_map.h) or as a list of map pages. An
// inline map says nothing of the pages before its start (they count as in
// use) and counts the pages after its end as free: when the file grows past
// the map's window, the window moves on to its end, and pages given back
// before the new start stay unused until Access compacts the file.
//
// Pages are handed out lowest free page first, then by growing the file;
// pages given back are zeroed (no stale record on them can ever be read as
// a row of a table) and become free. Every other page keeps its bytes.
#pragma once

#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

namespace calvora::mdbexport {

// An export that cannot be completed as asked; the message names the file,
// table, field and record involved and is shown to the user as it is.
class ExportFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file would grow past the 2 GB that Jet 4 addresses.
class PageLimitFailure : public ExportFailure {
  public:
    using ExportFailure::ExportFailure;
};

inline constexpr uint32_t kPageSize = 4096;

// A record's place on a page: its first byte and one past its last.
struct RowSpan {
    size_t start = 0;
    size_t end = 0;
};

class JetImage {
  public:
    // Takes the whole file; fileName is how messages name it (quoted).
    // Raises ExportFailure when its size is not a whole
    // number of pages or page 1 holds no allocation map it understands.
    JetImage(std::string bytes, std::string fileName);

    const std::string& Bytes() const { return bytes_; }
    uint32_t PageCount() const { return static_cast<uint32_t>(bytes_.size() / kPageSize); }
    unsigned char* Page(uint32_t page);
    const unsigned char* Page(uint32_t page) const;
    const std::string& FileName() const { return file_; }

    // The span of record row on a data page (deletion and overflow flags
    // of its offset ignored). Raises ExportFailure when the page has no such
    // record or its offsets are outside the page.
    RowSpan Row(uint32_t page, uint32_t row) const;
    uint32_t RowCount(uint32_t page) const;

    // A zeroed page, free until now; the file grows when none is. Raises
    // PageLimitFailure past the largest file Jet 4 addresses (2 GB).
    uint32_t Allocate();
    // Zeroes page and marks it free for Allocate and in the allocation map.
    void GiveBack(uint32_t page);

    // Writes the allocation map of page 1 so that it tells exactly the free
    // pages apart. Call once, after the last Allocate / GiveBack.
    void WriteAllocationMap();

  private:
    std::string bytes_;
    std::string file_;
    std::set<uint32_t> free_;  // free pages inside the file
};

}  // namespace calvora::mdbexport
