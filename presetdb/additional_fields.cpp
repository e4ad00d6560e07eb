#include "presetdb/additional_fields.h"

#include <cstdint>
#include <limits>

#include "errors/error_protocol.h"
#include "platform/failure.h"
#include "presetdb/event_pacer.h"
#include "settings/file_locations.h"
#include "settings/ini_access.h"

namespace calvora {

std::optional<std::vector<std::string>> GetAdditionalFieldsMDB(RunState& run) {
    Proc proc(run, "GetAdditionalFieldsMDB");
    // Only a failure of this procedure's own steps leaves the list unset:
    // failures that the procedures it calls report themselves, or that
    // window events handled meanwhile report, say nothing about the list.
    bool failed = false;
    auto step = [&](auto&& f) {
        proc.StepOr(f, [&](const Failure& failure) {
            failed = true;
            proc.Raise(failure, false);
        });
    };
    std::optional<std::vector<std::string>> result;
    std::vector<std::string> names;
    std::string entry;
    std::string list;

    step([&] { names.assign(1, std::string()); });
    step([&] {
        entry = LoadIniString(run, "Project", "DataBaseAdditionalFields", GetCFGPath(run), false);
    });
    // "part" leads every list: the takeover relies on it being checked.
    // A failing test enters its block, as the protocol has it.
    bool configured = true;
    step([&] { configured = !entry.empty(); });
    if (configured) {
        step([&] { list = "part," + entry; });
    } else {
        step([&] { list = "part"; });
    }

    // Names are kept exactly as written: the configuration is the authority
    // on the field names, so a blank or an empty item is a name the takeover
    // then fails to find, rather than something silently repaired here.
    EventPacer pacer(run.ui());
    bool more = true;
    while (more) {
        step([&] { pacer.Yield(); });
        step([&] { names.emplace_back(); });
        step([&] {
            size_t comma = list.find(',');
            if (comma == std::string::npos) {
                names.back() = list;
                more = false;
            } else {
                names.back() = list.substr(0, comma);
                list.erase(0, comma + 1);
            }
        });
    }

    // A list made while one of the steps above failed need not be the
    // configured one: it would pass for "no additional fields" and switch off
    // the takeover's warning about fields it cannot carry over. Such a run
    // gets no list at all.
    proc.Step([&] {
        if (!failed) {
            result = std::move(names);
        }
    });
    return result;
}

void GetAddFields(RunState& run) {
    Proc proc(run, "GetAddFields");
    proc.Step([&] { run.AddFieldNames = GetAdditionalFieldsMDB(run); });
    // A failure inside the list's making that was let pass leaves no list;
    // the column list and count of an earlier call then stay as they were.
    if (!run.AddFieldNames) {
        return;
    }
    const std::vector<std::string>& names = *run.AddFieldNames;

    std::string sql;
    proc.Step([&] {
        for (size_t i = 1; i < names.size(); ++i) {
            sql += ", PRESET_DEFS." + names[i];
        }
    });
    proc.Step([&] { run.AddFieldsSQL = sql; });
    proc.Step([&] {
        size_t upperIndex = names.size() - 1;
        if (upperIndex > static_cast<size_t>(std::numeric_limits<int16_t>::max())) {
            RaiseRuntime(err::kOverflow, "Overflow: " + std::to_string(upperIndex) +
                                             " additional fields are more than 32767");
        }
        run.AddFieldCount = static_cast<int16_t>(upperIndex);
    });
}

}  // namespace calvora
