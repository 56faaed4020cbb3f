#pragma once
// A script read the way the private-profile functions read it, with the line
// number of every line kept for the findings.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace se {

struct ScriptLine {
    std::string text;  // trimmed, as a whole-section read returns it
    int number = 0;    // 1-based line of the file
};

struct ScriptSection {
    std::string name;
    int headerLine = 0;
    std::vector<ScriptLine> lines;  // blank lines and ";" comment lines are not returned by a section read
    std::size_t readSize = 0;       // bytes of a whole-section read: every line and its terminator, and the final one
    // The line of each key, by its name in lower case: the first of two
    // lines with one key is the one the profile functions read.
    std::unordered_map<std::string, std::size_t> keyLines;
};

class ScriptText {
public:
    static ScriptText Parse(std::string_view fileText);

    // Section names are compared without regard to case; the first of two
    // sections of one name is the one the profile functions read.
    const ScriptSection* Find(std::string_view name) const;
    // A section that is missing or has no lines reads as nothing.
    const ScriptSection* FindWithLines(std::string_view name) const;
    const std::vector<ScriptSection>& Sections() const { return sections_; }

private:
    std::vector<ScriptSection> sections_;
    // Built once, so that a script of thousands of commands, each looking
    // up its sections and keys, is checked in linear time.
    std::unordered_map<std::string, std::size_t> sectionAt_;
};

// Key=value lines of a section: key and value trimmed, a value enclosed in a
// pair of single or double quotation marks loses them.
struct KeyValue {
    std::string key, value;
    int number = 0;
};
std::optional<KeyValue> FindKey(const ScriptSection& section, std::string_view key);
KeyValue SplitKeyLine(const ScriptLine& line);
// Names folded as the profile functions compare them.
std::string FoldedName(std::string_view name);

}  // namespace se
