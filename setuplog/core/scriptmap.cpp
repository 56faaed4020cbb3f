#include "setuplog/core/scriptmap.h"

#include "checker/script_text.h"
#include "engine/core/listline.h"
#include "engine/core/text.h"

namespace se::logs {

namespace {

// Cmd<N> as the engine reads it back: an integer at the front of the text.
long long TypeNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsTrimmable(static_cast<unsigned char>(text[i]))) ++i;
    const bool minus = i < text.size() && text[i] == '-';
    if (minus || (i < text.size() && text[i] == '+')) ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < (1LL << 40); ++i) value = value * 10 + (text[i] - '0');
    return minus ? -value : value;
}

}  // namespace

ScriptMap::ScriptMap(std::string_view scriptText)
{
    const ScriptText script = ScriptText::Parse(scriptText);
    for (const ScriptSection& section : script.Sections()) {
        // The first of two sections of one name is the one the engine reads.
        bool seen = false;
        for (const List& list : lists_) seen = seen || EqualsNoCase(list.section, section.name);
        if (seen) continue;
        List list{section.name, {}};
        for (const ScriptLine& line : section.lines)
            if (const std::optional<CompiledLine> compiled = CompileListLine(line.text))
                list.lines.push_back({line.number, TypeNumber(compiled->type), compiled->full});
        lists_.push_back(std::move(list));
    }
}

int ScriptMap::LineOf(const CommandInfo& command) const
{
    if (command.others) return 0;
    const auto matches = [&](const ListLine& l) { return l.type == command.type && l.fields == command.fields; };
    int found = 0, count = 0;
    for (const List& list : lists_) {
        if (!command.section.empty() && !EqualsNoCase(list.section, command.section)) continue;
        // Where the log showed the list's first command, the position decides.
        // [CommandsList] is compiled at start-up, from command 0 on.
        const long long base =
            command.base != LLONG_MIN ? command.base : EqualsNoCase(list.section, "CommandsList") ? 0 : LLONG_MIN;
        if (!command.section.empty() && base != LLONG_MIN) {
            const long long at = command.number - base;
            if (at >= 0 && at < static_cast<long long>(list.lines.size()) && matches(list.lines[at]))
                return list.lines[at].line;
        }
        for (const ListLine& line : list.lines)
            if (matches(line) && count++ == 0) found = line.line;
    }
    return count >= 1 ? found : 0;
}

}  // namespace se::logs
