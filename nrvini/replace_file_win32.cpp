// The C library's rename refuses an existing target on Windows; MoveFileEx
// replaces it in one step.
#include <windows.h>

#include "nrvini/file_io.h"

namespace nrvini {

bool ReplaceFileWith(const std::string& source, const std::string& target)
{
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace nrvini
