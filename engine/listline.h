#pragma once
// Compilation of one line of a command list into the keys of [Commands].
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace se {

struct CompiledLine {
    std::string type;                 // Cmd<N>: the text before the first comma
    std::string full;                 // FullCmdSection<N>: from the first comma on, comma included
    bool hasFields = false;           // the line has a comma, so CmdSection<N>.<M> keys are written
    std::vector<std::string> fields;  // CmdSection<N>.0, .1, ...
};

// Nothing for a line that is empty once cut at its first semicolon and trimmed:
// such a line takes no command number.
std::optional<CompiledLine> CompileListLine(std::string_view line);

// Command-line handling of start-up.
std::string ScriptNameFromCommandLine(std::string_view commandLine);
struct Options {
    bool silent = false, noReboot = false, resume = false;
};
Options FindOptions(std::string_view commandLine);

// Splits at the last backslash: directory without the backslash, and file name.
struct SplitResult {
    std::string directory, fileName;
};
SplitResult SplitPathText(std::string_view path);

}  // namespace se
