#include "tools/jet_usage_map.h"

#include "tools/jet_values.h"
#include "tools/mdb_values.h"

namespace calvora::mdbexport {

namespace {

constexpr size_t kInlineHeader = 5;  // kind, start page
constexpr uint32_t kInlinePages = (kMapRecordSize - kInlineHeader) * 8;
constexpr unsigned char kMapPageType = 0x05;

void AddBits(std::set<uint32_t>& pages, const unsigned char* bits, size_t bytes, uint32_t first) {
    for (size_t i = 0; i < bytes; ++i) {
        for (int b = 0; b < 8; ++b) {
            if (bits[i] >> b & 1)
                pages.insert(first + static_cast<uint32_t>(i * 8 + b));
        }
    }
}

}  // namespace

std::set<uint32_t> MapPagesOf(std::string_view record) {
    std::set<uint32_t> mapPages;
    if (record.empty() || static_cast<unsigned char>(record[0]) != kReferenceMap)
        return mapPages;
    const auto* p = reinterpret_cast<const unsigned char*>(record.data());
    for (size_t at = 1; at + 4 <= record.size(); at += 4) {
        const auto page = static_cast<uint32_t>(mdbimport::ReadInt32(p + at));
        if (page != 0)
            mapPages.insert(page);
    }
    return mapPages;
}

std::set<uint32_t> MapPages(const JetImage& image, std::string_view record) {
    std::set<uint32_t> pages;
    const auto* p = reinterpret_cast<const unsigned char*>(record.data());
    if (record.size() >= kInlineHeader && p[0] == kInlineMap) {
        AddBits(pages, p + kInlineHeader, record.size() - kInlineHeader,
                static_cast<uint32_t>(mdbimport::ReadInt32(p + 1)));
        return pages;
    }
    if (record.empty() || p[0] != kReferenceMap)
        throw ExportFailure(image.FileName() + " is damaged: a page usage map of unknown kind");
    for (size_t at = 1; at + 4 <= record.size(); at += 4) {
        const auto mapPage = static_cast<uint32_t>(mdbimport::ReadInt32(p + at));
        if (mapPage == 0)
            continue;
        if (mapPage >= image.PageCount() || image.Page(mapPage)[0] != kMapPageType)
            throw ExportFailure(image.FileName() + " is damaged: a page usage map is missing");
        AddBits(pages, image.Page(mapPage) + 4, kPageSize - 4,
                static_cast<uint32_t>((at - 1) / 4) * kPagesPerMapPage);
    }
    return pages;
}

std::string MapRecord(JetImage& image, const std::set<uint32_t>& pages) {
    std::string record(kMapRecordSize, '\0');
    const uint32_t start = pages.empty() ? 0 : *pages.begin() / 8 * 8;
    if (pages.empty() || *pages.rbegin() - start < kInlinePages) {
        record[0] = static_cast<char>(kInlineMap);
        PutUnsigned(record, 1, start, 4);
        for (uint32_t page : pages)
            record[kInlineHeader + (page - start) / 8] |=
                static_cast<char>(1 << (page - start) % 8);
        return record;
    }
    record[0] = static_cast<char>(kReferenceMap);
    uint32_t mapPage = 0;
    uint32_t slot = UINT32_MAX;
    for (uint32_t page : pages) {
        if (page / kPagesPerMapPage != slot) {
            slot = page / kPagesPerMapPage;
            mapPage = image.Allocate();
            image.Page(mapPage)[0] = kMapPageType;
            image.Page(mapPage)[1] = 0x01;
            PutUnsigned(record, 1 + 4 * slot, mapPage, 4);
        }
        const uint32_t bit = page - slot * kPagesPerMapPage;
        image.Page(mapPage)[4 + bit / 8] |= static_cast<unsigned char>(1 << bit % 8);
    }
    return record;
}

}  // namespace calvora::mdbexport
