#include "settings/command_line.h"

#include "errors/error_protocol.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora {

namespace {

// 1-based position of the keyword's first occurrence, 0 when there is none.
// No "/" is required before it: "EXTERNAL" inside a LOGFILE path counts.
int64_t FindKeyword(const std::string& commandLine, const std::string& keyword) {
    return InStr(UCase(commandLine), UCase(keyword));
}

// The value after the keyword found at position: the rest of the line as
// typed, less the keyword and one separator character of any kind, trimmed
// of blanks, upper-cased and cut before the first "/". A keyword at the very
// end asks for a negative count of characters, which raises 5.
std::string ValueAfter(const std::string& commandLine, int64_t position,
                       const std::string& keyword) {
    int64_t count = Len(commandLine) - position - Len(keyword);
    if (count < 0) {
        RaiseRuntime(err::kInvalidArgument, "Invalid procedure call or argument: the switch " +
                                                UCase(keyword) +
                                                " ends the command line without a separator");
    }
    std::string value = UCase(Trim(Right(commandLine, count)));
    int64_t slash = InStr(value, "/");
    if (slash > 0) {
        value = Trim(UCase(Left(value, slash - 1)));
    }
    return value;
}

}  // namespace

std::optional<std::string> ReadCommand(RunState& run, const std::string& commandLine,
                                       const std::string& keyword) {
    Proc proc(run, "ReadCommand");
    int64_t position = 0;
    proc.Step([&] { position = FindKeyword(commandLine, keyword); });
    if (position == 0) {
        return std::nullopt;
    }
    std::string value;  // stays "" when the run goes on after a failure
    proc.Step([&] { value = ValueAfter(commandLine, position, keyword); });
    return value;
}

std::string ReadCommandQuietly(RunState& run, const std::string& commandLine,
                               const std::string& keyword) {
    Proc proc(run);
    std::string value;
    proc.Quietly([&] {
        int64_t position = FindKeyword(commandLine, keyword);
        if (position > 0) {
            value = ValueAfter(commandLine, position, keyword);
        }
    });
    return value;
}

bool GetStartModeIntegrated(RunState& run) {
    Proc proc(run, "GetStartModeIntegrated");
    bool result = false;
    std::string external;
    proc.Step(
        [&] { external = ReadCommand(run, run.process().CommandLine(), "EXTERNAL").value_or(""); });
    proc.Step([&] {
        result = UCase(external) == "TRXCFG";
        run.IntegratedMode = result;
    });
    proc.Step([&] {
        run.SilentMode = UCase(external) == "SILENT";
        if (run.SilentMode) {
            result = false;
            run.IntegratedMode = false;
        }
    });
    return result;
}

std::string GetPathLogfile(RunState& run) {
    Proc proc(run, "GetPathLogfile");
    std::string result;
    proc.Step(
        [&] { result = ReadCommand(run, run.process().CommandLine(), "LOGFILE").value_or(""); });
    return result;
}

}  // namespace calvora
