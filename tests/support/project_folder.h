// A project folder in a temporary directory, for whole-program tests.
//
// Drive C: of the program is mapped (CONFIG_EXE_DRIVES) to <tmp>/c, so the
// project lies at C:\Project with the program in C:\Project\Config, and the
// unit's files in C:\Project\Calvora. Run() copies the built program
// (BuiltBinDir()/Calvora_Config) into the program folder and runs it there
// with Qt's offscreen platform unless told otherwise.
//
//   ProjectFolder p;
//   p.Write("C:\\Project\\Calvora\\Calvora.cfg", "[Project]\r\nForMachine1=TRUE\r\n");
//   p.CreateDatabase("C:\\Project\\Calvora\\Calvora_Source.mdb", "CREATE TABLE ...;");
//   EXPECT_EQ(p.Run({"/EXTERNAL=SILENT"}), 0);
//   auto rows = p.Query("C:\\Project\\Calvora\\Calvora.mdb", "SELECT var_name FROM PRESET_DEFS");
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_run.h"

namespace calvora::test {

class ProjectFolder {
  public:
    ProjectFolder();

    // Host path of a Windows path on drive C: or D: (mapped to <tmp>/c and <tmp>/d).
    std::filesystem::path Host(const std::string& winPath) const;
    void Write(const std::string& winPath, const std::string& bytes) const;
    std::string Read(const std::string& winPath) const;
    bool Exists(const std::string& winPath) const;

    // Creates a database file from a plain SQLite script (the on-disk
    // convention's declared types carry the field types).
    void CreateDatabase(const std::string& winPath, const std::string& script) const;

    // Rows of a query run directly with SQLite, each column as text ("NULL"
    // for null), columns joined by '|'.
    std::vector<std::string> Query(const std::string& winPath, const std::string& sql) const;

    // The built program, or "" when it has not been built.
    static std::filesystem::path BuiltProgram();

    // Runs the program with these arguments and waits (at most timeoutSeconds,
    // then kills it and fails the test). Returns its exit code, or 128 +
    // signal. extraEnv entries ("NAME=value") come first in its environment.
    int Run(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {},
            int timeoutSeconds = 120) const;

    // Starts the program without waiting; returns its process id.
    pid_t Start(const std::vector<std::string>& args,
                const std::vector<std::string>& extraEnv = {}) const;

    // The environment Run() and Start() give the program, after extraEnv.
    std::vector<std::string> Environment() const;

    const std::filesystem::path& Root() const { return root_.path(); }

  private:
    void InstallProgram() const;

    TempDir root_;
};

// Waits for a started program; exit code or 128 + signal, -1 on timeout
// (the program is then killed).
int WaitForProgram(pid_t pid, int timeoutSeconds);

}  // namespace calvora::test
