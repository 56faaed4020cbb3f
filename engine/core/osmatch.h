#pragma once
// Which of the five supported Windows versions a version record names.

namespace se {

enum class WindowsVersion { Win95, Win98, WinNT4, Win2000, WinXP };

// True only for the exact platform / major / minor triple of that version:
// build numbers and service packs are not looked at, so Windows Me, NT 3.x and
// NT 5.2 and later match none.
bool IsVersion(WindowsVersion version, unsigned long platform, unsigned long major, unsigned long minor);

}  // namespace se
