#!/usr/bin/env bash
# `cmake --install` into a fresh prefix, as a user or a packager runs it: the program, its desktop
# entry with its actions, its emblem, manual page, licence and changelog, and its GNOME Shell
# extension land in the usual places, and the installed program runs from there.
# Runs inside a session; $1 is the quillet binary of the build folder.
set -u
build=$(cd "$(dirname "$1")/.." && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$(dirname "$0")/../session/common.sh"

prefix="$QUILLET_SESSION_DIR/pre fix/usr"
cmake --install "$build" --prefix "$prefix" >"$QUILLET_SESSION_DIR/install.log" 2>&1
check "cmake --install succeeds" test $? -eq 0
cat "$QUILLET_SESSION_DIR/install.log"
check "the program" test -x "$prefix/bin/quillet"
check "the emblem" cmp -s "$prefix/share/icons/hicolor/scalable/apps/com.lumenfold.quillet.svg" \
    "$here/../../resources/logo-icon.svg"
entry="$prefix/share/applications/com.lumenfold.quillet.desktop"
check "the desktop entry" test -f "$entry"
check "it starts the installed program by its full path" grep -qxF "Exec=\"$prefix/bin/quillet\"" "$entry"
check "so do its actions" test "$(grep '^Exec=' "$entry" | tail -n +2)" = "$(printf '%s\n' \
    "Exec=\"$prefix/bin/quillet\" --settings" "Exec=\"$prefix/bin/quillet\" --quit")"
check "it names the installed emblem" grep -qxF "Icon=com.lumenfold.quillet" "$entry"
check "its other lines are kept" test "$(grep -v '^Exec=' "$entry")" = \
    "$(grep -v '^Exec=' "$here/../../resources/quillet.desktop")"
check "the licence" cmp -s "$prefix/share/doc/quillet/copyright" "$here/../../LICENSE"
extension="$prefix/share/gnome-shell/extensions/quillet@lumenfold.com"
check "nothing else is installed" test "$(cd "$prefix" && find . -type f | sort)" = "$(printf '%s\n' \
    ./bin/quillet ./share/applications/com.lumenfold.quillet.desktop ./share/doc/quillet/changelog.gz \
    ./share/doc/quillet/copyright ./share/gnome-shell/extensions/quillet@lumenfold.com/emblem.svg \
    ./share/gnome-shell/extensions/quillet@lumenfold.com/extension.js \
    ./share/gnome-shell/extensions/quillet@lumenfold.com/metadata.json \
    ./share/gnome-shell/extensions/quillet@lumenfold.com/schemas/gschemas.compiled \
    ./share/gnome-shell/extensions/quillet@lumenfold.com/schemas/org.gnome.shell.extensions.quillet.gschema.xml \
    ./share/gnome-shell/extensions/quillet@lumenfold.com/stylesheet.css \
    ./share/icons/hicolor/scalable/apps/com.lumenfold.quillet.svg ./share/man/man1/quillet.1.gz \
    ./share/metainfo/com.lumenfold.quillet.metainfo.xml)"
# The extension answers the installed program alone, named by its full path.
check "the extension names the installed program" \
    grep -qF "\"quillet-program\": \"$prefix/bin/quillet\"" "$extension/metadata.json"
check "its metadata is JSON" /usr/bin/python3 -m json.tool "$extension/metadata.json"

# A plain prefix gets a plain Exec line.
plain=$QUILLET_SESSION_DIR/plain
cmake --install "$build" --prefix "$plain" >/dev/null 2>&1
check "plain prefix: unquoted Exec" grep -qxF "Exec=$plain/bin/quillet" "$plain/share/applications/com.lumenfold.quillet.desktop"
check "plain prefix: unquoted in the actions too" grep -qxF "Exec=$plain/bin/quillet --quit" "$plain/share/applications/com.lumenfold.quillet.desktop"

# The installed program runs on its own, found through the PATH, from another folder.
cd "$QUILLET_SESSION_DIR" || exit 1
out=$(PATH="$prefix/bin:$PATH" quillet --screenshots shots 2>"$QUILLET_SESSION_DIR/run.err")
check "the installed program runs" test $? -eq 0
check "and draws its views" test "$(tail -n 1 <<<"$out")" = "Screenshots written to $QUILLET_SESSION_DIR/shots"
check "quietly" test ! -s "$QUILLET_SESSION_DIR/run.err"

[ "$failures" -eq 0 ]
