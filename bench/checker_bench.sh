#!/usr/bin/env bash
# Times setupcheck over generated scripts of N commands 6, each with its own
# [Data] key, for each N given (never part of the tests).
#   bench/checker_bench.sh SETUPCHECK [N...]    (default N: 2000 4000 8000)
set -euo pipefail
checker=$1
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2000 4000 8000)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for n in "${sizes[@]}"; do
  script="$dir/bench$n.ini"
  {
    echo "[CommandsList]"
    for ((i = 1; i <= n; i++)); do echo "6"; done
    echo "[Data]"
    for ((i = 1; i <= n; i++)); do echo "Key$i=$i"; done
    echo "DecCommand=0"
  } > "$script"
  start=$(date +%s.%N)
  "$checker" "$script" > /dev/null || true
  end=$(date +%s.%N)
  printf '%6d commands: %.3f s\n' "$n" "$(echo "$end - $start" | bc)"
done
