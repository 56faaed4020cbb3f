// Random file bytes, then a random sequence of profile calls on that file.
// Checked beyond the sanitizers: readers stay inside the size they are given;
// a read of one key gives the same result and buffer whether it scans the
// file's bytes, in chunks of any size, or goes through a whole IniFile; a
// write that reports failure on a file holding data leaves it byte for byte;
// after a successful write the lines around the one run it changed are still
// there, unchanged and in order, and the file loads and saves to the very
// same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "nrvini/ini_file.h"
#include "nrvini/nrvini.h"
#include "nrvini/profile_values.h"
#include "../host/nrvini_test_files.h"

namespace {

using nrvini_test::ReadBytes;

const nrvini_test::ScratchDir& Scratch() { static const nrvini_test::ScratchDir dir; return dir; }

void Require(bool condition, const char* what)
{
    if (!condition) (std::fprintf(stderr, "fuzz_nrvini: %s\n", what), std::abort());
}

// Names that the made-up files below use, so that lookups find something.
constexpr const char* kWords[] = {"A", "b", "Sec", "", "k", "PATH", "X y"};

// A short name or none; the names repeat often enough to hit existing keys.
std::optional<std::string> MaybeName(FuzzedDataProvider& in)
{
    const int pick = in.ConsumeIntegralInRange(0, 15);
    if (pick == 0) return std::nullopt;
    if (pick < 8) return std::string(kWords[pick % std::size(kWords)]);
    return in.ConsumeRandomLengthString(12);
}

// A file of many lines built from the names above: headers, labels, markers,
// comments and keys with every kind of line end, blanks, NULs and long lines,
// so that lookups walk past many sections before they find one.
std::string MadeUpFile(FuzzedDataProvider& in)
{
    static constexpr const char* kShapes[] = {"[%]", " [%] ; x", ":%", "[]", "; [%]", "REM %=1", "%=v", " % = 'q' ",
                                              "SET %=C:\\DOS", "%", "=%", "[%", "%=\"%\""};
    static constexpr const char* kEnds[] = {"\r\n", "\n", "\r", "\r\r\n", "\n\n", " \t\r\n"};
    std::string file;
    for (int n = in.ConsumeIntegralInRange(0, 400); n > 0 && in.remaining_bytes() > 0; --n) {
        const std::string shape = kShapes[in.ConsumeIntegralInRange<size_t>(0, std::size(kShapes) - 1)];
        const std::string word = kWords[in.ConsumeIntegralInRange<size_t>(0, std::size(kWords) - 1)];
        for (const char c : shape) (c == '%' ? file += word : file += c);
        const int extra = in.ConsumeIntegralInRange(0, 15);
        if (extra == 0) file += '\0';
        if (extra == 1) file.append(in.ConsumeIntegralInRange<size_t>(1, 1200), in.ConsumeBool() ? ' ' : 'z');
        if (extra == 2) file += '\x1a';
        file += kEnds[in.ConsumeIntegralInRange<size_t>(0, std::size(kEnds) - 1)];
    }
    return file;
}

const char* Ptr(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

// A file's lines as a load holds them, and whether it holds anything that a
// write could lose: a line, or one that the load cannot hold exactly.
bool LoadLines(const std::string& path, std::vector<std::string>& lines)
{
    nrvini::IniFile ini;
    const bool data = nrvini::LoadIniFile(ini, path) > 0 || !ini.holdsEveryLine;
    for (const nrvini::IniLine* line = ini.first; line != nullptr; line = line->next) lines.emplace_back(line->view());
    return data;
}

// After a write that changed the file: it loads and saves to the very same
// bytes. After a successful one, with the old lines given, one run of them
// changed and the lines before and after it are kept in order: a key write
// took out at most one line and put in at most two (a header and the key
// line); any other write took out at most one section header. Which lines
// belong where is for the write table to say.
void CheckWritten(const std::string& path, const std::vector<std::string>* old, bool keyWrite)
{
    const auto bytes = ReadBytes(path);
    std::vector<std::string> now;
    // Deleting the last section leaves an empty file, which loads with 0 lines.
    nrvini::IniFile ini;
    Require(bytes && nrvini::LoadIniFile(ini, path) >= 0, "written file does not load");
    const std::string again = Scratch().Path("again.ini");
    Require(nrvini::SaveIniFile(ini, again) >= 0 && ReadBytes(again) == bytes, "load and save of a written file changed its bytes");
    if (old == nullptr) return;
    LoadLines(path, now);
    std::size_t head = 0, tail = 0;
    while (head < old->size() && head < now.size() && (*old)[head] == now[head]) ++head;
    while (tail < old->size() - head && tail < now.size() - head && (*old)[old->size() - 1 - tail] == now[now.size() - 1 - tail]) ++tail;
    const auto headers = std::count_if(old->begin() + head, old->end() - tail,
                                       [&](const std::string& line) { return nrvini::OpensSection(ini, line); });
    Require(keyWrite ? old->size() - head - tail <= 1 && now.size() - head - tail <= 2 : headers <= 1,
            "a write changed lines outside its key or section");
}

void Read(FuzzedDataProvider& in, int op, const std::string& path)
{
    const auto size = in.ConsumeIntegralInRange<uint32_t>(0, 300);
    // Exactly size bytes on the heap: a write past them is an ASan report.
    std::unique_ptr<char[]> buffer(new char[size == 0 ? 1 : size]);
    const auto section = MaybeName(in);
    const auto key = MaybeName(in);
    const auto fallback = MaybeName(in);
    const int32_t intFallback = op == 1 ? in.ConsumeIntegral<int32_t>() : 0;
    const uint32_t result =
        op == 0   ? NrvGetPrivateProfileString(Ptr(section), Ptr(key), Ptr(fallback), buffer.get(), size, path.c_str())
        : op == 1 ? NrvGetPrivateProfileInt(Ptr(section), Ptr(key), intFallback, path.c_str())
        : op == 2 ? NrvGetPrivateProfileSection(Ptr(section), buffer.get(), size, path.c_str())
                  : NrvGetPrivateProfileSectionNames(buffer.get(), size, path.c_str());
    if (op != 1) Require(result <= size, "reader reported more than its buffer holds");
    if (op > 1 || !section || !key) return;
    // The scan of one key against the IniFile it stands in for, the scan
    // reading in chunks of a random size so that line ends, CR LF pairs and
    // long lines fall across chunk borders. Both buffers start alike, so bytes
    // the readers leave alone must stay alike; the default is as the export
    // sees it, up to its first NUL.
    const auto chunk = in.ConsumeIntegralInRange<size_t>(nrvini::kMaxLineLength, 3000);
    std::string model(size, '\xA5'), scan = model;
    const std::string_view text = fallback ? std::string_view(fallback->c_str()) : std::string_view("");
    for (const nrvini::KeyPath by : {nrvini::KeyPath::Model, nrvini::KeyPath::Scan}) {
        nrvini::SetReadChunkForTesting(by == nrvini::KeyPath::Scan ? chunk : 0);
        char* const out = (by == nrvini::KeyPath::Scan ? scan : model).data();
        Require((op == 1 ? nrvini::ReadKeyInt(by, section->c_str(), key->c_str(), intFallback, path.c_str())
                         : nrvini::ReadKeyString(by, section->c_str(), key->c_str(), text, out, size, path.c_str())) == result,
                "a read differs between the export, the scan and the model");
    }
    nrvini::SetReadChunkForTesting(0);
    Require(model == scan, "string read leaves different buffers by scan and by model");
    // The export wrote its terminator and what precedes it, like the others.
    if (op == 0 && size > 0) Require(std::memcmp(buffer.get(), model.data(), result + 1) == 0, "export differs from model");
}

void Write(FuzzedDataProvider& in, int op, const std::string& path)
{
    const auto bytes = ReadBytes(path);
    std::vector<std::string> lines;
    const bool data = LoadLines(path, lines);
    if (in.ConsumeIntegralInRange(0, 15) == 0) nrvini::LinePool::LimitBlocksForTesting(in.ConsumeIntegralInRange(0, 3));
    const auto section = MaybeName(in);
    int result = 0;
    bool keyWrite = false;
    if (op == 4) {
        const auto key = MaybeName(in);
        const auto value = MaybeName(in);
        keyWrite = key.has_value();
        result = NrvWritePrivateProfileString(Ptr(section), Ptr(key), Ptr(value), path.c_str());
    } else {
        // Random bytes as a double-NUL list: NULs inside end its lines.
        const std::string list = in.ConsumeRandomLengthString(160) + std::string(2, '\0');
        result = NrvWritePrivateProfileSection(Ptr(section), in.ConsumeBool() ? list.c_str() : nullptr, path.c_str());
    }
    nrvini::LinePool::LimitBlocksForTesting(-1);
    const auto after = ReadBytes(path);
    if (data && result == 0) Require(after == bytes, "failed write changed a file holding data");
    if (after != bytes) CheckWritten(path, result == 1 ? &lines : nullptr, keyWrite);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    static const char* const kNames[] = {"f.ini", "f.sys", "f.bat"};
    const std::string path = Scratch().Path(kNames[in.ConsumeIntegralInRange(0, 2)]);
    std::remove(path.c_str());
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: break;
    case 1: std::ofstream(path, std::ios::binary) << MadeUpFile(in); break;
    default: std::ofstream(path, std::ios::binary) << in.ConsumeRandomLengthString(2048); break;
    }
    NrvIniSetLastSection("");
    for (int calls = in.ConsumeIntegralInRange(1, 12); calls > 0 && in.remaining_bytes() > 0; --calls) {
        const int op = in.ConsumeIntegralInRange(0, 6);
        if (op <= 3) Read(in, op, path);
        else if (op <= 5) Write(in, op, path);
        else NrvIniSetLastSection(in.ConsumeRandomLengthString(300).c_str());
    }
    return 0;
}
