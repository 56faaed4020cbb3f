#include "setuplog/core/entries.h"

#include <array>

namespace se::logs {

namespace {

bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

bool IsWordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A routine's own failure line: "<Routine>() -  Error=<n>, <text>", "SBCopyFile -  Error=...",
// "CmdRmdir() - Error deleting file - ...", "SBCopyFile() - Invalid File Handle - ...",
// also where a text of the empty prefix carries it after the system's words.
bool HasRoutineFailure(std::string_view text)
{
    for (std::size_t at = text.find(" - "); at != std::string_view::npos; at = text.find(" - ", at + 1)) {
        std::size_t word = at;
        if (word >= 2 && text.substr(word - 2, 2) == "()") word -= 2;
        if (word == 0 || !IsWordChar(text[word - 1])) continue;
        std::string_view after = text.substr(at + 3);
        while (!after.empty() && after[0] == ' ') after.remove_prefix(1);
        if (StartsWith(after, "Error") || StartsWith(after, "Invalid")) return true;
    }
    return false;
}

}  // namespace

std::string_view SeverityName(Severity severity)
{
    static constexpr std::array<std::string_view, 4> kNames = {"", "notice", "warning", "error"};
    return kNames[static_cast<int>(severity)];
}

Severity SeverityOf(const LogLineParts& line)
{
    if (line.kind == LogLineKind::Level) return line.level == 2 ? Severity::Warning : Severity::Error;
    if (line.kind != LogLineKind::Entry && line.kind != LogLineKind::Text) return Severity::None;
    const std::string_view text = line.text;
    if (StartsWith(text, "NOTICE")) return Severity::Notice;
    // "WARNING-=-", "WARNINIG-=-", "WARINING" and the checker's "warning null pointer ...".
    if (StartsWith(text, "WARN") || StartsWith(text, "WARIN") || StartsWith(text, "warning ")) return Severity::Warning;
    for (const std::string_view head : {"ERROR", "Error-=-", "FAIL - ", "...ERROR", "Couldn't "})
        if (StartsWith(text, head)) return Severity::Error;
    // A command's own line names the command, never a failure.
    if (line.kind == LogLineKind::Entry && ParseCommandPrefix(text)) return Severity::None;
    return HasRoutineFailure(text) ? Severity::Error : Severity::None;
}

namespace {

bool IsDelimiter(char c)
{
    return c == ' ' || c == '<' || c == '>' || c == '(' || c == ')' || c == '[' || c == ']' || c == '"' ||
           c == '\'' || c == ',' || c == ';' || c == '=' || c == '|' || c == '\t';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A word between delimiters: a path, or a text whose free-standing numbers
// (not the 15 of "TSLInt15") become "#"; "0x1F" is one number.
void AppendFoldedWord(std::string_view word, std::string& out)
{
    const bool drive = word.size() == 2 && word[1] == ':' && IsWordChar(word[0]);
    if (drive || word.find('\\') != std::string_view::npos || word.find('/') != std::string_view::npos) {
        // A path with blanks arrives as several words: one "<path>" for all.
        if (out.size() >= 7 && out.compare(out.size() - 7, 7, "<path> ") == 0) out.pop_back();
        else out += "<path>";
        return;
    }
    for (std::size_t i = 0; i < word.size();) {
        const bool free = i == 0 || !IsWordChar(word[i - 1]);
        if (!IsDigit(word[i]) || !free) {
            out += word[i++];
            continue;
        }
        if (word[i] == '0' && i + 1 < word.size() && (word[i + 1] == 'x' || word[i + 1] == 'X')) i += 2;
        while (i < word.size() && (IsDigit(word[i]) || ((word[i] | 32) >= 'a' && (word[i] | 32) <= 'f'))) ++i;
        out += '#';
    }
}

}  // namespace

std::string FoldedText(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size() && out.size() < kFoldedLimit) {
        const char c = text[i];
        if (IsDelimiter(c)) {
            // Blanks and tabs: one blank, none at either end.
            if (c == ' ' || c == '\t') {
                if (!out.empty() && out.back() != ' ') out += ' ';
            } else {
                out += c;
            }
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !IsDelimiter(text[end])) ++end;
        AppendFoldedWord(text.substr(i, end - i), out);
        i = end;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out.substr(0, kFoldedLimit);
}

bool IsRunBanner(std::string_view entryText) { return StartsWith(entryText, "*** Starting "); }

bool IsStartupFailure(const LogLineParts& line)
{
    return line.kind == LogLineKind::Entry && StartsWith(line.text, "ERROR - ");
}

bool IsEndOfList(std::string_view entryText) { return StartsWith(entryText, "No More commands"); }

bool IsDriverRemoval(const LogLineParts& line)
{
    std::string_view text = line.text;
    if (StartsWith(text, "NOTICE: ")) text.remove_prefix(8);
    return StartsWith(text, "DelTSL");
}

bool IsResume(const LogLineParts& line)
{
    return line.kind == LogLineKind::Entry && line.prefix == "InitINIFile()" &&
           (StartsWith(line.message, "-resume given") || StartsWith(line.message, "system will resume"));
}

int DoneKind(const LogLineParts& line)
{
    if (line.kind != LogLineKind::Entry || line.prefix != "DONE") return 0;
    return StartsWith(line.message, " Shutting down") ? 2 : 1;
}

bool SectionNamed(const LogLineParts& line, std::string& section, bool& fresh)
{
    if (line.kind != LogLineKind::Entry) return false;
    const std::string_view message = line.message;
    std::size_t open = std::string_view::npos;
    char close = ']';
    if (line.prefix == "**" && StartsWith(message, "  Starting section >")) {
        open = message.find('>');
        close = '<';
        fresh = true;
    } else if (line.prefix == "InitCommandSection()" &&
               (StartsWith(message, " starting from [") || StartsWith(message, " continuing with ["))) {
        open = message.find('[');
        fresh = false;
    }
    if (open == std::string_view::npos) return false;
    const std::size_t end = message.rfind(close);
    section = std::string(message.substr(open + 1, end > open ? end - open - 1 : std::string_view::npos));
    return true;
}

}  // namespace se::logs
