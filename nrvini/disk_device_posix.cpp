// POSIX hosts have no VWIN32 device: it cannot be opened, as on the NT family.
#include "nrvini/debug_session.h"

namespace nrvini {

DeviceAnswer ExchangeWithDiskDevice(DiocRegisters&)
{
    return DeviceAnswer::CannotOpen;
}

}  // namespace nrvini
