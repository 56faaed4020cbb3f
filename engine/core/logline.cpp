#include "engine/core/logline.h"

#include <cstdio>
#include <optional>

#include "engine/core/text.h"

namespace se {

std::string FormatTimeStamp(int hour, int minute, int second, int millisecond)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%02d:%02d:%02d.%03d] ", hour, minute, second, millisecond);
    return stamp;
}

std::string FormatLogLine(std::string_view stamp, std::string_view program, std::string_view prefix,
                          std::string_view message)
{
    std::string line;
    line.reserve(stamp.size() + program.size() + prefix.size() + message.size() + 4);
    line.append(stamp).append(" ").append(program).append("> ").append(prefix).append(" ").append(message);
    return FitBuffer(line, kLogLineLimit + 1);
}

std::string FormatLogTextLine(std::string_view stamp, std::string_view text)
{
    std::string line;
    line.append(stamp).append(" ").append(text);
    return FitBuffer(line, kLogLineLimit + 1);
}

std::string WithTextModeLineEnds(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string_view LevelPrefix(int level)
{
    if (level == 0) return "FATAL-=-";
    if (level == 1) return "RECOVERABLE ERROR-=-";
    return "WARNING ERROR-=-";
}

std::string FormatCommandPrefix(int number, std::string_view name, int type, std::string_view fields)
{
    std::string prefix = "CMD" + std::to_string(number) + "> ";
    prefix.append(name).append(": ").append(std::to_string(type)).append(fields);
    return prefix;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An optional minus and up to 18 digits at the front of text; the view is
// advanced past them.
std::optional<long long> TakeNumber(std::string_view& text)
{
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    long long value = 0;
    const std::size_t first = i;
    for (; i < text.size() && IsDigit(text[i]) && i - first < 18; ++i) value = value * 10 + (text[i] - '0');
    if (i == first) return std::nullopt;
    text.remove_prefix(i);
    return first == 1 ? -value : value;
}

}  // namespace

std::optional<CommandPrefix> ParseCommandPrefix(std::string_view text)
{
    if (text.substr(0, 3) != "CMD") return std::nullopt;
    text.remove_prefix(3);
    const std::optional<long long> number = TakeNumber(text);
    if (!number || text.substr(0, 2) != "> ") return std::nullopt;
    text.remove_prefix(2);
    // No command name holds ": ", a field may.
    const std::size_t colon = text.find(": ");
    if (colon == std::string_view::npos) return std::nullopt;
    CommandPrefix command;
    command.number = *number;
    command.name = text.substr(0, colon);
    text.remove_prefix(colon + 2);
    const std::optional<long long> type = TakeNumber(text);
    if (!type) return std::nullopt;
    command.type = *type;
    // The entry's message is empty: the text ends in the blank before it.
    if (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    command.fields = text;
    return command;
}

const std::string_view kLogPrefixes[] = {"ERROR-=-",    "ERROR - ",  "Error-=-",  "WARNING-=-",
                                         "WARNINIG-=-", "WARINING",  "NOTICE-=-", "NOTICE:",
                                         "NOTICE: ",    "InitINIFile()", "InitCommandSection()", "**"};
const std::size_t kLogPrefixCount = sizeof kLogPrefixes / sizeof kLogPrefixes[0];

namespace {

// "[hh:mm:ss.mmm] " at the front of a line, with a valid time of day.
bool TakeStamp(std::string_view line, LogLineParts& parts)
{
    constexpr std::string_view kShape = "[00:00:00.000] ";
    if (line.size() < kShape.size()) return false;
    for (std::size_t i = 0; i < kShape.size(); ++i)
        if (kShape[i] == '0' ? !IsDigit(line[i]) : line[i] != kShape[i]) return false;
    const auto two = [&](std::size_t at) { return (line[at] - '0') * 10 + (line[at + 1] - '0'); };
    parts.hour = two(1);
    parts.minute = two(4);
    parts.second = two(7);
    parts.millisecond = two(10) * 10 + (line[12] - '0');
    return parts.hour < 24 && parts.minute < 60 && parts.second < 60;
}

// A program file name: what Windows allows in a file name, no folder.
bool IsProgramName(std::string_view name)
{
    if (name.empty()) return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    return true;
}

void SplitEntryText(LogLineParts& parts)
{
    const std::string_view text = parts.text;
    std::size_t cut = std::string_view::npos;
    for (const std::string_view prefix : kLogPrefixes)
        if (text.size() > prefix.size() && text.substr(0, prefix.size()) == prefix && text[prefix.size()] == ' ' &&
            (cut == std::string_view::npos || prefix.size() > cut))
            cut = prefix.size();
    if (cut == std::string_view::npos && ParseCommandPrefix(text) && text.back() == ' ') cut = text.size() - 1;
    if (cut == std::string_view::npos) cut = text.find(' ');
    // A text without a blank is a line cut at the buffer's end inside its prefix.
    if (cut == std::string_view::npos) cut = text.size();
    parts.prefix = text.substr(0, cut);
    parts.message = cut < text.size() ? text.substr(cut + 1) : std::string_view();
}

}  // namespace

LogLineParts ParseLogLine(std::string_view line)
{
    LogLineParts parts;
    parts.text = line;
    for (int level = 0; level <= 2; ++level) {
        const std::string_view prefix = LevelPrefix(level);
        if (line.substr(0, prefix.size()) == prefix) {
            parts.kind = LogLineKind::Level;
            parts.level = level;
            parts.text = line.substr(prefix.size());
            return parts;
        }
    }
    // The stamp ends in a blank, and the writers put another after it.
    if (!TakeStamp(line, parts) || line.size() < 16 || line[15] != ' ') return parts;
    const std::string_view rest = line.substr(16);
    const std::size_t mark = rest.find('>');
    if (mark != std::string_view::npos && mark + 1 < rest.size() && rest[mark + 1] == ' ' &&
        IsProgramName(rest.substr(0, mark))) {
        parts.kind = LogLineKind::Entry;
        parts.program = rest.substr(0, mark);
        parts.text = rest.substr(mark + 2);
        SplitEntryText(parts);
    } else {
        parts.kind = LogLineKind::Text;
        parts.text = rest;
    }
    return parts;
}

}  // namespace se
