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
        CheckProfileTables({});
    }
    nrvini::SetReadChunkForTesting(0);
}

// A file that cannot be loaded (memory runs out) is never replaced by what was
// loaded of it, though deleting needs no memory. (One that cannot be read at
// all: the Wine test.) A write that fails half way (the file system refuses
// more bytes) leaves the old file byte for byte and no temporary file.
TEST(NrviniProfile, FailedWritesKeepTheOldFile)
{
    ScratchDir dir;
    const std::string path = dir.Path("t.ini");
    std::string stored = "[A]\r\n";
    for (int i = 0; i < 300; ++i) stored += "k" + std::to_string(i) + "=v\r\n";
    WriteBytes(path, stored);
    nrvini::LinePool::LimitBlocksForTesting(1);
    EXPECT_EQ(NrvWritePrivateProfileString("Z", "k", nullptr, path.c_str()), 0);
    nrvini::LinePool::LimitBlocksForTesting(1);
    EXPECT_EQ(NrvWritePrivateProfileSection("Z", nullptr, path.c_str()), 0);
    nrvini::LinePool::LimitBlocksForTesting(-1);
    EXPECT_EQ(ReadBytes(path), stored);

    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{4, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int changed = NrvWritePrivateProfileString("A", "k0", "3", path.c_str());
    const int created = NrvWritePrivateProfileString("B", "y", "3", dir.Path("new.ini").c_str());
    setrlimit(RLIMIT_FSIZE, &old);  // only now may the test report
    EXPECT_EQ(std::make_pair(changed, created), std::make_pair(0, 0));
    EXPECT_EQ(ReadBytes(path), stored);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"t.ini"});
}

}  // namespace
