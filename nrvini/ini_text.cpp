#include "nrvini/ini_text.h"

namespace nrvini {
namespace {

// A table instead of a test: headers are compared on every walk, and a
// branch per character costs more than the lookup.
constexpr auto kFoldTable = [] {
    struct Table {
        unsigned char folded[256];
    } table{};
    for (int c = 0; c < 256; ++c) table.folded[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return table;
}();

unsigned char FoldAscii(char c)
{
    return kFoldTable.folded[static_cast<unsigned char>(c)];
}

// The characters that separate words of a DOS configuration line.
bool IsWordDelimiter(char c)
{
    constexpr std::string_view kDelimiters = "\f\r\n\v\t ,;?\"'=";
    return kDelimiters.find(c) != std::string_view::npos;
}

bool MatchesAt(std::string_view text, std::size_t pos, std::string_view word)
{
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (FoldAscii(text[pos + i]) != FoldAscii(word[i])) return false;
    }
    return true;
}

bool StandsAlone(std::string_view text, std::size_t pos, std::string_view word)
{
    const std::size_t end = pos + word.size();
    const bool startOk = pos == 0 || IsWordDelimiter(text[pos - 1]) || IsWordDelimiter(word.front());
    const bool endOk = end == text.size() || IsWordDelimiter(text[end]) || IsWordDelimiter(word.back());
    return startOk && endOk;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text)
{
    return TrimTrailingBlanks(SkipLeadingBlanks(text));
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && MatchesAt(a, 0, b);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && MatchesAt(text, 0, prefix);
}

KeyValue SplitKeyValue(std::string_view line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return {{}, SkipLeadingBlanks(line).substr(0, kMaxValueLength), false};
    }
    return {TrimBlanks(line.substr(0, eq)), SkipLeadingBlanks(line.substr(eq + 1)).substr(0, kMaxValueLength), true};
}

std::size_t FindWord(std::string_view text, std::string_view word)
{
    // The empty word stands only for an empty key part, as in ordinary files.
    if (word.empty()) return text.empty() ? 0 : std::string_view::npos;
    for (std::size_t pos = 0; pos + word.size() <= text.size(); ++pos) {
        if (MatchesAt(text, pos, word) && StandsAlone(text, pos, word)) return pos;
    }
    return std::string_view::npos;
}

}  // namespace nrvini
