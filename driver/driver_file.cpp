// What both back ends share: the driver file's installation and removal, the
// device exchange and the shape of their log entries.
#include <windows.h>

#include "driver/backend.h"
#include "driver/driver.h"
#include "engine/engine.h"

namespace se::driver {

TslInt15State g_tslInt15;
TslMgmtState g_tslMgmt;

namespace {

bool ExchangeThroughDeviceIoControl(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                                    DWORD outputSize, DWORD& returned)
{
    return DeviceIoControl(device, code, const_cast<void*>(input), inputSize, output, outputSize, &returned,
                           nullptr) != FALSE;
}

DeviceExchangeFunction g_exchange = ExchangeThroughDeviceIoControl;

bool IsFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The aside file that says no earlier file existed.
bool IsNothingMark(const std::string& path)
{
    // FindFirstFile gives the size on Windows 95, which has no GetFileAttributesEx.
    WIN32_FIND_DATAA found;
    se::FindHandle search(FindFirstFileA(path.c_str(), &found));
    return search && found.nFileSizeHigh == 0 && found.nFileSizeLow == 0;
}

// Puts the earlier file back in place, or drops the mark that there was none;
// true when an earlier file was put back.
bool PutBackEarlierFile(const std::string& aside, const std::string& installed)
{
    if (IsNothingMark(aside)) {
        DeleteFileA(aside.c_str());
        return false;
    }
    return MoveFileA(aside.c_str(), installed.c_str()) != FALSE;
}

void ClearReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

}  // namespace

void SetDeviceExchange(DeviceExchangeFunction exchange)
{
    g_exchange = exchange ? exchange : ExchangeThroughDeviceIoControl;
}

bool ExchangeWithDevice(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                        DWORD outputSize, DWORD& returned)
{
    returned = 0;
    return g_exchange(device, code, input, inputSize, output, outputSize, returned);
}

bool SystemDirectory(std::string& directory)
{
    char buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return false;
    directory.assign(buffer, length);
    // A root directory already ends with its backslash.
    if (directory.back() == '\\') directory.pop_back();
    return true;
}

std::string EngineDirectory()
{
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH + 1);
    const std::string path(buffer, length <= MAX_PATH ? length : 0);
    return path.substr(0, path.rfind('\\') == std::string::npos ? 0 : path.rfind('\\'));
}

std::string AsidePath(const std::string& installed) { return installed + ".sav"; }

bool MoveEarlierFileAside(InstalledFile& file, const char* who)
{
    file.copiedByThisRun = false;
    file.earlierLeftInPlace = false;
    const std::string aside = AsidePath(file.path);
    // An aside file already there was left by a run that did not end: it is
    // the earlier file (or the mark that there was none), and what stands at
    // the installed path is that run's copy, which this run replaces.
    if (IsFile(aside)) return true;
    if (!IsFile(file.path)) {
        // An empty aside file marks "nothing stood here" (a driver file is
        // never empty), so a run killed before its end is recognised.
        se::FileHandle mark(
            CreateFileA(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        return true;
    }
    if (MoveFileA(file.path.c_str(), aside.c_str())) return true;
    LogWarning(std::string(who) + " - MoveFile(" + file.path + ", " + aside + ") returned with " + LastErrorText());
    file.earlierLeftInPlace = true;
    return false;
}

CopyResult CopyDriverFile(const std::string& source, InstalledFile& file)
{
    CopyResult result;
    if (CopyFileA(source.c_str(), file.path.c_str(), FALSE)) {
        result.copied = true;
    } else {
        result.code = GetLastErrorText(result.text);
        if (result.code == ERROR_ACCESS_DENIED) {
            ClearReadOnly(file.path);
            result.copied = CopyFileA(source.c_str(), file.path.c_str(), FALSE) != FALSE;
        }
    }
    file.copiedByThisRun = result.copied;
    if (!result.copied) {
        // The earlier file goes back at once; the end of the run leaves it.
        const std::string aside = AsidePath(file.path);
        if (IsFile(aside) && !IsFile(file.path) && PutBackEarlierFile(aside, file.path))
            file.earlierLeftInPlace = true;
    }
    return result;
}

DeleteResult DeleteDriverFile(InstalledFile& file)
{
    DeleteResult result;
    if (file.earlierLeftInPlace) {
        result.skipped = true;
        return result;
    }
    ClearReadOnly(file.path);
    result.deleted = DeleteFileA(file.path.c_str()) != FALSE;
    if (!result.deleted) result.code = GetLastErrorText(result.text);
    file.copiedByThisRun = false;
    return result;
}

void RestoreEarlierFile(InstalledFile& file, const char* who)
{
    const std::string aside = AsidePath(file.path);
    if (file.earlierLeftInPlace || !IsFile(aside)) return;
    if (IsNothingMark(aside)) {
        DeleteFileA(aside.c_str());
    } else if (MoveFileA(aside.c_str(), file.path.c_str())) {
        WriteLogText(std::string("NOTICE: ") + who + " - " + file.path + " that was there before this run has been put back");
        file.earlierLeftInPlace = true;
    } else {
        LogWarning(std::string(who) + " - MoveFile(" + aside + ", " + file.path + ") returned with " + LastErrorText());
    }
}

std::string ErrorText(DWORD code, const std::string& text) { return "Error=" + std::to_string(code) + ", " + text; }

std::string LastErrorText()
{
    std::string text;
    const DWORD code = GetLastErrorText(text);
    return ErrorText(code, text);
}

void LogWarning(const std::string& detail, const std::string& summary) { WriteLogLevel(summary, detail, 2); }
void LogWarning(const std::string& text) { WriteLogLevel(text, text, 2); }
void LogFatal(const std::string& text) { WriteLogLevel(text, text, 0); }

}  // namespace se::driver

void ChooseDriverBackEnd(DriverOperations& table)
{
    if (IsWinNT4() || IsWin2000() || IsWinXP())
        FillDriverTableNT(table);
    else
        FillDriverTable9x(table);
}
