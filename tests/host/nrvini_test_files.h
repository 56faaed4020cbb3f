#pragma once
// Scratch directory and whole-file helpers for the NRVINI tests.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace nrvini_test {

namespace fs = std::filesystem;

// A fresh directory, removed with everything in it.
struct ScratchDir {
    ScratchDir() { fs::create_directories(dir); }
    ~ScratchDir() { std::error_code ignored; fs::remove_all(dir, ignored); }
    std::string Path(const std::string& name) const { return (dir / name).make_preferred().string(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        return names;
    }
    inline static int count = 0;
    const fs::path dir = fs::temp_directory_path() / ("nrvini_test_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "_" + std::to_string(++count));
};

inline void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

inline std::optional<std::string> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::optional(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
}

}  // namespace nrvini_test
