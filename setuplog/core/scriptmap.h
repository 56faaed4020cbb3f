#pragma once
// The script line that made a command: the list lines of every section of the
// script, compiled as the engine compiles them.
#include <string>
#include <string_view>
#include <vector>

#include "setuplog/core/machine.h"

namespace se::logs {

class ScriptMap {
public:
    explicit ScriptMap(std::string_view scriptText);
    // The 1-based line of the script, or 0 when no line of the command's
    // section (of any section, where the log did not name it) compiles to
    // the command's type and fields.
    int LineOf(const CommandInfo& command) const;

private:
    struct ListLine {
        int line = 0;
        long long type = 0;
        std::string fields;
    };
    struct List {
        std::string section;
        std::vector<ListLine> lines;  // those that take a command number
    };
    std::vector<List> lists_;
};

}  // namespace se::logs
