// Checks of values any family may hold: a ";" the engine keeps in a value,
// and a file a script brings along that is not beside it.
#include "checker/checker.h"
#include "commands/core/program_text.h"
#include "engine/core/text.h"

namespace se {
namespace {

// The files a command line may start: a quoted program, each text before a
// blank the system tries, or the line as it stands.
std::vector<std::string> ProgramFiles(const std::string& commandLine)
{
    if (!commandLine.empty() && commandLine[0] == '"') return {commandLine.substr(1, commandLine.find('"', 1) - 1)};
    std::vector<std::string> files;
    for (const ProgramCandidate& p : ProgramCandidates(commandLine)) files.push_back(p.file);
    if (files.empty()) files.push_back(commandLine);
    return files;
}

}  // namespace

// The profile functions and the section reads keep a ";" inside a value: only
// a line that begins with one is a comment. A ";" that opens a value is that
// value (command 17's "Message2=;" is an empty line), and one inside a value
// wholly in quotes is meant; one after a blank reads as a comment and is not.
std::optional<std::size_t> TrailingComment(std::string_view value)
{
    if (value.empty() || value.front() == ';') return std::nullopt;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return std::nullopt;
    for (std::size_t i = 1; i < value.size(); ++i)
        if (value[i] == ';' && (value[i - 1] == ' ' || value[i - 1] == '\t')) return i;
    return std::nullopt;
}

// The key=value lines of a section the engine reads key by key; each section once.
void Checker::CheckValueComments(const ScriptSection& s)
{
    if (!commentsChecked_.insert(&s).second) return;
    for (const ScriptLine& line : s.lines) {
        const std::size_t eq = line.text.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Trimmed(std::string_view(line.text).substr(0, eq));
        const std::string value = Trimmed(std::string_view(line.text).substr(eq + 1));
        if (!ReadAsInteger(key) && TrailingComment(value))
            Warning(line.number, Bracketed(s.name) + " " + key + " reads as " + Quoted(value) +
                                     ": a \";\" after a value starts no comment, the engine keeps it in the value");
    }
}

// A line of a section the engine reads line by line and splits itself.
void Checker::CheckLineComment(const ScriptLine& line)
{
    if (TrailingComment(line.text))
        Warning(line.number, "a \";\" after a value starts no comment in these lines: the engine reads " +
                                 Quoted(line.text) + " whole");
}

// ~%C001 is the engine's folder, which is the script's when the engine is
// started with the script's name; a file named there and not beside the
// script is missing unless the medium the engine runs from differs.
void Checker::CheckPayload(std::string_view source, int line, bool commandLine, const char* effect)
{
    if (!EqualsNoCase(Trimmed(source).substr(0, 6), "~%C001")) return;
    const std::optional<std::string> path = ExpandFixed(Trimmed(source), true);
    if (!path) return;
    const std::vector<std::string> files = commandLine ? ProgramFiles(*path) : std::vector<std::string>{*path};
    for (const std::string& file : files)
        if (exists_(file)) return;
    Warning(line, Quoted(Trimmed(source)) + ": " + Quoted(files.back()) + " is missing beside the script; unless "
                  "the medium holds it, " + effect);
}

}  // namespace se
