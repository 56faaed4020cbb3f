#pragma once
// The top floor: from the command line to the end of the run. Start-up finds
// and copies the script, the list compilation fills [Commands], the loop runs
// one handler per command. Nothing below this folder calls into it.
#include <string>

// ---- start-up (startup.cpp) ----
void SplitPath(const std::string& path, std::string& directory, std::string& fileName);
bool InitINIFile(const std::string& commandLine);
void EnablePrivileges();
// Forms the language data section; false when the language code is empty.
bool FormLanguageDataSection();

// ---- command list (cmdlist.cpp) ----
// WriteFailed: the list could not be written into the working copy; the run
// stops, and the protection puts the copy back as it was before the compile
// at the next start, which compiles again.
enum class ListResult { Failed, Kept, Compiled, WriteFailed };
ListResult InitCommandSection(bool atStartUp);

// ---- the run (loop.cpp) ----
int RunEngine(const std::string& commandLine);
