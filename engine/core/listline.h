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

// The keys of command n in [Commands]: "Cmd7" its type, "FullCmdSection7"
// the line from its first comma on, "CmdSection7.2" its field 2.
std::string TypeKey(int n);
std::string FullLineKey(int n);
std::string FieldKey(int n, int field);

// Nothing for a line that is empty once cut at its first semicolon and trimmed:
// such a line takes no command number.
std::optional<CompiledLine> CompileListLine(std::string_view line);

// One key of a profile section and its value.
struct ProfileKey {
    std::string name, value;
};

// The keys of command n, in the order a compile writes them.
void AppendCompiledKeys(int n, const CompiledLine& line, std::vector<ProfileKey>& keys);

// The lines ("name=value") of a section after the keys have been written into
// it one by one: a key already there (names compared without regard to case)
// takes the new value in its place and keeps its spelling, a new key goes to
// the end in the order given.
std::vector<std::string> MergeSectionKeys(std::vector<std::string> lines, const std::vector<ProfileKey>& keys);

// Whether a section that a read gave no lines of is known to be absent: the
// list of the file's section names was read and does not hold it. Otherwise
// the read may have failed, and a whole-section write made from it would lose
// every key the section holds.
bool SectionKnownAbsent(const std::optional<std::vector<std::string>>& sectionNames, std::string_view section);

// Lines as a list of texts each ended by a terminator, the list ended by an
// empty text: the form a whole-section write takes.
std::string SectionListText(const std::vector<std::string>& lines);

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
