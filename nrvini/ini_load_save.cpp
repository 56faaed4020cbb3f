// Loading a file into an IniFile and writing one back.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "nrvini/file_io.h"
#include "nrvini/ini_file.h"
#include "nrvini/ini_text.h"

namespace nrvini {
namespace {

// Files are read as text mode reads them: a line ends at LF, and the CR of a
// CR LF is a trailing blank that the trim removes; a lone CR is an ordinary
// character. The bytes are followed by a NUL, so the library's vectorised
// search can find the line end; a NUL inside the line is rare and noted for a
// second look.
const char* FindLineEnd(const char* from, const char* end, bool& holdsNul)
{
    holdsNul = false;
    for (;;) {
        const char* stop = from + std::strcspn(from, "\n");
        if (stop == end || *stop != '\0') return stop;
        holdsNul = true;
        from = stop + 1;
    }
}

const char* SkipLineEnd(const char* at, const char* end)
{
    return at == end ? at : at + 1;
}

// Text mode ends a file's text at its first Ctrl-Z (the DOS end-of-file mark).
constexpr char kEndOfFileMark = '\x1a';

// Bytes after the mark are not read; they are lost to a save unless they are
// only further marks and blanks.
bool HoldsTextAfterMark(const char* from, const char* end)
{
    for (; from < end; ++from)
        if (*from != kEndOfFileMark && !IsBlank(*from)) return true;
    return false;
}

// What the taker of the pieces a load stores says after each one.
enum class PieceAction { More, Done, Failed };

// A taker of pieces has PieceAction Take(std::string_view piece),
// std::string_view Needs(): bytes of which a piece must hold one to be of any
// use to it at that point, empty when every piece is; and void NoteInexact(),
// told of every line its pieces do not give back byte for byte.

// A piece ends at its first NUL, as a C string would; trailing blanks go and
// a piece with nothing left is dropped.
template <class Taker>
PieceAction TakePiece(Taker& taker, std::string_view piece, bool mayHoldNul)
{
    const std::size_t nul = mayHoldNul ? piece.find('\0') : std::string_view::npos;
    if (nul != std::string_view::npos) piece = piece.substr(0, nul);
    piece = TrimTrailingBlanks(piece);
    return piece.empty() ? PieceAction::More : taker.Take(piece);
}

// A physical line longer than kMaxLineLength becomes several lines. The line
// is held exactly only as one piece without a NUL: a save of a longer one
// would write its pieces as lines of their own, and of one with a NUL only
// what precedes it. continued: the line began in an earlier chunk, which took
// its first pieces already, so anything non-blank here lies past them.
template <class Taker>
PieceAction TakeLine(Taker& taker, const char* begin, const char* end, bool holdsNul, bool continued)
{
    const std::size_t kept = TrimTrailingBlanks({begin, static_cast<std::size_t>(end - begin)}).size();
    if (holdsNul || kept > (continued ? 0 : kMaxLineLength)) taker.NoteInexact();
    for (const char* piece = begin; piece < end; piece += kMaxLineLength) {
        const std::size_t length = std::min<std::size_t>(end - piece, kMaxLineLength);
        const PieceAction action = TakePiece(taker, {piece, length}, holdsNul);
        if (action != PieceAction::More) return action;
    }
    return PieceAction::More;
}

// Finds, within one chunk, the lines a taker has no use for, so that they are
// passed over whole instead of being cut into pieces one by one. Each needed
// byte is searched for once and its place kept until the walk passes it, so a
// chunk costs one pass per needed byte and per line that holds one.
class LineSkipper {
public:
    explicit LineSkipper(const char* end) : end_(end) {}

    // The start of the first line of [from, end) that holds a needed byte, or
    // of the last line, which may be unfinished. Every line before it holds
    // none, and neither can any of its pieces. from starts a line.
    const char* NextUsefulLine(const char* from, std::string_view needs)
    {
        if (needs.empty()) return from;
        const char* first = end_;
        for (std::size_t i = 0; i < needs.size() && i < kSlots; ++i) first = std::min(first, NextPlace(i, needs[i], from));
        if (needs.size() > kSlots) return from;  // more than it keeps track of: no skipping
        // Needed bytes are never line ends: the byte after the LF before the
        // found byte starts a line.
        const char* start = first;
        while (start > from && start[-1] != '\n') --start;
        return start;
    }

private:
    static constexpr std::size_t kSlots = 2;
    struct Place {
        char byte;
        const char* at;  // null: not searched yet
    };

    const char* NextPlace(std::size_t slot, char byte, const char* from)
    {
        Place& place = places_[slot];
        if (place.at == nullptr || place.byte != byte || place.at < from) {
            const void* found = std::memchr(from, static_cast<unsigned char>(byte), end_ - from);
            place = {byte, found != nullptr ? static_cast<const char*>(found) : end_};
        }
        return place.at;
    }

    const char* end_;
    Place places_[kSlots] = {};
};

// Hands the complete lines of [begin, end) to the taker and sets rest to where
// the unfinished last one starts. An unfinished line gives up its whole
// 512-character pieces already: they are lines of their own. continued says,
// on entry and on return, whether the line at begin (at rest) began in an
// earlier chunk.
template <class Taker>
PieceAction TakeCompleteLines(Taker& taker, const char* begin, const char* end, bool atEnd, const char*& rest,
                              bool& continued)
{
    LineSkipper skipper(end);
    const char* line = begin;
    while (line < end) {
        line = skipper.NextUsefulLine(line, taker.Needs());
        if (line == end) break;
        const bool continues = continued && line == begin;
        continued = false;
        bool holdsNul = false;
        const char* lineEnd = FindLineEnd(line, end, holdsNul);
        if (lineEnd == end && !atEnd) {
            rest = line + (end - line) / kMaxLineLength * kMaxLineLength;
            continued = continues || rest > line;
            return TakeLine(taker, line, rest, holdsNul, continues);
        }
        const PieceAction action = TakeLine(taker, line, lineEnd, holdsNul, continues);
        if (action != PieceAction::More) return action;
        line = SkipLineEnd(lineEnd, end);
    }
    rest = end;
    return PieceAction::More;
}

constexpr std::size_t kReadChunk = 64 * 1024;
std::atomic<std::size_t> g_readChunk{kReadChunk};

// Hands every piece a load stores to the taker, in file order. The file goes
// through one buffer in chunks, so this needs no memory in proportion to the
// file. Once the taker is done, or the text has ended at the end-of-file
// mark, the rest is still read, so that a failed read anywhere in the file
// counts the same whoever takes the pieces.
template <class Taker>
LoadState ReadPieces(const std::string& path, Taker& taker)
{
    RecoverSetAsideFile(path);
    FileReader reader(path);
    if (reader.status() == ReadStatus::Missing) return LoadState::Missing;
    if (reader.status() != ReadStatus::Ok) return LoadState::Unreadable;

    const std::size_t chunk = g_readChunk.load();
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk + 1]);
    if (!buffer) return LoadState::OutOfMemory;
    std::size_t carried = 0;
    bool taking = true;
    bool marked = false;
    bool continued = false;
    for (bool atEnd = false; !atEnd;) {
        const std::size_t wanted = chunk - carried;
        char* fresh = buffer.get() + carried;
        const std::size_t got = reader.Read(fresh, wanted);
        if (reader.status() != ReadStatus::Ok) return LoadState::Unreadable;
        atEnd = got < wanted;
        char* end = fresh + got;
        if (marked) {
            if (HoldsTextAfterMark(fresh, end)) taker.NoteInexact();
            continue;
        }
        if (char* mark = static_cast<char*>(std::memchr(fresh, kEndOfFileMark, got))) {
            marked = true;
            if (HoldsTextAfterMark(mark + 1, end)) taker.NoteInexact();
            end = mark;
        }
        if (!taking) continue;
        *end = '\0';
        const char* rest = end;
        const PieceAction action = TakeCompleteLines(taker, buffer.get(), end, atEnd || marked, rest, continued);
        if (action == PieceAction::Failed) return LoadState::OutOfMemory;
        if (action == PieceAction::Done) {
            taking = false;
            carried = 0;
            continue;
        }
        carried = end - rest;
        std::memmove(buffer.get(), rest, carried);
    }
    return LoadState::Loaded;
}

// Every piece goes into the IniFile.
struct LineAppender {
    IniFile& file;

    PieceAction Take(std::string_view piece)
    {
        return AppendLoadedLine(file, piece) != nullptr ? PieceAction::More : PieceAction::Failed;
    }
    std::string_view Needs() const { return {}; }
    void NoteInexact() { file.holdsEveryLine = false; }
};

// Pieces go through a key search and are forgotten; the key line is kept.
struct KeyScanner {
    KeySearch search;
    ScannedKey& scanned;
    bool settled = false;

    PieceAction Take(std::string_view piece)
    {
        scanned.hasLines = true;
        if (!search.Feed(piece)) return PieceAction::More;
        settled = true;
        // The piece lives in the read buffer, which is gone by the time the
        // caller looks at the line.
        if (search.outcome() == KeyOutcome::Found) {
            std::memcpy(scanned.line, piece.data(), piece.size());
            scanned.line[piece.size()] = '\0';
            scanned.length = piece.size();
        }
        return PieceAction::Done;
    }
    // Until a line is seen every piece counts, if only as a line.
    std::string_view Needs() const { return scanned.hasLines ? search.Needs() : std::string_view{}; }
    void NoteInexact() {}
};

std::int32_t FailLoad(IniFile& file, LoadState state)
{
    file.Clear();
    file.state = state;
    file.lineCount = -1;
    return -1;
}

}  // namespace

void SetReadChunkForTesting(std::size_t bytes)
{
    g_readChunk = bytes == 0 ? kReadChunk : std::max(bytes, kMaxLineLength);
}

std::int32_t LoadIniFile(IniFile& file, std::string_view path)
{
    file.Clear();
    file.holdsEveryLine = true;
    file.path.assign(path);
    static_cast<FileRules&>(file) = RulesForPath(path);
    LineAppender appender{file};
    const LoadState state = ReadPieces(file.path, appender);
    if (state != LoadState::Loaded) return FailLoad(file, state);
    file.state = LoadState::Loaded;
    return file.lineCount;
}

ScannedKey ScanIniKey(std::string_view path, std::string_view section, std::string_view key)
{
    ScannedKey scanned;
    KeyScanner scanner{KeySearch(RulesForPath(path), section, key), scanned};
    if (ReadPieces(std::string(path), scanner) != LoadState::Loaded) return ScannedKey{};
    scanned.found = scanner.settled && scanner.search.outcome() == KeyOutcome::Found;
    return scanned;
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
    return SaveFile(path, text) ? file.lineCount : -1;
}

}  // namespace nrvini
