#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "case_table.h"
#include "engine/core/text.h"
#include "log_capture.h"

namespace {

TEST(Text, InPlaceAndCopyingFormsAgree)
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
}

TEST(Text, StripOfNoTextLogsAWarning)
{
    test::LogEntries().clear();
    EXPECT_EQ(StripCommentsAndEtc(nullptr), nullptr);
    ASSERT_EQ(test::LogEntries().size(), 1u);
    EXPECT_EQ(test::LogEntries()[0], "TEXT|warning null pointer passed to StripCommentsAndEtc");
    EXPECT_EQ(TrimText(nullptr), nullptr);
}

TEST(Text, ComparisonsAndBufferFit)
{
    cases::CheckCalls("engine.txt", "textcalls",
        {{"same", [](const cases::Row& r) { return cases::Flag(se::EqualsNoCase(r[1], r[2])); }},
         {"fit", [](const cases::Row& r) { return se::FitBuffer(r[1], r[2].number()); }}});
}

}  // namespace
