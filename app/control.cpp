#include "app/control.h"

#include "platform/failure.h"

namespace calvora {

namespace {
constexpr int32_t kNotAnArray = 343;
constexpr int32_t kControlNotFound = 730;
}  // namespace

int16_t Control::Index() const {
    if (!design_.index) {
        RaiseRuntime(kNotAnArray, "Control '" + design_.name + "' is not part of a control array");
    }
    return *design_.index;
}

Control& ControlNamed(Form& form, std::string_view name) {
    for (Control* control : form.Controls()) {
        if (control->Name() == name)
            return *control;
    }
    RaiseRuntime(kControlNotFound, "Control '" + std::string(name) + "' not found on the dialog");
}

}  // namespace calvora
