#!/usr/bin/env bash
# How long the icon takes to appear after a click into the text of an application started after
# Quillet, each run in a fresh private desktop session (Quillet first, as at login).
#   tools/icon-latency.sh BUILD_DIR RUNS APP...
# Prints, per application, the median, p95 and maximum in milliseconds over RUNS runs.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$1 runs=$2
shift 2
for app in "$@"; do
    samples=()
    missed=0
    for _ in $(seq "$runs"); do
        ms=$("$here/tests/session/run-in-session.sh" -- "$build/tests/compat_driver" --latency "$app" 2>/dev/null | tail -n1)
        if [[ "$ms" =~ ^[0-9]+$ ]]; then samples+=("$ms"); else missed=$((missed + 1)); fi
    done
    sorted=($(printf '%s\n' "${samples[@]}" | sort -n))
    n=${#sorted[@]}
    if [ "$n" -eq 0 ]; then echo "$app: no icon in $runs runs"; continue; fi
    p95=$(( (n * 95 + 99) / 100 - 1 ))
    echo "$app: median ${sorted[$((n / 2))]} ms, p95 ${sorted[$p95]} ms, max ${sorted[$((n - 1))]} ms ($n runs with an icon, $missed without)"
done
