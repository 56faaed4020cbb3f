// One key read and one key write through the profile functions on files of
// 10, 1,000 and 10,000 lines, against the floor of reading the file's bytes
// once. The key is in the last section, so every lookup walks the whole file.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "nrvini/nrvini.h"

namespace {

constexpr int kKeysPerSection = 9;  // plus the header: ten lines a section

std::string FileOfLines(int lines)
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/nrvini_bench_XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    const std::string path = dir + "/f" + std::to_string(lines) + ".ini";
    std::ofstream out(path, std::ios::binary);
    for (int section = 0; section * (kKeysPerSection + 1) < lines; ++section) {
        out << (section > 0 ? "\r\n" : "") << "[Section" << section << "]\r\n";
        for (int key = 0; key < kKeysPerSection; ++key) out << "Key" << key << "=Value " << section << '.' << key << "\r\n";
    }
    return path;
}

std::string LastSection(int lines)
{
    return "Section" + std::to_string(lines / (kKeysPerSection + 1) - 1);
}

void BM_FloorReadBytes(benchmark::State& state)
{
    const std::string path = FileOfLines(static_cast<int>(state.range(0)));
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        size_t total = 0;
        while (size_t n = std::fread(buffer.data(), 1, buffer.size(), f)) total += n;
        std::fclose(f);
        benchmark::DoNotOptimize(total);
    }
}

void BM_ReadKey(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::string path = FileOfLines(lines);
    const std::string section = LastSection(lines);
    char value[256];
    for (auto _ : state) {
        benchmark::DoNotOptimize(NrvGetPrivateProfileString(section.c_str(), "Key8", "", value, sizeof value, path.c_str()));
    }
    if (std::string(value).rfind("Value", 0) != 0) state.SkipWithError("key not found");
}

void BM_WriteKey(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::string path = FileOfLines(lines);
    const std::string section = LastSection(lines);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        if (NrvWritePrivateProfileString(section.c_str(), "Key8", flip ? "A" : "B", path.c_str()) != 1) {
            state.SkipWithError("write failed");
        }
    }
}

BENCHMARK(BM_FloorReadBytes)->Arg(10)->Arg(1000)->Arg(10000);
BENCHMARK(BM_ReadKey)->Arg(10)->Arg(1000)->Arg(10000);
BENCHMARK(BM_WriteKey)->Arg(10)->Arg(1000)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
