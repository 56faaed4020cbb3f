// The driver records as bytes on the wire, the checksum and the extraction of
// what the firmware hands back; the tables are in tests/cases/driver.txt.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "case_table.h"
#include "driver/core/blocks.h"

namespace {

using namespace se::driver;
using cases::Row;

// A record as its size and its non-zero bytes, "offset:value" in hexadecimal.
template <typename T>
std::string Sparse(const T& record)
{
    std::uint8_t bytes[sizeof record];
    std::memcpy(bytes, &record, sizeof record);
    std::string text = std::to_string(sizeof record);
    char pair[16];
    for (std::size_t i = 0; i < sizeof record; ++i)
        if (bytes[i] != 0) text += (std::snprintf(pair, sizeof pair, " %zX:%02X", i, bytes[i]), pair);
    return text;
}

// A counted string area of the given size and length byte, the rest "ABC...";
// the out buffer is exactly the area's size, on the heap, so the sanitiser
// catches a byte written past it.
std::string Counted(const Row& r)
{
    std::vector<std::uint8_t> area(r[1].number());
    area[0] = static_cast<std::uint8_t>(r[2].number());
    for (std::size_t i = 1; i < area.size(); ++i) area[i] = static_cast<std::uint8_t>('A' + i - 1);
    auto out = std::make_unique<char[]>(area.size());
    const std::size_t length = ExtractCountedString(area, out.get());
    return std::to_string(length) + " " + out.get();
}

// Seven bytes of out, '#' where the copy leaves them.
std::string Signature(void (*copy)(const std::uint8_t*, char*), const std::string& firmware)
{
    char out[7];
    std::memset(out, '#', sizeof out);
    copy(reinterpret_cast<const std::uint8_t*>(firmware.data()), out);
    return std::string(out, 7);
}

TEST(DriverBlocks, RequestsChecksumsStringsAndSignatures)
{
    cases::CheckCalls("driver.txt", "blocks",
        {{"CmosReadRequest9x", [](const Row& r) { return Sparse(CmosReadRequest9x(r[1].number())); }},
         {"CmosWriteRequest9x", [](const Row& r) { return Sparse(CmosWriteRequest9x(r[1].number(), r[2].number())); }},
         {"LangCodeRequest9x", [](const Row& r) { return Sparse(LangCodeRequest9x(r[1].number())); }},
         {"BiosStringRequest9x", [](const Row& r) { return Sparse(BiosStringRequest9x(std::stoul(r[1].text, nullptr, 0))); }},
         {"LangCodeRequestNt", [](const Row& r) { return Sparse(LangCodeRequestNt(r[1].number())); }},
         {"BiosStringRequestNt", [](const Row&) { return Sparse(BiosStringRequestNt()); }},
         {"NtCmosWrite", [](const Row& r) { return Sparse(NtCmosWrite{std::uint32_t(r[1].number()), std::uint8_t(r[2].number())}); }},
         {"NtMemoryRange", [](const Row& r) { return Sparse(NtMemoryRange{kSignatureAddress, std::uint32_t(r[1].number())}); }},
         {"checksum", [](const Row& r) {
              std::array<std::uint8_t, kChecksumCount> range;
              range.fill(r[1].number());
              return FourHexDigits(CmosChecksum(range));
          }},
         {"counted", Counted},
         {"signature9x", [](const Row& r) { return Signature(CopySignature9x, r[1]); }},
         {"signatureNt", [](const Row& r) { return Signature(CopySignatureNt, r[1]); }}});
}

}  // namespace
