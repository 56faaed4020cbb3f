#!/usr/bin/env bash
# Times setupcheck over generated scripts of N commands 6, each with its own
# [Data] key, for each N given (never part of the tests). The findings go to
# /dev/null, a device, as they would to a console. A run of --version is
# timed first: what a start costs (under Wine, most of every figure).
#   bench/checker_bench.sh SETUPCHECK [N...]    (default N: 2000 4000 8000)
#   SETUPCHECK may be a wrapper, e.g. one that starts setupcheck.exe through tools/wine-run.
set -euo pipefail
checker=$1
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2000 4000 8000)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
printf '  start-up: %.3f s\n' "$(seconds "$checker" --version)"
for n in "${sizes[@]}"; do
  script="$dir/bench$n.ini"
  {
    echo "[CommandsList]"
    for ((i = 1; i <= n; i++)); do echo "6"; done
    echo "[Data]"
    for ((i = 1; i <= n; i++)); do echo "Key$i=$i"; done
    echo "DecCommand=0"
  } > "$script"
  printf '%6d commands: %.3f s\n' "$n" "$(seconds "$checker" "$script")"
done
