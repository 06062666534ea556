#!/usr/bin/env bash
# Runs a command inside a private, headless Wayland desktop and tears it down afterwards: the same
# session as run-in-session.sh (own HOME and XDG folders, D-Bus session bus, gnome-keyring, the
# AT-SPI bus with the accessibility switch on) without X11, with mutter or KWin as the compositor.
#
#   run-in-wayland-session.sh [--compositor mutter|kwin|gnome-shell] [--fake-input] [--size WxH]
#                             [--a11y-off] [--probe DIR] [--extension DIR]... [--as-installed]
#                             [--allow-keys PROGRAM]...
#                             [--] command [args...]
#
# mutter (GNOME): `mutter --headless --wayland --no-x11`. A RemoteDesktop session is started before
#   the command: it gives the headless seat a keyboard (without one no window gets the focus) and is
#   how tests press keys (tests/session/wayland-keys.py).
# gnome-shell (GNOME): `gnome-shell --headless`, with a private system bus holding a stand-in for
#   logind (python3-dbusmock's template), its settings in a key file (enabled extensions, no key
#   repeat, no welcome tour, no hot corner: the test pointer's first move passes the top-left corner
#   on GNOME Shell 50, which opened the overview) and out of the overview it starts in. Each --extension DIR is installed
#   (as the user's, under its folder's name) and enabled before the shell starts, as after a login.
#   Also installed: --probe DIR, the test probe as built for this shell (gnome-shell/FLAVOUR/
#   quillet-probe@lumenfold.com in the build folder, from tests/session/shell-probe), through which
#   tests ask the shell what a person sees (see its extension.js.in). Keys as under mutter. Quillet's extension, installed this way for a
#   program in the build folder, is one any program of the user could take over, and it refuses to
#   serve such an install; the shell is started with QUILLET_SHELL_DEVELOPMENT=1, which lets it,
#   unless --as-installed is given.
# kwin (KDE Plasma): `kwin_wayland --virtual`, which also serves KGlobalAccel (org.kde.kglobalaccel).
#   With --fake-input every client may use org_kde_kwin_fake_input; without it KWin checks
#   permissions as a real Plasma session does, and gives them to the programs whose desktop entries
#   ask for them: the Python that runs wayland-keys.py, and each --allow-keys PROGRAM (a full path),
#   as installed before the session starts. KDE_SESSION_VERSION is that of the KWin found (5 or 6).
#
# Inside: WAYLAND_DISPLAY, XDG_SESSION_TYPE=wayland, XDG_CURRENT_DESKTOP, GDK_BACKEND=wayland and
# QT_QPA_PLATFORM=wayland (native Wayland clients), no DISPLAY, QUILLET_COMPOSITOR (mutter, kwin or
# gnome-shell), QUILLET_KEYS_SOCKET (mutter, gnome-shell) and everything run-in-session.sh exports. The command's exit
# status is the script's; 3 when the compositor could not be started.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

if [ "${1:-}" != --in-session ]; then
    compositor=mutter fake_input=no size=1280x800 outer=() extensions=() allowed=() development=1 probe=
    while [ $# -gt 0 ]; do
        case "$1" in
            --compositor) compositor=$2; shift ;;
            --extension) extensions+=("$(cd "$2" && pwd)"); shift ;;
            --probe) probe=$(cd "$2" && pwd); shift ;;
            --fake-input) fake_input=yes ;;
            --as-installed) development= ;;
            --allow-keys) allowed+=("$2"); shift ;;
            --size) size=$2; shift ;;
            --a11y-off) outer+=(--a11y-off) ;;
            --) shift; break ;;
            *) break ;;
        esac
        shift
    done
    [ $# -gt 0 ] || { echo "usage: $0 [--compositor mutter|kwin] [options] -- command [args...]" >&2; exit 2; }
    case "$compositor" in mutter | kwin | gnome-shell) ;; *) echo "$0: unknown compositor $compositor" >&2; exit 2 ;; esac
    [ "$compositor" != gnome-shell ] || [ -f "$probe/extension.js" ] ||
        { echo "$0: gnome-shell needs --probe DIR, the test probe as built" >&2; exit 2; }
    exec "$here/run-in-session.sh" --no-x "${outer[@]}" -- "$0" --in-session "$compositor" "$fake_input" \
        "$size" "$(IFS=:; echo "${extensions[*]}")" "$(IFS=:; echo "${allowed[*]}")" "$development" "$probe" "$@"
fi

# Inside the session built by run-in-session.sh.
compositor=$2 fake_input=$3 size=$4 extensions=$5 allowed=$6 development=$7 probe=$8
shift 8
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
    dbus-send "--${2:-session}" --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetNameOwner "string:$1"
}
socket_ready() { [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; }

export WAYLAND_DISPLAY=wayland-quillet XDG_SESSION_TYPE=wayland GDK_BACKEND=wayland QT_QPA_PLATFORM=wayland
export QUILLET_COMPOSITOR=$compositor
unset DISPLAY
width=${size%x*} height=${size#*x}

# Keys as a person presses them, through the compositor's RemoteDesktop session (mutter's own).
start_keys() {
    export QUILLET_KEYS_SOCKET=$session/keys.socket
    /usr/bin/python3 "$here/wayland-keys.py" serve-mutter "$QUILLET_KEYS_SOCKET" >"$session/keys.log" 2>&1 &
    pids+=($!)
    wait_for 20 grep -q ready "$session/keys.log" ||
        fail "no RemoteDesktop session: $(tail -n 5 "$session/keys.log")"
}

# install_extension DIR: as the user's own GNOME Shell extension, under the folder's name.
install_extension() {
    local target=$XDG_DATA_HOME/gnome-shell/extensions/$(basename "$1")
    mkdir -p "$(dirname "$target")"
    cp -r "$1" "$target" || fail "cannot install the extension $1"
}

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
        start_keys
        ;;
    gnome-shell)
        export XDG_CURRENT_DESKTOP=GNOME
        # The shell asks logind for its session and seat on the system bus: a private one, with a stand-in.
        cat >"$session/system-bus.conf" <<XML
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$session/system-bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/>
<allow receive_sender="*"/></policy></busconfig>
XML
        dbus-daemon --config-file="$session/system-bus.conf" --nofork --nopidfile >"$session/system-bus.log" 2>&1 &
        pids+=($!)
        export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$session/system-bus
        wait_for 20 test -S "$session/system-bus" || fail "the system bus did not start"
        /usr/bin/python3 -m dbusmock --system --template logind >"$session/logind.log" 2>&1 &
        pids+=($!)
        wait_for 20 has_name org.freedesktop.login1 system || fail "no logind stand-in: $(tail -n 5 "$session/logind.log")"
        # Settings the shell reads at start, as a user's would be after the first login.
        enabled="'quillet-probe@lumenfold.com'"
        install_extension "$probe"
        IFS=: read -r -a dirs <<<"$extensions"
        for dir in "${dirs[@]}"; do
            [ -n "$dir" ] || continue
            install_extension "$dir"
            enabled="$enabled, '$(basename "$dir")'"
        done
        mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
        cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<INI
[org/gnome/desktop/peripherals/keyboard]
repeat=false

[org/gnome/shell]
enabled-extensions=[$enabled]
welcome-dialog-last-shown-version='999'

[org/gnome/desktop/notifications]
show-banners=false

[org/gnome/desktop/interface]
enable-hot-corners=false
INI
        GSETTINGS_BACKEND=keyfile QUILLET_SHELL_DEVELOPMENT=$development gnome-shell --headless --wayland --no-x11 --wayland-display "$WAYLAND_DISPLAY" \
            --virtual-monitor "$size" >"$session/gnome-shell.log" 2>&1 &
        pids+=($!)
        # Ended by a signal, GNOME Shell 43 crashes on its way out: that is no news of the test's.
        disown
        shell_probe() {
            gdbus call --session --dest org.gnome.Shell --object-path /com/lumenfold/quillet/Probe \
                --method com.lumenfold.quillet.Probe.Eval "$1"
        }
        wait_for 60 shell_probe 'true' && socket_ready ||
            fail "gnome-shell did not start: $(tail -n 5 "$session/gnome-shell.log")"
        # Started, and out of the overview it opens with (where no window gets the keyboard).
        # (gdbus succeeds whatever the answer: the answer itself must be true.)
        shell_holds() { shell_probe "$1" | grep -qx "('true',)"; }
        wait_for 30 shell_holds '!Main.layoutManager._startingUp && !Main.overview.visible && !Main.overview.animationInProgress' ||
            fail "the shell stays in the overview"
        start_keys
        ;;
    kwin)
        # The packaged binary carries a file capability (for its own scheduling priority) that a
        # container refuses to execute; a copy has none and runs.
        cp /usr/bin/kwin_wayland "$session/kwin_wayland" || fail "kwin_wayland is not installed"
        # The Plasma this KWin belongs to, told as its session tells it: programs pick their flavour
        # of KWin's interfaces by it, and KDE's cache is built by that Plasma's tool. (The copy keeps
        # the name: under another, KWin does not find its own display plugin, even for --version.)
        plasma=$("$session/kwin_wayland" --version 2>/dev/null | sed -n 's/^kwin[_a-z]* \([0-9]*\)\..*/\1/p')
        [ -n "$plasma" ] || fail "kwin_wayland --version names no version"
        export XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=$plasma
        printf '[Keyboard]\nKeyRepeat=nothing\n' >"$XDG_CONFIG_HOME/kcminputrc"
        # Desktop entries that get a program KWin's fake input, there before KWin reads them.
        mkdir -p "$XDG_DATA_HOME/applications"
        IFS=: read -r -a programs <<<"$allowed"
        keyed=("$(readlink -f /usr/bin/python3)" "${programs[@]}")
        n=0
        for program in "${keyed[@]}"; do
            [ -n "$program" ] || continue
            n=$((n + 1))
            printf '[Desktop Entry]\nType=Application\nName=Keys %s\nExec=%s\nNoDisplay=true\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n' \
                "$n" "$program" >"$XDG_DATA_HOME/applications/keys-$n.desktop"
        done
        # KWin reads the interfaces of the first entry it finds whose Exec is the program, and which
        # comes first changes with each build of KDE's cache: Debian's own python3.11.desktop (no
        # interfaces) came first in one session of seven, under load one of three. Each entry of the
        # system's with the same Exec is replaced by one of the user's under its name that runs
        # nothing (KDE's cache keeps the system's entry beside a Hidden one), so only the entries
        # above name these programs.
        dirs=${XDG_DATA_DIRS:-/usr/local/share:/usr/share}
        IFS=: read -r -a data_dirs <<<"$dirs"
        for dir in "${data_dirs[@]}"; do
            for entry in "$dir"/applications/*.desktop; do
                [ -f "$entry" ] || continue
                exec_line=$(sed -n 's/^Exec=//p' "$entry" | head -n 1)
                [ -n "$exec_line" ] || continue
                target=$(readlink -f "$exec_line" 2>/dev/null) || continue
                for program in "${keyed[@]}"; do
                    if [ -n "$program" ] && [ "$target" = "$program" ]; then
                        printf '[Desktop Entry]\nType=Application\nName=Replaced\nExec=/bin/false\nNoDisplay=true\n' \
                            >"$XDG_DATA_HOME/applications/$(basename "$entry")"
                    fi
                done
            done
        done
        # KWin looks them up in KDE's cache of desktop entries, which a login has built by then. The
        # cache holds the programs of the desktop's menu: Plasma 6 brings its menu (plasma-workspace)
        # where KDE's libraries no longer do, and without one the cache holds no program at all.
        if [ "$plasma" -ge 6 ]; then
            mkdir -p "$XDG_CONFIG_HOME/menus"
            cat >"$XDG_CONFIG_HOME/menus/applications.menu" <<'XML'
<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1.0//EN"
 "http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd">
<Menu><Name>Applications</Name><DefaultAppDirs/><DefaultDirectoryDirs/><Include><All/></Include></Menu>
XML
        fi
        kbuildsycoca$plasma >"$session/kbuildsycoca.log" 2>&1 ||
            fail "kbuildsycoca$plasma failed: $(tail -n 3 "$session/kbuildsycoca.log")"
        [ "$fake_input" = yes ] && export KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
        # Tests read the screen as a person sees it (ScreenShot2) without KWin asking first. KWin's
        # look-ups of the entries go to its log, for a failure to show.
        QT_LOGGING_RULES="KWIN_UTILS.debug=true" KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
            "$session/kwin_wayland" --virtual --no-lockscreen --socket "$WAYLAND_DISPLAY" \
            --width "$width" --height "$height" >"$session/kwin.log" 2>&1 &
        pids+=($!)
        wait_for 30 has_name org.kde.kglobalaccel && socket_ready && alive ||
            fail "KWin did not start: $(tail -n 5 "$session/kwin.log")"
        unset KWIN_WAYLAND_NO_PERMISSION_CHECKS
        # Whether KWin gives the programs above their keys, asked here: a failure here says why.
        if [ "$fake_input" = no ]; then
            press() { /usr/bin/python3 "$here/wayland-keys.py" key shift 2>>"$session/press.log"; }
            wait_for 20 press || fail "KWin gives no program its keys: $(tail -n 1 "$session/press.log")
$(grep 'KWIN_UTILS' "$session/kwin.log" | tail -n 3)"
        fi
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
