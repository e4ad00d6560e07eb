// The report of a run: what the run did to the unit's presets, for people
// (text) and for programs (JSON), and the one summary line of its end.
//
// Counts come first, then the lists, so that a report of tens of thousands
// of dropped records still opens with what matters. A value is written so
// that nothing it holds (line breaks, quotes, bytes that are not UTF-8) can
// break a line of the text or the JSON document.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "account/run_account.h"

namespace calvora {

struct RunReport {
    std::string unit;     // the unit name, e.g. "Calvora"
    std::string started;  // the start time, "YYYY-MM-DD HH:MM:SS"
    std::string mode;     // "standalone", "silent" or "integrated"
    int exitCode = 0;
    const RunAccount& account;
};

// The text report, UTF-8 with LF line ends (WriteReportFiles converts). Its
// first block is "Key: value" lines (see ReadReportHeader), then an empty
// line and the lists.
std::string ReportText(const RunReport& report);

// The same content as one JSON object, UTF-8.
std::string ReportJson(const RunReport& report);

// The line printed at the end of a run, e.g.
// "Calvora: 32,766 records, 32,700 tuned values kept, 66 dropped - report: C:\...".
// reportPath "" says that no report could be written.
std::string SummaryLine(const RunReport& report, const std::string& reportPath);

// The header block of a text report (as written, Windows-1252 with CR LF):
// key to value, e.g. "Mode" -> "silent". Lines that are not "Key: value"
// are skipped; reading stops at the first empty line.
std::map<std::string, std::string> ReadReportHeader(std::string_view reportFile);

// n with ',' between groups of three digits: 32766 -> "32,766".
std::string WithThousands(int64_t n);

}  // namespace calvora
