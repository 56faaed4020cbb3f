// Under Wine: one key read through NRVINI.dll against the system's own
// GetPrivateProfileStringA on the same files. Run by hand:
//   tools/wine-run <tree>/bin/nrvini_wine_bench.exe
#include <windows.h>

#include <cstdio>
#include <string>

#include "nrvini/nrvini.h"

namespace {

std::string MakeFile(const std::string& dir, int lines)
{
    const std::string path = dir + "bench" + std::to_string(lines) + ".ini";
    std::string text;
    for (int section = 0; section * 10 < lines; ++section) {
        text += (section > 0 ? "\r\n[Section" : "[Section") + std::to_string(section) + "]\r\n";
        for (int key = 0; key < 9; ++key) {
            text += "Key" + std::to_string(key) + "=Value " + std::to_string(section) + "." + std::to_string(key) + "\r\n";
        }
    }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD n = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(h);
    return path;
}

template <class Read>
double NanosecondsPerCall(int calls, Read read)
{
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    read();  // warm the file cache
    QueryPerformanceCounter(&start);
    for (int i = 0; i < calls; ++i) read();
    QueryPerformanceCounter(&stop);
    return 1e9 * static_cast<double>(stop.QuadPart - start.QuadPart) / frequency.QuadPart / calls;
}

}  // namespace

int main()
{
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir.erase(dir.rfind('\\') + 1);
    HMODULE lib = LoadLibraryA((dir + "NRVINI.dll").c_str());
    const auto nrvRead = reinterpret_cast<NrvGetPrivateProfileStringFn>(
        reinterpret_cast<void*>(GetProcAddress(lib, "NrvGetPrivateProfileString")));
    if (nrvRead == nullptr) return 1;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::printf("%8s %14s %14s %8s\n", "lines", "NRVINI ns", "system ns", "ratio");
    for (const int lines : {10, 1000, 10000}) {
        const std::string path = MakeFile(temp, lines);
        const std::string section = "Section" + std::to_string(lines / 10 - 1);
        const int calls = lines >= 10000 ? 200 : 2000;
        char value[256];
        const double nrv = NanosecondsPerCall(calls, [&] {
            nrvRead(section.c_str(), "Key8", "", value, sizeof value, path.c_str());
        });
        const double system = NanosecondsPerCall(calls, [&] {
            GetPrivateProfileStringA(section.c_str(), "Key8", "", value, sizeof value, path.c_str());
        });
        std::printf("%8d %14.0f %14.0f %8.2f\n", lines, nrv, system, nrv / system);
        DeleteFileA(path.c_str());
    }
    FreeLibrary(lib);
    return 0;
}
