#include "tools/mdb_values.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/text.h"

namespace calvora::mdbimport {

namespace {

uint64_t ReadUnsigned(const unsigned char* p, int width) {
    uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// The civil date of a day number counted from 1970-01-01, in the proleptic
// Gregorian calendar that Jet also counts in.
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2)
        ++y;
}

// Jet's day 0 (1899-12-30) counted from 1970-01-01, and the day numbers of
// the first and last date Jet accepts (0100-01-01, 9999-12-31).
constexpr int64_t kJetEpochFromUnix = -25569;
constexpr int64_t kFirstJetDay = -657434;
constexpr int64_t kLastJetDay = 2958465;

}  // namespace

int16_t ReadInt16(const unsigned char* p) {
    return static_cast<int16_t>(ReadUnsigned(p, 2));
}

int32_t ReadInt32(const unsigned char* p) {
    return static_cast<int32_t>(ReadUnsigned(p, 4));
}

int64_t ReadInt64(const unsigned char* p) {
    return static_cast<int64_t>(ReadUnsigned(p, 8));
}

float ReadSingle(const unsigned char* p) {
    return std::bit_cast<float>(static_cast<uint32_t>(ReadUnsigned(p, 4)));
}

double ReadDouble(const unsigned char* p) {
    return std::bit_cast<double>(ReadUnsigned(p, 8));
}

std::optional<double> CurrencyValue(int64_t tenThousandths) {
    constexpr int64_t kExactLimit = int64_t{1} << 53;
    if (tenThousandths > kExactLimit || tenThousandths < -kExactLimit)
        return std::nullopt;
    // Both operands are exact, so the quotient is the double nearest to the
    // decimal amount: -1 gives the same double as the literal -0.0001.
    return static_cast<double>(tenThousandths) / 10000.0;
}

std::optional<std::string> DateText(double jetDate) {
    // Checked on the double first so that the conversions below stay in range.
    if (!(jetDate > kFirstJetDay - 1.0 && jetDate < kLastJetDay + 1.0))
        return std::nullopt;
    const double whole = std::trunc(jetDate);
    auto day = static_cast<int64_t>(whole);
    auto seconds = static_cast<int64_t>(std::llround(std::fabs(jetDate - whole) * 86400.0));
    if (seconds == 86400) {
        seconds = 0;
        ++day;
    }
    if (day < kFirstJetDay || day > kLastJetDay)
        return std::nullopt;
    int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    CivilFromDays(day + kJetEpochFromUnix, y, m, d);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(y), m, d,
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
    return std::string(text);
}

std::string GuidText(const unsigned char* p) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(ReadUnsigned(p, 4)),
                  static_cast<unsigned>(ReadUnsigned(p + 4, 2)),
                  static_cast<unsigned>(ReadUnsigned(p + 6, 2)), p[8], p[9], p[10], p[11], p[12],
                  p[13], p[14], p[15]);
    return std::string(text);
}

std::optional<std::string> DecodeText(std::string_view stored, bool jet4) {
    if (!jet4)
        return FromWindows1252(stored);

    std::u16string units;
    const auto* p = reinterpret_cast<const unsigned char*>(stored.data());
    size_t n = stored.size();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool compressed = true;
        for (size_t i = 2; i < n;) {
            if (p[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.push_back(p[i++]);
            } else {
                if (i + 1 >= n)
                    return std::nullopt;
                units.push_back(static_cast<char16_t>(p[i] | p[i + 1] << 8));
                i += 2;
            }
        }
    } else {
        if (n % 2 != 0)
            return std::nullopt;
        for (size_t i = 0; i < n; i += 2)
            units.push_back(static_cast<char16_t>(p[i] | p[i + 1] << 8));
    }

    std::u32string codePoints;
    codePoints.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) {
                return std::nullopt;
            }
            u = 0x10000 + ((u - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return std::nullopt;
        }
        codePoints.push_back(u);
    }
    return FromCodePoints(codePoints);
}

}  // namespace calvora::mdbimport
