#include "commands/core/program_text.h"

#include <algorithm>
#include <climits>

#include "engine/core/text.h"

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

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The file the system starts for the text `name`, or nothing when it starts
// none: ".exe" is added when the last part has no extension.
std::optional<std::string> ProgramFile(std::string_view name)
{
    const std::size_t slash = name.find_last_of("\\/");
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    const std::size_t dot = last.rfind('.');
    if (dot == std::string_view::npos) return std::string(name) + ".exe";
    if (EqualsNoCase(last.substr(dot), ".exe")) return std::string(name);
    return std::nullopt;
}

}  // namespace

std::vector<ProgramCandidate> ProgramCandidates(std::string_view commandLine)
{
    std::vector<ProgramCandidate> candidates;
    if (commandLine.empty() || commandLine.front() == '"') return candidates;
    if (std::find_if(commandLine.begin(), commandLine.end(), IsBlank) == commandLine.end()) return candidates;
    for (std::size_t length = commandLine.size(); length > 0; --length) {
        // A text ends where a blank follows it; runs of blanks give one text.
        const bool ends = length == commandLine.size() || IsBlank(commandLine[length]);
        if (!ends || IsBlank(commandLine[length - 1])) continue;
        if (std::optional<std::string> file = ProgramFile(commandLine.substr(0, length)))
            candidates.push_back({length, std::move(*file)});
    }
    return candidates;
}

std::string QuoteProgram(std::string_view commandLine, const ProgramCandidate& program)
{
    return "\"" + program.file + "\"" + std::string(commandLine.substr(program.length));
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
