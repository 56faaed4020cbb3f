// The checks of the registry commands: 3, 4 and 12 (one value or key) and 14
// (a list of edits).
#include "checker/checker.h"
#include "commands/core/regdata.h"
#include "engine/core/text.h"

namespace se {
namespace {

const char* MissingFieldName(MissingField m)
{
    switch (m) {
    case MissingField::Root: return "root key";
    case MissingField::Key: return "key";
    case MissingField::ValueName: return "value name";
    case MissingField::DataType: return "data type";
    default: return "data";
    }
}

}  // namespace

void Checker::CheckSingleRegistry(const Command& c)
{
    const ScriptSection* s = ParameterSection(c, "the engine refuses the command");
    if (!s) return;
    CheckValueComments(*s);
    const auto hive = FindKey(*s, "RegHive"), key = FindKey(*s, "RegKey"), data = FindKey(*s, "RegData"),
               type = FindKey(*s, "RegDataType"), value = FindKey(*s, "RegValue");
    if (!hive && !key && !data && !type && !value) {
        Error(s->headerLine, c.Label() + ": " + Bracketed(s->name) +
                                 " names none of RegHive, RegKey, RegValue, RegData, RegDataType: "
                                 "the engine refuses the command");
        return;
    }
    if (!hive || !LongRootName(hive->value))
        Warning(hive ? hive->number : s->headerLine,
                (hive ? "RegHive " + Quoted(hive->value) + " is not a root key name"
                      : Bracketed(s->name) + " has no RegHive") +
                    ": HKEY_LOCAL_MACHINE is used");
    if (c.type == 12 && (!key || key->value.empty()))
        Error(key ? key->number : s->headerLine,
              "RegKey is empty: a root key is never deleted, the engine refuses the command");
    if (data) CheckTokens(data->value, data->number);
    // Only RegData is substituted.
    for (const auto& named : {key, value})
        if (named) CheckNotSubstituted(named->value, named->number, named->key, Severity::Error);
    if (c.type == 3 && type) {
        const int code = LeadingInteger(type->value);
        if (code == 1 || code == 2)
            Warning(type->number, "RegDataType " + std::to_string(code) +
                                      " stores the characters of RegData as written, not the " +
                                      (code == 1 ? "bytes" : "number") + " they spell");
        else if (code < 0 || code > 4)
            Warning(type->number, "RegDataType " + std::to_string(code) + " is none of 0 to 4: RegData is stored "
                                                                           "as a string (REG_SZ)");
    }
}

void Checker::CheckRegistryEdit(const Command& c)
{
    const ScriptSection* s = ParameterSection(c, "the engine logs \"Missing the Data section\"");
    if (!s) return;
    for (const ScriptLine& line : s->lines) {
        CheckLineComment(line);
        if (!CheckEditLine(line)) return;
    }
}

bool Checker::CheckEditLine(const ScriptLine& line)
{
    const ParsedRegEditLine parsed = ParseRegEditLine(line.text);
    if (parsed.missing != MissingField::None) {
        Error(line.number, std::string("the ") + MissingFieldName(parsed.missing) +
                               " field is missing (a comma is missing): the engine stops reading the section here");
        return false;
    }
    const RegEditLine& f = parsed.fields;
    const int action = LeadingInteger(f.action);
    if (action < 1 || action > 4) Error(line.number, "undefined action " + Quoted(Trimmed(f.action)) + ": the line does nothing");
    const bool rootKnown = ShortRootName(f.root).has_value();
    if (!rootKnown && action == 2)
        Error(line.number, "root " + Quoted(f.root) + " is none of HKCR, HKCC, HKCU, HKLM, HKU, HKPD, HKDD: "
                                                      "a subtree deletion is refused");
    else if (!rootKnown)
        Warning(line.number, "root " + Quoted(f.root) + " is none of HKCR, HKCC, HKCU, HKLM, HKU, HKPD, HKDD: "
                                                        "HKEY_LOCAL_MACHINE is used");
    if (action == 2 && rootKnown && f.key.empty())
        Error(line.number, "no key path: a subtree deletion never removes a whole root key, the line is refused");
    // The value name and the data are substituted; the key path is not.
    CheckNotSubstituted(f.key, line.number, "the key path", Severity::Error);
    CheckTokens(f.valueName, line.number);
    CheckTokens(f.data, line.number);
    if (action == 1 || action == 4) CheckEditData(f, line.number);
    return true;
}

void Checker::CheckEditData(const RegEditLine& f, int line)
{
    if (!StartsWithNumber(f.dataType))
        Warning(line, "data type " + Quoted(f.dataType) + " is not a number: it reads as 0, a string");
    const int code = LeadingInteger(f.dataType);
    if (StartsWithNumber(f.dataType) && (code < 0 || code > 4))
        Warning(line, "data type " + std::to_string(code) +
                          " is none of 0 to 4: the data is stored as a string (REG_SZ)");
    if ((code != 1 && code != 2) || HasToken(f.data)) return;
    for (char ch : f.data)
        if (!std::isxdigit(static_cast<unsigned char>(ch))) {
            Error(line, "data " + Quoted(f.data) + " holds " + Quoted(std::string(1, ch)) +
                            ", not a hexadecimal digit: it is read as 0");
            break;
        }
    if (code == 1 && f.data.size() % 2 != 0)
        Warning(line, "odd number of hexadecimal digits in " + Quoted(f.data) + ": the last digit is dropped");
    if (code == 2 && f.data.size() % 2 != 0)
        Warning(line, "odd number of hexadecimal digits in " + Quoted(f.data) +
                          ": the number is read with a 0 after the last digit");
    if (code == 2 && f.data.size() > 8)
        Warning(line, "more than eight hexadecimal digits in " + Quoted(f.data) +
                          ": only the last eight are kept");
}

}  // namespace se
