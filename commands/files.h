#pragma once
// The file operations that more than one command uses: the deletion of
// command 16, which the exit command 29 also runs with its own parameters,
// and the tree walks of the copy and delete commands.
#include <cstddef>
#include <string>

#include "commands/handlers.h"

// Which of the engine's own files a deletion must leave alone. Command 16
// keeps the working copy, its protection files and every folder holding them;
// command 29 deletes the working copy itself at its end.
enum class WorkingCopyGuard { Keep, Allow };

// Deletes what a parameter section lists, one path per line, or, when the
// section name is empty, the one inline path. Failed when the section is
// missing or empty, Ran otherwise; a failed deletion never ends the list.
CommandResult DeleteFilesOrDirectories(const std::string& parameterSection, const std::string& inlinePath,
                                       WorkingCopyGuard guard);

// Deletes one file, or one directory with everything in it; reports only in the log.
void CmdRmdir(const std::string& path, WorkingCopyGuard guard);
// Creates the one directory the path names: 1 when it was created, 0 otherwise.
int MakeDirectory(const std::string& path);
// Copies the contents of an existing directory into an existing directory, recursively.
void SBCopyFile(const std::string& source, const std::string& destination);

// Replaces the variables of a path with room to see when the result is too
// long, instead of cutting it.
std::string ExpandPath(std::string text);
// False, after an "ERROR-=-" entry naming it, for a path longer than the limit.
bool PathFits(const std::string& path, std::size_t limit);


// The path as the system resolves it, or the path itself when it cannot.
std::string FullPath(const std::string& path);
