#include "settings/wiring.h"

#include "settings/command_line.h"
#include "settings/file_locations.h"

namespace calvora {

void WireSettings(RunState& run) {
    run.UnitName = [&run] { return GetOCXName(run); };
    // The error log asks for LOGFILE while a failure is being reported; a
    // LOGFILE switch at the very end of the line would make ReadCommand fail
    // and report again, so the log takes "" at once instead.
    run.LogFileSwitch = [&run] {
        return ReadCommandQuietly(run, run.process().CommandLine(), "LOGFILE");
    };
}

}  // namespace calvora
