// The platform floor of each engine workload: the system calls that work
// cannot avoid, made directly and nothing else, so that the engine's figures
// can be read against it.
//
//   floor start   SCRIPT WORKCOPY            copy the script, read [CommandsList]
//   floor compile SCRIPT WORKCOPY            ... and write [Commands] in one section write
//   floor loop    SCRIPT WORKCOPY LOG N      ... then N times the per-command reads, the
//                                            two log entries of a command 32 (its line, on
//                                            disk before it runs, and its message), the
//                                            CurrentCmd write and flush
//   floor copy    FROM TO N [LOG]            N CopyFileA calls FROM\fN -> TO\fN
//   floor reg     KEY N [LOG]                N RegCreateKeyEx/RegSetValueEx/RegCloseKey under HKCU\KEY
// With LOG, each copy or value also makes the log entries command 15 (two) or
// command 14 (three) must write for it, each opened, appended and closed.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Section(const char* name, const char* file)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const DWORD n = GetPrivateProfileSectionA(name, buffer.data(), static_cast<DWORD>(buffer.size()), file);
        if (n < buffer.size() - 2) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

// The compiled keys of a list as the engine writes them: the type, the text
// after it, and each comma-separated field after the type in a key of its own,
// so the floor hands the system the same keys and bytes.
std::string CompiledSection(const std::string& list)
{
    std::string out;
    int n = 0;
    for (std::size_t at = 0; at < list.size() && list[at] != '\0'; ++n) {
        const std::string line(list.c_str() + at);
        at += line.size() + 1;
        const std::size_t comma = line.find(',');
        const std::string num = std::to_string(n);
        out += "Cmd" + num + "=" + line.substr(0, comma) + '\0';
        out += "FullCmdSection" + num + "=" + (comma == std::string::npos ? "" : line.substr(comma)) + '\0';
        for (std::size_t field = 0, from = comma; from != std::string::npos; ++field) {
            const std::size_t end = line.find(',', from + 1);
            out += "CmdSection" + num + "." + std::to_string(field) + "=" + line.substr(from + 1, end - from - 1) + '\0';
            from = end;
        }
    }
    return out + '\0';
}

int Start(const char* script, const char* copy, bool compile)
{
    CopyFileA(script, copy, FALSE);
    const std::string list = Section("CommandsList", copy);
    if (compile) WritePrivateProfileSectionA("Commands", CompiledSection(list).c_str(), copy);
    return 0;
}

void AppendLog(const char* log, const std::string& text)
{
    HANDLE h = CreateFileA(log, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    SetFilePointer(h, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

int Loop(const char* script, const char* copy, const char* log, int count)
{
    Start(script, copy, true);
    char value[260];
    for (int n = 0; n < count; ++n) {
        const std::string num = std::to_string(n);
        GetPrivateProfileIntA("Commands", ("Cmd" + num).c_str(), 0, copy);
        GetPrivateProfileStringA("Commands", ("CmdSection" + num + ".0").c_str(), "", value, 256, copy);
        GetPrivateProfileStringA("Commands", ("FullCmdSection" + num).c_str(), "", value, 260, copy);
        SYSTEMTIME t;
        GetLocalTime(&t);
        AppendLog(log, "[00:00:00.000]  floor.exe> CMD" + num + "> CMD32_LogMsg: 32" + value + "\r\n");
        GetLocalTime(&t);
        AppendLog(log, "[00:00:00.000]  floor.exe> " + std::string(value + 1) + "\r\n");
        WritePrivateProfileStringA("Commands", "CurrentCmd", std::to_string(n + 1).c_str(), copy);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, copy);
    }
    return 0;
}

void AppendLogEntries(const char* log, int count, const std::string& text)
{
    if (log == nullptr) return;
    for (int n = 0; n < count; ++n) {
        SYSTEMTIME t;
        GetLocalTime(&t);
        AppendLog(log, "[00:00:00.000]  floor.exe> " + text + "\r\n");
    }
}

int Copy(const std::string& from, const std::string& to, int count, const char* log)
{
    for (int n = 0; n < count; ++n) {
        const std::string name = "\\f" + std::to_string(n);
        AppendLogEntries(log, 2, "   Copying " + from + name + " to " + to + name);
        CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
    }
    return 0;
}

int Registry(const std::string& key, int count, const char* log)
{
    for (int n = 0; n < count; ++n) {
        AppendLogEntries(log, 3, "...adding key: " + key + "\\v" + std::to_string(n));
        HKEY h = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr))
            continue;
        const std::string value = "value" + std::to_string(n);
        RegSetValueExA(h, ("v" + std::to_string(n)).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
        RegCloseKey(h);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode == "start" || mode == "compile") && argc == 4) return Start(argv[2], argv[3], mode == "compile");
    if (mode == "loop" && argc == 6) return Loop(argv[2], argv[3], argv[4], std::atoi(argv[5]));
    if (mode == "copy" && (argc == 5 || argc == 6))
        return Copy(argv[2], argv[3], std::atoi(argv[4]), argc == 6 ? argv[5] : nullptr);
    if (mode == "reg" && (argc == 4 || argc == 5))
        return Registry(argv[2], std::atoi(argv[3]), argc == 5 ? argv[4] : nullptr);
    return 2;
}
