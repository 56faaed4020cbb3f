// Lines of the parameter sections of commands 26 and 27.
#include <gtest/gtest.h>

#include "case_table.h"
#include "commands/core/inilines.h"

namespace {

TEST(IniEditLines, SetValueAndSetVariableLines)
{
    const char* const faults[] = {"None", "Comment", "MissingComma", "NoSection", "NoKey"};
    for (const cases::Row& c : cases::Rows("engine.txt", "inilines")) {
        const se::IniEditLine got = c[0].text == "V" ? se::SplitSetValueLine(c[1]) : se::SplitSetVariableLine(c[1]);
        EXPECT_EQ(faults[static_cast<int>(got.fault)], c[2].text) << c[1].text;
        EXPECT_EQ(got.shown, c[3].text) << c[1].text;
        EXPECT_EQ(cases::Join(got.fields, "\n"), c[4].text) << c[1].text;
    }
}

}  // namespace
