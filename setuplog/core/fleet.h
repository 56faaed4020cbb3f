#pragma once
// The figures of many machines together: per command, per error text, per
// outcome, and the machines that never finished by the last command they
// reached. A machine's summary is added and dropped; what stays is bounded by
// the catalog's caps and a few names per group.
#include <array>
#include <map>
#include <string>
#include <vector>

#include "setuplog/core/entries.h"
#include "setuplog/core/machine.h"

namespace se::logs {

struct UnfinishedGroup {
    static constexpr std::size_t kMaxNames = 20;
    long long machines = 0;
    std::array<long long, kOutcomeCount> outcomes{};
    std::vector<std::string> names;  // the first kMaxNames
};

// Notes about the files themselves, alike ones together: "line # holds zero bytes".
struct FileNote {
    static constexpr std::size_t kMaxFiles = 5;
    std::string text;                // the first one's
    std::vector<std::string> files;  // the first kMaxFiles
    long long count = 0;
};

struct Fleet {
    static constexpr std::size_t kMaxNotes = 50;
    Catalog catalog;
    RunTimes runTimes;
    long long logs = 0, runs = 0, bytes = 0, lines = 0, skipped = 0, errors = 0, warnings = 0, repeated = 0;
    std::array<long long, kOutcomeCount> outcomes{};
    std::map<int, UnfinishedGroup> unfinished;  // by last command (kStartUp: none ran)
    std::vector<FileNote> notes;                // the first kMaxNotes kinds
    long long noteCount = 0;

    void Add(const MachineSummary& machine);
    void Skip(const std::string& file, const std::string& why);
    void Note(const std::string& file, const std::string& text);

private:
    std::map<std::string, std::size_t> noteKinds_;

public:

    // Commands in the order a run meets them; kinds most widespread first.
    std::vector<int> CommandOrder() const;
    std::vector<int> KindOrder(Severity severity) const;
};

// "1.25 s", "3 min 20 s", "2 h 05 min".
std::string FormatMs(long long ms);
// "CMD5 20" or "CMD2 15,Files" with its section when it has one.
std::string CommandLabel(const CommandInfo& command, bool withSection);

}  // namespace se::logs
