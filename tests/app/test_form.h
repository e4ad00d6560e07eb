// The dialog without a window, for the tests of the dialog's procedures,
// with a start-up step that can be made to fail and a count of showings.
#pragma once

#include <string>

#include "app/headless_form.h"
#include "platform/failure.h"

namespace calvora::test {

class TestForm : public HeadlessForm {
  public:
    TestForm() { HeadlessForm::SetCaption("frm_Calvora_Config_Exe"); }

    HeadlessControl& operator[](const std::string& name) {
        return static_cast<HeadlessControl&>(ControlNamed(*this, name));
    }

    // Raises 5 while failCaption is set: a start-up step that fails.
    void SetCaption(const std::string& caption) override {
        if (failCaption)
            throw Failure(5, "TestForm", "caption refused");
        HeadlessForm::SetCaption(caption);
    }
    void Show() override { ++shown; }

    int shown = 0;
    bool failCaption = false;
};

// The controls of the dialog as designed, in the order of its control list.
inline void AddDialogControls(TestForm& form) {
    for (const DesignedControl& control : DialogControls())
        form.Add(control.design, control.caption);
}

}  // namespace calvora::test
