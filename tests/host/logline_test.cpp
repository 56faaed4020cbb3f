// Time stamps, line cuts and line ends of the log; the whole lines and level
// prefixes, as written, are a Wine test (EngineHelpers.LogWriters).
#include <gtest/gtest.h>

#include "case_table.h"
#include "engine/core/logline.h"
#include "engine/core/osmatch.h"

namespace {

const std::string kStamp = se::FormatTimeStamp(10, 15, 2, 47);

TEST(LogLine, StampsCutsAndLineEnds)
{
    cases::CheckCalls("engine.txt", "logline",
        {{"stamp", [](const cases::Row& r) { return se::FormatTimeStamp(r[1].number(), r[2].number(), r[3].number(), r[4].number()); }},
         {"size", [](const cases::Row& r) { return std::to_string(se::FormatLogLine(kStamp, "P.EXE", "", r[1]).size()) + " " +
                                                   std::to_string(se::FormatLogTextLine(kStamp, r[1]).size()); }},
         {"crlf", [](const cases::Row& r) { return se::WithTextModeLineEnds(r[1]); }},
         {"version", [](const cases::Row& r) {
              return cases::Flag(se::IsVersion(static_cast<se::WindowsVersion>(r[1].number()), r[2].number(), r[3].number(), r[4].number()));
          }}});
}

}  // namespace
