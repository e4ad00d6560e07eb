#include "errors/error_protocol.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "tests/support/test_run.h"

namespace calvora {
namespace {

using test::TestRun;

const std::string kLog = "C:\\Project\\TRXcfglog.txt";

Failure Overflow() {
    return Failure(6, "Calvora_Config", "Overflow");
}

TEST(ErrorProtocol, ResumeRunsTheStepAfterTheFailedOne) {
    TestRun t;
    t.ui.Answer(box::kYes);
    Proc proc(t.run, "CreateRecordSets");
    int value = 1;
    std::vector<int> ran;
    proc.Step([&] { ran.push_back(1); });
    proc.Step([&] {
        throw Overflow();
        value = 2;  // never reached: a failed step has no further effect
    });
    proc.Step([&] { ran.push_back(3); });
    EXPECT_EQ(value, 1);
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.run.FailuresReported, 1);
    EXPECT_EQ(CompletedExitCode(t.run), exitcode::kAfterFailures);
}

TEST(ErrorProtocol, AnsweringNoEndsTheProgram) {
    TestRun t;
    t.ui.Answer(box::kNo);
    Proc proc(t.run, "WorkOnMDB");
    bool after = false;
    try {
        proc.Step([] { throw Overflow(); });
        after = true;
        FAIL() << "the program should have ended";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, exitcode::kEndedByError);
    }
    EXPECT_FALSE(after);
}

TEST(ErrorProtocol, AFailedConditionEntersTheGuardedBlock) {
    TestRun t;
    t.ui.Answer(box::kYes);
    Proc proc(t.run, "GetProgramIniPath");
    bool entered = false;
    if (proc.Test([]() -> bool { throw Failure(75, "x", "Path/File access error"); })) {
        entered = true;
    }
    EXPECT_TRUE(entered);
    EXPECT_FALSE(proc.Test([] { return false; }));
}

TEST(ErrorProtocol, TheEndSignalIsNeverSwallowedByAStep) {
    TestRun t;
    Proc proc(t.run, "CloseMe");
    EXPECT_THROW(proc.Step([] { EndProgram(exitcode::kClean); }), EndOfProgram);
    EXPECT_THROW(proc.Quietly([] { EndProgram(exitcode::kClean); }), EndOfProgram);
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST(ErrorProtocol, AFailureBeforeTheNameIsStoredPassesAnEmptyName) {
    TestRun t;
    t.ui.Answer(box::kYes);
    t.ui.Answer(box::kYes);
    Proc proc(t.run);
    proc.Step([] { throw Failure(3024, "DAO.Workspace", "Could not find file"); });
    proc.SetName("WorkOnMDB");
    proc.Step([] { throw Failure(3024, "DAO.Workspace", "Could not find file"); });
    EXPECT_EQ(t.Read(kLog),
              "Fehler in Calvora / DAO.Workspace /  (Nr. 3024) :Could not find file\r\n"
              "Fehler in Calvora / DAO.Workspace / WorkOnMDB (Nr. 3024) :Could not find file\r\n");
}

TEST(ErrorProtocol, OwnHandlersAndQuietStepsBypassTheDialog) {
    TestRun t;
    Proc proc(t.run, "WorkOnMDB");
    int handled = 0;
    proc.StepOr([] { throw Overflow(); }, [&](const Failure& f) { handled = f.Number(); });
    proc.Quietly([] { throw Overflow(); });
    EXPECT_EQ(handled, 6);
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_EQ(t.run.FailuresReported, 0);
}

TEST(ErrorProtocol, ALibraryExceptionIsReportedLikeAnyFailure) {
    TestRun t;
    t.ui.Answer(box::kYes);
    Proc proc(t.run, "CreateRecordSets");
    proc.Step([] { throw std::out_of_range("vector::at"); });
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_NE(t.ui.boxes[0].text.find("vector::at"), std::string::npos);
}

// The outcomes of ErrorSub, one row per combination of silent mode, the fatal
// flag, the answer and, for silent runs, whether the service log can be
// written.
struct Outcome {
    const char* name;
    bool silent;
    bool fatal;
    int answer;  // 0: no box expected
    int16_t result;
    int style;
    const char* title;
    bool serviceLogWritable = true;
};

// Failure messages and test names show the row's name, not its bytes.
void PrintTo(const Outcome& o, std::ostream* out) {
    *out << o.name;
}

class ErrorSubOutcome : public ::testing::TestWithParam<Outcome> {};

TEST_P(ErrorSubOutcome, LogsThenAsksOrWritesTheServiceLog) {
    const Outcome& o = GetParam();
    TestRun t;
    t.run.SilentMode = o.silent;
    if (!o.serviceLogWritable)
        std::filesystem::create_directories(t.Host("C:\\BrantorServicePack.log"));
    if (o.answer)
        t.ui.Answer(o.answer);
    int16_t result = ErrorSub(t.run, -2147217900, "DAO.Database", "Syntax error",
                              "VarNameInQuelleErsetzen", o.fatal);
    EXPECT_EQ(result, o.result);
    EXPECT_EQ(t.Read(kLog),
              "Fehler in Calvora / DAO.Database / VarNameInQuelleErsetzen "
              "(Nr. -2147217900) :Syntax error\r\n");
    const std::string message =
        "Unexpected error!\n\rSyntax error\n\rError logged to \n\rC:\\PROJECT\\TRXCFGLOG.TXT";
    if (o.silent) {
        EXPECT_TRUE(t.ui.boxes.empty());
        if (o.serviceLogWritable) {
            EXPECT_EQ(t.Read("C:\\BrantorServicePack.log"),
                      "! Fault Calvora_Config: " + message + "\r\n");
        }
    } else {
        ASSERT_EQ(t.ui.boxes.size(), 1u);
        EXPECT_EQ(t.ui.boxes[0].style, o.style);
        EXPECT_EQ(t.ui.boxes[0].title, o.title);
        EXPECT_EQ(t.ui.boxes[0].text, o.fatal ? message : message + "\n\rResume?");
        EXPECT_FALSE(t.Exists("C:\\BrantorServicePack.log"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    SummaryTable, ErrorSubOutcome,
    ::testing::Values(
        Outcome{"SilentGoesOn", true, false, 0, 2, 0, ""},
        Outcome{"SilentFatalGoesOn", true, true, 0, 2, 0, ""},
        Outcome{"SilentGoesOnWithoutServiceLog", true, false, 0, 2, 0, "", false},
        Outcome{"SilentFatalGoesOnWithoutServiceLog", true, true, 0, 2, 0, "", false},
        Outcome{"ResumeYesGoesOn", false, false, box::kYes, 2, box::kYesNoStop, "Unexpected error"},
        Outcome{"ResumeNoEnds", false, false, box::kNo, 1, box::kYesNoStop, "Unexpected error"},
        Outcome{"FatalEnds", false, true, box::kOk, 1, box::kOkStop, "Fatal error"}),
    [](const ::testing::TestParamInfo<Outcome>& info) { return std::string(info.param.name); });

TEST(ErrorSub, EmptyDescriptionLeavesAnEmptySecondLine) {
    TestRun t;
    t.ui.Answer(box::kYes);
    ErrorSub(t.run, 5, "Calvora_Config", "", "ReadCommand", false);
    EXPECT_EQ(t.Read(kLog), "Fehler in Calvora / Calvora_Config / ReadCommand (Nr. 5) :\r\n");
    EXPECT_EQ(t.ui.boxes[0].text.rfind("Unexpected error!\n\r\n\rError logged to ", 0), 0u);
}

TEST(ErrorSub, AnUnwritableLogStillShowsTheDialog) {
    TestRun t;
    t.process.programFile =
        "C:\\Missing\\Config\\Calvora_Config";  // the log's folder does not exist
    t.ui.Answer(box::kYes);
    EXPECT_EQ(ErrorSub(t.run, 6, "Calvora_Config", "Overflow", "LoadIniInteger", false), 2);
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_NE(
        t.ui.boxes[0].text.find("Error could not be logged to \n\rC:\\MISSING\\TRXCFGLOG.TXT"),
        std::string::npos);
}

// The unit-name lookup reports its own failure through ErrorSub, which asks
// for the unit name again: it once did so forever.
TEST(ErrorSub, AFailingUnitNameLookupNoLongerReportsItselfForever) {
    TestRun t;
    int lookups = 0;
    t.run.UnitName = [&] {
        ++lookups;
        Proc proc(t.run, "GetOCXName");
        proc.Step([] { throw Failure(5, "Calvora_Config", "Invalid procedure call or argument"); });
        return std::string();
    };
    t.ui.Answer(box::kYes);
    t.ui.Answer(box::kYes);
    ErrorSub(t.run, 6, "Calvora_Config", "Overflow", "LoadIniInteger", false);
    EXPECT_EQ(lookups, 1);
    EXPECT_EQ(t.ui.boxes.size(), 2u);
}

}  // namespace
}  // namespace calvora
