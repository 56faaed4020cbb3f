#pragma once
// Formatting of install-log lines.
#include <optional>
#include <string>
#include <string_view>

namespace se {

// A log line is built in a 512-byte buffer: at most this many characters.
constexpr std::size_t kLogLineLimit = 511;

// "[hh:mm:ss.mmm] ", with the trailing blank.
std::string FormatTimeStamp(int hour, int minute, int second, int millisecond);

// Time stamp, blank, program file name, "> ", prefix, blank, message.
std::string FormatLogLine(std::string_view stamp, std::string_view program, std::string_view prefix,
                          std::string_view message);

// Time stamp, blank, text.
std::string FormatLogTextLine(std::string_view stamp, std::string_view text);

// The log is a text file: every line feed written, one inside a message
// included, reaches the disk as CR LF.
std::string WithTextModeLineEnds(std::string_view text);

// Prefix of the level writer: 0 fatal, 1 recoverable, any other a warning.
std::string_view LevelPrefix(int level);

// The prefix of the entry the loop writes before each command, whose message
// is empty: "CMD<n>> <name>: <type><fields>", the fields being FullCmdSection<n>
// (from the list line's first comma on).
std::string FormatCommandPrefix(int number, std::string_view name, int type, std::string_view fields);

struct CommandPrefix {
    long long number = 0;
    std::string_view name;    // empty for a type outside the table
    long long type = 0;
    std::string_view fields;
};
// Also takes the entry's whole text (prefix, blank, empty message) and a line
// cut inside the fields.
std::optional<CommandPrefix> ParseCommandPrefix(std::string_view text);

// A log line taken apart again: the reading side of the writers above, so the
// engine and whatever reads its logs agree on one definition.
enum class LogLineKind {
    Entry,  // WriteLog: time stamp, blank, program file name, "> ", prefix, blank, message
    Text,   // WriteLogText: time stamp, blank, text
    Level,  // WriteLogLevel: a level prefix directly followed by a text; no time stamp
    Other,  // no writer's form: the rest of a message that held a line feed, or damage
};

struct LogLineParts {
    LogLineKind kind = LogLineKind::Other;
    int hour = 0, minute = 0, second = 0, millisecond = 0;  // Entry and Text
    std::string_view program;  // Entry
    // Entry: prefix, blank, message. Text: the text. Level: what follows the
    // level prefix. Other: the whole line.
    std::string_view text;
    // Entry only. The prefix is the longest of the vocabulary (kLogPrefixes)
    // that the text begins with, followed by a blank; else a command's prefix;
    // else the text up to its first blank. A writer may have passed more as
    // its prefix ("NOTICE: adjusting token privilege for :"): the split differs
    // then, the line does not, and formatting the parts gives the line again.
    std::string_view prefix, message;
    int level = -1;  // Level: 0, 1 or 2, as LevelPrefix names them
};

// The prefixes that carry a severity or name a start-up step.
extern const std::string_view kLogPrefixes[];
extern const std::size_t kLogPrefixCount;

// A line without its line end (a trailing CR is part of the line).
LogLineParts ParseLogLine(std::string_view line);

}  // namespace se
