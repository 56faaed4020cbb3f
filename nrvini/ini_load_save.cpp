// Loading a file into an IniFile and writing one back.
#include <algorithm>
#include <cstring>
#include <string>

#include "nrvini/file_io.h"
#include "nrvini/ini_file.h"
#include "nrvini/ini_text.h"

namespace nrvini {
namespace {

void SetKindFromPath(IniFile& file, std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    const std::string_view extension = dot == std::string_view::npos ? std::string_view{} : path.substr(dot + 1);
    file.kind = FileKind::Ordinary;
    file.open = '[';
    file.close = ']';
    if (dot == std::string_view::npos) return;
    if (EqualsNoCase(extension, "BAT")) {
        file.kind = FileKind::Bat;
        file.open = ':';
        file.close = '\0';
    } else if (EqualsNoCase(extension, "SYS")) {
        file.kind = FileKind::Sys;
    }
}

// A line ends at CR, LF or CR LF, whatever system wrote the file. One pass
// also notes whether the line holds a NUL, which is rare and needs a second look.
const char* FindLineEnd(const char* from, const char* end, bool& holdsNul)
{
    holdsNul = false;
    for (const char* p = from; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c > '\r') continue;
        if (c == '\n' || c == '\r') return p;
        holdsNul |= c == '\0';
    }
    return end;
}

const char* SkipLineEnd(const char* at, const char* end)
{
    if (at == end) return at;
    if (*at == '\r' && at + 1 < end && at[1] == '\n') return at + 2;
    return at + 1;
}

// A piece ends at its first NUL, as a C string would; trailing blanks go and
// a piece with nothing left is dropped.
bool StorePiece(IniFile& file, std::string_view piece, bool mayHoldNul)
{
    const std::size_t nul = mayHoldNul ? piece.find('\0') : std::string_view::npos;
    if (nul != std::string_view::npos) piece = piece.substr(0, nul);
    piece = TrimTrailingBlanks(piece);
    return piece.empty() || AppendLoadedLine(file, piece) != nullptr;
}

// A physical line longer than kMaxLineLength becomes several lines.
bool StoreLine(IniFile& file, const char* begin, const char* end, bool holdsNul)
{
    for (const char* piece = begin; piece < end; piece += kMaxLineLength) {
        const std::size_t length = std::min<std::size_t>(end - piece, kMaxLineLength);
        if (!StorePiece(file, {piece, length}, holdsNul)) return false;
    }
    return true;
}

std::int32_t FailLoad(IniFile& file, LoadState state)
{
    file.Clear();
    file.state = state;
    file.lineCount = -1;
    return -1;
}

LoadState StateOf(ReadStatus status)
{
    switch (status) {
    case ReadStatus::Missing: return LoadState::Missing;
    case ReadStatus::OutOfMemory: return LoadState::OutOfMemory;
    default: return LoadState::Unreadable;
    }
}

}  // namespace

std::int32_t LoadIniFile(IniFile& file, std::string_view path)
{
    file.Clear();
    file.path.assign(path);
    SetKindFromPath(file, path);
    const FileBytes bytes = ReadFileBytes(file.path);
    if (bytes.status != ReadStatus::Ok) return FailLoad(file, StateOf(bytes.status));

    const char* end = bytes.data.get() + bytes.size;
    for (const char* line = bytes.data.get(); line < end;) {
        bool holdsNul = false;
        const char* lineEnd = FindLineEnd(line, end, holdsNul);
        if (!StoreLine(file, line, lineEnd, holdsNul)) return FailLoad(file, LoadState::OutOfMemory);
        line = SkipLineEnd(lineEnd, end);
    }
    file.state = LoadState::Loaded;
    return file.lineCount;
}

std::int32_t SaveIniFile(const IniFile& file, std::string_view target)
{
    std::string text;
    std::size_t bytes = 0;
    for (const IniLine* line = file.first; line != nullptr; line = line->next) bytes += line->length + 4;
    text.reserve(bytes);
    bool headerSeen = false;
    for (const IniLine* line = file.first; line != nullptr; line = line->next) {
        // Only a header that starts its line is set apart by an empty line.
        if (line->text[0] == file.open) {
            if (headerSeen) text += "\r\n";
            headerSeen = true;
        }
        text += line->view();
        text += "\r\n";
    }
    const std::string path(target.empty() ? std::string_view(file.path) : target);
    return WriteFileAtomically(path, text) ? file.lineCount : -1;
}

}  // namespace nrvini
