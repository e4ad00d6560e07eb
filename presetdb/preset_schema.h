// Names on disk that the preset job's procedures share: the tables, the
// placeholders of the name templates, and the reading of a part number.
#pragma once

#include <cstdint>
#include <string>

#include "platform/variant.h"

namespace calvora {

// The tables of the workspace and of the unit database.
inline constexpr const char* kPresetTable = "PRESET_DEFS";
inline constexpr const char* kSourcePresetTable = "Source_PRESET_DEFS";
inline constexpr const char* kSourceDefsTable = "Source_DEFS";

// Placeholders of Source_DEFS.Var_Name templates and of the template
// records' texts: the definition's own variable name and the machine name.
inline constexpr const char* kVarNamePlaceholder = "###Var_Name";
inline constexpr const char* kMachinePlaceholder = "###machine";

// The highest part number; parts run from 1.
inline constexpr int32_t kMaxPart = 50;

// The part number a field holds (fieldText names it in messages), converted
// as a Long. Raises 94 for Null, 9 outside 1..kMaxPart, and what the
// conversion raises (13 for a text that is no number).
int32_t PartNumber(const Variant& value, const std::string& fieldText);

}  // namespace calvora
