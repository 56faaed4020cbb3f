// The driver file's installation and removal, shared by both back ends, as
// steps between states that the disk itself shows: a run killed at any step
// leaves one of these states, and the next run reads it and goes on from it.
//
// Names: I is the installed path, S = I.sav beside it, T = I.new the staging
// name this engine owns. "Our bytes" are those of the driver file beside the
// engine.
//
// What must hold: a file at I that a run did not put there is, after every
// run (killed or not, however often restarted), still at I byte for byte.
// Nothing in a run uses the driver, so a run that finds a file at I leaves it
// and installs none. A file at I is ours only while the empty mark S stands
// beside it and the file holds our bytes; a run makes the mark before its copy
// exists and removes it after its copy is gone.
//
// Older builds moved a file that stood at I aside to S (a non-empty S, "the
// saved file") and put it back at the end. Their leftovers are finished here:
// their copy (our bytes, the saved file beside it) is deleted and the saved
// file moved back while I is empty.
//
// State          S             I          load does                  removal does
// Clean          none          none       make the mark              (delete I: the error is logged)
// Marked         empty mark    none       copy to T, move T to I     delete I (error logged), then S
// Installed      empty mark    our bytes  keep it as this run's copy delete I, then S
// MarkOverOther  empty mark    other      delete S                   leave I, delete S
// SavedAside     saved file    none       move S to I                -
// SavedOverCopy  saved file    our bytes  delete I                   -
// LeftAsItIs     none          a file     nothing                    nothing
//                saved file    other
//                a directory   anything
// ("other": a file that does not hold our bytes, or a directory.)
//
// A kill at each step: the state the disk shows -> what the next run does ->
// why a file at I that is not ours survives.
// make S (Clean -> Marked)
//     Clean or Marked -> installs from there -> S is made with CREATE_NEW, and
//     only while I is empty.
// drop T, copy to T (in Marked)
//     Marked, T gone, partial or whole -> drops T, copies again -> T is
//     never I, and a partial copy never reaches I.
// move T to I (Marked -> Installed)
//     Marked with T, or Installed -> as above, or takes the copy over and
//     removes it at its end -> MoveFile never replaces: a file that appeared
//     at I meanwhile makes the move fail and stays.
// delete I at the end (Installed -> Marked)
//     Installed or Marked -> removes the copy, or installs a new one and
//     removes it -> I is deleted only when it holds our bytes beside S.
// delete S at the end (Marked -> Clean)
//     Marked or Clean -> installs and removes as usual -> I is empty.
// delete S (MarkOverOther -> LeftAsItIs)
//     MarkOverOther or LeftAsItIs -> deletes S, or nothing -> I is not
//     touched in either state.
// delete our copy (SavedOverCopy -> SavedAside)
//     SavedOverCopy or SavedAside -> deletes it, puts S back -> I is
//     deleted only when it holds our bytes beside the saved file.
// move S to I (SavedAside -> LeftAsItIs)
//     SavedAside or LeftAsItIs -> puts S back, or leaves both -> the move
//     goes onto an empty I and never replaces.
// The deletes of our copy first clear its read-only attribute (a copy of a
// read-only source is read-only); a kill between leaves the same bytes and
// the same state. LeftAsItIs writes nothing.
//
// A file another program puts at I at any time reads as MarkOverOther or
// LeftAsItIs, and is never changed, unless it holds exactly our bytes while
// our mark stands beside it.
#include <windows.h>

#include <cstring>

#include "driver/backend.h"
#include "engine/engine.h"
#include "engine/syscalls.h"

namespace se::driver {

namespace {

enum class FileState { Clean, Marked, Installed, MarkOverOther, SavedAside, SavedOverCopy, LeftAsItIs };

enum class Found { Nothing, EmptyFile, File, Directory };

// FindFirstFile gives the size on Windows 95, which has no GetFileAttributesEx.
Found Look(const std::string& path)
{
    WIN32_FIND_DATAA data;
    se::FindHandle search(FindFirstFileA(path.c_str(), &data));
    if (!search) return Found::Nothing;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Found::Directory;
    return data.nFileSizeHigh == 0 && data.nFileSizeLow == 0 ? Found::EmptyFile : Found::File;
}

se::FileHandle OpenForReading(const std::string& path)
{
    return se::FileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// True only when both files can be read and hold the same bytes.
bool SameBytes(const std::string& a, const std::string& b)
{
    const se::FileHandle first = OpenForReading(a), second = OpenForReading(b);
    if (!first || !second || GetFileSize(first.get(), nullptr) != GetFileSize(second.get(), nullptr)) return false;
    char x[4096], y[4096];
    for (;;) {
        DWORD n = 0, m = 0;
        if (!ReadFile(first.get(), x, sizeof x, &n, nullptr) || !ReadFile(second.get(), y, sizeof y, &m, nullptr) ||
            n != m || std::memcmp(x, y, n) != 0)
            return false;
        if (n == 0) return true;
    }
}

FileState ReadState(const InstalledFile& file)
{
    const Found aside = Look(AsidePath(file.path)), installed = Look(file.path);
    if (aside == Found::Directory) return FileState::LeftAsItIs;
    if (installed == Found::Nothing)
        return aside == Found::Nothing ? FileState::Clean : aside == Found::EmptyFile ? FileState::Marked : FileState::SavedAside;
    const bool ours = installed != Found::Directory && SameBytes(file.path, file.source);
    if (aside == Found::EmptyFile) return ours ? FileState::Installed : FileState::MarkOverOther;
    if (aside == Found::File && ours) return FileState::SavedOverCopy;
    return FileState::LeftAsItIs;
}

std::string StagingPath(const std::string& installed) { return installed + ".new"; }

void ClearReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) sys::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

// The staging file is this engine's alone; one found was left by a killed run.
void DropStaging(const InstalledFile& file)
{
    const std::string staging = StagingPath(file.path);
    ClearReadOnly(staging);
    sys::DeleteFileA(staging.c_str());
}

// The entry of a failed call, its error taken before anything else runs.
bool Failed(const char* who, const char* call, const std::string& path, const std::string& second = {})
{
    const std::string error = LastErrorEquals();
    LogWarning(std::string(who) + " - " + call + "(" + path + (second.empty() ? "" : ", " + second) +
               ") returned with " + error);
    return false;
}

bool MakeMark(const InstalledFile& file, const char* who)
{
    const std::string mark = AsidePath(file.path);
    const se::FileHandle made(
        sys::CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return made || Failed(who, "CreateFile", mark);
}

bool DeleteMark(const InstalledFile& file, const char* who)
{
    const std::string mark = AsidePath(file.path);
    return sys::DeleteFileA(mark.c_str()) || Failed(who, "DeleteFile", mark);
}

// Our copy at the installed path, read-only or not.
bool DeleteOurCopy(const InstalledFile& file, const char* who)
{
    ClearReadOnly(file.path);
    return sys::DeleteFileA(file.path.c_str()) || Failed(who, "DeleteFile", file.path);
}

// The copy goes to the staging name and is moved to the installed path in one
// step, so the installed path never holds part of a copy. A copy refused with
// access denied is tried once more without the read-only attribute; after a
// failed second copy the code is given as 5 with the text of the first failure.
int CopyIn(const InstalledFile& file, const DriverFileTexts& texts)
{
    const std::string staging = StagingPath(file.path);
    bool copied = sys::CopyFileA(file.source.c_str(), staging.c_str(), FALSE) != FALSE;
    if (!copied) {
        std::string text;
        const DWORD code = GetLastErrorText(text);
        if (code == ERROR_ACCESS_DENIED) {
            ClearReadOnly(staging);
            copied = sys::CopyFileA(file.source.c_str(), staging.c_str(), FALSE) != FALSE;
        }
        if (!copied) {
            LogWarning(std::string(texts.copy) + " - CopyFile(" + file.source + ", " + file.path +
                       ", FALSE) returned with " + ErrorText(code, text));
            DropStaging(file);
            return 1;
        }
    }
    if (!sys::MoveFileA(staging.c_str(), file.path.c_str())) {
        Failed(texts.load, "MoveFile", staging, file.path);
        DropStaging(file);
        return 1;
    }
    WriteLogText(texts.loaded);
    return 0;
}

// One entry for the files this run leaves as they are: I, and S unless it is
// this engine's mark.
void NoticeLeftAsItIs(const InstalledFile& file, const char* who, const char* tail)
{
    std::string paths;
    if (Look(file.path) != Found::Nothing) paths = file.path;
    const std::string aside = AsidePath(file.path);
    const Found found = Look(aside);
    const bool both = !paths.empty() && (found == Found::File || found == Found::Directory);
    if (both) paths += " and " + aside;
    else if (paths.empty()) paths = aside;
    WriteLogText(std::string("NOTICE: ") + who + " - " + paths +
                 (both ? " were not put there by this engine and are left as they are"
                       : " was not put there by this engine and is left as it is") +
                 tail);
}

// An older build's saved file goes back to the empty installed path.
int PutBack(const InstalledFile& file, const DriverFileTexts& texts)
{
    const std::string aside = AsidePath(file.path);
    if (!sys::MoveFileA(aside.c_str(), file.path.c_str())) {
        Failed(texts.load, "MoveFile", aside, file.path);
        return 1;
    }
    WriteLogText(std::string("NOTICE: ") + texts.load + " - " + file.path +
                 " had been set aside by a run that did not end and has been put back; no copy of the driver is installed");
    return 0;
}

}  // namespace

std::string AsidePath(const std::string& installed) { return installed + ".sav"; }

// Each pass takes one step and reads the disk again, so a run goes on from a
// killed run's state exactly as from its own.
int InstallDriverFile(InstalledFile& file, const DriverFileTexts& texts)
{
    file.holdsMark = false;
    for (;;) {
        DropStaging(file);
        switch (ReadState(file)) {
        case FileState::Clean:
            if (!MakeMark(file, texts.load)) return 1;
            break;
        case FileState::Marked:
            file.holdsMark = true;
            return CopyIn(file, texts);
        case FileState::Installed:
            // A killed run's copy, which this run takes over.
            file.holdsMark = true;
            WriteLogText(texts.loaded);
            return 0;
        case FileState::MarkOverOther:
            if (!DeleteMark(file, texts.load)) return 1;
            break;
        case FileState::SavedOverCopy:
            if (!DeleteOurCopy(file, texts.load)) return 1;
            break;
        case FileState::SavedAside:
            return PutBack(file, texts);
        case FileState::LeftAsItIs:
            NoticeLeftAsItIs(file, texts.load, "; no copy of the driver is installed");
            return 0;
        }
    }
}

// Only a run that holds the mark removes anything: its copy, when the file at
// the installed path still holds our bytes, then the mark once nothing stands
// there. A copy that cannot be deleted keeps its mark for the next run.
void RemoveDriverFile(InstalledFile& file, const DriverFileTexts& texts)
{
    if (!file.holdsMark) return;
    file.holdsMark = false;
    switch (ReadState(file)) {
    case FileState::Clean:
    case FileState::Marked:
    case FileState::Installed:
        // Where the copy failed nothing stands: the delete reports that.
        if (DeleteOurCopy(file, texts.remove)) WriteLogText(texts.removed);
        break;
    default:
        NoticeLeftAsItIs(file, texts.remove, "");
        break;
    }
    const FileState now = ReadState(file);
    if (now == FileState::Marked || now == FileState::MarkOverOther) DeleteMark(file, texts.remove);
}

}  // namespace se::driver
