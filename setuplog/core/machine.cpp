#include "setuplog/core/machine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace se::logs {

namespace {

constexpr long long kDayMs = 24LL * 3600 * 1000;
// Longer texts of one entry (its continuation lines included) are cut.
constexpr std::size_t kNoteLimit = 1000;

long long MsOfDay(const LogLineParts& p) { return ((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.millisecond; }

bool IsEmptyEntry(const LogLineParts& p) { return p.kind == LogLineKind::Entry && (p.text == " " || p.text.empty()); }

}  // namespace

int Catalog::Command(const std::string& section, const CommandPrefix& command)
{
    std::string key = section;
    key.append("\n").append(std::to_string(command.number)).append("\n").append(std::to_string(command.type));
    key.append(command.fields).append("\n").append(command.name);
    if (const auto found = commandIds_.find(key); found != commandIds_.end()) return found->second;
    if (commands.size() + 1 >= kMaxCommands) {
        key = "\n(others)";
        if (const auto found = commandIds_.find(key); found != commandIds_.end()) return found->second;
        CommandInfo others;
        others.name = "(other commands)";
        others.others = true;
        commands.push_back(others);
    } else {
        CommandInfo info;
        info.section = section;
        info.name = std::string(command.name);
        info.fields = std::string(command.fields);
        info.number = command.number;
        info.type = command.type;
        commands.push_back(std::move(info));
    }
    return commandIds_[key] = static_cast<int>(commands.size() - 1);
}

int Catalog::Kind(const std::string& folded, std::string_view example, Severity severity, int command)
{
    std::string key = std::string(SeverityName(severity)) + "\n" + folded;
    auto found = kindIds_.find(key);
    if (found == kindIds_.end() && kinds.size() + 1 >= kMaxKinds) {
        key = "\n(others)";
        found = kindIds_.find(key);
        if (found == kindIds_.end()) {
            KindInfo others;
            others.folded = "(other texts)";
            others.others = true;
            others.severity = severity;
            kinds.push_back(others);
            found = kindIds_.emplace(key, static_cast<int>(kinds.size() - 1)).first;
        }
    }
    if (found == kindIds_.end()) {
        KindInfo info;
        info.folded = folded;
        info.example = std::string(example);
        info.severity = severity;
        info.command = command;
        kinds.push_back(std::move(info));
        return kindIds_[key] = static_cast<int>(kinds.size() - 1);
    }
    KindInfo& kind = kinds[found->second];
    if (kind.command != command) kind.command = KindInfo::kSeveral;
    return found->second;
}

void RunTimes::Add(long long ms)
{
    ms = std::max(0LL, ms);
    ++runs;
    totalMs += ms;
    minMs = std::min(minMs, ms);
    maxMs = std::max(maxMs, ms);
    ++classes[std::upper_bound(kEdgesMs.begin(), kEdgesMs.end(), ms) - kEdgesMs.begin()];
    // Class i holds up to 10 ms * 1.05^(i+1); 600 classes reach beyond a year.
    const auto index = static_cast<std::size_t>(
        std::min(599.0, std::max(0.0, std::floor(std::log(std::max(ms, 10LL) / 10.0) / std::log(1.05)))));
    if (fine.size() <= index) fine.resize(index + 1);
    ++fine[index];
}

long long RunTimes::Percentile(double p) const
{
    if (runs == 0) return 0;
    const auto wanted = static_cast<long long>(std::ceil(p * static_cast<double>(runs)));
    long long seen = 0;
    for (std::size_t i = 0; i < fine.size(); ++i) {
        seen += fine[i];
        if (seen >= wanted) {
            const auto upper = static_cast<long long>(10.0 * std::pow(1.05, static_cast<double>(i + 1)));
            return std::clamp(upper, minMs, maxMs);
        }
    }
    return maxMs;
}

std::string_view RunEndName(RunEnd end)
{
    switch (end) {
    case RunEnd::Done: return "done";
    case RunEnd::Restart: return "stopped for a restart";
    case RunEnd::StartupFailed: return "start-up failed";
    default: return "cut off";
    }
}

std::string_view OutcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Finished: return "finished";
    case Outcome::Restart: return "stopped for a restart";
    case Outcome::CutOff: return "cut off";
    case Outcome::StartupFailed: return "start-up failed";
    default: return "no run";
    }
}

MachineScan::MachineScan(Catalog& catalog, RunTimes& times, std::string name) : catalog_(catalog), times_(times)
{
    m_.name = std::move(name);
}

void MachineScan::Line(std::string_view line, long long number, std::size_t fullLength)
{
    m_.lines = number;
    if (fullLength > line.size() && m_.cutLines++ == 0)
        m_.damage.push_back("line " + std::to_string(number) + " is " + std::to_string(fullLength) +
                            " bytes long: only its first " + std::to_string(line.size()) + " were read");
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Zero bytes: a file system that lost the end of the file at a power cut.
    if (std::memchr(line.data(), '\0', line.size()) != nullptr) {
        FlushPending();
        if (m_.damagedLines++ == 0) m_.damage.push_back("line " + std::to_string(number) + " holds zero bytes");
        return;
    }
    const LogLineParts parts = ParseLogLine(line);
    if (parts.kind == LogLineKind::Other) {
        // The rest of a message that held a line feed.
        if (pending_ && pendingNote_.text.size() < kNoteLimit) {
            while (!pendingNote_.text.empty() && pendingNote_.text.back() == ' ') pendingNote_.text.pop_back();
            pendingNote_.text.append(" | ").append(line.substr(0, kNoteLimit - pendingNote_.text.size()));
        }
        return;
    }
    FlushPending();
    if (parts.kind != LogLineKind::Level) {
        const long long ms = MsOfDay(parts);
        if (IsEmptyEntry(parts)) {
            // Each run begins with an empty entry, and the banner follows it.
            pendingStart_ = true;
            pendingLine_ = number;
            pendingMs_ = ms;
            return;
        }
        if (parts.kind == LogLineKind::Entry && IsRunBanner(parts.text)) {
            StartRun(pendingStart_ ? pendingLine_ : number, true);
            if (pendingStart_) Stamp(pendingMs_);
        }
        pendingStart_ = false;
        if (!inRun_) StartRun(number, false);
        Stamp(ms);
    } else if (!inRun_) {
        StartRun(number, false);
    }

    if (parts.kind == LogLineKind::Entry) {
        if (const std::optional<CommandPrefix> command = ParseCommandPrefix(parts.text)) return Command(*command);
        if (IsResume(parts)) current_.resumed = true;
        if (SectionNamed(parts, section_, sectionFresh_)) {
        } else if (IsEndOfList(parts.text)) {
            EnterEndPhase();
        } else if (const int done = DoneKind(parts)) {
            EnterEndPhase();
            current_.end = done == 2 ? RunEnd::Restart : RunEnd::Done;
        } else if (IsStartupFailure(parts)) {
            startupFailed_ = true;
        }
    }
    if (IsDriverRemoval(parts) && current_.commands > 0) EnterEndPhase();
    const Severity severity = SeverityOf(parts);
    if (severity != Severity::None) Entry(parts, severity, number);
}

void MachineScan::StartRun(long long line, bool banner)
{
    EndRun();
    current_ = RunSummary{};
    current_.index = static_cast<int>(m_.runCount) + 1;
    current_.firstLine = line;
    current_.banner = banner;
    inRun_ = true;
    inEndPhase_ = startupFailed_ = sectionFresh_ = false;
    command_ = kStartUp;
    commandStartMs_ = -1;
    dayOffset_ = 0;
    nowMs_ = -1;
    section_.clear();
}

void MachineScan::Stamp(long long msOfDay)
{
    long long t = msOfDay + dayOffset_;
    if (nowMs_ >= 0 && t < nowMs_) {
        // Half a day backwards is midnight; less is a clock set back, taken
        // as no time at all.
        const long long back = nowMs_ - t;
        dayOffset_ += back > kDayMs / 2 ? kDayMs : back;
        t = msOfDay + dayOffset_;
    }
    nowMs_ = t;
    current_.lastMs = t;
    if (current_.startMs < 0) {
        current_.startMs = t;
        current_.startStamp = msOfDay;
    }
}

void MachineScan::Command(const CommandPrefix& command)
{
    inEndPhase_ = false;
    CloseCommand(nowMs_);
    const int id = catalog_.Command(section_, command);
    if (sectionFresh_) sectionBase_[section_] = command.number;
    sectionFresh_ = false;
    CommandInfo& info = catalog_.commands[id];
    if (info.base == LLONG_MIN && !info.others)
        if (const auto base = sectionBase_.find(section_); base != sectionBase_.end()) info.base = base->second;

    MachineCommand& mc = m_.commands[id];
    ++mc.executions;
    // A clean start begins the installation again; a resumed run that runs a
    // command an earlier run of the same installation ran repeats it.
    if (current_.commands == 0 && !current_.resumed) cleanStart_ = current_.index;
    if (current_.resumed && mc.lastRun >= cleanStart_ && mc.lastRun != 0 && mc.lastRun != current_.index) {
        mc.repeated = true;
        ++current_.repeated;
        ++m_.repeated;
    }
    mc.lastRun = current_.index;
    command_ = id;
    commandStartMs_ = nowMs_;
    ++current_.commands;
    current_.lastCommand = m_.lastCommand = id;
    if (current_.firstCommandMs < 0) current_.firstCommandMs = nowMs_;

    std::vector<SectionSpan>& spans = current_.sections;
    if (!spans.empty() && spans.back().section == section_) {
        spans.back().lastNumber = command.number;
    } else if (spans.size() < MachineSummary::kMaxSpans) {
        spans.push_back({section_, command.number, command.number, nowMs_, nowMs_});
    }
}

void MachineScan::CloseCommand(long long atMs)
{
    if (command_ < 0 || commandStartMs_ < 0 || atMs < 0) return;
    const long long ms = atMs - commandStartMs_;
    MachineCommand& mc = m_.commands[command_];
    mc.totalMs += ms;
    mc.maxMs = std::max(mc.maxMs, ms);
    if (!current_.sections.empty()) current_.sections.back().endMs = atMs;
    commandStartMs_ = -1;
}

void MachineScan::EnterEndPhase()
{
    if (inEndPhase_) return;
    CloseCommand(nowMs_);
    inEndPhase_ = true;
    current_.endPhaseMs = nowMs_;
}

void MachineScan::Entry(const LogLineParts& parts, Severity severity, long long number)
{
    const int target = inEndPhase_ ? kEndOfRun : command_;
    MachineCommand* mc = target >= 0 ? &m_.commands[target] : nullptr;
    if (severity == Severity::Notice) {
        ++m_.notices;
        ++current_.notices;
        if (mc) ++mc->notices;
        return;
    }
    const bool error = severity == Severity::Error;
    ++(error ? m_.errors : m_.warnings);
    ++(error ? current_.errors : current_.warnings);
    if (mc) ++(error ? mc->errors : mc->warnings);
    // The level writer's lines carry no stamp: the entry is as old as the last one.
    pending_ = true;
    pendingNote_ = EntryNote{severity, current_.index, target, number, nowMs_, {}};
    if (parts.kind == LogLineKind::Level) pendingNote_.text = std::string(LevelPrefix(parts.level));
    pendingNote_.text.append(parts.text.substr(0, kNoteLimit));
}

void MachineScan::FlushPending()
{
    if (!pending_) return;
    pending_ = false;
    const int kind = catalog_.Kind(FoldedText(pendingNote_.text), pendingNote_.text, pendingNote_.severity,
                                   pendingNote_.command);
    ++m_.kinds[kind];
    if (m_.notes.size() < MachineSummary::kMaxNotes) m_.notes.push_back(std::move(pendingNote_));
}

void MachineScan::EndRun()
{
    FlushPending();
    if (!inRun_) return;
    inRun_ = false;
    if (!inEndPhase_) CloseCommand(nowMs_);
    if (current_.end == RunEnd::CutOff && startupFailed_ && current_.commands == 0) current_.end = RunEnd::StartupFailed;
    if (current_.lastCommand >= 0) {
        MachineCommand& mc = m_.commands[current_.lastCommand];
        if (current_.end == RunEnd::Restart) mc.restarted = true;
        if (current_.end == RunEnd::CutOff) mc.cut = true;
    }
    if ((current_.end == RunEnd::Done || current_.end == RunEnd::Restart) && current_.startMs >= 0)
        times_.Add(current_.DurationMs());
    static constexpr Outcome kOutcomes[] = {Outcome::CutOff, Outcome::Finished, Outcome::Restart, Outcome::StartupFailed};
    m_.outcome = kOutcomes[static_cast<int>(current_.end)];
    ++m_.runCount;
    if (m_.runs.size() < MachineSummary::kMaxRuns) m_.runs.push_back(std::move(current_));
}

MachineSummary MachineScan::Finish(long long bytes)
{
    EndRun();
    m_.bytes = bytes;
    return std::move(m_);
}

}  // namespace se::logs
