// setuplog's reading of single entries; whole logs and fleets are the fleet
// test (tests/setuplog/fleet.py) on logs of the engine's own lines.
#include <gtest/gtest.h>

#include "case_table.h"
#include "setuplog/core/entries.h"

namespace {

TEST(SetupLog, SeverityAndFolding)
{
    cases::CheckCalls("setuplog.txt", "entries",
        {{"severity", [](const cases::Row& r) { return std::string(se::logs::SeverityName(se::logs::SeverityOf(se::ParseLogLine(r[1])))); }},
         {"fold", [](const cases::Row& r) { return se::logs::FoldedText(r[1]); }}});
}

}  // namespace
