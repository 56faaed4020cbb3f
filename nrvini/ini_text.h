#pragma once
// Character rules of the INI parser: blanks, case folding, key/value split and
// whole-word search. Everything works on views into the caller's text.
#include <cstddef>
#include <string_view>

namespace nrvini {

// Values handed to callers are cut to this many characters.
inline constexpr std::size_t kMaxValueLength = 256;

// Tab, line feed, vertical tab, form feed, carriage return and space. Bytes
// 0x80 to 0xFF are letters of the ANSI code page, never blanks.
inline bool IsBlank(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x20;
}

// Inline: every walk over the lines calls these for each line.
inline std::string_view SkipLeadingBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return text.substr(i);
}

inline std::string_view TrimTrailingBlanks(std::string_view text)
{
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return text.substr(0, n);
}

std::string_view TrimBlanks(std::string_view text);

// Comparisons that fold only the ASCII letters: the ANSI letters above 0x7F
// differ between code pages, so they are compared as they are.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

struct KeyValue {
    std::string_view key;    // text before the first "=", blanks trimmed
    std::string_view value;  // text after it, leading blanks skipped, cut to kMaxValueLength
    bool hasEquals;
};

// A line without "=" has an empty key and the whole line (leading blanks
// skipped) as its value.
KeyValue SplitKeyValue(std::string_view line);

// Position of the first occurrence of word in text (ASCII case ignored) that
// stands as a word of its own, or npos. Keys of CONFIG.SYS and batch files are
// matched this way, so that "DEVICEHIGH /L:1" is found under DEVICEHIGH and
// "SET PATH" under PATH.
std::size_t FindWord(std::string_view text, std::string_view word);

}  // namespace nrvini
