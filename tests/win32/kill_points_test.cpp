// Every write point of a run, tried. A mixed script runs once through the
// fault-seam build of the engine to count its system calls (a run that stops
// for command 8 is resumed, as a machine would); then, for each call k, a
// sequence of runs is cut at call k (killed before it, or halfway through a
// write) and resumed with -resume until the script ends. Each must end as the
// uninterrupted sequence did: the same commands in the same order, none
// skipped, one repeated only when the cut fell inside that command's own
// window (from its log line to the write that records the next command), and
// the same files, registry values and driver files. The faulted run reports
// which call it cut and the window that call lay in (tests/win32/faultseam.cpp). In the third mode call k
// fails with ERROR_DISK_FULL instead: a write of the engine's own (the
// working copy's list and state, its protection) is logged and the sequence
// still ends as the uninterrupted one did; a write that is a command's own
// work is that command's failure, logged in its entries, and the commands
// after it run as before. The fourth mode, "random", kills the shipped engine
// itself (no seam) at a random moment of a random run of the sequence, which
// may fall inside a system call: the same end, with one repeat of any command.
//   SE_KILL_STEP   try every Nth call (1: all; default 29, the sample the
//                  test suite runs; tools/kill-points runs them all)
//   SE_KILL_MODES  any of "kill", "cut", "fail", "random" (default all four)
//   SE_KILL_RANDOM the number of random kills (default 8), SE_KILL_SEED their seed
//   SE_KILL_FIRST, SE_KILL_LAST  only the calls k of the whole sequence (from 0) in this range
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <sstream>

#include "harness.h"

namespace {

constexpr char kScript[] =
    "[Data]\r\nLogging=1\r\nLogFile={DIR}\\install.log\r\nIncCommand=1\r\nDecCommand=3\r\n\r\n"
    "[Variables]\r\nV001={DIR}\\out\r\nV005=Part2\r\n\r\n"
    "[CommandsList]\r\n32,list one\r\n5\r\n27,Vars\r\n7\r\n26,Stop\r\n26,NoSkip\r\n6\r\n21,,~%V001\r\n21,,~%V002\r\n21,,~%V001\\scratch\r\n15,Files\r\n"
    "14,Reg\r\n19,~%V005\r\n\r\n"
    "[Part2]\r\n32,list two\r\n27,,V005,Part3\r\n8\r\n\r\n"
    "[Part3]\r\n32,list three\r\n28,{DIR}\\more.ini\r\n15,MoreFiles\r\n31,,~%V002\\b.txt,~%V002\\c.txt\r\n"
    "16,,~%V001\\scratch\r\n29,,{DIR}\\unused.txt,FALSE\r\n\r\n"
    "[Vars]\r\nV002,~%V001\\b\r\n\r\n"
    "[Stop]\r\nDATA,DecCommand,0\r\n\r\n[NoSkip]\r\nDATA,IncCommand,0\r\n\r\n"
    "[Files]\r\n{DIR}\\a.txt,~%V002\\\r\n{DIR}\\a.txt,~%V001\\scratch\\s.txt\r\n{DIR}\\a.txt,~%V002\\b.txt\r\n\r\n"
    "[Reg]\r\n1,HKCU,Software\\SeKillPoints,Text,0,~%V002\r\n1,HKCU,Software\\SeKillPoints,Number,2,0000002A\r\n";
constexpr char kMore[] = "\r\n[MoreFiles]\r\n{DIR}\\a.txt,~%V001\\more.txt\r\n";

// What a sequence of runs leaves behind.
struct Outcome {
    std::vector<std::string> commands;  // the per-command log lines, time stamps cut off
    std::string state;                  // files, registry values, driver files
    int runs = 0;
    bool finished = false;  // the working copy is gone: command 29 ran
    std::vector<std::vector<std::string>> traces;  // per run of an untouched sequence
    std::string window, call;               // what the faulted run reported of its fault
    DWORD firstRunMs = 0;                   // how long the first run took
    bool killed = false;                    // a random kill landed before the run ended
    bool cutAfterEnd = false;               // cut after command 29 had deleted the working copy
    int errors = 0;                         // error and warning entries in the log
    std::set<std::string> windowErrors;     // commands with such an entry among their own
};

bool IsErrorEntry(const std::string& line)
{
    for (const char* mark : {"ERROR", "Error=", "Error-=-", "WARNING", "WARNINIG", "FAIL", "failed"})
        if (line.find(mark) != std::string::npos) return true;
    return false;
}

std::vector<std::string> CommandLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        // "[hh:mm:ss.mmm]  setupengine.exe> CMDn> NAME: ..." whole, ended by CR LF.
        const std::size_t at = line.find("]  setupengine.exe> CMD");
        if (at != 13 || line.empty() || line.back() != '\r' || line.find("> ", at + 22) == std::string::npos) continue;
        if (line.find('[', 1) != std::string::npos) continue;  // a cut entry with the next glued on
        lines.push_back(line.substr(at + 20, line.size() - at - 21));
    }
    return lines;
}

std::string Tree(const std::string& dir)
{
    std::string text;
    for (const std::string& d : test::ListDirectory(dir, true)) text += Tree(dir + "\\" + d);
    for (const std::string& f : test::ListDirectory(dir, false))
        text += dir + "\\" + f + "=" + test::ReadFileText(dir + "\\" + f) + "\n";
    return text;
}

std::string RegistryValues()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\SeKillPoints", 0, KEY_READ, &key)) return "no key\n";
    std::string text;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[512];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize)) break;
        text += std::string(name) + ":" + std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataSize) + "\n";
    }
    RegCloseKey(key);
    return text;
}

std::vector<std::string> ReadTrace(const std::string& path)
{
    std::vector<std::string> lines;
    std::istringstream in(test::ReadFileText(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.size() - (line.back() == '\r')));
    return lines;
}

void SetPlan(const std::string& plan) { SetEnvironmentVariableA("SE_FAULT_PLAN", plan.empty() ? nullptr : plan.c_str()); }

// A run of the shipped engine, killed after `ms` unless it ended before.
test::RunResult RunKilled(const test::Sandbox& box, const std::string& arguments, DWORD ms)
{
    HANDLE process = box.Start(arguments);
    if (process && WaitForSingleObject(process, ms) == WAIT_TIMEOUT) TerminateProcess(process, 9);
    return test::WaitForProcess(process, INFINITE);
}

// Runs the script to its end: the first start as a fresh one, every later one
// with -resume. The plan applies to run `planRun` only: a fault of the seam
// build, or "random:<ms>", a kill of the shipped engine after that long.
Outcome RunSequence(const std::string& plan, int planRun, bool trace)
{
    const bool random = plan.rfind("random:", 0) == 0;
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SeKillPoints");
    // The driver file lies beside the engine and nothing at its installed
    // path: every sequence installs and removes it, whatever the one before
    // left when it was cut.
    for (const char* left : {"\\TSLInt15.VxD", "\\TSLInt15.VxD.sav", "\\TSLInt15.VxD.new"}) {
        SetFileAttributesA((test::SystemDirectory() + left).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((test::SystemDirectory() + left).c_str());
    }
    test::Sandbox box("killpoints");
    if (!random) CopyFileA((test::ModuleDirectory() + "\\setupengine_faults.exe").c_str(), box.exe().c_str(), FALSE);
    box.AddFile("SETUP.INI", kScript);
    box.AddFile("more.ini", kMore);
    box.AddFile("a.txt", "payload\r\n");
    const std::string tracePath = box.path("trace.txt");
    Outcome outcome;
    for (int run = 0; run < 12 && !outcome.finished; ++run) {
        SetPlan(run == planRun && !random ? plan : "");
        SetEnvironmentVariableA("SE_FAULT_REPORT", run == planRun ? box.path("report.txt").c_str() : nullptr);
        SetEnvironmentVariableA("SE_FAULT_TRACE", trace ? tracePath.c_str() : nullptr);
        const std::string arguments = run == 0 ? "SETUP.INI -silent" : "SETUP.INI -silent -resume";
        const DWORD started = GetTickCount();
        const test::RunResult result = run == planRun && random ? RunKilled(box, arguments, std::stoul(plan.substr(7)))
                                                                : box.Run(arguments);
        if (run == 0) outcome.firstRunMs = GetTickCount() - started;
        outcome.killed = outcome.killed || (run == planRun && random && result.exitCode == 9);
        ++outcome.runs;
        if (trace) outcome.traces.push_back(ReadTrace(tracePath));
        // Done once command 29 has deleted the working copy: a start that
        // failed before making one leaves none either.
        // A run cut after that is over all the same: the next start would be
        // a new run of the script. Its driver file may then still be in place.
        outcome.finished = !test::PathExists(box.workingCopy()) &&
                           test::ReadFileText(box.log()).find("will delete :") != std::string::npos;
        outcome.cutAfterEnd = outcome.finished && result.exitCode != 0;
    }
    SetPlan("");
    SetEnvironmentVariableA("SE_FAULT_TRACE", nullptr);
    SetEnvironmentVariableA("SE_FAULT_REPORT", nullptr);
    // The faulted run's own word on its call: the window it lay in, and the call.
    const std::string report = test::ReadFileText(box.path("report.txt"));
    const std::size_t tab = report.find('\t');
    outcome.window = report.substr(0, tab);
    outcome.call = tab == std::string::npos ? "" : report.substr(tab + 1);
    const std::string log = test::ReadFileText(box.log());
    outcome.commands = CommandLines(log);
    std::istringstream entries(log);
    std::string command;
    for (std::string line; std::getline(entries, line);) {
        const std::vector<std::string> one = CommandLines(line + "\n");
        if (!one.empty()) command = one.front();
        else if (IsErrorEntry(line)) ++outcome.errors, outcome.windowErrors.insert(command);
    }
    outcome.state = Tree(box.path("out")) + RegistryValues();
    for (const char* driver : {"\\TSLInt15.VxD", "\\TSLInt15.VxD.sav", "\\TSLInt15.VxD.new"})
        outcome.state += std::string(driver) + (test::PathExists(test::SystemDirectory() + driver) ? " present\n" : " absent\n");
    return outcome;
}

// A write of the engine's own: the working copy's list, state and next
// command, its replacement at a clean start and its protection files. Keys
// that 5, 26 and 27 write are those commands' own work.
bool IsEngineOwn(const std::string& traceLine)
{
    const auto has = [&](const char* text) { return traceLine.find(text) != std::string::npos; };
    for (const char* file : {".bak0", ".bak1", ".res0", ".res1", ".INI.new", ".INI.old"})
        if (has(file)) return true;
    if (!has("\\tmp\\SETUP.INI\t")) return false;
    // 28 moving its appended copy into place is 28's own work: when that
    // fails the working copy is untouched and the command has failed.
    if (has("\\tmp\\TMP")) return false;
    return !has("\tWritePrivateProfileStringA\t") || has("\tCommands/") || has("\tState/") || has("\t(null)/");
}

// A command's own write failed: the command says so in its entries, and the
// run goes on as the command's failure lets it (a list that a failed 26 would
// have changed runs differently, as it must).
std::string JudgeCommandFailure(const Outcome& reference, const Outcome& trial, const std::string& window)
{
    if (!trial.finished) return "never finished in " + std::to_string(trial.runs) + " runs";
    // A failure that changed nothing (a leftover that was not there to delete)
    // needs no entry; any other is logged among the failing command's entries.
    if (trial.state == reference.state && trial.commands == reference.commands) return "";
    if (window.empty()) return trial.errors > reference.errors ? "" : "the failure was not logged";
    return trial.windowErrors.count(window) ? "" : "the failure was not logged in the entries of " + window;
}

std::string Judge(const Outcome& reference, const Outcome& trial, const std::string& window)
{
    if (!trial.finished) return "never finished in " + std::to_string(trial.runs) + " runs";
    const auto withoutDriver = [](const std::string& state) { return state.substr(0, state.find("\\TSLInt15")); };
    const bool same = trial.cutAfterEnd ? withoutDriver(trial.state) == withoutDriver(reference.state)
                                        : trial.state == reference.state;
    if (!same) return "state differs:\n" + trial.state + "-- want --\n" + reference.state;
    std::vector<std::string> seen = trial.commands;
    if (seen.size() == reference.commands.size() + 1) {
        for (std::size_t i = 0; i + 1 < seen.size(); ++i)
            if (seen[i] == seen[i + 1] && (seen[i] == window || window == "any")) {
                seen.erase(seen.begin() + static_cast<long>(i));
                break;
            }
    }
    if (seen != reference.commands) {
        std::string text = "commands differ (window: " + (window.empty() ? "none" : window) + "):\n";
        for (const std::string& c : trial.commands) text += "  " + c + "\n";
        return text;
    }
    return "";
}

int EnvNumber(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

TEST(KillPoints, EveryCutResumesToTheUninterruptedEnd)
{
    const Outcome reference = RunSequence("", -1, true);
    ASSERT_TRUE(reference.finished);
    const int step = EnvNumber("SE_KILL_STEP", 29);
    const long first = EnvNumber("SE_KILL_FIRST", 0), last = EnvNumber("SE_KILL_LAST", 1 << 30);
    const char* modesText = std::getenv("SE_KILL_MODES");
    const std::string modes = modesText && *modesText ? modesText : "kill,cut,fail,random";
    long total = 0;
    for (const auto& t : reference.traces) total += static_cast<long>(t.size());
    std::printf("kill points: %d runs, %ld calls (", reference.runs, total);
    for (const auto& t : reference.traces) std::printf(" %zu", t.size());
    std::printf(" ), every %d tried, modes %s\n", step, modes.c_str());

    int tried = 0, passed = 0;
    for (const std::string mode : {"kill", "cut", "fail"}) {
        if (modes.find(mode) == std::string::npos) continue;
        long k = 0;
        for (int run = 0; run < static_cast<int>(reference.traces.size()); ++run) {
            const auto& trace = reference.traces[static_cast<std::size_t>(run)];
            for (long call = 1; call <= static_cast<long>(trace.size()); ++call, ++k) {
                if (k % step != 0 || k < first || k > last) continue;
                // The log cannot report its own failure.
                const auto isLog = [](const std::string& line) { return line.find("\\install.log") != std::string::npos; };
                if (mode == "fail" && isLog(trace[static_cast<std::size_t>(call - 1)])) continue;
                const std::string plan = mode + ":" + std::to_string(call) + (mode == "fail" ? ":112" : "");
                const Outcome trial = RunSequence(plan, run, false);
                if (mode == "fail" && isLog(trial.call)) continue;
                const std::string failure = mode == "fail" && !IsEngineOwn(trial.call)
                                                ? JudgeCommandFailure(reference, trial, trial.window)
                                                : Judge(reference, trial, trial.window);
                ++tried;
                passed += failure.empty();
                EXPECT_EQ(failure, "") << mode << " at call " << call << " of run " << run + 1 << ": " << trial.call;
                std::fflush(stdout);
                // The log of a failed trial is kept beside the sandbox for a look.
                if (!failure.empty())
                    CopyFileA("C:\\se\\killpoints\\install.log",
                              ("C:\\se\\killpoints-" + mode + "-" + std::to_string(k) + ".log").c_str(), FALSE);
            }
        }
    }
    if (modes.find("random") != std::string::npos) {
        // The shipped engine's own runs take about as long as the first run of
        // the traced reference; a kill drawn past a run's end kills nothing.
        const Outcome timing = RunSequence("", -1, false);
        std::mt19937 draw(static_cast<unsigned>(EnvNumber("SE_KILL_SEED", static_cast<int>(GetTickCount()))));
        int landed = 0;
        for (int t = 0; t < EnvNumber("SE_KILL_RANDOM", 8); ++t) {
            const int run = std::uniform_int_distribution<int>(0, timing.runs - 1)(draw);
            const DWORD ms = std::uniform_int_distribution<DWORD>(0, timing.firstRunMs)(draw);
            const Outcome trial = RunSequence("random:" + std::to_string(ms), run, false);
            const std::string failure = Judge(reference, trial, "any");
            landed += trial.killed;
            ++tried;
            passed += failure.empty();
            EXPECT_EQ(failure, "") << "random kill after " << ms << " ms of run " << run + 1;
        }
        std::printf("random kills: %d of them landed before their run ended\n", landed);
    }
    std::printf("kill points: %d tried, %d passed\n", tried, passed);
}

}  // namespace
