// File services on Windows paths. Production uses HostFiles over a
// PathModel; tests may substitute their own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace calvora {

// Raises the failure an errno value stands for, naming path: 76 for a
// missing file or folder, 70 for a refused access, 75 otherwise.
[[noreturn]] void RaiseFileError(int error, std::string_view path);

// A file's last-write time in nanoseconds since the Unix epoch.
struct FileTime {
    int64_t ns = 0;
    friend bool operator==(FileTime, FileTime) = default;
};

class Files {
  public:
    virtual ~Files() = default;

    // The host path of a Windows path (case-blind lookup); nullopt for a
    // path on an unmapped drive.
    virtual std::optional<std::filesystem::path> ToHost(std::string_view winPath) = 0;

    // The existence check ("directory search, normal attributes"): true when
    // a regular file exists under exactly this path. A name starting with '.'
    // counts as hidden and is not found; so is anything on an unmapped drive.
    // Raises 75 when the search itself fails (for example a folder on the
    // way that cannot be read).
    virtual bool Exists(std::string_view winPath) = 0;

    // Appends text + CR LF in Windows-1252, creating the file when missing.
    // Raises 76 (folder missing or unmapped drive), 70 (permission denied),
    // 75 (other access errors). Nothing of the line is written on failure.
    virtual void AppendLine(std::string_view winPath, std::string_view text) = 0;

    // Copies the whole file source over target so that target is at every
    // moment either its old or its new content: the copy goes to a temporary
    // file beside target, is flushed to disk and renamed over it. Raises 53
    // when source is missing, 76/70/75 on other failures; target is then
    // unchanged. A target that is a symbolic link stays one: the file it
    // names is replaced (see ReplaceFileAtomically).
    virtual void CopyFile(std::string_view source, std::string_view target) = 0;

    // The last-write time, or nullopt when the file cannot be opened for it.
    virtual std::optional<FileTime> LastWriteTime(std::string_view winPath) = 0;

    // Sets the last-write time (the last-access time is left alone). Returns
    // false, changing nothing, when the file cannot be opened for it.
    virtual bool SetLastWriteTime(std::string_view winPath, FileTime time) = 0;
};

class HostFiles : public Files {
  public:
    explicit HostFiles(PathModel paths) : paths_(std::move(paths)) {}

    std::optional<std::filesystem::path> ToHost(std::string_view winPath) override;
    bool Exists(std::string_view winPath) override;
    void AppendLine(std::string_view winPath, std::string_view text) override;
    void CopyFile(std::string_view source, std::string_view target) override;
    std::optional<FileTime> LastWriteTime(std::string_view winPath) override;
    bool SetLastWriteTime(std::string_view winPath, FileTime time) override;

    const PathModel& Paths() const { return paths_; }

  private:
    PathModel paths_;
};

// Copies the host file from over to as HostFiles::CopyFile does (temporary
// file beside it, flushed, renamed over it). Raises 53 when from is missing,
// 76/70/75 otherwise (a full disk is 75); to is then unchanged and no
// temporary file is left. nameForMessages names the target in descriptions.
void CopyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to,
                        std::string_view nameForMessages, std::string_view sourceForMessages);

// Replaces target with data atomically (temporary file beside it, flushed,
// renamed over it; permissions of an existing target kept). Raises 76/70/75.
// Through a symbolic link the file it names is replaced and the link stays
// (a link to nowhere raises 76). Temporary files that a process no longer
// running left beside the target (".NAME.tmpPID_...") are removed first; CopyFile
// behaves the same.
// Shared by the file copy and the INI writer.
void ReplaceFileAtomically(const std::filesystem::path& target, std::string_view data,
                           std::string_view winPathForMessages);

}  // namespace calvora
