#pragma once
// Variable tokens: "~%" + C or V + three characters read as a decimal number.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace se {

// What the machine and the working copy supply to an expansion.
class VariableSource {
public:
    virtual ~VariableSource() = default;
    virtual std::string ProgramDirectory() = 0;
    virtual std::string WindowsDirectory() = 0;
    virtual std::string SystemDirectory() = 0;
    // Empty when the system has no usable temporary directory.
    virtual std::string TempDirectory() = 0;
    virtual unsigned long ProcessId() = 0;
    virtual unsigned short UserLanguageId() = 0;
    virtual std::string ReadVariable(int number) = 0;
    virtual void WriteVariable(int number, const std::string& value) = 0;
};

// The three characters after the letter, read like atoi: blanks, a sign,
// digits up to the first non-digit; missing characters are absent.
int TokenNumber(std::string_view threeChars);

// Two-letter code of a language identifier; nothing for languages outside the table.
std::optional<std::string> LanguageCode(unsigned short languageId);

// Key of variable n in [Variables]: "V" and n in at least three digits.
std::string VariableKey(int number);

// "TMP" and the last five decimal digits of the process id, in the temp
// directory, or in c:\ when there is none.
std::string TempFileName(const std::string& tempDirectory, unsigned long processId);

// Replacements in one expansion are bounded, so a variable that refers to
// itself ends.
constexpr int kMaxReplacements = 64;

// Replaces the tokens of text in place; the result is cut to what a buffer of
// bufferSize bytes holds. Returns the number of C and V tokens met.
int ExpandVariables(std::string& text, std::size_t bufferSize, VariableSource& source);

}  // namespace se
