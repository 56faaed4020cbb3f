// The checks of the flow-control commands: 5, 6 and 7 ([Data] keys), 19 (the
// next list), 29 (its restart field).
#include "checker/checker.h"
#include "engine/core/text.h"

namespace se {

void Checker::CheckCounterKey(const Command& c, const char* key)
{
    const ScriptSection* data = script_.Find("Data");
    if (c.type != 5 && (!data || !FindKey(*data, key)))
        Note(c.line, c.Label() + " moves nothing until [Data] " + key + " is set (for instance by command 26)");
}

void Checker::CheckNextSection(const Command& c)
{
    if (c.Field(0).empty()) {
        Error(c.line, "command 19 names no section in field 0");
        return;
    }
    CheckTarget(c, 0, true, "next list");
}

void Checker::CheckRestartField(const Command& c)
{
    const std::string restart = c.Field(2);
    if (c.Has(2) && !EqualsNoCase(restart, "TRUE") && !EqualsNoCase(restart, "FALSE"))
        Warning(c.line, "field 2 " + Quoted(restart) + " is neither TRUE nor FALSE: no restart is requested");
}

}  // namespace se
