// Conversions of Jet's stored value forms into the SQLite convention.
//
// Every number is taken from its stored bytes (little-endian, as Jet writes
// them) and never passes through text, so the result does not depend on the
// process's locale. Each function returns nullopt for a value its target
// cannot hold unchanged; the caller names table, field and record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace calvora::mdbimport {

// Little-endian reads from a stored value; p must hold the type's width.
int16_t ReadInt16(const unsigned char* p);
int32_t ReadInt32(const unsigned char* p);
int64_t ReadInt64(const unsigned char* p);
float ReadSingle(const unsigned char* p);
double ReadDouble(const unsigned char* p);

// Currency is a 64-bit count of ten-thousandths. nullopt when the count is
// beyond 2^53, where a double would no longer hold it exactly.
std::optional<double> CurrencyValue(int64_t tenThousandths);

// A Jet date (days since 1899-12-30; for days before it the fraction still
// counts forward from midnight) as "YYYY-MM-DD HH:MM:SS", rounded to the
// second. nullopt for NaN and for dates outside 0100-01-01 .. 9999-12-31,
// the range Jet itself accepts.
std::optional<std::string> DateText(double jetDate);

// A Replication ID's 16 stored bytes as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
// (upper case; the first three groups are stored little-endian).
std::string GuidText(const unsigned char* p);

// Stored text as UTF-8. Jet 4 stores UTF-16LE, optionally in its compressed
// form (marker FF FE, then runs of one-byte characters and of UTF-16 units,
// switched by a 00 byte); Jet 3 stores Windows-1252 bytes. nullopt for
// malformed UTF-16 (odd length, unpaired surrogate).
std::optional<std::string> DecodeText(std::string_view stored, bool jet4);

}  // namespace calvora::mdbimport
