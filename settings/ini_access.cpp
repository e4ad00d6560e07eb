#include "settings/ini_access.h"

#include <limits>
#include <optional>

#include "errors/error_protocol.h"
#include "errors/logs.h"
#include "platform/ini_profile.h"
#include "platform/text.h"

namespace calvora {

namespace {

// The readers' default: 255 blanks, which the profile read drops, so a
// missing entry reads as "" with a count of 0.
const std::string kBlankDefault(255, ' ');

std::string MissingEntryMessage(const std::string& section, const std::string& key,
                                const std::string& file) {
    return "File '" + file + "' or Section [" + section + "] or Entry '" + key + "' not found";
}

// The host file the profile functions read; a path on an unmapped drive (or
// "") becomes the empty path, which reads as a missing file.
std::filesystem::path HostFileToRead(RunState& run, const std::string& file) {
    return run.files().ToHost(file).value_or(std::filesystem::path());
}

ProfileText ReadEntry(RunState& run, const std::string& section, const std::string& key,
                      const std::string& file) {
    return ReadProfileString(HostFileToRead(run, file), section, key, kBlankDefault);
}

int16_t NarrowToInteger(int32_t value, const std::string& section, const std::string& key,
                        const std::string& file) {
    if (value < std::numeric_limits<int16_t>::min() ||
        value > std::numeric_limits<int16_t>::max()) {
        RaiseRuntime(err::kOverflow, "Overflow: entry '" + key + "' of section [" + section +
                                         "] in '" + file + "' holds " + std::to_string(value) +
                                         ", outside -32768..32767");
    }
    return static_cast<int16_t>(value);
}

// The text SaveIni writes for value, nullopt for a type it does not write.
std::optional<std::string> IniTextOf(const Variant& value) {
    switch (value.Type()) {
        case VarType::Integer:
        case VarType::Long:
        case VarType::Single:
        case VarType::Double:
        case VarType::Byte:
            return NumberToText(value);
        case VarType::String:
            return std::string(value.AsText());
        case VarType::Boolean:
            return value.AsBoolean() ? "true" : "false";
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string LoadIniString(RunState& run, const std::string& section, const std::string& key,
                          const std::string& file, bool reportMissing) {
    Proc proc(run, "LoadIniString");
    std::string result;
    ProfileText entry;
    proc.Step([&] { entry = ReadEntry(run, section, key, file); });
    if (entry.count == 0 && reportMissing) {
        proc.Step([&] { ReportFault(run, MissingEntryMessage(section, key, file)); });
    }
    proc.Step([&] { result = Left(entry.text, entry.count); });
    return result;
}

int16_t LoadIniInteger(RunState& run, const std::string& section, const std::string& key,
                       const std::string& file, bool reportMissing) {
    Proc proc(run, "LoadIniInteger");
    int16_t result = 0;
    proc.Step([&] {
        result = NarrowToInteger(ReadProfileInt(HostFileToRead(run, file), section, key, -1),
                                 section, key, file);
    });
    if (result == -1 && reportMissing) {
        proc.Step([&] { ReportFault(run, MissingEntryMessage(section, key, file)); });
    }
    return result;
}

bool LoadIniBoolean(RunState& run, const std::string& section, const std::string& key,
                    const std::string& file, bool reportMissing) {
    Proc proc(run, "LoadIniBoolean");
    bool result = false;
    std::string text;
    ProfileText entry;
    proc.Step([&] {
        entry = ReadEntry(run, section, key, file);
        text = UCase(Left(entry.text, entry.count));
    });
    if (reportMissing && !((text == "TRUE" || text == "FALSE") && entry.count != 0)) {
        proc.Step([&] { ReportFault(run, MissingEntryMessage(section, key, file)); });
    }
    proc.Step([&] { result = text == "TRUE"; });
    return result;
}

int16_t SaveIni(RunState& run, const Variant& value, const std::string& section,
                const std::string& key, const std::string& file) {
    Proc proc(run, "SaveIni");
    int16_t result = 0;
    std::optional<std::string> text;
    proc.Step([&] { text = IniTextOf(value); });
    if (!text) {
        // Nothing is written for a type without an INI text: writing an empty
        // value instead would wipe the entry's previous content.
        proc.Step([&] { ReportFault(run, "Ini Save:  wrong data type"); });
        return result;
    }
    proc.Step([&] {
        std::optional<std::filesystem::path> host = run.files().ToHost(file);
        result = host && WriteProfileString(*host, section, key, *text) ? 1 : 0;
    });
    return result;
}

}  // namespace calvora
