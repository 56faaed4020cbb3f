// The version tests under each of Wine's Windows personalities, and the
// engine's own behaviour that depends on them. A personality applies to a
// process started after it was set, so the checks run in child processes.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "harness.h"

namespace {

const char kSelf[] = "se_version_tests.exe";

DWORD RunSelf(const std::string& argument)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return test::WaitForProcess(test::StartProcess(self, argument)).exitCode;
}

int VersionMask() { return IsWin95() | IsWin98() << 1 | IsWinNT4() << 2 | IsWin2000() << 3 | IsWinXP() << 4; }

TEST(VersionTests, ExactlyOneHoldsUnderEachPersonality)
{
    // Windows Me and Vista: none of the five.
    const std::pair<const char*, DWORD> cases[] = {{"win95", 1}, {"win98", 2}, {"nt40", 4}, {"win2k", 8}, {"winxp", 16}, {"winme", 0}, {"vista", 0}};
    for (const auto& [version, mask] : cases) {
        test::SetPersonality(kSelf, version);
        EXPECT_EQ(RunSelf("--report-versions"), mask) << version;
    }
    test::SetPersonality(kSelf, "");
    EXPECT_EQ(RunSelf("--report-versions"), 0u) << "Wine's default personality";
}

// A command list too large for the 32 KB section reads of Windows 95 and 98.
std::string HugeScript()
{
    std::string script = "[Data]\r\nLogging=1\r\nLogFile={DIR}\\install.log\r\n[CommandsList]\r\n";
    // 200 lines of 100 characters: more than the 16638 characters that
    // Windows 95 and 98 can read, fewer than the time a long list takes.
    for (int i = 100; i < 300; ++i) script += "36,field" + std::to_string(i) + "," + std::string(88, 'x') + "\r\n";
    return script;
}

std::string RunHugeList(const std::string& name, const std::string& version)
{
    test::Sandbox box(name);
    box.AddFile("SETUP.INI", HugeScript());
    test::SetPersonality("setupengine.exe", version);
    const test::RunResult r = box.Run("SETUP.INI");
    test::SetPersonality("setupengine.exe", "");
    EXPECT_TRUE(r.finished);
    return test::ReadFileText(box.log());
}

TEST(SectionReads, Windows9xStopsGrowingAt16640Bytes)
{
    const std::string log = RunHugeList("huge98", "win98");
    EXPECT_NE(log.find("> WARINING -=-Section Size is to large for Win9X\r\n"), std::string::npos);
    // Only whole lines are compiled: the line cut at the buffer's end is not.
    const std::size_t last = log.rfind("> CMD");
    ASSERT_NE(last, std::string::npos);
    const std::string lastLine = log.substr(last, log.find("\r\n", last) - last);
    EXPECT_NE(lastLine.find(std::string(88, 'x') + " "), std::string::npos) << lastLine;
    EXPECT_EQ(log.find("field299"), std::string::npos);
    // Privileges belong to the NT family: a 9x run adjusts none and still ends.
    EXPECT_EQ(log.find("adjusting token privilege"), std::string::npos);
    EXPECT_NE(log.find("DONE !"), std::string::npos);
}

TEST(SectionReads, NtFamilyReadsTheWholeSection)
{
    const std::string log = RunHugeList("hugent", "winxp");
    EXPECT_EQ(log.find("WARINING"), std::string::npos);
    EXPECT_NE(log.find("> CMD199> : 36,field299," + std::string(88, 'x') + " \r\n"), std::string::npos);
    EXPECT_NE(log.find("> NOTICE: adjusting token privilege for : SE_SHUTDOWN_NAME"), std::string::npos);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--report-versions") return VersionMask();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
