#include <gtest/gtest.h>

#include "commands/core/filepaths.h"

namespace {

using K = se::ListLineKind;

struct LineCase {
    const char* line;
    K kind;
    const char* source;
    const char* destination;
    bool trailingRemoved;
};

class CopyListLines : public ::testing::TestWithParam<LineCase> {};

// The checks run in a fixed order; each case shows the first that applies.
TEST_P(CopyListLines, ChecksInOrder)
{
    const LineCase& c = GetParam();
    const se::ListLine line = se::ParseListLine(c.line);
    EXPECT_EQ(line.kind, c.kind);
    if (c.kind == K::MissingComma) return;
    EXPECT_EQ(line.source, c.source);
    EXPECT_EQ(line.destination, c.destination);
    EXPECT_EQ(line.trailingBackslashRemoved, c.trailingRemoved);
}

INSTANTIATE_TEST_SUITE_P(
    Parse, CopyListLines,
    ::testing::Values(
        LineCase{"C:\\a.txt", K::MissingComma, "", "", false},
        LineCase{";C:\\a.txt", K::MissingComma, "", "", false},
        LineCase{";C:\\a.txt,D:\\b.txt", K::Comment, ";C:\\a.txt", "D:\\b.txt", false},
        LineCase{" ,D:\\b.txt", K::SourceMissing, "", "D:\\b.txt", false},
        LineCase{",", K::SourceMissing, "", "", false},
        LineCase{"C:\\a.txt, ;note", K::DestinationMissing, "C:\\a.txt", "", false},
        LineCase{"C:\\*.txt,D:\\", K::Wildcard, "C:\\*.txt", "D:\\", false},
        LineCase{"C:\\a.txt,D:\\*", K::Ready, "C:\\a.txt", "D:\\*", false},
        LineCase{"\tC:\\a.txt ,\tD:\\dir\\ ", K::Ready, "C:\\a.txt", "D:\\dir", true},
        LineCase{"C:\\a.txt,D:\\dir\\\\", K::Ready, "C:\\a.txt", "D:\\dir\\", true},
        LineCase{"C:\\a.txt,D:\\x.txt ;note", K::Ready, "C:\\a.txt", "D:\\x.txt", false},
        LineCase{"~%V001\\a,~%C101\\b,c", K::Ready, "~%V001\\a", "~%C101\\b,c", false}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return "line" + std::to_string(info.index); });

TEST(FilePaths, NamesAndJoins)
{
    EXPECT_EQ(se::FileNameOf("C:\\links\\Tool.lnk"), "Tool.lnk");
    EXPECT_EQ(se::FileNameOf("Tool.lnk"), "Tool.lnk");
    EXPECT_EQ(se::FileNameOf("C:\\dir\\"), "");
    EXPECT_EQ(se::JoinPath("C:\\Startup", "Tool.lnk"), "C:\\Startup\\Tool.lnk");
    EXPECT_EQ(se::JoinPath("C:\\Startup\\", "Tool.lnk"), "C:\\Startup\\Tool.lnk");
    EXPECT_EQ(se::JoinPath("C:\\src", "*.*"), "C:\\src\\*.*");
    EXPECT_EQ(se::JoinPath("C:\\src", ""), "C:\\src\\");
}

TEST(FilePaths, TreeInsideItself)
{
    EXPECT_TRUE(se::IsSameOrBelow("C:\\data\\backup", "C:\\data"));
    EXPECT_TRUE(se::IsSameOrBelow("c:\\DATA\\", "C:\\data"));
    EXPECT_TRUE(se::IsSameOrBelow("C:\\data", "C:\\Data\\"));
    EXPECT_TRUE(se::IsSameOrBelow("C:\\x", "C:\\"));
    EXPECT_FALSE(se::IsSameOrBelow("C:\\database", "C:\\data"));
    EXPECT_FALSE(se::IsSameOrBelow("C:\\dat", "C:\\data"));
    EXPECT_FALSE(se::IsSameOrBelow("D:\\data\\backup", "C:\\data"));
    EXPECT_FALSE(se::IsSameOrBelow("C:\\data", ""));
}

TEST(FilePaths, DriveRoots)
{
    for (const char* root : {"C:", "c:\\", "C:\\\\", "\\", "Z:"}) EXPECT_TRUE(se::IsDriveRoot(root)) << root;
    for (const char* other : {"C:\\windows", "C:x", "", "CC:\\", "C:\\a\\"}) EXPECT_FALSE(se::IsDriveRoot(other)) << other;
}

}  // namespace
