#!/usr/bin/env bash
# quillet --doctor as a user runs it: with the cursor in a mousepad window, and on a desktop
# without the accessibility bus. Runs inside a session; $1 is the quillet binary.
set -u
quillet=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$(dirname "$0")/../session/common.sh"
has_line() { grep -qxF -- "$2" <<<"$1"; }

mousepad >/dev/null 2>&1 &
editor=$!
trap 'kill $editor 2>/dev/null' EXIT
for _ in $(seq 200); do
    out=$("$quillet" --doctor 2>"$QUILLET_SESSION_DIR/doctor.err")
    rc=$?
    grep -q 'Converted AppKit frame' <<<"$out" && break
    sleep 0.05
done
echo "$out"
check "exit status 0" test "$rc" -eq 0
check "nothing on standard error" test ! -s "$QUILLET_SESSION_DIR/doctor.err"
check "title" has_line "$out" "Quillet doctor"
check "rule" has_line "$out" "──────────────"
check "session" has_line "$out" "  • Session: X11"
check "permission" has_line "$out" "  ✓ Accessibility permission: granted"
check "displays" has_line "$out" "  • Displays"
check "screen" has_line "$out" "      primary 1440×900 @ (0,0)"
check "focused element" has_line "$out" "  ✓ Focused element: AXTextArea in Mousepad"
check "editable" has_line "$out" "  ✓ Recognized as editable text field"
check "word count" has_line "$out" "  ✓ Word count: 0"
check "not secure" has_line "$out" "  ✓ Not a secure (password) field"
check "AX frame" grep -qE '^  • AX frame \(top-left\): \([0-9]+,[0-9]+\) [0-9]+×[0-9]+$' <<<"$out"
check "converted frame" grep -qE '^  • Converted AppKit frame: \([0-9]+,[0-9]+\) [0-9]+×[0-9]+$' <<<"$out"
check "visible" has_line "$out" "  ✓ Overlay position lands on a visible screen"
check "ends with Done." test "$(tail -n 2 <<<"$out")" = "$(printf '\nDone.')"

# The flip, against the frame AT-SPI gives: y' = 900 - y - height.
read -r x y w h < <(sed -nE 's/^  • AX frame \(top-left\): \((-?[0-9]+),(-?[0-9]+)\) ([0-9]+)×([0-9]+)$/\1 \2 \3 \4/p' <<<"$out")
check "flipped frame" has_line "$out" "  • Converted AppKit frame: ($x,$((900 - y - h))) ${w}×${h}"

# Without the accessibility bus: the not-granted report, exactly.
bare=$("$here/../session/run-in-session.sh" --no-atspi -- "$quillet" --doctor 2>"$QUILLET_SESSION_DIR/bare.err")
rc=$?
expected=$(printf '%s\n' "Quillet doctor" "──────────────" "  • Session: X11" \
    "  ✗ Accessibility permission: NOT granted — enable assistive technologies (accessibility) in your desktop settings" \
    "  • Displays" "      primary 1440×900 @ (0,0)" "" \
    "Grant the permission, then run again. The app must be restarted after granting.")
echo "$bare"
check "no bus: exit status 0" test "$rc" -eq 0
check "no bus: the not-granted report" test "$bare" = "$expected"
check "no bus: nothing on standard error" test ! -s "$QUILLET_SESSION_DIR/bare.err"

[ "$failures" -eq 0 ]
