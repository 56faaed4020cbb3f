#pragma once
// One machine's install log, read line by line into its runs, commands and
// entries. Nothing grows with the length of the log but what the caps below
// allow: the distinct commands and entry kinds live in a catalog shared by the
// whole fleet, and a machine keeps figures per command it ran.
#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/core/logline.h"
#include "setuplog/core/entries.h"

namespace se::logs {

// Commands that have run and texts of errors and warnings, each once for the
// whole fleet. A log full of invented commands or texts fills the catalog up
// to its cap; the rest are counted under one "(others)" row.
struct CommandInfo {
    std::string section, name, fields;
    long long number = 0, type = 0;
    long long base = LLONG_MIN;  // number of the section's first command, where a log showed it
    // Fleet figures: machines that ran it, had an error in it, stopped after it.
    long long ran = 0, failed = 0, restarted = 0, cut = 0, repeated = 0;
    long long executions = 0, totalMs = 0, maxMs = 0, errors = 0, warnings = 0;
    int scriptLine = 0;  // set from --script
    bool others = false;  // the row of the commands past the cap
};

struct KindInfo {
    std::string folded, example;
    Severity severity = Severity::None;
    long long machines = 0, entries = 0;
    int command = -1;  // where it was first met; kSeveral once met in several
    bool others = false;
    static constexpr int kSeveral = -3;
};

class Catalog {
public:
    static constexpr std::size_t kMaxCommands = 4000, kMaxKinds = 4000;
    int Command(const std::string& section, const CommandPrefix& command);
    int Kind(const std::string& folded, std::string_view example, Severity severity, int command);
    std::vector<CommandInfo> commands;
    std::vector<KindInfo> kinds;

private:
    std::unordered_map<std::string, int> commandIds_, kindIds_;
};

// Whole-run times: exact counts in coarse classes for the charts, and classes
// 5% apart for the median and the 90th percentile.
struct RunTimes {
    static constexpr std::array<long long, 12> kEdgesMs = {1000, 2000, 5000, 10000, 30000, 60000, 120000,
                                                           300000, 600000, 1800000, 3600000, 7200000};
    std::array<long long, kEdgesMs.size() + 1> classes{};
    std::vector<long long> fine;
    long long runs = 0, totalMs = 0, minMs = LLONG_MAX, maxMs = 0;
    void Add(long long ms);
    long long Percentile(double p) const;
};

enum class RunEnd { CutOff, Done, Restart, StartupFailed };
enum class Outcome { Finished, Restart, CutOff, StartupFailed, NoRun };
std::string_view RunEndName(RunEnd end);
std::string_view OutcomeName(Outcome outcome);
constexpr int kOutcomeCount = 5;

// Where an entry belongs when no command has it.
constexpr int kStartUp = -1, kEndOfRun = -2;

struct SectionSpan {
    std::string section;
    long long firstNumber = 0, lastNumber = 0, startMs = 0, endMs = 0;
};

struct RunSummary {
    int index = 0;                 // 1 for the log's first run
    long long firstLine = 0;
    bool banner = false;           // false: the log begins inside this run
    bool resumed = false;
    RunEnd end = RunEnd::CutOff;
    long long startMs = -1, lastMs = -1;        // from the run's first day's midnight
    long long firstCommandMs = -1, endPhaseMs = -1;
    long long startStamp = -1;                  // time of day of the first stamp
    std::vector<SectionSpan> sections;          // at most kMaxSpans
    long long commands = 0, repeated = 0, errors = 0, warnings = 0, notices = 0;
    int lastCommand = kStartUp;
    long long DurationMs() const { return startMs < 0 ? 0 : lastMs - startMs; }
};

struct EntryNote {
    Severity severity = Severity::None;
    int run = 0, command = kStartUp;
    long long line = 0, ms = 0;
    std::string text;  // continuation lines joined with " | "
};

struct MachineCommand {
    long long executions = 0, totalMs = 0, maxMs = 0, errors = 0, warnings = 0, notices = 0;
    int lastRun = 0;
    bool repeated = false, restarted = false, cut = false;
};

struct MachineSummary {
    static constexpr std::size_t kMaxRuns = 1000, kMaxNotes = 1000, kMaxSpans = 200;
    std::string name;
    long long bytes = 0, lines = 0, runCount = 0;
    std::vector<RunSummary> runs;      // the first kMaxRuns
    std::vector<EntryNote> notes;      // errors and warnings, the first kMaxNotes
    long long errors = 0, warnings = 0, notices = 0, repeated = 0;
    Outcome outcome = Outcome::NoRun;
    int lastCommand = kStartUp;
    std::unordered_map<int, MachineCommand> commands;
    std::unordered_map<int, long long> kinds;  // entries per kind
    std::vector<std::string> damage;           // what was wrong with the file itself
    long long damagedLines = 0, cutLines = 0;
};

class MachineScan {
public:
    MachineScan(Catalog& catalog, RunTimes& times, std::string name);
    // One line without its line end, numbered from 1. Lines over the reader's
    // cap arrive cut, with their whole length.
    void Line(std::string_view line, long long number, std::size_t fullLength);
    MachineSummary Finish(long long bytes);

private:
    void StartRun(long long line, bool banner);
    void EndRun();
    void Stamp(long long msOfDay);
    void Command(const CommandPrefix& command);
    void CloseCommand(long long atMs);
    void EnterEndPhase();
    void Entry(const LogLineParts& parts, Severity severity, long long number);
    void FlushPending();
    RunSummary& Run() { return current_; }

    Catalog& catalog_;
    RunTimes& times_;
    MachineSummary m_;
    RunSummary current_;
    bool inRun_ = false, pendingStart_ = false, inEndPhase_ = false;
    long long pendingLine_ = 0, pendingMs_ = -1;
    long long dayOffset_ = 0, nowMs_ = -1;
    int command_ = kStartUp;
    int cleanStart_ = 0;  // the run that began the installation the log now follows
    long long commandStartMs_ = -1;
    std::string section_;
    bool sectionFresh_ = false, startupFailed_ = false;
    std::unordered_map<std::string, long long> sectionBase_;
    // The error or warning whose continuation lines may follow.
    bool pending_ = false;
    EntryNote pendingNote_;
};

}  // namespace se::logs
