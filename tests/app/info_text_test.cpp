#include "app/info_text.h"

#include <gtest/gtest.h>

#include "tests/app/test_form.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

TEST(ShowInfoTextTest, MarkersInAnyCaseBreakTheLine) {
    struct Case {
        std::string help, shown;
    };
    const Case cases[] = {
        {"Line one<crlf>Line two", "Line one\r\nLine two"},
        {"<CRLF>first line empty", "\r\nfirst line empty"},
        {"a<CRLF><cRlF>b", "a\r\n\r\nb"},
        {"last line empty<CrLf>", "last line empty\r\n"},
        {"no marker, one line", "no marker, one line"},
        {"<CRLF", "<CRLF"},
        {"\xC3\x84nderung<crlf>\xC3\xBC", "\xC3\x84nderung\r\n\xC3\xBC"},
        {"0", "0"},
        {"", ""},
    };
    TestForm form;
    Control& ok = form.Add({"CommandOK", "CommandButton", {}, "", 1});
    for (const Case& c : cases) {
        TestRun t;
        t.run.QuestMode = true;
        t.run.HelpTexts[1] = c.help;
        t.ui.Answer(box::kOk);
        ShowInfoText(t.run, ok);
        ASSERT_EQ(t.ui.boxes.size(), 1u) << c.help;
        EXPECT_EQ(t.ui.boxes[0].text, c.shown) << c.help;
        EXPECT_EQ(t.ui.boxes[0].style, box::kOkInformation);
        EXPECT_EQ(t.ui.boxes[0].title, "Info:");
    }
}

TEST(ShowInfoTextTest, OutsideTheQuestModeNothingIsShown) {
    TestRun t;
    TestForm form;
    t.run.HelpTexts[1] = "Help";
    ShowInfoText(t.run, form.Add({"CommandOK", "CommandButton", {}, "", 1}));
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST(ShowInfoTextTest, HelpIdOutsideOneToHundredShowsAnEmptyBoxWithoutReport) {
    for (int32_t id : {0, 1, 100, 101, -1}) {
        TestRun t;
        TestForm form;
        t.run.QuestMode = true;
        for (int32_t i = 1; i <= 100; ++i)
            t.run.HelpTexts[i] = "Help " + std::to_string(i);
        t.ui.Answer(box::kOk);
        ShowInfoText(t.run, form.Add({"Other", "CommandButton", {}, "", id}));
        ASSERT_EQ(t.ui.boxes.size(), 1u) << id;
        EXPECT_EQ(t.ui.boxes[0].text, id >= 1 && id <= 100 ? "Help " + std::to_string(id) : "")
            << id;
        EXPECT_EQ(t.run.FailuresReported, 0) << id;
    }
}

}  // namespace
}  // namespace calvora::test
