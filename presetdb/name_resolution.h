// Names for record generation and for the takeover: placeholder replacement
// and the rename of the old category field (the renaming of variable names
// is in unit_renames.h).
#pragma once

#include <string>
#include <string_view>

#include "errors/run_state.h"

namespace calvora {

// text with the first occurrence of search (found without regard to case)
// replaced by replacement; text unchanged when search does not occur.
// Reports as "ReplaceSearchItem" (an occurrence beyond position 32767
// overflows its 16-bit position: 6).
std::string ReplaceSearchItem(RunState& run, const std::string& text, std::string_view search,
                              std::string_view replacement);

// Renames every field of the unit database's PRESET_DEFS named "categorie"
// (any letter case) to "category_id", keeping its data. No unit database: no
// change. Reports as "CategorieNachCategoryID".
void CategorieNachCategoryID(RunState& run);

}  // namespace calvora
