#include "commands/core/filepaths.h"

#include "engine/core/text.h"

namespace se {

ListLine ParseListLine(std::string_view line)
{
    ListLine result;
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return result;
    result.source = Trimmed(line.substr(0, comma));
    result.destination = StrippedOfComment(Trimmed(line.substr(comma + 1)));
    // Every test looks at the text as written, before any variable is replaced.
    if (!result.source.empty() && result.source[0] == ';')
        result.kind = ListLineKind::Comment;
    else if (result.source.empty())
        result.kind = ListLineKind::SourceMissing;
    else if (result.destination.empty())
        result.kind = ListLineKind::DestinationMissing;
    else if (ContainsText(result.source, "*"))
        result.kind = ListLineKind::Wildcard;
    else
        result.kind = ListLineKind::Ready;
    if (result.kind == ListLineKind::Ready && result.destination.back() == '\\') {
        result.destination.pop_back();
        result.trailingBackslashRemoved = true;
    }
    return result;
}

std::string FileNameOf(std::string_view path)
{
    const std::size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string JoinPath(std::string_view directory, std::string_view name)
{
    std::string joined(directory);
    if (joined.empty() || joined.back() != '\\') joined += '\\';
    joined.append(name);
    return joined;
}

std::string ComparablePath(std::string_view path)
{
    std::string text(path);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    // "c:\" keeps its backslash: without it the text would name the drive's
    // current directory.
    while (text.size() > 1 && text.back() == '\\' && !(text.size() == 3 && text[1] == ':')) text.pop_back();
    return text;
}

bool IsSameOrBelow(std::string_view inner, std::string_view outer)
{
    const std::string in = ComparablePath(inner), out = ComparablePath(outer);
    if (out.empty() || in.size() < out.size() || in.compare(0, out.size(), out) != 0) return false;
    return in.size() == out.size() || out.back() == '\\' || in[out.size()] == '\\';
}

bool IsDriveRoot(std::string_view path)
{
    while (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
    return path == "\\" || (path.size() == 2 && path[1] == ':');
}

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

bool IsDriveLetterAt(std::string_view text, std::size_t at)
{
    if (text.size() < at + 2 || text[at + 1] != ':') return false;
    const char c = text[at];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The end of a UNC path's "\\host\share" part.
std::size_t ShareEnd(std::string_view path)
{
    const std::size_t host = path.find('\\', 2);
    if (host == std::string_view::npos) return path.size();
    const std::size_t share = path.find('\\', host + 1);
    return share == std::string_view::npos ? path.size() : share;
}

}  // namespace

std::string WithoutDevicePrefix(std::string_view path)
{
    if (StartsWithNoCase(path, "\\\\?\\UNC\\")) return "\\\\" + std::string(path.substr(8));
    if ((StartsWithNoCase(path, "\\\\?\\") || StartsWithNoCase(path, "\\\\.\\") || StartsWithNoCase(path, "\\??\\")) &&
        IsDriveLetterAt(path, 4))
        return std::string(path.substr(4));
    return std::string(path);
}

bool IsDeviceName(std::string_view path)
{
    return StartsWithNoCase(path, "\\\\?\\") || StartsWithNoCase(path, "\\\\.\\") || StartsWithNoCase(path, "\\??\\");
}

std::string ParentPath(std::string_view path)
{
    while (path.size() > 3 && path.back() == '\\') path.remove_suffix(1);
    std::size_t rootEnd = 0;
    if (IsDriveLetterAt(path, 0))
        rootEnd = path.size() > 2 && path[2] == '\\' ? 3 : 2;
    else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\')
        rootEnd = ShareEnd(path);
    else
        return std::string();
    if (path.size() <= rootEnd) return std::string();
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos || slash + 1 <= rootEnd) return std::string(path.substr(0, rootEnd));
    return std::string(path.substr(0, slash));
}

}  // namespace se
