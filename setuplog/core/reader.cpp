#include "setuplog/core/reader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace se::logs {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

constexpr std::size_t kBlock = 1 << 20;

}  // namespace

bool LooksBinary(std::string_view head)
{
    head = head.substr(0, 4096);
    std::size_t control = 0;
    for (const char c : head) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0) return true;
        if (u < 32 && c != '\n' && c != '\r' && c != '\t' && c != '\f') ++control;
    }
    return control * 10 > head.size();
}

ReadResult ReadLogLines(const std::string& path, const LineSink& line, const ProgressSink& progress)
{
    ReadResult result;
    const std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
    if (!in) return result;
    result.opened = true;
    std::vector<char> block(kBlock);
    std::string carry;          // the beginning of a line that goes on in the next block
    std::size_t carryFull = 0;  // its whole length so far
    long long number = 0;
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), in.get())) > 0) {
        if (result.bytes == 0 && LooksBinary(std::string_view(block.data(), got))) {
            result.binary = true;
            return result;
        }
        result.bytes += static_cast<long long>(got);
        const char* p = block.data();
        const char* const end = p + got;
        while (p < end) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            const std::size_t length = static_cast<std::size_t>((nl ? nl : end) - p);
            if (carryFull == 0 && nl) {
                line(std::string_view(p, std::min(length, kLineCap)), ++number, length);
            } else {
                if (carry.size() < kLineCap) carry.append(p, std::min(length, kLineCap - carry.size()));
                carryFull += length;
                if (nl) {
                    line(carry, ++number, carryFull);
                    carry.clear();
                    carryFull = 0;
                }
            }
            if (!nl) break;
            p = nl + 1;
        }
        progress(result.bytes);
    }
    result.readError = std::ferror(in.get()) != 0;
    if (carryFull > 0) {
        result.endsInsideLine = true;
        line(carry, ++number, carryFull);
    }
    return result;
}

}  // namespace se::logs
