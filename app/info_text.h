// The help text of a button in the dialog's "?" mode.
#pragma once

#include "app/control.h"
#include "errors/run_state.h"

namespace calvora {

// While run.QuestMode is set, shows run.HelpTexts[button's help id] in a box
// "Info:" (style 64), each "<CRLF>" (any letter case) turned into CR LF.
// Otherwise does nothing. Never reports: a failing step is skipped, so a
// help id outside 1..100 shows an empty box.
void ShowInfoText(RunState& run, const Control& button);

}  // namespace calvora
