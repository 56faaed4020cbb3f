#pragma once
// State of the two back ends and what they share: the installed driver file,
// the device exchange and the log entries. Tests reach the state through here.
#include <windows.h>

#include <string>

#include "common/guards.h"

namespace se::driver {

// The driver file at its installed place. The run installs its copy only
// where no file stands, and an empty mark beside the installed path
// (<installed>.sav) says "this engine's copy" from before the copy until after
// its removal, so a run killed in between is recognised by the next one.
// Whatever else stands there is never changed (driver_file.cpp).
struct InstalledFile {
    std::string path;          // the full installed path, empty until formed
    std::string source;        // the driver file beside the engine
    bool holdsMark = false;    // this run made or took over the mark: the end of the run removes its copy
};

struct TslInt15State {
    se::FileHandle device;
    InstalledFile file;
};

struct TslMgmtState {
    se::FileHandle device;
    se::ServiceHandle manager;
    bool createdService = false;  // this run created TSLMgmt12
    bool startedService = false;  // this run started it
    InstalledFile file;
};

extern TslInt15State g_tslInt15;
extern TslMgmtState g_tslMgmt;

// The one way the back ends talk to a driver: a control code with input and
// output bytes. Tests put a fake device behind it.
using DeviceExchangeFunction = bool (*)(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                                        DWORD outputSize, DWORD& returned);
// nullptr restores DeviceIoControl.
void SetDeviceExchange(DeviceExchangeFunction exchange);
bool ExchangeWithDevice(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                        DWORD outputSize, DWORD& returned);

// ---- the driver file (driver_file.cpp) ----
// The system directory without a trailing backslash; false when the system
// gives none (the last error is then that of the call).
bool SystemDirectory(std::string& directory);
// The engine's own directory: its program path up to the last backslash.
std::string EngineDirectory();

// The names and texts of one back end's driver file entries.
struct DriverFileTexts {
    const char* load;     // the routine named in LoadDriver's entries
    const char* copy;     // the routine named in its CopyFile entry
    const char* loaded;   // LoadDriver's success line
    const char* remove;   // the routine named in DeleteDriver's entries
    const char* removed;  // DeleteDriver's success line
};
// <installed>.sav: the empty mark of this engine, or the saved earlier file of
// an older build that moved it aside.
std::string AsidePath(const std::string& installed);
// LoadDriver and DeleteDriver of both back ends, once file.path and
// file.source are formed. Install returns 0 when a driver file stands at the
// installed path (this run's copy, or one left as it is), 1 on a failure.
int InstallDriverFile(InstalledFile& file, const DriverFileTexts& texts);
void RemoveDriverFile(InstalledFile& file, const DriverFileTexts& texts);

// ---- log entries ----
// "Error=%d, %s" filled with a code and its text.
std::string ErrorText(DWORD code, const std::string& text);
// Entries of the level writer: the detail line first, then the summary.
void LogWarning(const std::string& detail, const std::string& summary);
void LogWarning(const std::string& text);
void LogFatal(const std::string& text);

}  // namespace se::driver
