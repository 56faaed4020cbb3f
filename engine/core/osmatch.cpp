#include "engine/core/osmatch.h"

namespace se {

bool IsVersion(WindowsVersion version, unsigned long platform, unsigned long major, unsigned long minor)
{
    struct Triple { unsigned long platform, major, minor; };
    static constexpr Triple kTriples[] = {
        {1, 4, 0},   // Windows 95
        {1, 4, 10},  // Windows 98
        {2, 4, 0},   // Windows NT 4.0
        {2, 5, 0},   // Windows 2000
        {2, 5, 1},   // Windows XP
    };
    const Triple& t = kTriples[static_cast<int>(version)];
    return platform == t.platform && major == t.major && minor == t.minor;
}

}  // namespace se
