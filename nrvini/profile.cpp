// The exported profile functions. Each call loads the file into its own
// IniFile, works on it and, when it writes, saves the whole file back.
#include <cstring>
#include <string>

#include "nrvini/ini_file.h"
#include "nrvini/ini_text.h"
#include "nrvini/nrvini.h"
#include "nrvini/profile_values.h"

namespace nrvini {
namespace {

// Only std::bad_alloc can arise inside; it must not cross the export.
template <class Result, class Body>
Result Guarded(Result onFailure, Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

// A result of 0 lines or fewer counts as a missing file for every caller.
bool LoadLines(IniFile& ini, const char* file)
{
    return file != nullptr && *file != '\0' && LoadIniFile(ini, file) > 0;
}

std::int32_t SavedResult(const IniFile& ini)
{
    return SaveIniFile(ini) >= 0 ? 1 : 0;
}

std::string Header(std::string_view section)
{
    std::string header = "[";
    header += section;
    header += ']';
    return header;
}

std::string KeyLine(std::string_view key, std::string_view value)
{
    std::string line(key);
    line += '=';
    line += value;
    return line;
}

template <class Visit>
void ForEachLineOfSection(const IniFile& ini, const IniLine* header, Visit visit)
{
    for (const IniLine* line = header->next; line != nullptr && !OpensSection(ini, line->view()); line = line->next) {
        if (!IsCommentLine(ini, line->view()) && !visit(line->view())) return;
    }
}

std::uint32_t ListSectionNames(const IniFile& ini, char* buffer, std::uint32_t size)
{
    if (size < 2) return StoreEmptyList(buffer, size);
    ListWriter list(buffer, size);
    for (const IniLine* line = ini.first; line != nullptr && !list.cut(); line = line->next) {
        const std::string_view text = SkipLeadingBlanks(line->view());
        if (ini.close == '\0' || !text.starts_with(ini.open)) continue;
        const std::size_t close = text.find(ini.close, 1);
        if (close != std::string_view::npos) list.Add(text.substr(1, close - 1));
    }
    const std::uint32_t count = list.Finish();
    return list.cut() ? count : count + 1;  // the final NUL is counted here
}

std::uint32_t ListSectionKeys(const IniFile& ini, std::string_view section, std::string_view fallback, char* buffer,
                              std::uint32_t size)
{
    if (size < 2) return StoreEmptyList(buffer, size);
    const IniLine* header = FindSectionHeader(ini, section, false);
    if (header == nullptr) return CopyListDefault(fallback, buffer, size);
    ListWriter list(buffer, size);
    ForEachLineOfSection(ini, header, [&](std::string_view line) {
        const KeyValue kv = SplitKeyValue(line);
        return !kv.hasEquals || list.Add(kv.key);
    });
    return list.Finish();
}

std::uint32_t ListSectionLines(const IniFile& ini, const IniLine* header, char* buffer, std::uint32_t size)
{
    ListWriter list(buffer, size);
    std::string entry;
    ForEachLineOfSection(ini, header, [&](std::string_view line) {
        const KeyValue kv = SplitKeyValue(line);
        if (!kv.hasEquals) return list.Add(SkipLeadingBlanks(line));
        entry.assign(kv.key);
        entry += '=';
        entry += kv.value;
        return list.Add(entry);
    });
    return list.Finish();
}

// The new-file path of the writers. It runs only when nothing stored can be
// lost: the file is missing or holds no lines. Its result is 0 even when the
// file was written.
std::int32_t CreateWithKey(IniFile& ini, const char* section, const char* key, const char* value)
{
    if (!ini.MayBeReplaced() || key == nullptr || value == nullptr) return 0;
    ini.Clear();
    if (InsertIniLine(ini, Header(section), nullptr) != nullptr && InsertIniLine(ini, KeyLine(key, value), nullptr) != nullptr) {
        SaveIniFile(ini);
    }
    return 0;
}

std::int32_t CreateWithSection(IniFile& ini, const char* section, const char* list)
{
    if (!ini.MayBeReplaced() || section == nullptr || list == nullptr) return 0;
    ini.Clear();
    if (InsertIniSection(ini, nullptr, section, list)) SaveIniFile(ini);
    return 0;
}

// Applies one key write to a loaded file; false when a line cannot be stored.
bool EditKey(IniFile& ini, const char* section, const char* key, const char* value)
{
    const KeyLookup found = FindIniKey(ini, section, key);
    if (value == nullptr) {
        if (found.outcome == KeyOutcome::Found) RemoveIniLine(ini, found.line);
        return true;
    }
    const std::string line = KeyLine(key, value);
    switch (found.outcome) {
    case KeyOutcome::Found: return ReplaceIniLine(ini, found.line, line);
    case KeyOutcome::KeyMissing: return InsertIniLine(ini, line, found.line) != nullptr;
    case KeyOutcome::SectionMissing:
        return InsertIniLine(ini, Header(section), found.line) != nullptr && InsertIniLine(ini, line, found.line) != nullptr;
    }
    return false;
}

// Puts the new section where the old one of that name stood, or in front of
// the insertion position when there was none.
bool ReplaceSection(IniFile& ini, const char* section, const char* list)
{
    const SectionLookup found = FindIniSection(ini, section);
    if (found.header == nullptr) return InsertIniSection(ini, found.insertBefore, section, list);
    IniLine* before = found.header->prev;
    DeleteIniSection(ini, section);
    return InsertIniSection(ini, before != nullptr ? before->next : ini.first, section, list);
}

// What a read of one key learnt from the file: whether it holds lines, and
// the key line when the key is there.
struct KeyRead {
    bool hasLines = false;
    bool found = false;
    std::string_view line;
};

template <class Use>
auto WithKeyLine(KeyPath path, const char* section, const char* key, const char* file, Use use)
{
    if (path == KeyPath::Scan) {
        if (file == nullptr || *file == '\0') return use(KeyRead{});
        const ScannedKey scanned = ScanIniKey(file, section, key);
        return use(KeyRead{scanned.hasLines, scanned.found, scanned.view()});
    }
    IniFile ini;
    if (!LoadLines(ini, file)) return use(KeyRead{});
    const KeyLookup found = FindIniKey(ini, section, key);
    if (found.outcome != KeyOutcome::Found) return use(KeyRead{true, false, {}});
    return use(KeyRead{true, true, found.line->view()});
}

}  // namespace

std::uint32_t ReadKeyString(KeyPath path, const char* section, const char* key, std::string_view fallback,
                            char* buffer, std::uint32_t size, const char* file)
{
    return WithKeyLine(path, section, key, file, [&](const KeyRead& read) {
        // A file without lines and a missing key give the default alike.
        return CopyValue(read.found ? ExtractValue(read.line) : fallback, buffer, size);
    });
}

std::uint32_t ReadKeyInt(KeyPath path, const char* section, const char* key, std::int32_t fallback, const char* file)
{
    return WithKeyLine(path, section, key, file, [&](const KeyRead& read) {
        const auto result = static_cast<std::uint32_t>(fallback);
        if (!read.found) return result;
        const std::string_view value = ExtractValue(read.line);
        return value.empty() ? result : static_cast<std::uint32_t>(ParseProfileInt(value, fallback));
    });
}

}  // namespace nrvini

using namespace nrvini;

extern "C" {

uint32_t NRVINI_CALL NrvGetPrivateProfileString(const char* section, const char* key, const char* defaultText,
                                                char* buffer, uint32_t size, const char* file)
{
    if (buffer == nullptr) return 0;
    return Guarded<uint32_t>(0, [&] {
        const std::string_view fallback = defaultText != nullptr ? defaultText : "";
        if (section != nullptr && key != nullptr) return ReadKeyString(KeyPath::Scan, section, key, fallback, buffer, size, file);
        IniFile ini;
        if (!LoadLines(ini, file)) return CopyValue(fallback, buffer, size);
        if (section == nullptr) return ListSectionNames(ini, buffer, size);
        return ListSectionKeys(ini, section, fallback, buffer, size);
    });
}

uint32_t NRVINI_CALL NrvGetPrivateProfileInt(const char* section, const char* key, int32_t defaultValue,
                                             const char* file)
{
    const auto fallback = static_cast<uint32_t>(defaultValue);
    return Guarded<uint32_t>(fallback, [&] {
        if (section == nullptr || key == nullptr) return fallback;
        return ReadKeyInt(KeyPath::Scan, section, key, defaultValue, file);
    });
}

uint32_t NRVINI_CALL NrvGetPrivateProfileSection(const char* section, char* buffer, uint32_t size, const char* file)
{
    if (buffer == nullptr) return 0;
    return Guarded<uint32_t>(0, [&]() -> uint32_t {
        IniFile ini;
        if (!LoadLines(ini, file)) return 0;
        std::memset(buffer, 0, size);
        if (section == nullptr || size < 2) return 0;
        const SectionLookup found = FindIniSection(ini, section);
        return found.header != nullptr ? ListSectionLines(ini, found.header, buffer, size) : 0;
    });
}

uint32_t NRVINI_CALL NrvGetPrivateProfileSectionNames(char* buffer, uint32_t size, const char* file)
{
    if (buffer == nullptr) return 0;
    return Guarded<uint32_t>(0, [&]() -> uint32_t {
        IniFile ini;
        return LoadLines(ini, file) ? ListSectionNames(ini, buffer, size) : 0;
    });
}

int32_t NRVINI_CALL NrvWritePrivateProfileString(const char* section, const char* key, const char* value,
                                                 const char* file)
{
    if (section == nullptr) return 0;
    return Guarded<int32_t>(0, [&] {
        IniFile ini;
        if (!LoadLines(ini, file)) return CreateWithKey(ini, section, key, value);
        if (!ini.MayBeSaved()) return 0;
        if (key == nullptr) {
            DeleteIniSection(ini, section);
        } else if (!EditKey(ini, section, key, value)) {
            return 0;
        }
        return SavedResult(ini);
    });
}

int32_t NRVINI_CALL NrvWritePrivateProfileSection(const char* section, const char* list, const char* file)
{
    return Guarded<int32_t>(0, [&] {
        IniFile ini;
        if (!LoadLines(ini, file)) return CreateWithSection(ini, section, list);
        if (section == nullptr) return 1;
        if (!ini.MayBeSaved()) return 0;
        if (list == nullptr) {
            DeleteIniSection(ini, section);
        } else if (!ReplaceSection(ini, section, list)) {
            return 0;
        }
        return SavedResult(ini);
    });
}

void NRVINI_CALL NrvIniSetLastSection(const char* name)
{
    SetLastSectionMarker(name != nullptr ? name : "");
}

}  // extern "C"
