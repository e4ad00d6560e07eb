// The window services on Qt: message boxes, pending events, busy cursor, and
// the boundary between Qt's event dispatch and the program's own stack.
//
// Qt must never see an exception, yet a window event handler may end the
// program (a confirmed cancel throws EndOfProgram). So every handler that Qt
// calls runs through RunHandler: it catches the end there and remembers it,
// and DoEvents (or a message box's own event loop) throws it again once Qt's
// dispatch has returned. The end thus unwinds through the program's stack to
// main, as an end raised anywhere else does. Handlers delivered after an end
// was remembered do not run any more.
//
// A failure that escapes a handler (one without error handling of its own)
// is what the runtime reports as a run-time error: a stop box with its
// number and description, after which the program ends (exit code 2).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "errors/error_protocol.h"
#include "platform/ui.h"

namespace calvora {

// The title of boxes shown with an empty title.
inline constexpr const char* kApplicationTitle = "Calvora_Config";

// Turns the line breaks of a text (LF CR, CR LF, a lone LF or CR) into one
// '\n' each, as a box shows them.
std::string ScreenLineBreaks(std::string_view text);

class QtUi : public Ui {
  public:
    // Styles are the runtime's sums: buttons (0 OK, 4 Yes/No) + icon (16
    // stop, 32 question, 48 exclamation, 64 information) + default button
    // (256 the second). Needs a QApplication.
    int MsgBox(std::string_view text, int style, std::string_view title) override;

    // One pass over pending events; rethrows an end remembered by a handler.
    void DoEvents() override;

    // The wait cursor over the whole application, or the normal pointer.
    void SetBusy(bool busy) override;

    // Runs a window event handler at Qt's boundary; never throws.
    void RunHandler(const std::function<void()>& handler) noexcept;

    // Throws the end remembered by a handler, if any.
    void RethrowPendingEnd();

    // Without a display nobody can answer a box: from now on each box's text
    // goes to sink (the service log) instead, and the box takes the answer a
    // silent run takes (Yes on Yes/No, otherwise OK). A sink that fails does
    // not stop the answer.
    void AnswerUnattended(std::function<void(const std::string&)> sink);

  private:
    std::function<void(const std::string&)> unattended_;
    std::optional<EndOfProgram> pendingEnd_;
    bool busy_ = false;
};

}  // namespace calvora
