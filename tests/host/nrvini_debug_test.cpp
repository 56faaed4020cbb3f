// The debug session's probe rules against a fake diskette device, and the
// conversions of the debug INI functions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_table.h"
#include "nrvini/debug_session.h"

namespace {

using namespace nrvini;

// The fake device: what it answers, and every block it was sent.
struct FakeDevice {
    DeviceAnswer answer = DeviceAnswer::Answered;
    std::vector<std::uint32_t> disksThere;  // drive numbers that hold a disk
    std::uint32_t errorAh = 6;              // AH for an empty drive: disk changed or absent
    std::vector<DiocRegisters> sent;
};
FakeDevice g_fake;

DeviceAnswer FakeExchange(DiocRegisters& registers)
{
    g_fake.sent.push_back(registers);
    if (g_fake.answer != DeviceAnswer::Answered) return g_fake.answer;
    bool there = false;
    for (std::uint32_t number : g_fake.disksThere) there = there || number == registers.edx;
    registers.eax = there ? 0 : g_fake.errorAh << 8;
    registers.flags = there ? 0 : kCarryFlag;
    return DeviceAnswer::Answered;
}

class NrviniProbe : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_fake = FakeDevice{};
        ResetDebugSessionForTesting();
        SetDiskDeviceForTesting(FakeExchange);
    }
    void TearDown() override { SetDiskDeviceForTesting(nullptr); }

    std::vector<std::uint32_t> Probed() const
    {
        std::vector<std::uint32_t> numbers;
        for (const DiocRegisters& r : g_fake.sent) numbers.push_back(r.edx);
        return numbers;
    }
};

// Only an answered request with the carry set and a non-zero AH says "no disk".
TEST_F(NrviniProbe, DecisionRules)
{
    for (const cases::Row& c : cases::Rows("nrvini.txt", "probe")) {
        SetUp();
        g_fake.answer = c[0].text == "O"   ? DeviceAnswer::CannotOpen
                        : c[0].text == "R" ? DeviceAnswer::RequestFailed
                                           : DeviceAnswer::Answered;
        g_fake.errorAh = c[2].number();
        if (c[1].text == "1") g_fake.disksThere = {1};
        EXPECT_EQ(ProbeDiskette('B'), c[3].number());
        EXPECT_EQ(DebugSessionState().diskette, c[3].number() != 0 ? 1 : 0);
        ASSERT_EQ(g_fake.sent.size(), 1u);
        const DiocRegisters& r = g_fake.sent[0];
        EXPECT_EQ(r.ebx | r.ecx | r.edi | r.esi, 0u);
        EXPECT_EQ(r.edx, 1u);
        EXPECT_EQ(r.eax, 0x1600u);
        EXPECT_EQ(r.flags, kCarryFlag);
    }
}

TEST_F(NrviniProbe, LettersNumbersAndTheCache)
{
    g_fake.disksThere = {3};
    EXPECT_EQ(ProbeDiskette(3), 'D');  // a drive number
    EXPECT_EQ(ProbeDiskette('A'), 'D');  // answered from the cache
    EXPECT_EQ(Probed(), std::vector<std::uint32_t>{3});
    DebugSessionState().reprobe = 1;
    EXPECT_EQ(ProbeDiskette('A'), 0);
    EXPECT_EQ(ProbeDiskette('D'), 0);
    EXPECT_EQ(Probed(), (std::vector<std::uint32_t>{3, 0}));
}

// Which drives the session's start probes, and the path it builds.
TEST_F(NrviniProbe, SessionChoosesTheDrive)
{
    struct Case {
        std::vector<std::uint32_t> disks;
        std::uint8_t drive;
        int force;
        std::uint8_t letter;
        std::vector<std::uint32_t> probed;
    };
    const Case cases[] = {
        {{1}, 'D', 0, 'B', {1}},
        {{3}, 'D', 0, 0, {1}},     // without force the named drive answers from B:'s probe
        {{3}, 'D', 1, 'D', {1, 3}},
        {{}, 'D', 1, 0, {1, 3}},
        {{0}, 0, 1, 'A', {1, 0}},  // 0 stands for A:
        {{3}, 'd', 1, 0, {1}},     // not a letter from A to Z
    };
    for (const Case& c : cases) {
        SetUp();
        g_fake.disksThere = c.disks;
        EXPECT_EQ(ChooseDebugDrive(c.drive, c.force), c.letter);
        EXPECT_EQ(Probed(), c.probed);
        EXPECT_EQ(DebugSessionState().iniPath, c.letter != 0 ? std::string(1, c.letter) + ":\\NRVDEBUG.INI" : "");
    }
    // A later start without force probes nothing.
    SetUp();
    g_fake.disksThere = {1};
    ChooseDebugDrive('D', 0);
    g_fake.disksThere = {};
    EXPECT_EQ(ChooseDebugDrive('D', 0), 'B');
    EXPECT_EQ(Probed(), std::vector<std::uint32_t>{1});
}

TEST(NrviniDebugValues, NumbersKeepTheirLow16Bits)
{
    for (const cases::Row& c : cases::Rows("nrvini.txt", "debugnumber"))
        EXPECT_EQ(ParseDebugNumber(c[0].text.c_str()), c[1].number()) << c[0].text;
    EXPECT_EQ(FormatDebugNumber(65535), "65535");
    EXPECT_EQ(FormatDebugNumber(0), "0");
}

TEST(NrviniDebugValues, TextStaysInsideTheCallersSize)
{
    EXPECT_EQ(DebugReadLength(0), 1024u);
    EXPECT_EQ(DebugReadLength(8), 9u);
    EXPECT_EQ(DebugDefault(std::string(1500, 'd').c_str()).size(), 1023u);
    EXPECT_EQ(DebugDefault(nullptr), "");
    const std::string read(2000, 'x');
    std::string buffer(16, '\x7f');
    CopyDebugText(read.c_str(), DebugReadLength(8), buffer.data());
    EXPECT_EQ(buffer, std::string(8, 'x') + '\0' + std::string(7, '\x7f'));
    CopyDebugText("ab", DebugReadLength(8), buffer.data());
    EXPECT_EQ(buffer.substr(0, 3), std::string("ab\0", 3));
}

TEST(NrviniDebugValues, LoadFailuresAreNeverSuccess)
{
    EXPECT_EQ(LoadFailureResult(0), 0x80004005u);
    EXPECT_EQ(LoadFailureResult(126), 0x8007007Eu);
    EXPECT_EQ(LoadFailureResult(0x12345), 0x80072345u);
}

}  // namespace
