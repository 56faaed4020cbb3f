// Variable expansion; the tables are in tests/cases/engine.txt.
#include <gtest/gtest.h>

#include <map>

#include "case_table.h"
#include "engine/core/varscan.h"
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
    std::string ReadVariable(int n) override { return variables.count(n) ? variables[n] : ""; }
    void WriteVariable(int n, const std::string& v) override { variables[n] = v; }
};

std::pair<std::string, int> Expand(std::string text, FakeSource& source, std::size_t size = 512)
{
    test::logEntries.clear();
    const int count = se::ExpandVariables(text, size, source);
    return {text, count};
}

TEST(Variables, ExpansionTable)
{
    FakeSource s;
    s.variables = {{1, "one"}, {3, "~%C103\\x"}, {5, "Part2"}};
    for (const cases::Row& c : cases::Rows("engine.txt", "expand")) {
        const auto e = Expand(c[0], s);
        if (c[1].text != "*") EXPECT_EQ(e.first, c[1].text) << c[0].text;
        if (c[2].text != "*") EXPECT_EQ(e.second, c[2].number()) << c[0].text;
        const std::string log = cases::Join(test::logEntries, "\n"), want = c[3].text;
        if (want.size() > 3 && want.substr(want.size() - 3) == "...")
            EXPECT_EQ(log.substr(0, want.size() - 3), want.substr(0, want.size() - 3)) << c[0].text;
        else if (want != "*")
            EXPECT_EQ(log, want) << c[0].text;
    }
    s.language = 0x0403;  // Catalan: no code, and no "not found" line
    EXPECT_EQ(Expand("~%C105", s).first, "~%C105");
    EXPECT_EQ(test::logEntries.size(), 2u);
}

// The temporary file name with the machine's values is a Wine test; without a
// temporary directory it lies in c:\.
TEST(Variables, TempFileNameSelfReferenceAndBufferBound)
{
    FakeSource s;
    s.temp.clear();
    s.pid = 42;
    EXPECT_EQ(Expand("~%C000 and more", s).first, "c:\\TMP00042");
    EXPECT_EQ(s.variables[0], "c:\\TMP00042");
    s.variables[1] = "ab~%V001";
    EXPECT_LE(Expand("~%V001", s, 64).first.size(), 63u);
    s.variables[1] = "~%V001";  // same length every time: only the bound stops it
    EXPECT_EQ(Expand("~%V001", s, 64).first, "~%V001");
    EXPECT_EQ(test::logEntries.back(), "ERROR-=-| too many variable replacements, expansion stopped.");
    s.variables[2] = std::string(300, 'x');
    EXPECT_EQ(Expand("~%V002tail", s, 256).first, std::string(255, 'x'));
}

TEST(Variables, LanguagesKeysAndNumbers)
{
    cases::CheckCalls("engine.txt", "varcalls",
        {{"language", [](const cases::Row& r) { return se::LanguageCode(static_cast<unsigned short>(r[1].number())).value_or("<none>"); }},
         {"token", [](const cases::Row& r) { return std::to_string(se::TokenNumber(r[1])); }},
         {"key", [](const cases::Row& r) { return se::VariableKey(r[1].number()); }}});
}

}  // namespace
