#include "nrvini/file_io.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>

namespace nrvini {
namespace {

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

FileReader::FileReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb"))
{
    if (file_ == nullptr) status_ = (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Unreadable;
}

FileReader::~FileReader()
{
    if (file_ != nullptr) std::fclose(file_);
}

std::size_t FileReader::Read(char* into, std::size_t size)
{
    if (file_ == nullptr) return 0;
    const std::size_t got = std::fread(into, 1, size, file_);
    if (std::ferror(file_)) status_ = ReadStatus::Unreadable;
    return got;
}

bool WriteFileAtomically(const std::string& target, std::string_view bytes)
{
    const std::string temporary = TemporaryNameBeside(target);
    if (WriteAll(temporary, bytes) && ReplaceFileWith(temporary, target)) return true;
    std::remove(temporary.c_str());
    return false;
}

}  // namespace nrvini
