#pragma once
// The branch step: how a command names the list section that runs after the
// current one. Nothing jumps: the name goes to [State] NextSection, and the
// command loop compiles that section when the running list is exhausted.
#include <cstddef>
#include <string>

// The loop reads [State] NextSection into 128 bytes: a longer name would come
// back cut and name another section.
inline constexpr std::size_t kLongestNextSection = 127;

// Field `field` of the running command as a section name, with variables
// substituted when asked. Read and substituted with room, so that an
// over-long name is seen whole.
std::string BranchTargetName(int field, bool substituteVariables);

// A target counts only when its section exists and has lines; an empty name,
// and one longer than kLongestNextSection, never does.
bool BranchSectionExists(const std::string& name);

// [State] NextSection = name, without a log entry.
void WriteNextSection(const std::string& name);
// Logs "  Setting next section to: <name>" and writes NextSection.
void SetNextSection(const std::string& name);

// The error box of a missing target (not while silent).
void ShowSectionNotFoundBox();
// The box, then the "Section [%s] is not found!" entry; NextSection keeps its value.
void ReportSectionNotFound(const std::string& name);

// The whole step for field `field` of the running command: the next section
// when it exists, the error box and entry when not. The command goes on
// normally either way.
void BranchStep(int field, bool substituteVariables);
