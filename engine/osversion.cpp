#include <windows.h>

#include "engine/engine.h"
#include "engine/core/osmatch.h"

namespace {

// Asks the system afresh at every call, with the basic version record.
bool RunningOn(se::WindowsVersion version)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    return se::IsVersion(version, info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

}  // namespace

bool IsWin95() { return RunningOn(se::WindowsVersion::Win95); }
bool IsWin98() { return RunningOn(se::WindowsVersion::Win98); }
bool IsWinNT4() { return RunningOn(se::WindowsVersion::WinNT4); }
bool IsWin2000() { return RunningOn(se::WindowsVersion::Win2000); }
bool IsWinXP() { return RunningOn(se::WindowsVersion::WinXP); }
