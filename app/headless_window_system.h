// No window system: the dialog runs on a form without a window, every box
// is answered unattended, and there are no window events and no pointer. A
// silent run without a display runs so: it never loads the window toolkit,
// which would cost it more time than many a whole run.
#pragma once

#include <functional>
#include <string>

#include "app/window_system.h"

namespace calvora {

class HeadlessWindowSystem : public WindowSystem {
  public:
    Ui& ui() override { return ui_; }
    bool WithoutDisplay() const override { return true; }
    void AnswerUnattended(std::function<void(const std::string&)> sink) override;
    void LoadDialog(RunState& run) override;

  private:
    class BoxesToSink : public Ui {
      public:
        int MsgBox(std::string_view text, int style, std::string_view title) override;
        void DoEvents() override {}
        void SetBusy(bool) override {}

        std::function<void(const std::string&)> sink;
    };

    BoxesToSink ui_;
};

}  // namespace calvora
