#include "driver/core/blocks.h"

#include <algorithm>
#include <cstring>

namespace se::driver {

namespace {

std::uint32_t AxBx(std::uint8_t low, std::uint8_t high) { return low | (static_cast<std::uint32_t>(high) << 8); }

}  // namespace

Win9xRegisters CmosReadRequest9x(std::uint16_t index)
{
    Win9xRegisters r{};
    r.eax = kFnCmosAccess;
    r.ebx = AxBx(0, 0);
    r.ecx = index;
    return r;
}

Win9xRegisters CmosWriteRequest9x(std::uint16_t index, std::uint8_t value)
{
    Win9xRegisters r{};
    r.eax = kFnCmosAccess;
    r.ebx = AxBx(value, 1);
    r.ecx = index;
    return r;
}

Win9xRegisters LangCodeRequest9x(std::uint8_t code)
{
    Win9xRegisters r{};
    r.eax = kFnLangCode9x;
    r.ebx = AxBx(code, 0);
    return r;
}

Win9xRegisters BiosStringRequest9x(std::uint32_t bufferAddress)
{
    Win9xRegisters r{};
    r.eax = kFnBiosString;
    r.bufferAddress = bufferAddress;
    r.bufferSize = kBiosStringArea9x;
    return r;
}

NtRegisters LangCodeRequestNt(std::uint8_t code)
{
    NtRegisters r{};
    r.eax = kFnLangCodeNt;
    r.ebx = AxBx(code, 0);
    return r;
}

NtRegistersWithData BiosStringRequestNt()
{
    NtRegistersWithData r{};
    r.regs.eax = kFnBiosString;
    r.regs.dataSize = kBiosStringAreaNt;
    r.regs.dataSizeAgain = kBiosStringAreaNt;
    return r;
}

std::uint16_t CmosChecksum(std::span<const std::uint8_t> range)
{
    std::uint32_t sum = 0;
    for (std::uint8_t b : range) sum += b;
    return static_cast<std::uint16_t>(sum);
}

std::string FourHexDigits(std::uint16_t value)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(4, '0');
    for (int i = 3; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
    return text;
}

std::size_t ExtractCountedString(std::span<const std::uint8_t> area, char* out)
{
    if (area.empty()) return 0;
    // The firmware's length byte is not trusted beyond the area that holds
    // the characters: the caller's buffer is only as large as the area.
    const std::size_t n = std::min<std::size_t>(area[0], area.size() - 1);
    std::memcpy(out, area.data() + 1, n);
    out[n] = '\0';
    return n;
}

void CopySignature9x(const std::uint8_t* firmware, char* out)
{
    std::size_t i = 0;
    for (; i < kSignatureLength && firmware[i] != 0; ++i) out[i] = static_cast<char>(firmware[i]);
    for (; i < kSignatureLength; ++i) out[i] = '\0';
}

void CopySignatureNt(const std::uint8_t* read, char* out)
{
    std::memcpy(out, read, kSignatureLength);
    out[kSignatureLength] = '\0';
}

}  // namespace se::driver
