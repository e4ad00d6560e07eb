// Placeholder replacement and the rename of the old category field.
#include "presetdb/name_resolution.h"

#include <algorithm>

#include "errors/error_protocol.h"
#include "platform/text.h"
#include "presetdb/preset_schema.h"
#include "presetdb/project_database.h"
#include "presetdb/record_walk.h"
#include "settings/file_locations.h"

namespace calvora {

namespace {

// True when search can occur in text in no letter case. Upper-casing keeps
// an ASCII character that is no letter and makes it from no other
// character, so a search starting with one (the placeholders start with #)
// occurs only in a text holding that character. Record generation asks for
// every text field of every record, and most hold no placeholder.
bool CannotOccur(std::string_view text, std::string_view search) {
    if (search.empty())
        return false;
    const unsigned char first = static_cast<unsigned char>(search[0]);
    const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
    return first < 0x80 && !letter && text.find(search[0]) == std::string_view::npos;
}

// The position (from 1) of search in an ASCII text, found without regard to
// case, or 0: upper-casing ASCII folds a to z and nothing else, and each
// character is one byte. The same as InStr on the upper-cased texts, without
// making them.
int64_t FindAscii(std::string_view text, std::string_view search) {
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    // Templates mostly spell a placeholder as it is looked for.
    const auto same = [&](char a, char b) { return a == b || fold(a) == fold(b); };
    if (search.empty())
        return 1;
    // A search that starts with no letter (the placeholders start with #)
    // can only start where that very byte stands.
    const char first = fold(search[0]);
    if (first < 'A' || first > 'Z') {
        for (size_t at = text.find(search[0]); at != std::string_view::npos;
             at = text.find(search[0], at + 1)) {
            if (text.size() - at < search.size())
                return 0;
            size_t i = 1;  // the first byte is the one found
            while (i < search.size() && same(text[at + i], search[i]))
                ++i;
            if (i == search.size())
                return static_cast<int64_t>(at) + 1;
        }
        return 0;
    }
    const auto it = std::search(text.begin(), text.end(), search.begin(), search.end(), same);
    return it == text.end() ? 0 : (it - text.begin()) + 1;
}

// Replaces count bytes of text at at by replacement. A machine or variable
// name is mostly shorter than the placeholder it replaces: the text then
// shrinks in place, at half the general replace's cost (the bytes are moved
// as memmove does, so a replacement taken from the text itself still works).
void ReplaceBytes(std::string& text, size_t at, size_t count, std::string_view replacement) {
    if (replacement.size() > count) {
        text.replace(at, count, replacement);
        return;
    }
    std::char_traits<char>::move(text.data() + at, replacement.data(), replacement.size());
    text.erase(at + replacement.size(), count - replacement.size());
}

}  // namespace

bool ReplaceSearchItem(RunState& run, std::string& text, std::string_view search,
                       std::string_view replacement) {
    if (CannotOccur(text, search))
        return false;
    Proc proc(run, "ReplaceSearchItem");
    // The position is a 16-bit number: an occurrence further on overflows,
    // and the text then stays unchanged.
    int16_t pos = 0;
    const bool ascii = IsAscii(text) && IsAscii(search);
    proc.Step([&] {
        int64_t found = ascii ? FindAscii(text, search) : InStr(UCase(text), UCase(search));
        if (found > INT16_MAX)
            RaiseRuntime(err::kOverflow, "Overflow: the placeholder '" + std::string(search) +
                                             "' lies beyond position 32767 of the text.");
        pos = static_cast<int16_t>(found);
    });
    if (pos == 0)
        return false;
    bool formed = false;
    proc.Step([&] {
        if (ascii) {
            // Characters are bytes in ASCII texts.
            ReplaceBytes(text, static_cast<size_t>(pos - 1), search.size(), replacement);
        } else {
            text = Left(text, pos - 1) + std::string(replacement) +
                   Right(text, Len(text) - pos + 1 - Len(search));
        }
        formed = true;
    });
    // A result that could not be formed is empty, as the function's value
    // stays when its assignment fails.
    if (!formed)
        text.clear();
    return true;
}

void CategorieNachCategoryID(RunState& run) {
    Proc proc(run, "CategorieNachCategoryID");
    std::string unitPath;
    proc.Step([&] { unitPath = GetPathOCXMDB(run); });
    if (proc.Test([&] { return unitPath.empty() || !run.files().Exists(unitPath); }))
        return;
    dao::Database db;
    proc.Step([&] { db = OpenProjectDatabase(run, unitPath); });
    dao::TableDef def;
    proc.Step([&] { def = db.TableDefs().Item(kPresetTable); });
    CountedLoop([&](auto&& f) { proc.Step(f); }, [&] { return def.Fields().Count(); },
                [&](int32_t i) {
                    proc.Step([&] {
                        dao::Field field = def.Fields().Item(i);
                        if (UCase(field.Name()) == "CATEGORIE")
                            field.SetName("category_id");
                    });
                    return true;
                });
    proc.Step([&] { def.Fields().Refresh(); });
    def = dao::TableDef();
    proc.Step([&] { db.Close(); });
}

}  // namespace calvora
