#!/usr/bin/env bash
# How quickly Quillet answers under GNOME on Wayland with its shell extension, in a private headless
# GNOME Shell session: from a click into a text field to the icon painted at it, and from Return in
# the panel to the correction read back from a field that takes it only through the paste (the
# accessibility write, its read-back, then select-all and Ctrl+V through the shell). Twenty of each.
#   tools/gnome-latency.sh [BUILD_DIR]
# Prints the median, p95 and maximum of each in milliseconds.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
# The flavour built for the GNOME Shell installed here (43 and 44: legacy; 45 and later: modules).
flavour=legacy
version=$(gnome-shell --version 2>/dev/null | grep -oE '[0-9]+' | head -n 1)
[ "${version:-0}" -ge 45 ] && flavour=modules
out=$("$here/tests/session/run-in-wayland-session.sh" --compositor gnome-shell \
    --probe "$build/gnome-shell/$flavour/quillet-probe@lumenfold.com" \
    --extension "$build/gnome-shell/$flavour/quillet@lumenfold.com" -- \
    "$build/tests/wayland_GnomeShellTest" --gtest_filter='*MeasureLatency*' 2>&1)
status=$?
summary() {
    local name=$1 sorted n
    sorted=($(grep "^$name " <<<"$out" | awk '{print $2}' | sort -n))
    n=${#sorted[@]}
    [ "$n" -gt 0 ] || { echo "$name: no samples"; return 1; }
    local p95=$(((n * 95 + 99) / 100 - 1))
    echo "$name: median ${sorted[$((n / 2))]} ms, p95 ${sorted[$p95]} ms, max ${sorted[$((n - 1))]} ms ($n runs)"
}
summary icon-after-click-ms
summary paste-read-back-ms
[ "$status" -eq 0 ] || { echo "$out" | tail -n 30; exit "$status"; }
