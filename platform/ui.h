// What the procedures need from the window system: modal message boxes with
// the runtime's numeric styles and answers, processing of pending window
// events, and the busy cursor. The Qt implementation lives in app/qt/;
// tests script the answers.
#pragma once

#include <string>
#include <string_view>

namespace calvora {

namespace box {
// Styles.
inline constexpr int kOkStop = 16;         // OK, stop icon
inline constexpr int kYesNoStop = 20;      // Yes/No, stop icon, Yes default
inline constexpr int kOkInformation = 64;  // OK, information icon
inline constexpr int kYesNoWarnNo = 308;   // Yes/No, exclamation icon, No default
// The buttons part of a style, and its value for Yes and No (else OK alone).
inline constexpr int kButtonsMask = 0x7;
inline constexpr int kYesNoButtons = 4;
// Answers.
inline constexpr int kOk = 1;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace box

class Ui {
  public:
    virtual ~Ui() = default;

    // Shows a modal box and returns the answer (1 OK, 6 Yes, 7 No). An empty
    // title means the application's title. Text line breaks are LF CR or
    // CR LF; each pair is shown as one break.
    virtual int MsgBox(std::string_view text, int style, std::string_view title) = 0;

    // Lets pending window events run once. May raise the end-of-program
    // signal when a handler run from here ended the program.
    virtual void DoEvents() = 0;

    // The hourglass on (true) or the default pointer (false).
    virtual void SetBusy(bool busy) = 0;
};

}  // namespace calvora
