#include "commands/core/program_text.h"

#include <climits>

#include "engine/text.h"

namespace se {

std::optional<std::string> ProgramWorkingDirectory(std::string_view commandLine)
{
    std::string_view program = commandLine;
    if (!program.empty() && program.front() == '"') {
        program.remove_prefix(1);
        program = program.substr(0, program.find('"'));
    } else {
        program = program.substr(0, program.find(' '));
    }
    const std::size_t slash = program.rfind('\\');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string directory(program.substr(0, slash));
    if (directory.size() == 2 && directory[1] == ':') directory += '\\';
    return directory;
}

int PauseMilliseconds(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > INT_MAX) {
            value = INT_MAX;
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

bool AppendMessageLine(std::string& text, std::string_view value)
{
    if (value.empty()) return false;
    if (value.front() == ';') value = {};
    if (EqualsNoCase(value, "NO TEXT")) return false;
    text.append(value).append("\n");
    return true;
}

}  // namespace se
