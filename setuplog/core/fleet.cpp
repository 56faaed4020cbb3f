#include "setuplog/core/fleet.h"

#include <algorithm>
#include <numeric>

namespace se::logs {

void Fleet::Add(const MachineSummary& machine)
{
    ++logs;
    runs += machine.runCount;
    bytes += machine.bytes;
    lines += machine.lines;
    errors += machine.errors;
    warnings += machine.warnings;
    repeated += machine.repeated;
    ++outcomes[static_cast<int>(machine.outcome)];
    for (const auto& [id, mc] : machine.commands) {
        CommandInfo& c = catalog.commands[id];
        ++c.ran;
        c.failed += mc.errors > 0;
        c.restarted += mc.restarted;
        c.cut += mc.cut;
        c.repeated += mc.repeated;
        c.executions += mc.executions;
        c.totalMs += mc.totalMs;
        c.maxMs = std::max(c.maxMs, mc.maxMs);
        c.errors += mc.errors;
        c.warnings += mc.warnings;
    }
    for (const auto& [id, count] : machine.kinds) {
        ++catalog.kinds[id].machines;
        catalog.kinds[id].entries += count;
    }
    if (machine.outcome != Outcome::Finished) {
        UnfinishedGroup& group = unfinished[machine.lastCommand];
        ++group.machines;
        ++group.outcomes[static_cast<int>(machine.outcome)];
        if (group.names.size() < UnfinishedGroup::kMaxNames) group.names.push_back(machine.name);
    }
    for (const std::string& d : machine.damage) Note(machine.name, d);
}

void Fleet::Skip(const std::string& file, const std::string& why)
{
    ++skipped;
    Note(file, "skipped: " + why);
}

void Fleet::Note(const std::string& file, const std::string& text)
{
    ++noteCount;
    const std::string kind = FoldedText(text);
    auto found = noteKinds_.find(kind);
    if (found == noteKinds_.end()) {
        if (notes.size() >= kMaxNotes) return;
        found = noteKinds_.emplace(kind, notes.size()).first;
        notes.push_back({text, {}, 0});
    }
    FileNote& note = notes[found->second];
    if (note.files.size() < FileNote::kMaxFiles) note.files.push_back(file);
    ++note.count;
}

std::vector<int> Fleet::CommandOrder() const
{
    std::vector<int> order(catalog.commands.size());
    std::iota(order.begin(), order.end(), 0);
    const auto& c = catalog.commands;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (c[a].others != c[b].others) return c[b].others;
        if (c[a].number != c[b].number) return c[a].number < c[b].number;
        return c[a].ran > c[b].ran;
    });
    return order;
}

std::vector<int> Fleet::KindOrder(Severity severity) const
{
    std::vector<int> order;
    for (std::size_t i = 0; i < catalog.kinds.size(); ++i)
        if (catalog.kinds[i].severity == severity && catalog.kinds[i].entries > 0) order.push_back(static_cast<int>(i));
    const auto& k = catalog.kinds;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (k[a].machines != k[b].machines) return k[a].machines > k[b].machines;
        return k[a].entries > k[b].entries;
    });
    return order;
}

std::string FormatMs(long long ms)
{
    const auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    if (ms < 60000) {
        const long long hundredths = (ms + 5) / 10;
        return std::to_string(hundredths / 100) + "." + two(hundredths % 100) + " s";
    }
    const long long s = (ms + 500) / 1000;
    if (s < 3600) return std::to_string(s / 60) + " min " + two(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + two(s / 60 % 60) + " min";
}

std::string CommandLabel(const CommandInfo& command, bool withSection)
{
    if (command.others) return command.name;
    std::string label = "CMD" + std::to_string(command.number) + " " + std::to_string(command.type) + command.fields;
    if (withSection && !command.section.empty()) label = "[" + command.section + "] " + label;
    return label;
}

}  // namespace se::logs
