#pragma once
// Whole-file reads and crash-safe whole-file writes.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace nrvini {

enum class ReadStatus { Ok, Missing, Unreadable, OutOfMemory };

struct FileBytes {
    ReadStatus status = ReadStatus::Ok;
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

FileBytes ReadFileBytes(const std::string& path);

// Writes bytes to a new file beside target and then puts it in target's place
// in one step. On failure target is untouched and the new file is removed.
bool WriteFileAtomically(const std::string& target, std::string_view bytes);

// The platform's one-step replacement of target by source (source goes away).
// Chosen at build time: rename on POSIX hosts, MoveFileEx in the DLL.
bool ReplaceFileWith(const std::string& source, const std::string& target);

}  // namespace nrvini
