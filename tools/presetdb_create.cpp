#include "tools/presetdb_create.h"

#include <sqlite3.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "dao/types.h"
#include "platform/failure.h"

namespace calvora::tool {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kFileExists = 58;

// Removes the temporary file unless it was handed over.
struct TemporaryFile {
    fs::path path;
    ~TemporaryFile() {
        std::error_code ec;
        fs::remove(path, ec);
        fs::remove(path.string() + "-journal", ec);
    }
};

std::string ReadScript(const fs::path& script) {
    std::ifstream in(script, std::ios::binary);
    if (!in)
        RaiseRuntime(err::kFileNotFound, "Cannot read the script '" + script.string() + "'");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void RunScript(const fs::path& file, const std::string& script, const fs::path& scriptPath) {
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string message;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA journal_mode=DELETE; BEGIN", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            message = sqlite3_errmsg(db);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (message.empty() && rc != SQLITE_OK)
        message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK)
        throw Failure(dao::err::kSyntaxError, dao::kSourceDatabase,
                      "The script '" + scriptPath.string() + "' failed: " + message);
}

}  // namespace

void CreateDatabaseFromScript(const fs::path& target, const fs::path& script) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec)))
        RaiseRuntime(kFileExists, "The file '" + target.string() +
                                      "' already exists; create makes new databases only");
    const std::string text = ReadScript(script);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temporaryPath = folder / target.filename();
    temporaryPath += ".creating";
    TemporaryFile temporary{temporaryPath};
    fs::remove(temporary.path, ec);
    RunScript(temporary.path, text, script);
    // link() never replaces: a target that appeared meanwhile stays untouched.
    if (::link(temporary.path.c_str(), target.c_str()) != 0) {
        if (errno == EEXIST)
            RaiseRuntime(kFileExists, "The file '" + target.string() + "' already exists");
        RaiseRuntime(err::kPathFileAccess, "Cannot write '" + target.string() + "'");
    }
}

}  // namespace calvora::tool
