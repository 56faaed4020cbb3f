#!/usr/bin/env bash
# Checks the PE tables of the 32-bit deliverables: machine and subsystem, the
# DLLs they import, and (for NRVINI.dll) the undecorated export names.
set -u
objdump=$1; bin=$2
fail=0
check_imports() {  # file, then exactly the DLLs it imports, sorted
  local file=$1; shift
  local dlls
  dlls=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u | xargs)
  [ "$dlls" = "$*" ] || { echo "FAIL: $(basename "$file") imports $dlls, not $*"; fail=1; }
  echo "$(basename "$file") imports: $dlls"
}
# Calls that Windows 95 (or NT 4.0) does not export: a binary that imports one
# does not even load there. Static runtimes are where such imports creep in.
too_new="GetTickCount64 AddVectoredExceptionHandler RemoveVectoredExceptionHandler GetHandleInformation
TryEnterCriticalSection InitializeCriticalSectionEx InitializeCriticalSectionAndSpinCount IsDebuggerPresent
SetFilePointerEx GetFileSizeEx FlsAlloc FlsGetValue FlsSetValue FlsFree GetFileAttributesExA GetFileAttributesExW
CreateSymbolicLinkA InitOnceExecuteOnce GetSystemTimePreciseAsFileTime SwitchToThread"
check_old_windows() {  # file
  local names
  names=$("$objdump" -p "$1" | awk 'NF>=3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}')
  for f in $too_new; do
    if echo "$names" | grep -qx "$f"; then echo "FAIL: $(basename "$1") imports $f, which older Windows lacks"; fail=1; fi
  done
}
exe=$bin/setupengine.exe
if ! "$objdump" -f "$exe" | grep -q 'file format pei-i386'; then echo "FAIL: setupengine.exe is not PE32 i386"; fail=1; fi
if ! "$objdump" -p "$exe" | grep -qE 'Subsystem\s+00000002'; then echo "FAIL: setupengine.exe is not GUI subsystem"; fail=1; fi
check_imports "$exe" ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL
check_old_windows "$exe"
if "$objdump" -p "$exe" | grep -qi 'NRVINI'; then echo "FAIL: setupengine.exe refers to NRVINI"; fail=1; fi

dll=$bin/NRVINI.dll
if [ -f "$dll" ]; then
  "$objdump" -f "$dll" | grep -q 'file format pei-i386' || { echo "FAIL: NRVINI.dll is not PE32 i386"; fail=1; }
  check_imports "$dll" KERNEL32.DLL MSVCRT.DLL OLE32.DLL  # the COM registration needs ole32
  check_old_windows "$dll"
  exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[\s*[0-9]*\] //p')
  for e in NrvGetPrivateProfileString NrvGetPrivateProfileInt NrvGetPrivateProfileSection \
           NrvGetPrivateProfileSectionNames NrvWritePrivateProfileString NrvWritePrivateProfileSection \
           NrvIniSetLastSection DllMain InitDebugSession DebugMode DebugDisketteAvailable GetDebugINIString \
           GetDebugINIInt SetDebugINIString SetDebugINIInt FindCDROM RegisterServer; do
    echo "$exports" | grep -qx "$e" || { echo "FAIL: NRVINI.dll does not export $e undecorated"; fail=1; }
  done
  if echo "$exports" | grep -q '@'; then echo "FAIL: decorated exports: $(echo "$exports" | grep '@')"; fail=1; fi
fi
[ $fail = 0 ] && echo "PE tables OK"
exit $fail
