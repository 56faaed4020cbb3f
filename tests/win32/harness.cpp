#include "harness.h"

#include "common/guards.h"

#include <algorithm>
#include <cstring>
#include <regex>

namespace test {

std::string ModuleDirectory()
{
    char buffer[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, std::strrchr(buffer, '\\'));
}

std::string ReadFileText(const std::string& path)
{
    const se::FileHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    std::string text;
    char chunk[4096];
    DWORD n = 0;
    while (h && ReadFile(h.get(), chunk, sizeof chunk, &n, nullptr) && n > 0) text.append(chunk, n);
    return text;
}

bool WriteFileText(const std::string& path, const std::string& text)
{
    const se::FileHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD n = 0;
    return h && WriteFile(h.get(), text.data(), static_cast<DWORD>(text.size()), &n, nullptr) && n == text.size();
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> ListDirectory(const std::string& dir, bool directories)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != ".." && ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == directories)
            names.push_back(name);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

static void RemoveTree(const std::string& path)
{
    for (const bool directories : {false, true}) {
        for (const std::string& name : ListDirectory(path, directories)) {
            const std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            directories ? RemoveTree(full) : void(DeleteFileA(full.c_str()));
        }
    }
    RemoveDirectoryA(path.c_str());
}

std::string MaskLog(const std::string& log)
{
    static const std::regex stamp(R"(\[\d\d:\d\d:\d\d\.\d\d\d\])");
    return ReplaceAll(std::regex_replace(log, stamp, "[TIME]"), "\r\n", "\n");
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

Sandbox::Sandbox(const std::string& name) : dir_("C:\\se\\" + name), temp_(dir_ + "\\tmp\\")
{
    RemoveTree(dir_);
    for (const std::string& d : {std::string("C:\\se"), dir_, temp_}) CreateDirectoryA(d.c_str(), nullptr);
    // The driver files lie beside the engine, as they do on a real machine.
    for (const char* file : {"setupengine.exe", "TSLInt15.VxD", "TSLMGMT.SYS"})
        CopyFileA((ModuleDirectory() + "\\" + file).c_str(), path(file).c_str(), FALSE);
}

std::string Sandbox::Fill(std::string text) const
{
    // The system directory as a program of the test tree's width sees it.
    return ReplaceAll(ReplaceAll(ReplaceAll(text, "{DIR}", dir_), "{TMP}", temp_), "{SYS}", SystemDirectory());
}

std::string Sandbox::Unfill(std::string text) const
{
    // The temporary directory lies inside the program directory: it goes first.
    return ReplaceAll(ReplaceAll(ReplaceAll(text, temp_, "{TMP}"), dir_, "{DIR}"), SystemDirectory(), "{SYS}");
}

void Sandbox::AddFile(const std::string& target, const std::string& text) { WriteFileText(path(target), Fill(text)); }

// The engine gets the test's environment with TMP and TEMP pointing at the
// sandbox, so its working copy lands there.
static std::string EnvironmentWithTemp(const std::string& temp)
{
    std::string block;
    char* env = GetEnvironmentStringsA();
    for (const char* p = env; *p; p += std::strlen(p) + 1)
        if (_strnicmp(p, "TMP=", 4) != 0 && _strnicmp(p, "TEMP=", 5) != 0) block += std::string(p) + '\0';
    FreeEnvironmentStringsA(env);
    const std::string t = temp.size() > 3 && temp.back() == '\\' ? temp.substr(0, temp.size() - 1) : temp;
    return block + "TMP=" + t + '\0' + "TEMP=" + t + '\0' + '\0';
}

HANDLE StartProcess(const std::string& exe, const std::string& arguments, const char* environment, const char* directory,
                    bool suspended)
{
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, suspended ? CREATE_SUSPENDED : 0,
                        const_cast<char*>(environment), directory, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

void ResumeProcess(HANDLE process)
{
    using NtResume = LONG(NTAPI*)(HANDLE);
    reinterpret_cast<NtResume>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll"), "NtResumeProcess")))(process);
}

RunResult WaitForProcess(HANDLE process, DWORD timeoutMs)
{
    RunResult result;
    if (!process) return result;
    result.finished = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    if (result.finished) GetExitCodeProcess(process, &result.exitCode);
    else TerminateProcess(process, 99);
    CloseHandle(process);
    return result;
}

HANDLE Sandbox::Start(const std::string& arguments, bool suspended) const
{
    return StartProcess(exe(), arguments, EnvironmentWithTemp(temp_).c_str(), dir_.c_str(), suspended);
}

RunResult Sandbox::Run(const std::string& arguments, DWORD timeoutMs) const { return WaitForProcess(Start(arguments), timeoutMs); }

void SetPersonality(const std::string& exeName, const std::string& version)
{
    const std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr)) return;
    if (version.empty()) RegDeleteValueA(h, "Version");
    else RegSetValueExA(h, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()), static_cast<DWORD>(version.size() + 1));
    RegCloseKey(h);
}

std::string SystemDirectory()
{
    char buffer[MAX_PATH] = {};
    return std::string(buffer, GetSystemDirectoryA(buffer, MAX_PATH));
}

BoxSeen AnswerBox(const char* caption, WPARAM button, DWORD timeoutMs)
{
    HWND box = nullptr;
    for (DWORD waited = 0; !box && waited < timeoutMs; waited += 50)
        if (!(box = FindWindowA("#32770", caption))) Sleep(50);
    if (!box) return {};
    std::vector<char> text(65536);
    GetDlgItemTextA(box, 0xFFFF, text.data(), static_cast<int>(text.size()));
    const bool systemModal = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 && GetWindow(box, GW_OWNER) == nullptr;
    PostMessageA(box, WM_COMMAND, button, 0);
    return {true, text.data(), systemModal};
}

std::string IniValue(const std::string& file, const char* section, const char* key, const char* defaultText)
{
    char buffer[1024] = {};
    return std::string(buffer, GetPrivateProfileStringA(section, key, defaultText, buffer, sizeof buffer, file.c_str()));
}

}  // namespace test
