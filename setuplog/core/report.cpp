#include "setuplog/core/report.h"

#include <algorithm>
#include <cstdio>

namespace se::logs {

std::string PlainText(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
    return out;
}

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 32 || u >= 127) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string HtmlText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else if (c == '\'') out += "&#39;";
        else if (u < 32 || u == 127) out += '?';
        else if (u > 127) out += "&#" + std::to_string(u) + ";";
        else out += c;
    }
    return out;
}

std::string CsvField(std::string_view text)
{
    std::string plain = PlainText(text);
    if (!plain.empty() && std::string_view("=+-@").find(plain[0]) != std::string_view::npos) plain.insert(0, "'");
    if (plain.find_first_of(",\"") == std::string::npos) return plain;
    std::string out = "\"";
    for (const char c : plain) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CommandWithLine(const Report& report, int command)
{
    if (command == kStartUp) return "start-up";
    if (command == kEndOfRun) return "end of run";
    const CommandInfo& c = report.fleet.catalog.commands[command];
    std::string label = CommandLabel(c, true);
    if (c.scriptLine > 0) label += " (" + report.scriptName + ":" + std::to_string(c.scriptLine) + ")";
    return label;
}

std::string TimeOfDay(long long msOfDay)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", msOfDay / 3600000 % 24, msOfDay / 60000 % 60,
                  msOfDay / 1000 % 60, msOfDay % 1000);
    return text;
}

long long StartupMs(const RunSummary& run)
{
    const long long to = run.firstCommandMs >= 0 ? run.firstCommandMs : run.endPhaseMs >= 0 ? run.endPhaseMs : run.lastMs;
    return run.startMs >= 0 ? to - run.startMs : 0;
}

std::string RunLine(const Report& report, const RunSummary& run)
{
    std::string line = std::to_string(run.index) + "  " + (run.startStamp >= 0 ? TimeOfDay(run.startStamp) : "--:--:--.---") +
                       "  " + FormatMs(run.DurationMs()) + "  ";
    if (!run.banner) line += "(the log begins inside this run) ";
    if (run.resumed) line += "resumed, ";
    line += std::string(RunEndName(run.end));
    if (run.lastCommand >= 0) line += " after " + CommandWithLine(report, run.lastCommand);
    if (run.repeated > 0) line += "; " + std::to_string(run.repeated) + " repeated after the resume";
    return line;
}

std::string PhasesLine(const Report& report, const RunSummary& run)
{
    std::string line = "start-up " + FormatMs(StartupMs(run));
    for (const SectionSpan& span : run.sections) {
        line += ", [" + span.section + "] CMD" + std::to_string(span.firstNumber);
        if (span.lastNumber != span.firstNumber) line += "-CMD" + std::to_string(span.lastNumber);
        line += " " + FormatMs(span.endMs - span.startMs);
    }
    if (run.endPhaseMs >= 0) line += ", end " + FormatMs(run.lastMs - run.endPhaseMs);
    (void)report;
    return line;
}

std::string Count(long long n, const std::string& noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); }

std::string Names(const std::vector<std::string>& names, std::size_t from, long long total)
{
    std::string out;
    for (std::size_t i = from; i < names.size(); ++i) out += (i > from ? ", " : "") + names[i];
    if (total > static_cast<long long>(names.size())) out += ", ...";
    return out;
}

namespace {

std::string Pad(std::string text, std::size_t width, bool right = false)
{
    if (text.size() > width) return text.substr(0, width - 3) + "...";
    const std::string fill(width - text.size(), ' ');
    return right ? fill + text : text + fill;
}

std::string Num(long long n, std::size_t width) { return Pad(std::to_string(n), width, true); }


std::string MegaBytes(long long bytes)
{
    char text[32];
    if (bytes < 1000000) std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1e3);
    else std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

std::string Percent(long long part, long long whole)
{
    char text[16];
    std::snprintf(text, sizeof text, "%5.1f%%", whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
    return text;
}

std::string KindLocation(const Report& report, const KindInfo& kind)
{
    if (kind.command == KindInfo::kSeveral) return "in several commands";
    return "in " + CommandWithLine(report, kind.command);
}

std::vector<int> Slowest(const MachineSummary& machine, std::size_t count)
{
    std::vector<int> ids;
    for (const auto& [id, mc] : machine.commands) ids.push_back(id);
    std::sort(ids.begin(), ids.end(), [&](int a, int b) {
        const MachineCommand &x = machine.commands.at(a), &y = machine.commands.at(b);
        return x.maxMs != y.maxMs ? x.maxMs > y.maxMs : a < b;
    });
    if (ids.size() > count) ids.resize(count);
    return ids;
}

void MachineText(const Report& report, const MachineSummary& m, std::string& out)
{
    out += PlainText(m.name) + ": " + std::string(OutcomeName(m.outcome));
    if (m.outcome != Outcome::Finished && m.lastCommand >= 0) out += " after " + PlainText(CommandWithLine(report, m.lastCommand));
    out += "\n  " + Count(m.runCount, "run") + ", " + Count(m.errors, "error") + ", " + Count(m.warnings, "warning") + ", " +
           Count(m.notices, "notice") + ", " + Count(m.repeated, "command") + " repeated after a resume\n\nRuns\n";
    for (const RunSummary& run : m.runs)
        out += "  " + PlainText(RunLine(report, run)) + "\n     " + PlainText(PhasesLine(report, run)) + "\n";
    if (m.runCount > static_cast<long long>(m.runs.size()))
        out += "  ... and " + std::to_string(m.runCount - static_cast<long long>(m.runs.size())) + " more runs\n";
    for (const Severity severity : {Severity::Error, Severity::Warning}) {
        const long long total = severity == Severity::Error ? m.errors : m.warnings;
        if (total == 0) continue;
        out += severity == Severity::Error ? "\nErrors\n" : "\nWarnings\n";
        long long shown = 0;
        for (const EntryNote& note : m.notes) {
            if (note.severity != severity) continue;
            ++shown;
            out += "  run " + std::to_string(note.run) + ", " + PlainText(CommandWithLine(report, note.command)) +
                   ", line " + std::to_string(note.line) + ":\n    " + PlainText(note.text) + "\n";
        }
        if (total > shown) out += "  ... and " + std::to_string(total - shown) + " more\n";
    }
    out += "\nSlowest commands\n";
    for (const int id : Slowest(m, 10)) {
        const MachineCommand& mc = m.commands.at(id);
        out += "  " + Pad(FormatMs(mc.maxMs), 12, true) + "  " + PlainText(CommandWithLine(report, id));
        if (mc.executions > 1) out += "  (ran " + std::to_string(mc.executions) + " times, " + FormatMs(mc.totalMs) + " in all)";
        out += "\n";
    }
}

void CommandsText(const Report& report, std::string& out)
{
    const Fleet& f = report.fleet;
    out += "\nCommands: machines that ran each, failed in it (an error), stopped after it\n";
    out += "  " + Pad("command", 46) + Pad("line", 6, true) + Pad("ran", 8, true) + Pad("failed", 8, true) + Pad("restart", 9, true) +
           Pad("cut off", 9, true) + Pad("mean", 11, true) + Pad("longest", 11, true) + "\n";
    for (const int id : f.CommandOrder()) {
        const CommandInfo& c = f.catalog.commands[id];
        out += "  " + Pad(PlainText(CommandLabel(c, true)), 46) + Pad(c.scriptLine ? std::to_string(c.scriptLine) : "", 6, true) + Num(c.ran, 8) + Num(c.failed, 8) + Num(c.restarted, 9) +
               Num(c.cut, 9) + Pad(FormatMs(c.executions ? c.totalMs / c.executions : 0), 11, true) +
               Pad(FormatMs(c.maxMs), 11, true) + "\n";
    }
}

void KindsText(const Report& report, Severity severity, std::string& out)
{
    const Fleet& f = report.fleet;
    const std::vector<int> order = f.KindOrder(severity);
    if (order.empty()) return;
    out += severity == Severity::Error ? "\nMost common errors (machines, entries)\n" : "\nMost common warnings (machines, entries)\n";
    for (std::size_t i = 0; i < order.size() && i < 10; ++i) {
        const KindInfo& k = f.catalog.kinds[order[i]];
        out += "  " + Num(k.machines, 6) + Num(k.entries, 7) + "  " + PlainText(k.folded) + "\n" + std::string(17, ' ') +
               PlainText(KindLocation(report, k)) + "\n";
    }
    if (order.size() > 10) out += "  ... and " + std::to_string(order.size() - 10) + " more texts\n";
}

void UnfinishedText(const Report& report, std::string& out)
{
    const Fleet& f = report.fleet;
    if (f.unfinished.empty()) return;
    out += "\nNever finished, by the last command reached\n";
    for (const auto& [id, group] : f.unfinished) {
        out += "  " + PlainText(id >= 0 ? CommandWithLine(report, id) : "no command ran") + ": " +
               Count(group.machines, "machine") + " (";
        std::string parts;
        for (int o = 0; o < kOutcomeCount; ++o)
            if (group.outcomes[o] > 0)
                parts += (parts.empty() ? "" : ", ") + std::string(OutcomeName(static_cast<Outcome>(o))) + " " +
                         std::to_string(group.outcomes[o]);
        std::vector<std::string> first(group.names.begin(), group.names.begin() + std::min<std::size_t>(group.names.size(), 6));
        out += parts + ")\n    " + PlainText(Names(first, 0, group.machines)) + "\n";
    }
}

void RunTimesText(const Fleet& f, std::string& out)
{
    const RunTimes& t = f.runTimes;
    if (t.runs == 0) return;
    out += "\nWhole-run times (runs that reached DONE): " + std::to_string(t.runs) + " runs, median " +
           FormatMs(t.Percentile(0.5)) + ", 90% within " + FormatMs(t.Percentile(0.9)) + ", longest " + FormatMs(t.maxMs) + "\n";
    const long long most = *std::max_element(t.classes.begin(), t.classes.end());
    for (std::size_t i = 0; i < t.classes.size(); ++i) {
        if (t.classes[i] == 0) continue;
        const std::string from = i == 0 ? "" : FormatMs(RunTimes::kEdgesMs[i - 1]);
        const std::string label = i == 0 ? "< " + FormatMs(RunTimes::kEdgesMs[0])
                                  : i == RunTimes::kEdgesMs.size() ? ">= " + from
                                                                   : from + " - " + FormatMs(RunTimes::kEdgesMs[i]);
        out += "  " + Pad(label, 24) + Num(t.classes[i], 8) + "  " + std::string(static_cast<std::size_t>(1 + 39 * t.classes[i] / most), '#') + "\n";
    }
}

}  // namespace

std::string TextReport(const Report& report)
{
    const Fleet& f = report.fleet;
    std::string out = "setuplog: " + Count(f.logs, "log") + ", " + Count(f.runs, "run") + ", " + MegaBytes(f.bytes) + " read";
    if (!report.machine) out += "; " + Count(f.repeated, "command") + " repeated after a resume";
    if (f.skipped > 0) out += "; " + Count(f.skipped, "file") + " skipped";
    out += "\n\n";
    if (report.machine) {
        MachineText(report, *report.machine, out);
    } else {
        out += "Outcome (the last run of each log)       machines\n";
        for (int o = 0; o < kOutcomeCount; ++o)
            if (f.outcomes[o] > 0)
                out += "  " + Pad(std::string(OutcomeName(static_cast<Outcome>(o))), 34) + Num(f.outcomes[o], 12) + "  " +
                       Percent(f.outcomes[o], f.logs) + "\n";
        CommandsText(report, out);
        KindsText(report, Severity::Error, out);
        KindsText(report, Severity::Warning, out);
        UnfinishedText(report, out);
        RunTimesText(f, out);
    }
    if (!f.notes.empty()) out += "\nNotes\n";
    for (const FileNote& n : f.notes) {
        out += "  " + PlainText(n.files.front()) + ": " + PlainText(n.text) + "\n";
        if (n.count > 1) out += "    and " + std::to_string(n.count - 1) + " more alike: " + PlainText(Names(n.files, 1, n.count)) + "\n";
    }
    return out;
}

// ---- JSON ----

namespace {

class Json {
public:
    Json& Open(char c) { return Comma(), out_ += c, first_ = true, *this; }
    Json& Close(char c) { return out_ += c, first_ = false, *this; }
    Json& Key(std::string_view key) { return Comma(), out_ += JsonString(key) + ":", first_ = true, *this; }
    Json& Str(std::string_view text) { return Comma(), out_ += JsonString(text), *this; }
    Json& Num(long long n) { return Comma(), out_ += std::to_string(n), *this; }
    Json& Bool(bool b) { return Comma(), out_ += b ? "true" : "false", *this; }
    Json& Field(std::string_view key, std::string_view text) { return Key(key).Str(text); }
    Json& Field(std::string_view key, long long n) { return Key(key).Num(n); }
    std::string Text() const { return out_ + "\n"; }

private:
    void Comma()
    {
        if (!first_) out_ += ',';
        first_ = false;
    }
    std::string out_;
    bool first_ = true;
};

void CommandJson(const Report& report, Json& j, int id)
{
    if (id < 0) {
        j.Str(CommandWithLine(report, id));
        return;
    }
    const CommandInfo& c = report.fleet.catalog.commands[id];
    j.Open('{').Field("section", c.section).Field("number", c.number).Field("type", c.type).Field("name", c.name);
    j.Field("fields", c.fields).Field("script_line", c.scriptLine).Close('}');
}

void MachineJson(const Report& report, const MachineSummary& m, Json& j)
{
    j.Key("machine").Open('{').Field("file", m.name).Field("outcome", OutcomeName(m.outcome));
    j.Key("last_command");
    CommandJson(report, j, m.lastCommand);
    j.Field("runs_total", m.runCount).Field("errors", m.errors).Field("warnings", m.warnings);
    j.Field("notices", m.notices).Field("repeated", m.repeated).Key("runs").Open('[');
    for (const RunSummary& run : m.runs) {
        j.Open('{').Field("index", run.index).Field("first_line", run.firstLine).Key("begins_in_log").Bool(run.banner);
        j.Key("resumed").Bool(run.resumed).Field("end", RunEndName(run.end));
        j.Field("start", run.startStamp >= 0 ? TimeOfDay(run.startStamp) : "").Field("ms", run.DurationMs());
        j.Field("startup_ms", StartupMs(run)).Field("end_ms", run.endPhaseMs >= 0 ? run.lastMs - run.endPhaseMs : 0);
        j.Field("commands", run.commands).Field("repeated", run.repeated).Field("errors", run.errors);
        j.Field("warnings", run.warnings).Field("notices", run.notices).Key("last_command");
        CommandJson(report, j, run.lastCommand);
        j.Key("sections").Open('[');
        for (const SectionSpan& s : run.sections)
            j.Open('{').Field("section", s.section).Field("first", s.firstNumber).Field("last", s.lastNumber)
                .Field("ms", s.endMs - s.startMs).Close('}');
        j.Close(']').Close('}');
    }
    j.Close(']').Key("entries").Open('[');
    for (const EntryNote& n : m.notes) {
        j.Open('{').Field("severity", SeverityName(n.severity)).Field("run", n.run).Field("line", n.line).Key("command");
        CommandJson(report, j, n.command);
        j.Field("text", n.text).Close('}');
    }
    j.Close(']').Key("slowest").Open('[');
    for (const int id : Slowest(m, 10)) {
        const MachineCommand& mc = m.commands.at(id);
        j.Open('{').Key("command");
        CommandJson(report, j, id);
        j.Field("max_ms", mc.maxMs).Field("total_ms", mc.totalMs).Field("executions", mc.executions).Close('}');
    }
    j.Close(']').Close('}');
}

}  // namespace

std::string JsonReport(const Report& report)
{
    const Fleet& f = report.fleet;
    Json j;
    j.Open('{').Field("logs", f.logs).Field("runs", f.runs).Field("bytes", f.bytes).Field("lines", f.lines);
    j.Field("skipped", f.skipped).Field("errors", f.errors).Field("warnings", f.warnings).Field("repeated", f.repeated);
    j.Key("outcomes").Open('{');
    for (int o = 0; o < kOutcomeCount; ++o) j.Field(OutcomeName(static_cast<Outcome>(o)), f.outcomes[o]);
    j.Close('}').Key("commands").Open('[');
    for (const int id : f.CommandOrder()) {
        const CommandInfo& c = f.catalog.commands[id];
        j.Open('{').Field("section", c.section).Field("number", c.number).Field("type", c.type).Field("name", c.name);
        j.Field("fields", c.fields).Field("script_line", c.scriptLine).Field("ran", c.ran).Field("failed", c.failed);
        j.Field("stopped", c.restarted + c.cut).Field("stopped_restart", c.restarted).Field("stopped_cut", c.cut);
        j.Field("repeated", c.repeated).Field("executions", c.executions).Field("errors", c.errors);
        j.Field("warnings", c.warnings).Field("mean_ms", c.executions ? c.totalMs / c.executions : 0);
        j.Field("max_ms", c.maxMs).Key("others").Bool(c.others).Close('}');
    }
    j.Close(']').Key("texts").Open('[');
    for (const Severity severity : {Severity::Error, Severity::Warning})
        for (const int id : f.KindOrder(severity)) {
            const KindInfo& k = f.catalog.kinds[id];
            j.Open('{').Field("severity", SeverityName(k.severity)).Field("text", k.folded).Field("example", k.example);
            j.Field("machines", k.machines).Field("entries", k.entries).Key("command");
            if (k.command == KindInfo::kSeveral) j.Str("several");
            else CommandJson(report, j, k.command);
            j.Close('}');
        }
    j.Close(']').Key("unfinished").Open('[');
    for (const auto& [id, group] : f.unfinished) {
        j.Open('{').Key("last_command");
        CommandJson(report, j, id);
        j.Field("machines", group.machines).Key("outcomes").Open('{');
        for (int o = 0; o < kOutcomeCount; ++o)
            if (group.outcomes[o] > 0) j.Field(OutcomeName(static_cast<Outcome>(o)), group.outcomes[o]);
        j.Close('}').Key("names").Open('[');
        for (const std::string& name : group.names) j.Str(name);
        j.Close(']').Close('}');
    }
    const RunTimes& t = f.runTimes;
    j.Close(']').Key("run_times").Open('{').Field("runs", t.runs).Field("median_ms", t.Percentile(0.5));
    j.Field("p90_ms", t.Percentile(0.9)).Field("min_ms", t.runs ? t.minMs : 0).Field("max_ms", t.maxMs);
    j.Field("mean_ms", t.runs ? t.totalMs / t.runs : 0).Key("classes").Open('[');
    for (std::size_t i = 0; i < t.classes.size(); ++i) {
        j.Open('{').Field("from_ms", i == 0 ? 0 : RunTimes::kEdgesMs[i - 1]);
        if (i < RunTimes::kEdgesMs.size()) j.Field("below_ms", RunTimes::kEdgesMs[i]);
        j.Field("runs", t.classes[i]).Close('}');
    }
    j.Close(']').Close('}').Key("notes").Open('[');
    for (const FileNote& n : f.notes) {
        j.Open('{').Field("text", n.text).Field("count", n.count).Key("files").Open('[');
        for (const std::string& file : n.files) j.Str(file);
        j.Close(']').Close('}');
    }
    j.Close(']');
    if (report.machine) MachineJson(report, *report.machine, j);
    j.Close('}');
    return j.Text();
}

// ---- CSV ----

std::string CsvHeader()
{
    return "file,outcome,runs,commands,repeated,errors,warnings,notices,last_command,first_error_command,first_error,"
           "run_ms,bytes\n";
}

std::string CsvRow(const MachineSummary& m, const Catalog& catalog)
{
    long long commands = 0, ms = 0;
    for (const RunSummary& run : m.runs) {
        commands += run.commands;
        ms += run.DurationMs();
    }
    const auto label = [&](int id) {
        return id >= 0 ? CommandLabel(catalog.commands[id], true) : id == kEndOfRun ? std::string("end of run") : std::string("start-up");
    };
    const EntryNote* firstError = nullptr;
    for (const EntryNote& n : m.notes)
        if (n.severity == Severity::Error && !firstError) firstError = &n;
    std::string row = CsvField(m.name) + "," + CsvField(OutcomeName(m.outcome)) + "," + std::to_string(m.runCount) + "," +
                      std::to_string(commands) + "," + std::to_string(m.repeated) + "," + std::to_string(m.errors) + "," +
                      std::to_string(m.warnings) + "," + std::to_string(m.notices) + "," +
                      CsvField(m.lastCommand >= 0 ? label(m.lastCommand) : "") + ",";
    row += firstError ? CsvField(label(firstError->command)) + "," + CsvField(firstError->text) : std::string(",");
    return row + "," + std::to_string(ms) + "," + std::to_string(m.bytes) + "\n";
}

}  // namespace se::logs
