#include "nrvini/ini_file.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "nrvini/ini_text.h"

namespace nrvini {
namespace {

std::atomic<long> g_blockBudget{-1};

bool TakeBlockFromBudget()
{
    long budget = g_blockBudget.load();
    while (budget >= 0) {
        if (budget == 0) return false;
        if (g_blockBudget.compare_exchange_weak(budget, budget - 1)) return true;
    }
    return true;
}

std::size_t RoundUpTo4(std::size_t n)
{
    return (n + 3) & ~static_cast<std::size_t>(3);
}

// Trailing blanks are cut because a load would cut them; a blank text, a line
// feed, an end-of-file mark or an over-long line is refused because it would
// not read back as the one line that was stored.
bool MakeStorable(std::string_view& text)
{
    text = TrimTrailingBlanks(text);
    return !text.empty() && text.size() <= kMaxLineLength && text.find_first_of("\n\x1a") == std::string_view::npos;
}

char* CopyToPool(LinePool& pool, std::string_view text)
{
    char* space = pool.Allocate(text.size() + 1);
    if (space == nullptr) return nullptr;
    std::memcpy(space, text.data(), text.size());
    space[text.size()] = '\0';
    return space;
}

IniLine* NewLine(IniFile& file, char* text, std::string_view stored)
{
    IniLine* line = file.records.Allocate();
    if (line == nullptr) return nullptr;
    *line = IniLine{text, stored.size() + 1, nullptr, nullptr, stored.size()};
    return line;
}

void Link(IniFile& file, IniLine* line, IniLine* before)
{
    if (file.first == nullptr) before = nullptr;  // the only line, wherever it was asked to go
    line->next = before;
    line->prev = before != nullptr ? before->prev : file.last;
    (line->prev != nullptr ? line->prev->next : file.first) = line;
    (before != nullptr ? before->prev : file.last) = line;
    ++file.lineCount;
}

// Section headers are "[name]"; in batch files labels ":name" play that part.
std::string HeaderText(const FileRules& rules, std::string_view name)
{
    std::string header(1, rules.open);
    header += name;
    if (rules.close != '\0') header += rules.close;
    return header;
}

// text: the line after its leading blanks.
bool BeginsWithHeader(std::string_view text, std::string_view headerText)
{
    // The first character is a delimiter; testing it alone settles most lines.
    return !text.empty() && text.front() == headerText.front() && StartsWithNoCase(text, headerText);
}

bool IsHeaderOf(std::string_view line, std::string_view headerText)
{
    return BeginsWithHeader(SkipLeadingBlanks(line), headerText);
}

// text: the line after its leading blanks.
bool IsCommentText(const FileRules& rules, std::string_view text)
{
    if (rules.kind != FileKind::Bat && !text.empty() && text.front() == ';') return true;
    return rules.kind != FileKind::Ordinary && StartsWithNoCase(text, "REM");
}

SectionLookup ScanForSection(const IniFile& file, std::string_view name, bool stopAtMarker)
{
    const SectionSearch search(file, name, stopAtMarker);
    for (IniLine* line = file.first; line != nullptr; line = line->next) {
        switch (search.Test(line->view())) {
        case SectionSearch::Verdict::Header: return {line, nullptr};
        case SectionSearch::Verdict::Marker: return {nullptr, line};
        case SectionSearch::Verdict::Other: break;
        }
    }
    return {nullptr, nullptr};
}

bool KeyMatches(const FileRules& rules, std::string_view keyPart, std::string_view key)
{
    if (rules.kind == FileKind::Ordinary) return EqualsNoCase(keyPart, key);
    return FindWord(keyPart, key) != std::string_view::npos;
}

}  // namespace

void LinePool::LimitBlocksForTesting(long blocks)
{
    g_blockBudget = blocks;
}

bool LinePool::AddBlock()
{
    if (!TakeBlockFromBudget()) return false;
    // One heap request holds the block record and its space.
    void* memory = std::malloc(sizeof(PoolBlock) + kPoolBlockSize);
    if (memory == nullptr) return false;
    auto* block = static_cast<PoolBlock*>(memory);
    block->base = static_cast<char*>(memory) + sizeof(PoolBlock);
    block->nextFree = block->base;
    block->size = kPoolBlockSize;
    block->remaining = kPoolBlockSize;
    block->prev = current_;
    block->next = nullptr;
    (current_ != nullptr ? current_->next : first_) = block;
    current_ = block;
    ++blockCount_;
    return true;
}

char* LinePool::Allocate(std::size_t bytes)
{
    const std::size_t rounded = RoundUpTo4(bytes);
    if (rounded > kPoolBlockSize) return nullptr;
    if ((current_ == nullptr || current_->remaining < rounded) && !AddBlock()) return nullptr;
    char* space = current_->nextFree;
    current_->nextFree += rounded;
    current_->remaining -= rounded;
    return space;
}

void LinePool::Clear()
{
    for (PoolBlock* block = first_; block != nullptr;) {
        PoolBlock* next = block->next;
        std::free(block);
        block = next;
    }
    first_ = current_ = nullptr;
    blockCount_ = 0;
}

struct LineRecords::Chunk {
    static constexpr std::size_t kLines = 256;
    Chunk* next;
    IniLine lines[kLines];
};

IniLine* LineRecords::Allocate()
{
    if (free_ != nullptr) {
        IniLine* line = free_;
        free_ = line->next;
        return line;
    }
    if (chunks_ == nullptr || usedInFirst_ == Chunk::kLines) {
        auto* chunk = static_cast<Chunk*>(std::malloc(sizeof(Chunk)));
        if (chunk == nullptr) return nullptr;
        chunk->next = chunks_;
        chunks_ = chunk;
        usedInFirst_ = 0;
    }
    return &chunks_->lines[usedInFirst_++];
}

void LineRecords::Release(IniLine* line)
{
    line->next = free_;
    free_ = line;
}

void LineRecords::Clear()
{
    while (chunks_ != nullptr) {
        Chunk* next = chunks_->next;
        std::free(chunks_);
        chunks_ = next;
    }
    usedInFirst_ = 0;
    free_ = nullptr;
}

void IniFile::Clear()
{
    first = last = nullptr;
    lineCount = 0;
    records.Clear();
    pool.Clear();
}

bool IniFile::MayBeReplaced() const
{
    return state == LoadState::Missing || (state == LoadState::Loaded && lineCount == 0 && holdsEveryLine);
}

FileRules RulesForPath(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view extension = path.substr(dot + 1);
    if (EqualsNoCase(extension, "BAT")) return {FileKind::Bat, ':', '\0'};
    if (EqualsNoCase(extension, "SYS")) return {FileKind::Sys, '[', ']'};
    return {};
}

bool IsCommentLine(const FileRules& rules, std::string_view line)
{
    return IsCommentText(rules, SkipLeadingBlanks(line));
}

bool OpensSection(const FileRules& rules, std::string_view line)
{
    const std::string_view text = SkipLeadingBlanks(line);
    return !text.empty() && text.front() == rules.open;
}

SectionSearch::SectionSearch(const FileRules& rules, std::string_view name, bool stopAtMarker)
    : rules_(rules), header_(HeaderText(rules, name)), marker_(LastSectionMarker()), stopAtMarker_(stopAtMarker)
{
    // Both tests below need their text's first character in the line.
    needs_[0] = header_.front();
    needCount_ = 1;
    if (stopAtMarker_ && marker_.front() != needs_[0]) needs_[needCount_++] = marker_.front();
}

SectionSearch::Verdict SectionSearch::Test(std::string_view line) const
{
    const std::string_view text = SkipLeadingBlanks(line);
    if (IsCommentText(rules_, text)) return Verdict::Other;
    if (BeginsWithHeader(text, header_)) return Verdict::Header;
    if (stopAtMarker_ && BeginsWithHeader(text, marker_)) return Verdict::Marker;
    return Verdict::Other;
}

KeySearch::KeySearch(const FileRules& rules, std::string_view section, std::string_view key)
    : section_(rules, section, true), key_(key)
{
}

bool KeySearch::Feed(std::string_view line)
{
    if (!inSection_) {
        switch (section_.Test(line)) {
        case SectionSearch::Verdict::Header:
            inSection_ = true;
            outcome_ = KeyOutcome::KeyMissing;
            return false;
        case SectionSearch::Verdict::Marker: return true;
        case SectionSearch::Verdict::Other: return false;
        }
    }
    const FileRules& rules = section_.rules();
    if (OpensSection(rules, line)) return true;
    if (IsCommentLine(rules, line)) return false;
    const KeyValue kv = SplitKeyValue(line);
    if (!kv.hasEquals || !KeyMatches(rules, kv.key, key_)) return false;
    outcome_ = KeyOutcome::Found;
    return true;
}

IniLine* FindSectionHeader(const IniFile& file, std::string_view name, bool stopAtMarker)
{
    return ScanForSection(file, name, stopAtMarker).header;
}

SectionLookup FindIniSection(const IniFile& file, std::string_view name)
{
    return ScanForSection(file, name, true);
}

KeyLookup FindIniKey(const IniFile& file, std::string_view section, std::string_view key)
{
    KeySearch search(file, section, key);
    for (IniLine* line = file.first; line != nullptr; line = line->next) {
        if (search.Feed(line->view())) return {search.outcome(), line};
    }
    return {search.outcome(), nullptr};
}

IniLine* AppendLoadedLine(IniFile& file, std::string_view text)
{
    char* stored = CopyToPool(file.pool, text);
    IniLine* line = stored != nullptr ? NewLine(file, stored, text) : nullptr;
    if (line != nullptr) Link(file, line, nullptr);
    return line;
}

IniLine* InsertIniLine(IniFile& file, std::string_view text, IniLine* before)
{
    if (!MakeStorable(text)) return nullptr;
    // The record first, so that a pool failure leaves nothing to undo in it.
    IniLine* line = NewLine(file, nullptr, text);
    if (line == nullptr) return nullptr;
    line->text = CopyToPool(file.pool, text);
    if (line->text == nullptr) {
        file.records.Release(line);
        return nullptr;
    }
    Link(file, line, before);
    return line;
}

bool ReplaceIniLine(IniFile& file, IniLine* line, std::string_view text)
{
    if (!MakeStorable(text)) return false;
    if (text.size() + 1 <= line->capacity) {
        std::memcpy(line->text, text.data(), text.size());
        line->text[text.size()] = '\0';
        line->length = text.size();
        return true;
    }
    char* stored = CopyToPool(file.pool, text);
    if (stored == nullptr) return false;
    line->text = stored;
    line->capacity = text.size() + 1;
    line->length = text.size();
    return true;
}

void RemoveIniLine(IniFile& file, IniLine* line)
{
    (line->prev != nullptr ? line->prev->next : file.first) = line->next;
    (line->next != nullptr ? line->next->prev : file.last) = line->prev;
    --file.lineCount;
    file.records.Release(line);
}

void DeleteIniSection(IniFile& file, std::string_view name)
{
    // Only bracketed headers are looked for, whatever the file kind, and
    // comments and the marker are not consulted.
    const std::string header = HeaderText(file, name);
    IniLine* line = file.first;
    while (line != nullptr && !(SkipLeadingBlanks(line->view()).starts_with('[') && IsHeaderOf(line->view(), header))) {
        line = line->next;
    }
    if (line == nullptr) return;
    do {
        IniLine* next = line->next;
        RemoveIniLine(file, line);
        line = next;
    } while (line != nullptr && !OpensSection(file, line->view()));
}

bool InsertIniSection(IniFile& file, IniLine* before, std::string_view name, const char* list)
{
    std::string header = "[";
    header += name;
    header += ']';
    if (InsertIniLine(file, header, before) == nullptr) return false;
    for (const char* entry = list; *entry != '\0'; entry += std::strlen(entry) + 1) {
        const std::string_view text = entry;
        if (TrimTrailingBlanks(text).empty()) continue;
        if (InsertIniLine(file, text, before) == nullptr) return false;
    }
    return true;
}

namespace {
// "[" + name + "]" and its terminator fit in 256 bytes.
constexpr std::size_t kMarkerCapacity = 256;
char g_marker[kMarkerCapacity] = "[]";
}  // namespace

std::string_view LastSectionMarker()
{
    return g_marker;
}

void SetLastSectionMarker(std::string_view name)
{
    const std::size_t kept = std::min(name.size(), kMarkerCapacity - 3);
    g_marker[0] = '[';
    std::memcpy(g_marker + 1, name.data(), kept);
    g_marker[kept + 1] = ']';
    g_marker[kept + 2] = '\0';
}

}  // namespace nrvini
