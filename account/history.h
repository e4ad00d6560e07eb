// The history folder of a unit: what each run found and what it did.
//
// <unit folder>/History holds, per kept run, files named after the unit and
// the run's start time (local time):
//
//   Calvora.20261207-134501.mdb          the unit database as the run found it
//   Calvora.20261207-134501.report.txt   the report (Windows-1252, CR LF)
//   Calvora.20261207-134501.report.json  the same for programs (UTF-8)
//
// A run reserves its name first by creating its report file anew, so two runs
// started in the same second never share one: the second gets "-2" after the
// time, the third "-3", and so on. Every file appears whole or not at all (a
// temporary file, flushed, renamed into place), so a backup that a full disk
// cut short is never found under a backup's name.
//
// These functions work on host paths and know nothing of runs; the program
// and the presetdb tool share them.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace calvora::history {

inline constexpr const char* kFolderName = "History";
inline constexpr const char* kBackupSuffix = ".mdb";
inline constexpr const char* kReportTextSuffix = ".report.txt";
inline constexpr const char* kReportJsonSuffix = ".report.json";

// The history folder of unit in the project folder project (host paths):
// project/<unit>/History, each component found without regard to case as
// the program finds it, spelled as given where none exists.
std::filesystem::path FolderOf(const std::filesystem::path& project, const std::string& unit);

// "20261207-134501" and "2026-12-07 13:45:01" of a moment, in local time.
std::string FileStamp(std::chrono::system_clock::time_point t);
std::string DisplayTime(std::chrono::system_clock::time_point t);

// Reserves the name of a run: creates folder when missing, then creates
// folder/<unit>.<stamp>.report.txt anew (empty), or with "-2", "-3", ...
// after the stamp when that exists. Returns the name ("Calvora.20261207-134501").
// Raises 76 (a folder on the way missing), 70 (permission denied), 75.
std::string ReserveRun(const std::filesystem::path& folder, const std::string& unit,
                       const std::string& stamp);

// folder/<name>.mdb as an atomic copy of file. Raises 53 when file is
// missing, 70/75/76 (a full disk is 75); nothing is left behind then.
void KeepBackup(const std::filesystem::path& file, const std::filesystem::path& folder,
                const std::string& name);

// folder/<name>.report.txt (text given in UTF-8 with LF; written in
// Windows-1252 with CR LF) and folder/<name>.report.json, each replaced
// atomically. Raises 70/75/76.
void WriteReportFiles(const std::filesystem::path& folder, const std::string& name,
                      const std::string& text, const std::string& json);

struct KeptRun {
    std::string name;              // "Calvora.20261207-134501"
    std::string stamp;             // "20261207-134501" (or "20261207-134501-2")
    std::filesystem::path backup;  // empty when the run kept no backup
    std::filesystem::path report;  // empty when it has no text report
};

// The runs of unit kept in folder, newest first (by stamp, then by the
// number after it). A folder that does not exist holds none.
std::vector<KeptRun> ListRuns(const std::filesystem::path& folder, const std::string& unit);

// Removes the files of all runs but the newest keep (keep <= 0: all but
// current, whose backup alone is removed). Files that cannot be removed are
// left; nothing is raised.
void PruneRuns(const std::filesystem::path& folder, const std::string& unit, int keep,
               const std::string& current);

}  // namespace calvora::history
