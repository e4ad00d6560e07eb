#include "platform/ini_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "tests/support/test_run.h"
#include "tests/support/unprivileged.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;

class IniProfileTest : public ::testing::Test {
  protected:
    fs::path File(const std::string& bytes) {
        fs::path file = dir_.path() / "test.ini";
        WriteFileBytes(file, bytes);
        return file;
    }
    // The value read from a file holding bytes, "<default>" when missing.
    std::string Read(const std::string& bytes, const std::string& section, const std::string& key) {
        return ReadProfileString(File(bytes), section, key, "<default>").text;
    }
    // The file's bytes after writing key=value into a file holding bytes.
    std::string AfterWrite(const std::string& bytes, const std::string& section,
                           const std::string& key, const std::string& value) {
        fs::path file = File(bytes);
        EXPECT_TRUE(WriteProfileString(file, section, key, value));
        return ReadFileBytes(file);
    }
    TempDir dir_;
};

// Text as a UTF-16 little-endian file with its byte-order mark, as Windows
// editors save "Unicode".
std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

struct ReadCase {
    const char* name;
    std::string bytes;
    const char* section;
    const char* key;
    std::string expected;
};

TEST_F(IniProfileTest, ReadsByTheProfileRules) {
    using namespace std::string_literals;
    const ReadCase cases[] = {
        {"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
        {"names case-blind", "[Project]\r\nValidMachines=x\r\n", "PROJECT", "validmachines", "x"},
        {"Windows-1252 names case-blind", "[\xE4nderung]\r\n\xFC=1\r\n", "ÄNDERUNG", "Ü", "1"},
        {"first duplicate key wins", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1"},
        {"first duplicate key wins though empty", "[A]\r\nk=\r\nk=2\r\n", "A", "k", ""},
        {"first duplicate key wins though indented", "[A]\r\n\t k =1\r\nk=2\r\n", "A", "k", "1"},
        {"first duplicate section wins", "[A]\r\nx=1\r\n[B]\r\n[a]\r\nk=2\r\n", "A", "k",
         "<default>"},
        {"key of another section", "[A]\r\nk=1\r\n[B]\r\nj=2\r\n", "B", "k", "<default>"},
        {"comment line", "[A]\r\n;k=1\r\n", "A", "k", "<default>"},
        {"indented comment line", "[A]\r\n \t;k=1\r\n", "A", "k", "<default>"},
        {"line without equals sign", "[A]\r\nk\r\n", "A", "k", "<default>"},
        {"key before the first section", "k=1\r\n[A]\r\n", "A", "k", "<default>"},
        {"blanks and tabs trimmed", "[A]\r\n \tk \t=\t v w \t\r\n", "A", "k", "v w"},
        {"double quotes removed", "[A]\r\nk=\" v \"\r\n", "A", "k", " v "},
        {"single quotes removed", "[A]\r\nk='v'\r\n", "A", "k", "v"},
        {"one pair only", "[A]\r\nk=\"\"v\"\"\r\n", "A", "k", "\"v\""},
        {"mixed quotes kept", "[A]\r\nk=\"v'\r\n", "A", "k", "\"v'"},
        {"lone quote kept", "[A]\r\nk=\"\r\n", "A", "k", "\""},
        {"empty quotes", "[A]\r\nk=\"\"\r\n", "A", "k", ""},
        {"empty value", "[A]\r\nk=\r\n", "A", "k", ""},
        {"value of blanks", "[A]\r\nk=   \r\n", "A", "k", ""},
        {"value holding equals signs", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
        {"LF line ends", "[A]\nk=1\nj=2\n", "A", "j", "2"},
        {"CR line ends", "[A]\rk=1\rj=2\r", "A", "j", "2"},
        {"mixed line ends", "[A]\r\nk=1\rj=2\nm=3", "A", "m", "3"},
        {"no final line end", "[A]\r\nk=v", "A", "k", "v"},
        {"header without bracket", "[A\r\nk=v\r\n", "A", "k", "v"},
        {"text after the bracket", "[A] ; note ]\r\nk=v\r\n", "A", "k", "v"},
        {"blanks inside the brackets", "[ A \t]\r\nk=v\r\n", "A", "k", "v"},
        {"indented header", " \t[A]\r\nk=v\r\n", "A", "k", "v"},
        {"blank lines in a section", "[A]\r\n\r\n\r\n\r\nk=v\r\n", "A", "k", "v"},
        {"NUL ends the value", "[A]\r\nk=ab\0cd\r\nj=x\r\n"s, "A", "k", "ab"},
        {"NUL does not end the file", "[A]\r\nk=ab\0cd\r\nj=x\r\n"s, "A", "j", "x"},
        {"Windows-1252 value",
         "[A]\r\nk=Gr\xF6\xDF"
         "e \x80\r\n",
         "A", "k", "Größe €"},
        {"UTF-8 after a byte-order mark",
         "\xEF\xBB\xBF[A]\r\nk=Gr\xC3\xB6\xC3\x9F"
         "e\r\n",
         "A", "k", "Größe"},
        {"empty file", "", "A", "k", "<default>"},
        {"only a mark", "\xEF\xBB\xBF", "A", "k", "<default>"},
        {"UTF-16 after its byte-order mark",
         Utf16File(u"[Project]\r\nk=Gr\u00F6\u00DFe \u03A9\r\n"), "PROJECT", "k", "Größe Ω"},
        {"UTF-16 key of a later section", Utf16File(u"[A]\r\nk=1\r\n[B]\r\nj=2\r\n"), "B", "j",
         "2"},
        {"only a UTF-16 mark", "\xFF\xFE", "A", "k", "<default>"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(Read(c.bytes, c.section, c.key), c.expected) << c.name;
    }
}

// A file read once is kept parsed; a change made in place afterwards, of the
// same size and within the same second, is still seen.
TEST_F(IniProfileTest, AFileChangedAfterItWasKeptIsReadAnew) {
    fs::path file = File("[A]\r\nk=1\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // settled: it will be kept
    EXPECT_EQ(ReadProfileString(file, "A", "k", "").text, "1");
    EXPECT_EQ(ReadProfileString(file, "A", "k", "").text, "1");
    {
        std::ofstream inPlace(file, std::ios::binary | std::ios::in | std::ios::out);
        inPlace.seekp(7);
        inPlace.put('2');
    }
    EXPECT_EQ(ReadProfileString(file, "A", "k", "").text, "2");
    EXPECT_TRUE(WriteProfileString(file, "A", "k", "3"));
    EXPECT_EQ(ReadProfileString(file, "A", "k", "").text, "3");
}

TEST_F(IniProfileTest, TextReadsStopAt254Characters) {
    fs::path file = File("[A]\r\nk=" + std::string(300, 'x') + "\r\nu=" + std::string(300, '\xFC'));
    ProfileText ascii = ReadProfileString(file, "A", "k", "");
    EXPECT_EQ(ascii.text, std::string(254, 'x'));
    EXPECT_EQ(ascii.count, 254);
    // Counted in characters, not bytes: each "ü" is two bytes of UTF-8.
    ProfileText umlauts = ReadProfileString(file, "A", "u", "");
    EXPECT_EQ(umlauts.count, 254);
    EXPECT_EQ(umlauts.text.size(), 508u);
}

TEST_F(IniProfileTest, DefaultLosesTrailingBlanksOnly) {
    fs::path file = File("[A]\r\n");
    EXPECT_EQ(ReadProfileString(file, "A", "k", std::string(255, ' ')).count, 0);
    ProfileText text = ReadProfileString(file, "A", "k", "  dflt  ");
    EXPECT_EQ(text.text, "  dflt");
    EXPECT_EQ(text.count, 6);
    EXPECT_EQ(ReadProfileString(file, "A", "k", std::string(300, 'd')).count, 254);
}

TEST_F(IniProfileTest, IntegersParseLikeWindows) {
    struct IntCase {
        const char* value;
        int32_t expected;
    };
    const IntCase cases[] = {
        {"12", 12},
        {"-5", -5},
        {"+7", 7},
        {"\"  42abc\"", 42},
        {"12.7", 12},
        {"abc", 0},
        {"- 5", 0},
        {"--5", 0},
        {"0x1F", 0},
        {"'-3'", -3},
        {"", 77},
        {"\"\"", 77},
        {"32768", 32768},
        {"4294967295", -1},
        {"4294967296", 0},
        {"2147483648", INT32_MIN},
        {"-2147483649", INT32_MAX},
        {"99999999999999999999", 1661992959},
    };
    for (const IntCase& c : cases) {
        fs::path file = File(std::string("[A]\r\nk=") + c.value + "\r\n");
        EXPECT_EQ(ReadProfileInt(file, "A", "k", 77), c.expected) << c.value;
    }
    EXPECT_EQ(ReadProfileInt(File("[A]\r\n"), "A", "k", -1), -1);
}

TEST_F(IniProfileTest, UnreadableFilesGiveTheDefault) {
    EXPECT_EQ(ReadProfileString(dir_.path() / "missing.ini", "A", "k", "d").text, "d");
    EXPECT_EQ(ReadProfileString(dir_.path(), "A", "k", "d").text, "d");  // a directory
    EXPECT_EQ(ReadProfileString(fs::path(), "A", "k", "d").text, "d");
    EXPECT_EQ(ReadProfileInt(dir_.path(), "A", "k", 3), 3);

    // A named pipe would block a reader forever.
    fs::path fifo = dir_.path() / "pipe.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadProfileString(fifo, "A", "k", "d").text, "d");
    EXPECT_FALSE(WriteProfileString(fifo, "A", "k", "v"));
}

TEST_F(IniProfileTest, FileWithoutReadPermissionGivesTheDefaultAndIsNotWritten) {
    fs::path file = File("[A]\r\nk=v\r\n");
    fs::permissions(file, fs::perms::owner_write);
    AsUnprivilegedUser({dir_.path()}, [&] {  // root reads every file
        EXPECT_EQ(ReadProfileString(file, "A", "k", "d").text, "d");
        EXPECT_FALSE(WriteProfileString(file, "A", "j", "w"));
    });
    fs::permissions(file, fs::perms::owner_all);
    EXPECT_EQ(ReadFileBytes(file), "[A]\r\nk=v\r\n");
}

TEST_F(IniProfileTest, SurvivesBadInput) {
    std::mt19937 random(4711);  // fixed seed: the same garbage every run
    std::string garbage;
    for (int i = 0; i < 20000; ++i) {
        garbage += static_cast<char>(random() & 0xFF);
    }
    EXPECT_EQ(Read(garbage + "\r\n[Good]\r\nk=v\r\n", "Good", "k"), "v");
    EXPECT_EQ(Read(garbage, "Good", "k"), "<default>");

    std::string longLine(100000, 'y');
    EXPECT_EQ(Read(longLine + "\r\n[A]\r\nk=" + longLine, "A", "k"), std::string(254, 'y'));
    EXPECT_EQ(Read("[" + longLine + "\r\nk=v\r\n", std::string(100000, 'Y'), "k"), "v");
    EXPECT_EQ(Read(std::string(50000, '\r') + "[A]" + std::string(50000, '\n') + "k=v", "A", "k"),
              "v");
    EXPECT_EQ(Read(std::string(1000, '\0'), "A", "k"), "<default>");

    // Writing into garbage keeps every byte of it.
    std::string written = AfterWrite(garbage, "Good", "k", "v");
    EXPECT_TRUE(written.starts_with(garbage));
    EXPECT_EQ(Read(written, "Good", "k"), "v");
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST_F(IniProfileTest, WritesInPlaceAndKeepsEveryOtherByte) {
    const WriteCase cases[] = {
        {"replace, keeping the key's spelling", "[A]\r\nKey=old\r\nj=1\r\n", "a", "KEY", "new",
         "[A]\r\nKey=new\r\nj=1\r\n"},
        {"replace an indented line", "[A]\r\n \tKey = old \r\n;c\r\n", "A", "key", "new",
         "[A]\r\nKey=new\r\n;c\r\n"},
        {"replace the last line without line end", "[A]\r\nk=old", "A", "k", "new",
         "[A]\r\nk=new\r\n"},
        {"replace in an LF file", "[A]\nk=old\nj=1\n", "A", "k", "new", "[A]\nk=new\r\nj=1\n"},
        {"value written with its blanks", "[A]\r\nk=old\r\n", "A", "k", " v ", "[A]\r\nk= v \r\n"},
        {"new key after the last key line", "[A]\r\nx=1\r\n; c\r\n\r\n[B]\r\ny=2\r\n", "A", "k",
         "v", "[A]\r\nx=1\r\nk=v\r\n; c\r\n\r\n[B]\r\ny=2\r\n"},
        {"new key in a section without keys", "[A]\r\n; c\r\n[B]\r\n", "A", "k", "v",
         "[A]\r\nk=v\r\n; c\r\n[B]\r\n"},
        {"new key after a header ending the file", "[A]", "A", "k", "v", "[A]\r\nk=v\r\n"},
        {"new key after a last line without line end", "[A]\r\nx=1", "A", "k", "v",
         "[A]\r\nx=1\r\nk=v\r\n"},
        {"replace the first of duplicate keys", "[A]\r\nk=1\r\nK=2\r\n", "A", "K", "v",
         "[A]\r\nk=v\r\nK=2\r\n"},
        {"new key into the first duplicate section", "[A]\r\nx=1\r\n[A]\r\nk=old\r\n", "A", "k",
         "v", "[A]\r\nx=1\r\nk=v\r\n[A]\r\nk=old\r\n"},
        {"keys before the first section stay", "k=1\r\n[A]\r\n", "A", "k", "v",
         "k=1\r\n[A]\r\nk=v\r\n"},
        {"new section at the end", "[A]\r\nx=1\r\n", "B", "k", "v", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"new section after a last line without line end", "[A]\r\nx=1", "B", "k", "v",
         "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"new section after a CR line end", "[A]\rx=1\r", "B", "k", "v",
         "[A]\rx=1\r[B]\r\nk=v\r\n"},
        {"empty file", "", "A", "k", "v", "[A]\r\nk=v\r\n"},
        {"Windows-1252 file", "[A]\r\n", "A", "k", "Müller Ω", "[A]\r\nk=M\xFCller ?\r\n"},
        {"UTF-8 file with mark", "\xEF\xBB\xBF[A]\r\n", "A", "k", "Müller Ω",
         "\xEF\xBB\xBF[A]\r\nk=Müller Ω\r\n"},
        {"UTF-16 file stays UTF-16", Utf16File(u"[A]\r\nx=1\r\n"), "A", "k", "Müller Ω",
         Utf16File(u"[A]\r\nx=1\r\nk=M\u00FCller \u03A9\r\n")},
    };
    for (const WriteCase& c : cases) {
        EXPECT_EQ(AfterWrite(c.before, c.section, c.key, c.value), c.after) << c.name;
    }
}

TEST_F(IniProfileTest, RefusesNamesAndValuesThatWouldNotReadBack) {
    struct Refused {
        const char* section;
        const char* key;
        std::string value;
    };
    using namespace std::string_literals;
    const Refused cases[] = {
        {"A", "k", "v\r\n[Injected]"},
        {"A", "k", "v\rw"},
        {"A", "k", "v\nw"},
        {"A", "k", "v\0w"s},
        {"A]B", "k", "v"},
        {"A\r\nB", "k", "v"},
        {"A", "k=j", "v"},
        {"A", ";k", "v"},
        {"A", " [k", "v"},
        {"A", "", "v"},
        {"A", " \t", "v"},
        {"A", "k\n", "v"},
    };
    for (const Refused& c : cases) {
        fs::path file = File("[A]\r\nk=old\r\n");
        EXPECT_FALSE(WriteProfileString(file, c.section, c.key, c.value))
            << c.section << "/" << c.key;
        EXPECT_EQ(ReadFileBytes(file), "[A]\r\nk=old\r\n");
    }
}

TEST_F(IniProfileTest, CreatesAMissingFileOnlyInAnExistingFolder) {
    fs::path file = dir_.path() / "new.ini";
    EXPECT_TRUE(WriteProfileString(file, "Info", "S_Prog", "1.0.1"));
    EXPECT_EQ(ReadFileBytes(file), "[Info]\r\nS_Prog=1.0.1\r\n");

    fs::path inMissingFolder = dir_.path() / "missing" / "new.ini";
    EXPECT_FALSE(WriteProfileString(inMissingFolder, "Info", "S_Prog", "1.0.1"));
    EXPECT_FALSE(fs::exists(inMissingFolder.parent_path()));

    fs::path underAFile = File("") / "new.ini";
    EXPECT_FALSE(WriteProfileString(underAFile, "Info", "S_Prog", "1.0.1"));
    EXPECT_FALSE(WriteProfileString(fs::path(), "Info", "S_Prog", "1.0.1"));
}

TEST_F(IniProfileTest, RefusedWritesChangeNothing) {
    fs::path readOnly = File("[A]\r\nk=old\r\n");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(WriteProfileString(readOnly, "A", "k", "new"));
    EXPECT_EQ(ReadFileBytes(readOnly), "[A]\r\nk=old\r\n");

    fs::path directory = dir_.path() / "folder.ini";
    fs::create_directory(directory);
    EXPECT_FALSE(WriteProfileString(directory, "A", "k", "new"));
    EXPECT_TRUE(fs::is_directory(directory));
    EXPECT_TRUE(fs::is_empty(directory));
}

TEST_F(IniProfileTest, AFailedReplacementLeavesTheOriginalIntact) {
    // The temporary file beside a 250-character name cannot be created (a
    // name holds at most 255 bytes), so the replacement fails after the new
    // content was prepared.
    fs::path file = dir_.path() / (std::string(246, 'n') + ".ini");
    WriteFileBytes(file, "[A]\r\nk=old\r\n");
    EXPECT_FALSE(WriteProfileString(file, "A", "k", "new"));
    EXPECT_EQ(ReadFileBytes(file), "[A]\r\nk=old\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

TEST_F(IniProfileTest, WriteKeepsPermissionsAndLinks) {
    fs::path file = File("[A]\r\nk=old\r\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::path link = dir_.path() / "link.ini";
    fs::create_symlink(file, link);

    EXPECT_TRUE(WriteProfileString(link, "A", "k", "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(file), "[A]\r\nk=new\r\n");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(IniProfileTest, AReplacedFileStaysWholeForWhoeverHoldsTheOldOne) {
    // The new file takes the name; the old one is never written into, so a
    // reader that holds it (a link, an open handle) reads the old content whole.
    fs::path file = File("[A]\r\nk=old\r\n");
    fs::path held = dir_.path() / "held.ini";
    fs::create_hard_link(file, held);
    EXPECT_TRUE(WriteProfileString(file, "A", "k", "new"));
    EXPECT_EQ(ReadFileBytes(held), "[A]\r\nk=old\r\n");
    EXPECT_EQ(ReadFileBytes(file), "[A]\r\nk=new\r\n");
}

TEST_F(IniProfileTest, AWriteThatChangesNothingLeavesTheFileAlone) {
    fs::path file = File("[A]\r\nk=0\r\n");
    const auto before = fs::last_write_time(file);
    const auto links = fs::hard_link_count(file);
    fs::create_hard_link(file, dir_.path() / "same.ini");  // a replaced file would lose the link
    EXPECT_TRUE(WriteProfileString(file, "a", "K", "0"));
    EXPECT_EQ(fs::hard_link_count(file), links + 1);
    EXPECT_EQ(fs::last_write_time(file), before);
    EXPECT_TRUE(WriteProfileString(file, "A", "k", "1"));
    EXPECT_EQ(ReadFileBytes(file), "[A]\r\nk=1\r\n");
}

TEST_F(IniProfileTest, WindowsWrittenFileRoundTrip) {
    std::string original =
        ReadFileBytes(fs::path(CALVORA_PLATFORM_TEST_DATA) / "windows_written.ini");
    ASSERT_FALSE(original.empty());
    fs::path file = File(original);

    EXPECT_EQ(ReadProfileString(file, "PROJECT", "validmachines", "").text,
              "Linie Süd, Linie Nord");
    EXPECT_EQ(ReadProfileString(file, "project", "FORMACHINE2", "").text, "false");
    EXPECT_EQ(ReadProfileString(file, "Project", "DataBaseAdditionalFields", "").text,
              "Größe; Farbe");
    EXPECT_EQ(ReadProfileString(file, "Info", "S_Editor", "").text, "Müller");

    ASSERT_TRUE(WriteProfileString(file, "INFO", "s_prog", "1.0.1"));
    std::string expected = original;
    expected.replace(expected.find("S_Prog=1.0.0"), 12, "S_Prog=1.0.1");
    EXPECT_EQ(ReadFileBytes(file), expected);
}

}  // namespace
}  // namespace calvora::test
