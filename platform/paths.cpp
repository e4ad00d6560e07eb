#include "platform/paths.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace calvora {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool HasDriveLetter(std::string_view p) {
    return p.size() >= 2 && p[1] == ':' &&
           ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

char UpperLetter(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

std::vector<std::string> SplitComponents(std::string_view rest) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : rest) {
        if (IsSeparator(c)) {
            if (!cur.empty())
                parts.push_back(std::move(cur));
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty())
        parts.push_back(std::move(cur));
    return parts;
}

// The entry of dir whose name equals name without regard to case, if any.
std::optional<fs::path> FindNoCase(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return std::nullopt;
    std::string wanted = UCase(name);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::string entry = it->path().filename().string();
        if (UCase(entry) == wanted)
            return it->path();
    }
    return std::nullopt;
}

fs::path DefaultDriveC() {
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) {
        return fs::path(xdg) / "config-exe" / "drive_c";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local" / "state" / "config-exe" / "drive_c";
}

// Reads "X:=/host/folder" entries separated by ';' into drives; each entry
// left out gets a message in ignored. Nothing is guessed: a relative folder
// would move with the current directory, and a second mapping of a letter
// would silently override what the user wrote first.
void ReadDriveTable(std::string_view table, std::map<char, fs::path>& drives,
                    std::vector<std::string>& ignored) {
    while (!table.empty()) {
        size_t semi = table.find(';');
        std::string entry = Trim(table.substr(0, semi));
        table = semi == std::string_view::npos ? std::string_view() : table.substr(semi + 1);
        if (entry.empty())
            continue;
        auto ignore = [&](const std::string& reason) {
            ignored.push_back("CONFIG_EXE_DRIVES entry \"" + entry + "\" ignored: " + reason);
        };
        if (!HasDriveLetter(entry) || entry.size() < 3 || entry[2] != '=') {
            ignore("it is not of the form X:=/host/folder");
            continue;
        }
        fs::path folder = fs::path(entry.substr(3)).lexically_normal();
        char letter = UpperLetter(entry[0]);
        if (!folder.is_absolute())
            ignore("the host folder is not an absolute path");
        else if (drives.count(letter))
            ignore(std::string("drive ") + letter + ": is mapped by an earlier entry");
        else
            drives[letter] = folder;
    }
}

}  // namespace

PathModel::PathModel(std::map<char, fs::path> drives, fs::path currentDir, fs::path defaultDriveC)
    : drives_(std::move(drives)),
      currentDir_(std::move(currentDir)),
      defaultDriveC_(std::move(defaultDriveC)) {}

PathModel PathModel::FromEnvironment() {
    std::map<char, fs::path> drives;
    std::vector<std::string> ignored;
    if (const char* table = std::getenv("CONFIG_EXE_DRIVES"))
        ReadDriveTable(table, drives, ignored);
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    PathModel model(std::move(drives), ec ? fs::path("/") : cwd, DefaultDriveC());
    model.ignoredDriveEntries_ = std::move(ignored);
    return model;
}

std::optional<fs::path> PathModel::DriveRoot(char letter) const {
    letter = UpperLetter(letter);
    if (auto it = drives_.find(letter); it != drives_.end())
        return it->second;
    if (letter == 'Z')
        return fs::path("/");
    if (letter == 'C')
        return defaultDriveC_;
    return std::nullopt;
}

std::optional<fs::path> PathModel::ToHost(std::string_view winPath) const {
    if (winPath.empty())
        return std::nullopt;
    fs::path base;
    std::string_view rest;
    if (HasDriveLetter(winPath)) {
        auto root = DriveRoot(winPath[0]);
        if (!root)
            return std::nullopt;
        base = *root;
        rest = winPath.substr(2);
    } else if (IsSeparator(winPath[0])) {
        // A UNC name (\\server\share) has no drive to map.
        if (winPath.size() > 1 && IsSeparator(winPath[1]))
            return std::nullopt;
        auto root = DriveRoot(ToWindows(currentDir_)[0]);
        if (!root)
            return std::nullopt;
        base = *root;
        rest = winPath;
    } else {
        base = currentDir_;
        rest = winPath;
    }

    fs::path result = base;
    bool lookup = true;  // once a component is missing, nothing below it can exist
    for (const std::string& part : SplitComponents(rest)) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (result != base)
                result = result.parent_path();
            continue;
        }
        fs::path exact = result / part;
        std::error_code ec;
        if (!lookup || fs::exists(fs::symlink_status(exact, ec))) {
            result = exact;
        } else if (auto found = FindNoCase(result, part)) {
            result = *found;
        } else {
            result = exact;
            lookup = false;
        }
    }
    return result;
}

std::string PathModel::ToWindows(const fs::path& hostPath) const {
    fs::path p = hostPath.lexically_normal();
    char bestLetter = 'Z';
    fs::path bestRoot = "/";
    size_t bestLen = 1;
    auto consider = [&](char letter, const fs::path& root) {
        fs::path r = root.lexically_normal();
        std::string rs = r.string();
        while (rs.size() > 1 && rs.back() == '/')
            rs.pop_back();
        std::string ps = p.string();
        bool under = ps == rs || (ps.size() > rs.size() && ps.compare(0, rs.size(), rs) == 0 &&
                                  (rs == "/" || ps[rs.size()] == '/'));
        if (under && rs.size() > bestLen) {
            bestLetter = letter;
            bestRoot = rs;
            bestLen = rs.size();
        }
    };
    if (!drives_.count('C'))
        consider('C', defaultDriveC_);
    for (const auto& [letter, root] : drives_)
        consider(letter, root);

    std::string rel = p.lexically_relative(bestRoot).string();
    if (rel == ".")
        rel.clear();
    std::string out{bestLetter, ':', '\\'};
    for (char c : rel)
        out.push_back(c == '/' ? '\\' : c);
    return out;
}

void PathModel::PrepareForWrite(std::string_view winPath) const {
    bool onC = HasDriveLetter(winPath) ? UpperLetter(winPath[0]) == 'C'
                                       : (!winPath.empty() && IsSeparator(winPath[0]) &&
                                          ToWindows(currentDir_)[0] == 'C');
    if (onC && !drives_.count('C')) {
        std::error_code ec;
        fs::create_directories(defaultDriveC_, ec);
    }
}

}  // namespace calvora
