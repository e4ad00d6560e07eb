#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/failure.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace calvora {

[[noreturn]] void RaiseFileError(int error, std::string_view path) {
    std::string what = std::string(path) + ": " + std::strerror(error);
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            RaiseRuntime(err::kPathNotFound, "Path not found: " + what);
        case EACCES:
        case EPERM:
        case EROFS:
            RaiseRuntime(err::kPermissionDenied, "Permission denied: " + what);
        default:
            RaiseRuntime(err::kPathFileAccess, "Path/File access error: " + what);
    }
}

namespace {

fs::path HostOrRaise(Files& files, std::string_view winPath) {
    auto host = files.ToHost(winPath);
    if (!host)
        RaiseRuntime(err::kPathNotFound, "Path not found: " + std::string(winPath));
    return *host;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The name of the temporary files made for target: hidden, then the owning
// process's id, so that a later run can tell the leftovers of a process that
// died before its rename (a kill, a power loss) from those still in use.
std::string TemporaryPrefix(const fs::path& target) {
    std::string prefix = ".";
    prefix.append(target.filename().string()).append(".tmp");
    return prefix;
}

// Removes the temporary files of target that a process no longer running left
// beside it; a copy of a whole database would otherwise stay there for good.
void RemoveLeftovers(const fs::path& target) {
    const std::string prefix = TemporaryPrefix(target);
    std::error_code ec;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix) || !entry.is_regular_file(ec))
            continue;
        const std::string rest = name.substr(prefix.size());
        const size_t digits = rest.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string::npos || rest[digits] != '_' || digits > 9)
            continue;
        const pid_t owner = static_cast<pid_t>(std::stol(rest.substr(0, digits)));
        if (::kill(owner, 0) == 0 || errno == EPERM)
            continue;  // still running (or another user's): not ours to judge
        fs::remove(entry.path(), ec);
    }
}

// Writes a new file beside target through fill(fd), flushes it and renames it
// over target, so that a crash at any moment leaves target either as it was
// or complete. The new file keeps an existing target's permissions; a new
// target gets the default ones. A read-only target (no write bit at all, the
// counterpart of the Windows read-only attribute) is refused, also for root.
//
// A target that is a symbolic link is replaced through it: the file it names
// gets the new content, and the link stays. Leftover temporary files of
// processes that died are removed first.
template <class Fill>
void AtomicReplace(const fs::path& link, std::string_view winPath, Fill fill) {
    std::error_code ec;
    fs::path target = link;
    if (fs::is_symlink(link, ec)) {
        target = fs::canonical(link, ec);
        if (ec)
            RaiseFileError(ENOENT, winPath);  // a link to nowhere
    }
    RemoveLeftovers(target);
    struct stat old {};
    bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        RaiseFileError(EISDIR, winPath);
    if (existed && (old.st_mode & 0222) == 0)
        RaiseFileError(EACCES, winPath);

    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    // Hidden, and unique across processes and earlier crashed runs.
    std::string name = TemporaryPrefix(target);
    name +=
        std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + std::to_string(rd());
    fs::path temp = target.parent_path() / name;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        RaiseFileError(errno, winPath);
    int error = 0;
    if (!fill(fd))
        error = errno ? errno : EIO;
    if (!error && existed && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = errno;
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temp.c_str());
        RaiseFileError(error, winPath);
    }
    // Make the rename itself durable.
    int dir = ::open(target.parent_path().empty() ? "." : target.parent_path().c_str(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace

void ReplaceFileAtomically(const fs::path& target, std::string_view data,
                           std::string_view winPathForMessages) {
    AtomicReplace(target, winPathForMessages,
                  [&](int fd) { return WriteAll(fd, data.data(), data.size()); });
}

std::optional<fs::path> HostFiles::ToHost(std::string_view winPath) {
    return paths_.ToHost(winPath);
}

bool HostFiles::Exists(std::string_view winPath) {
    auto host = paths_.ToHost(winPath);
    if (!host)
        return false;
    if (host->filename().string().starts_with("."))
        return false;
    struct stat st {};
    if (::stat(host->c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG)
            return false;
        RaiseFileError(errno, winPath);
    }
    return S_ISREG(st.st_mode);
}

void HostFiles::AppendLine(std::string_view winPath, std::string_view text) {
    paths_.PrepareForWrite(winPath);
    fs::path host = HostOrRaise(*this, winPath);
    std::string line = ToWindows1252(text) + "\r\n";
    int fd = ::open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        RaiseFileError(errno, winPath);
    // One write call, so a concurrent reader never sees half an entry.
    bool ok = WriteAll(fd, line.data(), line.size());
    int error = ok ? 0 : errno;
    ::close(fd);
    if (!ok)
        RaiseFileError(error, winPath);
}

void CopyFileAtomically(const fs::path& from, const fs::path& to, std::string_view nameForMessages,
                        std::string_view sourceForMessages) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        if (errno == ENOENT)
            RaiseRuntime(err::kFileNotFound, "File not found: " + std::string(sourceForMessages));
        RaiseFileError(errno, sourceForMessages);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closeIn{in};
    AtomicReplace(to, nameForMessages, [&](int out) {
        char buf[1 << 16];
        for (;;) {
            ssize_t n = ::read(in, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            if (!WriteAll(out, buf, static_cast<size_t>(n)))
                return false;
        }
    });
}

void HostFiles::CopyFile(std::string_view source, std::string_view target) {
    fs::path from = HostOrRaise(*this, source);
    paths_.PrepareForWrite(target);
    fs::path to = HostOrRaise(*this, target);
    CopyFileAtomically(from, to, target, source);
}

std::optional<FileTime> HostFiles::LastWriteTime(std::string_view winPath) {
    auto host = paths_.ToHost(winPath);
    if (!host)
        return std::nullopt;
    // Opened for writing, as the times are kept only for a file we may restore them on.
    int fd = ::open(host->c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return FileTime{static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

bool HostFiles::SetLastWriteTime(std::string_view winPath, FileTime time) {
    auto host = paths_.ToHost(winPath);
    if (!host)
        return false;
    int fd = ::open(host->c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time.ns / 1000000000;
    times[1].tv_nsec = time.ns % 1000000000;
    bool ok = ::futimens(fd, times) == 0;
    ::close(fd);
    return ok;
}

}  // namespace calvora
