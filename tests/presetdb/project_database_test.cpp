// Opening the project's databases: failures name the file as the project's
// users know it, by its Windows path.
#include "presetdb/project_database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "platform/failure.h"
#include "tests/presetdb/preset_project.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;

TEST(ProjectDatabase, FailuresNameTheWindowsPathWithTheHostPathAfterIt) {
    struct Case {
        const char* name;
        std::optional<std::string> bytes;  // nullopt: no file; "/": a folder
        int number;
    };
    std::string jet(2048, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    const Case cases[] = {
        {"missing", std::nullopt, 3024},
        {"folder", "/", 3024},
        {"garbage", "no database at all, only some text to fill a header", 3343},
        {"access", jet, 3343},
    };
    for (const Case& c : cases) {
        PresetProject p;
        const fs::path host = p.folder.Host(kUnitDb);
        fs::create_directories(host.parent_path());
        if (c.bytes == "/")
            fs::create_directory(host);
        else if (c.bytes)
            p.folder.Write(kUnitDb, *c.bytes);
        try {
            OpenProjectDatabase(p.run, kUnitDb);
            ADD_FAILURE() << c.name << " opened";
        } catch (const Failure& f) {
            EXPECT_EQ(f.Number(), c.number) << c.name;
            EXPECT_NE(
                f.Description().find(std::string("'") + kUnitDb + "' (" + host.string() + ")"),
                std::string::npos)
                << c.name << ": " << f.Description();
        }
    }
}

TEST(ProjectDatabase, FailuresAfterTheOpenNameTheWindowsPathToo) {
    PresetProject p;
    p.folder.CreateDatabase(kUnitDb, "CREATE TABLE PRESET_DEFS (ID LONG);");
    dao::Database db = OpenProjectDatabase(p.run, kUnitDb);
    const std::string named =
        std::string("'") + kUnitDb + "' (" + p.folder.Host(kUnitDb).string() + ")";
    for (const auto& step : std::vector<std::function<void()>>{
             [&] { db.TableDefs().Item("Nope"); },
             [&] { db.OpenRecordset("Nope"); },
         }) {
        try {
            step();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& f) {
            EXPECT_NE(f.Description().find(named), std::string::npos) << f.Description();
        }
    }
}

}  // namespace
}  // namespace calvora::test
