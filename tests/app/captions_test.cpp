#include "app/captions.h"

#include <gtest/gtest.h>

#include "settings/ini_access.h"
#include "tests/app/test_form.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

const std::string kLanguageFile = "C:\\Project\\Config\\Calvora_Config.ini";

class CaptionsTest : public ::testing::Test {
  protected:
    std::string Entry(const std::string& section, const std::string& key) {
        return LoadIniString(t.run, section, key, kLanguageFile, false);
    }
    bool HasKey(const std::string& section, const std::string& key) {
        const std::string file = t.Read(kLanguageFile);
        return file.find("[" + section + "]") != std::string::npos &&
               file.find("\n" + key + "=") != std::string::npos;
    }

    TestRun t;
    TestForm form;
};

TEST_F(CaptionsTest, FirstRunWithoutLanguageFileWritesEveryKeyOfTheBaseLanguage) {
    AddDialogControls(form);
    LoadToolTipTexts(t.run, form);

    EXPECT_EQ(t.Read(kLanguageFile),
              "[Language]\r\nLanguage=1031\r\n"
              "[1031]\r\n"
              "Caption_Header_=Calvora - Konfiguration Heizung\r\n"
              "TTT_Header_=0\r\n"
              "TTT_MainFrame_=0\r\n"
              "Caption_CommandQuest_=\r\n"
              "TTT_CommandQuest_=0\r\n"
              "Caption_CommandOK_=\r\n"
              "Help1=0\r\n"
              "TTT_CommandOK_=0\r\n"
              "Caption_CommandCancel_=\r\n"
              "Help2=0\r\n"
              "TTT_CommandCancel_=0\r\n");
    EXPECT_EQ(form["Header"].Caption(), "Calvora - Konfiguration Heizung");
    for (Control* c : form.Controls())
        EXPECT_EQ(c->ToolTipText(), "") << c->Name();
    // A missing entry leaves the help text empty.
    EXPECT_EQ(t.run.HelpTexts[1], "");
    EXPECT_EQ(t.run.HelpTexts[2], "");
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(CaptionsTest, AnotherLanguageWithoutSectionGetsZeroForEveryKey) {
    t.Write(kLanguageFile, "[Language]\r\nLanguage=1033\r\n");
    AddDialogControls(form);
    LoadToolTipTexts(t.run, form);

    for (const char* key :
         {"Caption_Header_", "Caption_CommandQuest_", "Caption_CommandOK_",
          "Caption_CommandCancel_", "Help1", "Help2", "TTT_Header_", "TTT_MainFrame_",
          "TTT_CommandQuest_", "TTT_CommandOK_", "TTT_CommandCancel_"}) {
        EXPECT_EQ(Entry("1033", key), "0") << key;
    }
    EXPECT_FALSE(HasKey("1033", "Caption_MainFrame_"));  // frames get no caption
    EXPECT_EQ(form["Header"].Caption(), "Calvora - Konfiguration Heizung");
    EXPECT_EQ(t.run.HelpTexts[1], "");
    EXPECT_EQ(Entry("Language", "Language"), "1033");
}

TEST_F(CaptionsTest, EntriesWithTextReplaceDesignTextsAndPlaceholdersAreRewritten) {
    t.Write(kLanguageFile,
            "[Language]\r\nLanguage=1031\r\n[1031]\r\n"
            "Caption_Header_=Heizung einstellen\r\n"
            "Caption_CommandOK_=0\r\n"
            "TTT_CommandOK_=Uebernehmen\r\n"
            "Help1=Startet<CRLF>die Aktualisierung\r\n"
            "Help2=0\r\n");
    AddDialogControls(form);
    form["CommandOK"].SetCaption("OK");
    LoadToolTipTexts(t.run, form);

    EXPECT_EQ(form["Header"].Caption(), "Heizung einstellen");
    EXPECT_EQ(Entry("1031", "Caption_Header_"), "Heizung einstellen");
    // "0" keeps the design caption, which the base language writes back.
    EXPECT_EQ(form["CommandOK"].Caption(), "OK");
    EXPECT_EQ(Entry("1031", "Caption_CommandOK_"), "OK");
    EXPECT_EQ(form["CommandOK"].ToolTipText(), "Uebernehmen");
    EXPECT_EQ(form["CommandCancel"].ToolTipText(), "");
    // Help texts are kept as read, placeholders included.
    EXPECT_EQ(t.run.HelpTexts[1], "Startet<CRLF>die Aktualisierung");
    EXPECT_EQ(t.run.HelpTexts[2], "0");
}

TEST_F(CaptionsTest, PlaceholderCaptionInAnotherLanguageStaysZero) {
    t.Write(kLanguageFile, "[Language]\r\nLanguage=1036\r\n[1036]\r\nCaption_Header_=0\r\n");
    AddDialogControls(form);
    LoadToolTipTexts(t.run, form);
    EXPECT_EQ(Entry("1036", "Caption_Header_"), "0");
    EXPECT_EQ(form["Header"].Caption(), "Calvora - Konfiguration Heizung");
}

TEST_F(CaptionsTest, NoToolTipMarkerInAnyCaseSkipsOnlyTheToolTip) {
    t.Write(kLanguageFile, "[Language]\r\nLanguage=1031\r\n[1031]\r\nTTT_Info_xNotTt=Tip\r\n");
    form.Add({"Info", "Label", {}, "xNotTt", 0}, "Hinweis");
    form.Add({"Hint", "Label", {}, "plain", 0}, "Tipp");
    LoadToolTipTexts(t.run, form);

    EXPECT_EQ(form["Info"].ToolTipText(), "");
    EXPECT_EQ(Entry("1031", "Caption_Info_xNotTt"), "Hinweis");
    EXPECT_EQ(t.Read(kLanguageFile).find("TTT_Info_xNotTt=0"), std::string::npos);
    EXPECT_EQ(Entry("1031", "Caption_Hint_plain"), "Tipp");
    EXPECT_EQ(Entry("1031", "TTT_Hint_plain"), "0");
}

TEST_F(CaptionsTest, HelpIdZeroHasNoEntryAndHelpIdOutsideTheTableSkipsTheRestOfThatControl) {
    form.Add({"NoHelp", "CommandButton", {}, "", 0}, "A");
    form.Add({"BadHelp", "CommandButton", {}, "", 101}, "B");
    form.Add({"After", "CommandButton", {}, "", 3}, "C");
    form.Add({"Last", "CommandButton", {}, "", 100}, "D");
    LoadToolTipTexts(t.run, form);

    EXPECT_FALSE(HasKey("1031", "Help0"));
    EXPECT_EQ(Entry("1031", "TTT_NoHelp_"), "0");
    // The caption came before the help id was checked; the tool tip did not.
    EXPECT_EQ(Entry("1031", "Caption_BadHelp_"), "B");
    EXPECT_FALSE(HasKey("1031", "Help101"));
    EXPECT_FALSE(HasKey("1031", "TTT_BadHelp_"));
    // The next control is still handled, and the skip is silent.
    EXPECT_EQ(Entry("1031", "Help3"), "0");
    EXPECT_EQ(Entry("1031", "TTT_After_"), "0");
    EXPECT_EQ(Entry("1031", "Help100"), "0");
    EXPECT_EQ(Entry("1031", "TTT_Last_"), "0");
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_EQ(t.run.FailuresReported, 0);
}

TEST_F(CaptionsTest, MembersOfAControlArrayGetTheIndexAfterTheName) {
    t.Write(kLanguageFile,
            "[Language]\r\nLanguage=1031\r\n[1031]\r\nCaption_Mode1_=Zwei\r\n"
            "TTT_Mode0_=Erste Betriebsart\r\n");
    form.Add({"Mode", "Label", int16_t{0}, "", 0}, "Eins");
    form.Add({"Single", "Label", {}, "", 0}, "Allein");
    form.Add({"Mode", "Label", int16_t{1}, "", 0}, "Two");
    LoadToolTipTexts(t.run, form);

    auto controls = form.Controls();
    EXPECT_EQ(Entry("1031", "Caption_Mode0_"), "Eins");
    EXPECT_EQ(controls[2]->Caption(), "Zwei");
    EXPECT_EQ(controls[0]->ToolTipText(), "Erste Betriebsart");
    EXPECT_EQ(Entry("1031", "TTT_Mode1_"), "0");
    EXPECT_EQ(Entry("1031", "Caption_Single_"), "Allein");
}

TEST_F(CaptionsTest, GetLanguageReturnsTheCodeAsWrittenAndDefaultsToTheBaseLanguage) {
    EXPECT_EQ(GetLanguage(t.run), "1031");
    EXPECT_EQ(Entry("Language", "Language"), "1031");

    t.Write(kLanguageFile, "[Language]\r\nLanguage=de-DE\r\n");
    EXPECT_EQ(GetLanguage(t.run), "de-DE");
    EXPECT_EQ(t.Read(kLanguageFile), "[Language]\r\nLanguage=de-DE\r\n");
}

}  // namespace
}  // namespace calvora::test
