#pragma once
// The calls through which the engine changes the disk and the registry. Each
// goes through one table: the deliverable fills it with the system's own
// functions; a test build puts wrappers in front that stop the process or fail
// at a chosen call, so that every point at which a run can be cut is tried,
// not only those a random kill happens to meet. Call sites read as the system
// call with a `sys::` in front.
#include <windows.h>

namespace sys {

#define SE_SYSTEM_CALLS(X)                                                                                       \
    X(CreateFileA) X(WriteFile) X(SetEndOfFile) X(FlushFileBuffers) X(MoveFileA) X(MoveFileExA) X(CopyFileA)    \
    X(DeleteFileA) X(CreateDirectoryA) X(RemoveDirectoryA) X(SetFileAttributesA) X(WritePrivateProfileStringA) \
    X(WritePrivateProfileSectionA) X(RegCreateKeyExA) X(RegSetValueExA) X(RegDeleteValueA) X(RegDeleteKeyA)

struct Table {
#define SE_TABLE_FIELD(name) decltype(&::name) name;
    SE_SYSTEM_CALLS(SE_TABLE_FIELD)
#undef SE_TABLE_FIELD
};

// The functions every call below goes through.
Table& Calls();

#define SE_FORWARD(name)                                 \
    template <typename... Args>                          \
    inline auto name(Args... args)                       \
    {                                                    \
        return Calls().name(args...);                    \
    }
SE_SYSTEM_CALLS(SE_FORWARD)
#undef SE_FORWARD

}  // namespace sys
