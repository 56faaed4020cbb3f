// setupengine with a fault seam: the engine's own code and main, with wrappers
// in front of every call of its system-call table. SE_FAULT_PLAN chooses what
// happens at the Kth call of a run:
//   kill:K        the process ends before call K does anything
//   cut:K         call K does half its work (a write, a profile write, a copy
//                 cut at half its length), then the process ends
//   fail:K:CODE   call K fails with that system error code
// SE_FAULT_TRACE names a file that gets one line per call at the end of a run
// that was not ended: "K<TAB>function<TAB>target<TAB>note", target being the
// path (for writes through a handle, the path the handle was opened with) and
// note "CMD" for a log write of a command's line, else the profile key.
// SE_FAULT_REPORT names a file that gets, at the chosen call, "window<TAB>call
// line": the log line of the command whose window the call lies in (from that
// line to the write that records the next command), or nothing. The faulted
// run judges its own call, so a run whose calls come a few apart from the
// counted one's is still judged by what it did.
// Built into the Windows test tree only: the deliverable has no such seam.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/engine.h"
#include "setupengine/run.h"
#include "engine/syscalls.h"

namespace {

enum class Act { Run, Kill, Cut, Fail };

struct Plan {
    long target = 0;
    Act act = Act::Run;
    DWORD code = 0;
};

sys::Table g_real;
Plan g_plan;
long g_calls = 0;
std::vector<std::string> g_trace;
std::map<HANDLE, std::string> g_handlePaths;
bool g_tracing = false;
std::string g_window;  // the log line of the command whose window is open

Plan ReadPlan()
{
    Plan plan;
    char text[64] = {};
    if (!GetEnvironmentVariableA("SE_FAULT_PLAN", text, sizeof text)) return plan;
    const std::string s = text;
    const std::size_t colon = s.find(':');
    if (colon == std::string::npos) return plan;
    const std::string verb = s.substr(0, colon);
    plan.target = std::atol(s.c_str() + colon + 1);
    plan.act = verb == "kill" ? Act::Kill : verb == "cut" ? Act::Cut : verb == "fail" ? Act::Fail : Act::Run;
    const std::size_t second = s.find(':', colon + 1);
    if (second != std::string::npos) plan.code = static_cast<DWORD>(std::atol(s.c_str() + second + 1));
    return plan;
}

[[noreturn]] void Die() { TerminateProcess(GetCurrentProcess(), 3); for (;;) Sleep(1000); }

std::string Text(const char* s) { return s ? s : "(null)"; }

bool EndsWith(const std::string& text, const char* end)
{
    const std::size_t n = std::strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// A call that records that the running command is done: the next command
// written into the working copy or a record, or the working copy deleted.
bool Commits(const char* function, const std::string& target, const std::string& note)
{
    const std::string f = function;
    return (f == "WritePrivateProfileStringA" && note == "Commands/CurrentCmd") ||
           (f == "WriteFile" && target.find(".res") != std::string::npos) ||
           (f == "DeleteFileA" && EndsWith(target, "\\tmp\\SETUP.INI"));
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

void Report(const std::string& line) { WriteToNamedFile("SE_FAULT_REPORT", g_window + "\t" + line); }

Act Next(const char* function, const std::string& target, const std::string& note)
{
    ++g_calls;
    const std::string line = std::to_string(g_calls) + "\t" + function + "\t" + target + "\t" + note;
    if (g_tracing) g_trace.push_back(line);
    const Act act = g_calls == g_plan.target ? g_plan.act : Act::Run;
    if (act != Act::Run) Report(line);
    return act;
}

// After a call has run: a command's log line opens its window, a commit closes it.
void Track(const char* function, const std::string& target, const std::string& note, const std::string& commandLine)
{
    if (!commandLine.empty()) g_window = commandLine;
    else if (Commits(function, target, note)) g_window.clear();
}

template <typename R>
R Failure()
{
    SetLastError(g_plan.code);
    if constexpr (std::is_same_v<R, LONG>) return static_cast<LONG>(g_plan.code);
    else if constexpr (std::is_same_v<R, HANDLE>) return INVALID_HANDLE_VALUE;
    else return R{};
}

void CutFileToHalf(const char* path)
{
    HANDLE h = g_real.CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    const DWORD size = GetFileSize(h, nullptr);
    SetFilePointer(h, static_cast<LONG>(size / 2), nullptr, FILE_BEGIN);
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

// One wrapper per table entry: Describe names the call's target, and Perform
// does the call, or half of it when the plan says cut.
template <auto Member, typename F = std::remove_reference_t<decltype(std::declval<sys::Table&>().*Member)>>
struct Hook;

template <auto Member, typename R, typename... A>
struct Hook<Member, R(WINAPI*)(A...)> {
    static const char* name;
    static R WINAPI Call(A... a)
    {
        std::string target, note, commandLine;
        Describe(target, note, commandLine, a...);
        const Act act = Next(name, target, note);
        if (act == Act::Fail) return Failure<R>();
        if (act == Act::Kill) Die();
        if (act == Act::Cut) CutThenDie(a...);
        R result = (g_real.*Member)(a...);
        Remember(result, target);
        Track(name, target, note, commandLine);
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

    [[noreturn]] static void CutThenDie(A... a)
    {
        const auto args = std::make_tuple(a...);
        if constexpr (kIs<Member, &sys::Table::WriteFile>) {
            DWORD written = 0;
            g_real.WriteFile(std::get<0>(args), std::get<1>(args), std::get<2>(args) / 2, &written, nullptr);
        } else if constexpr (kIs<Member, &sys::Table::WritePrivateProfileStringA>) {
            (g_real.*Member)(a...);
            if (std::get<3>(args)) CutFileToHalf(std::get<3>(args));
        } else if constexpr (kIs<Member, &sys::Table::WritePrivateProfileSectionA>) {
            (g_real.*Member)(a...);
            if (std::get<2>(args)) CutFileToHalf(std::get<2>(args));
        } else if constexpr (kIs<Member, &sys::Table::CopyFileA>) {
            (g_real.*Member)(a...);
            CutFileToHalf(std::get<1>(args));
        } else {
            (g_real.*Member)(a...);  // a call that cannot be halved is done whole
        }
        Die();
    }

    static void Remember(R result, const std::string& target)
    {
        if constexpr (kIs<Member, &sys::Table::CreateFileA>)
            if (result != INVALID_HANDLE_VALUE) g_handlePaths[result] = target;
    }
};

#define SE_HOOK_NAME(fn) template <> const char* Hook<&sys::Table::fn>::name = #fn;
SE_SYSTEM_CALLS(SE_HOOK_NAME)
#undef SE_HOOK_NAME

void InstallSeam()
{
    sys::Table& table = sys::Calls();
    g_real = table;
    g_plan = ReadPlan();
    char trace[MAX_PATH] = {};
    g_tracing = GetEnvironmentVariableA("SE_FAULT_TRACE", trace, sizeof trace) != 0;
#define SE_HOOK_INSTALL(fn) table.fn = &Hook<&sys::Table::fn>::Call;
    SE_SYSTEM_CALLS(SE_HOOK_INSTALL)
#undef SE_HOOK_INSTALL
}

void WriteTrace()
{
    std::string text;
    for (const std::string& line : g_trace) text += line + "\r\n";
    WriteToNamedFile("SE_FAULT_TRACE", text);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    InstallSeam();
    RunEngine(commandLine ? commandLine : "");
    WriteTrace();
    return 0;
}
