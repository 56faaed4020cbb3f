#!/usr/bin/env bash
# Runs setupcheck over a set of scripts and compares every finding and exit
# code with the expectations file of that set.
#   run.sh SET SOURCE_DIR CHECKER [RUNNER...]
#   SET: cases (tests/checker/cases, one seeded fault per check),
#        scripts (examples/ and the scenario scripts, faults their scenario intends)
#        or examples (examples/ alone, against its part of scripts.expected)
set -uo pipefail
set_name=$1 root=$2
shift 2
cd "$root"
case "$set_name" in
  cases) scripts=$(ls tests/checker/cases/*.ini tests/checker/cases/*/*.ini) ;;
  # NRVCI.INI is the identification stand-in's answer file, not a script.
  scripts) scripts=$(ls examples/*.INI tests/scenarios/*/*.INI tests/scenarios/*/*.ini 2>/dev/null | grep -v '/NRVCI\.INI$' | sort) ;;
  examples) scripts=$(ls examples/*.INI) ;;
  *) echo "unknown set $set_name" >&2; exit 2 ;;
esac
actual=$(for s in $scripts; do
  # Scripts named json_* are checked with --json.
  json=(); case "$s" in */json_*) json=(--json) ;; esac
  out=$("$@" "$s" "${json[@]}" | tr -d '\r'); rc=${PIPESTATUS[0]}
  [ -n "$out" ] && printf '%s\n' "$out"
  echo "$s: exit $rc"
done)
# SE_BLESS=1 writes the findings as the new expectations (cases, scripts).
if [ "${SE_BLESS:-0}" = 1 ] && [ "$set_name" != examples ]; then
  printf '%s\n' "$actual" > "tests/checker/$set_name.expected"
fi
if [ "$set_name" = examples ]; then
  expected=$(grep '^examples/' tests/checker/scripts.expected)
else
  expected=$(cat "tests/checker/$set_name.expected")
fi
if ! diff -u <(printf '%s\n' "$expected") <(printf '%s\n' "$actual"); then
  echo "setupcheck findings differ from the expectations of the set $set_name" >&2
  exit 1
fi
