// The INI model: character rules, load normalisation and lookups; the tables
// are in tests/cases/nrvini.txt. Edits are rows of the profile write table.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "nrvini/ini_file.h"
#include "nrvini/ini_text.h"
#include "case_table.h"
#include "nrvini_test_files.h"

namespace {

using namespace nrvini;
using nrvini_test::ReadBytes;
using nrvini_test::ScratchDir;
using nrvini_test::WriteBytes;

std::vector<cases::Row> Rows(const char* table) { return cases::Rows("nrvini.txt", table); }

FileKind KindOf(const std::string& letter)
{
    return letter == "S" ? FileKind::Sys : letter == "B" ? FileKind::Bat : FileKind::Ordinary;
}

TEST(NrviniText, SplitAndFindWord)
{
    for (const cases::Row& c : Rows("split")) {
        const KeyValue kv = SplitKeyValue(c[0].text);
        EXPECT_EQ(std::string(kv.key) + "|" + std::string(kv.value) + "|" + std::to_string(kv.hasEquals),
                  c[1].text + "|" + c[2].text + "|" + c[3].text);
    }
    for (const cases::Row& c : Rows("findword"))
        EXPECT_EQ(static_cast<long>(FindWord(c[0].text, c[1].text)), c[2].number()) << c[0].text << " / " << c[1].text;
}

// Each file is read in the usual chunks and in chunks of 512 and 700 bytes,
// so that long lines fall across chunk borders.
TEST(NrviniModel, LoadAndSaveNormalise)
{
    for (const cases::Row& c : Rows("load")) {
        for (const std::size_t chunk : {0u, 512u, 700u}) {
            SCOPED_TRACE(c[1].text + " chunk " + std::to_string(chunk));
            ScratchDir dir;
            WriteBytes(dir.Path(c[0]), c[1]);
            SetReadChunkForTesting(chunk);
            IniFile ini;
            EXPECT_EQ(LoadIniFile(ini, dir.Path(c[0])), c[3].number());
            SetReadChunkForTesting(0);
            EXPECT_EQ(ini.holdsEveryLine, c[4].text == "1");
            EXPECT_EQ(SaveIniFile(ini, dir.Path("out")), c[3].number());
            EXPECT_EQ(ReadBytes(dir.Path("out")), c[2].text);
        }
    }
}

TEST(NrviniModel, FileKindFollowsTheLastExtension)
{
    for (const cases::Row& c : Rows("kind")) {
        const FileRules rules = RulesForPath(c[0].text);
        EXPECT_EQ(rules.kind, KindOf(c[1])) << c[0].text;
        EXPECT_EQ(std::string() + rules.open + rules.close, c[1].text == "B" ? std::string(":\0", 2) : "[]");
    }
}

// Builds an IniFile of the given kind from lines split at LF, without touching the disk.
void Fill(IniFile& ini, const std::string& lines, FileKind kind = FileKind::Ordinary)
{
    ini.kind = kind;
    ini.open = kind == FileKind::Bat ? ':' : '[';
    ini.close = kind == FileKind::Bat ? '\0' : ']';
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) ASSERT_NE(InsertIniLine(ini, line, nullptr), nullptr);
}

TEST(NrviniModel, KeyLookupOutcomes)
{
    for (const cases::Row& c : Rows("lookup")) {
        IniFile ini;
        Fill(ini, c[1], KindOf(c[0]));
        const KeyLookup found = FindIniKey(ini, c[2].text.c_str(), c[3].text.c_str());
        const char outcome = found.outcome == KeyOutcome::Found ? 'F' : found.outcome == KeyOutcome::KeyMissing ? 'K' : 'S';
        EXPECT_EQ(std::string(1, outcome), c[4].text) << c[1].text << " / " << c[3].text;
        EXPECT_EQ(found.line != nullptr ? std::string(found.line->text) : "<none>", c[5].null ? "<none>" : c[5].text)
            << c[1].text << " / " << c[3].text;
    }
}

// A save that cannot complete leaves the target and its directory as they were.
TEST(NrviniModel, FailedSaveLeavesNoTrace)
{
    ScratchDir dir;
    IniFile ini;
    Fill(ini, "[A]\nk=1");
    std::filesystem::create_directories(dir.Path("target/inner"));
    EXPECT_EQ(SaveIniFile(ini, dir.Path("target")), -1);  // replacing a full directory fails
    EXPECT_EQ(SaveIniFile(ini, dir.Path("nowhere/a.ini")), -1);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"target"});
    EXPECT_TRUE(std::filesystem::exists(dir.Path("target/inner")));
}

}  // namespace
