#!/usr/bin/env bash
# Runs the walkthrough headless in the session and checks its pictures: every step saved, each a PNG
# of the whole 1440×900 screen with something on it. $1 is the quillet_demo program.
set -u
demo=$1
here=$(cd "$(dirname "$0")" && pwd)
out=$QUILLET_SESSION_DIR/walkthrough
failures=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

start=$SECONDS
log=$("$demo" "$out" 2>"$QUILLET_SESSION_DIR/demo.err")
rc=$?
echo "$log"
cat "$QUILLET_SESSION_DIR/demo.err"
check "the walkthrough completes" test "$rc" -eq 0
check "nothing on standard error" test ! -s "$QUILLET_SESSION_DIR/demo.err"
check "it names its folder at the end" test "$(tail -n 1 <<<"$log")" = "Walkthrough written to $out"
echo "took $((SECONDS - start)) s"

steps=(01-editor 02-icon 03-loading 04-correction 05-alternatives 06-replaced 07-undone)
check "one picture per step, nothing else" test "$(ls "$out")" = "$(printf '%s.png\n' "${steps[@]}")"
for step in "${steps[@]}"; do
    check "$step is listed with its caption" grep -qE "^  $step\.png  [A-Z].+\.$" <<<"$log"
    # Size from the PNG header; whole pixel data; and rows that differ (a blank screen repeats one row).
    check "$step is a 1440×900 PNG with content" /usr/bin/python3 - "$out/$step.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
assert (width, height) == (1440, 900), (width, height)
idat, pos = b"", 8
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    if kind == b"IDAT":
        idat += data[pos + 8:pos + 8 + length]
    pos += 12 + length
pixels = zlib.decompress(idat)
stride = 1 + width * {2: 3, 6: 4}[colour] * depth // 8
assert len(pixels) == height * stride, "truncated"
assert len({pixels[y * stride:(y + 1) * stride] for y in range(height)}) > 50, "blank picture"
PY
done
# The panel and the toast really are in their pictures: they differ from the one before.
check "the panel changes the screen" test "$(cmp -s "$out/02-icon.png" "$out/03-loading.png"; echo $?)" -ne 0
check "the toast changes the screen" test "$(cmp -s "$out/05-alternatives.png" "$out/06-replaced.png"; echo $?)" -ne 0

[ "$failures" -eq 0 ]
