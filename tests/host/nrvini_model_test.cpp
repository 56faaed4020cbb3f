// The INI model: character rules, load normalisation, lookups and edits; the
// tables are in tests/cases/nrvini.txt.
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

// Lines of exactly `bytes` bytes in all, CR LF ends included.
std::string Filler(std::size_t bytes)
{
    std::string text;
    while (bytes - text.size() >= 110) text += "f=" + std::string(96, 'a') + "\r\n";
    return text + "g=" + std::string(bytes - text.size() - 4, 'c') + "\r\n";
}

// Files are read in 64 KiB chunks: a line end, a long line or a NUL astride a
// chunk border must read as if the file came in one piece.
TEST(NrviniModel, LinesAcrossReadChunks)
{
    const std::string longLine(600, 'b');
    const std::string pieces = std::string(512, 'b') + "\r\n" + std::string(88, 'b') + "\r\n";
    for (const std::size_t before : {65536u - 300, 65536u - 512, 65536u, 65537u, 65535u, 2 * 65536u + 1}) {
        ScratchDir dir;
        WriteBytes(dir.Path("a.ini"), Filler(before) + longLine + "\r\nx=1\r\nn=2" + std::string(1, '\0') + "z\r\n");
        IniFile ini;
        ASSERT_GT(LoadIniFile(ini, dir.Path("a.ini")), 0);
        ASSERT_EQ(SaveIniFile(ini, dir.Path("out")), ini.lineCount);
        EXPECT_EQ(ReadBytes(dir.Path("out")), Filler(before) + pieces + "x=1\r\nn=2\r\n") << before;
    }
}

TEST(NrviniModel, FileKindFollowsTheLastExtension)
{
    for (const cases::Row& c : Rows("kind")) {
        IniFile ini;
        EXPECT_EQ(LoadIniFile(ini, c[0].text), -1);
        EXPECT_EQ(ini.state, LoadState::Missing);
        EXPECT_EQ(ini.kind, KindOf(c[1])) << c[0].text;
        EXPECT_EQ(std::string() + ini.open + ini.close, c[1].text == "B" ? std::string(":\0", 2) : "[]");
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

std::string Joined(const IniFile& ini)
{
    std::string all;
    for (const IniLine* line = ini.first; line != nullptr; line = line->next) all += std::string(line->view()) + "|";
    return all;
}

TEST(NrviniModel, KeyLookupOutcomes)
{
    for (const cases::Row& c : Rows("lookup")) {
        IniFile ini;
        Fill(ini, c[1], KindOf(c[0]));
        const KeyLookup found = FindIniKey(ini, c[2].text.c_str(), c[3].text.c_str());
        const char outcome = found.outcome == KeyOutcome::Found ? 'F' : found.outcome == KeyOutcome::KeyMissing ? 'K' : 'S';
        EXPECT_EQ(std::string(1, outcome), c[4].text) << Joined(ini) << " " << c[3].text;
        EXPECT_EQ(found.line != nullptr ? std::string(found.line->text) : "<none>", c[5].null ? "<none>" : c[5].text)
            << Joined(ini) << " " << c[3].text;
    }
}

// Lookups at and after the marker, without case and past a comment, and new
// sections placed before it are rows of the profile tables; here its text.
TEST(NrviniModel, MarkerText)
{
    SetLastSectionMarker("LAST");
    EXPECT_EQ(LastSectionMarker(), "[LAST]");
    SetLastSectionMarker(std::string(300, 'n'));
    EXPECT_EQ(LastSectionMarker(), "[" + std::string(253, 'n') + "]");
    SetLastSectionMarker("");
    EXPECT_EQ(LastSectionMarker(), "[]");
}

TEST(NrviniModel, EditsKeepTheListConsistent)
{
    IniFile ini;
    Fill(ini, "[A]\n; note\na=1\n  [B]\nb=1\n[a]\nc=1");
    DeleteIniSection(ini, "A");  // only the first, comments included
    EXPECT_EQ(Joined(ini), "  [B]|b=1|[a]|c=1|");
    ASSERT_TRUE(InsertIniSection(ini, ini.first, "N", "x=1\0   \0;c\0"));
    EXPECT_EQ(Joined(ini), "[N]|x=1|;c|  [B]|b=1|[a]|c=1|");
    EXPECT_EQ(ini.lineCount, 7);

    IniLine* line = ini.first->next;
    char* const oldText = line->text;
    ASSERT_TRUE(ReplaceIniLine(ini, line, "y=2  "));  // fits: overwritten in place, blanks cut
    EXPECT_EQ(line->text, oldText);
    ASSERT_TRUE(ReplaceIniLine(ini, line, "y=22222"));
    EXPECT_NE(line->text, oldText);
    EXPECT_EQ(line->capacity, 8u);
    EXPECT_FALSE(ReplaceIniLine(ini, line, "a\nb"));
    EXPECT_FALSE(ReplaceIniLine(ini, line, "a\x1a"));
    EXPECT_EQ(InsertIniLine(ini, std::string(513, 'l'), nullptr), nullptr);
    EXPECT_EQ(InsertIniLine(ini, "  ", nullptr), nullptr);
    RemoveIniLine(ini, ini.last);
    RemoveIniLine(ini, ini.first);
    EXPECT_EQ(Joined(ini), "y=22222|;c|  [B]|b=1|[a]|");
    EXPECT_EQ(ini.lineCount, 5);
    EXPECT_EQ(ini.last->next, nullptr);

    IniFile bat;
    Fill(bat, ":A\nk=1", FileKind::Bat);
    DeleteIniSection(bat, "A");  // a label never starts with "["
    EXPECT_EQ(bat.lineCount, 2);
}

TEST(NrviniModel, LoadFailuresSayWhy)
{
    ScratchDir dir;
    IniFile ini;
    EXPECT_EQ(LoadIniFile(ini, dir.Path("missing/a.ini")), -1);
    EXPECT_EQ(ini.state, LoadState::Missing);
    EXPECT_EQ(LoadIniFile(ini, dir.Path("")), -1);  // a directory
    EXPECT_EQ(ini.state, LoadState::Unreadable);
    WriteBytes(dir.Path("a.ini"), std::string(3000, 'k') + "\n");
    LinePool::LimitBlocksForTesting(2);
    EXPECT_EQ(LoadIniFile(ini, dir.Path("a.ini")), -1);
    LinePool::LimitBlocksForTesting(-1);
    EXPECT_EQ(ini.state, LoadState::OutOfMemory);
    EXPECT_EQ(ini.first, nullptr);
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
