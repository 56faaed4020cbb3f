// Fuzzes the registry edit line parser and the data conversions: any line
// splits into fields or names a missing one, and every conversion keeps its
// byte counts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "commands/core/regdata.h"
#include "engine/core/logsink.h"

void WriteLog(std::string_view, std::string_view) {}
void WriteLogText(std::string_view) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(bytes), size);
    const se::ParsedRegEditLine parsed = se::ParseRegEditLine(line);
    if (parsed.missing != se::MissingField::None) return 0;
    const se::RegEditLine& f = parsed.fields;
    if (f.root.find(',') != std::string::npos || f.valueName.find(',') != std::string::npos) __builtin_trap();
    (void)se::LeadingInteger(f.action);
    (void)se::ShortRootName(f.root);
    (void)se::LongRootName(f.root);

    const int code = se::LeadingInteger(f.dataType);
    const se::RegValueData edit = se::ConvertEditData(code, f.data);
    const std::size_t expected = code == 1 ? f.data.size() / 2 : code == 2 ? 4 : f.data.size() + 1;
    if (edit.bytes.size() != expected) __builtin_trap();
    const se::RegValueData single = se::SingleValueData(code, f.data);
    if (single.bytes.size() < f.data.size() || single.bytes.size() > f.data.size() + 1) __builtin_trap();
    (void)se::DataSizeMessage(edit);
    if (se::ValueDescription(f.root, f.key, f.valueName, f.data).size() > 511) __builtin_trap();
    return 0;
}
