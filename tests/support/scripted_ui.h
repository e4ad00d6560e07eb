// A Ui for tests: records every message box and answers from a script.
// A box that the script did not expect fails the test.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace calvora::test {

struct ShownBox {
    std::string text;
    int style;
    std::string title;
};

class ScriptedUi : public Ui {
  public:
    // Queue the answer for the next box (box::kYes, box::kNo, box::kOk).
    void Answer(int answer) { answers_.push_back(answer); }

    int MsgBox(std::string_view text, int style, std::string_view title) override;
    // Counts the pass and runs onDoEvents, which stands for the window events
    // (clicks, close requests) delivered during that pass.
    void DoEvents() override {
        ++eventPasses;
        if (onDoEvents)
            onDoEvents();
    }
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }

    std::vector<ShownBox> boxes;
    std::vector<bool> busyChanges;
    int eventPasses = 0;
    std::function<void()> onDoEvents;

    ~ScriptedUi() override;  // fails the test when scripted answers were left unused

  private:
    std::deque<int> answers_;
};

}  // namespace calvora::test
