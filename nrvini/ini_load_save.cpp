// Loading a file into an IniFile and writing one back.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
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

// A line ends at CR, LF or CR LF, whatever system wrote the file. The bytes
// are followed by a NUL, so the library's vectorised search can find the
// line end; a NUL inside the line is rare and noted for a second look.
const char* FindLineEnd(const char* from, const char* end, bool& holdsNul)
{
    holdsNul = false;
    for (;;) {
        const char* stop = from + std::strcspn(from, "\r\n");
        if (stop == end || *stop != '\0') return stop;
        holdsNul = true;
        from = stop + 1;
    }
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

// Stores the complete lines of [begin, end) and returns where the unfinished
// last one starts, or null when a line could not be stored. An unfinished line
// gives up its whole 512-character pieces already: they are lines of their own.
const char* StoreCompleteLines(IniFile& file, const char* begin, const char* end, bool atEnd)
{
    const char* line = begin;
    while (line < end) {
        bool holdsNul = false;
        const char* lineEnd = FindLineEnd(line, end, holdsNul);
        if (lineEnd == end && !atEnd) {
            const std::size_t whole = (end - line) / kMaxLineLength * kMaxLineLength;
            return StoreLine(file, line, line + whole, holdsNul) ? line + whole : nullptr;
        }
        if (!StoreLine(file, line, lineEnd, holdsNul)) return nullptr;
        // A CR LF split between two chunks leaves an empty line, which is dropped.
        line = SkipLineEnd(lineEnd, end);
    }
    return end;
}

}  // namespace

std::int32_t LoadIniFile(IniFile& file, std::string_view path)
{
    file.Clear();
    file.path.assign(path);
    SetKindFromPath(file, path);
    FileReader reader(file.path);
    if (reader.status() == ReadStatus::Missing) return FailLoad(file, LoadState::Missing);
    if (reader.status() != ReadStatus::Ok) return FailLoad(file, LoadState::Unreadable);

    // The file goes through one buffer in chunks, so a load needs no memory
    // in proportion to the file beyond the lines themselves.
    constexpr std::size_t kChunk = 64 * 1024;
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[kChunk + 1]);
    if (!buffer) return FailLoad(file, LoadState::OutOfMemory);
    std::size_t carried = 0;
    for (bool atEnd = false; !atEnd;) {
        const std::size_t wanted = kChunk - carried;
        const std::size_t got = reader.Read(buffer.get() + carried, wanted);
        if (reader.status() != ReadStatus::Ok) return FailLoad(file, LoadState::Unreadable);
        atEnd = got < wanted;
        char* end = buffer.get() + carried + got;
        *end = '\0';
        const char* rest = StoreCompleteLines(file, buffer.get(), end, atEnd);
        if (rest == nullptr) return FailLoad(file, LoadState::OutOfMemory);
        carried = end - rest;
        std::memmove(buffer.get(), rest, carried);
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
