#pragma once
// Formatting of install-log lines.
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

}  // namespace se
