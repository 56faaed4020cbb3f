// Command list lines and the command line; the tables are in tests/cases/engine.txt.
#include <gtest/gtest.h>

#include "case_table.h"
#include "engine/core/listline.h"

namespace {

TEST(ListLines, CompileToCommandKeysOrAreIgnored)
{
    for (const cases::Row& c : cases::Rows("engine.txt", "listline")) {
        const auto compiled = se::CompileListLine(c[0]);
        ASSERT_TRUE(compiled.has_value()) << c[0].text;
        EXPECT_EQ(compiled->type + "|" + compiled->full, c[1].text + "|" + c[2].text) << c[0].text;
        EXPECT_EQ(compiled->hasFields, !c[3].null) << c[0].text;
        EXPECT_EQ(cases::Join(compiled->fields, ","), c[3].text) << c[0].text;
    }
    for (const cases::Row& c : cases::Rows("engine.txt", "listignored"))
        EXPECT_FALSE(se::CompileListLine(c[0]).has_value()) << '"' << c[0].text << '"';
}

// Script names end at the first hyphen; options are found anywhere, case
// sensitively; paths split at the last backslash.
TEST(CommandLine, ScriptNameOptionsAndPaths)
{
    cases::CheckCalls("engine.txt", "commandline",
        {{"script", [](const cases::Row& r) { return se::ScriptNameFromCommandLine(r[1]); }},
         {"options", [](const cases::Row& r) {
              const se::Options o = se::FindOptions(r[1]);
              return cases::Flag(o.silent) + cases::Flag(o.noReboot) + cases::Flag(o.resume);
          }},
         {"split", [](const cases::Row& r) { const auto p = se::SplitPathText(r[1]); return p.directory + "|" + p.fileName; }}});
}

TEST(CompiledKeys, MergeAsSeparateWritesWould)
{
    std::vector<se::ProfileKey> keys;
    se::AppendCompiledKeys(0, *se::CompileListLine("15,a,b"), keys);
    se::AppendCompiledKeys(1, *se::CompileListLine("20"), keys);
    const std::vector<std::string> before = {"cmd0=old", "CmdSection0.2=kept", "Other=\"q\"", "FULLCMDSECTION1",
                                             "x=1=2"};
    EXPECT_EQ(se::MergeSectionKeys(before, keys),
              (std::vector<std::string>{"cmd0=15", "CmdSection0.2=kept", "Other=\"q\"", "FULLCMDSECTION1=", "x=1=2",
                                        "FullCmdSection0=,a,b", "CmdSection0.0=a", "CmdSection0.1=b", "Cmd1=20"}));
    EXPECT_EQ(se::SectionListText({"a=1", "b="}), std::string("a=1\0b=\0\0", 8));
    EXPECT_EQ(se::SectionListText({}), std::string(1, '\0'));
    // A section that gave no lines is merged into as empty only when the
    // names show it absent; a read of a section that is there failed.
    for (const cases::Row& c : cases::Rows("engine.txt", "sectionabsent")) {
        std::optional<std::vector<std::string>> names;
        if (!c[0].null) names.emplace(1);
        for (char ch : c[0].text) ch == '/' ? names->emplace_back() : names->back() += ch;
        EXPECT_EQ(se::SectionKnownAbsent(names, "Commands"), c[1].text == "absent") << c[0].text;
    }
}

}  // namespace
