// The fleet as one HTML page that needs nothing else: the charts are inline
// SVG, the style is in the page, and there is no script at all.
#include <algorithm>

#include "setuplog/core/report.h"

namespace se::logs {

namespace {

constexpr char kStyle[] = R"(body{font:14px/1.4 sans-serif;margin:24px;color:#222;max-width:1200px}
h1{font-size:22px}h2{font-size:17px;margin-top:28px;border-bottom:1px solid #ccc}
table{border-collapse:collapse;margin:8px 0}td,th{padding:3px 8px;border-bottom:1px solid #eee;text-align:left;vertical-align:top}
td.n,th.n{text-align:right}code{font:12px monospace;white-space:pre-wrap}
.ok{fill:#3a7d44}.restart{fill:#d08c00}.cut{fill:#c0392b}.fail{fill:#c0392b}.other{fill:#7f8c8d}.ran{fill:#b8c7d9}
svg text{font:12px sans-serif;fill:#222}.small{color:#666;font-size:12px})";

std::string Td(const std::string& text, bool number = false)
{
    return std::string(number ? "<td class=\"n\">" : "<td>") + text + "</td>";
}

std::string Th(const std::string& text, bool number = false)
{
    return std::string(number ? "<th class=\"n\">" : "<th>") + text + "</th>";
}

std::string Rect(long long x, long long y, long long w, long long h, const char* cls)
{
    return "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" + std::to_string(w) +
           "\" height=\"" + std::to_string(h) + "\" class=\"" + cls + "\"/>";
}

std::string Label(long long x, long long y, const std::string& text, const char* anchor = "start")
{
    return "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" text-anchor=\"" + anchor + "\">" +
           text + "</text>";
}

std::string Svg(long long width, long long height, const std::string& title, const std::string& body)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" role=\"img\" aria-label=\"" + HtmlText(title) + "\"><title>" + HtmlText(title) +
           "</title>" + body + "</svg>\n";
}

const char* OutcomeClass(int outcome)
{
    static const char* const kClasses[] = {"ok", "restart", "cut", "fail", "other"};
    return kClasses[outcome];
}

std::string OutcomeChart(const Fleet& f)
{
    std::string body;
    long long y = 4;
    for (int o = 0; o < kOutcomeCount; ++o) {
        const long long width = f.logs ? 420 * f.outcomes[o] / f.logs : 0;
        body += Label(0, y + 14, HtmlText(std::string(OutcomeName(static_cast<Outcome>(o)))));
        body += Rect(170, y, std::max(width, f.outcomes[o] ? 1LL : 0LL), 18, OutcomeClass(o));
        body += Label(176 + width, y + 14, std::to_string(f.outcomes[o]));
        y += 24;
    }
    return Svg(680, y + 4, "Machines by the outcome of their last run", body);
}

// Per command: the share of machines that ran it (light), failed in it (red)
// and stopped after it (amber), on one scale of the whole fleet.
std::string CommandBar(const Fleet& f, const CommandInfo& c)
{
    const auto w = [&](long long n) { return f.logs ? std::max(n ? 1LL : 0LL, 200 * n / f.logs) : 0; };
    return Svg(204, 16, "ran " + std::to_string(c.ran) + ", failed " + std::to_string(c.failed) + ", stopped " +
                            std::to_string(c.restarted + c.cut),
               Rect(0, 0, w(c.ran), 16, "ran") + Rect(0, 2, w(c.failed), 5, "fail") +
                   Rect(0, 9, w(c.restarted + c.cut), 5, "restart"));
}

std::string RunTimesChart(const RunTimes& t)
{
    const long long most = std::max(1LL, *std::max_element(t.classes.begin(), t.classes.end()));
    std::string body;
    constexpr long long kColumn = 52, kHeight = 160;
    for (std::size_t i = 0; i < t.classes.size(); ++i) {
        const long long x = static_cast<long long>(i) * kColumn;
        const long long h = kHeight * t.classes[i] / most;
        body += Rect(x + 4, 20 + kHeight - h, kColumn - 8, std::max(h, t.classes[i] ? 1LL : 0LL), "ok");
        if (t.classes[i] > 0) body += Label(x + kColumn / 2, 16 + kHeight - h, std::to_string(t.classes[i]), "middle");
        static const char* const kEdges[] = {"1 s", "2 s", "5 s", "10 s", "30 s", "1 min", "2 min", "5 min", "10 min", "30 min", "1 h", "2 h"};
        static_assert(sizeof kEdges / sizeof kEdges[0] == RunTimes::kEdgesMs.size());
        const std::string edge = i < RunTimes::kEdgesMs.size() ? std::string("&lt;") + kEdges[i] : "more";
        body += Label(x + kColumn / 2, kHeight + 38, edge, "middle");
    }
    return Svg(static_cast<long long>(t.classes.size()) * kColumn, kHeight + 46, "Whole-run times", body);
}

std::string CommandsTable(const Report& report)
{
    const Fleet& f = report.fleet;
    std::string out = "<table id=\"commands\"><tr>" + Th("command") + Th("script") + Th("ran", true) + Th("failed", true) +
                      Th("stopped: restart", true) + Th("cut off", true) + Th("repeated", true) + Th("mean", true) +
                      Th("longest", true) + Th("share of the fleet") + "</tr>\n";
    for (const int id : f.CommandOrder()) {
        const CommandInfo& c = f.catalog.commands[id];
        out += "<tr>" + Td("<code>" + HtmlText(CommandLabel(c, true)) + "</code>") +
               Td(c.scriptLine ? HtmlText(report.scriptName) + ":" + std::to_string(c.scriptLine) : "") +
               Td(std::to_string(c.ran), true) + Td(std::to_string(c.failed), true) + Td(std::to_string(c.restarted), true) +
               Td(std::to_string(c.cut), true) + Td(std::to_string(c.repeated), true) +
               Td(HtmlText(FormatMs(c.executions ? c.totalMs / c.executions : 0)), true) + Td(HtmlText(FormatMs(c.maxMs)), true) +
               Td(CommandBar(f, c)) + "</tr>\n";
    }
    return out + "</table>\n";
}

std::string KindsTable(const Report& report, Severity severity)
{
    const Fleet& f = report.fleet;
    std::string out = "<table id=\"" + std::string(SeverityName(severity)) + "s\"><tr>" + Th("machines", true) +
                      Th("entries", true) + Th("text (paths and numbers folded)") + Th("where") + "</tr>\n";
    const std::vector<int> order = f.KindOrder(severity);
    for (std::size_t i = 0; i < order.size() && i < 50; ++i) {
        const KindInfo& k = f.catalog.kinds[order[i]];
        const std::string where = k.command == KindInfo::kSeveral ? "several commands" : CommandWithLine(report, k.command);
        out += "<tr>" + Td(std::to_string(k.machines), true) + Td(std::to_string(k.entries), true) +
               Td("<code>" + HtmlText(k.folded) + "</code><br><span class=\"small\">for example: " + HtmlText(k.example) +
                  "</span>") +
               Td(HtmlText(where)) + "</tr>\n";
    }
    return out + "</table>\n";
}

std::string UnfinishedTable(const Report& report)
{
    std::string out = "<table id=\"unfinished\"><tr>" + Th("last command reached") + Th("machines", true) + Th("how") +
                      Th("machines (the first 20)") + "</tr>\n";
    for (const auto& [id, group] : report.fleet.unfinished) {
        std::string how, names;
        for (int o = 0; o < kOutcomeCount; ++o)
            if (group.outcomes[o] > 0)
                how += (how.empty() ? "" : ", ") + std::string(OutcomeName(static_cast<Outcome>(o))) + " " +
                       std::to_string(group.outcomes[o]);
        for (const std::string& name : group.names) names += (names.empty() ? "" : ", ") + HtmlText(name);
        out += "<tr>" + Td(HtmlText(id >= 0 ? CommandWithLine(report, id) : "no command ran")) +
               Td(std::to_string(group.machines), true) + Td(HtmlText(how)) + Td(names) + "</tr>\n";
    }
    return out + "</table>\n";
}

std::string MachineSection(const Report& report, const MachineSummary& m)
{
    std::string out = "<h2>" + HtmlText(m.name) + ": " + HtmlText(std::string(OutcomeName(m.outcome))) + "</h2>\n";
    out += "<table id=\"runs\"><tr>" + Th("run") + Th("phases") + "</tr>\n";
    for (const RunSummary& run : m.runs)
        out += "<tr>" + Td(HtmlText(RunLine(report, run))) + Td(HtmlText(PhasesLine(report, run))) + "</tr>\n";
    out += "</table>\n<table id=\"entries\"><tr>" + Th("") + Th("run", true) + Th("command") + Th("line", true) + Th("text") + "</tr>\n";
    for (const EntryNote& n : m.notes)
        out += "<tr>" + Td(std::string(SeverityName(n.severity))) + Td(std::to_string(n.run), true) +
               Td(HtmlText(CommandWithLine(report, n.command))) + Td(std::to_string(n.line), true) +
               Td("<code>" + HtmlText(n.text) + "</code>") + "</tr>\n";
    return out + "</table>\n";
}

}  // namespace

std::string HtmlReport(const Report& report)
{
    const Fleet& f = report.fleet;
    const RunTimes& t = f.runTimes;
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Install logs: " +
                      Count(f.logs, "machine") + "</title><style>" + kStyle + "</style></head><body>\n";
    out += "<h1>Install logs of " + Count(f.logs, "machine") + "</h1>\n<p id=\"summary\">" + Count(f.runs, "run") + ", " +
           Count(f.errors, "error") + ", " + Count(f.warnings, "warning") + ", " + Count(f.repeated, "command") +
           " repeated after a resume; " + Count(f.skipped, "file") + " skipped.</p>\n";
    if (report.machine) out += MachineSection(report, *report.machine);
    out += "<h2>Outcome</h2>\n" + OutcomeChart(f);
    out += "<h2>Commands</h2>\n<p class=\"small\">Bar: machines that ran the command (light), failed in it (red), stopped "
           "after it (amber), on the scale of the whole fleet.</p>\n" +
           CommandsTable(report);
    out += "<h2>Most common errors</h2>\n" + KindsTable(report, Severity::Error);
    out += "<h2>Most common warnings</h2>\n" + KindsTable(report, Severity::Warning);
    out += "<h2>Never finished, by the last command reached</h2>\n" +
           (f.unfinished.empty() ? "<p>Every machine finished.</p>\n" : UnfinishedTable(report));
    out += "<h2>Whole-run times</h2>\n<p>" + std::to_string(t.runs) + " runs that reached DONE: median " +
           HtmlText(FormatMs(t.Percentile(0.5))) + ", 90% within " + HtmlText(FormatMs(t.Percentile(0.9))) +
           ", longest " + HtmlText(FormatMs(t.maxMs)) + ".</p>\n" + RunTimesChart(t);
    if (!f.notes.empty()) {
        out += "<h2>Notes</h2>\n<ul id=\"notes\">\n";
        for (const FileNote& n : f.notes)
            out += "<li>" + HtmlText(n.text) + ": " + HtmlText(Names(n.files, 0, n.count)) + "</li>\n";
        out += "</ul>\n";
    }
    return out + "</body></html>\n";
}

}  // namespace se::logs
