#include "commands/pathidentity.h"

#include <windows.h>

#include <algorithm>

#include "commands/core/filepaths.h"
#include "commands/files.h"
#include "engine/engine.h"
#include "common/guards.h"

namespace {

std::string UpperCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

std::optional<std::string> FileIndexIdentity(const std::string& path)
{
    // No access is asked for, so a file that cannot be read still tells what
    // it is; directories open only with backup semantics.
    se::FileHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return "id:" + std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow);
}

std::optional<std::string> ShortNameIdentity(const std::string& path)
{
    char buffer[MAX_PATH * 2] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return std::nullopt;
    return "short:" + se::ComparablePath(UpperCase(std::string(buffer, length)));
}

}  // namespace

std::string CanonicalPath(const std::string& path)
{
    // The full-path step passes a prefixed path through untouched; once the
    // prefix is gone the step runs again to fold "..", "." and doubled
    // backslashes of what is left.
    const std::string full = FullPath(path);
    const std::string bare = se::WithoutDevicePrefix(full);
    return bare == full ? full : FullPath(bare);
}

std::optional<std::string> PathIdentity(const std::string& path)
{
    if (IsWin95() || IsWin98()) return ShortNameIdentity(CanonicalPath(path));
    return FileIndexIdentity(CanonicalPath(path));
}

void GuardedPaths::AddWithHolders(const std::string& path)
{
    for (std::string at = CanonicalPath(path); !at.empty(); at = se::ParentPath(at)) {
        texts.push_back(se::ComparablePath(at));
        if (std::optional<std::string> id = PathIdentity(at)) identities.push_back(*id);
    }
}

bool GuardedPaths::Holds(const std::string& path) const
{
    const std::string canonical = CanonicalPath(path);
    if (std::find(texts.begin(), texts.end(), se::ComparablePath(canonical)) != texts.end()) return true;
    const std::optional<std::string> id = PathIdentity(canonical);
    return id && std::find(identities.begin(), identities.end(), *id) != identities.end();
}

bool IsSameOrInside(const std::string& inner, const std::string& outer)
{
    const std::string canonicalOuter = CanonicalPath(outer);
    if (se::IsSameOrBelow(CanonicalPath(inner), canonicalOuter)) return true;
    const std::optional<std::string> outerId = PathIdentity(canonicalOuter);
    if (!outerId) return false;
    for (std::string at = CanonicalPath(inner); !at.empty(); at = se::ParentPath(at))
        if (PathIdentity(at) == outerId) return true;
    return false;
}
