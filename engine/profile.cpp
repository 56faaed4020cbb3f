#include <windows.h>

#include <vector>

#include "engine/engine.h"
#include "engine/core/listline.h"
#include "engine/syscalls.h"
#include "engine/core/osmatch.h"

std::string ProfileString(const char* section, const char* key, const char* defaultText,
                          std::size_t bufferSize, const std::string& file)
{
    std::vector<char> buffer(bufferSize, '\0');
    const DWORD n = GetPrivateProfileStringA(section, key, defaultText, buffer.data(),
                                             static_cast<DWORD>(bufferSize), file.c_str());
    return std::string(buffer.data(), n < bufferSize ? n : 0);
}

int ProfileInt(const char* section, const char* key, int defaultValue, const std::string& file)
{
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, file.c_str()));
}

bool WriteProfileString(const char* section, const char* key, const char* value, const std::string& file)
{
    const bool written = sys::WritePrivateProfileStringA(section, key, value, file.c_str()) != FALSE;
    NoteWorkingCopyWritten(file);
    return written;
}

bool WriteProfileString(const char* section, const std::string& key, const std::string& value,
                        const std::string& file)
{
    return WriteProfileString(section, key.c_str(), value.c_str(), file);
}

void FlushProfile(const std::string& file) { sys::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()); }

bool ReplaceWithFile(const std::string& from, const std::string& to)
{
    if (sys::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        NoteWorkingCopyWritten(to);
        return true;
    }
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    // Windows 95 and 98 have no MoveFileEx. The old file is renamed aside and
    // the new one moved into its place; should that move fail, the old file
    // goes back, so the target is never left missing when the call fails.
    if (!FileOrDirectoryExists(to)) {
        if (!sys::MoveFileA(from.c_str(), to.c_str())) return false;
        NoteWorkingCopyWritten(to);
        return true;
    }
    // The aside file is named after the target, so a start-up that finds the
    // target missing (cut between the two moves) finds the old file too.
    const std::string aside = to + ".old";
    sys::DeleteFileA(aside.c_str());
    if (!sys::MoveFileA(to.c_str(), aside.c_str())) return false;
    if (!sys::MoveFileA(from.c_str(), to.c_str())) {
        sys::MoveFileA(aside.c_str(), to.c_str());
        return false;
    }
    sys::DeleteFileA(aside.c_str());
    NoteWorkingCopyWritten(to);
    return true;
}

namespace {

// Lines of a double-zero-terminated list.
std::vector<std::string> SplitList(const char* list, std::size_t length)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < length && list[at] != '\0') {
        std::string line(list + at);
        at += line.size() + 1;
        lines.push_back(std::move(line));
    }
    return lines;
}

constexpr DWORD kFirstSectionSize = 260;
constexpr DWORD kWin9xSectionLimit = 32768;

}  // namespace

std::optional<std::vector<std::string>> ReadProfileSection(const char* section, const std::string& file)
{
    DWORD size = kFirstSectionSize;
    for (;;) {
        std::vector<char> buffer(size, '\0');
        const DWORD length = GetPrivateProfileSectionA(section, buffer.data(), size, file.c_str());
        if (length < size - 2) {
            if (length == 0) return std::nullopt;
            return SplitList(buffer.data(), length);
        }
        // The section may have been cut: try again with twice the room. Windows
        // 95 and 98 cannot hand out more than 32 KB.
        if ((IsWin95() || IsWin98()) && size * 2 > kWin9xSectionLimit) {
            WriteLog("WARINING", "-=-Section Size is to large for Win9X");
            // The last line may have been cut in the middle: only whole lines
            // are returned, so a cut command never runs.
            std::vector<std::string> lines = SplitList(buffer.data(), length);
            if (!lines.empty()) lines.pop_back();
            if (lines.empty()) return std::nullopt;
            return lines;
        }
        size *= 2;
    }
}

std::optional<std::vector<std::string>> ReadSectionNames(const std::string& file)
{
    for (DWORD size = kFirstSectionSize;; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const DWORD length = GetPrivateProfileSectionNamesA(buffer.data(), size, file.c_str());
        if (length == 0) return std::nullopt;
        if (length < size - 2) return SplitList(buffer.data(), length);
    }
}

std::string StateValue(const char* key, const char* defaultText)
{
    // Section names in [State] are at most 127 characters.
    return ProfileString("State", key, defaultText, se::kStateValueRoom, g_engine.scriptPath);
}

std::string CommandField(int field, const char* defaultText, std::size_t bufferSize)
{
    const std::string key = se::FieldKey(g_engine.currentCommandIndex, field);
    return ProfileString("Commands", key.c_str(), defaultText, bufferSize, g_engine.scriptPath);
}

bool FileOrDirectoryExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
