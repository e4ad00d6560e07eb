// Turning values of the SQLite convention (see mdb_schema.h) back into the
// bytes Jet 4 stores for them: the inverse of mdb_values.h.
//
// Numbers are written from their binary form (little-endian, as Jet reads
// them); no value passes through a text form that depends on the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace calvora::mdbexport {

// Little-endian write of the low width bytes of v to p.
void PutUnsigned(unsigned char* p, uint64_t v, int width);
void PutUnsigned(std::string& bytes, size_t offset, uint64_t v, int width);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, any case) as the
// 16 stored bytes of a Replication ID (the first three groups little-endian).
// nullopt for a text of another form.
std::optional<std::string> GuidBytes(std::string_view text);

// UTF-8 text as the UTF-16LE bytes Jet 4 stores uncompressed, a form every
// text and memo field reads whether or not it compresses Unicode. Characters
// beyond U+FFFF take a surrogate pair; sets units to the number of UTF-16
// units (what a Text field's size counts).
std::string Utf16Bytes(std::string_view utf8, size_t& units);

}  // namespace calvora::mdbexport
