#include <windows.h>

#include "engine/engine.h"
#include "engine/core/varscan.h"

namespace {

std::string FolderFrom(UINT(WINAPI* query)(LPSTR, UINT))
{
    char buffer[MAX_PATH] = {};
    const UINT length = query(buffer, MAX_PATH);
    return length < MAX_PATH ? std::string(buffer, length) : std::string();
}

// The machine and the working copy, as the expansion sees them.
class EngineVariables final : public se::VariableSource {
public:
    std::string ProgramDirectory() override { return g_engine.programDirectory; }
    std::string WindowsDirectory() override { return WindowsFolder(); }
    std::string SystemDirectory() override { return SystemFolder(); }
    std::string TempDirectory() override
    {
        char buffer[MAX_PATH] = {};
        const DWORD length = GetTempPathA(MAX_PATH, buffer);
        return (length == 0 || length > MAX_PATH - 1) ? std::string() : std::string(buffer, length);
    }
    unsigned long ProcessId() override { return GetCurrentProcessId(); }
    unsigned short UserLanguageId() override { return GetUserDefaultLangID(); }
    std::string ReadVariable(int number) override
    {
        return ProfileString("Variables", se::VariableKey(number).c_str(), "", MAX_PATH, g_engine.scriptPath);
    }
    void WriteVariable(int number, const std::string& value) override
    {
        WriteEngineKey("Variables", se::VariableKey(number), value);
    }
};

}  // namespace

int GetVariable(std::string& text, std::size_t bufferSize)
{
    EngineVariables source;
    return se::ExpandVariables(text, bufferSize, source);
}

bool FitsWithin(const std::string& text, std::size_t limit, std::string_view what)
{
    if (text.size() <= limit) return true;
    WriteLog("ERROR-=-", std::string(what) + " of " + std::to_string(text.size()) + " characters refused, at most " +
                             std::to_string(limit) + ": " + text);
    return false;
}

bool SubstituteWithin(std::string& text, std::size_t limit, std::string_view what)
{
    GetVariable(text, se::kSubstituteRoom);
    return FitsWithin(text, limit, what);
}

std::string WindowsFolder() { return FolderFrom(GetWindowsDirectoryA); }

std::string SystemFolder() { return FolderFrom(GetSystemDirectoryA); }
