#include "presetdb/additional_fields.h"

#include <gtest/gtest.h>

#include "errors/error_protocol.h"
#include "platform/failure.h"
#include "tests/support/test_run.h"

namespace calvora {
namespace {

using test::TestRun;
using Names = std::vector<std::string>;

const std::string kCfg = "C:\\Project\\Calvora\\Calvora.cfg";

struct Case {
    const char* cfg;  // the unit's configuration file
    Names names;
    std::string sql;
};

TEST(AdditionalFields, TheListStartsWithPartAndKeepsNamesAsWritten) {
    const Case cases[] = {
        {"[Project]\r\nValidMachines=1\r\n", {"", "part"}, ", PRESET_DEFS.part"},
        {"[Project]\r\nDataBaseAdditionalFields=\r\n", {"", "part"}, ", PRESET_DEFS.part"},
        {"[Project]\r\nDataBaseAdditionalFields=x\r\n",
         {"", "part", "x"},
         ", PRESET_DEFS.part, PRESET_DEFS.x"},
        {"[Project]\r\nDataBaseAdditionalFields=a,b\r\n",
         {"", "part", "a", "b"},
         ", PRESET_DEFS.part, PRESET_DEFS.a, PRESET_DEFS.b"},
        // A trailing comma is an empty last name; the column list ends bare.
        {"[Project]\r\nDataBaseAdditionalFields=x,\r\n",
         {"", "part", "x", ""},
         ", PRESET_DEFS.part, PRESET_DEFS.x, PRESET_DEFS."},
        {"[Project]\r\nDataBaseAdditionalFields=x,,y\r\n",
         {"", "part", "x", "", "y"},
         ", PRESET_DEFS.part, PRESET_DEFS.x, PRESET_DEFS., PRESET_DEFS.y"},
        // Blanks after a comma belong to the name.
        {"[Project]\r\nDataBaseAdditionalFields=x, y\r\n",
         {"", "part", "x", " y"},
         ", PRESET_DEFS.part, PRESET_DEFS.x, PRESET_DEFS. y"},
        {"[Project]\r\nDataBaseAdditionalFields=part,x\r\n",
         {"", "part", "part", "x"},
         ", PRESET_DEFS.part, PRESET_DEFS.part, PRESET_DEFS.x"},
        {"[Other]\r\nDataBaseAdditionalFields=x\r\n", {"", "part"}, ", PRESET_DEFS.part"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cfg);
        TestRun t;
        t.Write(kCfg, c.cfg);
        EXPECT_EQ(GetAdditionalFieldsMDB(t.run), c.names);

        GetAddFields(t.run);
        EXPECT_EQ(t.run.AddFieldNames, c.names);
        EXPECT_EQ(t.run.AddFieldsSQL, c.sql);
        EXPECT_EQ(t.run.AddFieldCount, static_cast<int16_t>(c.names.size() - 1));
        EXPECT_GE(t.ui.eventPasses, 1);
        EXPECT_EQ(t.run.FailuresReported, 0);
        EXPECT_TRUE(t.ui.boxes.empty());
    }
}

TEST(AdditionalFields, ASecondCallReplacesAllThree) {
    TestRun t;
    t.Write(kCfg, "[Project]\r\nDataBaseAdditionalFields=a,b\r\n");
    GetAddFields(t.run);
    t.Write(kCfg, "[Project]\r\n");
    GetAddFields(t.run);
    EXPECT_EQ(t.run.AddFieldNames, (Names{"", "part"}));
    EXPECT_EQ(t.run.AddFieldsSQL, ", PRESET_DEFS.part");
    EXPECT_EQ(t.run.AddFieldCount, 1);
}

// A window pass that fails once, as a failing step inside the list's making.
class FailingOnceUi : public test::ScriptedUi {
  public:
    void DoEvents() override {
        if (!failed_) {
            failed_ = true;
            throw Failure(err::kInternal, "Calvora_Config", "window failure");
        }
    }

  private:
    bool failed_ = false;
};

TEST(AdditionalFields, AFailureLetPassGivesNoListAndKeepsTheEarlierSetUp) {
    TestRun t;
    t.Write(kCfg, "[Project]\r\nDataBaseAdditionalFields=a,b\r\n");
    FailingOnceUi ui;
    RunState run(Services{ui, t.process, t.files});
    run.UnitName = t.run.UnitName;
    run.LogFileSwitch = t.run.LogFileSwitch;
    run.AddFieldsSQL = ", PRESET_DEFS.earlier";
    run.AddFieldCount = 7;
    run.AddFieldNames = Names{"", "earlier"};
    ui.Answer(box::kYes);  // "Resume?"

    GetAddFields(run);

    EXPECT_FALSE(run.AddFieldNames.has_value());
    EXPECT_EQ(run.AddFieldsSQL, ", PRESET_DEFS.earlier");
    EXPECT_EQ(run.AddFieldCount, 7);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(t.Read("C:\\Project\\TRXcfglog.txt").find("/ GetAdditionalFieldsMDB (Nr. 51)"),
              std::string::npos);
}

// A failure that a window event handled meanwhile reports (under its own
// procedure) is no failure of the list's making: the list is set, so the
// takeover still checks the declared fields.
TEST(AdditionalFields, AFailureReportedElsewhereMeanwhileKeepsTheList) {
    TestRun t;
    t.Write(kCfg, "[Project]\r\nDataBaseAdditionalFields=a,b\r\n");
    t.ui.onDoEvents = [&] {
        Proc handler(t.run, "Form_Resize");
        handler.Step([] { RaiseRuntime(err::kInvalidArgument, "resize failed"); });
    };
    t.ui.Answer(box::kYes);  // "Resume?"
    GetAddFields(t.run);
    EXPECT_EQ(t.run.AddFieldNames, (Names{"", "part", "a", "b"}));
    EXPECT_EQ(t.run.AddFieldCount, 3);
    EXPECT_EQ(t.run.FailuresReported, 1);
}

TEST(AdditionalFields, AMissingConfigurationFileEndsTheRun) {
    TestRun t;
    t.run.SilentMode = true;
    try {
        GetAddFields(t.run);
        FAIL() << "the program should have ended";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, exitcode::kEndedByError);
    }
    EXPECT_FALSE(t.run.AddFieldNames.has_value());
    EXPECT_EQ(t.run.AddFieldCount, 0);
}

}  // namespace
}  // namespace calvora
