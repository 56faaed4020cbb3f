#include "nrvini/file_io.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace nrvini {

std::string TemporaryNameBeside(const std::string& target)
{
    const std::size_t cut = target.find_last_of("/\\:");
    const std::size_t nameAt = cut == std::string::npos ? 0 : cut + 1;
    // FNV-1a of the upper-cased name: the same file under any spelling of
    // its name gets the same temporary file.
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = nameAt; i < target.size(); ++i) {
        const char c = target[i];
        hash = (hash ^ static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c)) * 16777619u;
    }
    std::string name = target.substr(0, nameAt) + "~nrv";
    constexpr char kHex[] = "0123456789abcdef";
    for (int shift = 28; shift >= 0; shift -= 4) name += kHex[(hash >> shift) & 0xF];
    return name + ".tmp";
}

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

}  // namespace nrvini
