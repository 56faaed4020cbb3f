// The exported profile functions: the case tables of tests/cases/nrvini.txt,
// and the guarantees against data loss.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "nrvini/ini_file.h"
#include "nrvini_profile_cases.h"

namespace {

using namespace nrvini_test;

// Files are read in the usual chunks and in chunks of 512 and 700 bytes, so
// that line ends, NULs and long lines fall across chunk borders.
TEST(NrviniProfile, CaseTables)
{
    for (const std::size_t chunk : {0u, 512u, 700u}) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        nrvini::SetReadChunkForTesting(chunk);
        nrvini_test::CheckProfileTables({NrvGetPrivateProfileString, NrvGetPrivateProfileInt, NrvGetPrivateProfileSection,
                                         NrvGetPrivateProfileSectionNames, NrvWritePrivateProfileString,
                                         NrvWritePrivateProfileSection, NrvIniSetLastSection});
    }
    nrvini::SetReadChunkForTesting(0);
}

// A file that cannot be loaded is never replaced by a new one, nor by what
// was loaded of it. (One that cannot be read at all: the Wine test.)
TEST(NrviniProfile, UnloadableFileIsLeftAlone)
{
    ScratchDir dir;
    const std::string path = dir.Path("t.ini");
    std::string stored = "[A]\r\n";
    for (int i = 0; i < 300; ++i) stored += "k" + std::to_string(i) + "=v\r\n";
    WriteBytes(path, stored);
    // Memory runs out while loading; deletions need none, so what was loaded
    // would be saved if it were taken for the file.
    nrvini::LinePool::LimitBlocksForTesting(1);
    EXPECT_EQ(NrvWritePrivateProfileString("Z", "k", nullptr, path.c_str()), 0);
    nrvini::LinePool::LimitBlocksForTesting(1);
    EXPECT_EQ(NrvWritePrivateProfileSection("Z", nullptr, path.c_str()), 0);
    nrvini::LinePool::LimitBlocksForTesting(-1);
    EXPECT_EQ(ReadBytes(path), stored);
}

// A write that fails half way (the file system refuses more bytes) leaves the
// old file byte for byte and no temporary file.
TEST(NrviniProfile, FailedWriteKeepsTheOldFile)
{
    ScratchDir dir;
    const std::string path = dir.Path("t.ini");
    const std::string messy = "[A]\n\n  x = 1   \n[B]\ny=2";
    WriteBytes(path, messy);
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
    EXPECT_EQ(ReadBytes(path), messy);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"t.ini"});
}

}  // namespace
