// The debug session's probe rules against a fake diskette device, and the
// conversions of the debug INI functions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_table.h"
#include "nrvini/debug_session.h"

namespace {

using namespace nrvini;

// The fake device: what it answers, the drives holding a disk (as " 1 3 "), AH
// for an empty one, and the drives it was asked about (as "1 3").
struct FakeDevice {
    DeviceAnswer answer = DeviceAnswer::Answered;
    std::string disksThere = " ";
    std::uint32_t errorAh = 6;
    std::string probed;
} g_fake;

// Every block sent must be the disk-change status request: AX 1600h, the drive
// number in DX, the carry set, all else zero.
DeviceAnswer FakeExchange(DiocRegisters& r)
{
    EXPECT_EQ((std::vector<std::uint32_t>{r.eax, r.ebx, r.ecx, r.edi, r.esi, r.flags}),
              (std::vector<std::uint32_t>{0x1600, 0, 0, 0, 0, kCarryFlag}));
    g_fake.probed += (g_fake.probed.empty() ? "" : " ") + std::to_string(r.edx);
    if (g_fake.answer != DeviceAnswer::Answered) return g_fake.answer;
    const bool there = g_fake.disksThere.find(" " + std::to_string(r.edx) + " ") != std::string::npos;
    r.eax = there ? 0 : g_fake.errorAh << 8;
    r.flags = there ? 0 : kCarryFlag;
    return DeviceAnswer::Answered;
}

void Reset(DeviceAnswer answer, const std::string& disks, std::uint32_t errorAh = 6)
{
    g_fake = {answer, " " + disks + " ", errorAh, ""};
    ResetDebugSessionForTesting();
    SetDiskDeviceForTesting(FakeExchange);
}

// Which drives the session's start probes, what it makes of the answers, and
// the path it builds.
TEST(NrviniProbe, SessionChoosesTheDrive)
{
    for (const cases::Row& c : cases::Rows("nrvini.txt", "session")) {
        SCOPED_TRACE(c[0].text + "|" + c[1].text + "|" + c[2].text);
        Reset(c[0].text == "O" ? DeviceAnswer::CannotOpen : c[0].text == "R" ? DeviceAnswer::RequestFailed : DeviceAnswer::Answered,
              c[1].text, c[2].number());
        const auto drive = [](const std::string& f) { return static_cast<std::uint8_t>(f == "0" ? 0 : f[0]); };
        const std::uint8_t letter = drive(c[5]);
        EXPECT_EQ(ChooseDebugDrive(drive(c[3]), c[4].number()), letter);
        EXPECT_EQ(g_fake.probed, c[6].text);
        EXPECT_EQ(DebugSessionState().iniPath, letter != 0 ? std::string(1, letter) + ":\\NRVDEBUG.INI" : "");
    }
    // A drive number is a drive too; later probes answer from the first.
    Reset(DeviceAnswer::Answered, "3");
    EXPECT_EQ(ProbeDiskette(3), 'D');
    EXPECT_EQ(ProbeDiskette('A'), 'D');
    EXPECT_EQ(g_fake.probed, "3");
    SetDiskDeviceForTesting(nullptr);
}

// Numbers keep their low 16 bits; a long default is cut; the text read stays
// inside the caller's size whatever the system's read gives (the export: the
// Wine test); a library that cannot be loaded is never a success.
TEST(NrviniDebugValues, NumbersDefaultsAndLoadFailures)
{
    cases::CheckCalls("nrvini.txt", "debugcalls",
        {{"number", [](const cases::Row& r) { return std::to_string(ParseDebugNumber(r[1].text)); }},
         {"defaultsize", [](const cases::Row& r) { return std::to_string(DebugDefault(r[1].c_str()).size()); }},
         {"copy", [](const cases::Row& r) { std::string out(12, '#'); CopyDebugText(r[1].c_str(), r[2].number(), out.data()); return out; }},
         {"loadfailure", [](const cases::Row& r) { return std::to_string(LoadFailureResult(std::stoul(r[1].text, nullptr, 0))); }}});
}

}  // namespace
