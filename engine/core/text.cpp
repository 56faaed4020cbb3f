#include "engine/core/text.h"

#include <cstring>

#include "engine/core/logsink.h"

namespace se {

bool IsTrimmable(unsigned char c) { return c >= 1 && c <= 32; }

static unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool ContainsText(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

std::string FitBuffer(std::string_view text, std::size_t bufferSize)
{
    if (bufferSize == 0) return {};
    return std::string(text.substr(0, std::min(text.size(), bufferSize - 1)));
}

static std::string_view TrimView(std::string_view t)
{
    std::size_t b = 0, e = t.size();
    while (b < e && IsTrimmable(t[b])) ++b;
    while (e > b && IsTrimmable(t[e - 1])) --e;
    return t.substr(b, e - b);
}

std::string Trimmed(std::string_view text) { return std::string(TrimView(text)); }

std::string StrippedOfComment(std::string_view text)
{
    std::size_t b = 0;
    while (b < text.size() && IsTrimmable(text[b])) ++b;
    std::string_view rest = text.substr(b);
    rest = rest.substr(0, rest.find(';'));
    return Trimmed(rest);
}

}  // namespace se

static char* TrimFromEnd(char* start)
{
    std::size_t n = std::strlen(start);
    while (n > 0 && se::IsTrimmable(static_cast<unsigned char>(start[n - 1]))) start[--n] = '\0';
    return start;
}

static char* SkipLeading(char* text)
{
    while (*text && se::IsTrimmable(static_cast<unsigned char>(*text))) ++text;
    return text;
}

char* TrimText(char* text)
{
    if (!text) return nullptr;
    return TrimFromEnd(SkipLeading(text));
}

char* StripCommentsAndEtc(char* text)
{
    if (!text) {
        WriteLogText("warning null pointer passed to StripCommentsAndEtc");
        return nullptr;
    }
    char* start = SkipLeading(text);
    if (char* semicolon = std::strchr(start, ';')) *semicolon = '\0';
    return TrimFromEnd(start);
}
