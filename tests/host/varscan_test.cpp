#include <gtest/gtest.h>

#include <map>

#include "engine/varscan.h"
#include "log_capture.h"

namespace {

// Values of a made-up machine and working copy.
class FakeSource : public se::VariableSource {
public:
    std::map<int, std::string> variables;
    std::string temp = "C:\\TEMP\\";
    unsigned short language = 0x0409;
    unsigned long pid = 1234567;

    std::string ProgramDirectory() override { return "C:\\Setup"; }
    std::string WindowsDirectory() override { return "C:\\WINDOWS"; }
    std::string SystemDirectory() override { return "C:\\WINDOWS\\SYSTEM32"; }
    std::string TempDirectory() override { return temp; }
    unsigned long ProcessId() override { return pid; }
    unsigned short UserLanguageId() override { return language; }
    std::string ReadVariable(int n) override
    {
        auto it = variables.find(n);
        return it == variables.end() ? "" : it->second;
    }
    void WriteVariable(int n, const std::string& v) override { variables[n] = v; }
};

struct Expansion {
    std::string text;
    int count;
};

Expansion Expand(std::string text, FakeSource& source, std::size_t size = 512)
{
    test::LogEntries().clear();
    const int count = se::ExpandVariables(text, size, source);
    return {text, count};
}

TEST(Variables, BuiltInValues)
{
    FakeSource s;
    struct Case { const char* in; const char* out; int count; } cases[] = {
        {"~%C001\\SETUP.EXE", "C:\\Setup\\SETUP.EXE", 1},
        {"~%c101", "C:\\WINDOWS", 1},
        {"~%C102\\x.inf", "C:\\WINDOWS\\inf\\x.inf", 1},
        {"~%C103", "C:\\WINDOWS\\SYSTEM32", 1},
        {"~%C104\\d.sys", "C:\\WINDOWS\\SYSTEM32\\Drivers\\d.sys", 1},
        {"lang=~%C105.", "lang=US.", 1},
        {"~%C101 and ~%C001", "C:\\WINDOWS and C:\\Setup", 2},
        {"~%C  1", "C:\\Setup", 1},  // blanks before the number
    };
    for (const Case& c : cases) {
        const Expansion e = Expand(c.in, s);
        EXPECT_EQ(e.text, c.out) << c.in;
        EXPECT_EQ(e.count, c.count) << c.in;
    }
}

TEST(Variables, ReplacementIsLoggedWithTheWholeText)
{
    FakeSource s;
    Expand("x~%C001y", s);
    EXPECT_EQ(test::LogEntries(),
              (std::vector<std::string>{"|replaced variable in string.", "|full string now is: xC:\\Setupy"}));
}

TEST(Variables, TempFileNameReplacesTheRestAndIsSavedAsV000)
{
    FakeSource s;
    const Expansion e = Expand("~%C000 and more", s);
    EXPECT_EQ(e.text, "C:\\TEMP\\TMP34567");
    EXPECT_EQ(s.variables[0], "C:\\TEMP\\TMP34567");
    EXPECT_EQ(test::LogEntries().front(), "|** creating C:\\TEMP\\TMP34567 and will save in V000");
    s.temp.clear();
    s.pid = 42;
    EXPECT_EQ(Expand("~%C000", s).text, "c:\\TMP00042");
}

TEST(Variables, ScriptVariables)
{
    FakeSource s;
    s.variables[5] = "Part2";
    s.variables[3] = "~%C103\\x";
    EXPECT_EQ(Expand("~%V005", s).text, "Part2");
    EXPECT_EQ(Expand("~%v7ab-", s).text, "-");  // undefined V007, three characters consumed
    EXPECT_EQ(Expand("~%V003", s).text, "C:\\WINDOWS\\SYSTEM32\\x");  // values are expanded too
    EXPECT_EQ(Expand("a~%V009b", s).count, 1);
}

TEST(Variables, TokensThatGetNoValueStay)
{
    FakeSource s;
    Expansion e = Expand("a~%C777b", s);
    EXPECT_EQ(e.text, "a~%C777b");
    EXPECT_EQ(e.count, 1);
    EXPECT_EQ(test::LogEntries(),
              (std::vector<std::string>{"GetVariable( ) variable not found for |a~%C777b",
                                        "ERROR-=-| variable token found but no replacement made.",
                                        "ERROR-=-|~%C777b"}));

    s.language = 0x0403;  // Catalan: no code, and no "not found" line
    e = Expand("~%C105", s);
    EXPECT_EQ(e.text, "~%C105");
    EXPECT_EQ(test::LogEntries().size(), 2u);

    e = Expand("~%V-1x ~%C001", s);
    EXPECT_EQ(e.text, "~%V-1x C:\\Setup");  // search goes on after the kept token
    EXPECT_EQ(e.count, 2);
    EXPECT_EQ(test::LogEntries()[0], "GetVariable( ) variable not found for |~%V-1x ~%C001");
}

TEST(Variables, OtherLettersEndTheExpansion)
{
    FakeSource s;
    const Expansion e = Expand("~%C001 ~%X001 ~%C001", s);
    EXPECT_EQ(e.text, "C:\\Setup ~%X001 ~%C001");
    EXPECT_EQ(e.count, 1);
    EXPECT_EQ(test::LogEntries()[2], "ERROR-=-| variable token ~% found but leading character not valid");
    // The search position is still where the replaced token stood.
    EXPECT_EQ(test::LogEntries()[3], "ERROR-=-|C:\\Setup ~%X001 ~%C001");
}

TEST(Variables, TextsWithoutTokens)
{
    FakeSource s;
    for (const char* t : {"", "plain", "~ %", "%~", "100%", "~"}) {
        const Expansion e = Expand(t, s);
        EXPECT_EQ(e.text, t);
        EXPECT_EQ(e.count, 0);
        EXPECT_TRUE(test::LogEntries().empty());
    }
}

TEST(Variables, TokensCutShortByTheEnd)
{
    FakeSource s;
    s.variables[1] = "one";
    EXPECT_EQ(Expand("x~%V1", s).text, "xone");
    EXPECT_EQ(Expand("x~%V", s).text, "x");  // no digits: variable 0
    Expansion e = Expand("x~%", s);
    EXPECT_EQ(e.text, "x~%");
    EXPECT_EQ(e.count, 0);
}

TEST(Variables, SelfReferenceEndsAndBufferIsNeverExceeded)
{
    FakeSource s;
    s.variables[1] = "ab~%V001";
    Expansion e = Expand("~%V001", s, 64);
    EXPECT_LE(e.text.size(), 63u);
    s.variables[1] = "~%V001";  // same length every time: only the bound stops it
    e = Expand("~%V001", s, 64);
    EXPECT_EQ(e.text, "~%V001");
    EXPECT_EQ(test::LogEntries().back(), "ERROR-=-| too many variable replacements, expansion stopped.");
    s.variables[2] = std::string(300, 'x');
    e = Expand("~%V002tail", s, 256);
    EXPECT_EQ(e.text, std::string(255, 'x'));
}

TEST(Variables, LanguageTable)
{
    struct Case { unsigned short id; const char* code; } cases[] = {
        {0x0401, "AR"}, {0x0402, "BU"}, {0x0804, "CH"}, {0x0404, "TW"}, {0x0C04, "TW"}, {0x1004, "TW"},
        {0x0405, "CS"}, {0x0406, "DK"}, {0x0407, "GR"}, {0x0807, "GR"}, {0x0408, "GK"}, {0x0409, "US"},
        {0x0809, "US"}, {0x040A, "SP"}, {0x0C0A, "SP"}, {0x040B, "FI"}, {0x040C, "FR"}, {0x040D, "IL"},
        {0x040E, "HU"}, {0x0410, "IT"}, {0x0411, "JP"}, {0x0412, "KR"}, {0x0413, "NL"}, {0x0414, "NO"},
        {0x0415, "PL"}, {0x0416, "BR"}, {0x0816, "PT"}, {0x0418, "RO"}, {0x0419, "RU"}, {0x041B, "SK"},
        {0x041D, "SE"}, {0x041E, "TH"}, {0x041F, "TR"}, {0x0421, "ID"}, {0x0424, "SL"},
        // Bit 8 of the primary language is masked away.
        {0x0509, "US"},
    };
    for (const Case& c : cases) EXPECT_EQ(se::LanguageCode(c.id).value_or("none"), c.code) << std::hex << c.id;
    for (unsigned short id : {0x0403, 0x040F, 0x0417, 0x041A, 0x041C, 0x0420, 0x0422, 0x0423, 0x0425, 0x1404, 0x0000})
        EXPECT_FALSE(se::LanguageCode(id).has_value()) << std::hex << id;
}

TEST(Variables, KeysAndNumbers)
{
    EXPECT_EQ(se::VariableKey(0) + se::VariableKey(7) + "|" + se::VariableKey(1234), "V000V007|V1234");
    const struct { const char* text; int number; } cases[] = {{"007", 7}, {" -1", -1}, {"+12", 12}, {"7ab", 7}, {"abc", 0}, {"", 0}};
    for (const auto& c : cases) EXPECT_EQ(se::TokenNumber(c.text), c.number) << c.text;
}

}  // namespace
