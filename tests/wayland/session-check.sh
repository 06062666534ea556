#!/usr/bin/env bash
# What the program relies on in a Wayland session, checked in the compositor the session runs: native
# GTK 3 and Qt 6 fields take the focus and report it over AT-SPI, their text is read, written and
# typed into, a synthetic paste lands, and the clipboard works for a client without a window.
#   session-check.sh QT6_TEXT_FIELD_PROGRAM
set -u
here=$(cd "$(dirname "$0")" && pwd)
probe() { /usr/bin/python3 "$here/atspi_probe.py" --keys -- "$@"; }
rc=0

echo "== GTK 3 (gedit) on $QUILLET_COMPOSITOR"
probe gedit --standalone || rc=1

echo "== Qt 6 on $QUILLET_COMPOSITOR"
probe "$1" "A first paragraph, long enough to matter.

A second one." || rc=1

echo "== clipboard"
text='Clipboard: ünïcode, ђ, 🙂'
printf '%s' "$text" | wl-copy --type 'text/plain;charset=utf-8'
got=$(wl-paste --no-newline --type 'text/plain;charset=utf-8')
if [ "$got" = "$text" ]; then echo "wl-copy / wl-paste round trip"; else echo "FAILED: wl-paste gave '$got'"; rc=1; fi
wl-copy --clear

exit $rc
