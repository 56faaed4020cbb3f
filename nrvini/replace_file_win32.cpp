// The C library's rename refuses an existing target on Windows; MoveFileEx
// replaces it in one step.
#include <windows.h>

#include "nrvini/file_io.h"

namespace nrvini {

namespace {

// Windows 95 and 98 have no MoveFileEx (it fails with "not implemented").
// There the old file is deleted and the new one renamed into its place; should
// the rename fail, the old file is put back from a copy kept beside it, so the
// target is never left missing or half written.
bool ReplaceWithoutMoveFileEx(const std::string& source, const std::string& target)
{
    if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        return MoveFileA(source.c_str(), target.c_str()) != 0;
    const std::string backup = source + ".old";
    DeleteFileA(backup.c_str());
    if (!MoveFileA(target.c_str(), backup.c_str())) return false;
    if (MoveFileA(source.c_str(), target.c_str())) {
        DeleteFileA(backup.c_str());
        return true;
    }
    MoveFileA(backup.c_str(), target.c_str());
    return false;
}

}  // namespace

bool ReplaceFileWith(const std::string& source, const std::string& target)
{
    if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    return ReplaceWithoutMoveFileEx(source, target);
}

}  // namespace nrvini
