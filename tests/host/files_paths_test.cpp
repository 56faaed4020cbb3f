#include <gtest/gtest.h>

#include "case_table.h"
#include "commands/core/filepaths.h"

namespace {

// Copy list lines: the checks run in a fixed order, each case shows the
// first that applies. Then file names, joins, trees and roots.
TEST(FilePaths, CopyListLinesNamesJoinsTreesAndRoots)
{
    const char* const kinds[] = {"MissingComma", "Comment", "SourceMissing", "DestinationMissing", "Wildcard", "Ready"};
    for (const cases::Row& c : cases::Rows("engine.txt", "copylist")) {
        const se::ListLine line = se::ParseListLine(c[0]);
        EXPECT_EQ(kinds[static_cast<int>(line.kind)], c[1].text) << c[0].text;
        if (line.kind == se::ListLineKind::MissingComma) continue;
        EXPECT_EQ(line.source + "|" + line.destination, c[2].text + "|" + c[3].text) << c[0].text;
        EXPECT_EQ(line.trailingBackslashRemoved, c[4].text == "1") << c[0].text;
    }
    cases::CheckCalls("engine.txt", "paths",
                      {{"name", [](const cases::Row& r) { return se::FileNameOf(r[1]); }},
                       {"join", [](const cases::Row& r) { return se::JoinPath(r[1], r[2]); }},
                       {"below", [](const cases::Row& r) { return cases::Flag(se::IsSameOrBelow(r[1], r[2])); }},
                       {"root", [](const cases::Row& r) { return cases::Flag(se::IsDriveRoot(r[1])); }},
                       {"bare", [](const cases::Row& r) { return se::WithoutDevicePrefix(r[1]); }},
                       {"device", [](const cases::Row& r) { return cases::Flag(se::IsDeviceName(r[1])); }},
                       {"parent", [](const cases::Row& r) { return se::ParentPath(r[1]); }}});
}

}  // namespace
