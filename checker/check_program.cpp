// The checks of commands 11 (start a program), 13 (pause) and 17 (message box).
#include "checker/checker.h"
#include "engine/core/text.h"

namespace se {

void Checker::CheckProgram(const Command& c)
{
    if (c.Field(0).empty()) {
        RequireField(c, 1, "the command line");
        CheckTokens(c.Field(1), c.line);
        CheckPayload(c.Field(1), c.line, true, "nothing is started");
        return;
    }
    Use(c.Field(0));
    const ScriptSection* s = script_.Find(c.Field(0));
    if (s) CheckValueComments(*s);
    const std::optional<KeyValue> program = s ? FindKey(*s, "Program") : std::nullopt;
    if (!program || program->value.empty()) {
        Error(s ? s->headerLine : c.line,
              "command 11: " + Bracketed(c.Field(0)) + " has no Program: nothing is started");
        return;
    }
    CheckTokens(program->value, program->number);
    CheckPayload(program->value, program->number, true, "nothing is started");
}

void Checker::CheckSleep(const Command& c)
{
    const std::string ms = c.Field(0);
    if (ms.empty())
        Warning(c.line, "command 13 gives no time in field 0: no pause");
    else if (!StartsWithNumber(ms))
        Warning(c.line, "command 13: " + Quoted(ms) + " is not a number of milliseconds: it reads as 0");
}

void Checker::CheckMessage(const Command& c)
{
    const std::string section = c.Field(0) + ".US";
    Use(section);
    const ScriptSection* s = script_.FindWithLines(section);
    if (!s)
        Error(c.line, "command 17: message section " + Bracketed(section) +
                          " is missing or empty: no box is shown and nothing is branched to");
    else if (!FindKey(*s, "Message1"))
        Warning(s->headerLine, Bracketed(section) + " has no Message1: the box text is empty");
    if (s) {
        CheckValueComments(*s);
        // The box shows its title and lines as written.
        for (const ScriptLine& line : s->lines) {
            const KeyValue kv = SplitKeyLine(line);
            CheckNotSubstituted(kv.value, line.number, Bracketed(section) + " " + kv.key, Severity::Warning);
        }
    }
    const int style = c.Has(1) ? LeadingInteger(c.Field(1)) : 1;
    if (style < 2 || style > 4) return;
    for (std::size_t k = 2; k <= (style == 4 ? 4u : 3u); ++k) {
        const std::string name = c.Field(k);
        if (name.empty())
            Warning(c.line, "command 17 field " + std::to_string(k) +
                                " names no section: that answer ends the run when the list ends");
        else if (!TooLongTarget(c.line, "command 17 field " + std::to_string(k), name) && !Reach(name))
            Error(c.line, "command 17 field " + std::to_string(k) + ": section " + Bracketed(name) +
                              " does not exist or has no lines");
    }
}

// The engine logs field 0 as compiled: the list line's compiler has cut it
// at the next comma, and no variable is substituted.
void Checker::CheckLogText(const Command& c)
{
    CheckNotSubstituted(c.Field(0), c.line, "command 32 field 0", Severity::Warning);
    if (c.compiled.fields.size() < 2) return;
    const std::string& full = c.compiled.full;  // from the comma after the type on
    Warning(c.line, "command 32 logs field 0 only: the text after its comma, " +
                        Quoted(Trimmed(std::string_view(full).substr(full.find(',', 1) + 1))) + ", is not logged");
}

}  // namespace se
