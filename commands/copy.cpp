// Copy commands (types 1, 2 and 15) and the tree copy SBCopyFile.
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

std::string ParameterKey(const char* key)
{
    return ProfileString(g_engine.commandSectionName.c_str(), key, "", se::kFieldRoom, g_engine.scriptPath);
}

std::string CommonStartupFolder()
{
    return ProfileString(g_engine.languageDataSection.c_str(), "CommonStartupFolder", se::kDefaultStartupFolder,
                         se::kFieldRoom, g_engine.scriptPath);
}

bool PathsFit(const std::string& a, const std::string& b)
{
    return PathFits(a, se::kMaxFilePath) && PathFits(b, se::kMaxFilePath);
}

// The identity of the destination folder of one tree copy: a source folder
// that turns out to be it (reached through a mount, or made while the copy
// ran) is never copied into itself.
using TreeTarget = std::optional<std::string>;

void CopyTree(const std::string& source, const std::string& destination, const TreeTarget& target);

void CopyTreeDirectory(const std::string& from, const std::string& to, const TreeTarget& target)
{
    if (target && PathIdentity(from) == target) {
        WriteLog("NOTICE:", "SBCopyFile() - not copying " + from + ", the destination of the copy");
        return;
    }
    // An existing directory is not reported; the copy goes on below it either way.
    if (!sys::CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        WriteLog("SBCopyFile() -  " + LastErrorEquals(), "\nfunction CreateDirectory() failed on Dir=" + to);
    CopyTree(from, to, target);
}

void CopyTreeFile(const std::string& from, const std::string& to)
{
    WriteLog("  ", " Copying " + from + " to " + to);
    if (!sys::CopyFileA(from.c_str(), to.c_str(), FALSE))
        WriteLog("SBCopyFile -  " + LastErrorEquals(), "\nfunction CopyFile() failed on src=" + from + ", dst=" + to);
}

void CopyTree(const std::string& source, const std::string& destination, const TreeTarget& target)
{
    WIN32_FIND_DATAA found;
    {
        se::FindHandle lookup(FindFirstFileA(source.c_str(), &found));
        if (!lookup) {
            WriteLog(" FindFirstFile(" + source + ") " + LastErrorText("", "-"), "SBCopyFile() - Invalid File Handle - " + source);
            return;
        }
    }
    const std::string pattern = se::JoinPath(source, "*.*");
    const std::string sourcePrefix = se::JoinPath(source, ""), destinationPrefix = se::JoinPath(destination, "");
    se::FindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        WriteLog("SBCopyFile() - Invalid File Handle - " + pattern, "\nFindFirstFile(" + pattern + ") " + LastErrorText("", "-"));
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string from = sourcePrefix + name, to = destinationPrefix + name;
        if (!PathsFit(from, to)) continue;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            CopyTreeFile(from, to);
        } else if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A junction or link may lead back up the tree: it is not followed.
            WriteLog("NOTICE:", "SBCopyFile() - not following the link " + from);
        } else {
            CopyTreeDirectory(from, to, target);
        }
    } while (FindNextFileA(search.get(), &found));
}

// Copies one "source, destination" line of a parameter section; false when a
// file copy failed, which ends the list.
bool CopyListLine(const std::string& text)
{
    se::ListLine line = se::ParseListLine(text);
    switch (line.kind) {
    case se::ListLineKind::MissingComma:
        WriteLog("WARNINIG-=-", "CMD15_CopyFile() -   Missing comma >" + text + "<");
        return true;
    case se::ListLineKind::Comment: return true;
    case se::ListLineKind::SourceMissing:
        WriteLog("WARNINIG-=-", "CMD15_CopyFile() -  Invalid Parameters : Source Missing");
        return true;
    case se::ListLineKind::DestinationMissing:
        WriteLog("WARNINIG-=-", "CMD15_CopyFile() -  Invalid Parameters : Destination Missing");
        return true;
    case se::ListLineKind::Wildcard: WriteLog("NOTICE:", "Wild Cards not supported yet."); return true;
    case se::ListLineKind::Ready: break;
    }
    if (line.trailingBackslashRemoved)
        WriteLog("WARNINIG-=-", "CMD15_CopyFile() -  removing trailing \\ from destination");

    const std::string source = ExpandPath(line.source);
    std::string destination = ExpandPath(line.destination);
    if (!PathsFit(source, destination)) return true;
    WriteLog("  ", "CMD - copy " + source + " to " + destination);

    const DWORD sourceAttributes = GetFileAttributesA(source.c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES) {
        WriteLog("CMD15_CopyFile() -  Invalid Parameters : SourceFile (" + source + ") does not Exist", "");
        return true;
    }
    if (sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        SBCopyFile(source, destination);
        return true;
    }
    // A file copied onto a directory keeps its name inside it.
    const DWORD destinationAttributes = GetFileAttributesA(destination.c_str());
    if (destinationAttributes != INVALID_FILE_ATTRIBUTES && (destinationAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        destination = destination + "\\" + se::FileNameOf(source);
        if (!PathFits(destination, se::kMaxFilePath)) return true;
    }
    WriteLog("  ", " Copying " + source + " to " + destination);
    if (sys::CopyFileA(source.c_str(), destination.c_str(), FALSE)) return true;
    WriteLog("CMD15_CopyFile() -  " + LastErrorEquals(),
             "\nfunction CopyFile() failed on src=" + source + ", dst=" + destination);
    return false;
}

CommandResult CopyInline()
{
    const std::string source = ExpandPath(CommandField(1, "", se::kFieldRoom));
    const std::string destination = ExpandPath(CommandField(2, "", se::kFieldRoom));
    if (!PathsFit(source, destination)) return CommandResult::Failed;
    if (!sys::CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
        WriteLog("CMD15_CopyFile() -  " + LastErrorEquals(),
                 "\nfunction CopyFile() failed on src=" + source + ", dst=" + destination);
        return CommandResult::Failed;
    }
    WriteLog("  ", " Copying " + source + " to " + destination);
    return CommandResult::Ran;
}

}  // namespace

void SBCopyFile(const std::string& source, const std::string& destination)
{
    // A destination inside the source would meet the directories just made
    // and nest copies until the paths overflow: refused before anything is copied.
    // Judged by identity, so an 8.3 name, a link or a prefixed spelling of the
    // source is caught as well as its plain name.
    if (IsSameOrInside(destination, source)) {
        WriteLog("ERROR-=-", "SBCopyFile() - cannot copy " + source + " into " + destination + ", which lies inside it");
        return;
    }
    CopyTree(source, destination, PathIdentity(destination));
}

CommandResult CMD01_Copy_Lnk2StartF_W2000()
{
    const std::string file = ParameterKey("AddLinkFile");
    const std::string destination = se::JoinPath(CommonStartupFolder(), se::FileNameOf(file));
    if (!PathsFit(file, destination)) return CommandResult::Ran;
    WriteLog("...", "CopyFile(" + file + "," + destination + ")");
    if (!sys::CopyFileA(file.c_str(), destination.c_str(), FALSE))
        WriteLog("FAIL - Failure with CopyFile( )", LastErrorText("", " - "));
    return CommandResult::Ran;
}

CommandResult CMD02_DEL_LnkInStartF_W2000()
{
    const std::string path = se::JoinPath(CommonStartupFolder(), ParameterKey("DeleteLinkFile"));
    if (!PathFits(path, se::kMaxFilePath)) return CommandResult::Ran;
    WriteLog("...", "DeleteFile(" + path + ")");
    if (!sys::DeleteFileA(path.c_str())) WriteLog("FAIL - Failure with DeleteFile( )", LastErrorText("", " - "));
    return CommandResult::Ran;
}

CommandResult CMD15_CopyFile()
{
    const std::string& section = g_engine.commandSectionName;
    if (section.empty()) return CopyInline();

    const auto lines = ReadProfileSection(section.c_str(), g_engine.scriptPath);
    if (!lines) {
        WriteLog("ERROR-=-", "Missing the Data section or need an extra comma");
        return CommandResult::Failed;
    }
    for (const std::string& line : *lines)
        if (!CopyListLine(line)) return CommandResult::Failed;
    return CommandResult::Ran;
}
