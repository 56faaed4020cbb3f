#pragma once
// What one log entry says: its severity, and its text with the parts that
// differ from machine to machine folded away.
#include <string>
#include <string_view>

#include "engine/core/logline.h"

namespace se::logs {

enum class Severity { None, Notice, Warning, Error };

std::string_view SeverityName(Severity severity);

// The severity of an entry, a text line or a level line, from the prefix the
// engine gave it or the routine's failure form ("CMD15_CopyFile() -  Error=3, ...").
Severity SeverityOf(const LogLineParts& line);

// Paths (a word holding a backslash or slash, or a drive) become "<path>",
// numbers that stand alone "#", runs of blanks one blank; the result is cut
// at kFoldedLimit characters.
constexpr std::size_t kFoldedLimit = 300;
std::string FoldedText(std::string_view text);

// Start and end of a run and of its parts, as the engine logs them.
bool IsRunBanner(std::string_view entryText);            // "*** Starting <program> Version: ..."
bool IsStartupFailure(const LogLineParts& line);         // "ERROR - " entries: the run ends before its commands
bool IsEndOfList(std::string_view entryText);            // "No More commands"
bool IsDriverRemoval(const LogLineParts& line);          // the driver's removal, the step before "DONE"
bool IsResume(const LogLineParts& line);                 // the start-up keeps the working copy
// "DONE" entries: 1 for "DONE !", 2 for "DONE  Shutting down system.", 0 for none.
int DoneKind(const LogLineParts& line);
// The list section a start-up or chain names: "InitCommandSection()  starting
// from [X]" or "continuing with [X]", "**   Starting section >X<". fresh: the
// list is compiled now, so the next command is its first.
bool SectionNamed(const LogLineParts& line, std::string& section, bool& fresh);

}  // namespace se::logs
