#include "tests/support/unprivileged.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace fs = std::filesystem;

namespace calvora::test {

namespace {

constexpr int kChecksFailed = 1;
constexpr int kCannotDrop = 2;

// Failed assertions of the running test so far; the child's exit status
// must not count those it inherited.
int FailuresSoFar() {
    const testing::TestResult* result =
        testing::UnitTest::GetInstance()->current_test_info()->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); ++i)
        failed += result->GetTestPartResult(i).failed();
    return failed;
}

void HandOver(const fs::path& path, uid_t uid, gid_t gid) {
    ASSERT_EQ(::lchown(path.c_str(), uid, gid), 0) << path;
    if (fs::is_directory(fs::symlink_status(path))) {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path))
            ASSERT_EQ(::lchown(entry.path().c_str(), uid, gid), 0) << entry.path();
    }
}

}  // namespace

void AsUnprivilegedUser(const std::vector<fs::path>& handOver, const std::function<void()>& check) {
    if (::geteuid() != 0) {
        check();
        return;
    }
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr) << "no user nobody to run the permission check as";
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    for (const fs::path& path : handOver)
        HandOver(path, uid, gid);

    const int inherited = FailuresSoFar();
    std::fflush(nullptr);  // nothing buffered may be printed twice
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0) << "fork failed";
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 ||
            ::geteuid() == 0) {
            std::perror("dropping to the user nobody");
            std::_Exit(kCannotDrop);
        }
        check();
        std::fflush(nullptr);
        // _Exit: the parent's handlers and destructors are the parent's own.
        std::_Exit(FailuresSoFar() > inherited ? kChecksFailed : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (WIFSIGNALED(status))
        ADD_FAILURE() << "the check as user nobody ended by signal " << WTERMSIG(status);
    else if (WEXITSTATUS(status) == kCannotDrop)
        ADD_FAILURE() << "the check could not drop to the user nobody";
    else if (WEXITSTATUS(status) != 0)
        ADD_FAILURE() << "the check failed as user nobody (its failures are printed above)";
}

}  // namespace calvora::test
