// What both back ends share: the paths of the driver file, the device
// exchange and the shape of their log entries (the file's installation and
// removal: driver_install.cpp).
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

std::string ErrorText(DWORD code, const std::string& text) { return "Error=" + std::to_string(code) + ", " + text; }

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
