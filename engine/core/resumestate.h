#pragma once
// The protection of the resume point, in its portable part: what a working
// copy's text says apart from its [Commands] CurrentCmd, and the small record
// that names the last complete copy of it and the next command.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace se {

// The text with the CurrentCmd line of [Commands] taken out, and that line's
// value (nothing when there is none). Two texts that differ only in the next
// command's number give the same rest.
struct SplitCurrentCmd {
    std::string rest;
    std::optional<std::string> currentCmd;
};
SplitCurrentCmd SplitOffCurrentCmd(std::string_view text);

std::uint64_t Fingerprint(std::string_view bytes);  // FNV-1a, 64 bits

// seq orders records; the newer of two valid ones wins. copySlot names the
// complete copy of the working copy (0 or 1) whose rest has the fingerprint
// restFingerprint; currentCmd is the working copy's CurrentCmd value then.
struct ResumeRecord {
    std::uint64_t seq = 0;
    int copySlot = 0;
    std::uint64_t restFingerprint = 0;
    std::uint64_t copySize = 0;
    std::optional<std::string> currentCmd;
    // Set in the record written after a command ran and before the advance
    // puts its number into the working copy: the CurrentCmd the copy still
    // holds then. A copy found with this number has done the command, and
    // goes on at currentCmd, not at the command again.
    std::optional<std::string> fromCmd;
};

// One line of text ending in a fingerprint of itself, so that a record cut
// short or damaged never reads as valid.
std::string FormatResumeRecord(const ResumeRecord& record);
std::optional<ResumeRecord> ParseResumeRecord(std::string_view text);
const std::optional<ResumeRecord>& NewerRecord(const std::optional<ResumeRecord>& a,
                                               const std::optional<ResumeRecord>& b);

// What a start-up does with a working copy that a record protects. A copy
// that, apart from CurrentCmd, is not the text the record describes (empty,
// cut short, half written) is put back from the record's complete copy. A
// whole one keeps its own CurrentCmd, which is at most one advance ahead of
// the record, unless that line is missing or may have been cut (no line end
// after it), or it is the fromCmd of a record written ahead of the advance:
// then the record's number is written.
enum class Repair { None, SetCurrentCmd, RestoreCopy };
struct RepairPlan {
    Repair action = Repair::None;
    std::optional<std::string> currentCmd;  // to write; nothing: remove the key
};
RepairPlan PlanRepair(std::string_view workingCopyText, const ResumeRecord& record);

}  // namespace se
