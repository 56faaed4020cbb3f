#include "checker/script_text.h"

#include "engine/core/text.h"

namespace se {

std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

ScriptText ScriptText::Parse(std::string_view fileText)
{
    ScriptText script;
    ScriptSection* current = nullptr;
    int number = 0;
    std::size_t at = 0;
    while (at < fileText.size()) {
        std::size_t end = fileText.find('\n', at);
        if (end == std::string_view::npos) end = fileText.size();
        const std::string line = Trimmed(fileText.substr(at, end - at));
        at = end + 1;
        ++number;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            script.sections_.push_back({Trimmed(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)),
                                        number, {}, 1, {}});
            current = &script.sections_.back();
            script.sectionAt_.emplace(FoldedName(current->name), script.sections_.size() - 1);
            continue;
        }
        if (!current) continue;  // lines before the first section belong to none
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            current->keyLines.emplace(FoldedName(Trimmed(std::string_view(line).substr(0, eq))), current->lines.size());
        current->lines.push_back({line, number});
        current->readSize += line.size() + 1;
    }
    return script;
}

const ScriptSection* ScriptText::Find(std::string_view name) const
{
    const auto it = sectionAt_.find(FoldedName(name));
    return it == sectionAt_.end() ? nullptr : &sections_[it->second];
}

const ScriptSection* ScriptText::FindWithLines(std::string_view name) const
{
    const ScriptSection* s = Find(name);
    return s && !s->lines.empty() ? s : nullptr;
}

KeyValue SplitKeyLine(const ScriptLine& line)
{
    const std::size_t eq = line.text.find('=');
    KeyValue kv{Trimmed(std::string_view(line.text).substr(0, eq)), "", line.number};
    if (eq == std::string::npos) return kv;
    kv.value = Trimmed(std::string_view(line.text).substr(eq + 1));
    if (kv.value.size() >= 2 && (kv.value.front() == '"' || kv.value.front() == '\'') &&
        kv.value.back() == kv.value.front())
        kv.value = kv.value.substr(1, kv.value.size() - 2);
    return kv;
}

std::optional<KeyValue> FindKey(const ScriptSection& section, std::string_view key)
{
    const auto it = section.keyLines.find(FoldedName(key));
    if (it == section.keyLines.end()) return std::nullopt;
    return SplitKeyLine(section.lines[it->second]);
}

}  // namespace se
