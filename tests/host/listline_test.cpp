#include <gtest/gtest.h>

#include "engine/listline.h"

namespace {

using se::CompileListLine;

struct LineCase {
    const char* line;
    const char* type;
    const char* full;
    std::vector<std::string> fields;  // empty with hasFields false: no comma
    bool hasFields;
};

class ListLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(ListLines, CompileToCommandKeys)
{
    const LineCase& c = GetParam();
    const auto compiled = CompileListLine(c.line);
    ASSERT_TRUE(compiled.has_value());
    EXPECT_EQ(compiled->type, c.type);
    EXPECT_EQ(compiled->full, c.full);
    EXPECT_EQ(compiled->hasFields, c.hasFields);
    EXPECT_EQ(compiled->fields, c.fields);
}

INSTANTIATE_TEST_SUITE_P(
    Compile, ListLines,
    ::testing::Values(
        LineCase{"15,CopyAll,C:\\Temp ; copy", "15", ",CopyAll,C:\\Temp", {"CopyAll", "C:\\Temp"}, true},
        LineCase{"15", "15", "", {}, false},
        LineCase{"20 ; reboot", "20", "", {}, false},
        LineCase{"15,Files;note", "15", ",Files", {"Files"}, true},
        LineCase{"15,a;b,x", "15", ",a", {"a"}, true},
        LineCase{"15,Files,", "15", ",Files,", {"Files", ""}, true},
        LineCase{"15,", "15", ",", {""}, true},
        LineCase{"3,,HKLM,Key", "3", ",,HKLM,Key", {"", "HKLM", "Key"}, true},
        // Blanks around the fields stay only in the full text.
        LineCase{"  15 , Files , C:\\X  ", "15 ", ", Files , C:\\X", {"Files", "C:\\X"}, true},
        LineCase{"CopyFile,Files", "CopyFile", ",Files", {"Files"}, true},
        LineCase{"\t-3,x", "-3", ",x", {"x"}, true}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return "line" + std::to_string(info.index); });

TEST(ListLinesIgnored, EmptyAndCommentLinesTakeNoNumber)
{
    for (const char* line : {"", "   ", ";15,Files", "  ; note", "\t\r\n", ";"})
        EXPECT_FALSE(CompileListLine(line).has_value()) << '"' << line << '"';
}

TEST(CommandLine, ScriptNameEndsAtTheFirstHyphen)
{
    const std::pair<const char*, const char*> cases[] = {
        {"SETUP.INI -silent -noreboot", "SETUP.INI"}, {"-silent SETUP.INI", ""}, {"C:\\my-setup\\SETUP.INI", "C:\\my"},
        {"  setup.ini ; x -resume", "setup.ini"}, {"", ""},
        // One pair of surrounding quotes goes; anything else stays as it is.
        {"\"SETUP.INI\" -noreboot", "SETUP.INI"}, {" \"C:\\My Setup\\SETUP.INI\" ", "C:\\My Setup\\SETUP.INI"},
        {"\"\"x.ini\"\"", "\"x.ini\""}, {"\"C:\\my-setup\\SETUP.INI\"", "\"C:\\my"}, {"\"", "\""}};
    for (const auto& [line, name] : cases) EXPECT_EQ(se::ScriptNameFromCommandLine(line), name) << line;
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

}  // namespace

namespace {

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
