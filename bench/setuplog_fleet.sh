#!/usr/bin/env bash
# Times setuplog, the tools preset's optimised build, on a fleet of install
# logs made by tests/setuplog/fleet.py: by default 10,000 logs of about 100 KB
# (1 GB). Never part of the tests. The fleet is made once and kept (about a
# minute); the timed run reads it from the page cache.
#   bench/setuplog_fleet.sh [MACHINES [KB]]      SE_BENCH_FLEET=DIR to put the fleet elsewhere
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
machines=${1:-10000}
kb=${2:-100}
dir=${SE_BENCH_FLEET:-$root/build/bench-fleet}-$machines-$kb
cmake --preset tools >/dev/null
cmake --build --preset tools >/dev/null
if [ ! -f "$dir/expected.json" ]; then
  echo "setuplog_fleet: making $machines logs of about $kb KB in $dir"
  python3 tests/setuplog/fleet.py make "$dir" --machines "$machines" --size-kb "$kb"
fi
bytes=$(find "$dir" -name '*.log' -printf '%s\n' | awk '{ s += $1 } END { print s }')
cat "$dir"/m*/install.log >/dev/null  # into the page cache, as a second run finds it
times=$(mktemp)
trap 'rm -f "$times"' EXIT
/usr/bin/time -v build/tools/setuplog/setuplog "$dir" --json >/dev/null 2>"$times" || true
seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s}' "$times")
rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$times")
awk -v b="$bytes" -v s="$seconds" -v r="$rss" -v m="$machines" \
  'BEGIN { printf "setuplog_fleet: %d logs, %.0f MB in %.2f s (%.0f MB/s), peak RSS %.1f MB\n", m, b / 1e6, s, b / 1e6 / s, r / 1024 }'
