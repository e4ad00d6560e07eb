#include "settings/wiring.h"

#include <gtest/gtest.h>

#include "errors/error_protocol.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

TEST(WireSettings, ErrorLogNamesTheUnitAndTheLogfileSwitch) {
    TestRun t;
    WireSettings(t.run);
    t.process.programFile = "C:\\Project\\Config\\Heat_Config";
    t.process.commandLine = "/EXTERNAL=TRXCFG /LOGFILE=c:\\logs\\errors.txt";
    t.run.IntegratedMode = true;
    t.Write("C:\\logs\\keep.txt", "");
    t.ui.Answer(box::kYes);
    Proc(t.run, "WorkOnMDB").Step([] { RaiseRuntime(err::kOverflow, "Overflow"); });
    EXPECT_EQ(t.Read("C:\\logs\\errors.txt"),
              "Fehler in Heat / Calvora_Config / WorkOnMDB (Nr. 6) :Overflow\r\n");
}

// ErrorSub asks GetOCXName for the unit name, and a program name too short
// to name a unit once made GetOCXName report its own failure through
// ErrorSub again and again. The nested report names no unit, and the run
// goes on.
TEST(WireSettings, ShortProgramNameNoLongerReportedInEndlessRecursion) {
    TestRun t;
    WireSettings(t.run);
    t.process.programFile = "C:\\Project\\Config\\Short";
    t.ui.Answer(box::kYes);
    t.ui.Answer(box::kYes);
    Proc(t.run, "WorkOnMDB").Step([] { RaiseRuntime(err::kOverflow, "Overflow"); });
    // GetOCXName's failure first, then the overflow itself: two boxes, no more.
    ASSERT_EQ(t.ui.boxes.size(), 2u);
    std::string log = t.Read("C:\\Project\\TRXcfglog.txt");
    EXPECT_NE(log.find("Fehler in  / Calvora_Config / GetOCXName (Nr. 5)"), std::string::npos);
    EXPECT_NE(log.find("Fehler in  / Calvora_Config / WorkOnMDB (Nr. 6) :Overflow"),
              std::string::npos);
}

}  // namespace
}  // namespace calvora::test
