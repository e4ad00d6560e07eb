#include "tools/jet_values.h"

#include "platform/text.h"

namespace calvora::mdbexport {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

void PutUnsigned(unsigned char* p, uint64_t v, int width) {
    for (int i = 0; i < width; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutUnsigned(std::string& bytes, size_t offset, uint64_t v, int width) {
    PutUnsigned(reinterpret_cast<unsigned char*>(bytes.data()) + offset, v, width);
}

std::optional<std::string> GuidBytes(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return std::nullopt;
    }
    std::string hex;
    for (char c : text) {
        if (c != '-')
            hex += c;
    }
    unsigned char plain[16];
    for (int i = 0; i < 16; ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        plain[i] = static_cast<unsigned char>(high << 4 | low);
    }
    // The text shows the first three groups as numbers; Jet stores them
    // little-endian, the last eight bytes as they stand.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string stored(16, '\0');
    for (int i = 0; i < 16; ++i)
        stored[i] = static_cast<char>(plain[order[i]]);
    return stored;
}

std::string Utf16Bytes(std::string_view utf8, size_t& units) {
    std::string bytes;
    units = 0;
    auto put = [&](char32_t unit) {
        bytes += static_cast<char>(unit & 0xff);
        bytes += static_cast<char>(unit >> 8 & 0xff);
        ++units;
    };
    for (char32_t c : ToCodePoints(utf8)) {
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3ff));
        } else {
            put(c);
        }
    }
    return bytes;
}

}  // namespace calvora::mdbexport
