// Jet 4 usage maps: the records that say which pages belong to a table (or
// to a memo / OLE field's long values), which of them have free space, and,
// on page 1, which pages of the file are free.
//
// A map record starts with its kind. Inline (0x00): a 4-byte start page
// (a multiple of 8), then a bitmap, lowest page in the lowest bit. Reference
// (0x01): 4-byte numbers of map pages (type 0x05: a 4-byte header, then a
// bitmap), the n-th covering pages n * 32,736 onwards; 0 where none is
// needed. Records written here are 69 bytes, the size Access gives them: an
// inline bitmap of 512 pages, or 17 map pages, enough for the largest file.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "tools/jet_image.h"

namespace calvora::mdbexport {

inline constexpr size_t kMapRecordSize = 69;
inline constexpr unsigned char kInlineMap = 0x00;
inline constexpr unsigned char kReferenceMap = 0x01;
inline constexpr uint32_t kPagesPerMapPage = (kPageSize - 4) * 8;

// The pages whose bits are set in a map record. Raises ExportFailure for an
// unknown kind or a map page that is not one.
std::set<uint32_t> MapPages(const JetImage& image, std::string_view record);

// The map pages a reference record names (none for an inline one).
std::set<uint32_t> MapPagesOf(std::string_view record);

// A 69-byte record listing exactly pages: inline when they fit one window,
// otherwise a reference map whose map pages are allocated from image.
std::string MapRecord(JetImage& image, const std::set<uint32_t>& pages);

}  // namespace calvora::mdbexport
