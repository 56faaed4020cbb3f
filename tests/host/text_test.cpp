#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "case_table.h"
#include "engine/core/text.h"
#include "log_capture.h"

namespace {

// The in-place and copying forms agree; no text is a warning, not a crash.
// Then comparisons without case and texts cut to a buffer.
TEST(Text, TrimStripCompareAndFit)
{
    for (const cases::Row& c : cases::Rows("engine.txt", "trim")) {
        char buffer[64];
        std::memset(buffer, 'Z', sizeof buffer);
        std::strcpy(buffer, c[0].c_str());
        EXPECT_STREQ(TrimText(buffer), c[1].c_str());
        std::strcpy(buffer, c[0].c_str());
        EXPECT_STREQ(StripCommentsAndEtc(buffer), c[2].c_str());
        // Nothing past the original terminator is touched.
        EXPECT_EQ(buffer[c[0].text.size() + 1], 'Z');
        EXPECT_EQ(se::Trimmed(c[0]), c[1].text);
        EXPECT_EQ(se::StrippedOfComment(c[0]), c[2].text);
    }
    test::logEntries.clear();
    EXPECT_EQ(StripCommentsAndEtc(nullptr), nullptr);
    EXPECT_EQ(test::logEntries, std::vector<std::string>{"TEXT|warning null pointer passed to StripCommentsAndEtc"});
    EXPECT_EQ(TrimText(nullptr), nullptr);
    cases::CheckCalls("engine.txt", "textcalls",
        {{"same", [](const cases::Row& r) { return cases::Flag(se::EqualsNoCase(r[1], r[2])); }},
         {"fit", [](const cases::Row& r) { return se::FitBuffer(r[1], r[2].number()); }}});
}

}  // namespace
