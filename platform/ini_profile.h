// The Windows profile functions (GetPrivateProfileString, GetPrivateProfileInt,
// WritePrivateProfileString) on host files.
//
// The rules follow the Windows functions as black-box tests showed them;
// where Windows was not confirmed the choice is ours and says so.
//
// Reading:
//   - A section header is a line whose first non-blank character is '['; the
//     name runs to the first ']' (the rest of the line is ignored) or to the
//     end of the line. A line whose first non-blank character is ';' is a
//     comment. A key line holds '=': the key is the text before the first
//     '=', the value all after it. Other lines are no keys; keys before the
//     first section cannot be read. Names and values are trimmed of blanks
//     and tabs. ("Blank" here means space or tab.)
//   - Section and key names match without regard to case; the first of
//     duplicate sections or keys wins (a key only in a later duplicate
//     section is missing).
//   - One pair of the same enclosing quotes (" or ') is removed from a value
//     of at least two characters. A value ends at a NUL byte, as the C
//     function's buffer would (our choice).
//   - CR LF, LF and CR alone end lines. The file is Windows-1252; a UTF-8
//     byte-order mark at the start is skipped and the file then read (and
//     written) as UTF-8 (our choice; Windows reads the mark as text). A file
//     that starts with the UTF-16 little-endian mark (FF FE, as Windows
//     editors save "Unicode") is UTF-16 text, read and written back as such,
//     as the Windows functions do.
//   - A file read once is kept parsed, with its sections and keys indexed,
//     and reused while it is unchanged on disk (same file, size and time of
//     last change), so that reading many keys of a large file does not parse
//     it again each time.
//   - A file that cannot be read (missing, a directory, no permission, not a
//     regular file) reads as an empty file: every read gives its default.
//
// Writing:
//   - An existing key's line is replaced where it stands by key=value CR LF,
//     keeping the key's own spelling; every other byte stays as it was.
//   - A new key goes right after the last key line of its section (right
//     after the header when it has none); a new section goes at the end of
//     the file, after a CR LF when the last line lacks one.
//   - A missing file is created when its folder exists.
//   - The write fails (false) and nothing changes for a missing folder, a
//     read-only or unreadable file, a directory, or names and values that
//     could not be read back from a line (our choice: a line break or NUL
//     anywhere, ']' in the section, '=' in the key, an empty key or one
//     starting with ';' or '['). Writing the key "[x" or a value holding a
//     line break would otherwise plant other sections and keys in the file.
//   - The new content goes to a temporary file beside the original, which
//     then replaces it (permissions kept), so a crash never leaves half a file.
//
// All text passed in and out is UTF-8; characters a Windows-1252 file cannot
// hold are written as '?'.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace calvora {

// A text read copies at most this many characters: the callers' buffer holds
// 255, one of them the terminator.
inline constexpr int64_t kProfileTextMax = 254;

// The bytes of one INI file with the reading and editing rules above. The
// file functions below use it; it is public for the parser's fuzz test.
class IniText {
  public:
    explicit IniText(std::string bytes);

    // The value of key in section (trimmed, unquoted, UTF-8), uncut;
    // nullopt when the section or key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Sets key in section to value. False, changing nothing, when the names
    // or the value cannot be stored (see Writing above).
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // The file's bytes in its own encoding.
    std::string Bytes() const;

  private:
    struct Line;
    struct Location;
    struct Section;
    using Index = std::unordered_map<std::string, Section>;

    Location Locate(std::string_view section, std::string_view key) const;
    const Index& Sections() const;
    Line LineAt(size_t begin) const;
    void InsertAfter(const Line& line, const std::string& text);
    std::string Decode(std::string_view raw) const;
    std::string Encode(std::string_view text) const;

    std::string bytes_;                           // UTF-16 files held as UTF-8 with its mark
    size_t start_ = 0;                            // first byte after a UTF-8 byte-order mark
    bool utf8_ = false;                           // the file began with that mark (or was UTF-16)
    bool utf16_ = false;                          // the file is UTF-16 little-endian
    mutable std::shared_ptr<const Index> index_;  // by upper-cased section name
};

struct ProfileText {
    std::string text;   // UTF-8
    int64_t count = 0;  // characters in text
};

// GetPrivateProfileString: the value (at most kProfileTextMax characters), or
// when the file, section or key is missing, defaultValue less its trailing
// blanks (spaces), cut the same way.
ProfileText ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

// GetPrivateProfileInt: defaultValue when the value is missing or empty;
// otherwise leading blanks skipped, an optional sign, then the decimal digits
// up to the first other character (none: 0), accumulated as an unsigned
// 32-bit number that wraps, negated for '-'.
int32_t ReadProfileInt(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, int32_t defaultValue);

// WritePrivateProfileString: true when the value was stored; false, with
// the file as it was, when the write was refused or failed.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

}  // namespace calvora
