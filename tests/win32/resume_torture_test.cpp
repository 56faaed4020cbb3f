// Kills the engine at random moments of a run (compile, loop, flushes) and
// starts it again with -resume until it finishes, then checks that no command
// was skipped, that each kill repeated at most one, and that the working copy
// ends exactly as after an uninterrupted run. SE_TORTURE_TRIALS sets the number
// of trials (10 unless given), SE_TORTURE_SEED the random seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <random>
#include <set>

#include "harness.h"

namespace {

constexpr int kCommands = 200;
constexpr int kMaxKillsPerTrial = 3;

// The first list runs kFirstList commands and names the second list with a 19
// on the way; the second list is compiled behind the first and runs the rest.
constexpr int kFirstList = 120;

// Mostly commands that only log (32, a type not supported, an undefined
// one); every tenth sets a variable (27), which changes the working copy in
// more than CurrentCmd.
std::string TortureCommand(int i)
{
    const std::string step = "step " + std::to_string(i);
    if (i == kFirstList / 2) return "19,Second";
    if (i % 10 == 5) return "27,,V" + std::to_string(100 + i % 7) + "," + step;
    if (i % 3 == 0) return "32," + step;
    return std::to_string(i % 3 == 1 ? 36 : 34) + "," + step;
}

std::string TortureScript()
{
    std::string script = "[Data]\r\nLogging=1\r\nLogFile={DIR}\\install.log\r\n\r\n[CommandsList]\r\n";
    for (int i = 0; i < kCommands; ++i) script += (i == kFirstList ? "\r\n[Second]\r\n" : "") + TortureCommand(i) + "\r\n";
    return script;
}

// The command numbers of the log's per-command lines, in order.
std::vector<int> CommandLines(const std::string& log)
{
    std::vector<int> numbers;
    for (std::size_t at = 0; (at = log.find("> CMD", at)) != std::string::npos;) {
        at += 5;
        char* end = nullptr;
        const long n = std::strtol(log.c_str() + at, &end, 10);
        if (end && *end == '>') numbers.push_back(static_cast<int>(n));
    }
    return numbers;
}

int EnvNumber(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

TEST(ResumeTorture, KilledRunsResumeWithNothingSkippedOrLost)
{
    const std::string script = TortureScript();
    std::string reference;
    DWORD referenceMs = 0;
    {
        test::Sandbox box("torture");  // the same paths as the trials'
        box.AddFile("SETUP.INI", script);
        const DWORD start = GetTickCount();
        ASSERT_TRUE(box.Run("SETUP.INI -noreboot", 15 * 60 * 1000).finished);
        referenceMs = GetTickCount() - start;
        reference = test::ReadFileText(box.workingCopy());
        ASSERT_EQ(CommandLines(test::ReadFileText(box.log())).size(), static_cast<std::size_t>(kCommands));
    }
    const int trials = EnvNumber("SE_TORTURE_TRIALS", 10);
    std::mt19937 random(static_cast<unsigned>(EnvNumber("SE_TORTURE_SEED", static_cast<int>(GetTickCount()))));
    // Kill moments are drawn over the length of a whole run, which changes
    // with the machine's load: a trial whose first run ended before its kill
    // is run again, with the length that run took.
    DWORD runMs = referenceMs;

    int failed = 0, damaged = 0, unkilled = 0;
    for (int t = 0; t < trials; ++t) {
        test::Sandbox box("torture");
        box.AddFile("SETUP.INI", script);
        int kills = 0;
        bool ranOut = false;
        for (int start = 0;; ++start) {
            ASSERT_LT(start, 20) << "trial " << t << " never finished";
            const DWORD started = GetTickCount();
            HANDLE process = box.Start(start == 0 ? "SETUP.INI -noreboot" : "SETUP.INI -noreboot -resume");
            ASSERT_NE(process, nullptr);
            const DWORD wait = std::uniform_int_distribution<DWORD>(0, runMs)(random);
            if (kills < kMaxKillsPerTrial && WaitForSingleObject(process, wait) == WAIT_TIMEOUT) {
                TerminateProcess(process, 9);
                test::WaitForProcess(process, INFINITE);
                ++kills;
                continue;
            }
            // A slow machine (emulated, busy) may take minutes for one run.
            ASSERT_TRUE(test::WaitForProcess(process, 15 * 60 * 1000).finished);
            if (start == 0 && unkilled < trials) {
                runMs = GetTickCount() - started;
                ranOut = true;
            }
            break;
        }
        if (ranOut) {
            ++unkilled;
            --t;
            continue;
        }
        // Each command first seen in order, none left out; at most one repeat per kill.
        const std::string log = test::ReadFileText(box.log());
        const bool damagedCopy = log.find("working copy was damaged") != std::string::npos;  // a restart rebuilt it
        const std::vector<int> lines = CommandLines(log);
        std::vector<int> firstSeen;
        for (std::set<int> seen; int n : lines)
            if (seen.insert(n).second) firstSeen.push_back(n);
        std::string failure;
        if (firstSeen.size() != std::size_t{kCommands} || !std::is_sorted(firstSeen.begin(), firstSeen.end()) || firstSeen.back() != kCommands - 1)
            failure = "commands skipped or out of order (" + std::to_string(firstSeen.size()) + " seen)";
        else if (static_cast<int>(lines.size()) - kCommands > kills)
            failure = std::to_string(lines.size() - kCommands) + " repeats";
        else if (test::ReadFileText(box.workingCopy()) != reference)
            failure = "working copy differs from the uninterrupted run's";
        for (const char* left : {".bak0", ".bak1", ".res0", ".res1", ".new", ".old"})
            if (failure.empty() && test::PathExists(box.workingCopy() + left)) failure = std::string("protection file left behind: ") + left;
        damaged += damagedCopy;
        failed += !failure.empty();
        std::printf("trial %d: %d kills%s%s\n", t, kills, damagedCopy ? ", working copy rebuilt" : "", failure.empty() ? "" : ", FAILED");
        std::fflush(stdout);
        EXPECT_EQ(failure, "") << "trial " << t << " (" << kills << " kills)";
    }
    std::printf("torture: %d trials, %d with a damaged working copy rebuilt, %d skipped or lost something "
                "(%d runs ended before their kill and were run again)\n",
                trials, damaged, failed, unkilled);
}

}  // namespace
