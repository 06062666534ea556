#!/usr/bin/env bash
# The command-line modes as a user types them where no copy can start or be reached: --help, and
# the commands without an X display or without a session bus. Runs inside a session; $1 is the
# quillet binary.
set -u
quillet=$1
. "$(dirname "$0")/../session/common.sh"
name_held() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:com.lumenfold.quillet 2>/dev/null | grep -q "boolean true"
}
cd "$QUILLET_SESSION_DIR" || exit 1

out=$(env -u DISPLAY "$quillet" --help 2>err)
check "--help: exit status 0, no display needed" test $? -eq 0
check "--help: nothing on standard error" test ! -s err
for mode in "--trigger" "--settings" "--quit" "--doctor" "--screenshots DIR" "--help"; do
    check "--help lists $mode" grep -qF -- "  $mode" <<<"$out"
done
not_held() { ! name_held; }
check "--help starts nothing" not_held

out=$(env -u DISPLAY "$quillet" --quit 2>err)
check "--quit with nothing running: exit status 0" test $? -eq 0
check "--quit with nothing running says so" test "$out" = "Quillet is not running."
check "--quit: nothing on standard error" test ! -s err

env -u DISPLAY "$quillet" --settings >out 2>err
check "no display: a copy cannot start, exit status 1" test $? -eq 1
check "no display: says why" test "$(cat err)" = "quillet: needs an X11 display, and DISPLAY is not set"
check "no display: the name is not left held" not_held

# Without a session bus Quillet still runs, and --quit says it cannot reach it.
DBUS_SESSION_BUS_ADDRESS=unix:path=$QUILLET_SESSION_DIR/no-bus "$quillet" >/dev/null 2>&1 &
lonely=$!
wait_for 10 xdotool search --onlyvisible --name '^Quillet — Settings$'
check "no bus: Quillet runs and shows its settings" xdotool search --onlyvisible --name '^Quillet — Settings$'
check "no bus: still running" kill -0 "$lonely"
kill "$lonely"; wait "$lonely" 2>/dev/null
out=$(DBUS_SESSION_BUS_ADDRESS=unix:path=$QUILLET_SESSION_DIR/no-bus "$quillet" --quit 2>err)
check "no bus: --quit fails" test $? -eq 1
check "no bus: --quit says why" test "$(cat err)" = "quillet: no session bus, so no running copy can be reached"

[ "$failures" -eq 0 ]
