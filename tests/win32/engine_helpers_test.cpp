// The log writers called directly: the levels no scenario reaches, and a log
// that is off or cannot be opened. (The built-in values, the language data
// section and long section reads are scenarios: builtin_values,
// startup_links, empty_language, compile_huge_list.)
#include <gtest/gtest.h>

#include "engine/engine.h"
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

}  // namespace
