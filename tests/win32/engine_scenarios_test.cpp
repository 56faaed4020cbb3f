// End-to-end runs of setupengine.exe on the scripts under tests/scenarios;
// tests/scenarios/README.md describes a scenario's files and steps.
#include <gtest/gtest.h>

#include <cstdlib>
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
    std::vector<std::string> parts(1);
    for (char c : text) c == '|' ? parts.emplace_back() : parts.back() += c;
    return parts;
}

// Made by /bin/ln through Wine, which shows a Unix link to a directory as a
// directory with FILE_ATTRIBUTE_REPARSE_POINT, as Windows shows a junction. A
// drive letter is a link in the prefix's dosdevices folder, as a subst or
// mapped drive; Wine sees it at once.
std::string UnixName(const std::string& path)
{
    using UnixNameOf = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixNameOf>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    const std::wstring wide(path.begin(), path.end());
    char* name = unixName ? unixName(wide.c_str()) : nullptr;
    const std::string text = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

bool MakeUnixLink(const std::string& unixLink, const std::string& target, const std::string& shownAs)
{
    const std::string unixTarget = UnixName(target);
    if (unixLink.empty() || unixTarget.empty()) return false;
    test::WaitForProcess(test::StartProcess("Z:\\bin\\ln", "-sfn " + unixTarget + " " + unixLink));
    for (int i = 0; i < 100 && !test::PathExists(shownAs); ++i) Sleep(20);
    return test::PathExists(shownAs);
}

std::string ScenarioFile(const std::string& scenario, const std::string& file)
{
    return test::ReadFileText(test::ModuleDirectory() + "\\scenarios\\" + scenario + "\\" + file);
}

// The lines of a text, without their CR.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
    return lines;
}

// A run's temporary names (TMP and the five lowest digits of its process id)
// as the expectations write them: TMP{PID}.
std::string MaskPids(std::string text, const std::vector<std::string>& pids)
{
    for (const std::string& pid : pids) text = test::ReplaceAll(text, "TMP" + pid, "TMP{PID}");
    return text;
}

// The expected keys ("Section|Key|Value" or "Section|Key|<missing>") against
// the working copy: the differences, empty when all match; blessing, the
// expectations with the values the copy holds.
std::string CompareKeys(const std::string& expectations, const std::string& copy, const std::vector<std::string>& pids,
                        const test::Sandbox& box, bool bless)
{
    std::string out;
    for (std::string line : Lines(expectations)) {
        const std::size_t a = line.find('|'), b = line.find('|', a + 1);
        if (!line.empty() && line[0] != '#' && b != std::string::npos) {
            const std::string section = line.substr(0, a), key = line.substr(a + 1, b - a - 1), want = box.Fill(line.substr(b + 1));
            const std::string got = MaskPids(test::IniValue(copy, section.c_str(), key.c_str()), pids);
            if (got != want && bless) line = line.substr(0, b + 1) + box.Unfill(got);
            else if (got != want) out += "[" + section + "] " + key + ": got \"" + got + "\", want \"" + want + "\"\n";
        }
        if (bless) out += line + "\n";
    }
    return out;
}

// SE_BLESS=1: the run's log and the values of the keys expected.keys names
// become the scenario's expectations in the source tree, so a deliberate
// change of the log is one run and a reviewed diff. A line the run reproduced
// keeps its placeholders as written; a golden kept with CRLF line ends keeps
// them, so the diff shows only changed lines.
void Bless(const std::string& name, const test::Sandbox& box, const std::string& log, const std::string& copy,
           const std::vector<std::string>& pids)
{
    for (const std::string file : {"expected.log", "expected.keys"}) {
        const std::string original = ScenarioFile(name, file);
        std::string blessed = file == "expected.keys" ? CompareKeys(original, copy, pids, box, true) : "";
        std::map<std::string, std::string> written;  // a line as the run shows it, and as written
        for (const std::string& line : Lines(original)) written.emplace(box.Fill(line), line);
        for (const std::string& line : Lines(file == "expected.log" ? test::MaskLog(log) : "")) {
            const auto w = written.find(line);
            blessed += (w != written.end() ? w->second : box.Unfill(line)) + "\n";
        }
        if (original.find("\r\n") != std::string::npos) blessed = test::ReplaceAll(blessed, "\n", "\r\n");
        if (blessed.empty() && file == "expected.log") continue;
        ASSERT_TRUE(test::WriteFileText(std::string("Z:") + SE_SCENARIO_SOURCE + "/" + name + "/" + file, blessed));
    }
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
    // Files open to the end: locked (shared with no one), or held (a new file
    // others may read and write, but not rename or delete).
    std::vector<HANDLE> held;
    const auto open = [&](const std::string& path, bool hold) {
        held.push_back(hold ? CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                            : CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return held.back() != INVALID_HANDLE_VALUE;
    };
    DWORD lastRunMs = 0;
    // Each step's check on its |-separated parts: empty when it held, else what went wrong.
    using Parts = std::vector<std::string>;
    const auto failed = [](bool done) { return std::string(done ? "" : "failed"); };
    const auto remove = [](const std::string& path) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileA(path.c_str()) || RemoveDirectoryA(path.c_str()), "";
    };
    const std::map<std::string, std::function<std::string(const Parts& p)>> verbs = {
        {"run", [&](const Parts& p) {
             const DWORD started = GetTickCount();
             HANDLE process = box.Start(p[0], !atStart.empty());
             if (process == nullptr) return std::string("cannot start");
             pids.push_back(std::to_string(100000 + GetProcessId(process) % 100000).substr(1));  // five lowest digits
             for (const std::string& step : atStart) {
                 const std::string path = test::ReplaceAll(step.substr(step.find(' ') + 1), "{PID}", pids.back());
                 EXPECT_TRUE(step.rfind("mkdir ", 0) == 0 ? CreateDirectoryA(path.c_str(), nullptr)
                                                          : open(path, step.rfind("hold ", 0) == 0)) << step;
             }
             if (!atStart.empty()) test::ResumeProcess(process);
             atStart.clear();
             const test::RunResult r = test::WaitForProcess(process);
             lastRunMs = GetTickCount() - started;
             const std::string run = "run " + std::to_string(pids.size());
             return !r.finished ? run + " did not end" : r.exitCode ? run + " exit code " + std::to_string(r.exitCode) : "";
         }},
        {"set", [&](const Parts& p) {
             return failed(p.size() == 4 && WritePrivateProfileStringA(p[1].c_str(), p[2].c_str(), p[3].c_str(), p[0].c_str()) &&
                           (WritePrivateProfileStringA(nullptr, nullptr, nullptr, p[0].c_str()), true));
         }},
        {"temp", [&](const Parts& p) { return box.SetTempDirectory(p[0]), ""; }},
        {"write", [&](const Parts& p) {
             EnsureDirectories(p[0]);
             written.push_back(p[0]);
             return failed(test::WriteFileText(p[0], Unescape(p[1])));
         }},
        {"remove", [&](const Parts& p) { return remove(p[0]); }},
        {"mkdir", [&](const Parts& p) { return CreateDirectoryA(p[0].c_str(), nullptr), ""; }},
        {"move", [&](const Parts& p) { return failed(MoveFileA(p[0].c_str(), p[1].c_str())); }},
        {"copy", [&](const Parts& p) { return copy = p[0], ""; }},
        {"expect", [&](const Parts& p) {
             const std::string now = test::ReadFileText(p[0]);
             return now == Unescape(p[1]) ? "" : "the file holds: " + now;
         }},
        {"attrib", [&](const Parts& p) {
             DWORD a = 0;
             for (char c : p.size() > 1 ? p[1] : "")
                 a |= c == 'R' ? FILE_ATTRIBUTE_READONLY : c == 'H' ? FILE_ATTRIBUTE_HIDDEN : c == 'S' ? FILE_ATTRIBUTE_SYSTEM : 0;
             return failed(SetFileAttributesA(p[0].c_str(), a ? a : FILE_ATTRIBUTE_NORMAL));
         }},
        {"link", [&](const Parts& p) { return failed(MakeUnixLink(UnixName(p[0]), p[1], p[0])); }},
        {"drive", [&](const Parts& p) {
             drives.push_back(std::string(std::getenv("WINEPREFIX") ? std::getenv("WINEPREFIX") : "") + "/dosdevices/" + p[0] + ":");
             return failed(MakeUnixLink(drives.back(), p[1], p[0] + ":\\"));
         }},
        {"lock", [&](const Parts& p) { return failed(open(p[0], false)); }},
        {"onstart", [&](const Parts& p) { return atStart.push_back(p[0]), ""; }},
        {"exists", [&](const Parts& p) { return failed(test::PathExists(p[0])); }},
        {"absent", [&](const Parts& p) { return failed(!test::PathExists(p[0])); }},
        {"place", [&](const Parts& p) {
             EnsureDirectories(p[1]);
             return failed(CopyFileA((test::ModuleDirectory() + "\\" + p[0]).c_str(), p[1].c_str(), FALSE));
         }},
        {"minimum", [&](const Parts& p) {
             return lastRunMs >= std::stoul(p[0]) ? "" : "the run took " + std::to_string(lastRunMs) + " ms";
         }},
    };
    for (const std::string& line : Lines(ScenarioFile(name, "steps.txt"))) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t space = line.find(' ');
        const std::string verb = line.substr(0, space);
        std::string rest = space == std::string::npos ? "" : box.Fill(line.substr(space + 1));
        if (verb != "onstart" && !pids.empty()) rest = test::ReplaceAll(rest, "{PID}", pids.back());
        std::string failure;
        const auto step = verbs.find(verb);
        if (step != verbs.end()) failure = step->second(SplitBars(rest));
        else if (!registry.Run(verb, SplitBars(rest), failure)) failure = "unknown step";
        EXPECT_EQ(failure, "") << line;
    }
    for (const std::string& w : written) remove(w);
    for (const std::string& d : drives) test::WaitForProcess(test::StartProcess("Z:\\bin\\rm", "-f " + d));
    for (HANDLE h : held) CloseHandle(h);

    const std::string log = MaskPids(test::ReadFileText(box.log()), pids);
    if (const char* bless = std::getenv("SE_BLESS"); bless && std::string(bless) == "1") return Bless(name, box, log, copy, pids);
    // No expected.log: no log may be written. Every entry ends with CR LF, and no CR or LF stands alone.
    const std::string expectedLog = box.Fill(test::ReplaceAll(ScenarioFile(name, "expected.log"), "\r", ""));
    EXPECT_EQ(test::PathExists(box.log()) ? test::MaskLog(log) : "<no log>", expectedLog.empty() ? "<no log>" : expectedLog);
    EXPECT_EQ(test::ReplaceAll(log, "\r\n", "").find_first_of("\r\n"), std::string::npos) << log;
    EXPECT_EQ(CompareKeys(ScenarioFile(name, "expected.keys"), copy, pids, box, false), "") << "working copy " << copy;
}

// Every directory under scenarios\ is one scenario: adding a case is adding
// its directory.
INSTANTIATE_TEST_SUITE_P(Engine, Scenario, ::testing::ValuesIn(test::ListDirectory(test::ModuleDirectory() + "\\scenarios", true)),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
