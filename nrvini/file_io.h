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

// Saves bytes as the whole of target, which a failed save leaves as it was:
// the bytes go to a new file beside it (TemporaryNameBeside) that then takes
// its place in one step. In the DLL the new file carries the target's hidden
// and system attributes; a read-only target, one another program holds open
// without delete sharing and one with further hard links are written in
// place, where the system lets them be opened for writing.
// Chosen at build time: replace_file_posix.cpp, replace_file_win32.cpp.
bool SaveFile(const std::string& target, std::string_view bytes);

// The new file a save of target writes first: in target's directory, named
// from target's file name alone (without regard to case), so that a save finds
// and replaces the one an earlier save left when it was killed.
std::string TemporaryNameBeside(const std::string& target);

// Where a save without a one-step replacement (Windows 95 and 98) was cut
// between setting the old file aside and moving the new one in, the target is
// missing and the aside file is the whole old file: it is put back. Every
// read and save of the target asks this first. Nothing to do on POSIX hosts.
void RecoverSetAsideFile(const std::string& target);

// The platform's one-step replacement of target by source (source goes away).
// Chosen at build time: rename on POSIX hosts, MoveFileEx in the DLL.
bool ReplaceFileWith(const std::string& source, const std::string& target);

}  // namespace nrvini
