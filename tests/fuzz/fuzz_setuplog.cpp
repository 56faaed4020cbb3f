// Fuzzes setuplog's reading of an install log: the input, split at line
// feeds, goes through a machine's scan, the fleet, the script map (the same
// bytes read as a script) and every report. A line the parser takes for one
// of the writers' must format back into itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/core/logsink.h"
#include "setuplog/core/reader.h"
#include "setuplog/core/report.h"
#include "setuplog/core/scriptmap.h"

void WriteLog(std::string_view, std::string_view) {}
void WriteLogText(std::string_view) {}

namespace {

void CheckRoundTrip(std::string_view line)
{
    const se::LogLineParts p = se::ParseLogLine(line);
    const std::string stamp = se::FormatTimeStamp(p.hour, p.minute, p.second, p.millisecond);
    std::string again(line);
    if (p.kind == se::LogLineKind::Level) again = std::string(se::LevelPrefix(p.level)) + std::string(p.text);
    if (line.size() > se::kLogLineLimit) return;
    if (p.kind == se::LogLineKind::Text) again = se::FormatLogTextLine(stamp, p.text);
    // A text without a blank has lost its message to a cut; the writer put one there.
    if (p.kind == se::LogLineKind::Entry && p.text.find(' ') != std::string_view::npos)
        again = se::FormatLogLine(stamp, p.program, p.prefix, p.message);
    if (again != line) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    se::logs::Fleet fleet;
    se::logs::MachineScan scan(fleet.catalog, fleet.runTimes, "fuzz.log");
    long long number = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(at, std::min(end - at, se::logs::kLineCap));
        CheckRoundTrip(line);
        scan.Line(line, ++number, end - at);
        at = end + 1;
    }
    const se::logs::MachineSummary machine = scan.Finish(static_cast<long long>(size));
    fleet.Add(machine);
    const se::logs::ScriptMap script(text);
    for (se::logs::CommandInfo& c : fleet.catalog.commands) c.scriptLine = script.LineOf(c);
    const se::logs::Report report{fleet, &machine, "S.INI"};
    (void)se::logs::TextReport(report);
    (void)se::logs::JsonReport(report);
    (void)se::logs::CsvRow(machine, fleet.catalog);
    // Nothing of the log may open a tag of the page: every '<' is the page's own.
    const std::string page = se::logs::HtmlReport(report);
    if (page.find("<script") != std::string::npos || page.find("<img") != std::string::npos) __builtin_trap();
    return 0;
}
