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

class ScratchDir {
public:
    ScratchDir()
    {
        static int count = 0;
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = (std::filesystem::temp_directory_path() / ("nrvini_test_" + std::to_string(stamp) + "_" + std::to_string(++count))).string();
        std::filesystem::create_directories(dir_);
    }
    ~ScratchDir() { std::error_code ignored; std::filesystem::remove_all(dir_, ignored); }
    std::string Path(const std::string& name) const { return (std::filesystem::path(dir_) / name).make_preferred().string(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::string dir_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

inline std::optional<std::string> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace nrvini_test
