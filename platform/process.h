// The process as the procedures see it: its command line, its program file,
// its version and its environment. Production uses HostProcess; tests use
// a fake with chosen values.
#pragma once

#include <string>

namespace calvora {

struct Version {
    int major = 0, minor = 0, revision = 0;
};

class Process {
  public:
    virtual ~Process() = default;

    // The arguments after the program's name, joined by single blanks.
    virtual std::string CommandLine() = 0;

    // Full Windows path of the program file, e.g. "Z:\srv\p\Config\Calvora_Config".
    virtual std::string ProgramFile() = 0;

    virtual Version ProgramVersion() = 0;

    // The first entry of the environment ("NAME=value"), "" when it is empty.
    virtual std::string FirstEnvironmentEntry() = 0;
};

// Derived from ProgramFile():
// The folder holding the program file, without trailing '\' (a drive root keeps it: "C:\").
std::string ProgramFolder(Process& p);
// The program file's name ("Calvora_Config" or "Calvora_Config.exe").
std::string ProgramFileName(Process& p);
// The program file's name without its extension ("Calvora_Config").
std::string ProgramName(Process& p);

class PathModel;

class HostProcess : public Process {
  public:
    // argv as main received it; the program file is /proc/self/exe mapped to
    // a Windows path through paths.
    HostProcess(int argc, char** argv, char** envp, const PathModel& paths);

    std::string CommandLine() override { return commandLine_; }
    std::string ProgramFile() override { return programFile_; }
    Version ProgramVersion() override;
    std::string FirstEnvironmentEntry() override { return firstEnv_; }

  private:
    std::string commandLine_;
    std::string programFile_;
    std::string firstEnv_;
};

}  // namespace calvora
