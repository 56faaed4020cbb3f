#include <gtest/gtest.h>

#include "engine/logline.h"
#include "engine/osmatch.h"

namespace {

TEST(LogLine, Forms)
{
    const std::string stamp = se::FormatTimeStamp(10, 15, 2, 47);
    EXPECT_EQ(stamp, "[10:15:02.047] ");
    EXPECT_EQ(se::FormatTimeStamp(0, 0, 0, 0), "[00:00:00.000] ");
    EXPECT_EQ(se::FormatLogLine(stamp, "SETUP.EXE", "ERROR-=-", "Cannot find..."),
              "[10:15:02.047]  SETUP.EXE> ERROR-=- Cannot find...");
    EXPECT_EQ(se::FormatLogLine(stamp, "SETUP.EXE", "", ""), "[10:15:02.047]  SETUP.EXE>  ");
    EXPECT_EQ(se::FormatLogTextLine(stamp, "text"), "[10:15:02.047]  text");
}

TEST(LogLine, LinesAreCutAt511Characters)
{
    const std::string stamp = se::FormatTimeStamp(1, 2, 3, 4);
    const std::string line = se::FormatLogLine(stamp, "P.EXE", "", std::string(600, 'm'));
    EXPECT_EQ(line.size(), 511u);
    EXPECT_EQ(se::FormatLogTextLine(stamp, std::string(1000, 't')).size(), 511u);
}

TEST(LogLine, EveryLineFeedIsWrittenAsCrLf)
{
    // A message that begins with a line feed is two lines on disk, both CR LF.
    EXPECT_EQ(se::WithTextModeLineEnds("[t]  P> E=2, x \nfunction CopyFile() failed\n"),
              "[t]  P> E=2, x \r\nfunction CopyFile() failed\r\n");
    EXPECT_EQ(se::WithTextModeLineEnds("\n\n"), "\r\n\r\n");
    EXPECT_EQ(se::WithTextModeLineEnds("no line end"), "no line end");
}

TEST(LogLine, LevelPrefixes)
{
    const std::pair<int, const char*> cases[] = {
        {0, "FATAL-=-"}, {1, "RECOVERABLE ERROR-=-"}, {2, "WARNING ERROR-=-"}, {-1, "WARNING ERROR-=-"}};
    for (const auto& [level, prefix] : cases) EXPECT_EQ(se::LevelPrefix(level), prefix) << level;
}

TEST(VersionMatch, OnlyExactTriples)
{
    using V = se::WindowsVersion;
    const struct { V version; int platform, major, minor; bool match; } cases[] = {
        {V::Win95, 1, 4, 0, true},   {V::Win98, 1, 4, 10, true}, {V::WinNT4, 2, 4, 0, true},
        {V::Win2000, 2, 5, 0, true}, {V::WinXP, 2, 5, 1, true},
        {V::Win98, 1, 4, 90, false},  // Windows Me
        {V::WinNT4, 2, 3, 51, false}, {V::WinXP, 2, 5, 2, false}, {V::Win95, 2, 4, 0, false}};
    for (const auto& c : cases)
        EXPECT_EQ(se::IsVersion(c.version, c.platform, c.major, c.minor), c.match) << c.platform << c.major << c.minor;
}

}  // namespace
