#!/usr/bin/env bash
# How quickly Quillet answers under KDE Plasma on Wayland with its script inside KWin, in a private
# headless KWin session with Quillet's desktop entry installed: from a click into a text field to
# the icon on screen (screenshots of the field's corner), and from Return in the panel to the
# correction in a field that takes it only through the paste (the accessibility write, its
# read-back, then select-all and Ctrl+V through KWin's fake input). Twenty of each.
#   tools/kwin-latency.sh [BUILD_DIR]
# Prints the median, p95 and maximum of each in milliseconds.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
out=$("$here/tests/session/run-in-wayland-session.sh" --compositor kwin --allow-keys "$build/src/quillet" -- \
    env QUILLET_TEXT_FIELD="$build/tests/quillet_text_field" \
    "$build/tests/wayland_WaylandCorrectionTest" --gtest_filter='KWinScriptTest.MeasureLatency' 2>&1)
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
