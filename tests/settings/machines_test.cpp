#include "settings/machines.h"

#include <gtest/gtest.h>

#include "errors/error_protocol.h"
#include "tests/settings/unreachable.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

using Names = std::vector<std::string>;

const std::string kTrxIni = "C:\\Project\\parameter\\trxconfiguration.ini";
const std::string kProgramIni = "C:\\Project\\parameter\\Program.ini";

struct MachinesCase {
    const char* name;
    std::string ini;
    Names machines;
};

TEST(GetExistingMachines, IntegratedReadsUpToFiveNamesUntilDashOrEmpty) {
    const MachinesCase cases[] = {
        {"stops at a dash",
         "[Common]\r\nNameM1=Line A\r\nNameM2=Line B\r\nNameM3=-\r\nNameM4=Line D\r\n",
         {"", "Line A", "Line B"}},
        {"at most five",
         "[Common]\r\nNameM1=a\r\nNameM2=b\r\nNameM3=c\r\nNameM4=d\r\nNameM5=e\r\nNameM6=f\r\n",
         {"", "a", "b", "c", "d", "e"}},
        {"empty first name", "[Common]\r\nNameM1=\r\nNameM2=Line B\r\n", {}},
        {"missing first name", "[Common]\r\nNameM2=Line B\r\n", {}},
        {"names as read",
         "[Common]\r\nNameM1=  line a  \r\nNameM2=LINE b\r\n",
         {"", "line a", "LINE b"}},
    };
    for (const MachinesCase& c : cases) {
        TestRun t;
        t.run.IntegratedMode = true;
        t.Write(kTrxIni, c.ini);
        std::string trxIni = kTrxIni;
        GetExistingMachines(t.run, trxIni);
        EXPECT_EQ(t.run.ExistingMachines, c.machines) << c.name;
        EXPECT_TRUE(t.ui.boxes.empty()) << c.name;
    }
}

TEST(GetExistingMachines, IntegratedTakesTheProgramIniFromSaveAndRestore) {
    TestRun t;
    t.run.IntegratedMode = true;
    t.Write(kTrxIni, "[Common]\r\nSaveAndRestore=D:\\Backup\r\nNameM1=M\r\n");
    t.Write("D:\\Backup\\parameter\\program.ini", "[Project]\r\nNumberOfMachines=3\r\n");
    std::string trxIni = kTrxIni;
    GetExistingMachines(t.run, trxIni);
    EXPECT_EQ(t.run.ProgramIniPath, "D:\\Backup\\parameter\\program.ini");
    EXPECT_EQ(t.run.ExistingMachines, (Names{"", "M"}));
}

TEST(GetExistingMachines, IntegratedWithoutTrxIniFindsNoMachine) {
    TestRun t;
    t.run.IntegratedMode = true;
    t.Write("C:\\parameter\\program.ini", "");  // the rule for an empty SaveAndRestore
    for (std::string trxIni : {std::string(""), kTrxIni}) {
        GetExistingMachines(t.run, trxIni);
        EXPECT_TRUE(t.run.ExistingMachines.empty());
        EXPECT_EQ(t.run.ProgramIniPath, "\\parameter\\program.ini");
    }
}

TEST(GetExistingMachines, IntegratedReadsNamesWhenTheCheckFailsAndIsLetPass) {
    TestRun t;
    t.run.IntegratedMode = true;
    MakeUnreachable(t, "D:\\Unreachable");
    std::string trxIni = "D:\\Unreachable\\trxconfiguration.ini";
    t.ui.Answer(box::kYes);
    GetExistingMachines(t.run, trxIni);
    EXPECT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_TRUE(t.run.ExistingMachines.empty());  // nothing to read there
}

TEST(GetExistingMachines, StandaloneReadsNumberOfMachinesSections) {
    const MachinesCase cases[] = {
        {"three, the second missing",
         "[Project]\r\nNumberOfMachines=3\r\n[Machine1]\r\nMachineName=a\r\n"
         "[Machine3]\r\nMachineName=c\r\n",
         {"", "a", "", "c"}},
        {"every value taken",
         "[Project]\r\nNumberOfMachines=2\r\n[Machine1]\r\nMachineName=-\r\n",
         {"", "-", ""}},
        {"count missing", "[Project]\r\n[Machine1]\r\nMachineName=a\r\n", {}},
        {"count zero", "[Project]\r\nNumberOfMachines=0\r\n[Machine1]\r\nMachineName=a\r\n", {}},
        {"count negative", "[Project]\r\nNumberOfMachines=-2\r\n", {}},
    };
    for (const MachinesCase& c : cases) {
        TestRun t;
        t.Write(kProgramIni, c.ini);
        // NameM keys count only in an integrated start.
        t.Write(kTrxIni, "[Common]\r\nNameM1=x\r\n");
        std::string trxIni = kTrxIni;
        GetExistingMachines(t.run, trxIni);
        EXPECT_EQ(t.run.ProgramIniPath, kProgramIni) << c.name;
        EXPECT_EQ(t.run.ExistingMachines, c.machines) << c.name;
    }
}

TEST(GetExistingMachines, StandaloneWithoutProgramIniFindsNoMachine) {
    TestRun t;
    t.run.SilentMode = true;
    std::string trxIni;
    GetExistingMachines(t.run, trxIni);
    EXPECT_EQ(t.run.ProgramIniPath, "");
    EXPECT_TRUE(t.run.ExistingMachines.empty());
}

TEST(GetExistingMachines, CountOutside16BitsGoesToTheErrorProtocol) {
    TestRun t;
    t.Write(kProgramIni, "[Project]\r\nNumberOfMachines=40000\r\n");
    t.ui.Answer(box::kYes);
    std::string trxIni;
    GetExistingMachines(t.run, trxIni);
    EXPECT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_TRUE(t.run.ExistingMachines.empty());
}

TEST(GetExistingMachines, LargestCountEndsItsLoop) {
    TestRun t;
    t.Write(kProgramIni, "[Project]\r\nNumberOfMachines=32767\r\n");
    std::string trxIni;
    GetExistingMachines(t.run, trxIni);
    EXPECT_EQ(t.run.ExistingMachines.size(), 32768u);
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST(GetValidMachines, ReadsValidMachinesOfTheConfigurationFile) {
    TestRun t;
    t.Write("C:\\Project\\Calvora\\Calvora.cfg", "[Project]\r\nValidMachines= Line A, Line B\r\n");
    EXPECT_EQ(GetValidMachines(t.run), "Line A, Line B");
    t.Write("C:\\Project\\Calvora\\Calvora.cfg", "[Project]\r\n");
    EXPECT_EQ(GetValidMachines(t.run), "");
}

TEST(GetValidMachines, MissingConfigurationFileEndsTheProgram) {
    TestRun t;
    t.ui.Answer(box::kOk);
    EXPECT_THROW(GetValidMachines(t.run), EndOfProgram);
    EXPECT_EQ(t.ui.boxes.size(), 1u);
}

}  // namespace
}  // namespace calvora::test
