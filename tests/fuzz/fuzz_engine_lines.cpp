// Fuzzes list-line compilation, command-line handling and variable expansion
// with one input: the first byte picks the buffer size, the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/core/listline.h"
#include "engine/core/logsink.h"
#include "engine/core/text.h"
#include "engine/core/varscan.h"

void WriteLog(std::string_view, std::string_view) {}
void WriteLogText(std::string_view) {}

namespace {

class Source : public se::VariableSource {
public:
    std::string_view data;
    std::string ProgramDirectory() override { return "C:\\P"; }
    std::string WindowsDirectory() override { return "C:\\W"; }
    std::string SystemDirectory() override { return "C:\\W\\S"; }
    std::string TempDirectory() override { return "C:\\T\\"; }
    unsigned long ProcessId() override { return 99; }
    unsigned short UserLanguageId() override { return static_cast<unsigned short>(data.size() * 257); }
    // Variables are slices of the input itself, so values may hold tokens.
    std::string ReadVariable(int n) override
    {
        return data.empty() ? "" : std::string(data.substr(static_cast<std::size_t>(n) % data.size(), 40));
    }
    void WriteVariable(int, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size == 0) return 0;
    const std::size_t bufferSize = 1 + bytes[0] * 2;
    const std::string text(reinterpret_cast<const char*>(bytes + 1), size - 1);

    if (auto line = se::CompileListLine(text)) {
        if (line->hasFields && line->full.empty()) __builtin_trap();
        for (const std::string& f : line->fields)
            if (f.find(',') != std::string::npos || f.find(';') != std::string::npos) __builtin_trap();
    }
    (void)se::ScriptNameFromCommandLine(text);
    (void)se::SplitPathText(text);

    // The in-place helpers on an exactly sized heap copy: ASan sees any overrun.
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    (void)StripCommentsAndEtc(copy);
    delete[] copy;

    Source source;
    source.data = text;
    std::string expanded = text;
    se::ExpandVariables(expanded, bufferSize, source);
    if (expanded.size() >= bufferSize) __builtin_trap();
    return 0;
}
