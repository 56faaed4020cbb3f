#!/usr/bin/env bash
# Runs setuptry on the example script and the scripts here, on all five
# Windows families, and compares each report.json (masked by mask.py) with
# expected/NAME.json; then loads one report.html in headless Chromium.
# SE_BLESS=1 writes the expected reports from this run instead.
#   tests/setuptry/run.sh SOURCE_DIR WIN32_BIN_DIR
set -euo pipefail
src=$1
bin=$2
here=$src/tests/setuptry
export SETUPTRY_ENGINE=$bin/setupengine.exe
checker=${SETUPTRY_CHECKER:-$src/build/host/checker/setupcheck}
[ -x "$checker" ] || { echo "setuptry test: build the host preset first (no $checker)" >&2; exit 1; }
export SETUPTRY_CHECKER=$checker
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
try() {  # NAME SCRIPT [setuptry options]
  local name=$1 script=$2; shift 2
  local rc=0
  "$src/tools/setuptry" "$script" --report "$work/$name" "$@" >"$work/$name.txt" || rc=$?
  python3 "$here/mask.py" "$work/$name/report.json" >"$work/$name.json"
  echo "exit $rc" >>"$work/$name.json"
  if [ "${SE_BLESS:-0}" = 1 ]; then
    cp "$work/$name.json" "$here/expected/$name.json"
  elif ! diff -u "$here/expected/$name.json" "$work/$name.json"; then
    echo "setuptry test: $name differs from expected/$name.json" >&2
    fail=1
  fi
}
try example "$src/examples/SETUP.INI" --folder 'C:\example'
try restart_branch "$here/restart_branch/SETUP.INI"
try family_failure "$here/family_failure/SETUP.INI"
cat "$work/family_failure.txt"

# The page as a browser builds it: no console output, nothing from outside,
# a column per family, the failing command marked, the checker's finding first.
dom=$("$src/tools/browser-check" "$work/family_failure/report.html")
for want in '<th>95</th><th>98</th><th>nt4</th><th>2000</th><th>xp</th>' \
            '<td class="error" data-family="2000">error' \
            'section [Missing] does not exist or has no lines' \
            '<details id="log-2000">' 'HKCU\Software\TryTree'; do
  grep -qF "$want" <<<"$dom" || { echo "setuptry test: report.html lacks: $want" >&2; fail=1; }
done
checker_at=$(grep -bo 'id="checker"' <<<"$dom" | head -1 | cut -d: -f1)
commands_at=$(grep -bo 'id="commands"' <<<"$dom" | head -1 | cut -d: -f1)
[ "$checker_at" -lt "$commands_at" ] || { echo "setuptry test: the checker's findings do not head the report" >&2; fail=1; }
[ $fail = 0 ] && echo "setuptry test: 3 reports and the page as expected"
exit $fail
