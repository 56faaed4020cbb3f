#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/text.h"
#include "log_capture.h"

namespace {

struct TrimCase {
    const char* input;
    const char* trimmed;   // TrimText
    const char* stripped;  // StripCommentsAndEtc
};

class TrimCases : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimCases, InPlaceAndCopyingFormsAgree)
{
    const TrimCase& c = GetParam();
    char buffer[64];
    std::memset(buffer, 'Z', sizeof buffer);
    std::strcpy(buffer, c.input);
    EXPECT_STREQ(TrimText(buffer), c.trimmed);
    std::strcpy(buffer, c.input);
    EXPECT_STREQ(StripCommentsAndEtc(buffer), c.stripped);
    // Nothing past the original terminator is touched.
    EXPECT_EQ(buffer[std::strlen(c.input) + 1], 'Z');
    EXPECT_EQ(se::Trimmed(c.input), c.trimmed);
    EXPECT_EQ(se::StrippedOfComment(c.input), c.stripped);
}

INSTANTIATE_TEST_SUITE_P(
    Text, TrimCases,
    ::testing::Values(TrimCase{"", "", ""}, TrimCase{"abc", "abc", "abc"},
                      TrimCase{" \t\r\n\v\fabc \t\r\n\v\f", "abc", "abc"},
                      TrimCase{"\x01\x1f" "a b\x02", "a b", "a b"},
                      TrimCase{"  15,Files ; copy  ", "15,Files ; copy", "15,Files"},
                      TrimCase{";only comment", ";only comment", ""},
                      TrimCase{"   ;  x", ";  x", ""}, TrimCase{"a;b;c", "a;b;c", "a"},
                      // ANSI letters at the ends are part of the text.
                      TrimCase{"Caf\xe9", "Caf\xe9", "Caf\xe9"},
                      TrimCase{"\xa0x\xff", "\xa0x\xff", "\xa0x\xff"}),
    [](const ::testing::TestParamInfo<TrimCase>& info) { return "text" + std::to_string(info.index); });

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
    EXPECT_TRUE(se::EqualsNoCase("CommandsList", "COMMANDSLIST"));
    EXPECT_FALSE(se::EqualsNoCase("Data", "Data2"));
    EXPECT_FALSE(se::EqualsNoCase("\xe9", "\xc9"));  // only ASCII letters fold
    EXPECT_EQ(se::FitBuffer("abcdef", 4), "abc");
    EXPECT_EQ(se::FitBuffer("abc", 4), "abc");
    EXPECT_EQ(se::FitBuffer("abc", 0), "");
}

}  // namespace
