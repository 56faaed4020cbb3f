#include "engine/listline.h"

#include "engine/text.h"

namespace se {

std::optional<CompiledLine> CompileListLine(std::string_view rawLine)
{
    const std::string line = StrippedOfComment(rawLine);
    if (line.empty()) return std::nullopt;

    CompiledLine out;
    const std::size_t comma = line.find(',');
    out.type = line.substr(0, comma);
    if (comma == std::string::npos) return out;

    out.full = line.substr(comma);
    out.hasFields = true;
    std::string_view rest = std::string_view(line).substr(comma + 1);
    for (;;) {
        const std::size_t next = rest.find(',');
        out.fields.push_back(StrippedOfComment(rest.substr(0, next)));
        if (next == std::string_view::npos) break;
        rest = rest.substr(next + 1);
    }
    return out;
}

std::string ScriptNameFromCommandLine(std::string_view commandLine)
{
    // Options follow the script name, so the name ends at the first hyphen.
    std::string name = StrippedOfComment(commandLine.substr(0, commandLine.find('-')));
    // A path with blanks comes quoted, as Windows programs are given paths;
    // the quotes are not part of the name.
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    return name;
}

Options FindOptions(std::string_view commandLine)
{
    // Found anywhere, case-sensitively: "-silently" sets silent too.
    return Options{ContainsText(commandLine, "-silent"), ContainsText(commandLine, "-noreboot"),
                   ContainsText(commandLine, "-resume")};
}

SplitResult SplitPathText(std::string_view path)
{
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos) return {"", std::string(path)};
    return {std::string(path.substr(0, slash)), std::string(path.substr(slash + 1))};
}

}  // namespace se
