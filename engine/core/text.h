#pragma once
// Text helpers shared by every command: trimming, comment cuts, comparisons.
#include <cstddef>
#include <string>
#include <string_view>

namespace se {

// White space (blank, tab, LF, VT, FF, CR) or a control character (1 to 31).
// Bytes 0x80 to 0xFF are letters of the ANSI code page and are kept.
bool IsTrimmable(unsigned char c);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsText(std::string_view text, std::string_view part);

// Cuts a text to what a buffer of bufferSize bytes (terminator included) holds.
std::string FitBuffer(std::string_view text, std::size_t bufferSize);

std::string Trimmed(std::string_view text);
std::string StrippedOfComment(std::string_view text);

}  // namespace se

// In-place forms working in the caller's buffer; both return a pointer to the
// first kept character.
char* TrimText(char* text);
char* StripCommentsAndEtc(char* text);
