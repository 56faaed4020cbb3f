// Delete, make-directory and rename commands (types 16, 21, 31), and the
// helpers the file commands share.
#include <windows.h>

#include "commands/core/filepaths.h"
#include "commands/files.h"
#include "commands/handlers.h"
#include "commands/pathidentity.h"
#include "engine/core/rooms.h"
#include "engine/engine.h"
#include "engine/syscalls.h"
#include "common/guards.h"

namespace {

// What one deletion command must not delete, gathered once per path it is
// given and asked again for every folder of a tree it empties, so a folder
// reached through a link or a mount inside the tree is kept as well.
struct DeletionGuards {
    GuardedPaths system;       // the Windows and system folders and every folder holding them
    GuardedPaths workingCopy;  // the working copy, its protection files and the folders holding them
    bool keepWorkingCopy = true;

    explicit DeletionGuards(WorkingCopyGuard guard) : keepWorkingCopy(guard == WorkingCopyGuard::Keep)
    {
        system.AddWithHolders(WindowsFolder());
        system.AddWithHolders(SystemFolder());
        if (!keepWorkingCopy) return;
        workingCopy.AddWithHolders(g_engine.scriptPath);
        for (const std::string& file : ResumeProtectionFiles()) workingCopy.AddWithHolders(file);
    }

    // A variable that expands to something unexpected must not erase a
    // machine: a drive or share root, the Windows and system folders and any
    // folder holding one are refused under every spelling; so are names in
    // the device namespace, which no script needs. Everything below them
    // stays deletable.
    bool Refuses(const std::string& path) const
    {
        const std::string canonical = CanonicalPath(path);
        if (se::IsDriveRoot(path) || se::IsDeviceName(canonical) || se::ParentPath(canonical).empty() ||
            system.Holds(canonical)) {
            WriteLog("WARNING-=-", "Refusing to delete >" + path + "<, a drive or the Windows or system directory");
            return true;
        }
        // Without the working copy the next advance would write a stub of it and
        // the run would end, its remaining commands lost.
        if (keepWorkingCopy && workingCopy.Holds(canonical)) {
            WriteLog("ERROR-=-", "Refusing to delete >" + path + "<, the working copy of the script or a folder holding it");
            return true;
        }
        return false;
    }
};

void ClearAttributesForRemoveDir(const std::string& path)
{
    if (sys::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) return;
    WriteLog(" SetFileAttributes() failed, " + LastErrorText("(", ")-"),
             "RemoveDir() - Error setting attribs on file - " + path);
}

void DeleteEntryFile(const std::string& entry)
{
    ClearAttributesForRemoveDir(entry);
    WriteLog("  Deleting...", ">" + entry + "<");
    if (sys::DeleteFileA(entry.c_str())) return;
    WriteLog(" DeleteFile(" + entry + ") failed, " + LastErrorText("(", ")-"),
             "RemoveDir() - Error deleting file - " + entry);
}

void RemoveDirectoryItself(const std::string& path)
{
    if (sys::RemoveDirectoryA(path.c_str())) return;
    WriteLog(" RemoveDirectory(" + path + ") " + LastErrorText("", "-"), "RemoveDir() - Invalid File Handle - " + path);
}

bool IsLink(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return (length == 0 || length >= sizeof buffer) ? path : std::string(buffer, length);
}

std::string ExpandPath(std::string text)
{
    GetVariable(text, se::kFieldRoom);
    return text;
}

bool PathFits(const std::string& path, std::size_t limit) { return FitsWithin(path, limit, "path"); }

namespace {

void RemoveDir(const std::string& path, const DeletionGuards& guards)
{
    // A junction, mount point or symbolic link is removed as itself: what it
    // points to is never emptied.
    if (IsLink(path)) {
        WriteLog("NOTICE:", "RemoveDir() - removing the link >" + path + "<, not what it points to");
        RemoveDirectoryItself(path);
        return;
    }
    const std::string pattern = se::JoinPath(path, "*.*"), prefix = se::JoinPath(path, "");
    WIN32_FIND_DATAA found;
    se::FindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        WriteLog(" FindFirstFile(" + pattern + ") " + LastErrorText("", "-"), "RemoveDir() - Invalid File Handle - " + pattern);
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string entry = prefix + name;
        if (!PathFits(entry, se::kMaxFilePath)) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link goes as itself; anything else is asked first, since a
            // mount or a hard-linked folder can bring a guarded one into the tree.
            if (IsLink(entry) || !guards.Refuses(entry)) RemoveDir(entry, guards);
        } else {
            DeleteEntryFile(entry);
        }
    } while (FindNextFileA(search.get(), &found));
    search.reset();

    ClearAttributesForRemoveDir(path);
    RemoveDirectoryItself(path);
}

}  // namespace

void CmdRmdir(const std::string& path, WorkingCopyGuard guard)
{
    const DeletionGuards guards(guard);
    if (guards.Refuses(path)) return;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        WriteLog("WARNING-=-", "Cannot find >" + path + "< to delete");
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        WriteLog("  ", "...deleting directory >" + path + "<");
        RemoveDir(path, guards);
        return;
    }
    WriteLog("  ", "...deleting file <" + path + ">");
    // Read-only, hidden and system files are deleted too; the deletion is
    // attempted even when the attributes stay.
    if (!sys::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL))
        WriteLog("CmdRmdir() - Error setting attribs on file - " + path,
                 "\nSetFileAttributes() failed, " + LastErrorText("(", ")-"));
    if (!sys::DeleteFileA(path.c_str()))
        WriteLog("CmdRmdir() - Error deleting file - " + path,
                 "\nDeleteFile(" + path + ") failed, " + LastErrorText("(", ")-"));
}

int MakeDirectory(const std::string& path) { return sys::CreateDirectoryA(path.c_str(), nullptr) ? 1 : 0; }

CommandResult DeleteFilesOrDirectories(const std::string& parameterSection, const std::string& inlinePath,
                                       WorkingCopyGuard guard)
{
    if (parameterSection.empty()) {
        const std::string path = ExpandPath(inlinePath);
        if (PathFits(path, se::kMaxFilePath)) CmdRmdir(path, guard);
        return CommandResult::Ran;
    }
    const auto lines = ReadProfileSection(parameterSection.c_str(), g_engine.scriptPath);
    if (!lines) {
        WriteLog("ERROR-=-", "Missing the Data section");
        return CommandResult::Failed;
    }
    // Each line is one path as written: no trimming, no comment, no commas.
    for (const std::string& line : *lines) {
        if (se::ContainsText(line, "*")) {
            WriteLog("NOTICE:", "Wild Card syntax not supported");
            continue;
        }
        const std::string path = ExpandPath(line);
        if (PathFits(path, se::kMaxFilePath)) CmdRmdir(path, guard);
    }
    return CommandResult::Ran;
}

CommandResult CMD16_DeleteFileOrDir()
{
    const std::string& section = g_engine.commandSectionName;
    return DeleteFilesOrDirectories(section, section.empty() ? CommandField(1, "", se::kFieldRoom) : std::string(),
                                    WorkingCopyGuard::Keep);
}

namespace {

// False after the entry that ends the list form.
bool MakeOneDirectory(const std::string& path, std::size_t limit)
{
    if (!PathFits(path, limit)) return false;
    if (MakeDirectory(path)) return true;
    WriteLog("WARNING-=-", "function MakeDirectory () failed on src=" + path);
    return false;
}

}  // namespace

CommandResult CMD21_MakeDir()
{
    const std::string& section = g_engine.commandSectionName;
    if (section.empty()) return MakeOneDirectory(ExpandPath(CommandField(1, "", se::kFieldRoom)), se::kLongestInlineDirectory) ? CommandResult::Ran : CommandResult::Failed;

    const auto lines = ReadProfileSection(section.c_str(), g_engine.scriptPath);
    if (!lines) {
        WriteLog("ERROR-=-", "Missing the Data section or an extra comma.");
        return CommandResult::Failed;
    }
    // One level per line: the first directory that cannot be made (an
    // existing one included) ends the list, since the lines below it would
    // build on it.
    for (const std::string& line : *lines)
        if (!MakeOneDirectory(ExpandPath(line), se::kMaxFilePath)) return CommandResult::Failed;
    return CommandResult::Ran;
}

namespace {

// MoveFile gives a file or directory its new path and fails when the
// destination exists. Variables are replaced in both paths first.
bool RenamePath(std::string source, std::string destination, const char* successText)
{
    source = ExpandPath(source);
    destination = ExpandPath(destination);
    if (!PathFits(source, se::kMaxFilePath) || !PathFits(destination, se::kMaxFilePath)) return false;
    if (!sys::MoveFileA(source.c_str(), destination.c_str())) {
        WriteLog("WARNING-=-", "function rename() failed on src=" + source + ", dst=" + destination);
        return false;
    }
    WriteLog(" ", successText + source + " to " + destination);
    return true;
}

void RenameListLine(const std::string& text)
{
    const se::ListLine line = se::ParseListLine(text);
    switch (line.kind) {
    case se::ListLineKind::MissingComma: WriteLog("WARNINIG-=-", "Missing comma >" + text + "<"); return;
    case se::ListLineKind::Comment: return;
    case se::ListLineKind::SourceMissing: WriteLog("WARNINIG-=-", "Invalid Parameters : Source Missing"); return;
    case se::ListLineKind::DestinationMissing:
        WriteLog("WARNINIG-=-", "Invalid Parameters : Destination Missing");
        return;
    case se::ListLineKind::Wildcard: WriteLog("NOTICE:", "Wild Cards not supported yet."); return;
    case se::ListLineKind::Ready: break;
    }
    if (line.trailingBackslashRemoved)
        WriteLog("WARNINIG-=-", "Removing trailing \\ from destination >" + line.destination + "<");
    RenamePath(line.source, line.destination, " renamed ");
}

}  // namespace

CommandResult CMD31_RenameFile()
{
    const std::string& section = g_engine.commandSectionName;
    if (section.empty())
        return RenamePath(CommandField(1, "", se::kFieldRoom), CommandField(2, "", se::kFieldRoom), " Rename ") ? CommandResult::Ran : CommandResult::Failed;

    const auto lines = ReadProfileSection(section.c_str(), g_engine.scriptPath);
    if (!lines) {
        WriteLog("ERROR-=-", "Missing the Data section or need an extra comma");
        return CommandResult::Failed;
    }
    // A failed rename never ends the list.
    for (const std::string& line : *lines) RenameListLine(line);
    return CommandResult::Ran;
}
