// The engine's message boxes on a real (Xvfb) display: found by caption,
// text read, answered.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

const char kTitle[] = "Norvane Setup Utility - setupengine.exe";

const char kUsage[] =
    "Usage:  <module.exe> <INI_FILE> -silent -noreboot -resume\n\n"
    "INI_FILE is either full path or just name if in same dir as EXE.\n"
    "-silent will  suppress all GUI prompts\n"
    "-noreboot will suppress reboots\n"
    "-resume will force a resume of the INI file processing\n\n";

// The box the engine shows for those arguments, answered; and its exit code.
test::BoxSeen AnswerBox(const test::Sandbox& box, const std::string& arguments, DWORD& exitCode)
{
    HANDLE process = box.Start(arguments);
    const test::BoxSeen seen = process ? test::AnswerBox(kTitle, IDOK) : test::BoxSeen{};
    exitCode = test::WaitForProcess(process, 20000).exitCode;
    return seen;
}

TEST(UsageBox, ShownForAMissingScriptEvenWhenSilent)
{
    test::Sandbox box("usagebox");
    for (const char* arguments : {"NOSUCH.INI", "NOSUCH.INI -silent", ""}) {
        DWORD exitCode = 1;
        const test::BoxSeen a = AnswerBox(box, arguments, exitCode);
        ASSERT_TRUE(a.found) << "no box for '" << arguments << "'";
        EXPECT_EQ(a.text, kUsage);
        EXPECT_TRUE(a.systemModal);
        EXPECT_EQ(exitCode, 0u);
    }
    EXPECT_FALSE(test::PathExists(box.log()));
}

TEST(CommandsBox, ShownForAnEmptyListUnlessSilent)
{
    test::Sandbox box("listbox");
    box.AddFile("SETUP.INI", "[Data]\r\nLogging=1\r\nLogFile={DIR}\\install.log\r\n[CommandsList]\r\n");
    DWORD exitCode = 1;
    const test::BoxSeen a = AnswerBox(box, "SETUP.INI", exitCode);
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.text, "Cannot initialize commands section...check log file...");
    EXPECT_TRUE(a.systemModal);
    EXPECT_EQ(exitCode, 0u);

    // Silent: the run ends at once without a box.
    EXPECT_TRUE(test::WaitForProcess(box.Start("SETUP.INI -silent"), 20000).finished);
    EXPECT_EQ(FindWindowA("#32770", kTitle), nullptr);
}

}  // namespace
