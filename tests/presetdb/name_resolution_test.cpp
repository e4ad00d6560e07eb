#include "presetdb/name_resolution.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/text.h"
#include "presetdb/unit_renames.h"
#include "tests/presetdb/preset_project.h"
#include "tests/support/sqlite_file.h"

namespace calvora::test {
namespace {

struct ReplaceCase {
    std::string text, search, replacement, expected;
};

// The text as ReplaceSearchItem leaves it.
std::string Replaced(RunState& run, std::string text, std::string_view search,
                     std::string_view replacement) {
    ReplaceSearchItem(run, text, search, replacement);
    return text;
}

TEST(ReplaceSearchItem, ReplacesTheFirstOccurrenceFoundWithoutRegardToCase) {
    const ReplaceCase cases[] = {
        {"no placeholder", "###machine", "M1", "no placeholder"},
        {"###machine_###machine", "###machine", "M1", "M1_###machine"},
        {"a###MACHINE b", "###machine", "mX", "amX b"},
        {"Ab###Var_Name", "###var_name", "vN", "AbvN"},
        {"äöü###machineß", "###machine", "Ü", "äöüÜß"},
        {"", "###machine", "M1", ""},
        {"###MACHINE", "###machine", "M1", "M1"},
        {"x_###Machin", "###machine", "M1", "x_###Machin"},
        {"x_###machinE", "###MACHINE", "", "x_"},
        {"ä###machine", "###machinä", "M1", "ä###machine"},
        {"abc", "", "M1", "M1abc"},
        {"#a##b###machine#", "###machine", "M1", "#a##bM1#"},
        {"Page ###Var_Name", "page", "Seite", "Seite ###Var_Name"},
        {"xmachine###", "###machine", "M1", "xmachine###"},
        {"a###machineZ", "###machine", "LongMachine1", "aLongMachine1Z"},
        {"x###machine!", "###machine", "0123456789", "x0123456789!"},
    };
    PresetProject p;
    for (const ReplaceCase& c : cases) {
        std::string text = c.text;
        // In these cases a replacement always changes the text.
        EXPECT_EQ(ReplaceSearchItem(p.run, text, c.search, c.replacement), c.expected != c.text)
            << c.text;
        EXPECT_EQ(text, c.expected) << c.text;
    }
    EXPECT_EQ(p.run.FailuresReported, 0);
}

// A text without the first character of a search that starts with an ASCII
// character other than a letter is not searched: upper-casing makes that
// character from no other one. Holds for every code point.
TEST(ReplaceSearchItem, UpperCasingMakesNoAsciiNonLetterFromAnotherCharacter) {
    const auto utf8 = [](char32_t c) {
        std::string s;
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (c >> 18));
            s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        }
        return s;
    };
    int wrong = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string upper = UCase(utf8(c));
        for (unsigned char b : upper) {
            const bool letter = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
            if (b < 0x80 && !letter && b != c)
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);

    PresetProject p;
    EXPECT_EQ(Replaced(p.run, "no placeholder", "#x", "y"), "no placeholder");
    EXPECT_EQ(Replaced(p.run, "a#X", "#x", "y"), "ay");
}

TEST(ReplaceSearchItem, AnOccurrenceBeyondPosition32767OverflowsAndLeavesTheText) {
    PresetProject p;
    std::string text = std::string(32767, 'x') + "###machine";
    EXPECT_EQ(Replaced(p.run, text, "###machine", "M1"), text);
    EXPECT_EQ(p.run.FailuresReported, 1);
    EXPECT_NE(p.folder.Read(kErrorLog).find("ReplaceSearchItem (Nr. 6)"), std::string::npos);
    // Position 32767 itself still fits.
    std::string edge = std::string(32766, 'x') + "###machine";
    EXPECT_EQ(Replaced(p.run, edge, "###machine", "M1"), std::string(32766, 'x') + "M1");
}

class Renames : public ::testing::Test {
  protected:
    void SetUp() override {
        p.CreateUnit(kUnitDb,
                     {{1, 1, "VW32_a"}, {2, 1, "STUDIO_a"}, {3, 1, "studio_A"}, {4, 1, "x"}});
    }
    std::vector<std::string> Names() const {
        return p.Rows(kUnitDb, "SELECT var_name FROM PRESET_DEFS ORDER BY ID");
    }
    // The renames (name0, name1) of one generation, one after the other.
    void Rename(const std::vector<std::pair<std::string, std::string>>& names) {
        UnitRenames renames(p.run);
        for (const auto& [name0, name1] : names)
            renames.Rename(name0, name1);
        renames.Close();
    }
    PresetProject p;
};

TEST_F(Renames, OtherKindsNamesGetTheCurrentKindsName) {
    p.run.StudioProject = 0;
    Rename({{"VW32_a", "STUDIO_a"}});
    EXPECT_EQ(Names(), (std::vector<std::string>{"VW32_a", "VW32_a", "VW32_a", "x"}));

    p.run.StudioProject = 1;
    Rename({{"vw32_A", "STUDIO_b"}});
    EXPECT_EQ(Names(), (std::vector<std::string>{"STUDIO_b", "STUDIO_b", "STUDIO_b", "x"}));
    EXPECT_EQ(p.run.FailuresReported, 0);
}

TEST_F(Renames, EqualNamesAndNoMatchLeaveTheFileAsItWas) {
    const std::string before = p.folder.Read(kUnitDb);
    Rename({{"x", "x"}, {"none", "nothing"}});
    EXPECT_EQ(p.folder.Read(kUnitDb), before);
    EXPECT_EQ(p.run.FailuresReported, 0);
}

// A name holding double quotes arrives whole in the renaming query, so its
// records are renamed like any other; a name that reads like SQL selects
// nothing but itself.
TEST_F(Renames, NamesWithQuotesAreRenamedLikeAnyOther) {
    p.CreateUnit(kUnitDb, {{1, 1, "say \"hi\""}, {2, 1, "x"}, {3, 1, "y"}});
    p.run.StudioProject = 1;
    Rename({{"say \"hi\"", "said \"hi\""}, {"x\") OR ((PRESET_DEFS.Var_Name)=\"y", "z"}});
    EXPECT_EQ(Names(), (std::vector<std::string>{"said \"hi\"", "x", "y"}));
    EXPECT_EQ(p.run.FailuresReported, 0);
}

// Renames that rename no record leave the unit database byte for byte as it
// was, its time stamp included.
TEST_F(Renames, RenamesThatRenameNothingLeaveTheFileUntouched) {
    for (const std::string lookFor : {"absent", "\u00C4bsent", "x"}) {
        const std::filesystem::path unit = p.folder.Host(kUnitDb);
        const std::filesystem::file_time_type past =
            std::filesystem::last_write_time(unit) - std::chrono::hours(24 * 30);
        std::filesystem::last_write_time(unit, past);
        const std::string before = p.folder.Read(kUnitDb);
        Rename({{lookFor == "x" ? "x" : "new", lookFor}});
        EXPECT_TRUE(p.folder.Read(kUnitDb) == before) << lookFor;
        EXPECT_EQ(std::filesystem::last_write_time(unit), past) << lookFor;
    }
    EXPECT_EQ(p.run.FailuresReported, 0);
}

// Another program writing to the unit database keeps the renames from
// being stored: they are written together at the end, which waits as any
// write does, says so once, and stores none of them.
TEST_F(Renames, RenamesThatALockPreventsAreReportedOnceAndNoneIsStored) {
    {
        HeldLock writer(p.folder.Host(kUnitDb), HeldLock::Kind::Write);
        UnitRenames renames(p.run);
        renames.Rename("VW32_a", "STUDIO_a");
        renames.Rename("y", "x");
        EXPECT_FALSE(renames.Close());
    }
    const std::string log = p.folder.Read(kErrorLog);
    const size_t first = log.find("VarNameInQuelleErsetzen (Nr. 3218)");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("VarNameInQuelleErsetzen (Nr. 3218)", first + 1), std::string::npos) << log;
    EXPECT_EQ(p.run.FailuresReported, 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"VW32_a", "STUDIO_a", "studio_A", "x"}));
}

TEST_F(Renames, LaterRenamesFindTheNamesEarlierOnesGave) {
    p.CreateUnit(kUnitDb, {{1, 1, "a"}, {2, 1, "z"}, {3, 1, "A"}});
    Rename({{"b", "a"}, {"c", "B"}});
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "z", "c"}));
}

TEST_F(Renames, NamesBeyondAsciiCompareAsTheEngineDoes) {
    p.CreateUnit(kUnitDb, {{1, 1, "Äx"}, {2, 1, "z"}});
    Rename({{"y", "äX"}});
    EXPECT_EQ(Names(), (std::vector<std::string>{"y", "z"}));
    EXPECT_EQ(p.run.FailuresReported, 0);
}

TEST_F(Renames, ANameTooLongForTheFieldIsReportedPerRecordAndLeavesThemAsTheyWere) {
    Rename({{std::string(101, 'n'), "STUDIO_a"}, {"later", "studio_a"}});
    EXPECT_EQ(Names(), (std::vector<std::string>{"VW32_a", "later", "later", "x"}));
    EXPECT_EQ(p.run.FailuresReported, 2);
    EXPECT_NE(p.folder.Read(kErrorLog).find("VarNameInQuelleErsetzen (Nr. 3163)"),
              std::string::npos);
}

TEST_F(Renames, RenamesEndedByUnwindingAreKept) {
    {
        UnitRenames renames(p.run);
        renames.Rename("VW32_a", "STUDIO_a");
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"VW32_a", "VW32_a", "VW32_a", "x"}));
}

TEST(VarNameInQuelleErsetzen, WithoutAUnitDatabaseNothingHappens) {
    PresetProject p;
    UnitRenames renames(p.run);
    renames.Rename("a", "b");
    renames.Close();
    EXPECT_FALSE(p.folder.Exists(kUnitDb));
    EXPECT_EQ(p.run.FailuresReported, 0);
}

TEST(VarNameInQuelleErsetzen, AUnitDatabaseThatCannotBeOpenedIsReportedOnEveryRename) {
    PresetProject p;
    p.folder.Write(kUnitDb, "not a database");
    UnitRenames renames(p.run);
    renames.Rename("a", "b");
    renames.Rename("a", "b");
    renames.Close();
    std::string log = p.folder.Read(kErrorLog);
    size_t first = log.find("VarNameInQuelleErsetzen (Nr. 3343)");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("VarNameInQuelleErsetzen (Nr. 3343)", first + 1), std::string::npos);
    EXPECT_EQ(p.folder.Read(kUnitDb), "not a database");
}

struct CategoryCase {
    std::string columns;
    std::string values;
    std::vector<std::string> expectedColumns;
};

TEST(CategorieNachCategoryID, RenamesTheOldCategoryFieldInAnyLetterCaseKeepingItsData) {
    const CategoryCase cases[] = {
        {"ID LONG, Categorie SHORT, var_name TEXT(50)",
         "7, 5, 'v'",
         {"ID", "category_id", "var_name"}},
        {"ID LONG, CATEGORIE SHORT", "7, 5", {"ID", "category_id"}},
        {"ID LONG, category_id SHORT", "7, 5", {"ID", "category_id"}},
        {"ID LONG, categories SHORT", "7, 5", {"ID", "categories"}},
    };
    for (const CategoryCase& c : cases) {
        PresetProject p;
        p.folder.CreateDatabase(kUnitDb, "CREATE TABLE PRESET_DEFS (" + c.columns +
                                             "); INSERT INTO PRESET_DEFS VALUES (" + c.values +
                                             ");");
        CategorieNachCategoryID(p.run);
        EXPECT_EQ(p.run.FailuresReported, 0) << c.columns;
        EXPECT_EQ(p.Rows(kUnitDb, "SELECT name FROM pragma_table_info('PRESET_DEFS')"),
                  c.expectedColumns)
            << c.columns;
        EXPECT_EQ(p.Rows(kUnitDb, "SELECT ID, " + c.expectedColumns[1] + " FROM PRESET_DEFS"),
                  std::vector<std::string>{"7|5"})
            << c.columns;
    }
}

TEST(CategorieNachCategoryID, WithoutUnitDatabaseNothingHappensWithoutTableItIsReported) {
    PresetProject p;
    CategorieNachCategoryID(p.run);
    EXPECT_EQ(p.run.FailuresReported, 0);
    EXPECT_FALSE(p.folder.Exists(kUnitDb));

    p.folder.CreateDatabase(kUnitDb, "CREATE TABLE OTHER (ID LONG)");
    CategorieNachCategoryID(p.run);
    EXPECT_GE(p.run.FailuresReported, 1);
    EXPECT_NE(p.folder.Read(kErrorLog).find("CategorieNachCategoryID (Nr. 3265)"),
              std::string::npos);
}

}  // namespace
}  // namespace calvora::test
