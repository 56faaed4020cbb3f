// Texts of the branch, program and message commands; the tables are in
// tests/cases/engine.txt.
#include <gtest/gtest.h>

#include "case_table.h"
#include "commands/core/idlist.h"
#include "commands/core/program_text.h"

namespace {

TEST(BranchText, SystemIdsWorkingDirectoriesAndPauses)
{
    cases::CheckCalls("engine.txt", "branchcalls",
        {{"idline", [](const cases::Row& r) { return cases::Flag(se::LineNamesSystemId(r[2], static_cast<unsigned>(r[1].number()))); }},
         {"format", [](const cases::Row& r) { return se::FormatSystemId(static_cast<unsigned>(r[1].number())); }},
         {"workdir", [](const cases::Row& r) { return se::ProgramWorkingDirectory(r[1]).value_or("<none>"); }},
         {"pause", [](const cases::Row& r) { return std::to_string(se::PauseMilliseconds(r[1])); }}});
    EXPECT_TRUE(se::SystemIdListed({"; comment", "junk", "0x0a1b"}, 0x0A1B));
    EXPECT_FALSE(se::SystemIdListed({}, 0x0A1B));
}

TEST(ProgramText, CandidatesOfAnUnquotedCommandLineAndMessageLines)
{
    for (const cases::Row& c : cases::Rows("engine.txt", "programs")) {
        const std::vector<se::ProgramCandidate> candidates = se::ProgramCandidates(c[0]);
        std::string files;
        for (const se::ProgramCandidate& p : candidates) files += (files.empty() ? "" : ";") + p.file;
        EXPECT_EQ(files, c[1].text) << c[0].text;
        const std::string quoted = candidates.empty() ? "<none>" : se::QuoteProgram(c[0], candidates.front());
        EXPECT_EQ(quoted, c[2].null ? "<none>" : c[2].text) << c[0].text;
    }
    // Message lines end at an empty value or the default.
    std::string text;
    EXPECT_TRUE(se::AppendMessageLine(text, "Hello"));
    EXPECT_TRUE(se::AppendMessageLine(text, ";"));
    EXPECT_TRUE(se::AppendMessageLine(text, "World"));
    EXPECT_FALSE(se::AppendMessageLine(text, "no text"));
    EXPECT_FALSE(se::AppendMessageLine(text, ""));
    EXPECT_EQ(text, "Hello\n\nWorld\n");
}

}  // namespace
