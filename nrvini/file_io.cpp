#include "nrvini/file_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace nrvini {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Size of an open file as far as seeking tells, 0 when it cannot tell. Some
// objects (directories on Linux) report absurd sizes, so the hint is capped;
// the read loop grows the buffer past it when a file really is that large.
std::size_t SizeHint(std::FILE* f)
{
    constexpr long kLargestHint = 16L << 20;
    if (std::fseek(f, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(f);
    std::rewind(f);
    return size > 0 ? static_cast<std::size_t>(std::min(size, kLargestHint)) : 0;
}

bool Grow(FileBytes& bytes, std::size_t& capacity)
{
    const std::size_t bigger = capacity * 2 + 4096;
    std::unique_ptr<char[]> data(new (std::nothrow) char[bigger]);
    if (!data) return false;
    if (bytes.size > 0) std::memcpy(data.get(), bytes.data.get(), bytes.size);
    bytes.data = std::move(data);
    capacity = bigger;
    return true;
}

// A name in the target's directory that no other save is likely to use at the
// same moment: a per-process salt mixed with a counter.
std::string TemporaryNameBeside(const std::string& target)
{
    static const std::uint32_t salt = [] {
        int local = 0;
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        return static_cast<std::uint32_t>(ticks ^ (ticks >> 32) ^ reinterpret_cast<std::uintptr_t>(&local));
    }();
    static std::uint32_t counter = 0;
    std::uint32_t mixed = (salt ^ (++counter * 0x9E3779B9u)) * 0x85EBCA6Bu;
    mixed ^= mixed >> 13;

    const std::size_t cut = target.find_last_of("/\\:");
    std::string name = target.substr(0, cut == std::string::npos ? 0 : cut + 1);
    name += "~nrv";
    constexpr char kHex[] = "0123456789abcdef";
    for (int shift = 28; shift >= 0; shift -= 4) name += kHex[(mixed >> shift) & 0xF];
    name += ".tmp";
    return name;
}

bool WriteAll(const std::string& path, std::string_view bytes)
{
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (raw == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size();
    // fclose flushes; its failure is a failed write too.
    const bool closed = std::fclose(raw) == 0;
    return written && closed;
}

}  // namespace

FileBytes ReadFileBytes(const std::string& path)
{
    FileBytes bytes;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        bytes.status = (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Unreadable;
        return bytes;
    }
    // One byte more than the expected size, so that reaching the end is seen
    // without a second pass when the size was right.
    std::size_t capacity = SizeHint(file.get()) + 1;
    bytes.data.reset(new (std::nothrow) char[capacity]);
    if (!bytes.data) return {ReadStatus::OutOfMemory, nullptr, 0};
    for (;;) {
        bytes.size += std::fread(bytes.data.get() + bytes.size, 1, capacity - bytes.size, file.get());
        if (std::ferror(file.get())) return {ReadStatus::Unreadable, nullptr, 0};
        if (bytes.size < capacity) break;
        if (!Grow(bytes, capacity)) return {ReadStatus::OutOfMemory, nullptr, 0};
    }
    return bytes;
}

bool WriteFileAtomically(const std::string& target, std::string_view bytes)
{
    const std::string temporary = TemporaryNameBeside(target);
    if (WriteAll(temporary, bytes) && ReplaceFileWith(temporary, target)) return true;
    std::remove(temporary.c_str());
    return false;
}

}  // namespace nrvini
