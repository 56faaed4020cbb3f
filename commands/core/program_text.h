#pragma once
// Texts of the program, sleep and message commands: the program a command
// line names and the directory it runs in, the length of a pause, the lines
// of a message box.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace se {

// The working directory for a command line: the directory part of the program
// path, or nothing when the program is named without one (the engine's current
// directory is used then). An unquoted program path ends at the first blank; a
// quoted one at its closing quote, so a path with blanks keeps them. A bare
// drive ("C:") gets its backslash.
std::optional<std::string> ProgramWorkingDirectory(std::string_view commandLine);

// A program that an unquoted command line may name: its first `length`
// characters, as the file the system starts for them.
struct ProgramCandidate {
    std::size_t length = 0;
    std::string file;
};

// The programs an unquoted command line with blanks may name, longest first:
// each text that ends before a blank or tab, and the whole line. One whose
// last part has no extension names that text with ".exe" added, as the
// system adds it; one with an extension other than ".exe" names none. A line
// that begins with a quote, or has no blank, gives none: the system reads
// it as written.
std::vector<ProgramCandidate> ProgramCandidates(std::string_view commandLine);

// The command line with the candidate's text replaced by its file in quotes,
// so that the system starts that file and no shorter name.
std::string QuoteProgram(std::string_view commandLine, const ProgramCandidate& program);

// A pause in milliseconds as written: leading blanks, one sign, the digits up
// to the first other character; 0 when there are none. Values beyond the range
// of int are held at its ends.
int PauseMilliseconds(std::string_view text);

// Adds one Message<n> value, and its line break, to a box text. A value that
// begins with ";" stands for an empty line. False when the text ends before
// this value: an empty value, or the "NO TEXT" default of a missing key.
bool AppendMessageLine(std::string& text, std::string_view value);

}  // namespace se
