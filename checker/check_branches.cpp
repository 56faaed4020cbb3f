// The checks of command 25; the branch fields of 9, 18, 25 and 30 go through
// CheckTarget.
#include "checker/checker.h"
#include "engine/core/text.h"

namespace se {

void Checker::CheckSystemId(const Command& c)
{
    Use(c.Field(0));
    const ScriptSection* ids = script_.FindWithLines(c.Field(0));
    if (!ids)
        Error(c.line, "command 25: ID list section " + Bracketed(c.Field(0)) +
                          " is missing or empty: every ID counts as not listed");
    else
        for (const ScriptLine& line : ids->lines) CheckLineComment(line);
    CheckTarget(c, 1, true, "ID listed");
    CheckTarget(c, 2, true, "ID not listed");
}

}  // namespace se
