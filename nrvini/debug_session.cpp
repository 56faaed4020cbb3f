#include "nrvini/debug_session.h"

#include <cstring>

#include "nrvini/ini_text.h"

namespace nrvini {
namespace {

DebugState g_state;
DiskDeviceExchange g_deviceForTesting = nullptr;

DeviceAnswer Exchange(DiocRegisters& registers)
{
    return g_deviceForTesting != nullptr ? g_deviceForTesting(registers) : ExchangeWithDiskDevice(registers);
}

// The C runtime of old Windows has no strnlen.
std::size_t BoundedLength(const char* text, std::size_t limit)
{
    std::size_t n = 0;
    while (n < limit && text[n] != '\0') ++n;
    return n;
}

bool IsDriveLetter(std::uint8_t value)
{
    return value >= 'A' && value <= 'Z';
}

// The disk-change status (interrupt 13h, function 16h) of one drive. A device
// that cannot be opened, as on the NT family, or a request that fails, says
// nothing against the disk: it counts as there.
bool DiskIsThere(std::uint32_t driveNumber)
{
    DiocRegisters registers{0, driveNumber, 0, 0x1600, 0, 0, kCarryFlag};
    if (Exchange(registers) != DeviceAnswer::Answered || (registers.flags & kCarryFlag) == 0) return true;
    return ((registers.eax >> 8) & 0xFF) == 0;
}

}  // namespace

void SetDiskDeviceForTesting(DiskDeviceExchange exchange)
{
    g_deviceForTesting = exchange;
}

DebugState& DebugSessionState()
{
    return g_state;
}

void ResetDebugSessionForTesting()
{
    g_state = DebugState{};
}

std::uint8_t ProbeDiskette(std::uint8_t drive)
{
    if (g_state.reprobe == 0) return g_state.cachedLetter;
    const bool letter = IsDriveLetter(drive);
    const std::uint32_t number = letter ? drive - 'A' : drive;
    g_state.cachedLetter = letter ? drive : static_cast<std::uint8_t>(drive + 'A');
    g_state.reprobe = 0;
    const bool there = DiskIsThere(number);
    g_state.diskette = there ? 1 : 0;
    if (!there) g_state.cachedLetter = 0;
    return g_state.cachedLetter;
}

std::uint8_t ChooseDebugDrive(std::uint8_t drive, int force)
{
    g_state.iniPath.clear();
    if (force != 0) g_state.reprobe = 1;
    std::uint8_t letter = 'B';
    if (ProbeDiskette('B') == 0) {
        if (!IsDriveLetter(drive) && drive != 0) return 0;
        if (force != 0) g_state.reprobe = 1;
        // Without force this answers from the cache of B:'s probe.
        letter = ProbeDiskette(drive == 0 ? 'A' : drive);
        if (letter == 0) return 0;
    }
    g_state.iniPath = "_:\\NRVDEBUG.INI";
    g_state.iniPath[0] = static_cast<char>(letter);
    return letter;
}

std::uint16_t ParseDebugNumber(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    std::uint32_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) value = value * 10 + (text[at] - '0');
    if (negative) value = 0u - value;
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

std::string FormatDebugNumber(std::uint16_t value)
{
    return std::to_string(value);
}

std::size_t DebugReadLength(std::uint16_t size)
{
    return size == 0 ? kDebugTextBytes : std::size_t{size} + 1;
}

std::string DebugDefault(const char* text)
{
    if (text == nullptr) return {};
    return std::string(text, BoundedLength(text, kDebugTextBytes - 1));
}

void CopyDebugText(const char* read, std::size_t length, char* buffer)
{
    const std::size_t n = BoundedLength(read, length - 1);
    std::memcpy(buffer, read, n);
    buffer[n] = '\0';
}

std::uint32_t LoadFailureResult(std::uint32_t lastError)
{
    return lastError == 0 ? kEFail : 0x80070000u | (lastError & 0xFFFF);
}

}  // namespace nrvini
