#include <gtest/gtest.h>

#include "engine/resumestate.h"

namespace {

const std::string kCopy =
    "[Data]\r\nLogging=1\r\n[Commands]\r\nCmd0=36\r\nCurrentCmd=12\r\n[State]\r\nCurrentSection=CommandsList\r\n";

se::ResumeRecord RecordOf(const std::string& text)
{
    se::ResumeRecord r;
    r.seq = 7;
    r.copySlot = 1;
    const se::SplitCurrentCmd split = se::SplitOffCurrentCmd(text);
    r.restFingerprint = se::Fingerprint(split.rest);
    r.copySize = text.size();
    r.currentCmd = split.currentCmd;
    return r;
}

TEST(ResumeState, CurrentCmdIsSplitOffOnlyInCommands)
{
    const se::SplitCurrentCmd a = se::SplitOffCurrentCmd(kCopy);
    EXPECT_EQ(a.currentCmd, "12");
    EXPECT_EQ(a.rest, "[Data]\r\nLogging=1\r\n[Commands]\r\nCmd0=36\r\n[State]\r\nCurrentSection=CommandsList\r\n");
    // Case and blanks as the profile functions match them; other sections keep theirs.
    const se::SplitCurrentCmd b = se::SplitOffCurrentCmd("[x]\nCurrentCmd=1\n[ COMMANDS ]\n currentcmd = 5 \n");
    EXPECT_EQ(b.currentCmd, "5");
    EXPECT_EQ(b.rest, "[x]\nCurrentCmd=1\n[ COMMANDS ]\n");
    EXPECT_FALSE(se::SplitOffCurrentCmd("[Commands]\nCmd0=1").currentCmd);
}

TEST(ResumeState, RecordsReadBackAndDamagedOnesNever)
{
    se::ResumeRecord r = RecordOf(kCopy);
    for (const std::optional<std::string>& cmd : {std::optional<std::string>("12"), std::optional<std::string>(""),
                                                  std::optional<std::string>()}) {
        r.currentCmd = cmd;
        const std::string text = se::FormatResumeRecord(r);
        const std::optional<se::ResumeRecord> back = se::ParseResumeRecord(text);
        ASSERT_TRUE(back) << text;
        EXPECT_EQ(back->seq, r.seq);
        EXPECT_EQ(back->copySlot, r.copySlot);
        EXPECT_EQ(back->restFingerprint, r.restFingerprint);
        EXPECT_EQ(back->copySize, r.copySize);
        EXPECT_EQ(back->currentCmd, cmd);
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

TEST(ResumeState, RepairPlanForEveryWayAWriteCanBeCut)
{
    const se::ResumeRecord record = RecordOf(kCopy);
    const std::string advanced =
        "[Data]\r\nLogging=1\r\n[Commands]\r\nCmd0=36\r\nCurrentCmd=13\r\n[State]\r\nCurrentSection=CommandsList\r\n";
    const std::string lastLine = "[Commands]\r\nCmd0=36\r\nCurrentCmd=123\r\n";
    se::ResumeRecord lastRecord = RecordOf(lastLine);
    struct Case {
        std::string text;
        const se::ResumeRecord* record;
        se::Repair action;
        std::optional<std::string> cmd;
    } cases[] = {
        {kCopy, &record, se::Repair::None, std::nullopt},
        {advanced, &record, se::Repair::None, std::nullopt},  // one advance ahead of its record
        {"", &record, se::Repair::RestoreCopy, "12"},         // truncated, not written yet
        {kCopy.substr(0, 40), &record, se::Repair::RestoreCopy, "12"},
        {kCopy + "Cmd1=36\r\n", &record, se::Repair::RestoreCopy, "12"},  // a command half done
        {lastLine.substr(0, lastLine.size() - 3), &lastRecord, se::Repair::SetCurrentCmd, "123"},  // "=12" cut
        {"[Commands]\r\nCmd0=36\r\n", &lastRecord, se::Repair::SetCurrentCmd, "123"},  // the line lost whole
    };
    for (const Case& c : cases) {
        const se::RepairPlan plan = se::PlanRepair(c.text, *c.record);
        EXPECT_EQ(plan.action, c.action) << c.text;
        if (c.action != se::Repair::None) EXPECT_EQ(plan.currentCmd, c.cmd) << c.text;
    }
}

}  // namespace
