#include <windows.h>

#include "engine/engine.h"
#include "engine/syscalls.h"
#include "common/guards.h"
#include "engine/core/logline.h"

namespace {

std::string CurrentTimeStamp()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return se::FormatTimeStamp(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

// Opens the log for appending, writes the lines and closes it again, so every
// entry is on disk when the writer returns. A log that cannot be opened loses
// the entry silently. Lines end in a bare line feed here; each one, also a
// line feed inside a message, is written as CR LF.
void AppendToLog(std::string_view lines)
{
    const std::string text = se::WithTextModeLineEnds(lines);
    // GENERIC_WRITE and a seek to the end: Windows 95 and 98 know no append
    // access, and refuse the delete-sharing flag.
    se::FileHandle file(sys::CreateFileA(g_engine.logFilePath.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    SetFilePointer(file.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    sys::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void WriteLog(std::string_view prefix, std::string_view message)
{
    if (!g_engine.loggingOn) return;
    AppendToLog(se::FormatLogLine(CurrentTimeStamp(), g_engine.programFileName, prefix, message) + "\n");
}

void WriteLogText(std::string_view text)
{
    if (!g_engine.loggingOn) return;
    AppendToLog(se::FormatLogTextLine(CurrentTimeStamp(), text) + "\n");
}

void WriteLogLevel(std::string_view first, std::string_view second, int level)
{
    if (!g_engine.loggingOn) return;
    const std::string prefix(se::LevelPrefix(level));
    AppendToLog(prefix + std::string(second) + "\n" + prefix + std::string(first) + "\n");
}

std::string SystemErrorText(DWORD code, std::size_t bufferSize)
{
    char* systemText = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&systemText), 0, nullptr);
    se::LocalMemory owner(systemText);
    std::string oneLine(systemText ? systemText : "", systemText ? length : 0);
    // The system's texts end in a line break; the log wants one line.
    for (char& c : oneLine)
        if (c == '\r' || c == '\n') c = ' ';
    return se::FitBuffer(oneLine, bufferSize);
}

DWORD GetLastErrorText(std::string& text, std::size_t bufferSize)
{
    const DWORD code = GetLastError();
    text = SystemErrorText(code, bufferSize);
    return code;
}

std::string LastErrorText(std::string_view before, std::string_view between)
{
    std::string text;
    const DWORD code = GetLastErrorText(text);
    return std::string(before) + std::to_string(code) + std::string(between) + text;
}

int ShowEngineBox(const std::string& text, const std::string& title, UINT style)
{
    if (g_engine.silent) return IDOK;
    return MessageBoxA(nullptr, text.c_str(), title.c_str(), style);
}
