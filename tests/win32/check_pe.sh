#!/usr/bin/env bash
# Checks the PE tables of the 32-bit deliverables: machine and subsystem, the
# DLLs they import, (for NRVINI.dll) the undecorated export names, and with a
# VERSION the version resource of each.
#   check_pe.sh OBJDUMP BIN [VERSION]
set -u
objdump=$1; bin=$2; version=${3:-}
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
cui=$bin/setupcheck.exe
if [ -f "$cui" ]; then
  "$objdump" -p "$cui" | grep -qE 'Subsystem\s+00000003' || { echo "FAIL: setupcheck.exe is not a console program"; fail=1; }
  check_imports "$cui" KERNEL32.DLL MSVCRT.DLL
  check_old_windows "$cui"
fi

# The version resource's strings are UTF-16: FileVersion and ProductVersion
# give the version, OriginalFilename the file's own name.
if [ -n "$version" ]; then
  for f in "$exe" "$dll" "$cui"; do
    [ -f "$f" ] || continue
    vs=$(strings -el "$f")
    [ "$(echo "$vs" | grep -cx "$version")" -ge 2 ] && echo "$vs" | grep -qx "$(basename "$f")" ||
      { echo "FAIL: $(basename "$f") has no version resource of $version"; fail=1; }
  done
fi
[ $fail = 0 ] && echo "PE tables OK"
exit $fail
