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

struct Answered {
    std::string text;
    bool found = false;
    bool topmostWithoutOwner = false;  // system-modal, no owner window
    DWORD exitCode = 0xFFFFFFFF;
};

Answered AnswerBox(const test::Sandbox& box, const std::string& arguments)
{
    Answered a;
    HANDLE process = box.Start(arguments);
    if (!process) return a;
    if (HWND w = test::WaitForBox(kTitle)) {
        a.found = true;
        a.text = test::BoxText(w);
        a.topmostWithoutOwner = test::SystemModal(w);
        PostMessageA(w, WM_COMMAND, IDOK, 0);
    }
    if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) TerminateProcess(process, 99);
    GetExitCodeProcess(process, &a.exitCode);
    CloseHandle(process);
    return a;
}

TEST(UsageBox, ShownForAMissingScriptEvenWhenSilent)
{
    test::Sandbox box("usagebox");
    for (const char* arguments : {"NOSUCH.INI", "NOSUCH.INI -silent", ""}) {
        const Answered a = AnswerBox(box, arguments);
        ASSERT_TRUE(a.found) << "no box for '" << arguments << "'";
        EXPECT_EQ(a.text, kUsage);
        EXPECT_TRUE(a.topmostWithoutOwner);
        EXPECT_EQ(a.exitCode, 0u);
    }
    EXPECT_FALSE(test::PathExists(box.log()));
}

TEST(CommandsBox, ShownForAnEmptyListUnlessSilent)
{
    test::Sandbox box("listbox");
    box.AddFile("SETUP.INI", "[Data]\r\nLogging=1\r\nLogFile={DIR}\\install.log\r\n[CommandsList]\r\n");
    const Answered a = AnswerBox(box, "SETUP.INI");
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.text, "Cannot initialize commands section...check log file...");
    EXPECT_TRUE(a.topmostWithoutOwner);
    EXPECT_EQ(a.exitCode, 0u);

    // Silent: the run ends at once without a box.
    HANDLE process = box.Start("SETUP.INI -silent");
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(process);
    EXPECT_EQ(FindWindowA("#32770", kTitle), nullptr);
}

}  // namespace
