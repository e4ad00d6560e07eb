// Scanning a text eight bytes at a time.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace calvora {

// The offset of the first byte of s at or after from for which hit(byte) is
// true; s.size() when there is none. anyHit(word) tells whether one of the
// eight bytes in word is such a byte. Texts are mostly long runs of bytes
// that are not: whole words are skipped, and so is the rest of a text of
// eight bytes or more, checked as its last eight bytes.
template <class AnyHit, class Hit>
size_t FindByteWordwise(std::string_view s, size_t from, AnyHit anyHit, Hit hit) {
    const auto wordAt = [&s](size_t at) {
        uint64_t word;
        std::memcpy(&word, s.data() + at, 8);
        return word;
    };
    size_t i = from;
    for (; i + 8 <= s.size(); i += 8) {
        if (anyHit(wordAt(i)))
            break;
    }
    if (i < s.size() && i + 8 > s.size() && s.size() >= 8 && !anyHit(wordAt(s.size() - 8)))
        return s.size();
    while (i < s.size() && !hit(static_cast<unsigned char>(s[i])))
        ++i;
    return i;
}

}  // namespace calvora
