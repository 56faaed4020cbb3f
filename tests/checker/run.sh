#!/usr/bin/env bash
# Runs setupcheck over a set of scripts and compares every finding and exit
# code with the expectations file of that set.
#   run.sh SET SOURCE_DIR CHECKER [RUNNER...]
#   SET: cases (tests/checker/cases, one seeded fault per check) or
#        scripts (examples/ and the scenario scripts, faults their scenario intends)
set -uo pipefail
set_name=$1 root=$2
shift 2
cd "$root"
case "$set_name" in
  cases) scripts=$(ls tests/checker/cases/*.ini) ;;
  scripts) scripts=$(ls examples/*.INI tests/scenarios/*/*.INI tests/scenarios/*/*.ini 2>/dev/null | sort) ;;
  *) echo "unknown set $set_name" >&2; exit 2 ;;
esac
actual=$(for s in $scripts; do
  out=$("$@" "$s" | tr -d '\r'); rc=${PIPESTATUS[0]}
  [ -n "$out" ] && printf '%s\n' "$out"
  echo "$s: exit $rc"
done)
if ! diff -u "tests/checker/$set_name.expected" <(printf '%s\n' "$actual"); then
  echo "setupcheck findings differ from tests/checker/$set_name.expected" >&2
  exit 1
fi
