#include "settings/file_locations.h"

#include <gtest/gtest.h>

#include "errors/error_protocol.h"
#include "errors/logs.h"
#include "tests/settings/unreachable.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

const std::string kTrxIni = "C:\\Project\\parameter\\trxconfiguration.ini";
const std::string kCfg = "C:\\Project\\Calvora\\Calvora.cfg";

TEST(FileLocations, PathsOfAProgramInAProjectFolder) {
    TestRun t;
    EXPECT_EQ(GetOCXName(t.run), "Calvora");
    EXPECT_EQ(GetProjectFolder(t.run), "C:\\Project");
    // The unit database is named whether it exists or not.
    EXPECT_EQ(GetPathOCXMDB(t.run), "C:\\Project\\Calvora\\Calvora.mdb");

    EXPECT_EQ(GetPathSourceOCXMDB(t.run), "");
    EXPECT_EQ(GetTRXConfigurationIniPath(t.run), "");
    int32_t mode = 1;
    EXPECT_EQ(GetProgramIniPath(t.run, mode), "");

    t.Write("C:\\Project\\Calvora\\Calvora_Source.mdb", "");
    t.Write(kTrxIni, "");
    t.Write(kCfg, "");
    t.Write("C:\\Project\\parameter\\program.ini", "");  // spelled as in integrated projects
    EXPECT_EQ(GetPathSourceOCXMDB(t.run), "C:\\Project\\Calvora\\Calvora_Source.mdb");
    EXPECT_EQ(GetTRXConfigurationIniPath(t.run), kTrxIni);
    EXPECT_EQ(GetCFGPath(t.run), kCfg);
    EXPECT_EQ(GetProgramIniPath(t.run, mode), "C:\\Project\\parameter\\Program.ini");
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST(FileLocations, ProgramNamesAndFolders) {
    struct Case {
        const char* programFile;
        const char* unit;
        const char* projectFolder;
        const char* unitDatabase;
    };
    const Case cases[] = {
        {"C:\\Project\\Config\\Calvora_Config.exe", "Calvora", "C:\\Project",
         "C:\\Project\\Calvora\\Calvora.mdb"},
        {"C:\\Calvora_Config", "Calvora", "C:", "C:\\Calvora\\Calvora.mdb"},
        {"D:\\A\\B\\C\\Heat_Config", "Heat", "D:\\A\\B", "D:\\A\\B\\Heat\\Heat.mdb"},
        {"C:\\Project\\Config\\_Config", "", "C:\\Project", "C:\\Project\\\\.mdb"},
    };
    for (const Case& c : cases) {
        TestRun t;
        t.process.programFile = c.programFile;
        EXPECT_EQ(GetOCXName(t.run), c.unit) << c.programFile;
        EXPECT_EQ(GetProjectFolder(t.run), c.projectFolder) << c.programFile;
        EXPECT_EQ(GetPathOCXMDB(t.run), c.unitDatabase) << c.programFile;
    }
}

TEST(FileLocations, ProgramNameShorterThanSevenCharactersFails) {
    TestRun t;
    t.process.programFile = "C:\\Project\\Config\\Short";
    t.ui.Answer(box::kYes);
    EXPECT_EQ(GetOCXName(t.run), "");
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_NE(t.Read("C:\\Project\\TRXcfglog.txt").find(" / GetOCXName (Nr. 5) :"),
              std::string::npos);
}

TEST(FileLocations, MissingConfigurationFileEndsTheProgram) {
    TestRun t;
    t.ui.Answer(box::kOk);
    try {
        GetCFGPath(t.run);
        FAIL() << "the program should have ended";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, exitcode::kEndedByError);
    }
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].text, "File not found: \n\rC:\\PROJECT\\CALVORA\\CALVORA.CFG");
    EXPECT_EQ(t.ui.boxes[0].style, box::kOkStop);
    EXPECT_EQ(t.ui.boxes[0].title, "Calvora_Config");
}

TEST(FileLocations, MissingConfigurationFileInSilentModeGoesToTheServiceLog) {
    TestRun t;
    t.run.SilentMode = true;
    EXPECT_THROW(GetCFGPath(t.run), EndOfProgram);
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_EQ(t.Read(kServiceLogPath),
              "! Fault Calvora_Config: File not found: \n\rC:\\PROJECT\\CALVORA\\CALVORA.CFG\r\n");
}

struct SaveAndRestoreCase {
    const char* ini;  // the TRX configuration INI file's content
    const char* programIni;
    const char* machineCopy;
};

TEST(FileLocations, SaveAndRestoreFolderWithOrWithoutBackslash) {
    const SaveAndRestoreCase cases[] = {
        {"[Common]\r\nSaveAndRestore=D:\\Backup\\\r\n", "D:\\Backup\\parameter\\program.ini",
         "D:\\Backup\\Calvora\\Calvora.mdb"},
        {"[Common]\r\nSaveAndRestore=D:\\Backup\r\n", "D:\\Backup\\parameter\\program.ini",
         "D:\\Backup\\Calvora\\Calvora.mdb"},
        // Missing or empty: the root of the current drive (C: in these tests).
        {"[Common]\r\nSaveAndRestore=\r\n", "\\parameter\\program.ini", "\\Calvora\\Calvora.mdb"},
        {"[Other]\r\n", "\\parameter\\program.ini", "\\Calvora\\Calvora.mdb"},
    };
    for (const SaveAndRestoreCase& c : cases) {
        TestRun t;
        t.run.IntegratedMode = true;
        t.Write(kTrxIni, c.ini);
        int32_t mode = 1;
        EXPECT_EQ(GetProgramIniPath(t.run, mode), "") << c.ini;
        EXPECT_EQ(GetPathMachineCopyMDB(t.run, kTrxIni), "") << c.ini;

        t.Write(c.programIni, "");
        t.Write(c.machineCopy, "");
        EXPECT_EQ(GetProgramIniPath(t.run, mode), c.programIni) << c.ini;
        EXPECT_EQ(GetPathMachineCopyMDB(t.run, kTrxIni), c.machineCopy) << c.ini;
    }
}

TEST(FileLocations, MissingTrxIniGivesTheCurrentDriveRoot) {
    TestRun t;
    t.run.IntegratedMode = true;
    t.Write("C:\\parameter\\program.ini", "");
    t.Write("C:\\Calvora\\Calvora.mdb", "");
    int32_t mode = 1;
    EXPECT_EQ(GetProgramIniPath(t.run, mode), "\\parameter\\program.ini");
    EXPECT_EQ(GetPathMachineCopyMDB(t.run, ""), "\\Calvora\\Calvora.mdb");
}

TEST(FileLocations, ModeTwoOrAStandaloneStartTakesTheProjectFolder) {
    TestRun t;
    t.Write(kTrxIni, "[Common]\r\nSaveAndRestore=D:\\Backup\r\n");
    t.Write("D:\\Backup\\parameter\\program.ini", "");
    t.Write("C:\\Project\\parameter\\Program.ini", "");
    int32_t mode = 2;
    t.run.IntegratedMode = true;
    EXPECT_EQ(GetProgramIniPath(t.run, mode), "C:\\Project\\parameter\\Program.ini");
    mode = 1;
    t.run.IntegratedMode = false;
    EXPECT_EQ(GetProgramIniPath(t.run, mode), "C:\\Project\\parameter\\Program.ini");
    EXPECT_EQ(mode, 1);
}

TEST(FileLocations, FailedExistenceCheckOfTheMachineCopyCountsAsFound) {
    TestRun t;
    t.Write(kTrxIni, "[Common]\r\nSaveAndRestore=D:\\Backup\r\n");
    MakeUnreachable(t, "D:\\Backup");
    EXPECT_EQ(GetPathMachineCopyMDB(t.run, kTrxIni), "D:\\Backup\\Calvora\\Calvora.mdb");
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST(FileLocations, FailedExistenceCheckIsReportedAndThenCountsAsFound) {
    TestRun t;
    MakeUnreachable(t, "C:\\Project\\Calvora");
    MakeUnreachable(t, "C:\\Project\\parameter");
    for (int i = 0; i < 4; ++i) {
        t.ui.Answer(box::kYes);
    }
    int32_t mode = 1;
    EXPECT_EQ(GetPathSourceOCXMDB(t.run), "C:\\Project\\Calvora\\Calvora_Source.mdb");
    EXPECT_EQ(GetCFGPath(t.run), kCfg);
    EXPECT_EQ(GetTRXConfigurationIniPath(t.run), kTrxIni);
    EXPECT_EQ(GetProgramIniPath(t.run, mode), "C:\\Project\\parameter\\Program.ini");
    EXPECT_EQ(t.ui.boxes.size(), 4u);
    EXPECT_NE(t.Read("C:\\Project\\TRXcfglog.txt").find(" / GetPathSourceOCXMDB (Nr. 75) :"),
              std::string::npos);
}

TEST(FileLocations, FailedExistenceCheckEndsTheProgramWhenTheUserSaysNo) {
    TestRun t;
    MakeUnreachable(t, "C:\\Project\\Calvora");
    t.ui.Answer(box::kNo);
    EXPECT_THROW(GetPathSourceOCXMDB(t.run), EndOfProgram);
}

TEST(FileLocations, GetFileNameOnlyKeepsTheTextAfterTheLastBackslash) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Project\\Config", "Config"},
        {"Config", "Config"},
        {"C:\\", ""},
        {"C:", "C:"},
        {"", ""},
        {"\\\\server\\share", "share"},
        {"D:/logs/a.txt", "D:/logs/a.txt"},  // only "\" separates
    };
    TestRun t;
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(GetFileNameOnly(t.run, path), name) << path;
    }
}

}  // namespace
}  // namespace calvora::test
