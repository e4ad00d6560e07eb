// The dialog's controls as designed: the one list that both the Qt window
// and the window-less dialog of a silent run are built from.
#pragma once

#include <string>
#include <vector>

#include "app/control.h"

namespace calvora {

struct DesignedControl {
    ControlDesign design;
    std::string caption;  // the caption it starts with
};

// The controls in the order of the dialog's control list.
const std::vector<DesignedControl>& DialogControls();

}  // namespace calvora
