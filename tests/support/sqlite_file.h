// Direct SQLite access to database files, for setting up and checking tests
// without going through the engine under test.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace calvora::test {

// Runs a plain SQLite script on the file (created when missing); a failing
// script fails the test.
void ExecuteScript(const std::filesystem::path& file, const std::string& script);

// The rows of a query, each column as text ("NULL" for null), columns joined
// by '|'. A query that cannot run fails the test.
std::vector<std::string> QueryRows(const std::filesystem::path& file, const std::string& sql);

}  // namespace calvora::test
