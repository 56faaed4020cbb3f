// Every write point of a run, tried. A mixed script runs once through the
// fault-seam build of the engine (faultseam.cpp) to count its system calls,
// resumed after command 8's stop as a machine would be; then for each call k a
// sequence is faulted at k and resumed with -resume to the script's end.
// After a kill (before call k) or a cut (halfway through its write) it must end
// as the uninterrupted one did: the same files, registry values and driver
// files, the same commands in order, none skipped, one repeated only if the
// cut fell in its own window (from its log line to the write that records the
// next command). When call k fails with ERROR_DISK_FULL, a write of the
// engine's own (the working copy's list and state, its protection) is logged
// and the end is the same; a command's own write is that command's failure,
// logged in its entries, and the commands after it run as before. "random"
// kills the shipped engine (no seam) at a random moment of a random run, maybe
// inside a system call: the same end, with one repeat of any command.
//   SE_KILL_STEP   try every Nth call (default 29, the suite's sample;
//                  tools/kill-points tries all)
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
    bool finished = false;      // the working copy is gone: command 29 ran
    bool cutAfterEnd = false;   // cut after command 29 had deleted the working copy
    bool killed = false;        // a random kill landed before the run ended
    DWORD firstRunMs = 0;
    std::vector<std::vector<std::string>> traces;  // per run of an untouched sequence
    std::string window, call;                      // what the faulted run reported of its fault
    int errors = 0;                                // error and warning entries in the log
    std::set<std::string> windowErrors;            // commands with such an entry among their own
};

const char* const kDriverFiles[] = {"\\TSLInt15.VxD", "\\TSLInt15.VxD.sav", "\\TSLInt15.VxD.new"};

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool IsErrorEntry(const std::string& line)
{
    for (const char* mark : {"ERROR", "Error=", "Error-=-", "WARNING", "WARNINIG", "FAIL", "failed"})
        if (Has(line, mark)) return true;
    return false;
}

// A whole per-command entry, "[hh:mm:ss.mmm]  setupengine.exe> CMDn> NAME: ..."
// ended by CR LF, without its time stamp; else empty.
std::string CommandLine(const std::string& line)
{
    const std::size_t at = line.find("]  setupengine.exe> CMD");
    if (at != 13 || line.back() != '\r' || line.find("> ", at + 22) == std::string::npos) return "";
    if (line.find('[', 1) != std::string::npos) return "";  // a cut entry with the next glued on
    return line.substr(at + 20, line.size() - at - 21);
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
    char name[256];
    BYTE data[512];
    for (DWORD i = 0, nameSize = sizeof name, dataSize = sizeof data, type = 0;
         !RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
         ++i, nameSize = sizeof name, dataSize = sizeof data)
        text += std::string(name) + ":" + std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataSize) + "\n";
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

// Runs the script to its end: the first start as a fresh one, every later one
// with -resume. The plan applies to run `planRun` only: a fault of the seam
// build, or "random:<ms>", a kill of the shipped engine after that long.
Outcome RunSequence(const std::string& plan, int planRun, bool trace)
{
    const bool random = plan.rfind("random:", 0) == 0;
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SeKillPoints");
    // Every sequence installs and removes the driver file, whatever the one
    // before left when it was cut.
    for (const char* left : kDriverFiles) {
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
        const bool faulted = run == planRun;
        SetEnvironmentVariableA("SE_FAULT_PLAN", faulted && !random ? plan.c_str() : nullptr);
        SetEnvironmentVariableA("SE_FAULT_REPORT", faulted ? box.path("report.txt").c_str() : nullptr);
        SetEnvironmentVariableA("SE_FAULT_TRACE", trace ? tracePath.c_str() : nullptr);
        const std::string arguments = run == 0 ? "SETUP.INI -silent" : "SETUP.INI -silent -resume";
        const DWORD started = GetTickCount();
        test::RunResult result;
        if (faulted && random) {  // the shipped engine, killed unless it ends first
            HANDLE process = box.Start(arguments);
            if (process && WaitForSingleObject(process, std::stoul(plan.substr(7))) == WAIT_TIMEOUT)
                TerminateProcess(process, 9);
            result = test::WaitForProcess(process, INFINITE);
            outcome.killed = result.exitCode == 9;
        } else {
            result = box.Run(arguments);
        }
        if (run == 0) outcome.firstRunMs = GetTickCount() - started;
        ++outcome.runs;
        if (trace) outcome.traces.push_back(ReadTrace(tracePath));
        // Done once command 29 has deleted the working copy (a start that
        // failed before making one leaves none either). A run cut after that
        // is over all the same, its driver file perhaps still in place.
        outcome.finished = !test::PathExists(box.workingCopy()) && Has(test::ReadFileText(box.log()), "will delete :");
        outcome.cutAfterEnd = outcome.finished && result.exitCode != 0;
    }
    for (const char* variable : {"SE_FAULT_PLAN", "SE_FAULT_TRACE", "SE_FAULT_REPORT"})
        SetEnvironmentVariableA(variable, nullptr);
    const std::string report = test::ReadFileText(box.path("report.txt"));
    const std::size_t tab = report.find('\t');
    outcome.window = report.substr(0, tab);
    outcome.call = tab == std::string::npos ? "" : report.substr(tab + 1);
    std::istringstream log(test::ReadFileText(box.log()));
    std::string command;
    for (std::string line; std::getline(log, line);) {
        if (const std::string one = CommandLine(line); !one.empty())
            outcome.commands.push_back(command = one);
        else if (IsErrorEntry(line))
            ++outcome.errors, outcome.windowErrors.insert(command);
    }
    outcome.state = Tree(box.path("out")) + RegistryValues();
    for (const char* driver : kDriverFiles)
        outcome.state += std::string(driver) + (test::PathExists(test::SystemDirectory() + driver) ? " present\n" : " absent\n");
    return outcome;
}

// A write of the engine's own: the working copy's list, state and next
// command, its replacement at a clean start and its protection files. Keys
// that 5, 26 and 27 write are those commands' own work.
bool IsEngineOwn(const std::string& traceLine)
{
    for (const char* file : {".bak0", ".bak1", ".res0", ".res1", ".INI.new", ".INI.old"})
        if (Has(traceLine, file)) return true;
    if (!Has(traceLine, "\\tmp\\SETUP.INI\t")) return false;
    // 28 moving its appended copy into place is 28's own work: when that
    // fails the working copy is untouched and the command has failed.
    if (Has(traceLine, "\\tmp\\TMP")) return false;
    return !Has(traceLine, "\tWritePrivateProfileStringA\t") || Has(traceLine, "\tCommands/") ||
           Has(traceLine, "\tState/") || Has(traceLine, "\t(null)/");
}

// Empty when the trial ended as it must. A command's own write that failed
// (commandFailure): the command says so in its entries, and the run goes on as
// the failure lets it (a list that a failed 26 would have changed runs
// differently, as it must); a failure that changed nothing (a leftover that
// was not there to delete) needs no entry.
std::string Judge(const Outcome& reference, const Outcome& trial, const std::string& window, bool commandFailure)
{
    if (!trial.finished) return "never finished in " + std::to_string(trial.runs) + " runs";
    if (commandFailure) {
        if (trial.state == reference.state && trial.commands == reference.commands) return "";
        if (window.empty()) return trial.errors > reference.errors ? "" : "the failure was not logged";
        return trial.windowErrors.count(window) ? "" : "the failure was not logged in the entries of " + window;
    }
    const auto withoutDriver = [](const std::string& state) { return state.substr(0, state.find("\\TSLInt15")); };
    if (trial.cutAfterEnd ? withoutDriver(trial.state) != withoutDriver(reference.state) : trial.state != reference.state)
        return "state differs:\n" + trial.state + "-- want --\n" + reference.state;
    std::vector<std::string> seen = trial.commands;
    if (seen.size() == reference.commands.size() + 1) {
        for (std::size_t i = 0; i + 1 < seen.size(); ++i)
            if (seen[i] == seen[i + 1] && (seen[i] == window || window == "any")) {
                seen.erase(seen.begin() + static_cast<long>(i));
                break;
            }
    }
    if (seen == reference.commands) return "";
    std::string text = "commands differ (window: " + (window.empty() ? "none" : window) + "):\n";
    for (const std::string& c : trial.commands) text += "  " + c + "\n";
    return text;
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
    std::printf("kill points: %d runs, calls per run:", reference.runs);
    for (const auto& t : reference.traces) std::printf(" %zu", t.size());
    std::printf("; every %d tried, modes %s\n", step, modes.c_str());

    int tried = 0;
    for (const std::string mode : {"kill", "cut", "fail"}) {
        if (modes.find(mode) == std::string::npos) continue;
        long k = 0;
        for (int run = 0; run < static_cast<int>(reference.traces.size()); ++run) {
            const auto& trace = reference.traces[static_cast<std::size_t>(run)];
            for (long call = 1; call <= static_cast<long>(trace.size()); ++call, ++k) {
                if (k % step != 0 || k < first || k > last) continue;
                // The log cannot report its own failure.
                if (mode == "fail" && Has(trace[static_cast<std::size_t>(call - 1)], "\\install.log")) continue;
                const Outcome trial = RunSequence(mode + ":" + std::to_string(call) + (mode == "fail" ? ":112" : ""), run, false);
                if (mode == "fail" && Has(trial.call, "\\install.log")) continue;
                const std::string failure = Judge(reference, trial, trial.window, mode == "fail" && !IsEngineOwn(trial.call));
                ++tried;
                EXPECT_EQ(failure, "") << mode << " at call " << call << " of run " << run + 1 << ": " << trial.call;
                std::fflush(stdout);
                if (!failure.empty())  // kept for a look
                    CopyFileA("C:\\se\\killpoints\\install.log",
                              ("C:\\se\\killpoints-" + mode + "-" + std::to_string(k) + ".log").c_str(), FALSE);
            }
        }
    }
    if (modes.find("random") != std::string::npos) {
        // The shipped engine's runs take about as long as the reference's
        // first; a kill drawn past a run's end kills nothing.
        std::mt19937 draw(static_cast<unsigned>(EnvNumber("SE_KILL_SEED", static_cast<int>(GetTickCount()))));
        int landed = 0;
        for (int t = 0; t < EnvNumber("SE_KILL_RANDOM", 8); ++t) {
            const int run = std::uniform_int_distribution<int>(0, reference.runs - 1)(draw);
            const DWORD ms = std::uniform_int_distribution<DWORD>(0, reference.firstRunMs)(draw);
            const Outcome trial = RunSequence("random:" + std::to_string(ms), run, false);
            const std::string failure = Judge(reference, trial, "any", false);
            landed += trial.killed;
            ++tried;
            EXPECT_EQ(failure, "") << "random kill after " << ms << " ms of run " << run + 1;
        }
        std::printf("random kills: %d of them landed before their run ended\n", landed);
    }
    std::printf("kill points: %d tried\n", tried);
}

}  // namespace
