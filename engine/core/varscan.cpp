#include "engine/core/varscan.h"

#include <cctype>
#include <cstdio>

#include "engine/core/logsink.h"
#include "engine/core/text.h"

namespace se {

int TokenNumber(std::string_view t)
{
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || (t[i] >= '\t' && t[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    int value = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) value = value * 10 + (t[i] - '0');
    return negative ? -value : value;
}

std::optional<std::string> LanguageCode(unsigned short languageId)
{
    const unsigned primary = languageId & 0x2FF;
    const unsigned sub = languageId >> 10;
    switch (primary) {
    case 0x01: return "AR";
    case 0x02: return "BU";
    case 0x04:
        if (sub == 2) return "CH";
        if (sub == 1 || sub == 3 || sub == 4) return "TW";
        return std::nullopt;
    case 0x05: return "CS";
    case 0x06: return "DK";
    case 0x07: return "GR";
    case 0x08: return "GK";
    case 0x09: return "US";
    case 0x0A: return "SP";
    case 0x0B: return "FI";
    case 0x0C: return "FR";
    case 0x0D: return "IL";
    case 0x0E: return "HU";
    case 0x10: return "IT";
    case 0x11: return "JP";
    case 0x12: return "KR";
    case 0x13: return "NL";
    case 0x14: return "NO";
    case 0x15: return "PL";
    case 0x16: return sub == 1 ? "BR" : "PT";
    case 0x18: return "RO";
    case 0x19: return "RU";
    case 0x1B: return "SK";
    case 0x1D: return "SE";
    case 0x1E: return "TH";
    case 0x1F: return "TR";
    case 0x21: return "ID";
    case 0x24: return "SL";
    default: return std::nullopt;
    }
}

std::string VariableKey(int number)
{
    char key[16];
    std::snprintf(key, sizeof key, "V%03d", number);
    return key;
}

std::string TempFileName(const std::string& tempDirectory, unsigned long processId)
{
    char name[16];
    std::snprintf(name, sizeof name, "TMP%05lu", processId % 100000UL);
    if (tempDirectory.empty()) return std::string("c:\\") + name;
    return tempDirectory + name;
}

namespace {

struct Token {
    char letter;         // upper-case letter after "~%"
    int number;
    std::size_t length;  // "~%", the letter and up to three characters
};

Token ReadToken(const std::string& text, std::size_t at)
{
    const std::size_t letterAt = at + 2;
    if (letterAt >= text.size()) return {'\0', 0, 2};
    const std::string_view digits = std::string_view(text).substr(letterAt + 1, 3);
    return {static_cast<char>(std::toupper(static_cast<unsigned char>(text[letterAt]))),
            TokenNumber(digits), 3 + digits.size()};
}

std::optional<std::string> BuiltInValue(int number, VariableSource& source)
{
    switch (number) {
    case 1: return source.ProgramDirectory();
    case 101: return source.WindowsDirectory();
    case 102: return source.WindowsDirectory() + "\\inf";
    case 103: return source.SystemDirectory();
    case 104: return source.SystemDirectory() + "\\Drivers";
    case 105: return LanguageCode(source.UserLanguageId());
    default: return std::nullopt;
    }
}

}  // namespace

int ExpandVariables(std::string& text, std::size_t bufferSize, VariableSource& source)
{
    text = FitBuffer(text, bufferSize);
    int count = 0, replacements = 0;
    std::size_t searchFrom = 0;
    for (;;) {
        const std::size_t at = text.find("~%", searchFrom);
        if (at == std::string::npos) return count;
        if (replacements == kMaxReplacements) {
            WriteLog("ERROR-=-", " too many variable replacements, expansion stopped.");
            return count;
        }
        const Token token = ReadToken(text, at);
        std::optional<std::string> value;
        bool restReplaced = false;
        if (token.letter == 'C') {
            ++count;
            if (token.number == 0) {
                value = TempFileName(source.TempDirectory(), source.ProcessId());
                source.WriteVariable(0, *value);
                WriteLog("", "** creating " + *value + " and will save in V000");
                restReplaced = true;
            } else {
                value = BuiltInValue(token.number, source);
                if (!value && token.number != 105)
                    WriteLog("GetVariable( ) variable not found for ", text.substr(searchFrom));
            }
        } else if (token.letter == 'V') {
            ++count;
            if (token.number < 0)
                WriteLog("GetVariable( ) variable not found for ", text);
            else
                value = source.ReadVariable(token.number);
        } else {
            WriteLog("ERROR-=-", " variable token ~% found but leading character not valid");
            WriteLog("ERROR-=-", text.substr(searchFrom));
            return count;
        }

        if (!value) {
            WriteLog("ERROR-=-", " variable token found but no replacement made.");
            WriteLog("ERROR-=-", text.substr(at));
            // The token stays; the search goes on behind it so it is not met again.
            searchFrom = at + token.length;
            continue;
        }
        const std::string rest = restReplaced ? std::string() : text.substr(at + token.length);
        text = FitBuffer(text.substr(0, at) + *value + rest, bufferSize);
        ++replacements;
        WriteLog("", "replaced variable in string.");
        WriteLog("", "full string now is: " + text);
        // The inserted value is searched for tokens too.
        searchFrom = at;
    }
}

}  // namespace se
