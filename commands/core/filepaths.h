#pragma once
// Path texts of the file commands: list lines, file names, joins and the
// comparisons that guard copies and deletions. No system calls here.
#include <cstddef>
#include <string>
#include <string_view>

namespace se {

// Longest path a file command hands to the system (a MAX_PATH buffer less
// its terminator). Longer paths are refused, never cut.
constexpr std::size_t kMaxFilePath = 259;

// The common Startup folder of commands 1 and 2 when [Data.<language>] gives
// no CommonStartupFolder: where Windows 2000 and XP keep it.
constexpr char kDefaultStartupFolder[] = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup";

// What a "source, destination" line of a parameter section holds, after the
// checks made in this order: missing comma, comment source, empty source,
// empty destination, wildcard in the source, trailing backslash.
enum class ListLineKind { MissingComma, Comment, SourceMissing, DestinationMissing, Wildcard, Ready };

struct ListLine {
    ListLineKind kind = ListLineKind::MissingComma;
    std::string source;       // trimmed
    std::string destination;  // trimmed, cut at a comment, one trailing backslash removed
    bool trailingBackslashRemoved = false;
};

ListLine ParseListLine(std::string_view line);

// The text after the last backslash, or the whole text when it has none.
std::string FileNameOf(std::string_view path);

// directory + "\" + name, without doubling a backslash the directory ends with.
std::string JoinPath(std::string_view directory, std::string_view name);

// A path without its trailing backslashes (a drive root keeps its one), in
// lower case, for comparisons that ignore case.
std::string ComparablePath(std::string_view path);

// True when inner is the same path as outer or lies below it.
bool IsSameOrBelow(std::string_view inner, std::string_view outer);

// A drive ("C:") or the root of one ("C:\", "C:\\"), or a bare "\".
bool IsDriveRoot(std::string_view path);

// A full path out of the system's long-path and device namespaces, so that
// every guard sees the drive or share it names: "\\?\C:\x" and "\\.\C:\x"
// give "C:\x", "\\?\UNC\host\share\x" gives "\\host\share\x". Any other
// device name ("\\.\PhysicalDrive0", "\\?\Volume{...}\") keeps its prefix.
std::string WithoutDevicePrefix(std::string_view path);

// Still a name in the device namespace after WithoutDevicePrefix.
bool IsDeviceName(std::string_view path);

// The folder that holds a full path, by its text: "C:\a\b" gives "C:\a",
// "C:\a" gives "C:\", "\\host\share\a" gives "\\host\share"; empty for a
// root ("C:\", "\\host\share"), which nothing holds.
std::string ParentPath(std::string_view path);

}  // namespace se
