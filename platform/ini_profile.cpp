#include "platform/ini_profile.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/failure.h"
#include "platform/files.h"
#include "platform/text.h"

namespace calvora {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view Unquote(std::string_view s) {
    if (s.size() >= 2 && s.front() == s.back() && (s.front() == '"' || s.front() == '\'')) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

// What one line is, with its name and value as raw bytes of the file.
enum class LineKind { Other, Section, Key };
struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::string_view value;
};

ParsedLine Parse(std::string_view line) {
    std::string_view text = TrimBlanks(line);
    if (text.empty() || text.front() == ';') {
        return {};
    }
    if (text.front() == '[') {
        std::string_view name = text.substr(1);
        name = name.substr(0, name.find(']'));
        return {LineKind::Section, TrimBlanks(name), {}};
    }
    size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    return {LineKind::Key, TrimBlanks(text.substr(0, equals)), TrimBlanks(text.substr(equals + 1))};
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of("\r\n\0"sv) != s.npos;
}

// Names and values that a later read would not find again as written.
bool CanStore(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) {
        return false;
    }
    if (section.find(']') != section.npos || key.find('=') != key.npos) {
        return false;
    }
    return !key.empty() && key.front() != ';' && key.front() != '[';
}

std::optional<std::string> ReadAll(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        return std::nullopt;  // missing, a directory, a device or a pipe that would never end
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return std::move(bytes).str();
}

// A file this user may not write counts as read-only. (The replacement
// itself refuses a file without any write bit, also for root.)
bool MayNotWrite(const fs::path& file) {
    return ::access(file.c_str(), W_OK) != 0;
}

IniText FileText(const fs::path& file) {
    return IniText(ReadAll(file).value_or(""));
}

}  // namespace

struct IniText::Line {
    size_t begin = 0;  // first byte of the line
    size_t end = 0;    // first byte of its line end (or of the file's end)
    size_t next = 0;   // first byte of the next line
};

struct IniText::Location {
    std::optional<Line> header;   // the first section of that name
    std::optional<Line> key;      // the first key of that name in it
    std::optional<Line> lastKey;  // the last key line of that section
};

IniText::IniText(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.starts_with(kUtf8Bom)) {
        start_ = kUtf8Bom.size();
        utf8_ = true;
    }
}

IniText::Line IniText::LineAt(size_t begin) const {
    size_t end = bytes_.find_first_of("\r\n", begin);
    if (end == std::string::npos) {
        return {begin, bytes_.size(), bytes_.size()};
    }
    size_t next = end + 1;
    if (bytes_[end] == '\r' && next < bytes_.size() && bytes_[next] == '\n') {
        ++next;
    }
    return {begin, end, next};
}

std::string IniText::Decode(std::string_view raw) const {
    return utf8_ ? std::string(raw) : FromWindows1252(raw);
}

std::string IniText::Encode(std::string_view text) const {
    return utf8_ ? std::string(text) : ToWindows1252(text);
}

IniText::Location IniText::Locate(std::string_view section, std::string_view key) const {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    Location found;
    for (size_t pos = start_; pos < bytes_.size();) {
        Line line = LineAt(pos);
        pos = line.next;
        ParsedLine parsed =
            Parse(std::string_view(bytes_).substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            if (found.header) {
                break;  // the first section of that name has ended
            }
            if (EqualsNoCase(Decode(parsed.name), section)) {
                found.header = line;
            }
        } else if (parsed.kind == LineKind::Key && found.header) {
            found.lastKey = line;
            if (!found.key && EqualsNoCase(Decode(parsed.name), key)) {
                found.key = line;
            }
        }
    }
    return found;
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const {
    std::optional<Line> line = Locate(section, key).key;
    if (!line) {
        return std::nullopt;
    }
    std::string_view value =
        Unquote(Parse(std::string_view(bytes_).substr(line->begin, line->end - line->begin)).value);
    return Decode(value.substr(0, value.find('\0')));
}

void IniText::InsertAfter(const Line& line, const std::string& text) {
    if (line.next == line.end) {
        bytes_.append(kCrLf).append(text);  // the line is the file's last and has no line end
    } else {
        bytes_.insert(line.next, text);
    }
}

bool IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!CanStore(TrimBlanks(section), TrimBlanks(key), value)) {
        return false;
    }
    Location found = Locate(section, key);
    std::string encodedValue = Encode(value);
    if (found.key) {
        const Line& line = *found.key;
        std::string ownKey(
            Parse(std::string_view(bytes_).substr(line.begin, line.end - line.begin)).name);
        bytes_.replace(line.begin, line.next - line.begin,
                       ownKey + "=" + encodedValue + std::string(kCrLf));
        return true;
    }
    std::string entry = Encode(TrimBlanks(key)) + "=" + encodedValue + std::string(kCrLf);
    if (found.header) {
        InsertAfter(found.lastKey ? *found.lastKey : *found.header, entry);
        return true;
    }
    if (bytes_.size() > start_ && bytes_.back() != '\r' && bytes_.back() != '\n') {
        bytes_.append(kCrLf);
    }
    bytes_.append("[").append(Encode(TrimBlanks(section))).append("]").append(kCrLf).append(entry);
    return true;
}

ProfileText ReadProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    std::optional<std::string> value = FileText(file).Value(section, key);
    std::string text = Left(value ? *value : RTrim(defaultValue), kProfileTextMax);
    int64_t count = Len(text);
    return {std::move(text), count};
}

int32_t ReadProfileInt(const fs::path& file, std::string_view section, std::string_view key,
                       int32_t defaultValue) {
    std::optional<std::string> value = FileText(file).Value(section, key);
    if (!value || value->empty()) {
        return defaultValue;
    }
    std::string_view digits = *value;
    while (!digits.empty() && IsBlank(digits.front())) {
        digits.remove_prefix(1);
    }
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    uint32_t number = 0;  // wraps like the Windows function's accumulator
    for (char c : digits) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10u + static_cast<uint32_t>(c - '0');
    }
    if (negative) {
        number = 0u - number;
    }
    return static_cast<int32_t>(number);
}

bool WriteProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (file.empty()) {
        return false;
    }
    std::error_code ec;
    // Through a symbolic link the file it names is edited, not the link replaced.
    fs::path target = file;
    if (fs::symlink_status(file, ec).type() == fs::file_type::symlink) {
        target = fs::canonical(file, ec);
        if (ec) {
            return false;  // a dangling link
        }
    }
    fs::file_status status = fs::status(target, ec);
    if (ec && status.type() != fs::file_type::not_found) {
        return false;  // the file's attributes cannot be read
    }
    std::string bytes;
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status) || MayNotWrite(target)) {
            return false;
        }
        std::optional<std::string> existing = ReadAll(target);
        if (!existing) {
            return false;  // writing without the old content would lose it
        }
        bytes = std::move(*existing);
    } else {
        fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
        if (!fs::is_directory(folder, ec)) {
            return false;
        }
    }
    const bool existed = fs::exists(status);
    IniText text(bytes);
    if (!text.Set(section, key, value)) {
        return false;
    }
    // A write that changes nothing (the language file's placeholders are
    // written back on every run) leaves the file alone: no rewrite, no sync.
    if (existed && text.Bytes() == bytes) {
        return true;
    }
    try {
        ReplaceFileAtomically(target, text.Bytes(), target.string());
    } catch (const Failure&) {
        return false;
    }
    return true;
}

}  // namespace calvora
