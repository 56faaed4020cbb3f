#pragma once
// In-memory image of one INI, CONFIG.SYS-style or batch file: a doubly linked
// list of lines whose texts live in a pool of fixed-size blocks. Each profile
// call builds one, works on it and discards it; nothing is cached.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nrvini {

// Lines are read in pieces of this many characters, and a line is stored only
// if it is no longer, so that every line written can be read back unchanged.
inline constexpr std::size_t kMaxLineLength = 512;
inline constexpr std::size_t kPoolBlockSize = 1024;

struct PoolBlock {
    char* base;
    char* nextFree;
    std::size_t size;
    std::size_t remaining;
    PoolBlock* prev;
    PoolBlock* next;
};

// Texts are carved from 1024-byte blocks and only given back all at once, so a
// load costs one heap request per block instead of one per line.
class LinePool {
public:
    LinePool() = default;
    LinePool(const LinePool&) = delete;
    LinePool& operator=(const LinePool&) = delete;
    ~LinePool() { Clear(); }

    // Space for bytes bytes (rounded up to 4), or null when the request is
    // larger than a block or memory is exhausted.
    char* Allocate(std::size_t bytes);
    void Clear();
    int blockCount() const { return blockCount_; }

    // Makes every block request after the next `blocks` fail (-1: no limit),
    // so that tests can exhaust memory at a chosen point.
    static void LimitBlocksForTesting(long blocks);

private:
    bool AddBlock();

    PoolBlock* first_ = nullptr;
    PoolBlock* current_ = nullptr;
    int blockCount_ = 0;
};

struct IniLine {
    char* text;            // NUL-terminated, in the pool
    std::size_t capacity;  // bytes reserved for text, terminator included
    IniLine* prev;
    IniLine* next;
    std::size_t length;  // of text, so that walks need not measure it again

    std::string_view view() const { return {text, length}; }
};

// Line records come in chunks with a free list: a load of ten thousand lines
// would otherwise spend most of its time in the heap, one request per line.
class LineRecords {
public:
    LineRecords() = default;
    LineRecords(const LineRecords&) = delete;
    LineRecords& operator=(const LineRecords&) = delete;
    ~LineRecords() { Clear(); }

    IniLine* Allocate();  // null when memory is exhausted
    void Release(IniLine* line);
    void Clear();

private:
    struct Chunk;
    Chunk* chunks_ = nullptr;
    std::size_t usedInFirst_ = 0;
    IniLine* free_ = nullptr;
};

enum class FileKind : int { Ordinary = 0, Sys = 1, Bat = 2 };

// What a file's name decides: its kind and the delimiters of its headers.
struct FileRules {
    FileKind kind = FileKind::Ordinary;
    char open = '[';   // opening character of a section header
    char close = ']';  // closing character; '\0' where there is none (BAT labels)
};

// BAT files have ":label" headers; SYS and every other name "[name]".
FileRules RulesForPath(std::string_view path);

// Why a load ended the way it did. The writers may build a new file only when
// nothing stored can be lost: the file is missing or holds no lines, and
// nothing that the load dropped.
enum class LoadState { NotLoaded, Loaded, Missing, Unreadable, OutOfMemory };

struct IniFile : FileRules {
    IniFile() = default;
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;
    ~IniFile() { Clear(); }

    // Drops every line and pool block.
    void Clear();
    bool MayBeReplaced() const;
    // A save writes back every line the caller did not edit byte for byte
    // only if the load held each one exactly (see holdsEveryLine).
    bool MayBeSaved() const { return holdsEveryLine; }

    LinePool pool;
    LineRecords records;
    IniLine* first = nullptr;
    IniLine* last = nullptr;
    std::int32_t lineCount = 0;
    std::string path;
    LoadState state = LoadState::NotLoaded;
    // False once the load met a line it cannot hold exactly: one of more than
    // kMaxLineLength characters (stored in pieces), one holding a NUL (stored
    // up to it), or text after the end-of-file mark (not read). A save would
    // change or lose such lines, so the writers leave the file alone.
    bool holdsEveryLine = true;
};

// Line count, or -1 when the file is missing, cannot be read or a line cannot
// be stored (file.state tells which). The file is read as text mode reads it:
// lines end at LF (a CR before it is a trailing blank, a lone CR an ordinary
// character) and the text ends at the first Ctrl-Z.
std::int32_t LoadIniFile(IniFile& file, std::string_view path);

// Makes loads and key scans read files in chunks of this many bytes (at least
// kMaxLineLength; 0: the usual size), so that tests can put chunk boundaries
// anywhere in a file.
void SetReadChunkForTesting(std::size_t bytes);

// Writes every line with CR LF ends and one empty line before each section
// header but the first. An empty target means the file's own path. The text
// goes to a temporary file beside the target that then replaces it in one
// step, so a failed save leaves the old file as it was. Line count or -1.
std::int32_t SaveIniFile(const IniFile& file, std::string_view target = {});

struct SectionLookup {
    IniLine* header;        // null when the section is missing
    IniLine* insertBefore;  // where a new section goes; null: at the end
};
SectionLookup FindIniSection(const IniFile& file, std::string_view name);

enum class KeyOutcome { Found, KeyMissing, SectionMissing };
struct KeyLookup {
    KeyOutcome outcome;
    // Found: the key line. KeyMissing: the line that ends the section (null at
    // the end of the file). SectionMissing: the insertion position.
    IniLine* line;
};
KeyLookup FindIniKey(const IniFile& file, std::string_view section, std::string_view key);

// The text is stored with its trailing blanks cut. A text that is blank, holds
// a line break or is longer than kMaxLineLength cannot be stored: null/false,
// like exhausted memory, and nothing changes.
IniLine* InsertIniLine(IniFile& file, std::string_view text, IniLine* before);
bool ReplaceIniLine(IniFile& file, IniLine* line, std::string_view text);
void RemoveIniLine(IniFile& file, IniLine* line);
// Appends a piece read from disk, which is already trimmed and short enough.
IniLine* AppendLoadedLine(IniFile& file, std::string_view text);

void DeleteIniSection(IniFile& file, std::string_view name);

// list: NUL-terminated strings ended by an empty one. Lines that are blank are
// left out, since a load would drop them anyway.
bool InsertIniSection(IniFile& file, IniLine* before, std::string_view name, const char* list);

// Rules shared with the profile functions.
bool IsCommentLine(const FileRules& rules, std::string_view line);
bool OpensSection(const FileRules& rules, std::string_view line);
IniLine* FindSectionHeader(const IniFile& file, std::string_view name, bool stopAtMarker);

// The search for a section, one line at a time in file order, so that the same
// rules serve the lines of an IniFile and lines read straight from a file.
class SectionSearch {
public:
    enum class Verdict { Other, Header, Marker };

    SectionSearch(const FileRules& rules, std::string_view name, bool stopAtMarker);
    // Header: the line is the section's header. Marker: the search stops in
    // front of this line, the last-section marker. Comments are Other.
    Verdict Test(std::string_view line) const;
    const FileRules& rules() const { return rules_; }
    // A line can be the header or the marker only if it holds one of these
    // bytes (the first of each); a line that holds none is Other.
    std::string_view Needs() const { return {needs_, needCount_}; }

private:
    FileRules rules_;
    std::string header_;
    std::string_view marker_;  // taken once: it does not change during a call
    bool stopAtMarker_;
    char needs_[2];
    std::size_t needCount_;
};

// The search for a key of a section, fed the lines in file order.
class KeySearch {
public:
    KeySearch(const FileRules& rules, std::string_view section, std::string_view key);
    // True once this line settles the outcome: the key line (Found), the line
    // that ends the section (KeyMissing) or the marker line (SectionMissing).
    bool Feed(std::string_view line);
    // The outcome once settled, or at the end of the lines.
    KeyOutcome outcome() const { return outcome_; }
    // Bytes of which a line must hold one to change the search; empty when
    // any line may.
    std::string_view Needs() const { return inSection_ ? std::string_view{} : section_.Needs(); }

private:
    SectionSearch section_;
    std::string_view key_;
    bool inSection_ = false;
    KeyOutcome outcome_ = KeyOutcome::SectionMissing;
};

// One key read straight from the file, through the same lines a load would
// give, without building an IniFile: no memory per line, and no more work
// than the search needs.
struct ScannedKey {
    bool hasLines = false;  // as a load with a line count above 0
    bool found = false;
    std::size_t length = 0;
    char line[kMaxLineLength + 1];  // the key line when found

    std::string_view view() const { return {line, length}; }
};
ScannedKey ScanIniKey(std::string_view path, std::string_view section, std::string_view key);

// The last-section marker: "[name]". Lookups do not look past a line that
// begins with it and new sections go in front of it. Initially "[]".
std::string_view LastSectionMarker();
void SetLastSectionMarker(std::string_view name);

}  // namespace nrvini
