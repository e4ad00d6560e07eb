#include "tests/support/scripted_ui.h"

#include <gtest/gtest.h>

namespace calvora::test {

int ScriptedUi::MsgBox(std::string_view text, int style, std::string_view title) {
    boxes.push_back({std::string(text), style, std::string(title)});
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected message box \"" << title << "\" (style " << style
                      << "): " << text;
        return style == box::kOkStop || style == box::kOkInformation ? box::kOk : box::kNo;
    }
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

ScriptedUi::~ScriptedUi() {
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) never asked for";
}

}  // namespace calvora::test
