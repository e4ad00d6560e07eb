// What every whole-program test asks of a finished run on a ProjectFolder,
// beside its own tables: the edit information in the unit's configuration
// file, the source database's kept time stamp, and databases left without
// the indexes a run may build for itself.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/project_folder.h"

namespace calvora::test {

// The value of [Info] S_Prog in the unit's configuration file, or "(missing)".
std::string EditedBy(const ProjectFolder& folder);

// Moves the file's last-write time a month back, to a whole second, and
// returns it: a run that forgot to restore the time cannot then pass by
// finishing within the same second.
std::filesystem::file_time_type AgeFile(const std::filesystem::path& file);

// The names of the indexes that a database file holds.
std::vector<std::string> Indexes(const ProjectFolder& folder, const std::string& winPath);

// Every record of the table, in stored order, fields in column order joined
// by '|' ("NULL" for null; reals as SQLite prints them, 1.0).
std::vector<std::string> Records(const ProjectFolder& folder, const std::string& winPath,
                                 const std::string& table);

// Runs a built tool with these arguments and waits; its exit code, or 128 +
// signal.
int RunTool(const std::filesystem::path& program, const std::vector<std::string>& args);

struct CapturedRun {
    int exitCode;
    std::string out;  // what it wrote to standard output
};

// Runs a built program or tool with the folder's environment (that of
// ProjectFolder::Run) and waits; its exit code and standard output.
CapturedRun RunCaptured(const ProjectFolder& folder, const std::filesystem::path& program,
                        const std::vector<std::string>& args);

}  // namespace calvora::test
