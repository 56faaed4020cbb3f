#include <gtest/gtest.h>

#include "commands/core/idlist.h"
#include "commands/core/program_text.h"

namespace {

struct IdLine {
    unsigned id;
    const char* line;
    bool listed;
};

TEST(SystemIdList, LinesNameAnIdInTheEightFormsOnly)
{
    const IdLine cases[] = {
        {0x0A1B, "0x0A1B", true},  {0x0A1B, "0X0a1b", true},  {0x0A1B, "a1b", true},     {0x0A1B, "0A1B", true},
        {0x0A1B, "2587", true},    {0x0A1B, " \t0xa1b \r", true}, {0x0A1B, "0x0A1B=1", false},
        {0x0A1B, "0xA1B;x", false}, {0x0A1B, ";0x0A1B", false}, {0x0A1B, "00A1B", false}, {0x0A1B, "", false},
        {0x000A, "0xA", false},    {0x000A, "0x0A", true},    {0x000A, "0x00a", true},   {0x000A, "A", true},
        {0x000A, "10", true},      {0x000A, "000A", true},    {0x000A, "0A", true},      {0x000A, "0x0000a", false},
        {0xFFFF, "65535", true},   {0xFFFF, "0XFFFF", true},  {0x1234, "0x123", false},
    };
    for (const IdLine& c : cases) EXPECT_EQ(se::LineNamesSystemId(c.line, c.id), c.listed) << c.line << " " << c.id;
    EXPECT_TRUE(se::SystemIdListed({"; comment", "junk", "0x0a1b"}, 0x0A1B));
    EXPECT_FALSE(se::SystemIdListed({}, 0x0A1B));
    EXPECT_EQ(se::FormatSystemId(0x0A1B), "0X0A1B");
    EXPECT_EQ(se::FormatSystemId(0), "0X0000");
}

struct Directory {
    const char* commandLine;
    const char* directory;  // nullptr: the engine's current directory
};

TEST(ProgramText, WorkingDirectoryFromTheProgramPath)
{
    const Directory cases[] = {
        {"C:\\Tools\\setup.exe -q", "C:\\Tools"},
        {"C:\\setup.exe", "C:\\"},
        {"setup.exe /log:C:\\x.log", nullptr},
        {"C:\\Program Files\\App\\setup.exe", "C:\\"},  // unquoted: cut at the first blank
        {"\"C:\\Program Files\\Tool\\setup.exe\" /s", "C:\\Program Files\\Tool"},
        {"\"C:\\setup.exe\"", "C:\\"},
        {"\"my tool.exe\" C:\\x", nullptr},
        {"\"C:\\No End\\x.exe", "C:\\No End"},
        {"", nullptr},
    };
    for (const Directory& c : cases) {
        const auto got = se::ProgramWorkingDirectory(c.commandLine);
        if (c.directory)
            EXPECT_EQ(got.value_or("<none>"), c.directory) << c.commandLine;
        else
            EXPECT_FALSE(got.has_value()) << c.commandLine;
    }
}

TEST(ProgramText, PauseReadsLikeASignedDecimal)
{
    const std::pair<const char*, int> cases[] = {{"1500", 1500}, {"2s", 2},   {"  +7", 7},       {"-20", -20},
                                                 {"x", 0},       {"", 0},     {"99999999999", 2147483647}};
    for (const auto& [text, ms] : cases) EXPECT_EQ(se::PauseMilliseconds(text), ms) << text;
}

TEST(ProgramText, MessageLinesEndAtAnEmptyValueOrTheDefault)
{
    std::string text;
    EXPECT_TRUE(se::AppendMessageLine(text, "Hello"));
    EXPECT_TRUE(se::AppendMessageLine(text, ";"));
    EXPECT_TRUE(se::AppendMessageLine(text, "World"));
    EXPECT_FALSE(se::AppendMessageLine(text, "no text"));
    EXPECT_FALSE(se::AppendMessageLine(text, ""));
    EXPECT_EQ(text, "Hello\n\nWorld\n");
}

}  // namespace
