// The debug session, the debug INI functions, the CD-ROM search and the
// registration of COM servers. The debug INI file is read and written with the
// system's own profile functions, not with the library's parser.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "common/guards.h"
#include "nrvini/debug_session.h"
#include "nrvini/ini_text.h"
#include "nrvini/nrvini.h"

using namespace nrvini;

namespace {

bool FileExists(const std::string& path)
{
    WIN32_FIND_DATAA found;
    se::FindHandle find(FindFirstFileA(path.c_str(), &found));
    return static_cast<bool>(find);
}

const char* DebugIniPath()
{
    return DebugSessionState().iniPath.c_str();
}

// The root path "a:\" of a drive letter, in the letter's case.
std::string DriveRoot(char letter)
{
    std::string root = "a:\\";
    root[0] = letter;
    return root;
}

}  // namespace

extern "C" {

int32_t NRVINI_CALL InitDebugSession(uint8_t drive, int32_t force)
{
    DebugState& state = DebugSessionState();
    if (state.session != 0) return 1;
    if (ChooseDebugDrive(drive, force) == 0) return 0;
    if (!FileExists(state.iniPath)) return 0;
    // The switch is read through the session's own reader, which needs the
    // session on.
    state.session = 1;
    char value[21] = {};
    if (GetDebugINIString("DEBUG", "Debug", value, 20, "OFF") == 0 || EqualsNoCase(value, "OFF")) state.session = 0;
    return state.session;
}

int32_t NRVINI_CALL DebugMode(void)
{
    return DebugSessionState().session;
}

char NRVINI_CALL DebugDisketteAvailable(uint8_t drive)
{
    return static_cast<char>(ProbeDiskette(drive));
}

int32_t NRVINI_CALL GetDebugINIString(const char* section, const char* key, char* buffer, uint16_t size,
                                      const char* defaultText)
{
    if (section == nullptr || key == nullptr || buffer == nullptr) return 0;
    try {
        const std::size_t length = DebugReadLength(size);
        std::vector<char> scratch(length, '\0');
        const std::string fallback = DebugDefault(defaultText);
        if (DebugSessionState().session == 0) return 0;
        const DWORD count = GetPrivateProfileStringA(section, key, fallback.c_str(), scratch.data(),
                                                     static_cast<DWORD>(length), DebugIniPath());
        CopyDebugText(scratch.data(), length, buffer);
        return count != 0 ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t NRVINI_CALL GetDebugINIInt(const char* section, const char* key, uint16_t* result, uint16_t defaultValue)
{
    if (section == nullptr || key == nullptr || result == nullptr) return 0;
    const std::string fallback = FormatDebugNumber(defaultValue);
    if (DebugSessionState().session == 0) return 0;
    char text[80] = {};
    const DWORD count = GetPrivateProfileStringA(section, key, fallback.c_str(), text, sizeof text, DebugIniPath());
    *result = ParseDebugNumber(text);
    return count != 0 ? 1 : 0;
}

int32_t NRVINI_CALL SetDebugINIString(const char* section, const char* key, const char* value)
{
    if (DebugSessionState().session == 0) return 0;
    return WritePrivateProfileStringA(section, key, value, DebugIniPath());
}

int32_t NRVINI_CALL SetDebugINIInt(const char* section, const char* key, uint16_t value)
{
    if (DebugSessionState().session == 0) return 0;
    return WritePrivateProfileStringA(section, key, FormatDebugNumber(value).c_str(), DebugIniPath());
}

// Scans from the start letter itself up to "Z", or up to "z" for a lower-case
// start letter; the letter comes back in the case it was tested in.
uint8_t NRVINI_CALL FindCDROM(uint8_t drive)
{
    if (drive < 'A') return 0;
    const uint8_t last = drive >= 'a' && drive <= 'z' ? 'z' : 'Z';
    for (unsigned letter = drive; letter <= last; ++letter) {
        if (GetDriveTypeA(DriveRoot(static_cast<char>(letter)).c_str()) == DRIVE_CDROM) return static_cast<uint8_t>(letter);
    }
    return 0;
}

int32_t NRVINI_CALL RegisterServer(const char* path, int32_t doRegister)
{
    const HRESULT initialised = OleInitialize(nullptr);
    if (FAILED(initialised)) return initialised;
    HRESULT result = static_cast<HRESULT>(kEFail);
    {
        se::Library library(LoadLibraryA(path));
        if (!library) {
            result = static_cast<HRESULT>(LoadFailureResult(GetLastError()));
        } else {
            using EntryPoint = HRESULT(STDAPICALLTYPE*)();
            const auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(
                GetProcAddress(library.get(), doRegister != 0 ? "DllRegisterServer" : "DllUnregisterServer")));
            if (entry != nullptr) result = entry();
        }
    }
    OleUninitialize();
    return result;
}

}  // extern "C"
