// The log writers called directly, for the levels no scenario reaches. (A log
// that is off or cannot be opened, the built-in values, the language data
// section and long section reads are scenarios: log_off_or_unopenable,
// builtin_values, startup_links, empty_language, compile_huge_list.)
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "harness.h"

TEST(EngineHelpers, LogWriters)
{
    const test::Sandbox box("helpers");
    g_engine = EngineState{};
    g_engine.programFileName = "SETUP.EXE";
    g_engine.logFilePath = box.log();
    g_engine.loggingOn = true;
    WriteLog("ERROR-=-", "Cannot find...");
    WriteLog("", "");
    WriteLogText("plain text");
    WriteLogLevel("first", "second", 1);
    WriteLogLevel("a", "b", 0);
    WriteLogLevel("c", "d", 7);
    EXPECT_EQ(test::MaskLog(test::ReadFileText(box.log())),
              "[TIME]  SETUP.EXE> ERROR-=- Cannot find...\n"
              "[TIME]  SETUP.EXE>  \n"
              "[TIME]  plain text\n"
              "RECOVERABLE ERROR-=-second\nRECOVERABLE ERROR-=-first\n"
              "FATAL-=-b\nFATAL-=-a\n"
              "WARNING ERROR-=-d\nWARNING ERROR-=-c\n");
}
