#include <gtest/gtest.h>

#include "case_table.h"
#include "commands/core/filepaths.h"

namespace {

// The checks run in a fixed order; each case shows the first that applies.
TEST(CopyListLines, ChecksInOrder)
{
    const char* const kinds[] = {"MissingComma", "Comment", "SourceMissing", "DestinationMissing", "Wildcard", "Ready"};
    for (const cases::Row& c : cases::Rows("engine.txt", "copylist")) {
        const se::ListLine line = se::ParseListLine(c[0]);
        EXPECT_EQ(kinds[static_cast<int>(line.kind)], c[1].text) << c[0].text;
        if (line.kind == se::ListLineKind::MissingComma) continue;
        EXPECT_EQ(line.source + "|" + line.destination, c[2].text + "|" + c[3].text) << c[0].text;
        EXPECT_EQ(line.trailingBackslashRemoved, c[4].text == "1") << c[0].text;
    }
}

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
