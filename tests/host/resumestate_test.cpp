#include <gtest/gtest.h>

#include <utility>

#include "case_table.h"
#include "engine/core/resumestate.h"

namespace {

const std::string kCopy =
    "[Data]\r\nLogging=1\r\n[Commands]\r\nCmd0=36\r\nCurrentCmd=12\r\n[State]\r\nCurrentSection=CommandsList\r\n";

se::ResumeRecord RecordOf(const std::string& text)
{
    const se::SplitCurrentCmd split = se::SplitOffCurrentCmd(text);
    return {.seq = 7, .copySlot = 1, .restFingerprint = se::Fingerprint(split.rest), .copySize = text.size(),
            .currentCmd = split.currentCmd};
}

// CurrentCmd is split off only in [Commands], matched as the profile functions
// match keys; and the repair planned for every way a write can be cut, against
// the record of a copy (tests/cases/engine.txt).
TEST(ResumeState, SplitAndRepairPlans)
{
    cases::CheckCalls("engine.txt", "resume",
        {{"split", [](const cases::Row& r) {
              const se::SplitCurrentCmd split = se::SplitOffCurrentCmd(r[1]);
              return split.currentCmd.value_or("<none>") + "|" + split.rest;
          }},
         {"repair", [](const cases::Row& r) {
              se::ResumeRecord record = RecordOf(r[2]);
              // A fourth field: the record was written ahead of the advance,
              // naming this next command while the copy still held its own.
              if (r.size() > 4) record.fromCmd = std::exchange(record.currentCmd, r[3].text);
              const se::RepairPlan plan = se::PlanRepair(r[1], record);
              const auto cmd = plan.action == se::Repair::None ? "" : " " + plan.currentCmd.value_or("<none>");
              return std::to_string(static_cast<int>(plan.action)) + cmd;
          }}});
}

TEST(ResumeState, RecordsReadBackAndDamagedOnesNever)
{
    se::ResumeRecord r = RecordOf(kCopy);
    for (const std::optional<std::string>& cmd : {std::optional<std::string>("12"), std::optional<std::string>(""),
                                                  std::optional<std::string>()}) {
        r.currentCmd = cmd;
        r.fromCmd = cmd ? std::optional<std::string>("11") : std::nullopt;
        const std::string text = se::FormatResumeRecord(r);
        const std::optional<se::ResumeRecord> back = se::ParseResumeRecord(text);
        ASSERT_TRUE(back) << text;
        EXPECT_EQ(se::FormatResumeRecord(*back), text);  // every field read back as written
        EXPECT_EQ(back->currentCmd, cmd);
        EXPECT_EQ(back->fromCmd, r.fromCmd);
        // Every cut and every changed byte makes the record invalid.
        for (std::size_t n = 0; n < text.size(); ++n) EXPECT_FALSE(se::ParseResumeRecord(text.substr(0, n))) << n;
        for (std::size_t i = 0; i + 2 < text.size(); ++i) {
            std::string bad = text;
            bad[i] ^= 0x01;
            EXPECT_FALSE(se::ParseResumeRecord(bad)) << i;
        }
    }
    se::ResumeRecord older = r, newer = r;
    newer.seq = r.seq + 1;
    EXPECT_EQ(se::NewerRecord(older, newer)->seq, newer.seq);
    EXPECT_EQ(se::NewerRecord(newer, older)->seq, newer.seq);
    EXPECT_EQ(se::NewerRecord(std::nullopt, older)->seq, older.seq);
    EXPECT_FALSE(se::NewerRecord(std::nullopt, std::nullopt));
}

}  // namespace
