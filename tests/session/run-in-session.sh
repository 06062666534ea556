#!/usr/bin/env bash
# Runs a command inside a private desktop session and tears the session down afterwards, also when
# the command fails or the script is interrupted. The session has its own HOME and XDG folders, a
# D-Bus session bus, an unlocked gnome-keyring (secrets only), Xvfb, the AT-SPI bus with the
# accessibility switch on, and openbox.
#
#   run-in-session.sh [--no-x] [--no-wm] [--no-atspi] [--a11y-off] [--size WxH] [--desktop NAME]
#                     [--] command [args...]
#
# XDG_CURRENT_DESKTOP is NAME inside (GNOME: Qt programs then load GTK, as on a GNOME desktop), and
# without --desktop QUILLET_SESSION_DESKTOP's value (unset when that is), whatever desktop runs the
# tests: `QUILLET_SESSION_DESKTOP=GNOME make test` runs every session as a GNOME desktop names itself.
#
# Inside, QUILLET_SESSION_DIR names the session's scratch folder and QUILLET_KEYRING_PASSWORD the
# keyring's password. The command's exit status is the script's.
set -u
. "$(dirname "$0")/common.sh"

want_x=yes want_wm=yes want_atspi=yes a11y=on size=1440x900 desktop=${QUILLET_SESSION_DESKTOP:-}
while [ $# -gt 0 ]; do
    case "$1" in
        --no-x) want_x=no; want_wm=no ;;
        --no-wm) want_wm=no ;;
        --no-atspi) want_atspi=no ;;
        --a11y-off) a11y=off ;;
        --size) size=$2; shift ;;
        --desktop) desktop=$2; shift ;;
        --) shift; break ;;
        *) break ;;
    esac
    shift
done
[ $# -gt 0 ] || { echo "usage: $0 [options] -- command [args...]" >&2; exit 2; }

session=$(mktemp -d "${TMPDIR:-/tmp}/quillet-session.XXXXXX")
pids=()
cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    stop_pids "${pids[@]}"
    # Whatever the session's bus activated on its own (registryd, dconf) goes with it.
    pkill -KILL -f "$session" 2>/dev/null
    rm -rf "$session"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() { echo "run-in-session: $*" >&2; exit 1; }

export HOME=$session/home XDG_CONFIG_HOME=$session/config XDG_DATA_HOME=$session/data
export XDG_CACHE_HOME=$session/cache XDG_RUNTIME_DIR=$session/runtime XDG_STATE_HOME=$session/state
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$XDG_STATE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export QUILLET_SESSION_DIR=$session LANG=C.UTF-8 LC_ALL=C.UTF-8 GSETTINGS_BACKEND=memory NO_AT_BRIDGE=
# As a Debian login sets it (at-spi2-core's Xsession.d and environment.d): Qt 5 applications join
# the accessibility bus only with it.
export QT_ACCESSIBILITY=1
unset NO_AT_BRIDGE SESSION_MANAGER GNOME_KEYRING_CONTROL SSH_AUTH_SOCK WAYLAND_DISPLAY XDG_CURRENT_DESKTOP
[ -n "$desktop" ] && export XDG_CURRENT_DESKTOP=$desktop

if [ "$want_x" = yes ]; then
    # -noreset: a display server resets itself (root window properties and all) whenever its last
    # client leaves, and the first clients here come and go before the window manager stays: the
    # AT-SPI bus launcher's AT_SPI_BUS property, which Qt 5 applications join the bus by, went with it.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset -nolisten tcp -nolisten unix -listen local \
        +extension XTEST 3>"$session/display" >"$session/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for 30 test -s "$session/display" || { Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset \
        3>"$session/display" >"$session/xvfb.log" 2>&1 & pids+=($!); wait_for 30 test -s "$session/display"; } ||
        fail "Xvfb did not start: $(cat "$session/xvfb.log")"
    export DISPLAY=:$(head -n1 "$session/display")
    export GDK_BACKEND=x11 QT_QPA_PLATFORM=xcb XDG_SESSION_TYPE=x11
else
    unset DISPLAY
fi

dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$session/bus" >/dev/null 2>&1 &
pids+=($!)
wait_for 30 test -s "$session/bus" || fail "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$session/bus")

export QUILLET_KEYRING_PASSWORD=quillet-test
printf '%s' "$QUILLET_KEYRING_PASSWORD" |
    gnome-keyring-daemon --foreground --unlock --components=secrets >"$session/keyring.log" 2>&1 &
pids+=($!)
wait_for 30 dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetNameOwner string:org.freedesktop.secrets || fail "gnome-keyring did not start"

if [ "$want_atspi" = yes ]; then
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$session/atspi.log" 2>&1 &
    pids+=($!)
    wait_for 30 dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetNameOwner string:org.a11y.Bus || fail "the AT-SPI bus did not start"
    value=false; [ "$a11y" = on ] && value=true
    gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
        --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "<$value>" >/dev/null ||
        fail "cannot set the accessibility switch"
fi

if [ "$want_wm" = yes ]; then
    wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
    for attempt in 1 2; do
        openbox --sm-disable --config-file /dev/null >"$session/openbox.log" 2>&1 &
        pids+=($!)
        wait_for 20 wm_ready && break
        kill "${pids[-1]}" 2>/dev/null
    done
    wm_ready || fail "openbox did not start: $(tail -n 5 "$session/openbox.log")"
fi

"$@" &
child=$!
pids+=($child)
wait "$child"
