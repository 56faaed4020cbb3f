// Log line forms (what the log writers do with them is a Wine test); the
// tables are in tests/cases/engine.txt.
#include <gtest/gtest.h>

#include "case_table.h"
#include "engine/logline.h"
#include "engine/osmatch.h"

namespace {

const std::string kStamp = se::FormatTimeStamp(10, 15, 2, 47);

TEST(LogLine, StampsCutsAndLineEnds)
{
    cases::CheckCalls("engine.txt", "logline",
        {{"stamp", [](const cases::Row& r) { return se::FormatTimeStamp(r[1].number(), r[2].number(), r[3].number(), r[4].number()); }},
         {"line", [](const cases::Row& r) { return se::FormatLogLine(kStamp, r[1], r[2], r[3]); }},
         {"text", [](const cases::Row& r) { return se::FormatLogTextLine(kStamp, r[1]); }},
         {"size", [](const cases::Row& r) { return std::to_string(se::FormatLogLine(kStamp, "P.EXE", "", r[1]).size()) + " " +
                                                   std::to_string(se::FormatLogTextLine(kStamp, r[1]).size()); }},
         {"crlf", [](const cases::Row& r) { return se::WithTextModeLineEnds(r[1]); }},
         {"level", [](const cases::Row& r) { return std::string(se::LevelPrefix(r[1].number())); }},
         {"version", [](const cases::Row& r) {
              return cases::Flag(se::IsVersion(static_cast<se::WindowsVersion>(r[1].number()), r[2].number(), r[3].number(), r[4].number()));
          }}});
}

}  // namespace
