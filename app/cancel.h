// The question before the dialog is given up without its work.
#pragma once

#include "errors/run_state.h"

namespace calvora {

// Asks "Cancel?" (style 308: Yes/No, No the default) whether to give up;
// in an integrated start the text also says that the unit must be
// configured again by hand, and with which program. Silent mode asks nobody:
// the text goes to the service log and the answer is yes. A confirmed cancel
// outside silent mode writes "Konfigurations-EXE wurde abgebrochen:" + five
// blanks + the unit name to the error log. Returns true when confirmed.
// Reads run.IntegratedMode and run.SilentMode. No error handling of its
// own: log failures (76/70/75) pass to the caller.
bool ConfirmCancel(RunState& run);

}  // namespace calvora
