// Captions, help texts and tool tips from the language file.
//
// The language file lies beside the program: program folder + "\" +
// program name + ".ini". Section "Language", key "Language" holds the
// language code ("1031", German, is the base language and the default);
// a section named after each code holds, for each control (key part K =
// Name + array index when the control belongs to an array + "_" + Tag):
//   "Caption_" K  caption (labels, command buttons, check boxes),
//   "Help" id     help text of WhatsThisHelpID id (1..100), shown in "?" mode,
//   "TTT_" K      tool tip (every kind; not for a Tag containing "NOTTT").
// "0" or a missing entry means no text: the control keeps what it has, and
// the key is written back ("0", or in the base language the current caption
// for a caption key), so after one run the file lists every key to translate.
#pragma once

#include <string>

#include "app/control.h"
#include "errors/run_state.h"

namespace calvora {

inline constexpr const char* kBaseLanguage = "1031";

// The language file's Windows path.
std::string LanguageFilePath(RunState& run);

// The language code as written, untrimmed; when empty, "1031" is written and
// returned (also after a failure let pass). Reports as "GetLanguage".
std::string GetLanguage(RunState& run);

// Applies the language's captions and tool tips to the form's controls,
// fills run.HelpTexts (ids 1..100, the text as read, before any write-back)
// and writes missing keys back. A failure while one control is handled (a
// help id outside 1..100 raises 9) skips the rest of that control only,
// silently; other failures pass to the caller.
void LoadToolTipTexts(RunState& run, Form& form);

}  // namespace calvora
