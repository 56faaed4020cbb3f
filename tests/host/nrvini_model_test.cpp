// The INI model: character rules, load normalisation, lookups and edits.
#include <gtest/gtest.h>

#include <string>

#include "nrvini/ini_file.h"
#include "nrvini/ini_text.h"
#include "nrvini_test_files.h"

namespace {

using namespace nrvini;
using nrvini_test::ReadBytes;
using nrvini_test::ScratchDir;
using nrvini_test::WriteBytes;
using namespace std::string_literals;

TEST(NrviniText, SplitKeyValue)
{
    struct Case {
        std::string line, key, value;
        bool hasEquals;
    };
    const Case cases[] = {
        {"Path  =  C:\\DOS", "Path", "C:\\DOS", true},
        {"=v", "", "v", true},
        {"  a = b = c", "a", "b = c", true},
        {"  no equals", "", "no equals", false},
        {"k=" + std::string(300, 'v'), "k", std::string(256, 'v'), true},
        {"k=\xe9\xa0", "k", "\xe9\xa0", true},  // ANSI letters are not blanks
    };
    for (const Case& c : cases) {
        const KeyValue kv = SplitKeyValue(c.line);
        EXPECT_EQ(kv.key, c.key) << c.line;
        EXPECT_EQ(kv.value, c.value) << c.line;
        EXPECT_EQ(kv.hasEquals, c.hasEquals) << c.line;
    }
}

TEST(NrviniText, FindWordMatchesWholeWordsOnly)
{
    constexpr auto none = std::string_view::npos;
    struct Case {
        const char* text;
        const char* word;
        std::size_t pos;
    };
    const Case cases[] = {
        {"DEVICEHIGH /L:1", "devicehigh", 0}, {"DEVICEHIGH", "DEVICE", none}, {"SET PATH", "path", 4},
        {"SET PATH", "SET", 0},               {"XPATH PATH", "PATH", 6},      {"A,B;C", "b", 2},
        {"A=B", "A", 0},                      {"ABC", "B", none},             {"x;y", ";y", 1},
        {"", "", 0},                          {"A", "", none},                {"xy", "xyz", none},
    };
    for (const Case& c : cases) EXPECT_EQ(FindWord(c.text, c.word), c.pos) << c.text << " / " << c.word;
}

// Loading and saving normalises: trailing blanks and blank lines go, one empty
// line goes before every header but the first, lines end in CR LF. Files are
// read as text mode reads them: LF ends a line, a lone CR does not, and the
// text ends at the first Ctrl-Z. exact: the load holds every line as it was,
// so a save can keep the lines a write does not edit. Each file is read in
// the usual chunks and in chunks of 512 and 700 bytes, so that long lines
// fall across chunk borders.
TEST(NrviniModel, LoadAndSaveNormalise)
{
    struct Case {
        const char* name;
        std::string input, saved;
        int lines;
        bool exact;
    };
    const std::string b512(512, 'b');
    const Case cases[] = {
        {"a.ini", "[A]\n\n\nx=1  \r\n\r\ny=2\r[B]\r\n", "[A]\r\nx=1\r\ny=2\r[B]\r\n", 3, true},
        {"a.ini", "k=1\n[A]\n[B]", "k=1\r\n[A]\r\n\r\n[B]\r\n", 3, true},
        {"a.ini", "  [Main]  \nm=1\n[B]\n", "  [Main]\r\nm=1\r\n[B]\r\n", 3, true},
        {"a.ini", "x=1\r\r\n\r\r\r\n", "x=1\r\n", 1, true},
        {"a.ini", "x=1\0tail\ny=2\n"s, "x=1\r\ny=2\r\n", 2, false},
        {"a.ini", "\0abc\n"s, "", 0, false},
        {"a.ini", std::string(600, 'a') + "\n", std::string(512, 'a') + "\r\n" + std::string(88, 'a') + "\r\n", 2, false},
        {"a.ini", b512 + "\n", b512 + "\r\n", 1, true},
        {"a.ini", b512 + std::string(700, ' ') + "\r\nk=1", b512 + "\r\nk=1\r\n", 2, true},
        {"a.ini", b512 + std::string(700, ' ') + "c\r\n", b512 + "\r\n" + std::string(188, ' ') + "c\r\n", 2, false},
        {"a.ini", std::string(1024, ' ') + "c\r\n", "c\r\n", 1, false},
        {"a.ini", " \t\n\r\n\f\v", "", 0, true},
        {"C.SYS", "[common]\r\nDEVICE=HIMEM.SYS\r\n\x1a", "[common]\r\nDEVICE=HIMEM.SYS\r\n", 2, true},
        {"C.SYS", "[c]\r\nk=1\x1a\x1a \r\n\x1a", "[c]\r\nk=1\r\n", 2, true},
        {"C.SYS", "[c]\r\nk=1\r\n\x1a[d]\r\n", "[c]\r\nk=1\r\n", 2, false},
        {"x.bat", ":a\n:b\n[c]\n", ":a\r\n\r\n:b\r\n[c]\r\n", 3, true},
        {"x.SYS", "[a]\n[b]\n", "[a]\r\n\r\n[b]\r\n", 2, true},
    };
    for (const Case& c : cases) {
        for (const std::size_t chunk : {0u, 512u, 700u}) {
            ScratchDir dir;
            WriteBytes(dir.Path(c.name), c.input);
            SetReadChunkForTesting(chunk);
            IniFile ini;
            EXPECT_EQ(LoadIniFile(ini, dir.Path(c.name)), c.lines) << c.input << " chunk " << chunk;
            SetReadChunkForTesting(0);
            EXPECT_EQ(ini.holdsEveryLine, c.exact) << c.input << " chunk " << chunk;
            EXPECT_EQ(SaveIniFile(ini, dir.Path("out")), c.lines);
            EXPECT_EQ(ReadBytes(dir.Path("out")), c.saved) << c.input << " chunk " << chunk;
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
    struct Case {
        const char* path;
        FileKind kind;
        char open, close;
    };
    const Case cases[] = {
        {"a.ini", FileKind::Ordinary, '[', ']'}, {"CONFIG.SYS", FileKind::Sys, '[', ']'},
        {"x.Bat", FileKind::Bat, ':', '\0'},     {"dir.bat/noext", FileKind::Ordinary, '[', ']'},
        {"noext", FileKind::Ordinary, '[', ']'}, {"a.sys.ini", FileKind::Ordinary, '[', ']'},
    };
    for (const Case& c : cases) {
        IniFile ini;
        EXPECT_EQ(LoadIniFile(ini, c.path), -1);
        EXPECT_EQ(ini.state, LoadState::Missing);
        EXPECT_EQ(ini.kind, c.kind) << c.path;
        EXPECT_EQ(ini.open, c.open);
        EXPECT_EQ(ini.close, c.close);
    }
}

// Builds an IniFile of the given kind from lines, without touching the disk.
void Fill(IniFile& ini, std::initializer_list<const char*> lines, FileKind kind = FileKind::Ordinary)
{
    ini.kind = kind;
    ini.open = kind == FileKind::Bat ? ':' : '[';
    ini.close = kind == FileKind::Bat ? '\0' : ']';
    for (const char* line : lines) ASSERT_NE(InsertIniLine(ini, line, nullptr), nullptr);
}

std::string Joined(const IniFile& ini)
{
    std::string all;
    for (const IniLine* line = ini.first; line != nullptr; line = line->next) all += std::string(line->view()) + "|";
    return all;
}

TEST(NrviniModel, KeyLookupOutcomes)
{
    struct Case {
        FileKind kind;
        std::initializer_list<const char*> lines;
        const char *section, *key;
        KeyOutcome outcome;
        const char* line;  // the line returned, null for none
    };
    const Case cases[] = {
        {FileKind::Ordinary, {"[A]", "x=1", "[B]"}, "a", "X", KeyOutcome::Found, "x=1"},
        {FileKind::Ordinary, {"[A]", "x=1", "[B]"}, "A", "y", KeyOutcome::KeyMissing, "[B]"},
        {FileKind::Ordinary, {"[A]", "x=1"}, "A", "y", KeyOutcome::KeyMissing, nullptr},
        {FileKind::Ordinary, {"[A]"}, "C", "y", KeyOutcome::SectionMissing, nullptr},
        {FileKind::Ordinary, {"; [Old]", "k=1", "[Old]", "k=2"}, "Old", "k", KeyOutcome::Found, "k=2"},
        {FileKind::Ordinary, {"[A]", "REM=1"}, "A", "rem", KeyOutcome::Found, "REM=1"},
        {FileKind::Ordinary, {"[A]", ";x=1"}, "A", ";x", KeyOutcome::KeyMissing, nullptr},
        {FileKind::Ordinary, {"[Main] ; main", "k=1"}, "MAIN", "k", KeyOutcome::Found, "k=1"},
        {FileKind::Ordinary, {"[Main]", "k=1", "[MAIN]", "j=2"}, "main", "j", KeyOutcome::KeyMissing, "[MAIN]"},
        {FileKind::Ordinary, {"[A]", "plain", "=e"}, "A", "", KeyOutcome::Found, "=e"},
        {FileKind::Sys, {"[menu]", "rem a=1", "DEVICEHIGH /L:1=X"}, "menu", "devicehigh", KeyOutcome::Found, "DEVICEHIGH /L:1=X"},
        {FileKind::Sys, {"[menu]", "DEVICEHIGH=X"}, "menu", "DEVICE", KeyOutcome::KeyMissing, nullptr},
        {FileKind::Sys, {"[menu]", "rem a=1"}, "menu", "a", KeyOutcome::KeyMissing, nullptr},
        {FileKind::Bat, {":start", "SET PATH=C:\\DOS"}, "START", "path", KeyOutcome::Found, "SET PATH=C:\\DOS"},
        {FileKind::Bat, {":start", ";x=1"}, "start", ";x", KeyOutcome::Found, ";x=1"},
        {FileKind::Bat, {":start", "::c", "k=v"}, "start", "k", KeyOutcome::KeyMissing, "::c"},
        {FileKind::Bat, {":SetupOld", "k=v"}, "Setup", "k", KeyOutcome::Found, "k=v"},
    };
    for (const Case& c : cases) {
        IniFile ini;
        Fill(ini, c.lines, c.kind);
        const KeyLookup found = FindIniKey(ini, c.section, c.key);
        EXPECT_EQ(found.outcome, c.outcome) << Joined(ini) << " " << c.key;
        EXPECT_EQ(std::string(found.line != nullptr ? found.line->text : ""), std::string(c.line ? c.line : ""))
            << Joined(ini) << " " << c.key;
    }
}

TEST(NrviniModel, MarkerStopsLookupsAndPlacesNewSections)
{
    IniFile ini;
    Fill(ini, {"[A]", "[Last] ; tail", "[Late]"});
    SetLastSectionMarker("LAST");
    EXPECT_EQ(LastSectionMarker(), "[LAST]");
    EXPECT_NE(FindIniSection(ini, "last").header, nullptr);  // the marker's own section is found
    const SectionLookup late = FindIniSection(ini, "Late");
    EXPECT_EQ(late.header, nullptr);
    EXPECT_EQ(late.insertBefore->view(), "[Last] ; tail");
    EXPECT_NE(FindSectionHeader(ini, "Late", false), nullptr);
    SetLastSectionMarker(std::string(300, 'n'));
    EXPECT_EQ(LastSectionMarker(), "[" + std::string(253, 'n') + "]");
    SetLastSectionMarker("");
    EXPECT_EQ(LastSectionMarker(), "[]");
}

TEST(NrviniModel, EditsKeepTheListConsistent)
{
    IniFile ini;
    Fill(ini, {"[A]", "; note", "a=1", "  [B]", "b=1", "[a]", "c=1"});
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
    Fill(bat, {":A", "k=1"}, FileKind::Bat);
    DeleteIniSection(bat, "A");  // a label never starts with "["
    EXPECT_EQ(bat.lineCount, 2);
}

TEST(NrviniModel, PoolServesFourByteMultiplesFromKilobyteBlocks)
{
    LinePool pool;
    char* a = pool.Allocate(1);
    char* b = pool.Allocate(5);
    EXPECT_EQ(b - a, 4);
    EXPECT_EQ(pool.Allocate(1025), nullptr);
    EXPECT_NE(pool.Allocate(1024), nullptr);  // does not fit the rest: a new block
    EXPECT_EQ(pool.blockCount(), 2);
    LinePool::LimitBlocksForTesting(0);
    EXPECT_EQ(pool.Allocate(4), nullptr);
    LinePool::LimitBlocksForTesting(-1);
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
    Fill(ini, {"[A]", "k=1"});
    std::filesystem::create_directories(dir.Path("target/inner"));
    EXPECT_EQ(SaveIniFile(ini, dir.Path("target")), -1);  // replacing a full directory fails
    EXPECT_EQ(SaveIniFile(ini, dir.Path("nowhere/a.ini")), -1);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"target"});
    EXPECT_TRUE(std::filesystem::exists(dir.Path("target/inner")));
}

}  // namespace
