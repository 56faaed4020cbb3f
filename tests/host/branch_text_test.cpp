// Texts of the branch, program and message commands; the tables are in
// tests/cases/engine.txt.
#include <gtest/gtest.h>

#include "case_table.h"
#include "commands/core/idlist.h"
#include "commands/core/program_text.h"

namespace {

TEST(SystemIdList, LinesNameAnIdInTheEightFormsOnly)
{
    for (const cases::Row& c : cases::Rows("engine.txt", "idline"))
        EXPECT_EQ(se::LineNamesSystemId(c[1], static_cast<unsigned>(c[0].number())), c[2].text == "1") << c[1].text << " " << c[0].text;
    EXPECT_TRUE(se::SystemIdListed({"; comment", "junk", "0x0a1b"}, 0x0A1B));
    EXPECT_FALSE(se::SystemIdListed({}, 0x0A1B));
    EXPECT_EQ(se::FormatSystemId(0x0A1B), "0X0A1B");
    EXPECT_EQ(se::FormatSystemId(0), "0X0000");
}

TEST(ProgramText, WorkingDirectoryAndPause)
{
    for (const cases::Row& c : cases::Rows("engine.txt", "workdir"))
        EXPECT_EQ(se::ProgramWorkingDirectory(c[0]).value_or("<none>"), c[1].null ? "<none>" : c[1].text) << c[0].text;
    for (const cases::Row& c : cases::Rows("engine.txt", "pause"))
        EXPECT_EQ(se::PauseMilliseconds(c[0]), c[1].number()) << c[0].text;
}

TEST(ProgramText, CandidatesOfAnUnquotedCommandLine)
{
    for (const cases::Row& c : cases::Rows("engine.txt", "programs")) {
        const std::vector<se::ProgramCandidate> candidates = se::ProgramCandidates(c[0]);
        std::string files;
        for (const se::ProgramCandidate& p : candidates) files += (files.empty() ? "" : ";") + p.file;
        EXPECT_EQ(files, c[1].text) << c[0].text;
        const std::string quoted = candidates.empty() ? "<none>" : se::QuoteProgram(c[0], candidates.front());
        EXPECT_EQ(quoted, c[2].null ? "<none>" : c[2].text) << c[0].text;
    }
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
