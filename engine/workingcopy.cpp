// The working copy W and the protection of its resume point. Every profile
// write makes the system rewrite the whole of W (truncate, then write), so a
// kill, a crash or a power cut inside one leaves W empty or cut short, and with
// it the compiled list and the next command. Beside W lie
//   W.bak0, W.bak1   complete copies of W, one of them the last good one;
//   W.res0, W.res1   records naming the good copy, a fingerprint of what W
//                    holds apart from [Commands] CurrentCmd, and CurrentCmd;
//                    the newer of the two valid records counts, the older is
//                    tried when the newer's copy is not whole.
// Nothing is renamed: every write goes to the slot that the newest record does
// not name, so a write cut short never touches what a restart needs.
//
// Every write to W goes through WriteProfileString, which flushes it (95 and
// 98 keep profile writes in a cache that a read from disk would miss) and
// marks it changed; the loop protects a changed W after each command, before
// the advance. The protection of a command's changes already names the next
// command, with the number W still holds beside it (fromCmd): a restart that
// finds W with the command's changes but not yet advanced goes on after the
// command instead of running it again on top of its own effect. A protection
// write that fails drops the records, since a record that no longer describes
// W would "repair" W back to an older state; it is logged once per run.
#include <windows.h>

#include "engine/engine.h"
#include "common/guards.h"
#include "engine/core/resumestate.h"
#include "engine/syscalls.h"

namespace {

std::string CopyPath(int slot) { return g_engine.scriptPath + ".bak" + std::to_string(slot); }
std::string RecordPath(std::uint64_t seq) { return g_engine.scriptPath + ".res" + std::to_string(seq % 2); }

// The highest sequence number met, so a new record is newer than both.
std::uint64_t g_highestSeq = 0;
bool g_protectionFailureLogged = false;

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    se::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string text;
    char chunk[16384];
    DWORD n = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr) && n > 0) text.append(chunk, n);
    return text;
}

se::FileHandle CreateForWriting(const std::string& path)
{
    return se::FileHandle(
        sys::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

se::FileHandle OpenForRewriting(const std::string& path)
{
    return se::FileHandle(sys::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The copy is on the disk itself before a record names it: after a power cut
// a record never names a copy that stayed in a cache.
bool WriteWholeFile(const std::string& path, std::string_view bytes)
{
    se::FileHandle file = CreateForWriting(path);
    // A read-only file refuses the write; its attributes are cleared only then.
    if (!file && sys::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) file = CreateForWriting(path);
    if (!file) return false;
    DWORD written = 0;
    return sys::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && sys::FlushFileBuffers(file.get());
}

std::optional<se::ResumeRecord> ReadRecord(int slot)
{
    const std::optional<std::string> text = ReadWholeFile(RecordPath(static_cast<std::uint64_t>(slot)));
    return text ? se::ParseResumeRecord(*text) : std::nullopt;
}

// A record file stays open from its first write until the protection is
// removed, and each new record is written over the old one in place: an
// advance costs one write, not an open, a truncation, a write and a close. A
// write cut short leaves a record that fails its own fingerprint, exactly as a
// cut write into a truncated file did, and the other slot's record counts.
bool RewriteRecordFile(int slot, std::string_view bytes)
{
    se::FileHandle& file = g_engine.resumeRecordFiles[slot];
    const std::string path = RecordPath(static_cast<std::uint64_t>(slot));
    if (!file) file = OpenForRewriting(path);
    if (!file && sys::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) file = OpenForRewriting(path);
    if (!file) return false;
    DWORD written = 0;
    return SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
           sys::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && sys::SetEndOfFile(file.get());
}

// Older record first: a removal cut in the middle leaves the newer one, never
// an older one alone that would take W back by more than one command.
void DeleteRecords()
{
    const std::optional<se::ResumeRecord> first = ReadRecord(0), second = ReadRecord(1);
    const int newer = (second && (!first || second->seq > first->seq)) ? 1 : 0;
    for (int slot : {1 - newer, newer}) {
        g_engine.resumeRecordFiles[slot].reset();  // an open file cannot be deleted
        sys::DeleteFileA(RecordPath(static_cast<std::uint64_t>(slot)).c_str());
    }
    g_engine.resumeRecord.reset();
}

void ProtectionFailed(const std::string& what)
{
    const std::string error = LastErrorTail();
    DeleteRecords();
    if (g_protectionFailureLogged) return;
    g_protectionFailureLogged = true;
    WriteLog("ERROR-=-", " cannot protect the working copy " + g_engine.scriptPath + ": " + what + error +
                             "; a run cut from now on resumes from the working copy as it stands");
}

void WriteRecord(se::ResumeRecord record)
{
    record.seq = ++g_highestSeq;
    if (RewriteRecordFile(static_cast<int>(record.seq % 2), se::FormatResumeRecord(record)))
        g_engine.resumeRecord = record;
    else
        ProtectionFailed("cannot write " + RecordPath(record.seq));
}

// The good copy, checked against the record before it replaces anything.
std::optional<std::string> GoodCopy(const se::ResumeRecord& record)
{
    std::optional<std::string> copy = ReadWholeFile(CopyPath(record.copySlot));
    if (!copy || copy->size() != record.copySize ||
        se::Fingerprint(se::SplitOffCurrentCmd(*copy).rest) != record.restFingerprint)
        return std::nullopt;
    return copy;
}

bool WriteCurrentCmd(const std::optional<std::string>& value)
{
    const bool written = sys::WritePrivateProfileStringA("Commands", "CurrentCmd", value ? value->c_str() : nullptr,
                                                         g_engine.scriptPath.c_str()) != FALSE;
    FlushProfile(g_engine.scriptPath);
    return written;
}

// Both records, newer first; the highest number is remembered.
std::vector<se::ResumeRecord> ReadRecords()
{
    std::vector<se::ResumeRecord> records;
    for (int slot : {0, 1})
        if (std::optional<se::ResumeRecord> r = ReadRecord(slot)) records.push_back(*r);
    if (records.size() == 2 && records[1].seq > records[0].seq) std::swap(records[0], records[1]);
    for (const se::ResumeRecord& r : records) g_highestSeq = std::max(g_highestSeq, r.seq);
    return records;
}

// Puts W right by one record; false when it needs a copy that is not whole.
bool RepairFrom(const se::ResumeRecord& record, const std::string& text)
{
    const se::RepairPlan plan = se::PlanRepair(text, record);
    // No CurrentCmd at all: the loop starts at command 0.
    const std::string next = plan.currentCmd.value_or("0");
    if (plan.action == se::Repair::RestoreCopy) {
        const std::optional<std::string> copy = GoodCopy(record);
        if (!copy || !WriteWholeFile(g_engine.scriptPath, *copy) || !WriteCurrentCmd(plan.currentCmd)) return false;
        WriteLog("InitINIFile()", " working copy was damaged; rebuilt from " + CopyPath(record.copySlot) +
                                      ", next command " + next);
    } else if (plan.action == se::Repair::SetCurrentCmd) {
        if (!WriteCurrentCmd(plan.currentCmd)) return false;
        WriteLog("InitINIFile()", " working copy had lost its next command; set to " + next);
    }
    return true;
}

// The record of a text that W holds or is about to hold: a complete copy in
// the free slot when the text differs from the protected one in more than
// CurrentCmd, then the record. With `next`, the record names that command
// while W still holds its own CurrentCmd.
void ProtectText(const std::string& text, const std::optional<int>& next)
{
    se::SplitCurrentCmd split = se::SplitOffCurrentCmd(text);
    const std::uint64_t rest = se::Fingerprint(split.rest);
    const std::optional<se::ResumeRecord>& last = g_engine.resumeRecord;
    se::ResumeRecord record;
    record.currentCmd = next ? std::optional<std::string>(std::to_string(*next)) : split.currentCmd;
    if (next) record.fromCmd = split.currentCmd;
    if (last && last->restFingerprint == rest) {
        if (last->currentCmd == record.currentCmd && last->fromCmd == record.fromCmd) return;
        record.copySlot = last->copySlot;
        record.restFingerprint = rest;
        record.copySize = last->copySize;
        WriteRecord(std::move(record));
        return;
    }
    record.copySlot = last ? 1 - last->copySlot : 0;
    record.restFingerprint = rest;
    record.copySize = text.size();
    // The record names the new copy only once that copy is whole on disk.
    if (!WriteWholeFile(CopyPath(record.copySlot), text)) {
        ProtectionFailed("cannot write " + CopyPath(record.copySlot));
        return;
    }
    WriteRecord(std::move(record));
}

}  // namespace

void NoteWorkingCopyWritten(const std::string& file)
{
    if (file != g_engine.scriptPath) return;
    FlushProfile(file);
    g_engine.workingCopyChanged = true;
}

bool RecoverWorkingCopy()
{
    // The 95/98 replacement renames W aside before it moves the new copy in;
    // cut between the two, W is missing and the aside file is the whole old W.
    const std::string aside = g_engine.scriptPath + ".old";
    if (!FileOrDirectoryExists(g_engine.scriptPath) && FileOrDirectoryExists(aside) &&
        sys::MoveFileA(aside.c_str(), g_engine.scriptPath.c_str()))
        WriteLog("InitINIFile()", " working copy was missing; put back from " + aside);
    const std::vector<se::ResumeRecord> records = ReadRecords();
    if (records.empty()) {
        g_engine.resumeRecord.reset();
        return true;  // nothing protected this copy yet
    }
    // On the NT family a copy is replaced in one step and is never missing
    // on the way; a copy that is gone there was deleted, and the start makes
    // a fresh one, as it always has. 95 and 98 put it back from its record.
    if (!FileOrDirectoryExists(g_engine.scriptPath) && !IsWin95() && !IsWin98()) {
        g_engine.resumeRecord.reset();
        return true;
    }
    const std::string text = ReadWholeFile(g_engine.scriptPath).value_or("");
    for (const se::ResumeRecord& record : records) {
        g_engine.resumeRecord = record;
        if (RepairFrom(record, text)) return true;
    }
    // Running a damaged copy would run half commands: the run refuses, and
    // leaves W and its protection as they are for someone to look at.
    g_engine.resumeRecord.reset();
    WriteLog("ERROR-=-", " working copy " + g_engine.scriptPath + " is damaged and neither " + CopyPath(0) + " nor " +
                             CopyPath(1) + " can replace it");
    return false;
}

void LoadNewestRecord()
{
    const std::vector<se::ResumeRecord> records = ReadRecords();
    if (records.empty()) g_engine.resumeRecord.reset();
    else g_engine.resumeRecord = records.front();
}

void ProtectWorkingCopy(const std::optional<int>& next)
{
    FlushProfile(g_engine.scriptPath);
    const std::optional<std::string> text = ReadWholeFile(g_engine.scriptPath);
    if (!text) {
        ProtectionFailed("cannot read it");
        return;
    }
    ProtectText(*text, next);
    g_engine.workingCopyChanged = false;
}

bool ProtectNewWorkingCopy(const std::string& file)
{
    FlushProfile(file);
    const std::optional<std::string> text = ReadWholeFile(file);
    if (!text) return false;
    ProtectText(*text, std::nullopt);
    return true;
}

bool WriteScriptKey(const std::string& section, const std::string& key, const std::string& value)
{
    if (WriteProfileString(section.c_str(), key, value, g_engine.scriptPath)) return true;
    WriteLog("ERROR-=-", " cannot write [" + section + "] " + key + "=" + value + " into " + g_engine.scriptPath +
                             LastErrorTail());
    return false;
}

namespace {

void StopBeforeAdvance(const std::string& what)
{
    WriteLog("ERROR-=-", " cannot write " + what + " into " + g_engine.scriptPath + LastErrorTail() + "; the run stops here");
    g_engine.stopBeforeAdvance = true;
}

}  // namespace

void WriteEngineKey(const std::string& section, const std::string& key, const std::string& value)
{
    if (!WriteProfileString(section.c_str(), key, value, g_engine.scriptPath))
        StopBeforeAdvance("[" + section + "] " + key + "=" + value);
}

void DeleteEngineSection(const std::string& section)
{
    if (!WriteProfileString(section.c_str(), nullptr, nullptr, g_engine.scriptPath))
        StopBeforeAdvance("the removal of [" + section + "]");
}

bool AdvanceTo(int from, int next)
{
    // The record comes first and names the next command beside the one the
    // copy still holds: a write into the copy cut from here on (the system
    // rewrites the whole file) is repaired to the next command, never to this
    // one again. A record that already says so is not written twice.
    if (g_engine.resumeRecord) {
        se::ResumeRecord record = *g_engine.resumeRecord;
        const std::string to = std::to_string(next), held = std::to_string(from);
        if (record.currentCmd != to || record.fromCmd != held) {
            record.currentCmd = to;
            record.fromCmd = held;
            WriteRecord(std::move(record));
        }
    }
    return WriteCurrentCmd(std::to_string(next));
}

std::vector<std::string> ResumeProtectionFiles()
{
    return {CopyPath(0), CopyPath(1), RecordPath(0), RecordPath(1)};
}

void RemoveResumeProtection()
{
    DeleteRecords();
    for (int slot = 0; slot < 2; ++slot) sys::DeleteFileA(CopyPath(slot).c_str());
    // Nothing is left to protect: what the copy held is no longer wanted.
    g_engine.workingCopyChanged = false;
}
