#!/usr/bin/env bash
# Checks the PE tables of the 32-bit deliverables: machine and subsystem, the
# DLLs they import, (for NRVINI.dll) the undecorated export names, and with a
# VERSION the version resource of each.
#   check_pe.sh OBJDUMP BIN [VERSION]
set -u
objdump=$1; bin=$2; version=${3:-}
fail=0
bad() { echo "FAIL: $*"; fail=1; }
# Calls that Windows 95 (or NT 4.0) does not export: a binary that imports one
# does not even load there. Static runtimes are where such imports creep in.
too_new="GetTickCount64 AddVectoredExceptionHandler RemoveVectoredExceptionHandler GetHandleInformation
TryEnterCriticalSection InitializeCriticalSectionEx InitializeCriticalSectionAndSpinCount IsDebuggerPresent
SetFilePointerEx GetFileSizeEx FlsAlloc FlsGetValue FlsSetValue FlsFree GetFileAttributesExA GetFileAttributesExW
CreateSymbolicLinkA InitOnceExecuteOnce GetSystemTimePreciseAsFileTime SwitchToThread"
check() {  # file, its subsystem (2 GUI, 3 console, - any), then exactly the DLLs it imports, sorted
  local file=$1 subsystem=$2 name dlls names f; name=$(basename "$1"); shift 2
  "$objdump" -f "$file" | grep -q 'file format pei-i386' || bad "$name is not PE32 i386"
  [ "$subsystem" = - ] || "$objdump" -p "$file" | grep -qE "Subsystem\s+0000000$subsystem" || bad "$name is not of subsystem $subsystem"
  dlls=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u | xargs)
  [ "$dlls" = "$*" ] || bad "$name imports $dlls, not $*"
  echo "$name imports: $dlls"
  names=$("$objdump" -p "$file" | awk 'NF>=3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}')
  for f in $too_new; do echo "$names" | grep -qx "$f" && bad "$name imports $f, which older Windows lacks"; done
}
exe=$bin/setupengine.exe dll=$bin/NRVINI.dll cui=$bin/setupcheck.exe
check "$exe" 2 ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL
"$objdump" -p "$exe" | grep -qi 'NRVINI' && bad "setupengine.exe refers to NRVINI"
if [ -f "$dll" ]; then
  check "$dll" - KERNEL32.DLL MSVCRT.DLL OLE32.DLL  # the COM registration needs ole32
  exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[\s*[0-9]*\] //p')
  for e in NrvGetPrivateProfileString NrvGetPrivateProfileInt NrvGetPrivateProfileSection \
           NrvGetPrivateProfileSectionNames NrvWritePrivateProfileString NrvWritePrivateProfileSection \
           NrvIniSetLastSection DllMain InitDebugSession DebugMode DebugDisketteAvailable GetDebugINIString \
           GetDebugINIInt SetDebugINIString SetDebugINIInt FindCDROM RegisterServer; do
    echo "$exports" | grep -qx "$e" || bad "NRVINI.dll does not export $e undecorated"
  done
  echo "$exports" | grep -q '@' && bad "decorated exports: $(echo "$exports" | grep '@')"
fi
[ -f "$cui" ] && check "$cui" 3 KERNEL32.DLL MSVCRT.DLL
# The version resource's strings are UTF-16: FileVersion and ProductVersion
# give the version, OriginalFilename the file's own name.
for f in "$exe" "$dll" "$cui"; do
  [ -n "$version" ] && [ -f "$f" ] || continue
  vs=$(strings -el "$f")
  [ "$(echo "$vs" | grep -cx "$version")" -ge 2 ] && echo "$vs" | grep -qx "$(basename "$f")" ||
    bad "$(basename "$f") has no version resource of $version"
done
[ $fail = 0 ] && echo "PE tables OK"
exit $fail
