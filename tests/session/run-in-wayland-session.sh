#!/usr/bin/env bash
# Runs a command inside a private, headless Wayland desktop and tears it down afterwards: the same
# session as run-in-session.sh (own HOME and XDG folders, D-Bus session bus, gnome-keyring, the
# AT-SPI bus with the accessibility switch on) without X11, with mutter or KWin as the compositor.
#
#   run-in-wayland-session.sh [--compositor mutter|kwin] [--fake-input] [--size WxH] [--a11y-off]
#                             [--] command [args...]
#
# mutter (GNOME): `mutter --headless --wayland --no-x11`. A RemoteDesktop session is started before
#   the command: it gives the headless seat a keyboard (without one no window gets the focus) and is
#   how tests press keys (tests/session/wayland-keys.py).
# kwin (KDE Plasma): `kwin_wayland --virtual`, which also serves KGlobalAccel (org.kde.kglobalaccel).
#   With --fake-input every client may use org_kde_kwin_fake_input, which wayland-keys.py needs;
#   without it KWin checks permissions as a real Plasma session does.
#
# Inside: WAYLAND_DISPLAY, XDG_SESSION_TYPE=wayland, XDG_CURRENT_DESKTOP, GDK_BACKEND=wayland and
# QT_QPA_PLATFORM=wayland (native Wayland clients), no DISPLAY, QUILLET_COMPOSITOR (mutter or
# kwin), QUILLET_KEYS_SOCKET (mutter) and everything run-in-session.sh exports. The command's exit
# status is the script's; 3 when the compositor could not be started.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

if [ "${1:-}" != --in-session ]; then
    compositor=mutter fake_input=no size=1280x800 outer=()
    while [ $# -gt 0 ]; do
        case "$1" in
            --compositor) compositor=$2; shift ;;
            --fake-input) fake_input=yes ;;
            --size) size=$2; shift ;;
            --a11y-off) outer+=(--a11y-off) ;;
            --) shift; break ;;
            *) break ;;
        esac
        shift
    done
    [ $# -gt 0 ] || { echo "usage: $0 [--compositor mutter|kwin] [options] -- command [args...]" >&2; exit 2; }
    case "$compositor" in mutter | kwin) ;; *) echo "$0: unknown compositor $compositor" >&2; exit 2 ;; esac
    exec "$here/run-in-session.sh" --no-x "${outer[@]}" -- "$0" --in-session "$compositor" "$fake_input" \
        "$size" "$@"
fi

# Inside the session built by run-in-session.sh.
compositor=$2 fake_input=$3 size=$4
shift 4
session=$QUILLET_SESSION_DIR
pids=()
cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    stop_pids "${pids[@]}"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() { echo "run-in-wayland-session: $*" >&2; exit 3; }
alive() { kill -0 "${pids[-1]}" 2>/dev/null; }
has_name() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetNameOwner "string:$1"
}
socket_ready() { [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; }

export WAYLAND_DISPLAY=wayland-quillet XDG_SESSION_TYPE=wayland GDK_BACKEND=wayland QT_QPA_PLATFORM=wayland
export QUILLET_COMPOSITOR=$compositor
unset DISPLAY
width=${size%x*} height=${size#*x}

# On Wayland each client repeats a held key itself: on a busy machine a release that arrives late
# would type the key twice. People keep repeat on; the tests' keys need it off.
case "$compositor" in
    mutter)
        export XDG_CURRENT_DESKTOP=GNOME
        mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
        printf '[org/gnome/desktop/peripherals/keyboard]\nrepeat=false\n' >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile"
        GSETTINGS_BACKEND=keyfile mutter --headless --wayland --no-x11 --wayland-display "$WAYLAND_DISPLAY" \
            --virtual-monitor "$size" >"$session/mutter.log" 2>&1 &
        pids+=($!)
        wait_for 30 has_name org.gnome.Mutter.RemoteDesktop && socket_ready ||
            fail "mutter did not start: $(tail -n 5 "$session/mutter.log")"
        export QUILLET_KEYS_SOCKET=$session/keys.socket
        /usr/bin/python3 "$here/wayland-keys.py" serve-mutter "$QUILLET_KEYS_SOCKET" >"$session/keys.log" 2>&1 &
        pids+=($!)
        wait_for 20 grep -q ready "$session/keys.log" ||
            fail "no RemoteDesktop session: $(tail -n 5 "$session/keys.log")"
        ;;
    kwin)
        export XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5
        # The packaged binary carries a file capability (for its own scheduling priority) that a
        # container refuses to execute; a copy has none and runs.
        cp /usr/bin/kwin_wayland "$session/kwin_wayland" || fail "kwin_wayland is not installed"
        printf '[Keyboard]\nKeyRepeat=nothing\n' >"$XDG_CONFIG_HOME/kcminputrc"
        [ "$fake_input" = yes ] && export KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
        "$session/kwin_wayland" --virtual --no-lockscreen --socket "$WAYLAND_DISPLAY" \
            --width "$width" --height "$height" >"$session/kwin.log" 2>&1 &
        pids+=($!)
        unset KWIN_WAYLAND_NO_PERMISSION_CHECKS
        wait_for 30 has_name org.kde.kglobalaccel && socket_ready && alive ||
            fail "KWin did not start: $(tail -n 5 "$session/kwin.log")"
        ;;
esac
# Programs the bus starts on demand (portals, D-Bus activated applications) draw on this display too.
dbus-update-activation-environment WAYLAND_DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP GDK_BACKEND \
    QT_QPA_PLATFORM ${KDE_SESSION_VERSION:+KDE_SESSION_VERSION} >/dev/null 2>&1 ||
    fail "cannot pass the display to the session bus"

"$@" &
child=$!
pids+=($child)
wait "$child"
