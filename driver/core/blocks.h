#pragma once
// The records exchanged with the CMOS-access drivers, byte for byte as the
// drivers define them, and the arithmetic on them. The shipped engine is a
// 32-bit program and the test programs may be 64-bit ones: every field has a
// fixed width and every record a checked size.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace se::driver {

// ---- control codes ----
// TSLInt15.VxD (Windows 9x)
inline constexpr std::uint32_t kVxdInt15Call = 1;     // 9x register block in and out
inline constexpr std::uint32_t kVxdMapSegment = 2;    // 16-bit segment in, 32-bit flat address out
inline constexpr std::uint32_t kVxdQueryWord = 4;     // 2 bytes out
// TSLMgmt12 device (Windows NT)
inline constexpr std::uint32_t kNtReadMemory = 0x80002000;  // MemoryRange in, that many bytes out
inline constexpr std::uint32_t kNtQueryWord = 0x80002008;   // 2 bytes out
inline constexpr std::uint32_t kNtReadCmos = 0x80002028;    // CmosRange in, that many bytes out
inline constexpr std::uint32_t kNtInt15Call = 0x80002058;   // NT register block, 40 or 58 bytes
inline constexpr std::uint32_t kNtWriteCmos = 0x8000205C;   // NtCmosWrite in, nothing out

// ---- firmware functions (AX) ----
inline constexpr std::uint16_t kFnCmosAccess = 0xE823;  // BH 0 read, 1 write; CX index
inline constexpr std::uint16_t kFnLangCode9x = 0xE805;
inline constexpr std::uint16_t kFnLangCodeNt = 0xE800;
inline constexpr std::uint16_t kFnBiosString = 0xE819;

inline constexpr std::uint32_t kCarryFlag = 1;

// ReadBIOSString's status when the control call itself failed: the firmware
// was not reached, so it is never reported as success.
inline constexpr int kDriverUnreachable = 0xFF;

#pragma pack(push, 1)
// INT 15h register image of TSLInt15.VxD.
struct Win9xRegisters {
    std::uint32_t eax;            // AL at offset 0, AH at 1
    std::uint32_t ebx;            // BL at 4, BH at 5
    std::uint32_t ecx;            // CX at 8 and 9
    std::uint8_t unused1[20];
    std::uint32_t flags;          // bit 0: carry, the call failed and AH holds its status
    std::uint32_t bufferAddress;  // flat address of the engine's data buffer (E819h)
    std::uint32_t bufferSize;     // its size (E819h: 17)
    std::uint8_t unused2[8];
};
// INT 15h register image of the TSLMgmt12 device.
struct NtRegisters {
    std::uint32_t eax;
    std::uint32_t ebx;
    std::uint8_t unused[20];
    std::uint32_t flags;
    std::uint32_t dataSize;       // E819h: 18
    std::uint32_t dataSizeAgain;  // E819h: 18
};
// The same with its data area: a length byte, then the characters.
struct NtRegistersWithData {
    NtRegisters regs;
    std::uint8_t data[18];
};
struct NtCmosRange {
    std::uint32_t firstIndex;
    std::uint32_t count;
};
struct NtCmosWrite {
    std::uint32_t index;
    std::uint8_t value;
};
struct NtMemoryRange {
    std::uint32_t physicalAddress;
    std::uint32_t length;
};
#pragma pack(pop)

static_assert(sizeof(Win9xRegisters) == 52);
static_assert(offsetof(Win9xRegisters, ecx) == 8 && offsetof(Win9xRegisters, flags) == 32 &&
              offsetof(Win9xRegisters, bufferAddress) == 36 && offsetof(Win9xRegisters, bufferSize) == 40);
static_assert(sizeof(NtRegisters) == 40);
static_assert(offsetof(NtRegisters, flags) == 28 && offsetof(NtRegisters, dataSize) == 32 &&
              offsetof(NtRegisters, dataSizeAgain) == 36);
static_assert(sizeof(NtRegistersWithData) == 58 && offsetof(NtRegistersWithData, data) == 40);
static_assert(sizeof(NtCmosRange) == 8 && sizeof(NtCmosWrite) == 5 && sizeof(NtMemoryRange) == 8);

// Data areas of the counted string: a length byte and at most 16 (9x) or 17
// (NT) characters. A caller's buffer holds the characters and a zero byte.
inline constexpr std::size_t kBiosStringArea9x = 17;
inline constexpr std::size_t kBiosStringAreaNt = 18;
inline constexpr std::size_t kBiosStringBuffer9x = kBiosStringArea9x;
inline constexpr std::size_t kBiosStringBufferNt = kBiosStringAreaNt;

// The signature: six bytes at F000:FFEA (physical 0xFFFEA).
inline constexpr std::uint16_t kSignatureSegment = 0xF000;
inline constexpr std::uint32_t kSignatureOffset = 0xFFEA;
inline constexpr std::uint32_t kSignatureAddress = 0x000FFFEA;
inline constexpr std::size_t kSignatureLength = 6;

// CMOS checksum: bytes 16 to 45 summed, the sum stored high byte at 46, low at 47.
inline constexpr std::uint32_t kChecksumFirst = 0x10;
inline constexpr std::uint32_t kChecksumCount = 30;
inline constexpr std::uint32_t kChecksumHighIndex = 0x2E;
inline constexpr std::uint32_t kChecksumLowIndex = 0x2F;

// ---- register access ----
inline std::uint8_t LowByte(std::uint32_t reg) { return static_cast<std::uint8_t>(reg & 0xFF); }
inline std::uint8_t HighByte(std::uint32_t reg) { return static_cast<std::uint8_t>((reg >> 8) & 0xFF); }
inline bool CarrySet(std::uint32_t flags) { return (flags & kCarryFlag) != 0; }

// ---- requests (zeroed records with only the named fields set) ----
Win9xRegisters CmosReadRequest9x(std::uint16_t index);
Win9xRegisters CmosWriteRequest9x(std::uint16_t index, std::uint8_t value);
Win9xRegisters LangCodeRequest9x(std::uint8_t code);
Win9xRegisters BiosStringRequest9x(std::uint32_t bufferAddress);
NtRegisters LangCodeRequestNt(std::uint8_t code);
NtRegistersWithData BiosStringRequestNt();

// ---- results ----
// Sum of the checksum range, each byte unsigned.
std::uint16_t CmosChecksum(std::span<const std::uint8_t> range);
// At least four lower-case hexadecimal digits ("%04x").
std::string FourHexDigits(std::uint16_t value);
// The counted string of a data area (length byte first) into out, which holds
// area.size() bytes: at most area.size() - 1 characters, whatever the length
// byte says, and a zero byte. Returns the number of characters copied.
std::size_t ExtractCountedString(std::span<const std::uint8_t> area, char* out);
// 9x: up to six characters, stopping at a zero byte and padding with zero
// bytes; nothing is added after the sixth.
void CopySignature9x(const std::uint8_t* firmware, char* out);
// NT: the six bytes as read, then a zero byte (out holds seven).
void CopySignatureNt(const std::uint8_t* read, char* out);

}  // namespace se::driver
