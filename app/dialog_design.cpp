#include "app/dialog_design.h"

namespace calvora {

const std::vector<DesignedControl>& DialogControls() {
    static const std::vector<DesignedControl> controls = {
        {{"Header", "Label", {}, "", 0}, "Calvora - Konfiguration Heizung"},
        {{"MainFrame", "Frame", {}, "", 0}, ""},
        {{"CommandQuest", "CommandButton", {}, "", 0}, ""},
        {{"CommandOK", "CommandButton", {}, "", 1}, ""},
        {{"CommandCancel", "CommandButton", {}, "", 2}, ""},
    };
    return controls;
}

}  // namespace calvora
