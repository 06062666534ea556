#!/usr/bin/env bash
# `make package` as a packager runs it: the Debian package holds the program, its desktop entry with
# its actions, the icon, the manual page, the licence, the changelog, the GNOME Shell extension
# (answering /usr/bin/quillet) and the metainfo software centres read, and declares the libraries
# the program links to as Debian's own tools name them. Runs inside a session; $1 is the quillet
# binary of the build folder.
set -u
build=$(cd "$(dirname "$1")/.." && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$(dirname "$0")/../session/common.sh"

out=$QUILLET_SESSION_DIR/package
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$QUILLET_SESSION_DIR/cpack.log" 2>&1
check "cpack succeeds" test $? -eq 0
deb=$(ls "$out"/quillet_*_*.deb 2>/dev/null | head -n 1)
check "one package, named as Debian names them" test -n "$deb"
[ -n "$deb" ] || { cat "$QUILLET_SESSION_DIR/cpack.log"; exit 1; }

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
echo "$files"
extension=./usr/share/gnome-shell/extensions/quillet@lumenfold.com
check "exactly the program, entry, icon, manual page, licence, changelog, extension and metainfo" test "$files" = "$(printf '%s\n' \
    ./usr/bin/quillet \
    ./usr/share/applications/com.lumenfold.quillet.desktop \
    ./usr/share/doc/quillet/changelog.gz \
    ./usr/share/doc/quillet/copyright \
    $extension/emblem.svg \
    $extension/extension.js \
    $extension/metadata.json \
    $extension/schemas/gschemas.compiled \
    $extension/schemas/org.gnome.shell.extensions.quillet.gschema.xml \
    $extension/stylesheet.css \
    ./usr/share/icons/hicolor/scalable/apps/com.lumenfold.quillet.svg \
    ./usr/share/man/man1/quillet.1.gz \
    ./usr/share/metainfo/com.lumenfold.quillet.metainfo.xml)"
check "everything belongs to root" test -z "$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')"

field() { dpkg-deb -f "$deb" "$1"; }
check "package name" test "$(field Package)" = quillet
check "architecture of this machine" test "$(field Architecture)" = "$(dpkg --print-architecture)"
check "a maintainer" test -n "$(field Maintainer)"
depends=$(field Depends)
echo "Depends: $depends"
# The libraries the program links to, each by its Debian package, with the versions the tools found
# (from Debian 13 on, several under their 64-bit time names: libqt6core6t64).
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6dbus6 libqt6svg6 \
    libsecret-1-0 libatspi2.0-0 libglib2.0-0 libx11-6 libxtst6 libxi6 libcld2-0; do
    check "depends on $lib" grep -qE "(^|, )${lib//+/\\+}(t64)?( \(|,|$)" <<<"$depends"
done
check "versions come from the symbols files" grep -qE "libc6 \(>= [0-9.]+\)" <<<"$depends"
check "and the X11 platform plugin no link shows" grep -qE "(^|, )qt6-qpa-plugins(,|$)" <<<"$depends"
check "no build package" test -z "$(grep -oE '[a-z0-9.+-]+-dev\b' <<<"$depends")"
# Every package named exists on Debian 12 (this machine has them all, as the program's build needs them).
known() { dpkg-query -W "$1" >/dev/null 2>&1; }
for name in $(tr ',|' '\n\n' <<<"$depends" | sed -E 's/\(.*\)//; s/ //g' | grep -v '^$'); do
    check "$name is a Debian package" known "$name"
done
check "recommends the accessibility bus, a keyring and the Wayland clipboard tools" test "$(field Recommends)" = "at-spi2-core, gnome-keyring | keepassxc, wl-clipboard"

# What the files say once installed.
root=$QUILLET_SESSION_DIR/root
dpkg-deb -x "$deb" "$root"
entry=$root/usr/share/applications/com.lumenfold.quillet.desktop
check "the entry starts the installed program" grep -qxF "Exec=/usr/bin/quillet" "$entry"
check "its actions: Settings and Quit" grep -qxF "Actions=Settings;Quit;" "$entry"
check "Settings runs --settings" grep -qxF "Exec=/usr/bin/quillet --settings" "$entry"
check "Quit runs --quit" grep -qxF "Exec=/usr/bin/quillet --quit" "$entry"
check "the extension answers the installed program" \
    grep -qF '"quillet-program": "/usr/bin/quillet"' "$root/$extension/metadata.json"
check "the licence is the project's" cmp -s "$root/usr/share/doc/quillet/copyright" "$here/../../LICENSE"
check "the changelog names this version" grep -q "^quillet ($(field Version))" <(zcat "$root/usr/share/doc/quillet/changelog.gz")
metainfo=$root/usr/share/metainfo/com.lumenfold.quillet.metainfo.xml
check "software centres take the metainfo" appstreamcli validate --no-net --pedantic "$metainfo"
check "its release is this version" grep -qF "<release version=\"$(field Version)\"" "$metainfo"
check "it launches the installed entry" grep -qF ">com.lumenfold.quillet.desktop</launchable>" "$metainfo"
check "the program is stripped" test -z "$(readelf -S "$root/usr/bin/quillet" | grep -F .debug_info)"
help=$("$root/usr/bin/quillet" --help 2>&1)
check "the packaged program runs" grep -q -- "--trigger" <<<"$help"

[ "$failures" -eq 0 ]
