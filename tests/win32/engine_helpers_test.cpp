// The engine's Windows-facing helpers called directly: log writers, system
// error texts, section reads, variables with the machine's real values, the
// language data section.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "setupengine/run.h"
#include "harness.h"

namespace {

class EngineHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        box_ = std::make_unique<test::Sandbox>("helpers");
        g_engine = EngineState{};
        g_engine.programDirectory = box_->dir();
        g_engine.programFileName = "SETUP.EXE";
        g_engine.logFilePath = box_->log();
        g_engine.loggingOn = true;
        g_engine.scriptPath = box_->workingCopy();
        test::WriteFileText(g_engine.scriptPath, "[Variables]\r\nV003=~%C103\\x\r\nV010=ten\r\n");
    }
    std::string Log() const { return test::MaskLog(test::ReadFileText(box_->log())); }
    std::unique_ptr<test::Sandbox> box_;
};

TEST_F(EngineHelpers, LogWriters)
{
    WriteLog("ERROR-=-", "Cannot find...");
    WriteLog("", "");
    WriteLogText("plain text");
    WriteLogLevel("first", "second", 1);
    WriteLogLevel("a", "b", 0);
    WriteLogLevel("c", "d", 7);
    EXPECT_EQ(Log(),
              "[TIME]  SETUP.EXE> ERROR-=- Cannot find...\n"
              "[TIME]  SETUP.EXE>  \n"
              "[TIME]  plain text\n"
              "RECOVERABLE ERROR-=-second\nRECOVERABLE ERROR-=-first\n"
              "FATAL-=-b\nFATAL-=-a\n"
              "WARNING ERROR-=-d\nWARNING ERROR-=-c\n");
}

TEST_F(EngineHelpers, NothingIsWrittenWhileLoggingIsOffOrTheLogCannotBeOpened)
{
    g_engine.loggingOn = false;
    WriteLog("ERROR-=-", "x");
    WriteLogText("x");
    WriteLogLevel("x", "y", 0);
    EXPECT_FALSE(test::PathExists(box_->log()));
    g_engine.loggingOn = true;
    g_engine.logFilePath = box_->path("no\\such\\dir\\install.log");
    WriteLog("ERROR-=-", "lost");  // silently
    EXPECT_FALSE(test::PathExists(g_engine.logFilePath));
}

TEST_F(EngineHelpers, LastErrorTextIsOneLineCutToTheBuffer)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    std::string text;
    EXPECT_EQ(GetLastErrorText(text), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    SetLastError(ERROR_FILE_NOT_FOUND);
    GetLastErrorText(text, 6);
    EXPECT_EQ(text.size(), 5u);
    SetLastError(0x2FFFFFFF);  // no text for it
    GetLastErrorText(text);
    EXPECT_EQ(text, "");
}

TEST_F(EngineHelpers, SectionReadsGrowUntilTheSectionFits)
{
    std::string script = "[Big]\r\n";
    for (int i = 0; i < 300; ++i) script += "line" + std::to_string(i) + "=" + std::string(20, 'v') + "\r\n";
    script += "[Empty]\r\n[After]\r\nk=v\r\n";
    test::WriteFileText(g_engine.scriptPath, script);
    const auto big = ReadProfileSection("Big", g_engine.scriptPath);
    ASSERT_TRUE(big.has_value());
    ASSERT_EQ(big->size(), 300u);
    EXPECT_EQ(big->back(), "line299=" + std::string(20, 'v'));
    EXPECT_FALSE(ReadProfileSection("Empty", g_engine.scriptPath).has_value());
    EXPECT_FALSE(ReadProfileSection("Missing", g_engine.scriptPath).has_value());
    EXPECT_EQ(ReadProfileSection("after", g_engine.scriptPath)->front(), "k=v");
}

TEST_F(EngineHelpers, VariablesTakeTheMachinesValues)
{
    char windows[MAX_PATH], temp[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetTempPathA(MAX_PATH, temp);
    const std::string system = test::SystemDirectory();
    std::string text = "~%C101|~%C102|~%C103|~%C104|~%C001";
    EXPECT_EQ(GetVariable(text, 512), 5);
    EXPECT_EQ(text, std::string(windows) + "|" + windows + "\\inf|" + system + "|" + system + "\\Drivers|" +
                        box_->dir());

    text = "~%V003 ~%V010 ~%V011.";
    EXPECT_EQ(GetVariable(text, 512), 4);  // the token inside V003 counts too
    EXPECT_EQ(text, system + "\\x ten .");

    text = "~%C000 is dropped";
    GetVariable(text, 260);
    char name[16];
    wsprintfA(name, "TMP%05lu", GetCurrentProcessId() % 100000);
    EXPECT_EQ(text, std::string(temp) + name);
    EXPECT_EQ(test::IniValue(g_engine.scriptPath, "Variables", "V000"), text);
    EXPECT_NE(Log().find("[TIME]  SETUP.EXE>  ** creating " + text + " and will save in V000\n"), std::string::npos);
}

TEST_F(EngineHelpers, LanguageDataSection)
{
    CreateDirectoryA("C:\\system.sav", nullptr);
    CreateDirectoryA("C:\\system.sav\\util", nullptr);
    // No file: XX; the language named; an empty name fails.
    const std::pair<const char*, const char*> cases[] = {{"", "Data.XX"},
        {"[Description]\r\nNorvaneLanguage= GR ; German\r\n", "Data.GR"}, {"[Description]\r\nNorvaneLanguage=\r\n", "failed"}};
    for (const auto& [file, expected] : cases) {
        DeleteFileA(kLanguageFile);
        if (*file) test::WriteFileText(kLanguageFile, file);
        EXPECT_EQ(FormLanguageDataSection() ? g_engine.languageDataSection : "failed", expected) << file;
    }
    DeleteFileA(kLanguageFile);
}

}  // namespace
