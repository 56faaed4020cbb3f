#include "engine/core/listline.h"

#include "engine/core/text.h"

#include <unordered_map>

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

std::string TypeKey(int n) { return "Cmd" + std::to_string(n); }

std::string FullLineKey(int n) { return "FullCmdSection" + std::to_string(n); }

std::string FieldKey(int n, int field) { return "CmdSection" + std::to_string(n) + "." + std::to_string(field); }

void AppendCompiledKeys(int n, const CompiledLine& line, std::vector<ProfileKey>& keys)
{
    keys.push_back({TypeKey(n), line.type});
    keys.push_back({FullLineKey(n), line.full});
    for (std::size_t m = 0; line.hasFields && m < line.fields.size(); ++m)
        keys.push_back({FieldKey(n, static_cast<int>(m)), line.fields[m]});
}

namespace {

std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

}  // namespace

std::vector<std::string> MergeSectionKeys(std::vector<std::string> lines, const std::vector<ProfileKey>& keys)
{
    // Where each name stands, so that a long list merges in linear time. The
    // first of two equal names is the one a single write replaces.
    std::unordered_map<std::string, std::size_t> at;
    at.reserve(lines.size() + keys.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        at.emplace(FoldedName(std::string_view(lines[i]).substr(0, lines[i].find('='))), i);
    for (const ProfileKey& key : keys) {
        const auto [it, added] = at.emplace(FoldedName(key.name), lines.size());
        if (added) {
            lines.push_back(key.name + "=" + key.value);
        } else {
            std::string& line = lines[it->second];
            line = line.substr(0, line.find('=')) + "=" + key.value;
        }
    }
    return lines;
}

bool SectionKnownAbsent(const std::optional<std::vector<std::string>>& sectionNames, std::string_view section)
{
    if (!sectionNames) return false;
    for (const std::string& name : *sectionNames)
        if (EqualsNoCase(name, section)) return false;
    return true;
}

std::string SectionListText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + '\0';
    return text + '\0';
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
