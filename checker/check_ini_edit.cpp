// The checks of the commands that edit the working copy: 26, 27 and 28.
#include "checker/checker.h"
#include "commands/core/filepaths.h"
#include "commands/core/inilines.h"
#include "engine/core/text.h"

namespace se {

void Checker::CheckSetValue(const Command& c)
{
    if (c.Field(0).empty()) {
        RequireField(c, 1, "the section");
        RequireField(c, 2, "the key");
        for (std::size_t i = 1; i <= 3; ++i) CheckTokens(c.Field(i), c.line);
        if (EqualsNoCase(Trimmed(c.Field(1)), "Variables")) DefineVariable(c.Field(2), c.line);
        return;
    }
    const ScriptSection* s = ParameterSection(c, "the engine logs \"Missing the Data section or an extra comma.\"");
    if (!s) return;
    // The engine's own splitter, so the checker skips exactly the lines the engine skips.
    for (const ScriptLine& line : s->lines) {
        CheckLineComment(line);
        const se::IniEditLine split = se::SplitSetValueLine(line.text);
        if (!ReportSkippedLine(split, line.number, "section, key and value need two commas", "no section")) continue;
        for (const std::string& part : split.fields) CheckTokens(part, line.number);
        if (EqualsNoCase(split.fields[0], "Variables")) DefineVariable(split.fields[1], line.number);
    }
}

// False, after its warning, for a line the engine skips.
bool Checker::ReportSkippedLine(const se::IniEditLine& split, int number, const char* missingComma, const char* noSection)
{
    switch (split.fault) {
    case se::IniLineFault::None: return true;
    case se::IniLineFault::Comment: return false;
    case se::IniLineFault::MissingComma: Warning(number, std::string(missingComma) + ": the line is skipped"); return false;
    case se::IniLineFault::NoSection: Warning(number, std::string(noSection) + ": the line is skipped"); return false;
    case se::IniLineFault::NoKey: Warning(number, "no key: the line is skipped"); return false;
    }
    return false;
}

void Checker::CheckSetVariable(const Command& c)
{
    if (c.Field(0).empty()) {
        RequireField(c, 1, "the variable name");
        CheckNotSubstituted(c.Field(1), c.line, "command 27 field 1 (the variable name)", Severity::Error);
        CheckTokens(c.Field(2), c.line);
        DefineVariable(c.Field(1), c.line);
        return;
    }
    const ScriptSection* s = ParameterSection(c, "the engine logs \"Missing the Data section or an extra comma.\"");
    if (!s) return;
    for (const ScriptLine& line : s->lines) {
        CheckLineComment(line);
        const se::IniEditLine split = se::SplitSetVariableLine(line.text);
        if (!ReportSkippedLine(split, line.number, "key and value need a comma", "no key")) continue;
        CheckTokens(split.fields[1], line.number);
        DefineVariable(split.fields[0], line.number);
    }
}

void Checker::CheckAppend(const Command& c)
{
    if (c.Field(0).empty()) {
        Error(c.line, "command 28 names no file in field 0");
        return;
    }
    AppendReached();
    CheckPath(c.Field(0), c.line);
    CheckPayload(c.Field(0), c.line, false, "nothing is appended");
    Note(c.line, "command 28 appends " + Quoted(c.Field(0)) + ": what it adds is not checked");
}

}  // namespace se
