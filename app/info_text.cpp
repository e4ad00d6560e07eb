#include "app/info_text.h"

#include "errors/error_protocol.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora {

void ShowInfoText(RunState& run, const Control& button) {
    if (!run.QuestMode)
        return;
    Proc proc(run);
    std::string text;
    std::string shown;
    proc.Quietly([&] {
        const int32_t id = button.WhatsThisHelpID();
        if (id < 1 || id > 100) {
            RaiseRuntime(err::kSubscript, "Help id " + std::to_string(id) + " of control '" +
                                              button.Name() + "' lies outside 1 to 100");
        }
        text = run.HelpTexts[id];
    });
    proc.Quietly([&] {
        // Help texts are single INI values; "<CRLF>" stands for a line break.
        for (int64_t p = InStr(UCase(text), "<CRLF>"); p > 0; p = InStr(UCase(text), "<CRLF>")) {
            shown += Left(text, p - 1) + "\r\n";
            text = Mid(text, p + 6);
        }
    });
    proc.Quietly([&] { shown += text; });
    proc.Quietly([&] { run.ui().MsgBox(shown, box::kOkInformation, "Info:"); });
}

}  // namespace calvora
