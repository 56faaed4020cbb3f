#pragma once
// State of the two back ends and what they share: the installed driver file,
// the device exchange and the log entries. Tests reach the state through here.
#include <windows.h>

#include <string>

#include "engine/guards.h"

namespace se::driver {

// The driver file at its installed place. A file that stood there before the
// run is moved aside beside it and put back at the end, so a driver that
// another program installed survives the run; where none stood, an empty
// aside file says so until the end, so a run killed in between is not taken
// for another program's installation by the next one.
struct InstalledFile {
    std::string path;             // the full installed path, empty until formed
    bool copiedByThisRun = false;
    bool earlierLeftInPlace = false;  // an earlier file this run could not move aside, or put back at once
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
// Where an earlier file waits while this run's copy is installed.
std::string AsidePath(const std::string& installed);

struct CopyResult {
    bool copied = false;
    DWORD code = 0;    // the failure reported: 5 after a failed second copy
    std::string text;  // the text of the first failure
};
// Moves an earlier file aside (false and the entry logged under who when that
// fails: nothing is copied then), copies the source over the installed path,
// once more after clearing the read-only attribute when access is denied, and
// puts the earlier file back at once when the copy fails.
bool MoveEarlierFileAside(InstalledFile& file, const char* who);
CopyResult CopyDriverFile(const std::string& source, InstalledFile& file);

struct DeleteResult {
    bool skipped = false;  // an earlier file stands there: left as it was
    bool deleted = false;
    DWORD code = 0;
    std::string text;
};
DeleteResult DeleteDriverFile(InstalledFile& file);
// Puts an earlier file back after this run's copy is gone; logs under who.
void RestoreEarlierFile(InstalledFile& file, const char* who);

// ---- log entries ----
// "Error=%d, %s" filled with a code and its text.
std::string ErrorText(DWORD code, const std::string& text);
// The last error as "Error=%d, %s".
std::string LastErrorText();
// Entries of the level writer: the detail line first, then the summary.
void LogWarning(const std::string& detail, const std::string& summary);
void LogWarning(const std::string& text);
void LogFatal(const std::string& text);

}  // namespace se::driver
