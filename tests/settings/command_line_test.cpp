#include "settings/command_line.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <random>

#include "errors/error_protocol.h"
#include "settings/wiring.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

const std::string kErrorLog = "C:\\Project\\TRXcfglog.txt";

struct CommandCase {
    const char* line;
    const char* keyword;
    std::optional<std::string> value;
};

TEST(ReadCommand, FindsTheValueAfterTheFirstOccurrence) {
    const CommandCase cases[] = {
        {"", "EXTERNAL", std::nullopt},
        {"/LOGFILE=C:\\X.TXT", "EXTERNAL", std::nullopt},
        {"/external:trxcfg", "EXTERNAL", "TRXCFG"},
        {"/EXTERNAL=TRXCFG", "external", "TRXCFG"},
        {"/EXTERNAL= trxcfg/SILENT", "EXTERNAL", "TRXCFG"},
        {"/EXTERNAL==TRXCFG", "EXTERNAL", "=TRXCFG"},
        {"/EXTERNAL=", "EXTERNAL", ""},
        {"/EXTERNAL=TRXCFGX", "EXTERNAL", "TRXCFGX"},
        {"EXTERNAL=SILENT", "EXTERNAL", "SILENT"},
        {"/EXTERNAL=\tTRXCFG", "EXTERNAL", "\tTRXCFG"},  // only blanks are trimmed
        {"/EXTERNAL=TRXCFG /LOGFILE=C:\\L.TXT", "EXTERNAL", "TRXCFG"},
        {"/LOGFILE=C:\\EXTERNAL\\X.TXT /EXTERNAL=TRXCFG", "EXTERNAL", "X.TXT"},
        {"/LOGFILE=C:\\EXTERNAL\\X.TXT /EXTERNAL=TRXCFG", "LOGFILE", "C:\\EXTERNAL\\X.TXT"},
        {"/LOGFILE=c:\\temp\\my log.txt", "LOGFILE", "C:\\TEMP\\MY LOG.TXT"},
        {"/LOGFILE=D:/logs/a.txt", "LOGFILE", "D:"},
        {"/LOGFILE=c:\\müller\\ä.txt", "LOGFILE", "C:\\MÜLLER\\Ä.TXT"},
        // Positions count characters: two-byte letters before the keyword
        // must not shift the cut.
        {"/LOGFILE=Größe /EXTERNAL=silent", "EXTERNAL", "SILENT"},
    };
    for (const CommandCase& c : cases) {
        TestRun t;
        EXPECT_EQ(ReadCommand(t.run, c.line, c.keyword), c.value) << c.line << " / " << c.keyword;
        EXPECT_TRUE(t.ui.boxes.empty()) << c.line;
    }
}

// Whatever the command line holds (any length, any bytes, switches cut
// anywhere), the worst outcome is a reported failure and standalone mode.
TEST(GetStartModeIntegrated, AnyCommandLineGivesAModeNeverACrash) {
    std::mt19937 random(20261207);
    const std::string pieces[] = {"/EXTERNAL", "/LOGFILE", "=",    "/",    " ",  "TRXCFG", "SILENT",
                                  "\\",        "ß",        "\xFF", "\xC3", "\t", "€"};
    for (int length : {0, 1, 2, 9, 10, 64, 1000, 100000}) {
        for (int round = 0; round < 20; ++round) {
            std::string line;
            while (static_cast<int>(line.size()) < length)
                line += random() % 3 == 0 ? std::string(1, static_cast<char>(random() % 256))
                                          : pieces[random() % std::size(pieces)];
            TestRun t;
            t.run.SilentMode = true;  // failures go to the service log, not to a box
            t.process.commandLine = line;
            bool integrated = GetStartModeIntegrated(t.run);
            EXPECT_EQ(integrated, t.run.IntegratedMode);
            EXPECT_FALSE(integrated && t.run.SilentMode);
            t.run.SilentMode = true;
            GetPathLogfile(t.run);
        }
    }
}

TEST(ReadCommand, KeywordAtTheVeryEndFailsAndReadsEmptyWhenResumed) {
    TestRun t;
    t.ui.Answer(box::kYes);
    EXPECT_EQ(ReadCommand(t.run, "/EXTERNAL=TRXCFG /LOGFILE", "LOGFILE"), "");
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].title, "Unexpected error");
    EXPECT_NE(t.Read(kErrorLog).find(" / ReadCommand (Nr. 5) :"), std::string::npos);
}

TEST(ReadCommand, KeywordAtTheVeryEndEndsTheProgramWhenTheUserSaysNo) {
    TestRun t;
    t.ui.Answer(box::kNo);
    try {
        ReadCommand(t.run, "/EXTERNAL", "EXTERNAL");
        FAIL() << "the program should have ended";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, exitcode::kEndedByError);
    }
}

struct ModeCase {
    const char* line;
    bool integrated;
    bool silent;
};

TEST(GetStartModeIntegrated, SetsBothFlagsFromExternal) {
    const ModeCase cases[] = {
        {"", false, false},
        {"/external:trxcfg", true, false},
        {"/EXTERNAL=TRXCFG /LOGFILE=C:\\LOG.TXT", true, false},
        {"/EXTERNAL= trxcfg/SILENT", true, false},
        {"/EXTERNAL==TRXCFG", false, false},
        {"/EXTERNAL=", false, false},
        {"/EXTERNAL=TRXCFGX", false, false},
        {"/EXTERNAL=TRX", false, false},
        {"/LOGFILE=C:\\EXTERNAL\\X.TXT /EXTERNAL=TRXCFG", false, false},
        {"/EXTERNAL=SILENT", false, true},
        {"/external=silent", false, true},
        {"/EXTERNAL=SILENTLY", false, false},
    };
    for (const ModeCase& c : cases) {
        TestRun t;
        t.process.commandLine = c.line;
        // Every call sets both flags again, whatever they held before.
        t.run.IntegratedMode = !c.integrated;
        t.run.SilentMode = !c.silent;
        EXPECT_EQ(GetStartModeIntegrated(t.run), c.integrated) << c.line;
        EXPECT_EQ(t.run.IntegratedMode, c.integrated) << c.line;
        EXPECT_EQ(t.run.SilentMode, c.silent) << c.line;
        EXPECT_EQ(GetStartModeIntegrated(t.run), c.integrated) << c.line << " (second call)";
    }
}

TEST(GetStartModeIntegrated, ExternalAloneIsStandaloneAfterTheFailure) {
    TestRun t;
    t.process.commandLine = "/EXTERNAL";
    t.ui.Answer(box::kYes);
    EXPECT_FALSE(GetStartModeIntegrated(t.run));
    EXPECT_FALSE(t.run.IntegratedMode);
    EXPECT_FALSE(t.run.SilentMode);
    EXPECT_EQ(t.ui.boxes.size(), 1u);
}

TEST(GetPathLogfile, ReturnsTheLogfileValue) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"/EXTERNAL=TRXCFG", ""},
        {"/EXTERNAL=TRXCFG /LOGFILE=C:\\Project\\log\\errors.txt", "C:\\PROJECT\\LOG\\ERRORS.TXT"},
        {"/LOGFILE=c:\\temp\\my log.txt /EXTERNAL=TRXCFG", "C:\\TEMP\\MY LOG.TXT"},
        {"/LOGFILE=D:/logs/a.txt", "D:"},
    };
    for (const auto& [line, expected] : cases) {
        TestRun t;
        t.process.commandLine = line;
        EXPECT_EQ(GetPathLogfile(t.run), expected) << line;
    }
}

TEST(ReadCommandQuietly, NeverReports) {
    TestRun t;
    EXPECT_EQ(ReadCommandQuietly(t.run, "/EXTERNAL=TRXCFG /LOGFILE", "LOGFILE"), "");
    EXPECT_EQ(ReadCommandQuietly(t.run, "/EXTERNAL=TRXCFG", "LOGFILE"), "");
    EXPECT_EQ(ReadCommandQuietly(t.run, "/LOGFILE=c:\\l.txt", "LOGFILE"), "C:\\L.TXT");
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_EQ(t.run.FailuresReported, 0);
}

// In an integrated start the error log's path is the LOGFILE value, so a
// LOGFILE switch at the very end of the line once made the report of its own
// failure ask for it again, without end.
TEST(GetPathLogfile, BrokenLogfileSwitchNoLongerReportsItselfWithoutEnd) {
    TestRun t;
    WireSettings(t.run);
    t.process.commandLine = "/EXTERNAL=TRXCFG /LOGFILE";
    t.run.IntegratedMode = true;
    t.ui.Answer(box::kYes);
    EXPECT_EQ(GetPathLogfile(t.run), "");
    EXPECT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.run.FailuresReported, 1);
}

}  // namespace
}  // namespace calvora::test
