#!/usr/bin/env bash
# Quillet started with no session bus in its environment, as from a bare terminal or a cron job: it
# says so, on standard error and in --doctor, and leaves no bus of its own (dbus-launch and its
# dbus-daemon) running behind it. Runs inside a session; $1 is the quillet binary.
set -u
quillet=$1
. "$(dirname "$0")/../session/common.sh"

# The D-Bus processes that belong to this session's display: a bus launched for the occasion takes
# the display of the program that asked for it. Other sessions on the machine have displays of their own.
own_buses() {
    local pid
    for pid in $(pgrep -x 'dbus-daemon|dbus-launch'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "DISPLAY=$DISPLAY" && echo "$pid"
    done | sort
}
before=$(own_buses)

out=$(env -u DBUS_SESSION_BUS_ADDRESS "$quillet" --doctor 2>"$QUILLET_SESSION_DIR/nobus-doctor.err")
rc=$?
echo "$out"
check "doctor: exit status 0" test "$rc" -eq 0
# Right after the kind of session: the accessibility switch lives on that bus, so what follows it
# (the permission not granted) has its reason above.
check "doctor: says there is no session bus" test "$(sed -n 4p <<<"$out")" = \
    "  ✗ Session bus: none — DBUS_SESSION_BUS_ADDRESS is not set; start Quillet from within the desktop session"
check "doctor: nothing on standard error" test ! -s "$QUILLET_SESSION_DIR/nobus-doctor.err"

err=$QUILLET_SESSION_DIR/nobus.err
env -u DBUS_SESSION_BUS_ADDRESS "$quillet" >/dev/null 2>"$err" &
pid=$!
wait_for 10 grep -q "no session bus" "$err"
sleep 3  # started and settled: windows up, the accessibility bus looked for, the keyring asked
check "runs without a bus" kill -0 "$pid"
cat "$err"
check "says so on standard error" grep -q "^Quillet: no session bus (DBUS_SESSION_BUS_ADDRESS is not set)" "$err"
check "and nothing else there" test "$(wc -l <"$err")" -eq 1
kill "$pid"
wait_for 10 eval "! kill -0 $pid"
check "no bus of its own left running" test "$(own_buses)" = "$before"

[ "$failures" -eq 0 ]
