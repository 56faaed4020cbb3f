#include "commands/core/inilines.h"

#include "engine/core/text.h"

namespace se {

namespace {

IniEditLine Fault(IniLineFault fault, std::string_view shown) { return {fault, std::string(shown), {}}; }

}  // namespace

IniEditLine SplitSetValueLine(std::string_view line)
{
    if (!line.empty() && line.front() == ';') return Fault(IniLineFault::Comment, "");
    const std::size_t first = line.find(',');
    if (first == std::string_view::npos) return Fault(IniLineFault::MissingComma, line);
    const std::string_view section = line.substr(0, first);
    const std::size_t second = line.find(',', first + 1);
    if (second == std::string_view::npos) return Fault(IniLineFault::MissingComma, section);
    const std::string_view key = line.substr(first + 1, second - first - 1);
    if (section.empty()) return Fault(IniLineFault::NoSection, section);
    if (key.empty()) return Fault(IniLineFault::NoKey, section);
    return {IniLineFault::None, "", {Trimmed(section), Trimmed(key), Trimmed(line.substr(second + 1))}};
}

IniEditLine SplitSetVariableLine(std::string_view line)
{
    if (!line.empty() && line.front() == ';') return Fault(IniLineFault::Comment, "");
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return Fault(IniLineFault::MissingComma, line);
    const std::string_view key = line.substr(0, comma);
    if (key.empty()) return Fault(IniLineFault::NoKey, key);
    return {IniLineFault::None, "", {Trimmed(key), Trimmed(line.substr(comma + 1))}};
}

}  // namespace se
