#include "platform/json_text.h"

#include <cstdio>

#include "platform/text.h"

namespace calvora {

std::string JsonString(std::string_view text) {
    std::u32string chars = ToCodePoints(text);
    std::string out = "\"";
    for (char32_t c : chars) {
        switch (c) {
            case U'"':
                out += "\\\"";
                break;
            case U'\\':
                out += "\\\\";
                break;
            case U'\n':
                out += "\\n";
                break;
            case U'\r':
                out += "\\r";
                break;
            case U'\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
                    out += buffer;
                } else {
                    out += FromCodePoints(std::u32string_view(&c, 1));
                }
        }
    }
    return out + "\"";
}

}  // namespace calvora
