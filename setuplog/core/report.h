#pragma once
// The analysis as text for a terminal, JSON, CSV (one row per machine) and a
// self-contained HTML page. Every text from a log is untrusted and escaped for
// the form it goes into.
#include <string>
#include <string_view>

#include "setuplog/core/fleet.h"

namespace se::logs {

struct Report {
    const Fleet& fleet;
    const MachineSummary* machine = nullptr;  // the detail of the one log given
    std::string scriptName;                   // shown with the script lines, "SETUP.INI:12"
};

std::string TextReport(const Report& report);
std::string JsonReport(const Report& report);
std::string HtmlReport(const Report& report);
std::string CsvHeader();
std::string CsvRow(const MachineSummary& machine, const Catalog& catalog);

// Escapes. Plain: control characters become '?', so a log cannot steer the
// terminal. Json: bytes above 127 are read as Latin-1. Html: every byte above
// 127 as a character reference. Csv: quoted where needed, and a text that a
// spreadsheet would take for a formula gets a leading apostrophe.
std::string PlainText(std::string_view text);
std::string JsonString(std::string_view text);
std::string HtmlText(std::string_view text);
std::string CsvField(std::string_view text);

// Shared by the text and HTML forms.
std::string CommandWithLine(const Report& report, int command);
std::string TimeOfDay(long long msOfDay);
long long StartupMs(const RunSummary& run);
std::string RunLine(const Report& report, const RunSummary& run);
std::string PhasesLine(const Report& report, const RunSummary& run);
// "1 run", "2 runs".
std::string Count(long long n, const std::string& noun);
// names[from...], ", ..." after them when total says there were more.
std::string Names(const std::vector<std::string>& names, std::size_t from, long long total);

}  // namespace se::logs
