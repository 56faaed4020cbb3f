// The exported profile functions: results, buffer contents byte by byte,
// file contents after writes, and the two guarantees against data loss.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <optional>
#include <string>

#include "nrvini/ini_file.h"
#include "nrvini/nrvini.h"
#include "nrvini_test_files.h"

namespace {

using namespace std::string_literals;
using nrvini_test::ReadBytes;
using nrvini_test::ScratchDir;
using nrvini_test::Sentinel;
using nrvini_test::WriteBytes;

const std::string kSample =
    "[A]\r\nx=1\r\ny = \"abc\"\r\n; c=3\r\nq='abc\r\nlone='\r\nempty=\r\nplain\r\nlong=abcdefghij\r\n"
    "big=" + std::string(300, 'v') + "\r\n\r\n[B]\r\nn=12\r\nneg=-7\r\nbad=12abc\r\ninner=' 1'\r\nminus=-\r\n"
    "ms=-+5\r\nsq='42'\r\nwrap=4294967297\r\n\r\n[Last]\r\nk=2\r\n\r\n[Late]\r\nk=3\r\n";

enum class Reader { String, Section, Names };

struct ReadCase {
    const char* what;
    std::optional<std::string> file;  // nullopt: no file
    Reader reader;
    const char *section, *key, *fallback;
    unsigned size, result;
    std::string written;  // bytes the call stores, in order from the start
};

void CheckRead(const ReadCase& c)
{
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::string path = dir.Path("t.ini");
    if (c.file) WriteBytes(path, *c.file);
    NrvIniSetLastSection("Last");
    Sentinel buffer(c.size);
    unsigned result = 0;
    switch (c.reader) {
    case Reader::String:
        result = NrvGetPrivateProfileString(c.section, c.key, c.fallback, buffer.data(), c.size, path.c_str());
        break;
    case Reader::Section: result = NrvGetPrivateProfileSection(c.section, buffer.data(), c.size, path.c_str()); break;
    case Reader::Names: result = NrvGetPrivateProfileSectionNames(buffer.data(), c.size, path.c_str()); break;
    }
    NrvIniSetLastSection("");
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(buffer.Written(), c.written);
}

const std::string kLists = "[A]\r\nx=1\r\n  y  =  2  \r\n;c=1\r\nplain\r\n[B]\r\nk=v\r\n[]\r\n";

TEST(NrviniProfile, ReadsStoreExactlyTheseBytes)
{
    for (const ReadCase& c : {
        ReadCase{"value", kSample, Reader::String, "a", "X", "d", 20, 1, "1\0"s},
        ReadCase{"quotes removed", kSample, Reader::String, "A", "y", "d", 20, 3, "abc\0"s},
        ReadCase{"quote at one end", kSample, Reader::String, "A", "q", "d", 20, 4, "'abc\0"s},
        ReadCase{"lone quote kept", kSample, Reader::String, "A", "lone", "d", 20, 1, "'\0"s},
        ReadCase{"comment is no key", kSample, Reader::String, "A", "c", "dflt", 20, 4, "dflt\0"s},
        ReadCase{"empty value, not default", kSample, Reader::String, "A", "empty", "d", 20, 0, "\0"s},
        ReadCase{"missing key", kSample, Reader::String, "A", "zz", "d", 20, 1, "d\0"s},
        ReadCase{"missing section", kSample, Reader::String, "Z", "x", "d", 20, 1, "d\0"s},
        ReadCase{"after the marker", kSample, Reader::String, "Late", "k", "d", 20, 1, "d\0"s},
        ReadCase{"the marker's section", kSample, Reader::String, "Last", "k", "d", 20, 1, "2\0"s},
        ReadCase{"cut to size", kSample, Reader::String, "A", "long", "d", 4, 3, "abc\0"s},
        ReadCase{"cut to 256", kSample, Reader::String, "A", "big", "d", 400, 256, std::string(256, 'v') + "\0"s},
        ReadCase{"size 0", kSample, Reader::String, "A", "x", "d", 0, 0, ""},
        ReadCase{"missing file: default", std::nullopt, Reader::String, "A", "x", "dflt", 20, 4, "dflt\0"s},
        ReadCase{"missing file: default cut", std::nullopt, Reader::String, "A", "x", "dflt", 3, 2, "df\0"s},
        ReadCase{"blank file is missing", " \r\n\t\r\n"s, Reader::String, nullptr, nullptr, "d", 20, 1, "d\0"s},
        ReadCase{"names, one empty", kLists, Reader::String, nullptr, "x", "d", 20, 6, "A\0B\0\0\0"s},
        ReadCase{"names cut", kLists, Reader::String, nullptr, "x", "d", 4, 2, "A\0\0\0"s},
        ReadCase{"names, just fits", "[A]\n[B]\n"s, Reader::Names, nullptr, nullptr, nullptr, 5, 3, "A\0B\0\0"s},
        ReadCase{"names of a batch file", ":a\r\n"s, Reader::Names, nullptr, nullptr, nullptr, 5, 1, "\0"s},
        ReadCase{"names, missing file", std::nullopt, Reader::Names, nullptr, nullptr, nullptr, 8, 0, ""},
        ReadCase{"keys", kLists, Reader::String, "A", nullptr, "d", 20, 4, "x\0y\0\0"s},
        ReadCase{"keys cut", kLists, Reader::String, "A", nullptr, "d", 3, 1, "x\0\0"s},
        ReadCase{"keys past the marker", kSample, Reader::String, "Late", nullptr, "d", 20, 2, "k\0\0"s},
        ReadCase{"keys of a missing section", kLists, Reader::String, "Z", nullptr, "dflt", 20, 4, "dflt\0"s},
        ReadCase{"keys default cut", kLists, Reader::String, "Z", nullptr, "default", 6, 4, "defa\0\0"s},
        ReadCase{"section", kLists, Reader::Section, "a", nullptr, nullptr, 20, 14,
                 "x=1\0y=2\0plain\0"s + std::string(6, '\0')},
        ReadCase{"section cut", kLists, Reader::Section, "A", nullptr, nullptr, 6, 4, "x=1\0\0\0"s},
        ReadCase{"section missing: zeroed", kLists, Reader::Section, "Z", nullptr, nullptr, 5, 0, std::string(5, '\0')},
        ReadCase{"section past the marker", kLists + "[Last]\r\n[C]\r\nc=1\r\n", Reader::Section, "C", nullptr, nullptr, 3, 0,
                 std::string(3, '\0')},
        ReadCase{"section, missing file", std::nullopt, Reader::Section, "A", nullptr, nullptr, 8, 0, ""},
        ReadCase{"lone CR is a character", "[A]\r\nx=1\ry=2\r\n"s, Reader::String, "A", "x", "d", 20, 5, "1\ry=2\0"s},
        ReadCase{"nothing after the mark", "[A]\r\nx=1\r\n\x1ay=2\r\n"s, Reader::String, "A", "y", "d", 20, 1, "d\0"s}})
        CheckRead(c);
}

TEST(NrviniProfile, IntegerValues)
{
    ScratchDir dir;
    const std::string path = dir.Path("t.ini");
    WriteBytes(path, kSample);
    const struct {
        const char *section, *key;
        int32_t expected;
    } cases[] = {
        {"B", "n", 12},    {"B", "neg", -7},   {"B", "bad", 99},   {"B", "inner", 99},      {"B", "minus", 0},
        {"B", "ms", -5},   {"B", "sq", 42},    {"A", "empty", 99}, {"B", "wrap", 1},        {"B", "none", 99},
        {nullptr, "n", 99}, {"B", nullptr, 99}, {"A", "y", 99},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int32_t>(NrvGetPrivateProfileInt(c.section, c.key, 99, path.c_str())), c.expected)
            << (c.key ? c.key : "(none)");
    }
    EXPECT_EQ(NrvGetPrivateProfileInt("B", "n", -3, dir.Path("none.ini").c_str()), static_cast<uint32_t>(-3));
}

enum class Writer { String, Section };

struct WriteCase {
    const char* what;
    const char* name;                    // file name: its extension sets the kind
    std::optional<std::string> before;  // nullopt: no file
    Writer writer;
    const char* section;
    const char* key;    // String writer
    const char* value;  // value, or the list for the Section writer
    const char* marker;
    int result;
    std::optional<std::string> after;
};

void CheckWrite(const WriteCase& c)
{
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::string path = dir.Path(c.name);
    if (c.before) WriteBytes(path, *c.before);
    NrvIniSetLastSection(c.marker);
    const int result = c.writer == Writer::String ? NrvWritePrivateProfileString(c.section, c.key, c.value, path.c_str())
                                                   : NrvWritePrivateProfileSection(c.section, c.value, path.c_str());
    NrvIniSetLastSection("");
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(ReadBytes(path), c.after);
    EXPECT_EQ(dir.Names().size(), c.after ? 1u : 0u) << "a temporary file was left behind";
}

const std::string kAB = "[A]\r\nx=1\r\n; end\r\n\r\n[B]\r\ny=2\r\n";
const std::string kMessy = "[A]\n\n  x = 1   \n[B]\ny=2";
const std::string kValue511(511, 'v');  // with "y=" one more than a line may hold
// A line of 519 characters whose second piece would read as a header.
const std::string kLongLine = "[A]\r\nlong=" + std::string(507, 'l') + "[Evil]\r\n\r\n[B]\r\nb=1\r\n";
const std::string kUtf16 = "\xff\xfe[\0A\0]\0\r\0\n\0y\0=\0\x32\0\r\0\n\0"s;

TEST(NrviniProfile, WritesLeaveExactlyTheseBytes)
{
    for (const WriteCase& c : {
        WriteCase{"creates a new file", "t.ini", std::nullopt, Writer::String, "S", "k", "v", "", 0, "[S]\r\nk=v\r\n"},
        WriteCase{"blank file counts as missing", "t.ini", "\r\n  \r\n", Writer::String, "S", "k", "v", "", 0,
                  "[S]\r\nk=v\r\n"},
        WriteCase{"replaces as spelled", "t.ini", kMessy, Writer::String, "a", "X", "new", "", 1,
                  "[A]\r\nX=new\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"adds after trailing comments", "t.ini", kAB, Writer::String, "A", "z", "3", "", 1,
                  "[A]\r\nx=1\r\n; end\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"adds at the end", "t.ini", kAB, Writer::String, "B", "z", "3", "", 1, kAB + "z=3\r\n"},
        WriteCase{"adds a section", "t.ini", kAB, Writer::String, "C", "z", "3", "", 1, kAB + "\r\n[C]\r\nz=3\r\n"},
        WriteCase{"adds in front of the marker", "t.ini", kAB, Writer::String, "N", "z", "3", "b", 1,
                  "[A]\r\nx=1\r\n; end\r\n\r\n[N]\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"deletes a key", "t.ini", kAB, Writer::String, "A", "x", nullptr, "", 1,
                  "[A]\r\n; end\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"deleting nothing normalises", "t.ini", kMessy, Writer::String, "A", "q", nullptr, "", 1,
                  "[A]\r\n  x = 1\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"deletes a section", "t.ini", kAB, Writer::String, "a", nullptr, nullptr, "", 1, "[B]\r\ny=2\r\n"},
        WriteCase{"trailing blanks of a value", "t.ini", kAB, Writer::String, "B", "y", "v  ", "", 1,
                  "[A]\r\nx=1\r\n; end\r\n\r\n[B]\r\ny=v\r\n"},
        WriteCase{"no line breaks in a value", "t.ini", kMessy, Writer::String, "B", "y", "1\r\nz=2", "", 0, kMessy},
        WriteCase{"line longer than 512", "t.ini", kMessy, Writer::String, "B", "y", kValue511.c_str(), "",
                  0, kMessy},
        WriteCase{"no section", "t.ini", kMessy, Writer::String, nullptr, "y", "1", "", 0, kMessy},
        WriteCase{"delete from missing file", "t.ini", std::nullopt, Writer::String, "A", nullptr, nullptr, "", 0,
                  std::nullopt},
        WriteCase{"delete key from missing file", "t.ini", std::nullopt, Writer::String, "A", "k", nullptr, "", 0,
                  std::nullopt},
        WriteCase{"whole word in SYS", "C.SYS", "[m]\r\nDEVICEHIGH /L:1=A\r\n", Writer::String, "m", "devicehigh",
                  "B", "", 1, "[m]\r\ndevicehigh=B\r\n"},
        WriteCase{"section keeps its place", "t.ini", "[A]\r\na=1\r\n[B]\r\nb=1\r\n[C]\r\nc=1\r\n", Writer::Section,
                  "b", nullptr, "x=1\0;note\0plain\0   \0", "", 1,
                  "[A]\r\na=1\r\n\r\n[b]\r\nx=1\r\n;note\r\nplain\r\n\r\n[C]\r\nc=1\r\n"},
        WriteCase{"section first in file", "t.ini", kAB, Writer::Section, "A", nullptr, "k=v\0", "", 1,
                  "[A]\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"new section before marker", "t.ini", kAB, Writer::Section, "N", nullptr, "\0", "B", 1,
                  "[A]\r\nx=1\r\n; end\r\n\r\n[N]\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"section into batch file", "x.bat", ":go\r\nk=1\r\n", Writer::Section, "go", nullptr, "j=2\0", "", 1,
                  "[go]\r\nj=2\r\n:go\r\nk=1\r\n"},
        WriteCase{"section creates file", "t.ini", std::nullopt, Writer::Section, "N", nullptr, "a=1\0", "", 0,
                  "[N]\r\na=1\r\n"},
        WriteCase{"section list none deletes", "t.ini", kAB, Writer::Section, "B", nullptr, nullptr, "", 1,
                  "[A]\r\nx=1\r\n; end\r\n"},
        WriteCase{"section none, file untouched", "t.ini", kMessy, Writer::Section, nullptr, nullptr, "a=1\0", "", 1,
                  kMessy},
        WriteCase{"section none, missing file", "t.ini", std::nullopt, Writer::Section, nullptr, nullptr, "a=1\0", "",
                  0, std::nullopt},
        WriteCase{"list none, missing file", "t.ini", std::nullopt, Writer::Section, "A", nullptr, nullptr, "", 0,
                  std::nullopt},
        // Unedited lines stay byte for byte: text after a Ctrl-Z is not read,
        // and a file holding a line the model cannot hold exactly is refused.
        WriteCase{"key after the end mark", "CONFIG.SYS", "[common]\r\nDEVICE=HIMEM.SYS\r\n\x1a", Writer::String,
                  "common", "FILES", "40", "", 1, "[common]\r\nDEVICE=HIMEM.SYS\r\nFILES=40\r\n"},
        WriteCase{"lone CR kept", "t.ini", "[A]\nx=1\ry=2\n", Writer::String, "A", "y", "3", "", 1,
                  "[A]\r\nx=1\ry=2\r\ny=3\r\n"},
        WriteCase{"text after the end mark", "t.ini", "[A]\r\nx=1\r\n\x1a[B]\r\n", Writer::String, "A", "x", "2", "",
                  0, "[A]\r\nx=1\r\n\x1a[B]\r\n"},
        WriteCase{"long line refused", "t.ini", kLongLine, Writer::String, "B", "c", "1", "", 0, kLongLine},
        WriteCase{"long line, section write", "t.ini", kLongLine, Writer::Section, "B", nullptr, "c=1\0", "", 0,
                  kLongLine},
        WriteCase{"NUL bytes refused", "t.ini", kUtf16, Writer::String, "A", "y", "2", "", 0, kUtf16},
        WriteCase{"NUL lines are not blank", "t.ini", "\0abc\r\n"s, Writer::Section, "A", nullptr, "y=2\0", "", 0,
                  "\0abc\r\n"s}})
        CheckWrite(c);
}

TEST(NrviniProfile, SecondWriteToNewFileSucceeds)
{
    ScratchDir dir;
    const std::string path = dir.Path("new.ini");
    EXPECT_EQ(NrvWritePrivateProfileString("S", "k", "v", path.c_str()), 0);
    EXPECT_EQ(NrvWritePrivateProfileString("S", "k", "w", path.c_str()), 1);
    EXPECT_EQ(ReadBytes(path), "[S]\r\nk=w\r\n");
}

// A file with lines that cannot be read is never replaced by a new one.
TEST(NrviniProfile, UnloadableFileIsLeftAlone)
{
    ScratchDir dir;
    const std::string path = dir.Path("t.ini");
    const std::string stored = "[A]\r\n" + std::string(3000, 'k') + "\r\n";
    WriteBytes(path, stored);
    nrvini::LinePool::LimitBlocksForTesting(1);  // memory runs out while loading
    EXPECT_EQ(NrvWritePrivateProfileString("A", "k", "v", path.c_str()), 0);
    nrvini::LinePool::LimitBlocksForTesting(1);
    EXPECT_EQ(NrvWritePrivateProfileSection("A", "k=v\0", path.c_str()), 0);
    nrvini::LinePool::LimitBlocksForTesting(-1);
    EXPECT_EQ(ReadBytes(path), stored);

    std::filesystem::create_directory(dir.Path("d.ini"));  // exists, cannot be read as a file
    EXPECT_EQ(NrvWritePrivateProfileString("A", "k", "v", dir.Path("d.ini").c_str()), 0);
    EXPECT_EQ(NrvWritePrivateProfileSection("A", "k=v\0", dir.Path("d.ini").c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("d.ini")));
}

// A write that fails half way (the file system refuses more bytes) leaves the
// old file byte for byte and no temporary file.
TEST(NrviniProfile, FailedWriteKeepsTheOldFile)
{
    ScratchDir dir;
    const std::string path = dir.Path("t.ini");
    WriteBytes(path, kMessy);
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = NrvWritePrivateProfileString("B", "y", "3", path.c_str());
    const int created = NrvWritePrivateProfileString("B", "y", "3", dir.Path("new.ini").c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(created, 0);
    EXPECT_EQ(ReadBytes(path), kMessy);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"t.ini"});
}

}  // namespace
