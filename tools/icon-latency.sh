#!/usr/bin/env bash
# How long the icon takes to appear once the text of an application started after Quillet holds the
# focus, each run in a fresh private desktop session (Quillet first, as at login). The time runs from
# the moment the application's window is active (its text has the focus from the start), or, for an
# application whose text has no focus until clicked, from the click.
#   tools/icon-latency.sh BUILD_DIR RUNS APP...
# Prints, per application, the median, p95 and maximum in milliseconds over RUNS runs.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$1 runs=$2
shift 2
for app in "$@"; do
    samples=()
    missed=0 starts=0 clicks=0
    for _ in $(seq "$runs"); do
        line=$("$here/tests/session/run-in-session.sh" -- "$build/tests/compat_driver" --latency "$app" 2>/dev/null | tail -n1)
        if [[ "$line" =~ ^(start|click)\ ([0-9]+)$ ]]; then
            samples+=("${BASH_REMATCH[2]}")
            if [ "${BASH_REMATCH[1]}" = start ]; then starts=$((starts + 1)); else clicks=$((clicks + 1)); fi
        else
            missed=$((missed + 1))
        fi
    done
    sorted=($(printf '%s\n' "${samples[@]}" | sort -n))
    n=${#sorted[@]}
    if [ "$n" -eq 0 ]; then echo "$app: no icon in $runs runs"; continue; fi
    p95=$(( (n * 95 + 99) / 100 - 1 ))
    echo "$app: median ${sorted[$((n / 2))]} ms, p95 ${sorted[$p95]} ms, max ${sorted[$((n - 1))]} ms" \
        "($n runs: $starts from the window's activation, $clicks from a click; $missed without an icon)"
done
