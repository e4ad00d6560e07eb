// Permission checks made as an unprivileged user. Root passes through file
// permissions, so where the tests run as root (as in CI) the check runs in a
// child process that has dropped to the user "nobody" (supplementary groups,
// group and user, in that order, so it cannot climb back); otherwise it runs
// in place, as the current user.
//
//   AsUnprivilegedUser({dir.path()}, [&] {
//       EXPECT_EQ(FailureNumber([&] { OpenDatabase(readOnlyFile); }), 3051);
//   });
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

namespace calvora::test {

// Runs check as an unprivileged user. When that needs the child process, the
// paths in handOver (and everything below them) are first given to "nobody",
// so the check reaches them as their owner would; check's own assertions are
// printed by the child, and each failing check is one failure of the calling
// test. The permission bits of the handed-over files are left as they are.
void AsUnprivilegedUser(const std::vector<std::filesystem::path>& handOver,
                        const std::function<void()>& check);

}  // namespace calvora::test
