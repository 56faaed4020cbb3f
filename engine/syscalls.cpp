#include "engine/syscalls.h"

namespace sys {

Table& Calls()
{
    // Filled on first use, so no other static initializer can find it empty.
    static Table table = {
#define SE_TABLE_ENTRY(name) &::name,
        SE_SYSTEM_CALLS(SE_TABLE_ENTRY)
#undef SE_TABLE_ENTRY
    };
    return table;
}

}  // namespace sys
