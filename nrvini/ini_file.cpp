#include "nrvini/ini_file.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
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
// break or an over-long line is refused because it would not read back as the
// one line that was stored.
bool MakeStorable(std::string_view& text)
{
    text = TrimTrailingBlanks(text);
    return !text.empty() && text.size() <= kMaxLineLength && text.find_first_of("\r\n") == std::string_view::npos;
}

char* CopyToPool(LinePool& pool, std::string_view text)
{
    char* space = pool.Allocate(text.size() + 1);
    if (space == nullptr) return nullptr;
    std::memcpy(space, text.data(), text.size());
    space[text.size()] = '\0';
    return space;
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
std::string HeaderText(const IniFile& file, std::string_view name)
{
    std::string header(1, file.open);
    header += name;
    if (file.close != '\0') header += file.close;
    return header;
}

bool IsHeaderOf(std::string_view line, std::string_view headerText)
{
    return StartsWithNoCase(SkipLeadingBlanks(line), headerText);
}

SectionLookup ScanForSection(const IniFile& file, std::string_view name, bool stopAtMarker)
{
    const std::string header = HeaderText(file, name);
    const std::string_view marker = LastSectionMarker();
    for (IniLine* line = file.first; line != nullptr; line = line->next) {
        if (IsCommentLine(file, line->view())) continue;
        if (IsHeaderOf(line->view(), header)) return {line, nullptr};
        if (stopAtMarker && IsHeaderOf(line->view(), marker)) return {nullptr, line};
    }
    return {nullptr, nullptr};
}

bool KeyMatches(const IniFile& file, std::string_view keyPart, std::string_view key)
{
    if (file.kind == FileKind::Ordinary) return EqualsNoCase(keyPart, key);
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

void IniFile::Clear()
{
    for (IniLine* line = first; line != nullptr;) {
        IniLine* next = line->next;
        delete line;
        line = next;
    }
    first = last = nullptr;
    lineCount = 0;
    pool.Clear();
}

bool IniFile::MayBeReplaced() const
{
    return state == LoadState::Missing || (state == LoadState::Loaded && lineCount == 0);
}

bool IsCommentLine(const IniFile& file, std::string_view line)
{
    const std::string_view text = SkipLeadingBlanks(line);
    if (file.kind != FileKind::Bat && !text.empty() && text.front() == ';') return true;
    return file.kind != FileKind::Ordinary && StartsWithNoCase(text, "REM");
}

bool OpensSection(const IniFile& file, std::string_view line)
{
    const std::string_view text = SkipLeadingBlanks(line);
    return !text.empty() && text.front() == file.open;
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
    const SectionLookup found = FindIniSection(file, section);
    if (found.header == nullptr) return {KeyOutcome::SectionMissing, found.insertBefore};
    for (IniLine* line = found.header->next; line != nullptr; line = line->next) {
        if (OpensSection(file, line->view())) return {KeyOutcome::KeyMissing, line};
        if (IsCommentLine(file, line->view())) continue;
        const KeyValue kv = SplitKeyValue(line->view());
        if (kv.hasEquals && KeyMatches(file, kv.key, key)) return {KeyOutcome::Found, line};
    }
    return {KeyOutcome::KeyMissing, nullptr};
}

IniLine* AppendLoadedLine(IniFile& file, std::string_view text)
{
    char* stored = CopyToPool(file.pool, text);
    if (stored == nullptr) return nullptr;
    auto* line = new (std::nothrow) IniLine{stored, text.size() + 1, nullptr, nullptr};
    if (line == nullptr) return nullptr;
    Link(file, line, nullptr);
    return line;
}

IniLine* InsertIniLine(IniFile& file, std::string_view text, IniLine* before)
{
    if (!MakeStorable(text)) return nullptr;
    auto* line = new (std::nothrow) IniLine{nullptr, text.size() + 1, nullptr, nullptr};
    if (line == nullptr) return nullptr;
    line->text = CopyToPool(file.pool, text);
    if (line->text == nullptr) {
        delete line;
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
        return true;
    }
    char* stored = CopyToPool(file.pool, text);
    if (stored == nullptr) return false;
    line->text = stored;
    line->capacity = text.size() + 1;
    return true;
}

void RemoveIniLine(IniFile& file, IniLine* line)
{
    (line->prev != nullptr ? line->prev->next : file.first) = line->next;
    (line->next != nullptr ? line->next->prev : file.last) = line->prev;
    --file.lineCount;
    delete line;
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
