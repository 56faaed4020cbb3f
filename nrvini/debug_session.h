#pragma once
// The debug session's process-wide state, the diskette probe's rules and the
// number conversions of the debug INI functions. The probe's exchange with the
// device is the one platform call, behind ExchangeWithDiskDevice.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nrvini {

// The register block the Windows 9x virtual device VWIN32 takes and returns
// for its BIOS disk service: seven 32-bit registers in this order.
struct DiocRegisters {
    std::uint32_t ebx;
    std::uint32_t edx;
    std::uint32_t ecx;
    std::uint32_t eax;
    std::uint32_t edi;
    std::uint32_t esi;
    std::uint32_t flags;
};
static_assert(sizeof(DiocRegisters) == 28, "the device defines a 28-byte block");

inline constexpr std::uint32_t kCarryFlag = 1;

enum class DeviceAnswer { CannotOpen, RequestFailed, Answered };

// Opens the device, sends the block as input and output, closes the device.
// Chosen at build time: the VWIN32 device in the DLL, none on POSIX hosts.
DeviceAnswer ExchangeWithDiskDevice(DiocRegisters& registers);

// Puts a stand-in device in place of the real one (null: the real one again).
using DiskDeviceExchange = DeviceAnswer (*)(DiocRegisters& registers);
void SetDiskDeviceForTesting(DiskDeviceExchange exchange);

struct DebugState {
    std::string iniPath;        // "B:\NRVDEBUG.INI" once a drive is chosen
    int session = 0;            // DebugMode
    int reprobe = 1;            // the next probe asks the device
    int diskette = 1;           // outcome of the last probe
    std::uint8_t cachedLetter = 0;
};
DebugState& DebugSessionState();
void ResetDebugSessionForTesting();

// DebugDisketteAvailable: the drive letter if a disk is there, else 0. While
// the re-probe flag is clear the last answer is given, whatever the drive.
std::uint8_t ProbeDiskette(std::uint8_t drive);

// InitDebugSession up to the debug INI path: probes B:, then (force set, or
// from the cache) the named drive, 0 standing for A:. Returns the letter whose
// root holds the path, or 0 when no drive qualifies; the path is built.
std::uint8_t ChooseDebugDrive(std::uint8_t drive, int force);

// Decimal text as the C runtime's atoi reads it (leading blanks, an optional
// sign, digits up to the first other character), wrapped to its low 16 bits.
std::uint16_t ParseDebugNumber(std::string_view text);
std::string FormatDebugNumber(std::uint16_t value);

// GetDebugINIString reads size characters and a NUL, or 1024 bytes for size 0.
inline constexpr std::size_t kDebugTextBytes = 1024;
std::size_t DebugReadLength(std::uint16_t size);
// The caller's default as the profile read gets it: at most 1023 characters.
std::string DebugDefault(const char* text);
// Copies the text read (up to its NUL, never more than length - 1 characters)
// and a NUL into the caller's buffer.
void CopyDebugText(const char* read, std::size_t length, char* buffer);

// RegisterServer's result for a library that does not load: the COM form of
// the system error, and E_FAIL when the system gives no error code.
inline constexpr std::uint32_t kEFail = 0x80004005u;
std::uint32_t LoadFailureResult(std::uint32_t lastError);

}  // namespace nrvini
