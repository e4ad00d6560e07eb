// Direct SQLite access to database files, for setting up and checking tests
// without going through the engine under test.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct sqlite3;

namespace calvora::test {

// Runs a plain SQLite script on the file (created when missing); a failing
// script fails the test.
void ExecuteScript(const std::filesystem::path& file, const std::string& script);

// The rows of a query, each column as text ("NULL" for null), columns joined
// by '|'. A query that cannot run fails the test.
std::vector<std::string> QueryRows(const std::filesystem::path& file, const std::string& sql);

// Another program's lock on a database file, held from construction to
// destruction: Shared lets others read but not commit a change, Write (a
// write under way) lets others read but not write, Exclusive keeps everyone
// else out. Failing to take it fails the test.
class HeldLock {
  public:
    enum class Kind { Shared, Write, Exclusive };
    HeldLock(const std::filesystem::path& file, Kind kind);
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

  private:
    sqlite3* db_ = nullptr;
};

}  // namespace calvora::test
