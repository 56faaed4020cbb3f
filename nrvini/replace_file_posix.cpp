// POSIX rename replaces an existing target atomically.
#include <cstdio>

#include "nrvini/file_io.h"

namespace nrvini {

bool ReplaceFileWith(const std::string& source, const std::string& target)
{
    return std::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace nrvini
