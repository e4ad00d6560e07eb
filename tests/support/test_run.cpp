#include "tests/support/test_run.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace calvora::test {

fs::path BuiltBinDir() {
    const char* dir = std::getenv("CALVORA_BIN_DIR");
    return dir ? fs::path(dir) : fs::path(CALVORA_BUILT_BIN_DIR);
}

fs::path TestDataDir() {
    const char* dir = std::getenv("CALVORA_TEST_DATA");
    return dir ? fs::path(dir) : fs::path(CALVORA_TEST_DATA_DIR);
}

TempDir::TempDir() {
    std::random_device rd;
    path_ =
        fs::temp_directory_path() / ("calvora-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make files read-only; give write bits back so everything goes.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

namespace {
PathModel TestPaths(const fs::path& root) {
    fs::create_directories(root / "drive_c" / "Project" / "Config");
    fs::create_directories(root / "drive_d");
    return PathModel({{'C', root / "drive_c"}, {'D', root / "drive_d"}}, root / "drive_c",
                     root / "unused_default_c");
}
}  // namespace

TestRun::TestRun() : files(TestPaths(root.path())), run(Services{ui, process, files}) {
    run.UnitName = [this] {
        std::string name = ProgramName(process);
        return name.size() >= 7 ? name.substr(0, name.size() - 7) : std::string();
    };
    run.LogFileSwitch = [] { return std::string(); };
}

fs::path TestRun::Host(const std::string& winPath) const {
    auto host = files.Paths().ToHost(winPath);
    return host ? *host : fs::path();
}

void WriteFileBytes(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string ReadFileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void TestRun::Write(const std::string& winPath, const std::string& bytes) const {
    WriteFileBytes(Host(winPath), bytes);
}

std::string TestRun::Read(const std::string& winPath) const {
    return ReadFileBytes(Host(winPath));
}

bool TestRun::Exists(const std::string& winPath) const {
    return fs::exists(Host(winPath));
}

}  // namespace calvora::test
