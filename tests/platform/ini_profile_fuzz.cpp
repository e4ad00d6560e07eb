// libFuzzer target for the INI parser and editor: any bytes as a file, any
// names and values. Besides surviving (no crash, no hang, no sanitizer
// report), a stored value must read back as written, and storing it must
// leave every other entry as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/ini_profile.h"
#include "platform/text.h"

namespace {

bool IsPrintableAscii(const std::string& s) {
    for (char c : s) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

std::string TrimBlanks(const std::string& s) {
    size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// What a read gives back for a written value.
std::string AsRead(const std::string& value) {
    std::string s = TrimBlanks(value);
    if (s.size() >= 2 && s.front() == s.back() && (s.front() == '"' || s.front() == '\'')) {
        s = s.substr(1, s.size() - 2);
    }
    return s;
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::string section = input.ConsumeRandomLengthString(24);
    std::string key = input.ConsumeRandomLengthString(24);
    std::string value = input.ConsumeRandomLengthString(48);
    std::string otherSection = input.ConsumeRandomLengthString(24);
    std::string otherKey = input.ConsumeRandomLengthString(24);
    calvora::IniText text(input.ConsumeRemainingBytesAsString());

    text.Value(section, key);
    std::optional<std::string> otherBefore = text.Value(otherSection, otherKey);
    if (!text.Set(section, key, value)) {
        return 0;
    }
    if (!IsPrintableAscii(section + key + value + otherSection + otherKey)) {
        return 0;  // the checks below compare texts that pass through unchanged
    }
    Check(text.Value(section, key) == AsRead(value));
    bool sameEntry = calvora::EqualsNoCase(TrimBlanks(section), TrimBlanks(otherSection)) &&
                     calvora::EqualsNoCase(TrimBlanks(key), TrimBlanks(otherKey));
    if (!sameEntry) {
        Check(text.Value(otherSection, otherKey) == otherBefore);
    }
    return 0;
}
