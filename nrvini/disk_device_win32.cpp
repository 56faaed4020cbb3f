// The diskette probe's exchange with the Windows 9x virtual device VWIN32:
// control code 4 is its BIOS disk service (interrupt 13h). The NT family has
// no such device, so there the open fails.
#include <windows.h>

#include "common/guards.h"
#include "nrvini/debug_session.h"

namespace nrvini {

DeviceAnswer ExchangeWithDiskDevice(DiocRegisters& registers)
{
    constexpr DWORD kBiosDiskService = 4;
    se::FileHandle device(
        CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!device) return DeviceAnswer::CannotOpen;
    DWORD returned = 0;
    if (!DeviceIoControl(device.get(), kBiosDiskService, &registers, sizeof registers, &registers, sizeof registers,
                         &returned, nullptr)) {
        return DeviceAnswer::RequestFailed;
    }
    return DeviceAnswer::Answered;
}

}  // namespace nrvini
