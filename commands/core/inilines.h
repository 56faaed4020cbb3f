#pragma once
// The lines of the parameter sections of commands 26 and 27: "section, key,
// value" and "key, value". The last field is everything after the comma
// before it, further commas included.
#include <string>
#include <string_view>
#include <vector>

namespace se {

enum class IniLineFault {
    None,
    Comment,        // begins with ";": skipped without an entry
    MissingComma,   // shown: the whole line, or the text before the only comma
    NoSection,      // shown: the section field, empty
    NoKey,          // shown: the section field (command 26) or the empty key field (27)
};

struct IniEditLine {
    IniLineFault fault = IniLineFault::None;
    std::string shown;                // the text the warning entry shows
    std::vector<std::string> fields;  // trimmed, when there is no fault
};

// The empty-field tests look at the fields as written, before trimming.
IniEditLine SplitSetValueLine(std::string_view line);
IniEditLine SplitSetVariableLine(std::string_view line);

}  // namespace se
