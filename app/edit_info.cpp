#include "app/edit_info.h"

#include <cstdio>

#include "errors/error_protocol.h"
#include "platform/text.h"
#include "platform/variant.h"
#include "settings/file_locations.h"
#include "settings/ini_access.h"

namespace calvora {

std::string EncodeEditor(std::string_view environmentEntry) {
    const size_t equals = environmentEntry.find('=');
    const std::string_view value =
        equals == std::string_view::npos ? environmentEntry : environmentEntry.substr(equals + 1);
    std::string mark;
    for (char32_t c : ToCodePoints(value)) {
        if (c == U'-' || c == U'_')
            continue;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(AnsiCode(c) + 5));
        mark += hex;
    }
    return mark;
}

namespace {

// SaveIni leaves a refused write unreported; the edit information is the
// run's record of what it did, so its loss is a failure of the run.
void SaveEntry(RunState& run, const std::string& key, const std::string& value,
               const std::string& cfg) {
    if (SaveIni(run, Variant::Text(value), "Info", key, cfg) == 0)
        RaiseRuntime(err::kPathFileAccess, "Path/File access error: [Info] " + key +
                                               " could not be written to '" + cfg + "'.");
}

}  // namespace

void WriteEditInfo(RunState& run) {
    Proc proc(run, "WriteEditInfo");
    std::string cfg;
    proc.Step([&] { cfg = GetCFGPath(run); });
    proc.Step([&] {
        const Version v = run.process().ProgramVersion();
        const std::string prog = std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                                 std::to_string(v.revision) +
                                 (run.IntegratedMode ? " - Integrated" : " - Standalone");
        SaveEntry(run, "S_Prog", prog, cfg);
    });
    proc.Step([&] {
        SaveEntry(run, "S_Editor", EncodeEditor(run.process().FirstEnvironmentEntry()), cfg);
    });
}

}  // namespace calvora
