// What the program runs its dialog on: the window toolkit (Qt, loaded from
// its module when a window may be shown; window_module.h) or nothing at all
// (a silent run without a display; headless_window_system.h).
#pragma once

#include <functional>
#include <string>

#include "errors/run_state.h"
#include "platform/ui.h"

namespace calvora {

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // The boxes, pending events and busy pointer of the run.
    virtual Ui& ui() = 0;

    // True when nobody can see a box (no display, or one drawn off screen).
    virtual bool WithoutDisplay() const = 0;

    // From now on each box's text goes to sink (the service log) instead,
    // and the box takes the answer a silent run takes (Yes on Yes/No,
    // otherwise OK). A sink that fails does not stop the answer.
    virtual void AnswerUnattended(std::function<void(const std::string&)> sink) = 0;

    // Builds the dialog over run (whose services use ui()) and loads it: the
    // program's whole course, which ends by throwing EndOfProgram. The
    // dialog is gone when that reaches the caller.
    virtual void LoadDialog(RunState& run) = 0;
};

// The answer an unattended box takes, after its text went to sink.
int AnswerUnattended(const std::function<void(const std::string&)>& sink, std::string_view text,
                     int style);

}  // namespace calvora
