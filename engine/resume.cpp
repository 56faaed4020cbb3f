// Protection of the resume point. Every profile write makes the system rewrite
// the whole working copy (truncate, then write), so a kill, a crash or a power
// cut inside one leaves the copy empty or cut short, and with it the compiled
// list and the next command. Beside the working copy W lie
//   W.bak0, W.bak1   complete copies of W, one of them the last good one;
//   W.res0, W.res1   records naming the good copy, a fingerprint of what W
//                    holds apart from [Commands] CurrentCmd, and CurrentCmd;
//                    the newer of the two valid records counts.
// Nothing is renamed: every write goes to the slot that the newest record does
// not name, so a write cut short never touches what a restart needs. The copy
// is refreshed whenever W changes in more than CurrentCmd (a compile, a
// command that edits the script); the record alone after every advance.
#include <windows.h>

#include "engine/engine.h"
#include "engine/syscalls.h"
#include "engine/guards.h"
#include "engine/resumestate.h"

namespace {

std::string CopyPath(int slot) { return g_engine.scriptPath + ".bak" + std::to_string(slot); }
std::string RecordPath(std::uint64_t seq) { return g_engine.scriptPath + ".res" + std::to_string(seq % 2); }

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    se::FileHandle file(sys::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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

bool WriteWholeFile(const std::string& path, std::string_view bytes)
{
    se::FileHandle file = CreateForWriting(path);
    // A read-only file refuses the write; its attributes are cleared only then.
    if (!file && sys::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) file = CreateForWriting(path);
    if (!file) return false;
    DWORD written = 0;
    return sys::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
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

void WriteRecord(se::ResumeRecord record)
{
    record.seq = g_engine.resumeRecord ? g_engine.resumeRecord->seq + 1 : 1;
    if (RewriteRecordFile(static_cast<int>(record.seq % 2), se::FormatResumeRecord(record)))
        g_engine.resumeRecord = record;
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

void WriteCurrentCmd(const std::optional<std::string>& value)
{
    sys::WritePrivateProfileStringA("Commands", "CurrentCmd", value ? value->c_str() : nullptr, g_engine.scriptPath.c_str());
    FlushProfile(g_engine.scriptPath);
}

}  // namespace

void RepairWorkingCopy()
{
    g_engine.resumeRecord = se::NewerRecord(ReadRecord(0), ReadRecord(1));
    if (!g_engine.resumeRecord) return;  // nothing protected this copy yet
    const se::ResumeRecord& record = *g_engine.resumeRecord;
    const se::RepairPlan plan = se::PlanRepair(ReadWholeFile(g_engine.scriptPath).value_or(""), record);
    // No CurrentCmd at all: the loop starts at command 0.
    const std::string next = plan.currentCmd.value_or("0");
    if (plan.action == se::Repair::RestoreCopy) {
        const std::optional<std::string> copy = GoodCopy(record);
        if (!copy || !WriteWholeFile(g_engine.scriptPath, *copy)) {
            WriteLog("ERROR-=-", " working copy " + g_engine.scriptPath + " is damaged and " +
                                     CopyPath(record.copySlot) + " cannot replace it");
            return;
        }
        WriteCurrentCmd(plan.currentCmd);
        WriteLog("InitINIFile()", " working copy was damaged; rebuilt from " + CopyPath(record.copySlot) +
                                      ", next command " + next);
    } else if (plan.action == se::Repair::SetCurrentCmd) {
        WriteCurrentCmd(plan.currentCmd);
        WriteLog("InitINIFile()", " working copy had lost its next command; set to " + next);
    }
}

void ProtectWorkingCopy()
{
    const std::optional<std::string> text = ReadWholeFile(g_engine.scriptPath);
    if (!text) return;
    se::SplitCurrentCmd split = se::SplitOffCurrentCmd(*text);
    const std::uint64_t rest = se::Fingerprint(split.rest);
    const std::optional<se::ResumeRecord>& last = g_engine.resumeRecord;
    if (last && last->restFingerprint == rest) {
        if (last->currentCmd != split.currentCmd) {
            se::ResumeRecord record = *last;
            record.currentCmd = std::move(split.currentCmd);
            WriteRecord(std::move(record));
        }
        return;
    }
    se::ResumeRecord record;
    record.copySlot = last ? 1 - last->copySlot : 0;
    record.restFingerprint = rest;
    record.copySize = text->size();
    record.currentCmd = std::move(split.currentCmd);
    // The record names the new copy only once that copy is whole on disk.
    if (WriteWholeFile(CopyPath(record.copySlot), *text)) WriteRecord(std::move(record));
}

void RecordCurrentCommand(int next)
{
    if (!g_engine.resumeRecord) return;
    se::ResumeRecord record = *g_engine.resumeRecord;
    record.currentCmd = std::to_string(next);
    WriteRecord(std::move(record));
}

std::vector<std::string> ResumeProtectionFiles()
{
    return {CopyPath(0), CopyPath(1), RecordPath(0), RecordPath(1)};
}

void RemoveResumeProtection()
{
    for (int slot = 0; slot < 2; ++slot) {
        g_engine.resumeRecordFiles[slot].reset();  // an open file cannot be deleted
        sys::DeleteFileA(CopyPath(slot).c_str());
        sys::DeleteFileA(RecordPath(static_cast<std::uint64_t>(slot)).c_str());
    }
    g_engine.resumeRecord.reset();
}
