#include "platform/ini_profile.h"

#include <sys/stat.h>
#include <time.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/failure.h"
#include "platform/files.h"
#include "platform/text.h"

namespace calvora {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
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

// UTF-16 little-endian bytes as UTF-8; a character that cannot be decoded
// (a lone surrogate, an odd last byte) becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::vector<UChar> units(bytes.size() / 2);
    for (size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<UChar>(static_cast<unsigned char>(bytes[2 * i]) |
                                      static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    if (bytes.size() % 2 != 0) {
        units.push_back(0xFFFD);
    }
    std::string out(units.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, units.data(),
                       static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return out;
}

// UTF-8 as UTF-16 little-endian bytes; invalid UTF-8 becomes U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8) {
    std::vector<UChar> units(utf8.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    std::string bytes;
    if (!U_SUCCESS(status)) {
        return bytes;
    }
    bytes.reserve(static_cast<size_t>(length) * 2);
    for (int32_t i = 0; i < length; ++i) {
        bytes += static_cast<char>(units[i] & 0xFF);
        bytes += static_cast<char>(units[i] >> 8);
    }
    return bytes;
}

// What tells that a file is still the one read: a write replaces it (a new
// file) or changes its size or time of last change.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t changedNs = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
    return FileStamp{st.st_dev, st.st_ino, st.st_size, ns(st.st_ctim), ns(st.st_mtim)};
}

int64_t NowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The files read lately, parsed. A program reads a handful of INI files, so a
// few entries suffice; more are dropped rather than kept without bound.
//
// File systems stamp changes with a clock that advances in ticks of some
// milliseconds, so two writes of the same size within one tick can leave the
// same stamp. A file is therefore kept only when its last change lies well
// before the read began: any later write then carries a later stamp.
class ParsedFiles {
  public:
    std::shared_ptr<const IniText> Get(const fs::path& file) {
        const int64_t readStart = NowNs();
        std::optional<FileStamp> stamp = StampOf(file);
        std::lock_guard<std::mutex> lock(mutex_);
        if (stamp) {
            auto it = entries_.find(file.string());
            if (it != entries_.end() && it->second.stamp == *stamp) {
                return it->second.text;
            }
        }
        auto text = std::make_shared<const IniText>(ReadAll(file).value_or(""));
        // A file changed while it was read is not kept either.
        if (stamp && stamp->changedNs < readStart - kSettledNs && StampOf(file) == stamp) {
            if (entries_.size() >= kMaxEntries) {
                entries_.clear();
            }
            entries_[file.string()] = Entry{*stamp, text};
        }
        return text;
    }

  private:
    static constexpr size_t kMaxEntries = 16;
    static constexpr int64_t kSettledNs = 100'000'000;  // far beyond any tick
    struct Entry {
        FileStamp stamp;
        std::shared_ptr<const IniText> text;
    };
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

std::shared_ptr<const IniText> FileText(const fs::path& file) {
    static ParsedFiles parsed;
    return parsed.Get(file);
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

// The first section of a name: its header, its last key line and its keys
// by upper-cased name (the first of each).
struct IniText::Section {
    Line header;
    std::optional<Line> lastKey;
    std::unordered_map<std::string, Line> keys;
};

IniText::IniText(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.starts_with(kUtf16LeBom)) {
        bytes_ = std::string(kUtf8Bom) + Utf16LeToUtf8(std::string_view(bytes_).substr(2));
        utf16_ = true;
    }
    if (bytes_.starts_with(kUtf8Bom)) {
        start_ = kUtf8Bom.size();
        utf8_ = true;
    }
    // Indexed at once, so that a text shared by several readers is never
    // changed by a read.
    Sections();
}

std::string IniText::Bytes() const {
    if (utf16_) {
        return std::string(kUtf16LeBom) + Utf8ToUtf16Le(std::string_view(bytes_).substr(start_));
    }
    return bytes_;
}

const IniText::Index& IniText::Sections() const {
    if (index_) {
        return *index_;
    }
    auto index = std::make_shared<Index>();
    Section* current = nullptr;
    for (size_t pos = start_; pos < bytes_.size();) {
        Line line = LineAt(pos);
        pos = line.next;
        ParsedLine parsed =
            Parse(std::string_view(bytes_).substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            // A later section of a name already seen is not read at all.
            auto [it, added] =
                index->try_emplace(UCase(Decode(parsed.name)), Section{line, {}, {}});
            current = added ? &it->second : nullptr;
        } else if (parsed.kind == LineKind::Key && current) {
            current->lastKey = line;
            current->keys.try_emplace(UCase(Decode(parsed.name)), line);
        }
    }
    index_ = std::move(index);
    return *index_;
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
    const Index& sections = Sections();
    Location found;
    auto it = sections.find(UCase(TrimBlanks(section)));
    if (it == sections.end()) {
        return found;
    }
    found.header = it->second.header;
    found.lastKey = it->second.lastKey;
    auto k = it->second.keys.find(UCase(TrimBlanks(key)));
    if (k != it->second.keys.end()) {
        found.key = k->second;
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
    index_.reset();  // the lines move
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
    std::optional<std::string> value = FileText(file)->Value(section, key);
    std::string text = Left(value ? *value : RTrim(defaultValue), kProfileTextMax);
    int64_t count = Len(text);
    return {std::move(text), count};
}

int32_t ReadProfileInt(const fs::path& file, std::string_view section, std::string_view key,
                       int32_t defaultValue) {
    std::optional<std::string> value = FileText(file)->Value(section, key);
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
    std::string newBytes = text.Bytes();
    if (existed && newBytes == bytes) {
        return true;
    }
    try {
        ReplaceFileAtomically(target, newBytes, target.string());
    } catch (const Failure&) {
        return false;
    }
    return true;
}

}  // namespace calvora
