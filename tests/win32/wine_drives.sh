#!/usr/bin/env bash
# Gives the Wine prefix the drives the NRVINI tests use, or takes them away:
# B: and Q: floppy drives and R: a CD-ROM drive, each a folder of the build
# tree. Wine learns drive types when its server starts, so the server (and
# the keeper that holds it) is stopped after the change.
#   wine_drives.sh define|remove RUNNER PREFIX FOLDERS TESTBIN
set -eu
action=$1; runner=$2; prefix=$3; folders=$4; testbin=$5
# A run of any program makes the prefix if there is none yet.
"$runner" --prefix "$prefix" "$testbin/se_keepwarm.exe" 'Z:\nonexistent' 0 || true
"$runner" --prefix "$prefix" --stop
export WINEPREFIX=$prefix WINEDEBUG=-all
for spec in b:floppy q:floppy r:cdrom; do
  letter=${spec%%:*}; type=${spec#*:}
  if [ "$action" = define ]; then
    mkdir -p "$folders/$letter"
    ln -sfn "$folders/$letter" "$prefix/dosdevices/$letter:"
    /usr/lib/wine/wine64 reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$type" /f /reg:64 </dev/null >/dev/null 2>&1
  else
    rm -f "$prefix/dosdevices/$letter:"
    rm -rf "${folders:?}/$letter"
    /usr/lib/wine/wine64 reg delete 'HKLM\Software\Wine\Drives' /v "$letter:" /f /reg:64 </dev/null >/dev/null 2>&1 || true
  fi
done
/usr/lib/wine/wineserver -k 2>/dev/null || true
timeout 30 /usr/lib/wine/wineserver -w 2>/dev/null || true
echo "wine_drives: $action b: q: r:"
