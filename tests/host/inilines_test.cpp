// Lines of the parameter sections of commands 26 and 27.
#include <gtest/gtest.h>

#include "commands/core/inilines.h"

namespace {

using se::IniLineFault;

struct Case {
    const char* line;
    IniLineFault fault;
    const char* shown;                 // with a fault
    std::vector<std::string> fields;   // without one
};

TEST(IniEditLines, SetValueLines)
{
    const Case cases[] = {
        {"Setup, Mode , Full", IniLineFault::None, "", {"Setup", "Mode", "Full"}},
        {"Setup,Mode,a,b", IniLineFault::None, "", {"Setup", "Mode", "a,b"}},
        {"Setup,Mode,", IniLineFault::None, "", {"Setup", "Mode", ""}},
        {" ,Mode,1", IniLineFault::None, "", {"", "Mode", "1"}},  // blank is not empty before trimming
        {";Setup,Mode,1", IniLineFault::Comment, "", {}},
        {"Setup Mode", IniLineFault::MissingComma, "Setup Mode", {}},
        {"Setup,Mode", IniLineFault::MissingComma, "Setup", {}},
        {",Mode,1", IniLineFault::NoSection, "", {}},
        {"Setup,,1", IniLineFault::NoKey, "Setup", {}},
    };
    for (const Case& c : cases) {
        const se::IniEditLine got = se::SplitSetValueLine(c.line);
        EXPECT_EQ(got.fault, c.fault) << c.line;
        EXPECT_EQ(got.shown, c.shown) << c.line;
        EXPECT_EQ(got.fields, c.fields) << c.line;
    }
}

TEST(IniEditLines, SetVariableLines)
{
    const Case cases[] = {
        {"V010 , ~%V001\\x, y", IniLineFault::None, "", {"V010", "~%V001\\x, y"}},
        {"V010,", IniLineFault::None, "", {"V010", ""}},
        {";V010,1", IniLineFault::Comment, "", {}},
        {"V010", IniLineFault::MissingComma, "V010", {}},
        {",1", IniLineFault::NoKey, "", {}},
    };
    for (const Case& c : cases) {
        const se::IniEditLine got = se::SplitSetVariableLine(c.line);
        EXPECT_EQ(got.fault, c.fault) << c.line;
        EXPECT_EQ(got.shown, c.shown) << c.line;
        EXPECT_EQ(got.fields, c.fields) << c.line;
    }
}

}  // namespace
