// The driver operations table under Wine. The 9x back end talks to a fake
// device that answers register blocks the way the firmware does; the NT back
// end talks to the stand-in TSLMGMT.SYS, a real kernel driver that Wine's
// driver host loads, under an NT personality (a child of this program).
#include <gtest/gtest.h>

#include <cstring>

#include "driver/backend.h"
#include "driver/core/blocks.h"
#include "driver/driver.h"
#include "engine/engine.h"
#include "harness.h"

namespace {

using namespace se::driver;

bool StartsWith(const std::string& text, const std::string& part) { return text.rfind(part, 0) == 0; }
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The table of one back end and the engine's log, written in-process to a file
// of the test's own; Take() gives the entries since the last call, time stamps
// masked. Buffers are filled with '#', so that bytes left alone show.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryA("C:\\se", nullptr);
        g_engine.loggingOn = true;
        g_engine.logFilePath = "C:\\se\\driver_test.log";
    }
    std::string Take()
    {
        const std::string text = test::MaskLog(test::ReadFileText(g_engine.logFilePath));
        DeleteFileA(g_engine.logFilePath.c_str());
        return text;
    }
    // What a back end delivers from firmware whose CMOS bytes 16 to 45 it
    // fills with 0xFF: the checksum's range and place (its arithmetic is a host
    // test), the language code at CMOS 0x40, the firmware text cut to the
    // caller's buffer (a guard follows it), the signature, the query word.
    void CheckExchanges(const std::string& text, const std::string& signature, unsigned short word)
    {
        for (int i = 16; i <= 45; ++i) table_.WriteCMOS(i, 0xFF);
        table_.UpdateCMOSChecksum();
        unsigned char high = 0, low = 0, code = 0;
        EXPECT_EQ(table_.ReadCMOS(46, &high), 0);
        EXPECT_EQ(table_.ReadCMOS(47, &low), 0);
        EXPECT_EQ(high << 8 | low, 0x1DE2);
        EXPECT_EQ(table_.SetLangCodeInCMOS(0x31), 0);
        EXPECT_EQ(table_.ReadCMOS(0x40, &code), 0);
        EXPECT_EQ(code, 0x31);
        std::string buffer(text.size() + 5, '#');
        EXPECT_EQ(table_.ReadBIOSString(buffer.data()), 0);
        EXPECT_EQ(buffer, text + '\0' + "####");
        std::string out(8, '#');
        EXPECT_EQ(table_.ReadBIOSSignature(out.data()), 0);
        EXPECT_EQ(out, signature);
        EXPECT_EQ(table_.QueryDriverWord(), word);
    }
    DriverOperations table_;
};

// ---- the fake TSLInt15.VxD ----
struct FakeVxd {
    std::uint8_t cmos[128] = {};
    int failingIndex = -1;         // a CMOS index the firmware refuses
    bool failCalls = false;        // the control call itself fails
    bool answerNothing = false;    // the call succeeds and leaves the output block as it was
};
FakeVxd g_vxd;

// 64 KB standing for F000:0000, below 4 GB where a 32-bit flat address can point.
std::uint8_t* const g_segment = [] {
    for (std::uintptr_t at = 0x10000000; at < 0x80000000; at += 0x01000000)
        if (void* p = VirtualAlloc(reinterpret_cast<void*>(at), 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))
            return static_cast<std::uint8_t*>(p);
    return static_cast<std::uint8_t*>(nullptr);
}();

// On the 64-bit test tree the engine's 32-bit buffer address is only the low
// half of a pointer: the buffer is on this thread's stack, as is this local.
std::uint8_t* FromFlatAddress(std::uint32_t flat)
{
    const std::uintptr_t here = reinterpret_cast<std::uintptr_t>(&flat);
    return reinterpret_cast<std::uint8_t*>((here & ~std::uintptr_t{0xFFFFFFFF}) | flat);
}

void AnswerInt15(const Win9xRegisters& in, Win9xRegisters& out)
{
    out = in;
    out.flags = 0;
    const std::uint16_t index = in.ecx & 0xFFFF;
    switch (in.eax & 0xFFFF) {
    case kFnCmosAccess:
        if (index >= 128 || index == g_vxd.failingIndex) {
            out.eax = (in.eax & 0xFFFF00FF) | 0x8000;
            out.flags = kCarryFlag;
        } else if (HighByte(in.ebx) == 0) {
            out.eax = (in.eax & 0xFFFFFF00) | g_vxd.cmos[index];
        } else {
            g_vxd.cmos[index] = LowByte(in.ebx);
        }
        break;
    case kFnLangCode9x: g_vxd.cmos[0x40] = LowByte(in.ebx); break;
    case kFnBiosString: {  // a length byte past the area, then "abc..."
        std::uint8_t* buffer = FromFlatAddress(in.bufferAddress);
        buffer[0] = 200;
        for (std::uint32_t i = 1; i < in.bufferSize; ++i) buffer[i] = static_cast<std::uint8_t>('a' + i - 1);
        out.eax &= 0xFFFF00FF;
        break;
    }
    }
}

bool FakeVxdExchange(HANDLE, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                     DWORD& returned)
{
    if (g_vxd.failCalls) return SetLastError(ERROR_GEN_FAILURE), false;
    if (g_vxd.answerNothing) return true;
    const auto flat = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(g_segment));
    const std::uint16_t word = 0x0314;
    if (code == kVxdInt15Call && inputSize == 52 && outputSize == 52)
        AnswerInt15(*static_cast<const Win9xRegisters*>(input), *static_cast<Win9xRegisters*>(output));
    else if (code == kVxdMapSegment && inputSize == 2 && outputSize == 4 && *static_cast<const std::uint16_t*>(input) == 0xF000)
        std::memcpy(output, &flat, 4);
    else if (code == kVxdQueryWord && outputSize == 2)
        std::memcpy(output, &word, 2);
    else
        return SetLastError(ERROR_INVALID_FUNCTION), false;
    returned = outputSize;
    return true;
}

// The exchanges, and what each failure leaves and logs.
TEST_F(DriverTest, Win9xExchangesAndTheirFailures)
{
    ASSERT_NE(g_segment, nullptr);
    FillDriverTable9x(table_);
    SetDeviceExchange(FakeVxdExchange);
    g_tslInt15.device = se::FileHandle(
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    Take();

    std::memcpy(g_segment + 0xFFEA, "TSLSIMXX", 8);
    CheckExchanges("abcdefghijklmnop", "TSLSIM##", 0x0314);  // nothing after the sixth
    EXPECT_EQ(Take(), "");

    // A failed read: its FATAL entry, a zero byte, and no checksum written.
    unsigned char byte = 0x55;
    g_vxd.failingIndex = 30;
    EXPECT_EQ(table_.ReadCMOS(30, &byte), 1);
    EXPECT_EQ(byte, 0);
    const std::string entry = Take();
    EXPECT_TRUE(StartsWith(entry, "FATAL-=-ReadCMOS95 - DeviceIoControl returned with Error=")) << entry;
    EXPECT_EQ(std::count(entry.begin(), entry.end(), '\n'), 2);
    g_vxd.cmos[46] = g_vxd.cmos[47] = 0x99;
    table_.UpdateCMOSChecksum();
    EXPECT_EQ(g_vxd.cmos[46] << 8 | g_vxd.cmos[47], 0x9999);
    EXPECT_TRUE(Contains(Take(), "FATAL-=-ReadCMOS95 - "));
    table_.WriteCMOS(30, 1);
    EXPECT_TRUE(Contains(Take(), "FATAL-=-WriteCMOS95 - DeviceIoControl returned with Error="));

    // Only the carry flag counts: a block that comes back all zero is a 0.
    g_vxd.answerNothing = true;
    byte = 0x55;
    EXPECT_EQ(table_.ReadCMOS(0x20, &byte), 0);
    EXPECT_EQ(byte, 0);

    // The driver unreachable: nothing delivered is never a success.
    g_vxd.failCalls = true;
    std::string buffer(kBiosStringBuffer9x, '#');
    EXPECT_EQ(table_.ReadBIOSString(buffer.data()), kDriverUnreachable);
    EXPECT_EQ(buffer, std::string(kBiosStringBuffer9x, '#'));
    EXPECT_EQ(table_.QueryDriverWord(), 0);
    EXPECT_EQ(table_.SetLangCodeInCMOS(0x31), 0);
    EXPECT_TRUE(Contains(Take(), "FATAL-=-SetLangCodeInCMOS95 - DeviceIoControl returned with Error=31, "));

    // Without the virtual device (the NT family, Wine) the open fails.
    SetDeviceExchange(nullptr);
    g_tslInt15.device.reset();
    EXPECT_EQ(table_.OpenDriver(), -1);
    const std::string failed = Take();
    EXPECT_TRUE(StartsWith(failed, "WARNING ERROR-=-Can't get a handle to TSLInt15.VxD driver  Error = 2\n"
                                   "WARNING ERROR-=-OpenTSLInt15 - CreateFile(TSLInt15.VxD) returned with Error=2, "))
        << failed;
    table_.CloseDriver();
    EXPECT_EQ(Take(), "[TIME]  CloseTSLInt15() - TSLInt15.VxD driver has been closed.\n");
}

// ---- the NT back end against the stand-in driver ----

bool RunningNt() { return IsWinNT4() || IsWin2000() || IsWinXP(); }

std::string InstalledSys() { return test::SystemDirectory() + "\\Drivers\\TSLMgmt.Sys"; }

// -1 when the service TSLMgmt12 does not exist, else its state; `remove`
// stops and deletes it.
int ServiceState(bool remove = false)
{
    static const se::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    SERVICE_STATUS status = {};
    const se::ServiceHandle service(OpenServiceA(manager.get(), "TSLMgmt12", SERVICE_ALL_ACCESS));
    if (service && remove) {
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        DeleteService(service.get());
        return -1;
    }
    return service && QueryServiceStatus(service.get(), &status) ? static_cast<int>(status.dwCurrentState) : -1;
}

class NtCycle : public DriverTest {
protected:
    void SetUp() override
    {
        if (!RunningNt()) GTEST_SKIP() << "runs in a child under an NT personality";
        DriverTest::SetUp();
        ServiceState(true);
        // Present on every NT system; missing from the syswow64 directory a
        // 32-bit program sees in a 64-bit Wine prefix.
        CreateDirectoryA((test::SystemDirectory() + "\\Drivers").c_str(), nullptr);
        SetFileAttributesA(InstalledSys().c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(InstalledSys().c_str());
        DeleteFileA(AsidePath(InstalledSys()).c_str());
        ChooseDriverBackEnd(table_);
        Take();
    }
    void TearDown() override
    {
        if (!RunningNt()) return;
        table_.CloseDriver();
        ServiceState(true);
        DeleteFileA(InstalledSys().c_str());
    }
};

// Installing and removing the file, and leaving another installer's file,
// are scenarios (driver_nt_personality); here the service and the exchanges.
TEST_F(NtCycle, InstallOpenExchangeClose)
{
    ASSERT_EQ(table_.LoadDriver(), 0);
    ASSERT_EQ(table_.OpenDriver(), 0) << Take();
    EXPECT_EQ(ServiceState(), SERVICE_RUNNING);
    EXPECT_EQ(table_.OpenDriver(), 0);
    EXPECT_EQ(Take(), "[TIME]  LoadTSLMGMT - TSLMGMT.SYS load Successful\n"
                      "[TIME]  OpenTSLMGMT - TSLMGMT.SYS Successful\n");

    // The stand-in's length byte lies past the area. Only the checksum's own
    // entries follow the writes of the range.
    CheckExchanges("STAND-IN FIRMWARE", std::string("TSLSIM\0#", 8), 0x0102);
    const std::string log = Take();
    EXPECT_TRUE(log.ends_with("[TIME]  WriteCMOSNT - DeviceIoControl Successful\n"
                              "[TIME]  VxD - SUCCESSFULLY read CMOS checksum range\n\n"
                              "[TIME]  VxD - Checksum calculated = 1de2\n\n"
                              "[TIME]  WriteCMOSNT - DeviceIoControl Successful\n"
                              "[TIME]  WriteCMOSNT - DeviceIoControl Successful\n"))
        << log;

    // An index the device refuses: the caller's byte stays as it was.
    unsigned char byte = 0x77;
    EXPECT_EQ(table_.ReadCMOS(200, &byte), 1);
    EXPECT_EQ(byte, 0x77);
    EXPECT_TRUE(StartsWith(Take(), "FATAL-=-ReadCMOSNT - DeviceIoControl returned with Error="));

    // A later run finds the service there and running: it uses it and leaves
    // it as it was.
    TslMgmtState first = std::move(g_tslMgmt);
    first.device.reset();
    g_tslMgmt = TslMgmtState{};
    EXPECT_EQ(table_.OpenDriver(), 0);
    EXPECT_EQ(table_.QueryDriverWord(), 0x0102);
    table_.CloseDriver();
    EXPECT_EQ(ServiceState(), SERVICE_RUNNING);
    EXPECT_EQ(Take(), "[TIME]  OpenTSLMGMT - TSLMGMT.SYS Successful\n");

    g_tslMgmt = std::move(first);
    table_.CloseDriver();
    EXPECT_EQ(Take(), "");
    EXPECT_EQ(ServiceState(), -1) << "created and started by this run: stopped and deleted";
}

// The cycle runs in a child of this program under the winxp personality.
TEST(NtBackEnd, WholeCycleUnderWinXP)
{
    if (RunningNt()) GTEST_SKIP();
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    test::SetPersonality("se_driver_tests.exe", "winxp");
    const test::RunResult r = test::WaitForProcess(test::StartProcess(self, "--gtest_filter=NtCycle.*"), 120000);
    test::SetPersonality("se_driver_tests.exe", "");
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
}

}  // namespace
