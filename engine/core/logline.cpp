#include "engine/core/logline.h"

#include <cstdio>

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

}  // namespace se
