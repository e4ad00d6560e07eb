// Typed access to INI files; no other code touches them.
//
// Every reader returns a fixed fallback for a missing file, section or key
// ("", -1, false), so callers never fail on a missing setting; with
// reportMissing set, a missing entry is also reported through ReportFault as
//   "File '<file>' or Section [<section>] or Entry '<key>' not found".
// Each follows the error protocol under its own name.
#pragma once

#include <cstdint>
#include <string>

#include "errors/run_state.h"
#include "platform/variant.h"

namespace calvora {

// The entry's text, at most 254 characters; "" when missing or empty.
std::string LoadIniString(RunState& run, const std::string& section, const std::string& key,
                          const std::string& file, bool reportMissing);

// The entry as a 16-bit number; -1 when missing. A value outside -32768..
// 32767 raises 6 (overflow) to the error protocol.
int16_t LoadIniInteger(RunState& run, const std::string& section, const std::string& key,
                       const std::string& file, bool reportMissing);

// True exactly when the entry reads "TRUE" in any letter case.
bool LoadIniBoolean(RunState& run, const std::string& section, const std::string& key,
                    const std::string& file, bool reportMissing);

// Writes value as text: numbers by NumberToText (never the locale's decimal
// comma), text unchanged, Booleans "true"/"false"; any other type reports
// "Ini Save:  wrong data type". Returns the write's result: non-zero on
// success, 0 when the platform refused the write (nothing reported).
int16_t SaveIni(RunState& run, const Variant& value, const std::string& section,
                const std::string& key, const std::string& file);

}  // namespace calvora
