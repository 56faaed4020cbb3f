// The NT back end: TSLMgmt.SYS, installed as the kernel-driver service
// TSLMgmt12, with control codes of its own for CMOS and memory access and an
// INT 15h register image for the firmware calls.
#include <windows.h>
#include <winsvc.h>

#include <array>
#include <cstdint>

#include "driver/backend.h"
#include "driver/core/blocks.h"
#include "driver/driver.h"
#include "engine/engine.h"

using namespace se::driver;

namespace {

constexpr char kService[] = "TSLMgmt12";
constexpr char kDevice[] = "\\\\.\\TSLMgmt12";

std::string SourcePath() { return EngineDirectory() + "\\TSLMGMT.SYS"; }

bool Exchange(DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize, DWORD& returned)
{
    return ExchangeWithDevice(g_tslMgmt.device.get(), code, input, inputSize, output, outputSize, returned);
}

const DriverFileTexts kFileTexts = {"LoadTSLMGMT", "LoadTSLmgmt", "LoadTSLMGMT - TSLMGMT.SYS load Successful",
                                   "DelTSLMGMT", "DelTSLMGMT - TSLMGMT.SYS delete was successful"};

int LoadTSLMGMT()
{
    std::string system;
    if (!SystemDirectory(system)) {
        LogWarning("LoadTSLMgmt - GetSystemDirectory() returned with " + LastErrorEquals());
        return 1;
    }
    g_tslMgmt.file.path = system + "\\Drivers\\TSLMgmt.Sys";
    g_tslMgmt.file.source = SourcePath();
    return InstallDriverFile(g_tslMgmt.file, kFileTexts);
}

void DelTSLMGMT() { RemoveDriverFile(g_tslMgmt.file, kFileTexts); }

// A service that already exists counts as installed; only one this run
// created is deleted again by CloseDriver.
bool InstallServiceNT()
{
    se::ServiceHandle service(CreateServiceA(g_tslMgmt.manager.get(), kService, kService, SERVICE_ALL_ACCESS,
                                             SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                             g_tslMgmt.file.path.c_str(), nullptr, nullptr, nullptr, nullptr,
                                             nullptr));
    if (service) {
        g_tslMgmt.createdService = true;
        return true;
    }
    if (GetLastError() == ERROR_SERVICE_EXISTS) return true;
    LogWarning("InstallServiceNT() - CreateService(\\\\.\\TSLMgmt12) returned with " + LastErrorEquals());
    return false;
}

// A service already running counts as started; only one this run started is
// stopped again by CloseDriver.
bool StartServiceNT()
{
    se::ServiceHandle service(OpenServiceA(g_tslMgmt.manager.get(), kService, SERVICE_ALL_ACCESS));
    if (!service) return false;
    if (!StartServiceA(service.get(), 0, nullptr)) {
        if (GetLastError() == ERROR_SERVICE_ALREADY_RUNNING) return true;
        LogWarning("StartServiceNT() - StartService() returned with " + LastErrorEquals());
        return false;
    }
    SERVICE_STATUS status = {};
    while (QueryServiceStatus(service.get(), &status) && status.dwCurrentState == SERVICE_START_PENDING) Sleep(1000);
    g_tslMgmt.startedService = true;
    return true;
}

bool OpenServiceNT()
{
    g_tslMgmt.device = se::FileHandle(CreateFileA(kDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (g_tslMgmt.device) return true;
    LogWarning("OpenServiceNT() - CreateFile(\\\\.\\TSLMgmt12) returned with " + LastErrorEquals());
    return false;
}

int OpenTSLMGMT()
{
    if (g_tslMgmt.device) return 0;
    std::string system;
    if (!SystemDirectory(system)) {
        LogWarning("OpenTSLMGMT - GetSystemDirectory) returned with " + LastErrorEquals());
        return 1;
    }
    g_tslMgmt.file.path = system + "\\Drivers\\TSLMgmt.Sys";
    g_tslMgmt.manager = se::ServiceHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    // Stops at the first step that fails; what the earlier steps did stays
    // until CloseDriver.
    if (!g_tslMgmt.manager || !InstallServiceNT() || !StartServiceNT() || !OpenServiceNT()) {
        LogWarning("OpenTSLMGMT - Failed for driver " + g_tslMgmt.file.path);
        return 1;
    }
    WriteLogText("OpenTSLMGMT - TSLMGMT.SYS Successful");
    return 0;
}

// Reverses only what this run did: a service that was there, or running,
// before the run is left as it was.
void CloseTSLMGMT()
{
    g_tslMgmt.device.reset();
    if (g_tslMgmt.startedService) {
        se::ServiceHandle service(OpenServiceA(g_tslMgmt.manager.get(), kService, SERVICE_ALL_ACCESS));
        SERVICE_STATUS status = {};
        if (service) ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        g_tslMgmt.startedService = false;
    }
    if (g_tslMgmt.createdService) {
        se::ServiceHandle service(OpenServiceA(g_tslMgmt.manager.get(), kService, SERVICE_ALL_ACCESS));
        if (service) DeleteService(service.get());
        g_tslMgmt.createdService = false;
    }
    g_tslMgmt.manager.reset();
}

int ReadCMOSNT(int index, unsigned char* value)
{
    const NtCmosRange range{static_cast<std::uint32_t>(index), 1};
    DWORD returned = 0;
    // The byte goes straight into the caller's; a failure leaves it as it was.
    if (!Exchange(kNtReadCmos, &range, sizeof range, value, 1, returned)) {
        LogFatal("ReadCMOSNT - DeviceIoControl returned with " + LastErrorEquals());
        return 1;
    }
    return 0;
}

void WriteCMOSNT(int index, unsigned char value)
{
    const NtCmosWrite write{static_cast<std::uint32_t>(index), value};
    DWORD returned = 0;
    if (Exchange(kNtWriteCmos, &write, sizeof write, nullptr, 0, returned))
        WriteLogText("WriteCMOSNT - DeviceIoControl Successful");
    else
        LogFatal("WriteCMOSNT - DeviceIoControl returned with " + LastErrorEquals());
}

void UpdateCMOSChecksumNT()
{
    const NtCmosRange request{kChecksumFirst, kChecksumCount};
    std::array<std::uint8_t, kChecksumCount> range{};
    DWORD returned = 0;
    if (!Exchange(kNtReadCmos, &request, sizeof request, range.data(), kChecksumCount, returned)) {
        LogFatal("VxD - FAILED to calculate checsum CMOS ");
        return;
    }
    WriteLogText("VxD - SUCCESSFULLY read CMOS checksum range\n");
    const std::uint16_t sum = CmosChecksum(range);
    WriteLogText("VxD - Checksum calculated = " + FourHexDigits(sum) + "\n");
    WriteCMOSNT(kChecksumHighIndex, HighByte(sum));
    WriteCMOSNT(kChecksumLowIndex, LowByte(sum));
}

int SetLangCodeInCMOSNT(unsigned char code)
{
    const NtRegisters request = LangCodeRequestNt(code);
    NtRegisters answer{};
    DWORD returned = 0;
    if (!Exchange(kNtInt15Call, &request, sizeof request, &answer, sizeof answer, returned))
        LogFatal("SetLangCodeInCMOSNT - DeviceIoControl returned with " + LastErrorEquals());
    return 0;
}

int ReadBIOSStringNT(char* text)
{
    // Sent and returned in the same block.
    NtRegistersWithData block = BiosStringRequestNt();
    DWORD returned = 0;
    if (!Exchange(kNtInt15Call, &block, sizeof block, &block, sizeof block, returned)) return kDriverUnreachable;
    if (!CarrySet(block.regs.flags)) ExtractCountedString(block.data, text);
    return HighByte(block.regs.eax);
}

int ReadBIOSSignatureNT(char* signature)
{
    const NtMemoryRange range{kSignatureAddress, kSignatureLength};
    std::uint8_t bytes[kSignatureLength] = {};
    DWORD returned = 0;
    if (Exchange(kNtReadMemory, &range, sizeof range, bytes, sizeof bytes, returned))
        CopySignatureNt(bytes, signature);
    return 0;
}

unsigned short QueryDriverWordNT()
{
    std::uint16_t value = 0;
    DWORD returned = 0;
    if (!Exchange(kNtQueryWord, nullptr, 0, &value, sizeof value, returned) || returned != sizeof value) return 0;
    return value;
}

}  // namespace

void FillDriverTableNT(DriverOperations& table)
{
    table.LoadDriver = LoadTSLMGMT;
    table.DeleteDriver = DelTSLMGMT;
    table.OpenDriver = OpenTSLMGMT;
    table.CloseDriver = CloseTSLMGMT;
    table.ReadCMOS = ReadCMOSNT;
    table.WriteCMOS = WriteCMOSNT;
    table.UpdateCMOSChecksum = UpdateCMOSChecksumNT;
    table.SetLangCodeInCMOS = SetLangCodeInCMOSNT;
    table.ReadBIOSString = ReadBIOSStringNT;
    table.ReadBIOSSignature = ReadBIOSSignatureNT;
    table.QueryDriverWord = QueryDriverWordNT;
}
