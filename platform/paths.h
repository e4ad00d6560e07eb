// The Windows path model.
//
// Every path the program handles is a Windows path ("C:\Project\Config"), on
// every host: project files written on Windows hold them, the command line
// carries them, messages and logs show them. Only this module turns a
// Windows path into a host path, through a drive table:
//
//   - CONFIG_EXE_DRIVES maps drive letters to host folders, entries separated
//     by ';', e.g. "C:=/srv/drive_c;D:=/mnt/backup". The letter may be given
//     in either case; blanks around an entry and empty entries do not count.
//     An entry that is not "X:=/absolute/host/folder", or that maps a letter
//     mapped before it (the first mapping holds), is left out and reported
//     through IgnoredDriveEntries(): a guessed drive would send files to
//     places the user never meant.
//   - Unless mapped, Z: is the host root "/", and C: is a per-user folder
//     ($XDG_STATE_HOME/config-exe/drive_c, else ~/.local/state/config-exe/
//     drive_c), created when first written to, so the fixed service log on C:
//     always has a home. Any other unmapped drive is a path that does not
//     exist (never a failure).
//
// Host to Windows: the drive whose host folder is the longest prefix, the
// rest joined with '\'. Windows to host: "X:\..." through the table; "\..." on
// the current drive (the drive of the current directory); anything else
// relative to the current directory. '\' and '/' both separate. Each
// component that does not exist in its exact spelling is looked up without
// regard to case (projects come from a case-blind file system); a component
// that exists in no spelling keeps its own, so new files can be created.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calvora {

class PathModel {
  public:
    // drives: letter (upper case) to host folder; currentDir: a host path.
    PathModel(std::map<char, std::filesystem::path> drives, std::filesystem::path currentDir,
              std::filesystem::path defaultDriveC);

    // The table from CONFIG_EXE_DRIVES, XDG_STATE_HOME/HOME and the process's
    // current directory. Entries of CONFIG_EXE_DRIVES that were left out are
    // described in IgnoredDriveEntries().
    static PathModel FromEnvironment();

    // One message per entry of CONFIG_EXE_DRIVES that FromEnvironment left
    // out, naming the entry and the reason; empty for a model built directly.
    const std::vector<std::string>& IgnoredDriveEntries() const { return ignoredDriveEntries_; }

    // The host path of a Windows path, with case-blind component lookup;
    // nullopt when the drive is not mapped or the path is empty.
    std::optional<std::filesystem::path> ToHost(std::string_view winPath) const;

    // The Windows path of an absolute host path.
    std::string ToWindows(const std::filesystem::path& hostPath) const;

    // Creates the per-user folder of the unmapped drive C: when winPath lies
    // on it; called before a write so that C: always has a home.
    void PrepareForWrite(std::string_view winPath) const;

  private:
    std::optional<std::filesystem::path> DriveRoot(char letter) const;

    std::map<char, std::filesystem::path> drives_;
    std::filesystem::path currentDir_;
    std::filesystem::path defaultDriveC_;
    std::vector<std::string> ignoredDriveEntries_;
};

}  // namespace calvora
