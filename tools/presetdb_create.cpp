#include "tools/presetdb_create.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <string>

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
    }
};

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

// Reads the script whole. A pipe or device could deliver bytes forever (or
// never), so only a regular file of bounded size is read.
std::string ReadScript(const fs::path& script) {
    std::error_code ec;
    const fs::file_status status = fs::status(script, ec);
    if (ec || !fs::exists(status))
        RaiseRuntime(err::kFileNotFound,
                     "Cannot read the script '" + script.string() + "': there is no such file");
    if (!fs::is_regular_file(status))
        RaiseRuntime(err::kFileNotFound,
                     "Cannot read the script '" + script.string() + "': it is not a regular file");
    std::ifstream in(script, std::ios::binary);
    if (!in)
        RaiseRuntime(err::kFileNotFound, "Cannot read the script '" + script.string() + "'");
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        // Checked while reading: a file that grows meanwhile is bounded too.
        if (text.size() > kMaxScriptBytes)
            RaiseRuntime(err::kFileNotFound, "Cannot read the script '" + script.string() +
                                                 "': it is larger than 64 MiB");
    }
    return text;
}

struct Refusals {
    bool otherDatabase = false;
};

// The script may change the new database only: attaching another file
// would let it write there.
int RefuseOtherDatabases(void* data, int action, const char*, const char*, const char*,
                         const char*) {
    if (action != SQLITE_ATTACH && action != SQLITE_DETACH)
        return SQLITE_OK;
    static_cast<Refusals*>(data)->otherDatabase = true;
    return SQLITE_DENY;
}

// Runs the script on a new database in memory and returns the database
// file's bytes. Built in memory, nothing exists on disk while the script
// runs, so a process killed meanwhile leaves nothing behind.
std::string RunScript(const std::string& script, const fs::path& scriptPath) {
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, CloseDatabase> db(raw);
    Refusals refusals;
    std::string message;
    if (rc == SQLITE_OK)
        rc = sqlite3_set_authorizer(db.get(), RefuseOtherDatabases, &refusals);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db.get(), script.c_str(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            message = sqlite3_errmsg(db.get());
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
    if (message.empty() && rc != SQLITE_OK)
        message = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
    if (refusals.otherDatabase)
        message += " (a script may change the new database only; ATTACH and DETACH are refused)";
    if (rc != SQLITE_OK)
        throw Failure(dao::err::kSyntaxError, dao::kSourceDatabase,
                      "The script '" + scriptPath.string() + "' failed: " + message);
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(db.get(), "main", &size, 0);
    if (bytes == nullptr)
        RaiseRuntime(err::kPathFileAccess, "Cannot build the database of the script '" +
                                               scriptPath.string() + "': out of memory");
    std::string file(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    sqlite3_free(bytes);
    return file;
}

void WriteAll(int fd, const std::string& bytes, const fs::path& target) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            RaiseRuntime(err::kPathFileAccess, "Cannot write '" + target.string() + "'");
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0)
        RaiseRuntime(err::kPathFileAccess, "Cannot write '" + target.string() + "'");
}

}  // namespace

void CreateDatabaseFromScript(const fs::path& target, const fs::path& script) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec)))
        RaiseRuntime(kFileExists, "The file '" + target.string() +
                                      "' already exists; create makes new databases only");
    const std::string bytes = RunScript(ReadScript(script), script);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temporaryPath = folder / target.filename();
    temporaryPath += ".creating";
    // One left by a write that was cut short is of no use to anyone.
    fs::remove(temporaryPath, ec);
    const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        RaiseRuntime(err::kPathFileAccess, "Cannot write '" + target.string() + "'");
    TemporaryFile temporary{temporaryPath};
    WriteAll(fd, bytes, target);
    // link() never replaces: a target that appeared meanwhile stays untouched.
    if (::link(temporary.path.c_str(), target.c_str()) != 0) {
        if (errno == EEXIST)
            RaiseRuntime(kFileExists, "The file '" + target.string() + "' already exists");
        RaiseRuntime(err::kPathFileAccess, "Cannot write '" + target.string() + "'");
    }
}

}  // namespace calvora::tool
