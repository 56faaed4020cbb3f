// Random file bytes, then random profile calls on that file. Beyond the
// sanitizers: readers stay inside the size they are given; a read of one key
// gives the same result and buffer whether it scans the file's bytes (in
// chunks of any size) or goes through a whole IniFile; a failed write leaves a
// file holding data byte for byte; a written file loads and saves to the same
// bytes, and a successful write changed one run of lines and no other.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "nrvini/ini_file.h"
#include "nrvini/nrvini.h"
#include "nrvini/profile_values.h"
#include "../host/nrvini_test_files.h"

namespace {

using nrvini_test::ReadBytes;
using Name = std::optional<std::string>;

const nrvini_test::ScratchDir& Scratch() { static const nrvini_test::ScratchDir dir; return dir; }
void Require(bool ok, const char* what) { if (!ok) (std::fprintf(stderr, "fuzz_nrvini: %s\n", what), std::abort()); }
const char* Ptr(const Name& text) { return text ? text->c_str() : nullptr; }

// Names the made-up files use; they repeat often enough to hit existing keys.
constexpr const char* kWords[] = {"A", "b", "Sec", "", "k", "PATH", "X y"};
Name MaybeName(FuzzedDataProvider& in)
{
    const int pick = in.ConsumeIntegralInRange(0, 15);
    return pick == 0 ? Name() : pick < 8 ? Name(kWords[pick % std::size(kWords)]) : Name(in.ConsumeRandomLengthString(12));
}

// Many lines of those names: headers, labels, markers, comments and keys with
// every kind of line end, NULs, Ctrl-Zs and long lines, so that lookups walk
// past many sections before they find one.
std::string MadeUpFile(FuzzedDataProvider& in)
{
    static constexpr const char* kShapes[] = {"[%]", " [%] ; x", ":%", "[]", "; [%]", "REM %=1", "%=v", " % = 'q' ",
                                              "SET %=C:\\DOS", "%", "=%", "[%", "%=\"%\""};
    static constexpr const char* kEnds[] = {"\r\n", "\n", "\r", "\r\r\n", "\n\n", " \t\r\n"};
    const auto pick = [&in](const auto& list) { return std::string(list[in.ConsumeIntegralInRange<size_t>(0, std::size(list) - 1)]); };
    std::string file;
    for (int n = in.ConsumeIntegralInRange(0, 400); n > 0 && in.remaining_bytes() > 0; --n) {
        const std::string shape = pick(kShapes), word = pick(kWords);
        for (const char c : shape) file += c == '%' ? word : std::string(1, c);
        const int extra = in.ConsumeIntegralInRange(0, 15);
        if (extra == 0) file += '\0';
        if (extra == 1) file.append(in.ConsumeIntegralInRange<size_t>(1, 1200), in.ConsumeBool() ? ' ' : 'z');
        if (extra == 2) file += '\x1a';
        file += pick(kEnds);
    }
    return file;
}

// The lines as a load holds them, and whether the file holds anything a write
// could lose: a line, or one the load cannot hold exactly.
bool LoadLines(const std::string& path, std::vector<std::string>& lines)
{
    nrvini::IniFile ini;
    const bool data = nrvini::LoadIniFile(ini, path) > 0 || !ini.holdsEveryLine;
    for (const nrvini::IniLine* line = ini.first; line != nullptr; line = line->next) lines.emplace_back(line->view());
    return data;
}

void Read(FuzzedDataProvider& in, int op, const std::string& path)
{
    const auto size = in.ConsumeIntegralInRange<uint32_t>(0, 300);
    std::vector<char> buffer(size == 0 ? 1 : size);  // a write past size is an ASan report
    const Name section = MaybeName(in), key = MaybeName(in), fallback = MaybeName(in);
    const int32_t intFallback = op == 1 ? in.ConsumeIntegral<int32_t>() : 0;
    const uint32_t result =
        op == 0   ? NrvGetPrivateProfileString(Ptr(section), Ptr(key), Ptr(fallback), buffer.data(), size, path.c_str())
        : op == 1 ? NrvGetPrivateProfileInt(Ptr(section), Ptr(key), intFallback, path.c_str())
        : op == 2 ? NrvGetPrivateProfileSection(Ptr(section), buffer.data(), size, path.c_str())
                  : NrvGetPrivateProfileSectionNames(buffer.data(), size, path.c_str());
    if (op != 1) Require(result <= size, "reader reported more than its buffer holds");
    if (op > 1 || !section || !key) return;
    // Both buffers start alike, so bytes the readers leave alone must stay
    // alike; the default is as the export sees it, up to its first NUL.
    const auto chunk = in.ConsumeIntegralInRange<size_t>(nrvini::kMaxLineLength, 3000);
    std::string model(size, '\xA5'), scan = model;
    const std::string_view text = fallback ? fallback->c_str() : "";
    for (const nrvini::KeyPath by : {nrvini::KeyPath::Model, nrvini::KeyPath::Scan}) {
        nrvini::SetReadChunkForTesting(by == nrvini::KeyPath::Scan ? chunk : 0);
        char* const out = (by == nrvini::KeyPath::Scan ? scan : model).data();
        Require((op == 1 ? nrvini::ReadKeyInt(by, section->c_str(), key->c_str(), intFallback, path.c_str())
                         : nrvini::ReadKeyString(by, section->c_str(), key->c_str(), text, out, size, path.c_str())) == result,
                "a read differs between the export, the scan and the model");
    }
    nrvini::SetReadChunkForTesting(0);
    Require(model == scan, "string read leaves different buffers by scan and by model");
    if (op == 0 && size > 0) Require(std::memcmp(buffer.data(), model.data(), result + 1) == 0, "export differs from model");
}

void Write(FuzzedDataProvider& in, int op, const std::string& path)
{
    const auto bytes = ReadBytes(path);
    std::vector<std::string> old, now;
    const bool data = LoadLines(path, old);
    if (in.ConsumeIntegralInRange(0, 15) == 0) nrvini::LinePool::LimitBlocksForTesting(in.ConsumeIntegralInRange(0, 3));
    const Name section = MaybeName(in);
    int result = 0;
    bool keyWrite = false;
    if (op == 4) {
        const Name key = MaybeName(in), value = MaybeName(in);
        keyWrite = key.has_value();
        result = NrvWritePrivateProfileString(Ptr(section), Ptr(key), Ptr(value), path.c_str());
    } else {
        const std::string list = in.ConsumeRandomLengthString(160) + std::string(2, '\0');  // NULs inside end lines
        result = NrvWritePrivateProfileSection(Ptr(section), in.ConsumeBool() ? list.c_str() : nullptr, path.c_str());
    }
    nrvini::LinePool::LimitBlocksForTesting(-1);
    const auto after = ReadBytes(path);
    if (data && result == 0) Require(after == bytes, "failed write changed a file holding data");
    if (after == bytes) return;
    nrvini::IniFile ini;  // deleting the last section leaves an empty file: 0 lines
    Require(after && nrvini::LoadIniFile(ini, path) >= 0, "written file does not load");
    const std::string again = Scratch().Path("again.ini");
    Require(nrvini::SaveIniFile(ini, again) >= 0 && ReadBytes(again) == after, "load and save of a written file changed its bytes");
    if (result != 1) return;
    // Which lines belong where is for the write table to say; here: a key write
    // took out at most one line and put in at most two (a header and the key
    // line), any other write took out at most one section header.
    LoadLines(path, now);
    const std::size_t head = std::mismatch(old.begin(), old.end(), now.begin(), now.end()).first - old.begin();
    const std::size_t tail = std::mismatch(old.rbegin(), old.rend() - head, now.rbegin(), now.rend() - head).first - old.rbegin();
    const auto headers = std::count_if(old.begin() + head, old.end() - tail, [&](const std::string& line) { return nrvini::OpensSection(ini, line); });
    Require(keyWrite ? old.size() - head - tail <= 1 && now.size() - head - tail <= 2 : headers <= 1,
            "a write changed lines outside its key or section");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    static const char* const kNames[] = {"f.ini", "f.sys", "f.bat"};
    const std::string path = Scratch().Path(kNames[in.ConsumeIntegralInRange(0, 2)]);
    std::remove(path.c_str());
    const int content = in.ConsumeIntegralInRange(0, 3);
    if (content > 0) nrvini_test::WriteBytes(path, content == 1 ? MadeUpFile(in) : in.ConsumeRandomLengthString(2048));
    NrvIniSetLastSection("");
    for (int calls = in.ConsumeIntegralInRange(1, 12); calls > 0 && in.remaining_bytes() > 0; --calls) {
        const int op = in.ConsumeIntegralInRange(0, 6);
        if (op <= 3) Read(in, op, path);
        else if (op <= 5) Write(in, op, path);
        else NrvIniSetLastSection(in.ConsumeRandomLengthString(300).c_str());
    }
    return 0;
}
