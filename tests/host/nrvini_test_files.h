#pragma once
// Scratch directory and whole-file helpers for the NRVINI tests.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace nrvini_test {

class ScratchDir {
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/nrvini_test_XXXXXX";
        dir_ = mkdtemp(pattern);
    }
    ~ScratchDir() { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) names.push_back(entry.path().filename());
        return names;
    }

private:
    std::string dir_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::optional<std::string> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A buffer of `size` bytes followed by guard bytes, all pre-filled with a
// sentinel, so that untouched and over-written bytes both show.
class Sentinel {
public:
    static constexpr char kFill = '\x7f';
    explicit Sentinel(unsigned size) : size_(size), bytes_(size + 16, kFill) {}
    char* data() { return bytes_.data(); }
    unsigned size() const { return size_; }
    // The bytes written: everything up to the last non-sentinel byte.
    std::string Written() const
    {
        std::size_t n = bytes_.size();
        while (n > 0 && bytes_[n - 1] == kFill) --n;
        return std::string(bytes_.data(), n);
    }

private:
    unsigned size_;
    std::string bytes_;
};

}  // namespace nrvini_test
