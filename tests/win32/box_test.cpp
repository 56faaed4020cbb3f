// The engine's message boxes on a real (Xvfb) display, each found by its
// caption, its text read back byte for byte and answered: the usage and list
// boxes of a failed start, and command 17, whose answer selects the section
// that runs next.
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

// A failed start: the usage box for a missing script (or none), even when
// silent, and writing no log; the list box for an empty command list, unless
// silent. Both system-modal, and the engine exits with 0 once they are answered.
TEST(StartBoxes, UsageEvenWhenSilentAndEmptyListUnlessSilent)
{
    test::Sandbox box("startbox");
    for (const std::string arguments : {"NOSUCH.INI", "NOSUCH.INI -silent", "", "SETUP.INI"}) {
        const bool list = arguments == "SETUP.INI";
        if (list) {
            EXPECT_FALSE(test::PathExists(box.log()));
            box.AddFile("SETUP.INI", "[Data]\r\nLogging=1\r\nLogFile={DIR}\\install.log\r\n[CommandsList]\r\n");
        }
        HANDLE process = box.Start(arguments);
        const test::BoxSeen seen = process ? test::AnswerBox(kTitle, IDOK) : test::BoxSeen{};
        const test::RunResult r = test::WaitForProcess(process, 20000);
        ASSERT_TRUE(seen.found) << "no box for '" << arguments << "'";
        EXPECT_EQ(seen.text, list ? "Cannot initialize commands section...check log file..." : kUsage);
        EXPECT_TRUE(seen.systemModal);
        EXPECT_EQ(r.exitCode, 0u);
    }
    EXPECT_TRUE(test::WaitForProcess(box.Start("SETUP.INI -silent"), 20000).finished);
    EXPECT_EQ(FindWindowA("#32770", kTitle), nullptr);
}

// 170 lines of 120 characters: about 20 KB of text, more than the 16640-byte
// measurement of the section allows.
std::string BigLine(int n) { return (n < 10 ? "00" : n < 100 ? "0" : "") + std::to_string(n) + " " + std::string(116, 'x'); }

TEST(MessageBox, AnswersChooseTheNextSectionAndLongTextsAreCut)
{
    test::Sandbox box("messagebox");
    std::string script =
        "[Data]\r\nLogging=1\r\nLogFile={DIR}\\install.log\r\n[CommandsList]\r\n"
        "17,Big,4,BigYes,BigNo,BigCancel\r\n17,Ask,3,YesSec,NoSec\r\n"
        "[Ask.US]\r\nTitle=Question\r\nMessage1=Hello\r\nMessage2=;\r\nMessage3=World\r\nMessage4=\r\n"
        "Message5=Never shown\r\n[YesSec]\r\n36,yes\r\n[NoSec]\r\n36,no\r\n[Big.US]\r\nTitle=Big\r\n";
    std::string bigText;
    for (int n = 1; n <= 170; ++n) {
        script += "Message" + std::to_string(n) + "=" + BigLine(n) + "\r\n";
        bigText += BigLine(n) + "\n";
    }
    box.AddFile("SETUP.INI", script);

    HANDLE process = box.Start("SETUP.INI");
    ASSERT_NE(process, nullptr);
    const test::BoxSeen big = test::AnswerBox("Big", IDCANCEL);
    const test::BoxSeen question = big.found ? test::AnswerBox("Question", IDNO) : test::BoxSeen{};
    const test::RunResult r = test::WaitForProcess(process, 20000);
    ASSERT_TRUE(big.found && question.found);
    EXPECT_TRUE(r.finished);

    // Measured at 16640 bytes: the text keeps 16639 characters.
    EXPECT_EQ(big.text, bigText.substr(0, 16639));
    EXPECT_EQ(question.text, "Hello\n\nWorld\n");
    EXPECT_TRUE(big.systemModal && question.systemModal);

    const std::string log = test::ReadFileText(box.log());
    for (const char* entry : {"WARINING -=-Section Size is to large for Win9X", "  Setting next section to:  BigCancel",
                              "  Setting next section to:  NoSec"})
        EXPECT_NE(log.find(entry), std::string::npos) << log;
    EXPECT_EQ(test::IniValue(box.workingCopy(), "State", "CurrentSection"), "NoSec");
}

}  // namespace
