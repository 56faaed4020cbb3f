// Random file bytes, then a random sequence of profile calls on that file.
// Checked beyond the sanitizers: readers stay inside the size they are given
// and report no more than it; a write that reports failure on a file holding
// data leaves it byte for byte; after a successful write every line of the
// original that the write did not edit is still there, unchanged and in
// order, and the file reads back and saves to the very same bytes. A read of one key gives the same result and
// buffer whether it scans the file's bytes, in chunks of any size, or goes
// through a whole IniFile.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
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

// A double-NUL list of up to four lines.
std::string MakeList(FuzzedDataProvider& in)
{
    std::string list;
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) {
        std::string line = in.ConsumeRandomLengthString(40);
        line.erase(std::find(line.begin(), line.end(), '\0'), line.end());
        if (line.empty()) break;
        list += line + '\0';
    }
    return list + '\0';
}

bool IsBlankByte(char c) { return (c >= 0x09 && c <= 0x0D) || c == ' '; }

// The lines of a file as text mode reads them: up to the first Ctrl-Z, split
// at LF, trailing blanks cut, blank lines left out. NULs stay in: a line that
// holds one must come back with it.
std::vector<std::string> TextLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    const std::string text = bytes.substr(0, bytes.find('\x1a'));
    for (std::size_t from = 0; from <= text.size();) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        std::size_t kept = end;
        while (kept > from && IsBlankByte(text[kept - 1])) --kept;
        if (kept > from) lines.push_back(text.substr(from, kept - from));
        from = end + 1;
    }
    return lines;
}

bool HoldsTextAfterMark(const std::string& bytes)
{
    const std::size_t mark = std::min(bytes.find('\x1a'), bytes.size());
    return std::any_of(bytes.begin() + mark, bytes.end(), [](char c) { return c != '\x1a' && !IsBlankByte(c); });
}

bool HoldsData(const std::optional<std::string>& bytes)
{
    return bytes && (!TextLines(*bytes).empty() || HoldsTextAfterMark(*bytes));
}

bool StartsWithNoCase(std::string_view text, const std::string& prefix)
{
    return text.size() >= prefix.size() && strncasecmp(text.data(), prefix.c_str(), prefix.size()) == 0;
}

// Which lines of the original a write to section may change: in every part
// of the file headed by that section (as "[name]" or by the file's own
// header), the key lines, or with wholeSection every line, header included.
std::vector<bool> EditableLines(const std::vector<std::string>& lines, const std::string& path,
                                const std::string& section, bool wholeSection)
{
    const nrvini::FileRules rules = nrvini::RulesForPath(path);
    const std::string bracketed = "[" + section + "]";
    const std::string own = rules.open + section + (rules.close != '\0' ? std::string(1, rules.close) : "");
    std::vector<bool> editable;
    bool inSection = false;
    for (const std::string& line : lines) {
        const std::string_view text = std::string_view(line).substr(std::min(line.size(), line.find_first_not_of("\t\n\v\f\r ")));
        const bool header = StartsWithNoCase(text, bracketed) || StartsWithNoCase(text, own);
        if (!text.empty() && text.front() == rules.open) inSection = header;
        if (header) inSection = true;
        editable.push_back(inSection && (wholeSection || line.find('=') != std::string::npos));
    }
    return editable;
}

void CheckUneditedLinesKept(const std::string& before, const std::string& after, const std::string& path,
                            const std::string& section, bool wholeSection)
{
    const std::vector<std::string> old = TextLines(before);
    const std::vector<std::string> now = TextLines(after);
    const std::vector<bool> editable = EditableLines(old, path, section, wholeSection);
    std::size_t at = 0;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (editable[i]) continue;
        while (at < now.size() && now[at] != old[i]) ++at;
        Require(at < now.size(), "a write changed or lost a line it did not edit");
        ++at;
    }
}

void CheckReadsBackTheSame(const std::string& path)
{
    const auto bytes = ReadBytes(path);
    Require(bytes.has_value(), "written file is missing");
    nrvini::IniFile ini;
    // Deleting the last section leaves an empty file, which loads with 0 lines.
    Require(nrvini::LoadIniFile(ini, path) >= 0, "written file does not load");
    const std::string again = Scratch().Path("again.ini");
    Require(nrvini::SaveIniFile(ini, again) >= 0, "written file does not save");
    Require(ReadBytes(again) == bytes, "load and save of a written file changed its bytes");
}

// The scan of one key against the IniFile it stands in for, with the file read
// in chunks of a random size so that line ends, CR LF pairs and long lines
// fall across chunk boundaries.
void CompareKeyPaths(FuzzedDataProvider& in, int op, const std::string& section, const std::string& key,
                     const std::optional<std::string>& fallback, int32_t intFallback, uint32_t size,
                     const char* exported, uint32_t exportedResult, const std::string& path)
{
    const auto chunk = in.ConsumeIntegralInRange<size_t>(nrvini::kMaxLineLength, 3000);
    // The model reads in the usual chunks, the scan in the chosen ones.
    const auto chunked = [chunk](nrvini::KeyPath by) { nrvini::SetReadChunkForTesting(by == nrvini::KeyPath::Scan ? chunk : 0); return by; };
    if (op == 1) {
        const uint32_t model = nrvini::ReadKeyInt(chunked(nrvini::KeyPath::Model), section.c_str(), key.c_str(), intFallback, path.c_str());
        const uint32_t scan = nrvini::ReadKeyInt(chunked(nrvini::KeyPath::Scan), section.c_str(), key.c_str(), intFallback, path.c_str());
        nrvini::SetReadChunkForTesting(0);
        Require(model == exportedResult && scan == exportedResult, "integer read differs between scan and model");
        return;
    }
    // As the export sees it: up to its first NUL.
    const std::string_view text = fallback ? std::string_view(fallback->c_str()) : std::string_view("");
    // Bytes the readers leave alone must stay as they were: both start alike.
    std::string model(size, '\xA5');
    std::string scan(size, '\xA5');
    const uint32_t modelResult =
        nrvini::ReadKeyString(chunked(nrvini::KeyPath::Model), section.c_str(), key.c_str(), text, model.data(), size, path.c_str());
    const uint32_t scanResult =
        nrvini::ReadKeyString(chunked(nrvini::KeyPath::Scan), section.c_str(), key.c_str(), text, scan.data(), size, path.c_str());
    nrvini::SetReadChunkForTesting(0);
    Require(modelResult == exportedResult && scanResult == exportedResult, "string read differs between scan and model");
    Require(model == scan, "string read leaves different buffers by scan and by model");
    // The export wrote its terminator and what precedes it, like the others.
    if (size > 0) Require(std::memcmp(exported, model.data(), exportedResult + 1) == 0, "export differs from model");
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
    if (op <= 1 && section && key) CompareKeyPaths(in, op, *section, *key, fallback, intFallback, size, buffer.get(), result, path);
}

void Write(FuzzedDataProvider& in, int op, const std::string& path)
{
    const auto before = ReadBytes(path);
    if (in.ConsumeIntegralInRange(0, 15) == 0) nrvini::LinePool::LimitBlocksForTesting(in.ConsumeIntegralInRange(0, 3));
    const auto section = MaybeName(in);
    int result = 0;
    bool wholeSection = true;
    if (op == 4) {
        const auto key = MaybeName(in);
        const auto value = MaybeName(in);
        wholeSection = !key;
        result = NrvWritePrivateProfileString(Ptr(section), Ptr(key), Ptr(value), path.c_str());
    } else {
        const std::string list = MakeList(in);
        result = NrvWritePrivateProfileSection(Ptr(section), in.ConsumeBool() ? list.c_str() : nullptr, path.c_str());
    }
    nrvini::LinePool::LimitBlocksForTesting(-1);
    const auto after = ReadBytes(path);
    if (HoldsData(before) && result == 0) Require(after == before, "failed write changed a file holding data");
    if (result == 1 && after != before) {
        Require(!HoldsTextAfterMark(*before), "a write lost the text after the end-of-file mark");
        CheckUneditedLinesKept(*before, *after, path, section ? section->c_str() : "", wholeSection);
        CheckReadsBackTheSame(path);
    }
    if (!before && after) CheckReadsBackTheSame(path);
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
