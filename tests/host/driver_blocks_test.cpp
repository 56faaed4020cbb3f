// The driver records as bytes on the wire, the checksum and the extraction of
// what the firmware hands back.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "driver/core/blocks.h"

namespace {

using namespace se::driver;

template <typename T>
std::vector<std::uint8_t> Bytes(const T& record)
{
    std::vector<std::uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

// Expected bytes: all zero but the ones named as {offset, value}.
std::vector<std::uint8_t> Expected(std::size_t size, std::initializer_list<std::pair<std::size_t, std::uint8_t>> set)
{
    std::vector<std::uint8_t> bytes(size, 0);
    for (const auto& [at, value] : set) bytes[at] = value;
    return bytes;
}

TEST(DriverBlocks, RequestsSetOnlyTheirFields)
{
    EXPECT_EQ(Bytes(CmosReadRequest9x(0x12F)), Expected(52, {{0, 0x23}, {1, 0xE8}, {8, 0x2F}, {9, 0x01}}));
    EXPECT_EQ(Bytes(CmosWriteRequest9x(0x2E, 0x7A)),
              Expected(52, {{0, 0x23}, {1, 0xE8}, {4, 0x7A}, {5, 1}, {8, 0x2E}}));
    EXPECT_EQ(Bytes(LangCodeRequest9x(0x31)), Expected(52, {{0, 0x05}, {1, 0xE8}, {4, 0x31}}));
    EXPECT_EQ(Bytes(BiosStringRequest9x(0x80A01234)),
              Expected(52, {{0, 0x19}, {1, 0xE8}, {36, 0x34}, {37, 0x12}, {38, 0xA0}, {39, 0x80}, {40, 17}}));
    EXPECT_EQ(Bytes(LangCodeRequestNt(0x31)), Expected(40, {{0, 0x00}, {1, 0xE8}, {4, 0x31}}));
    EXPECT_EQ(Bytes(BiosStringRequestNt()), Expected(58, {{0, 0x19}, {1, 0xE8}, {32, 18}, {36, 18}}));
    EXPECT_EQ(Bytes(NtCmosWrite{0x2F, 0xE2}), Expected(5, {{0, 0x2F}, {4, 0xE2}}));
    EXPECT_EQ(Bytes(NtMemoryRange{kSignatureAddress, 6}), Expected(8, {{0, 0xEA}, {1, 0xFF}, {2, 0x0F}, {4, 6}}));
}

TEST(DriverBlocks, ChecksumOfTheRange)
{
    struct Case {
        std::uint8_t fill;
        std::uint16_t sum;
        std::uint8_t high, low;
        const char* text;
    };
    const Case cases[] = {{0x01, 30, 0x00, 0x1E, "001e"}, {0xFF, 7650, 0x1D, 0xE2, "1de2"}, {0x00, 0, 0, 0, "0000"}};
    for (const Case& c : cases) {
        std::array<std::uint8_t, kChecksumCount> range;
        range.fill(c.fill);
        const std::uint16_t sum = CmosChecksum(range);
        EXPECT_EQ(sum, c.sum);
        EXPECT_EQ(HighByte(sum), c.high);
        EXPECT_EQ(LowByte(sum), c.low);
        EXPECT_EQ(FourHexDigits(sum), c.text);
    }
}

// Each out buffer is exactly the caller's size, on the heap, so the sanitiser
// catches a byte written past it.
TEST(DriverBlocks, CountedStringNeverLeavesTheArea)
{
    struct Case {
        std::size_t area;
        std::uint8_t length;
        const char* expected;
    };
    const Case cases[] = {
        {kBiosStringArea9x, 5, "ABCDE"},
        {kBiosStringArea9x, 0, ""},
        {kBiosStringArea9x, 16, "ABCDEFGHIJKLMNOP"},
        {kBiosStringArea9x, 200, "ABCDEFGHIJKLMNOP"},
        {kBiosStringAreaNt, 200, "ABCDEFGHIJKLMNOPQ"},
        {kBiosStringAreaNt, 17, "ABCDEFGHIJKLMNOPQ"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> area(c.area);
        area[0] = c.length;
        for (std::size_t i = 1; i < c.area; ++i) area[i] = static_cast<std::uint8_t>('A' + i - 1);
        auto out = std::make_unique<char[]>(c.area);
        EXPECT_EQ(ExtractCountedString(area, out.get()), std::strlen(c.expected));
        EXPECT_STREQ(out.get(), c.expected) << int(c.length);
    }
}

TEST(DriverBlocks, SignatureCopies)
{
    const std::uint8_t full[] = {'N', 'R', 'V', 'B', 'I', 'O', 'X'};
    const std::uint8_t shortOne[] = {'N', 'R', 0, 'B', 'I', 'O'};
    char out[7];
    std::memset(out, '#', sizeof out);
    CopySignature9x(full, out);
    EXPECT_EQ(std::string(out, 7), "NRVBIO#");  // nothing after the sixth
    CopySignature9x(shortOne, out);
    EXPECT_EQ(std::string(out, 7), std::string("NR\0\0\0\0#", 7));  // stops at zero, pads
    CopySignatureNt(shortOne, out);
    EXPECT_EQ(std::string(out, 7), std::string("NR\0BIO\0", 7));  // as read, then a zero
}

}  // namespace
