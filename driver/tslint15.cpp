// The 9x back end: TSLInt15.VxD, a dynamically loaded virtual device driver
// that takes INT 15h register images.
#include <windows.h>

#include <array>
#include <cstdint>

#include "driver/backend.h"
#include "driver/core/blocks.h"
#include "driver/driver.h"
#include "engine/engine.h"

using namespace se::driver;

namespace {

constexpr char kDevice[] = "\\\\.\\TSLINT15.VXD";

std::string SourcePath() { return EngineDirectory() + "\\TSLInt15.VxD"; }

// The flat address the VxD takes: on Windows 9x a pointer is 32 bits.
std::uint32_t FlatAddress(const void* p)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

// One INT 15h call; the output block is zeroed, so a call that returns
// nothing leaves it all zero.
bool CallInt15(const Win9xRegisters& request, Win9xRegisters& answer)
{
    answer = Win9xRegisters{};
    DWORD returned = 0;
    return ExchangeWithDevice(g_tslInt15.device.get(), kVxdInt15Call, &request, sizeof request, &answer,
                              sizeof answer, returned);
}

const DriverFileTexts kFileTexts = {"LoadTSLInt15", "LoadTSLInt15", "LoadTSLInt15 - TSLInt15.VxD load Successful",
                                   "DelTSLInt15", "DelTSLInt15 - TSLINT15.VXD delete was successful"};

int LoadTSLInt15()
{
    std::string system;
    if (!SystemDirectory(system)) {
        LogWarning("LoadTSLInt15 - GetSystemDirectory() returned with " + LastErrorEquals());
        return 1;
    }
    g_tslInt15.file.path = system + "\\TSLInt15.VxD";
    g_tslInt15.file.source = SourcePath();
    return InstallDriverFile(g_tslInt15.file, kFileTexts);
}

void DelTSLInt15() { RemoveDriverFile(g_tslInt15.file, kFileTexts); }

int OpenTSLInt15()
{
    if (g_tslInt15.device) return 0;
    // On Windows 9x, opening the name loads the dynamic device driver of that
    // name from the system directory, where LoadDriver put it.
    g_tslInt15.device = se::FileHandle(CreateFileA(kDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!g_tslInt15.device) {
        std::string text;
        const DWORD code = GetLastErrorText(text);
        LogWarning("Can't get a handle to TSLInt15.VxD driver  Error = " + std::to_string(code),
                   "OpenTSLInt15 - CreateFile(TSLInt15.VxD) returned with " + ErrorText(code, text));
        return -1;
    }
    WriteLogText("OpenTSLInt15() - TSLInt15.VxD driver loaded successfully");
    return 0;
}

void CloseTSLInt15()
{
    g_tslInt15.device.reset();
    WriteLogText("CloseTSLInt15() - TSLInt15.VxD driver has been closed.");
}

// Judged only from the returned block: the carry flag says the call failed.
int ReadCMOS95(int index, unsigned char* value)
{
    Win9xRegisters answer;
    CallInt15(CmosReadRequest9x(static_cast<std::uint16_t>(index)), answer);
    if (CarrySet(answer.flags)) {
        *value = 0;
        LogFatal("ReadCMOS95 - DeviceIoControl returned with " + LastErrorEquals());
        return 1;
    }
    *value = LowByte(answer.eax);
    return 0;
}

void WriteCMOS95(int index, unsigned char value)
{
    Win9xRegisters answer;
    CallInt15(CmosWriteRequest9x(static_cast<std::uint16_t>(index), value), answer);
    if (CarrySet(answer.flags)) LogFatal("WriteCMOS95 - DeviceIoControl returned with " + LastErrorEquals());
}

// A failed read writes nothing: a sum with a missing byte would put a wrong
// checksum into the firmware's CMOS. The reads have logged their failures.
void UpdateCMOSChecksum95()
{
    std::array<std::uint8_t, kChecksumCount> range{};
    bool allRead = true;
    for (std::uint32_t i = 0; i < kChecksumCount; ++i)
        if (ReadCMOS95(static_cast<int>(kChecksumFirst + i), &range[i]) != 0) allRead = false;
    if (!allRead) return;
    const std::uint16_t sum = CmosChecksum(range);
    WriteCMOS95(kChecksumHighIndex, HighByte(sum));
    WriteCMOS95(kChecksumLowIndex, LowByte(sum));
}

int SetLangCodeInCMOS95(unsigned char code)
{
    Win9xRegisters answer;
    if (!CallInt15(LangCodeRequest9x(code), answer))
        LogFatal("SetLangCodeInCMOS95 - DeviceIoControl returned with " + LastErrorEquals());
    return 0;
}

int ReadBIOSString95(char* text)
{
    // The firmware writes into this buffer through its flat address.
    std::uint8_t area[kBiosStringArea9x] = {};
    Win9xRegisters answer;
    if (!CallInt15(BiosStringRequest9x(FlatAddress(area)), answer)) return kDriverUnreachable;
    if (!CarrySet(answer.flags)) ExtractCountedString(area, text);
    return HighByte(answer.eax);
}

int ReadBIOSSignature95(char* signature)
{
    const std::uint16_t segment = kSignatureSegment;
    std::uint32_t flat = 0;
    DWORD returned = 0;
    if (ExchangeWithDevice(g_tslInt15.device.get(), kVxdMapSegment, &segment, sizeof segment, &flat, sizeof flat,
                           returned) &&
        flat != 0)
        CopySignature9x(reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(flat) + kSignatureOffset),
                        signature);
    return 0;
}

unsigned short QueryDriverWord95()
{
    std::uint16_t value = 0;
    DWORD returned = 0;
    if (!ExchangeWithDevice(g_tslInt15.device.get(), kVxdQueryWord, nullptr, 0, &value, sizeof value, returned))
        return 0;
    return value;
}

}  // namespace

void FillDriverTable9x(DriverOperations& table)
{
    table.LoadDriver = LoadTSLInt15;
    table.DeleteDriver = DelTSLInt15;
    table.OpenDriver = OpenTSLInt15;
    table.CloseDriver = CloseTSLInt15;
    table.ReadCMOS = ReadCMOS95;
    table.WriteCMOS = WriteCMOS95;
    table.UpdateCMOSChecksum = UpdateCMOSChecksum95;
    table.SetLangCodeInCMOS = SetLangCodeInCMOS95;
    table.ReadBIOSString = ReadBIOSString95;
    table.ReadBIOSSignature = ReadBIOSSignature95;
    table.QueryDriverWord = QueryDriverWord95;
}
