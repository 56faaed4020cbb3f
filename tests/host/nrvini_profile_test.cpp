// The exported profile functions: the case tables of tests/cases/nrvini.txt,
// and the two guarantees against data loss.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "nrvini/ini_file.h"
#include "nrvini_profile_cases.h"

namespace {

using nrvini_test::ReadBytes;
using nrvini_test::ScratchDir;
using nrvini_test::WriteBytes;

TEST(NrviniProfile, CaseTables)
{
    nrvini_test::CheckProfileTables({NrvGetPrivateProfileString, NrvGetPrivateProfileInt, NrvGetPrivateProfileSection,
                                     NrvGetPrivateProfileSectionNames, NrvWritePrivateProfileString,
                                     NrvWritePrivateProfileSection, NrvIniSetLastSection});
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
