// The host build's save: a new file beside the target, then the POSIX rename,
// which replaces an existing target in one step.
#include <cstdio>

#include "nrvini/file_io.h"

namespace nrvini {

namespace {

bool WriteAll(const std::string& path, std::string_view bytes)
{
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (raw == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size();
    // fclose flushes; its failure is a failed write too.
    const bool closed = std::fclose(raw) == 0;
    return written && closed;
}

}  // namespace

void RecoverSetAsideFile(const std::string&) {}

bool ReplaceFileWith(const std::string& source, const std::string& target)
{
    return std::rename(source.c_str(), target.c_str()) == 0;
}

// A temporary file an earlier save left is truncated by the new write and
// then renamed away.
bool SaveFile(const std::string& target, std::string_view bytes)
{
    const std::string temporary = TemporaryNameBeside(target);
    if (WriteAll(temporary, bytes) && ReplaceFileWith(temporary, target)) return true;
    std::remove(temporary.c_str());
    return false;
}

}  // namespace nrvini
