// Command list lines and the command line; the tables are in tests/cases/engine.txt.
#include <gtest/gtest.h>

#include "case_table.h"
#include "engine/listline.h"

namespace {

using se::CompileListLine;

std::string Joined(const std::vector<std::string>& fields)
{
    std::string all;
    for (std::size_t i = 0; i < fields.size(); ++i) all += (i ? "," : "") + fields[i];
    return all;
}

TEST(ListLines, CompileToCommandKeysOrAreIgnored)
{
    for (const cases::Row& c : cases::Rows("engine.txt", "listline")) {
        const auto compiled = CompileListLine(c[0]);
        ASSERT_TRUE(compiled.has_value()) << c[0].text;
        EXPECT_EQ(compiled->type + "|" + compiled->full, c[1].text + "|" + c[2].text) << c[0].text;
        EXPECT_EQ(compiled->hasFields, !c[3].null) << c[0].text;
        EXPECT_EQ(Joined(compiled->fields), c[3].text) << c[0].text;
    }
    for (const cases::Row& c : cases::Rows("engine.txt", "listignored"))
        EXPECT_FALSE(CompileListLine(c[0]).has_value()) << '"' << c[0].text << '"';
}

TEST(CommandLine, ScriptNameEndsAtTheFirstHyphen)
{
    for (const cases::Row& c : cases::Rows("engine.txt", "scriptname"))
        EXPECT_EQ(se::ScriptNameFromCommandLine(c[0]), c[1].text) << c[0].text;
}

TEST(CommandLine, OptionsAreFoundAnywhereCaseSensitively)
{
    const se::Options a = se::FindOptions("x.ini -silently -noreboot");
    EXPECT_TRUE(a.silent);
    EXPECT_TRUE(a.noReboot);
    EXPECT_FALSE(a.resume);
    const se::Options b = se::FindOptions("-RESUME -Silent x.ini-resume");
    EXPECT_FALSE(b.silent);
    EXPECT_TRUE(b.resume);
}

TEST(CommandLine, SplitPathAtTheLastBackslash)
{
    const struct { const char *path, *directory, *fileName; } cases[] = {
        {"C:\\a\\b\\setup.exe", "C:\\a\\b", "setup.exe"}, {"setup.ini", "", "setup.ini"}, {"C:\\dir\\", "C:\\dir", ""}};
    for (const auto& c : cases) {
        const auto p = se::SplitPathText(c.path);
        EXPECT_EQ(p.directory + "|" + p.fileName, std::string(c.directory) + "|" + c.fileName);
    }
}

TEST(CompiledKeys, MergeAsSeparateWritesWould)
{
    std::vector<se::ProfileKey> keys;
    se::AppendCompiledKeys(0, *CompileListLine("15,a,b"), keys);
    se::AppendCompiledKeys(1, *CompileListLine("20"), keys);
    const std::vector<std::string> before = {"cmd0=old", "CmdSection0.2=kept", "Other=\"q\"", "FULLCMDSECTION1",
                                             "x=1=2"};
    EXPECT_EQ(se::MergeSectionKeys(before, keys),
              (std::vector<std::string>{"cmd0=15", "CmdSection0.2=kept", "Other=\"q\"", "FULLCMDSECTION1=", "x=1=2",
                                        "FullCmdSection0=,a,b", "CmdSection0.0=a", "CmdSection0.1=b", "Cmd1=20"}));
    EXPECT_EQ(se::SectionListText({"a=1", "b="}), std::string("a=1\0b=\0\0", 8));
    EXPECT_EQ(se::SectionListText({}), std::string(1, '\0'));
}

}  // namespace
