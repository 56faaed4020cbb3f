// End-to-end runs of setupengine.exe on the scripts under tests/scenarios;
// tests/scenarios/README.md describes a scenario's files and steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include "harness.h"
#include "registry_steps.h"

namespace {

void EnsureDirectories(const std::string& path)
{
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
}

std::string Unescape(const std::string& text) { return test::ReplaceAll(text, "\\n", "\r\n"); }

std::vector<std::string> SplitBars(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('|', from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

DWORD AttributesOf(const std::string& letters)
{
    DWORD attributes = 0;
    for (char c : letters)
        attributes |= c == 'R' ? FILE_ATTRIBUTE_READONLY : c == 'H' ? FILE_ATTRIBUTE_HIDDEN : c == 'S' ? FILE_ATTRIBUTE_SYSTEM : 0;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

std::string UnixName(const std::string& path)
{
    using UnixNameOf = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixNameOf>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!unixName) return "";
    std::wstring wide(path.begin(), path.end());
    char* name = unixName(wide.c_str());
    std::string text = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

// Made by /bin/ln through Wine, which shows a Unix link to a directory as a
// directory with FILE_ATTRIBUTE_REPARSE_POINT, as Windows shows a junction. A
// drive letter is a link in the prefix's dosdevices folder, as a subst or
// mapped drive; Wine sees it at once.
bool MakeUnixLink(const std::string& unixLink, const std::string& target, const std::string& shownAs)
{
    const std::string unixTarget = UnixName(target);
    if (unixLink.empty() || unixTarget.empty()) return false;
    test::WaitForProcess(test::StartProcess("Z:\\bin\\ln", "-sfn " + unixTarget + " " + unixLink));
    for (int i = 0; i < 100 && !test::PathExists(shownAs); ++i) Sleep(20);
    return test::PathExists(shownAs);
}

std::string DriveLink(const std::string& letter)
{
    char prefix[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    return length && length < MAX_PATH ? std::string(prefix) + "/dosdevices/" + letter + ":" : "";
}

// scenarios\<scenario>\<file> beside the test program.
std::string ScenarioFile(const std::string& scenario, const std::string& file)
{
    return test::ReadFileText(test::ModuleDirectory() + "\\scenarios\\" + scenario + "\\" + file);
}

// A run's temporary names (TMP and the five lowest digits of its process id)
// as the expectations write them: TMP{PID}.
std::string MaskPids(std::string text, const std::vector<std::string>& pids)
{
    for (const std::string& pid : pids) text = test::ReplaceAll(text, "TMP" + pid, "TMP{PID}");
    return text;
}

// Expected keys of a working copy: lines "Section|Key|Value", or
// "Section|Key|<missing>". Reports the differences, empty when all match.
std::string CheckKeys(const std::string& file, const std::string& expectations, const std::vector<std::string>& pids)
{
    std::istringstream lines(expectations);
    std::string report;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t a = line.find('|'), b = line.find('|', a + 1);
        if (line.empty() || line[0] == '#' || b == std::string::npos) continue;
        const std::string section = line.substr(0, a), key = line.substr(a + 1, b - a - 1), want = line.substr(b + 1);
        const std::string got = MaskPids(test::IniValue(file, section.c_str(), key.c_str()), pids);
        if (got != want) report += "[" + section + "] " + key + ": got \"" + got + "\", want \"" + want + "\"\n";
    }
    return report;
}

std::string PidDigits(DWORD pid)
{
    char digits[8];
    wsprintfA(digits, "%05lu", pid % 100000);
    return digits;
}

// Open files the scenario holds until it ends: locked (shared with no one), or
// held (a new file others may open, read and write, but not rename or delete).
struct HeldFiles {
    std::vector<HANDLE> handles;
    ~HeldFiles() { std::for_each(handles.begin(), handles.end(), CloseHandle); }
    bool Open(const std::string& path, bool hold)
    {
        HANDLE h = hold ? CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                        : CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h != INVALID_HANDLE_VALUE) handles.push_back(h);
        return h != INVALID_HANDLE_VALUE;
    }
};

// SE_BLESS=1: the run's log and the values of the keys expected.keys names
// become the scenario's expectations in the source tree, so a deliberate
// change of the log is one run and a reviewed diff. A line the run reproduced
// keeps its placeholders as written; only the lines that changed are new.
bool Blessing()
{
    char value[4] = {};
    return GetEnvironmentVariableA("SE_BLESS", value, sizeof value) == 1 && value[0] == '1';
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The expected text brought to the actual one along their longest common run
// of lines.
std::string BlessedLog(const std::string& written, const std::string& actual, const test::Sandbox& box)
{
    const std::vector<std::string> want = Lines(written), got = Lines(actual);
    std::vector<std::vector<int>> common(want.size() + 1, std::vector<int>(got.size() + 1, 0));
    for (std::size_t i = want.size(); i-- > 0;)
        for (std::size_t j = got.size(); j-- > 0;)
            common[i][j] = box.Fill(want[i]) == got[j] ? common[i + 1][j + 1] + 1
                                                       : std::max(common[i + 1][j], common[i][j + 1]);
    std::string out;
    std::size_t i = 0, j = 0;
    while (j < got.size()) {
        if (i < want.size() && box.Fill(want[i]) == got[j]) out += want[i++] + "\n", ++j;
        else if (i < want.size() && common[i + 1][j] >= common[i][j + 1]) ++i;
        else out += box.Unfill(got[j++]) + "\n";
    }
    return out;
}

void Bless(const std::string& name, const test::Sandbox& box, const std::string& log, const std::string& copy,
           const std::vector<std::string>& pids)
{
    const std::string dir = std::string("Z:") + SE_SCENARIO_SOURCE + "/" + name + "/";
    const std::string original = ScenarioFile(name, "expected.log");
    const std::string written = test::ReplaceAll(original, "\r", "");
    if (!log.empty()) {
        // A golden kept with CRLF line ends keeps them, so the diff shows only changed lines.
        std::string blessed = BlessedLog(written, test::MaskLog(log), box);
        if (original.find("\r\n") != std::string::npos) blessed = test::ReplaceAll(blessed, "\n", "\r\n");
        ASSERT_TRUE(test::WriteFileText(dir + "expected.log", blessed));
    }
    std::string keys;
    for (std::string line : Lines(ScenarioFile(name, "expected.keys"))) {
        const bool cr = !line.empty() && line.back() == '\r';
        if (cr) line.pop_back();
        const std::size_t a = line.find('|'), b = line.find('|', a + 1);
        if (!line.empty() && line[0] != '#' && b != std::string::npos) {
            const std::string got =
                MaskPids(test::IniValue(copy, line.substr(0, a).c_str(), line.substr(a + 1, b - a - 1).c_str()), pids);
            if (box.Fill(line.substr(b + 1)) != got) line = line.substr(0, b + 1) + box.Unfill(got);
        }
        keys += line + (cr ? "\r\n" : "\n");
    }
    ASSERT_TRUE(test::WriteFileText(dir + "expected.keys", keys));
}

class Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Scenario, LogAndWorkingCopyAreAsExpected)
{
    const std::string& name = GetParam();
    test::Sandbox box(name);
    for (const std::string& f : test::ListDirectory(test::ModuleDirectory() + "\\scenarios\\" + name, false))
        if (f != "steps.txt" && f != "expected.log" && f != "expected.keys") box.AddFile(f, ScenarioFile(name, f));

    std::string copy = box.workingCopy();
    std::vector<std::string> written, atStart, pids, drives;
    test::RegistrySteps registry;
    HeldFiles held;
    DWORD lastRunMs = 0;
    int runs = 0;
    // Each step's check: empty when it held, else what went wrong.
    using Parts = std::vector<std::string>;
    using Step = std::function<std::string(const std::string& rest, const Parts& p)>;
    const auto failed = [](bool done) { return std::string(done ? "" : "failed"); };
    const std::map<std::string, Step> verbs = {
        {"run", [&](const std::string& rest, const Parts&) {
             const bool suspended = !atStart.empty();
             const DWORD started = GetTickCount();
             HANDLE process = box.Start(rest, suspended);
             if (process == nullptr) return std::string("cannot start");
             pids.push_back(PidDigits(GetProcessId(process)));
             for (const std::string& step : atStart) {
                 const std::string path = test::ReplaceAll(step.substr(step.find(' ') + 1), "{PID}", pids.back());
                 const bool done = step.rfind("mkdir ", 0) == 0 ? CreateDirectoryA(path.c_str(), nullptr)
                                                                : held.Open(path, step.rfind("hold ", 0) == 0);
                 EXPECT_TRUE(done) << step;
             }
             atStart.clear();
             if (suspended) test::ResumeProcess(process);
             const test::RunResult r = test::WaitForProcess(process);
             lastRunMs = GetTickCount() - started;
             ++runs;
             if (!r.finished) return "run " + std::to_string(runs) + " did not end";
             return r.exitCode == 0 ? std::string() : "run " + std::to_string(runs) + " exit code " + std::to_string(r.exitCode);
         }},
        {"set", [&](const std::string&, const Parts& p) {
             return failed(p.size() == 4 && WritePrivateProfileStringA(p[1].c_str(), p[2].c_str(), p[3].c_str(), p[0].c_str()) &&
                           (WritePrivateProfileStringA(nullptr, nullptr, nullptr, p[0].c_str()), true));
         }},
        {"temp", [&](const std::string& rest, const Parts&) { return box.SetTempDirectory(rest), ""; }},
        {"write", [&](const std::string&, const Parts& p) {
             EnsureDirectories(p[0]);
             written.push_back(p[0]);
             return failed(test::WriteFileText(p[0], Unescape(p[1])));
         }},
        {"remove", [&](const std::string& rest, const Parts&) {
             SetFileAttributesA(rest.c_str(), FILE_ATTRIBUTE_NORMAL);
             return DeleteFileA(rest.c_str()) || RemoveDirectoryA(rest.c_str()), "";
         }},
        {"mkdir", [&](const std::string& rest, const Parts&) { return CreateDirectoryA(rest.c_str(), nullptr), ""; }},
        {"move", [&](const std::string&, const Parts& p) { return failed(MoveFileA(p[0].c_str(), p[1].c_str())); }},
        {"copy", [&](const std::string& rest, const Parts&) { return copy = rest, ""; }},
        {"expect", [&](const std::string&, const Parts& p) {
             const std::string now = test::ReadFileText(p[0]);
             return now == Unescape(p[1]) ? "" : "the file holds: " + now;
         }},
        {"attrib", [&](const std::string&, const Parts& p) {
             return failed(SetFileAttributesA(p[0].c_str(), AttributesOf(p.size() > 1 ? p[1] : "")));
         }},
        {"link", [&](const std::string&, const Parts& p) {
             return failed(MakeUnixLink(UnixName(p[0]), p[1], p[0]));
         }},
        {"drive", [&](const std::string&, const Parts& p) {
             drives.push_back(DriveLink(p[0]));
             return failed(MakeUnixLink(drives.back(), p[1], p[0] + ":\\"));
         }},
        {"lock", [&](const std::string& rest, const Parts&) { return failed(held.Open(rest, false)); }},
        {"onstart", [&](const std::string& rest, const Parts&) { return atStart.push_back(rest), ""; }},
        {"exists", [&](const std::string& rest, const Parts&) { return failed(test::PathExists(rest)); }},
        {"absent", [&](const std::string& rest, const Parts&) { return failed(!test::PathExists(rest)); }},
        {"place", [&](const std::string&, const Parts& p) {
             EnsureDirectories(p[1]);
             return failed(CopyFileA((test::ModuleDirectory() + "\\" + p[0]).c_str(), p[1].c_str(), FALSE));
         }},
        {"minimum", [&](const std::string& rest, const Parts&) {
             return lastRunMs >= std::stoul(rest) ? "" : "the run took " + std::to_string(lastRunMs) + " ms";
         }},
    };
    std::istringstream steps(ScenarioFile(name, "steps.txt"));
    for (std::string line; std::getline(steps, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t space = line.find(' ');
        const std::string verb = line.substr(0, space);
        std::string rest = space == std::string::npos ? "" : box.Fill(line.substr(space + 1));
        if (verb != "onstart" && !pids.empty()) rest = test::ReplaceAll(rest, "{PID}", pids.back());
        std::string failure;
        const auto step = verbs.find(verb);
        if (step != verbs.end()) failure = step->second(rest, SplitBars(rest));
        else if (!registry.Run(verb, SplitBars(rest), failure)) failure = "unknown step";
        EXPECT_EQ(failure, "") << line;
    }
    for (const std::string& w : written) verbs.at("remove")(w, {});
    for (const std::string& d : drives) test::WaitForProcess(test::StartProcess("Z:\\bin\\rm", "-f " + d));

    const std::string log = MaskPids(test::ReadFileText(box.log()), pids);
    if (Blessing()) return Bless(name, box, log, copy, pids);
    const std::string expectedLog = box.Fill(test::ReplaceAll(ScenarioFile(name, "expected.log"), "\r", ""));
    if (expectedLog.empty()) {
        EXPECT_FALSE(test::PathExists(box.log())) << "a log was written:\n" << log;
    } else {
        // Every entry ends with CR LF.
        EXPECT_EQ(log.find('\n'), log.find("\r\n") + 1);
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), std::count(log.begin(), log.end(), '\r'));
        EXPECT_EQ(test::MaskLog(log), expectedLog);
    }
    EXPECT_EQ(CheckKeys(copy, box.Fill(ScenarioFile(name, "expected.keys")), pids), "") << "working copy " << copy;
}

// Every directory under scenarios\ is one scenario: adding a case is adding
// its directory.
INSTANTIATE_TEST_SUITE_P(Engine, Scenario, ::testing::ValuesIn(test::ListDirectory(test::ModuleDirectory() + "\\scenarios", true)),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
