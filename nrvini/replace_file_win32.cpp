// The DLL's save. A new file beside the target takes its place in one step, so
// a failed or killed save never leaves the target half written. Where that
// replacement cannot be made, or would change what the file is, the bytes are
// written into the target itself, as the system's own profile write does.
#include <windows.h>

#include "common/guards.h"
#include "nrvini/file_io.h"

namespace nrvini {

namespace {

// What the new file takes over from the target; the archive attribute goes on
// every file written.
constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The old file while a replacement without MoveFileEx sets it aside; named
// after the target, so the next call finds it whatever process made it.
std::string AsidePath(const std::string& target) { return TemporaryNameBeside(target) + ".old"; }

// Windows 95 and 98 have no MoveFileEx (it fails with "not implemented").
// There the old file is renamed aside and the new one renamed into its place;
// should the rename fail, the old file is put back, so the target is never
// left missing or half written when the call fails. A process killed between
// the two renames leaves the target missing; RecoverSetAsideFile puts the old
// file back at the next call.
bool ReplaceWithoutMoveFileEx(const std::string& source, const std::string& target)
{
    if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        return MoveFileA(source.c_str(), target.c_str()) != 0;
    const std::string backup = AsidePath(target);
    DeleteFileA(backup.c_str());
    if (!MoveFileA(target.c_str(), backup.c_str())) return false;
    if (MoveFileA(source.c_str(), target.c_str())) {
        DeleteFileA(backup.c_str());
        return true;
    }
    MoveFileA(backup.c_str(), target.c_str());
    return false;
}

bool WriteAllTo(HANDLE file, std::string_view bytes)
{
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// A file with a second name (a hard link) would keep its old text under that
// name if a new file took the place of this one.
bool HasFurtherNames(const std::string& target)
{
    const se::FileHandle file(
        CreateFileA(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    return file && GetFileInformationByHandle(file.get(), &info) && info.nNumberOfLinks > 1;
}

// The bytes written over the target's own contents: its attributes, access
// list and other names stay. A kill half way leaves it half written, so this
// is only the way where no replacement can be made or it would lose them.
bool WriteInPlace(const std::string& target, std::string_view bytes)
{
    const se::FileHandle file(CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAllTo(file.get(), bytes) && SetEndOfFile(file.get());
}

// A temporary file goes whatever attributes it was given.
void RemoveTemporary(const std::string& temporary)
{
    SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(temporary.c_str());
}

// The directory takes no new file, or another program holds the target open
// without letting it be renamed over: the target can still be written.
bool WritableInPlace(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }

}  // namespace

void RecoverSetAsideFile(const std::string& target)
{
    if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    const std::string aside = AsidePath(target);
    if (GetFileAttributesA(aside.c_str()) != INVALID_FILE_ATTRIBUTES) MoveFileA(aside.c_str(), target.c_str());
}

bool ReplaceFileWith(const std::string& source, const std::string& target)
{
    if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    return ReplaceWithoutMoveFileEx(source, target);
}

bool SaveFile(const std::string& target, std::string_view bytes)
{
    RecoverSetAsideFile(target);
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // A read-only file is written where the system lets it be opened for
    // writing, as its own profile write does (Windows refuses it), and stays
    // read-only; a replacement would lose that, or be refused.
    if (exists && ((attributes & FILE_ATTRIBUTE_READONLY) || HasFurtherNames(target))) return WriteInPlace(target, bytes);

    // What a killed save left under this name goes first.
    const std::string temporary = TemporaryNameBeside(target);
    RemoveTemporary(temporary);
    const DWORD carried = exists ? attributes & kCarriedAttributes : 0;
    se::FileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_ARCHIVE | carried, nullptr));
    if (!file) return WritableInPlace(GetLastError()) && WriteInPlace(target, bytes);
    const bool written = WriteAllTo(file.get(), bytes);
    file.reset();
    if (!written) {
        RemoveTemporary(temporary);
        return false;
    }
    if (ReplaceFileWith(temporary, target)) return true;
    const DWORD error = GetLastError();
    RemoveTemporary(temporary);
    return WritableInPlace(error) && WriteInPlace(target, bytes);
}

}  // namespace nrvini
