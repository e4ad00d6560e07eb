// A run wired for tests: a temporary folder mapped as drive C: (holding the
// program folder C:\Project\Config) and one as D:, a fake process whose
// program file is C:\Project\Config\Calvora_Config, host file
// services over that drive table, and scripted message boxes.
//
//   TestRun t;                       // empty drive C: in a temp folder
//   t.Write("C:\\Project\\Calvora\\Calvora.cfg", "[Project]\r\n");
//   t.process.commandLine = "/EXTERNAL=TRXCFG";
//   t.ui.Answer(box::kYes);
//   SomeProcedure(t.run);
#pragma once

#include <filesystem>
#include <string>

#include "errors/run_state.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tests/support/scripted_ui.h"

namespace calvora::test {

class FakeProcess : public Process {
  public:
    std::string CommandLine() override { return commandLine; }
    std::string ProgramFile() override { return programFile; }
    Version ProgramVersion() override { return version; }
    std::string FirstEnvironmentEntry() override { return firstEnvironmentEntry; }

    std::string commandLine;
    std::string programFile = "C:\\Project\\Config\\Calvora_Config";
    Version version{1, 0, 1};
    std::string firstEnvironmentEntry = "USER=tester";
};

// The folder of the built programs (build/bin), overridable by the
// environment variable CALVORA_BIN_DIR.
std::filesystem::path BuiltBinDir();

// The tests' data folder (tests/data), overridable by CALVORA_TEST_DATA.
std::filesystem::path TestDataDir();

// Writes bytes to a file, creating its folders.
void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

// The bytes of a file, or "" when it is missing.
std::string ReadFileBytes(const std::filesystem::path& file);

// A fresh temporary directory, removed at destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

class TestRun {
  public:
    TestRun();

    // Host path of a Windows path on the test drives (C: and D: are mapped).
    std::filesystem::path Host(const std::string& winPath) const;

    // Writes bytes to a Windows path, creating folders.
    void Write(const std::string& winPath, const std::string& bytes) const;

    // The bytes of a file, or "" when it is missing.
    std::string Read(const std::string& winPath) const;

    bool Exists(const std::string& winPath) const;

    TempDir root;  // holds drive_c/ and drive_d/
    ScriptedUi ui;
    FakeProcess process;
    HostFiles files;
    RunState run;
};

}  // namespace calvora::test
