#pragma once
// Whole-file reads and crash-safe whole-file writes.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace nrvini {

enum class ReadStatus { Ok, Missing, Unreadable, OutOfMemory };

// A file open for reading in binary mode, closed when the reader goes.
class FileReader {
public:
    explicit FileReader(const std::string& path);
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    // Ok, Missing or Unreadable after opening; Unreadable after a failed read.
    ReadStatus status() const { return status_; }
    // Up to size bytes; fewer only at the end of the file or on failure.
    std::size_t Read(char* into, std::size_t size);

private:
    std::FILE* file_ = nullptr;
    ReadStatus status_ = ReadStatus::Ok;
};

// Writes bytes to a new file beside target and then puts it in target's place
// in one step. On failure target is untouched and the new file is removed.
bool WriteFileAtomically(const std::string& target, std::string_view bytes);

// The platform's one-step replacement of target by source (source goes away).
// Chosen at build time: rename on POSIX hosts, MoveFileEx in the DLL.
bool ReplaceFileWith(const std::string& source, const std::string& target);

}  // namespace nrvini
