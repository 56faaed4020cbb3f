// setupengine with a fault seam: the engine's own code and main, with a wrapper
// in front of every entry of its system-call table. SE_FAULT_PLAN says what
// happens at the Kth call of a run:
//   kill:K        the process ends before call K does anything
//   cut:K         call K does half its work (a write, a profile write, a copy
//                 cut at half its length), then the process ends
//   fail:K:CODE   call K fails with that system error code
// SE_FAULT_TRACE names a file that gets, when a run was not ended, one line a
// call: "K<TAB>function<TAB>target<TAB>note", target being the path (for a
// write through a handle, the path it was opened with) and note "CMD" for the
// log write of a command's line, else the profile key. SE_FAULT_REPORT names a
// file that gets at the chosen call "window<TAB>call line": the log line of the
// command whose window the call lies in (from that line to the write that
// records the next command), or nothing. The faulted run judges its own call,
// as a faulted run's calls may come a few apart from the counted run's.
// Built into the Windows test tree only: the deliverable has no such seam.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <type_traits>

#include "engine/engine.h"
#include "engine/syscalls.h"
#include "setupengine/run.h"

namespace {

enum class Act { Run, Kill, Cut, Fail };

sys::Table g_real;
Act g_act = Act::Run;
long g_target = 0, g_calls = 0;
DWORD g_code = 0;
std::string g_trace;  // one line a call, written out only when SE_FAULT_TRACE is set
std::map<HANDLE, std::string> g_handlePaths;
std::string g_window;  // the log line of the command whose window is open

void ReadPlan()
{
    char text[64] = {}, verb[8] = {};
    GetEnvironmentVariableA("SE_FAULT_PLAN", text, sizeof text);
    unsigned long code = 0;
    if (std::sscanf(text, "%7[^:]:%ld:%lu", verb, &g_target, &code) < 2) return;
    const std::string v = verb;
    g_act = v == "kill" ? Act::Kill : v == "cut" ? Act::Cut : v == "fail" ? Act::Fail : Act::Run;
    g_code = code;
}

[[noreturn]] void Die() { TerminateProcess(GetCurrentProcess(), 3); for (;;) Sleep(1000); }

std::string Text(const char* s) { return s ? s : "(null)"; }

// A call that records that the running command is done: the next command
// written into the working copy or a record, or the working copy deleted.
bool Commits(const std::string& f, const std::string& target, const std::string& note)
{
    return (f == "WritePrivateProfileStringA" && note == "Commands/CurrentCmd") ||
           (f == "WriteFile" && target.find(".res") != std::string::npos) ||
           (f == "DeleteFileA" && target.ends_with("\\tmp\\SETUP.INI"));
}

// Writes text to the file the environment variable names, past the seam.
void WriteToNamedFile(const char* variable, const std::string& text)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA(variable, path, sizeof path)) return;
    HANDLE h = g_real.CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    g_real.WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

void CutFileToHalf(const std::string& path)
{
    HANDLE h = g_real.CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    SetFilePointer(h, static_cast<LONG>(GetFileSize(h, nullptr) / 2), nullptr, FILE_BEGIN);
    g_real.SetEndOfFile(h);
    CloseHandle(h);
}

// Whether two table members are the same entry (members of different
// function types never are).
template <auto A, auto B>
constexpr bool kIs = [] {
    if constexpr (std::is_same_v<decltype(A), decltype(B)>) return A == B;
    else return false;
}();

// One wrapper per table entry: Describe names the call's target; the plan may
// end, fail or halve the call.
template <auto Member, typename F = std::remove_reference_t<decltype(std::declval<sys::Table&>().*Member)>>
struct Hook;

template <auto Member, typename R, typename... A>
struct Hook<Member, R(WINAPI*)(A...)> {
    static const char* name;
    // Calls whose target is a file a cut halves after the call is done whole.
    static constexpr bool kHalvesTarget = kIs<Member, &sys::Table::WritePrivateProfileStringA> ||
                                          kIs<Member, &sys::Table::WritePrivateProfileSectionA> ||
                                          kIs<Member, &sys::Table::CopyFileA>;

    static R WINAPI Call(A... a)
    {
        std::string target, note, commandLine;
        Describe(target, note, commandLine, a...);
        const std::string line = std::to_string(++g_calls) + "\t" + name + "\t" + target + "\t" + note;
        g_trace += line + "\r\n";
        const Act act = g_calls == g_target ? g_act : Act::Run;
        if (act != Act::Run) WriteToNamedFile("SE_FAULT_REPORT", g_window + "\t" + line);
        if (act == Act::Fail) {
            SetLastError(g_code);
            if constexpr (std::is_same_v<R, LONG>) return static_cast<LONG>(g_code);
            else if constexpr (std::is_same_v<R, HANDLE>) return INVALID_HANDLE_VALUE;
            else return R{};
        }
        if (act == Act::Kill) Die();
        if (act == Act::Cut) {
            if constexpr (kIs<Member, &sys::Table::WriteFile>) {
                const auto args = std::make_tuple(a...);
                DWORD written = 0;
                g_real.WriteFile(std::get<0>(args), std::get<1>(args), std::get<2>(args) / 2, &written, nullptr);
            } else {
                (g_real.*Member)(a...);  // a call that cannot be halved is done whole
                if (kHalvesTarget && target != "(null)") CutFileToHalf(target);
            }
            Die();
        }
        R result = (g_real.*Member)(a...);
        if constexpr (kIs<Member, &sys::Table::CreateFileA>)
            if (result != INVALID_HANDLE_VALUE) g_handlePaths[result] = target;
        // A command's log line opens its window, a commit closes it.
        if (!commandLine.empty()) g_window = commandLine;
        else if (Commits(name, target, note)) g_window.clear();
        return result;
    }

    static void Describe(std::string& target, std::string& note, std::string& commandLine, A... a)
    {
        const auto args = std::make_tuple(a...);
        if constexpr (kIs<Member, &sys::Table::WriteFile> || kIs<Member, &sys::Table::SetEndOfFile> ||
                      kIs<Member, &sys::Table::FlushFileBuffers>) {
            const auto found = g_handlePaths.find(std::get<0>(args));
            target = found == g_handlePaths.end() ? "?" : found->second;
            if constexpr (kIs<Member, &sys::Table::WriteFile>) {
                const std::string bytes(static_cast<const char*>(std::get<1>(args)), std::get<2>(args));
                const std::size_t at = bytes.find("> CMD");
                if (at != std::string::npos && bytes.find("> ", at + 5) != std::string::npos) {
                    note = "CMD";
                    const std::size_t end = bytes.find("\r\n", at);
                    commandLine = bytes.substr(at + 2, end == std::string::npos ? std::string::npos : end - at - 2);
                }
            }
        } else if constexpr (kIs<Member, &sys::Table::WritePrivateProfileStringA>) {
            target = Text(std::get<3>(args));
            note = Text(std::get<0>(args)) + "/" + Text(std::get<1>(args));
        } else if constexpr (kIs<Member, &sys::Table::WritePrivateProfileSectionA>) {
            target = Text(std::get<2>(args));
            note = Text(std::get<0>(args));
        } else if constexpr (kIs<Member, &sys::Table::MoveFileA> || kIs<Member, &sys::Table::MoveFileExA> ||
                             kIs<Member, &sys::Table::CopyFileA>) {
            target = Text(std::get<1>(args));
            note = Text(std::get<0>(args));
        } else if constexpr (std::is_same_v<std::tuple_element_t<0, std::tuple<A...>>, LPCSTR>) {
            target = Text(std::get<0>(args));
        } else if constexpr (sizeof...(A) > 1) {
            if constexpr (std::is_same_v<std::tuple_element_t<1, std::tuple<A...>>, LPCSTR>)
                target = Text(std::get<1>(args));
        }
    }
};

#define SE_HOOK_NAME(fn) template <> const char* Hook<&sys::Table::fn>::name = #fn;
SE_SYSTEM_CALLS(SE_HOOK_NAME)
#undef SE_HOOK_NAME

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    sys::Table& table = sys::Calls();
    g_real = table;
    ReadPlan();
#define SE_HOOK_INSTALL(fn) table.fn = &Hook<&sys::Table::fn>::Call;
    SE_SYSTEM_CALLS(SE_HOOK_INSTALL)
#undef SE_HOOK_INSTALL
    RunEngine(commandLine ? commandLine : "");
    WriteToNamedFile("SE_FAULT_TRACE", g_trace);
    return 0;
}
