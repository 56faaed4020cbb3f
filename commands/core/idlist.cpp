#include "commands/core/idlist.h"

#include <array>
#include <cstdio>

#include "engine/core/text.h"

namespace se {

std::string FormatSystemId(unsigned id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0X%04X", id & 0xFFFFu);
    return text;
}

namespace {

// Hexadecimal, lower case, padded with zeros to at least `digits` digits.
std::string Hex(unsigned id, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, id);
    return text;
}

// In the order they are tried; the first equal form decides.
std::array<std::string, 8> SystemIdForms(unsigned id)
{
    return {"0X" + Hex(id, 4), "0X" + Hex(id, 3), "0X" + Hex(id, 2), Hex(id, 1),
            Hex(id, 4),        Hex(id, 3),        Hex(id, 2),        std::to_string(id)};
}

}  // namespace

bool LineNamesSystemId(std::string_view line, unsigned id)
{
    if (!line.empty() && line.front() == ';') return false;
    const std::string trimmed = Trimmed(line);
    for (const std::string& form : SystemIdForms(id))
        if (EqualsNoCase(trimmed, form)) return true;
    return false;
}

bool SystemIdListed(const std::vector<std::string>& lines, unsigned id)
{
    for (const std::string& line : lines)
        if (LineNamesSystemId(line, id)) return true;
    return false;
}

}  // namespace se
