// Random file bytes, then a random sequence of profile calls on that file.
// Checked beyond the sanitizers: readers stay inside the size they are given
// and report no more than it; a write that reports failure on a file holding
// lines leaves it byte for byte; a file after a successful write reads back and
// saves to the very same bytes.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "nrvini/ini_file.h"
#include "nrvini/nrvini.h"

namespace {

const std::string& ScratchDir()
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/fuzz_nrvini_XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir;
}

std::optional<std::string> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_nrvini: %s\n", what);
        std::abort();
    }
}

// A short name or none; the names repeat often enough to hit existing keys.
std::optional<std::string> MaybeName(FuzzedDataProvider& in)
{
    if (in.ConsumeIntegralInRange(0, 7) == 0) return std::nullopt;
    return in.ConsumeRandomLengthString(12);
}

const char* Ptr(const std::optional<std::string>& text)
{
    return text ? text->c_str() : nullptr;
}

// A double-NUL list of up to four lines.
std::string MakeList(FuzzedDataProvider& in)
{
    std::string list;
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) {
        std::string line = in.ConsumeRandomLengthString(40);
        line.erase(std::find(line.begin(), line.end(), '\0'), line.end());
        if (line.empty()) break;
        list += line;
        list += '\0';
    }
    list += '\0';
    return list;
}

int LinesOf(const std::string& path)
{
    nrvini::IniFile ini;
    return nrvini::LoadIniFile(ini, path);
}

void CheckReadsBackTheSame(const std::string& path)
{
    const auto bytes = ReadBytes(path);
    Require(bytes.has_value(), "written file is missing");
    nrvini::IniFile ini;
    // Deleting the last section leaves an empty file, which loads with 0 lines.
    Require(nrvini::LoadIniFile(ini, path) >= 0, "written file does not load");
    const std::string again = ScratchDir() + "/again.ini";
    Require(nrvini::SaveIniFile(ini, again) >= 0, "written file does not save");
    Require(ReadBytes(again) == bytes, "load and save of a written file changed its bytes");
}

void Read(FuzzedDataProvider& in, int op, const std::string& path)
{
    const auto size = in.ConsumeIntegralInRange<uint32_t>(0, 300);
    // Exactly size bytes on the heap: a write past them is an ASan report.
    std::unique_ptr<char[]> buffer(new char[size == 0 ? 1 : size]);
    const auto section = MaybeName(in);
    const auto key = MaybeName(in);
    const auto fallback = MaybeName(in);
    uint32_t result = 0;
    switch (op) {
    case 0: result = NrvGetPrivateProfileString(Ptr(section), Ptr(key), Ptr(fallback), buffer.get(), size, path.c_str()); break;
    case 1: NrvGetPrivateProfileInt(Ptr(section), Ptr(key), in.ConsumeIntegral<int32_t>(), path.c_str()); return;
    case 2: result = NrvGetPrivateProfileSection(Ptr(section), buffer.get(), size, path.c_str()); break;
    default: result = NrvGetPrivateProfileSectionNames(buffer.get(), size, path.c_str()); break;
    }
    Require(result <= size, "reader reported more than its buffer holds");
}

void Write(FuzzedDataProvider& in, int op, const std::string& path)
{
    const auto before = ReadBytes(path);
    const bool heldLines = LinesOf(path) > 0;
    if (in.ConsumeIntegralInRange(0, 15) == 0) nrvini::LinePool::LimitBlocksForTesting(in.ConsumeIntegralInRange(0, 3));
    const auto section = MaybeName(in);
    int result = 0;
    if (op == 4) {
        const auto key = MaybeName(in);
        const auto value = MaybeName(in);
        result = NrvWritePrivateProfileString(Ptr(section), Ptr(key), Ptr(value), path.c_str());
    } else {
        const std::string list = MakeList(in);
        result = NrvWritePrivateProfileSection(Ptr(section), in.ConsumeBool() ? list.c_str() : nullptr, path.c_str());
    }
    nrvini::LinePool::LimitBlocksForTesting(-1);
    if (heldLines && result == 0) Require(ReadBytes(path) == before, "failed write changed a file with lines");
    if (result == 1 && ReadBytes(path) != before) CheckReadsBackTheSame(path);
    if (!before && ReadBytes(path)) CheckReadsBackTheSame(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    static const char* const kNames[] = {"/f.ini", "/f.sys", "/f.bat"};
    const std::string path = ScratchDir() + kNames[in.ConsumeIntegralInRange(0, 2)];
    std::remove(path.c_str());
    if (in.ConsumeBool()) {
        const std::string bytes = in.ConsumeRandomLengthString(2048);
        std::ofstream(path, std::ios::binary) << bytes;
    }
    NrvIniSetLastSection("");
    for (int calls = in.ConsumeIntegralInRange(1, 12); calls > 0 && in.remaining_bytes() > 0; --calls) {
        const int op = in.ConsumeIntegralInRange(0, 6);
        if (op <= 3) {
            Read(in, op, path);
        } else if (op <= 5) {
            Write(in, op, path);
        } else {
            NrvIniSetLastSection(in.ConsumeRandomLengthString(300).c_str());
        }
    }
    return 0;
}
