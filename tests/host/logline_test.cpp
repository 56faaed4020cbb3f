// Time stamps, line cuts and line ends of the log, and the lines taken apart
// again; the whole lines and level prefixes, as written, are a Wine test
// (EngineHelpers.LogWriters).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "case_table.h"
#include "engine/core/logline.h"
#include "engine/core/osmatch.h"

namespace {

const std::string kStamp = se::FormatTimeStamp(10, 15, 2, 47);

std::string Stamp(const se::LogLineParts& p) { return se::FormatTimeStamp(p.hour, p.minute, p.second, p.millisecond); }

std::string Parts(const se::LogLineParts& p)
{
    const auto quoted = [](std::string_view t) { return "<" + std::string(t) + ">"; };
    switch (p.kind) {
    case se::LogLineKind::Entry: return "entry " + Stamp(p) + std::string(p.program) + " " + quoted(p.prefix) + " " + quoted(p.message);
    case se::LogLineKind::Text: return "text " + Stamp(p) + quoted(p.text);
    case se::LogLineKind::Level: return "level " + std::to_string(p.level) + " " + quoted(p.text);
    default: return "other";
    }
}

// The writers' own forms again from the parts of a line.
std::string Formatted(const se::LogLineParts& p, const std::string& line)
{
    switch (p.kind) {
    case se::LogLineKind::Entry: return se::FormatLogLine(Stamp(p), p.program, p.prefix, p.message);
    case se::LogLineKind::Text: return se::FormatLogTextLine(Stamp(p), p.text);
    case se::LogLineKind::Level: return std::string(se::LevelPrefix(p.level)) + std::string(p.text);
    default: return line;
    }
}

TEST(LogLine, StampsCutsAndLineEnds)
{
    cases::CheckCalls("engine.txt", "logline",
        {{"stamp", [](const cases::Row& r) { return se::FormatTimeStamp(r[1].number(), r[2].number(), r[3].number(), r[4].number()); }},
         {"size", [](const cases::Row& r) { return std::to_string(se::FormatLogLine(kStamp, "P.EXE", "", r[1]).size()) + " " +
                                                   std::to_string(se::FormatLogTextLine(kStamp, r[1]).size()); }},
         {"crlf", [](const cases::Row& r) { return se::WithTextModeLineEnds(r[1]); }},
         {"parse", [](const cases::Row& r) { return Parts(se::ParseLogLine(r[1])); }},
         {"version", [](const cases::Row& r) {
              return cases::Flag(se::IsVersion(static_cast<se::WindowsVersion>(r[1].number()), r[2].number(), r[3].number(), r[4].number()));
          }}});
}

// Every line of every scenario's expected log (the engine's own output under
// Wine) is taken apart and formatted again into the same line; each command's
// prefix likewise.
TEST(LogLine, EveryLineTheEngineWroteParsesBack)
{
    std::size_t entries = 0, commands = 0;
    for (const auto& scenario : std::filesystem::directory_iterator(SE_TEST_CASES_DIR "/../scenarios")) {
        std::ifstream in(scenario.path() / "expected.log", std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("[TIME]", 0) == 0) line.replace(0, 6, "[23:59:58.999]");
            const se::LogLineParts p = se::ParseLogLine(line);
            EXPECT_EQ(Formatted(p, line), line) << scenario.path();
            EXPECT_TRUE(p.kind != se::LogLineKind::Other || line[0] != '[') << line;
            entries += p.kind == se::LogLineKind::Entry;
            if (const auto c = se::ParseCommandPrefix(p.prefix); c && p.kind == se::LogLineKind::Entry) {
                ++commands;
                EXPECT_EQ(se::FormatCommandPrefix(static_cast<int>(c->number), c->name, static_cast<int>(c->type), c->fields), p.prefix);
            }
        }
    }
    EXPECT_GT(entries, 2000u);
    EXPECT_GT(commands, 200u);
}

}  // namespace
