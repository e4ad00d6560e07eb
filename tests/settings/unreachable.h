// Makes a folder unreachable for the existence check, as an unreachable
// network drive is: the folder becomes a symbolic link to itself, so every
// search through it fails instead of finding nothing.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/test_run.h"

namespace calvora::test {

inline void MakeUnreachable(const TestRun& t, const std::string& winFolder) {
    std::filesystem::path host = t.Host(winFolder);
    std::filesystem::create_directories(host.parent_path());
    std::filesystem::remove_all(host);
    std::filesystem::create_directory_symlink(host.filename(), host);
}

}  // namespace calvora::test
